#include "P100ProtCom.h"
#include "Drive.h"
#include "FakeTelPrimitives.h"
#include "ProtocolLog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;
using Bytes = std::vector<std::uint8_t>;

const Bytes ALARM{0, 8, 1, 2, 3, 4, 5, 6, 7, 8};
const Bytes VOICE{1, 8, 8, 7, 6, 5, 4, 3, 2, 1};
const Bytes OPFAIL{2, 11, 0, 0, 0, 0, 0, 0, 4, 2, 3, 0xF, 0x1};
const Bytes TEST_ALARM{3, 8, 0, 0, 0, 0, 4, 7, 1, 1};
const Bytes USER_ID{4, 8, 5, 5, 5, 5, 1, 2, 3, 4};
const Bytes USER_DATA_1{5, 4, 0xA, 0x1, 0x0, 0xF};
const Bytes USER_DATA_2{5, 2, 0x4, 0x2};

std::string Rx(const std::string& text) {
    return "CP100ProtCom::ReceiveMsg: " + text;
}

class P100ProtComTest : public ::testing::Test {
protected:
    P100ProtComTest() { m_protocol.Init(&m_tel, m_log.Log()); }

    std::uint16_t Receive() {
        return Drive([&] { return m_protocol.ReceiveMsg(m_record); });
    }
    std::vector<std::uint16_t> Attempts() const {
        std::vector<std::uint16_t> attempts;
        for (const auto& request : m_tel.Requests) {
            EXPECT_EQ(request.Protocol, TELHND_PROTOCOL_P100);
            attempts.push_back(request.Param);
        }
        return attempts;
    }

    CFakeClock m_clock{1000};
    CProtocolLog m_log{m_clock};
    CFakeTelPrimitives m_tel;
    CP100ProtCom m_protocol{m_clock};
    std::unique_ptr<CTelHandlerMsg> m_record;
};

TEST_F(P100ProtComTest, AlarmIsReceivedWithAttemptOne) {
    m_tel.ReplyP100(ALARM);
    EXPECT_EQ(m_protocol.ReceiveMsg(m_record), PROTCOM_RMRET_BUSY);
    EXPECT_EQ(m_tel.Calls(), 0) << "the first call only initialises";
    EXPECT_EQ(m_protocol.ReceiveState(), CP100ProtCom::P100PROTCOM_RMST_RECEIVE);
    EXPECT_EQ(Receive(), PROTCOM_RMRET_DONE);
    EXPECT_EQ(m_protocol.ReceiveState(), CP100ProtCom::P100PROTCOM_RMST_IDLE);
    ASSERT_NE(m_record, nullptr);
    EXPECT_EQ(m_record->MsgType, CTelHandlerMsg::MSGTYPE_ALARM);
    EXPECT_EQ(m_record->ID, "12345678");
    EXPECT_EQ(m_record->Protocol, CTelHandlerMsg::PROTOCOL_P100);
    EXPECT_EQ(Attempts(), std::vector<std::uint16_t>{1});
    EXPECT_EQ(m_log.Lines(), (Lines{Rx("P100PROTCOM_RMST_RECEIVE: P100 Message received OK"),
                                    Rx("MsgType: 1, ID: 12345678, IdType: 1, ModelCode: 0, OfType: 0")}));
}

TEST_F(P100ProtComTest, OpFailAndTestAlarmAreDone) {
    m_tel.ReplyP100(OPFAIL);
    EXPECT_EQ(Receive(), PROTCOM_RMRET_DONE);
    ASSERT_NE(m_record, nullptr);
    EXPECT_EQ(m_record->OfType, 4);
    EXPECT_EQ(m_record->OfData, 0xF1);
    EXPECT_EQ(m_log.Lines().back(), Rx("MsgType: 3, ID: 00000042, IdType: 1, ModelCode: 0, OfType: 4"));

    m_tel.ReplyP100(TEST_ALARM);
    EXPECT_EQ(Receive(), PROTCOM_RMRET_DONE);
    ASSERT_NE(m_record, nullptr);
    EXPECT_EQ(m_record->MsgType, CTelHandlerMsg::MSGTYPE_TESTALARM);
    EXPECT_EQ(m_log.Lines().back(), Rx("MsgType: 4, ID: 00004711, IdType: 1, ModelCode: 0, OfType: 0"));
}

