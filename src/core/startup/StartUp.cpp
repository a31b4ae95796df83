#include "core/startup/StartUp.h"

#include "core/base/CodePage1254.h"
#include "core/base/Error.h"
#include "core/base/FileIo.h"
#include "core/base/Text.h"
#include "core/settings/ProgramValues.h"
#include "core/settings/SettingsFile.h"
#include "core/tables/FieldNames.h"
#include "core/tables/TDataModul.h"

namespace nakilon {

const char* const kBannerCaption = "Nakilon - Terminal Hareketleri Aktarım Programı";

namespace {

constexpr std::string_view kSection = "Ayarlar";
constexpr std::size_t kEntryExitLength = 7;

// Settings hold code page 1254 bytes; a name the code page cannot hold could
// not be read back, so it is not written at all.
std::string settingsText(const SettingsFile& file, const std::string& utf8) {
    auto bytes = utf8ToCp1254(utf8);
    if (!bytes)
        throw Error(formatText("Unable to write to %s", file.fileName().c_str()));
    return *bytes;
}

} // namespace

void readStartUpSettings(const std::string& programFolder, const SettingsFile& settings,
                         ProgramValues& values, StartUpView& view) {
    const std::string stored = settings.readString(kSection, "KayitDosyasi", "");
    if (stored.empty()) {
        values.outputFileName = programFolder + "Hareketler.txt";
        KaydetSTR(settings, kSection, "KayitDosyasi",
                  settingsText(settings, values.outputFileName));
    } else {
        values.outputFileName = cp1254ToUtf8(stored);
    }
    view.showOutputFileName(values.outputFileName);

    const bool kayitSil = settings.readInteger(kSection, "AktarimdanSonraSil", 1) != 0;
    if (view.kayitSilChecked() != kayitSil) {
        view.setKayitSilChecked(kayitSil);
        KaydetInt(settings, kSection, "AktarimdanSonraSil", kayitSil ? 1 : 0);
    }

    values.entryText = settings.readString(kSection, "GirisSTR", "1").substr(0, kEntryExitLength);
    values.exitText = settings.readString(kSection, "CikisSTR", "0").substr(0, kEntryExitLength);
}

namespace {

void loadTable(RecordTable& table, const std::string& fileName) {
    try {
        table.loadFromFile(fileName);
    } catch (const Error&) {
        preserveDamagedFile(fileName);
        throw;
    }
}

// Progress and status are display state of one run of the program.
void resetTransferState(RecordTable& devices) {
    devices.suspendViews();
    try {
        for (devices.first(); !devices.eof(); devices.next()) {
            devices.edit();
            devices.setInteger(field::TransferDurumu, 0);
            devices.setText(field::Aciklama, "");
            devices.post();
        }
    } catch (...) {
        devices.resumeViews();
        throw;
    }
    devices.resumeViews();
    devices.first();
    devices.refresh();
}

} // namespace

void preserveDamagedFile(const std::string& utf8Name) {
    try {
        const std::string bytes = readWholeFile(utf8Name);
        for (int n = 1; n < 100; ++n) {
            const std::string copy = utf8Name + ".bozuk" + (n > 1 ? std::to_string(n) : "");
            if (!fileExists(copy) && !folderExists(copy)) {
                writeFileAtomic(copy, bytes);
                return;
            }
            if (fileExists(copy) && readWholeFile(copy) == bytes)
                return;
        }
    } catch (const Error&) {
        // The load's own error is what the operator must see.
    }
}

void runCreationStep(const std::string& programFolder, TDataModul& data, ProgramValues& values,
                     StartUpView& view) {
    values.programFolder = programFolder;
    const SettingsFile settings(programFile(programFolder, "Ayarlar.ini"));
    view.setCaption(kBannerCaption);
    readStartUpSettings(programFolder, settings, values, view);

    data.CihazTable.open();
    const std::string deviceFile = programFile(programFolder, TDataModul::kCihazFile);
    // A fresh folder has no device list yet; that is an empty list, so that
    // the program starts usable. A folder of that name still fails the load.
    if (fileExists(deviceFile) || folderExists(deviceFile))
        loadTable(data.CihazTable, deviceFile);
    resetTransferState(data.CihazTable);

    data.PersonelTable.open();
    const std::string dataFolder = programFile(programFolder, "Data");
    if (!folderExists(dataFolder)) {
        try {
            createFolder(dataFolder);
        } catch (const Error&) {
            throw Error("Data klasörü oluşturulamıyor");
        }
    }
    const std::string personelFile = programFile(programFolder, TDataModul::kPersonelFile);
    if (!fileExists(personelFile))
        data.PersonelTable.saveToFile(personelFile);
    loadTable(data.PersonelTable, personelFile);
}

} // namespace nakilon
