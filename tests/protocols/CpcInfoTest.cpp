#include "CpcInfo.h"
#include "MsgKinds.h"
#include "ProtocolLog.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

using Digits = std::vector<std::uint8_t>;

class CpcInfoTest : public ::testing::Test {
protected:
    CFakeClock m_clock;
    CProtocolLog m_log{m_clock};
    CCpcInfo m_codec{m_log.Log()};

    std::unique_ptr<CTelHandlerMsg> Decode(const Digits& digits) { return m_codec.Decode(digits); }
};

TEST_F(CpcInfoTest, EncodesEveryRequestKindAsFrameWithDigitPayload) {
    const std::vector<Digits> expected{{0, 2, 1}, {0, 3}, {0, 5, 1}, {0, 5, 2}, {0, 6, 0, 1}, {0, 6, 0, 7}};
    for (std::uint16_t kind = 0; kind < expected.size(); ++kind) {
        CBufferMsg frame;
        frame.Length = 99;
        EXPECT_TRUE(m_codec.Encode(frame, kind));
        EXPECT_EQ(frame.Data[0], 0x8F);
        EXPECT_EQ(frame.Data[1], 0);
        ASSERT_EQ(frame.Length, expected[kind].size()) << "kind " << kind;
        EXPECT_EQ(Digits(frame.Data.begin() + 2, frame.Data.begin() + 2 + frame.Length), expected[kind]);
    }
    EXPECT_EQ(m_log.Lines(), (std::vector<std::string>{
                                 "CCpcInfo::Encode: 0 2 1 ",
                                 "CCpcInfo::Encode: 0 3 ",
                                 "CCpcInfo::Encode: 0 5 1 ",
                                 "CCpcInfo::Encode: 0 5 2 ",
                                 "CCpcInfo::Encode: 0 6 0 1 ",
                                 "CCpcInfo::Encode: 0 6 0 7 ",
                             }));
}

TEST_F(CpcInfoTest, UnknownRequestKindLeavesPayloadEmpty) {
    CBufferMsg frame;
    EXPECT_FALSE(m_codec.Encode(frame, 6));
    EXPECT_EQ(frame.Data[0], 0x8F);
    EXPECT_EQ(frame.Length, 0);
    EXPECT_EQ(m_log.Lines(), std::vector<std::string>{"CCpcInfo::Encode: "});
}

TEST_F(CpcInfoTest, DecodesAcknowledgementAndRefusal) {
    auto ack = Decode({0, 1, 1});
    ASSERT_NE(ack, nullptr);
    EXPECT_EQ(ack->Kind, MsgKind::TEL_ALARM);
    EXPECT_EQ(ack->MsgType, CTelHandlerMsg::MSGTYPE_ACK);
    EXPECT_EQ(ack->Value, 1);
    EXPECT_EQ(ack->Protocol, CTelHandlerMsg::PROTOCOL_CPC);
    EXPECT_EQ(ack->IdType, 0);
    EXPECT_TRUE(ack->ID.empty());

    auto nack = Decode({0, 1, 0});
    ASSERT_NE(nack, nullptr);
    EXPECT_EQ(nack->MsgType, CTelHandlerMsg::MSGTYPE_ACK);
    EXPECT_EQ(nack->Value, 0);

    EXPECT_EQ(Decode({0, 1, 2}), nullptr);
    EXPECT_EQ(Decode({0, 1}), nullptr) << "an acknowledgement without its digit";
    EXPECT_EQ(m_log.Lines(),
              (std::vector<std::string>{"CCpcInfo::Decode: 0 1 1 ", "CCpcInfo::Decode: 0 1 0 ",
                                        "CCpcInfo::Decode: 0 1 2 ", "CCpcInfo::Decode: 0 1 "}));
}

TEST_F(CpcInfoTest, DecodesModelCodeWithoutRangeTest) {
    auto model = Decode({0, 2, 5});
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->MsgType, CTelHandlerMsg::MSGTYPE_MODELCODE);
    EXPECT_EQ(model->Value, 5);
    EXPECT_EQ(model->ModelCode, 0);

    auto odd = Decode({0, 2, 12});
    ASSERT_NE(odd, nullptr);
    EXPECT_EQ(odd->Value, 12);
    EXPECT_EQ(m_log.Lines().back(), "CCpcInfo::Decode: 0 2 C ");

    EXPECT_EQ(Decode({0, 2}), nullptr);
}

