// Carrying 10,000 users with three enrollments each from one emulated
// terminal to another over loopback: the user list read, the copy to the PC
// (30,000 downloads, enrollment files and personnel rows) and the send (30,000
// uploads), with the personnel window and the fetch dialog open so that their
// grids follow every row. Each step runs its window and terminal parts one
// after the other, as the window does around its device worker. Each step
// reports its wall time, the part of it spent waiting in terminal calls, and
// the CPU time of the calling thread; the remainder beyond the calls is the
// program's own share (work that helper threads do while a call waits is not
// part of it), also given in percent of the wall time.
#include "core/base/FilePaths.h"
#include "core/personnel/PersonnelFetch.h"
#include "core/personnel/PersonnelSend.h"
#include "core/settings/ProgramValues.h"
#include "core/tables/TDataModul.h"
#include "emulator/VirtualTerminal.h"
#include "emulator/net/EmulatorDeviceControl.h"
#include "gui/personnel/TPersonelForm.h"
#include "gui/personnel/TPersonelSecimForm.h"
#include "gui/widgets/DeviceWorker.h"
#include "support/FakeDeviceControl.h"
#include "support/LoopbackTerminal.h"
#include "support/RecordingOperator.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <unistd.h>
#include <vector>

namespace nakilon {
namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double threadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Forwards every call and adds up the wall time spent inside them.
class TimedControl : public DeviceControl {
public:
    explicit TimedControl(DeviceControl& inner) : m(inner) {}
    Clock::duration inside{};

