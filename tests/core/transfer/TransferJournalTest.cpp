// The pending-lines journal: its format, damage in it, what recovery finds in
// the files, and a failure or a crash at every file operation of the save and
// of the recovery.
#include "core/transfer/TransferJournal.h"

#include "core/base/Crc32c.h"
#include "core/base/Error.h"
#include "core/base/FilePaths.h"
#include "core/base/FileRead.h"
#include "core/base/FilesAndFolders.h"
#include "core/base/TemporaryCopies.h"
#include "core/transfer/JournalRecovery.h"
#include "core/transfer/OutputTexts.h"
#include "support/FailingFileOperation.h"
#include "support/RowName.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <ostream>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace nakilon;
using nakilon::testsupport::FailingFileOperation;
using nakilon::testsupport::TempFolder;

namespace {

constexpr const char* kAnyOperation = FailingFileOperation::kAnyOperation;

const std::string kOld = "eski\r\n";
const std::string kLinesA = "001,000101,1,2024/03/04,08:05:00,1\r\n"
                            "001,000102,0,2024/03/04,17:30:00,1\r\n";
const std::string kLinesB = "002,000201,1,2024/03/05,08:00:00,1\r\n";

// The program folder before the run: an output file and an empty backup
// file of the day.
void prepare(const TempFolder& folder) {
    folder.write("Hareketler.txt", kOld);
    folder.write("Backup\\2024-03-09.txt", "");
}

// Two terminals' batches in the journal, the first one confirmed. Each
// delivery is made before its batch: a string built inside the nested braces
// trips GCC 12's -Wmaybe-uninitialized at -O3.
void journalTwoBatches(TransferJournal& journal, const TempFolder& folder) {
    const std::string output = folder.file("Hareketler.txt");
    const std::string backup = folder.file("Backup\\2024-03-09.txt");
    const Delivery first{"1/1", 2, 0x1234}, second{"2/2", 1, 0xabcd};
    JournalBatch a{0, first, true, kLinesA};
    journal.addBatch(output, backup, a);
    journal.addConfirmation(a.sequence);
    JournalBatch b{0, second, true, kLinesB};
    journal.addBatch(output, backup, b);
}

// The run's save as the transfer run does it.
void saveRun(TransferJournal& journal, const TempFolder& folder) {
    OutputTexts texts;
    texts.open(folder.file("Hareketler.txt"), folder.file("Backup\\2024-03-09.txt"));
    texts.addLines(kLinesA);
    texts.addLines(kLinesB);
    texts.save(journal);
    journal.clear(std::vector<std::string>{});
}

// The next run's recovery; the settings now name the same output file and
// the next day's backup file.
RecoveryReport recover(const TempFolder& folder) {
    TransferJournal journal(folder.path());
    const RecoveryReport report = recoverTransfer(journal, folder.file("Hareketler.txt"),
                                                  folder.file("Backup\\2024-03-10.txt"));
    for (const char* own : {"", "Backup"})
        removeLeftoverCopies(folder.file(own));
    return report;
}

std::vector<std::string> temporaries(const TempFolder& folder) {
    std::vector<std::string> names;
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(pathFromUtf8(folder.path())))
        if (parseTemporaryName(pathToUtf8(entry.path().filename())))
            names.push_back(pathToUtf8(entry.path()));
    return names;
}

// What both files must hold once the run is complete, however it got there.
void expectComplete(const TempFolder& folder, const std::string& context) {
    EXPECT_EQ(folder.read("Hareketler.txt"), "eski\r\n"
                                             "001,000101,1,2024/03/04,08:05:00,1\r\n"
                                             "001,000102,0,2024/03/04,17:30:00,1\r\n"
                                             "002,000201,1,2024/03/05,08:00:00,1\r\n")
        << context;
    EXPECT_EQ(folder.read("Backup\\2024-03-09.txt"), "001,000101,1,2024/03/04,08:05:00,1\r\n"
                                                     "001,000102,0,2024/03/04,17:30:00,1\r\n"
                                                     "002,000201,1,2024/03/05,08:00:00,1\r\n")
        << context;
    EXPECT_FALSE(folder.exists("Backup\\2024-03-10.txt")) << context;
    EXPECT_TRUE(temporaries(folder).empty()) << context;
}

