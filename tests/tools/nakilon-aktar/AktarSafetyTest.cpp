// nakilon-aktar as a process: its exit codes, termination signals, a small
// real disk, and the files an office gives it, written as an unprivileged
// user (root ignores file permissions).
#include "AktarTestSupport.h"

#include "core/transfer/TransferJournal.h"
#include "support/RowName.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>
#include <optional>
#include <ostream>

namespace nakilon {
namespace {

using namespace testsupport;

constexpr uid_t kNobody = 65534;

std::vector<LogRecord> records(int32_t first, int count) {
    std::vector<LogRecord> result;
    for (int i = 0; i < count; ++i)
        result.push_back(recordOf(first + i));
    return result;
}

std::string linesOf(int device, int32_t first, int count) {
    std::string lines;
    for (int i = 0; i < count; ++i)
        lines += lineOf(device, first + i);
    return lines;
}

bool isRoot() {
    return ::geteuid() == 0;
}

// The command prefix that runs a program as the user nobody when the test
// runs as root; nothing otherwise.
std::vector<std::string> unprivileged() {
    if (!isRoot())
        return {};
    return {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"};
}

void own(const std::string& name, uid_t user) {
    if (isRoot()) {
        ASSERT_EQ(::lchown(name.c_str(), user, user), 0) << name;
    }
}

void ownTree(const std::string& folder, uid_t user) {
    own(folder, user);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(pathFromUtf8(folder)))
        own(pathToUtf8(entry.path()), user);
}

void settingsWithOutput(const AktarFolder& folder, const std::string& output) {
    folder.folder().write("Ayarlar.ini", "[Ayarlar]\r\nKayitDosyasi=" + output + "\r\n");
}

TEST(AktarExitCodes, NothingToDoIsFourAnotherRunIsThreeADamagedJournalIsFive) {
    ServedTerminal terminal(1, records(1, 2));
    AktarFolder folder;
    std::string output;
    // No device list at all.
    EXPECT_EQ(runAktar(folder, output), 4) << output;
    EXPECT_NE(output.find("Cihaz listesi (Cihazlar.Dat) yok ya da boş"), std::string::npos);
    // A list without devices.
    folder.folder().write("Cihazlar.Dat", kDeviceListHeader);
    EXPECT_EQ(runAktar(folder, output), 4) << output;
    // A device, not marked.
    folder.folder().write("Cihazlar.Dat",
                          kDeviceListHeader +
                              loopbackDeviceLine(1, "Cihaz1", 1, terminal.port(), "", 0));
    EXPECT_EQ(runAktar(folder, output), 4) << output;
    EXPECT_NE(output.find("En az bir cihaz seçmeniz gerekmektedir"), std::string::npos);
    // Another run holds the program folder: nothing is read.
    folder.devices({&terminal});
    {
        TransferJournal other(folder.folder().path());
        ASSERT_TRUE(other.lock(std::chrono::milliseconds(0)));
        EXPECT_EQ(runAktar(folder, output), 3) << output;
        EXPECT_NE(output.find("Başka bir aktarım sürüyor"), std::string::npos);
    }
    EXPECT_EQ(terminal.unread(), 2u);
    EXPECT_EQ(runAktar(folder, output), 0) << output;
    EXPECT_EQ(folder.folder().read("Hareketler.txt"), linesOf(1, 1, 2));
    // An interrupted run's journal, damaged: what can be read is saved, and
    // the code tells the scheduler to look.
    folder.folder().write("Aktarim.gunluk", std::string(64, '\0'));
    EXPECT_EQ(runAktar(folder, output), 5) << output;
    EXPECT_NE(output.find("Aktarım günlüğünde okunamayan 64 bayt var"), std::string::npos)
        << output;
}

// Two terminals, the first answering slowly: a run started on them is
// still on the first when it is interrupted.
class AktarSignalRun {
protected:
    AktarSignalRun() {
        m_first.server().setLatency(std::chrono::milliseconds(300));
        m_folder.devices({&m_first, &m_second});
    }

