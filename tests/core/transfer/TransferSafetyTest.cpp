// The transfer run's care with records: the journal before the next device,
// an interrupted run completed first, room on the disk before a fetch, a
// delivery in doubt not written twice, a stop between devices.
#include "core/transfer/TransferRun.h"

#include "core/base/CodePage1254.h"
#include "core/base/Error.h"
#include "core/base/FileIoTesting.h"
#include "core/base/Operator.h"
#include "core/tables/TDataModul.h"
#include "core/transfer/OutputTexts.h"
#include "core/transfer/TransferJournal.h"
#include "support/FailingFileOperation.h"
#include "support/FakeDeviceControl.h"
#include "support/RowName.h"
#include "support/TempFolder.h"
#include "support/ThrownText.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <ostream>

using namespace nakilon;
using nakilon::testsupport::FakeDeviceControl;
using nakilon::testsupport::TempFolder;
using ::testing::ElementsAre;

namespace {

class Recorder : public Operator {
public:
    std::vector<std::string> messages;
    std::function<void()> beforeDevice;
    void information(const std::string& text) override { messages.push_back(text); }
    bool confirm(const std::string&) override { return true; }
    void processEvents() override {
        if (beforeDevice)
            beforeDevice();
    }
    void repaintTransferGrid() override {}
};

LogEntry entry(int32_t personnel, int32_t day) {
    LogEntry e;
    e.personnelNumber = personnel;
    e.mode = 1;
    e.time = {{2024, 1, day}, 8, 30, 15};
    return e;
}

class TransferSafety : public ::testing::Test {
protected:
    TransferSafety() {
        m_data.CihazTable.open();
        m_values.programFolder = m_folder.path();
        m_values.outputFileName = m_folder.file("Hareketler.txt");
        m_values.entryText = "1";
        m_values.exitText = "0";
        m_control.defersMark = true;
    }
    ~TransferSafety() override { nakilon::testing::setFreeSpaceHook({}); }

    void addDevice(int32_t number, int32_t machine) {
        RecordTable& t = m_data.CihazTable;
        t.append();
        t.setInteger("CihazNo", number);
        t.setText("CihazAdi", "Cihaz" + std::to_string(number));
        t.setInteger("MakineNo", machine);
        t.setInteger("BaglantiTipi", 1);
        t.setText("IPAdres", "10.0.0.5");
        t.setInteger("Port", 5005);
        t.setInteger("Isaret", 1);
        t.post();
    }

    std::vector<DeviceOutcome> run(const TransferOptions& options = {}) {
        return runTransfer(m_data.CihazTable, m_control, m_values, options, {2024, 1, 15}, m_op);
    }
    std::string runError(const TransferOptions& options = {}) {
        return testsupport::thrownText([&] { run(options); });
    }
    bool called(const std::string& call) const {
        return std::find(m_control.calls.begin(), m_control.calls.end(), call) !=
               m_control.calls.end();
    }

    TempFolder m_folder;
    TDataModul m_data;
    ProgramValues m_values;
    FakeDeviceControl m_control;
    Recorder m_op;
};

const std::string kLine1 = "001,000001,1,2024/01/15,08:30:00,1\r\n";
const std::string kLine2 = "001,000002,1,2024/01/15,08:30:00,1\r\n";
const std::string kLine3 = "002,000003,1,2024/01/16,08:30:00,1\r\n";

} // namespace

