// Fetching a large record set from an emulated terminal over loopback and
// taking every record, as the transfer run does.
#include "core/device/ConnectionProcedure.h"
#include "emulator/Messages.h"
#include "emulator/TerminalGenerator.h"
#include "emulator/net/EmulatorDeviceControl.h"
#include "support/LoopbackTerminal.h"

#include <benchmark/benchmark.h>

namespace nakilon {
namespace {

void fetchAndTakeAll(benchmark::State& state) {
    const auto records = static_cast<int32_t>(state.range(0));
    const bool readMark = state.range(1) != 0;
    GenerationOptions options;
    options.records = records;
    options.users = 200;
    options.seed = 7;
    options.todayLocalSeconds = systemLocalSeconds();
    testsupport::LoopbackTerminal terminal(generateTerminal(options));
    auto control = makeEmulatorDeviceControl();
    if (connectDevice(*control, terminal.connection()) != ConnectResult::Connected) {
        state.SkipWithError("no connection");
        return;
    }
    control->SetReadMark(readMark);
    int64_t taken = 0;
    for (auto _ : state) {
        if (readMark) {
            state.PauseTiming();
            terminal.server().withTerminal([](VirtualTerminal& t) {
                for (LogRecord& r : t.state().logs)
                    r.isNew = true;
            });
            state.ResumeTiming();
        }
        int32_t expected = 0;
        control->QueryDeviceCounter(1, readMark ? CounterNewLogs : CounterAllLogs, expected);
        control->FetchLogBatch(1);
        int32_t v[10];
        int64_t checksum = 0;
        while (
            control->TakeLogEntry(1, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9])) {
            checksum += v[1] + v[9];
            ++taken;
        }
        benchmark::DoNotOptimize(checksum);
    }
    control->CloseLink();
    state.counters["records"] = static_cast<double>(records);
    state.counters["wire_bytes_per_record"] =
        static_cast<double>(wire::FrameHeaderSize + 6 + records * wire::RecordSequence::EntrySize) /
        records;
    state.SetItemsProcessed(taken);
}

BENCHMARK(fetchAndTakeAll)
    ->ArgsProduct({{1000000}, {0, 1}})
    ->ArgNames({"records", "readMark"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);

} // namespace
} // namespace nakilon

BENCHMARK_MAIN();
