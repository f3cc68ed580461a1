// The GSM manager: start with the serial-port retry, the handler's statuses as the operator sees
// them, and the alarm SMS text. Texts are the English texts of the built-in dictionary.

#include "GsmMgr.h"
#include "Dictionary.h"
#include "GsmModemSim.h"
#include "LinkedPty.h"
#include "MsgKinds.h"
#include "RecordingFrontEnd.h"
#include "RecordingSink.h"
#include "SerialAccess.h"
#include "TempDir.h"
#include "Utf8.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <thread>

namespace {

constexpr int SIM_PORT = 8;

// The front end with the serial-port error dialog answered from a script.
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

    std::deque<int> portAnswers; // each a chosen port; none left means Cancel
    std::vector<std::pair<std::string, int>> dialogs;
};

class CRecordingSendSmsView : public ISendSmsView {
public:
    void Show() override { ++shown; }
    void OnSendReport(std::uint16_t code, const std::string& number) override {
        reports.emplace_back(code, number);
    }
    void OnRecipientReply(MsgPtr reply) override { replies.push_back(std::move(reply)); }

    int shown = 0;
    std::vector<std::pair<std::uint16_t, std::string>> reports;
    std::vector<MsgPtr> replies;
};

class GsmMgrTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(CDictionary::Instance().Load());
        ASSERT_TRUE(CDictionary::Instance().SetLanguage("en"));
        CDictionary::Instance().InstallAsTranslator();
    }

    void SetUp() override {
        m_dir.Enter();
        m_dir.UseAsSettingsFolder();
        setenv("MORA_SERIAL_DIR", m_dir.Path().c_str(), 1);
        m_settings.GsmEnabled = 1;
        m_settings.GsmComPort = 3;
        m_mgr.SetSendSmsView(&m_view);
    }

    void TearDown() override { m_mgr.Stop(); }

    static std::unique_ptr<CGsmHandlerMsg> Status(std::uint16_t code, std::uint16_t quality = 0) {
        auto status = std::make_unique<CGsmHandlerMsg>(MsgKind::GSM_STATUS, code);
        status->Quality = quality;
        return status;
    }

    static std::unique_ptr<CAlarmInfoMsg> Alarm(std::uint8_t type, std::uint8_t opFail = 0) {
        auto alarm = std::make_unique<CAlarmInfoMsg>();
        alarm->AlarmType = type;
        alarm->OpFailType = opFail;
        alarm->IdInfo = "Storgatan 5, hiss A";
        alarm->Address = "Storgatan 5, Brennvik";
        return alarm;
    }

    CTempDir m_dir;
    CSettings m_settings;
    CPortDialogFrontEnd m_frontEnd;
    CRecordingSendSmsView m_view;
    CRecordingSink m_sink;
    CGsmMgr m_mgr{m_settings, m_frontEnd};
};

// --- start ---

TEST_F(GsmMgrTest, DisabledGsmStartsNothing) {
    m_settings.GsmEnabled = 0;
    EXPECT_TRUE(m_mgr.Start(&m_sink));
    ASSERT_EQ(m_frontEnd.paneTexts.size(), 2u);
    EXPECT_EQ(m_frontEnd.paneTexts[0], std::make_pair(2, std::string("GSM:")));
    EXPECT_EQ(m_frontEnd.paneTexts[1], std::make_pair(2, std::string("GSM: Disabled")));
    EXPECT_FALSE(m_mgr.Handler().IsRunning());
}

TEST_F(GsmMgrTest, CancelledPortDialogDisablesGsmInTheSavedSettings) {
    EXPECT_TRUE(m_mgr.Start(&m_sink));
    ASSERT_EQ(m_frontEnd.dialogs.size(), 1u);
    EXPECT_EQ(m_frontEnd.dialogs[0].first, "GSM Modem Serial Port Error");
    EXPECT_EQ(m_frontEnd.dialogs[0].second, 3);
    EXPECT_EQ(m_frontEnd.beeps, std::vector<IFrontEnd::EBeep>{IFrontEnd::EBeep::Exclamation});
    EXPECT_EQ(m_frontEnd.Pane(2), "GSM: Disabled");
    EXPECT_EQ(m_settings.GsmEnabled, 0);
    CSettings stored;
    stored.Load();
    EXPECT_EQ(stored.GsmEnabled, 0);
    EXPECT_FALSE(m_mgr.Handler().IsRunning());
}

