#include "TelHandler.h"
#include "MsgKinds.h"
#include "RecordingSink.h"
#include "TempDir.h"
#include "Translate.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

namespace {

using Bytes = std::vector<std::uint8_t>;

const std::map<std::string, std::string> TEXTS = {
    {"IDS_TELHANDLER_MSG_1", "Serial Transmission failure"},
    {"IDS_TELHANDLER_MSG_2", "Serial Reception failure"},
    {"IDS_TELHANDLER_MSG_3", "Modem Line Connect Error..."},
    {"IDS_TELHANDLER_MSG_4", "Modem TelComm Reset Error..."},
    {"IDS_TELHANDLER_MSG_5", "ModelId: %d"},
    {"IDS_TELHANDLER_MSG_6", "SwVersion: %02X.%02X"},
    {"IDS_TELHANDLER_MSG_7", "SwInfo: %02X"},
    {"IDS_TELHANDLER_MSG_8", "HwVersion: %d"},
    {"IDS_TELHANDLER_MSG_9", "InterfaceType: %d"},
    {"IDS_TELHANDLER_MSG_10", "Interface Type: Line"},
    {"IDS_TELHANDLER_MSG_11", "Interface Type: GSM"},
    {"IDS_TELHANDLER_MSG_12", "Interface Type: Unknown"},
    {"IDS_TELHANDLER_MSG_13", "HW Version: %d"},
    {"IDS_TELHANDLER_MSG_14", "SW Info: %02X"},
    {"IDS_TELHANDLER_MSG_15", "SW Version: %02X.%02X"},
    {"IDS_TELHANDLER_MSG_16", "B5100 Modem startup information:"},
    {"IDS_TELHANDLER_MSG_17", "Minimum ver. %02X.%02X required..."},
    {"IDS_TELHANDLER_MSG_18", "Modem type not supported, Brennvik 5100 required..."},
};

struct SStatus {
    std::uint16_t code;
    std::string text;
    std::uint16_t interfaceType;
    std::uint16_t signal;
};

class TelHandlerTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir.Enter();
        Text::SetTranslator([](const std::string& tag) {
            auto it = TEXTS.find(tag);
            return it != TEXTS.end() ? it->second : std::string(Text::NOT_AVAILABLE);
        });
        STelHandlerConfig config;
        config.RingSignals = 2;
        config.NetSelection = 3;
        config.CpcEnabled = 0;
        m_handler.Configure(config);
        m_handler.UseLink(&m_link);
        ASSERT_TRUE(m_handler.HandlerStart());
    }
    void TearDown() override {
        m_handler.HandlerEnd();
        Text::SetTranslator({});
    }

    void Step(int n = 1) {
        for (int i = 0; i < n; ++i) {
            m_handler.HandlerStep();
        }
    }
    // Lets time pass, one pass of the loop every 10 ms.
    void Pass(std::uint32_t ms) {
        for (std::uint32_t t = 0; t < ms; t += 10) {
            m_clock.Advance(9); // the pass itself sleeps 1 ms
            Step();
        }
    }
    void Deliver(MsgPtr msg) {
        m_handler.PutMsg(std::move(msg));
        Step();
    }
    void Flags(std::uint8_t flags) {
        auto msg = std::make_unique<CComMsg>(MsgKind::COM_STATUS_FLAGS);
        msg->Data[0] = 0x81;
        msg->Data[1] = flags;
        Deliver(std::move(msg));
    }
    void Reply(std::uint8_t code, std::uint8_t flags, const Bytes& params = {}) {
        auto msg = std::make_unique<CComMsg>(MsgKind::COM_REPLY);
        msg->Data[0] = code;
        msg->Data[1] = flags;
        std::copy(params.begin(), params.end(), msg->Data.begin() + 2);
        msg->Length = static_cast<std::uint16_t>(params.size());
        Deliver(std::move(msg));
    }
    void Link(std::uint16_t kind) { Deliver(std::make_unique<CComMsg>(kind)); }
    // A failure of the link; `before` counts the failures of the same outage before it.
    void LinkFailure(std::uint16_t kind, std::uint16_t before) {
        auto msg = std::make_unique<CComMsg>(kind);
        msg->LinkValue = before;
        Deliver(std::move(msg));
    }

    // The frames the handler gave the link since the last call, as command + data bytes.
    std::vector<Bytes> Sent() {
        std::vector<Bytes> out;
        for (auto& m : m_link.Take()) {
            auto* f = dynamic_cast<CComMsg*>(m.get());
            EXPECT_NE(f, nullptr);
            EXPECT_EQ(m->Kind, MsgKind::COM_TRANSMIT);
            if (f != nullptr) {
                out.emplace_back(f->Data.begin(), f->Data.begin() + 2 + f->Length);
            }
        }
        return out;
    }

    // What the handler reported to its owner since the last call.
    std::vector<SStatus> Statuses() {
        std::vector<SStatus> out;
        for (auto& m : m_owner.Take()) {
            if (m->Kind == MsgKind::TEL_STATUS) {
                auto* s = dynamic_cast<CTelHandlerMsg*>(m.get());
                out.push_back({s->Code, s->Text, s->InterfaceType, s->SignalLevel});
            } else {
                m_other.push_back(std::move(m));
            }
        }
        return out;
    }

    // Answers the start-up check with a modem of the given version and model.
    void AnswerInfo(std::uint8_t major, std::uint8_t minor, std::uint8_t model = 12, std::uint8_t iface = 1) {
        Step(3);
        ASSERT_EQ(Sent(), (std::vector<Bytes>{{0x8A, 0x00}}));
        Reply(0x8D, 0x90, {major, minor, 0x07, model, 3, iface});
        Step();
    }

    void ToIdle() {
        AnswerInfo(0x01, 0x45);
        Flags(0x90);
        Statuses();
        Sent();
        ASSERT_EQ(m_handler.State(), CTelHandler::TELHND_ST_IDLE);
    }

    int LogCount(const std::string& text) const {
        std::istringstream in(CTempDir::ReadFile(m_dir.File("TelHandler.log")));
        std::string line;
        int n = 0;
        while (std::getline(in, line)) {
            n += line.find(text) != std::string::npos ? 1 : 0;
        }
        return n;
    }

    CTempDir m_dir;
    CFakeClock m_clock{10000};
    CRecordingSink m_owner;
    CRecordingSink m_link;
    CTelHandler m_handler{&m_owner, m_clock};
    std::vector<MsgPtr> m_other;
};

