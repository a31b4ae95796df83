#include "StopSignals.h"

#include "AktarCommand.h"

#include <windows.h>

#include <atomic>

namespace nakilon {

namespace {

std::atomic<int> requests{0};
std::atomic<bool> ended{false};

BOOL WINAPI onConsoleEvent(DWORD event) {
    const int earlier = requests++;
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        if (earlier > 0)
            ExitProcess(exitcode::Failed); // at once; the journal holds every line read
        return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        // The system ends the process when this handler returns (and after a
        // few seconds in any case): give the device in hand that long.
        for (int waited = 0; waited < 4500 && !ended; waited += 50)
            Sleep(50);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

StopSignals::StopSignals() {
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

StopSignals::~StopSignals() {
    SetConsoleCtrlHandler(onConsoleEvent, FALSE);
}

bool StopSignals::requested() {
    return requests > 0;
}

void StopSignals::runEnded() {
    ended = true;
}

} // namespace nakilon
