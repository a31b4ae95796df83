#include "core/transfer/TransferRun.h"

#include "core/base/CodePage1254.h"
#include "core/base/Error.h"
#include "core/base/FileIdentity.h"
#include "core/base/FilePaths.h"
#include "core/base/Operator.h"
#include "core/base/ProgramFolder.h"
#include "core/base/TemporaryCopies.h"
#include "core/base/Text.h"
#include "core/device/ConnectionProcedure.h"
#include "core/device/DeviceControl.h"
#include "core/settings/ProgramSettings.h"
#include "core/tables/TDataModul.h"
#include "core/transfer/JournalRecovery.h"
#include "core/transfer/OutputLine.h"
#include "core/transfer/OutputTexts.h"
#include "core/transfer/SpaceCheck.h"
#include "core/transfer/TransferJournal.h"

#include <algorithm>
#include <chrono>
#include <exception>

namespace nakilon {

namespace {

// A snapshot of one marked device, taken before the first device is contacted.
struct TransferJob {
    int32_t recId = 0;
    int32_t deviceNumber = 0;
    ConnectionValues connection;
    int32_t entryExitType = 0;
    int32_t percentage = 0;
    int32_t writtenPercentage = -1;
    DeviceOutcome outcome;
};

std::string tableText(const char* utf8) {
    return utf8ToCp1254(utf8).value_or(std::string());
}

// Which terminal a device row stands for, for the journal's notes between
// runs: its number in the list and its machine number, which stay when the
// row's address or port is edited.
std::string terminalKey(int32_t deviceNumber, int32_t machineNumber) {
    return std::to_string(deviceNumber) + "/" + std::to_string(machineNumber);
}

std::string terminalKey(const TransferJob& job) {
    return terminalKey(job.deviceNumber, job.connection.machineNumber);
}

// More records than any terminal holds: a counter that reads so is no
// estimate to refuse a run by.
constexpr int64_t kMostRecordsOfATerminal = 10'000'000;

// The longest line a record of the device can give.
uint64_t lineBound(const TransferJob& job, const ProgramValues& values) {
    return longestOutputLine(std::to_string(job.deviceNumber).size(),
                             std::max(values.entryText.size(), values.exitText.size()));
}

// Transfer lines written into the journal, the device list, the settings,
// the personnel list or a program would destroy it, and the journal would
// look like another run's: such an output file is refused before any
// terminal is contacted.
void requireNotProgramFile(std::string_view programFolder, const std::string& outputFile) {
    std::vector<std::string> own;
    for (const std::string_view name :
         {TransferJournal::FileName, TDataModul::kCihazFile, settings::FileName})
        own.push_back(programFile(programFolder, name));
    own.push_back(own.front() + ".lock");
    own.push_back(programFile(programFolder, TDataModul::personelFile()));
    for (const char* program : {"nakilon", "nakilon-aktar", "nakilon-terminal"})
        for (const char* suffix : {"", ".exe"})
            own.push_back(programFile(programFolder, std::string(program) + suffix));
    own.push_back(pathToUtf8(executablePath()));
    for (const std::string& file : own)
        if (sameFile(outputFile, file))
            throw Error(formatText(OwnFileAsOutputText, messageQuote(outputFile).c_str()));
}

class Run {
public:
    Run(const std::vector<TransferDevice>& devices, TransferRows& rows, DeviceControl& control,
        ProgramValues& values, Operator& op)
        : m_devices(devices), m_rows(rows), m_control(control), m_values(values), m_op(op),
          m_journal(values.programFolder) {}

    std::vector<DeviceOutcome> execute(const TransferOptions& options, const Date& today);

private:
    void setDeviceStatus(int32_t recId, const char* text);
    void setDeviceProgress(int32_t recId, int32_t percentage, int32_t writtenPercentage);
    std::vector<TransferJob> makeJobs() const;
    void transferDevice(TransferJob& job, bool backupMode, const DateRange& range);
    void openTexts(const Date& today);
    void requireSpace(const TransferJob& job, uint64_t fresh);
    void keepLines(const TransferJob& job, bool backupMode, const DeliveryPrint& print,
                   bool confirm);
    void save(const std::vector<TransferJob>& jobs);

