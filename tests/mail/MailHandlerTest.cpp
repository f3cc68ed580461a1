#include "MailHandler.h"

#include "MailTestSupport.h"
#include "ScriptedSmtpServer.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <future>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Reply = CScriptedSmtpServer::SReply;
using Codes = std::vector<std::uint16_t>;

// A script rule that answers the n-th command starting with `verb` differently and everything else
// as a well-behaved server.
CScriptedSmtpServer::Rule AnswerNth(std::string verb, int n, Reply reply) {
    auto seen = std::make_shared<int>(0);
    return [=](const std::string& line) {
        if (line.rfind(verb, 0) == 0 && ++*seen == n) {
            return reply;
        }
        return CScriptedSmtpServer::Standard(line);
    };
}

std::uint16_t ClosedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

class MailHandlerTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir.Enter();
        ASSERT_EQ(m_handler.Start(), CHandler::HANDLER_STARTED);
    }
    void TearDown() override {
        m_slow->Open(); // no lookup of a test may hang on when the handler goes away
        m_handler.Stop();
    }

    std::unique_ptr<CMailHandlerMsg>
    Mail(const std::string& recipients = "tech@example.com; boss@example.com") {
        auto mail = std::make_unique<CMailHandlerMsg>(MsgKind::MAIL_SEND);
        mail->Server = "127.0.0.1";
        mail->Port = m_server.Port();
        mail->HeloName = "mora.station";
        mail->SenderAddress = "mora@station.example";
        mail->Recipients = recipients;
        mail->Subject = "Brennvik MORA Alarm Message";
        mail->Body = "\r\nALARM\r\nID Code: 123456\r\n";
        return mail;
    }

    // Waits until the handler waits for a reply in the given state (its reply timer runs).
    bool WaitingIn(int state) {
        return WaitFor([&] { return m_handler.GetState() == state && m_handler.IsWaiting(); });
    }

    std::string Log() const { return CTempDir::ReadFile("MailHandler.log"); }

    CTempDir m_dir;
    std::shared_ptr<CSlowResolver> m_slow = std::make_shared<CSlowResolver>();
    CSteppedClock m_clock;
    CMailStatusSink m_sink;
    CScriptedSmtpServer m_server;
    CMailHandler m_handler{&m_sink, m_clock};
};

} // namespace

TEST_F(MailHandlerTest, WellBehavedServerReceivesExactlyTheDialogue) {
    auto mail = Mail();
    CStrList recipients;
    recipients.SplitList(mail->Recipients);
    const std::string message = CMailInfo::ComposeMessage(*mail, recipients, m_clock.Now());
    m_handler.PutMsg(std::move(mail));

    const CMailHandlerMsg* result = m_sink.WaitResult(1);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->Kind, MsgKind::MAIL_STATUS);
    EXPECT_EQ(result->Code, CMailHandlerMsg::MHM_STATUS_SEND_OK);
    EXPECT_EQ(result->ErrorCode, 0);
    EXPECT_EQ(result->Recipients, "tech@example.com; boss@example.com");
    EXPECT_EQ(m_sink.Codes(), (Codes{1, 2, 3, 4}));
    EXPECT_EQ(m_server.Session(0), "HELO mora.station\r\n"
                                   "MAIL FROM: <mora@station.example>\r\n"
                                   "RCPT TO: <tech@example.com>\r\n"
                                   "RCPT TO: <boss@example.com>\r\n"
                                   "DATA\r\n" +
                                       message + "\r\n.\r\n" + "QUIT\r\n");
    EXPECT_TRUE(WaitFor([&] { return m_handler.GetState() == CMailHandler::MAILHND_ST_PAUSE; }));
    EXPECT_NE(Log().find("MailHandler::ThreadMain: Startup - Ver. 2.65"), std::string::npos);
}

