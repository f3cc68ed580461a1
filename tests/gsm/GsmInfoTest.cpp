// The AT codec: command texts, reply lines, the SMS header and text assembly and the model name
// wait, step by step over a real pseudo-terminal with the tick moved by the test.

#include "GsmInfo.h"
#include "PtyPeer.h"
#include "TempDir.h"
#include "TestClocks.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace {

constexpr int PORT = 6;

class GsmInfoTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("MORA_SERIAL_DIR", m_dir.Path().c_str(), 1);
        m_peer = std::make_unique<CPtyPeer>(m_dir.Path(), PORT);
        ASSERT_TRUE(m_peer->IsOpen());
        ASSERT_EQ(m_info.Open(PORT, 9600), CAtCmdProt::ATCMDPROT_OPEN_OK);
    }

    std::vector<std::unique_ptr<CGsmMsg>> Pump(int steps) {
        std::vector<std::unique_ptr<CGsmMsg>> replies;
        for (int i = 0; i < steps; ++i) {
            if (auto reply = m_info.Receive()) {
                replies.push_back(std::move(reply));
            }
        }
        return replies;
    }

    // The single reply that the modem's text gives.
    std::unique_ptr<CGsmMsg> ReplyTo(const std::string& modemText) {
        m_peer->Write(modemText);
        auto replies = Pump(static_cast<int>(modemText.size()) + 100);
        EXPECT_EQ(replies.size(), 1u) << modemText;
        return replies.empty() ? nullptr : std::move(replies.front());
    }

    std::string CommandOf(std::uint16_t kind, const std::function<void(CGsmMsg&)>& fill = {}) {
        CGsmMsg request(kind);
        if (fill) {
            fill(request);
        }
        m_info.Send(request);
        return m_peer->Read();
    }

    CTempDir m_dir;
    std::unique_ptr<CPtyPeer> m_peer;
    CStepClock m_clock;
    CGsmInfo m_info{m_clock};
};

TEST_F(GsmInfoTest, WritesTheCommandOfEveryRequest) {
    EXPECT_EQ(CommandOf(CGsmMsg::GSMREQ_AT), "AT\r\n");
    EXPECT_EQ(CommandOf(CGsmMsg::GSMREQ_ECHO_OFF), "ATE0\r\n");
    EXPECT_EQ(CommandOf(CGsmMsg::GSMREQ_PIN_QUERY), "AT+CPIN?\r\n");
    EXPECT_EQ(CommandOf(CGsmMsg::GSMREQ_PIN_ENTER, [](CGsmMsg& r) { r.Pin = "1234"; }),
              "AT+CPIN=\"1234\"\r\n");
    EXPECT_EQ(CommandOf(CGsmMsg::GSMREQ_TEXT_MODE), "AT+CMGF=1\r\n");
    EXPECT_EQ(CommandOf(CGsmMsg::GSMREQ_CHARSET), "AT+CSCS=\"GSM\"\r\n");
    EXPECT_EQ(CommandOf(CGsmMsg::GSMREQ_STORAGE), "AT+CPMS=MT,MT,MT\r\n");
    EXPECT_EQ(CommandOf(CGsmMsg::GSMREQ_HEADERS), "AT+CSDH=1\r\n");
    EXPECT_EQ(CommandOf(CGsmMsg::GSMREQ_LIST_SMS), "AT+CMGL=\"ALL\"\r\n");
    EXPECT_EQ(CommandOf(CGsmMsg::GSMREQ_DELETE_SMS, [](CGsmMsg& r) { r.Index = 17; }), "AT+CMGD=17\r\n");
    EXPECT_EQ(CommandOf(CGsmMsg::GSMREQ_SEND_DEST, [](CGsmMsg& r) { r.Destination = "+46701234567"; }),
              "AT+CMGS=\"+46701234567\"\r\n");
    EXPECT_EQ(CommandOf(CGsmMsg::GSMREQ_REGISTRATION), "AT+CREG?\r\n");
    EXPECT_EQ(CommandOf(CGsmMsg::GSMREQ_QUALITY), "AT+CSQ\r\n");
    EXPECT_EQ(CommandOf(CGsmMsg::GSMREQ_CALLS), "AT+CLCC\r\n");
    EXPECT_EQ(CommandOf(CGsmMsg::GSMREQ_ERROR_CODES), "AT+CMEE=1\r\n");
    EXPECT_EQ(CommandOf(99), "");
    EXPECT_EQ(m_info.Send(CGsmMsg(99)), 0);
}

