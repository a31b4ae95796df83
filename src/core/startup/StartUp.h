#pragma once

#include "core/settings/ProgramSettings.h"

#include <string>

namespace nakilon {

class RecordTable;
class TDataModul;
struct ProgramValues;

// What the main window's creation step puts into the window: the caption, and
// what reading the settings shows.
class StartUpView : public StartUpSettingsView {
public:
    virtual void setCaption(const std::string& utf8) = 0;
};

// The caption that replaces "Nakilon" once the window is being created.
extern const char* const kBannerCaption;

// The main window's creation step: settings, device list, personnel list, in
// the program's fixed order. `programFolder` (UTF-8) ends in a separator.
//
// Throws Error at the first sub-step that fails; everything before it stays
// done, so the window opens as far as it was prepared.
//
// A device list file that does not exist is an empty list. A table file that
// fails to load is first copied beside itself ("Cihazlar.Dat.bozuk"), because
// the next save of the partly loaded list would replace it with less.
void runCreationStep(const std::string& programFolder, TDataModul& data, ProgramValues& values,
                     StartUpView& view);

// Opens the device list and loads Cihazlar.Dat of the program folder into it,
// as the creation step does: a file that does not exist is an empty list; a
// file that fails to load is first kept aside (preserveDamagedFile).
void loadDeviceList(const std::string& programFolder, RecordTable& devices);

// Copies a table file that could not be loaded to "<name>.bozuk" (or
// "<name>.bozuk2", ... when an older, different copy is there). Does nothing
// when the file cannot be read, the same bytes are already kept, or the copy
// cannot be written.
void preserveDamagedFile(const std::string& utf8Name);

} // namespace nakilon
