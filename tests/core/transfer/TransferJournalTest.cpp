// The pending-lines journal: its format, a torn tail, and a failure or a crash
// at every file operation of the save and of the recovery.
#include "core/transfer/TransferJournal.h"

#include "core/base/Error.h"
#include "core/base/FileIo.h"
#include "core/base/FileIoTesting.h"
#include "core/transfer/OutputTexts.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#ifdef _WIN32
#include <process.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace nakilon;
using nakilon::testsupport::TempFolder;

namespace {

unsigned long processIdForTest() {
#ifdef _WIN32
    return static_cast<unsigned long>(_getpid());
#else
    return static_cast<unsigned long>(getpid());
#endif
}

struct HookGuard {
    ~HookGuard() { nakilon::testing::setFileFailHook({}); }
};

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

// Two terminals' batches in the journal, the first one confirmed.
void journalTwoBatches(TransferJournal& journal, const TempFolder& folder) {
    const std::string output = folder.file("Hareketler.txt");
    const std::string backup = folder.file("Backup\\2024-03-09.txt");
    journal.addBatch(output, backup, {{"1/1/1/10.0.0.5/5005", 2, 0x1234}, true, kLinesA});
    journal.addConfirmation("1/1/1/10.0.0.5/5005");
    journal.addBatch(output, backup, {{"2/2/1/10.0.0.6/5005", 1, 0xabcd}, true, kLinesB});
}

// The run's save as the transfer run does it: both texts loaded, the lines
// added, then each file through the journal.
void saveRun(TransferJournal& journal, const TempFolder& folder) {
    OutputTexts texts;
    texts.open(folder.file("Hareketler.txt"), folder.file("Backup\\2024-03-09.txt"));
    texts.addLines(kLinesA);
    texts.addLines(kLinesB);
    texts.save(journal);
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
    EXPECT_TRUE(temporaries(folder).empty()) << context;
}

// The second terminal's delivery stays in doubt: it was never confirmed.
const std::string kNoteOfB =
    "#N 47 3d79ebb30033445b\n19:2/2/1/10.0.0.6/5005,1:1,16:000000000000abcd,\n";

class Operations {
public:
    // Counts the operations; the `failAt`-th fails with `error` (0: none).
    void failAt(int index, int error) {
        m_count = 0;
        m_names.clear();
        nakilon::testing::setFileFailHook([this, index, error](std::string_view op) {
            m_names.emplace_back(op);
            return ++m_count == index ? std::optional<int>(error) : std::nullopt;
        });
    }
    int count() const { return m_count; }
    const std::vector<std::string>& names() const { return m_names; }

private:
    int m_count = 0;
    std::vector<std::string> m_names;
};

} // namespace

TEST(TransferJournal, RecordsAreWrittenAsTheseBytes) {
    TempFolder folder;
    {
        TransferJournal journal(folder.path());
        journal.addBatch("/o/Hareketler.txt", "/o/Backup/2024-03-09.txt",
                         {{"7/1/1/10.0.0.5/5005", 1, 0xfeed}, true, "007,000001,1,x\r\n"});
        journal.addConfirmation("7/1/1/10.0.0.5/5005");
    }
    EXPECT_EQ(folder.read("Aktarim.gunluk"),
              "#R 49 cf3005308ffc981d\n17:/o/Hareketler.txt,24:/o/Backup/2024-03-09.txt,\n"
              "#T 71 8129f1a5fe505f81\n19:7/1/1/10.0.0.5/5005,1:1,1:1,16:000000000000feed,"
              "16:007,000001,1,x\r\n,\n"
              "#K 23 d9d72f73e3da1bd3\n19:7/1/1/10.0.0.5/5005,\n");
    const JournalContent content = readJournalText(folder.read("Aktarim.gunluk"));
    EXPECT_TRUE(content.hasRun);
    EXPECT_EQ(content.outputFile, "/o/Hareketler.txt");
    ASSERT_EQ(content.batches.size(), 1u);
    EXPECT_EQ(content.batches[0].lines, "007,000001,1,x\r\n");
    EXPECT_EQ(content.batches[0].delivery, (Delivery{"7/1/1/10.0.0.5/5005", 1, 0xfeed}));
    EXPECT_TRUE(content.batches[0].confirmed);
}

