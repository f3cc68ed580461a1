// The GSM handler end to end: its thread against the GSM modem simulator on a pseudo-terminal.
// Real time where the modem's pace matters; a clock running ten times faster for the long waits
// (5 s recovery, 10 s ring gap, 30 s calls).

#include "GsmHandler.h"
#include "GsmModemSim.h"
#include "MsgKinds.h"
#include "RecordingSink.h"
#include "TempDir.h"
#include "TestClocks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

using namespace std::chrono_literals;

constexpr int PORT = 4;
constexpr int FAST = 10; // the scaled clock's factor

// Status codes by name, for readable expectations.
constexpr std::uint16_t ST_INIT = CGsmHandlerMsg::GHM_STATUS_INITIALIZING;
constexpr std::uint16_t ST_PIN_ERROR = CGsmHandlerMsg::GHM_STATUS_PIN_ERROR;
constexpr std::uint16_t ST_PIN_REQUIRED = CGsmHandlerMsg::GHM_STATUS_PIN_REQUIRED;
constexpr std::uint16_t ST_NETWORK = CGsmHandlerMsg::GHM_STATUS_NETWORK;
constexpr std::uint16_t ST_TIMEOUT = CGsmHandlerMsg::GHM_STATUS_COM_TIMEOUT;
constexpr std::uint16_t ST_WARNING = CGsmHandlerMsg::GHM_STATUS_COM_WARNING;
constexpr std::uint16_t ST_FAILURE = CGsmHandlerMsg::GHM_STATUS_COM_FAILURE;
constexpr std::uint16_t ST_SENDING = CGsmHandlerMsg::GHM_STATUS_SENDING_SMS;
constexpr std::uint16_t ST_SENT = CGsmHandlerMsg::GHM_STATUS_SMS_SENT;
constexpr std::uint16_t ST_FAILED = CGsmHandlerMsg::GHM_STATUS_SMS_FAILED;

void Sleep(std::chrono::milliseconds ms) {
    std::this_thread::sleep_for(ms);
}

class GsmHandlerTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir.Enter(); // the handler's log goes here
        setenv("MORA_SERIAL_DIR", m_dir.Path().c_str(), 1);
        m_sim.SetSignal(17); // 80 %
    }

    void TearDown() override {
        if (m_handler) {
            m_sink.ConfirmStoredTo(nullptr);
            m_handler->Stop();
            m_handler.reset();
        }
        m_sim.Stop();
    }

    void StartSim() { ASSERT_TRUE(m_sim.Start(PORT, m_dir.Path())) << m_sim.LastError(); }

    void StartHandler(const IClock& clock = CSystemClock::Instance(), const std::string& pin = {},
                      bool callerId = false, std::uint16_t netSelection = 0) {
        m_handler = std::make_unique<CGsmHandler>(&m_sink, clock);
        m_handler->SetStartParameters(PORT, 9600, pin, callerId, netSelection);
        m_sink.ConfirmStoredTo(m_confirmStored ? m_handler.get() : nullptr);
        ASSERT_EQ(StartThread(), CHandler::HANDLER_STARTED);
    }

    // The start handshake at real pace: on a busy machine a tenth of its second may be too short
    // for a thread to come up.
    std::uint16_t StartThread() {
        const unsigned factor = m_fast.Factor();
        m_fast.SetFactor(1);
        const std::uint16_t status = m_handler->Start();
        m_fast.SetFactor(factor);
        return status;
    }
    std::uint16_t StopThread() {
        const unsigned factor = m_fast.Factor();
        m_fast.SetFactor(1);
        const std::uint16_t status = m_handler->Stop();
        m_fast.SetFactor(factor);
        return status;
    }

    // Up and registered: initialised, then the first network check reported 80 %.
    void StartAndWaitForNetwork(const IClock& clock = CSystemClock::Instance(), bool callerId = false) {
        StartSim();
        StartHandler(clock, {}, callerId);
        ASSERT_TRUE(m_sink.WaitForStatus(ST_NETWORK, 10000, 80));
    }

    void SendSms(std::uint16_t kind, const std::string& recipients, const std::string& text,
                 std::uint16_t tag) {
        auto request = std::make_unique<CGsmHandlerMsg>(kind);
        request->Recipients = recipients;
        request->SmsText = text;
        request->RequestTag = tag;
        m_handler->PutMsg(std::move(request));
    }

    std::size_t CountStatus(std::uint16_t code) const {
        const auto statuses = m_sink.Statuses();
        return static_cast<std::size_t>(std::count(statuses.begin(), statuses.end(), code));
    }

    std::vector<std::string> CommandsWithout(const std::vector<std::string>& polls) const {
        std::vector<std::string> out;
        for (const auto& c : m_sim.Commands()) {
            if (std::find(polls.begin(), polls.end(), c) == polls.end()) {
                out.push_back(c);
            }
        }
        return out;
    }

    CTempDir m_dir;
    CScaledClock m_fast{FAST}; // outlives the handler's thread
    CGsmModemSim m_sim;
    CRecordingSink m_sink;
    std::unique_ptr<CGsmHandler> m_handler;
    bool m_confirmStored = true; // the sink stores each reported SMS as the core would
};

