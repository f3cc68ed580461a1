// The station program: `mora --headless [--operator NAME]` runs without a display; `mora --demo`
// runs it against the simulated modems.
#include "StationApp.h"

#include <cstdio>
#include <cstring>
#include <string>

#ifdef MORA_WITH_DEMO
int RunDemo(const SStationOptions& options);
#endif

namespace {

void Usage(std::FILE* to) {
    std::fprintf(to, "usage: mora --headless [--operator NAME]\n"
                     "       mora --demo [--operator NAME]\n");
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
        return RunDemo(options);
#else
        std::fprintf(stderr, "mora: this build has no simulators for the demo\n");
        return 2;
#endif
    }
    if (!headless) {
        // Only the headless front end exists so far.
        std::fprintf(stderr, "mora: no graphical front end in this build; running headless\n");
    }
    return RunHeadlessStation(options);
}
