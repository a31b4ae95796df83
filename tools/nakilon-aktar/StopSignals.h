#pragma once

namespace nakilon {

// The requests to end nakilon-aktar early: SIGTERM, SIGINT and SIGHUP (a
// scheduler's timeout, a shutdown, Ctrl+C, a closed terminal), and on
// Windows Ctrl+C, Ctrl+Break, closing the console, logging off and shutting
// down. The first request lets the run finish the device in hand and save
// what was read; a second one ends the process at once with exit code 2 (a
// stopped run), which loses nothing
// either: every device's lines are in the journal before the next device is
// contacted, and the next run completes them. Never anything in between.
class StopSignals {
public:
    StopSignals();  // installs the handlers
    ~StopSignals(); // gives them back
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    static bool requested();
    // The run has ended and saved; a console that is being closed may go.
    static void runEnded();
};

} // namespace nakilon
