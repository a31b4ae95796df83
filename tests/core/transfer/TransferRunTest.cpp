#include "core/transfer/TransferRun.h"

#include "core/base/CodePage1254.h"
#include "core/base/Error.h"
#include "core/base/Operator.h"
#include "core/tables/TDataModul.h"
#include "support/FakeDeviceControl.h"
#include "support/RowName.h"
#include "support/TempFolder.h"

#include <filesystem>
#include <ostream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace nakilon;
using nakilon::testsupport::FakeDeviceControl;
using nakilon::testsupport::TempFolder;
using ::testing::ElementsAre;

namespace {

class RecordingOperator : public Operator {
public:
    std::vector<std::string> messages;
    int repaints = 0;
    int eventRounds = 0;
    void information(const std::string& text) override { messages.push_back(text); }
    bool confirm(const std::string&) override { return true; }
    void processEvents() override { ++eventRounds; }
    void repaintTransferGrid() override { ++repaints; }
};

// Every value written to TransferDurumu, row by row, in order.
class ProgressLog : public TableObserver {
public:
    explicit ProgressLog(RecordTable& table) : m_table(table) { table.addObserver(this); }
    ~ProgressLog() override { m_table.removeObserver(this); }
    std::vector<int32_t> of(int row) const {
        return m_values.count(row) ? m_values.at(row) : std::vector<int32_t>{};
    }
    void recordChanged(int row) override {
        const int32_t value = m_table.integerAt(row, m_table.fieldIndex("TransferDurumu"));
        std::vector<int32_t>& values = m_values[row];
        if (values.empty() || values.back() != value)
            values.push_back(value);
    }

private:
    RecordTable& m_table;
    std::map<int, std::vector<int32_t>> m_values;
};

LogEntry entry(int32_t personnel, int32_t y, int32_t mo, int32_t d, int32_t h = 8, int32_t mi = 30,
               int32_t mode = 1) {
    LogEntry e;
    e.personnelNumber = personnel;
    e.mode = mode;
    e.time.year = y;
    e.time.month = mo;
    e.time.day = d;
    e.time.hour = h;
    e.time.minute = mi;
    e.time.second = 15;
    return e;
}

class TransferRunTest : public ::testing::Test {
protected:
    TransferRunTest() {
        m_data.CihazTable.open();
        m_values.programFolder = m_folder.path();
        m_values.outputFileName = m_folder.file("Hareketler.txt");
        m_values.entryText = "1";
        m_values.exitText = "0";
    }

    void addDevice(int32_t number, int32_t machine, int32_t type = 1, int32_t mark = 1,
                   int32_t gcTip = 0, const char* ip = "10.0.0.5", const char* password = "1234") {
        RecordTable& t = m_data.CihazTable;
        t.append();
        t.setInteger("CihazNo", number);
        t.setText("CihazAdi", "Cihaz" + std::to_string(number));
        t.setInteger("MakineNo", machine);
        t.setInteger("BaglantiTipi", type);
        t.setText("IPAdres", ip);
        t.setText("Parola", password);
        t.setInteger("Port", 5005);
        t.setInteger("Isaret", mark);
        t.setInteger("GCTip", gcTip);
        t.setInteger("TransferDurumu", 55);
        t.setText("Aciklama", "eski");
        t.post();
    }

    std::vector<DeviceOutcome> run(const TransferOptions& options = {}) {
        return runTransfer(m_data.CihazTable, m_control, m_values, options, {2024, 1, 15}, m_op);
    }

    std::string statusOf(int row) {
        return cp1254ToUtf8(
            m_data.CihazTable.textAt(row, m_data.CihazTable.fieldIndex("Aciklama")));
    }
    int32_t progressOf(int row) {
        return m_data.CihazTable.integerAt(row, m_data.CihazTable.fieldIndex("TransferDurumu"));
    }

    TempFolder m_folder;
    TDataModul m_data;
    ProgramValues m_values;
    FakeDeviceControl m_control;
    RecordingOperator m_op;
};

} // namespace

