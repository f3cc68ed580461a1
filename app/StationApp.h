#pragma once

#include <functional>
#include <string>

class CMORADoc;

// The station program's start-up, main loop and shut-down without a display.
struct SStationOptions {
    bool headless = true;
    std::string operatorName; // empty: LastOperator
};

// What a caller adds to a run of the station, on the user-interface thread: once when the station
// has started, and on every pass of the main loop (at least every 100 ms).
struct SStationHooks {
    std::function<void(CMORADoc&)> Started;
    std::function<void(CMORADoc&)> Pass;
};

// Runs the station until SIGINT, SIGTERM or a close request. Returns the exit code: 0 after an
// orderly end, 1 when the start failed, 2 when no operator is known.
int RunHeadlessStation(const SStationOptions& options, const SStationHooks& hooks = {});

// Installs SIGINT and SIGTERM handlers that ask the main loop to end.
void InstallStopSignals();
bool StopRequested();