TEST(TransferJournal, ATornTailIsDroppedWholeAtEveryLength) {
    TempFolder folder;
    {
        TransferJournal journal(folder.path());
        journalTwoBatches(journal, folder);
    }
    const std::string bytes = folder.read("Aktarim.gunluk");
    const size_t firstEnd = bytes.find("#K");
    const size_t secondStart = bytes.find("#T", firstEnd);
    for (size_t length = 0; length <= bytes.size(); ++length) {
        const JournalContent content = readJournalText(bytes.substr(0, length));
        const size_t batches = length == bytes.size() ? 2 : length >= firstEnd ? 1 : 0;
        ASSERT_EQ(content.batches.size(), batches) << length;
        if (batches > 0) {
            EXPECT_EQ(content.batches[0].lines, kLinesA) << length;
        }
        EXPECT_EQ(content.batches.empty() ? 0u : content.batches.back().lines.size(),
                  batches == 2   ? kLinesB.size()
                  : batches == 1 ? kLinesA.size()
                                 : 0u);
        EXPECT_EQ(!content.batches.empty() && content.batches[0].confirmed, length >= secondStart)
            << length;
    }
    // A changed byte anywhere in a record ends the journal there.
    std::string flipped = bytes;
    flipped[firstEnd - 5] ^= 1;
    EXPECT_TRUE(readJournalText(flipped).batches.empty());
}

TEST(TransferJournal, RecoveryFromATornTailWritesOnlyWholeBatches) {
    TempFolder folder;
    prepare(folder);
    {
        TransferJournal journal(folder.path());
        journalTwoBatches(journal, folder);
    }
    // The second batch was cut short by a crash or a full disk.
    const std::string bytes = folder.read("Aktarim.gunluk");
    folder.write("Aktarim.gunluk", bytes.substr(0, bytes.size() - 7));
    TransferJournal journal(folder.path());
    EXPECT_EQ(journal.recover(), 2u);
    EXPECT_EQ(folder.read("Hareketler.txt"), kOld + kLinesA);
    EXPECT_EQ(folder.read("Backup\\2024-03-09.txt"), kLinesA);
    EXPECT_FALSE(folder.exists("Aktarim.gunluk")) << "nothing left to keep";
    EXPECT_EQ(journal.recover(), 0u);
}

TEST(TransferJournal, AFailureAtEveryOperationOfTheSaveThenRecoveryWritesEachLineOnce) {
    HookGuard guard;
    Operations ops;
    // A save without failure, for its operations.
    {
        TempFolder folder;
        prepare(folder);
        TransferJournal journal(folder.path());
        journalTwoBatches(journal, folder);
        ops.failAt(0, 0);
        saveRun(journal, folder);
        expectComplete(folder, "no failure");
    }
    // The output file, the backup file, then the journal cleared (the second
    // terminal's delivery stays noted).
    const std::vector<std::string> save = {
        "open",  "write",  "sync", "close",  "append", "sync",  "rename", "open",  "write", "sync",
        "close", "append", "sync", "rename", "open",   "write", "sync",   "close", "rename"};
    ASSERT_EQ(ops.names(), save);
    for (int failAt = 1; failAt <= static_cast<int>(save.size()); ++failAt) {
        TempFolder folder;
        prepare(folder);
        const std::string context = "failure at " + save[static_cast<size_t>(failAt - 1)] + " (" +
                                    std::to_string(failAt) + ")";
        {
            TransferJournal journal(folder.path());
            journalTwoBatches(journal, folder);
            ops.failAt(failAt, EIO);
            try {
                saveRun(journal, folder);
                // Only clearing the journal may fail unnoticed: the files are
                // complete then.
                EXPECT_GE(failAt, 15) << context;
            } catch (const Error& e) {
                EXPECT_EQ(e.text().rfind("Cannot create file \"", 0), 0u) << e.text();
            }
            nakilon::testing::setFileFailHook({});
        }
        TransferJournal next(folder.path());
        next.recover();
        next.removeLeftovers(folder.file("Hareketler.txt"), folder.file("Backup\\2024-03-09.txt"));
        expectComplete(folder, context);
    }
}

