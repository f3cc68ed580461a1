#pragma once

#include <string>

// The station program's start-up, main loop and shut-down without a display.
struct SStationOptions {
    bool headless = true;
    std::string operatorName; // empty: LastOperator
};

// Runs the station until SIGINT, SIGTERM or a close request. Returns the exit code: 0 after an
// orderly end, 1 when the start failed, 2 when no operator is known.
int RunHeadlessStation(const SStationOptions& options);

// Installs SIGINT and SIGTERM handlers that ask the main loop to end.
void InstallStopSignals();
bool StopRequested();
