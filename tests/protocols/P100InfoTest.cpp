#include "P100Info.h"
#include "MsgKinds.h"
#include "ProtocolLog.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

using Values = std::vector<std::uint8_t>;

class P100InfoTest : public ::testing::Test {
protected:
    CFakeClock m_clock;
    CProtocolLog m_log{m_clock};
    CP100Info m_codec{m_log.Log()};

    std::unique_ptr<CTelHandlerMsg> Decode(const Values& values) { return m_codec.Decode(values); }
};

TEST_F(P100InfoTest, DecodesIdCarryingCodes) {
    const std::pair<std::uint8_t, std::uint8_t> codes[] = {
        {0, CTelHandlerMsg::MSGTYPE_ALARM},
        {1, CTelHandlerMsg::MSGTYPE_VOICE},
        {3, CTelHandlerMsg::MSGTYPE_TESTALARM},
        {4, CTelHandlerMsg::MSGTYPE_USERID},
    };
    for (const auto& [code, type] : codes) {
        auto msg = Decode({code, 8, 1, 2, 3, 4, 5, 6, 7, 8});
        ASSERT_NE(msg, nullptr) << int(code);
        EXPECT_EQ(msg->Kind, MsgKind::TEL_ALARM);
        EXPECT_EQ(msg->MsgType, type);
        EXPECT_EQ(msg->ID, "12345678");
        EXPECT_EQ(msg->IdType, 1);
        EXPECT_EQ(msg->Protocol, CTelHandlerMsg::PROTOCOL_P100);
        EXPECT_EQ(msg->ModelCode, 0);
        EXPECT_EQ(msg->OfType, 0);
    }
    EXPECT_EQ(m_log.Lines()[0], "CP100Info::Decode: 0 8 1 2 3 4 5 6 7 8 ");
}

TEST_F(P100InfoTest, WrongLengthIsRejectedWithItsLogLine) {
    EXPECT_EQ(Decode({0, 9, 1, 2, 3, 4, 5, 6, 7, 8, 9}), nullptr);
    EXPECT_EQ(m_log.Lines(),
              (std::vector<std::string>{
                  "CP100Info::Decode: 0 9 1 2 3 4 5 6 7 8 9 ",
                  "CP100Info::ReadP100Id: Invalid P100 Message length, received: 9, expected: 8",
              }));
    EXPECT_EQ(Decode({2, 8, 1, 2, 3, 4, 5, 6, 7, 8}), nullptr);
    EXPECT_EQ(m_log.Lines().back(),
              "CP100Info::ReadP100Id: Invalid P100 Message length, received: 8, expected: 11");
}

TEST_F(P100InfoTest, IdDigitAboveNineIsRejected) {
    EXPECT_EQ(Decode({0, 8, 1, 2, 3, 4, 5, 6, 7, 0xA}), nullptr);
    EXPECT_EQ(Decode({4, 8, 0xF, 2, 3, 4, 5, 6, 7, 8}), nullptr);
    EXPECT_EQ(m_log.Lines().back(), "CP100Info::Decode: 4 8 F 2 3 4 5 6 7 8 ");
}

TEST_F(P100InfoTest, DecodesOperationalFailureKindsAndData) {
    auto last = Decode({2, 11, 1, 2, 3, 4, 5, 6, 7, 8, 10, 0xA, 0x5});
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->MsgType, CTelHandlerMsg::MSGTYPE_OPFAIL);
    EXPECT_EQ(last->OfType, 11);
    EXPECT_EQ(last->OfData, 0xA5);
    EXPECT_EQ(last->ID, "12345678");

    auto first = Decode({2, 11, 1, 2, 3, 4, 5, 6, 7, 8, 0, 0, 1});
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->OfType, 1);
    EXPECT_EQ(first->OfData, 0x01);

    auto unknown = Decode({2, 11, 1, 2, 3, 4, 5, 6, 7, 8, 12, 0, 0});
    ASSERT_NE(unknown, nullptr) << "an unknown failure kind still carries the alarm";
    EXPECT_EQ(unknown->OfType, 0);
}

TEST_F(P100InfoTest, DecodesUserDataHighHalfFirst) {
    auto data = Decode({5, 4, 0xA, 0x1, 0x0, 0xF});
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->MsgType, CTelHandlerMsg::MSGTYPE_USERDATA);
    EXPECT_EQ(data->UserDataLen, 2);
    EXPECT_EQ(data->UserData[0], 0xA1);
    EXPECT_EQ(data->UserData[1], 0x0F);
    EXPECT_EQ(data->IdType, 1);
    EXPECT_TRUE(data->ID.empty());

    auto empty = Decode({5, 0});
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->UserDataLen, 0);

    EXPECT_EQ(Decode({5, 3, 0xA, 0x1, 0x0}), nullptr);
    EXPECT_EQ(m_log.Lines().back(), "CP100Info::Decode: 5 3 A 1 0 ");
}