// A crash before the second batch was whole leaves the first batch, or
// nothing: never a line twice.
void expectNothingOrFirstBatchOrAll(const TempFolder& folder, const std::string& context) {
    const std::string output = folder.read("Hareketler.txt");
    if (output == kOld + kLinesA + kLinesB)
        return expectComplete(folder, context);
    const std::string lines = output == kOld + kLinesA ? kLinesA : "";
    EXPECT_EQ(output, kOld + lines) << context;
    EXPECT_EQ(folder.read("Backup\\2024-03-09.txt"), lines) << context;
}

// A journal of a run whose save stopped after its plans: the output file's
// append failed.
void pendingAfterPlans(const TempFolder& folder) {
    prepare(folder);
    TransferJournal journal(folder.path());
    journalTwoBatches(journal, folder);
    const FailingFileOperation failing("append", EIO, 2);
    EXPECT_THROW(saveRun(journal, folder), Error);
}

std::string journalBytesOfTwoBatches() {
    TempFolder folder;
    TransferJournal journal(folder.path());
    journalTwoBatches(journal, folder);
    return folder.read("Aktarim.gunluk");
}

} // namespace

TEST(Crc32c, PublishedCheckValues) {
    std::string ascending;
    for (char c = 0; c < 32; ++c)
        ascending += c;
    for (const auto crc : {crc32c, crc32cBySlices}) {
        EXPECT_EQ(crc(""), 0u);
        EXPECT_EQ(crc("123456789"), 0xE3069283u);
        EXPECT_EQ(crc(std::string(32, '\0')), 0x8A9136AAu);
        EXPECT_EQ(crc(std::string(32, '\xff')), 0x62A8AB43u);
        EXPECT_EQ(crc(ascending), 0x46DD794Eu);
    }
    Crc32c inPieces;
    for (const char* piece : {"1", "2345", "6789"})
        inPieces.add(piece);
    EXPECT_EQ(inPieces.value(), 0xE3069283u);
}

TEST(JournalFormat, RecordsAreWrittenAsTheseBytes) {
    const Delivery delivery{"7/1", 1, 0xfeed};
    const JournalBatch batch{3, delivery, true, "007,000001,1,x\r\n"};
    const journal::BatchFrame frame = journal::batchFrame("r1", batch);
    const FilePlan plan{'O', "/o/H.txt", {0x801, 0x2a}, 6, true, 18, 0x1234abcd};
    EXPECT_EQ(journal::runRecord("r1", "/o/H.txt", "/o/Backup/2024-03-09.txt") +
                  std::string(frame.head) + std::string(frame.lines) + std::string(frame.tail) +
                  journal::confirmRecord("r1", 3) + journal::planRecord("r1", plan) +
                  journal::doneRecord("r1", 'O') + journal::noteRecord({"7/1", 1, 0xfeed}),
              "#R 44 2624bada\n2:r1,8:/o/H.txt,24:/o/Backup/2024-03-09.txt,\n"
              "#T 63 2e91a8ff\n2:r1,1:3,3:7/1,1:1,1:1,16:000000000000feed,16:007,000001,1,x\r\n,\n"
              "#K 9 68dedc31\n2:r1,1:3,\n"
              "#P 81 7beb89a4\n2:r1,1:O,8:/o/H.txt,33:0000000000000801:000000000000002a,1:6,1:1,"
              "2:18,8:1234abcd,\n"
              "#D 9 39b8ce45\n2:r1,1:O,\n"
              "#N 30 af8a078b\n3:7/1,1:1,16:000000000000feed,\n");
}

TEST(JournalReading, ATornTailIsDroppedWholeAtEveryLengthAndIsNoDamage) {
    const std::string bytes = journalBytesOfTwoBatches();
    const size_t confirmation = bytes.find("#K");
    const size_t second = bytes.find("#T", confirmation);
    for (size_t length = 0; length <= bytes.size(); ++length) {
        const JournalContent content = readJournal(bytes.substr(0, length));
        const size_t batches = length == bytes.size() ? 2 : length >= confirmation ? 1 : 0;
        ASSERT_EQ(content.runs.empty() ? 0u : content.runs[0].batches.size(), batches) << length;
        EXPECT_EQ(content.damagedBytes, 0u) << length;
        if (batches > 0) {
            EXPECT_EQ(content.runs[0].batches[0].confirmed, length >= second) << length;
        }
    }
}

struct DamageRow {
    std::string name;
    std::function<std::string(const std::string&)> damage;
    std::vector<uint64_t> sequences; // the batches still read
    bool damaged;
    friend void PrintTo(const DamageRow& row, std::ostream* out) { *out << row.name; }
};

