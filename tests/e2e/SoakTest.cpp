// The mora program under a long stream of calls of every kind and SMS alarms: its resident
// memory, open descriptors and threads stay flat, its log files within their line limits, every
// delivered alarm is stored once, and at the end it still stops in order.
#include "ReliabilityTest.h"
#include "StationChild.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace {

using StationSoakTest = CReliabilityTest;

struct SSample {
    double Seconds = 0;
    long ResidentKb = 0;
    long Descriptors = 0;
    long Threads = 0;
    std::size_t Calls = 0;
    std::size_t Sms = 0;
    std::size_t Stored = 0;
};

std::size_t LineCount(const std::string& path) {
    const std::string text = CTempDir::ReadFile(path);
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

#if defined(__SANITIZE_ADDRESS__)
constexpr long SHORT_SECONDS = 60; // the sanitizers make every step several times slower
#else
constexpr long SHORT_SECONDS = 120;
#endif

} // namespace

// A short run in the test command; scripts/reliability.sh runs the long one.
TEST_F(StationSoakTest, MemoryDescriptorsAndThreadsStayFlatUnderCallsOfEveryKindAndSms) {
    // The long run gives counts (and no time limit); the short one runs for a fixed time.
    const long calls = EnvNumber("MORA_SOAK_CALLS", 1000000);
    const long smsCount = EnvNumber("MORA_SOAK_SMS", 1000000);
    const long seconds = EnvNumber("MORA_SOAK_SECONDS", SHORT_SECONDS);
    const long sampleMs = EnvNumber("MORA_SOAK_SAMPLE_MS", 5000);
    m_station.Settings().CpcEnabled = 1;
    m_station.Settings().VoiceCallEnabled = 1;
    ASSERT_TRUE(m_station.Settings().SaveAll());
    // The operator picks up every voice call at once and puts the telephone down 1.5 s later.
    m_station.Modem().SetOperatorPlan(SSimOperatorPlan{300, 1500});

    CAlarmLogWatch log(m_station.DatabasePath());
    CAlarmTraffic traffic(m_station.Modem(), m_station.Gsm(),
                          {CAlarmTraffic::P100_ALARM, CAlarmTraffic::CPC_TEST, CAlarmTraffic::P100_VOICE,
                           CAlarmTraffic::MONITORING, CAlarmTraffic::P100_TEST, CAlarmTraffic::CPC_OPFAIL,
                           CAlarmTraffic::CPC_VOICE, CAlarmTraffic::P100_OPFAIL},
                          16);
    traffic.SetSmsIntervalMs(400);
    CStationChild mora(m_station.Dir().Path());
    std::string error;
    ASSERT_TRUE(mora.Start(error)) << error;
    StartTraffic(traffic);

    std::vector<SSample> samples;
    const auto start = std::chrono::steady_clock::now();
    bool done = false;
    while (!done) {
        std::this_thread::sleep_for(std::chrono::milliseconds(sampleMs));
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        SSample s{elapsed, mora.ResidentKb(), mora.OpenDescriptors(), mora.Threads(), 0,
                  0,       log.Rows().size()};
        WithTraffic([&](CAlarmTraffic& t) {
            s.Calls = t.Calls();
            s.Sms = t.SmsCount();
            t.SetCallsPaused(static_cast<long>(t.Calls()) >= calls);
            t.SetSmsPaused(static_cast<long>(t.SmsCount()) >= smsCount);
            return 0;
        });
        ASSERT_GT(s.ResidentKb, 0) << "mora is gone: " << CTempDir::ReadFile(mora.ErrPath());
        samples.push_back(s);
        if (std::getenv("MORA_RELIABILITY_REPORT") != nullptr) {
            // A long run leaves its curve as it goes, in case it is stopped before the end.
            char line[120];
            std::snprintf(
                line, sizeof line,
                "soak sample: %.0f s, %ld kB, %ld fds, %ld threads, %zu calls, %zu SMS, %zu stored\n",
                s.Seconds, s.ResidentKb, s.Descriptors, s.Threads, s.Calls, s.Sms, s.Stored);
            Report(line);
        }
        done = (seconds > 0 && elapsed >= static_cast<double>(seconds)) ||
               (static_cast<long>(s.Calls) >= calls && static_cast<long>(s.Sms) >= smsCount);
    }
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

    // No thread is stuck: the ordered stop still gets through every handler.
    EXPECT_EQ(mora.Stop(), 0) << CTempDir::ReadFile(mora.ErrPath());
    log.Refresh();
    const CAlarmTraffic::SAccount account = traffic.Account(log, 0);

    std::string text = "soak: " + std::to_string(traffic.Calls()) + " calls, " +
                       std::to_string(traffic.SmsCount()) +
                       " SMS\n  seconds  rss_kB  fds  threads  calls  sms  stored\n";
    for (const SSample& s : samples) {
        char line[120];
        std::snprintf(line, sizeof line, "  %7.0f %7ld %4ld %8ld %6zu %4zu %7zu\n", s.Seconds, s.ResidentKb,
                      s.Descriptors, s.Threads, s.Calls, s.Sms, s.Stored);
        text += line;
    }
    Report(text + CAlarmTraffic::Describe(account));

    EXPECT_EQ(account.Lost + account.LostInWindow, 0u);
    EXPECT_EQ(account.Duplicate + account.DuplicateInWindow, 0u);
    EXPECT_EQ(account.StoredOnce, account.Acknowledged);
    EXPECT_GT(account.Acknowledged, 0u);

    // Flat: after the first quarter (caches, the first SQLite pages, the first of each call kind)
    // descriptors and threads do not change and memory grows by less than a fifth.
    ASSERT_GE(samples.size(), 4u);
    const std::size_t settled = samples.size() / 4;
    long fdMin = samples[settled].Descriptors, fdMax = fdMin, thMin = samples[settled].Threads, thMax = thMin;
    for (std::size_t i = settled; i < samples.size(); ++i) {
        fdMin = std::min(fdMin, samples[i].Descriptors);
        fdMax = std::max(fdMax, samples[i].Descriptors);
        thMin = std::min(thMin, samples[i].Threads);
        thMax = std::max(thMax, samples[i].Threads);
    }
    // A mail connection or a log file being rewritten may be open at the moment of a sample.
    EXPECT_LE(fdMax - fdMin, 3) << text;
    EXPECT_LE(thMax - thMin, 0) << text;
#if !defined(__SANITIZE_ADDRESS__)
    // (AddressSanitizer keeps freed memory in quarantine, so there memory only grows.)
    EXPECT_LE(samples.back().ResidentKb, samples[settled].ResidentKb * 6 / 5 + 2048) << text;
#endif

    // The log files keep to their line limits.
    const std::pair<const char*, std::size_t> limits[] = {{"TelComHandler.log", 1000},
                                                          {"TelHandler.log", 1000},
                                                          {"GsmHandler.log", 2000},
                                                          {"MailHandler.log", 1000},
                                                          {"SystemInfo.log", 1000}};
    for (const auto& [name, limit] : limits) {
        EXPECT_LE(LineCount(m_station.Dir().File(name)), limit) << name;
    }
}