TEST_F(MailHandlerTest, RefusalOfTheSecondRecipientEndsWithErrorThreeAfterQuit) {
    m_server.SetRule(AnswerNth("RCPT", 2, CScriptedSmtpServer::Say("550 No such user here\r\n")));
    m_handler.PutMsg(Mail());

    const CMailHandlerMsg* result = m_sink.WaitResult(1);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->Code, CMailHandlerMsg::MHM_STATUS_SEND_ERROR);
    EXPECT_EQ(result->ErrorCode, CMailHandlerMsg::MHM_ERROR_RCPT_TO);
    EXPECT_EQ(m_sink.Codes(), (Codes{1, 2, 5}));
    EXPECT_EQ(
        m_server.Commands(),
        (std::vector<std::string>{"HELO mora.station", "MAIL FROM: <mora@station.example>",
                                  "RCPT TO: <tech@example.com>", "RCPT TO: <boss@example.com>", "QUIT"}));
    const std::string log = Log();
    EXPECT_NE(log.find("MAILHND_ST_RCPT_TO_WAITRESP: Error/Timeout"), std::string::npos);
    EXPECT_NE(log.find("MHM_STATUS_SEND_ERROR"), std::string::npos);
}

TEST_F(MailHandlerTest, ServerThatNeverGreetsEndsAfterThirtySecondsWithErrorSevenAndNoQuit) {
    m_server.SetGreeting(Reply{});
    m_handler.PutMsg(Mail());
    ASSERT_TRUE(WaitingIn(CMailHandler::MAILHND_ST_CONNECT_WAITRESP));

    m_clock.Advance(29999);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(m_sink.ResultCount(), 0u);
    EXPECT_EQ(m_handler.GetState(), CMailHandler::MAILHND_ST_CONNECT_WAITRESP);

    m_clock.Advance(1);
    const CMailHandlerMsg* result = m_sink.WaitResult(1);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->ErrorCode, CMailHandlerMsg::MHM_ERROR_CONNECT);
    EXPECT_EQ(m_sink.Codes(), (Codes{1, 5}));
    EXPECT_TRUE(WaitFor([&] { return m_server.ClosedByStation(0); }));
    EXPECT_EQ(m_server.Session(0), "");
    EXPECT_NE(Log().find("MAILHND_ST_CONNECT_WAITRESP: Error/Timeout"), std::string::npos);
}

TEST_F(MailHandlerTest, SlowServerWithinThirtySecondsIsServed) {
    Reply greeting = CScriptedSmtpServer::Say("220 slow.test\r\n");
    greeting.held = true;
    m_server.SetGreeting(greeting);
    m_handler.PutMsg(Mail());
    ASSERT_TRUE(WaitingIn(CMailHandler::MAILHND_ST_CONNECT_WAITRESP));
    m_clock.Advance(29000);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    m_server.Release();

    const CMailHandlerMsg* result = m_sink.WaitResult(1);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->Code, CMailHandlerMsg::MHM_STATUS_SEND_OK);
}

TEST_F(MailHandlerTest, ServerTooSlowForHeloEndsWithQuitFailingToo) {
    Reply never = CScriptedSmtpServer::Say("250 far too late\r\n");
    never.held = true;
    m_server.SetRule(AnswerNth("HELO", 1, never));
    m_handler.PutMsg(Mail());
    ASSERT_TRUE(WaitingIn(CMailHandler::MAILHND_ST_HELO_WAITRESP));
    m_clock.Advance(30000);
    // HELO failed (error 1); QUIT is still sent, and gets no answer either.
    ASSERT_TRUE(WaitingIn(CMailHandler::MAILHND_ST_QUIT_WAITRESP));
    EXPECT_NE(Log().find("MAILHND_ST_HELO_WAITRESP: Error/Timeout"), std::string::npos);
    m_clock.Advance(30000);

    const CMailHandlerMsg* result = m_sink.WaitResult(1);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->ErrorCode, CMailHandlerMsg::MHM_ERROR_QUIT);
    // The server still sits on HELO and reads nothing more: the station's own log shows the QUIT.
    EXPECT_NE(Log().find("MailInfo::Send: QUIT\\r\\n"), std::string::npos);
}

