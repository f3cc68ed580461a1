// The telephone modem simulator as a program: a person starts it, points the station at the
// folder it prints, and watches the station answer the calls of the scenario.

#include "SimScenario.h"
#include "SimTelModem.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <poll.h>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::atomic<bool> g_stop{false};

void OnSignal(int) {
    g_stop = true;
}

void Usage() {
    std::printf("Usage: mora_sim_telmodem_cli [options] [statement ...]\n"
                "  --dir DIR        folder for the link COM<n> (default $MORA_SERIAL_DIR, else ./serial)\n"
                "  --port N         port number n of the link (default 1)\n"
                "  --scenario FILE  scenario file (see below); '-' reads it from standard input\n"
                "  -e STATEMENT     one more statement; ';' separates several\n"
                "  --trace          also show the idle polls and status replies\n"
                "  --no-input       do not read statements typed on standard input\n"
                "Statements typed on standard input while it runs take effect at once.\n\n%s",
                CSimScenario::Help());
}

bool IsPlainPoll(const SSimRecord& r) {
    if (r.Wire.empty() || r.Wire[0] != CSimTelModem::CMD_POLL) {
        return false;
    }
    // Poll without acknowledgement, or a status reply.
    return r.Type == SSimRecord::TO_STATION || (r.Wire.size() == 4 && r.Wire[2] == 0x00);
}

} // namespace

int main(int argc, char** argv) {
    const char* envDir = std::getenv("MORA_SERIAL_DIR");
    std::string folder = envDir != nullptr && *envDir != '\0' ? envDir : "serial";
    int port = 1;
    bool trace = false;
    bool input = true;
    CSimScenario scenario;
    std::string error;

    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasNext = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            Usage();
            return 0;
        } else if (arg == "--dir" && hasNext) {
            folder = argv[++i];
        } else if (arg == "--port" && hasNext) {
            port = std::atoi(argv[++i]);
        } else if (arg == "--trace") {
            trace = true;
        } else if (arg == "--no-input") {
            input = false;
        } else if (arg == "--scenario" && hasNext) {
            const std::string file = argv[++i];
            std::stringstream text;
            if (file == "-") {
                text << std::cin.rdbuf();
                input = false;
            } else {
                std::ifstream in(file);
                if (!in) {
                    std::fprintf(stderr, "cannot read scenario %s\n", file.c_str());
                    return 2;
                }
                text << in.rdbuf();
            }
            if (!scenario.Parse(text.str(), error)) {
                std::fprintf(stderr, "%s: %s\n", file.c_str(), error.c_str());
                return 2;
            }
        } else if (arg == "-e" && hasNext) {
            if (!scenario.ParseLine(argv[++i], error)) {
                std::fprintf(stderr, "-e: %s\n", error.c_str());
                return 2;
            }
        } else if (!arg.empty() && arg[0] != '-') {
            if (!scenario.ParseLine(arg, error)) {
                std::fprintf(stderr, "%s: %s\n", arg.c_str(), error.c_str());
                return 2;
            }
        } else {
            Usage();
            return 2;
        }
    }
    if (port < 1 || port > 255) {
        std::fprintf(stderr, "port must be 1-255\n");
        return 2;
    }

    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    CSimTelModem modem;
    modem.Recorder().SetListener([trace](const SSimRecord& r) {
        if (!trace && IsPlainPoll(r)) {
            return;
        }
        std::printf("%7u.%03u %s\n", r.Tick / 1000, r.Tick % 1000, r.Describe().c_str());
        std::fflush(stdout);
    });
    if (!modem.Start(folder, port, error)) {
        std::fprintf(stderr, "cannot start the simulator: %s\n", error.c_str());
        return 1;
    }
    std::printf("Brennvik 5100 simulator on %s. Start the station with\n"
                "  MORA_SERIAL_DIR=%s and TelComPort=%d\n"
                "Ctrl-C ends it.%s\n",
                modem.LinkPath().c_str(), folder.c_str(), port,
                input ? " Type statements (help: --help) to act at once." : "");
    std::fflush(stdout);
    scenario.Apply(modem);

    std::string pending;
    while (!g_stop.load() && !modem.QuitRequested()) {
        if (!input) {
            usleep(50 * 1000);
            continue;
        }
        pollfd pfd{0, POLLIN, 0};
        if (::poll(&pfd, 1, 50) <= 0) {
            continue;
        }
        char buffer[512];
        const ssize_t n = ::read(0, buffer, sizeof buffer);
        if (n <= 0) {
            input = false; // end of input: keep running the scenario
            continue;
        }
        pending.append(buffer, static_cast<std::size_t>(n));
        for (std::size_t eol; (eol = pending.find('\n')) != std::string::npos;) {
            const std::string line = pending.substr(0, eol);
            pending.erase(0, eol + 1);
            CSimScenario now;
            if (!now.ParseLine(line, error)) {
                std::printf("? %s\n", error.c_str());
                std::fflush(stdout);
                continue;
            }
            now.Apply(modem, modem.Elapsed());
        }
    }
    modem.Stop();
    return 0;
}
