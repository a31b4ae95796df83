#pragma once

#include <string>

namespace nakilon {

struct ProgramValues;

// "Kaydet" and "Değiştir" of the settings tab: the output file name (UTF-8)
// becomes `name` and is written under Ayarlar, KayitDosyasi. The name in
// memory has changed also when the write then fails (Error).
void saveOutputFileName(ProgramValues& values, const std::string& name);

// The box KayitSilbox changed: AktarimdanSonraSil takes 1 or 0.
void saveKayitSil(const ProgramValues& values, bool checked);

} // namespace nakilon