TEST_F(MailHandlerTest, RefusedMessageEndsWithErrorFiveAfterQuit) {
    m_server.SetRule(
        AnswerNth(CScriptedSmtpServer::MESSAGE, 1, CScriptedSmtpServer::Say("554 Rejected\r\n")));
    m_handler.PutMsg(Mail());

    const CMailHandlerMsg* result = m_sink.WaitResult(1);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->Code, CMailHandlerMsg::MHM_STATUS_SEND_ERROR);
    EXPECT_EQ(result->ErrorCode, CMailHandlerMsg::MHM_ERROR_MESSAGE);
    EXPECT_EQ(m_sink.Codes(), (Codes{1, 2, 3, 5}));
    EXPECT_EQ(m_server.Commands().back(), "QUIT");
    EXPECT_NE(Log().find("MAILHND_ST_MESSAGE_WAITRESP: Error/Timeout"), std::string::npos);
}

TEST_F(MailHandlerTest, QuitRefusedBeforeTheMessageWasAcceptedIsErrorSix) {
    m_server.SetRule([](const std::string& line) {
        if (line == CScriptedSmtpServer::MESSAGE) {
            return CScriptedSmtpServer::Say("451 Local error\r\n");
        }
        if (line == "QUIT") {
            return CScriptedSmtpServer::Say("500 What?\r\n");
        }
        return CScriptedSmtpServer::Standard(line);
    });
    m_handler.PutMsg(Mail());

    const CMailHandlerMsg* result = m_sink.WaitResult(1);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->Code, CMailHandlerMsg::MHM_STATUS_SEND_ERROR);
    EXPECT_EQ(result->ErrorCode, CMailHandlerMsg::MHM_ERROR_QUIT);
}

TEST_F(MailHandlerTest, QuitRefusedAfterTheMessageWasAcceptedStillCountsAsSent) {
    m_server.SetRule(AnswerNth("QUIT", 1, CScriptedSmtpServer::Say("500 What?\r\n")));
    m_handler.PutMsg(Mail());

    const CMailHandlerMsg* result = m_sink.WaitResult(1);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->Code, CMailHandlerMsg::MHM_STATUS_SEND_OK);
    EXPECT_EQ(result->ErrorCode, CMailHandlerMsg::MHM_ERROR_NONE);
    EXPECT_EQ(m_sink.Codes(), (Codes{1, 2, 3, 4}));
    EXPECT_EQ(m_server.Messages().size(), 1u);
    const std::string log = Log();
    EXPECT_NE(log.find("MAILHND_ST_QUIT_WAITRESP: Error/Timeout after the message was accepted"),
              std::string::npos);
    EXPECT_EQ(log.find("MHM_STATUS_SEND_ERROR"), std::string::npos);
}

TEST_F(MailHandlerTest, QuitUnansweredAfterTheMessageWasAcceptedCountsAsSentAfterTheWait) {
    Reply never = CScriptedSmtpServer::Say("221 far too late\r\n");
    never.held = true;
    m_server.SetRule(AnswerNth("QUIT", 1, never));
    m_handler.PutMsg(Mail());
    ASSERT_TRUE(WaitingIn(CMailHandler::MAILHND_ST_QUIT_WAITRESP));

    m_clock.Advance(29999);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(m_sink.ResultCount(), 0u);
    m_clock.Advance(1);
    const CMailHandlerMsg* result = m_sink.WaitResult(1);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->Code, CMailHandlerMsg::MHM_STATUS_SEND_OK);
    EXPECT_EQ(result->ErrorCode, CMailHandlerMsg::MHM_ERROR_NONE);
}

TEST_F(MailHandlerTest, ServerHangingUpInsteadOfAnsweringQuitCountsAsSentAtOnce) {
    Reply hangUp;
    hangUp.close = true;
    m_server.SetRule(AnswerNth("QUIT", 1, hangUp));
    m_handler.PutMsg(Mail());

    // No time passes on the clock.
    const CMailHandlerMsg* result = m_sink.WaitResult(1);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->Code, CMailHandlerMsg::MHM_STATUS_SEND_OK);
    EXPECT_EQ(result->ErrorCode, CMailHandlerMsg::MHM_ERROR_NONE);
    EXPECT_NE(Log().find("MailInfo::Receive: Connection closed by the server"), std::string::npos);
}

