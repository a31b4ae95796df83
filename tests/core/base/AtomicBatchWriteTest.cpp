#include "core/base/AtomicBatchWrite.h"

#include "core/base/FilePaths.h"
#include "core/base/FileRead.h"
#include "core/base/SafeWrite.h"
#include "core/base/TemporaryCopies.h"
#include "support/FailingFileOperation.h"
#include "support/RowName.h"
#include "support/TempFolder.h"
#include "support/ThrownText.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <ostream>
#include <tuple>

#ifndef _WIN32
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

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

// The call of an operation that fails (from 1), the file named in the error,
// and how many targets were renamed before: a, then b.
struct FailedStep {
    std::string name;
    const char* operation;
    int call;
    const char* failedFile;
    int renamed;
    friend void PrintTo(const FailedStep& row, std::ostream* out) { *out << row.name; }
};

class AtomicBatchFailure : public AtomicBatchWriteTest,
                           public ::testing::WithParamInterface<FailedStep> {};

TEST_P(AtomicBatchFailure, LeavesEachTargetOldOrNewAndNoTemporaryFile) {
    const FailedStep& c = GetParam();
    std::map<std::string, std::string> after = {
        {"Data/a", "old a"}, {"Data/b", "old b"}, {"keep", "kept"}};
    if (c.renamed >= 1)
        after["Data/a"] = "new a";
    if (c.renamed >= 2)
        after["Data/b"] = std::string(100000, 'b');
    try {
        const testsupport::FailingFileOperation failing(c.operation, ENOSPC, c.call);
        AtomicBatchWrite batch;
        writeAll(batch);
        batch.commit();
        ADD_FAILURE() << "no error";
    } catch (const BatchWriteError& e) {
        EXPECT_EQ(e.fileName(), m_folder.file(c.failedFile));
        EXPECT_EQ(e.reason(), std::strerror(ENOSPC));
    }
    EXPECT_EQ(contents(m_folder), after);
}

INSTANTIATE_TEST_SUITE_P(AtomicBatchWrite, AtomicBatchFailure,
                         ::testing::Values(FailedStep{"Open1", "open", 1, "Data\\a", 0},
                                           FailedStep{"Open3", "open", 3, "c", 0},
                                           FailedStep{"Write2", "write", 2, "Data\\b", 0},
                                           FailedStep{"Close2", "close", 2, "Data\\b", 0},
                                           // Flushed together for a folder, or file by
                                           // file: the first file's flush fails either way.
                                           FailedStep{"Sync1", "sync", 1, "Data\\a", 0},
                                           FailedStep{"Rename1", "rename", 1, "Data\\a", 0},
                                           FailedStep{"Rename2", "rename", 2, "Data\\b", 1},
                                           FailedStep{"Rename3", "rename", 3, "c", 2}),
                         testsupport::RowName());

TEST_F(AtomicBatchWriteTest, AFolderInThePlaceOfATargetIsRefused) {
    AtomicBatchWrite batch;
    EXPECT_THROW(batch.add(m_folder.file("Data"), "x"), BatchWriteError);
    batch.add(m_folder.file("Data\\a"), "new a");
    batch.commit();
    EXPECT_EQ(m_folder.read("Data\\a"), "new a");
}

#ifndef _WIN32
constexpr uid_t kNobody = 65534;

void ownTree(const std::string& folder, uid_t user) {
    ASSERT_EQ(::lchown(folder.c_str(), user, user), 0);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(pathFromUtf8(folder)))
        ASSERT_EQ(::lchown(entry.path().c_str(), user, user), 0);
}

struct stat statOf(const std::string& name) {
    struct stat info {};
    EXPECT_EQ(::stat(name.c_str(), &info), 0) << name;
    return info;
}

size_t temporariesIn(const std::string& folder) {
    size_t count = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(pathFromUtf8(folder)))
        count += parseTemporaryName(pathToUtf8(entry.path().filename())) ? 1 : 0;
    return count;
}

// The reason of the write's failure, or "" when it succeeded. With
// `asNobody` it runs in a child process that has given up root's rights.
std::string outcomeOf(const std::function<void()>& write, bool asNobody) {
    if (!asNobody)
        return testsupport::thrownText<IoError>(write);
    int channel[2];
    if (::pipe(channel) != 0)
        return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        std::string reason = "could not become nobody";
        if (::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0)
            reason = testsupport::thrownText<IoError>(write);
        const ssize_t sent = ::write(channel[1], reason.data(), reason.size());
        ::_exit(sent == static_cast<ssize_t>(reason.size()) ? 0 : 1);
    }
    ::close(channel[1]);
    std::string reason;
    char buffer[256];
    for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        reason.append(buffer, static_cast<size_t>(n));
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return reason;
}

// Who writes the target: the user the test runs as, root (the target is
// another user's), or the user nobody (root prepared the files).
enum class Writer { anyone, root, nobody };

struct WriteRule {
    std::string name;
    // Makes the target in the folder; returns its name.
    std::function<std::string(const TempFolder&)> prepare;
    const char* reason; // "" when the write succeeds
    std::function<void(const TempFolder&, const std::string&)> check;
    Writer writer = Writer::anyone;
    friend void PrintTo(const WriteRule& row, std::ostream* out) { *out << row.name; }
};

