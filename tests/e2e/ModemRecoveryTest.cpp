// A station without an operator whose modems come and go: serial ports that appear only after the
// start, and a telephone modem link that fails and comes back. Nothing is switched off for good,
// the operator is told once, and alarms are served again.
#include "E2eStationTest.h"

#include "AlarmInfoMsg.h"

#include <algorithm>
#include <filesystem>

namespace {

using ModemRecoveryTest = CE2eStationTest;

constexpr const char* LIFT = "12345678";

bool Contains(const std::vector<std::string>& texts, const std::string& text) {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

std::size_t CountWith(const std::vector<std::string>& texts, const std::string& part) {
    return static_cast<std::size_t>(std::count_if(
        texts.begin(), texts.end(), [&](const std::string& t) { return t.find(part) != std::string::npos; }));
}

} // namespace

TEST_F(ModemRecoveryTest, PortsThatAppearAfterTheStartAreWaitedForAndTheModemsKept) {
    // Both adapters come up late: the telephone modem is unplugged and the GSM modem's link is away.
    const std::string gsmLink = m_station.Dir().File("COM2");
    const std::string gsmAway = gsmLink + ".away";
    m_station.Modem().Unplug();
    std::filesystem::rename(gsmLink, gsmAway);
    CE2eClock& clock = m_station.Clock();
    // 1.5 s after the start both are there; the clock then skips the rest of the 10 s between two
    // looks at the ports.
    m_station.Modem().At(m_station.Modem().Elapsed() + 1500, [&clock, gsmLink, gsmAway](CSimTelModem& modem) {
        std::string error;
        modem.Plug(error);
        std::error_code ec;
        std::filesystem::rename(gsmAway, gsmLink, ec);
        clock.JumpTick(10000);
    });
    StartStation();

    const CE2eFrontEnd& frontEnd = m_station.FrontEnd();
    const std::vector<std::string> tel = frontEnd.PaneHistory(CStationHarness::TEL_PANE);
    const std::vector<std::string> gsm = frontEnd.PaneHistory(CStationHarness::GSM_PANE);
    EXPECT_TRUE(Contains(tel, "TEL: Com Error"));
    EXPECT_FALSE(Contains(tel, "TEL: Disabled"));
    EXPECT_TRUE(Contains(gsm, "GSM Modem Serial Port Error"));
    EXPECT_FALSE(Contains(gsm, "GSM: Disabled"));
    const std::vector<std::string>& info = frontEnd.SystemInfo();
    EXPECT_EQ(CountWith(info, "Telephone Modem Serial Port Error: Unable to open the serial port !! (COM1)"),
              1u);
    EXPECT_EQ(CountWith(info, "GSM Modem Serial Port Error: Unable to open the serial port !! (COM2)"), 1u);

    // The settings still have both modems on.
    CSettings stored;
    stored.Load();
    EXPECT_EQ(stored.TelEnabled, 1);
    EXPECT_EQ(stored.GsmEnabled, 1);

    // The telephone modem is polled: a call is answered and its alarm shown.
    ASSERT_TRUE(m_station.AddObject(*CStationHarness::Object(LIFT, "Lift 1, Storgatan 3")));
    m_station.CallP100([](CSimP100Phone& phone) { phone.AddMessage(CSimP100Phone::CODE_ALARM, LIFT); });
    ASSERT_TRUE(m_station.WaitAlarms(1));
    EXPECT_EQ(frontEnd.Alarms()[0].IdCode, LIFT);
}

TEST_F(ModemRecoveryTest, ATelephoneLinkThatFailsIsToldOnceAndServesCallsAgain) {
    StartStation();
    ASSERT_TRUE(m_station.AddObject(*CStationHarness::Object(LIFT, "Lift 1, Storgatan 3")));

    // Three invalid replies in a row: the link gives up, closes the port and tries again in 2 s.
    m_station.Modem().InjectFault(SSimFault{ESimFault::INVALID_CODE, 3, 0x80});
    ASSERT_TRUE(m_station.Pump(
        [&] { return m_station.FrontEnd().Pane(CStationHarness::TEL_PANE) == "TEL: Com Error"; }, 5000));
    m_station.Clock().JumpTick(2000);
    ASSERT_TRUE(m_station.Pump(
        [&] { return m_station.FrontEnd().Pane(CStationHarness::TEL_PANE) == CStationHarness::TEL_READY; },
        5000));

    m_station.CallP100([](CSimP100Phone& phone) { phone.AddMessage(CSimP100Phone::CODE_ALARM, LIFT); });
    ASSERT_TRUE(m_station.WaitAlarms(1));
    const std::vector<std::string>& info = m_station.FrontEnd().SystemInfo();
    EXPECT_EQ(CountWith(info, "serial port failure"), 1u);
    EXPECT_EQ(CountWith(info, "restart application"), 0u);
    EXPECT_EQ(CountWith(info, "communication failure"), 0u) << "no time-out warnings for the restart";
}