TEST_F(MailHandlerTest, ServerHangingUpInTheMiddleOfAReplyEndsAtOnce) {
    Reply cut = CScriptedSmtpServer::Say("250 O");
    cut.close = true;
    m_server.SetRule(AnswerNth("MAIL", 1, cut));
    m_handler.PutMsg(Mail());

    const CMailHandlerMsg* result = m_sink.WaitResult(1);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->Code, CMailHandlerMsg::MHM_STATUS_SEND_ERROR);
    // MAIL FROM failed (2), and the QUIT that follows cannot succeed either (6).
    EXPECT_EQ(result->ErrorCode, CMailHandlerMsg::MHM_ERROR_QUIT);
    const std::string log = Log();
    EXPECT_NE(log.find("MAILHND_ST_MAIL_FROM_WAITRESP: Error/Timeout"), std::string::npos);
    EXPECT_NE(log.find("Connection closed by the server in the middle of a reply: 250 O"), std::string::npos);
}

TEST_F(MailHandlerTest, ReplyWithoutNumberIsIgnoredAndTheStepTimesOut) {
    m_server.SetRule(AnswerNth("MAIL", 1, CScriptedSmtpServer::Say("Sender looks fine to me\r\n")));
    m_handler.PutMsg(Mail());
    ASSERT_TRUE(WaitingIn(CMailHandler::MAILHND_ST_MAIL_FROM_WAITRESP));
    ASSERT_TRUE(
        WaitFor([&] { return Log().find("MailInfo::Receive: Sender looks fine") != std::string::npos; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(m_handler.GetState(), CMailHandler::MAILHND_ST_MAIL_FROM_WAITRESP);

    m_clock.Advance(30000);
    const CMailHandlerMsg* result = m_sink.WaitResult(1);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->ErrorCode, CMailHandlerMsg::MHM_ERROR_MAIL_FROM);
    EXPECT_EQ(m_server.Commands().back(), "QUIT");
}

TEST_F(MailHandlerTest, ReplyCutOverSeveralReadsIsTakenOnlyWhenComplete) {
    Reply cut{{"250 O", "K\r\n"}};
    cut.held = true;
    cut.holdBefore = 1;
    m_server.SetRule(AnswerNth("MAIL", 1, cut));
    m_handler.PutMsg(Mail());
    ASSERT_TRUE(WaitingIn(CMailHandler::MAILHND_ST_MAIL_FROM_WAITRESP));
    // "250 O" has arrived, but a reply without its line end is not a reply yet.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(m_handler.GetState(), CMailHandler::MAILHND_ST_MAIL_FROM_WAITRESP);
    EXPECT_EQ(m_server.Commands().back(), "MAIL FROM: <mora@station.example>");
    m_server.Release();

    const CMailHandlerMsg* result = m_sink.WaitResult(1);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->Code, CMailHandlerMsg::MHM_STATUS_SEND_OK);
    EXPECT_NE(Log().find("MailInfo::Receive: 250 OK\\r\\n\n"), std::string::npos);
}

TEST_F(MailHandlerTest, NumberCutInTwoReadsStillCounts) {
    Reply cut{{"25", "0 scripted.test\r\n"}};
    cut.held = true;
    cut.holdBefore = 1;
    m_server.SetRule(AnswerNth("HELO", 1, cut));
    m_handler.PutMsg(Mail());
    ASSERT_TRUE(WaitingIn(CMailHandler::MAILHND_ST_HELO_WAITRESP));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    m_server.Release();

    const CMailHandlerMsg* result = m_sink.WaitResult(1);
    ASSERT_NE(result, nullptr) << Log();
    EXPECT_EQ(result->Code, CMailHandlerMsg::MHM_STATUS_SEND_OK);
    EXPECT_NE(Log().find("MailInfo::Receive: 250 scripted.test\\r\\n\n"), std::string::npos);
}

TEST_F(MailHandlerTest, MultiLineGreetingCutAcrossReadsIsOneReply) {
    Reply greeting{{"220-scripted.test welcome\r\n22", "0-second line\r\n220 th", "ird line\r\n"}};
    greeting.held = true;
    greeting.holdBefore = 2;
    m_server.SetGreeting(greeting);
    m_handler.PutMsg(Mail());
    ASSERT_TRUE(WaitingIn(CMailHandler::MAILHND_ST_CONNECT_WAITRESP));
    // Two lines in, the greeting is not over: HELO must wait for its last line.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(m_handler.GetState(), CMailHandler::MAILHND_ST_CONNECT_WAITRESP);
    EXPECT_EQ(m_server.Session(0), "");
    m_server.Release();

    const CMailHandlerMsg* result = m_sink.WaitResult(1);
    ASSERT_NE(result, nullptr) << Log();
    EXPECT_EQ(result->Code, CMailHandlerMsg::MHM_STATUS_SEND_OK);
    EXPECT_EQ(m_sink.Codes(), (Codes{1, 2, 3, 4}));
    EXPECT_EQ(m_server.Session(0).rfind("HELO mora.station\r\n", 0), 0u);
    EXPECT_NE(Log().find("MailInfo::Receive: 220-scripted.test welcome\\r\\n220-second line\\r\\n"
                         "220 third line\\r\\n\n"),
              std::string::npos)
        << Log();
}

TEST_F(MailHandlerTest, RepliesDribbledByteByByteStillGiveTheWholeDialogue) {
    const auto dribble = [](Reply reply) {
        Reply bytes;
        for (const std::string& piece : reply.pieces) {
            for (char c : piece) {
                bytes.pieces.emplace_back(1, c);
            }
        }
        bytes.pauseMs = 1;
        bytes.close = reply.close;
        return bytes;
    };
    m_server.SetGreeting(dribble(CScriptedSmtpServer::Say("220-scripted.test\r\n220 ready\r\n")));
    m_server.SetRule([&](const std::string& line) { return dribble(CScriptedSmtpServer::Standard(line)); });
    m_handler.PutMsg(Mail());

    const CMailHandlerMsg* result = m_sink.WaitResult(1, 30000);
    ASSERT_NE(result, nullptr) << Log();
    EXPECT_EQ(result->Code, CMailHandlerMsg::MHM_STATUS_SEND_OK);
    EXPECT_EQ(m_sink.Codes(), (Codes{1, 2, 3, 4}));
    EXPECT_EQ(m_server.Commands(),
              (std::vector<std::string>{"HELO mora.station", "MAIL FROM: <mora@station.example>",
                                        "RCPT TO: <tech@example.com>", "RCPT TO: <boss@example.com>", "DATA",
                                        "QUIT"}));
    EXPECT_EQ(m_server.Messages().size(), 1u);
}

TEST_F(MailHandlerTest, SixHundredByteReplyIsReadInPiecesAndTakenAsOneReply) {
    const std::string greeting = "220 " + std::string(594, 'x') + "\r\n";
    ASSERT_EQ(greeting.size(), 600u);
    m_server.SetGreeting(CScriptedSmtpServer::Say(greeting));
    m_handler.PutMsg(Mail());

    const CMailHandlerMsg* result = m_sink.WaitResult(1);
    ASSERT_NE(result, nullptr) << Log();
    EXPECT_EQ(result->Code, CMailHandlerMsg::MHM_STATUS_SEND_OK);
    EXPECT_NE(Log().find("MailInfo::Receive: 220 " + std::string(594, 'x') + "\\r\\n\n"), std::string::npos);
}

TEST_F(MailHandlerTest, EndlessGreetingIsGivenUpAndAGreetingAfterItStillCounts) {
    m_server.SetGreeting(
        CScriptedSmtpServer::Say(std::string(3 * CMailInfo::REPLY_LIMIT, 'g') + "\r\n220 scripted.test\r\n"));
    m_handler.PutMsg(Mail());

    const CMailHandlerMsg* result = m_sink.WaitResult(1);
    ASSERT_NE(result, nullptr) << Log();
    EXPECT_EQ(result->Code, CMailHandlerMsg::MHM_STATUS_SEND_OK);
    EXPECT_NE(Log().find("MailInfo::Receive: No reply end within "), std::string::npos);
}

TEST_F(MailHandlerTest, EndlessGarbageWithoutLineEndEndsByTimeOut) {
    m_server.SetGreeting(CScriptedSmtpServer::Say(std::string(64 * 1024, '\x7f')));
    m_handler.PutMsg(Mail());
    ASSERT_TRUE(WaitingIn(CMailHandler::MAILHND_ST_CONNECT_WAITRESP));
    ASSERT_TRUE(
        WaitFor([&] { return Log().find("MailInfo::Receive: No reply end within ") != std::string::npos; }));
    m_clock.Advance(30000);

    const CMailHandlerMsg* result = m_sink.WaitResult(1);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->ErrorCode, CMailHandlerMsg::MHM_ERROR_CONNECT);
}

