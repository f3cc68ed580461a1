// Whole calls over a real pseudo-terminal: the simulated modem rings with a scripted lift
// telephone, the station's telephone handler answers, receives the alarm and releases the line.
// Real time throughout; each call takes a few seconds.

#include "E2eFixture.h"
#include "SimCpcPhone.h"
#include "SimP100Phone.h"
#include "TelHandler.h"

#include <algorithm>

namespace {

class E2eCallTest : public CE2eTest {
protected:
    // Starts the handler and waits until it has checked the modem and sits idle.
    void StartStation(const STelHandlerConfig& config) {
        m_handler.Configure(config);
        ASSERT_EQ(m_handler.Start(), CHandler::HANDLER_STARTED);
        ASSERT_TRUE(m_owner.WaitFor(CE2eSink::Status(TELSTATUS_STARTUP_INFO), 5, 3000));
        Pause(100);
    }

    // Waits until the modem has seen the line released after a call and the handler reported
    // the line free again.
    void WaitForCallEnd(std::uint32_t timeoutMs) {
        ASSERT_TRUE(m_modem.Recorder().WaitForEvent("line released", timeoutMs));
        const std::size_t before = m_owner.Count(CE2eSink::Status(TELSTATUS_LINE_OK));
        ASSERT_TRUE(m_owner.WaitFor(CE2eSink::Status(TELSTATUS_LINE_OK), before + 1, 2000));
    }

    static STelHandlerConfig Config() {
        STelHandlerConfig config;
        config.PortNumber = PORT;
        config.RingSignals = 2;
        config.CpcEnabled = 0;
        config.VoiceCallEnabled = 0;
        return config;
    }

    std::vector<std::pair<const CTelHandlerMsg*, std::uint64_t>> Alarms() const {
        return m_owner.Tel(CE2eSink::Kind(MsgKind::TEL_ALARM));
    }

    CTelHandler m_handler{&m_owner};
};

TEST_F(E2eCallTest, P100AlarmFromTheFirstRingToTheLineRelease) {
    StartStation(Config());
    auto phone = std::make_shared<CSimP100Phone>();
    ASSERT_TRUE(phone->AddMessage(CSimP100Phone::CODE_ALARM, "12345678"));
    m_modem.Call(phone, SSimRingPlan{4, 300, 300});

    WaitForCallEnd(10000);
    ASSERT_TRUE(m_modem.Recorder().HasEvent("answered after 2 ring signals"));
    EXPECT_GE(m_owner.Count(CE2eSink::Status(TELSTATUS_RING)), 1u);
    EXPECT_EQ(m_owner.Count(CE2eSink::Status(TELSTATUS_INCOMING_CALL)), 1u);

    const auto alarms = Alarms();
    ASSERT_EQ(alarms.size(), 1u);
    const CTelHandlerMsg& alarm = *alarms[0].first;
    EXPECT_EQ(alarm.MsgType, CTelHandlerMsg::MSGTYPE_ALARM);
    EXPECT_EQ(alarm.ID, "12345678");
    EXPECT_EQ(alarm.IdType, 1);
    EXPECT_EQ(alarm.Protocol, CTelHandlerMsg::PROTOCOL_P100);

    // On the wire: take the line, listen with attempt 1, acknowledge the report in the very next
    // poll, release the line; nothing is said to a P100 telephone after a plain alarm.
    const auto frames = StationFrames();
    const auto at = [&frames](const std::string& hex) {
        return std::find(frames.begin(), frames.end(), hex) - frames.begin();
    };
    const auto take = at(FrameHex(0x82, {0x00, 0x01}));
    const auto listen = at(FrameHex(0x87, {0x00, 0x01}));
    const auto release = at(FrameHex(0x82, {0x00, 0x00}));
    ASSERT_LT(take, static_cast<long>(frames.size()));
    EXPECT_LT(take, listen);
    EXPECT_LT(listen, release);
    ASSERT_LT(release, static_cast<long>(frames.size()));
    EXPECT_EQ(StationFramesWithCode(0x84), 0u);

    const auto records = m_modem.Recorder().Snapshot();
    bool checked = false;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (!records[i].IsTo(0x86)) {
            continue;
        }
        for (std::size_t j = i + 1; j < records.size(); ++j) {
            if (records[j].Type == SSimRecord::FROM_STATION) {
                EXPECT_EQ(SSimFrame::Hex(records[j].Wire), "81 01 80 FF");
                checked = true;
                break;
            }
        }
    }
    EXPECT_TRUE(checked);
    EXPECT_FALSE(m_modem.CallActive());
}