TEST_F(GsmInfoTest, OnlyTheLe910UsesMeStorage) {
    m_info.SetModel(CGsmMsg::MODEL_LE910);
    EXPECT_EQ(CommandOf(CGsmMsg::GSMREQ_STORAGE), "AT+CPMS=\"ME\",\"ME\",\"ME\"\r\n");
    m_info.SetModel(CGsmMsg::MODEL_GL865);
    EXPECT_EQ(CommandOf(CGsmMsg::GSMREQ_STORAGE), "AT+CPMS=MT,MT,MT\r\n");
}

TEST_F(GsmInfoTest, NetworkSelectionTableGivesTheWs46Values) {
    const int expected[] = {25, 29, 30, 31, 12, 22, 28};
    for (std::uint16_t i = 0; i < 7; ++i) {
        EXPECT_EQ(CommandOf(CGsmMsg::GSMREQ_NET_SELECT, [&](CGsmMsg& r) { r.NetSelection = i; }),
                  "AT+WS46=" + std::to_string(expected[i]) + "\r\n");
    }
}

TEST_F(GsmInfoTest, QuotesAndLineEndsCannotSneakIntoACommand) {
    EXPECT_EQ(
        CommandOf(CGsmMsg::GSMREQ_SEND_DEST, [](CGsmMsg& r) { r.Destination = "+4670\"\r\nAT+CMGD=1,4"; }),
        "AT+CMGS=\"+4670AT+CMGD=1,4\"\r\n");
}

TEST_F(GsmInfoTest, SmsTextIsConvertedAndEndsWithCtrlZ) {
    const std::string written =
        CommandOf(CGsmMsg::GSMREQ_SEND_TEXT, [](CGsmMsg& r) { r.Text = "Hiss ö$\r\n¥{"; });
    EXPECT_EQ(written, std::string("Hiss \x7C\x02\n\x03?\x1A"));
}

TEST_F(GsmInfoTest, SimpleReplies) {
    EXPECT_EQ(ReplyTo("\r\nOK\r\n")->Kind, CGsmMsg::GSMREP_OK);
    EXPECT_EQ(ReplyTo("\r\nERROR\r\n")->Kind, CGsmMsg::GSMREP_ERROR);
    EXPECT_EQ(ReplyTo("\r\n+CPIN: READY\r\n")->Kind, CGsmMsg::GSMREP_PIN_READY);
    EXPECT_EQ(ReplyTo("\r\n+CPIN: SIM PIN\r\n")->Kind, CGsmMsg::GSMREP_PIN_REQUIRED);
    EXPECT_EQ(ReplyTo("\r\n+CPMS: 0,30,0,30,0,30\r\n")->Kind, CGsmMsg::GSMREP_STORAGE);
    EXPECT_EQ(ReplyTo("\r\n+CMGS: 12\r\n")->Kind, CGsmMsg::GSMREP_SMS_SENT);
    EXPECT_EQ(ReplyTo("\r\nRING\r\n")->Kind, CGsmMsg::GSMREP_RING);
}

TEST_F(GsmInfoTest, NumberedErrorsOfRealModemsAreErrorsAndTheirNumberIsLogged) {
    CLogFile log(m_dir.File("GsmInfo"), 100, m_clock);
    m_info.SetLog(&log);
    // SMS refusals (TS 27.005), equipment errors numbered or in words (TS 27.007 AT+CMEE=1 / 2).
    for (const char* line :
         {"+CMS ERROR: 500", "+CMS ERROR: 38", "+CME ERROR: 16", "+CME ERROR: incorrect password"}) {
        auto reply = ReplyTo(std::string("\r\n") + line + "\r\n");
        ASSERT_TRUE(reply) << line;
        EXPECT_EQ(reply->Kind, CGsmMsg::GSMREP_ERROR) << line;
    }
    m_info.SetLog(nullptr);
    const std::string text = CTempDir::ReadFile(m_dir.File("GsmInfo.log"));
    EXPECT_NE(text.find("CGsmInfo::Receive: +CMS ERROR: 38"), std::string::npos) << text;
    EXPECT_NE(text.find("CGsmInfo::Receive: +CME ERROR: 16"), std::string::npos) << text;
    // Unsolicited lines that only look alike stay unknown.
    m_peer->Write("\r\n+CMS: 3\r\n+CMEERROR\r\n");
    EXPECT_TRUE(Pump(100).empty());
}

