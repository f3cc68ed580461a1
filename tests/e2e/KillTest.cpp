// The mora program killed with SIGKILL at random moments while alarm calls and SMS keep coming,
// and started again each time: the database always opens, and every alarm the lift telephone
// heard acknowledged, or whose SMS the station deleted from the GSM modem, is in the log once.
#include "ReliabilityTest.h"
#include "SqliteReader.h"
#include "StationChild.h"

#include <algorithm>
#include <chrono>
#include <random>

namespace {

using StationKillTest = CReliabilityTest;

constexpr double WINDOW_MS = 3000;

double LargestWindow(const CAlarmTraffic::SAccount& account) {
    double largest = 0;
    for (const auto& windows : account.WindowMs) {
        for (double w : windows) {
            largest = std::max(largest, w);
        }
    }
    return largest;
}

} // namespace

// 20 kills in the test command; scripts/reliability.sh runs as many as asked.
TEST_F(StationKillTest, EveryDeliveredAlarmIsInTheLogExactlyOnceAcrossKills) {
    const long kills = EnvNumber("MORA_KILLS", 20);
    const auto seed = static_cast<unsigned>(
        EnvNumber("MORA_KILL_SEED", std::chrono::steady_clock::now().time_since_epoch().count() % 100000));
    std::minstd_rand random(seed);
    m_station.Settings().CpcEnabled = 1;
    ASSERT_TRUE(m_station.Settings().SaveAll());

    CAlarmLogWatch log(m_station.DatabasePath());
    CAlarmTraffic traffic(m_station.Modem(), m_station.Gsm(),
                          {CAlarmTraffic::P100_ALARM, CAlarmTraffic::CPC_TEST, CAlarmTraffic::P100_TEST,
                           CAlarmTraffic::CPC_OPFAIL},
                          seed);
    traffic.SetSmsIntervalMs(900);
    CStationChild mora(m_station.Dir().Path());
    std::string error;
    ASSERT_TRUE(mora.Start(error)) << error;
    StartTraffic(traffic);

    long startKills = 0;
    double slowestStartMs = 0;
    std::string startTimes;
    // Every fifth kill or so hits the station while it starts (its start is not waited for);
    // the others while it serves.
    bool duringStart = false;
    for (long kill = 1; kill <= kills; ++kill) {
        const auto delay = std::chrono::milliseconds(duringStart ? random() % 1500 : 200 + random() % 5000);
        std::this_thread::sleep_for(delay);
        WithTraffic([](CAlarmTraffic& t) {
            t.NoteKill();
            return 0;
        });
        ASSERT_TRUE(mora.Kill()) << "kill " << kill;
        startKills += duringStart ? 1 : 0;
        duringStart = kill < kills && random() % 5 == 0;
        if (duringStart) {
            ASSERT_TRUE(mora.Launch(error)) << error;
        } else {
            const auto started = std::chrono::steady_clock::now();
            ASSERT_TRUE(mora.Start(error)) << "start after kill " << kill << ": " << error << "\n"
                                           << CTempDir::ReadFile(mora.ErrPath());
            const double startMs =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
            slowestStartMs = std::max(slowestStartMs, startMs);
            WithTraffic([](CAlarmTraffic& t) {
                t.NoteReady();
                return 0;
            });
            startTimes += " " + std::to_string(static_cast<long>(startMs));
            if (startMs > 10000) {
                // A slow start says which modem was late.
                startTimes += "(tel " + std::to_string(mora.TelReadyMs()) + ", gsm " +
                              std::to_string(mora.GsmReadyMs()) + ")";
            }
            // The file the kill interrupted was recovered and is whole.
            CSqliteReader db(m_station.DatabasePath());
            EXPECT_EQ(db.Rows("PRAGMA integrity_check"), (std::vector<std::vector<std::string>>{{"ok"}}))
                << "after kill " << kill << ": " << db.Error();
        }
        if (kill % 50 == 0) {
            // A long run leaves its figures so far, in case it is stopped before the end.
            log.Refresh();
            const auto sofar = WithTraffic([&](CAlarmTraffic& t) { return t.Account(log, WINDOW_MS); });
            Report("after " + std::to_string(kill) + " kills: " + CAlarmTraffic::Describe(sofar));
        }
    }

    // The traffic stops; what is under way is finished and the station stops in order.
    WithTraffic([](CAlarmTraffic& t) {
        t.SetCallsPaused(true);
        t.SetSmsPaused(true);
        return 0;
    });
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < end &&
           (m_station.Modem().CallActive() || m_station.Modem().CallsWaiting() > 0 ||
            !m_station.Gsm().StoredSms().empty())) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    StopTraffic();
    EXPECT_EQ(mora.Stop(), 0);
    log.Refresh();

    // Every kind is acknowledged before its commit (the modem confirms a P100 message, CPC is
    // acknowledged before the disconnect, an SMS is deleted once it is handed on), so a kill
    // right after an acknowledgement may lose that alarm: the windows are measured and reported.
    // A loss with the kill more than WINDOW_MS after the acknowledgement is a fault; the window
    // grows while the station is still starting (its queue is served once the start is done).
    const double largest = LargestWindow(traffic.Account(log, 0));
    const CAlarmTraffic::SAccount account = traffic.Account(log, WINDOW_MS);
    Report("kill test: seed " + std::to_string(seed) + ", " + std::to_string(kills) + " kills (" +
           std::to_string(startKills) + " during a start), " + std::to_string(traffic.Calls()) + " calls, " +
           std::to_string(traffic.SmsCount()) + " SMS, slowest start to both modems ready " +
           std::to_string(static_cast<long>(slowestStartMs)) + " ms, largest window of a stored alarm " +
           std::to_string(static_cast<long>(largest)) + " ms\n  starts (ms):" + startTimes + "\n" +
           CAlarmTraffic::Describe(account));
    EXPECT_GT(account.Acknowledged, static_cast<std::size_t>(kills));
    EXPECT_EQ(account.Lost, 0u);
    EXPECT_EQ(account.Duplicate, 0u);
    EXPECT_EQ(account.StoredOnce + account.LostInWindow + account.Lost + account.DuplicateInWindow +
                  account.Duplicate,
              account.Acknowledged);
}
