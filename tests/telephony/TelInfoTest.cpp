#include "TelInfo.h"
#include "ComMsg.h"
#include "MsgKinds.h"
#include "RecordingSink.h"
#include "SwHwInfo.h"
#include "TempDir.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

class TelInfoTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir.Enter();
        m_info.Init(&m_link, &m_log);
    }

    // Encodes one request and returns the frame that reached the link (command, flags, params).
    Bytes Encode(std::uint16_t kind, std::int32_t arg = 0, std::uint16_t arg2 = 0, const Bytes& data = {},
                 std::uint32_t param0 = 0) {
        auto request = std::make_unique<CTelMsg>(kind);
        request->Arg = arg;
        request->Arg2 = arg2;
        std::copy(data.begin(), data.end(), request->Data.begin());
        request->Length = static_cast<std::uint16_t>(data.size());
        request->Param[0] = param0;
        EXPECT_TRUE(m_info.Encode(std::move(request)));
        auto sent = m_link.Take();
        EXPECT_EQ(sent.size(), 1u);
        if (sent.size() != 1) {
            return {};
        }
        EXPECT_EQ(sent[0]->Kind, MsgKind::COM_TRANSMIT);
        auto* frame = dynamic_cast<CComMsg*>(sent[0].get());
        return Bytes(frame->Data.begin(), frame->Data.begin() + 2 + frame->Length);
    }

    std::unique_ptr<CTelMsg> Decode(std::uint8_t code, const Bytes& params = {}) {
        CComMsg frame(MsgKind::COM_REPLY);
        frame.Data[0] = code;
        frame.Data[1] = 0x94;
        std::copy(params.begin(), params.end(), frame.Data.begin() + 2);
        frame.Length = static_cast<std::uint16_t>(params.size());
        return m_info.Decode(frame);
    }

    CTempDir m_dir;
    CFakeClock m_clock;
    CLogFile m_log{"TelHandler", 1000, m_clock};
    CRecordingSink m_link;
    CTelInfo m_info;
};

} // namespace

TEST_F(TelInfoTest, EveryRequestBecomesItsFrame) {
    EXPECT_EQ(Encode(TELMSG_LINE_CONTROL, 1), (Bytes{0x82, 0, 1}));
    EXPECT_EQ(Encode(TELMSG_LINE_CONTROL, 0), (Bytes{0x82, 0, 0}));
    EXPECT_EQ(Encode(TELMSG_SEND_RAW, 0, 0, {0x03, 0x10, 0x0F}), (Bytes{0x84, 0, 0x03, 0x10, 0x0F}));
    EXPECT_EQ(Encode(TELMSG_P100_LISTEN, 0, 3), (Bytes{0x87, 0, 3}));
    EXPECT_EQ(Encode(TELMSG_READ_INFO), (Bytes{0x8A, 0}));
    EXPECT_EQ(Encode(TELMSG_RESET_LINE), (Bytes{0x8B, 0}));
    EXPECT_EQ(Encode(TELMSG_VOICE_CALL, 1), (Bytes{0x8D, 0, 1}));
    EXPECT_EQ(Encode(TELMSG_CPC_REQUEST, 0, 4), (Bytes{0x8F, 0, 0, 6, 0, 1}));
    EXPECT_EQ(Encode(TELMSG_CPC_REQUEST, 0, 5), (Bytes{0x8F, 0, 0, 6, 0, 7}));
    EXPECT_EQ(Encode(TELMSG_RELAY, 1, 0), (Bytes{0x90, 0, 0, 1}));
    EXPECT_EQ(Encode(TELMSG_NET_SELECT, 0, 2), (Bytes{0x91, 0, 2, 0}));
    // An unknown CPC request kind has no digits.
    EXPECT_EQ(Encode(TELMSG_CPC_REQUEST, 0, 9), (Bytes{0x8F, 0}));
}

TEST_F(TelInfoTest, AKindThatIsNoRequestIsRefused) {
    EXPECT_FALSE(m_info.Encode(std::make_unique<CTelMsg>(TELMSG_RX_RECORD)));
    EXPECT_FALSE(m_info.Encode(nullptr));
    EXPECT_EQ(m_link.Size(), 0u);
    EXPECT_NE(
        CTempDir::ReadFile(m_dir.File("TelHandler.log")).find("CTelInfo::Encode: Unknown request kind: 7"),
        std::string::npos);
}