TEST_F(GsmInfoTest, PromptWithoutLineEndNeedsTheIdlePause) {
    m_peer->Write("\r\n> ");
    EXPECT_TRUE(Pump(50).empty());
    m_clock.Advance(100);
    auto replies = Pump(2);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0]->Kind, CGsmMsg::GSMREP_PROMPT);
}

TEST_F(GsmInfoTest, UnknownLinesAndOtherPinStatesGiveNothing) {
    m_peer->Write("\r\n+CPIN: SIM PUK\r\nNO CARRIER\r\n+CMTI: \"SM\",3\r\nATE0\r\n");
    EXPECT_TRUE(Pump(200).empty());
}

TEST_F(GsmInfoTest, RegistrationIsTheSecondValue) {
    auto reply = ReplyTo("\r\n+CREG: 0,5\r\n");
    ASSERT_EQ(reply->Kind, CGsmMsg::GSMREP_REGISTRATION);
    EXPECT_EQ(reply->Registration, 5);
    EXPECT_EQ(ReplyTo("\r\n+CREG: 2,1,\"1A2B\",\"00C3\"\r\n")->Registration, 1);
}

TEST_F(GsmInfoTest, SignalQualityInPercent) {
    EXPECT_EQ(ReplyTo("\r\n+CSQ: 99,99\r\n")->Quality, 100);
    EXPECT_EQ(ReplyTo("\r\n+CSQ: 4,0\r\n")->Quality, 0);
    EXPECT_EQ(ReplyTo("\r\n+CSQ: 17,99\r\n")->Quality, 80);
    const int values[][2] = {{5, 0}, {6, 5}, {8, 20}, {11, 40}, {14, 60}, {20, 100}, {21, 100}, {31, 100}};
    for (const auto& v : values) {
        EXPECT_EQ(CGsmInfo::QualityFromRssi(v[0]), v[1]) << v[0];
    }
}

TEST_F(GsmInfoTest, CallerNumberAlwaysStartsWithPlus) {
    auto withPlus = ReplyTo("\r\n+CLCC: 1,1,4,0,0,\"+46701234567\",145\r\n");
    ASSERT_EQ(withPlus->Kind, CGsmMsg::GSMREP_CALLER);
    EXPECT_EQ(withPlus->Number, "+46701234567");
    EXPECT_EQ(ReplyTo("\r\n+CLCC: 1,1,4,0,0,\"46701234567\",129\r\n")->Number, "+46701234567");
    // A withheld number stays empty.
    EXPECT_EQ(ReplyTo("\r\n+CLCC: 1,1,4,0,0,\"\",128\r\n")->Number, "");
}

TEST_F(GsmInfoTest, ListedSmsIsItsHeaderAndTextLine) {
    auto sms = ReplyTo("\r\n+CMGL: 3,\"REC UNREAD\",\"+46701234567\",,\"24/03/05,07:04:09+04\",145,5\r\n"
                       "Hello\r\n");
    ASSERT_EQ(sms->Kind, CGsmMsg::GSMREP_SMS);
    EXPECT_EQ(sms->Index, 3);
    EXPECT_EQ(sms->Number, "+46701234567");
    EXPECT_EQ(sms->Date, "24/03/05");
    EXPECT_EQ(sms->Time, "07:04:09+04");
    EXPECT_EQ(sms->Text, "Hello");
    EXPECT_EQ(m_info.ReceiveState(), CGsmInfo::GSMINFO_RXST_NORMAL);
}

TEST_F(GsmInfoTest, TextOf12CharactersKeepsItsLineFeed) {
    auto sms = ReplyTo("\r\n+CMGL: 1,\"REC READ\",\"+4611\",,\"24/03/05,07:04:09+04\",145,12\r\n"
                       "Lift3\nstuck!\r\n");
    EXPECT_EQ(sms->Text, "Lift3\nstuck!");
}

TEST_F(GsmInfoTest, HeaderWithAnotherStatusIsIgnoredAndItsTextIsAnOrdinaryLine) {
    m_peer->Write("\r\n+CMGL: 2,\"STO UNSENT\",\"+4611\",,,145,4\r\nRING\r\n");
    auto replies = Pump(200);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0]->Kind, CGsmMsg::GSMREP_RING);
}