// --- initialisation ---

TEST_F(GsmHandlerTest, InitialisesModel1AndReportsTheNetwork) {
    m_sim.SetModelName("TC35");
    StartAndWaitForNetwork();
    // Numbered errors are asked for first, so that a refused PIN already says why.
    const std::vector<std::string> expected = {
        "ATE0",      "AT+CMEE=1", "AT+CGMM", "AT+CPIN?", "AT+CMGF=1", "AT+CSCS=\"GSM\"", "AT+CPMS=MT,MT,MT",
        "AT+CSDH=1", "AT+CREG?",  "AT+CSQ"};
    const auto commands = m_sim.Commands();
    ASSERT_GE(commands.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(commands.begin(), commands.begin() + 10), expected);
    EXPECT_EQ(m_sim.CountCommands("AT+WS46"), 0u);
    // Initializing, then "Com OK, No NET" until the first check, then the quality.
    const auto statuses = m_sink.OfKind(MsgKind::GSM_STATUS);
    ASSERT_GE(statuses.size(), 3u);
    EXPECT_EQ(statuses[0].Code, ST_INIT);
    EXPECT_EQ(statuses[1].Code, ST_NETWORK);
    EXPECT_EQ(statuses[1].Quality, 0);
    EXPECT_EQ(statuses[2].Code, ST_NETWORK);
    EXPECT_EQ(statuses[2].Quality, 80);
    EXPECT_TRUE(statuses[0].Text.empty());
    // The listing follows the network check.
    EXPECT_TRUE(
        m_sink.WaitFor([&](const auto&) { return m_sim.CountCommands("AT+CMGL=\"ALL\"") > 0; }, 3000));
    const std::string log = CTempDir::ReadFile(m_dir.File("GsmHandler.log"));
    EXPECT_NE(log.find("CGsmHandler::ThreadMain: Startup - Ver. 2.65"), std::string::npos);
    EXPECT_NE(log.find("GSMHND_IMRET_INIT_OK"), std::string::npos);
    EXPECT_NE(log.find("CGsmInfo::Receive - Modem Info: TC35"), std::string::npos);
}

TEST_F(GsmHandlerTest, Model4GetsMeStorageAndTheNetworkSelection) {
    m_sim.SetModelName("LE910-EU V2");
    StartSim();
    StartHandler(CSystemClock::Instance(), {}, false, 2); // "2G + 4G"
    ASSERT_TRUE(m_sink.WaitForStatus(ST_NETWORK, 10000, 80));
    EXPECT_EQ(m_sim.CountCommands("AT+CPMS=\"ME\",\"ME\",\"ME\""), 1u);
    EXPECT_EQ(m_sim.CountCommands("AT+CPMS=MT"), 0u);
    const auto commands = m_sim.Commands();
    const auto ws46 = std::find(commands.begin(), commands.end(), "AT+WS46=30");
    ASSERT_NE(ws46, commands.end());
    EXPECT_EQ(*(ws46 - 1), "AT+CSDH=1");
}

TEST_F(GsmHandlerTest, UnknownModelIsDrivenAsModel1) {
    m_sim.SetModelName("MC55i");
    StartAndWaitForNetwork();
    EXPECT_EQ(m_sim.CountCommands("AT+CPMS=MT,MT,MT"), 1u);
    EXPECT_EQ(m_sim.CountCommands("AT+WS46"), 0u);
}