TEST_F(P100InfoTest, RejectsUnknownCodesAndShortOrTruncatedFrames) {
    EXPECT_EQ(Decode({6, 8, 1, 2, 3, 4, 5, 6, 7, 8}), nullptr);
    EXPECT_EQ(Decode({}), nullptr);
    EXPECT_EQ(Decode({0}), nullptr);
    m_log.NewLines();

    // The length claims 8 values but the frame ends early: never read past it.
    EXPECT_EQ(Decode({0, 8, 1, 2, 3}), nullptr);
    EXPECT_EQ(m_log.NewLines(),
              (std::vector<std::string>{
                  "CP100Info::Decode: 0 8 1 2 3 ",
                  "CP100Info::ReadP100Id: Truncated P100 Message, received: 3 values, expected: 8",
              }));
    EXPECT_EQ(Decode({2, 11, 1, 2, 3, 4, 5, 6, 7, 8, 1}), nullptr);
    EXPECT_EQ(Decode({5, 6, 1, 2}), nullptr);
    EXPECT_EQ(m_log.Lines().back(),
              "CP100Info::Decode: Truncated P100 Message, received: 2 values, expected: 6");
}

TEST_F(P100InfoTest, LongestUserDataFitsTheRecord) {
    Values values{5, 252};
    for (int i = 0; i < 252; ++i) {
        values.push_back(static_cast<std::uint8_t>(i % 16));
    }
    auto data = Decode(values);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->UserDataLen, 126);
    EXPECT_EQ(data->UserData[125], 0xAB);

    // 0xFE values claim 127 bytes; only a frame that really holds them is accepted
    values[1] = 254;
    values.push_back(1);
    values.push_back(2);
    data = Decode(values);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->UserDataLen, 127);
    EXPECT_EQ(data->UserData[126], 0x12);
}

TEST_F(P100InfoTest, DecodeFrameReadsTheParameters) {
    CBufferMsg frame;
    const Values reply{0x86, 0x80, 3, 8, 0, 0, 0, 0, 4, 7, 1, 1};
    std::copy(reply.begin(), reply.end(), frame.Data.begin());
    frame.Length = 10;
    auto test = m_codec.DecodeFrame(frame);
    ASSERT_NE(test, nullptr);
    EXPECT_EQ(test->MsgType, CTelHandlerMsg::MSGTYPE_TESTALARM);
    EXPECT_EQ(test->ID, "00004711");
    frame.Length = 0xFFFF; // only what the buffer holds is read
    test = m_codec.DecodeFrame(frame);
    ASSERT_NE(test, nullptr);
    EXPECT_EQ(test->ID, "00004711");
    frame.Data[2] = 5;
    frame.Data[3] = 254; // UserData claiming more values than the buffer holds
    EXPECT_EQ(m_codec.DecodeFrame(frame), nullptr);
}

TEST(P100InfoGarbage, RandomPayloadsNeverCrashAndOnlyValidRecordsComeBack) {
    CP100Info codec;
    std::mt19937 random(1234);
    for (int round = 0; round < 20000; ++round) {
        Values payload(random() % 20);
        for (auto& value : payload) {
            value = static_cast<std::uint8_t>(round % 2 == 0 ? random() % 16 : random() % 256);
        }
        if (payload.size() >= 2 && round % 3 == 0) {
            payload[0] = static_cast<std::uint8_t>(random() % 6);
            payload[1] = static_cast<std::uint8_t>(payload[0] == 2   ? 11
                                                   : payload[0] == 5 ? random() % 20
                                                                     : 8);
        }
        auto msg = codec.Decode(payload);
        if (msg == nullptr) {
            continue;
        }
        ASSERT_EQ(msg->Protocol, CTelHandlerMsg::PROTOCOL_P100);
        ASSERT_EQ(msg->IdType, 1);
        if (msg->MsgType == CTelHandlerMsg::MSGTYPE_USERDATA) {
            ASSERT_LE(msg->UserDataLen, CTelHandlerMsg::USER_DATA_SIZE);
            ASSERT_TRUE(msg->ID.empty());
        } else {
            ASSERT_EQ(msg->ID.size(), 8u);
            ASSERT_EQ(msg->ID.find_first_not_of("0123456789"), std::string::npos);
            ASSERT_LE(msg->OfType, 11);
        }
    }
}

} // namespace
