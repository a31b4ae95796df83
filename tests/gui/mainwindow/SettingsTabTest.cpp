#include "gui/mainwindow/SettingsTab.h"

#include "core/settings/ProgramValues.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QTest>

#include <gtest/gtest.h>

namespace nakilon {
namespace {

TEST(SettingsTab, YedekBoxIsTheTitleOnTheTopEdgeOfTheDateRange) {
    ProgramValues values;
    SettingsTab tab(values);
    tab.resize(470, 380);
    tab.show();
    auto* yedek = tab.findChild<QCheckBox*>(QStringLiteral("YedekBox"));
    auto* range = tab.findChild<QGroupBox*>(QStringLiteral("TarihSecimBox"));
    ASSERT_TRUE(yedek && range);
    EXPECT_FALSE(yedek->isChecked());
    EXPECT_TRUE(range->isHidden());
    EXPECT_TRUE(yedek->isVisible());

    yedek->setChecked(true);
    QTest::qWait(0); // let the layout place the range
    EXPECT_TRUE(range->isVisible());
    EXPECT_EQ(yedek->parentWidget(), range->parentWidget());
    const QRect title = yedek->geometry();
    const QRect frame = range->geometry();
    // The frame's top edge runs through the box, which stays inside the frame's width.
    EXPECT_LT(title.top(), frame.top());
    EXPECT_GT(title.bottom(), frame.top());
    EXPECT_GT(title.left(), frame.left());
    EXPECT_LT(title.right(), frame.right());
    // The box is drawn over the frame, not under it.
    const QObjectList siblings = range->parentWidget()->children();
    EXPECT_GT(siblings.indexOf(yedek), siblings.indexOf(range));
    yedek->setChecked(false);
    EXPECT_TRUE(range->isHidden());
}

} // namespace
} // namespace nakilon