// ---- start-up check of the modem --------------------------------------------------------------

TEST_F(TelHandlerTest, AModemOfVersion150IsReportedAndGetsTheNetworkSelection) {
    Flags(0x90); // the first flags come before the modem check
    Statuses();
    AnswerInfo(0x01, 0x50, 12, 2);
    const auto st = Statuses();
    ASSERT_EQ(st.size(), 6u);
    const std::vector<std::string> lines{"Interface Type: GSM", "HW Version: 3", "SW Info: 07",
                                         "SW Version: 01.50", "B5100 Modem startup information:"};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(st[i].code, TELSTATUS_STARTUP_INFO);
        EXPECT_EQ(st[i].text, lines[i]);
        EXPECT_EQ(st[i].interfaceType, 2);
    }
    // Then the line's state again, now with the interface type known.
    EXPECT_EQ(st[5].code, TELSTATUS_LINE_OK);
    EXPECT_EQ(st[5].interfaceType, 2);
    EXPECT_EQ(Sent(), (std::vector<Bytes>{{0x91, 0x00, 0x03, 0x00}}));
    EXPECT_EQ(m_handler.State(), CTelHandler::TELHND_ST_IDLE);
    EXPECT_EQ(LogCount("TelHandler::CheckSwHwInfo: ModelId: 12"), 1);
    EXPECT_EQ(LogCount("TelHandler::CheckSwHwInfo: SwVersion: 01.50"), 1);
    EXPECT_EQ(LogCount("TelHandler::CheckSwHwInfo: InterfaceType: 2"), 1);
}

TEST_F(TelHandlerTest, AModemOfVersion142GetsNoNetworkSelection) {
    AnswerInfo(0x01, 0x42);
    const auto st = Statuses();
    ASSERT_EQ(st.size(), 6u);
    EXPECT_EQ(st[5].code, TELSTATUS_NO_LINE);
    EXPECT_EQ(st[5].interfaceType, 1);
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(m_handler.State(), CTelHandler::TELHND_ST_IDLE);
}

TEST_F(TelHandlerTest, SoftwareOlderThan142IsRefusedAndCheckedAgainAfterTwentySeconds) {
    AnswerInfo(0x01, 0x41);
    const auto st = Statuses();
    ASSERT_EQ(st.size(), 6u);
    EXPECT_EQ(st[4].code, TELSTATUS_STARTUP_INFO);
    EXPECT_EQ(st[5].code, TELSTATUS_SW_TOO_OLD);
    EXPECT_EQ(st[5].text, "Minimum ver. 01.42 required...");
    EXPECT_EQ(LogCount("Modem SW Version Error"), 1);
    EXPECT_EQ(m_handler.State(), CTelHandler::TELHND_ST_RETRY_WAIT);
    EXPECT_TRUE(Sent().empty());

    // No call handling meanwhile: rings are not counted.
    for (int i = 0; i < 3; ++i) {
        Flags(0xB0);
        Flags(0x90);
    }
    EXPECT_EQ(m_handler.State(), CTelHandler::TELHND_ST_RETRY_WAIT);
    Pass(20000);
    Step(3);
    EXPECT_EQ(Sent(), (std::vector<Bytes>{{0x8A, 0x00}}));
}