TEST_F(TransferRunTest, NoMarkedDeviceShowsTheMessageAndWritesBothFilesBack) {
    addDevice(1, 1, 1, 0);
    m_folder.write("Hareketler.txt", "a\nb");
    run();
    EXPECT_THAT(m_op.messages, ElementsAre("En az bir cihaz seçmeniz gerekmektedir"));
    EXPECT_THAT(m_control.calls, ElementsAre("CloseLink()", "CloseLink()"));
    EXPECT_EQ(m_folder.read("Hareketler.txt"), "a\r\nb");
    EXPECT_EQ(m_folder.read("Backup\\2024-01-15.txt"), "");
    EXPECT_EQ(m_values.backupFileName, m_folder.file("Backup\\2024-01-15.txt"));
    EXPECT_EQ(progressOf(0), 0);
    EXPECT_EQ(statusOf(0), "");
}

TEST_F(TransferRunTest, MarkedDevicesAreReadInRowOrderIntoBothFiles) {
    addDevice(1, 7);
    addDevice(2, 8, 1, 0); // not marked
    addDevice(3, 9);       // cannot be reached
    m_control.terminals[7].records = {entry(123, 2024, 1, 15),
                                      entry(5, 2023, 12, 31, 17, 5, 0x0501), entry(6, 1950, 1, 1)};
    m_control.terminals[7].counters[CounterNewLogs] = 3;
    m_control.terminals[9].opens = false;
    m_folder.write("Hareketler.txt", "eski\r\n");

    const std::vector<DeviceOutcome> outcomes = run();

    const std::string lines = "001,000123,1,2024/01/15,08:30:00,1\r\n"
                              "001,000005,0,2023/12/31,17:05:00,1\r\n";
    EXPECT_EQ(m_folder.read("Hareketler.txt"), "eski\r\n" + lines);
    EXPECT_EQ(m_folder.read("Backup\\2024-01-15.txt"), lines);
    EXPECT_THAT(m_control.calls,
                ElementsAre("CloseLink()", "CloseLink()", "OpenNetworkLink(7,10.0.0.5,5005,1234)",
                            "SetReadMark(1)", "QueryDeviceCounter(7,6)", "FetchLogBatch(7)",
                            "TakeLogEntry(7)", "TakeLogEntry(7)", "TakeLogEntry(7)",
                            "TakeLogEntry(7)", "confirmLogBatch(7)", "CloseLink()",
                            "OpenNetworkLink(9,10.0.0.5,5005,1234)"));
    EXPECT_EQ(statusOf(0), "Aktarım Tamamlandı");
    EXPECT_EQ(progressOf(0), 100);
    EXPECT_EQ(statusOf(1), "");
    EXPECT_EQ(progressOf(1), 0);
    EXPECT_EQ(statusOf(2), "Bağlantı kurulamadı");
    EXPECT_EQ(progressOf(2), 0);
    EXPECT_EQ(m_op.eventRounds, 2) << "events are handled once before each device";
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_TRUE(outcomes[0].completed);
    EXPECT_EQ(outcomes[0].accepted, 2);
    EXPECT_FALSE(outcomes[1].connected);
    EXPECT_TRUE(m_op.messages.empty());
}

TEST_F(TransferRunTest, ProgressIsWrittenOnlyWhenThePercentageChanges) {
    addDevice(1, 7);
    for (int i = 0; i < 8; ++i)
        m_control.terminals[7].records.push_back(entry(i, 2024, 1, 15));
    m_control.terminals[7].records.push_back(entry(99, 1950, 1, 15)); // dropped, not counted
    m_control.terminals[7].counters[CounterNewLogs] = 8;
    ProgressLog log(m_data.CihazTable);
    run();
    // 1/8 = 12.5 rounds to 12, 3/8 = 37.5 to 38, 5/8 = 62.5 to 62, 7/8 = 87.5 to 88.
    EXPECT_THAT(log.of(0), ElementsAre(0, 12, 25, 38, 50, 62, 75, 88, 100));
}

