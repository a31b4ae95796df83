#include "core/settings/ProgramSettings.h"

#include "core/base/CodePage1254.h"
#include "core/base/Error.h"
#include "core/base/FilePaths.h"
#include "core/base/Text.h"
#include "core/settings/ProgramValues.h"

namespace nakilon {

namespace {

// The settings file holds code page 1254 bytes on single lines: a name the
// code page cannot hold would come back as another name at the next start, and
// a CR or LF would split the line. Such a value is not written at all.
std::string storableValue(const SettingsFile& file, const std::string& utf8) {
    const auto bytes = utf8ToCp1254(utf8);
    if (!bytes || !isStorableText(utf8))
        throw Error(formatText("Unable to write to %s", messageQuote(file.fileName()).c_str()));
    return *bytes;
}

} // namespace

SettingsFile programSettingsFile(std::string_view programFolder) {
    return SettingsFile(programFile(programFolder, settings::FileName));
}

void readStartUpSettings(ProgramValues& values, StartUpSettingsView& view) {
    using namespace settings;
    const SettingsFile file = programSettingsFile(values.programFolder);
    const std::string stored = file.readString(Section, KayitDosyasi, "");
    if (stored.empty()) {
        values.outputFileName = values.programFolder + "Hareketler.txt";
        KaydetSTR(file, Section, KayitDosyasi, storableValue(file, values.outputFileName));
    } else {
        values.outputFileName = cp1254ToUtf8(stored);
    }
    view.showOutputFileName(values.outputFileName);

    const bool kayitSil = file.readInteger(Section, AktarimdanSonraSil, 1) != 0;
    if (view.kayitSilChecked() != kayitSil) {
        view.setKayitSilChecked(kayitSil);
        KaydetInt(file, Section, AktarimdanSonraSil, kayitSil ? 1 : 0);
    }

    values.entryText = file.readString(Section, GirisSTR, "1").substr(0, EntryExitLength);
    values.exitText = file.readString(Section, CikisSTR, "0").substr(0, EntryExitLength);
}

void saveOutputFileName(ProgramValues& values, const std::string& name) {
    values.outputFileName = name;
    const SettingsFile file = programSettingsFile(values.programFolder);
    KaydetSTR(file, settings::Section, settings::KayitDosyasi, storableValue(file, name));
}

void saveKayitSil(const ProgramValues& values, bool checked) {
    KaydetInt(programSettingsFile(values.programFolder), settings::Section,
              settings::AktarimdanSonraSil, checked ? 1 : 0);
}

} // namespace nakilon