class JournalDamage : public ::testing::TestWithParam<DamageRow> {};

TEST_P(JournalDamage, EveryWholeBatchIsReadOnce) {
    const std::string bytes = GetParam().damage(journalBytesOfTwoBatches());
    const JournalContent content = readJournal(bytes);
    std::vector<uint64_t> sequences;
    for (const JournalRun& run : content.runs)
        for (const JournalBatch& batch : run.batches)
            sequences.push_back(batch.sequence);
    EXPECT_EQ(sequences, GetParam().sequences);
    EXPECT_EQ(content.damagedBytes > 0, GetParam().damaged) << content.damagedBytes;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, JournalDamage,
    ::testing::Values(
        DamageRow{"ABitFlippedInTheFirstBatchsLines",
                  [](std::string b) {
                      b[b.find("000102")] ^= 1;
                      return b;
                  },
                  {2},
                  true},
        DamageRow{"BytesCutOutOfTheFirstBatch",
                  [](std::string b) { return b.erase(b.find("000101"), 20); },
                  {2},
                  true},
        DamageRow{"AFlippedLengthInTheFirstHeader",
                  [](std::string b) {
                      b[b.find("#T ") + 3] ^= 4;
                      return b;
                  },
                  {2},
                  true},
        DamageRow{"AllNul", [](std::string b) { return std::string(b.size(), '\0'); }, {}, true},
        DamageRow{"ContentRepeated", [](const std::string& b) { return b + b; }, {1, 2}, false},
        DamageRow{"GarbageBetweenRecords",
                  [](std::string b) { return b.insert(b.find("#K"), "xx#Q 3\n"); },
                  {1, 2},
                  true}),
    testsupport::RowName());

struct FoundRow {
    std::string name;
    // What the payroll side (or a crash) did to the output file after the
    // run's plan was written.
    std::function<void(const TempFolder&)> change;
    std::string output; // the output file after recovery
    friend void PrintTo(const FoundRow& row, std::ostream* out) { *out << row.name; }
};

class RecoveryFinds : public ::testing::TestWithParam<FoundRow> {};

TEST_P(RecoveryFinds, TheLinesReachTheFileAsItIsNowOnce) {
    TempFolder folder;
    pendingAfterPlans(folder);
    GetParam().change(folder);
    recover(folder);
    EXPECT_EQ(folder.read("Hareketler.txt"), GetParam().output);
    EXPECT_EQ(folder.read("Backup\\2024-03-09.txt"), kLinesA + kLinesB);
    EXPECT_TRUE(readJournal(folder.read("Aktarim.gunluk")).runs.empty()) << "notes only";
    recover(folder);
    EXPECT_EQ(folder.read("Hareketler.txt"), GetParam().output) << "and never again";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RecoveryFinds,
    ::testing::Values(
        FoundRow{"TheFileAsPlanned", [](const TempFolder&) {}, kOld + kLinesA + kLinesB},
        FoundRow{"EmptiedByThePayrollProgram",
                 [](const TempFolder& f) { f.write("Hareketler.txt", ""); }, kLinesA + kLinesB},
        FoundRow{"MovedAway",
                 [](const TempFolder& f) {
                     std::filesystem::rename(pathFromUtf8(f.file("Hareketler.txt")),
                                             pathFromUtf8(f.file("Alinan.txt")));
                 },
                 kLinesA + kLinesB},
        FoundRow{"ReplacedByAnotherFile",
                 [](const TempFolder& f) {
                     removeFile(f.file("Hareketler.txt"));
                     f.write("Hareketler.txt", "yeni\r\n");
                 },
                 "yeni\r\n" + kLinesA + kLinesB},
        FoundRow{"AnotherProgramAddedALine",
                 [](const TempFolder& f) { f.write("Hareketler.txt", kOld + "x\r\n"); },
                 kOld + "x\r\n" + kLinesA + kLinesB},
        FoundRow{
            "HalfAppendedByTheCrashedRun",
            [](const TempFolder& f) { f.write("Hareketler.txt", kOld + kLinesA.substr(0, 9)); },
            kOld + kLinesA + kLinesB},
        FoundRow{"AppendedWholeByTheCrashedRun",
                 [](const TempFolder& f) { f.write("Hareketler.txt", kOld + kLinesA + kLinesB); },
                 kOld + kLinesA + kLinesB},
        FoundRow{"AppendedWholeThenAnotherLine",
                 [](const TempFolder& f) {
                     f.write("Hareketler.txt", kOld + kLinesA + kLinesB + "x\r\n");
                 },
                 kOld + kLinesA + kLinesB + "x\r\n"}),
    testsupport::RowName());