TEST_F(CpcInfoTest, DecodesAlarmCodesByTable) {
    struct SCase {
        std::uint8_t C1, C2;
        std::uint8_t MsgType;
        std::uint16_t OfType;
    };
    const SCase cases[] = {
        {1, 0, CTelHandlerMsg::MSGTYPE_VOICE, 0},  {2, 7, CTelHandlerMsg::MSGTYPE_VOICE, 0},
        {1, 7, CTelHandlerMsg::MSGTYPE_OPFAIL, 2}, {2, 6, CTelHandlerMsg::MSGTYPE_TESTALARM, 0},
        {1, 1, CTelHandlerMsg::MSGTYPE_NONE, 0},   {9, 9, CTelHandlerMsg::MSGTYPE_NONE, 0},
        {0, 10, CTelHandlerMsg::MSGTYPE_NONE, 0}, // not a digit: must not read as code 10
    };
    for (const SCase& c : cases) {
        auto alarm = Decode({0, 4, c.C1, c.C2, 1, 2, 3, 4, 5, 6, 7, 8});
        ASSERT_NE(alarm, nullptr) << int(c.C1) << int(c.C2);
        EXPECT_EQ(alarm->MsgType, c.MsgType) << int(c.C1) << int(c.C2);
        EXPECT_EQ(alarm->OfType, c.OfType);
        EXPECT_EQ(alarm->IdType, 1);
        EXPECT_EQ(alarm->ID, "12345678");
        EXPECT_EQ(alarm->Protocol, CTelHandlerMsg::PROTOCOL_CPC);
        EXPECT_EQ(alarm->Value, 0);
    }
    EXPECT_EQ(m_log.Lines()[0], "CCpcInfo::Decode: 0 4 1 0 1 2 3 4 5 6 7 8 ");
}

TEST_F(CpcInfoTest, AlarmIdOfSixToEightDigitsOnly) {
    EXPECT_EQ(Decode({0, 4, 1, 7, 0, 0, 0, 1, 2, 3})->ID, "000123");
    EXPECT_EQ(Decode({0, 4, 1, 7, 9, 0, 0, 0, 1, 2, 3})->ID, "9000123");
    EXPECT_EQ(Decode({0, 4, 1, 7, 1, 2, 3, 4, 5}), nullptr);
    EXPECT_EQ(Decode({0, 4, 1, 7, 1, 2, 3, 4, 5, 6, 7, 8, 9}), nullptr);
    EXPECT_EQ(Decode({0, 4, 1, 7}), nullptr);
    EXPECT_EQ(Decode({0, 4, 1}), nullptr);
    EXPECT_EQ(Decode({0, 4, 1, 7, 1, 2, 3, 10, 5, 6, 7, 8}), nullptr);
    EXPECT_EQ(Decode({0, 4, 1, 7, 1, 2, 3, 4, 5, 6, 7, 0xFF}), nullptr);
    EXPECT_EQ(m_log.Lines().back(), "CCpcInfo::Decode: 0 4 1 7 1 2 3 4 5 6 7 FF ");
}

TEST_F(CpcInfoTest, RejectsUnknownMessageNumbersAndShortFrames) {
    EXPECT_EQ(Decode({}), nullptr);
    EXPECT_EQ(Decode({0}), nullptr);
    EXPECT_EQ(Decode({0, 3, 1}), nullptr);
    EXPECT_EQ(Decode({0, 0, 1}), nullptr);
    EXPECT_EQ(Decode({1, 1, 1}), nullptr);
    EXPECT_EQ(m_log.Lines()[0], "CCpcInfo::Decode: ");
    EXPECT_EQ(m_log.Lines()[1], "CCpcInfo::Decode: 0 ");
}

TEST_F(CpcInfoTest, DecodeFrameReadsTheParametersAndNeverBeyondTheBuffer) {
    CBufferMsg frame;
    const Digits reply{0x8E, 0x80, 0, 2, 7};
    std::copy(reply.begin(), reply.end(), frame.Data.begin());
    frame.Length = 3;
    auto model = m_codec.DecodeFrame(frame);
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->Value, 7);

    // A lying length: only the 254 parameters the buffer holds are read (the sanitizer build
    // catches a read beyond), and trailing digits after a model code do not matter.
    frame.Length = 0xFFFF;
    model = m_codec.DecodeFrame(frame);
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->Value, 7);
    frame.Data[3] = 4; // an alarm of 250 ID digits
    EXPECT_EQ(m_codec.DecodeFrame(frame), nullptr);
}

TEST(CpcInfoGarbage, RandomPayloadsNeverCrashAndOnlyValidRecordsComeBack) {
    CCpcInfo codec; // no log: the point is the decoder itself
    std::mt19937 random(4711);
    for (int round = 0; round < 20000; ++round) {
        Digits payload(random() % 16);
        for (auto& value : payload) {
            value = static_cast<std::uint8_t>(round % 2 == 0 ? random() % 11 : random() % 256);
        }
        if (payload.size() >= 2 && round % 3 == 0) {
            payload[0] = 0;
            payload[1] = static_cast<std::uint8_t>(1 + random() % 4);
        }
        auto msg = codec.Decode(payload);
        if (msg == nullptr) {
            continue;
        }
        ASSERT_EQ(msg->Protocol, CTelHandlerMsg::PROTOCOL_CPC);
        if (msg->IdType == 1) {
            ASSERT_GE(msg->ID.size(), 6u);
            ASSERT_LE(msg->ID.size(), 8u);
            ASSERT_EQ(msg->ID.find_first_not_of("0123456789"), std::string::npos);
        } else {
            ASSERT_TRUE(msg->MsgType == CTelHandlerMsg::MSGTYPE_ACK ||
                        msg->MsgType == CTelHandlerMsg::MSGTYPE_MODELCODE);
        }
    }
}

} // namespace
