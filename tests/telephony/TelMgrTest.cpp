#include "TelMgr.h"
#include "JumpClock.h"
#include "MsgKinds.h"
#include "PtyModem.h"
#include "RecordingFrontEnd.h"
#include "RecordingSink.h"
#include "TempDir.h"
#include "Translate.h"

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <map>
#include <thread>

namespace {

const std::map<std::string, std::string> TEXTS = {
    {"IDS_TELMGR_MSG_1", "TEL:"},
    {"IDS_TELMGR_MSG_2", "Telephone Modem Serial Port Error"},
    {"IDS_TELMGR_MSG_3", "TEL: Disabled"},
    {"IDS_TELMGR_MSG_4", "TelHandler: Undefined Error"},
    {"IDS_TELMGR_MSG_5", "TEL: Disabled"},
    {"IDS_TELMGR_MSG_6", "TEL: Com Timeout"},
    {"IDS_TELMGR_MSG_7",
     "WARNING: Telephone Modem communication failure, check modem settings and connections..."},
    {"IDS_TELMGR_MSG_9", "TEL: Com Timeout"},
    {"IDS_TELMGR_MSG_10",
     "ERROR: Telephone Modem communication failure, check modem settings and connections..."},
    {"IDS_TELMGR_MSG_11", "ERROR: Telephone Modem communication failure,"},
    {"IDS_TELMGR_MSG_12", "TEL: Com Error"},
    {"IDS_TELMGR_MSG_13", "TEL: Com Error"},
    {"IDS_TELMGR_MSG_14", "ERROR: Telephone Modem serial port failure,"},
    {"IDS_TELMGR_MSG_15", "FATAL ERROR:"},
    {"IDS_TELMGR_MSG_16", ", check serial port installation and restart application..."},
    {"IDS_TELMGR_MSG_17", "Please contact Brennvik Europe or Brennvik Sweden AB if the problem remains..."},
    {"IDS_TELMGR_MSG_18", "TEL: Com OK, No Line"},
    {"IDS_TELMGR_MSG_19", "TEL: Com OK, Line OK"},
    {"IDS_TELMGR_MSG_20", "TEL: Ring Detect"},
    {"IDS_TELMGR_MSG_21", "TEL: Incoming Call"},
    {"IDS_TELMGR_MSG_22", "TEL: SW Error"},
    {"IDS_TELMGR_MSG_23", "Telephone Modem Software Version Error,"},
    {"IDS_TELMGR_MSG_24", "TEL: HW Error"},
    {"IDS_TELMGR_MSG_25", "Telephone Modem Hardware Version Error,"},
    {"IDS_GSMMGR_MSG_30", "GSM: Com OK, No NET"},
    {"IDS_GSMMGR_MSG_31", "GSM: Com OK, NET %d%%"},
    {"IDC_SET_COMPORT_UNABLE_TO_OPEN", "Unable to open the serial port !!"},
};

// The recording front end, with the serial-port error dialog answered from a script.
class CPortDialogFrontEnd : public CRecordingFrontEnd {
public:
    bool SerialPortErrorDialog(const std::string& title, int& port) override {
        dialogs.emplace_back(title, port);
        if (portAnswers.empty()) {
            return false;
        }
        port = portAnswers.front();
        portAnswers.pop_front();
        return true;
    }
    bool RetryMissingPort() override { return retryMissingPort; }
    std::deque<int> portAnswers;
    std::vector<std::pair<std::string, int>> dialogs;
    bool retryMissingPort = false;
};

class TelMgrTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir.Enter();
        m_dir.UseAsSettingsFolder();
        Text::SetTranslator([](const std::string& tag) {
            auto it = TEXTS.find(tag);
            return it != TEXTS.end() ? it->second : std::string(Text::NOT_AVAILABLE);
        });
        m_settings.Load();
        m_mgr.Init(&m_frontEnd, &m_settings);
    }
    void TearDown() override {
        m_mgr.Stop();
        Text::SetTranslator({});
    }

    void Status(std::uint16_t code, const std::string& text = {}, std::uint16_t iface = 1,
                std::uint16_t signal = 0) {
        CTelHandlerMsg msg(MsgKind::TEL_STATUS, code);
        msg.Text = text;
        msg.InterfaceType = iface;
        msg.SignalLevel = signal;
        m_mgr.OnStatus(msg);
    }

    CTempDir m_dir;
    CPortDialogFrontEnd m_frontEnd;
    CSettings m_settings;
    CRecordingSink m_database;
    CTelMgr m_mgr;
};

} // namespace