TEST_F(MailHandlerTest, GarbageFromTheServerIsLoggedAndEndsByTimeOut) {
    std::string garbage;
    for (int i = 0; i < 600; ++i) {
        garbage += static_cast<char>((i * 37 + 11) % 256);
    }
    garbage[0] = '\x01';
    m_server.SetGreeting(CScriptedSmtpServer::Say(garbage));
    m_handler.PutMsg(Mail());
    ASSERT_TRUE(WaitingIn(CMailHandler::MAILHND_ST_CONNECT_WAITRESP));
    ASSERT_TRUE(WaitFor([&] { return Log().find("MailInfo::Receive: \\x01") != std::string::npos; }));
    m_clock.Advance(30000);

    const CMailHandlerMsg* result = m_sink.WaitResult(1);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->ErrorCode, CMailHandlerMsg::MHM_ERROR_CONNECT);
}

TEST_F(MailHandlerTest, ServerHangingUpMidwayEndsAtOnceWithoutWaitingOutTheTimeOut) {
    Reply hangUp;
    hangUp.close = true;
    m_server.SetRule(AnswerNth("RCPT", 1, hangUp));
    m_handler.PutMsg(Mail());

    // No time passes on the clock: a closed connection cannot answer, so nothing waits for it.
    const CMailHandlerMsg* result = m_sink.WaitResult(1);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->Code, CMailHandlerMsg::MHM_STATUS_SEND_ERROR);
    // RCPT TO failed (3), and the QUIT that follows cannot succeed either (6).
    EXPECT_EQ(result->ErrorCode, CMailHandlerMsg::MHM_ERROR_QUIT);
    const std::string log = Log();
    EXPECT_NE(log.find("MAILHND_ST_RCPT_TO_WAITRESP: Error/Timeout"), std::string::npos);
    EXPECT_NE(log.find("MailInfo::Receive: Connection closed by the server"), std::string::npos);
}

