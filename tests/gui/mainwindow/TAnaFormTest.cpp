#include "gui/mainwindow/TAnaForm.h"
#include "core/base/FileIoTesting.h"
#include "core/settings/ProgramValues.h"
#include "core/tables/TDataModul.h"
#include "emulator/net/EmulatorDeviceControl.h"
#include "gui/widgets/EmptyDateEdit.h"
#include "support/DeviceListFile.h"
#include "support/MessageHookRecorder.h"
#include "support/TempFolder.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <map>
#include <memory>

namespace nakilon {
namespace {

using testsupport::MessageHookRecorder;
using testsupport::TempFolder;

const std::string& kDeviceHeader = testsupport::kDeviceListHeader;
const std::string kPersonelHeader = "PersonelNo\tKartNo\tYetki\tSifre\tIzinDurum\tSecim\r\n";

// Three devices as a transfer run left them: progress and status filled.
const std::string kThreeDevices =
    kDeviceHeader +
    "1\tKap\xFD A\t1\t1\t10.0.0.5\t\t5005\t1\t\tAktar\xFDm Tamamland\xFD\t100\t\t0\r\n" +
    "2\tYemekhane\t2\t2\t\t\t3\t0\t\t\t45\t\t0\r\n" + "3\tDepo\t3\t3\t\t\t\t1\t\t\t\t\t0\r\n";

// Every file of a folder with its bytes, to see that nothing was written.
std::map<std::string, std::string> snapshot(const TempFolder& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder.path()))
        if (entry.is_regular_file()) {
            const auto relative = std::filesystem::relative(entry.path(), folder.path());
            files[relative.generic_string()] = folder.read(relative.generic_string());
        }
    return files;
}

class MainWindowTest : public ::testing::Test {
protected:
    // Runs the start-up of the program on the test's folder and shows the window.
    void start() {
        m_form = std::make_unique<TAnaForm>(m_data, m_values, *m_cc);
        m_created = m_form->create(m_folder.path());
        m_form->show();
    }

