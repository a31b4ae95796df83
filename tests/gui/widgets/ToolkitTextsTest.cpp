// Qt's own texts, icon and calendars as the operator meets them: the real
// boxes and dialogs, no hook. The test main sets the application up as the
// program does.
#include "gui/widgets/EmptyDateEdit.h"
#include "gui/widgets/FileDialog.h"
#include "gui/widgets/MessageBox.h"
#include "support/ModalDriver.h"
#include "support/TempFolder.h"

#include <QAbstractButton>
#include <QCalendarWidget>
#include <QDialogButtonBox>
#include <QIcon>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace nakilon {
namespace {

using testsupport::ModalDriver;

// Texts as read: without the mnemonic's "&" and a shortcut after a TAB.
QStringList readTexts(const auto& items) {
    QStringList texts;
    for (const auto* item : items)
        if (!item->text().isEmpty())
            texts << item->text().section(QLatin1Char('\t'), 0, 0).remove(QLatin1Char('&'));
    texts.sort();
    return texts;
}

TEST(ToolkitTexts, TheQuestionAsksWithEvetAndHayirAndEscapeAnswersHayir) {
    const QString question = QStringLiteral("Bu cihazı silmek istediğinizden emin misiniz?");
    // Escape, and Enter on the default button, answer Hayır; Space on Evet, Evet.
    const std::pair<Qt::Key, bool> answers[] = {
        {Qt::Key_Escape, false}, {Qt::Key_Return, false}, {Qt::Key_Space, true}};
    for (const auto& [key, expected] : answers) {
        QStringList buttons;
        ModalDriver driver([&](QDialog* dialog) {
            auto* box = qobject_cast<QMessageBox*>(dialog);
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->windowTitle(), "UYARI");
            EXPECT_EQ(box->icon(), QMessageBox::Warning);
            buttons = readTexts(box->buttons());
            EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
            QWidget* target = box;
            if (key == Qt::Key_Space)
                target = box->button(QMessageBox::Yes);
            QTest::keyClick(target, key);
        });
        EXPECT_EQ(confirmWarning(nullptr, question), expected) << key;
        EXPECT_EQ(buttons, QStringList({"Evet", "Hayır"}));
    }
}

TEST(ToolkitTexts, ErrorAndInformationBoxesSayTamamAndCloseWithEscape) {
    for (const bool error : {true, false}) {
        QStringList buttons;
        ModalDriver driver([&](QDialog* dialog) {
            buttons = readTexts(static_cast<QMessageBox*>(dialog)->buttons());
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        if (error)
            showErrorBox(nullptr, QStringLiteral("Data klasörü oluşturulamıyor"));
        else
            showInformation(nullptr, QStringLiteral("Bağlantı Kuruldu"));
        EXPECT_EQ(buttons, QStringList({"Tamam"}));
    }
}

TEST(ToolkitTexts, TheFileDialogAndTheEditorsMenuSpeakTurkishAndEscapeCancels) {
    testsupport::TempFolder folder;
    QStringList buttons;
    ModalDriver driver([&](QDialog* dialog) {
        buttons = readTexts(dialog->findChild<QDialogButtonBox*>()->buttons());
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    EXPECT_EQ(chooseFile(nullptr, QString::fromStdString(folder.path())), std::nullopt);
    EXPECT_EQ(buttons, QStringList({"Aç", "İptal"}));

    QLineEdit edit(QStringLiteral("Giriş Kapısı"));
    const std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    const QStringList items = readTexts(menu->actions());
    for (const char* item : {"Kes", "Kopyala", "Yapıştır", "Tümünü Seç"})
        EXPECT_TRUE(items.contains(QString::fromUtf8(item))) << item;
}

TEST(ToolkitTexts, TheCalendarNamesMonthsAndDaysInTurkishFromMonday) {
    EmptyDateEdit edit;
    EXPECT_EQ(edit.calendarWidget()->locale().standaloneMonthName(1), "Ocak");
    EXPECT_EQ(edit.calendarWidget()->locale().dayName(5), "Cuma");
    EXPECT_EQ(edit.calendarWidget()->firstDayOfWeek(), Qt::Monday);
}

TEST(ProgramIcon, EveryWindowWearsTheIconInEverySizeItIsDrawnAt) {
    const QIcon icon = QWidget().windowIcon();
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        EXPECT_EQ(icon.pixmap(size).size(), QSize(size, size)) << size;
    EXPECT_EQ(icon.availableSizes().size(), 7);
}

} // namespace
} // namespace nakilon