TEST_F(GsmHandlerTest, MissingPortFailsTheStart) {
    m_handler = std::make_unique<CGsmHandler>(&m_sink);
    m_handler->SetStartParameters(PORT, 9600, {}, false, 0);
    EXPECT_EQ(m_handler->Start(), CHandler::HANDLER_START_FAILED);
    EXPECT_FALSE(m_handler->IsRunning());
    // A later start may try again, once the modem is there.
    StartSim();
    EXPECT_EQ(m_handler->Start(), CHandler::HANDLER_STARTED);
}

// --- PIN ---

TEST_F(GsmHandlerTest, PinAcceptedGoesOn) {
    m_sim.SetPin("1234");
    StartSim();
    StartHandler(CSystemClock::Instance(), "1234");
    ASSERT_TRUE(m_sink.WaitForStatus(ST_NETWORK, 15000, 80));
    EXPECT_EQ(m_sim.CountCommands("AT+CPIN=\"1234\""), 1u);
}

TEST_F(GsmHandlerTest, PinRequiredLeavesTheModemAlone) {
    m_sim.SetPin("1234");
    StartSim();
    StartHandler();
    ASSERT_TRUE(m_sink.WaitForStatus(ST_PIN_REQUIRED, 5000));
    const std::size_t commands = m_sim.Commands().size();
    EXPECT_EQ(m_sim.Commands().back(), "AT+CPIN?");
    SendSms(MsgKind::GSM_SEND_FREE_SMS, "+4611", "x", 1);
    Sleep(2500ms);
    EXPECT_EQ(m_sim.Commands().size(), commands);
    EXPECT_EQ(CountStatus(ST_PIN_REQUIRED), 1u);
    EXPECT_EQ(CountStatus(ST_WARNING) + CountStatus(ST_TIMEOUT), 0u);
}

TEST_F(GsmHandlerTest, PinRefusedWithANumberedErrorIsNeverEnteredAgain) {
    // A modem that still has AT+CMEE=1 from an earlier run refuses with "+CME ERROR: 16".
    m_sim.SetErrorReports(1);
    m_sim.SetPin("1234");
    StartSim();
    // The dialogue at real pace (its one-second reply waits must not shrink on a busy machine);
    // only the quiet time after the refusal runs fast.
    m_fast.SetFactor(1);
    StartHandler(m_fast, "9999");
    ASSERT_TRUE(m_sink.WaitForStatus(ST_PIN_ERROR, 5000));
    const std::size_t commands = m_sim.Commands().size();
    EXPECT_EQ(m_sim.Commands().back(), "AT+CPIN=\"9999\"");
    m_fast.SetFactor(FAST);
    Sleep(1500ms); // 15 s of the handler's time: recoveries would have come by now
    m_fast.SetFactor(1);
    EXPECT_EQ(m_sim.Commands().size(), commands);
    EXPECT_EQ(m_sim.CountCommands("AT+CPIN="), 1u);
    EXPECT_EQ(CountStatus(ST_PIN_ERROR), 1u);
    EXPECT_EQ(CountStatus(ST_WARNING) + CountStatus(ST_TIMEOUT), 0u);

    // A restart with the same PIN (another setting changed) does not use up another try.
    ASSERT_EQ(StopThread(), CHandler::HANDLER_STOPPED);
    ASSERT_EQ(StartThread(), CHandler::HANDLER_STARTED);
    ASSERT_TRUE(m_sink.WaitFor([&](const auto&) { return CountStatus(ST_PIN_ERROR) == 2; }, 5000));
    EXPECT_EQ(m_sim.CountCommands("AT+CPIN="), 1u);
    const std::string log = CTempDir::ReadFile(m_dir.File("GsmHandler.log"));
    EXPECT_NE(log.find("CGsmInfo::Receive: +CME ERROR: 16"), std::string::npos);
    EXPECT_NE(log.find("The SIM refused this PIN before: it is not entered again"), std::string::npos);

    // Only another PIN asks the SIM again.
    ASSERT_EQ(StopThread(), CHandler::HANDLER_STOPPED);
    m_handler->SetStartParameters(PORT, 9600, "1234", false, 0);
    ASSERT_EQ(StartThread(), CHandler::HANDLER_STARTED);
    EXPECT_TRUE(m_sink.WaitForStatus(ST_NETWORK, 15000, 80));
    EXPECT_EQ(m_sim.CountCommands("AT+CPIN="), 2u);
}

// --- receiving SMS ---