TEST_F(TelHandlerTest, AnotherModelIsRefused) {
    AnswerInfo(0x02, 0x00, 11);
    const auto st = Statuses();
    ASSERT_EQ(st.size(), 1u);
    EXPECT_EQ(st[0].code, TELSTATUS_MODEL_NOT_SUPPORTED);
    EXPECT_EQ(st[0].text, "Modem type not supported, Brennvik 5100 required...");
    EXPECT_EQ(LogCount("TelHandler::CheckSwHwInfo: Modem type not supported"), 1);
    EXPECT_EQ(m_handler.State(), CTelHandler::TELHND_ST_RETRY_WAIT);
}

TEST_F(TelHandlerTest, NoAnswerToTheInformationRequestIsAComErrorThatWaitsBeforeTheNextTry) {
    Step(3);
    EXPECT_EQ(Sent().size(), 1u);
    Pass(4300);
    EXPECT_EQ(LogCount("TELHND_RSRET_COM_ERROR"), 1);
    auto st = Statuses();
    ASSERT_EQ(st.size(), 1u);
    EXPECT_EQ(st[0].code, TELSTATUS_COM_ERROR);
    EXPECT_EQ(st[0].text, "");
    EXPECT_EQ(m_handler.State(), CTelHandler::TELHND_ST_COM_ERROR_WAIT);
    Pass(19000);
    EXPECT_TRUE(Sent().empty());
    Pass(1100);
    Step(2);
    EXPECT_EQ(Sent(), (std::vector<Bytes>{{0x8A, 0x00}}));
}

// ---- link messages ----------------------------------------------------------------------------

TEST_F(TelHandlerTest, FlagsAndSignalBecomeStatusReports) {
    ToIdle();
    Flags(0x80);
    Flags(0x90);
    Flags(0xB0);
    auto st = Statuses();
    ASSERT_EQ(st.size(), 3u);
    EXPECT_EQ(st[0].code, TELSTATUS_NO_LINE);
    EXPECT_EQ(st[1].code, TELSTATUS_LINE_OK);
    EXPECT_EQ(st[2].code, TELSTATUS_RING);
    EXPECT_EQ(m_handler.ModemFlags(), 0xB0);

    for (auto [raw, percent] :
         std::vector<std::pair<int, int>>{{12, 45}, {4, 0}, {21, 100}, {5, 0}, {20, 100}}) {
        auto msg = std::make_unique<CComMsg>(MsgKind::COM_SIGNAL_LEVEL);
        msg->LinkValue = static_cast<std::uint16_t>(raw);
        Deliver(std::move(msg));
        st = Statuses();
        ASSERT_EQ(st.size(), 1u);
        EXPECT_EQ(st[0].code, TELSTATUS_LINE_OK);
        EXPECT_EQ(st[0].signal, percent) << raw;
    }
    EXPECT_EQ(CTelHandler::SignalPercent(13), 50);
}

// The link opens its port again by itself: the operator is told once per outage, the handler waits
// without time-out reports and checks the modem again when the link is back.
TEST_F(TelHandlerTest, ALinkFailureIsToldOnceAndTheModemCheckedAgainWhenTheLinkIsBack) {
    ToIdle();
    LinkFailure(MsgKind::COM_RX_FAILURE, 0);
    auto st = Statuses();
    ASSERT_EQ(st.size(), 1u);
    EXPECT_EQ(st[0].code, TELSTATUS_SERIAL_FAILURE);
    EXPECT_EQ(st[0].text, "Serial Reception failure");
    EXPECT_EQ(LogCount("Serial Reception Failure"), 1);
    EXPECT_EQ(m_handler.State(), CTelHandler::TELHND_ST_LINK_DOWN);
    Pass(70000);
    EXPECT_TRUE(Statuses().empty()) << "no time-out or error reports while the link restarts";
    EXPECT_TRUE(Sent().empty());

    // Back for a moment, then down again in the same outage: only the pane changes.
    Flags(0x90);
    Step(3);
    EXPECT_EQ(Sent(), (std::vector<Bytes>{{0x8A, 0x00}}));
    LinkFailure(MsgKind::COM_TX_FAILURE, 1);
    st = Statuses();
    ASSERT_EQ(st.size(), 2u);
    EXPECT_EQ(st[0].code, TELSTATUS_LINE_OK);
    EXPECT_EQ(st[1].code, TELSTATUS_LINK_DOWN);
    EXPECT_EQ(m_handler.State(), CTelHandler::TELHND_ST_LINK_DOWN);
    Pass(5000);
    EXPECT_TRUE(Statuses().empty()) << "the interrupted modem check reports nothing";

    Flags(0x90);
    AnswerInfo(0x01, 0x45);
    EXPECT_EQ(m_handler.State(), CTelHandler::TELHND_ST_IDLE);
    EXPECT_FALSE(m_handler.LinkDown());
}

