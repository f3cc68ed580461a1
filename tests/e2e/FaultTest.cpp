// Faults from outside, one at a time, with the whole station: garbage on both serial lines, a
// GSM modem that answers ERROR to everything for a minute, a mail server that refuses, stalls
// and drops. The operator is told, the station recovers by itself, and no alarm is lost.
#include "ChildProcess.h"
#include "E2eStationTest.h"
#include "SqliteReader.h"

#include "AlarmInfoMsg.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#ifndef E2E_TEST_DIR
#error "E2E_TEST_DIR must name the folder of the e2e tests"
#endif

namespace {

using FaultTest = CE2eStationTest;

constexpr const char* LIFT = "12345678";
constexpr const char* SENDER = "+46705550123";

std::size_t CountWith(const std::vector<std::string>& texts, const std::string& part) {
    return static_cast<std::size_t>(std::count_if(
        texts.begin(), texts.end(), [&](const std::string& t) { return t.find(part) != std::string::npos; }));
}

std::size_t StoredRows(const std::string& path, const std::string& where) {
    CSqliteReader db(path);
    return db.Rows("SELECT PrimaryKey FROM AlarmInfo WHERE " + where).size();
}

} // namespace

TEST_F(FaultTest, GarbageStormsOnBothSerialLinesAreRiddenOutAndAlarmsServedAfterwards) {
    StartStation();
    ASSERT_TRUE(m_station.AddObject(*CStationHarness::Object(LIFT, "Lift 1, Storgatan 3")));
    std::minstd_rand random(7);
    // Ten seconds of storm: every reply of the telephone modem is noise, and the GSM line carries
    // bursts of random bytes, overlong lines and broken result codes between the replies.
    m_station.Modem().InjectFault(SSimFault{ESimFault::GARBAGE, 400, 24});
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    int burst = 0;
    while (std::chrono::steady_clock::now() < end) {
        std::string noise(1 + random() % 200, '\0');
        for (char& c : noise) {
            c = static_cast<char>(random() % 256);
        }
        switch (++burst % 4) {
        case 0:
            m_station.Gsm().SendLongLine(2000 + random() % 3000, random() % 2 == 0);
            break;
        case 1:
            m_station.Gsm().SendRaw("\r\n+CME ERR\r\nOK\rERR\n\r\n" + noise);
            break;
        default:
            m_station.Gsm().SendRaw(noise);
            break;
        }
        // The station's restarts of the telephone link wait 2 s: the clock skips them.
        if (burst % 20 == 0) {
            m_station.Clock().JumpTick(2000);
        }
        m_station.PumpFor(50);
    }
    m_station.Modem().ClearFaults();

    // The operator saw the telephone line fail; both modems come back by themselves.
    const CE2eFrontEnd& frontEnd = m_station.FrontEnd();
    const auto telHistory = frontEnd.PaneHistory(CStationHarness::TEL_PANE);
    EXPECT_GE(CountWith(telHistory, "TEL: Com Timeout") + CountWith(telHistory, "TEL: Com Error"), 1u);
    EXPECT_GE(CountWith(frontEnd.SystemInfo(), "Telephone Modem communication failure"), 1u);
    for (int i = 0; i < 10 && frontEnd.Pane(CStationHarness::TEL_PANE) != CStationHarness::TEL_READY; ++i) {
        m_station.Clock().JumpTick(5000);
        m_station.PumpFor(1000);
    }
    ASSERT_EQ(frontEnd.Pane(CStationHarness::TEL_PANE), CStationHarness::TEL_READY);
    ASSERT_TRUE(m_station.Pump(
        [&] { return frontEnd.Pane(CStationHarness::GSM_PANE).rfind(CStationHarness::GSM_READY, 0) == 0; },
        30000))
        << frontEnd.Pane(CStationHarness::GSM_PANE);

    // An alarm call and an alarm SMS after the storm: both stored once, and no alarm out of noise.
    const std::size_t before = frontEnd.Alarms().size();
    m_station.CallP100([](CSimP100Phone& phone) { phone.AddMessage(CSimP100Phone::CODE_ALARM, LIFT); });
    m_station.Gsm().StoreSms(SENDER, "Lift 4 stuck after the storm");
    ASSERT_TRUE(m_station.WaitAlarms(before + 2, 30000));
    EXPECT_EQ(before, 0u) << "noise became an alarm: " << frontEnd.Alarms()[0].Text;
    EXPECT_EQ(StoredRows(m_station.DatabasePath(), "IdCode = '" + std::string(LIFT) + "'"), 1u);
    EXPECT_EQ(StoredRows(m_station.DatabasePath(), "Text LIKE 'Lift 4 stuck after the storm%'"), 1u);
}

