#include "core/base/Error.h"
#include "core/base/FileAppend.h"
#include "core/base/FileIdentity.h"
#include "core/base/FilePaths.h"
#include "core/base/FileRead.h"
#include "core/base/FilesAndFolders.h"
#include "core/base/NativeFile.h"
#include "core/base/SafeWrite.h"
#include "core/base/Text.h"
#include "support/FailingFileOperation.h"
#include "support/TempFolder.h"
#include "support/ThrownText.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace nakilon;
using nakilon::testsupport::FailingFileOperation;
using nakilon::testsupport::TempFolder;
using nakilon::testsupport::thrownText;

namespace {

size_t filesIn(const TempFolder& folder) {
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator(pathFromUtf8(folder.path())))
        ++count;
    return count;
}

} // namespace

TEST(AtomicWrite, CreatesAndReplacesWholeFiles) {
    TempFolder folder;
    const std::string name = folder.file("out.txt");
    writeFileAtomic(name, "first\r\n");
    EXPECT_EQ(readWholeFile(name), "first\r\n");
    writeFileAtomic(name, "x");
    EXPECT_EQ(readWholeFile(name), "x");
    writeFileAtomic(name, "");
    EXPECT_EQ(readWholeFile(name), "");
    EXPECT_EQ(filesIn(folder), 1u) << "no temporary file may stay behind";
}

// Each step of a write fails once.
class AtomicWriteStep : public ::testing::TestWithParam<std::string> {};

TEST_P(AtomicWriteStep, FailingLeavesTheOldFileAndReportsTheReason) {
    TempFolder folder;
    const std::string old = "old content\r\n";
    folder.write("Cihazlar.Dat", old);
    const FailingFileOperation failing(GetParam(), ENOSPC);
    EXPECT_EQ(thrownText<IoError>([&] {
                  writeFileAtomic(folder.file("Cihazlar.Dat"), "new content that must not land");
              }),
              std::strerror(ENOSPC));
    EXPECT_EQ(folder.read("Cihazlar.Dat"), old);
    EXPECT_EQ(filesIn(folder), 1u) << "temporary file left";
}

INSTANTIATE_TEST_SUITE_P(AtomicWrite, AtomicWriteStep,
                         ::testing::Values("open", "write", "sync", "close", "rename"),
                         [](const auto& row) { return row.param; });

TEST(AtomicWrite, ATargetThatIsAFolderIsRefused) {
    TempFolder folder;
    std::filesystem::create_directory(pathFromUtf8(folder.file("Hareketler.txt")));
    EXPECT_THROW(writeFileAtomic(folder.file("Hareketler.txt"), "x"), IoError);
    EXPECT_TRUE(folderExists(folder.file("Hareketler.txt")));
}

TEST(AtomicWrite, AMissingFolderIsReported) {
    TempFolder folder;
    try {
        writeFileAtomic(folder.file("Backup\\2024-01-15.txt"), "x");
        ADD_FAILURE();
    } catch (const IoError& e) {
#ifndef _WIN32
        EXPECT_EQ(e.reason(), std::strerror(ENOENT));
#endif
        EXPECT_FALSE(e.reason().empty());
    }
}

TEST(ReadWholeFile, ReadsEveryByteAndReportsMissingFiles) {
    TempFolder folder;
    std::string bytes;
    for (int i = 0; i < 200000; ++i)
        bytes += static_cast<char>(i % 256);
    folder.write("big.bin", bytes);
    EXPECT_EQ(readWholeFile(folder.file("big.bin")), bytes);
    try {
        readWholeFile(folder.file("none.txt"));
        ADD_FAILURE();
    } catch (const IoError& e) {
        EXPECT_EQ(e.reason(), std::strerror(ENOENT));
    }
    EXPECT_THROW(readWholeFile(folder.path()), IoError);
}

TEST(ProgramFile, BackslashMeansASubfolder) {
    const std::string name = programFile("/opt/nakilon/", "Data\\Personel.PDT");
#ifdef _WIN32
    EXPECT_EQ(name, "/opt/nakilon/Data\\Personel.PDT");
#else
    EXPECT_EQ(name, "/opt/nakilon/Data/Personel.PDT");
#endif
}

// --- What an office relies on besides the bytes ---