    const std::vector<TransferDevice>& m_devices;
    TransferRows& m_rows;
    DeviceControl& m_control;
    ProgramValues& m_values;
    Operator& m_op;
    TransferJournal m_journal;
    OutputTexts m_texts;
    std::string m_line;
    std::string m_lines; // the lines of the device in hand
    TransferOptions m_options;
};

void Run::setDeviceStatus(int32_t recId, const char* text) {
    m_rows.setStatus(recId, tableText(text));
}

void Run::setDeviceProgress(int32_t recId, int32_t percentage, int32_t writtenPercentage) {
    if (percentage == writtenPercentage)
        return;
    m_rows.setProgress(recId, percentage);
}

std::vector<TransferJob> Run::makeJobs() const {
    std::vector<TransferJob> jobs;
    for (const TransferDevice& device : m_devices) {
        if (!device.marked)
            continue;
        TransferJob job;
        job.recId = device.recId;
        job.deviceNumber = device.deviceNumber;
        job.connection = device.connection;
        job.entryExitType = device.entryExitType;
        job.outcome.recId = job.recId;
        job.outcome.name = device.name;
        jobs.push_back(std::move(job));
    }
    return jobs;
}

void Run::requireSpace(const TransferJob& job, uint64_t fresh) {
    // The journal takes the new lines once, and each file once more, after
    // the lines of the earlier devices.
    const uint64_t run = m_texts.lines().size() + fresh;
    requireFreeSpace({{m_journal.fileName(), fresh},
                      {m_texts.outputFileName(), run},
                      {m_texts.backupFileName(), run}},
                     cp1254ToUtf8(job.outcome.name));
}

void Run::keepLines(const TransferJob& job, bool backupMode, const DeliveryPrint& print,
                    bool confirm) {
    JournalBatch batch;
    batch.delivery = {terminalKey(job), print.count(), print.value()};
    batch.readMark = !backupMode;
    batch.lines = std::move(m_lines);
    const bool markedAlready = batch.readMark && !m_control.marksLogsOnConfirm();
    // Lines a terminal still holds as unread must find room before it is told
    // they are stored; those it marked in the fetch are kept whatever comes.
    if (!markedAlready)
        requireSpace(job, batch.lines.size());
    const auto journalError = [&](const IoError& e) {
        return Error(formatText("Cannot create file \"%s\". %s",
                                messageQuote(m_journal.fileName()).c_str(), e.reason().c_str()));
    };
    try {
        m_journal.addBatch(m_texts.outputFileName(), m_texts.backupFileName(), batch);
    } catch (const IoError& e) {
        // A terminal that lets its mark wait still holds these records as
        // unread; the component's terminals marked them in the fetch, so the
        // lines are kept for the files at least.
        if (markedAlready)
            m_texts.addLines(std::move(batch.lines));
        throw journalError(e);
    }
    m_texts.addLines(std::move(batch.lines));
    if (batch.readMark && confirm) {
        m_control.confirmLogBatch(job.connection.machineNumber);
        try {
            m_journal.addConfirmation(batch.sequence);
        } catch (const IoError& e) {
            throw journalError(e);
        }
    }
}

void Run::transferDevice(TransferJob& job, bool backupMode, const DateRange& range) {
    setDeviceStatus(job.recId, status::Connecting);
    if (connectDevice(m_control, job.connection) != ConnectResult::Connected) {
        setDeviceStatus(job.recId, status::NotConnected);
        return;
    }
    job.outcome.connected = true;
    setDeviceStatus(job.recId, status::Transferring);

    const int32_t machine = job.connection.machineNumber;
    m_control.SetReadMark(!backupMode);
    int32_t expected = 0;
    const bool counted = m_control.QueryDeviceCounter(
        machine, backupMode ? CounterAllLogs : CounterNewLogs, expected);
    // The counter serves the progress bar and a first estimate of the room
    // needed; a count no terminal can hold refuses nothing.
    if (expected > 0 && expected <= kMostRecordsOfATerminal)
        requireSpace(job, static_cast<uint64_t>(expected) * lineBound(job, m_values));
    // A fetch that answers false may only mean "nothing there"; but when the
    // counter has just announced records, the terminal refused to hand them
    // out, and the run must not pass that off as a device without records.
    if (!m_control.FetchLogBatch(machine) && counted && expected > 0)
        throw Error(refusalError("kayıtları aktarma", machine).text() + ": sayacı " +
                    std::to_string(expected) + " kayıt gösteriyordu");
    if (expected < 1)
        expected = 1;

    // Records of an earlier delivery that the terminal may not have marked
    // come first again; they are in the files already.
    const std::vector<Delivery> notes =
        backupMode ? std::vector<Delivery>() : m_journal.notesFor(terminalKey(job));
    DeliveryPrint print;
    uint64_t delivered = 0;
    size_t repeatedBytes = 0;
    int32_t repeatedLines = 0;
    bool repeated = false;

    int32_t terminal = 0, entryMachine = 0;
    OutputRecord record;
    record.deviceNumber = job.deviceNumber;
    record.entryExitType = job.entryExitType;
    LogEntry& e = record.entry;
    DateTime& t = e.time;
    m_lines.clear();
    // Room for the lines the counter announces (within reason: a terminal may
    // report anything), so that a large batch is not copied as it grows.
    const uint64_t room = static_cast<uint64_t>(expected) * lineBound(job, m_values);
    if (room < (uint64_t{1} << 29))
        m_lines.reserve(static_cast<size_t>(room));
    try {
        while (m_control.TakeLogEntry(machine, terminal, e.personnelNumber, entryMachine, e.mode,
                                      t.year, t.month, t.day, t.hour, t.minute, t.second)) {
            ++delivered;
            if (!backupMode)
                print.add(e);
            if (acceptEntry(e, range)) {
                makeOutputLine(m_line, record, m_values.entryText, m_values.exitText);
                m_lines += m_line;
                m_lines += OutputLineEnd;
                ++job.outcome.accepted;
                job.percentage = progressPercent(job.outcome.accepted, expected);
                setDeviceProgress(job.recId, job.percentage, job.writtenPercentage);
                job.writtenPercentage = job.percentage;
            }
            // Runs killed one after the other may leave several deliveries
            // in doubt, each longer than the one before: the terminal hands
            // them out again as one head, and all of it is in the files.
            for (const Delivery& note : notes) {
                if (print.count() == note.count && print.value() == note.print) {
                    repeated = true;
                    repeatedBytes = m_lines.size();
                    repeatedLines = job.outcome.accepted;
                    m_journal.settleNote(note);
                }
            }
        }
    } catch (...) {
        // A link that broke half-way through the records: a terminal that
        // marked them in the fetch has them no more, so what arrived is kept.
        if (delivered > 0 && (backupMode || !m_control.marksLogsOnConfirm())) {
            try {
                keepLines(job, backupMode, print, false);
            } catch (const Error&) {
            }
        }
        throw;
    }
    if (repeated) {
        m_lines.erase(0, repeatedBytes);
        job.outcome.accepted -= repeatedLines;
    }
    // A terminal that handed out nothing has nothing to keep or to mark.
    if (delivered > 0)
        keepLines(job, backupMode, print, true);
    m_control.CloseLink();
    job.outcome.completed = true;
    setDeviceStatus(job.recId, status::Completed);
    if (job.outcome.accepted > 0)
        m_rows.setProgress(job.recId, 100);
    m_op.repaintTransferGrid();
}

void Run::openTexts(const Date& today) {
    m_values.backupFileName =
        OutputTexts::backupFileName(m_values.programFolder, today.year, today.month, today.day);
    const std::string outputFile =
        OutputTexts::outputFileIn(m_values.programFolder, m_values.outputFileName);
    requireNotProgramFile(m_values.programFolder, outputFile);
    if (!m_journal.lock(std::chrono::milliseconds(OutputTexts::kLockWaitMilliseconds)))
        throw TransferBusyError();
    const RecoveryReport report = recoverTransfer(m_journal, outputFile, m_values.backupFileName);
    for (const std::string& text : recoveryTexts(report))
        m_op.information(text);
    if (report.damagedBytes > 0 && m_options.journalDamaged)
        m_options.journalDamaged();
    m_texts.open(outputFile, m_values.backupFileName);
    // Copies that crashed writes of this program folder left behind.
    for (const std::string& folder :
         {m_values.programFolder, programFile(m_values.programFolder, OutputTexts::kBackupFolder),
          programFile(m_values.programFolder, TDataModul::kDataFolder)})
        removeLeftoverCopies(folder);
}

void Run::save(const std::vector<TransferJob>& jobs) {
    m_texts.save(m_journal);
    if (!m_journal.holdsAnything())
        return;
    // The terminals of the list still to be read: a note of any other one is
    // settled.
    std::vector<std::string> read, pending;
    for (const TransferJob& job : jobs)
        if (job.outcome.completed)
            read.push_back(terminalKey(job));
    for (const TransferDevice& device : m_devices) {
        const std::string key = terminalKey(device.deviceNumber, device.connection.machineNumber);
        if (std::find(read.begin(), read.end(), key) == read.end())
            pending.push_back(key);
    }
    try {
        m_journal.clear(pending);
    } catch (const IoError&) {
        // Both files are complete; the next run finds them done.
    }
}

std::vector<DeviceOutcome> Run::execute(const TransferOptions& options, const Date& today) {
    m_options = options;
    m_control.CloseLink();
    m_rows.resetProgress();

    const bool backupMode = options.backupMode;
    const DateRange range =
        backupMode ? DateRange::fromEditors(options.fromDay, options.toDay) : DateRange{};

    openTexts(today);

    std::vector<TransferJob> jobs;
    try {
        m_rows.clearStatus();
        m_control.CloseLink();

        jobs = makeJobs();
        if (jobs.empty())
            m_op.information(NoDeviceMarkedText);
        bool stopped = false;
        for (TransferJob& job : jobs) {
            stopped = stopped || (options.stopRequested && options.stopRequested());
            if (stopped) {
                job.outcome.stopped = true;
                continue;
            }
            m_op.processEvents();
            transferDevice(job, backupMode, range);
        }
    } catch (...) {
        // Keep what the terminals have already handed out, give the link up,
        // and only then report the failure. A failing save outranks the
        // device's error: it is the one that loses records.
        const std::exception_ptr failure = std::current_exception();
        m_control.CloseLink();
        save(jobs);
        std::rethrow_exception(failure);
    }
    save(jobs);

    std::vector<DeviceOutcome> outcomes;
    outcomes.reserve(jobs.size());
    for (TransferJob& job : jobs)
        outcomes.push_back(std::move(job.outcome));
    return outcomes;
}

} // namespace

int32_t progressPercent(int64_t accepted, int64_t expected) {
    const int64_t scaled = accepted * 100;
    int64_t quotient = scaled / expected;
    const int64_t twiceRemainder = (scaled % expected) * 2;
    if (twiceRemainder > expected || (twiceRemainder == expected && quotient % 2 != 0))
        ++quotient;
    return static_cast<int32_t>(quotient);
}

std::vector<DeviceOutcome> runTransfer(const std::vector<TransferDevice>& devices,
                                       TransferRows& rows, DeviceControl& control,
                                       ProgramValues& values, const TransferOptions& options,
                                       const Date& today, Operator& op) {
    Run run(devices, rows, control, values, op);
    return run.execute(options, today);
}

std::vector<DeviceOutcome> runTransfer(RecordTable& cihazTable, DeviceControl& control,
                                       ProgramValues& values, const TransferOptions& options,
                                       const Date& today, Operator& op) {
    TableTransferRows rows(cihazTable, op);
    return runTransfer(transferDevicesOf(cihazTable), rows, control, values, options, today, op);
}

} // namespace nakilon
