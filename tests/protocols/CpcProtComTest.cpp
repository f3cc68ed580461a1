#include "CpcProtCom.h"
#include "Drive.h"
#include "FakeTelPrimitives.h"
#include "ProtocolLog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;
using SRequest = CFakeTelPrimitives::SRequest;

const std::vector<std::uint8_t> MODEL_5{0, 2, 5};
const std::vector<std::uint8_t> OPFAIL_ALARM{0, 4, 1, 7, 1, 2, 3, 4, 5, 6, 7, 8};
const std::vector<std::uint8_t> TEST_ALARM{0, 4, 2, 6, 0, 0, 4, 7, 1, 1};
const std::vector<std::uint8_t> VOICE_ALARM{0, 4, 2, 7, 8, 7, 6, 5, 4, 3, 2};
const std::vector<std::uint8_t> ACK{0, 1, 1};
const std::vector<std::uint8_t> NACK{0, 1, 0};

std::string Rx(const std::string& text) {
    return "CCpcProtCom::ReceiveMsg: " + text;
}

class CpcProtComTest : public ::testing::Test {
protected:
    CpcProtComTest() { m_protocol.Init(&m_tel, m_log.Log()); }

    std::uint16_t Receive() {
        return Drive([&] { return m_protocol.ReceiveMsg(m_record); });
    }
    std::vector<SRequest> Kinds(std::initializer_list<std::uint16_t> kinds) {
        std::vector<SRequest> requests;
        for (std::uint16_t kind : kinds) {
            requests.push_back({TELHND_PROTOCOL_CPC, kind});
        }
        return requests;
    }

    CFakeClock m_clock;
    CProtocolLog m_log{m_clock};
    CFakeTelPrimitives m_tel;
    CCpcProtCom m_protocol{m_clock};
    std::unique_ptr<CTelHandlerMsg> m_record;
};

TEST_F(CpcProtComTest, OpFailCallRunsIdAlarmCodeAckAndDisconnectStepByStep) {
    m_tel.ReplyCpc(MODEL_5);
    m_tel.ReplyCpc(OPFAIL_ALARM);
    m_tel.ReplyCpc(ACK);
    m_tel.ReplyCpc(ACK);

    // The first call only initialises and sends nothing.
    EXPECT_EQ(m_protocol.ReceiveMsg(m_record), PROTCOM_RMRET_BUSY);
    EXPECT_EQ(m_tel.Calls(), 0);
    EXPECT_EQ(m_protocol.ReceiveState(), CCpcProtCom::CPCPROTCOM_RMST_REQ_ID);

    const std::int32_t states[] = {CCpcProtCom::CPCPROTCOM_RMST_REQ_ALARMCODE,
                                   CCpcProtCom::CPCPROTCOM_RMST_SEND_ALARM_ACK,
                                   CCpcProtCom::CPCPROTCOM_RMST_SEND_DISCONNECT};
    for (std::int32_t next : states) {
        // arm, send, report: one exchange takes three steps of the primitive
        EXPECT_EQ(m_protocol.ReceiveMsg(m_record), PROTCOM_RMRET_BUSY);
        EXPECT_EQ(m_protocol.ReceiveMsg(m_record), PROTCOM_RMRET_BUSY);
        EXPECT_EQ(m_protocol.ReceiveMsg(m_record), PROTCOM_RMRET_BUSY);
        EXPECT_EQ(m_protocol.ReceiveState(), next);
        EXPECT_EQ(m_record, nullptr);
    }
    EXPECT_EQ(m_protocol.ReceiveMsg(m_record), PROTCOM_RMRET_BUSY);
    EXPECT_EQ(m_protocol.ReceiveMsg(m_record), PROTCOM_RMRET_BUSY);
    EXPECT_EQ(m_protocol.ReceiveMsg(m_record), PROTCOM_RMRET_DONE);
    EXPECT_EQ(m_protocol.ReceiveState(), CCpcProtCom::CPCPROTCOM_RMST_IDLE);

    ASSERT_NE(m_record, nullptr);
    EXPECT_EQ(m_record->MsgType, CTelHandlerMsg::MSGTYPE_OPFAIL);
    EXPECT_EQ(m_record->OfType, 2);
    EXPECT_EQ(m_record->IdType, 1);
    EXPECT_EQ(m_record->ID, "12345678");
    EXPECT_EQ(m_record->Value, 5) << "the model code travels with the alarm";
    EXPECT_EQ(m_record->Protocol, CTelHandlerMsg::PROTOCOL_CPC);
    EXPECT_EQ(m_tel.Requests, Kinds({0, 1, 3, 4}));
    EXPECT_EQ(m_log.Lines(), (Lines{
                                 Rx("CPCPROTCOM_RMST_REQ_ID: TELHND_SRRET_RECEIVE_OK"),
                                 Rx("Model Code: 5"),
                                 Rx("CPCPROTCOM_RMST_REQ_ALARMCODE: TELHND_SRRET_RECEIVE_OK"),
                                 Rx("MsgType: 3, ID: 12345678, OfType: 2"),
                                 Rx("CPCPROTCOM_RMST_SEND_ALARM_ACK: TELHND_SRRET_RECEIVE_OK"),
                                 Rx("Ack OK, MessageType: Battery/TestAlarm"),
                                 Rx("CPCPROTCOM_RMST_SEND_DISCONNECT: TELHND_SRRET_RECEIVE_OK"),
                                 Rx("Ack OK"),
                             }));
}

