// Mails through a real SMTP server (aiosmtpd), read back with Python's standard mail parser and
// compared byte for byte with what the station composed.
#include "MailMgr.h"

#include "AioSmtpServer.h"
#include "MailTestSupport.h"
#include "MailTexts.h"
#include "RecordingFrontEnd.h"
#include "TempDir.h"

#include <gtest/gtest.h>

namespace {

class MailServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir.Enter();
        m_store = m_dir.File("store");
        std::filesystem::create_directory(m_store);
        m_server = std::make_unique<CAioSmtpServer>(m_store);
        ASSERT_TRUE(m_server->Running()) << m_server->Error();

        m_settings.MailEnabled = 1;
        m_settings.SendMailServer = "127.0.0.1";
        m_settings.MailPortNumber = m_server->Port();
        m_settings.MailAccountName = "mora.station";
        m_settings.MailSenderAddress = "mora@station.example";
        m_settings.MailHeader1 = "Hissjour Nord – Größe ß, été, åäö";
        m_settings.MailHeader2 = "";
        m_mgr.Init(m_frontEnd, m_settings);
        ASSERT_TRUE(m_mgr.Start(&m_owner));
    }
    void TearDown() override {
        m_mgr.Stop();
        Text::SetTranslator({});
    }

    // Sends one mail and returns what the server stored; checks what every mail must satisfy.
    nlohmann::json Deliver(std::unique_ptr<CMailHandlerMsg> mail) {
        const std::size_t n = m_owner.ResultCount() + 1;
        if (n > 1) {
            m_clock.Advance(CMailHandler::PAUSE_MS);
        }
        m_mgr.Handler().PutMsg(std::move(mail));
        const CMailHandlerMsg* result = m_owner.WaitResult(n, 20000);
        EXPECT_NE(result, nullptr);
        if (result == nullptr) {
            return {};
        }
        EXPECT_EQ(result->Code, CMailHandlerMsg::MHM_STATUS_SEND_OK) << "error " << result->ErrorCode;
        nlohmann::json stored = m_server->WaitMail(static_cast<int>(n));
        EXPECT_TRUE(stored.is_object());
        if (!stored.is_object()) {
            return {};
        }
        EXPECT_TRUE(stored["raw_is_ascii"].get<bool>()) << stored["raw"];
        EXPECT_EQ(stored["defects"].size(), 0u) << stored["defects"];
        EXPECT_EQ(stored["mime_version"], "1.0");
        EXPECT_EQ(stored["content_type"], "text/plain");
        EXPECT_EQ(stored["charset"], "utf-8");
        EXPECT_EQ(stored["transfer_encoding"], "quoted-printable");
        EXPECT_FALSE(stored["date"].get<std::string>().empty());
        EXPECT_EQ(stored["helo"], "mora.station");
        EXPECT_EQ(stored["mail_from"], "mora@station.example");
        return stored;
    }

    std::unique_ptr<CMailHandlerMsg> PlainMail(const std::string& body,
                                               const std::string& subject = "Plain") {
        auto mail = std::make_unique<CMailHandlerMsg>(MsgKind::MAIL_SEND);
        mail->Server = "127.0.0.1";
        mail->Port = m_server->Port();
        mail->HeloName = "mora.station";
        mail->SenderAddress = "mora@station.example";
        mail->Recipients = "tech@example.com";
        mail->Subject = subject;
        mail->Body = body;
        return mail;
    }

    CTempDir m_dir;
    std::string m_store;
    std::unique_ptr<CAioSmtpServer> m_server;
    CRecordingFrontEnd m_frontEnd;
    SSettingsValues m_settings;
    CSteppedClock m_clock;
    CMailStatusSink m_owner;
    CMailMgr m_mgr{m_clock};
};

class AlarmMailInEveryLanguage : public MailServerTest, public ::testing::WithParamInterface<const char*> {};

} // namespace

