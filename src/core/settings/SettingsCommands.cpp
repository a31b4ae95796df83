#include "core/settings/SettingsCommands.h"

#include "core/base/CodePage1254.h"
#include "core/base/Error.h"
#include "core/base/FileIo.h"
#include "core/base/Text.h"
#include "core/settings/ProgramValues.h"
#include "core/settings/SettingsFile.h"

namespace nakilon {

namespace {

SettingsFile settingsOf(const ProgramValues& values) {
    return SettingsFile(programFile(values.programFolder, "Ayarlar.ini"));
}

} // namespace

void saveOutputFileName(ProgramValues& values, const std::string& name) {
    values.outputFileName = name;
    const SettingsFile settings = settingsOf(values);
    // The settings file holds code page 1254; a name it cannot hold would
    // come back as another name at the next start.
    // A CR or LF would split the settings line.
    const auto bytes = utf8ToCp1254(name);
    if (!bytes || !isStorableText(name))
        throw Error(formatText("Unable to write to %s", settings.fileName().c_str()));
    KaydetSTR(settings, "Ayarlar", "KayitDosyasi", *bytes);
}

void saveKayitSil(const ProgramValues& values, bool checked) {
    KaydetInt(settingsOf(values), "Ayarlar", "AktarimdanSonraSil", checked ? 1 : 0);
}

} // namespace nakilon