TEST_F(CpcProtComTest, TestAlarmIsAcknowledgedAsBatteryTestAlarm) {
    m_tel.ReplyCpc({0, 2, 0});
    m_tel.ReplyCpc(TEST_ALARM);
    m_tel.ReplyCpc(ACK);
    m_tel.ReplyCpc(ACK);
    EXPECT_EQ(Receive(), PROTCOM_RMRET_DONE);
    ASSERT_NE(m_record, nullptr);
    EXPECT_EQ(m_record->MsgType, CTelHandlerMsg::MSGTYPE_TESTALARM);
    EXPECT_EQ(m_record->ID, "004711");
    EXPECT_EQ(m_tel.Requests, Kinds({0, 1, 3, 4}));
    EXPECT_EQ(m_log.Lines()[3], Rx("MsgType: 4, ID: 004711, OfType: 0"));
}

TEST_F(CpcProtComTest, VoiceCallEndsAfterTheVoiceAcknowledgement) {
    m_tel.ReplyCpc({0, 2, 3});
    m_tel.ReplyCpc(VOICE_ALARM);
    m_tel.ReplyCpc(ACK);
    EXPECT_EQ(Receive(), PROTCOM_RMRET_VOICE);
    ASSERT_NE(m_record, nullptr);
    EXPECT_EQ(m_record->MsgType, CTelHandlerMsg::MSGTYPE_VOICE);
    EXPECT_EQ(m_record->ID, "8765432");
    EXPECT_EQ(m_record->Value, 3);
    EXPECT_EQ(m_tel.Requests, Kinds({0, 1, 2}));
    const Lines lines = m_log.Lines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[3], Rx("MsgType: Voice, ID: 8765432"));
    EXPECT_EQ(lines[5], Rx("Ack OK, MessageType: Voice"));
}

TEST_F(CpcProtComTest, TimeUpdateIsDueEvery170SecondsAfterTheVoiceAcknowledgement) {
    m_tel.ReplyCpc(MODEL_5);
    m_tel.ReplyCpc({0, 4, 1, 0, 1, 2, 3, 4, 5, 6});
    m_tel.ReplyCpc(ACK);
    ASSERT_EQ(Receive(), PROTCOM_RMRET_VOICE);

    std::vector<int> due;
    for (int second = 0; second < 341; ++second) {
        due.push_back(m_protocol.IsTimeUpdateDue(static_cast<std::uint16_t>(480 - second)));
    }
    std::vector<int> expected(341, 0);
    expected[170] = 1;
    expected[340] = 1;
    EXPECT_EQ(due, expected);
}

TEST_F(CpcProtComTest, TimeUpdateCountdownRestartsWithTheNextVoiceCall) {
    for (int call = 0; call < 2; ++call) {
        m_tel.ReplyCpc(MODEL_5);
        m_tel.ReplyCpc(VOICE_ALARM);
        m_tel.ReplyCpc(ACK);
        ASSERT_EQ(Receive(), PROTCOM_RMRET_VOICE);
        for (int second = 0; second < 150; ++second) {
            ASSERT_EQ(m_protocol.IsTimeUpdateDue(100), 0) << "call " << call << " second " << second;
        }
    }
}

