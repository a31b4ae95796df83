#include "core/personnel/EnrollmentFile.h"

#include "core/base/Error.h"
#include "core/base/FilePaths.h"
#include "core/base/FileRead.h"
#include "support/FailingFileOperation.h"
#include "support/RowName.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <ostream>

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

// A group of four: Parmak-1-0 replaced, 1-1 and 3-0 new, 2-0 skipped (its
// download refused). The test seam fails one step; the row says which call
// of the group raises (0 to 3 the files handed over, 4 the commit) and what
// the folder holds afterwards.
constexpr int kNoCall = -2;
constexpr int kAnyCall = -1; // bytes are written behind the caller's back

// The disk is flushed by the commit; on Windows each file is flushed as it
// is written, on the writer's thread.
#ifdef _WIN32
constexpr int kFlushRaisedBy = kAnyCall;
#else
constexpr int kFlushRaisedBy = 4;
#endif

struct GroupStep {
    const char* name;
    const char* operation; // "" for none
    int call;
    int raisedBy;
    const char* failedFile;
    std::map<std::string, std::string> after;
};

void PrintTo(const GroupStep& step, std::ostream* out) {
    *out << step.name;
}

class EnrollmentFileGroupTest : public ::testing::TestWithParam<GroupStep> {};

EnrollmentData firstElement(int32_t value) {
    EnrollmentData data{};
    data[0] = value;
    return data;
}

// The files of "Data" with their bytes, temporary ones included.
std::map<std::string, std::string> dataFiles(const TempFolder& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(pathFromUtf8(folder.file("Data"))))
        files[pathToUtf8(entry.path().filename())] = readWholeFile(pathToUtf8(entry.path()));
    return files;
}

TEST_P(EnrollmentFileGroupTest, FilesChangeOnlyTogetherAndAFailureEndsTheGroup) {
    const GroupStep& c = GetParam();
    TempFolder folder;
    folder.write("Data\\Parmak-1-0.Piz", "7\r\n");
    folder.write("Data\\Parmak-2-0.Piz", "8\r\n");
    int raisedBy = kNoCall;
    try {
        std::optional<testsupport::FailingFileOperation> failing;
        if (*c.operation)
            failing.emplace(c.operation, ENOSPC, c.call);
        EnrollmentFileGroup group(folder.path(), {{1, 0}, {1, 1}, {2, 0}, {3, 0}});
        const auto step = [&](int call, const auto& action) {
            raisedBy = call;
            action();
        };
        step(0, [&] { group.write(0, firstElement(5)); });
        step(1, [&] { group.write(1, firstElement(-6)); });
        step(2, [&] { group.skip(2); });
        step(3, [&] { group.write(3, firstElement(0)); });
        step(4, [&] { group.commit(); });
        raisedBy = kNoCall;
    } catch (const Error& e) {
        EXPECT_EQ(e.text(), "Cannot create file \"" + folder.file(c.failedFile) + "\". " +
                                std::strerror(ENOSPC));
    }
    if (c.raisedBy == kAnyCall) {
        EXPECT_GE(raisedBy, 0);
    } else {
        EXPECT_EQ(raisedBy, c.raisedBy);
    }
    EXPECT_EQ(dataFiles(folder), c.after);
}

const std::string kZeros353 = repeated("0\r\n", 353);
const std::string kFive = "5\r\n" + kZeros353;

INSTANTIATE_TEST_SUITE_P(
    EnrollmentFile, EnrollmentFileGroupTest,
    ::testing::Values(GroupStep{"Written",
                                "",
                                0,
                                kNoCall,
                                "",
                                {{"Parmak-1-0.Piz", kFive},
                                 {"Parmak-1-1.Piz", "-6\r\n" + kZeros353},
                                 {"Parmak-2-0.Piz", "8\r\n"},
                                 {"Parmak-3-0.Piz", repeated("0\r\n", 354)}}},
                      // The second file cannot be made: its own hand-over says so, before
                      // the caller downloads any further enrollment.
                      GroupStep{"SecondFileNotCreated",
                                "open",
                                2,
                                1,
                                "Data\\Parmak-1-1.Piz",
                                {{"Parmak-1-0.Piz", "7\r\n"}, {"Parmak-2-0.Piz", "8\r\n"}}},
                      GroupStep{"FirstBytesNotWritten",
                                "append",
                                1,
                                kAnyCall,
                                "Data\\Parmak-1-0.Piz",
                                {{"Parmak-1-0.Piz", "7\r\n"}, {"Parmak-2-0.Piz", "8\r\n"}}},
                      GroupStep{"FlushFailed",
                                "sync",
                                1,
                                kFlushRaisedBy,
                                "Data\\Parmak-1-0.Piz",
                                {{"Parmak-1-0.Piz", "7\r\n"}, {"Parmak-2-0.Piz", "8\r\n"}}},
                      // Put in place in order: the first one is new already.
                      GroupStep{"SecondRenameFailed",
                                "rename",
                                2,
                                4,
                                "Data\\Parmak-1-1.Piz",
                                {{"Parmak-1-0.Piz", kFive}, {"Parmak-2-0.Piz", "8\r\n"}}}),
    testsupport::RowName{});

// More files than the reader keeps ready, so that it waits for the caller
// and is woken again; the missing ones are passed over.
TEST(EnrollmentFileReaderTest, YieldsTheFilesThatExistInTheirOrder) {
    TempFolder folder;
    folder.write("Data\\Parmak-1-1.Piz", "1\r\n");
    std::vector<EnrollmentSlot> files;
    for (int32_t user = 0; user < 300; ++user) {
        files.push_back({user, 0});
        if (user % 3 != 1)
            writeEnrollmentFile(folder.path(), user, 0, firstElement(user));
    }
    EnrollmentFileReader reader(folder.path(), files);
    size_t expected = 0;
    while (const std::optional<EnrollmentFileReader::Found> found = reader.next()) {
        if (expected % 3 == 1)
            ++expected;
        ASSERT_EQ(found->index, expected);
        EXPECT_EQ(found->data, firstElement(static_cast<int32_t>(expected)));
        ++expected;
    }
    EXPECT_EQ(expected, 300u);
}

} // namespace
} // namespace nakilon