TEST_F(E2eCallTest, CpcAlarmCarriesTheTelephonesModelCode) {
    STelHandlerConfig config = Config();
    config.CpcEnabled = 1;
    StartStation(config);
    auto phone = std::make_shared<CSimCpcPhone>();
    ASSERT_TRUE(phone->Configure(5, 17, "1234567"));
    // One missing answer on the way: the station asks again.
    phone->AddTrouble(CSimCpcPhone::REQ_ALARMCODE, CSimCpcPhone::TROUBLE_SILENT);
    m_modem.Call(phone, SSimRingPlan{4, 300, 300});

    WaitForCallEnd(12000);
    const auto alarms = Alarms();
    ASSERT_EQ(alarms.size(), 1u);
    const CTelHandlerMsg& alarm = *alarms[0].first;
    EXPECT_EQ(alarm.MsgType, CTelHandlerMsg::MSGTYPE_OPFAIL);
    EXPECT_EQ(alarm.OfType, 2);
    EXPECT_EQ(alarm.Value, 5) << "model code";
    EXPECT_EQ(alarm.ID, "1234567");
    EXPECT_EQ(alarm.IdType, 1);
    EXPECT_EQ(alarm.Protocol, CTelHandlerMsg::PROTOCOL_CPC);

    // Identification, alarm code twice, acknowledgement of an operational failure, disconnect.
    std::vector<std::string> cpc;
    for (const auto& hex : StationFrames()) {
        if (hex.rfind("8F", 0) == 0) {
            cpc.push_back(hex);
        }
    }
    const std::vector<std::string> expected = {FrameHex(0x8F, {0, 0, 2, 1}), FrameHex(0x8F, {0, 0, 3}),
                                               FrameHex(0x8F, {0, 0, 3}), FrameHex(0x8F, {0, 0, 5, 2}),
                                               FrameHex(0x8F, {0, 0, 6, 0, 1})};
    EXPECT_EQ(cpc, expected);
    EXPECT_EQ(StationFramesWithCode(0x87), 0u) << "P100 is not tried after a CPC alarm";
    EXPECT_TRUE(phone->HungUp());
}

// The telephone answered "Ack OK" to the acknowledgement and holds the alarm for delivered: a
// refused or unanswered disconnect must not lose it, and nobody listens for P100 on the CPC call.
TEST_F(E2eCallTest, CpcAlarmIsDeliveredWhenTheTelephoneRefusesOrIgnoresTheDisconnect) {
    STelHandlerConfig config = Config();
    config.CpcEnabled = 1;
    StartStation(config);
    auto refusing = std::make_shared<CSimCpcPhone>();
    ASSERT_TRUE(refusing->Configure(5, 26, "1234567"));
    refusing->AddTrouble(CSimCpcPhone::REQ_DISCONNECT, CSimCpcPhone::TROUBLE_REFUSE);
    m_modem.Call(refusing, SSimRingPlan{4, 300, 300});
    WaitForCallEnd(12000);

    const std::uint64_t mark = m_modem.Recorder().LastSeq();
    auto silent = std::make_shared<CSimCpcPhone>();
    ASSERT_TRUE(silent->Configure(3, 17, "7654321"));
    silent->AddTrouble(CSimCpcPhone::REQ_DISCONNECT, CSimCpcPhone::TROUBLE_SILENT, 2);
    m_modem.Call(silent, SSimRingPlan{4, 300, 300});
    ASSERT_TRUE(m_modem.Recorder().WaitForEvent("line released", 12000, mark));
    ASSERT_TRUE(m_owner.WaitFor(CE2eSink::Kind(MsgKind::TEL_ALARM), 2, 3000));

    const auto alarms = Alarms();
    ASSERT_EQ(alarms.size(), 2u);
    EXPECT_EQ(alarms[0].first->MsgType, CTelHandlerMsg::MSGTYPE_TESTALARM);
    EXPECT_EQ(alarms[0].first->ID, "1234567");
    EXPECT_EQ(alarms[1].first->MsgType, CTelHandlerMsg::MSGTYPE_OPFAIL);
    EXPECT_EQ(alarms[1].first->ID, "7654321");
    EXPECT_EQ(alarms[1].first->Value, 3) << "model code";
    EXPECT_EQ(refusing->Requests(CSimCpcPhone::REQ_DISCONNECT), 1);
    EXPECT_EQ(silent->Requests(CSimCpcPhone::REQ_DISCONNECT), 2);
    EXPECT_EQ(StationFramesWithCode(0x87), 0u) << "no P100 listening on a CPC call";
    EXPECT_EQ(m_modem.Recorder().Count([](const SSimRecord& r) {
        return r.Type == SSimRecord::EVENT && r.Text.find("line released") != std::string::npos;
    }),
              2u);
}