TEST_F(CpcProtComTest, UnknownAlarmCodeEndsWithReceiveError) {
    m_tel.ReplyCpc(MODEL_5);
    m_tel.ReplyCpc({0, 4, 1, 1, 1, 2, 3, 4, 5, 6, 7, 8});
    EXPECT_EQ(Receive(), PROTCOM_RMRET_RECEIVE_ERROR);
    EXPECT_EQ(m_record, nullptr);
    EXPECT_EQ(m_tel.Requests, Kinds({0, 1}));
    EXPECT_EQ(m_log.Lines().back(), Rx("Unknown message type"));
    EXPECT_EQ(m_protocol.ReceiveState(), CCpcProtCom::CPCPROTCOM_RMST_IDLE);
}

TEST_F(CpcProtComTest, AnswerOtherThanModelCodeToIdentificationIsReceiveError) {
    m_tel.ReplyCpc(ACK);
    EXPECT_EQ(Receive(), PROTCOM_RMRET_RECEIVE_ERROR);
    EXPECT_EQ(m_record, nullptr);
    EXPECT_EQ(m_log.Lines(), (Lines{Rx("CPCPROTCOM_RMST_REQ_ID: TELHND_SRRET_RECEIVE_OK"), Rx("")}));
}

TEST_F(CpcProtComTest, RefusedAcknowledgementDiscardsTheAlarm) {
    m_tel.ReplyCpc(MODEL_5);
    m_tel.ReplyCpc(VOICE_ALARM);
    m_tel.ReplyCpc(NACK);
    EXPECT_EQ(Receive(), PROTCOM_RMRET_RECEIVE_ERROR);
    EXPECT_EQ(m_record, nullptr);
    EXPECT_EQ(m_log.Lines().back(), Rx("Invalid message type or Nack"));
}

// Once the telephone answered "Ack OK" it holds the alarm for delivered and will not call again:
// whatever becomes of the disconnect, the alarm is handed out and the call ends as a good one.
TEST_F(CpcProtComTest, AnAcknowledgedAlarmIsHandedOutHoweverTheDisconnectGoes) {
    const auto toDisconnect = [&] {
        m_tel.ReplyCpc(MODEL_5);
        m_tel.ReplyCpc(OPFAIL_ALARM);
        m_tel.ReplyCpc(ACK);
    };
    const std::string handedOut = Rx("Disconnect not confirmed, the acknowledged alarm is handed out");

    toDisconnect();
    m_tel.ReplyCpc(NACK);
    EXPECT_EQ(Receive(), PROTCOM_RMRET_DONE);
    ASSERT_NE(m_record, nullptr);
    EXPECT_EQ(m_record->MsgType, CTelHandlerMsg::MSGTYPE_OPFAIL);
    EXPECT_EQ(m_record->ID, "12345678");
    EXPECT_EQ(m_record->Value, 5) << "the model code travels with the alarm";
    Lines lines = m_log.NewLines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[lines.size() - 3], Rx("CPCPROTCOM_RMST_SEND_DISCONNECT: TELHND_SRRET_RECEIVE_OK"));
    EXPECT_EQ(lines[lines.size() - 2], Rx("Invalid message type or Nack"));
    EXPECT_EQ(lines.back(), handedOut);

    m_record.reset();
    toDisconnect();
    m_tel.ReplyCpc(MODEL_5); // not an acknowledgement
    EXPECT_EQ(Receive(), PROTCOM_RMRET_DONE);
    EXPECT_NE(m_record, nullptr);
    EXPECT_EQ(m_log.NewLines().back(), handedOut);

    // Two negative reports: the request went twice, then the alarm is handed out.
    m_record.reset();
    m_tel.Requests.clear();
    toDisconnect();
    m_tel.Report(TELHND_SRRET_START_TIMEOUT);
    m_tel.Report(TELHND_SRRET_RETRIES_EXCEEDED);
    EXPECT_EQ(Receive(), PROTCOM_RMRET_DONE);
    EXPECT_NE(m_record, nullptr);
    EXPECT_EQ(m_tel.Requests, Kinds({0, 1, 3, 4, 4}));
    lines = m_log.NewLines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[lines.size() - 3], Rx("CPCPROTCOM_RMST_SEND_DISCONNECT: Error/Timeout"));
    EXPECT_EQ(lines[lines.size() - 2], Rx("CPCPROTCOM_RMST_SEND_DISCONNECT: Error/Timeout"));
    EXPECT_EQ(lines.back(), handedOut);

    m_record.reset();
    toDisconnect();
    m_tel.Report(TELHND_SRRET_COM_ERROR);
    EXPECT_EQ(Receive(), PROTCOM_RMRET_DONE);
    EXPECT_NE(m_record, nullptr);
    lines = m_log.NewLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], Rx("CPCPROTCOM_RMST_SEND_DISCONNECT: TELHND_SRRET_COM_ERROR"));
    EXPECT_EQ(lines.back(), handedOut);
    EXPECT_EQ(m_protocol.ReceiveState(), CCpcProtCom::CPCPROTCOM_RMST_IDLE);
}