TEST_F(GsmHandlerTest, StoredSmsAreReportedOnePerCycleAndDeletedAfterTheReport) {
    StartSim();
    m_sim.StoreSms("+46701234567", "Hiss 3 står still: ä ö å é ü £ {x} [y] ~ \\ | ^ €",
                   "24/03/05,07:04:09+04");
    m_sim.StoreSms("+46702222222", "#TEST 2", "24/03/05,07:05:00+04");
    m_sim.StoreSms("Telia", "Rad ett\nRad två", "24/03/05,07:06:00+04");
    std::vector<std::size_t> deletedAtReport;
    m_sink.OnMessage([&](const SGsmEvent& e) {
        if (e.Kind == MsgKind::GSM_SMS_RECEIVED) {
            deletedAtReport.push_back(m_sim.DeletedIndexes().size());
        }
    });
    StartHandler();
    ASSERT_TRUE(m_sink.WaitForKind(MsgKind::GSM_SMS_RECEIVED, 3, 20000));
    ASSERT_TRUE(m_sink.WaitFor([&](const auto&) { return m_sim.StoredSms().empty(); }, 6000));

    const auto sms = m_sink.OfKind(MsgKind::GSM_SMS_RECEIVED);
    ASSERT_EQ(sms.size(), 3u);
    EXPECT_EQ(sms[0].Number, "+46701234567");
    EXPECT_EQ(sms[0].Date, "24/03/05");
    EXPECT_EQ(sms[0].Time, "07:04:09+04");
    EXPECT_EQ(sms[0].SmsText, "Hiss 3 står still: ä ö å é ü £ {x} [y] ~ \\ | ^ €");
    EXPECT_EQ(sms[1].Number, "+46702222222");
    EXPECT_EQ(sms[1].SmsText, "#TEST 2");
    EXPECT_EQ(sms[2].Number, "Telia");
    EXPECT_EQ(sms[2].SmsText, "Rad ett\nRad två");
    // Each was still in the modem when it was reported, and only then deleted.
    EXPECT_EQ(deletedAtReport, (std::vector<std::size_t>{0, 1, 2}));
    EXPECT_EQ(m_sim.DeletedIndexes(), (std::vector<int>{1, 2, 3}));
    // One listing per SMS: each listing takes only the first.
    EXPECT_GE(m_sim.CountCommands("AT+CMGL=\"ALL\""), 3u);
}

TEST_F(GsmHandlerTest, SmsStaysInTheModemUntilItsAlarmIsStored) {
    // A core that never confirms (killed, or busy starting): the SMS is reported, kept, and
    // reported again after the store wait, each time with a new mark.
    m_confirmStored = false;
    StartSim();
    m_sim.StoreSms("+4611", "Larm hiss 9", "24/03/05,07:04:09+04");
    StartHandler(m_fast);
    ASSERT_TRUE(m_sink.WaitForKind(MsgKind::GSM_SMS_RECEIVED, 2, 10000));
    const auto reports = m_sink.OfKind(MsgKind::GSM_SMS_RECEIVED);
    EXPECT_EQ(reports[0].SmsText, "Larm hiss 9");
    EXPECT_EQ(reports[1].SmsText, "Larm hiss 9");
    EXPECT_NE(reports[0].SmsMark, 0u);
    EXPECT_NE(reports[0].SmsMark, reports[1].SmsMark);
    EXPECT_TRUE(m_sim.DeletedIndexes().empty());
    // A late confirmation of the first report deletes nothing; the newest one's mark does.
    auto stored = [&](std::uint32_t mark) {
        auto msg = std::make_unique<CGsmHandlerMsg>(MsgKind::GSM_SMS_STORED);
        msg->SmsMark = mark;
        m_handler->PutMsg(std::move(msg));
    };
    stored(reports[0].SmsMark);
    Sleep(100ms);
    EXPECT_TRUE(m_sim.DeletedIndexes().empty());
    const auto newest = m_sink.OfKind(MsgKind::GSM_SMS_RECEIVED).back().SmsMark;
    stored(newest);
    ASSERT_TRUE(m_sink.WaitFor([&](const auto&) { return m_sim.StoredSms().empty(); }, 5000));
    EXPECT_EQ(m_sim.DeletedIndexes(), (std::vector<int>{1}));
}

