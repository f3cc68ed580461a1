#pragma once

#include <functional>

class CGuiStation;

// What a caller adds to a GUI run (the demo starts its simulators this way).
struct SGuiHooks {
    std::function<void()> BeforeStart;
    std::function<void(CGuiStation&)> Started;
    std::function<void(CGuiStation&)> Pass; // about every 100 ms on the GUI thread
};

// True when a GUI can be shown: a display is set, or a Qt platform was chosen explicitly.
bool DisplayAvailable();

// The station with its windows until the operator quits or a stop signal arrives. Returns the
// exit code: 0 after an orderly end, 1 when the start failed or was cancelled.
int RunGuiStation(int argc, char** argv, const SGuiHooks& hooks = {});