TEST(TransferJournal, ADamagedJournalIsKeptAndItsWholeBatchesDelivered) {
    TempFolder folder;
    prepare(folder);
    {
        TransferJournal journal(folder.path());
        journalTwoBatches(journal, folder);
    }
    std::string bytes = folder.read("Aktarim.gunluk");
    bytes[bytes.find("000102")] ^= 1;
    folder.write("Aktarim.gunluk", bytes);
    const RecoveryReport report = recover(folder);
    EXPECT_EQ(folder.read("Hareketler.txt"), kOld + kLinesB);
    EXPECT_EQ(folder.read("Backup\\2024-03-09.txt"), kLinesB);
    ASSERT_FALSE(report.damagedCopy.empty());
    EXPECT_EQ(report.damagedCopy.rfind(folder.file("Aktarim.gunluk.bozuk-"), 0), 0u);
    EXPECT_EQ(readWholeFile(report.damagedCopy), bytes);
    const std::vector<std::string> texts = recoveryTexts(report);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], "Yarım kalmış bir aktarımın 1 satırı kayıt dosyasına ve yedek "
                        "dosyasına yazıldı");
    EXPECT_EQ(texts[1].rfind("Aktarım günlüğünde okunamayan " +
                                 std::to_string(report.damagedBytes) +
                                 " bayt var; okunabilen kayıtlar dosyalara yazıldı. Günlüğün "
                                 "kopyası \"",
                             0),
              0u)
        << texts[1];
}

TEST(TransferJournal, AFileThatCanNoLongerBeWrittenGivesItsLinesToTheOneNamedNow) {
    TempFolder folder;
    prepare(folder);
    const std::string gone = folder.file(std::string(300, 'u') + ".txt"); // no such name
    {
        TransferJournal journal(folder.path());
        const Delivery delivery{"1/1", 2, 1};
        JournalBatch batch{0, delivery, true, kLinesA};
        journal.addBatch(gone, folder.file("Backup\\2024-03-09.txt"), batch);
    }
    const RecoveryReport report = recover(folder);
    EXPECT_EQ(folder.read("Hareketler.txt"), kOld + kLinesA);
    EXPECT_EQ(folder.read("Backup\\2024-03-09.txt"), kLinesA);
    ASSERT_EQ(report.redirected.size(), 1u);
    EXPECT_NE(report.redirected[0].find("satırları \"" + folder.file("Hareketler.txt") +
                                        "\" dosyasına yazıldı"),
              std::string::npos)
        << report.redirected[0];
    EXPECT_TRUE(readJournal(folder.read("Aktarim.gunluk")).runs.empty()) << "notes only";
    ASSERT_FALSE(report.damagedCopy.empty()) << "the journal is kept";
    EXPECT_EQ(readJournal(readWholeFile(report.damagedCopy)).runs[0].outputFile, gone);
}

struct SweepRow {
    std::string name;
    // Makes the program folder as the process finds it before the operations
    // counted.
    std::function<void(const TempFolder&)> before;
    // The operations counted: the run, or the recovery.
    std::function<void(const TempFolder&)> operations;
    bool batchesFirst; // the operations start with the batches
    friend void PrintTo(const SweepRow& row, std::ostream* out) { *out << row.name; }
};

const SweepRow kSweepRows[] = {
    {"Run", prepare,
     [](const TempFolder& f) {
         TransferJournal journal(f.path());
         journalTwoBatches(journal, f);
         saveRun(journal, f);
     },
     true},
    {"RecoveryBeforePlans",
     [](const TempFolder& f) {
         prepare(f);
         TransferJournal journal(f.path());
         journalTwoBatches(journal, f);
     },
     [](const TempFolder& f) { recover(f); }, false},
    {"RecoveryAfterPlans", pendingAfterPlans, [](const TempFolder& f) { recover(f); }, false},
};

// How many operations the batches of journalTwoBatches take.
int batchOperations() {
    TempFolder folder;
    const FailingFileOperation counting(kAnyOperation, 0, FailingFileOperation::kNoCall);
    TransferJournal journal(folder.path());
    journalTwoBatches(journal, folder);
    return counting.calls();
}

class FailureSweep : public ::testing::TestWithParam<SweepRow> {};