TEST_F(FaultTest, AGsmModemAnsweringErrorToEverythingForAMinuteIsReportedAndComesBack) {
    StartStation();
    m_station.Gsm().SetErrorToAll(true);
    // An SMS arrives while the modem refuses every command: it waits in the modem.
    m_station.Gsm().StoreSms(SENDER, "Lift 9 alarm during the modem failure");
    // A minute on the station's clock, in steps, so that every retry and time-out runs.
    for (int second = 0; second < 60; ++second) {
        m_station.Clock().JumpTick(1000);
        m_station.PumpFor(60);
    }
    const CE2eFrontEnd& frontEnd = m_station.FrontEnd();
    const auto history = frontEnd.PaneHistory(CStationHarness::GSM_PANE);
    const std::size_t notReady =
        static_cast<std::size_t>(std::count_if(history.begin(), history.end(), [](const auto& t) {
            return t.rfind(CStationHarness::GSM_READY, 0) != 0;
        }));
    EXPECT_GE(notReady, 2u) << "the operator was not told (only the start's texts)";
    EXPECT_EQ(frontEnd.Alarms().size(), 0u);

    m_station.Gsm().SetErrorToAll(false);
    for (int i = 0;
         i < 30 && frontEnd.Pane(CStationHarness::GSM_PANE).rfind(CStationHarness::GSM_READY, 0) != 0; ++i) {
        m_station.Clock().JumpTick(5000);
        m_station.PumpFor(500);
    }
    EXPECT_EQ(frontEnd.Pane(CStationHarness::GSM_PANE).rfind(CStationHarness::GSM_READY, 0), 0u)
        << frontEnd.Pane(CStationHarness::GSM_PANE);
    ASSERT_TRUE(m_station.WaitAlarms(1, 30000));
    EXPECT_EQ(StoredRows(m_station.DatabasePath(), "Text LIKE 'Lift 9 alarm during the modem failure%'"), 1u);
    // The SMS leaves the modem once its alarm is stored.
    EXPECT_TRUE(m_station.Pump([&] { return m_station.Gsm().StoredSms().empty(); }, 10000));
}

// The mail server misbehaves in three ways, one alarm each, then behaves: every alarm is stored,
// every failed mail is reported, and the next mail goes out.
TEST_F(FaultTest, AMailServerThatRefusesStallsAndDropsCostsNoAlarm) {
    const std::string modeFile = m_station.Dir().File("smtp-mode");
    const std::string mailFolder = m_station.Dir().File("flaky-mail");
    std::filesystem::create_directory(mailFolder);
    std::ofstream(modeFile) << "refuse";
    CChildProcess server;
    std::string error;
    ASSERT_TRUE(server.Start({"/usr/bin/python3", E2E_TEST_DIR "/flaky_smtp.py", modeFile, mailFolder}, {},
                             m_station.Dir().Path(), m_station.Dir().File("smtp.out"),
                             m_station.Dir().File("smtp.err"), error))
        << error;
    std::string port;
    for (int i = 0; i < 500 && port.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const std::string out = CTempDir::ReadFile(m_station.Dir().File("smtp.out"));
        if (out.find('\n') != std::string::npos) {
            port = out.substr(0, out.find('\n'));
        }
    }
    ASSERT_FALSE(port.empty()) << CTempDir::ReadFile(m_station.Dir().File("smtp.err"));
    m_station.Settings().MailPortNumber = std::stoi(port);
    StartStation();
    ASSERT_TRUE(m_station.AddObject(*CStationHarness::Object(SENDER, "Lift 7, Hamngatan 1")));
    const CE2eFrontEnd& frontEnd = m_station.FrontEnd();
    const auto failures = [&] { return CountWith(frontEnd.SystemInfo(), "ERROR: E-mail sending failure,"); };

    const char* const modes[] = {"refuse", "drop", "drop-data", "stall"};
    std::size_t alarms = 0;
    for (const char* mode : modes) {
        std::ofstream(modeFile, std::ios::trunc) << mode;
        m_station.Gsm().StoreSms(SENDER, std::string("Lift 7 alarm, mail server ") + mode);
        ASSERT_TRUE(m_station.WaitAlarms(++alarms, 20000)) << mode;
        // The pause between two mails, and for the server that never answers the reply time-out
        // (30 s), pass on the clock.
        for (int i = 0; i < 40 && failures() < alarms; ++i) {
            m_station.PumpFor(250);
            m_station.Clock().JumpTick(2000);
        }
        ASSERT_EQ(failures(), alarms) << mode;
        ASSERT_TRUE(m_station.Pump([&] { return frontEnd.Pane(1) == "Mail: Idle"; }, 20000))
            << mode << ": " << frontEnd.Pane(1);
    }
    EXPECT_EQ(StoredRows(m_station.DatabasePath(), "Text LIKE 'Lift 7 alarm, mail server %'"), 4u);
    EXPECT_EQ(CountWith(frontEnd.SystemInfo(), "emergency@example.com"), 0u)
        << "an SMS goes to the technicians";
    EXPECT_EQ(CountWith(frontEnd.SystemInfo(), "tech1@example.com"), 4u);

    // The server behaves again: the next alarm's mail is delivered, and nothing else failed.
    std::ofstream(modeFile, std::ios::trunc) << "ok";
    m_station.Gsm().StoreSms(SENDER, "Lift 7 alarm, mail server back");
    ASSERT_TRUE(m_station.WaitAlarms(5, 20000));
    m_station.Clock().JumpTick(5000);
    ASSERT_TRUE(m_station.Pump(
        [&] {
            std::error_code ec;
            return std::distance(std::filesystem::directory_iterator(mailFolder, ec),
                                 std::filesystem::directory_iterator()) == 1;
        },
        20000));
    m_station.PumpFor(300);
    EXPECT_EQ(failures(), 4u);
    EXPECT_EQ(frontEnd.Pane(1), "Mail: Idle");
}

