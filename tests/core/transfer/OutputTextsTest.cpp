#include "core/transfer/OutputTexts.h"

#include "core/base/Error.h"
#include "core/base/FileIoTesting.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <future>

using namespace nakilon;
using nakilon::testsupport::TempFolder;

TEST(OutputTexts, LineBreaksBecomeCrLfAndMissingFilesAreCreated) {
    TempFolder folder;
    folder.write("Hareketler.txt", std::string("a\nb\rc\r\nd\n\n\0e", 13));
    OutputTexts texts;
    const std::string backup = OutputTexts::backupFileName(folder.path(), 2024, 1, 5);
    EXPECT_EQ(backup, folder.file("Backup\\2024-01-05.txt"));
    texts.open(folder.file("Hareketler.txt"), backup);
    EXPECT_EQ(texts.outputText(), std::string("a\r\nb\r\nc\r\nd\r\n\r\n\0e", 17));
    EXPECT_EQ(texts.backupText(), "");
    EXPECT_TRUE(folder.exists("Backup\\2024-01-05.txt")) << "created empty at the start";
    texts.save();
    EXPECT_EQ(folder.read("Hareketler.txt"), std::string("a\r\nb\r\nc\r\nd\r\n\r\n\0e", 17));
    EXPECT_EQ(folder.read("Backup\\2024-01-05.txt"), "");
}

TEST(OutputTexts, AddedLinesFollowTheLastLineBreakRule) {
    std::string ending = "x\r\n";
    appendLine(ending, "L");
    EXPECT_EQ(ending, "x\r\nL\r\n");
    std::string open = "x";
    appendLine(open, "L");
    appendLine(open, "M");
    EXPECT_EQ(open, "x\r\nL\r\nM") << "a text without a final break keeps having none";
    std::string empty;
    appendLine(empty, "L");
    EXPECT_EQ(empty, "L\r\n");
}

TEST(OutputTexts, TwoRunsOfADayAccumulateInBothFiles) {
    TempFolder folder;
    const std::string backup = OutputTexts::backupFileName(folder.path(), 2024, 1, 15);
    for (const char* line : {"first", "second"}) {
        OutputTexts texts;
        texts.open(folder.file("Hareketler.txt"), backup);
        texts.addLine(line);
        texts.save();
    }
    EXPECT_EQ(folder.read("Hareketler.txt"), "first\r\nsecond\r\n");
    EXPECT_EQ(folder.read("Backup\\2024-01-15.txt"), "first\r\nsecond\r\n");
}

TEST(OutputTexts, AFailedOutputWriteLeavesBothFilesAsTheyWere) {
    TempFolder folder;
    folder.write("Hareketler.txt", "old\r\n");
    folder.write("Backup\\2024-01-15.txt", "oldb\r\n");
    OutputTexts texts;
    texts.open(folder.file("Hareketler.txt"), folder.file("Backup\\2024-01-15.txt"));
    texts.addLine("new");
    nakilon::testing::setFileFailHook([](std::string_view op) -> std::optional<int> {
        return op == "write" ? std::optional<int>(ENOSPC) : std::nullopt;
    });
    try {
        texts.save();
        ADD_FAILURE();
    } catch (const Error& e) {
        EXPECT_EQ(e.text(), "Cannot create file \"" + folder.file("Hareketler.txt") + "\". " +
                                std::strerror(ENOSPC));
    }
    nakilon::testing::setFileFailHook({});
    EXPECT_EQ(folder.read("Hareketler.txt"), "old\r\n");
    EXPECT_EQ(folder.read("Backup\\2024-01-15.txt"), "oldb\r\n");
    EXPECT_FALSE(texts.isOpen()) << "the lock is given back after a failed save";
}

TEST(OutputTexts, AnUnreadableOutputFileStopsTheOpening) {
    TempFolder folder;
    folder.write("Hareketler.txt\\x", ""); // Hareketler.txt is a folder
    OutputTexts texts;
    EXPECT_THROW(texts.open(folder.file("Hareketler.txt"), folder.file("Backup\\b.txt")), Error);
    EXPECT_FALSE(texts.isOpen());
}

TEST(OutputTexts, ASecondRunOnTheSameOutputFileWaitsThenGivesUp) {
    TempFolder folder;
    OutputTexts first;
    first.open(folder.file("Hareketler.txt"), folder.file("Backup\\b.txt"));
    first.addLine("one");
    // A second run in another thread (the lock also holds between processes).
    auto second = std::async(std::launch::async, [&] {
        OutputTexts texts;
        try {
            texts.open(folder.file("Hareketler.txt"), folder.file("Backup\\b.txt"));
            return std::string("opened");
        } catch (const Error& e) {
            return e.text();
        }
    });
    const std::string result = second.get();
    EXPECT_NE(result.find("Başka bir aktarım sürüyor"), std::string::npos) << result;
    first.save();
    EXPECT_EQ(folder.read("Hareketler.txt"), "one\r\n");

    // Once the first run has saved, the next run goes ahead.
    OutputTexts third;
    third.open(folder.file("Hareketler.txt"), folder.file("Backup\\b.txt"));
    EXPECT_EQ(third.outputText(), "one\r\n");
}
