// The transfer run's cost: a million records from one emulated terminal over
// loopback into both files, beside one plain write of the same bytes (the
// journal's copy of the lines and the two files); and a run that adds 1,000
// lines to an output file of 10 or 100 MB.
#include "core/base/FilePaths.h"
#include "core/base/FileRead.h"
#include "core/tables/FieldNames.h"
#include "core/tables/TDataModul.h"
#include "core/transfer/TransferRun.h"
#include "emulator/net/EmulatorDeviceControl.h"
#include "support/LoopbackTerminal.h"
#include "support/RecordingOperator.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sys/resource.h>
#include <unistd.h>

using namespace nakilon;

namespace {

// Counts the writes of a device's progress into its row.
class ProgressWrites : public TableObserver {
public:
    explicit ProgressWrites(RecordTable& table) : m_table(table) { table.addObserver(this); }
    ~ProgressWrites() override { m_table.removeObserver(this); }
    void recordChanged(int row) override {
        const int32_t value = m_table.integerAt(row, m_table.fieldIndex(field::TransferDurumu));
        if (value != m_last)
            ++count;
        m_last = value;
    }
    int count = 0;

private:
    RecordTable& m_table;
    int32_t m_last = 0;
};

std::string benchFolder() {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("nakilon-bench-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return pathToUtf8(folder) + "/";
}

void openDeviceList(TDataModul& data, uint16_t port) {
    data.CihazTable.open();
    data.CihazTable.append();
    data.CihazTable.setInteger(field::CihazNo, 1);
    data.CihazTable.setText(field::CihazAdi, "Cihaz1");
    data.CihazTable.setInteger(field::MakineNo, 1);
    data.CihazTable.setInteger(field::BaglantiTipi, 1);
    data.CihazTable.setText(field::IPAdres, "127.0.0.1");
    data.CihazTable.setInteger(field::Port, port);
    data.CihazTable.setInteger(field::Isaret, 1);
    data.CihazTable.setInteger(field::GCTip, 0);
    data.CihazTable.post();
}

double peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void millionRecordsIntoBothFiles(benchmark::State& state) {
    const int records = static_cast<int>(state.range(0));
    testsupport::LoopbackTerminal terminal(testsupport::terminalWithRecords(records));
    const uint16_t port = terminal.port();
    const std::string folder = benchFolder();

    double plainSeconds = 0;
    double plainSyncedSeconds = 0;
    double runSeconds = 0;
    double fetchSeconds = 0;
    int progressWrites = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(pathFromUtf8(folder + "Hareketler.txt"));
        std::filesystem::remove_all(pathFromUtf8(folder + "Backup"));
        TDataModul data;
        openDeviceList(data, port);
        ProgressWrites writes(data.CihazTable);
        ProgramValues values{folder, folder + "Hareketler.txt", "1", "0", ""};
        testsupport::RecordingOperator op;
        const std::unique_ptr<DeviceControl> control = makeEmulatorDeviceControl();
        TransferOptions options;
        options.backupMode = true; // every record, on every iteration
        state.ResumeTiming();

        const auto runStart = std::chrono::steady_clock::now();
        runTransfer(data.CihazTable, *control, values, options, {2024, 1, 15}, op);
        runSeconds +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - runStart).count();

        state.PauseTiming();
        progressWrites = writes.count;
        // The terminal's part alone: the same records fetched and taken over
        // loopback, nothing written.
        const auto fetchStart = std::chrono::steady_clock::now();
        control->SetReadMark(false);
        control->OpenNetworkLink(1, "127.0.0.1", port, 0);
        control->FetchLogBatch(1);
        int32_t v[10] = {};
        while (control->TakeLogEntry(1, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9]))
            ;
        control->CloseLink();
        fetchSeconds +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - fetchStart).count();
        // The same bytes (the journal's copy and both files) with one plain
        // write each, for comparison; once as a bare write, once flushed to
        // disk like the run.
        const std::string bytes = readWholeFile(folder + "Hareketler.txt");
        const auto plainWrite = [&](bool flush) {
            const auto start = std::chrono::steady_clock::now();
            for (const char* name : {"plain1.txt", "plain2.txt", "plain3.txt"}) {
                FILE* file = std::fopen((folder + name).c_str(), "wb");
                std::fwrite(bytes.data(), 1, bytes.size(), file);
                std::fflush(file);
                if (flush)
                    ::fsync(::fileno(file));
                std::fclose(file);
            }
            return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        };
        plainSeconds = plainWrite(false);
        plainSyncedSeconds = plainWrite(true);
        state.counters["output_MB"] = static_cast<double>(bytes.size()) / 1e6;
        state.ResumeTiming();
    }
    state.counters["plain_write_ms"] = plainSeconds * 1000;
    state.counters["plain_fsync_ms"] = plainSyncedSeconds * 1000;
    const double iterations = static_cast<double>(state.iterations());
    state.counters["fetch_ms"] = fetchSeconds / iterations * 1000;
    state.counters["run_per_plain_fsync"] = runSeconds / iterations / plainSyncedSeconds;
    // What the program adds to the terminal's part, against the plain write.
    state.counters["own_per_plain_fsync"] =
        (runSeconds - fetchSeconds) / iterations / plainSyncedSeconds;
    state.counters["progress_writes"] = progressWrites;
    state.counters["peak_MB"] = peakMegabytes();
    std::filesystem::remove_all(pathFromUtf8(folder));
}

// Written in pieces, so that the benchmark itself never holds the file.
void writeLargeOutputFile(const std::string& name, uint64_t bytes) {
    const std::string line = "001,001234,1,2024/01/15,08:30:00,1\r\n";
    std::string piece;
    while (piece.size() < (1u << 20))
        piece += line;
    FILE* file = std::fopen(name.c_str(), "wb");
    for (uint64_t written = 0; written < bytes; written += piece.size())
        std::fwrite(piece.data(), 1, piece.size(), file);
    std::fclose(file);
}

// The cost of a run that adds 1,000 lines to an output file of 10 or 100 MB:
// the first run onto a file that another program wrote reads it through once
// for its line breaks (first_run_ms); the runs timed find it as the program
// left it.
void thousandLinesOntoALargeOutputFile(benchmark::State& state) {
    testsupport::LoopbackTerminal terminal(testsupport::terminalWithRecords(1000));
    const uint16_t port = terminal.port();
    const std::string folder = benchFolder();
    writeLargeOutputFile(folder + "Hareketler.txt",
                         static_cast<uint64_t>(state.range(0)) * 1'000'000);
    const auto runOnce = [&] {
        TDataModul data;
        openDeviceList(data, port);
        ProgramValues values{folder, folder + "Hareketler.txt", "1", "0", ""};
        testsupport::RecordingOperator op;
        const std::unique_ptr<DeviceControl> control = makeEmulatorDeviceControl();
        TransferOptions options;
        options.backupMode = true;
        runTransfer(data.CihazTable, *control, values, options, {2024, 1, 15}, op);
    };
    const auto firstStart = std::chrono::steady_clock::now();
    runOnce();
    const double firstMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - firstStart)
            .count();
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove_all(pathFromUtf8(folder + "Backup"));
        state.ResumeTiming();
        runOnce();
    }
    state.counters["first_run_ms"] = firstMs;
    state.counters["peak_MB"] = peakMegabytes();
    std::filesystem::remove_all(pathFromUtf8(folder));
}

} // namespace

// The large file first: the peak memory of the process is then its own.
BENCHMARK(thousandLinesOntoALargeOutputFile)
    ->Arg(10)
    ->Arg(100)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK(millionRecordsIntoBothFiles)
    ->Arg(1'000'000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_MAIN();
