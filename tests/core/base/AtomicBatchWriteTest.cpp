#include "core/base/AtomicBatchWrite.h"

#include "core/base/FileIo.h"
#include "core/base/FileIoTesting.h"
#include "support/FailingFileOperation.h"
#include "support/TempFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>

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
        try {
            const testsupport::FailingFileOperation failing(c.operation, ENOSPC, c.call);
            AtomicBatchWrite batch;
            writeAll(batch);
            batch.commit();
            ADD_FAILURE() << c.operation << " " << c.call << ": no error";
        } catch (const BatchWriteError& e) {
            EXPECT_EQ(e.fileName(), m_folder.file(c.failedFile)) << c.operation << " " << c.call;
            EXPECT_EQ(e.reason(), std::strerror(ENOSPC));
        }
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

#ifndef _WIN32
// The grouped write and the single write share their first step; these are
// the rules where the two could still part ways. Each case runs with both.
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
    const auto run = [&]() -> std::string {
        try {
            write();
            return "";
        } catch (const IoError& e) {
            return e.reason();
        }
    };
    if (!asNobody)
        return run();
    int channel[2];
    if (::pipe(channel) != 0)
        return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        std::string reason = "could not become nobody";
        if (::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0)
            reason = run();
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

TEST(GroupedWriteRules, EveryTargetIsTreatedAsASingleWriteTreatsIt) {
    const bool root = ::geteuid() == 0;
    struct Case {
        const char* what;
        // Makes the target in the folder; returns its name.
        std::function<std::string(const TempFolder&)> prepare;
        const char* reason; // "" when the write succeeds
        std::function<void(const TempFolder&, const std::string&)> check;
        bool asNobody = false;
    };
    const Case cases[] = {
        {"a symbolic link",
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
        {"a read-only file",
         [](const TempFolder& f) {
             f.write("a", "old");
             ::chmod(f.file("a").c_str(), 0444);
             return f.file("a");
         },
         "Permission denied",
         [](const TempFolder& f, const std::string&) { EXPECT_EQ(f.read("a"), "old"); }},
        {"a pipe",
         [](const TempFolder& f) {
             ::mkfifo(f.file("a").c_str(), 0666);
             return f.file("a");
         },
         "Bu ad bir dosyanın değil, bir boru hattının ya da aygıtın adı", nullptr},
        {"a folder",
         [](const TempFolder& f) {
             f.write("a\\b", "");
             return f.file("a");
         },
         "Is a directory", nullptr},
        {"a file with its own permissions",
         [](const TempFolder& f) {
             f.write("a", "old");
             ::chmod(f.file("a").c_str(), 0640);
             return f.file("a");
         },
         "",
         [](const TempFolder&, const std::string& name) {
             EXPECT_EQ(statOf(name).st_mode & 07777, 0640u);
         }},
        {"a file with a second hard link",
         [](const TempFolder& f) {
             f.write("a", "old");
             std::filesystem::create_hard_link(pathFromUtf8(f.file("a")),
                                               pathFromUtf8(f.file("b")));
             return f.file("a");
         },
         "",
         [](const TempFolder& f, const std::string&) {
             EXPECT_EQ(f.read("b"), "new");
             EXPECT_EQ(statOf(f.file("b")).st_nlink, 2u);
         }},
        {"a file of another owner (replaced by root)",
         [](const TempFolder& f) {
             f.write("a", "old");
             EXPECT_EQ(::chown(f.file("a").c_str(), kNobody, kNobody), 0);
             return f.file("a");
         },
         "",
         [](const TempFolder&, const std::string& name) {
             EXPECT_EQ(statOf(name).st_uid, kNobody);
             EXPECT_EQ(statOf(name).st_gid, kNobody);
         }},
        {"a file of root that nobody may write",
         [](const TempFolder& f) {
             f.write("a", "old");
             ownTree(f.path(), kNobody);
             EXPECT_EQ(::chown(f.file("a").c_str(), 0, 0), 0);
             ::chmod(f.file("a").c_str(), 0666);
             return f.file("a");
         },
         "", [](const TempFolder&, const std::string& name) { EXPECT_EQ(statOf(name).st_uid, 0u); },
         true},
        {"a folder without create rights",
         [](const TempFolder& f) {
             f.write("kilitli\\a", "old");
             ownTree(f.path(), kNobody);
             EXPECT_EQ(::chown(f.file("kilitli").c_str(), 0, 0), 0);
             ::chmod(f.file("kilitli").c_str(), 0555);
             return f.file("kilitli\\a");
         },
         "", nullptr, true},
        {"a new file in a folder without create rights",
         [](const TempFolder& f) {
             f.write("kilitli\\b", "");
             ownTree(f.path(), kNobody);
             EXPECT_EQ(::chown(f.file("kilitli").c_str(), 0, 0), 0);
             ::chmod(f.file("kilitli").c_str(), 0555);
             return f.file("kilitli\\a");
         },
         "Permission denied",
         [](const TempFolder& f, const std::string&) { EXPECT_FALSE(f.exists("kilitli\\a")); },
         true},
    };
    const std::pair<const char*, std::function<void(const std::string&)>> writers[] = {
        {"single", [](const std::string& name) { writeFileAtomic(name, "new"); }},
        {"grouped",
         [](const std::string& name) {
             AtomicBatchWrite batch;
             batch.add(name, "new");
             batch.commit();
         }},
    };
    for (const Case& c : cases) {
        const bool needsRoot =
            c.asNobody || std::string_view(c.what).find("owner") != std::string_view::npos;
        if (needsRoot && !root) {
            std::printf("skipped, needs root to hand files to another user: %s\n", c.what);
            continue;
        }
        for (const auto& [how, write] : writers) {
            SCOPED_TRACE(std::string(c.what) + ", " + how);
            TempFolder folder;
            const std::string name = c.prepare(folder);
            EXPECT_EQ(outcomeOf([&, &w = write] { w(name); }, c.asNobody), c.reason);
            if (*c.reason == 0) {
                EXPECT_EQ(readWholeFile(name), "new");
            }
            if (c.check)
                c.check(folder, name);
            EXPECT_EQ(temporariesIn(folder.path()), 0u);
            ::chmod(folder.file("kilitli").c_str(), 0755);
        }
    }
}
#endif

} // namespace
} // namespace nakilon