TEST_F(GsmHandlerTest, HeaderWithoutTextIsNeitherReportedNorDeleted) {
    // The announced text length swallows the listing's OK: the listing times out, which is a
    // communication error, and nothing half-read may become an alarm.
    m_sim.SetDropTextLines(true);
    StartSim();
    m_sim.StoreSms("+4611", "Larm");
    StartHandler(m_fast);
    ASSERT_TRUE(m_sink.WaitFor([&](const auto&) { return m_sim.CountCommands("AT+CMGL") >= 3; }, 15000));
    EXPECT_TRUE(m_sink.OfKind(MsgKind::GSM_SMS_RECEIVED).empty());
    EXPECT_TRUE(m_sim.DeletedIndexes().empty());
    EXPECT_GE(CountStatus(ST_WARNING), 1u); // again after each good initialisation
    // Once the modem lists it properly it arrives, once.
    m_sim.SetDropTextLines(false);
    ASSERT_TRUE(m_sink.WaitForKind(MsgKind::GSM_SMS_RECEIVED, 1, 10000));
    ASSERT_TRUE(m_sink.WaitFor([&](const auto&) { return m_sim.StoredSms().empty(); }, 5000));
    const auto sms = m_sink.OfKind(MsgKind::GSM_SMS_RECEIVED);
    ASSERT_EQ(sms.size(), 1u);
    EXPECT_EQ(sms[0].SmsText, "Larm");
}

TEST_F(GsmHandlerTest, HeaderFollowedBySilenceIsDroppedAfter500Ms) {
    StartAndWaitForNetwork(m_fast);
    // A header whose text never comes, outside any listing: nothing to report.
    m_sim.SendRaw("\r\n+CMGL: 9,\"REC UNREAD\",\"+4699\",,\"24/03/05,07:04:09+04\",145,4\r\n");
    Sleep(300ms);
    m_sim.StoreSms("+4611", "Larm");
    ASSERT_TRUE(m_sink.WaitForKind(MsgKind::GSM_SMS_RECEIVED, 1, 5000));
    EXPECT_EQ(m_sink.OfKind(MsgKind::GSM_SMS_RECEIVED)[0].Number, "+4611");
}

TEST_F(GsmHandlerTest, GarbageAndOverlongLinesDoNotDisturb) {
    StartAndWaitForNetwork();
    m_sim.SendRaw(std::string("\x01\x7f\xff\x1b#+CM ~~ZZ\r\n", 14));
    m_sim.SendLongLine(300, false);
    m_sim.SendLongLine(1000, true);
    m_sim.StoreSms("+4611", "Larm hiss 7");
    ASSERT_TRUE(m_sink.WaitForKind(MsgKind::GSM_SMS_RECEIVED, 1, 15000));
    const auto sms = m_sink.OfKind(MsgKind::GSM_SMS_RECEIVED);
    EXPECT_EQ(sms[0].Number, "+4611");
    EXPECT_EQ(sms[0].SmsText, "Larm hiss 7");
}

// --- sending SMS ---

TEST_F(GsmHandlerTest, FreeFormatSmsToThreeRecipientsIsThreeSends) {
    StartAndWaitForNetwork();
    SendSms(MsgKind::GSM_SEND_FREE_SMS, "+4611, +4622;+4633;", "Service i dag: hiss 2 ur drift", 1);
    ASSERT_TRUE(m_sink.WaitFor(
        [](const std::vector<SGsmEvent>& events) {
            return std::count_if(events.begin(), events.end(), [](const SGsmEvent& e) {
                       return e.Kind == MsgKind::GSM_STATUS && e.Code == ST_SENT;
                   }) == 3;
        },
        15000));
    std::vector<std::string> reported;
    for (const auto& e : m_sink.OfKind(MsgKind::GSM_STATUS)) {
        if (e.Code == ST_SENT) {
            reported.push_back(e.Recipients);
            EXPECT_EQ(e.RequestTag, 1);
        }
    }
    EXPECT_EQ(reported, (std::vector<std::string>{"+4611", "+4622", "+4633"}));
    const auto sent = m_sim.SentSms();
    ASSERT_EQ(sent.size(), 3u);
    for (const auto& s : sent) {
        EXPECT_EQ(s.Text, "Service i dag: hiss 2 ur drift");
        EXPECT_TRUE(s.Accepted);
    }
    EXPECT_GE(CountStatus(ST_SENDING), 3u);
    Sleep(1500ms);
    EXPECT_EQ(m_sim.SentSms().size(), 3u); // the trailing ';' added none
}

