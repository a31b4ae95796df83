#include "core/base/CodePage1254.h"

#include <gtest/gtest.h>

using namespace nakilon;

TEST(CodePage1254, TurkishLettersHaveTheirBytes) {
    // ğ ı ş İ Ş Ğ ç ö ü Ç Ö Ü
    EXPECT_EQ(
        utf8ToCp1254("\xC4\x9F\xC4\xB1\xC5\x9F\xC4\xB0\xC5\x9E\xC4\x9E\xC3\xA7\xC3\xB6\xC3\xBC"
                     "\xC3\x87\xC3\x96\xC3\x9C"),
        std::string("\xF0\xFD\xFE\xDD\xDE\xD0\xE7\xF6\xFC\xC7\xD6\xDC"));
    EXPECT_EQ(cp1254ToUtf8("Ba\xF0lant\xFD kurulamad\xFD"),
              "Ba\xC4\x9Flant\xC4\xB1 kurulamad\xC4\xB1");
    EXPECT_EQ(cp1254ToUtf8("\x80"), "\xE2\x82\xAC"); // euro sign
}

TEST(CodePage1254, EveryByteSurvivesARoundTrip) {
    for (int b = 0; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        const std::optional<std::string> back = utf8ToCp1254(cp1254ToUtf8(byte));
        ASSERT_TRUE(back.has_value()) << b;
        EXPECT_EQ(*back, byte) << b;
    }
}

TEST(CodePage1254, UnassignedBytesDecodeToTheControlOfTheSameValue) {
    EXPECT_EQ(cp1254ToUtf8("\x81"), "\xC2\x81");
    EXPECT_EQ(cp1254ToUtf8("\x9E"), "\xC2\x9E");
    EXPECT_EQ(cp1254ToUtf8("\xD0"), "\xC4\x9E"); // not Latin-1's Eth
}

TEST(CodePage1254, CharactersOutsideTheCodePageAreRefused) {
    EXPECT_FALSE(utf8ToCp1254("\xD0\x96").has_value());         // Cyrillic Zhe
    EXPECT_FALSE(utf8ToCp1254("\xC3\xB0").has_value());         // eth: its byte holds ğ here
    EXPECT_FALSE(utf8ToCp1254("\xF0\x9F\x98\x80").has_value()); // emoji
    EXPECT_FALSE(utf8ToCp1254("\xC4").has_value());             // truncated sequence
    EXPECT_FALSE(utf8ToCp1254("\xC0\xAF").has_value());         // overlong
}

TEST(CodePage1254, StorableTextHasNoLineOrFieldBreaks) {
    EXPECT_TRUE(isStorableText("Kap\xC4\xB1 B"));
    EXPECT_FALSE(isStorableText("a\tb"));
    EXPECT_FALSE(isStorableText("a\rb"));
    EXPECT_FALSE(isStorableText("a\nb"));
    EXPECT_FALSE(isStorableText(std::string("a\0b", 3)));
    EXPECT_FALSE(isStorableText("\xE2\x98\x83")); // snowman
}