    template <class T> T* find(const char* name) const {
        T* widget = m_form->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QPushButton* button(const char* name) const { return find<QPushButton>(name); }
    QString adres() const { return find<QLineEdit>("AdresEdit")->text(); }
    std::string ini() const { return m_folder.read("Ayarlar.ini"); }
    QString iniName() const { return QString::fromStdString(m_folder.file("Ayarlar.ini")); }

    TempFolder m_folder;
    MessageHookRecorder m_boxes;
    TDataModul m_data;
    ProgramValues m_values;
    std::unique_ptr<DeviceControl> m_cc = makeEmulatorDeviceControl();
    std::unique_ptr<TAnaForm> m_form;
    bool m_created = false;
};

class FailingWrites {
public:
    FailingWrites() {
        testing::setFileFailHook([](std::string_view operation) -> std::optional<int> {
            if (operation == "open")
                return EACCES;
            return std::nullopt;
        });
    }
    ~FailingWrites() { testing::setFileFailHook({}); }
    FailingWrites(const FailingWrites&) = delete;
    FailingWrites& operator=(const FailingWrites&) = delete;
};

// --- start-up --------------------------------------------------------------

TEST_F(MainWindowTest, FirstStartOnAnEmptyFolderWritesDefaultsAndOpensEverything) {
    start();
    EXPECT_TRUE(m_created);
    EXPECT_TRUE(m_boxes.shown().empty());
    EXPECT_EQ(ini(), "[Ayarlar]\r\nKayitDosyasi=" + m_folder.path() +
                         "Hareketler.txt\r\nAktarimdanSonraSil=1\r\n");
    EXPECT_EQ(m_folder.read("Data\\Personel.PDT"), kPersonelHeader);
    EXPECT_FALSE(m_folder.exists("Cihazlar.Dat"));

    EXPECT_EQ(m_values.programFolder, m_folder.path());
    EXPECT_EQ(m_values.outputFileName, m_folder.path() + "Hareketler.txt");
    EXPECT_EQ(m_values.entryText, "1");
    EXPECT_EQ(m_values.exitText, "0");
    EXPECT_EQ(adres(), QString::fromStdString(m_folder.path() + "Hareketler.txt"));
    EXPECT_TRUE(find<QCheckBox>("KayitSilbox")->isChecked());
    EXPECT_TRUE(find<QCheckBox>("KayitSilbox")->isHidden());
    EXPECT_TRUE(m_data.CihazTable.isOpen());
    EXPECT_EQ(m_data.CihazTable.rowCount(), 0);
    EXPECT_TRUE(m_data.PersonelTable.isOpen());

    EXPECT_EQ(m_form->windowTitle(), "Nakilon - Terminal Hareketleri Aktarım Programı");
    EXPECT_EQ(m_form->size(), QSize(480, 453));
    auto* tabs = find<QTabWidget>("Sayfalar");
    ASSERT_EQ(tabs->count(), 3);
    EXPECT_EQ(tabs->tabText(0), "Hareketleri Aktar");
    EXPECT_EQ(tabs->tabText(1), "Cihaz Ayarları");
    EXPECT_EQ(tabs->tabText(2), "Ayarlar");
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_FALSE(button("AdresKaydetButon")->isEnabled());
    EXPECT_TRUE(find<QGroupBox>("TarihSecimBox")->isHidden());
    EXPECT_TRUE(find<EmptyDateEdit>("TarihindenEdit")->isEmpty());
    EXPECT_TRUE(find<EmptyDateEdit>("TarihineEdit")->isEmpty());
}

TEST_F(MainWindowTest, SettingsEdgeCasesAreReadAsStored) {
    m_folder.write("Ayarlar.ini", "[ayarlar]\r\nKayitDosyasi=\r\nGirisSTR=ABCDEFGH\r\nCikisSTR=\r\n"
                                  "AktarimdanSonraSil=0x0\r\n");
    start();
    EXPECT_TRUE(m_boxes.shown().empty());
    // An empty output file name takes the default, written back in place; 0x0
    // is false, so the box keeps its state and the key is not rewritten.
    EXPECT_EQ(ini(), "[ayarlar]\r\nKayitDosyasi=" + m_folder.path() +
                         "Hareketler.txt\r\nGirisSTR=ABCDEFGH\r\nCikisSTR=\r\n"
                         "AktarimdanSonraSil=0x0\r\n");
    EXPECT_EQ(m_values.entryText, "ABCDEFG");
    EXPECT_EQ(m_values.exitText, "");
    EXPECT_FALSE(find<QCheckBox>("KayitSilbox")->isChecked());
}

TEST_F(MainWindowTest, ANonNumberAktarimdanSonraSilIsTrueAndIsWrittenBackAsOne) {
    m_folder.write(
        "Ayarlar.ini",
        "[Ayarlar]\r\nKayitDosyasi=C:\\Veri\\Kay\xFDt.txt\r\nAktarimdanSonraSil=abc\r\n");
    start();
    EXPECT_EQ(ini(),
              "[Ayarlar]\r\nKayitDosyasi=C:\\Veri\\Kay\xFDt.txt\r\nAktarimdanSonraSil=1\r\n");
    EXPECT_TRUE(find<QCheckBox>("KayitSilbox")->isChecked());
    EXPECT_EQ(adres(), "C:\\Veri\\Kayıt.txt");
    EXPECT_EQ(m_values.outputFileName, "C:\\Veri\\Kayıt.txt");
}

TEST_F(MainWindowTest, DeviceProgressAndStatusStartEmptyWithoutRewritingTheList) {
    m_folder.write("Cihazlar.Dat", kThreeDevices);
    start();
    EXPECT_TRUE(m_boxes.shown().empty());
    EXPECT_EQ(m_folder.read("Cihazlar.Dat"), kThreeDevices);
    RecordTable& devices = m_data.CihazTable;
    ASSERT_EQ(devices.rowCount(), 3);
    EXPECT_EQ(devices.currentRow(), 0);
    const int progress = devices.fieldIndex("TransferDurumu");
    const int status = devices.fieldIndex("Aciklama");
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(devices.integerAt(row, progress), 0);
        EXPECT_EQ(devices.textAt(row, status), "");
    }
    auto* grid = find<QTableView>("CihazAktarimGrid");
    EXPECT_EQ(grid->model()->rowCount(), 3);
    EXPECT_EQ(grid->currentIndex().row(), 0);
    EXPECT_EQ(grid->model()->index(0, 2).data().toString(), "Kapı A");
}

TEST_F(MainWindowTest, APersonnelListIsCreatedOnlyWhenMissingAndThenLoaded) {
    m_folder.write("Data\\Personel.PDT",
                   kPersonelHeader + "7\t0\t0\t\t1\t1\r\n8\t0\t0\t\t1\t1\r\n");
    start();
    EXPECT_EQ(m_data.PersonelTable.rowCount(), 2);
    EXPECT_EQ(m_folder.read("Data\\Personel.PDT"),
              kPersonelHeader + "7\t0\t0\t\t1\t1\r\n8\t0\t0\t\t1\t1\r\n");
}

