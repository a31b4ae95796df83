#include "core/settings/SettingsFile.h"

#include "support/FailingFileOperation.h"
#include "support/TempFolder.h"
#include "support/ThrownText.h"

#include <gtest/gtest.h>

using namespace nakilon;
using nakilon::testsupport::TempFolder;

namespace {

class SettingsFileTest : public ::testing::Test {
protected:
    TempFolder m_folder;
    SettingsFile m_file{m_folder.file("Ayarlar.ini")};

    void given(std::string_view content) { m_folder.write("Ayarlar.ini", content); }
    std::string content() const { return m_folder.read("Ayarlar.ini"); }
};

} // namespace

TEST_F(SettingsFileTest, MissingFileSectionOrKeyGivesTheDefault) {
    EXPECT_EQ(m_file.readString("Ayarlar", "GirisSTR", "1"), "1");
    EXPECT_EQ(m_file.readInteger("Ayarlar", "AktarimdanSonraSil", 1), 1);
    given("[Diger]\r\nGirisSTR=5\r\n");
    EXPECT_EQ(m_file.readString("Ayarlar", "GirisSTR", "1"), "1");
    given("[Ayarlar]\r\nCikisSTR=5\r\n");
    EXPECT_EQ(m_file.readString("Ayarlar", "GirisSTR", "1"), "1");
}

TEST_F(SettingsFileTest, ValuesAreTrimmedUnquotedAndMatchedWithoutCase) {
    given("; comment\r\n[ayarlar]\r\n  girisstr =  G 1  \r\nCikisSTR=\"  0 \"\r\n"
          "Bos=\r\nTek='x'\r\nYarim=\"x\r\n");
    EXPECT_EQ(m_file.readString("Ayarlar", "GirisSTR", "1"), "G 1");
    EXPECT_EQ(m_file.readString("AYARLAR", "cikisstr", "0"), "  0 ");
    EXPECT_EQ(m_file.readString("Ayarlar", "Bos", "d"), "");
    EXPECT_EQ(m_file.readString("Ayarlar", "Tek", "d"), "x");
    EXPECT_EQ(m_file.readString("Ayarlar", "Yarim", "d"), "\"x");
}

TEST_F(SettingsFileTest, LongValuesAreCutAt2047Characters) {
    given("[Ayarlar]\r\nKayitDosyasi=" + std::string(3000, 'a') + "\r\n");
    EXPECT_EQ(m_file.readString("Ayarlar", "KayitDosyasi", ""), std::string(2047, 'a'));
}

TEST_F(SettingsFileTest, IntegersInDecimalOrHexOtherwiseTheDefault) {
    given("[Ayarlar]\nA=0x0\nB=abc\nC=$1F\nD=-3\nE=\nF=99999999999\nG= 12 \n");
    EXPECT_EQ(m_file.readInteger("Ayarlar", "A", 1), 0);
    EXPECT_EQ(m_file.readInteger("Ayarlar", "B", 1), 1);
    EXPECT_EQ(m_file.readInteger("Ayarlar", "C", 1), 31);
    EXPECT_EQ(m_file.readInteger("Ayarlar", "D", 1), -3);
    EXPECT_EQ(m_file.readInteger("Ayarlar", "E", 7), 7);
    EXPECT_EQ(m_file.readInteger("Ayarlar", "F", 7), 7);
    EXPECT_EQ(m_file.readInteger("Ayarlar", "G", 7), 12);
}

TEST_F(SettingsFileTest, WritingCreatesFileSectionAndKey) {
    m_file.writeString("Ayarlar", "KayitDosyasi", "C:\\Nakilon\\Hareketler.txt");
    EXPECT_EQ(content(), "[Ayarlar]\r\nKayitDosyasi=C:\\Nakilon\\Hareketler.txt\r\n");
    m_file.writeInteger("Ayarlar", "AktarimdanSonraSil", 1);
    EXPECT_EQ(content(), "[Ayarlar]\r\nKayitDosyasi=C:\\Nakilon\\Hareketler.txt\r\n"
                         "AktarimdanSonraSil=1\r\n");
}

TEST_F(SettingsFileTest, WritingReplacesInPlaceAndKeepsEveryOtherLine) {
    given("; kept\r\n[Ayarlar]\r\n  kayitdosyasi = eski \r\nGirisSTR=1\r\n\r\n[Diger]\r\nX=1\r\n");
    m_file.writeString("Ayarlar", "KayitDosyasi", " yeni ");
    EXPECT_EQ(
        content(),
        "; kept\r\n[Ayarlar]\r\n  kayitdosyasi= yeni \r\nGirisSTR=1\r\n\r\n[Diger]\r\nX=1\r\n");
    m_file.writeInteger("AYARLAR", "AktarimdanSonraSil", 0);
    EXPECT_EQ(content(), "; kept\r\n[Ayarlar]\r\n  kayitdosyasi= yeni \r\nGirisSTR=1\r\n"
                         "AktarimdanSonraSil=0\r\n\r\n[Diger]\r\nX=1\r\n");
}

TEST_F(SettingsFileTest, NewSectionGoesAtTheEndInTheFilesOwnLineBreaks) {
    given("[Diger]\nX=1");
    m_file.writeString("Ayarlar", "GirisSTR", "G");
    EXPECT_EQ(content(), "[Diger]\nX=1\n[Ayarlar]\nGirisSTR=G\n");
}

TEST_F(SettingsFileTest, AFailedWriteKeepsTheFileAndNamesIt) {
    given("[Ayarlar]\r\nGirisSTR=1\r\n");
    {
        const testsupport::FailingFileOperation failing("rename");
        EXPECT_EQ(testsupport::thrownText([&] { m_file.writeString("Ayarlar", "GirisSTR", "2"); }),
                  "Unable to write to " + m_folder.file("Ayarlar.ini"));
    }
    EXPECT_EQ(content(), "[Ayarlar]\r\nGirisSTR=1\r\n");
}

TEST_F(SettingsFileTest, KaydetIgnoresBlankSectionOrKeyAndWritesValuesUntrimmed) {
    KaydetSTR(m_file, " ", "KayitDosyasi", "x");
    KaydetSTR(m_file, "Ayarlar", "  ", "x");
    KaydetInt(m_file, "", "AktarimdanSonraSil", 1);
    EXPECT_FALSE(m_folder.exists("Ayarlar.ini"));
    KaydetSTR(m_file, "Ayarlar", "KayitDosyasi", "  a b  ");
    KaydetInt(m_file, "Ayarlar", "AktarimdanSonraSil", -1);
    EXPECT_EQ(content(), "[Ayarlar]\r\nKayitDosyasi=  a b  \r\nAktarimdanSonraSil=-1\r\n");
}