TEST_F(TelHandlerTest, ACallInProgressEndsWhenTheLinkFails) {
    ToIdle();
    for (int ring = 0; ring < 2; ++ring) {
        Flags(0xB0);
        Pass(1000);
        Flags(0x90);
        Pass(500);
    }
    Step(3);
    EXPECT_EQ(Sent(), (std::vector<Bytes>{{0x82, 0x00, 0x01}}));
    Statuses();
    LinkFailure(MsgKind::COM_RX_FAILURE, 0);
    Pass(500);
    EXPECT_EQ(LogCount("TELHND_ST_INCOMING: Incoming call done"), 1);
    EXPECT_EQ(m_handler.State(), CTelHandler::TELHND_ST_LINK_DOWN);
    const auto st = Statuses();
    ASSERT_EQ(st.size(), 1u) << "the pane keeps the failure, no line OK after the call";
    EXPECT_EQ(st[0].code, TELSTATUS_SERIAL_FAILURE);
}

TEST_F(TelHandlerTest, ARestartDropsWhatWaitedForTheHandlerButKeepsTheUnattendedMode) {
    ToIdle();
    m_handler.HandlerEnd();
    auto relay = std::make_unique<CTelHandlerMsg>(MsgKind::TEL_SET_RELAY);
    relay->RelayNo = 1;
    relay->Flag = 1;
    m_handler.PutMsg(std::move(relay));
    m_handler.PutMsg(std::make_unique<CTelHandlerMsg>(MsgKind::TEL_ABORT_VOICE_CALL));
    auto unattended = std::make_unique<CTelHandlerMsg>(MsgKind::TEL_UNATTENDED_MODE);
    unattended->Flag = 1;
    m_handler.PutMsg(std::move(unattended));
    auto report = std::make_unique<CComMsg>(MsgKind::COM_STATUS_FLAGS);
    report->Data[1] = 0x94;
    m_handler.PutMsg(std::move(report));

    ASSERT_TRUE(m_handler.HandlerStart());
    EXPECT_EQ(m_handler.CallMgr().Unattended(), 1);
    Step(3);
    EXPECT_EQ(Sent(), (std::vector<Bytes>{{0x8A, 0x00}})) << "the modem check comes first, no old relay";
    EXPECT_EQ(m_handler.ModemFlags(), 0);
    EXPECT_EQ(LogCount("Dropped 3 messages of the previous run"), 1);
}

TEST_F(TelHandlerTest, RequestsOfTheUserInterface) {
    ToIdle();
    auto relay = std::make_unique<CTelHandlerMsg>(MsgKind::TEL_SET_RELAY);
    relay->RelayNo = 1;
    relay->Flag = 1;
    Deliver(std::move(relay));
    EXPECT_EQ(Sent(), (std::vector<Bytes>{{0x90, 0x00, 0x01, 0x01}}));

    auto unattended = std::make_unique<CTelHandlerMsg>(MsgKind::TEL_UNATTENDED_MODE);
    unattended->Flag = 1;
    Deliver(std::move(unattended));
    EXPECT_EQ(m_handler.CallMgr().Unattended(), 1);

    // A P100 message typed by hand is decoded as if the modem had reported it.
    auto raw = std::make_unique<CComMsg>(MsgKind::TEL_RAW_P100);
    raw->Data[0] = 0x86;
    const Bytes payload{3, 8, 1, 2, 3, 4, 5, 6, 7, 8};
    std::copy(payload.begin(), payload.end(), raw->Data.begin() + 2);
    raw->Length = static_cast<std::uint16_t>(payload.size());
    Deliver(std::move(raw));
    auto bad = std::make_unique<CComMsg>(MsgKind::TEL_RAW_P100);
    bad->Data[2] = 9;
    bad->Length = 1;
    Deliver(std::move(bad));
    Statuses();
    ASSERT_EQ(m_other.size(), 1u);
    auto* record = dynamic_cast<CTelHandlerMsg*>(m_other[0].get());
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->Kind, MsgKind::TEL_ALARM);
    EXPECT_EQ(record->MsgType, CTelHandlerMsg::MSGTYPE_TESTALARM);
    EXPECT_EQ(record->ID, "12345678");
    EXPECT_EQ(LogCount("P100 test message could not be decoded"), 1);
}

// ---- primitives (the modem does not hold the line here, or idle would reset it) ----------------