TEST_F(MainWindowTest, DataPathThatIsAFileEndsTheStepWithItsErrorAndTheWindowOpens) {
    m_folder.write("Cihazlar.Dat", kThreeDevices);
    m_folder.write("Data", "not a folder");
    start();
    EXPECT_FALSE(m_created);
    ASSERT_EQ(m_boxes.errors().size(), 1u);
    EXPECT_EQ(m_boxes.errors()[0], "Data klasörü oluşturulamıyor.");
    EXPECT_EQ(m_boxes.shown()[0].title, "Nakilon");
    EXPECT_EQ(m_data.CihazTable.rowCount(), 3);
    EXPECT_TRUE(m_data.PersonelTable.isOpen());
    EXPECT_EQ(m_data.PersonelTable.rowCount(), 0);
    EXPECT_EQ(m_folder.read("Data"), "not a folder");
    EXPECT_TRUE(m_form->isVisible());
    EXPECT_FALSE(button("AdresKaydetButon")->isEnabled());
}

TEST_F(MainWindowTest, AMalformedDeviceListStopsStartUpAndIsKeptBesideItself) {
    const std::string malformed = kDeviceHeader + "1\tKap\xFD\t1\r\n1.5\tB\r\n3\tC\r\n";
    m_folder.write("Cihazlar.Dat", malformed);
    start();
    ASSERT_EQ(m_boxes.errors().size(), 1u);
    EXPECT_EQ(m_boxes.errors()[0], "'1.5' is not a valid integer value for field 'CihazNo'");
    EXPECT_EQ(m_data.CihazTable.rowCount(), 1);
    EXPECT_FALSE(m_data.PersonelTable.isOpen());
    EXPECT_FALSE(m_folder.exists("Data"));
    EXPECT_EQ(m_folder.read("Cihazlar.Dat"), malformed);
    // The partly loaded list may be saved over the file later; the original
    // bytes stay at hand.
    EXPECT_EQ(m_folder.read("Cihazlar.Dat.bozuk"), malformed);
}

TEST_F(MainWindowTest, AMalformedPersonnelListIsKeptBesideItself) {
    const std::string malformed = kPersonelHeader + "1\t2\t3\t4\t5\t6\t7\r\n";
    m_folder.write("Data\\Personel.PDT", malformed);
    m_folder.write("Data\\Personel.PDT.bozuk", "an older, different copy");
    start();
    ASSERT_EQ(m_boxes.errors().size(), 1u);
    EXPECT_EQ(m_boxes.errors()[0], "List index out of bounds (6)");
    EXPECT_EQ(m_folder.read("Data\\Personel.PDT"), malformed);
    EXPECT_EQ(m_folder.read("Data\\Personel.PDT.bozuk"), "an older, different copy");
    EXPECT_EQ(m_folder.read("Data\\Personel.PDT.bozuk2"), malformed);
}

TEST_F(MainWindowTest, ASettingsWriteThatFailsEndsTheStepBeforeTheLists) {
    m_folder.write("Cihazlar.Dat", kThreeDevices);
    {
        FailingWrites failing;
        start();
    }
    ASSERT_EQ(m_boxes.errors().size(), 1u);
    EXPECT_EQ(m_boxes.errors()[0], "Unable to write to " + iniName() + ".");
    EXPECT_EQ(adres(), "");
    EXPECT_EQ(m_values.entryText, "");
    EXPECT_FALSE(m_data.CihazTable.isOpen());
    EXPECT_FALSE(m_folder.exists("Ayarlar.ini"));
    EXPECT_FALSE(m_folder.exists("Data"));
    EXPECT_TRUE(m_form->isVisible());
}

// --- settings tab ------------------------------------------------------------