TEST_F(TelMgrTest, ADisabledTelephoneStartsNothing) {
    m_settings.TelEnabled = 0;
    EXPECT_EQ(m_mgr.Start(&m_database), 1);
    ASSERT_EQ(m_frontEnd.paneTexts.size(), 2u);
    EXPECT_EQ(m_frontEnd.paneTexts[0], (std::pair<int, std::string>{3, "TEL:"}));
    EXPECT_EQ(m_frontEnd.paneTexts[1], (std::pair<int, std::string>{3, "TEL: Disabled"}));
    EXPECT_FALSE(m_mgr.Handler().IsRunning());
    EXPECT_TRUE(m_frontEnd.dialogs.empty());
}

TEST_F(TelMgrTest, APortThatCannotBeOpenedLetsTheOperatorChooseAnother) {
    CPtyModem modem(6); // only COM6 exists
    ASSERT_TRUE(modem.IsOpen());
    m_settings.TelEnabled = 1;
    m_settings.TelComPort = 2;
    m_frontEnd.portAnswers = {5, 6};
    EXPECT_EQ(m_mgr.Start(&m_database), 1);
    ASSERT_EQ(m_frontEnd.dialogs.size(), 2u);
    EXPECT_EQ(m_frontEnd.dialogs[0], (std::pair<std::string, int>{"Telephone Modem Serial Port Error", 2}));
    EXPECT_EQ(m_frontEnd.dialogs[1].second, 5);
    EXPECT_EQ(m_frontEnd.beeps.size(), 2u);
    EXPECT_EQ(m_frontEnd.beeps[0], IFrontEnd::EBeep::Exclamation);
    EXPECT_TRUE(m_mgr.Handler().IsRunning());
    EXPECT_EQ(m_mgr.Handler().Config().PortNumber, 6);
    // The station polls the modem on the chosen port.
    EXPECT_EQ(modem.ReadFrame(1000), (std::vector<std::uint8_t>{0x81, 0x01, 0x00, 0x7F}));

    CSettings stored;
    stored.Load();
    EXPECT_EQ(stored.TelComPort, 6);
    EXPECT_EQ(stored.TelEnabled, 1);
    EXPECT_EQ(m_mgr.Stop(), CHandler::HANDLER_STOPPED);
}

TEST_F(TelMgrTest, CancellingTheDialogDisablesTheTelephoneForGood) {
    CTempDir serial;
    ::setenv("MORA_SERIAL_DIR", serial.Path().c_str(), 1);
    m_settings.TelEnabled = 1;
    m_settings.TelComPort = 4;
    EXPECT_EQ(m_mgr.Start(&m_database), 1);
    EXPECT_EQ(m_frontEnd.dialogs.size(), 1u);
    EXPECT_EQ(m_frontEnd.Pane(3), "TEL: Disabled");
    EXPECT_FALSE(m_mgr.Handler().IsRunning());
    CSettings stored;
    stored.Load();
    EXPECT_EQ(stored.TelEnabled, 0);
    ::unsetenv("MORA_SERIAL_DIR");
}