TEST_F(TransferSafety, EachDevicesLinesAreOnDiskBeforeTheNextDeviceIsContacted) {
    addDevice(1, 7);
    addDevice(2, 8);
    m_control.terminals[7].records = {entry(1, 15), entry(2, 15)};
    m_control.terminals[8].records = {entry(3, 16)};
    std::vector<std::string> journalAtDevice;
    m_op.beforeDevice = [&] {
        std::string lines;
        if (m_folder.exists("Aktarim.gunluk"))
            for (const JournalRun& r : readJournal(m_folder.read("Aktarim.gunluk")).runs)
                for (const JournalBatch& b : r.batches)
                    lines += b.lines;
        journalAtDevice.push_back(lines);
    };
    run();
    EXPECT_THAT(journalAtDevice, ElementsAre("", kLine1 + kLine2));
    // The terminal hears that its records are stored only after that.
    EXPECT_THAT(m_control.calls,
                ElementsAre("CloseLink()", "CloseLink()", "OpenNetworkLink(7,10.0.0.5,5005,0)",
                            "SetReadMark(1)", "QueryDeviceCounter(7,6)", "FetchLogBatch(7)",
                            "TakeLogEntry(7)", "TakeLogEntry(7)", "TakeLogEntry(7)",
                            "confirmLogBatch(7)", "CloseLink()",
                            "OpenNetworkLink(8,10.0.0.5,5005,0)", "SetReadMark(1)",
                            "QueryDeviceCounter(8,6)", "FetchLogBatch(8)", "TakeLogEntry(8)",
                            "TakeLogEntry(8)", "confirmLogBatch(8)", "CloseLink()"));
    EXPECT_EQ(m_folder.read("Hareketler.txt"), kLine1 + kLine2 + kLine3);
    EXPECT_EQ(m_folder.read("Backup\\2024-01-15.txt"), kLine1 + kLine2 + kLine3);
    EXPECT_FALSE(m_folder.exists("Aktarim.gunluk")) << "cleared once both files are written";
    // Marked read: the next run finds nothing new.
    run();
    EXPECT_EQ(m_folder.read("Hareketler.txt"), kLine1 + kLine2 + kLine3);
}

TEST_F(TransferSafety, AnInterruptedRunIsCompletedBeforeAnythingElse) {
    m_folder.write("Hareketler.txt", "eski\r\n");
    {
        TransferJournal journal(m_folder.path());
        // Made before the batch: built inside its braces, the string trips
        // GCC 12's -Wmaybe-uninitialized at -O3.
        const Delivery delivery{"1/7", 2, 1};
        JournalBatch batch{0, delivery, true, kLine1 + kLine2};
        journal.addBatch(m_folder.file("Hareketler.txt"), m_folder.file("Backup\\2024-01-14.txt"),
                         batch);
    }
    addDevice(2, 8);
    m_control.terminals[8].records = {entry(3, 16)};
    run();
    EXPECT_THAT(m_op.messages, ElementsAre("Yarım kalmış bir aktarımın 2 satırı kayıt dosyasına "
                                           "ve yedek dosyasına yazıldı"));
    EXPECT_EQ(m_folder.read("Hareketler.txt"), "eski\r\n" + kLine1 + kLine2 + kLine3);
    // Into the backup file of the interrupted run's own day.
    EXPECT_EQ(m_folder.read("Backup\\2024-01-14.txt"), kLine1 + kLine2);
    EXPECT_EQ(m_folder.read("Backup\\2024-01-15.txt"), kLine3);
}

TEST_F(TransferSafety, AShortDiskStopsTheRunBeforeTheFetchAndMarksNothing) {
    m_folder.write("Hareketler.txt", "eski\r\n");
    addDevice(1, 7);
    addDevice(2, 8);
    m_control.terminals[7].records = {entry(1, 15), entry(2, 15)};
    m_control.terminals[7].counters[CounterNewLogs] = 2;
    m_control.terminals[8].records = {entry(3, 16)};
    m_control.terminals[8].counters[CounterNewLogs] = 1000;
    nakilon::testing::setFreeSpaceHook([](std::string_view) { return uint64_t{1000}; });
    // The journal takes 1000 lines of at most 51 bytes, and the output file
    // and the backup file each take them after the first device's 72 bytes:
    // 153,144 bytes on the one disk.
    EXPECT_EQ(runError(), "Diskte yeterli boş yer yok: Cihaz2 cihazının kayıtları için \"" +
                              m_folder.path().substr(0, m_folder.path().size() - 1) +
                              "\" klasörünün bulunduğu diskte 149,6 KB gerekiyor, 1000 bayt boş. "
                              "Cihazdan kayıt alınmadı; diskte yer açıp aktarımı yeniden "
                              "başlatın");
    EXPECT_FALSE(called("FetchLogBatch(8)"));
    EXPECT_EQ(m_control.terminals[8].marked, 0u);
    EXPECT_EQ(m_control.calls.back(), "CloseLink()");
    // What the first device handed out is saved.
    EXPECT_EQ(m_folder.read("Hareketler.txt"), "eski\r\n" + kLine1 + kLine2);

    nakilon::testing::setFreeSpaceHook({});
    run();
    EXPECT_EQ(m_folder.read("Hareketler.txt"), "eski\r\n" + kLine1 + kLine2 + kLine3);
}

