#include "MailMgr.h"

#include "MailTestSupport.h"
#include "MailTexts.h"
#include "RecordingFrontEnd.h"
#include "TempDir.h"

#include <gtest/gtest.h>

namespace {

const std::string STARS = "*******************************************\r\n";

class MailMgrTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseLanguage("en");
        m_settings.MailEnabled = 1;
        m_settings.SendMailServer = "smtp.example.com";
        m_settings.MailPortNumber = 2525;
        m_settings.MailAccountName = "mora.station";
        m_settings.MailSenderAddress = "mora@station.example";
        m_settings.MailHeader1 = "Lift service Nord";
        m_settings.MailHeader2 = "Phone +46 8 123 456";
        m_mgr.Init(m_frontEnd, m_settings);
    }
    void TearDown() override { Text::SetTranslator({}); }

    static std::unique_ptr<CAlarmInfoMsg> Alarm(std::uint8_t type, std::uint8_t opFail = 0) {
        auto alarm = std::make_unique<CAlarmInfoMsg>();
        alarm->AlarmType = type;
        alarm->OpFailType = opFail;
        alarm->IdCode = "1234567";
        alarm->IdInfo = "Storgatan 5, lift A";
        return alarm;
    }

    // The type line of an alarm mail.
    std::string TypeLine(std::uint8_t type, std::uint8_t opFail = 0) {
        const std::string body = m_mgr.ComposeAlarmMail(*Alarm(type, opFail), "x@example.com")->Body;
        const std::size_t start = body.find("Alarm Type: ");
        const std::size_t end = body.find("\r\n", start);
        return body.substr(start, end - start);
    }

    CRecordingFrontEnd m_frontEnd;
    SSettingsValues m_settings;
    CSteppedClock m_clock;
    CMailMgr m_mgr{m_clock};
};

} // namespace

TEST_F(MailMgrTest, AlarmMailHasTheExactLayout) {
    auto alarm = Alarm(CAlarmInfoMsg::ALARMTYPE_P100);
    alarm->Text.AddLine("Alarm from lift");
    alarm->Text.AddLine("Floor 3");
    alarm->Text.AddLine("Doors closed");
    alarm->Text.GetLine(255); // the record's read position must not matter

    auto mail = m_mgr.ComposeAlarmMail(*alarm, "tech@example.com; boss@example.com");
    EXPECT_EQ(mail->Kind, MsgKind::MAIL_SEND);
    EXPECT_EQ(mail->Body, "\r\n" + STARS +
                              "ALARM FROM MORA ALARM-RECEIVER\r\n"
                              "Lift service Nord\r\n"
                              "Phone +46 8 123 456\r\n" +
                              STARS +
                              "Alarm Type: P100\r\n"
                              "ID Info: Storgatan 5, lift A\r\n"
                              "ID Code: 1234567\r\n"
                              "Alarm from lift\r\n"
                              "Floor 3\r\n"
                              "Doors closed\r\n" +
                              STARS +
                              "\r\n"
                              "This message was sent by an alarm receiver from Brennvik Sweden AB\r\n"
                              "www.brennvik.se\r\n");
    EXPECT_EQ(mail->Subject, "Brennvik MORA Alarm Message");
    EXPECT_EQ(mail->Server, "smtp.example.com");
    EXPECT_EQ(mail->Port, 2525);
    EXPECT_EQ(mail->HeloName, "mora.station");
    EXPECT_EQ(mail->SenderAddress, "mora@station.example");
    EXPECT_EQ(mail->Recipients, "tech@example.com; boss@example.com");
}

TEST_F(MailMgrTest, EmptyHeaderSettingsGiveTwoEmptyLinesAndAnEmptyTextNoLines) {
    m_settings.MailHeader1.clear();
    m_settings.MailHeader2.clear();
    auto mail = m_mgr.ComposeAlarmMail(*Alarm(CAlarmInfoMsg::ALARMTYPE_VOICE), "x@example.com");
    EXPECT_EQ(mail->Body.substr(0, 2 + STARS.size() + 32 + 4 + STARS.size()),
              "\r\n" + STARS + "ALARM FROM MORA ALARM-RECEIVER\r\n\r\n\r\n" + STARS);
    EXPECT_NE(mail->Body.find("ID Code: 1234567\r\n" + STARS + "\r\n"), std::string::npos);
}

