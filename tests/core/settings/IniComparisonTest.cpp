// Windows only: the settings reader and writer against the system's own
// initialization-file functions on the same files. Where both should agree,
// the test asserts it; where the program keeps its own rule on purpose, the
// case asserts the program's result and prints what Windows gives beside it,
// so that every run lists the differences.

#include "core/settings/SettingsFile.h"

#include "core/base/Error.h"
#include "core/base/FilePaths.h"
#include "core/base/FileRead.h"
#include "core/base/SafeWrite.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <iostream>
#include <optional>
#include <string>

using namespace nakilon;
using nakilon::testsupport::TempFolder;

namespace {

enum class Windows {
    Same,   // Windows reads or writes exactly what the program does
    Differs // the program keeps its own rule; Windows' result is only shown
};

constexpr const char* kDefault = "DEF";
constexpr int32_t kIntDefault = 99;

// Each case gets a file of its own: Windows caches profile files by name.
std::string freshName(const TempFolder& folder, const char* prefix) {
    static int counter = 0;
    return folder.file(std::string(prefix) + std::to_string(counter++) + ".ini");
}

std::string windowsReadString(const std::string& file, const char* section, const char* key) {
    // The same buffer the reader allows: 2047 characters and the terminator.
    char buffer[2048] = {};
    GetPrivateProfileStringA(section, key, kDefault, buffer, sizeof buffer, file.c_str());
    return buffer;
}

int32_t windowsReadInteger(const std::string& file, const char* section, const char* key) {
    return static_cast<int32_t>(GetPrivateProfileIntA(section, key, kIntDefault, file.c_str()));
}

std::string visible(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

template <typename T> void report(const char* what, const T& program, const T& windows) {
    std::cout << "[ DIFFERS  ] " << what << ": program " << program << ", Windows " << windows
              << "\n";
}

struct ReadCase {
    const char* what;
    std::optional<std::string> content; // nullopt: no file at all
    const char* section;
    const char* key;
    std::string expected; // what the program reads
    Windows windows;
};

const ReadCase kReadCases[] = {
    {"plain value", "[Ayarlar]\r\nKayitDosyasi=C:\\Nakilon\\Hareketler.txt\r\n", "Ayarlar",
     "KayitDosyasi", "C:\\Nakilon\\Hareketler.txt", Windows::Same},
    {"missing file", std::nullopt, "Ayarlar", "K", kDefault, Windows::Same},
    {"missing section", "[Diger]\r\nK=1\r\n", "Ayarlar", "K", kDefault, Windows::Same},
    {"missing key", "[Ayarlar]\r\nA=1\r\n", "Ayarlar", "K", kDefault, Windows::Same},
    {"empty value", "[Ayarlar]\r\nK=\r\n", "Ayarlar", "K", "", Windows::Same},
    {"blank value", "[Ayarlar]\r\nK=   \r\n", "Ayarlar", "K", "", Windows::Same},
    {"blanks around key and value", "[Ayarlar]\r\n  K  =   v w   \r\n", "Ayarlar", "K", "v w",
     Windows::Same},
    {"tabs around key and value", "[Ayarlar]\r\n\tK\t=\tv\t\r\n", "Ayarlar", "K", "v",
     Windows::Same},
    {"double quotes", "[Ayarlar]\r\nK=\"quoted value\"\r\n", "Ayarlar", "K", "quoted value",
     Windows::Same},
    {"single quotes", "[Ayarlar]\r\nK='quoted value'\r\n", "Ayarlar", "K", "quoted value",
     Windows::Same},
    {"blanks inside quotes", "[Ayarlar]\r\nK=\" a \"\r\n", "Ayarlar", "K", " a ", Windows::Same},
    {"quotes after blanks", "[Ayarlar]\r\nK=  \"x\"  \r\n", "Ayarlar", "K", "x", Windows::Same},
    {"unmatched quote", "[Ayarlar]\r\nK=\"abc\r\n", "Ayarlar", "K", "\"abc", Windows::Same},
    {"quotes inside the value", "[Ayarlar]\r\nK=a\"b\"\r\n", "Ayarlar", "K", "a\"b\"",
     Windows::Same},
    {"equals sign inside the value", "[Ayarlar]\r\nK=a=b\r\n", "Ayarlar", "K", "a=b",
     Windows::Same},
    {"names without letter case", "[aYARLAR]\r\nkAYIT=1\r\n", "Ayarlar", "Kayit", "1",
     Windows::Same},
    {"section name with blanks", "[ Ayarlar ]\r\nK=2\r\n", "Ayarlar", "K", "2", Windows::Same},
    {"line without equals sign", "[Ayarlar]\r\nK\r\n", "Ayarlar", "K", kDefault, Windows::Same},
    {"comment line", "[Ayarlar]\r\n;K=1\r\n", "Ayarlar", "K", kDefault, Windows::Same},
    {"first of two equal keys", "[Ayarlar]\r\nK=1\r\nK=2\r\n", "Ayarlar", "K", "1", Windows::Same},
    {"key in a second section of the same name", "[Ayarlar]\r\nA=1\r\n[Ayarlar]\r\nK=2\r\n",
     "Ayarlar", "K", kDefault, Windows::Same},
    {"key before any section", "K=1\r\n[Ayarlar]\r\n", "Ayarlar", "K", kDefault, Windows::Same},
    {"LF line breaks", "[Ayarlar]\nK=1\n", "Ayarlar", "K", "1", Windows::Same},
    {"CR line breaks", "[Ayarlar]\rK=1\r", "Ayarlar", "K", "1", Windows::Same},
    {"last line without a line break", "[Ayarlar]\r\nK=1", "Ayarlar", "K", "1", Windows::Same},
    {"value longer than 2047 characters", "[Ayarlar]\r\nK=" + std::string(3000, 'a') + "\r\n",
     "Ayarlar", "K", std::string(2047, 'a'), Windows::Same},
    // Letter case of code page 1254 letters beyond ASCII follows the system's
    // code page on Windows; the program matches ASCII letters only.
    {"Turkish capital letter in a key name",
     "[Ayarlar]\r\n\xDE"
     "K=2\r\n",
     "Ayarlar",
     "\xFE"
     "K",
     kDefault, Windows::Differs},
};

struct IntegerCase {
    const char* what;
    const char* value; // nullptr: no such key
    int32_t expected;  // what the program reads
    Windows windows;
};

const IntegerCase kIntegerCases[] = {
    {"decimal", "12", 12, Windows::Same},
    {"blanks around", " 7 ", 7, Windows::Same},
    {"negative", "-5", -5, Windows::Same},
    {"plus sign", "+3", 3, Windows::Same},
    {"hexadecimal zero", "0x0", 0, Windows::Same},
    {"hexadecimal after 0x", "0x1F", 31, Windows::Same},
    {"negative hexadecimal", "-0x10", -16, Windows::Same},
    {"empty value", "", kIntDefault, Windows::Same},
    {"missing key", nullptr, kIntDefault, Windows::Same},
    {"hexadecimal after 0X", "0X10", 16, Windows::Differs},
    {"hexadecimal after $", "$1F", 31, Windows::Differs},
    {"no number", "abc", kIntDefault, Windows::Differs},
    {"digits followed by letters", "12abc", kIntDefault, Windows::Differs},
    {"beyond 32 bits", "4294967296", kIntDefault, Windows::Differs},
    {"just above the 32-bit range", "2147483648", kIntDefault, Windows::Differs},
};

struct WriteCase {
    const char* what;
    std::optional<std::string> content; // nullopt: no file yet
    const char* key;
    const char* value;
    std::string expected; // the file the program leaves
    Windows windows;
};

const WriteCase kWriteCases[] = {
    {"new file", std::nullopt, "KayitDosyasi", "C:\\x\\Hareketler.txt",
     "[Ayarlar]\r\nKayitDosyasi=C:\\x\\Hareketler.txt\r\n", Windows::Same},
    {"empty file", "", "K", "v", "[Ayarlar]\r\nK=v\r\n", Windows::Same},
    {"empty value", std::nullopt, "K", "", "[Ayarlar]\r\nK=\r\n", Windows::Same},
    {"value replaced in place", "[Ayarlar]\r\nA=1\r\nK=old\r\nB=2\r\n", "K", "new",
     "[Ayarlar]\r\nA=1\r\nK=new\r\nB=2\r\n", Windows::Same},
    {"key keeps its spelling", "[Ayarlar]\r\nkayitdosyasi=old\r\n", "KayitDosyasi", "new",
     "[Ayarlar]\r\nkayitdosyasi=new\r\n", Windows::Same},
    {"section matched without letter case", "[ayarlar]\r\nA=1\r\n", "K", "v",
     "[ayarlar]\r\nA=1\r\nK=v\r\n", Windows::Same},
    {"key added at the end of its section", "[Ayarlar]\r\nA=1\r\n[Diger]\r\nB=2\r\n", "K", "v",
     "[Ayarlar]\r\nA=1\r\nK=v\r\n[Diger]\r\nB=2\r\n", Windows::Same},
    {"new section at the end", "[Diger]\r\nB=2\r\n", "K", "v",
     "[Diger]\r\nB=2\r\n[Ayarlar]\r\nK=v\r\n", Windows::Same},
    {"new section after a last line without a break", "[Diger]\r\nB=2", "K", "v",
     "[Diger]\r\nB=2\r\n[Ayarlar]\r\nK=v\r\n", Windows::Same},
    {"value written as passed", std::nullopt, "K", "  spaced  ", "[Ayarlar]\r\nK=  spaced  \r\n",
     Windows::Differs},
    {"replaced line keeps its indentation", "[Ayarlar]\r\n  K = old \r\n", "K", "new",
     "[Ayarlar]\r\n  K=new\r\n", Windows::Differs},
    {"blank line before the next section stays", "[Ayarlar]\r\nA=1\r\n\r\n[Diger]\r\nB=2\r\n", "K",
     "v", "[Ayarlar]\r\nA=1\r\nK=v\r\n\r\n[Diger]\r\nB=2\r\n", Windows::Differs},
    {"other lines kept byte for byte", "; not\r\n[Ayarlar]\r\n;K=1\r\nA = 1 \r\n", "K", "v",
     "; not\r\n[Ayarlar]\r\n;K=1\r\nA = 1 \r\nK=v\r\n", Windows::Differs},
    {"LF line breaks kept", "[Ayarlar]\nA=1\n", "K", "v", "[Ayarlar]\nA=1\nK=v\n",
     Windows::Differs},
};

} // namespace

TEST(IniComparison, TextValues) {
    TempFolder folder;
    for (const ReadCase& c : kReadCases) {
        const std::string file = freshName(folder, "r");
        if (c.content)
            writeFileAtomic(file, *c.content);
        const std::string program = SettingsFile(file).readString(c.section, c.key, kDefault);
        const std::string windows = windowsReadString(file, c.section, c.key);
        EXPECT_EQ(program, c.expected) << c.what;
        if (c.windows == Windows::Same)
            EXPECT_EQ(windows, program) << c.what;
        else if (windows != program)
            report(c.what, "\"" + program + "\"", "\"" + windows + "\"");
    }
}

TEST(IniComparison, IntegerValues) {
    TempFolder folder;
    for (const IntegerCase& c : kIntegerCases) {
        const std::string file = freshName(folder, "i");
        writeFileAtomic(file, c.value ? std::string("[Ayarlar]\r\nK=") + c.value + "\r\n"
                                      : std::string("[Ayarlar]\r\nA=1\r\n"));
        const int32_t program = SettingsFile(file).readInteger("Ayarlar", "K", kIntDefault);
        const int32_t windows = windowsReadInteger(file, "Ayarlar", "K");
        EXPECT_EQ(program, c.expected) << c.what;
        if (c.windows == Windows::Same)
            EXPECT_EQ(windows, program) << c.what;
        else if (windows != program)
            report(c.what, program, windows);
    }
}

TEST(IniComparison, Writes) {
    TempFolder folder;
    for (const WriteCase& c : kWriteCases) {
        const std::string programFile = freshName(folder, "wp");
        const std::string windowsFile = freshName(folder, "ww");
        if (c.content) {
            writeFileAtomic(programFile, *c.content);
            writeFileAtomic(windowsFile, *c.content);
        }
        SettingsFile(programFile).writeString("Ayarlar", c.key, c.value);
        ASSERT_TRUE(WritePrivateProfileStringA("Ayarlar", c.key, c.value, windowsFile.c_str()))
            << c.what;
        const std::string program = readWholeFile(programFile);
        const std::string windows = readWholeFile(windowsFile);
        EXPECT_EQ(program, c.expected) << c.what;
        if (c.windows == Windows::Same)
            EXPECT_EQ(windows, program) << c.what;
        else if (windows != program)
            report(c.what, "\"" + visible(program) + "\"", "\"" + visible(windows) + "\"");

        // Each side reads the other's file as it reads its own.
        EXPECT_EQ(windowsReadString(programFile, "Ayarlar", c.key),
                  SettingsFile(programFile).readString("Ayarlar", c.key, kDefault))
            << c.what;
        EXPECT_EQ(SettingsFile(windowsFile).readString("Ayarlar", c.key, kDefault),
                  windowsReadString(windowsFile, "Ayarlar", c.key))
            << c.what;
    }
}

TEST(IniComparison, WriteIntoAMissingFolderFailsOnBothSides) {
    TempFolder folder;
    const std::string file = folder.file("Yok\\Ayarlar.ini");
    EXPECT_FALSE(WritePrivateProfileStringA("Ayarlar", "K", "v", file.c_str()));
    try {
        SettingsFile(file).writeString("Ayarlar", "K", "v");
        FAIL() << "the write into a missing folder succeeded";
    } catch (const Error& e) {
        EXPECT_EQ(e.text(), "Unable to write to " + file);
    }
}