TEST_P(AlarmMailInEveryLanguage, ArrivesExactlyAsComposed) {
    UseLanguage(GetParam());
    CAlarmInfoMsg alarm;
    alarm.AlarmType = CAlarmInfoMsg::ALARMTYPE_OPFAIL;
    alarm.OpFailType = CAlarmInfoMsg::OPFAIL_BATTERY;
    alarm.IdCode = "1234567";
    alarm.IdInfo = "Åsögatan 12, hiss B – Straße, Hôtel-Dieu";
    alarm.Text.AddLine("Batteriet är svagt: byt inom 24 h");
    alarm.Text.AddLine(".");
    alarm.Text.AddLine(".abc = 100 % ");

    const auto composed = m_mgr.ComposeAlarmMail(alarm, "tech@example.com; boss@example.com");
    const std::string body = composed->Body;
    const std::string subject = composed->Subject;
    EXPECT_EQ(composed->Subject.rfind("Brennvik MORA ", 0), 0u) << composed->Subject;
    EXPECT_EQ(body.find(Text::NOT_AVAILABLE), std::string::npos) << body;

    m_mgr.SendAlarmMail(&alarm, "tech@example.com; boss@example.com");
    const CMailHandlerMsg* result = m_owner.WaitResult(1, 20000);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->Code, CMailHandlerMsg::MHM_STATUS_SEND_OK) << "error " << result->ErrorCode;
    EXPECT_EQ(m_owner.Codes(), (std::vector<std::uint16_t>{1, 2, 3, 4}));

    const nlohmann::json stored = m_server->WaitMail(1);
    ASSERT_TRUE(stored.is_object());
    EXPECT_TRUE(stored["raw_is_ascii"].get<bool>());
    EXPECT_EQ(stored["defects"].size(), 0u) << stored["defects"];
    EXPECT_EQ(stored["charset"], "utf-8");
    EXPECT_EQ(stored["body"].get<std::string>(), body);
    EXPECT_EQ(stored["subject"].get<std::string>(), subject);
    EXPECT_EQ(stored["from"], "mora@station.example");
    EXPECT_EQ(stored["to"], (nlohmann::json{"tech@example.com", "boss@example.com"}));
    EXPECT_EQ(stored["rcpt_tos"], (nlohmann::json{"tech@example.com", "boss@example.com"}));
    // The texts that carry the language really are in it.
    const std::string received = stored["body"];
    EXPECT_NE(received.find("Åsögatan 12, hiss B – Straße, Hôtel-Dieu"), std::string::npos);
    EXPECT_NE(received.find("\r\n.\r\n.abc = 100 % \r\n"), std::string::npos);
    EXPECT_NE(received.find("Größe ß, été, åäö"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Languages, AlarmMailInEveryLanguage, ::testing::Values("en", "de", "fr", "se"));

TEST_F(MailServerTest, LinesOfFullStopsArriveIntact) {
    const std::string body = ".\r\n.abc\r\n..\r\nmiddle . line\r\n.\r\n";
    const nlohmann::json stored = Deliver(PlainMail(body));
    ASSERT_TRUE(stored.is_object());
    EXPECT_EQ(stored["body"].get<std::string>(), body);
}

TEST_F(MailServerTest, AwkwardTextsArriveIntact) {
    std::string longLine;
    for (int i = 0; i < 150; ++i) {
        longLine += i % 2 != 0 ? "ä" : "=";
    }
    const std::string body = "trailing blanks   \r\n\tleading tab\r\n" + longLine + "\r\n" +
                             std::string(300, 'x') + "\r\nFrom the start\r\nlast line without line end";
    std::string subject = "Larm: ";
    for (int i = 0; i < 30; ++i) {
        subject += "åäö";
    }
    const nlohmann::json stored = Deliver(PlainMail(body, subject));
    ASSERT_TRUE(stored.is_object());
    EXPECT_EQ(stored["body"].get<std::string>(), body);
    EXPECT_EQ(stored["subject"].get<std::string>(), subject);
}

TEST_F(MailServerTest, MailsOneAfterAnotherAllArrive) {
    for (int i = 1; i <= 3; ++i) {
        const std::string body = "Mail number " + std::to_string(i) + "\r\n";
        const nlohmann::json stored = Deliver(PlainMail(body));
        ASSERT_TRUE(stored.is_object());
        EXPECT_EQ(stored["body"].get<std::string>(), body);
    }
    EXPECT_EQ(m_server->StoredCount(), 3);
}

TEST_F(MailServerTest, TestMailFromTheSettingsPageArrives) {
    UseLanguage("en");
    m_mgr.SendTestMail("127.0.0.1", m_server->Port(), "settings.page", "test@station.example",
                       "one@example.com");
    const CMailHandlerMsg* result = m_owner.WaitResult(1, 20000);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->Code, CMailHandlerMsg::MHM_STATUS_SEND_OK);
    const nlohmann::json stored = m_server->WaitMail(1);
    ASSERT_TRUE(stored.is_object());
    EXPECT_EQ(stored["helo"], "settings.page");
    EXPECT_EQ(stored["subject"], "Brennvik MORA TestMessage");
    EXPECT_EQ(stored["rcpt_tos"], (nlohmann::json{"one@example.com"}));
    EXPECT_NE(stored["body"].get<std::string>().find("\r\nAlarm Type: TestMessage\r\n"), std::string::npos);
}