    bool ReadMark() const override { return m.ReadMark(); }
    void SetReadMark(bool v) override { m.SetReadMark(v); }
    bool OpenNetworkLink(int32_t a, const std::string& ip, int32_t p, int32_t pw) override {
        return timed([&] { return m.OpenNetworkLink(a, ip, p, pw); });
    }
    bool OpenSerialLink(int32_t a, int32_t p, int32_t b) override {
        return timed([&] { return m.OpenSerialLink(a, p, b); });
    }
    void CloseLink() override {
        timed([&] {
            m.CloseLink();
            return true;
        });
    }
    bool SetDeviceActive(int32_t a, int32_t f) override {
        return timed([&] { return m.SetDeviceActive(a, f); });
    }
    bool FetchLogBatch(int32_t a) override {
        return timed([&] { return m.FetchLogBatch(a); });
    }
    bool TakeLogEntry(int32_t a, int32_t& b, int32_t& c, int32_t& d, int32_t& e, int32_t& f,
                      int32_t& g, int32_t& h, int32_t& i, int32_t& j, int32_t& k) override {
        return timed([&] { return m.TakeLogEntry(a, b, c, d, e, f, g, h, i, j, k); });
    }
    bool QueryDeviceCounter(int32_t a, int32_t i, int32_t& v) override {
        return timed([&] { return m.QueryDeviceCounter(a, i, v); });
    }
    bool FetchUserIndex(int32_t a) override {
        return timed([&] { return m.FetchUserIndex(a); });
    }
    bool TakeUserIndexEntry(int32_t a, int32_t& u, int32_t& s, int32_t& sl, int32_t& p,
                            int32_t& e) override {
        return timed([&] { return m.TakeUserIndexEntry(a, u, s, sl, p, e); });
    }
    bool DownloadEnrollment(int32_t a, int32_t u, int32_t s, int32_t sl, int32_t& p,
                            EnrollmentData& d, int32_t& pw) override {
        return timed([&] { return m.DownloadEnrollment(a, u, s, sl, p, d, pw); });
    }
    bool UploadEnrollment(int32_t a, int32_t u, int32_t s, int32_t sl, int32_t p,
                          const EnrollmentData& d, int32_t pw) override {
        return timed([&] { return m.UploadEnrollment(a, u, s, sl, p, d, pw); });
    }
    bool ReadDeviceClock(int32_t a, int32_t& y, int32_t& mo, int32_t& d, int32_t& h, int32_t& mi,
                         int32_t& s, int32_t& w) override {
        return timed([&] { return m.ReadDeviceClock(a, y, mo, d, h, mi, s, w); });
    }
    bool SyncDeviceClock(int32_t a) override {
        return timed([&] { return m.SyncDeviceClock(a); });
    }
    bool ChangeUserRole(int32_t a, int32_t u, int32_t s, int32_t sl, int32_t p) override {
        return timed([&] { return m.ChangeUserRole(a, u, s, sl, p); });
    }
    bool PurgeLogs(int32_t a) override {
        return timed([&] { return m.PurgeLogs(a); });
    }

private:
    template <class F> bool timed(F&& call) {
        const auto start = Clock::now();
        const bool result = call();
        inside += Clock::now() - start;
        return result;
    }
    DeviceControl& m;
};

TerminalState terminalWithUsers(int32_t machine, int users, int slotCount) {
    TerminalState state;
    state.machineNumber = machine;
    for (int u = 0; u < users; ++u) {
        for (int s = 0; s < slotCount; ++s) {
            UserEntry entry;
            entry.userNumber = 1000 + u;
            entry.slot = s;
            entry.privilege = u % 4;
            entry.password = u % 10000;
            state.users.push_back(entry);
            Enrollment e;
            e.userNumber = entry.userNumber;
            e.slot = s;
            for (size_t k = 0; k < e.data.size(); ++k)
                e.data[k] = static_cast<int32_t>((u * 7919 + s * 104729 + k * 31) % 2000003) - 1000;
            state.enrollments.push_back(e);
        }
    }
    return state;
}

// The program folders of the runs are removed only when the benchmark ends:
// ext4 without a journal avoids reusing an inode soon after it was freed, so
// that removing one run's 30,000 files just before the next run makes each
// file that run creates search past them.
std::vector<std::filesystem::path>& benchFolders() {
    static std::vector<std::filesystem::path> folders;
    return folders;
}

void removeBenchFolders() {
    for (const std::filesystem::path& folder : benchFolders())
        std::filesystem::remove_all(folder);
    benchFolders().clear();
}

// A new program folder for a run: under $NAKILON_BENCH_DIR when set (to
// compare disks), else the system's temporary folder.
std::string benchFolder() {
    const char* base = std::getenv("NAKILON_BENCH_DIR");
    const std::filesystem::path folder =
        std::filesystem::path(base ? base : std::filesystem::temp_directory_path().string()) /
        ("nakilon-personnel-bench-" + std::to_string(::getpid()) + "-" +
         std::to_string(benchFolders().size()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder / "Data");
    benchFolders().push_back(folder);
    return pathToUtf8(folder) + "/";
}

struct StepFigures {
    double wall = 0, inCalls = 0, cpu = 0;
};

template <class F> StepFigures measure(TimedControl& control, F&& step) {
    const Clock::duration callsBefore = control.inside;
    const double cpuBefore = threadCpuSeconds();
    const auto start = Clock::now();
    step();
    StepFigures f;
    f.wall = seconds(Clock::now() - start);
    f.inCalls = seconds(control.inside - callsBefore);
    f.cpu = threadCpuSeconds() - cpuBefore;
    return f;
}

void report(benchmark::State& state, const char* name, const StepFigures& f) {
    const std::string n(name);
    state.counters[n + "_s"] = f.wall;
    state.counters[n + "_calls_s"] = f.inCalls;
    // What the program spends beyond waiting for the terminal: tables, grids,
    // files (their disk flushes included) as far as the calling thread waits
    // for them.
    state.counters[n + "_own_s"] = f.wall - f.inCalls;
    state.counters[n + "_own_pct"] = f.wall > 0 ? 100 * (f.wall - f.inCalls) / f.wall : 0;
    state.counters[n + "_cpu_s"] = f.cpu;
}

void copyAndSend(benchmark::State& state) {
    const int users = static_cast<int>(state.range(0));
    const bool grids = state.range(1) != 0;
    constexpr int Slots = 3;
    testsupport::LoopbackTerminal source(terminalWithUsers(1, users, Slots));
    testsupport::LoopbackTerminal target(terminalWithUsers(2, 0, 0));

    for (auto _ : state) {
        state.PauseTiming();
        const std::string folder = benchFolder();
        TDataModul data;
        data.PersonelTable.open();
        ProgramValues values;
        values.programFolder = folder;
        const std::unique_ptr<DeviceControl> backend = makeEmulatorDeviceControl();
        TimedControl control(*backend);
        // The window's own control reaches an empty terminal 0, so that
        // showing the fetch dialog (which reads its list) finds nothing there.
        testsupport::FakeDeviceControl windowControl;
        windowControl.terminals[0];
        windowControl.OpenNetworkLink(0, "127.0.0.1", 0, 0);
        std::unique_ptr<DeviceWorker> worker;
        std::unique_ptr<TPersonelForm> form;
        if (grids) {
            worker = std::make_unique<DeviceWorker>();
            form = std::make_unique<TPersonelForm>(data, values, *worker, windowControl);
            form->show();
            form->secimForm()->show();
            QApplication::processEvents();
        }
        testsupport::RecordingOperator op;
        state.ResumeTiming();

        connectDevice(control, source.connection());
        const StepFigures list = measure(
            control, [&] { fillUserList(data.PersonelTampon, fetchUserIndex(control, 1)); });
        CopyOutcome copied;
        const StepFigures copy = measure(control, [&] {
            const std::vector<EnrollmentToCopy> wanted = enrollmentsToCopy(data.PersonelTampon);
            const DownloadedEnrollments downloaded =
                downloadEnrollments(wanted, folder, control, 1);
            copied =
                addCopiedPersonnel(data.PersonelTampon, data.PersonelTable, folder, downloaded);
        });
        control.CloseLink();
        SendOutcome sent;
        const StepFigures send = measure(control, [&] {
            const std::vector<PersonnelToSend> people = personnelToSend(data.PersonelTable);
            sent = sendEnrollments(target.connection(), people, folder, control, op);
        });
        if (grids)
            QApplication::processEvents();

        state.PauseTiming();
        if (copied.copied != users * Slots || !copied.unread.empty() ||
            sent.uploads != users * Slots || !sent.refused.empty() ||
            data.PersonelTable.rowCount() != users || !op.shown.empty())
            state.SkipWithError("not everything was carried over");
        report(state, "list", list);
        report(state, "copy", copy);
        report(state, "send", send);
        form.reset();
        worker.reset();
        target.server().withTerminal([](VirtualTerminal& t) {
            t.state().users.clear();
            t.state().enrollments.clear();
        });
        state.ResumeTiming();
    }
    state.counters["enrollments"] = users * Slots;
}

BENCHMARK(copyAndSend)
    ->ArgsProduct({{1000, 10000}, {0, 1}})
    ->ArgNames({"users", "grids"})
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->Iterations(1);

} // namespace
} // namespace nakilon

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    nakilon::removeBenchFolders();
    return 0;
}