TEST_F(TransferRunTest, ACounterOfZeroCountsAsOne) {
    addDevice(1, 7);
    m_control.terminals[7].records = {entry(1, 2024, 1, 15), entry(2, 2024, 1, 15),
                                      entry(3, 2024, 1, 15)};
    ProgressLog log(m_data.CihazTable);
    run();
    EXPECT_THAT(log.of(0), ElementsAre(0, 100, 200, 300, 100));
}

TEST_F(TransferRunTest, RecordsThatAllFailTheFilterLeaveProgressAtZero) {
    addDevice(1, 7);
    m_control.terminals[7].records = {entry(1, 2024, 13, 1), entry(2, 2024, 1, 15, 8, 60)};
    run();
    EXPECT_EQ(statusOf(0), "Aktarım Tamamlandı");
    EXPECT_EQ(progressOf(0), 0);
    EXPECT_EQ(m_folder.read("Hareketler.txt"), "");
}

TEST_F(TransferRunTest, FilterBoundaries) {
    addDevice(1, 7, 1, 1, 1);
    m_control.terminals[7].records = {
        entry(1, 1951, 1, 1, 24, 0), entry(2, 2099, 12, 31, 0, 59), entry(3, 2100, 1, 1),
        entry(4, 2024, 0, 1),        entry(5, 2024, 4, 31),         entry(6, 2024, 1, 32),
        entry(7, 2024, 1, 1, 25),    entry(8, 2024, 1, 1, -1),      entry(9, 0, 1, 1)};
    LogEntry secondTooLarge = entry(10, 2024, 1, 1);
    secondTooLarge.time.second = 60;
    m_control.terminals[7].records.push_back(secondTooLarge);
    run();
    EXPECT_EQ(m_folder.read("Hareketler.txt"), "001,000001,1,1951/01/01,24:00:00,1\r\n"
                                               "001,000002,1,2099/12/31,00:59:00,1\r\n"
                                               "001,000005,1,2024/04/31,08:30:00,1\r\n");
}

TEST_F(TransferRunTest, BackupModeReadsAllRecordsWithinTheDateRange) {
    addDevice(1, 7, 1, 1, 1);
    m_control.terminals[7].records = {entry(1, 2024, 1, 14), entry(2, 2024, 1, 15),
                                      entry(3, 2024, 4, 31), entry(4, 2091, 8, 25),
                                      entry(5, 2091, 8, 26)};
    TransferOptions options;
    options.backupMode = true;
    options.fromDay = dayNumber(2024, 1, 15);
    run(options);
    EXPECT_THAT(m_control.calls, ::testing::Contains("SetReadMark(0)"));
    EXPECT_THAT(m_control.calls, ::testing::Contains("QueryDeviceCounter(7,8)"));
    // From 15 January 2024 up to day 70000 (25 August 2091); 31 April does not exist.
    EXPECT_EQ(m_folder.read("Hareketler.txt"), "001,000002,1,2024/01/15,08:30:00,1\r\n"
                                               "001,000004,1,2091/08/25,08:30:00,1\r\n");
}

TEST_F(TransferRunTest, BackupModeWithOnlyAnUpperBoundOrNoBound) {
    addDevice(1, 7, 1, 1, 1);
    m_control.terminals[7].records = {entry(1, 1951, 1, 1), entry(2, 2024, 1, 15),
                                      entry(3, 2024, 1, 16)};
    TransferOptions options;
    options.backupMode = true;
    options.toDay = dayNumber(2024, 1, 15);
    run(options);
    EXPECT_EQ(m_folder.read("Hareketler.txt"), "001,000001,1,1951/01/01,08:30:00,1\r\n"
                                               "001,000002,1,2024/01/15,08:30:00,1\r\n");
    options.toDay.reset();
    run(options);
    EXPECT_EQ(m_folder.read("Backup\\2024-01-15.txt"),
              "001,000001,1,1951/01/01,08:30:00,1\r\n001,000002,1,2024/01/15,08:30:00,1\r\n"
              "001,000001,1,1951/01/01,08:30:00,1\r\n001,000002,1,2024/01/15,08:30:00,1\r\n"
              "001,000003,1,2024/01/16,08:30:00,1\r\n");
}

