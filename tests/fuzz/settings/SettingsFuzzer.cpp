// Any settings file: reading never fails, and a written value reads back as
// written while every other key keeps its value.
#include "core/base/SafeWrite.h"
#include "core/settings/SettingsFile.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

using namespace nakilon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string name = (std::filesystem::temp_directory_path() /
                                     ("settings-fuzz-" + std::to_string(getpid()) + ".ini"))
                                        .string();
    writeFileAtomic(name, std::string_view(reinterpret_cast<const char*>(data), size));
    const SettingsFile file(name);

    const std::string before = file.readString("Diger", "Anahtar", "<yok>");
    (void)file.readInteger("Ayarlar", "AktarimdanSonraSil", 1);
    (void)file.readString("Ayarlar", "GirisSTR", "1");

    file.writeString("Ayarlar", "KayitDosyasi", "C:\\Nakilon\\Hareketler.txt");
    if (file.readString("Ayarlar", "KayitDosyasi", "") != "C:\\Nakilon\\Hareketler.txt")
        std::abort();
    if (file.readString("Diger", "Anahtar", "<yok>") != before)
        std::abort();
    return 0;
}