TEST(TransferJournal, AFailureAtEveryOperationOfTheRecoveryThenRecoveryAgain) {
    HookGuard guard;
    Operations ops;
    const auto pending = [](const TempFolder& folder) {
        prepare(folder);
        // A run that stopped after its terminals, before its save.
        TransferJournal journal(folder.path());
        journalTwoBatches(journal, folder);
    };
    {
        TempFolder folder;
        pending(folder);
        TransferJournal journal(folder.path());
        ops.failAt(0, 0);
        EXPECT_EQ(journal.recover(), 3u);
        expectComplete(folder, "no failure");
    }
    const std::vector<std::string> recovery = ops.names();
    ASSERT_EQ(recovery.size(), 19u);
    for (int failAt = 1; failAt <= static_cast<int>(recovery.size()); ++failAt) {
        TempFolder folder;
        pending(folder);
        const std::string context = "failure at " + recovery[static_cast<size_t>(failAt - 1)] +
                                    " (" + std::to_string(failAt) + ")";
        {
            TransferJournal journal(folder.path());
            ops.failAt(failAt, ENOSPC);
            try {
                EXPECT_EQ(journal.recover(), 3u) << context;
            } catch (const Error& e) {
                EXPECT_NE(e.text().find("Yarım kalan aktarım tamamlanamadı: Cannot create file"),
                          std::string::npos)
                    << e.text();
            }
            nakilon::testing::setFileFailHook({});
        }
        TransferJournal next(folder.path());
        next.recover();
        next.removeLeftovers(folder.file("Hareketler.txt"), folder.file("Backup\\2024-03-09.txt"));
        expectComplete(folder, context);
    }
}

#ifndef _WIN32
// A crash is no failure: nothing cleans up after it. The child process dies
// inside the seam at the chosen operation; the parent then recovers.
TEST(TransferJournal, ACrashAtEveryOperationOfTheSaveAndOfTheRecovery) {
    for (const bool inRecovery : {false, true}) {
        for (int crashAt = 1;; ++crashAt) {
            TempFolder folder;
            prepare(folder);
            if (inRecovery) {
                TransferJournal journal(folder.path());
                journalTwoBatches(journal, folder);
            }
            const pid_t child = fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                int count = 0;
                nakilon::testing::setFileFailHook([&](std::string_view) -> std::optional<int> {
                    if (++count == crashAt)
                        _exit(9);
                    return std::nullopt;
                });
                try {
                    TransferJournal journal(folder.path());
                    if (inRecovery) {
                        journal.recover();
                    } else {
                        journalTwoBatches(journal, folder);
                        saveRun(journal, folder);
                    }
                } catch (...) {
                    _exit(1);
                }
                _exit(0);
            }
            int status = 0;
            ASSERT_EQ(waitpid(child, &status, 0), child);
            ASSERT_TRUE(WIFEXITED(status));
            const std::string context = std::string(inRecovery ? "recovery" : "run") +
                                        ", crash at operation " + std::to_string(crashAt);
            ASSERT_NE(WEXITSTATUS(status), 1) << context;
            TransferJournal next(folder.path());
            next.recover();
            next.removeLeftovers(folder.file("Hareketler.txt"),
                                 folder.file("Backup\\2024-03-09.txt"));
            // The run's operations start with the first terminal's batch (four
            // pieces: the run's files, the batch's fields, its lines and its
            // end; then the flush), its confirmation, and the second
            // terminal's batch (four pieces, the flush). A batch is kept once
            // all its pieces are written: a process that dies keeps what it
            // wrote.
            if (!inRecovery && crashAt <= 4) {
                EXPECT_EQ(folder.read("Hareketler.txt"), kOld) << context;
                EXPECT_EQ(folder.read("Backup\\2024-03-09.txt"), "") << context;
            } else if (!inRecovery && crashAt <= 10) {
                EXPECT_EQ(folder.read("Hareketler.txt"), kOld + kLinesA) << context;
                EXPECT_EQ(folder.read("Backup\\2024-03-09.txt"), kLinesA) << context;
            } else {
                expectComplete(folder, context);
            }
            EXPECT_TRUE(temporaries(folder).empty()) << context;
            if (WEXITSTATUS(status) == 0)
                break; // the last operation passed: every one has crashed once
            ASSERT_LT(crashAt, 80);
        }
    }
}
#endif

