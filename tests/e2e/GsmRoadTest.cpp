// The GSM modem as real modems behave: numbered refusals (+CMS ERROR, +CME ERROR), a SIM that
// refuses the PIN, a network that comes and goes, and text in the whole GSM alphabet.
#include "E2eStationTest.h"
#include "SqliteReader.h"

#include "AlarmInfoMsg.h"

#include <algorithm>

namespace {

constexpr const char* SENDER = "+46705550123";
constexpr const char* COM_TIMEOUT = "GSM: Com Timeout...";

using GsmRoadTest = CE2eStationTest;

bool Shown(const std::vector<std::string>& history, const std::string& text) {
    return std::find(history.begin(), history.end(), text) != history.end();
}

} // namespace

TEST_F(GsmRoadTest, GreekAlarmSmsIsShownStoredAndForwardedOnceTheNetworkTakesIt) {
    StartStation();
    ASSERT_TRUE(m_station.AddObject(*CStationHarness::Object(SENDER, "Lift 7, Hamngatan 1")));
    // The network refuses the first two sends of the forwarded alarm ("+CMS ERROR: 38").
    m_station.Gsm().RefuseSends(2, 38);

    m_station.Gsm().StoreSms(SENDER, "ΔΦΓΛΩΠΨΣΘΞ hiss 7");
    ASSERT_TRUE(m_station.WaitAlarms(1, 20000));
    const SShownAlarm shown = m_station.FrontEnd().Alarms()[0];
    EXPECT_EQ(shown.Type, CAlarmInfoMsg::ALARMTYPE_SMS);
    EXPECT_EQ(shown.IdInfo, "Lift 7, Hamngatan 1");
    EXPECT_EQ(shown.Text.substr(0, shown.Text.find('\n')), "ΔΦΓΛΩΠΨΣΘΞ hiss 7");
    CSqliteReader db(m_station.DatabasePath());
    const auto rows = db.Rows("SELECT Text FROM AlarmInfo");
    ASSERT_EQ(rows.size(), 1u) << db.Error();
    EXPECT_EQ(rows[0][0].rfind("ΔΦΓΛΩΠΨΣΘΞ hiss 7", 0), 0u) << rows[0][0];
    // Stored, so the modem is told to let it go; it is neither shown nor stored twice.
    ASSERT_TRUE(m_station.Pump([&] { return m_station.Gsm().StoredSms().empty(); }, 10000));
    EXPECT_EQ(m_station.Gsm().DeletedIndexes(), (std::vector<int>{1}));

    // Each refusal is one of the four attempts, tried again at once: the third goes out, with
    // the Greek letters as they came (but Ξ, whose code would end the text).
    ASSERT_TRUE(m_station.Pump(
        [&] {
            const auto sent = m_station.Gsm().SentSms();
            return sent.size() == 3 && sent.back().Accepted;
        },
        15000))
        << m_station.Gsm().SentSms().size() << " sends";
    const auto sent = m_station.Gsm().SentSms();
    EXPECT_FALSE(sent[0].Accepted);
    EXPECT_FALSE(sent[1].Accepted);
    EXPECT_EQ(sent[2].Destination, "+46701111111");
    EXPECT_NE(sent[2].Text.find("\nΔΦΓΛΩΠΨΣΘ? hiss 7\n"), std::string::npos) << sent[2].Text;
    // A refusal is no communication failure.
    EXPECT_FALSE(Shown(m_station.FrontEnd().PaneHistory(CStationHarness::GSM_PANE), COM_TIMEOUT));
    const std::string log = CTempDir::ReadFile(m_station.Dir().File("GsmHandler.log"));
    EXPECT_NE(log.find("+CMS ERROR: 38"), std::string::npos);
    m_station.PumpFor(1500);
    EXPECT_EQ(m_station.Gsm().SentSms().size(), 3u);
    EXPECT_EQ(m_station.FrontEnd().Alarms().size(), 1u);
    EXPECT_EQ(db.Rows("SELECT Text FROM AlarmInfo").size(), 1u);
}

TEST_F(GsmRoadTest, SignalIsShownAgainWhenTheModemRegistersAgain) {
    StartStation();
    EXPECT_EQ(m_station.FrontEnd().Pane(CStationHarness::GSM_PANE), "GSM: Com OK, NET 80%");

    m_station.Gsm().SetRegistration(0);
    ASSERT_TRUE(m_station.Pump(
        [&] { return m_station.FrontEnd().Pane(CStationHarness::GSM_PANE) == "GSM: Com OK, No NET"; },
        10000));
    // Back with the same signal as before the loss.
    m_station.Gsm().SetRegistration(1);
    EXPECT_TRUE(m_station.Pump(
        [&] { return m_station.FrontEnd().Pane(CStationHarness::GSM_PANE) == "GSM: Com OK, NET 80%"; },
        10000));
}

TEST_F(GsmRoadTest, APinTheSimRefusesIsEnteredOnceAndShownAsPinError) {
    m_station.Settings().GsmPinCode = "9999";
    // The modem kept numbered error reports from an earlier run: it refuses with "+CME ERROR: 16".
    m_station.Gsm().SetErrorReports(1);
    StartStation(); // the SIM asks for no PIN yet

    // A power cut restarts the modem; its SIM now asks for a PIN, and 9999 is not it.
    m_station.Gsm().SetPin("1234");
    m_station.Gsm().SetSilent(true);
    ASSERT_TRUE(m_station.Pump(
        [&] { return m_station.FrontEnd().Pane(CStationHarness::GSM_PANE) == COM_TIMEOUT; }, 10000));
    m_station.Gsm().SetSilent(false);
    m_station.Clock().JumpTick(5000); // the pause before the modem is initialised again

    ASSERT_TRUE(m_station.Pump(
        [&] { return m_station.FrontEnd().Pane(CStationHarness::GSM_PANE) == "GSM: PIN Error"; }, 10000));
    const auto& info = m_station.FrontEnd().SystemInfo();
    EXPECT_TRUE(std::any_of(info.begin(), info.end(), [](const std::string& line) {
        return line.find(
                   "ERROR: GSM Modem PIN-Code error, check the PIN-Code at Settings->Communications...") !=
               std::string::npos;
    }));
    // Minutes later the SIM has not been asked again: two tries are left for the right PIN.
    for (int i = 0; i < 4; ++i) {
        m_station.Clock().JumpTick(30000);
        m_station.PumpFor(300);
    }
    EXPECT_EQ(m_station.Gsm().CountCommands("AT+CPIN=\"9999\""), 1u);
    EXPECT_EQ(m_station.Gsm().CountCommands("AT+CPIN="), 1u);
    EXPECT_EQ(m_station.FrontEnd().Pane(CStationHarness::GSM_PANE), "GSM: PIN Error");
}