TEST_F(MailHandlerTest, ServerHangingUpAfterItsRefusedGreetingIsAConnectionError) {
    Reply refuse = CScriptedSmtpServer::Say("554 No service for you\r\n");
    refuse.close = true;
    m_server.SetGreeting(refuse);
    m_handler.PutMsg(Mail());

    const CMailHandlerMsg* result = m_sink.WaitResult(1);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->ErrorCode, CMailHandlerMsg::MHM_ERROR_CONNECT);
    EXPECT_EQ(m_server.Session(0), "");
}

TEST_F(MailHandlerTest, RefusedConnectionIsAConnectionError) {
    auto mail = Mail();
    mail->Port = ClosedPort();
    m_handler.PutMsg(std::move(mail));

    const CMailHandlerMsg* result = m_sink.WaitResult(1);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->ErrorCode, CMailHandlerMsg::MHM_ERROR_CONNECT);
    EXPECT_EQ(m_sink.Codes(), (Codes{1, 5}));
}

TEST_F(MailHandlerTest, UnknownHostIsAConnectionError) {
    auto mail = Mail();
    mail->Server = "no-such-host.invalid";
    m_handler.PutMsg(std::move(mail));

    const CMailHandlerMsg* result = m_sink.WaitResult(1, 60000);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->ErrorCode, CMailHandlerMsg::MHM_ERROR_CONNECT);
    const std::string log = Log();
    EXPECT_NE(log.find("MailInfo::Connect: ErrCode: "), std::string::npos);
    EXPECT_NE(log.find("MAILHND_ST_CONNECT: Connect Error"), std::string::npos);
}