TEST_F(GsmMgrTest, ChosenPortIsSavedAndTheHandlerStarts) {
    CGsmModemSim sim;
    ASSERT_TRUE(sim.Start(SIM_PORT, m_dir.Path()));
    m_frontEnd.portAnswers = {9, SIM_PORT}; // first another missing port, then the modem's
    EXPECT_TRUE(m_mgr.Start(&m_sink));
    EXPECT_EQ(m_frontEnd.dialogs.size(), 2u);
    EXPECT_EQ(m_frontEnd.dialogs[1].second, 9);
    EXPECT_TRUE(m_mgr.Handler().IsRunning());
    CSettings stored;
    stored.Load();
    EXPECT_EQ(stored.GsmComPort, SIM_PORT);
    EXPECT_EQ(stored.GsmEnabled, 1);
    EXPECT_TRUE(m_sink.WaitForStatus(CGsmHandlerMsg::GHM_STATUS_INITIALIZING, 2000));
    EXPECT_EQ(m_mgr.Stop(), CHandler::HANDLER_STOPPED);
}

TEST_F(GsmMgrTest, HandlerThatIsAlreadyRunningIsAnUndefinedError) {
    CGsmModemSim sim;
    ASSERT_TRUE(sim.Start(SIM_PORT, m_dir.Path()));
    m_settings.GsmComPort = SIM_PORT;
    EXPECT_TRUE(m_mgr.Start(&m_sink));
    // The refused second start leaves the running handler's owner alone (its thread reads it).
    CRecordingSink other;
    EXPECT_TRUE(m_mgr.Start(&other));
    EXPECT_EQ(m_mgr.Handler().Owner(), &m_sink);
    ASSERT_EQ(m_frontEnd.messageBoxes.size(), 1u);
    EXPECT_EQ(m_frontEnd.messageBoxes[0].text, "GsmHandler: Undefined Error");
    EXPECT_EQ(m_frontEnd.messageBoxes[0].icon, IFrontEnd::EIcon::Error);
}

TEST_F(GsmMgrTest, ARefusedPortIsExplainedAndWaitedFor) {
    // The port is held elsewhere, so that the handler cannot open it even as root; the check
    // hears the refusal a user outside the device's group would get.
    class CRetrying : public CRecordingFrontEnd {
    public:
        bool RetryMissingPort() override { return true; }
    } frontEnd;
    CLinkedPty pty(m_dir.Path(), 3);
    ASSERT_TRUE(pty.Hold());
    SerialAccess::SetOpenFunction([](const char*, int) {
        errno = EACCES;
        return -1;
    });
    CGsmMgr mgr(m_settings, frontEnd);
    EXPECT_TRUE(mgr.Start(&m_sink));
    SerialAccess::SetOpenFunction({});
    EXPECT_TRUE(mgr.WaitingForPort());
    EXPECT_EQ(m_settings.GsmEnabled, 1);
    ASSERT_EQ(frontEnd.systemInfo.size(), 1u);
    const std::string& line = frontEnd.systemInfo[0].text;
    const std::string start =
        "GSM Modem Serial Port Error: The station has no right to use the serial port COM3 (";
    EXPECT_EQ(line.rfind(start + pty.Device() + ").", 0), 0u) << line;
    EXPECT_NE(line.find("must be a member of the group"), std::string::npos) << line;
    mgr.Stop();
}

// --- statuses ---

TEST_F(GsmMgrTest, StatusesShowInThePaneAndTheSystemInformation) {
    struct SCase {
        std::uint16_t code;
        std::uint16_t quality;
        const char* pane;
    };
    const SCase cases[] = {
        {0, 0, "GSM: Initializing..."}, {3, 0, "GSM: Com OK, No NET"},      {3, 45, "GSM: Com OK, NET 45%"},
        {4, 0, "GSM: Com Timeout..."},  {7, 0, "GSM: Com OK, Sending SMS"}, {1, 0, "GSM: PIN Error"},
        {2, 0, "GSM: PIN Required"},    {5, 0, "GSM: Com Timeout..."},      {6, 0, "GSM: Com Timeout..."}};
    for (const auto& c : cases) {
        m_mgr.OnStatus(*Status(c.code, c.quality));
        EXPECT_EQ(m_frontEnd.Pane(CGsmMgr::GSM_PANE), c.pane) << c.code;
    }
    ASSERT_EQ(m_frontEnd.systemInfo.size(), 4u);
    EXPECT_EQ(m_frontEnd.systemInfo[0].text,
              "ERROR: GSM Modem PIN-Code error, check the PIN-Code at Settings->Communications...");
    EXPECT_TRUE(m_frontEnd.systemInfo[0].toFront);
    EXPECT_EQ(m_frontEnd.systemInfo[1].text,
              "ERROR: GSM Modem PIN-Code Required, set up the PIN-Code at Settings->Communications...");
    EXPECT_TRUE(m_frontEnd.systemInfo[1].toFront);
    EXPECT_EQ(m_frontEnd.systemInfo[2].text,
              "WARNING: GSM Modem communication failure, check GSM Modem settings and connections...");
    EXPECT_FALSE(m_frontEnd.systemInfo[2].toFront);
    EXPECT_EQ(m_frontEnd.systemInfo[3].text,
              "ERROR: GSM Modem communication failure, check GSM Modem settings and connections...");
    EXPECT_TRUE(m_frontEnd.systemInfo[3].toFront);
}