// The telephone modem's adapter pulled out during a call and again while the line is idle: the
// operator is told, the port is tried again until the modem is back, and calls are served again.
// Disabled: today the link only sees reply time-outs on the vanished port (no write or read
// failure reaches it), so it never opens the port again and the replugged modem stays unused.
TEST_F(FaultTest, ATelephoneModemUnpluggedDuringACallAndWhileIdleServesCallsOnceItIsBack) {
    StartStation();
    ASSERT_TRUE(m_station.AddObject(*CStationHarness::Object(LIFT, "Lift 1, Storgatan 3")));
    CSimTelModem& modem = m_station.Modem();
    const CE2eFrontEnd& frontEnd = m_station.FrontEnd();
    // The adapter gone, the link sees its exchanges time out (or the port fail).
    const auto lineDown = [&] {
        const std::string pane = frontEnd.Pane(CStationHarness::TEL_PANE);
        return pane.find("Timeout") != std::string::npos || pane.find("Error") != std::string::npos;
    };
    const auto replugAndWait = [&](const char* when) {
        m_station.PumpFor(1500);
        std::string error;
        ASSERT_TRUE(modem.Plug(error)) << error;
        // The port is looked at again every 10 s: the clock skips the wait.
        for (int i = 0; i < 10 && frontEnd.Pane(CStationHarness::TEL_PANE) != CStationHarness::TEL_READY;
             ++i) {
            m_station.Clock().JumpTick(10000);
            m_station.PumpFor(1000);
        }
        ASSERT_EQ(frontEnd.Pane(CStationHarness::TEL_PANE), CStationHarness::TEL_READY) << when;
    };

    // During a call: the line is held and the telephone still listens when the adapter goes.
    auto first = std::make_shared<CSimP100Phone>();
    first->AddTrouble(SSimP100Step::CHECKSUM);
    first->AddTrouble(SSimP100Step::CHECKSUM);
    first->AddMessage(CSimP100Phone::CODE_ALARM, LIFT);
    const std::uint64_t mark = modem.Recorder().LastSeq();
    modem.Call(first, SSimRingPlan{4, 200, 300});
    ASSERT_TRUE(modem.Recorder().WaitForEvent("line held", 20000, mark));
    modem.Unplug();
    ASSERT_TRUE(m_station.Pump(lineDown, 10000)) << frontEnd.Pane(CStationHarness::TEL_PANE);
    replugAndWait("after the unplug during a call");
    const std::size_t shownBefore = frontEnd.Alarms().size();
    m_station.CallP100([](CSimP100Phone& phone) { phone.AddMessage(CSimP100Phone::CODE_ALARM, LIFT); });
    ASSERT_TRUE(m_station.WaitAlarms(shownBefore + 1, 30000));

    // While idle.
    ASSERT_TRUE(m_station.WaitLineReleased(1, 20000));
    m_station.PumpFor(500);
    modem.Unplug();
    ASSERT_TRUE(m_station.Pump(lineDown, 10000)) << frontEnd.Pane(CStationHarness::TEL_PANE);
    replugAndWait("after the unplug while idle");
    m_station.CallP100([](CSimP100Phone& phone) { phone.AddMessage(CSimP100Phone::CODE_TEST, LIFT); });
    ASSERT_TRUE(m_station.WaitAlarms(shownBefore + 2, 30000));

    // Told, but not asked to restart; every alarm that reached the station is stored once.
    EXPECT_GE(CountWith(frontEnd.SystemInfo(), "Telephone Modem"), 1u);
    EXPECT_EQ(CountWith(frontEnd.SystemInfo(), "restart application"), 0u);
    EXPECT_EQ(StoredRows(m_station.DatabasePath(), "IdCode = '" + std::string(LIFT) + "'"),
              frontEnd.Alarms().size());
}