TEST_F(MailHandlerTest, RecipientsTextWithoutAnAddressEndsAtOnceWithErrorThree) {
    m_handler.PutMsg(Mail(" ; ,, "));

    const CMailHandlerMsg* result = m_sink.WaitResult(1);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->ErrorCode, CMailHandlerMsg::MHM_ERROR_RCPT_TO);
    EXPECT_EQ(m_sink.Codes(), (Codes{5}));
    EXPECT_EQ(m_server.ConnectionCount(), 0u);
}

TEST_F(MailHandlerTest, TwoMailsBackToBackArePausedFiveSecondsApart) {
    m_handler.PutMsg(Mail("first@example.com"));
    m_handler.PutMsg(Mail("second@example.com"));
    ASSERT_NE(m_sink.WaitResult(1), nullptr);
    ASSERT_TRUE(WaitFor([&] { return m_handler.GetState() == CMailHandler::MAILHND_ST_PAUSE; }));

    m_clock.Advance(4999);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(m_handler.GetState(), CMailHandler::MAILHND_ST_PAUSE);
    EXPECT_EQ(m_server.ConnectionCount(), 1u);
    EXPECT_EQ(m_sink.Codes(), (Codes{1, 2, 3, 4}));

    m_clock.Advance(1);
    const CMailHandlerMsg* second = m_sink.WaitResult(2);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->Code, CMailHandlerMsg::MHM_STATUS_SEND_OK);
    EXPECT_EQ(second->Recipients, "second@example.com");
    EXPECT_EQ(m_server.ConnectionCount(), 2u);
    EXPECT_NE(m_server.Session(1).find("RCPT TO: <second@example.com>\r\n"), std::string::npos);
}

TEST_F(MailHandlerTest, MailAfterAFailedOneIsStillSent) {
    m_server.SetRule(AnswerNth("MAIL", 1, CScriptedSmtpServer::Say("451 Try again later\r\n")));
    m_handler.PutMsg(Mail("first@example.com"));
    m_handler.PutMsg(Mail("second@example.com"));
    const CMailHandlerMsg* first = m_sink.WaitResult(1);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->ErrorCode, CMailHandlerMsg::MHM_ERROR_MAIL_FROM);

    ASSERT_TRUE(WaitFor([&] { return m_handler.GetState() == CMailHandler::MAILHND_ST_PAUSE; }));
    m_clock.Advance(5000);
    const CMailHandlerMsg* second = m_sink.WaitResult(2);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->Code, CMailHandlerMsg::MHM_STATUS_SEND_OK);
}

TEST_F(MailHandlerTest, OnlySendRequestsAreServed) {
    m_handler.PutMsg(std::make_unique<CMailHandlerMsg>(MsgKind::MAIL_STATUS, 4));
    m_handler.PutMsg(std::make_unique<CMsg>(MsgKind::MAIL_SEND));
    m_handler.PutMsg(Mail());
    const CMailHandlerMsg* result = m_sink.WaitResult(1);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->Code, CMailHandlerMsg::MHM_STATUS_SEND_OK);
    EXPECT_EQ(m_sink.Codes(), (Codes{1, 2, 3, 4}));
    EXPECT_EQ(m_server.ConnectionCount(), 1u);
    EXPECT_NE(Log().find("MAILHND_ST_IDLE: message of kind 38 ignored"), std::string::npos);
}

TEST_F(MailHandlerTest, StopInTheMiddleOfAMailIsCleanAndTheNextMailIsSent) {
    Reply greeting = CScriptedSmtpServer::Say("220 late\r\n");
    greeting.held = true;
    m_server.SetGreeting(greeting);
    m_handler.PutMsg(Mail("lost@example.com"));
    ASSERT_TRUE(WaitingIn(CMailHandler::MAILHND_ST_CONNECT_WAITRESP));

    EXPECT_EQ(m_handler.Stop(), CHandler::HANDLER_STOPPED);
    EXPECT_EQ(m_sink.ResultCount(), 0u);
    EXPECT_NE(Log().find("the mail to lost@example.com was not sent"), std::string::npos);
    EXPECT_NE(Log().find("MailHandler::ThreadMain: Shutdown"), std::string::npos);

    m_server.SetGreeting(CScriptedSmtpServer::Say("220 back\r\n"));
    m_server.Release();
    m_handler.ResetState();
    ASSERT_EQ(m_handler.Start(), CHandler::HANDLER_STARTED);
    m_handler.PutMsg(Mail("next@example.com"));
    const CMailHandlerMsg* result = m_sink.WaitResult(1);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->Code, CMailHandlerMsg::MHM_STATUS_SEND_OK);
    EXPECT_EQ(result->Recipients, "next@example.com");
}