const WriteRule kWriteRules[] = {
    {"SymbolicLink",
     [](const TempFolder& f) {
         f.write("bordro\\Parmak-1-0.Piz", "old");
         std::filesystem::create_symlink("bordro/Parmak-1-0.Piz",
                                         pathFromUtf8(f.file("Parmak-1-0.Piz")));
         return f.file("Parmak-1-0.Piz");
     },
     "",
     [](const TempFolder& f, const std::string& name) {
         EXPECT_TRUE(std::filesystem::is_symlink(pathFromUtf8(name)));
         EXPECT_EQ(f.read("bordro\\Parmak-1-0.Piz"), "new");
     }},
    {"ReadOnlyFile",
     [](const TempFolder& f) {
         f.write("a", "old");
         ::chmod(f.file("a").c_str(), 0444);
         return f.file("a");
     },
     "Permission denied",
     [](const TempFolder& f, const std::string&) { EXPECT_EQ(f.read("a"), "old"); }},
    {"Pipe",
     [](const TempFolder& f) {
         ::mkfifo(f.file("a").c_str(), 0666);
         return f.file("a");
     },
     "Bu ad bir dosyanın değil, bir boru hattının ya da aygıtın adı", nullptr},
    {"Folder",
     [](const TempFolder& f) {
         f.write("a\\b", "");
         return f.file("a");
     },
     "Is a directory", nullptr},
    {"FileWithItsOwnPermissions",
     [](const TempFolder& f) {
         f.write("a", "old");
         ::chmod(f.file("a").c_str(), 0640);
         return f.file("a");
     },
     "",
     [](const TempFolder&, const std::string& name) {
         EXPECT_EQ(statOf(name).st_mode & 07777, 0640u);
     }},
    {"FileWithASecondHardLink",
     [](const TempFolder& f) {
         f.write("a", "old");
         std::filesystem::create_hard_link(pathFromUtf8(f.file("a")), pathFromUtf8(f.file("b")));
         return f.file("a");
     },
     "",
     [](const TempFolder& f, const std::string&) {
         EXPECT_EQ(f.read("b"), "new");
         EXPECT_EQ(statOf(f.file("b")).st_nlink, 2u);
     }},
    {"FileOfAnotherOwnerReplacedByRoot",
     [](const TempFolder& f) {
         f.write("a", "old");
         EXPECT_EQ(::chown(f.file("a").c_str(), kNobody, kNobody), 0);
         return f.file("a");
     },
     "",
     [](const TempFolder&, const std::string& name) {
         EXPECT_EQ(statOf(name).st_uid, kNobody);
         EXPECT_EQ(statOf(name).st_gid, kNobody);
     },
     Writer::root},
    {"FileOfRootThatNobodyMayWrite",
     [](const TempFolder& f) {
         f.write("a", "old");
         ownTree(f.path(), kNobody);
         EXPECT_EQ(::chown(f.file("a").c_str(), 0, 0), 0);
         ::chmod(f.file("a").c_str(), 0666);
         return f.file("a");
     },
     "", [](const TempFolder&, const std::string& name) { EXPECT_EQ(statOf(name).st_uid, 0u); },
     Writer::nobody},
    {"FolderWithoutCreateRights",
     [](const TempFolder& f) {
         f.write("kilitli\\a", "old");
         ownTree(f.path(), kNobody);
         EXPECT_EQ(::chown(f.file("kilitli").c_str(), 0, 0), 0);
         ::chmod(f.file("kilitli").c_str(), 0555);
         return f.file("kilitli\\a");
     },
     "", nullptr, Writer::nobody},
    {"NewFileInAFolderWithoutCreateRights",
     [](const TempFolder& f) {
         f.write("kilitli\\b", "");
         ownTree(f.path(), kNobody);
         EXPECT_EQ(::chown(f.file("kilitli").c_str(), 0, 0), 0);
         ::chmod(f.file("kilitli").c_str(), 0555);
         return f.file("kilitli\\a");
     },
     "Permission denied",
     [](const TempFolder& f, const std::string&) { EXPECT_FALSE(f.exists("kilitli\\a")); },
     Writer::nobody},
};

struct WriteWay {
    std::string name;
    void (*write)(const std::string& name);
    friend void PrintTo(const WriteWay& row, std::ostream* out) { *out << row.name; }
};

const WriteWay kWriteWays[] = {
    {"Single", [](const std::string& name) { writeFileAtomic(name, "new"); }},
    {"Grouped",
     [](const std::string& name) {
         AtomicBatchWrite batch;
         batch.add(name, "new");
         batch.commit();
     }},
};

// The grouped write and the single write share their first step; these are
// the rules where the two could still part ways. Each row runs with both.
class GroupedWriteRules : public ::testing::TestWithParam<std::tuple<WriteRule, WriteWay>> {};

TEST_P(GroupedWriteRules, EveryTargetIsTreatedAsASingleWriteTreatsIt) {
    const auto& [c, way] = GetParam();
    if (c.writer != Writer::anyone && ::geteuid() != 0)
        GTEST_SKIP() << "needs root, to hand files to another user"
                     << (c.writer == Writer::nobody ? " and write as the user nobody" : "");
    TempFolder folder;
    const std::string name = c.prepare(folder);
    EXPECT_EQ(outcomeOf([&, write = way.write] { write(name); }, c.writer == Writer::nobody),
              c.reason);
    if (*c.reason == 0) {
        EXPECT_EQ(readWholeFile(name), "new");
    }
    if (c.check)
        c.check(folder, name);
    EXPECT_EQ(temporariesIn(folder.path()), 0u);
    ::chmod(folder.file("kilitli").c_str(), 0755);
}

INSTANTIATE_TEST_SUITE_P(AtomicBatchWrite, GroupedWriteRules,
                         ::testing::Combine(::testing::ValuesIn(kWriteRules),
                                            ::testing::ValuesIn(kWriteWays)),
                         [](const auto& row) {
                             return std::get<0>(row.param).name + "_" + std::get<1>(row.param).name;
                         });
#endif

} // namespace
} // namespace nakilon
