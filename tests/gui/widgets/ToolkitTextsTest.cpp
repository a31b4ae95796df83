// Qt's own texts, icon and calendars as the operator meets them: the real
// boxes and dialogs, no hook. The test main sets the application up as the
// program does.
#include "gui/widgets/ApplicationSetup.h"
#include "gui/widgets/EmptyDateEdit.h"
#include "gui/widgets/FileDialog.h"
#include "gui/widgets/MessageBox.h"
#include "support/ModalDriver.h"
#include "support/TempFolder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCalendarWidget>
#include <QDialogButtonBox>
#include <QFileDialog>
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

// A button's or menu item's text as read: without the mnemonic's "&" and the
// shortcut after a TAB.
QString readText(QString text) {
    return text.section(QLatin1Char('\t'), 0, 0).remove(QLatin1Char('&'));
}

QStringList buttonTexts(const QList<QAbstractButton*>& buttons) {
    QStringList texts;
    for (const QAbstractButton* button : buttons)
        texts << readText(button->text());
    texts.sort();
    return texts;
}

TEST(ToolkitTexts, TheQuestionAsksWithEvetAndHayirAndEscapeAnswersHayir) {
    const QString question = QStringLiteral("Bu cihazı silmek istediğinizden emin misiniz?");
    struct Case {
        const char* what;
        std::function<void(QMessageBox*)> answer;
        bool expected;
    };
    const Case cases[] = {
        {"Escape", [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); }, false},
        {"Enter on the default button",
         [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); }, false},
        {"Evet", [](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); }, true},
    };
    for (const Case& c : cases) {
        QStringList buttons;
        QString title;
        QString defaultButton;
        ModalDriver driver([&](QDialog* dialog) {
            auto* box = qobject_cast<QMessageBox*>(dialog);
            ASSERT_NE(box, nullptr);
            title = box->windowTitle();
            EXPECT_EQ(box->icon(), QMessageBox::Warning);
            EXPECT_EQ(box->text(), question);
            buttons = buttonTexts(box->buttons());
            defaultButton = box->defaultButton() ? readText(box->defaultButton()->text()) : "";
            c.answer(box);
        });
        EXPECT_EQ(confirmWarning(nullptr, question), c.expected) << c.what;
        EXPECT_EQ(title, "UYARI");
        EXPECT_EQ(buttons, QStringList({"Evet", "Hayır"}));
        EXPECT_EQ(defaultButton, "Hayır");
    }
}

TEST(ToolkitTexts, ErrorAndInformationBoxesCloseWithTamamOrEscape) {
    for (const bool error : {true, false}) {
        QStringList buttons;
        ModalDriver driver([&](QDialog* dialog) {
            buttons = buttonTexts(static_cast<QMessageBox*>(dialog)->buttons());
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        if (error)
            showErrorBox(nullptr, QStringLiteral("Data klasörü oluşturulamıyor"));
        else
            showInformation(nullptr, QStringLiteral("Bağlantı Kuruldu"));
        EXPECT_TRUE(driver.ran());
        EXPECT_EQ(buttons, QStringList({"Tamam"}));
    }
}

TEST(ToolkitTexts, TheFileDialogSpeaksTurkishAndEscapeCancelsIt) {
    testsupport::TempFolder folder;
    QStringList buttons;
    ModalDriver driver([&](QDialog* dialog) {
        auto* files = qobject_cast<QFileDialog*>(dialog);
        ASSERT_NE(files, nullptr);
        buttons = buttonTexts(files->findChild<QDialogButtonBox*>()->buttons());
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    EXPECT_EQ(chooseFile(nullptr, QString::fromStdString(folder.path())), std::nullopt);
    EXPECT_EQ(buttons, QStringList({"Aç", "İptal"}));
}

TEST(ToolkitTexts, TheEditorsContextMenuSpeaksTurkish) {
    QLineEdit edit(QStringLiteral("Giriş Kapısı"));
    const std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    QStringList items;
    for (const QAction* action : menu->actions())
        if (!action->isSeparator())
            items << readText(action->text());
    EXPECT_TRUE(items.contains("Kes")) << items.join(", ").toStdString();
    EXPECT_TRUE(items.contains("Kopyala"));
    EXPECT_TRUE(items.contains("Yapıştır"));
    EXPECT_TRUE(items.contains("Tümünü Seç"));
}

TEST(ToolkitTexts, TheCalendarNamesMonthsAndDaysInTurkishFromMonday) {
    EmptyDateEdit edit;
    const QLocale locale = edit.calendarWidget()->locale();
    EXPECT_EQ(locale.standaloneMonthName(1), "Ocak");
    EXPECT_EQ(locale.dayName(5), "Cuma");
    EXPECT_EQ(edit.calendarWidget()->firstDayOfWeek(), Qt::Monday);
}

TEST(ProgramIcon, EveryWindowWearsTheIconInEverySizeItIsDrawnAt) {
    const QIcon icon = QApplication::windowIcon();
    EXPECT_EQ(icon.cacheKey(), QWidget().windowIcon().cacheKey());
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size))) << size;
        EXPECT_EQ(icon.pixmap(size).size(), QSize(size, size)) << size;
    }
}

} // namespace
} // namespace nakilon
