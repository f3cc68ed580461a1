#include "StationApp.h"

#include "Dictionary.h"
#include "DictionaryStartup.h"
#include "HeadlessFrontEnd.h"
#include "MORADoc.h"
#include "RegistryValue.h"
#include "Settings.h"

#include <atomic>
#include <csignal>
#include <cstdio>

namespace {

std::atomic<bool> g_stop{false};

extern "C" void OnStopSignal(int) {
    g_stop.store(true);
}

} // namespace

void InstallStopSignals() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

bool StopRequested() {
    return g_stop.load();
}

int RunHeadlessStation(const SStationOptions& options, const SStationHooks& hooks) {
    std::string op = options.operatorName;
    if (op.empty()) {
        op = RegistryValueStr(MORA_SETTINGS_KEY, "LastOperator").Get();
    }
    if (op.empty()) {
        std::fprintf(stderr, "mora: no operator: give --operator NAME (no last operator is stored)\n");
        return 2;
    }

    CHeadlessFrontEnd frontEnd(op);
    CDictionary dictionary;
    if (!CDictionaryStartup::Run(dictionary, frontEnd)) {
        return 1;
    }

    CMORADoc doc(frontEnd);
    if (!doc.Start()) {
        std::fprintf(stderr, "mora: the station could not start\n");
        return 1;
    }
    std::fprintf(stderr, "mora: station running as operator %s; stop with Ctrl+C\n", op.c_str());
    if (hooks.Started) {
        hooks.Started(doc);
    }

    const IClock& clock = CSystemClock::Instance();
    std::uint32_t lastRefresh = clock.Tick();
    bool close = false;
    while (!close && !StopRequested()) {
        const int wakeUps = frontEnd.WaitForWork(100, close);
        for (int i = 0; i < wakeUps; ++i) {
            doc.OnUserMessage();
        }
        const std::uint32_t period = doc.AlarmList().RefreshTimerPeriodMs();
        if (period != 0 && clock.Tick() - lastRefresh >= period) {
            lastRefresh = clock.Tick();
            doc.AlarmList().OnRefreshTimer();
        } else if (period == 0) {
            lastRefresh = clock.Tick();
        }
        if (hooks.Pass) {
            hooks.Pass(doc);
        }
    }
    doc.Shutdown();
    return 0;
}
