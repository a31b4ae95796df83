#include "core/startup/StartUp.h"
#include "core/base/Error.h"
#include "core/settings/ProgramValues.h"
#include "core/tables/TDataModul.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace nakilon {
namespace {

using testsupport::TempFolder;

class RecordingView : public StartUpView {
public:
    void setCaption(const std::string& utf8) override { caption = utf8; }
    void showOutputFileName(const std::string& utf8) override { outputFileName = utf8; }
    bool kayitSilChecked() const override { return checked; }
    void setKayitSilChecked(bool value) override { checked = value; }

    std::string caption;
    std::string outputFileName;
    bool checked = false;
};

TEST(StartUp, AMissingDeviceListIsAnEmptyListAndNothingIsWrittenForIt) {
    TempFolder folder;
    TDataModul data;
    ProgramValues values;
    RecordingView view;
    runCreationStep(folder.path(), data, values, view);
    EXPECT_EQ(view.caption, kBannerCaption);
    EXPECT_EQ(view.outputFileName, folder.path() + "Hareketler.txt");
    EXPECT_TRUE(view.checked);
    EXPECT_TRUE(data.CihazTable.isOpen());
    EXPECT_EQ(data.CihazTable.rowCount(), 0);
    EXPECT_FALSE(folder.exists("Cihazlar.Dat"));
    EXPECT_EQ(folder.read("Data\\Personel.PDT"),
              "PersonelNo\tKartNo\tYetki\tSifre\tIzinDurum\tSecim\r\n");
}

TEST(StartUp, ABoxAlreadyInTheStoredStateIsNotWritten) {
    TempFolder folder;
    folder.write("Ayarlar.ini", "[Ayarlar]\r\nKayitDosyasi=x.txt\r\n");
    TDataModul data;
    ProgramValues values;
    RecordingView view;
    view.checked = true;
    runCreationStep(folder.path(), data, values, view);
    EXPECT_EQ(folder.read("Ayarlar.ini"), "[Ayarlar]\r\nKayitDosyasi=x.txt\r\n");
    EXPECT_EQ(values.outputFileName, "x.txt");
}

TEST(StartUp, ADeviceListFolderFailsTheLoadInsteadOfCountingAsEmpty) {
    TempFolder folder;
    folder.write("Cihazlar.Dat\\inside", "");
    TDataModul data;
    ProgramValues values;
    RecordingView view;
    EXPECT_THROW(runCreationStep(folder.path(), data, values, view), Error);
    EXPECT_FALSE(data.PersonelTable.isOpen());
    EXPECT_FALSE(folder.exists("Data"));
}

TEST(PreserveDamagedFile, KeepsOneCopyOfEachDistinctContent) {
    TempFolder folder;
    const std::string name = folder.file("Cihazlar.Dat");
    folder.write("Cihazlar.Dat", "first");
    preserveDamagedFile(name);
    preserveDamagedFile(name);
    EXPECT_EQ(folder.read("Cihazlar.Dat.bozuk"), "first");
    EXPECT_FALSE(folder.exists("Cihazlar.Dat.bozuk2"));
    folder.write("Cihazlar.Dat", "second");
    preserveDamagedFile(name);
    EXPECT_EQ(folder.read("Cihazlar.Dat.bozuk"), "first");
    EXPECT_EQ(folder.read("Cihazlar.Dat.bozuk2"), "second");
    preserveDamagedFile(folder.file("Yok.Dat")); // nothing to keep, no error
    EXPECT_FALSE(folder.exists("Yok.Dat.bozuk"));
}

} // namespace
} // namespace nakilon
