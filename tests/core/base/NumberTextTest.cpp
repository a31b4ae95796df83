// parseNumber's rules, row by row, and hexDigits.
#include "core/base/IntegerText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <ostream>

namespace nakilon {
namespace {

struct NumberRow {
    const char* name;
    const char* text;
    NumberForm form;
    std::optional<int32_t> value;
    NumberError error; // when there is no value
};

std::ostream& operator<<(std::ostream& out, const NumberRow& row) {
    return out << row.name;
}

constexpr NumberForm kDecimal{};
constexpr NumberForm kSigned{.minus = true};
constexpr NumberForm kHex{.base = 16};
constexpr NumberError kNoNumber = NumberError::NotANumber;
constexpr NumberError kOutOfRange = NumberError::OutOfRange;

const NumberRow kRows[] = {
    {"Digits", "42", kDecimal, 42, {}},
    {"LeadingZeros", "007", kDecimal, 7, {}},
    {"Largest", "2147483647", kDecimal, INT32_MAX, {}},
    {"Smallest", "-2147483648", kSigned, INT32_MIN, {}},
    {"MinusWhenTheFormAllowsIt", "-5", kSigned, -5, {}},
    {"MinusOtherwise", "-5", kDecimal, std::nullopt, kNoNumber},
    {"MinusAlone", "-", kSigned, std::nullopt, kNoNumber},
    {"Plus", "+5", kSigned, std::nullopt, kNoNumber},
    {"LeadingSpace", " 5", kDecimal, std::nullopt, kNoNumber},
    {"TrailingSpace", "5 ", kDecimal, std::nullopt, kNoNumber},
    {"Empty", "", kDecimal, std::nullopt, kNoNumber},
    {"DecimalPoint", "1.5", kDecimal, std::nullopt, kNoNumber},
    {"AboveTheType", "2147483648", kDecimal, std::nullopt, kOutOfRange},
    {"BelowTheType", "-2147483649", kSigned, std::nullopt, kOutOfRange},
    {"TooLongWithATail", "99999999999x", kDecimal, std::nullopt, kOutOfRange},
    {"HexDigitsOfEitherCase", "1aF", kHex, 0x1AF, {}},
    {"HexPrefix", "0x1a", kHex, std::nullopt, kNoNumber},
    {"HexDigitInDecimal", "1a", kDecimal, std::nullopt, kNoNumber},
};

class ParseNumber : public ::testing::TestWithParam<NumberRow> {};

TEST_P(ParseNumber, ReadsTheWholeTextOrSaysWhyNot) {
    const NumberRow& row = GetParam();
    // Set to what the row does not expect, so that a failing call must set it.
    NumberError error = row.error == kNoNumber ? kOutOfRange : kNoNumber;
    const std::optional<int32_t> value = parseNumber<int32_t>(row.text, row.form, &error);
    EXPECT_EQ(value, row.value);
    if (!row.value) {
        EXPECT_EQ(error, row.error);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, ParseNumber, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<NumberRow>& row) {
                             return std::string(row.param.name);
                         });

TEST(HexDigits, LowerCaseZeroPaddedAndCutToTheWidth) {
    EXPECT_EQ(hexDigits(0xABC, 4), "0abc");
    EXPECT_EQ(hexDigits(0x1234, 2), "34");
    EXPECT_EQ(hexDigits(UINT64_MAX, 16), "ffffffffffffffff");
}

} // namespace
} // namespace nakilon
