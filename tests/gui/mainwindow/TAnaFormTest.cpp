#include "gui/mainwindow/TAnaForm.h"
#include "gui/personnel/TPersonelForm.h"
#include "gui/widgets/EmptyDateEdit.h"
#include "support/DeviceListFile.h"
#include "support/FailingFileOperation.h"
#include "support/MainWindowFixture.h"
#include "support/RowName.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace nakilon {
namespace {

using testsupport::FailingFileOperation;
using testsupport::TempFolder;

const std::string& kDeviceHeader = testsupport::kDeviceListHeader;

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

// The window's part of start-up and of its tabs; the rules of start-up itself
// are tested headless (tests/core/startup, tests/core/settings).
class MainWindowTest : public testsupport::MainWindowFixture {
protected:
    QString adres() const { return find<QLineEdit>("AdresEdit")->text(); }
    std::string ini() const { return m_folder.read("Ayarlar.ini"); }
    QString iniName() const { return QString::fromStdString(m_folder.file("Ayarlar.ini")); }
};

// --- start-up --------------------------------------------------------------

TEST_F(MainWindowTest, FirstStartShowsWhatTheCreationStepProduced) {
    EXPECT_TRUE(start());
    EXPECT_TRUE(m_boxes.shown().empty());
    // The box starts unchecked, so reading the settings wrote its key.
    EXPECT_EQ(ini(), "[Ayarlar]\r\nKayitDosyasi=" + m_folder.path() +
                         "Hareketler.txt\r\nAktarimdanSonraSil=1\r\n");
    EXPECT_EQ(adres(), QString::fromStdString(m_folder.path() + "Hareketler.txt"));
    EXPECT_TRUE(find<QCheckBox>("KayitSilbox")->isChecked());
    EXPECT_TRUE(find<QCheckBox>("KayitSilbox")->isHidden());

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

TEST_F(MainWindowTest, TheSettingsTabShowsTheStoredSettings) {
    m_folder.write("Ayarlar.ini",
                   "[Ayarlar]\r\nKayitDosyasi=C:\\Veri\\Kay\xFDt.txt\r\nAktarimdanSonraSil=0\r\n");
    EXPECT_TRUE(start());
    EXPECT_EQ(adres(), "C:\\Veri\\Kayıt.txt");
    EXPECT_FALSE(find<QCheckBox>("KayitSilbox")->isChecked());
    EXPECT_FALSE(button("AdresKaydetButon")->isEnabled());
}

TEST_F(MainWindowTest, TheGridsShowTheDeviceListFromItsFirstRow) {
    m_folder.write("Cihazlar.Dat", kThreeDevices);
    EXPECT_TRUE(start());
    EXPECT_TRUE(m_boxes.shown().empty());
    auto* grid = find<QTableView>("CihazAktarimGrid");
    EXPECT_EQ(grid->model()->rowCount(), 3);
    EXPECT_EQ(grid->currentIndex().row(), 0);
    EXPECT_EQ(grid->model()->index(0, 2).data().toString(), "Kapı A");
}

TEST_F(MainWindowTest, AnErrorOfTheCreationStepIsShownAndTheWindowOpens) {
    m_folder.write("Cihazlar.Dat", kThreeDevices);
    m_folder.write("Data", "not a folder");
    EXPECT_FALSE(start());
    ASSERT_EQ(m_boxes.errors().size(), 1u);
    EXPECT_EQ(m_boxes.errors()[0], "Data klasörü oluşturulamıyor.");
    EXPECT_EQ(m_boxes.shown()[0].title, "Nakilon");
    EXPECT_TRUE(m_form->isVisible());
    EXPECT_FALSE(button("AdresKaydetButon")->isEnabled());
}

// --- settings tab ------------------------------------------------------------

TEST_F(MainWindowTest, KaydetIsEnabledByAnEditAndDisabledBySaving) {
    ASSERT_TRUE(start());
    QPushButton* kaydet = button("AdresKaydetButon");
    auto* edit = find<QLineEdit>("AdresEdit");
    EXPECT_FALSE(kaydet->isEnabled());

    edit->setText("/veri/cikis.txt");
    EXPECT_TRUE(kaydet->isEnabled());
    // Typing alone changes nothing the transfer uses.
    EXPECT_EQ(m_values.outputFileName, m_folder.path() + "Hareketler.txt");
    click("AdresKaydetButon");
    EXPECT_FALSE(kaydet->isEnabled());
    EXPECT_EQ(m_values.outputFileName, "/veri/cikis.txt");
    EXPECT_EQ(ini(), "[Ayarlar]\r\nKayitDosyasi=/veri/cikis.txt\r\nAktarimdanSonraSil=1\r\n");

    // An empty edit saves nothing and the button stays as it is.
    edit->clear();
    EXPECT_TRUE(kaydet->isEnabled());
    click("AdresKaydetButon");
    EXPECT_TRUE(kaydet->isEnabled());
    EXPECT_EQ(ini(), "[Ayarlar]\r\nKayitDosyasi=/veri/cikis.txt\r\nAktarimdanSonraSil=1\r\n");

    // Blanks count as text and are written as they are.
    edit->setText("  ");
    click("AdresKaydetButon");
    EXPECT_EQ(ini(), "[Ayarlar]\r\nKayitDosyasi=  \r\nAktarimdanSonraSil=1\r\n");
    EXPECT_TRUE(m_boxes.shown().empty());
}

TEST_F(MainWindowTest, AFailedKaydetKeepsTheButtonEnabledAndTheFileAsItWas) {
    ASSERT_TRUE(start());
    const std::string before = ini();
    find<QLineEdit>("AdresEdit")->setText("/veri/yeni.txt");
    {
        FailingFileOperation failing("open");
        click("AdresKaydetButon");
    }
    ASSERT_EQ(m_boxes.errors().size(), 1u);
    EXPECT_EQ(m_boxes.errors()[0], "Unable to write to " + iniName() + ".");
    EXPECT_TRUE(button("AdresKaydetButon")->isEnabled());
    EXPECT_EQ(m_values.outputFileName, "/veri/yeni.txt");
    EXPECT_EQ(ini(), before);
}

TEST_F(MainWindowTest, DegistirStartsInTheProgramFolderAndSavesTheChosenName) {
    ASSERT_TRUE(start());
    m_boxes.chooseNextFile(QString());
    click("DegistirButon");
    ASSERT_EQ(m_boxes.dialogFolders().size(), 1u);
    EXPECT_EQ(m_boxes.dialogFolders()[0], QString::fromStdString(m_folder.path()));
    EXPECT_FALSE(button("AdresKaydetButon")->isEnabled());

    const std::string chosen = m_folder.path() + "Yeni dosya.txt";
    m_boxes.chooseNextFile(QString::fromStdString(chosen));
    click("DegistirButon");
    EXPECT_EQ(adres(), QString::fromStdString(chosen));
    EXPECT_EQ(m_values.outputFileName, chosen);
    EXPECT_EQ(ini(), "[Ayarlar]\r\nKayitDosyasi=" + chosen + "\r\nAktarimdanSonraSil=1\r\n");
    EXPECT_FALSE(m_folder.exists("Yeni dosya.txt"));
    // The dialog changed the edit, so "Kaydet" is on until pressed.
    EXPECT_TRUE(button("AdresKaydetButon")->isEnabled());
    click("AdresKaydetButon");
    EXPECT_FALSE(button("AdresKaydetButon")->isEnabled());
    EXPECT_EQ(ini(), "[Ayarlar]\r\nKayitDosyasi=" + chosen + "\r\nAktarimdanSonraSil=1\r\n");
}

TEST_F(MainWindowTest, YedekBoxShowsAndHidesTheDateRange) {
    ASSERT_TRUE(start());
    auto* yedek = find<QCheckBox>("YedekBox");
    auto* range = find<QGroupBox>("TarihSecimBox");
    EXPECT_FALSE(yedek->isChecked());
    find<QTabWidget>("Sayfalar")->setCurrentIndex(2);
    yedek->setChecked(true);
    EXPECT_FALSE(range->isHidden());
    // The box is the range's title: on its top edge, drawn over the frame.
    QTest::qWait(0);
    const QRect title = yedek->geometry();
    const QRect frame = range->geometry();
    EXPECT_TRUE(title.top() < frame.top() && title.bottom() > frame.top());
    EXPECT_TRUE(title.left() > frame.left() && title.right() < frame.right());
    const QObjectList siblings = range->parentWidget()->children();
    EXPECT_GT(siblings.indexOf(yedek), siblings.indexOf(range));
    yedek->setChecked(false);
    EXPECT_TRUE(range->isHidden());
    EXPECT_EQ(ini(), "[Ayarlar]\r\nKayitDosyasi=" + m_folder.path() +
                         "Hareketler.txt\r\nAktarimdanSonraSil=1\r\n");
}

TEST_F(MainWindowTest, KayitSilboxChangesAreStored) {
    ASSERT_TRUE(start());
    find<QCheckBox>("KayitSilbox")->setChecked(false);
    EXPECT_EQ(ini(), "[Ayarlar]\r\nKayitDosyasi=" + m_folder.path() +
                         "Hareketler.txt\r\nAktarimdanSonraSil=0\r\n");
}

// --- device grids -------------------------------------------------------------

TEST_F(MainWindowTest, BothDeviceGridsShareTheTablesCurrentRow) {
    m_folder.write("Cihazlar.Dat", kThreeDevices);
    ASSERT_TRUE(start());
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
    ASSERT_TRUE(start());
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
    ASSERT_TRUE(start());
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
    ASSERT_TRUE(start());
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
    ASSERT_TRUE(start());
    QAbstractItemModel* model = find<QTableView>("CihazGrid")->model();
    {
        FailingFileOperation failing("open");
        model->setData(model->index(0, 0), Qt::Unchecked, Qt::CheckStateRole);
    }
    ASSERT_EQ(m_boxes.errors().size(), 1u);
    EXPECT_TRUE(m_boxes.errors()[0].startsWith(
        "Cannot create file \"" + QString::fromStdString(m_folder.file("Cihazlar.Dat")) + "\". "));
    EXPECT_EQ(m_folder.read("Cihazlar.Dat"), kThreeDevices);
    EXPECT_EQ(model->index(0, 0).data(Qt::CheckStateRole), Qt::Unchecked);
}

// --- buttons of the device tab ---------------------------------------------------

// A button of the tab "Cihaz Ayarları" (Parts 4.1 and 7.1): the row below the
// grid it stands in, its place in that row from the left, and the size it has
// (none for the device list buttons, which share what the first row leaves).
struct DeviceButtonRow {
    const char* name;
    const char* button;
    const char* caption;
    int row;
    int place;
    QSize size;
    friend void PrintTo(const DeviceButtonRow& row, std::ostream* out) { *out << row.name; }
};

const DeviceButtonRow kDeviceButtons[] = {
    {"CihazEkle", "CihazEkleButon", "Cihaz Ekle", 0, 0, {}},
    {"Duzenle", "CihazDuzenleButon", "Düzenle", 0, 1, {}},
    {"Sil", "CihazSilButon", "Sil", 0, 2, {}},
    {"BaglantiTest", "TestButon", "Bağlantı Test", 0, 3, {137, 30}},
    {"CihazSifreSil", "YetkiliSilButon", "Cihaz Şifre Sil", 1, 0, {129, 30}},
    {"YedekleriSil", "YedekSilButon", "Yedekleri Sil", 1, 1, {137, 30}},
    {"TarihSaatAyarla", "ZamanAyarButon", "Tarih/Saat Ayarla", 1, 2, {169, 30}},
};

class DeviceTabButtons : public MainWindowTest,
                         public ::testing::WithParamInterface<DeviceButtonRow> {
protected:
    void SetUp() override {
        ASSERT_TRUE(start());
        find<QTabWidget>("Sayfalar")->setCurrentIndex(1);
        QTest::qWait(0);
    }
    // Where a control stands on the tab.
    QRect place(const char* name) const {
        QWidget* control = find<QWidget>(name);
        QWidget* tab = find<QWidget>("CihazGrid")->parentWidget();
        return control ? QRect(control->mapTo(tab, QPoint(0, 0)), control->size()) : QRect();
    }
};

TEST_P(DeviceTabButtons, StandsInItsRowBelowTheGridInOrderAndAtItsSize) {
    const DeviceButtonRow& row = GetParam();
    QPushButton* self = button(row.button);
    ASSERT_NE(self, nullptr);
    EXPECT_EQ(self->text(), QString::fromUtf8(row.caption));
    EXPECT_TRUE(self->isVisible());
    if (row.size.isValid()) {
        EXPECT_EQ(self->width(), row.size.width());
        EXPECT_EQ(self->height(), row.size.height());
    }
    const QRect here = place(row.button);
    EXPECT_GT(here.top(), place("CihazGrid").bottom());
    // Every other button is beside it in its own row, before or after it as
    // the order says, or wholly above or below it in the other row.
    for (const DeviceButtonRow& other : kDeviceButtons) {
        if (other.row == row.row && other.place == row.place)
            continue;
        const QRect there = place(other.button);
        if (other.row == row.row) {
            EXPECT_EQ(there.center().y(), here.center().y()) << other.name;
            if (other.place < row.place) {
                EXPECT_LT(there.right(), here.left()) << other.name;
            } else {
                EXPECT_GT(there.left(), here.right()) << other.name;
            }
        } else if (other.row < row.row) {
            EXPECT_LT(there.bottom(), here.top()) << other.name;
        } else {
            EXPECT_GT(there.top(), here.bottom()) << other.name;
        }
    }
    // The buttons fit the window of the size it opens at.
    EXPECT_EQ(m_form->size(), QSize(480, 453));
    EXPECT_TRUE(
        m_form->rect().contains(QRect(self->mapTo(m_form.get(), QPoint(0, 0)), self->size())));
}

INSTANTIATE_TEST_SUITE_P(MainWindow, DeviceTabButtons, ::testing::ValuesIn(kDeviceButtons),
                         testsupport::RowName());

TEST_F(MainWindowTest, PersonelKayitlariShowsThePersonnelListModally) {
    const std::string personnel = "PersonelNo\tKartNo\tYetki\tSifre\tIzinDurum\tSecim\r\n"
                                  "25\t\t1\t\t1\t1\r\n";
    m_folder.write("Data\\Personel.PDT", personnel);
    ASSERT_TRUE(start());
    QPushButton* personel = button("PersonelButon");
    EXPECT_EQ(personel->text(), "Personel Kayıtları");
    ASSERT_TRUE(personel->isEnabled());
    bool shown = false;
    int rows = 0;
    QTimer::singleShot(0, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        shown = modal == m_form->personelForm() && modal->windowTitle() == "Personel Kayıtları";
        rows = m_form->personelForm()->findChild<QTableView*>("PersonelGrid")->model()->rowCount();
        modal->close();
    });
    click("PersonelButon");
    EXPECT_TRUE(shown);
    EXPECT_EQ(rows, 1);
    EXPECT_FALSE(m_form->personelForm()->isVisible());
    // Closing the window saves nothing.
    EXPECT_EQ(m_folder.read("Data\\Personel.PDT"), personnel);
}

TEST_F(MainWindowTest, PersonnelCommandsChooseInTheSelectionDialogAndUseTheirOwnControl) {
    m_folder.write("Cihazlar.Dat", kThreeDevices);
    ASSERT_TRUE(start());
    m_personelDevice.terminals[1];
    QStringList captions;
    // The next modal dialog (the device selection) is answered by `button`.
    const auto answerWith = [&captions](const char* button) {
        QTimer::singleShot(0, [&captions, button] {
            QWidget* dialog = QApplication::activeModalWidget();
            ASSERT_NE(dialog, nullptr);
            captions << dialog->findChild<QPushButton*>("GonderButon")->text();
            dialog->findChild<QPushButton*>(button)->click();
        });
    };
    TPersonelForm* personel = m_form->personelForm();
    answerWith("cxButton1"); // İptal
    personel->findChild<QPushButton*>("AlButon")->click();
    answerWith("GonderButon");
    personel->findChild<QPushButton*>("GonderButon")->click();

    EXPECT_EQ(captions, QStringList({"Cihazdan Al", "Cihaza Gönder"}));
    EXPECT_TRUE(m_device.calls.empty());
    EXPECT_EQ(
        m_personelDevice.calls,
        std::vector<std::string>({"OpenNetworkLink(1,10.0.0.5,5005,0)", "SetDeviceActive(1,0)",
                                  "SetDeviceActive(1,1)", "CloseLink()"}));
}

TEST_F(MainWindowTest, KapatClosesWithoutWritingAnything) {
    m_folder.write("Cihazlar.Dat", kThreeDevices);
    ASSERT_TRUE(start());
    m_data.PersonelTable.append();
    m_data.PersonelTable.setInteger("PersonelNo", 5);
    m_data.PersonelTable.post();
    const auto before = snapshot(m_folder);
    click("KapatButon");
    EXPECT_FALSE(m_form->isVisible());
    EXPECT_EQ(snapshot(m_folder), before);
    EXPECT_TRUE(m_boxes.shown().empty());
}

} // namespace
} // namespace nakilon