TEST_F(TelMgrTest, StatusCodesBecomePaneTextsAndSystemInformation) {
    Status(0, {}, 1);
    EXPECT_EQ(m_frontEnd.Pane(3), "TEL: Com OK, No Line");
    Status(0, {}, 2);
    EXPECT_EQ(m_frontEnd.Pane(3), "GSM: Com OK, No NET");
    Status(0, {}, 0);
    EXPECT_EQ(m_frontEnd.Pane(3), "TEL: HW Error");
    Status(1, {}, 1);
    EXPECT_EQ(m_frontEnd.Pane(3), "TEL: Com OK, Line OK");
    Status(1, {}, 2, 45);
    EXPECT_EQ(m_frontEnd.Pane(3), "GSM: Com OK, NET 45%");
    Status(1, {}, 2, 0);
    EXPECT_EQ(m_frontEnd.Pane(3), "GSM: Com OK, No NET");
    Status(1, {}, 7);
    EXPECT_EQ(m_frontEnd.Pane(3), "TEL: HW Error");
    Status(2);
    EXPECT_EQ(m_frontEnd.Pane(3), "TEL: Ring Detect");
    Status(3);
    EXPECT_EQ(m_frontEnd.Pane(3), "TEL: Incoming Call");
    EXPECT_TRUE(m_frontEnd.systemInfo.empty());

    Status(4);
    EXPECT_EQ(m_frontEnd.Pane(3), "TEL: Com Timeout");
    ASSERT_EQ(m_frontEnd.systemInfo.size(), 1u);
    EXPECT_EQ(m_frontEnd.systemInfo[0].text, TEXTS.at("IDS_TELMGR_MSG_7"));
    EXPECT_FALSE(m_frontEnd.systemInfo[0].toFront);

    Status(5);
    Status(5, "Modem Line Connect Error...");
    ASSERT_EQ(m_frontEnd.systemInfo.size(), 3u);
    EXPECT_EQ(m_frontEnd.systemInfo[1].text, TEXTS.at("IDS_TELMGR_MSG_10"));
    EXPECT_EQ(m_frontEnd.systemInfo[2].text,
              "ERROR: Telephone Modem communication failure,Modem Line Connect Error...");
    EXPECT_TRUE(m_frontEnd.systemInfo[2].toFront);

    Status(7, "Minimum ver. 01.42 required...");
    EXPECT_EQ(m_frontEnd.Pane(3), "TEL: SW Error");
    EXPECT_EQ(m_frontEnd.systemInfo.back().text,
              "Telephone Modem Software Version Error,Minimum ver. 01.42 required...");
    EXPECT_TRUE(m_frontEnd.systemInfo.back().toFront);
    Status(8, "Modem type not supported, Brennvik 5100 required...");
    EXPECT_EQ(m_frontEnd.Pane(3), "TEL: HW Error");
    EXPECT_TRUE(m_frontEnd.systemInfo.back().toFront);
}

// The link opens its port again by itself: one line for the outage, no advice to restart.
TEST_F(TelMgrTest, ALinkFailureIsToldOnceWithoutAskingForARestart) {
    Status(6, "Serial Transmission failure");
    EXPECT_EQ(m_frontEnd.Pane(3), "TEL: Com Error");
    ASSERT_EQ(m_frontEnd.systemInfo.size(), 1u);
    EXPECT_EQ(m_frontEnd.systemInfo[0].text,
              "ERROR: Telephone Modem serial port failure, Serial Transmission failure");
    EXPECT_TRUE(m_frontEnd.systemInfo[0].toFront);
    Status(1);
    Status(10);
    EXPECT_EQ(m_frontEnd.Pane(3), "TEL: Com Error");
    EXPECT_EQ(m_frontEnd.systemInfo.size(), 1u);
}