TEST(AtomicWrite, AReadOnlyFileIsRefusedAndKept) {
    TempFolder folder;
    folder.write("Hareketler.txt", "old\r\n");
    const std::string name = folder.file("Hareketler.txt");
    std::filesystem::permissions(pathFromUtf8(name), std::filesystem::perms::owner_read);
    EXPECT_THROW(writeFileAtomic(name, "new"), IoError);
    EXPECT_THROW(checkWritable(name), IoError);
    EXPECT_EQ(folder.read("Hareketler.txt"), "old\r\n");
    EXPECT_EQ(filesIn(folder), 1u);
}

class InPlaceWriteStep : public ::testing::TestWithParam<std::string> {};

TEST_P(InPlaceWriteStep, FindingTheDiskFullLeavesTheOldBytes) {
    TempFolder folder;
    // More than one name for the file: it is written in place.
    folder.write("a.txt", "old content\r\n");
    std::error_code ec;
    std::filesystem::create_hard_link(pathFromUtf8(folder.file("a.txt")),
                                      pathFromUtf8(folder.file("b.txt")), ec);
    if (ec)
        GTEST_SKIP() << "no hard links here: " << ec.message();
    {
        const FailingFileOperation failing(GetParam(), ENOSPC);
        EXPECT_THROW(writeFileAtomic(folder.file("a.txt"), "a longer new content\r\n"), IoError);
    }
    if (GetParam() == "open" || GetParam() == "extend") {
        EXPECT_EQ(folder.read("b.txt"), "old content\r\n");
    }
    writeFileAtomic(folder.file("a.txt"), "new\r\n");
    EXPECT_EQ(folder.read("b.txt"), "new\r\n") << "both names see the new content";
    EXPECT_EQ(filesIn(folder), 2u);
}

INSTANTIATE_TEST_SUITE_P(AtomicWrite, InPlaceWriteStep,
                         ::testing::Values("open", "extend", "write", "truncate", "sync"),
                         [](const auto& row) { return row.param; });

TEST(AppendingFile, APieceThatFailsIsCutOffWhole) {
    TempFolder folder;
    const std::string name = folder.file("Aktarim.gunluk");
    AppendingFile file(name);
    file.append({"first ", "piece\n"});
    {
        const FailingFileOperation failing("append", ENOSPC, 2);
        EXPECT_THROW(file.append({"second ", "piece\n"}), IoError);
    }
    EXPECT_EQ(readWholeFile(name), "first piece\n");
    file.append("third\n");
    file.sync();
    EXPECT_EQ(readWholeFile(name), "first piece\nthird\n");
    file.cutBack(6);
    EXPECT_EQ(readWholeFile(name), "first ");
}

TEST(MessageQuote, CutsLongValuesInTheMiddleAndNeverACharacter) {
    EXPECT_EQ(messageQuote("kısa", 10), "kısa");
    EXPECT_EQ(messageQuote("0123456789", 10), "0123456789");
    EXPECT_EQ(messageQuote("0123456789A", 10), "0123\u20266789A");
    EXPECT_EQ(messageQuote("ğğğğğğğğğğğ", 5), "ğğ\u2026ğğ");
    EXPECT_EQ(messageQuote(std::string(5000, 'x')).size(), 119u + 3u);
}

#ifndef _WIN32
namespace {

std::filesystem::perms permsOf(const std::string& name) {
    return std::filesystem::status(pathFromUtf8(name)).permissions();
}

} // namespace

TEST(AtomicWrite, ASymbolicLinkLeadsToTheFileThatReceivesTheBytes) {
    TempFolder folder;
    folder.write("bordro\\Hareketler.txt", "old\r\n");
    std::filesystem::create_symlink("bordro/Hareketler.txt",
                                    pathFromUtf8(folder.file("Hareketler.txt")));
    writeFileAtomic(folder.file("Hareketler.txt"), "new\r\n");
    EXPECT_TRUE(std::filesystem::is_symlink(pathFromUtf8(folder.file("Hareketler.txt"))));
    EXPECT_EQ(folder.read("bordro\\Hareketler.txt"), "new\r\n");
    // A link to a file not there yet creates that file.
    std::filesystem::create_symlink("bordro/Yeni.txt", pathFromUtf8(folder.file("Yeni.txt")));
    writeFileAtomic(folder.file("Yeni.txt"), "x");
    EXPECT_EQ(folder.read("bordro\\Yeni.txt"), "x");
    EXPECT_EQ(resolvedFileName(folder.file("Yeni.txt")), folder.file("bordro\\Yeni.txt"));
}

