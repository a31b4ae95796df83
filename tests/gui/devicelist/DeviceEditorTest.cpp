// "Cihaz Ekle", "Düzenle" and "Sil" on the device tab, with the real editor.
#include "DeviceWindowTest.h"
#include "gui/widgets/WholeNumberEdit.h"
#include "support/AccessibleControls.h"
#include "support/CutTexts.h"
#include "support/FailingFileOperation.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>

namespace nakilon {
namespace {

using testsupport::child;
using testsupport::clickIn;
using testsupport::ModalDriver;

// Progress and status as a transfer run left them; start-up empties both.
const char* const kThree = "1\tKap\xFD A\t1\t1\t10.0.0.5\t\t5005\t1\t\t\t\t\t0\r\n"
                           "2\tYemekhane\t2\t2\t\t\t3\t0\t\tAktar\xFDm Tamamland\xFD\t100\t\t1\r\n"
                           "3\tDepo\t3\t3\t\t\t\t1\t\t\t\t\t2\r\n";
const std::string kHeader = "CihazNo\tCihazAdi\tMakineNo\tBaglantiTipi\tIPAdres\tParola\tPort\t"
                            "Isaret\tDurum\tAciklama\tTransferDurumu\tComportNo\tGCTip\r\n";
const std::string kNewDevice = "1\tCihaz1\t1\t1\t\t\t5005\t1\t\t\t\t\t0\r\n";

class DeviceEditorTest : public testsupport::DeviceWindowTest {
protected:
    // What the eight editors show, top to bottom.
    static QStringList shown(const QDialog* editor) {
        QStringList texts;
        for (const char* name : {"CihazNoEdit", "CihazAdiEdit", "MakineNoEdit", "IPAdresEdit",
                                 "PortEdit", "ParolaEdit"})
            texts << child<QWidget>(editor, name)->property("text").toString();
        texts.insert(3, child<QComboBox>(editor, "BaglantiTipiCombo")->currentText());
        texts << child<QComboBox>(editor, "GCTipCombo")->currentText();
        return texts;
    }
    int32_t recId() const { return m_data.CihazTable.asInteger("RecId"); }
};

TEST_F(DeviceEditorTest, AddThenCancelLeavesListAndFileAndTheNumberIsGivenAgain) {
    startWith(kThree);
    const std::string before = listFile();
    ModalDriver cancel([&](QDialog* editor) {
        EXPECT_EQ(editor->windowTitle(), "Cihaz Ekle / Düzenle");
        EXPECT_EQ(editor->size(), QSize(295, 308));
        EXPECT_LE(
            (editor->frameGeometry().center() - m_form->frameGeometry().center()).manhattanLength(),
            2);
        EXPECT_EQ(shown(editor),
                  QStringList({"1", "Cihaz1", "1", "Ethernet", "", "5005", "", "Giriş / Çıkış"}));
        EXPECT_EQ(cell("CihazAktarimGrid", 3, 2), "Cihaz1"); // a row of every grid already
        EXPECT_EQ(recId(), 4);
        QStringList order{editor->focusWidget()->objectName()};
        for (int i = 0; i < 10; ++i) {
            QTest::keyClick(editor->focusWidget(), Qt::Key_Tab);
            order << editor->focusWidget()->objectName();
        }
        EXPECT_EQ(order, QStringList({"cxButton2", "CihazNoEdit", "CihazAdiEdit", "MakineNoEdit",
                                      "BaglantiTipiCombo", "IPAdresEdit", "ParolaEdit",
                                      "GCTipCombo", "PortEdit", "cxButton1", "cxButton2"}));
        clickIn(editor, "cxButton1");
    });
    click("CihazEkleButon");
    EXPECT_TRUE(cancel.ran());
    EXPECT_EQ(grid("CihazGrid")->model()->rowCount(), 3);

    // Closing by the title bar cancels as well; the number is the same again.
    int32_t again = 0;
    ModalDriver close([&](QDialog* editor) {
        again = recId();
        editor->close();
    });
    click("CihazEkleButon");
    EXPECT_EQ(again, 4);
    EXPECT_EQ(m_data.CihazTable.rowCount(), 3);
    EXPECT_EQ(m_data.CihazTable.state(), TableState::Browse);
    EXPECT_EQ(listFile(), before);
    EXPECT_TRUE(m_boxes.shown().empty());
}

TEST_F(DeviceEditorTest, AddThenSaveWritesTheNewDeviceAndTwoAddsGiveTwoEqualDevices) {
    startWith(nullptr);
    ModalDriver save([](QDialog* editor) { clickIn(editor, "cxButton2"); });
    click("CihazEkleButon");
    EXPECT_TRUE(save.ran());
    EXPECT_EQ(listFile(), "CihazNo\tCihazAdi\tMakineNo\tBaglantiTipi\tIPAdres\tParola\tPort\t"
                          "Isaret\tDurum\tAciklama\tTransferDurumu\tComportNo\tGCTip\r\n"
                          "1\tCihaz1\t1\t1\t\t\t5005\t1\t\t\t\t\t0\r\n");
    ModalDriver saveAgain([](QDialog* editor) { clickIn(editor, "cxButton2"); });
    click("CihazEkleButon");
    EXPECT_EQ(listFile(), kHeader + kNewDevice + kNewDevice);
}

TEST_F(DeviceEditorTest, WhatIsTypedReachesEveryGridAtOnceAndIsStored) {
    startWith(kThree);
    grid("CihazGrid")->setCurrentIndex(grid("CihazGrid")->model()->index(1, 2));
    ModalDriver edit([&](QDialog* editor) {
        EXPECT_EQ(shown(editor),
                  QStringList({"2", "Yemekhane", "2", "Comm Port", "", "3", "", "Giriş"}));
        auto* name = child<QLineEdit>(editor, "CihazAdiEdit");
        name->selectAll();
        QTest::keyClicks(name, "Kap");
        name->insert("ı Z"); // as an input method or a paste does
        EXPECT_EQ(cell("CihazGrid", 1, 2), "Kapı Z");
        EXPECT_EQ(cell("CihazAktarimGrid", 1, 2), "Kapı Z");
        name->insert("\t!"); // refused whole
        auto* number = child<WholeNumberEdit>(editor, "CihazNoEdit");
        QTest::keyClick(number, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(number, "-42");
        QTest::keyClick(number, Qt::Key_Up);
        EXPECT_EQ(cell("CihazGrid", 1, 1), "-41");
        auto* port = child<WholeNumberEdit>(editor, "PortEdit");
        QTest::keyClick(port, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(port, Qt::Key_Backspace); // empties the field
        QTest::keyClick(child<QComboBox>(editor, "BaglantiTipiCombo"), Qt::Key_Down);
        EXPECT_EQ(cell("CihazGrid", 1, 3), "USB Bağlantısı");
        QTest::keyClick(child<QComboBox>(editor, "GCTipCombo"), Qt::Key_Down);
        // Cut at the fields' widths, 20 and 10.
        QTest::keyClicks(child<QLineEdit>(editor, "IPAdresEdit"), "10.20.30.40/abcdefghijk");
        QTest::keyClicks(child<QLineEdit>(editor, "ParolaEdit"), "123456789012");
        clickIn(editor, "cxButton2");
    });
    click("CihazDuzenleButon");
    EXPECT_TRUE(edit.ran());
    EXPECT_TRUE(m_boxes.shown().empty());
    EXPECT_EQ(listFile(), kHeader + "1\tKap\xFD A\t1\t1\t10.0.0.5\t\t5005\t1\t\t\t0\t\t0\r\n" +
                              "-41\tKap\xFD Z\t2\t3\t10.20.30.40/abcdefgh\t1234567890\t\t0\t\t\t0"
                              "\t\t2\r\n" +
                              "3\tDepo\t3\t3\t\t\t\t1\t\t\t0\t\t2\r\n");
}

TEST_F(DeviceEditorTest, OnAnEmptyListSilFailsAndDuzenleStoresAnEmptyDevice) {
    startWith(nullptr);
    m_boxes.answerNext(true);
    click("CihazSilButon");
    EXPECT_EQ(
        m_boxes.errors(),
        std::vector<QString>{"CihazTable: Cannot perform this operation on an empty dataset."});
    EXPECT_FALSE(m_folder.exists("Cihazlar.Dat"));

    ModalDriver save([&](QDialog* editor) {
        EXPECT_EQ(shown(editor), QStringList({"", "", "", "", "", "", "", ""}));
        clickIn(editor, "cxButton2");
    });
    click("CihazDuzenleButon");
    EXPECT_TRUE(save.ran());
    EXPECT_EQ(listFile(), kHeader + "\t\t\t\t\t\t\t\t\t\t\t\t\r\n");
}

TEST_F(DeviceEditorTest, AFailedSaveKeepsTheEditorOpenAndTheFileAsItWas) {
    startWith(kThree);
    const std::string before = listFile();
    ModalDriver save([&](QDialog* editor) {
        {
            testsupport::FailingFileOperation failing;
            clickIn(editor, "cxButton2");
        }
        EXPECT_TRUE(editor->isVisible());
        EXPECT_EQ(listFile(), before);
        clickIn(editor, "cxButton2"); // the operator tries again
    });
    click("CihazEkleButon");
    ASSERT_EQ(m_boxes.errors().size(), 1u);
    EXPECT_TRUE(m_boxes.errors()[0].startsWith(
        "Cannot create file \"" + QString::fromStdString(m_folder.file("Cihazlar.Dat")) + "\". "));
    EXPECT_TRUE(listFile().ends_with("\r\n" + kNewDevice));
}

TEST_F(DeviceEditorTest, RowsAreEditedByDoubleClickOrEnterAndDeletedAfterTheQuestion) {
    startWith(kThree);
    find<QTabWidget>("Sayfalar")->setCurrentIndex(1);
    QTableView* devices = grid("CihazGrid");
    const auto doubleClick = [&](int row, int column) { // press, release, double click
        const QPoint at = devices->visualRect(devices->model()->index(row, column)).center();
        QTest::mouseClick(devices->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(devices->viewport(), Qt::LeftButton, {}, at);
    };
    QStringList edited;
    const auto cancel = [&](QDialog* editor) {
        edited << child<QLineEdit>(editor, "CihazAdiEdit")->text();
        clickIn(editor, "cxButton1");
    };
    {
        ModalDriver driver(cancel);
        doubleClick(2, 2);
    }
    {
        ModalDriver driver(cancel);
        devices->setCurrentIndex(devices->model()->index(1, 2));
        QTest::keyClick(devices, Qt::Key_Return);
    }
    {
        ModalDriver driver(cancel);
        doubleClick(0, 0); // two clicks on the "Seç" box, not an edit
        QTest::qWait(50);
    }
    EXPECT_EQ(edited, QStringList({"Depo", "Yemekhane"}));

    devices->setCurrentIndex(devices->model()->index(1, 2));
    const std::string before = listFile();
    m_boxes.clear();
    m_boxes.answerNext(false);
    click("CihazSilButon");
    EXPECT_EQ(listFile(), before);
    m_boxes.answerNext(true);
    QTest::keyClick(devices, Qt::Key_Delete);
    ASSERT_EQ(m_boxes.shown().size(), 2u);
    EXPECT_EQ(m_boxes.shown()[1].title, "UYARI");
    EXPECT_EQ(m_boxes.shown()[1].text, "Bu cihazı silmek istediğinizden emin misiniz?");
    EXPECT_EQ(devices->currentIndex().row(), 1);
    EXPECT_EQ(listFile(), kHeader + "1\tKap\xFD A\t1\t1\t10.0.0.5\t\t5005\t0\t\t\t0\t\t0\r\n" +
                              "3\tDepo\t3\t3\t\t\t\t1\t\t\t0\t\t2\r\n");
}

TEST_F(DeviceEditorTest, ScreenReadersFindEveryEditorByItsLabel) {
    startWith(kThree);
    ModalDriver look([&](QDialog* editor) {
        const std::pair<const char*, const char*> controls[] = {
            {"Cihaz No :", "CihazNoEdit"},    {"Cihaz Adı :", "CihazAdiEdit"},
            {"Makine No :", "MakineNoEdit"},  {"Bağlantı Tipi :", "BaglantiTipiCombo"},
            {"IP Adresi :", "IPAdresEdit"},   {"Port:", "PortEdit"},
            {"Parola :", "ParolaEdit"},       {"Gir-Çık Durumu :", "GCTipCombo"},
            {"Kaydet ve Kapat", "cxButton2"}, {"İptal", "cxButton1"},
        };
        for (const auto& [name, objectName] : controls) {
            const QWidget* found = testsupport::controlNamed(editor, QString::fromUtf8(name));
            EXPECT_EQ(found ? found->objectName() : QString(), objectName) << name;
        }
        EXPECT_EQ(testsupport::unnamedControls(editor), QStringList());
        clickIn(editor, "cxButton1");
    });
    click("CihazDuzenleButon");
    EXPECT_TRUE(look.ran());
}

TEST_F(DeviceEditorTest, EscapeCancelsLikeIptalWhereverTheFocusIs) {
    startWith(kThree);
    const std::string before = listFile();
    for (const char* focus : {"cxButton2", "CihazAdiEdit", "PortEdit", "GCTipCombo", "cxButton1"}) {
        for (const char* command : {"CihazEkleButon", "CihazDuzenleButon"}) {
            ModalDriver escape([&](QDialog* editor) {
                QTest::keyClicks(child<QLineEdit>(editor, "CihazAdiEdit"), "X");
                QWidget* target = child<QWidget>(editor, focus);
                target->setFocus();
                QTest::keyClick(target, Qt::Key_Escape);
                EXPECT_FALSE(editor->isVisible()) << focus;
            });
            click(command);
            EXPECT_TRUE(escape.ran());
            EXPECT_EQ(m_data.CihazTable.rowCount(), 3) << focus << " " << command;
            EXPECT_EQ(m_data.CihazTable.state(), TableState::Browse);
            EXPECT_EQ(cell("CihazGrid", 0, 2), "Kapı A");
        }
    }
    EXPECT_EQ(listFile(), before);
}

TEST_F(DeviceEditorTest, ALargerSystemFontGrowsTheEditorInsteadOfCuttingItsTexts) {
    for (const qreal factor : {1.0, 1.6}) {
        testsupport::LargerFont font(factor);
        startWith(kThree);
        ModalDriver look([&](QDialog* editor) {
            EXPECT_EQ(testsupport::cutTexts(editor), QStringList()) << factor;
            if (factor == 1.0) {
                EXPECT_EQ(editor->size(), QSize(295, 308));
            }
            EXPECT_EQ(editor->minimumSize(), editor->maximumSize()); // still fixed
            clickIn(editor, "cxButton1");
        });
        click("CihazEkleButon");
        EXPECT_TRUE(look.ran());
        m_form.reset();
    }
}

} // namespace
} // namespace nakilon
