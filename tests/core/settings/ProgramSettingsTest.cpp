#include "core/settings/ProgramSettings.h"

#include "core/base/Error.h"
#include "core/settings/ProgramValues.h"
#include "support/RecordingStartUpView.h"
#include "support/RowName.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>

namespace nakilon {
namespace {

using testsupport::TempFolder;

// "<folder>" in a case stands for the program folder.
struct StartUpCase {
    std::string name;
    std::optional<std::string> before; // Ayarlar.ini; nullopt: no file
    bool boxBefore;
    std::string after;
    std::string outputFileName; // UTF-8
    std::string entryText;
    std::string exitText;
    bool boxAfter;
    friend void PrintTo(const StartUpCase& row, std::ostream* out) { *out << row.name; }
};

std::string withFolder(std::string text, const std::string& folder) {
    for (size_t at = text.find("<folder>"); at != std::string::npos; at = text.find("<folder>"))
        text.replace(at, 8, folder);
    return text;
}

const StartUpCase kStartUpCases[] = {
    {"NoFile", std::nullopt, false,
     "[Ayarlar]\r\nKayitDosyasi=<folder>Hareketler.txt\r\nAktarimdanSonraSil=1\r\n",
     "<folder>Hareketler.txt", "1", "0", true},
    // An empty output file name takes the default, written back in
    // place; 0x0 is false, so the box keeps its state and the key stays.
    {"EdgeCases",
     "[ayarlar]\r\nKayitDosyasi=\r\nGirisSTR=ABCDEFGH\r\nCikisSTR=\r\n"
     "AktarimdanSonraSil=0x0\r\n",
     false,
     "[ayarlar]\r\nKayitDosyasi=<folder>Hareketler.txt\r\nGirisSTR=ABCDEFGH\r\nCikisSTR=\r\n"
     "AktarimdanSonraSil=0x0\r\n",
     "<folder>Hareketler.txt", "ABCDEFG", "", false},
    {"NoNumberIsTrue",
     "[Ayarlar]\r\nKayitDosyasi=C:\\Veri\\Kay\xFDt.txt\r\nAktarimdanSonraSil=abc\r\n", false,
     "[Ayarlar]\r\nKayitDosyasi=C:\\Veri\\Kay\xFDt.txt\r\nAktarimdanSonraSil=1\r\n",
     "C:\\Veri\\Kayıt.txt", "1", "0", true},
    {"BoxAlreadyAsStored", "[Ayarlar]\r\nKayitDosyasi=x.txt\r\n", true,
     "[Ayarlar]\r\nKayitDosyasi=x.txt\r\n", "x.txt", "1", "0", true},
};

class ReadStartUpSettings : public ::testing::TestWithParam<StartUpCase> {};

TEST_P(ReadStartUpSettings, ReadsDefaultsAndEdgeCasesAsStoredAndWritesOnlyWhatChanged) {
    const StartUpCase& c = GetParam();
    TempFolder folder;
    if (c.before)
        folder.write("Ayarlar.ini", *c.before);
    ProgramValues values;
    values.programFolder = folder.path();
    testsupport::RecordingStartUpView view;
    view.checked = c.boxBefore;
    readStartUpSettings(values, view);
    EXPECT_EQ(folder.read("Ayarlar.ini"), withFolder(c.after, folder.path()));
    EXPECT_EQ(values.outputFileName, withFolder(c.outputFileName, folder.path()));
    EXPECT_EQ(view.outputFileName, values.outputFileName);
    EXPECT_EQ(values.entryText, c.entryText);
    EXPECT_EQ(values.exitText, c.exitText);
    EXPECT_EQ(view.checked, c.boxAfter);
}

INSTANTIATE_TEST_SUITE_P(ProgramSettings, ReadStartUpSettings, ::testing::ValuesIn(kStartUpCases),
                         testsupport::RowName());

TEST(SaveOutputFileName, ANameTheFileCannotHoldIsNotWritten) {
    TempFolder folder;
    folder.write("Ayarlar.ini", "[Ayarlar]\r\nKayitDosyasi=eski.txt\r\n");
    ProgramValues values;
    values.programFolder = folder.path();
    for (const char* name : {"C:\\\xCE\xA9.txt", "a\nb.txt"}) {
        try {
            saveOutputFileName(values, name);
            ADD_FAILURE() << name;
        } catch (const Error& error) {
            EXPECT_EQ(error.text(), "Unable to write to " + folder.file("Ayarlar.ini"));
        }
        EXPECT_EQ(values.outputFileName, name);
    }
    EXPECT_EQ(folder.read("Ayarlar.ini"), "[Ayarlar]\r\nKayitDosyasi=eski.txt\r\n");
    saveOutputFileName(values, "C:\\Kayıt.txt");
    EXPECT_EQ(folder.read("Ayarlar.ini"), "[Ayarlar]\r\nKayitDosyasi=C:\\Kay\xFDt.txt\r\n");
}

} // namespace
} // namespace nakilon
