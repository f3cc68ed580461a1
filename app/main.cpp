// The station program: `mora` opens the station's windows; `mora --headless [--operator NAME]`
// runs without a display; `mora --demo` runs it against the simulated modems.
#include "StationApp.h"

#ifdef MORA_WITH_GUI
#include "GuiApp.h"
#endif

#include <cstdio>
#include <cstring>
#include <string>

#ifdef MORA_WITH_DEMO
int RunDemo(const SStationOptions& options, bool gui, int argc, char** argv);
#endif

namespace {

void Usage(std::FILE* to) {
    std::fprintf(to, "usage: mora                                  the station with its windows\n"
                     "       mora --headless [--operator NAME]     without a display\n"
                     "       mora --demo [--headless] [--operator NAME]\n");
}

// Used by the demo only, which a build without the simulators leaves out.
[[maybe_unused]] bool GuiPossible() {
#ifdef MORA_WITH_GUI
    return DisplayAvailable();
#else
    return false;
#endif
}

} // namespace

int main(int argc, char** argv) {
    SStationOptions options;
    bool demo = false;
    bool headless = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--headless") {
            headless = true;
        } else if (arg == "--demo") {
            demo = true;
        } else if (arg == "--operator" && i + 1 < argc) {
            options.operatorName = argv[++i];
        } else if (arg == "--help" || arg == "-h") {
            Usage(stdout);
            return 0;
        } else {
            std::fprintf(stderr, "mora: unknown argument %s\n", arg.c_str());
            Usage(stderr);
            return 2;
        }
    }
    InstallStopSignals();
    if (demo) {
#ifdef MORA_WITH_DEMO
        bool gui = !headless && GuiPossible();
        if (!headless && !gui) {
            std::fprintf(stderr, "mora: no display; the demo runs in the terminal\n");
        }
        return RunDemo(options, gui, argc, argv);
#else
        std::fprintf(stderr, "mora: this build has no simulators for the demo\n");
        return 2;
#endif
    }
    if (headless) {
        return RunHeadlessStation(options);
    }
#ifdef MORA_WITH_GUI
    if (!DisplayAvailable()) {
        std::fprintf(stderr,
                     "mora: no display (DISPLAY is not set); start with --headless to run without one\n");
        return 2;
    }
    return RunGuiStation(argc, argv);
#else
    std::fprintf(stderr, "mora: this build has no windows; start with --headless\n");
    return 2;
#endif
}
