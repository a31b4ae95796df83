#include "gui/widgets/WholeNumberEdit.h"

#include <QTest>

#include <gtest/gtest.h>

#include <vector>

namespace nakilon {
namespace {

TEST(WholeNumberEdit, TakesEvery32BitNumberAndNothingElse) {
    struct Case {
        const char* typed;
        const char* shown;
        std::optional<int32_t> value;
    };
    const Case cases[] = {
        {"123", "123", 123},
        {"-2147483648", "-2147483648", INT32_MIN},
        {"21474836470", "2147483647", INT32_MAX}, // the digit past the range is refused
        {"+5", "+5", 5},
        {"1a2 3", "123", 123},
        {"-", "-", std::nullopt}, // a lone sign stands for nothing yet
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.typed);
        WholeNumberEdit edit;
        std::vector<std::optional<int32_t>> edited;
        QObject::connect(&edit, &WholeNumberEdit::valueEdited,
                         [&](std::optional<int32_t> value) { edited.push_back(value); });
        QTest::keyClicks(&edit, test.typed);
        EXPECT_EQ(edit.text(), test.shown);
        EXPECT_EQ(edit.value(), test.value);
        EXPECT_EQ(edited.empty() ? std::nullopt : edited.back(), test.value);
    }
}

TEST(WholeNumberEdit, StepsFromEmptyStopAtTheEndsAndEmptyingIsAnEdit) {
    WholeNumberEdit edit;
    std::vector<std::optional<int32_t>> edited;
    QObject::connect(&edit, &WholeNumberEdit::valueEdited,
                     [&](std::optional<int32_t> value) { edited.push_back(value); });
    QTest::keyClick(&edit, Qt::Key_Up);
    EXPECT_EQ(edit.value(), 1);
    edit.setValue(INT32_MAX); // shown, not announced
    QTest::keyClick(&edit, Qt::Key_Up);
    EXPECT_EQ(edit.value(), INT32_MAX);
    QTest::keyClick(&edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&edit, Qt::Key_Delete);
    EXPECT_EQ(edit.text(), "");
    EXPECT_EQ(edited, (std::vector<std::optional<int32_t>>{1, std::nullopt}));
}

} // namespace
} // namespace nakilon
