#include "core/personnel/EnrollmentFile.h"

#include "core/base/Error.h"
#include "core/base/FileIoTesting.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace nakilon {
namespace {

using testsupport::TempFolder;

std::string repeated(std::string_view line, int times) {
    std::string text;
    for (int i = 0; i < times; ++i)
        text += line;
    return text;
}

// data[k] = k + 1
EnrollmentData counting() {
    EnrollmentData data{};
    for (size_t k = 0; k < data.size(); ++k)
        data[k] = static_cast<int32_t>(k + 1);
    return data;
}

class EnrollmentFileTest : public ::testing::Test {
protected:
    EnrollmentFileTest() { m_folder.write("Data\\.keep", ""); }
    TempFolder m_folder;
};

TEST_F(EnrollmentFileTest, NameIsTheUserAndSlotInTheDataFolder) {
    EXPECT_EQ(enrollmentFileName(m_folder.path(), 25, 3), m_folder.file("Data\\Parmak-25-3.Piz"));
}

TEST_F(EnrollmentFileTest, ZerosAreWrittenAs1062Bytes) {
    writeEnrollmentFile(m_folder.path(), 25, 3, EnrollmentData{});
    const std::string bytes = m_folder.read("Data\\Parmak-25-3.Piz");
    EXPECT_EQ(bytes.size(), 1062u);
    EXPECT_EQ(bytes, repeated("0\r\n", 354));
}

TEST_F(EnrollmentFileTest, ExtremeValuesAreWrittenInPlainDecimalAndReadBack) {
    EnrollmentData data{};
    data[0] = -1;
    data[1] = -2147483648;
    data[2] = 2147483647;
    data[3] = 10;
    data[353] = -7;
    writeEnrollmentFile(m_folder.path(), 1, 0, data);
    EXPECT_EQ(m_folder.read("Data\\Parmak-1-0.Piz"),
              "-1\r\n-2147483648\r\n2147483647\r\n10\r\n" + repeated("0\r\n", 349) + "-7\r\n");
    EXPECT_EQ(readEnrollmentFile(m_folder.path(), 1, 0), data);
}

TEST_F(EnrollmentFileTest, ALaterWriteReplacesTheFileWhole) {
    m_folder.write("Data\\Parmak-4-9.Piz", repeated("-2147483648\r\n", 400));
    writeEnrollmentFile(m_folder.path(), 4, 9, EnrollmentData{});
    EXPECT_EQ(m_folder.read("Data\\Parmak-4-9.Piz"), repeated("0\r\n", 354));
}

TEST_F(EnrollmentFileTest, MissingFileIsNoEnrollment) {
    EXPECT_EQ(readEnrollmentFile(m_folder.path(), 1, 0), std::nullopt);
}

TEST_F(EnrollmentFileTest, FailedWriteKeepsTheOldFileAndNamesTheFile) {
    m_folder.write("Data\\Parmak-2-1.Piz", "5\r\n");
    testing::setFileFailHook([](std::string_view operation) -> std::optional<int> {
        return operation == "write" ? std::optional<int>(ENOSPC) : std::nullopt;
    });
    try {
        writeEnrollmentFile(m_folder.path(), 2, 1, counting());
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.text(), "Cannot create file \"" + m_folder.file("Data\\Parmak-2-1.Piz") +
                                "\". " + std::strerror(ENOSPC));
    }
    testing::setFileFailHook({});
    EXPECT_EQ(m_folder.read("Data\\Parmak-2-1.Piz"), "5\r\n");
}

struct ReadCase {
    const char* name;
    std::string text;
    // Elements expected at the given indexes; every other element is 0.
    std::vector<std::pair<size_t, int32_t>> elements;
};

class EnrollmentReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(EnrollmentReadTest, ReadsAsTheFileRulesSay) {
    const ReadCase& c = GetParam();
    EnrollmentData expected{};
    for (const auto& [index, value] : c.elements)
        expected[index] = value;
    EXPECT_EQ(parseEnrollmentText(c.text), expected);
}

std::vector<std::pair<size_t, int32_t>> allOnes(size_t count) {
    std::vector<std::pair<size_t, int32_t>> elements;
    for (size_t k = 0; k < count; ++k)
        elements.emplace_back(k, 1);
    return elements;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EnrollmentReadTest,
    ::testing::Values(
        ReadCase{"ThreeHundredLinesEndInZeros", repeated("1\r\n", 300), allOnes(300)},
        ReadCase{"FourHundredLinesUseTheFirst354", repeated("1\r\n", 354) + repeated("9\r\n", 46),
                 allOnes(354)},
        ReadCase{"LfLineEnds", "5\n-6\n7\n", {{0, 5}, {1, -6}, {2, 7}}},
        ReadCase{"CrLineEnds", "5\r-6\r7", {{0, 5}, {1, -6}, {2, 7}}},
        ReadCase{"MixedLineEndsAndNoFinalEnd", "1\r\n2\n3\r4", {{0, 1}, {1, 2}, {2, 3}, {3, 4}}},
        ReadCase{"LettersGiveZero", "abc\r\n12\r\n9q\r\n3", {{1, 12}, {3, 3}}},
        ReadCase{"EmptyLinesGiveZero", "\r\n\r\n8\r\n", {{2, 8}}},
        ReadCase{"OutsideThirtyTwoBitsGivesZero",
                 "2147483648\r\n-2147483649\r\n2147483647\r\n-2147483648\r\n",
                 {{2, 2147483647}, {3, -2147483648}}},
        ReadCase{"SpacesBeforeTheNumberOnly", " 12\r\n12 \r\n+4\r\n1.5\r\n", {{0, 12}, {2, 4}}},
        ReadCase{"HexadecimalAsTheSystemReadsIt", "$1F\r\n0x10\r\n", {{0, 31}, {1, 16}}},
        ReadCase{"EmptyFile", "", {}}),
    [](const auto& test) { return std::string(test.param.name); });

} // namespace
} // namespace nakilon