// Replies needed to reach each ReceiveMsg state before the telephone has acknowledged an alarm, and
// the state's name in the log.
struct SStateCase {
    const char* Name;
    std::vector<std::vector<std::uint8_t>> Before;
    std::uint16_t RequestKind;
};

const SStateCase STATE_CASES[] = {
    {"CPCPROTCOM_RMST_REQ_ID", {}, 0},
    {"CPCPROTCOM_RMST_REQ_ALARMCODE", {MODEL_5}, 1},
    {"CPCPROTCOM_RMST_SEND_ALARM_ACK", {MODEL_5, OPFAIL_ALARM}, 3},
};

TEST_F(CpcProtComTest, TwoNegativeReportsBeforeTheAcknowledgementEndInTimeout) {
    for (const SStateCase& state : STATE_CASES) {
        for (std::uint16_t negative : {TELHND_SRRET_START_TIMEOUT, TELHND_SRRET_RETRIES_EXCEEDED}) {
            m_tel.Requests.clear();
            for (const auto& reply : state.Before) {
                m_tel.ReplyCpc(reply);
            }
            m_tel.Report(negative);
            m_tel.Report(negative);
            m_log.NewLines();
            EXPECT_EQ(Receive(), PROTCOM_RMRET_RECEIVE_TIMEOUT) << state.Name;
            EXPECT_EQ(m_record, nullptr) << state.Name;
            ASSERT_EQ(m_tel.Requests.size(), state.Before.size() + 2) << state.Name;
            EXPECT_EQ(m_tel.Requests.back().Param, state.RequestKind) << "the request is sent again";
            const Lines lines = m_log.NewLines();
            const std::string expected = Rx(std::string(state.Name) + ": Error/Timeout");
            ASSERT_GE(lines.size(), 2u);
            EXPECT_EQ(lines[lines.size() - 2], expected);
            EXPECT_EQ(lines.back(), expected);
        }
    }
}

TEST_F(CpcProtComTest, OneNegativeReportThenAGoodAnswerContinues) {
    m_tel.Report(TELHND_SRRET_START_TIMEOUT);
    m_tel.ReplyCpc(MODEL_5);
    m_tel.Report(TELHND_SRRET_RETRIES_EXCEEDED);
    m_tel.ReplyCpc(OPFAIL_ALARM);
    m_tel.Report(TELHND_SRRET_START_TIMEOUT);
    m_tel.ReplyCpc(ACK);
    m_tel.Report(TELHND_SRRET_START_TIMEOUT);
    m_tel.ReplyCpc(ACK);
    EXPECT_EQ(Receive(), PROTCOM_RMRET_DONE);
    ASSERT_NE(m_record, nullptr);
    EXPECT_EQ(m_tel.Requests, Kinds({0, 0, 1, 1, 3, 3, 4, 4}));
}

TEST_F(CpcProtComTest, CommunicationErrorBeforeTheAcknowledgementEndsAtOnce) {
    for (const SStateCase& state : STATE_CASES) {
        for (const auto& reply : state.Before) {
            m_tel.ReplyCpc(reply);
        }
        m_tel.Report(TELHND_SRRET_COM_ERROR);
        m_log.NewLines();
        EXPECT_EQ(Receive(), PROTCOM_RMRET_COM_ERROR) << state.Name;
        EXPECT_EQ(m_record, nullptr);
        EXPECT_EQ(m_log.NewLines().back(), Rx(std::string(state.Name) + ": TELHND_SRRET_COM_ERROR"));
        EXPECT_EQ(m_protocol.ReceiveState(), CCpcProtCom::CPCPROTCOM_RMST_IDLE);
    }
}

TEST_F(CpcProtComTest, ReplyTheDecoderRejectsEndsAsCommunicationError) {
    m_tel.ReplyCpc(MODEL_5);
    m_tel.ReplyCpc(OPFAIL_ALARM);
    m_tel.ReplyCpc({0, 1, 2}); // neither acknowledged nor refused
    EXPECT_EQ(Receive(), PROTCOM_RMRET_COM_ERROR);
    EXPECT_EQ(m_record, nullptr);
}