TEST_F(TelHandlerTest, SendReceiveMapsEveryReportOfTheModem) {
    ToIdle();
    const std::vector<std::pair<std::uint8_t, std::uint16_t>> reports{
        {0x87, TELHND_SRRET_START_TIMEOUT},
        {0x88, TELHND_SRRET_RETRIES_EXCEEDED},
        {0x8C, 0}, // no meaning: decodes to nothing, the wait goes on
    };
    std::unique_ptr<CTelHandlerMsg> record;
    for (auto [code, expected] : reports) {
        EXPECT_EQ(m_handler.SendReceive(TELHND_PROTOCOL_P100, 2, record), TELHND_SRRET_BUSY);
        EXPECT_TRUE(Sent().empty()); // the first call only arms
        EXPECT_EQ(m_handler.SendReceive(TELHND_PROTOCOL_P100, 2, record), TELHND_SRRET_BUSY);
        EXPECT_EQ(Sent(), (std::vector<Bytes>{{0x87, 0x00, 0x02}}));
        Flags(0xD0); // busy listening
        EXPECT_EQ(m_handler.SendReceive(TELHND_PROTOCOL_P100, 2, record), TELHND_SRRET_BUSY);
        Reply(code, 0x90);
        const std::uint16_t r = m_handler.SendReceive(TELHND_PROTOCOL_P100, 2, record);
        EXPECT_EQ(r, expected) << int(code);
        Flags(0x90);
        if (r == 0) {
            Pass(6300);
            EXPECT_EQ(m_handler.SendReceive(TELHND_PROTOCOL_P100, 2, record), TELHND_SRRET_COM_ERROR);
        }
        EXPECT_FALSE(record);
    }
}

TEST_F(TelHandlerTest, AfterAMessageTimeOutTheListenIsNotSentAgain) {
    ToIdle();
    std::unique_ptr<CTelHandlerMsg> record;
    m_handler.SendReceive(TELHND_PROTOCOL_P100, 1, record);
    m_handler.SendReceive(TELHND_PROTOCOL_P100, 1, record);
    EXPECT_EQ(Sent().size(), 1u);
    Flags(0xD0);
    m_handler.SendReceive(TELHND_PROTOCOL_P100, 1, record);
    Reply(0x89, 0xD0);
    EXPECT_EQ(m_handler.SendReceive(TELHND_PROTOCOL_P100, 1, record), TELHND_SRRET_MESSAGE_TIMEOUT);
    // The next report may come at once, before the protocol calls again.
    Reply(0x8A, 0xD0);
    EXPECT_EQ(m_handler.SendReceive(TELHND_PROTOCOL_P100, 1, record), TELHND_SRRET_CHECKSUM_ERROR);
    EXPECT_EQ(m_handler.SendReceive(TELHND_PROTOCOL_P100, 1, record), TELHND_SRRET_BUSY);
    Reply(0x8B, 0xD0);
    EXPECT_EQ(m_handler.SendReceive(TELHND_PROTOCOL_P100, 1, record), TELHND_SRRET_TIMING_ERROR);
    Reply(0x86, 0x90, {0, 8, 1, 2, 3, 4, 5, 6, 7, 8});
    EXPECT_EQ(m_handler.SendReceive(TELHND_PROTOCOL_P100, 1, record), TELHND_SRRET_RECEIVE_OK);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->ID, "12345678");
    EXPECT_EQ(record->MsgType, CTelHandlerMsg::MSGTYPE_ALARM);
    EXPECT_TRUE(Sent().empty());
    // The primitive is free again: the next call arms anew.
    EXPECT_EQ(m_handler.SendReceive(TELHND_PROTOCOL_P100, 2, record), TELHND_SRRET_BUSY);
    EXPECT_TRUE(Sent().empty());
}

TEST_F(TelHandlerTest, AReportBeforeTheModemWasSeenBusyIsNotLost) {
    ToIdle();
    std::unique_ptr<CTelHandlerMsg> record;
    m_handler.SendReceive(TELHND_PROTOCOL_P100, 1, record);
    m_handler.SendReceive(TELHND_PROTOCOL_P100, 1, record);
    Reply(0x86, 0x90, {3, 8, 8, 7, 6, 5, 4, 3, 2, 1});
    EXPECT_EQ(m_handler.SendReceive(TELHND_PROTOCOL_P100, 1, record), TELHND_SRRET_RECEIVE_OK);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->ID, "87654321");
}

TEST_F(TelHandlerTest, ARejectedP100MessageCountsAsAStartTimeOut) {
    ToIdle();
    std::unique_ptr<CTelHandlerMsg> record;
    m_handler.SendReceive(TELHND_PROTOCOL_P100, 1, record);
    m_handler.SendReceive(TELHND_PROTOCOL_P100, 1, record);
    Flags(0xD0);
    m_handler.SendReceive(TELHND_PROTOCOL_P100, 1, record);
    Reply(0x86, 0x90, {0, 9, 1, 2, 3, 4, 5, 6, 7, 8, 9});
    EXPECT_EQ(m_handler.SendReceive(TELHND_PROTOCOL_P100, 1, record), TELHND_SRRET_START_TIMEOUT);
    EXPECT_FALSE(record);
    EXPECT_EQ(LogCount("Invalid P100 Message length, received: 9, expected: 8"), 1);
}