TEST_F(GsmMgrTest, SendReportsOfTheDialogsSmsGoToTheDialogOnly) {
    auto sent = Status(CGsmHandlerMsg::GHM_STATUS_SMS_SENT);
    sent->Recipients = "+4611";
    sent->RequestTag = 1;
    auto failed = Status(CGsmHandlerMsg::GHM_STATUS_SMS_FAILED);
    failed->Recipients = "+4622";
    failed->RequestTag = 1;
    auto other = Status(CGsmHandlerMsg::GHM_STATUS_SMS_SENT);
    other->Recipients = "+4633";
    other->RequestTag = 0;
    const std::size_t panes = m_frontEnd.paneTexts.size();
    m_mgr.OnStatus(*sent);
    m_mgr.OnStatus(*failed);
    m_mgr.OnStatus(*other);
    EXPECT_EQ(m_view.reports,
              (std::vector<std::pair<std::uint16_t, std::string>>{{8, "+4611"}, {9, "+4622"}}));
    EXPECT_EQ(m_frontEnd.paneTexts.size(), panes);

    m_mgr.ShowSendSmsDlg();
    EXPECT_EQ(m_view.shown, 1);
    m_mgr.OnSmsNumReply(std::make_unique<CMsg>(MsgKind::UI_GSM_SMSNUM_REPLY));
    EXPECT_EQ(m_view.replies.size(), 1u);
}

// --- alarm SMS ---

TEST_F(GsmMgrTest, AlarmSmsHasTheHeaderLinesAndTheText) {
    auto alarm = Alarm(CAlarmInfoMsg::ALARMTYPE_OPFAIL, CAlarmInfoMsg::OPFAIL_BATTERY);
    alarm->Text.AddLine("Battery Check Failed");
    EXPECT_EQ(CGsmMgr::AlarmSmsText(*alarm), "MORA ALARM\n"
                                             "Type: Battery Failure\n"
                                             "ID Info: Storgatan 5, hiss A\n"
                                             "Address: Storgatan 5, Brennvik\n"
                                             "Battery Check Failed\n");
}

TEST_F(GsmMgrTest, TypeTexts) {
    struct SCase {
        std::uint8_t type;
        std::uint8_t opFail;
        const char* text;
    };
    const SCase cases[] = {{1, 0, "P100"},
                           {2, 0, "SMS"},
                           {3, 0, "Voice"},
                           {4, 1, "Inputs Failure"},
                           {4, 3, "Mic/Speaker Failure"},
                           {4, 4, "Mains Power Info"},
                           {4, 5, "Stuck Emergency Button"},
                           {4, 6, ""},
                           {4, 0, ""},
                           {5, 0, "Lift Monitoring System"},
                           {6, 0, "Test Successful"},
                           {7, 0, "Test Fail"},
                           {8, 0, "Emergency Call Activated"},
                           {9, 0, "End of Alarm"},
                           {10, 0, "Undefined Alarm Type"},
                           {11, 0, "Voice - Redirected"},
                           {0, 0, "Undefined Alarm Type"},
                           {42, 0, "Undefined Alarm Type"}};
    for (const auto& c : cases) {
        const std::string text = CGsmMgr::AlarmSmsText(*Alarm(c.type, c.opFail));
        EXPECT_NE(text.find(std::string("\nType: ") + c.text + "\n"), std::string::npos)
            << static_cast<int>(c.type) << "/" << static_cast<int>(c.opFail) << ": " << text;
    }
}