TEST_F(GsmInfoTest, BrokenHeadersFromLineNoiseAreNoSms) {
    // An unclosed sender quote, a missing time stamp, an index that is no number: none of them
    // may become an alarm; what follows is read as ordinary lines.
    const char* broken[] = {"+CMGL: 1,\"REC UNREAD\",\"+46",
                            "+CMGL: 1,\"REC UNREAD\",\"+4611\",,,145,5",
                            "+CMGL: x,\"REC UNREAD\",\"+4611\",,\"24/03/05,07:04:09+04\",145,5",
                            "+CMGL: 1,\"REC UNREAD\",\"\",,\"24/03/05,07:04:09+04\",145,5"};
    for (const char* header : broken) {
        m_peer->Write(std::string("\r\n") + header + "\r\n+CME ERR\r\nOK\r\n");
        auto replies = Pump(200);
        EXPECT_EQ(m_info.ReceiveState(), CGsmInfo::GSMINFO_RXST_NORMAL) << header;
        ASSERT_FALSE(replies.empty()) << header;
        for (const auto& reply : replies) {
            EXPECT_NE(reply->Kind, CGsmMsg::GSMREP_SMS) << header;
        }
        EXPECT_EQ(replies.back()->Kind, CGsmMsg::GSMREP_OK) << header;
    }
}

TEST_F(GsmInfoTest, HeaderWithoutTextIsDroppedAfter500Ms) {
    m_peer->Write("\r\n+CMGL: 4,\"REC UNREAD\",\"+4611\",,\"24/03/05,07:04:09+04\",145,5\r\n");
    EXPECT_TRUE(Pump(150).empty());
    EXPECT_EQ(m_info.ReceiveState(), CGsmInfo::GSMINFO_RXST_SMS_TEXT);
    m_clock.Advance(499);
    EXPECT_TRUE(Pump(2).empty());
    m_clock.Advance(1);
    EXPECT_TRUE(Pump(2).empty());
    EXPECT_EQ(m_info.ReceiveState(), CGsmInfo::GSMINFO_RXST_NORMAL);
    // A text without its header is just a line.
    EXPECT_EQ(ReplyTo("\r\nOK\r\n")->Kind, CGsmMsg::GSMREP_OK);
}

TEST_F(GsmInfoTest, EmptySmsIsReportedWithEmptyText) {
    auto sms = ReplyTo("\r\n+CMGL: 1,\"REC UNREAD\",\"+4611\",,\"24/03/05,07:04:09+04\",145,0\r\n\r\n");
    ASSERT_EQ(sms->Kind, CGsmMsg::GSMREP_SMS);
    EXPECT_EQ(sms->Text, "");
}

TEST_F(GsmInfoTest, ModelNameIsTheLineAfterCgmm) {
    struct SCase {
        const char* name;
        std::uint16_t model;
    };
    const SCase cases[] = {{"TC35", 1},        {"SIEMENS TC35", 1}, {"GM29", 2},       {"TC65", 3},
                           {"LE910-EU V2", 4}, {"LE910C1-EU", 4},   {"GL865-QUAD", 5}, {"MC55i", 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(CommandOf(CGsmMsg::GSMREQ_MODEL), "AT+CGMM\r\n");
        EXPECT_EQ(m_info.ReceiveState(), CGsmInfo::GSMINFO_RXST_MODEL_NAME);
        auto reply = ReplyTo(std::string("\r\n") + c.name + "\r\n");
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->Kind, CGsmMsg::GSMREP_MODEL);
        EXPECT_EQ(reply->Model, c.model) << c.name;
        EXPECT_EQ(ReplyTo("\r\nOK\r\n")->Kind, CGsmMsg::GSMREP_OK);
    }
}

TEST_F(GsmInfoTest, MissingModelNameEndsTheWaitWithoutReply) {
    CommandOf(CGsmMsg::GSMREQ_MODEL);
    m_clock.Advance(499);
    EXPECT_TRUE(Pump(5).empty());
    EXPECT_EQ(m_info.ReceiveState(), CGsmInfo::GSMINFO_RXST_MODEL_NAME);
    m_clock.Advance(1);
    EXPECT_TRUE(Pump(5).empty());
    EXPECT_EQ(m_info.ReceiveState(), CGsmInfo::GSMINFO_RXST_NORMAL);
    EXPECT_EQ(ReplyTo("\r\nOK\r\n")->Kind, CGsmMsg::GSMREP_OK);
}

TEST_F(GsmInfoTest, GarbageAndOverlongLinesLeaveTheNextReplyIntact) {
    m_peer->Write(std::string("\x01\x7f\xff\x1b#+CM ~~\r\n", 12) + std::string(400, 'Z') + "\r\n");
    EXPECT_TRUE(Pump(600).empty());
    EXPECT_EQ(ReplyTo("\r\n+CSQ: 14,99\r\n")->Quality, 60);
}

} // namespace
