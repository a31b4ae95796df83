#pragma once

#include <string>

namespace nakilon {

class SettingsFile;
class TDataModul;
struct ProgramValues;

// What the main window's creation step puts into the window.
class StartUpView {
public:
    virtual ~StartUpView() = default;

    virtual void setCaption(const std::string& utf8) = 0;
    // The output file name, into AdresEdit.
    virtual void showOutputFileName(const std::string& utf8) = 0;
    // The hidden box KayitSilbox. Setting it must not write the settings
    // file: the creation step writes the key itself when the state changes.
    virtual bool kayitSilChecked() const = 0;
    virtual void setKayitSilChecked(bool checked) = 0;
};

// The caption that replaces "Nakilon" once the window is being created.
extern const char* const kBannerCaption;

// Reads the settings at start-up, in their fixed order: the output file name
// (written back when it had to be defaulted), the state of KayitSilbox
// (written when it changes), the entry text and the exit text (7 bytes each).
// The unattended transfer reads them the same way.
void readStartUpSettings(const std::string& programFolder, const SettingsFile& settings,
                         ProgramValues& values, StartUpView& view);

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

// Copies a table file that could not be loaded to "<name>.bozuk" (or
// "<name>.bozuk2", ... when an older, different copy is there). Does nothing
// when the file cannot be read, the same bytes are already kept, or the copy
// cannot be written.
void preserveDamagedFile(const std::string& utf8Name);

} // namespace nakilon
