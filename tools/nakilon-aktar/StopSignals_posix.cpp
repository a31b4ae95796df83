#include "StopSignals.h"

#include "AktarCommand.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>

namespace nakilon {

namespace {

// Lock-free, so safe to touch in a signal handler.
std::atomic<int> requests{0};
static_assert(std::atomic<int>::is_always_lock_free);
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
struct sigaction previous[3];

const char kFirst[] = "\nDurdurma isteği alındı: elindeki cihaz bitince okunanlar kaydedilip "
                      "aktarım duracak (hemen durdurmak için bir kez daha)\n";

extern "C" void onStopSignal(int) {
    if (requests++ == 0) {
        // write() is safe in a signal handler; the text is all there is to say.
        [[maybe_unused]] const ssize_t n = ::write(STDERR_FILENO, kFirst, sizeof kFirst - 1);
        return;
    }
    // At once, with the exit code the scheduler is told about for a stopped
    // run (as on Windows): the journal holds every line read.
    ::_exit(exitcode::Failed);
}

} // namespace

StopSignals::StopSignals() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i)
        ::sigaction(kSignals[i], &action, &previous[i]);
}

StopSignals::~StopSignals() {
    for (int i = 0; i < 3; ++i)
        ::sigaction(kSignals[i], &previous[i], nullptr);
}

bool StopSignals::requested() {
    return requests > 0;
}

void StopSignals::runEnded() {}

} // namespace nakilon