TEST_F(E2eCallTest, P100UserIdAndUserDataStream) {
    StartStation(Config());
    auto phone = std::make_shared<CSimP100Phone>();
    ASSERT_TRUE(phone->AddMessage(CSimP100Phone::CODE_USERID, "87654321"));
    ASSERT_TRUE(phone->AddUserData({0xA1, 0x0F}));
    phone->AddTrouble(SSimP100Step::CHECKSUM);
    ASSERT_TRUE(phone->AddUserData({0x01, 0x02, 0x03}));
    m_modem.Call(phone, SSimRingPlan{4, 300, 300});

    // After the stream the telephone is silent: 15 start time-outs end the call.
    WaitForCallEnd(20000);
    const auto alarms = Alarms();
    ASSERT_EQ(alarms.size(), 2u);
    for (const auto& [msg, us] : alarms) {
        EXPECT_EQ(msg->MsgType, CTelHandlerMsg::MSGTYPE_USERDATA);
        EXPECT_EQ(msg->ID, "87654321");
        EXPECT_EQ(msg->IdType, 1);
        EXPECT_EQ(msg->Protocol, CTelHandlerMsg::PROTOCOL_P100);
    }
    ASSERT_EQ(alarms[0].first->UserDataLen, 2);
    EXPECT_EQ(alarms[0].first->UserData[0], 0xA1);
    EXPECT_EQ(alarms[0].first->UserData[1], 0x0F);
    ASSERT_EQ(alarms[1].first->UserDataLen, 3);
    EXPECT_EQ(alarms[1].first->UserData[2], 0x03);

    // Three listens for the messages, then 15 more with rising attempt numbers.
    EXPECT_EQ(StationFramesWithCode(0x87), 18u);
    const auto frames = StationFrames();
    EXPECT_NE(std::find(frames.begin(), frames.end(), FrameHex(0x87, {0x00, 15})), frames.end());
}

TEST_F(E2eCallTest, VoiceCallPickedUpAndHungUp) {
    STelHandlerConfig config = Config();
    config.VoiceCallEnabled = 1;
    StartStation(config);
    auto phone = std::make_shared<CSimP100Phone>();
    ASSERT_TRUE(phone->AddMessage(CSimP100Phone::CODE_VOICE, "11223344"));
    m_modem.SetOperatorPlan(SSimOperatorPlan{1500, 3000});
    m_modem.Call(phone, SSimRingPlan{4, 300, 300});

    WaitForCallEnd(20000);
    const auto alarms = Alarms();
    ASSERT_EQ(alarms.size(), 1u);
    EXPECT_EQ(alarms[0].first->MsgType, CTelHandlerMsg::MSGTYPE_VOICE);
    EXPECT_EQ(alarms[0].first->ID, "11223344");

    // The operator's telephone rang from 300 s down, once a second, until it was picked up; the
    // conversation counts down from what was left plus 180 s; the hang-up is reported once.
    const auto notify = m_owner.Tel([](const CMsg& m) {
        const auto* t = dynamic_cast<const CTelHandlerMsg*>(&m);
        return m.Kind == MsgKind::TEL_CALL_EVENT && t != nullptr && (t->Value == 1 || t->Value == 2);
    });
    const auto talk = m_owner.Tel(CE2eSink::Event(3));
    ASSERT_GE(notify.size(), 2u);
    ASSERT_GE(talk.size(), 1u);
    EXPECT_EQ(notify[0].first->Value, 2);
    EXPECT_EQ(notify[0].first->Seconds, 300);
    EXPECT_EQ(notify[1].first->Value, 1);
    EXPECT_EQ(notify[1].first->Seconds, 299);
    EXPECT_EQ(talk[0].first->Seconds, notify.back().first->Seconds - 1 + 180);
    EXPECT_EQ(m_owner.Count(CE2eSink::Event(4)), 1u);
    EXPECT_EQ(m_owner.Count(CE2eSink::Event(5)), 0u);

    // Voice on, voice off, then the P100 disconnect and the release.
    const auto frames = StationFrames();
    const auto at = [&frames](const std::string& hex) {
        return std::find(frames.begin(), frames.end(), hex) - frames.begin();
    };
    const auto on = at(FrameHex(0x8D, {0x00, 0x01}));
    const auto off = at(FrameHex(0x8D, {0x00, 0x00}));
    const auto disconnect = at(FrameHex(0x84, {0x00, 0x0F}));
    const auto release = at(FrameHex(0x82, {0x00, 0x00}));
    ASSERT_LT(release, static_cast<long>(frames.size()));
    EXPECT_LT(on, off);
    EXPECT_LT(off, disconnect);
    EXPECT_LT(disconnect, release);
    EXPECT_TRUE(phone->HungUp());
    EXPECT_FALSE(m_modem.VoiceCallOn());
}

} // namespace