TEST_F(TransferSafety, AJournalThatCannotBeWrittenLeavesTheRecordsInTheTerminal) {
    addDevice(1, 7);
    m_control.terminals[7].records = {entry(1, 15), entry(2, 15)};
    {
        testsupport::FailingFileOperation fullDisk("append", ENOSPC);
        EXPECT_EQ(runError(), "Cannot create file \"" + m_folder.file("Aktarim.gunluk") + "\". " +
                                  std::strerror(ENOSPC));
    }
    EXPECT_FALSE(called("confirmLogBatch(7)"));
    EXPECT_EQ(m_control.terminals[7].marked, 0u);
    EXPECT_EQ(m_folder.read("Hareketler.txt"), "");

    run();
    EXPECT_EQ(m_folder.read("Hareketler.txt"), kLine1 + kLine2);
}

TEST_F(TransferSafety, RecordsATerminalMayNotHaveMarkedAreNotWrittenTwice) {
    addDevice(1, 7);
    m_control.terminals[7].records = {entry(1, 15), entry(2, 15)};
    // The link breaks as the terminal is told its records are stored: the
    // terminal did not mark them.
    m_control.failAt(1, "Cihazla bağlantı koptu", "confirmLogBatch");
    EXPECT_EQ(runError(), "Cihazla bağlantı koptu");
    EXPECT_EQ(m_folder.read("Hareketler.txt"), kLine1 + kLine2);

    // The next run gets them again, first, with a new one behind them; the
    // row's address was edited meanwhile, the terminal is the same.
    m_data.CihazTable.first();
    m_data.CihazTable.edit();
    m_data.CihazTable.setText("IPAdres", "10.0.0.99");
    m_data.CihazTable.post();
    m_control.terminals[7].records.push_back(entry(3, 16));
    const std::vector<DeviceOutcome> outcomes = run();
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].accepted, 1);
    const std::string line3 = "001,000003,1,2024/01/16,08:30:00,1\r\n";
    EXPECT_EQ(m_folder.read("Hareketler.txt"), kLine1 + kLine2 + line3);
    EXPECT_EQ(m_folder.read("Backup\\2024-01-15.txt"), kLine1 + kLine2 + line3);

    // This time the terminal did mark them before the link broke: the next
    // batch holds only new records, and all of them are written.
    m_control.terminals[7].records.push_back(entry(4, 17));
    m_control.failAt(1, "Cihazla bağlantı koptu", "confirmLogBatch");
    EXPECT_EQ(runError(), "Cihazla bağlantı koptu");
    m_control.terminals[7].marked = 4;
    m_control.terminals[7].records.push_back(entry(5, 17));
    run();
    EXPECT_EQ(m_folder.read("Hareketler.txt"), kLine1 + kLine2 + line3 +
                                                   "001,000004,1,2024/01/17,08:30:00,1\r\n"
                                                   "001,000005,1,2024/01/17,08:30:00,1\r\n");
}

TEST_F(TransferSafety, AStopRequestEndsTheRunBetweenDevicesAndSavesWhatWasRead) {
    addDevice(1, 7);
    addDevice(2, 8);
    m_control.terminals[7].records = {entry(1, 15), entry(2, 15)};
    m_control.terminals[8].records = {entry(3, 16)};
    TransferOptions options;
    int asked = 0;
    options.stopRequested = [&] { return ++asked > 1; };
    const std::vector<DeviceOutcome> outcomes = run(options);
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_TRUE(outcomes[0].completed);
    EXPECT_TRUE(outcomes[1].stopped);
    EXPECT_FALSE(outcomes[1].connected);
    EXPECT_FALSE(called("OpenNetworkLink(8,10.0.0.5,5005,0)"));
    EXPECT_EQ(m_folder.read("Hareketler.txt"), kLine1 + kLine2);
}