TEST_F(P100ProtComTest, VoiceIsHandedOutAsVoice) {
    m_tel.ReplyP100(VOICE);
    EXPECT_EQ(Receive(), PROTCOM_RMRET_VOICE);
    ASSERT_NE(m_record, nullptr);
    EXPECT_EQ(m_record->MsgType, CTelHandlerMsg::MSGTYPE_VOICE);
    EXPECT_EQ(m_log.Lines().back(), Rx("MsgType: Voice, ID: 87654321, IdType: 1, ModelCode: 0"));
}

TEST_F(P100ProtComTest, TwoStartTimeoutsThenAGoodMessageUseAttemptsOneTwoThree) {
    m_tel.Report(TELHND_SRRET_START_TIMEOUT);
    m_tel.ReplyP100({0, 9, 1, 2, 3, 4, 5, 6, 7, 8, 9}); // rejected by the decoder: like a start time-out
    m_tel.ReplyP100(ALARM);
    EXPECT_EQ(Receive(), PROTCOM_RMRET_DONE);
    EXPECT_EQ(Attempts(), (std::vector<std::uint16_t>{1, 2, 3}));
    const Lines lines = m_log.Lines();
    EXPECT_EQ(lines[0], Rx("P100PROTCOM_RMST_RECEIVE: Start Timeout, retrying"));
    EXPECT_EQ(lines[1], Rx("P100PROTCOM_RMST_RECEIVE: Start Timeout, retrying"));
}

TEST_F(P100ProtComTest, ThreeStartTimeoutsGiveUp) {
    for (int i = 0; i < 3; ++i) {
        m_tel.Report(TELHND_SRRET_START_TIMEOUT);
    }
    EXPECT_EQ(Receive(), PROTCOM_RMRET_RECEIVE_TIMEOUT);
    EXPECT_EQ(m_record, nullptr);
    EXPECT_EQ(Attempts(), (std::vector<std::uint16_t>{1, 2, 3}));
    EXPECT_EQ(m_log.Lines(), (Lines{Rx("P100PROTCOM_RMST_RECEIVE: Start Timeout, retrying"),
                                    Rx("P100PROTCOM_RMST_RECEIVE: Start Timeout, retrying"),
                                    Rx("P100PROTCOM_RMST_RECEIVE: Start Timeout, max exceeded")}));

    // The next call begins again with attempt 1.
    m_tel.Requests.clear();
    m_tel.ReplyP100(ALARM);
    EXPECT_EQ(Receive(), PROTCOM_RMRET_DONE);
    EXPECT_EQ(Attempts(), std::vector<std::uint16_t>{1});
}

TEST_F(P100ProtComTest, ModemRetryReportsOnlyWaitWithoutListeningAgain) {
    m_tel.Report(TELHND_SRRET_MESSAGE_TIMEOUT);
    m_tel.Report(TELHND_SRRET_CHECKSUM_ERROR);
    m_tel.Report(TELHND_SRRET_TIMING_ERROR);
    m_tel.ReplyP100(VOICE);
    EXPECT_EQ(Receive(), PROTCOM_RMRET_VOICE);
    EXPECT_EQ(Attempts(), std::vector<std::uint16_t>{1}) << "the modem retries by itself";
    const Lines lines = m_log.Lines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], Rx("P100PROTCOM_RMST_RECEIVE: Message timeout, retrying"));
    EXPECT_EQ(lines[1], Rx("P100PROTCOM_RMST_RECEIVE: Checksum error, retrying"));
    EXPECT_EQ(lines[2], Rx("P100PROTCOM_RMST_RECEIVE: Timing error, retrying"));
}