TEST_F(MailHandlerTest, SlowNameServerHoldsUpNeitherAStopNorTheNextMail) {
    m_handler.SetResolveFunction(m_slow->Function());
    auto mail = Mail("lost@example.com");
    mail->Server = "mail.example.test";
    m_handler.PutMsg(std::move(mail));
    ASSERT_TRUE(WaitFor([&] { return m_slow->Entered() == 1; }));
    EXPECT_EQ(m_handler.GetState(), CMailHandler::MAILHND_ST_CONNECT);

    // The name server does not answer, and the stop is noticed all the same, well within its second
    // (which only the test's clock could end).
    auto stop = std::async(std::launch::async, [&] { return m_handler.Stop(); });
    const bool stoppedInTime = stop.wait_for(std::chrono::seconds(1)) == std::future_status::ready;
    if (!stoppedInTime) {
        m_clock.Advance(CHandler::STATUS_WAIT_MS); // lets the stop give up waiting
    }
    ASSERT_TRUE(stoppedInTime);
    ASSERT_EQ(stop.get(), CHandler::HANDLER_STOPPED);
    EXPECT_EQ(m_sink.ResultCount(), 0u);
    EXPECT_NE(Log().find("Stopped in MAILHND_ST_CONNECT: the mail to lost@example.com was not sent"),
              std::string::npos);

    // Started again, the next mail waits for its own lookup and goes out once the name is known.
    m_handler.ResetState();
    ASSERT_EQ(m_handler.Start(), CHandler::HANDLER_STARTED);
    auto next = Mail("next@example.com");
    next->Server = "mail.example.test";
    m_handler.PutMsg(std::move(next));
    ASSERT_TRUE(WaitFor([&] { return m_slow->Entered() == 2; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(m_handler.GetState(), CMailHandler::MAILHND_ST_CONNECT);
    EXPECT_EQ(m_server.ConnectionCount(), 0u);
    m_slow->Open();
    const CMailHandlerMsg* result = m_sink.WaitResult(1);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->Code, CMailHandlerMsg::MHM_STATUS_SEND_OK);
    EXPECT_EQ(result->Recipients, "next@example.com");
    EXPECT_EQ(m_sink.Codes(), (Codes{1, 1, 2, 3, 4}));
    EXPECT_EQ(m_server.ConnectionCount(), 1u);
}

TEST_F(MailHandlerTest, NameLookupThatNeverEndsFailsTheMailAfterThirtySeconds) {
    m_handler.SetResolveFunction(m_slow->Function());
    auto mail = Mail();
    mail->Server = "mail.example.test";
    m_handler.PutMsg(std::move(mail));
    ASSERT_TRUE(WaitFor([&] { return m_slow->Entered() == 1; }));

    m_clock.Advance(29999);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(m_handler.GetState(), CMailHandler::MAILHND_ST_CONNECT);
    EXPECT_EQ(m_sink.ResultCount(), 0u);
    m_clock.Advance(1);
    const CMailHandlerMsg* result = m_sink.WaitResult(1);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->ErrorCode, CMailHandlerMsg::MHM_ERROR_CONNECT);
    EXPECT_EQ(m_sink.Codes(), (Codes{1, 5}));
    EXPECT_EQ(m_server.ConnectionCount(), 0u);
    EXPECT_NE(Log().find("MAILHND_ST_CONNECT: Connect Error (name lookup timed out)"), std::string::npos);
    // The handler is free again while the lookup still hangs beside it.
    EXPECT_TRUE(WaitFor([&] { return m_handler.GetState() == CMailHandler::MAILHND_ST_PAUSE; }));
    EXPECT_EQ(m_slow->Finished(), 0);
}