TEST(AtomicWrite, TheReplacedFileKeepsItsPermissions) {
    TempFolder folder;
    folder.write("Hareketler.txt", "old");
    const std::string name = folder.file("Hareketler.txt");
    using P = std::filesystem::perms;
    const P perms = P::owner_read | P::owner_write | P::group_read | P::group_write;
    std::filesystem::permissions(pathFromUtf8(name), perms);
    writeFileAtomic(name, "new");
    EXPECT_EQ(permsOf(name), perms);
}

TEST(AtomicWrite, APipeOrADeviceIsRefusedWithoutWaiting) {
    TempFolder folder;
    const std::string pipe = folder.file("Hareketler.txt");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0666), 0);
    // Neither waits for the other end of the pipe.
    for (const auto& action : std::vector<std::function<void()>>{
             [&] { writeFileAtomic(pipe, "x"); }, [&] { readWholeFile(pipe); },
             [&] { checkWritable(pipe); }, [&] { AppendingFile file(pipe); }}) {
        try {
            action();
            ADD_FAILURE() << "a pipe was taken for a file";
        } catch (const IoError& e) {
            EXPECT_EQ(e.reason(), "Bu ad bir dosyanın değil, bir boru hattının ya da aygıtın adı");
        }
    }
    EXPECT_THROW(writeFileAtomic("/dev/null", "x"), IoError);
}
#endif

// The owner of an open file (UniqueFd, or UniqueHandle on Windows), tried on
// the write end of a pipe: the reader sees the end of the pipe once the
// write end is closed.
namespace {

#ifdef _WIN32
struct Pipe {
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    Pipe() { EXPECT_TRUE(CreatePipe(&readEnd, &writeEnd, nullptr, 0)); }
    ~Pipe() { CloseHandle(readEnd); }
    bool writeEndClosed() const {
        DWORD available = 0;
        return !PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr) &&
               GetLastError() == ERROR_BROKEN_PIPE;
    }
};
void closeByHand(HANDLE handle) {
    CloseHandle(handle);
}
#else
struct Pipe {
    int readEnd = -1;
    int writeEnd = -1;
    Pipe() {
        int ends[2] = {-1, -1};
        EXPECT_EQ(::pipe(ends), 0);
        readEnd = ends[0];
        writeEnd = ends[1];
        ::fcntl(readEnd, F_SETFL, O_NONBLOCK); // an open pipe answers at once
    }
    ~Pipe() { ::close(readEnd); }
    bool writeEndClosed() const {
        char byte = 0;
        return ::read(readEnd, &byte, 1) == 0;
    }
};
void closeByHand(int fd) {
    ::close(fd);
}
#endif

} // namespace

TEST(NativeFile, ClosesTheFileWhenItGoes) {
    Pipe pipe;
    {
        const NativeFile owner(pipe.writeEnd);
        EXPECT_FALSE(pipe.writeEndClosed());
    }
    EXPECT_TRUE(pipe.writeEndClosed());
}

TEST(NativeFile, ResetAndCloseCloseTheFileHeld) {
    Pipe first, second;
    NativeFile owner(first.writeEnd);
    owner.reset(second.writeEnd);
    EXPECT_TRUE(first.writeEndClosed());
    EXPECT_FALSE(second.writeEndClosed());
    EXPECT_EQ(owner.get(), second.writeEnd);
    EXPECT_FALSE(owner.close()) << "no error";
    EXPECT_TRUE(second.writeEndClosed());
    EXPECT_FALSE(owner);
    EXPECT_TRUE(owner.close()) << "nothing left to close";
}

TEST(NativeFile, ReleaseHandsTheFileOverOpen) {
    Pipe pipe;
    NativeFile owner(pipe.writeEnd);
    NativeFile moved(std::move(owner));
    EXPECT_FALSE(owner);
    const auto released = moved.release();
    EXPECT_FALSE(moved);
    EXPECT_EQ(released, pipe.writeEnd);
    EXPECT_FALSE(pipe.writeEndClosed());
    closeByHand(released);
    EXPECT_TRUE(pipe.writeEndClosed());
}