TEST_F(MailMgrTest, TypeLineOfEveryAlarmType) {
    EXPECT_EQ(TypeLine(1), "Alarm Type: P100");
    EXPECT_EQ(TypeLine(2), "Alarm Type: SMS");
    EXPECT_EQ(TypeLine(3), "Alarm Type: Voice");
    EXPECT_EQ(TypeLine(5), "Alarm Type: Lift Monitoring System");
    EXPECT_EQ(TypeLine(6), "Alarm Type: Test Successful");
    EXPECT_EQ(TypeLine(7), "Alarm Type: Test Fail");
    EXPECT_EQ(TypeLine(8), "Alarm Type: Emergency Call Activated");
    EXPECT_EQ(TypeLine(9), "Alarm Type: End of Alarm");
    EXPECT_EQ(TypeLine(10), "Alarm Type: Undefined Alarm Type");
    EXPECT_EQ(TypeLine(11), "Alarm Type: Voice - Redirected");
    EXPECT_EQ(TypeLine(0), "Alarm Type: Undefined Alarm Type");
    EXPECT_EQ(TypeLine(12), "Alarm Type: Undefined Alarm Type");
    EXPECT_EQ(TypeLine(255), "Alarm Type: Undefined Alarm Type");
}

TEST_F(MailMgrTest, TypeLineOfEveryOperationalFailure) {
    EXPECT_EQ(TypeLine(4, 1), "Alarm Type: Inputs Failure");
    EXPECT_EQ(TypeLine(4, 2), "Alarm Type: Battery Failure");
    EXPECT_EQ(TypeLine(4, 3), "Alarm Type: Mic/Speaker Failure");
    EXPECT_EQ(TypeLine(4, 4), "Alarm Type: Mains Power Info");
    EXPECT_EQ(TypeLine(4, 5), "Alarm Type: Stuck Emergency Button");
    EXPECT_EQ(TypeLine(4, 6), "Alarm Type: ");
    EXPECT_EQ(TypeLine(4, 7), "Alarm Type: ");
    EXPECT_EQ(TypeLine(4, 0), "Alarm Type: ");
    // The op-fail type means nothing for other alarm types.
    EXPECT_EQ(TypeLine(1, 2), "Alarm Type: P100");
}

TEST_F(MailMgrTest, TestMailHasTheExactLayoutAndTheGivenConnection) {
    auto mail = m_mgr.ComposeTestMail("other.example.com", 587, "test.account", "test@station.example",
                                      "one@example.com");
    EXPECT_EQ(mail->Body, "\r\n" + STARS +
                              "TESTMESSAGE FROM MORA ALARM-RECEIVER\r\n"
                              "Lift service Nord\r\n"
                              "Phone +46 8 123 456\r\n" +
                              STARS + "Alarm Type: TestMessage\r\n" + STARS +
                              "\r\n"
                              "This message was sent by an alarm receiver from Brennvik Sweden AB\r\n"
                              "www.brennvik.se\r\n");
    EXPECT_EQ(mail->Subject, "Brennvik MORA TestMessage");
    EXPECT_EQ(mail->Server, "other.example.com");
    EXPECT_EQ(mail->Port, 587);
    EXPECT_EQ(mail->HeloName, "test.account");
    EXPECT_EQ(mail->SenderAddress, "test@station.example");
    EXPECT_EQ(mail->Recipients, "one@example.com");
}

TEST_F(MailMgrTest, AlarmMailIsQueuedOnlyWhenEnabledWithRecipients) {
    auto alarm = Alarm(CAlarmInfoMsg::ALARMTYPE_P100);
    m_mgr.SendAlarmMail(nullptr, "x@example.com");
    m_mgr.SendAlarmMail(alarm.get(), "");
    EXPECT_EQ(m_mgr.Handler().PendingMessages(), 0u);
    m_settings.MailEnabled = 0;
    m_mgr.SendAlarmMail(alarm.get(), "x@example.com");
    EXPECT_EQ(m_mgr.Handler().PendingMessages(), 0u);
    // A test mail does not look at the switch.
    m_mgr.SendTestMail("s", 25, "a", "b@example.com", "c@example.com");
    EXPECT_EQ(m_mgr.Handler().PendingMessages(), 1u);
    m_settings.MailEnabled = 1;
    m_mgr.SendAlarmMail(alarm.get(), "x@example.com");
    EXPECT_EQ(m_mgr.Handler().PendingMessages(), 2u);
}

