// The run's two files: appended to in place, line breaks made CR LF once, the
// lock on the output file.
#include "core/transfer/OutputTexts.h"

#include "core/base/Error.h"
#include "core/transfer/TransferJournal.h"
#include "support/FailingFileOperation.h"
#include "support/RowName.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <future>
#include <optional>
#include <ostream>

using namespace nakilon;
using nakilon::testsupport::TempFolder;

namespace {

// Runs one save of `lines` onto the output file as a run does.
void saveLines(const TempFolder& folder, std::string_view lines) {
    TransferJournal journal(folder.path());
    OutputTexts texts;
    texts.open(folder.file("Hareketler.txt"), folder.file("Backup\\2024-01-15.txt"));
    texts.addLines(lines);
    texts.save(journal);
}

struct FileShapeRow {
    std::string name;
    std::optional<std::string> before; // none: no file
    std::string lines;
    std::string after;
    friend void PrintTo(const FileShapeRow& row, std::ostream* out) { *out << row.name; }
};

class OutputFileShape : public ::testing::TestWithParam<FileShapeRow> {};

const std::string kMegabyteLess((size_t{1} << 20) - 1, 'a');

} // namespace

TEST_P(OutputFileShape, TheFileEndsAsAListOfLinesWouldHaveIt) {
    const FileShapeRow& row = GetParam();
    TempFolder folder;
    if (row.before)
        folder.write("Hareketler.txt", *row.before);
    saveLines(folder, row.lines);
    EXPECT_EQ(folder.read("Hareketler.txt"), row.after);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, OutputFileShape,
    ::testing::Values(
        FileShapeRow{"LoneBreaksAreRewrittenAsCrLf", std::string("a\nb\rc\r\nd\n\n\0e", 13), "",
                     std::string("a\r\nb\r\nc\r\nd\r\n\r\n\0e", 17)},
        FileShapeRow{"LinesFollowALastBreak", "x\r\n", "L\r\n", "x\r\nL\r\n"},
        FileShapeRow{"LinesFollowAnOpenLastLineAfterCrLf", "x", "L\r\nM\r\n", "x\r\nL\r\nM"},
        FileShapeRow{"AMissingFileIsCreated", std::nullopt, "L\r\n", "L\r\n"},
        FileShapeRow{"ALoneCrAtTheEndCountsAsABreak", "x\r", "L\r\n", "x\r\nL\r\n"},
        FileShapeRow{"RewrittenThenJoined", "x\ny", "L\r\n", "x\r\ny\r\nL"},
        // The file is read in pieces of a megabyte: a CR LF across two pieces.
        FileShapeRow{"ACrLfAcrossTwoPiecesIsKept", kMegabyteLess + "\r\nb", "L\r\n",
                     kMegabyteLess + "\r\nb\r\nL"},
        FileShapeRow{"ALoneLfAfterTheFirstPieceIsFound", kMegabyteLess + "\r" + "\nb\nc", "",
                     kMegabyteLess + "\r\nb\r\nc"}),
    testsupport::RowName());

TEST(OutputTexts, TwoRunsOfADayAccumulateInBothFiles) {
    TempFolder folder;
    saveLines(folder, "first\r\n");
    saveLines(folder, "second\r\n");
    EXPECT_EQ(folder.read("Hareketler.txt"), "first\r\nsecond\r\n");
    EXPECT_EQ(folder.read("Backup\\2024-01-15.txt"), "first\r\nsecond\r\n");
}

TEST(OutputTexts, AFailedAppendLeavesTheFileAsItWasAndNamesIt) {
    TempFolder folder;
    folder.write("Hareketler.txt", "old\r\n");
    folder.write("Backup\\2024-01-15.txt", "oldb\r\n");
    // The journal's plans are the first append, the output file's lines the
    // second.
    testsupport::FailingFileOperation fullDisk("append", ENOSPC, 2);
    try {
        saveLines(folder, "new\r\n");
        ADD_FAILURE();
    } catch (const Error& e) {
        EXPECT_EQ(e.text(), "Cannot create file \"" + folder.file("Hareketler.txt") + "\". " +
                                std::strerror(ENOSPC));
    }
    EXPECT_EQ(folder.read("Hareketler.txt"), "old\r\n");
    EXPECT_EQ(folder.read("Backup\\2024-01-15.txt"), "oldb\r\n");
}

TEST(OutputTexts, AnOutputThatIsNoFileOrTheBackupItselfStopsTheOpening) {
    TempFolder folder;
    folder.write("Hareketler.txt\\x", ""); // Hareketler.txt is a folder
    OutputTexts texts;
    EXPECT_THROW(texts.open(folder.file("Hareketler.txt"), folder.file("Backup\\b.txt")), Error);
    EXPECT_FALSE(texts.isOpen());
    try {
        texts.open(folder.file("Backup\\b.txt"), folder.file("Backup\\b.txt"));
        ADD_FAILURE();
    } catch (const Error& e) {
        EXPECT_EQ(e.text().rfind("Kayıt dosyası yedek dosyasıyla aynı olamaz", 0), 0u);
    }
}

TEST(OutputTexts, ASecondRunOnTheSameOutputFileWaitsThenGivesUp) {
    TempFolder folder;
    TempFolder otherProgramFolder;
    TransferJournal journal(folder.path());
    OutputTexts first;
    first.open(folder.file("Hareketler.txt"), folder.file("Backup\\b.txt"));
    first.addLine("one");
    // A run of another program folder, in another thread (the lock on the
    // file itself also holds between processes).
    auto second = std::async(std::launch::async, [&] {
        OutputTexts texts;
        try {
            texts.open(folder.file("Hareketler.txt"), otherProgramFolder.file("Backup\\b.txt"));
            return std::string("opened");
        } catch (const Error& e) {
            return e.text();
        }
    });
    const std::string result = second.get();
    EXPECT_NE(result.find("Başka bir aktarım sürüyor"), std::string::npos) << result;
    first.save(journal);
    EXPECT_EQ(folder.read("Hareketler.txt"), "one\r\n");

    // Once the first run has saved, the next run goes ahead.
    OutputTexts third;
    EXPECT_NO_THROW(
        third.open(folder.file("Hareketler.txt"), otherProgramFolder.file("Backup\\b.txt")));
}
