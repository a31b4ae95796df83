#include "core/base/FileIo.h"
#include "core/base/Error.h"
#include "core/base/FileIoTesting.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

using namespace nakilon;
using nakilon::testsupport::TempFolder;

namespace {

struct HookGuard {
    ~HookGuard() { nakilon::testing::setFileFailHook({}); }
};

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

TEST(AtomicWrite, EveryFailingStepLeavesTheOldFileAndReportsTheReason) {
    TempFolder folder;
    const std::string name = folder.file("Cihazlar.Dat");
    const std::string old = "old content\r\n";
    folder.write("Cihazlar.Dat", old);
    HookGuard guard;
    for (const char* step : {"open", "write", "sync", "close", "rename"}) {
        nakilon::testing::setFileFailHook([step](std::string_view operation) -> std::optional<int> {
            if (operation == step)
                return ENOSPC;
            return std::nullopt;
        });
        try {
            writeFileAtomic(name, "new content that must not land");
            ADD_FAILURE() << "no error after a failing " << step;
        } catch (const IoError& e) {
            EXPECT_EQ(e.reason(), std::strerror(ENOSPC)) << step;
        }
        EXPECT_EQ(folder.read("Cihazlar.Dat"), old) << step;
        EXPECT_EQ(filesIn(folder), 1u) << "temporary file left after a failing " << step;
    }
}

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