TEST(TransferJournal, ADeliveryInDoubtIsNotedUntilItsTerminalIsReadAgain) {
    TempFolder folder;
    prepare(folder);
    {
        TransferJournal journal(folder.path());
        journalTwoBatches(journal, folder);
        saveRun(journal, folder);
    }
    // The first terminal confirmed, the second did not: its delivery stays.
    EXPECT_EQ(folder.read("Aktarim.gunluk"), kNoteOfB);
    TransferJournal journal(folder.path());
    EXPECT_EQ(journal.recover(), 0u);
    EXPECT_EQ(journal.noteFor("1/1/1/10.0.0.5/5005"), nullptr);
    ASSERT_NE(journal.noteFor("2/2/1/10.0.0.6/5005"), nullptr);
    EXPECT_EQ(*journal.noteFor("2/2/1/10.0.0.6/5005"),
              (Delivery{"2/2/1/10.0.0.6/5005", 1, 0xabcd}));

    // Read again and confirmed: the note goes.
    journal.addBatch(folder.file("Hareketler.txt"), folder.file("Backup\\2024-03-09.txt"),
                     {{"2/2/1/10.0.0.6/5005", 0, 0}, true, ""});
    journal.addConfirmation("2/2/1/10.0.0.6/5005");
    journal.clear();
    EXPECT_FALSE(folder.exists("Aktarim.gunluk"));
    EXPECT_EQ(journal.noteFor("2/2/1/10.0.0.6/5005"), nullptr);
}

TEST(TransferJournal, LeftoverCopiesOfCrashedRunsAreRemoved) {
    TempFolder folder;
    const std::string mine = std::to_string(9999999); // no such process
    for (const char* name :
         {"~Hareketler.txt.%s.0.tmp", "Backup\\~2024-03-09.txt.%s.3.tmp",
          "~Aktarim.gunluk.%s.1.tmp", "~Cihazlar.Dat.%s.2.tmp", "Data\\~Personel.PDT.%s.0.tmp"}) {
        std::string file = name;
        file.replace(file.find("%s"), 2, mine);
        folder.write(file, "x");
    }
    // Another running program's copy, and a file that only looks similar.
    const std::string running = "~Cihazlar.Dat." + std::to_string(processIdForTest()) + ".7.tmp";
    folder.write(running, "x");
    folder.write("~Notlar.txt", "x");
    TransferJournal journal(folder.path());
    EXPECT_EQ(journal.removeLeftovers(folder.file("Hareketler.txt"),
                                      folder.file("Backup\\2024-03-09.txt")),
              5);
    EXPECT_EQ(temporaries(folder).size(), 1u);
    EXPECT_TRUE(folder.exists(running));
    EXPECT_TRUE(folder.exists("~Notlar.txt"));
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