TEST_F(TransferRunTest, ConnectionTypesPickTheirOpenCall) {
    addDevice(1, 2, 2);
    addDevice(2, 3, 3);
    addDevice(3, 4, 9);
    addDevice(4, 5, 1, 1, 0, "192.168.1.20", "abc");
    m_control.terminals[2];
    m_control.terminals[3];
    m_control.terminals[4];
    m_control.terminals[5].opens = false;
    run();
    // Type 9 (machine 4) is not opened at all.
    EXPECT_THAT(m_control.calls,
                ElementsAre("CloseLink()", "CloseLink()", "OpenSerialLink(2,5005,115200)",
                            "SetReadMark(1)", "QueryDeviceCounter(2,6)", "FetchLogBatch(2)",
                            "TakeLogEntry(2)", "CloseLink()", "OpenSerialLink(3,0,115200)",
                            "SetReadMark(1)", "QueryDeviceCounter(3,6)", "FetchLogBatch(3)",
                            "TakeLogEntry(3)", "CloseLink()",
                            "OpenNetworkLink(5,192.168.1.20,5005,0)"));
    EXPECT_EQ(statusOf(2), "Bağlantı kurulamadı");
}

TEST_F(TransferRunTest, ALinkThatBreaksKeepsTheLinesReadSoFarAndClosesTheLink) {
    addDevice(1, 7);
    addDevice(2, 8);
    m_control.terminals[7].records = {entry(1, 2024, 1, 15)};
    m_control.terminals[8].records = {entry(2, 2024, 1, 15), entry(3, 2024, 1, 15)};
    // The second take of terminal 8 (the fourth take of the run) breaks.
    m_control.failAt(4, "Cihazla bağlantı koptu", "TakeLogEntry");
    try {
        run();
        ADD_FAILURE() << "the broken link must be reported";
    } catch (const Error& e) {
        EXPECT_EQ(e.text(), "Cihazla bağlantı koptu");
    }
    const std::string lines = "001,000001,1,2024/01/15,08:30:00,1\r\n"
                              "002,000002,1,2024/01/15,08:30:00,1\r\n";
    EXPECT_EQ(m_folder.read("Hareketler.txt"), lines);
    EXPECT_EQ(m_folder.read("Backup\\2024-01-15.txt"), lines);
    EXPECT_EQ(m_control.calls.back(), "CloseLink()");
    EXPECT_FALSE(m_control.linkOpen());
}

// A fetch answering false may mean "nothing there"; after a counter that
// announced records it is a refusal, which stops the run like an error and
// is never shown as a device without records.
struct RefusedFetch {
    const char* name;
    int records; // held by the second terminal, as its counter says
    const char* error;
    friend void PrintTo(const RefusedFetch& row, std::ostream* out) { *out << row.name; }
};

class RefusedFetchTest : public TransferRunTest,
                         public ::testing::WithParamInterface<RefusedFetch> {};

TEST_P(RefusedFetchTest, IsAFailureOnlyWhenRecordsWereAnnounced) {
    const RefusedFetch& c = GetParam();
    addDevice(1, 7);
    addDevice(2, 8);
    m_control.terminals[7].records = {entry(1, 2024, 1, 15)};
    m_control.terminals[8].records.assign(static_cast<size_t>(c.records), entry(2, 2024, 1, 15));
    m_control.terminals[8].counters[CounterNewLogs] = c.records;
    m_control.refuseAt(2, "FetchLogBatch");
    std::string error;
    try {
        run();
    } catch (const Error& e) {
        error = e.text();
    }
    EXPECT_EQ(error, c.error);
    const std::string lines = "001,000001,1,2024/01/15,08:30:00,1\r\n";
    EXPECT_EQ(m_folder.read("Hareketler.txt"), lines);
    EXPECT_EQ(m_folder.read("Backup\\2024-01-15.txt"), lines);
    EXPECT_FALSE(m_control.linkOpen());
}