TEST_F(P100ProtComTest, ExhaustedModemRetriesAndComErrorEndTheReceive) {
    m_tel.Report(TELHND_SRRET_RETRIES_EXCEEDED);
    EXPECT_EQ(Receive(), PROTCOM_RMRET_RECEIVE_TIMEOUT);
    EXPECT_EQ(m_log.NewLines(), Lines{Rx("P100PROTCOM_RMST_RECEIVE: No of retries exceeded")});

    m_tel.Report(TELHND_SRRET_COM_ERROR);
    EXPECT_EQ(Receive(), PROTCOM_RMRET_COM_ERROR);
    EXPECT_EQ(m_log.NewLines(), Lines{Rx("P100PROTCOM_RMST_RECEIVE: Serial communication error")});
    EXPECT_EQ(m_record, nullptr);
}

TEST_F(P100ProtComTest, UserIdThenUserDataStreamCarriesTheUserId) {
    m_tel.ReplyP100(USER_ID);
    m_tel.ReplyP100(USER_DATA_1);
    m_tel.ReplyP100(USER_DATA_2);

    // UserId is consumed: the machine keeps receiving.
    std::uint16_t result = PROTCOM_RMRET_BUSY;
    for (int i = 0; i < 4 && result == PROTCOM_RMRET_BUSY; ++i) {
        result = m_protocol.ReceiveMsg(m_record);
    }
    EXPECT_EQ(result, PROTCOM_RMRET_BUSY);
    EXPECT_EQ(m_record, nullptr);
    EXPECT_EQ(m_log.NewLines(), (Lines{Rx("P100PROTCOM_RMST_RECEIVE: P100 Message received OK"),
                                       Rx("MsgType: UserId, ID: 55551234, IdType: 1, ModelCode: 0")}));

    EXPECT_EQ(Receive(), PROTCOM_RMRET_MESSAGE);
    ASSERT_NE(m_record, nullptr);
    EXPECT_EQ(m_record->MsgType, CTelHandlerMsg::MSGTYPE_USERDATA);
    EXPECT_EQ(m_record->ID, "55551234");
    EXPECT_EQ(m_record->IdType, 1);
    EXPECT_EQ(m_record->UserDataLen, 2);
    EXPECT_EQ(m_log.NewLines(), (Lines{Rx("P100PROTCOM_RMST_RECEIVE: P100 Message received OK"),
                                       Rx("MsgType: UserData, Data: A10F")}));
    EXPECT_EQ(m_protocol.ReceiveState(), CP100ProtCom::P100PROTCOM_RMST_RECEIVE);
    EXPECT_EQ(m_protocol.Retries(), CP100ProtCom::P100_USERDATA_RETRIES);

    m_record.reset();
    EXPECT_EQ(Receive(), PROTCOM_RMRET_MESSAGE);
    ASSERT_NE(m_record, nullptr);
    EXPECT_EQ(m_record->ID, "55551234");
    EXPECT_EQ(m_log.NewLines().back(), Rx("MsgType: UserData, Data: 42"));

    // After UserData the telephone has 15 start time-outs before the stream is given up.
    for (int i = 0; i < 15; ++i) {
        m_tel.Report(TELHND_SRRET_START_TIMEOUT);
    }
    m_record.reset();
    EXPECT_EQ(Receive(), PROTCOM_RMRET_RECEIVE_TIMEOUT);
    EXPECT_EQ(m_record, nullptr);
    const Lines lines = m_log.NewLines();
    ASSERT_EQ(lines.size(), 15u);
    EXPECT_EQ(lines[13], Rx("P100PROTCOM_RMST_RECEIVE: Start Timeout, retrying"));
    EXPECT_EQ(lines[14], Rx("P100PROTCOM_RMST_RECEIVE: Start Timeout, max exceeded"));
    EXPECT_EQ(Attempts(),
              (std::vector<std::uint16_t>{1, 1, 1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
}

TEST_F(P100ProtComTest, FourteenStartTimeoutsAfterUserDataStillLetTheStreamGoOn) {
    m_tel.ReplyP100(USER_ID);
    m_tel.ReplyP100(USER_DATA_1);
    ASSERT_EQ(Receive(), PROTCOM_RMRET_MESSAGE);
    for (int i = 0; i < 14; ++i) {
        m_tel.Report(TELHND_SRRET_START_TIMEOUT);
    }
    m_tel.ReplyP100(USER_DATA_2);
    m_record.reset();
    EXPECT_EQ(Receive(), PROTCOM_RMRET_MESSAGE);
    ASSERT_NE(m_record, nullptr);
    EXPECT_EQ(m_record->UserData[0], 0x42);
}

TEST_F(P100ProtComTest, UserIdResetsTheAllowanceToThree) {
    m_tel.ReplyP100(USER_ID);
    m_tel.ReplyP100(USER_DATA_1);
    ASSERT_EQ(Receive(), PROTCOM_RMRET_MESSAGE);
    m_tel.ReplyP100(USER_ID);
    for (int i = 0; i < 3; ++i) {
        m_tel.Report(TELHND_SRRET_START_TIMEOUT);
    }
    m_record.reset();
    EXPECT_EQ(Receive(), PROTCOM_RMRET_RECEIVE_TIMEOUT);
    EXPECT_EQ(m_tel.PendingReports(), 0u);
}

TEST_F(P100ProtComTest, UserDataWithoutUserIdIsRejected) {
    m_tel.ReplyP100(USER_DATA_1);
    EXPECT_EQ(Receive(), PROTCOM_RMRET_RECEIVE_ERROR);
    EXPECT_EQ(m_record, nullptr);
    EXPECT_EQ(m_log.Lines().back(), Rx("UserData without ID"));
}

TEST_F(P100ProtComTest, UserIdOfAnEarlierCallDoesNotCoverUserDataOfTheNext) {
    m_tel.ReplyP100(USER_ID);
    m_tel.Report(TELHND_SRRET_RETRIES_EXCEEDED);
    ASSERT_EQ(Receive(), PROTCOM_RMRET_RECEIVE_TIMEOUT);
    m_tel.ReplyP100(USER_DATA_1);
    EXPECT_EQ(Receive(), PROTCOM_RMRET_RECEIVE_ERROR);
    EXPECT_EQ(m_log.Lines().back(), Rx("UserData without ID"));
}

TEST_F(P100ProtComTest, RecordOfAnotherKindIsUnknown) {
    auto odd = std::make_unique<CTelHandlerMsg>(42);
    odd->MsgType = CTelHandlerMsg::MSGTYPE_ACK;
    m_tel.Report(TELHND_SRRET_RECEIVE_OK, std::move(odd));
    EXPECT_EQ(Receive(), PROTCOM_RMRET_RECEIVE_ERROR);
    EXPECT_EQ(m_log.Lines().back(), Rx("Unknown message type"));

    m_tel.Report(TELHND_SRRET_RECEIVE_OK, nullptr); // a handler that lost its record
    EXPECT_EQ(Receive(), PROTCOM_RMRET_RECEIVE_ERROR);
    EXPECT_EQ(m_record, nullptr);
}

TEST_F(P100ProtComTest, DisconnectWaitsOneSecondSendsAndWaitsTwoMore) {
    m_tel.RawResult(TELHND_RAWRET_SENT);
    EXPECT_EQ(m_protocol.SendDisconnect(), PROTCOM_SDRET_BUSY);
    EXPECT_EQ(m_log.NewLines(), Lines{"CP100ProtCom::SendDisconnect: P100PROTCOM_SDST_IDLE"});
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(m_protocol.SendDisconnect(), PROTCOM_SDRET_BUSY);
    }
    m_clock.Advance(999);
    EXPECT_EQ(m_protocol.SendDisconnect(), PROTCOM_SDRET_BUSY);
    EXPECT_TRUE(m_tel.RawSends.empty()) << "nothing is sent within the first second";
    m_clock.Advance(1);
    EXPECT_EQ(Drive([&] {
                  const auto result = m_protocol.SendDisconnect();
                  return m_tel.RawSends.empty() ? result : std::uint16_t{99};
              }),
              99);
    EXPECT_EQ(m_tel.RawSends, std::vector<Bytes>{Bytes{0x0F}});
    // confirmation, then two seconds of quiet
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(m_protocol.SendDisconnect(), PROTCOM_SDRET_BUSY);
    }
    EXPECT_EQ(m_log.NewLines(), Lines{"CP100ProtCom::SendDisconnect: P100PROTCOM_SDST_SEND: Disconnect OK"});
    m_clock.Advance(1999);
    EXPECT_EQ(m_protocol.SendDisconnect(), PROTCOM_SDRET_BUSY);
    m_clock.Advance(1);
    EXPECT_EQ(m_protocol.SendDisconnect(), PROTCOM_SDRET_DONE);
    EXPECT_EQ(m_tel.RawSends.size(), 1u);
}

TEST_F(P100ProtComTest, DisconnectEndsOnSerialError) {
    m_tel.RawResult(TELHND_RAWRET_COM_ERROR);
    EXPECT_EQ(m_protocol.SendDisconnect(), PROTCOM_SDRET_BUSY);
    m_clock.Advance(1000);
    EXPECT_EQ(Drive([&] { return m_protocol.SendDisconnect(); }), PROTCOM_SDRET_COM_ERROR);
    EXPECT_EQ(m_log.Lines().back(),
              "CP100ProtCom::SendDisconnect: P100PROTCOM_SDST_SEND: Serial communication error");
    // ready to start again
    m_tel.RawResult(TELHND_RAWRET_SENT);
    EXPECT_EQ(m_protocol.SendDisconnect(), PROTCOM_SDRET_BUSY);
    EXPECT_EQ(m_log.Lines().back(), "CP100ProtCom::SendDisconnect: P100PROTCOM_SDST_IDLE");
}

TEST_F(P100ProtComTest, RedirectWithModeZeroSendsThreeBytesAndIsDoneAfterTwoSeconds) {
    m_tel.RawResult(TELHND_RAWRET_SENT);
    int calls = 0;
    const std::uint32_t start = m_clock.Tick();
    std::uint16_t result = PROTCOM_SDRET_BUSY;
    // The handler's loop: one step a millisecond.
    while (result == PROTCOM_SDRET_BUSY && calls < 5000) {
        result = m_protocol.SendRedirect(0);
        ++calls;
        m_clock.Advance(1);
    }
    EXPECT_EQ(result, PROTCOM_SDRET_DONE);
    const std::uint32_t elapsed = m_clock.Tick() - start;
    EXPECT_GE(elapsed, 2000u);
    EXPECT_LE(elapsed, 2010u);
    EXPECT_EQ(m_tel.RawSends, std::vector<Bytes>{(Bytes{0x03, 0x10, 0x0F})});
    EXPECT_EQ(m_log.Lines(),
              (Lines{"CP100ProtCom::SendRedirect: P100PROTCOM_SRST_IDLE",
                     "CP100ProtCom::SendRedirect: P100PROTCOM_SRST_SEND: Redirect Call Sent"}));
}

TEST_F(P100ProtComTest, RedirectWithModeSetSendsOneByte) {
    m_tel.RawResult(TELHND_RAWRET_SENT);
    EXPECT_EQ(m_protocol.SendRedirect(1), PROTCOM_SDRET_BUSY);
    m_clock.Advance(1000);
    EXPECT_EQ(Drive([&] { return m_tel.RawSends.empty() ? m_protocol.SendRedirect(1) : std::uint16_t{99}; }),
              99);
    EXPECT_EQ(m_tel.RawSends, std::vector<Bytes>{Bytes{0x03}});
    EXPECT_EQ(Drive([&] { return m_protocol.SendRedirect(1); }), 0) << "waits a second after the send";
    m_clock.Advance(1000);
    EXPECT_EQ(m_protocol.SendRedirect(1), PROTCOM_SDRET_DONE);
}

TEST_F(P100ProtComTest, RedirectEndsOnSerialError) {
    m_tel.RawResult(TELHND_RAWRET_COM_ERROR);
    EXPECT_EQ(m_protocol.SendRedirect(0), PROTCOM_SDRET_BUSY);
    m_clock.Advance(1000);
    EXPECT_EQ(Drive([&] { return m_protocol.SendRedirect(0); }), PROTCOM_SDRET_COM_ERROR);
    EXPECT_EQ(m_log.Lines().back(),
              "CP100ProtCom::SendRedirect: P100PROTCOM_SRST_SEND: Serial communication error");
}

TEST(P100ProtComDefaults, CanRedirectButHasNoTimeUpdates) {
    CFakeClock clock;
    CFakeTelPrimitives tel;
    CP100ProtCom protocol(clock);
    protocol.Init(&tel, nullptr);
    EXPECT_EQ(protocol.CanRedirect(), 1);
    EXPECT_EQ(protocol.SendTimeUpdate(), PROTCOM_STRET_DONE);
    for (int second = 0; second < 500; ++second) {
        ASSERT_EQ(protocol.IsTimeUpdateDue(static_cast<std::uint16_t>(second)), 0);
    }
    EXPECT_EQ(tel.Calls(), 0);
}

TEST(P100ProtComDefaults, WithoutPrimitivesEveryExchangeEndsAsCommunicationError) {
    CFakeClock clock;
    CP100ProtCom protocol(clock);
    std::unique_ptr<CTelHandlerMsg> record;
    EXPECT_EQ(Drive([&] { return protocol.ReceiveMsg(record); }), PROTCOM_RMRET_COM_ERROR);
    EXPECT_EQ(protocol.SendDisconnect(), PROTCOM_SDRET_BUSY);
    clock.Advance(1000);
    EXPECT_EQ(Drive([&] { return protocol.SendDisconnect(); }), PROTCOM_SDRET_COM_ERROR);
    EXPECT_EQ(protocol.SendRedirect(0), PROTCOM_SDRET_BUSY);
    clock.Advance(1000);
    EXPECT_EQ(Drive([&] { return protocol.SendRedirect(0); }), PROTCOM_SDRET_COM_ERROR);
}

} // namespace