TEST_F(TelHandlerTest, CpcRequestsAndReports) {
    ToIdle();
    std::unique_ptr<CTelHandlerMsg> record;
    m_handler.SendReceive(TELHND_PROTOCOL_CPC, 0, record);
    m_handler.SendReceive(TELHND_PROTOCOL_CPC, 0, record);
    EXPECT_EQ(Sent(), (std::vector<Bytes>{{0x8F, 0x00, 0, 2, 1}}));
    Flags(0xD0);
    m_handler.SendReceive(TELHND_PROTOCOL_CPC, 0, record);
    Reply(0x8E, 0x90, {0, 2, 5});
    EXPECT_EQ(m_handler.SendReceive(TELHND_PROTOCOL_CPC, 0, record), TELHND_SRRET_RECEIVE_OK);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->MsgType, CTelHandlerMsg::MSGTYPE_MODELCODE);
    EXPECT_EQ(record->Value, 5);
    record.reset();

    for (auto [code, expected] : std::vector<std::pair<std::uint8_t, std::uint16_t>>{
             {0x8F, TELHND_SRRET_RETRIES_EXCEEDED}, {0x90, TELHND_SRRET_START_TIMEOUT}}) {
        m_handler.SendReceive(TELHND_PROTOCOL_CPC, 1, record);
        m_handler.SendReceive(TELHND_PROTOCOL_CPC, 1, record);
        Flags(0xD0);
        m_handler.SendReceive(TELHND_PROTOCOL_CPC, 1, record);
        Reply(code, 0x90);
        EXPECT_EQ(m_handler.SendReceive(TELHND_PROTOCOL_CPC, 1, record), expected);
        Flags(0x90);
    }

    // Digits the decoder rejects give no report: the exchange ends in its time-out.
    m_handler.SendReceive(TELHND_PROTOCOL_CPC, 1, record);
    m_handler.SendReceive(TELHND_PROTOCOL_CPC, 1, record);
    Flags(0xD0);
    m_handler.SendReceive(TELHND_PROTOCOL_CPC, 1, record);
    Reply(0x8E, 0x90, {0, 1, 2});
    std::uint16_t r = 0;
    for (int i = 0; i < 700 && r == 0; ++i) {
        r = m_handler.SendReceive(TELHND_PROTOCOL_CPC, 1, record);
        m_clock.Advance(10);
    }
    EXPECT_EQ(r, TELHND_SRRET_COM_ERROR);
}

TEST_F(TelHandlerTest, SendReceiveEndsInAComErrorWhenTheModemNeverGetsBusyOrTheLinkGivesUp) {
    ToIdle();
    std::unique_ptr<CTelHandlerMsg> record;
    m_handler.SendReceive(TELHND_PROTOCOL_P100, 1, record);
    m_handler.SendReceive(TELHND_PROTOCOL_P100, 1, record);
    m_clock.Advance(1699);
    EXPECT_EQ(m_handler.SendReceive(TELHND_PROTOCOL_P100, 1, record), TELHND_SRRET_BUSY);
    m_clock.Advance(1);
    EXPECT_EQ(m_handler.SendReceive(TELHND_PROTOCOL_P100, 1, record), TELHND_SRRET_COM_ERROR);

    m_handler.SendReceive(TELHND_PROTOCOL_P100, 1, record);
    m_handler.SendReceive(TELHND_PROTOCOL_P100, 1, record);
    Flags(0xD0);
    m_handler.SendReceive(TELHND_PROTOCOL_P100, 1, record);
    Link(MsgKind::COM_TIMEOUT);
    EXPECT_TRUE(m_handler.ComError());
    EXPECT_EQ(m_handler.SendReceive(TELHND_PROTOCOL_P100, 1, record), TELHND_SRRET_COM_ERROR);
    // A report that comes late is not taken for a later exchange.
    Reply(0x86, 0x90, {0, 8, 1, 2, 3, 4, 5, 6, 7, 8});
    EXPECT_FALSE(m_handler.ComError());
    m_handler.SendReceive(TELHND_PROTOCOL_P100, 1, record);
    m_handler.SendReceive(TELHND_PROTOCOL_P100, 1, record);
    Flags(0xD0);
    EXPECT_EQ(m_handler.SendReceive(TELHND_PROTOCOL_P100, 1, record), TELHND_SRRET_BUSY);
    EXPECT_FALSE(record);
}