// Without an operator to ask, a missing port keeps the telephone enabled; the manager shows it
// once, looks for the port every 10 s and starts the handler when it is there.
TEST_F(TelMgrTest, AMissingPortIsWaitedForAndTheModemStartedWhenItAppears) {
    CJumpClock clock;
    CTelMgr mgr(clock);
    mgr.Init(&m_frontEnd, &m_settings);
    m_frontEnd.retryMissingPort = true;
    CPtyModem modem(4);
    modem.Unplug();
    m_settings.TelEnabled = 1;
    m_settings.TelComPort = 4;
    ASSERT_TRUE(m_settings.SaveAll());

    EXPECT_EQ(mgr.Start(&m_database), 1);
    EXPECT_TRUE(m_frontEnd.dialogs.empty());
    EXPECT_FALSE(mgr.Handler().IsRunning());
    EXPECT_TRUE(mgr.WaitingForPort());
    EXPECT_EQ(m_frontEnd.Pane(3), "TEL: Com Error");
    ASSERT_EQ(m_frontEnd.systemInfo.size(), 1u);
    EXPECT_EQ(m_frontEnd.systemInfo[0].text,
              "Telephone Modem Serial Port Error: Unable to open the serial port !! (COM4)");
    EXPECT_TRUE(m_frontEnd.systemInfo[0].toFront);
    CSettings stored;
    stored.Load();
    EXPECT_EQ(stored.TelEnabled, 1) << "the setting is kept";

    const auto waitForReport = [&](std::uint32_t ms) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (m_database.Size() == 0 && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return m_database.Size() != 0;
    };
    const auto portFound = [&] {
        auto msgs = m_database.Take();
        EXPECT_EQ(msgs.size(), 1u);
        auto found = msgs.empty() ? nullptr : MsgCast<CTelHandlerMsg>(msgs[0]);
        if (found == nullptr) {
            ADD_FAILURE() << "no report of the port watch";
            return std::make_unique<CTelHandlerMsg>(MsgKind::TEL_STATUS);
        }
        EXPECT_EQ(found->Code, TELSTATUS_PORT_FOUND);
        return found;
    };

    // Not yet there after 10 s; nothing before the next 10 s when it is plugged in.
    clock.Jump(CSerialPortWatch::RETRY_MS);
    EXPECT_FALSE(waitForReport(200));
    ASSERT_TRUE(modem.Plug());
    EXPECT_FALSE(waitForReport(200));
    clock.Jump(CSerialPortWatch::RETRY_MS);
    ASSERT_TRUE(waitForReport(2000));
    const auto found = portFound();

    // Gone again before the manager got to it: it goes on waiting without a second line.
    modem.Unplug();
    mgr.OnStatus(*found);
    EXPECT_TRUE(mgr.WaitingForPort());
    EXPECT_FALSE(mgr.Handler().IsRunning());
    EXPECT_EQ(m_frontEnd.systemInfo.size(), 1u);
    ASSERT_TRUE(modem.Plug());
    clock.Jump(CSerialPortWatch::RETRY_MS);
    ASSERT_TRUE(waitForReport(2000));
    const auto foundAgain = portFound();

    // An old report is ignored; the new one starts the handler, which polls the modem.
    mgr.OnStatus(*found);
    EXPECT_FALSE(mgr.Handler().IsRunning());
    mgr.OnStatus(*foundAgain);
    EXPECT_TRUE(mgr.Handler().IsRunning());
    EXPECT_FALSE(mgr.WaitingForPort());
    EXPECT_EQ(modem.ReadFrame(1000), (std::vector<std::uint8_t>{0x81, 0x01, 0x00, 0x7F}));
    EXPECT_TRUE(m_frontEnd.dialogs.empty());
    EXPECT_EQ(m_frontEnd.systemInfo.size(), 1u);
    EXPECT_EQ(mgr.Stop(), CHandler::HANDLER_STOPPED);
}

TEST_F(TelMgrTest, AStartupLineChangesNothingButTheList) {
    Status(1);
    const std::size_t panes = m_frontEnd.paneTexts.size();
    Status(9, "SW Version: 01.50");
    EXPECT_EQ(m_frontEnd.paneTexts.size(), panes);
    ASSERT_EQ(m_frontEnd.systemInfo.size(), 1u);
    EXPECT_EQ(m_frontEnd.systemInfo[0].text, "SW Version: 01.50");
    EXPECT_FALSE(m_frontEnd.systemInfo[0].toFront);
}

TEST_F(TelMgrTest, RequestsReachTheHandler) {
    auto abort = std::make_unique<CTelHandlerMsg>(MsgKind::TEL_ABORT_VOICE_CALL);
    m_mgr.SendToHandler(std::move(abort));
    EXPECT_EQ(m_mgr.Handler().PendingMessages(), 1u);
}