TEST_F(MailMgrTest, StatusTextsInTheMailPane) {
    const char* expected[] = {"Mail: Idle",    "Mail: Connecting", "Mail: Authorizing",
                              "Mail: Sending", "Mail: Idle",       "Mail: Idle"};
    for (std::uint16_t code = 0; code <= 4; ++code) {
        m_mgr.OnMailStatus(CMailHandlerMsg(MsgKind::MAIL_STATUS, code));
        EXPECT_EQ(m_frontEnd.Pane(CMailMgr::MAIL_PANE), expected[code]) << code;
    }
    EXPECT_TRUE(m_frontEnd.systemInfo.empty());
    const std::size_t shown = m_frontEnd.paneTexts.size();
    m_mgr.OnMailStatus(CMailHandlerMsg(MsgKind::MAIL_STATUS, 6));
    EXPECT_EQ(m_frontEnd.paneTexts.size(), shown);
    EXPECT_TRUE(m_frontEnd.systemInfo.empty());
}

TEST_F(MailMgrTest, FailedMailIsReportedInTheSystemInformationList) {
    CMailHandlerMsg failed(MsgKind::MAIL_STATUS, CMailHandlerMsg::MHM_STATUS_SEND_ERROR);
    failed.ErrorCode = 3;
    failed.Recipients = "tech@example.com; boss@example.com";
    m_mgr.OnMailStatus(failed);
    EXPECT_EQ(m_frontEnd.Pane(CMailMgr::MAIL_PANE), "Mail: Idle");
    ASSERT_EQ(m_frontEnd.systemInfo.size(), 1u);
    EXPECT_EQ(m_frontEnd.systemInfo[0].text, "ERROR: E-mail sending failure, Communication Error[3] with "
                                             "Mailserver..., MailTo tech@example.com; boss@example.com");
    EXPECT_TRUE(m_frontEnd.systemInfo[0].toFront);

    failed.ErrorCode = 7;
    failed.Recipients = "a@example.com";
    m_mgr.OnMailStatus(failed);
    ASSERT_EQ(m_frontEnd.systemInfo.size(), 2u);
    EXPECT_EQ(m_frontEnd.systemInfo[1].text,
              "ERROR: E-mail sending failure, Error connecting to Mailserver..., MailTo a@example.com");
}

TEST_F(MailMgrTest, StartShowsTheMailStateAndRunsTheHandler) {
    CTempDir dir;
    dir.Enter();
    CMailStatusSink owner;
    m_settings.MailEnabled = 0;
    ASSERT_TRUE(m_mgr.Start(&owner));
    EXPECT_EQ(m_frontEnd.Pane(CMailMgr::MAIL_PANE), "Mail: Disabled");
    EXPECT_TRUE(m_mgr.Handler().IsRunning());
    EXPECT_EQ(m_mgr.Handler().Owner(), &owner);
    m_mgr.Stop();
    EXPECT_FALSE(m_mgr.Handler().IsRunning());

    m_settings.MailEnabled = 1;
    ASSERT_TRUE(m_mgr.Start(&owner));
    EXPECT_EQ(m_frontEnd.Pane(CMailMgr::MAIL_PANE), "Mail: Idle");
    m_mgr.Stop();
    EXPECT_TRUE(m_frontEnd.messageBoxes.empty());
}

TEST_F(MailMgrTest, EveryTypeAndStatusTextExistsInEveryLanguage) {
    for (const char* language : {"en", "de", "fr", "se"}) {
        UseLanguage(language);
        for (std::uint8_t type = 1; type <= 11; ++type) {
            const std::string text = CMailMgr::TypeText(type, type == 4 ? 1 : 0);
            EXPECT_FALSE(text.empty()) << language << " type " << int(type);
            EXPECT_EQ(text.find(Text::NOT_AVAILABLE), std::string::npos) << language << " type " << int(type);
        }
        for (std::uint8_t opFail = 1; opFail <= 5; ++opFail) {
            EXPECT_EQ(CMailMgr::TypeText(4, opFail).find(Text::NOT_AVAILABLE), std::string::npos)
                << language << " op-fail " << int(opFail);
        }
        CMailHandlerMsg failed(MsgKind::MAIL_STATUS, CMailHandlerMsg::MHM_STATUS_SEND_ERROR);
        failed.ErrorCode = 5;
        failed.Recipients = "a@example.com";
        const std::string report = CMailMgr::FailureReport(failed);
        EXPECT_EQ(report.find(Text::NOT_AVAILABLE), std::string::npos) << report;
        EXPECT_NE(report.find("[5]"), std::string::npos) << report;
        EXPECT_NE(report.find("a@example.com"), std::string::npos) << report;
        for (std::uint16_t code = 0; code <= 5; ++code) {
            m_mgr.OnMailStatus(CMailHandlerMsg(MsgKind::MAIL_STATUS, code));
            EXPECT_EQ(m_frontEnd.Pane(CMailMgr::MAIL_PANE).find(Text::NOT_AVAILABLE), std::string::npos)
                << language << " status " << code;
        }
    }
}