TEST_F(GsmMgrTest, LiftMonitoringSmsLeavesOutLines2To5) {
    auto alarm = Alarm(CAlarmInfoMsg::ALARMTYPE_LIFT_MONITORING);
    alarm->Address.clear();
    alarm->IdInfo = "A";
    for (int i = 1; i <= 7; ++i) {
        alarm->Text.AddLine("L" + std::to_string(i));
    }
    EXPECT_EQ(CGsmMgr::AlarmSmsText(*alarm),
              "MORA ALARM\nType: Lift Monitoring System\nID Info: A\nAddress: \nL1\nL6\nL7\n");
    // Any other type keeps every line.
    alarm->AlarmType = CAlarmInfoMsg::ALARMTYPE_SMS;
    EXPECT_EQ(CGsmMgr::AlarmSmsText(*alarm),
              "MORA ALARM\nType: SMS\nID Info: A\nAddress: \nL1\nL2\nL3\nL4\nL5\nL6\nL7\n");
}

TEST_F(GsmMgrTest, LongAlarmSmsIsCutAt160CharactersInsideALine) {
    auto alarm = Alarm(CAlarmInfoMsg::ALARMTYPE_SMS);
    alarm->Text.AddLine(std::string(40, 'x'));
    alarm->Text.AddLine("Hissen står still mellan våningsplan tre och fyra, två personer är instängda");
    const std::string text = CGsmMgr::AlarmSmsText(*alarm);
    EXPECT_EQ(Utf8::Length(text), 160u);
    const std::string full =
        "MORA ALARM\nType: SMS\nID Info: Storgatan 5, hiss A\nAddress: Storgatan 5, "
        "Brennvik\n" +
        std::string(40, 'x') +
        "\nHissen står still mellan våningsplan tre och fyra, två personer är instängda\n";
    EXPECT_EQ(text, Utf8::Left(full, 160));
    EXPECT_NE(text.back(), '\n');
}

TEST_F(GsmMgrTest, NothingIsSentWithoutAlarmRecipientsOrGsm) {
    auto alarm = Alarm(CAlarmInfoMsg::ALARMTYPE_SMS);
    m_mgr.SendAlarmSms(nullptr, "+4611");
    m_mgr.SendAlarmSms(alarm.get(), "");
    m_mgr.SendFreeFormatSms("x", "", 1);
    EXPECT_EQ(m_mgr.Handler().PendingMessages(), 0u);
    m_settings.GsmEnabled = 0;
    m_mgr.SendAlarmSms(alarm.get(), "+4611");
    m_mgr.SendFreeFormatSms("x", "+4611", 1);
    EXPECT_EQ(m_mgr.Handler().PendingMessages(), 0u);
    m_settings.GsmEnabled = 1;
    m_mgr.SendAlarmSms(alarm.get(), "+4611");
    m_mgr.SendFreeFormatSms("x", "+4611", 1);
    EXPECT_EQ(m_mgr.Handler().PendingMessages(), 2u);
}

TEST_F(GsmMgrTest, AlarmSmsReachesTheModem) {
    CGsmModemSim sim;
    ASSERT_TRUE(sim.Start(SIM_PORT, m_dir.Path()));
    m_settings.GsmComPort = SIM_PORT;
    ASSERT_TRUE(m_mgr.Start(&m_sink));
    auto alarm = Alarm(CAlarmInfoMsg::ALARMTYPE_EMERGENCY_CALL);
    alarm->Text.AddLine("Nödsamtal från hiss A, Åby");
    m_mgr.SendAlarmSms(alarm.get(), "+46701111111; +46702222222");
    ASSERT_TRUE(m_sink.WaitFor([&](const auto&) { return sim.SentSms().size() == 2; }, 15000));
    for (const auto& sms : sim.SentSms()) {
        EXPECT_EQ(sms.Text, "MORA ALARM\nType: Emergency Call Activated\nID Info: Storgatan 5, hiss A\n"
                            "Address: Storgatan 5, Brennvik\nNödsamtal från hiss A, Åby\n");
    }
    EXPECT_EQ(sim.SentSms()[0].Destination, "+46701111111");
    EXPECT_EQ(sim.SentSms()[1].Destination, "+46702222222");
    EXPECT_EQ(m_mgr.Stop(), CHandler::HANDLER_STOPPED);
}

} // namespace