TEST_F(TelHandlerTest, SendRawWaitsForTheModemToBeBusyAndDone) {
    ToIdle();
    CBufferMsg bytes;
    bytes.Data[0] = 0x03;
    bytes.Data[1] = 0x10;
    bytes.Data[2] = 0x0F;
    bytes.Length = 3;
    EXPECT_EQ(m_handler.SendRaw(bytes), TELHND_RAWRET_BUSY);
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(m_handler.SendRaw(bytes), TELHND_RAWRET_BUSY);
    EXPECT_EQ(Sent(), (std::vector<Bytes>{{0x84, 0x00, 0x03, 0x10, 0x0F}}));
    Flags(0xD0);
    EXPECT_EQ(m_handler.SendRaw(bytes), TELHND_RAWRET_BUSY);
    EXPECT_EQ(m_handler.SendRaw(bytes), TELHND_RAWRET_BUSY);
    Flags(0x90);
    EXPECT_EQ(m_handler.SendRaw(bytes), TELHND_RAWRET_SENT);

    // Never busy: a communication error after 1.7 s.
    m_handler.SendRaw(bytes);
    m_handler.SendRaw(bytes);
    m_clock.Advance(1700);
    EXPECT_EQ(m_handler.SendRaw(bytes), TELHND_RAWRET_COM_ERROR);
    // Busy for longer than 6.2 s: also an error.
    m_handler.SendRaw(bytes);
    m_handler.SendRaw(bytes);
    Flags(0xD0);
    m_handler.SendRaw(bytes);
    m_clock.Advance(6200);
    EXPECT_EQ(m_handler.SendRaw(bytes), TELHND_RAWRET_COM_ERROR);
}

TEST_F(TelHandlerTest, LineControlFollowsTheConnectedFlag) {
    ToIdle();
    EXPECT_EQ(m_handler.LineConnect(1), TELHND_LCRET_BUSY);
    EXPECT_EQ(Sent(), (std::vector<Bytes>{{0x82, 0x00, 0x01}}));
    EXPECT_EQ(m_handler.LineConnect(1), TELHND_LCRET_BUSY);
    m_handler.PutMsg([] {
        auto m = std::make_unique<CComMsg>(MsgKind::COM_STATUS_FLAGS);
        m->Data[1] = 0x94;
        return m;
    }());
    m_handler.HandlerStep();
    EXPECT_EQ(m_handler.LineConnect(1), TELHND_LCRET_OK);

    EXPECT_EQ(m_handler.LineConnect(0), TELHND_LCRET_BUSY);
    m_clock.Advance(1700);
    EXPECT_EQ(m_handler.LineConnect(0), TELHND_LCRET_COM_ERROR);

    EXPECT_EQ(m_handler.LineConnect(0), TELHND_LCRET_BUSY);
    Link(MsgKind::COM_TIMEOUT);
    EXPECT_EQ(m_handler.LineConnect(0), TELHND_LCRET_COM_ERROR);
}

// ---- recovery states --------------------------------------------------------------------------

TEST_F(TelHandlerTest, ALineHeldWithoutACallIsReset) {
    ToIdle();
    Flags(0x94);
    auto st = Statuses();
    ASSERT_EQ(st.size(), 2u);
    EXPECT_EQ(st[1].code, TELSTATUS_COM_ERROR);
    EXPECT_EQ(st[1].text, "Modem Line Connect Error...");
    EXPECT_EQ(m_handler.State(), CTelHandler::TELHND_ST_LINE_RESET);
    Step(2);
    EXPECT_EQ(Sent(), (std::vector<Bytes>{{0x8B, 0x00}}));
    Flags(0x90); // the reset let the line go
    Pass(4300);
    EXPECT_EQ(m_handler.State(), CTelHandler::TELHND_ST_IDLE);
    EXPECT_EQ(LogCount("Modem Line Connect Error"), 1);
}

TEST_F(TelHandlerTest, ALineThatStaysHeldAfterTheResetIsRetriedAfterTwentySeconds) {
    ToIdle();
    Flags(0x94);
    Pass(4300);
    auto st = Statuses();
    ASSERT_EQ(st.size(), 3u);
    EXPECT_EQ(st[2].text, "Modem TelComm Reset Error...");
    EXPECT_EQ(m_handler.State(), CTelHandler::TELHND_ST_RETRY_WAIT);
    EXPECT_EQ(LogCount("Modem TelComm Reset Error"), 1);
    Pass(20000);
    Step(3);
    auto sent = Sent();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back(), (Bytes{0x8A, 0x00}));
}