TEST_F(GsmHandlerTest, SmsTextIsSentInTheGsmAlphabet) {
    StartAndWaitForNetwork();
    SendSms(MsgKind::GSM_SEND_ALARM_SMS, "+4611", "MORA ALARM\nHiss står: Ä Ö Å é ü £ $ ¥ ß {x}\r\n", 0);
    ASSERT_TRUE(m_sink.WaitFor([&](const auto&) { return !m_sim.SentSms().empty(); }, 10000));
    // CR is removed; ß has no GSM code (blank), '{' and '}' only escape codes ('?').
    EXPECT_EQ(m_sim.SentSms()[0].Text, "MORA ALARM\nHiss står: Ä Ö Å é ü £ $ ¥   ?x?\n");
}

TEST_F(GsmHandlerTest, GreekCapitalsArriveAndLeaveAsThemselves) {
    StartAndWaitForNetwork();
    m_sim.StoreSms("+4611", "ΔΦΓΛΩΠΨΣΘΞ: hiss 4");
    ASSERT_TRUE(m_sink.WaitForKind(MsgKind::GSM_SMS_RECEIVED, 1, 10000));
    EXPECT_EQ(m_sink.OfKind(MsgKind::GSM_SMS_RECEIVED)[0].SmsText, "ΔΦΓΛΩΠΨΣΘΞ: hiss 4");
    // All but Ξ, whose code is the Ctrl-Z that ends the text.
    SendSms(MsgKind::GSM_SEND_ALARM_SMS, "+4611", "ΔΦΓΛΩΠΨΣΘΞ: hiss 4", 0);
    ASSERT_TRUE(m_sink.WaitFor([&](const auto&) { return !m_sim.SentSms().empty(); }, 10000));
    EXPECT_EQ(m_sim.SentSms()[0].Text, "ΔΦΓΛΩΠΨΣΘ?: hiss 4");
    EXPECT_TRUE(m_sim.SentSms()[0].Accepted);
}

// The simulated network refuses with "+CMS ERROR: n", as real modems do: each refusal is one of
// the four attempts, at once, never a communication error.
TEST_F(GsmHandlerTest, SendRefusedFourTimesIsAbandonedWithStatus9) {
    StartAndWaitForNetwork();
    m_sim.RefuseSends(4);
    SendSms(MsgKind::GSM_SEND_FREE_SMS, "+4655", "Test", 1);
    ASSERT_TRUE(m_sink.WaitForStatus(ST_FAILED, 20000));
    const auto failed = m_sink.OfKind(MsgKind::GSM_STATUS);
    const auto it =
        std::find_if(failed.begin(), failed.end(), [](const SGsmEvent& e) { return e.Code == ST_FAILED; });
    EXPECT_EQ(it->Recipients, "+4655");
    EXPECT_EQ(it->RequestTag, 1);
    EXPECT_EQ(m_sim.SentSms().size(), 4u);
    EXPECT_EQ(CountStatus(ST_SENT), 0u);
    EXPECT_EQ(CountStatus(ST_WARNING), 0u); // a refusal is not a communication error
}

TEST_F(GsmHandlerTest, AlarmSmsRefusedFourTimesGivesNoReport) {
    StartAndWaitForNetwork();
    m_sim.RefuseSends(4);
    SendSms(MsgKind::GSM_SEND_ALARM_SMS, "+4655", "Larm", 0);
    ASSERT_TRUE(m_sink.WaitFor([&](const auto&) { return m_sim.SentSms().size() >= 4; }, 20000));
    Sleep(2500ms);
    EXPECT_EQ(m_sim.SentSms().size(), 4u);
    EXPECT_EQ(CountStatus(ST_FAILED) + CountStatus(ST_SENT), 0u);
}

TEST_F(GsmHandlerTest, RefusedEmptyRecipientFailsWithoutDisturbingTheOthers) {
    StartAndWaitForNetwork(m_fast);
    SendSms(MsgKind::GSM_SEND_FREE_SMS, "+4611,,+4622", "Test", 1);
    ASSERT_TRUE(m_sink.WaitForStatus(ST_FAILED, 10000));
    ASSERT_TRUE(m_sink.WaitFor([&](const auto&) { return CountStatus(ST_SENT) == 2; }, 10000));
    for (const auto& e : m_sink.OfKind(MsgKind::GSM_STATUS)) {
        if (e.Code == ST_FAILED) {
            EXPECT_EQ(e.Recipients, "");
        }
    }
    EXPECT_EQ(m_sim.CountCommands("AT+CMGS=\"\""), 4u);
    EXPECT_EQ(CountStatus(ST_WARNING), 0u);
}