TEST_F(TelInfoTest, EveryReplyCodeDecodesToItsKind) {
    const std::vector<std::pair<std::uint8_t, std::uint16_t>> table{
        {0x87, TELMSG_RX_START_TIMEOUT}, {0x90, TELMSG_RX_START_TIMEOUT},   {0x88, TELMSG_RX_NO_MESSAGE},
        {0x8F, TELMSG_RX_NO_MESSAGE},    {0x89, TELMSG_RX_MESSAGE_TIMEOUT}, {0x8A, TELMSG_RX_CHECKSUM_ERROR},
        {0x8B, TELMSG_RX_TIMING_ERROR},
    };
    for (auto [code, kind] : table) {
        auto reply = Decode(code);
        ASSERT_TRUE(reply) << int(code);
        EXPECT_EQ(reply->Kind, kind) << int(code);
        EXPECT_FALSE(reply->Record);
    }
    for (std::uint8_t code : {0x81, 0x8C, 0x97, 0x85, 0x91}) {
        EXPECT_FALSE(Decode(code)) << int(code);
    }
}

TEST_F(TelInfoTest, ReportsOfTheTelephonesAreDecodedByTheirProtocol) {
    auto p100 = Decode(0x86, {2, 11, 1, 2, 3, 4, 5, 6, 7, 8, 10, 0xA, 0x5});
    ASSERT_TRUE(p100);
    EXPECT_EQ(p100->Kind, TELMSG_RX_RECORD);
    ASSERT_TRUE(p100->Record);
    EXPECT_EQ(p100->Record->MsgType, CTelHandlerMsg::MSGTYPE_OPFAIL);
    EXPECT_EQ(p100->Record->OfType, 11);
    EXPECT_EQ(p100->Record->OfData, 0xA5);

    // A P100 message the decoder rejects is reported like a start time-out.
    auto badP100 = Decode(0x86, {7, 8});
    ASSERT_TRUE(badP100);
    EXPECT_EQ(badP100->Kind, TELMSG_RX_START_TIMEOUT);

    auto cpc = Decode(0x8E, {0, 4, 1, 7, 1, 2, 3, 4, 5, 6, 7, 8});
    ASSERT_TRUE(cpc);
    ASSERT_TRUE(cpc->Record);
    EXPECT_EQ(cpc->Record->MsgType, CTelHandlerMsg::MSGTYPE_OPFAIL);
    EXPECT_EQ(cpc->Record->ID, "12345678");
    EXPECT_EQ(cpc->Record->Protocol, CTelHandlerMsg::PROTOCOL_CPC);
    // A CPC message the decoder rejects gives nothing at all.
    EXPECT_FALSE(Decode(0x8E, {0, 4, 1, 7, 1, 2, 3, 4, 5}));
}

TEST_F(TelInfoTest, TheModemInformationRecord) {
    auto reply = Decode(0x8D, {0x01, 0x50, 0x07, 12, 3, 2});
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->Kind, TELMSG_RX_SWHW_INFO);
    ASSERT_TRUE(reply->SwHwInfo);
    EXPECT_EQ(reply->SwHwInfo->SwVersion, 0x0150);
    EXPECT_EQ(reply->SwHwInfo->SwInfo, 0x07);
    EXPECT_EQ(reply->SwHwInfo->ModelId, 12);
    EXPECT_EQ(reply->SwHwInfo->HwVersion, 3);
    EXPECT_EQ(reply->SwHwInfo->InterfaceType, 2);
    // The information outlives the reply that carried it.
    std::shared_ptr<CSwHwInfo> kept = reply->SwHwInfo;
    reply.reset();
    EXPECT_EQ(kept->Major(), 1);
    EXPECT_EQ(kept->Minor(), 0x50);

    EXPECT_FALSE(Decode(0x8D, {0x01, 0x50, 0x07, 12, 3}));
    EXPECT_NE(CTempDir::ReadFile(m_dir.File("TelHandler.log")).find("Modem information too short: 5 bytes"),
              std::string::npos);
}