TEST_F(MainWindowTest, KaydetIsEnabledByAnEditAndDisabledBySaving) {
    start();
    QPushButton* kaydet = button("AdresKaydetButon");
    auto* edit = find<QLineEdit>("AdresEdit");
    EXPECT_FALSE(kaydet->isEnabled());

    edit->setText("/veri/cikis.txt");
    EXPECT_TRUE(kaydet->isEnabled());
    // Typing alone changes nothing the transfer uses.
    EXPECT_EQ(m_values.outputFileName, m_folder.path() + "Hareketler.txt");
    QTest::mouseClick(kaydet, Qt::LeftButton);
    EXPECT_FALSE(kaydet->isEnabled());
    EXPECT_EQ(m_values.outputFileName, "/veri/cikis.txt");
    EXPECT_EQ(ini(), "[Ayarlar]\r\nKayitDosyasi=/veri/cikis.txt\r\nAktarimdanSonraSil=1\r\n");

    // An empty edit saves nothing and the button stays as it is.
    edit->clear();
    EXPECT_TRUE(kaydet->isEnabled());
    QTest::mouseClick(kaydet, Qt::LeftButton);
    EXPECT_TRUE(kaydet->isEnabled());
    EXPECT_EQ(ini(), "[Ayarlar]\r\nKayitDosyasi=/veri/cikis.txt\r\nAktarimdanSonraSil=1\r\n");

    // Blanks count as text and are written as they are.
    edit->setText("  ");
    QTest::mouseClick(kaydet, Qt::LeftButton);
    EXPECT_EQ(ini(), "[Ayarlar]\r\nKayitDosyasi=  \r\nAktarimdanSonraSil=1\r\n");
    EXPECT_TRUE(m_boxes.shown().empty());
}

TEST_F(MainWindowTest, AFailedKaydetKeepsTheButtonEnabledAndTheFileAsItWas) {
    start();
    const std::string before = ini();
    find<QLineEdit>("AdresEdit")->setText("/veri/yeni.txt");
    {
        FailingWrites failing;
        QTest::mouseClick(button("AdresKaydetButon"), Qt::LeftButton);
    }
    ASSERT_EQ(m_boxes.errors().size(), 1u);
    EXPECT_EQ(m_boxes.errors()[0], "Unable to write to " + iniName() + ".");
    EXPECT_TRUE(button("AdresKaydetButon")->isEnabled());
    EXPECT_EQ(m_values.outputFileName, "/veri/yeni.txt");
    EXPECT_EQ(ini(), before);
}

TEST_F(MainWindowTest, DegistirStartsInTheProgramFolderAndSavesTheChosenName) {
    start();
    m_boxes.chooseNextFile(QString());
    QTest::mouseClick(button("DegistirButon"), Qt::LeftButton);
    ASSERT_EQ(m_boxes.dialogFolders().size(), 1u);
    EXPECT_EQ(m_boxes.dialogFolders()[0], QString::fromStdString(m_folder.path()));
    EXPECT_FALSE(button("AdresKaydetButon")->isEnabled());

    const std::string chosen = m_folder.path() + "Yeni dosya.txt";
    m_boxes.chooseNextFile(QString::fromStdString(chosen));
    QTest::mouseClick(button("DegistirButon"), Qt::LeftButton);
    EXPECT_EQ(adres(), QString::fromStdString(chosen));
    EXPECT_EQ(m_values.outputFileName, chosen);
    EXPECT_EQ(ini(), "[Ayarlar]\r\nKayitDosyasi=" + chosen + "\r\nAktarimdanSonraSil=1\r\n");
    EXPECT_FALSE(m_folder.exists("Yeni dosya.txt"));
    // The dialog changed the edit, so "Kaydet" is on until pressed.
    EXPECT_TRUE(button("AdresKaydetButon")->isEnabled());
    QTest::mouseClick(button("AdresKaydetButon"), Qt::LeftButton);
    EXPECT_FALSE(button("AdresKaydetButon")->isEnabled());
    EXPECT_EQ(ini(), "[Ayarlar]\r\nKayitDosyasi=" + chosen + "\r\nAktarimdanSonraSil=1\r\n");
}

TEST_F(MainWindowTest, YedekBoxShowsAndHidesTheDateRange) {
    start();
    auto* yedek = find<QCheckBox>("YedekBox");
    auto* range = find<QGroupBox>("TarihSecimBox");
    EXPECT_FALSE(yedek->isChecked());
    yedek->setChecked(true);
    EXPECT_FALSE(range->isHidden());
    yedek->setChecked(false);
    EXPECT_TRUE(range->isHidden());
    EXPECT_EQ(ini(), "[Ayarlar]\r\nKayitDosyasi=" + m_folder.path() +
                         "Hareketler.txt\r\nAktarimdanSonraSil=1\r\n");
}

TEST_F(MainWindowTest, KayitSilboxChangesAreStored) {
    start();
    find<QCheckBox>("KayitSilbox")->setChecked(false);
    EXPECT_EQ(ini(), "[Ayarlar]\r\nKayitDosyasi=" + m_folder.path() +
                         "Hareketler.txt\r\nAktarimdanSonraSil=0\r\n");
}