TEST_F(TransferSafety, ARelativeOutputFileNameLivesInTheProgramFolder) {
    m_values.outputFileName = "Aktarilan\\Hareketler.txt";
    m_folder.write("Aktarilan\\Hareketler.txt", "eski\r\n");
    addDevice(1, 7);
    m_control.terminals[7].records = {entry(1, 15)};
    run();
    EXPECT_EQ(m_folder.read("Aktarilan\\Hareketler.txt"), "eski\r\n" + kLine1);
    EXPECT_EQ(OutputTexts::outputFileIn("/opt/n/", "/srv/Hareketler.txt"), "/srv/Hareketler.txt");
}

struct SpaceRow {
    std::string name;
    int32_t counter;    // what the terminal's counter reads
    uint64_t free;      // the disk's free bytes
    bool marksInFetch;  // the maker's component: marked as they are fetched
    std::string error;  // the run's error, "" for none
    std::string output; // the output file afterwards
    friend void PrintTo(const SpaceRow& row, std::ostream* out) { *out << row.name; }
};

class TransferSpace : public TransferSafety, public ::testing::WithParamInterface<SpaceRow> {};

TEST_P(TransferSpace, RoomIsCheckedForWhatIsFetchedAndTheCounterIsOnlyAnEstimate) {
    const SpaceRow& row = GetParam();
    m_control.defersMark = !row.marksInFetch;
    addDevice(1, 7);
    addDevice(2, 8);
    m_control.terminals[7].records = {entry(1, 15), entry(2, 15)};
    m_control.terminals[7].counters[CounterNewLogs] = row.counter;
    m_control.terminals[8].records = {entry(3, 16)};
    const uint64_t free = row.free;
    nakilon::testing::setFreeSpaceHook([free](std::string_view) { return free; });
    const std::string error = runError();
    EXPECT_EQ(row.error.empty() ? error : error.substr(0, row.error.size()), row.error);
    EXPECT_EQ(m_folder.read("Hareketler.txt"), row.output);
    if (!row.marksInFetch) {
        EXPECT_EQ(m_control.terminals[7].marked, row.output.empty() ? 0u : 2u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TransferSpace,
    ::testing::Values(SpaceRow{"ACounterNoTerminalCanHoldRefusesNothing", 2147483647, 100000, false,
                               "", kLine1 + kLine2 + kLine3},
                      // The counter announced nothing; the lines fetched need 72 bytes in
                      // each of the three files.
                      SpaceRow{"TheFetchedLinesMustFitBeforeTheTerminalIsTold", 0, 200, false,
                               "Diskte yeterli boş yer yok: Cihaz1 cihazının kayıtları için", ""},
                      SpaceRow{"LinesAlreadyMarkedAreKeptWhateverTheRoom", 0, 200, true, "",
                               kLine1 + kLine2 + kLine3}),
    testsupport::RowName());

TEST_F(TransferSafety, ALongOutputNameWorksAndOneTheSystemRefusesStopsTheRunFirst) {
    addDevice(1, 7);
    m_control.terminals[7].records = {entry(1, 15)};
    const std::string longest = std::string(251, 'h') + ".txt"; // 255 bytes, the most allowed
    m_values.outputFileName = m_folder.file(longest);
    run();
    EXPECT_EQ(m_folder.read(longest), kLine1);

    m_values.outputFileName = m_folder.file(std::string(252, 'h') + ".txt");
    m_control.calls.clear();
    EXPECT_EQ(runError().rfind("Cannot create file \"", 0), 0u);
    EXPECT_FALSE(called("OpenNetworkLink(7,10.0.0.5,5005,0)")) << "no terminal was contacted";
}

TEST_F(TransferSafety, ARunRemovesItsOwnFoldersLeftoversOnlyNeverThoseBesideTheOutput) {
    TempFolder shared;
    m_values.outputFileName = shared.file("Hareketler.txt");
    const std::string dead = "~Hareketler.txt.9999999.0.tmp"; // no such process
    shared.write(dead, "another folder's copy");
    m_folder.write("~Cihazlar.Dat.9999999.1.tmp", "x");
    m_folder.write("Backup\\~2024-01-14.txt.9999999.2.tmp", "x");
    addDevice(1, 7);
    run();
    EXPECT_TRUE(shared.exists(dead));
    EXPECT_FALSE(m_folder.exists("~Cihazlar.Dat.9999999.1.tmp"));
    EXPECT_FALSE(m_folder.exists("Backup\\~2024-01-14.txt.9999999.2.tmp"));
}

TEST_F(TransferSafety, AConfirmationThatCannotBeNotedNamesTheJournalAndLosesNothing) {
    addDevice(1, 7);
    m_control.terminals[7].records = {entry(1, 15), entry(2, 15)};
    {
        // The batch takes four appends (the run, the batch's fields, its
        // lines, its end); the confirmation is the fifth.
        testsupport::FailingFileOperation brokenDisk("append", EIO, 5);
        EXPECT_EQ(runError(), "Cannot create file \"" + m_folder.file("Aktarim.gunluk") + "\". " +
                                  std::strerror(EIO));
    }
    EXPECT_EQ(m_folder.read("Hareketler.txt"), kLine1 + kLine2);
    run();
    EXPECT_EQ(m_folder.read("Hareketler.txt"), kLine1 + kLine2);
}

TEST_F(TransferSafety, ANoteOfATerminalThatLeftTheListIsSettledByTheNextRun) {
    addDevice(1, 7);
    m_control.terminals[7].records = {entry(1, 15)};
    m_control.failAt(1, "Cihazla bağlantı koptu", "confirmLogBatch");
    EXPECT_EQ(runError(), "Cihazla bağlantı koptu");
    ASSERT_EQ(readJournal(m_folder.read("Aktarim.gunluk")).notes.size(), 1u) << "in doubt";
    m_data.CihazTable.first();
    m_data.CihazTable.remove();
    addDevice(2, 8);
    run();
    EXPECT_FALSE(m_folder.exists("Aktarim.gunluk"));
    EXPECT_EQ(m_folder.read("Hareketler.txt"), kLine1);
}

TEST_F(TransferSafety, DeliveriesInDoubtOfTwoKilledRunsAreLeftOutTogether) {
    addDevice(1, 7);
    const auto printOf = [](std::initializer_list<LogEntry> entries) {
        DeliveryPrint print;
        for (const LogEntry& e : entries)
            print.add(e);
        return Delivery{"1/7", print.count(), print.value()};
    };
    const std::string line3 = "001,000003,1,2024/01/16,08:30:00,1\r\n";
    const std::string line4 = "001,000004,1,2024/01/17,08:30:00,1\r\n";
    // A run delivered records 1 and 2 and was killed before the terminal
    // heard of it; the next run wrote them and noted the delivery.
    m_folder.write("Hareketler.txt", kLine1 + kLine2);
    m_folder.write("Backup\\2024-01-15.txt", kLine1 + kLine2);
    const std::string output = m_folder.file("Hareketler.txt");
    const std::string backup = m_folder.file("Backup\\2024-01-15.txt");
    {
        TransferJournal journal(m_folder.path());
        JournalBatch first{0, printOf({entry(1, 15), entry(2, 15)}), true, kLine1 + kLine2};
        journal.addBatch(output, backup, first);
        journal.clear(std::vector<std::string>{"1/7"});
    }
    // That run got 1 and 2 again with a new 3, left 1 and 2 out, and was
    // killed before the terminal heard of it too.
    {
        TransferJournal journal(m_folder.path());
        JournalBatch second{0, printOf({entry(1, 15), entry(2, 15), entry(3, 16)}), true, line3};
        journal.addBatch(output, backup, second);
    }
    // The terminal still holds all of them as unread, and one more.
    m_control.terminals[7].records = {entry(1, 15), entry(2, 15), entry(3, 16), entry(4, 17)};
    run();
    EXPECT_EQ(m_folder.read("Hareketler.txt"), kLine1 + kLine2 + line3 + line4);
    EXPECT_EQ(m_folder.read("Backup\\2024-01-15.txt"), kLine1 + kLine2 + line3 + line4);
}