TEST_F(CpcProtComTest, ReportsThatCpcDoesNotUseKeepItWaiting) {
    m_tel.Report(TELHND_SRRET_MESSAGE_TIMEOUT);
    m_tel.Report(TELHND_SRRET_TIMING_ERROR);
    m_tel.ReplyCpc(MODEL_5);
    m_tel.ReplyCpc(OPFAIL_ALARM);
    m_tel.ReplyCpc(ACK);
    m_tel.ReplyCpc(ACK);
    EXPECT_EQ(Receive(), PROTCOM_RMRET_DONE);
    EXPECT_EQ(m_tel.Requests, Kinds({0, 1, 3, 4}));
}

TEST_F(CpcProtComTest, NextCallStartsAfreshAfterEveryResult) {
    m_tel.Report(TELHND_SRRET_COM_ERROR);
    ASSERT_EQ(Receive(), PROTCOM_RMRET_COM_ERROR);
    const int calls = m_tel.Calls();
    EXPECT_EQ(m_protocol.ReceiveMsg(m_record), PROTCOM_RMRET_BUSY);
    EXPECT_EQ(m_tel.Calls(), calls) << "the first call of a new exchange sends nothing";
    m_tel.ReplyCpc(MODEL_5);
    m_tel.ReplyCpc(TEST_ALARM);
    m_tel.ReplyCpc(ACK);
    m_tel.ReplyCpc(ACK);
    EXPECT_EQ(Receive(), PROTCOM_RMRET_DONE);
}

TEST_F(CpcProtComTest, ProtocolDestroyedMidCallReleasesTheHeldAlarm) {
    auto protocol = std::make_unique<CCpcProtCom>(m_clock);
    protocol->Init(&m_tel, nullptr);
    m_tel.ReplyCpc(MODEL_5);
    m_tel.ReplyCpc(OPFAIL_ALARM);
    for (int i = 0; i < 8; ++i) {
        ASSERT_EQ(protocol->ReceiveMsg(m_record), PROTCOM_RMRET_BUSY);
    }
    EXPECT_EQ(protocol->ReceiveState(), CCpcProtCom::CPCPROTCOM_RMST_SEND_ALARM_ACK);
    protocol.reset(); // the sanitizer build reports a leak if the alarm were not freed
    EXPECT_EQ(m_record, nullptr);
}

struct SSendCase {
    const char* Source;
    const char* State;
    std::uint16_t RequestKind;
    std::uint16_t (CCpcProtCom::*Op)();
};

const SSendCase SEND_CASES[] = {
    {"CCpcProtCom::SendDisconnect", "CPCPROTCOM_SDST_SEND", 4, &CCpcProtCom::SendDisconnect},
    {"CCpcProtCom::SendTimeUpdate", "CPCPROTCOM_STST_SEND", 5, &CCpcProtCom::SendTimeUpdate},
};

TEST_F(CpcProtComTest, DisconnectAndTimeUpdateAnswerEveryOutcome) {
    for (const SSendCase& c : SEND_CASES) {
        const std::string prefix = std::string(c.Source) + ": " + c.State + ": ";
        auto run = [&] { return Drive([&] { return (m_protocol.*c.Op)(); }); };

        m_tel.Requests.clear();
        EXPECT_EQ((m_protocol.*c.Op)(), 0) << "first call only initialises";
        EXPECT_TRUE(m_tel.Requests.empty());
        m_tel.ReplyCpc(ACK);
        m_log.NewLines();
        EXPECT_EQ(run(), PROTCOM_SDRET_DONE) << c.Source;
        EXPECT_EQ(m_tel.Requests, Kinds({c.RequestKind}));
        EXPECT_EQ(m_log.NewLines(), Lines{prefix + "TELHND_SRRET_RECEIVE_OK - Ack OK"});

        m_tel.ReplyCpc(NACK);
        EXPECT_EQ(run(), PROTCOM_SDRET_RECEIVE_ERROR);
        EXPECT_EQ(m_log.NewLines(), Lines{prefix + "TELHND_SRRET_RECEIVE_OK - Nack"});

        m_tel.ReplyCpc(MODEL_5);
        EXPECT_EQ(run(), PROTCOM_SDRET_RECEIVE_ERROR);
        EXPECT_EQ(m_log.NewLines(), Lines{prefix + "TELHND_SRRET_RECEIVE_OK - Nack"});

        m_tel.Report(TELHND_SRRET_START_TIMEOUT);
        m_tel.Report(TELHND_SRRET_RETRIES_EXCEEDED);
        EXPECT_EQ(run(), PROTCOM_SDRET_RECEIVE_TIMEOUT);
        EXPECT_EQ(m_log.NewLines(), (Lines{prefix + "Error/Timeout", prefix + "Error/Timeout"}));

        m_tel.Report(TELHND_SRRET_START_TIMEOUT);
        m_tel.ReplyCpc(ACK);
        EXPECT_EQ(run(), PROTCOM_SDRET_DONE);
        EXPECT_EQ(m_log.NewLines(),
                  (Lines{prefix + "Error/Timeout", prefix + "TELHND_SRRET_RECEIVE_OK - Ack OK"}));

        m_tel.Report(TELHND_SRRET_COM_ERROR);
        EXPECT_EQ(run(), PROTCOM_SDRET_COM_ERROR);
        EXPECT_EQ(m_log.NewLines(), Lines{prefix + "TELHND_SRRET_COM_ERROR"});
        EXPECT_EQ(m_tel.PendingReports(), 0u);
    }
}

