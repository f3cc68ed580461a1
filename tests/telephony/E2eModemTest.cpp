// The station's link and telephone handler against modems that are old, new, silent, garbled or
// gone, over a real pseudo-terminal with real timing.

#include "E2eFixture.h"
#include "JumpClock.h"
#include "SimP100Phone.h"
#include "SimScenario.h"
#include "TelComHandler.h"
#include "TelHandler.h"
#include "Translate.h"

#include <fstream>
#include <sstream>

namespace {

class E2eModemTest : public CE2eTest {
protected:
    static STelHandlerConfig Config() {
        STelHandlerConfig config;
        config.PortNumber = PORT;
        config.RingSignals = 2;
        config.NetSelection = 2;
        return config;
    }

    static std::string ReadLog(const std::string& name) {
        std::ifstream in(name);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // A P100 telephone calls with an alarm; it arrives and the line is released.
    void ServeOneAlarm() {
        const std::size_t before = m_owner.Count(CE2eSink::Kind(MsgKind::TEL_ALARM));
        const std::uint64_t mark = m_modem.Recorder().LastSeq();
        auto phone = std::make_shared<CSimP100Phone>();
        ASSERT_TRUE(phone->AddMessage(CSimP100Phone::CODE_ALARM, "12345678"));
        m_modem.Call(phone, SSimRingPlan{4, 300, 300});
        ASSERT_TRUE(m_owner.WaitFor(CE2eSink::Kind(MsgKind::TEL_ALARM), before + 1, 10000));
        ASSERT_TRUE(m_modem.Recorder().WaitForEvent("line released", 5000, mark));
    }

    // Milliseconds between the frame the station sent last before `seq` ... and the next one.
    std::vector<SSimRecord> FromStation() const {
        std::vector<SSimRecord> out;
        for (const auto& r : m_modem.Recorder().Snapshot()) {
            if (r.Type == SSimRecord::FROM_STATION) {
                out.push_back(r);
            }
        }
        return out;
    }
};

TEST_F(E2eModemTest, ModemSoftware0141IsRefusedAndNoCallIsAnswered) {
    SSimModemInfo info;
    info.SwMajor = 0x01;
    info.SwMinor = 0x41;
    m_modem.SetInfo(info);
    CTelHandler handler(&m_owner);
    handler.Configure(Config());
    ASSERT_EQ(handler.Start(), CHandler::HANDLER_STARTED);

    ASSERT_TRUE(m_owner.WaitFor(CE2eSink::Status(TELSTATUS_SW_TOO_OLD), 1, 3000));
    const auto startup = m_owner.Tel(CE2eSink::Status(TELSTATUS_STARTUP_INFO));
    const auto tooOld = m_owner.Tel(CE2eSink::Status(TELSTATUS_SW_TOO_OLD));
    ASSERT_EQ(startup.size(), 5u);
    EXPECT_LE(startup.back().second, tooOld[0].second) << "the information lines come first";
    EXPECT_EQ(tooOld[0].first->Text, Text::TrF("IDS_TELHANDLER_MSG_17", 0x01u, 0x42u));

    // A call rings out unanswered: the station does not touch the line.
    auto phone = std::make_shared<CSimP100Phone>();
    ASSERT_TRUE(phone->AddMessage(CSimP100Phone::CODE_ALARM, "12345678"));
    m_modem.Call(phone, SSimRingPlan{3, 300, 300});
    ASSERT_TRUE(m_modem.Recorder().WaitForEvent("caller gave up", 5000));
    EXPECT_EQ(StationFramesWithCode(0x82), 0u);
    EXPECT_EQ(StationFramesWithCode(0x91), 0u);
    EXPECT_EQ(m_owner.Count(CE2eSink::Kind(MsgKind::TEL_ALARM)), 0u);
    EXPECT_EQ(handler.Stop(), CHandler::HANDLER_STOPPED);
    EXPECT_EQ(handler.State(), CTelHandler::TELHND_ST_RETRY_WAIT);
}

TEST_F(E2eModemTest, ModemSoftware0150GetsTheNetworkSelection) {
    CTelHandler handler(&m_owner);
    handler.Configure(Config());
    ASSERT_EQ(handler.Start(), CHandler::HANDLER_STARTED);
    ASSERT_TRUE(m_owner.WaitFor(CE2eSink::Status(TELSTATUS_STARTUP_INFO), 5, 3000));
    ASSERT_TRUE(m_modem.Recorder().WaitForEvent("network selection 2", 2000));
    const auto frames = StationFrames();
    const auto info = std::find(frames.begin(), frames.end(), FrameHex(0x8A, {0x00}));
    const auto select = std::find(frames.begin(), frames.end(), FrameHex(0x91, {0x00, 0x02, 0x00}));
    EXPECT_LT(info, select);
    EXPECT_NE(select, frames.end());
    EXPECT_EQ(m_modem.NetworkSelection(), 2);
    EXPECT_EQ(m_owner.Count(CE2eSink::Status(TELSTATUS_SW_TOO_OLD)), 0u);
    Pause(200);
    EXPECT_EQ(handler.Stop(), CHandler::HANDLER_STOPPED);
    EXPECT_EQ(handler.State(), CTelHandler::TELHND_ST_IDLE);
}

TEST_F(E2eModemTest, FiveSilentExchangesGiveOneTimeOutAndPollingResumesAfterTwoSeconds) {
    CTelComHandler link(&m_owner);
    link.Configure(PORT, 9600);
    ASSERT_EQ(link.Start(), CHandler::HANDLER_STARTED);
    ASSERT_TRUE(m_owner.WaitFor(CE2eSink::Kind(MsgKind::COM_STATUS_FLAGS), 1, 2000));
    Pause(200);

    const std::uint64_t mark = m_modem.Recorder().LastSeq();
    m_modem.InjectFault(SSimFault{ESimFault::SILENCE, 5, 0});
    ASSERT_TRUE(m_owner.WaitFor(CE2eSink::Kind(MsgKind::COM_TIMEOUT), 1, 3000));
    const std::size_t flagsBefore = m_owner.Count(CE2eSink::Kind(MsgKind::COM_STATUS_FLAGS));
    // The first reply after the pause is reported again, as if it were the first ever.
    ASSERT_TRUE(m_owner.WaitFor(CE2eSink::Kind(MsgKind::COM_STATUS_FLAGS), flagsBefore + 1, 4000));
    Pause(300);
    EXPECT_EQ(m_owner.Count(CE2eSink::Kind(MsgKind::COM_TIMEOUT)), 1u);
    EXPECT_EQ(link.Stop(), CHandler::HANDLER_STOPPED);

    std::vector<SSimRecord> after;
    for (const auto& r : FromStation()) {
        if (r.Seq > mark) {
            after.push_back(r);
        }
    }
    ASSERT_GE(after.size(), 7u);
    // Five sends of the same poll without a reply, then a pause of 2 s before the next one.
    for (std::size_t i = 1; i < 5; ++i) {
        EXPECT_EQ(after[i].Wire, after[0].Wire);
        EXPECT_GE(after[i].Tick - after[i - 1].Tick, 170u);
    }
    EXPECT_GE(after[5].Tick - after[4].Tick, 2000u) << "the 2 s pause after giving up";
    EXPECT_LT(after[5].Tick - after[4].Tick, 4000u) << "one pause, not two";
    EXPECT_LT(after[6].Tick - after[5].Tick, 1500u) << "normal polling again, no second pause";

    const std::string log = ReadLog("TelComHandler.log");
    EXPECT_NE(log.find("Reply Timeout, Aborting"), std::string::npos);
    EXPECT_NE(log.find("Communication restored after timeout"), std::string::npos);
}

TEST_F(E2eModemTest, ThreeInvalidRepliesRestartTheLinkAndTheNextCallIsServed) {
    CJumpClock clock;
    CTelHandler handler(&m_owner, clock);
    handler.Configure(Config());
    ASSERT_EQ(handler.Start(), CHandler::HANDLER_STARTED);
    ASSERT_TRUE(m_owner.WaitFor(CE2eSink::Status(TELSTATUS_STARTUP_INFO), 5, 3000));

    m_modem.InjectFault(SSimFault{ESimFault::INVALID_CODE, 2, 0x80});
    m_modem.InjectFault(SSimFault{ESimFault::INVALID_CODE, 1, 0x98});
    ASSERT_TRUE(m_owner.WaitFor(CE2eSink::Status(TELSTATUS_SERIAL_FAILURE), 1, 3000));
    const auto failure = m_owner.Tel(CE2eSink::Status(TELSTATUS_SERIAL_FAILURE));
    EXPECT_EQ(failure[0].first->Text, Text::Tr("IDS_TELHANDLER_MSG_2"));

    // The port is closed during the pause: nothing reaches the modem until the 2 s are over.
    Pause(100);
    const std::uint64_t sent = m_modem.FramesReceived();
    Pause(300);
    EXPECT_EQ(m_modem.FramesReceived(), sent);
    clock.Jump(CTelComHandler::FIRST_RESTART_PAUSE_MS);

    // The modem is checked again and the next call is served.
    ASSERT_TRUE(m_owner.WaitFor(CE2eSink::Status(TELSTATUS_STARTUP_INFO), 10, 3000));
    ServeOneAlarm();
    EXPECT_EQ(handler.Stop(), CHandler::HANDLER_STOPPED);
    EXPECT_EQ(m_owner.Count(CE2eSink::Status(TELSTATUS_SERIAL_FAILURE)), 1u);
    EXPECT_EQ(m_owner.Count(CE2eSink::Status(TELSTATUS_COM_TIMEOUT)), 0u);
    EXPECT_EQ(m_owner.Count(CE2eSink::Status(TELSTATUS_COM_ERROR)), 0u);

    const std::string log = ReadLog("TelComHandler.log");
    EXPECT_NE(log.find("Invalid RX command: 128, retrying: 1"), std::string::npos);
    EXPECT_NE(log.find("Invalid RX command: 128, retrying: 2"), std::string::npos);
    EXPECT_NE(log.find("Invalid RX command: 152, Aborting"), std::string::npos);
    EXPECT_NE(log.find("Port opened again, polling resumes"), std::string::npos);
}

// A USB adapter pulled out and put back: the station tries the port after 2, 4, 8 s ... and
// serves calls again once it is back, having told the operator once.
TEST_F(E2eModemTest, AnUnpluggedModemIsServedAgainOnceItIsPluggedBack) {
    CJumpClock clock;
    CTelHandler handler(&m_owner, clock);
    handler.Configure(Config());
    ASSERT_EQ(handler.Start(), CHandler::HANDLER_STARTED);
    ASSERT_TRUE(m_owner.WaitFor(CE2eSink::Status(TELSTATUS_STARTUP_INFO), 5, 3000));

    m_modem.Unplug();
    ASSERT_TRUE(m_owner.WaitFor(CE2eSink::Status(TELSTATUS_SERIAL_FAILURE), 1, 3000));
    Pause(100);
    clock.Jump(2000);
    Pause(200);
    clock.Jump(4000);
    Pause(200);
    const std::string log = ReadLog("TelComHandler.log");
    EXPECT_NE(log.find("Port cannot be opened, next try in 4000 ms"), std::string::npos);
    EXPECT_NE(log.find("Port cannot be opened, next try in 8000 ms"), std::string::npos);

    std::string error;
    ASSERT_TRUE(m_modem.Plug(error)) << error;
    clock.Jump(8000);
    ASSERT_TRUE(m_owner.WaitFor(CE2eSink::Status(TELSTATUS_STARTUP_INFO), 10, 3000));
    ServeOneAlarm();
    EXPECT_EQ(handler.Stop(), CHandler::HANDLER_STOPPED);
    EXPECT_EQ(m_owner.Count(CE2eSink::Status(TELSTATUS_SERIAL_FAILURE)), 1u);
    EXPECT_EQ(m_owner.Count(CE2eSink::Status(TELSTATUS_LINK_DOWN)), 0u);
}

TEST_F(E2eModemTest, EveryRecoverableFaultLeavesTheHandlerIdleWithTheAlarmReceivedOnce) {
    CTelHandler handler(&m_owner);
    STelHandlerConfig config = Config();
    handler.Configure(config);
    ASSERT_EQ(handler.Start(), CHandler::HANDLER_STARTED);
    ASSERT_TRUE(m_owner.WaitFor(CE2eSink::Status(TELSTATUS_STARTUP_INFO), 5, 3000));

    CSimScenario scenario;
    std::string error;
    ASSERT_TRUE(scenario.Parse("+0 fault garbage count=2\n"
                               "+500 fault badcheck count=2\n"
                               "+500 fault gap count=2\n"
                               "+500 fault truncate count=2\n"
                               "+500 fault invalid count=2 value=0x80\n"
                               "+500 fault reply97\n"
                               "+500 fault silence count=5\n"
                               "+3500 call p100 rings=3 ring=300 pause=300\n"
                               "p100 timing\n"
                               "p100 alarm 12345678\n"
                               "+1200 fault badcheck count=3\n"
                               "+1500 fault silence count=4\n"
                               "+1500 fault garbage value=30\n",
                               error))
        << error;
    scenario.Apply(m_modem, m_modem.Elapsed());

    ASSERT_TRUE(m_modem.Recorder().WaitForEvent("line released", 20000));
    // After the last fault the station checks the modem again and settles.
    const std::size_t lineOk = m_owner.Count(CE2eSink::Status(TELSTATUS_LINE_OK));
    ASSERT_TRUE(m_owner.WaitFor(CE2eSink::Status(TELSTATUS_LINE_OK), lineOk + 1, 3000));
    Pause(1500);
    // When the silence swallowed the line release, the modem still holds the line and the handler
    // resets it, which takes its 4.2 s.
    if (ReadLog("TelHandler.log").find("Modem Line Connect Error") != std::string::npos) {
        Pause(CTelHandler::RESET_MS + 500);
    }
    EXPECT_EQ(handler.Stop(), CHandler::HANDLER_STOPPED);
    EXPECT_EQ(handler.State(), CTelHandler::TELHND_ST_IDLE);

    const auto alarms = m_owner.Tel(CE2eSink::Kind(MsgKind::TEL_ALARM));
    ASSERT_EQ(alarms.size(), 1u);
    EXPECT_EQ(alarms[0].first->ID, "12345678");
    EXPECT_GE(m_owner.Count(CE2eSink::Status(TELSTATUS_COM_TIMEOUT)), 1u);
    EXPECT_EQ(m_owner.Count(CE2eSink::Status(TELSTATUS_SERIAL_FAILURE)), 0u);
}

} // namespace