TEST_F(GsmHandlerTest, FourthAttemptMaySucceed) {
    StartAndWaitForNetwork();
    m_sim.RefuseSends(3, 38); // network out of order
    SendSms(MsgKind::GSM_SEND_FREE_SMS, "+4655", "Test", 1);
    ASSERT_TRUE(m_sink.WaitForStatus(ST_SENT, 20000));
    EXPECT_EQ(m_sim.SentSms().size(), 4u);
    EXPECT_TRUE(m_sim.SentSms().back().Accepted);
    EXPECT_EQ(CountStatus(ST_FAILED), 0u);
}

TEST_F(GsmHandlerTest, SmsWaitsForTheNetwork) {
    m_sim.SetRegistration(0);
    StartSim();
    StartHandler();
    ASSERT_TRUE(m_sink.WaitFor([&](const auto&) { return m_sim.CountCommands("AT+CREG?") >= 2; }, 10000));
    SendSms(MsgKind::GSM_SEND_ALARM_SMS, "+4611", "Larm", 0);
    Sleep(2500ms);
    EXPECT_TRUE(m_sim.SentSms().empty());
    EXPECT_EQ(m_sim.CountCommands("AT+CSQ"), 0u);
    m_sim.SetRegistration(5); // roaming counts
    ASSERT_TRUE(m_sink.WaitFor([&](const auto&) { return m_sim.SentSms().size() == 1; }, 10000));
    EXPECT_TRUE(m_sink.WaitForStatus(ST_NETWORK, 5000, 80));
}

TEST_F(GsmHandlerTest, QualityIsReportedAgainWhenTheNetworkComesBack) {
    // Real pace: a reply wait cut short by a busy machine would re-initialise the modem, and the
    // quality would then be reported anyway.
    StartAndWaitForNetwork();
    auto networkReports = [&] {
        std::vector<std::uint16_t> qualities;
        for (const auto& e : m_sink.OfKind(MsgKind::GSM_STATUS)) {
            if (e.Code == ST_NETWORK) {
                qualities.push_back(e.Quality);
            }
        }
        return qualities;
    };
    m_sim.SetRegistration(0);
    ASSERT_TRUE(m_sink.WaitFor([&](const auto&) { return networkReports().size() == 3; }, 8000));
    // Back on the network with the same signal as before: "No NET" must not stay.
    m_sim.SetRegistration(1);
    ASSERT_TRUE(m_sink.WaitFor([&](const auto&) { return networkReports().size() == 4; }, 8000));
    EXPECT_EQ(networkReports(), (std::vector<std::uint16_t>{0, 80, 0, 80}));
    EXPECT_EQ(CountStatus(ST_WARNING), 0u);
}

// --- caller identification (fast clock) ---

TEST_F(GsmHandlerTest, CallerRingingFor30SecondsIsReportedOnce) {
    StartAndWaitForNetwork(m_fast, true);
    // 30 s of ringing, RING every 5 s, in a tenth of the time.
    m_sim.Ring("+46705550123", 3000ms, 500ms);
    Sleep(3000ms + 1500ms); // the call plus the 10 s without RING
    const auto callers = m_sink.OfKind(MsgKind::GSM_CALLER_IDENTIFIED);
    ASSERT_EQ(callers.size(), 1u);
    EXPECT_EQ(callers[0].Number, "+46705550123");
    EXPECT_GE(m_sim.CountCommands("AT+CLCC"), 5u);
    EXPECT_EQ(CountStatus(ST_WARNING), 0u);
    // A new call from the same number is a new report, once the handler has seen the first call
    // end (it stops asking for the caller); on a busy machine that can take longer than planned.
    std::size_t asked = m_sim.CountCommands("AT+CLCC");
    for (int quiet = 0, i = 0; quiet < 5 && i < 100; ++i) {
        Sleep(200ms);
        const std::size_t now = m_sim.CountCommands("AT+CLCC");
        quiet = now == asked ? quiet + 1 : 0;
        asked = now;
    }
    m_sim.Ring("+46705550123", 1000ms, 500ms);
    EXPECT_TRUE(m_sink.WaitForKind(MsgKind::GSM_CALLER_IDENTIFIED, 2, 5000));
}