TEST(CpcProtComDefaults, CannotRedirectAndRedirectIsDoneAtOnce) {
    CFakeClock clock;
    CFakeTelPrimitives tel;
    CCpcProtCom protocol(clock);
    protocol.Init(&tel, nullptr);
    EXPECT_EQ(protocol.CanRedirect(), 0);
    EXPECT_EQ(protocol.SendRedirect(0), PROTCOM_SDRET_DONE);
    EXPECT_EQ(protocol.SendRedirect(1), PROTCOM_SDRET_DONE);
    EXPECT_EQ(tel.Calls(), 0);
    EXPECT_TRUE(tel.RawSends.empty());
}

TEST(CpcProtComDefaults, WithoutPrimitivesEveryExchangeEndsAsCommunicationError) {
    CCpcProtCom protocol;
    std::unique_ptr<CTelHandlerMsg> record;
    EXPECT_EQ(Drive([&] { return protocol.ReceiveMsg(record); }), PROTCOM_RMRET_COM_ERROR);
    EXPECT_EQ(Drive([&] { return protocol.SendDisconnect(); }), PROTCOM_SDRET_COM_ERROR);
    EXPECT_EQ(Drive([&] { return protocol.SendTimeUpdate(); }), PROTCOM_STRET_COM_ERROR);
    EXPECT_EQ(record, nullptr);
}

} // namespace

namespace {

TEST_F(CpcProtComTest, VoiceCallWithTimeUpdateAndDisconnectAsTheCallManagerDrivesIt) {
    m_tel.ReplyCpc(MODEL_5);
    m_tel.ReplyCpc(VOICE_ALARM);
    m_tel.ReplyCpc(ACK);
    ASSERT_EQ(Receive(), PROTCOM_RMRET_VOICE);

    // Once a second during the voice call; a due time update is sent at once.
    int updates = 0;
    for (int second = 0; second < 200; ++second) {
        if (m_protocol.IsTimeUpdateDue(static_cast<std::uint16_t>(480 - second)) == 1) {
            m_tel.ReplyCpc(ACK);
            ASSERT_EQ(Drive([&] { return m_protocol.SendTimeUpdate(); }), PROTCOM_STRET_DONE);
            ++updates;
        }
    }
    EXPECT_EQ(updates, 1);

    // The operator hangs up: the call manager says goodbye.
    m_tel.ReplyCpc(ACK);
    EXPECT_EQ(Drive([&] { return m_protocol.SendDisconnect(); }), PROTCOM_SDRET_DONE);
    EXPECT_EQ(m_tel.Requests, Kinds({0, 1, 2, 5, 4}));
    const Lines lines = m_log.Lines();
    EXPECT_EQ(lines[lines.size() - 2],
              "CCpcProtCom::SendTimeUpdate: CPCPROTCOM_STST_SEND: TELHND_SRRET_RECEIVE_OK - Ack OK");
    EXPECT_EQ(lines.back(),
              "CCpcProtCom::SendDisconnect: CPCPROTCOM_SDST_SEND: TELHND_SRRET_RECEIVE_OK - Ack OK");
}

} // namespace
