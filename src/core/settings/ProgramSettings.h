#pragma once

#include "core/settings/SettingsFile.h"

#include <string>
#include <string_view>

namespace nakilon {

struct ProgramValues;

// The program's settings in Ayarlar.ini: its name, section and keys, and every
// read and write of them, so that start-up, the settings tab and the
// unattended transfer treat them alike.
namespace settings {
inline constexpr std::string_view FileName = "Ayarlar.ini";
inline constexpr std::string_view Section = "Ayarlar";
inline constexpr std::string_view KayitDosyasi = "KayitDosyasi";
inline constexpr std::string_view AktarimdanSonraSil = "AktarimdanSonraSil";
inline constexpr std::string_view GirisSTR = "GirisSTR";
inline constexpr std::string_view CikisSTR = "CikisSTR";
// The entry and exit texts take this many bytes of their values.
inline constexpr std::size_t EntryExitLength = 7;
} // namespace settings

// The settings file of a program folder.
SettingsFile programSettingsFile(std::string_view programFolder);

// What reading the settings at start-up shows in the window.
class StartUpSettingsView {
public:
    virtual ~StartUpSettingsView() = default;
    // The output file name, into AdresEdit.
    virtual void showOutputFileName(const std::string& utf8) = 0;
    // The hidden box KayitSilbox. Setting it must not write the settings
    // file: reading the settings writes the key itself when the state changes.
    virtual bool kayitSilChecked() const = 0;
    virtual void setKayitSilChecked(bool checked) = 0;
};

// A view without a window: the box has a state and nothing shows.
class HeadlessSettingsView : public StartUpSettingsView {
public:
    void showOutputFileName(const std::string&) override {}
    bool kayitSilChecked() const override { return m_kayitSil; }
    void setKayitSilChecked(bool checked) override { m_kayitSil = checked; }

private:
    bool m_kayitSil = false;
};

// Reads the settings at start-up, in their fixed order: the output file name
// (written back when it had to be defaulted), the state of KayitSilbox
// (written when it changes), the entry text and the exit text (7 bytes each).
// `values.programFolder` must be set.
void readStartUpSettings(ProgramValues& values, StartUpSettingsView& view);

// "Kaydet" and "Değiştir" of the settings tab: the output file name (UTF-8)
// becomes `name` and is written under Ayarlar, KayitDosyasi. The name in
// memory has changed also when the write then fails (Error).
void saveOutputFileName(ProgramValues& values, const std::string& name);

// The box KayitSilbox changed: AktarimdanSonraSil takes 1 or 0.
void saveKayitSil(const ProgramValues& values, bool checked);

} // namespace nakilon