INSTANTIATE_TEST_SUITE_P(
    TransferRun, RefusedFetchTest,
    ::testing::Values(RefusedFetch{"NothingAnnounced", 0, ""},
                      RefusedFetch{"RecordsAnnounced", 2,
                                   "Cihaz, kayıtları aktarma isteğini reddetti (Makine No 8): "
                                   "sayacı 2 kayıt gösteriyordu"}),
    nakilon::testsupport::RowName());

// The output file may not be one of the program's own files: transfer lines
// would destroy it. Refused before any terminal is contacted.
struct ProgramFileRow {
    const char* name;
    const char* setting; // KayitDosyasi
    bool link;           // a symbolic link of that name to the device list
    friend void PrintTo(const ProgramFileRow& row, std::ostream* out) { *out << row.name; }
};

class OutputIsAProgramFile : public TransferRunTest,
                             public ::testing::WithParamInterface<ProgramFileRow> {};

TEST_P(OutputIsAProgramFile, IsRefusedAndNothingChanges) {
    const ProgramFileRow& c = GetParam();
    const std::string devices = "CihazNo\tCihazAdi\r\n";
    m_folder.write("Cihazlar.Dat", devices);
    if (c.link) {
#ifdef _WIN32
        GTEST_SKIP() << "symbolic links need a privilege that the Windows test user lacks";
#else
        std::filesystem::create_symlink(m_folder.file("Cihazlar.Dat"), m_folder.file(c.setting));
#endif
    }
    addDevice(1, 7);
    m_control.terminals[7].records = {entry(1, 2024, 1, 15)};
    m_values.outputFileName = c.setting;
    std::string error;
    try {
        run();
    } catch (const Error& e) {
        error = e.text();
    }
    EXPECT_EQ(error.rfind("Kayıt dosyası programın kendi dosyası olamaz: \"", 0), 0u) << error;
    EXPECT_THAT(m_control.calls, ElementsAre("CloseLink()"));
    EXPECT_EQ(m_folder.read("Cihazlar.Dat"), devices);
    EXPECT_FALSE(m_folder.exists("Aktarim.gunluk"));
}

INSTANTIATE_TEST_SUITE_P(
    TransferRun, OutputIsAProgramFile,
    ::testing::Values(ProgramFileRow{"Journal", "Aktarim.gunluk", false},
                      ProgramFileRow{"DeviceList", "Cihazlar.Dat", false},
                      ProgramFileRow{"DeviceListSpelledOtherwise", "Data\\..\\Cihazlar.Dat", false},
                      ProgramFileRow{"LinkToTheDeviceList", "liste.txt", true},
                      ProgramFileRow{"Settings", "Ayarlar.ini", false},
                      ProgramFileRow{"PersonnelList", "Data\\Personel.PDT", false},
                      ProgramFileRow{"Program", "nakilon-aktar", false}),
    nakilon::testsupport::RowName());

TEST(ProgressPercent, RoundsHalvesToEven) {
    EXPECT_EQ(progressPercent(1, 8), 12);
    EXPECT_EQ(progressPercent(3, 8), 38);
    EXPECT_EQ(progressPercent(1, 200), 0);
    EXPECT_EQ(progressPercent(3, 200), 2);
    EXPECT_EQ(progressPercent(2, 3), 67);
    EXPECT_EQ(progressPercent(5, 1), 500);
}

TEST(DayNumber, CountsFromThirtiethOfDecember1899) {
    EXPECT_EQ(dayNumber(1899, 12, 30), 0);
    EXPECT_EQ(dayNumber(1900, 1, 1), 2);
    EXPECT_EQ(dayNumber(2091, 8, 25), 70000);
    EXPECT_EQ(dayNumber(2024, 2, 29), 45351);
    EXPECT_FALSE(dayNumber(2023, 2, 29).has_value());
    EXPECT_FALSE(dayNumber(2024, 4, 31).has_value());
    EXPECT_FALSE(dayNumber(0, 1, 1).has_value());
}