// --- device grids -------------------------------------------------------------

TEST_F(MainWindowTest, BothDeviceGridsShareTheTablesCurrentRow) {
    m_folder.write("Cihazlar.Dat", kThreeDevices);
    start();
    auto* transferGrid = find<QTableView>("CihazAktarimGrid");
    auto* deviceGrid = find<QTableView>("CihazGrid");
    RecordTable& devices = m_data.CihazTable;

    // The operator picks a row on one tab ...
    transferGrid->setCurrentIndex(transferGrid->model()->index(2, 2));
    EXPECT_EQ(devices.currentRow(), 2);
    EXPECT_EQ(deviceGrid->currentIndex().row(), 2);
    // ... and on the other.
    deviceGrid->setCurrentIndex(deviceGrid->model()->index(1, 3));
    EXPECT_EQ(devices.currentRow(), 1);
    EXPECT_EQ(transferGrid->currentIndex().row(), 1);

    // The table moves: both follow.
    devices.first();
    EXPECT_EQ(transferGrid->currentIndex().row(), 0);
    EXPECT_EQ(deviceGrid->currentIndex().row(), 0);

    // A new record is a row of both grids at once and current in both.
    devices.append();
    devices.setText("CihazAdi", "Yeni");
    EXPECT_EQ(deviceGrid->model()->rowCount(), 4);
    EXPECT_EQ(deviceGrid->currentIndex().row(), 3);
    EXPECT_EQ(transferGrid->currentIndex().row(), 3);
    EXPECT_EQ(transferGrid->model()->index(3, 2).data().toString(), "Yeni");
    devices.cancel();
    EXPECT_EQ(deviceGrid->model()->rowCount(), 3);
    EXPECT_EQ(transferGrid->model()->rowCount(), 3);
    EXPECT_EQ(deviceGrid->currentIndex().row(), devices.currentRow());
}

TEST_F(MainWindowTest, DeviceGridShowsItsColumnsAndOnlySecIsEditable) {
    m_folder.write("Cihazlar.Dat", kThreeDevices);
    start();
    auto* grid = find<QTableView>("CihazGrid");
    QAbstractItemModel* model = grid->model();
    QStringList visible;
    for (int column = 0; column < model->columnCount(); ++column)
        if (!grid->isColumnHidden(column))
            visible << model->headerData(column, Qt::Horizontal).toString();
    EXPECT_EQ(visible, QStringList({"Seç", "Cz.No", "Cihaz Adı", "Bağlantı Tipi", "IP Adresi",
                                    "Mk.No", "Parola", "Port"}));
    EXPECT_EQ(model->index(0, 0).data(Qt::CheckStateRole), Qt::Checked);
    EXPECT_EQ(model->index(1, 0).data(Qt::CheckStateRole), Qt::Unchecked);
    EXPECT_EQ(model->index(0, 3).data().toString(), "Ethernet");
    EXPECT_EQ(model->index(1, 3).data().toString(), "Comm Port");
    EXPECT_EQ(model->index(2, 3).data().toString(), "USB Bağlantısı");
    EXPECT_TRUE(model->flags(model->index(0, 0)) & Qt::ItemIsUserCheckable);
    for (int column = 1; column < model->columnCount(); ++column)
        EXPECT_FALSE(model->flags(model->index(0, column)) &
                     (Qt::ItemIsEditable | Qt::ItemIsUserCheckable));

    auto* transfer = find<QTableView>("CihazAktarimGrid");
    QStringList transferVisible;
    for (int column = 0; column < transfer->model()->columnCount(); ++column)
        if (!transfer->isColumnHidden(column))
            transferVisible << transfer->model()->headerData(column, Qt::Horizontal).toString();
    EXPECT_EQ(transferVisible, QStringList({"Cihaz Adı", "Transfer Durumu", "Aciklama"}));
    EXPECT_FALSE(transfer->model()->flags(transfer->model()->index(0, 0)) &
                 Qt::ItemIsUserCheckable);
}