TEST_P(FailureSweep, AFailureAtEveryOperationThenRecoveryWritesEachLineOnce) {
    const SweepRow& row = GetParam();
    const int batches = row.batchesFirst ? batchOperations() : 0;
    for (int failAt = 1;; ++failAt) {
        TempFolder folder;
        row.before(folder);
        int calls = 0;
        {
            const FailingFileOperation failing(kAnyOperation, EIO, failAt);
            try {
                row.operations(folder);
            } catch (const Error&) {
            }
            calls = failing.calls();
        }
        const std::string context = "failure at operation " + std::to_string(failAt);
        recover(folder);
        if (failAt <= batches)
            expectNothingOrFirstBatchOrAll(folder, context);
        else
            expectComplete(folder, context);
        if (calls < failAt)
            break; // no operation failed: every one has failed once
        ASSERT_LT(failAt, 100);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, FailureSweep, ::testing::ValuesIn(kSweepRows),
                         testsupport::RowName());

#ifndef _WIN32
// A crash is no failure: nothing cleans up after it. The child process dies
// inside the seam at the chosen operation; the parent then recovers.
class CrashSweep : public ::testing::TestWithParam<SweepRow> {};

TEST_P(CrashSweep, ACrashAtEveryOperationThenRecoveryWritesEachLineOnce) {
    const SweepRow& row = GetParam();
    const int batches = row.batchesFirst ? batchOperations() : 0;
    for (int crashAt = 1;; ++crashAt) {
        TempFolder folder;
        row.before(folder);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const FailingFileOperation crash(kAnyOperation, FailingFileOperation::kCrash, crashAt);
            try {
                row.operations(folder);
            } catch (...) {
                _exit(1);
            }
            _exit(0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        const std::string context = "crash at operation " + std::to_string(crashAt);
        ASSERT_NE(WEXITSTATUS(status), 1) << context;
        recover(folder);
        if (crashAt <= batches)
            expectNothingOrFirstBatchOrAll(folder, context);
        else
            expectComplete(folder, context);
        if (WEXITSTATUS(status) == 0)
            break; // the last operation passed: every one has crashed once
        ASSERT_LT(crashAt, 100);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, CrashSweep, ::testing::ValuesIn(kSweepRows), testsupport::RowName());
#endif

TEST(TransferJournal, ADeliveryInDoubtIsNotedUntilItsTerminalIsReadAgain) {
    TempFolder folder;
    prepare(folder);
    {
        TransferJournal journal(folder.path());
        journalTwoBatches(journal, folder);
        OutputTexts texts;
        texts.open(folder.file("Hareketler.txt"), folder.file("Backup\\2024-03-09.txt"));
        texts.addLines(kLinesA + kLinesB);
        texts.save(journal);
        journal.clear(std::vector<std::string>{});
    }
    // The first terminal confirmed, the second did not: its delivery stays.
    EXPECT_EQ(folder.read("Aktarim.gunluk"), "#N 30 98258105\n3:2/2,1:1,16:000000000000abcd,\n");
    TransferJournal journal(folder.path());
    EXPECT_EQ(recoverTransfer(journal, folder.file("Hareketler.txt"), folder.file("b.txt")).lines,
              0u);
    EXPECT_TRUE(journal.notesFor("1/1").empty());
    EXPECT_EQ(journal.notesFor("2/2"), std::vector<Delivery>({{"2/2", 1, 0xabcd}}));

    // While its terminal is still to be read it stays; read, or gone from the
    // device list, it is settled.
    journal.clear(std::vector<std::string>{"2/2"});
    EXPECT_EQ(journal.notesFor("2/2").size(), 1u);
    journal.clear(std::vector<std::string>{"1/1"});
    EXPECT_FALSE(folder.exists("Aktarim.gunluk"));
    EXPECT_TRUE(journal.notesFor("2/2").empty());
}

TEST(TemporaryName, ReadsTheProgramsOwnNamesOnly) {
    const auto name = parseTemporaryName("~Hareketler.txt.4242.17.tmp");
    ASSERT_TRUE(name);
    EXPECT_EQ(name->name, "Hareketler.txt");
    EXPECT_EQ(name->process, 4242u);
    for (const char* other : {"Hareketler.txt.4242.17.tmp", "~Hareketler.txt.tmp", "~.4242.17.tmp",
                              "~x.42a.1.tmp", "~x.1.2.tmpx", "~x.1..tmp"})
        EXPECT_FALSE(parseTemporaryName(other)) << other;
}
