// How promptly the main window answers while "Bilgileri Aktar" reads a million
// records from one emulated terminal over loopback: a 10 ms timer on the
// window's thread records how late each of its ticks comes. Printed beside
// the same transfer run without the window, on the calling thread.
#include "core/base/FilePaths.h"
#include "core/base/FileRead.h"
#include "core/base/SafeWrite.h"
#include "core/settings/ProgramValues.h"
#include "core/tables/TDataModul.h"
#include "core/transfer/TransferRun.h"
#include "emulator/net/EmulatorDeviceControl.h"
#include "gui/mainwindow/TAnaForm.h"
#include "gui/widgets/DeviceWorker.h"
#include "gui/widgets/MessageBox.h"
#include "support/DeviceListFile.h"
#include "support/LoopbackTerminal.h"
#include "support/RecordingOperator.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <unistd.h>

using namespace nakilon;

namespace {

using Clock = std::chrono::steady_clock;

std::string programFolder(uint16_t port) {
    const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                       ("nakilon-window-bench-" + std::to_string(::getpid()));
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path / "Data");
    const std::string folder = pathToUtf8(path / "");
    writeFileAtomic(programFile(folder, "Cihazlar.Dat"),
                    testsupport::kDeviceListHeader +
                        testsupport::loopbackDeviceLine(1, "Cihaz1", 1, port));
    writeFileAtomic(programFile(folder, "Ayarlar.ini"),
                    "[Ayarlar]\r\nKayitDosyasi=" + folder + "Hareketler.txt\r\n");
    return folder;
}

void removeOutputs(const std::string& folder) {
    std::filesystem::remove(pathFromUtf8(folder + "Hareketler.txt"));
    std::filesystem::remove_all(pathFromUtf8(folder + "Backup"));
}

// Lateness of each tick of a 10 ms timer on the calling thread, in ms.
class TickLateness {
public:
    TickLateness() {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            m_late.push_back(std::max<double>(0, static_cast<double>(now - m_last) / 1e6 - 10));
            m_last = now;
        });
        m_clock.start();
        m_last = m_clock.nsecsElapsed();
        m_timer.start();
    }
    std::vector<double> stop() {
        m_timer.stop();
        // The time since the last tick counts too: a run that ended inside a
        // long stall would hide it otherwise.
        m_late.push_back(
            std::max<double>(0, static_cast<double>(m_clock.nsecsElapsed() - m_last) / 1e6 - 10));
        std::sort(m_late.begin(), m_late.end());
        return m_late;
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    std::vector<double> m_late;
};

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

void millionRecordsThroughTheWindow(benchmark::State& state) {
    const int records = static_cast<int>(state.range(0));
    testsupport::LoopbackTerminal terminal(testsupport::terminalWithRecords(records));
    const std::string folder = programFolder(terminal.port());
    bool boxShown = false;
    testing::setMessageHook([&](const ShownMessage&) { return boxShown = true; });

    DeviceWorker worker;
    DeviceControl& cc = worker.makeControl([] { return makeEmulatorDeviceControl(); });
    DeviceControl& personelCc = worker.makeControl([] { return makeEmulatorDeviceControl(); });
    TDataModul data;
    ProgramValues values;
    TAnaForm form(data, values, worker, cc, personelCc);
    form.create(folder);
    form.show();
    // Backup mode: every record on every run.
    form.findChild<QCheckBox*>(QStringLiteral("YedekBox"))->setChecked(true);
    // The run starts as the operator starts it, and the press returns when it
    // has ended.
    QPushButton* aktar = form.findChild<QPushButton*>(QStringLiteral("AktarButon"));
    QApplication::processEvents();

    double windowSeconds = 0, plainSeconds = 0, worst = 0, p99 = 0;
    size_t ticks = 0;
    const auto throughTheWindow = [&] {
        removeOutputs(folder);
        TickLateness lateness;
        const auto start = Clock::now();
        aktar->click();
        windowSeconds += seconds(Clock::now() - start);
        const std::vector<double> late = lateness.stop();
        worst = std::max(worst, late.back());
        p99 = std::max(p99, late[late.size() * 99 / 100]);
        ticks += late.size();
    };
    // The same transfer without the window, on this thread.
    const auto withoutTheWindow = [&] {
        removeOutputs(folder);
        const std::unique_ptr<DeviceControl> control = makeEmulatorDeviceControl();
        TDataModul plainData;
        plainData.CihazTable.open();
        plainData.CihazTable.loadFromText(readWholeFile(programFile(folder, "Cihazlar.Dat")));
        ProgramValues plainValues{folder, folder + "Hareketler.txt", "1", "0", ""};
        testsupport::RecordingOperator op;
        TransferOptions options;
        options.backupMode = true;
        const auto start = Clock::now();
        runTransfer(plainData.CihazTable, *control, plainValues, options, {2024, 1, 15}, op);
        plainSeconds += seconds(Clock::now() - start);
    };
    // Each first in turn, so that neither gains from what the other left in
    // the caches.
    bool windowFirst = true;
    for (auto _ : state) {
        if (windowFirst) {
            throughTheWindow();
            withoutTheWindow();
        } else {
            withoutTheWindow();
            throughTheWindow();
        }
        windowFirst = !windowFirst;
    }
    const double iterations = static_cast<double>(state.iterations());
    state.counters["worst_late_ms"] = worst;
    state.counters["p99_late_ms"] = p99;
    state.counters["ticks"] = static_cast<double>(ticks) / iterations;
    state.counters["window_run_ms"] = windowSeconds / iterations * 1000;
    state.counters["plain_run_ms"] = plainSeconds / iterations * 1000;
    state.counters["window_per_plain"] = windowSeconds / plainSeconds;
    if (boxShown)
        state.SkipWithError("the run showed a box");
    testing::setMessageHook({});
    form.close();
    std::filesystem::remove_all(pathFromUtf8(folder));
}

} // namespace

BENCHMARK(millionRecordsThroughTheWindow)
    ->Arg(1'000'000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(4);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
