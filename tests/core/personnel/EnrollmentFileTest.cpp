#include "core/personnel/EnrollmentFile.h"

#include "core/base/Error.h"
#include "support/FailingFileOperation.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

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

class EnrollmentFileTest : public ::testing::Test {
protected:
    EnrollmentFileTest() { m_folder.write("Data\\Parmak-4-9.Piz", repeated("7\r\n", 400)); }
    TempFolder m_folder;
};

TEST_F(EnrollmentFileTest, ZerosAre1062BytesAndALaterWriteReplacesTheFile) {
    writeEnrollmentFile(m_folder.path(), 4, 9, EnrollmentData{});
    EXPECT_EQ(m_folder.read("Data\\Parmak-4-9.Piz"), repeated("0\r\n", 354));
    EXPECT_EQ(m_folder.read("Data\\Parmak-4-9.Piz").size(), 1062u);
}

TEST_F(EnrollmentFileTest, ExtremeValuesAreWrittenInPlainDecimalAndReadBack) {
    EnrollmentData data{};
    data[0] = -1;
    data[1] = -2147483647 - 1;
    data[2] = 2147483647;
    data[3] = 10;
    data[353] = -7;
    writeEnrollmentFile(m_folder.path(), 25, 3, data);
    EXPECT_EQ(m_folder.read("Data\\Parmak-25-3.Piz"),
              "-1\r\n-2147483648\r\n2147483647\r\n10\r\n" + repeated("0\r\n", 349) + "-7\r\n");
    EXPECT_EQ(readEnrollmentFile(m_folder.path(), 25, 3), data);
    EXPECT_EQ(readEnrollmentFile(m_folder.path(), 25, 4), std::nullopt);
}

TEST_F(EnrollmentFileTest, FailedWriteNamesTheFileAndKeepsTheOldOne) {
    testsupport::FailingFileOperation full("write", ENOSPC);
    try {
        writeEnrollmentFile(m_folder.path(), 4, 9, EnrollmentData{});
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.text(), "Cannot create file \"" + m_folder.file("Data\\Parmak-4-9.Piz") +
                                "\". " + std::strerror(ENOSPC));
    }
    EXPECT_EQ(m_folder.read("Data\\Parmak-4-9.Piz"), repeated("7\r\n", 400));
}

TEST(EnrollmentText, ReadsLineByLineWithZerosForWhatIsNoNumber) {
    struct Case {
        std::string text;
        std::vector<std::pair<size_t, int32_t>> elements; // every other element 0
    };
    std::vector<std::pair<size_t, int32_t>> ones300, ones354;
    for (size_t k = 0; k < 354; ++k)
        (k < 300 ? ones300 : ones354).emplace_back(k, 1);
    ones354.insert(ones354.begin(), ones300.begin(), ones300.end());
    const Case cases[] = {
        {repeated("1\r\n", 300), ones300},
        {repeated("1\r\n", 354) + repeated("9\r\n", 46), ones354},
        {"5\n-6\n7\n", {{0, 5}, {1, -6}, {2, 7}}},
        {"5\r-6\r7", {{0, 5}, {1, -6}, {2, 7}}},
        {"1\r\n2\n3\r\r\n5", {{0, 1}, {1, 2}, {2, 3}, {4, 5}}},
        {"abc\r\n12\r\n9q\r\n\r\n3", {{1, 12}, {4, 3}}},
        {"2147483648\r\n-2147483649\r\n 12\r\n12 \r\n1.5\r\n+4", {{2, 12}, {5, 4}}},
        {"$1F\r\n0x10", {{0, 31}, {1, 16}}},
        {"", {}},
    };
    for (const Case& c : cases) {
        EnrollmentData expected{};
        for (const auto& [index, value] : c.elements)
            expected[index] = value;
        EXPECT_EQ(parseEnrollmentText(c.text), expected) << c.text.substr(0, 40);
    }
}

} // namespace
} // namespace nakilon
