#include "gui/widgets/Command.h"
#include "gui/widgets/EmptyDateEdit.h"
#include "gui/widgets/StorableTextValidator.h"
#include "support/MessageHookRecorder.h"

#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <stdexcept>

namespace nakilon {
namespace {

using testsupport::MessageHookRecorder;

TEST(ErrorBoxText, AppendsFullStopOnlyAfterCharactersSortingAfterIt) {
    EXPECT_EQ(errorBoxText("Data klasörü oluşturulamıyor"), "Data klasörü oluşturulamıyor.");
    EXPECT_EQ(errorBoxText("Unable to write to C:\\x.ini"), "Unable to write to C:\\x.ini.");
    EXPECT_EQ(errorBoxText("Bitti."), "Bitti.");
    EXPECT_EQ(errorBoxText("Kurulamadı ! ! !"), "Kurulamadı ! ! !");
    EXPECT_EQ(errorBoxText("(5)"), "(5)");
    EXPECT_EQ(errorBoxText("12/"), "12/.");
    EXPECT_EQ(errorBoxText("dosya-"), "dosya-");
    EXPECT_EQ(errorBoxText(""), "");
    // A Turkish letter at the end counts as after ".".
    EXPECT_EQ(errorBoxText("Kapı ğ"), "Kapı ğ.");
}

TEST(RunCommand, ShowsEveryKindOfErrorAndReportsFailure) {
    MessageHookRecorder boxes;
    EXPECT_TRUE(runCommand(nullptr, [] {}));
    EXPECT_FALSE(runCommand(nullptr, [] { throw Error("Data klasörü oluşturulamıyor"); }));
    EXPECT_FALSE(runCommand(nullptr, [] { throw std::runtime_error("bad thing!"); }));
    EXPECT_FALSE(runCommand(nullptr, [] { throw 42; }));
    ASSERT_EQ(boxes.shown().size(), 3u);
    EXPECT_EQ(boxes.shown()[0].kind, MessageKind::Error);
    EXPECT_EQ(boxes.shown()[0].title, "Nakilon");
    EXPECT_EQ(boxes.shown()[0].text, "Data klasörü oluşturulamıyor.");
    EXPECT_EQ(boxes.shown()[1].text, "bad thing!");
    EXPECT_FALSE(boxes.shown()[2].text.isEmpty());
}

TEST(ConfirmWarning, OnlyYesGoesOn) {
    MessageHookRecorder boxes;
    boxes.answerNext(true);
    boxes.answerNext(false);
    EXPECT_TRUE(confirmWarning(nullptr, "Bu cihazı silmek istediğinizden emin misiniz?"));
    EXPECT_FALSE(confirmWarning(nullptr, "Bu cihazı silmek istediğinizden emin misiniz?"));
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[0].title, "UYARI");
    EXPECT_EQ(boxes.shown()[0].kind, MessageKind::Warning);
}

TEST(StorableTextValidator, RefusesTypedAndPastedTextTheFilesCannotHold) {
    QLineEdit edit;
    makeStorable(&edit);
    QTest::keyClicks(&edit, "Kap");
    edit.insert("ı Ş");
    EXPECT_EQ(edit.text(), "Kapı Ş");
    QTest::keyClick(&edit, Qt::Key_Tab); // moves focus at most, never a TAB byte
    edit.insert("a\tb");
    edit.insert("€x\n");
    edit.insert(QString::fromUtf8("日本"));
    EXPECT_EQ(edit.text(), "Kapı Ş");
    edit.insert("€");
    EXPECT_EQ(edit.text(), "Kapı Ş€");
}

TEST(EmptyDateEdit, StartsEmptyCanBeFilledAndEmptiedAgain) {
    EmptyDateEdit edit;
    EXPECT_TRUE(edit.isEmpty());
    EXPECT_EQ(edit.value(), std::nullopt);
    EXPECT_EQ(edit.text().trimmed(), "");

    edit.setValue(QDate(2024, 3, 5));
    EXPECT_FALSE(edit.isEmpty());
    EXPECT_EQ(edit.value(), QDate(2024, 3, 5));
    EXPECT_EQ(edit.text(), "05.03.2024");

    edit.findChild<QLineEdit*>()->selectAll();
    QTest::keyClick(&edit, Qt::Key_Delete);
    EXPECT_TRUE(edit.isEmpty());
    EXPECT_EQ(edit.text().trimmed(), "");

    // A step out of the empty state lands on today, not at the far past.
    edit.stepBy(1);
    EXPECT_EQ(edit.value(), QDate::currentDate());

    edit.findChild<QLineEdit*>()->selectAll();
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.value(), std::nullopt);

    edit.setValue(QDate(2024, 3, 5));
    edit.clear();
    EXPECT_TRUE(edit.isEmpty());
}

TEST(EmptyDateEdit, ADateIsTypedIntoTheEmptyEditorWithOrWithoutItsDots) {
    for (const char* typed : {"01022024", "01.02.2024"}) {
        EmptyDateEdit edit;
        QTest::keyClicks(&edit, typed);
        EXPECT_EQ(edit.value(), QDate(2024, 2, 1)) << typed;
    }
}

} // namespace
} // namespace nakilon
