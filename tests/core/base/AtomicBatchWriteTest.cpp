#include "core/base/AtomicBatchWrite.h"

#include "core/base/FileIo.h"
#include "core/base/FileIoTesting.h"
#include "support/TempFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>

namespace nakilon {
namespace {

using testsupport::TempFolder;

// Every file of the folder and its subfolder "Data" with its bytes.
std::map<std::string, std::string> contents(const TempFolder& folder) {
    std::map<std::string, std::string> files;
    const std::filesystem::path root = pathFromUtf8(folder.path());
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file())
            continue;
        std::string name = pathToUtf8(std::filesystem::relative(entry.path(), root));
        std::replace(name.begin(), name.end(), '\\', '/');
        files[name] = readWholeFile(pathToUtf8(entry.path()));
    }
    return files;
}

class AtomicBatchWriteTest : public ::testing::Test {
protected:
    AtomicBatchWriteTest() {
        m_folder.write("Data\\a", "old a");
        m_folder.write("Data\\b", "old b");
        m_folder.write("keep", "kept");
    }
    ~AtomicBatchWriteTest() override { testing::setFileFailHook({}); }
    // a and b replaced, c new; c's folder is another one.
    void writeAll(AtomicBatchWrite& batch) {
        batch.add(m_folder.file("Data\\a"), "new a");
        batch.add(m_folder.file("Data\\b"), std::string(100000, 'b'));
        batch.add(m_folder.file("c"), "");
    }
    TempFolder m_folder;
};

TEST_F(AtomicBatchWriteTest, TargetsChangeOnlyAtTheCommitAndAllTogether) {
    AtomicBatchWrite batch;
    writeAll(batch);
    EXPECT_EQ(batch.size(), 3u);
    // Written, but only beside the targets.
    EXPECT_EQ(m_folder.read("Data\\a"), "old a");
    EXPECT_FALSE(m_folder.exists("c"));
    batch.commit();
    const std::map<std::string, std::string> expected = {
        {"Data/a", "new a"}, {"Data/b", std::string(100000, 'b')}, {"c", ""}, {"keep", "kept"}};
    EXPECT_EQ(contents(m_folder), expected);

    {
        AtomicBatchWrite dropped;
        dropped.add(m_folder.file("Data\\a"), "never");
    }
    EXPECT_EQ(contents(m_folder), expected) << "a batch without a commit changes nothing";
}

TEST_F(AtomicBatchWriteTest, AFailedStepLeavesEachTargetOldOrNewAndNoTemporaryFile) {
    const std::string a = "new a", b(100000, 'b');
    struct Case {
        const char* operation;
        int call; // the call of that operation that fails, from 1
        const char* failedFile;
        std::map<std::string, std::string> after;
    };
    const std::map<std::string, std::string> old = {
        {"Data/a", "old a"}, {"Data/b", "old b"}, {"keep", "kept"}};
    const Case cases[] = {
        {"open", 1, "Data\\a", old},
        {"open", 3, "c", old},
        {"write", 2, "Data\\b", old},
        {"close", 2, "Data\\b", old},
        // Flushed together for a folder, or file by file: the first file's
        // flush fails either way.
        {"sync", 1, "Data\\a", old},
        {"rename", 1, "Data\\a", old},
        {"rename", 2, "Data\\b", {{"Data/a", a}, {"Data/b", "old b"}, {"keep", "kept"}}},
        {"rename", 3, "c", {{"Data/a", a}, {"Data/b", b}, {"keep", "kept"}}},
    };
    for (const Case& c : cases) {
        m_folder.write("Data\\a", "old a");
        m_folder.write("Data\\b", "old b");
        int calls = 0;
        testing::setFileFailHook([&](std::string_view operation) -> std::optional<int> {
            if (operation == c.operation && ++calls == c.call)
                return ENOSPC;
            return std::nullopt;
        });
        try {
            AtomicBatchWrite batch;
            writeAll(batch);
            batch.commit();
            ADD_FAILURE() << c.operation << " " << c.call << ": no error";
        } catch (const BatchWriteError& e) {
            EXPECT_EQ(e.fileName(), m_folder.file(c.failedFile)) << c.operation << " " << c.call;
            EXPECT_EQ(e.reason(), std::strerror(ENOSPC));
        }
        testing::setFileFailHook({});
        EXPECT_EQ(contents(m_folder), c.after) << c.operation << " " << c.call;
    }
}

TEST_F(AtomicBatchWriteTest, AFolderInThePlaceOfATargetIsRefused) {
    AtomicBatchWrite batch;
    EXPECT_THROW(batch.add(m_folder.file("Data"), "x"), BatchWriteError);
    batch.add(m_folder.file("Data\\a"), "new a");
    batch.commit();
    EXPECT_EQ(m_folder.read("Data\\a"), "new a");
}

} // namespace
} // namespace nakilon