    // Starts nakilon-aktar and waits until it is on the first terminal.
    void startOnTheFirst() {
        m_run.emplace(std::vector<std::string>{m_folder.program()}, m_log);
        ASSERT_TRUE(waitForText(m_log, "Cihaz1: Bilgiler Aktarılıyor")) << readWholeFile(m_log);
    }

    ServedTerminal m_first{1, records(1, 3)};
    ServedTerminal m_second{2, records(101, 2)};
    AktarFolder m_folder;
    const std::string m_log = m_folder.folder().file("run.log");
    std::optional<ChildProcess> m_run;
};

class AktarSignal : public AktarSignalRun, public ::testing::TestWithParam<int> {};

TEST_P(AktarSignal, TheFirstFinishesTheDeviceInHandAndSaves) {
    ASSERT_NO_FATAL_FAILURE(startOnTheFirst());
    m_run->signal(GetParam());
    EXPECT_EQ(m_run->wait(), 2) << readWholeFile(m_log);
    const std::string output = readWholeFile(m_log);
    EXPECT_NE(output.find("Durdurma isteği alındı"), std::string::npos) << output;
    EXPECT_NE(output.find("Cihaz1: 3 kayıt aktarıldı"), std::string::npos) << output;
    EXPECT_NE(output.find("Cihaz2: aktarım durdurulduğu için bağlanılmadı"), std::string::npos)
        << output;
    EXPECT_EQ(m_folder.folder().read("Hareketler.txt"), linesOf(1, 1, 3));
    EXPECT_EQ(m_first.unread(), 0u);
    EXPECT_EQ(m_second.unread(), 2u) << "never contacted";
    EXPECT_FALSE(m_folder.folder().exists("Aktarim.gunluk"));
}

INSTANTIATE_TEST_SUITE_P(
    Aktar, AktarSignal, ::testing::Values(SIGTERM, SIGINT, SIGHUP), [](const auto& row) {
        return std::string(row.param == SIGTERM ? "Term" : row.param == SIGINT ? "Int" : "Hup");
    });

class AktarSignals : public AktarSignalRun, public ::testing::Test {};

TEST_F(AktarSignals, ASecondSignalStopsAtOnceAndTheNextRunLosesNothing) {
    ASSERT_NO_FATAL_FAILURE(startOnTheFirst());
    m_run->signal(SIGTERM);
    ASSERT_TRUE(waitForText(m_log, "Durdurma isteği alındı"));
    m_run->signal(SIGTERM);
    // The documented code of a stopped run, not death by the signal.
    EXPECT_EQ(m_run->wait(), 2) << readWholeFile(m_log);
    m_run.reset();
    m_first.server().setLatency(std::chrono::milliseconds(0));
    std::string output;
    EXPECT_EQ(runAktar(m_folder, output), 0) << output;
    EXPECT_EQ(m_folder.folder().read("Hareketler.txt"), linesOf(1, 1, 3) + linesOf(2, 101, 2));
    EXPECT_EQ(m_folder.backups(), linesOf(1, 1, 3) + linesOf(2, 101, 2));
    EXPECT_TRUE(m_folder.temporaries().empty());
}

// A real small disk: a tmpfs of 1 MB, mounted in a mount namespace of its
// own for the run, holds the output file.
TEST(AktarFullDisk, ASmallDiskStopsTheRunBeforeTheFetchAndMarksNothing) {
    if (!isRoot() || ::access("/usr/bin/unshare", X_OK) != 0)
        GTEST_SKIP() << "no real small disk: mounting a tmpfs needs root and unshare; the "
                        "file-operation seam covers a full disk (TransferSafety)";
    ServedTerminal terminal(1, records(1, 40000));
    AktarFolder folder;
    folder.devices({&terminal});
    const std::string disk = folder.folder().file("disk");
    std::filesystem::create_directory(pathFromUtf8(disk));
    settingsWithOutput(folder, disk + "/Hareketler.txt");
    const std::string log = folder.folder().file("run.log");
    const auto runOnTheSmallDisk = [&] {
        // The disk is there only for this run; what it holds is copied out.
        ChildProcess run({"unshare", "-m", "sh", "-c",
                          "mount -t tmpfs -o size=1m nakilon '" + disk + "' || exit 99; '" +
                              folder.program() + "'; code=$?; cat '" + disk +
                              "/Hareketler.txt' > '" + folder.folder().file("copy.txt") +
                              "' 2>/dev/null; exit $code"},
                         log);
        return run.wait();
    };
    const int code = runOnTheSmallDisk();
    if (code == 99)
        GTEST_SKIP() << "no real small disk: " << readWholeFile(log);
    std::printf("full disk: a 1 MB tmpfs was mounted for the output file\n");
    EXPECT_EQ(code, 2) << readWholeFile(log);
    const std::string output = readWholeFile(log);
    EXPECT_NE(output.find("Diskte yeterli boş yer yok: Cihaz1 cihazının kayıtları için \"" + disk +
                          "\" klasörünün bulunduğu diskte 2,0 MB gerekiyor, 1,0 MB boş"),
              std::string::npos)
        << output;
    EXPECT_EQ(terminal.unread(), 40000u) << "nothing marked";

    // With room enough the same disk takes the records.
    terminal.server().withTerminal([](VirtualTerminal& t) { t.state().logs.resize(1000); });
    EXPECT_EQ(runOnTheSmallDisk(), 0) << readWholeFile(log);
    EXPECT_EQ(folder.folder().read("copy.txt"), linesOf(1, 1, 1000));
    EXPECT_EQ(terminal.unread(), 0u);
}

// The files an office gives the program, each written as the user nobody
// when the test runs as root.
struct OfficeFile {
    std::string name;
    std::function<std::string(const AktarFolder&)> prepare; // returns the output file
    int code;
    const char* message;
    std::function<void(const AktarFolder&, const std::string&)> check;
    // A file or folder that root keeps when everything else goes to nobody;
    // root must run the test when the check needs it.
    const char* ofRoot = nullptr;
    bool needsRoot = false;
    friend void PrintTo(const OfficeFile& row, std::ostream* out) { *out << row.name; }
};

const std::string kThreeLines = linesOf(1, 1, 3);

const OfficeFile kOfficeFiles[] = {
    {"ReadOnlyOutputFile",
     [](const AktarFolder& f) {
         const std::string name = f.folder().file("Hareketler.txt");
         f.folder().write("Hareketler.txt", "eski\r\n");
         ::chmod(name.c_str(), 0444);
         return name;
     },
     2, "Cannot create file \"",
     [](const AktarFolder& f, const std::string& name) {
         EXPECT_EQ(readWholeFile(name), "eski\r\n");
         EXPECT_TRUE(f.temporaries().empty());
     }},
    {"SymbolicLinkToThePayrollsFile",
     [](const AktarFolder& f) {
         f.folder().write("bordro\\Hareketler.txt", "eski\r\n");
         std::filesystem::create_symlink(pathFromUtf8(f.folder().file("bordro\\Hareketler.txt")),
                                         pathFromUtf8(f.folder().file("Hareketler.txt")));
         return f.folder().file("Hareketler.txt");
     },
     0, "Cihaz1: 3 kayıt aktarıldı",
     [](const AktarFolder& f, const std::string& name) {
         EXPECT_TRUE(std::filesystem::is_symlink(pathFromUtf8(name)));
         EXPECT_EQ(f.folder().read("bordro\\Hareketler.txt"), "eski\r\n" + kThreeLines);
     }},
    {"OutputFileWithASecondHardLink",
     [](const AktarFolder& f) {
         f.folder().write("Hareketler.txt", "eski\r\n");
         std::filesystem::create_hard_link(pathFromUtf8(f.folder().file("Hareketler.txt")),
                                           pathFromUtf8(f.folder().file("Kopya.txt")));
         return f.folder().file("Hareketler.txt");
     },
     0, "Cihaz1: 3 kayıt aktarıldı",
     [](const AktarFolder& f, const std::string&) {
         EXPECT_EQ(f.folder().read("Kopya.txt"), "eski\r\n" + kThreeLines);
         EXPECT_EQ(std::filesystem::hard_link_count(pathFromUtf8(f.folder().file("Kopya.txt"))),
                   2u);
     }},
    {"OutputFileInAFolderWhereNoFileMayBeCreated",
     [](const AktarFolder& f) {
         f.folder().write("kilitli\\Hareketler.txt", "eski\r\n");
         ::chmod(f.folder().file("kilitli").c_str(), 0555);
         return f.folder().file("kilitli\\Hareketler.txt");
     },
     0, "Cihaz1: 3 kayıt aktarıldı",
     [](const AktarFolder& f, const std::string& name) {
         EXPECT_EQ(readWholeFile(name), "eski\r\n" + kThreeLines);
         EXPECT_TRUE(f.temporaries().empty());
     },
     "kilitli"},
    {"OutputFileOfAnotherOwner",
     [](const AktarFolder& f) {
         f.folder().write("ortak\\Hareketler.txt", "eski\r\n");
         const std::string name = f.folder().file("ortak\\Hareketler.txt");
         ::chmod(name.c_str(), 0666);
         return name;
     },
     0, "Cihaz1: 3 kayıt aktarıldı",
     [](const AktarFolder&, const std::string& name) {
         EXPECT_EQ(readWholeFile(name), "eski\r\n" + kThreeLines);
         struct stat info {};
         ASSERT_EQ(::stat(name.c_str(), &info), 0);
         EXPECT_EQ(info.st_uid, 0u) << "the owner stays";
         EXPECT_EQ(info.st_mode & 07777, 0666u) << "so do the permissions";
     },
     "ortak\\Hareketler.txt", true},
    {"PipeWhereTheOutputFileShouldBe",
     [](const AktarFolder& f) {
         const std::string name = f.folder().file("boru");
         ::mkfifo(name.c_str(), 0666);
         return name;
     },
     2, "Bu ad bir dosyanın değil, bir boru hattının ya da aygıtın adı",
     [](const AktarFolder& f, const std::string&) { EXPECT_TRUE(f.temporaries().empty()); }},
};

class AktarFiles : public ::testing::TestWithParam<OfficeFile> {};

TEST_P(AktarFiles, AreWrittenSafely) {
    const OfficeFile& c = GetParam();
    if (c.needsRoot && !isRoot())
        GTEST_SKIP() << "needs root, to give the file another owner";
    if (isRoot() && ::access("/usr/bin/setpriv", X_OK) != 0)
        GTEST_SKIP() << "needs setpriv, to write the files as the user nobody";
    ServedTerminal terminal(1, records(1, 3));
    AktarFolder folder;
    folder.devices({&terminal});
    const std::string output = c.prepare(folder);
    settingsWithOutput(folder, output);
    // Everything belongs to nobody but what the row gives to root.
    ownTree(folder.folder().path().substr(0, folder.folder().path().size() - 1), kNobody);
    if (c.ofRoot)
        own(folder.folder().file(c.ofRoot), 0);
    const auto start = std::chrono::steady_clock::now();
    std::string log;
    const int code = runAktar(folder, log, unprivileged());
    EXPECT_EQ(code, c.code) << log;
    EXPECT_NE(log.find(c.message), std::string::npos) << log;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20))
        << "nothing waited on";
    EXPECT_EQ(terminal.unread(), c.code == 0 ? 0u : 3u) << "a refused file marks nothing";
    if (isRoot() && c.code == 0) {
        // The program really ran as nobody: the backup file it made is theirs.
        struct stat backup {};
        ASSERT_EQ(::stat(pathToUtf8(std::filesystem::directory_iterator(
                                        pathFromUtf8(folder.folder().file("Backup")))
                                        ->path())
                             .c_str(),
                         &backup),
                  0);
        EXPECT_EQ(backup.st_uid, kNobody);
    }
    c.check(folder, output);
    ::chmod(folder.folder().file("kilitli").c_str(), 0755);
}

INSTANTIATE_TEST_SUITE_P(Aktar, AktarFiles, ::testing::ValuesIn(kOfficeFiles),
                         testsupport::RowName());

} // namespace
} // namespace nakilon