TEST_F(GsmHandlerTest, WithheldNumberIsNotReported) {
    StartAndWaitForNetwork(m_fast, true);
    m_sim.Ring("", 1500ms, 500ms);
    Sleep(1500ms + 1500ms);
    EXPECT_GE(m_sim.CountCommands("AT+CLCC"), 1u);
    EXPECT_TRUE(m_sink.OfKind(MsgKind::GSM_CALLER_IDENTIFIED).empty());
    EXPECT_EQ(CountStatus(ST_WARNING), 0u);
}

TEST_F(GsmHandlerTest, WithoutCallerIdentificationRingIsIgnored) {
    StartAndWaitForNetwork(m_fast, false);
    m_sim.Ring("+46705550123", 1500ms, 500ms);
    Sleep(2000ms);
    EXPECT_EQ(m_sim.CountCommands("AT+CLCC"), 0u);
    EXPECT_TRUE(m_sink.OfKind(MsgKind::GSM_CALLER_IDENTIFIED).empty());
}

// --- communication failures (fast clock) ---

TEST_F(GsmHandlerTest, SilentModemGivesWarningThenTimeoutsThenFailureAtTheTenthRecovery) {
    m_sim.SetSilent(true);
    StartSim();
    StartHandler(m_fast);
    // Each round: 1 s for the ATE0 answer, 5 s of recovery.
    ASSERT_TRUE(m_sink.WaitForStatus(ST_FAILURE, 20000));
    std::vector<std::uint16_t> errors;
    for (std::uint16_t s : m_sink.Statuses()) {
        if (s != ST_INIT) {
            errors.push_back(s);
        }
    }
    std::vector<std::uint16_t> expected{ST_WARNING};
    expected.insert(expected.end(), 10, ST_TIMEOUT);
    expected.push_back(ST_FAILURE);
    EXPECT_EQ(errors, expected);
    // Failure is reported once; the handler goes on trying every 5 s.
    Sleep(1500ms);
    EXPECT_EQ(CountStatus(ST_FAILURE), 1u);
    EXPECT_GE(CountStatus(ST_TIMEOUT), 11u);
    for (const auto& c : m_sim.Commands()) {
        EXPECT_EQ(c, "ATE0");
    }
    // The modem answers again: initialised and registered, the count starts over.
    m_sim.SetSilent(false);
    ASSERT_TRUE(m_sink.WaitForStatus(ST_NETWORK, 5000, 80));
}

TEST_F(GsmHandlerTest, ModemAnsweringErrorToEverythingIsACommunicationError) {
    m_sim.SetErrorToAll(true);
    StartSim();
    StartHandler(m_fast);
    ASSERT_TRUE(m_sink.WaitFor([&](const auto&) { return CountStatus(ST_TIMEOUT) >= 2; }, 5000));
    EXPECT_EQ(CountStatus(ST_WARNING), 1u);
    EXPECT_EQ(CountStatus(ST_NETWORK), 0u);
}

TEST_F(GsmHandlerTest, HungUpDeviceIsRecoveredWhenItComesBack) {
    StartAndWaitForNetwork(m_fast);
    m_sim.HangUp();
    ASSERT_TRUE(m_sink.WaitForStatus(ST_WARNING, 5000));
    ASSERT_TRUE(m_sink.WaitForStatus(ST_TIMEOUT, 5000));
    // The same device appears again (a USB adapter plugged back in).
    const std::size_t networkReports = CountStatus(ST_NETWORK);
    StartSim();
    ASSERT_TRUE(
        m_sink.WaitFor([&](const auto&) { return CountStatus(ST_NETWORK) >= networkReports + 2; }, 10000));
    const std::string log = CTempDir::ReadFile(m_dir.File("GsmHandler.log"));
    EXPECT_NE(log.find("Serial port reopened"), std::string::npos);
    EXPECT_NE(log.find("ATCMDPROT_RECEIVE_ERROR"), std::string::npos);
}

TEST_F(GsmHandlerTest, StopEndsTheThreadInTheMiddleOfAnything) {
    m_sim.SetSilent(true);
    StartSim();
    StartHandler();
    SendSms(MsgKind::GSM_SEND_ALARM_SMS, "+4611", "Larm", 0);
    Sleep(300ms);
    EXPECT_EQ(m_handler->Stop(), CHandler::HANDLER_STOPPED);
    EXPECT_FALSE(m_handler->IsRunning());
    const std::string log = CTempDir::ReadFile(m_dir.File("GsmHandler.log"));
    EXPECT_EQ(log.find("CGsmHandler::ThreadMain: Shutdown"), 25u); // the newest line, after its time stamp
}

} // namespace