TEST_F(TelHandlerTest, RingsWhileTheModemHoldsTheLineAreNotCounted) {
    ToIdle();
    Flags(0xB4); // ringing, but the line is held: the reset comes first
    EXPECT_EQ(m_handler.State(), CTelHandler::TELHND_ST_LINE_RESET);
    Flags(0x94);
    Pass(1000);
    Flags(0xB4);
    Pass(1000);
    Flags(0x90); // the reset let the line go
    Pass(2300);
    EXPECT_EQ(m_handler.State(), CTelHandler::TELHND_ST_IDLE);
    // One more signal is not enough: the ones during the reset did not count.
    Flags(0xB0);
    Pass(1000);
    Flags(0x90);
    Pass(500);
    EXPECT_EQ(m_handler.State(), CTelHandler::TELHND_ST_IDLE);
    Flags(0xB0);
    Pass(1000);
    Flags(0x90);
    Step(2);
    EXPECT_EQ(m_handler.State(), CTelHandler::TELHND_ST_INCOMING);
}

TEST_F(TelHandlerTest, ACommunicationTimeOutIsReportedAndEndsWithTheNextFlags) {
    ToIdle();
    Link(MsgKind::COM_TIMEOUT);
    Step(2);
    EXPECT_EQ(LogCount("TELHND_ST_IDLE: Com Timeout"), 1);
    auto st = Statuses();
    ASSERT_EQ(st.size(), 1u);
    EXPECT_EQ(st[0].code, TELSTATUS_COM_TIMEOUT);
    EXPECT_EQ(m_handler.State(), CTelHandler::TELHND_ST_COM_WAIT);
    Flags(0x90);
    Step(3);
    // Back to the start: the modem is checked again.
    EXPECT_EQ(Sent(), (std::vector<Bytes>{{0x8A, 0x00}}));
}

TEST_F(TelHandlerTest, ATimeOutLastingSixtySecondsBecomesAComErrorUntilTheLinkRecovers) {
    ToIdle();
    Link(MsgKind::COM_TIMEOUT);
    Pass(60100);
    auto st = Statuses();
    ASSERT_EQ(st.size(), 2u);
    EXPECT_EQ(st[0].code, TELSTATUS_COM_TIMEOUT);
    EXPECT_EQ(st[1].code, TELSTATUS_COM_ERROR);
    EXPECT_EQ(st[1].text, "");
    EXPECT_EQ(m_handler.State(), CTelHandler::TELHND_ST_COM_ERROR_WAIT);
    Pass(100000);
    EXPECT_EQ(m_handler.State(), CTelHandler::TELHND_ST_COM_ERROR_WAIT);
    Flags(0x90);
    Step(3);
    EXPECT_EQ(Sent(), (std::vector<Bytes>{{0x8A, 0x00}}));
}

// ---- a whole call through the handler, with the real P100 protocol -----------------------------

TEST_F(TelHandlerTest, AP100AlarmCallFromRingToRelease) {
    ToIdle();
    for (int ring = 0; ring < 2; ++ring) {
        Flags(0xB0);
        Pass(1000);
        Flags(0x90);
        Pass(500);
    }
    auto st = Statuses();
    ASSERT_FALSE(st.empty());
    EXPECT_EQ(st.back().code, TELSTATUS_INCOMING_CALL);
    EXPECT_EQ(m_handler.State(), CTelHandler::TELHND_ST_INCOMING);
    EXPECT_EQ(LogCount("TELHND_ST_IDLE: No of ring signals accepted"), 1);

    Step(3);
    EXPECT_EQ(Sent(), (std::vector<Bytes>{{0x82, 0x00, 0x01}}));
    Flags(0x94);
    Pass(1100); // pre-delay
    Step(3);
    EXPECT_EQ(Sent(), (std::vector<Bytes>{{0x87, 0x00, 0x01}}));
    Flags(0xD4);
    Step(2);
    Reply(0x86, 0x94, {0, 8, 1, 2, 3, 4, 5, 6, 7, 8});
    Flags(0x94);
    Step(2);
    Statuses();
    ASSERT_EQ(m_other.size(), 1u);
    auto* record = dynamic_cast<CTelHandlerMsg*>(m_other[0].get());
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->Kind, MsgKind::TEL_ALARM);
    EXPECT_EQ(record->ID, "12345678");
    EXPECT_EQ(record->Protocol, CTelHandlerMsg::PROTOCOL_P100);

    Pass(2100); // post-delay
    EXPECT_EQ(Sent(), (std::vector<Bytes>{{0x82, 0x00, 0x00}}));
    Flags(0x90);
    Step(2);
    st = Statuses();
    ASSERT_FALSE(st.empty());
    EXPECT_EQ(st.back().code, TELSTATUS_LINE_OK);
    EXPECT_EQ(m_handler.State(), CTelHandler::TELHND_ST_IDLE);
    EXPECT_EQ(LogCount("TELHND_ST_INCOMING: Incoming call done"), 1);
    EXPECT_EQ(m_other.size(), 1u);
}

} // namespace
