#include "core/startup/StartUp.h"

#include "core/base/CodePage1254.h"
#include "core/base/Error.h"
#include "core/base/FilePaths.h"
#include "core/base/FileRead.h"
#include "core/base/FilesAndFolders.h"
#include "core/base/SafeWrite.h"
#include "core/base/Text.h"
#include "core/settings/ProgramValues.h"
#include "core/tables/FieldNames.h"
#include "core/tables/TDataModul.h"

namespace nakilon {

const char* const kBannerCaption = "Nakilon - Terminal Hareketleri Aktarım Programı";

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

void loadDeviceList(const std::string& programFolder, RecordTable& devices) {
    devices.open();
    const std::string deviceFile = programFile(programFolder, TDataModul::kCihazFile);
    // A fresh folder has no device list yet; that is an empty list, so that
    // the program starts usable. A folder of that name still fails the load.
    if (fileExists(deviceFile) || folderExists(deviceFile))
        loadTable(devices, deviceFile);
}

void runCreationStep(const std::string& programFolder, TDataModul& data, ProgramValues& values,
                     StartUpView& view) {
    values.programFolder = programFolder;
    view.setCaption(kBannerCaption);
    readStartUpSettings(values, view);

    loadDeviceList(programFolder, data.CihazTable);
    resetTransferState(data.CihazTable);

    data.PersonelTable.open();
    const std::string dataFolder = programFile(programFolder, TDataModul::kDataFolder);
    if (!folderExists(dataFolder)) {
        try {
            createFolder(dataFolder);
        } catch (const Error&) {
            throw Error(std::string(TDataModul::kDataFolder) + " klasörü oluşturulamıyor");
        }
    }
    const std::string personelFile = programFile(programFolder, TDataModul::personelFile());
    if (!fileExists(personelFile))
        data.PersonelTable.saveToFile(personelFile);
    loadTable(data.PersonelTable, personelFile);
}

} // namespace nakilon