namespace {

TEST_F(P100ProtComTest, AttemptNumberStopsAtTheLargestByte) {
    // A monitoring unit that pauses a lot: every UserData buys 15 more start time-outs.
    m_tel.ReplyP100(USER_ID);
    m_tel.ReplyP100(USER_DATA_1);
    for (int i = 0; i < 20; ++i) {
        for (int t = 0; t < 14; ++t) {
            m_tel.Report(TELHND_SRRET_START_TIMEOUT);
        }
        m_tel.ReplyP100(USER_DATA_2);
    }
    for (int i = 0; i < 21; ++i) {
        m_record.reset();
        ASSERT_EQ(Receive(), PROTCOM_RMRET_MESSAGE) << i;
    }
    EXPECT_EQ(m_protocol.Attempt(), CP100ProtCom::MAX_ATTEMPT);
    EXPECT_EQ(m_tel.Requests.back().Param, 255);
}

TEST_F(P100ProtComTest, UnattendedVoiceCallIsRedirectedAndTheNextCallStartsClean) {
    m_tel.ReplyP100(USER_ID);
    m_tel.ReplyP100(VOICE);
    ASSERT_EQ(Receive(), PROTCOM_RMRET_VOICE);
    ASSERT_NE(m_record, nullptr);
    EXPECT_EQ(m_record->ID, "87654321");

    // The incoming call manager redirects instead of taking the voice call.
    m_tel.RawResult(TELHND_RAWRET_SENT);
    std::uint16_t result = PROTCOM_SDRET_BUSY;
    for (int step = 0; step < 3000 && result == PROTCOM_SDRET_BUSY; ++step) {
        result = m_protocol.SendRedirect(1);
        m_clock.Advance(1);
    }
    EXPECT_EQ(result, PROTCOM_SDRET_DONE);
    EXPECT_EQ(m_tel.RawSends, std::vector<Bytes>{Bytes{0x03}});

    // Next call: attempt 1 again and no UserId remembered.
    m_tel.Requests.clear();
    m_tel.ReplyP100(USER_DATA_1);
    m_record.reset();
    EXPECT_EQ(Receive(), PROTCOM_RMRET_RECEIVE_ERROR);
    EXPECT_EQ(Attempts(), std::vector<std::uint16_t>{1});
}

} // namespace