TEST_F(MainWindowTest, TickingSecMakesTheRowCurrentAndRewritesTheList) {
    m_folder.write("Cihazlar.Dat", kThreeDevices);
    start();
    auto* grid = find<QTableView>("CihazGrid");
    QAbstractItemModel* model = grid->model();

    ASSERT_TRUE(model->setData(model->index(2, 0), Qt::Unchecked, Qt::CheckStateRole));
    EXPECT_TRUE(m_boxes.shown().empty());
    EXPECT_EQ(m_data.CihazTable.currentRow(), 2);
    EXPECT_EQ(grid->currentIndex().row(), 2);
    EXPECT_EQ(model->index(2, 0).data(Qt::CheckStateRole), Qt::Unchecked);
    // Status and progress are written as they stand: reset at start-up.
    EXPECT_EQ(m_folder.read("Cihazlar.Dat"),
              kDeviceHeader + "1\tKap\xFD A\t1\t1\t10.0.0.5\t\t5005\t1\t\t\t0\t\t0\r\n" +
                  "2\tYemekhane\t2\t2\t\t\t3\t0\t\t\t0\t\t0\r\n" +
                  "3\tDepo\t3\t3\t\t\t\t0\t\t\t0\t\t0\r\n");

    ASSERT_TRUE(model->setData(model->index(1, 0), Qt::Checked, Qt::CheckStateRole));
    EXPECT_EQ(m_data.CihazTable.currentRow(), 1);
    EXPECT_EQ(m_folder.read("Cihazlar.Dat"),
              kDeviceHeader + "1\tKap\xFD A\t1\t1\t10.0.0.5\t\t5005\t1\t\t\t0\t\t0\r\n" +
                  "2\tYemekhane\t2\t2\t\t\t3\t1\t\t\t0\t\t0\r\n" +
                  "3\tDepo\t3\t3\t\t\t\t0\t\t\t0\t\t0\r\n");
}

TEST_F(MainWindowTest, AClickOnTheSecBoxOfAnotherRowMarksThatRow) {
    m_folder.write("Cihazlar.Dat", kThreeDevices);
    start();
    find<QTabWidget>("Sayfalar")->setCurrentIndex(1);
    auto* grid = find<QTableView>("CihazGrid");
    const QModelIndex cell = grid->model()->index(1, 0);
    QStyleOptionViewItem option;
    option.initFrom(grid);
    option.rect = grid->visualRect(cell);
    option.features |= QStyleOptionViewItem::HasCheckIndicator;
    const QRect box =
        grid->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, grid);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, box.center());
    EXPECT_TRUE(m_boxes.shown().empty());
    EXPECT_EQ(m_data.CihazTable.currentRow(), 1);
    EXPECT_EQ(cell.data(Qt::CheckStateRole), Qt::Checked);
    EXPECT_EQ(m_folder.read("Cihazlar.Dat"),
              kDeviceHeader + "1\tKap\xFD A\t1\t1\t10.0.0.5\t\t5005\t1\t\t\t0\t\t0\r\n" +
                  "2\tYemekhane\t2\t2\t\t\t3\t1\t\t\t0\t\t0\r\n" +
                  "3\tDepo\t3\t3\t\t\t\t1\t\t\t0\t\t0\r\n");
}

TEST_F(MainWindowTest, AFailedSaveOfTheMarkIsShownAndLeavesTheFile) {
    m_folder.write("Cihazlar.Dat", kThreeDevices);
    start();
    QAbstractItemModel* model = find<QTableView>("CihazGrid")->model();
    {
        FailingWrites failing;
        model->setData(model->index(0, 0), Qt::Unchecked, Qt::CheckStateRole);
    }
    ASSERT_EQ(m_boxes.errors().size(), 1u);
    EXPECT_TRUE(m_boxes.errors()[0].startsWith(
        "Cannot create file \"" + QString::fromStdString(m_folder.file("Cihazlar.Dat")) + "\". "));
    EXPECT_EQ(m_folder.read("Cihazlar.Dat"), kThreeDevices);
    EXPECT_EQ(model->index(0, 0).data(Qt::CheckStateRole), Qt::Unchecked);
}

TEST_F(MainWindowTest, KapatClosesWithoutWritingAnything) {
    m_folder.write("Cihazlar.Dat", kThreeDevices);
    start();
    m_data.PersonelTable.append();
    m_data.PersonelTable.setInteger("PersonelNo", 5);
    m_data.PersonelTable.post();
    const auto before = snapshot(m_folder);
    QTest::mouseClick(button("KapatButon"), Qt::LeftButton);
    EXPECT_FALSE(m_form->isVisible());
    EXPECT_EQ(snapshot(m_folder), before);
    EXPECT_TRUE(m_boxes.shown().empty());
}

} // namespace
} // namespace nakilon
