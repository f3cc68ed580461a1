#include "IncomingCallMgr.h"
#include "FakeProtCom.h"
#include "FakeTelLine.h"
#include "MsgKinds.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

namespace {

using Msgs = std::vector<std::unique_ptr<CTelHandlerMsg>>;

struct SEvent {
    std::uint16_t value;
    std::uint16_t seconds;
    std::uint32_t at; // ms since the call began
};

class IncomingCallTest : public ::testing::Test {
protected:
    void SetUp() override { m_dir.Enter(); }

    void Make(bool cpcEnabled, std::int32_t voiceEnabled, std::int16_t ringSignals = 2,
              std::int32_t nord = 0) {
        auto cpc = std::make_unique<CFakeProtCom>(false);
        auto p100 = std::make_unique<CFakeProtCom>(true);
        m_cpc = cpc.get();
        m_p100 = p100.get();
        m_mgr = std::make_unique<CIncomingCallMgr>(m_clock, std::move(cpc), std::move(p100));
        m_mgr->Init(&m_line, nullptr, voiceEnabled, &m_log, 1, cpcEnabled ? 1 : 0, ringSignals, nord);
    }

    // Steps the call every stepMs until it returns the end message (or maxMs pass); onStep sees the
    // milliseconds since the start before each step.
    Msgs RunCall(std::function<void(std::uint32_t)> onStep = {}, std::uint32_t maxMs = 700000,
                 std::uint32_t stepMs = 10) {
        Msgs out;
        m_events.clear();
        const std::uint32_t start = m_clock.Tick();
        for (std::uint32_t t = 0; t <= maxMs; t += stepMs) {
            if (onStep) {
                onStep(t);
            }
            if (auto msg = m_mgr->IncomingCall(m_comError)) {
                if (msg->Kind == MsgKind::TEL_CALL_EVENT) {
                    m_events.push_back({msg->Value, msg->Seconds, m_clock.Tick() - start});
                }
                const bool end = msg->Kind == MsgKind::TEL_CALL_FINISHED;
                out.push_back(std::move(msg));
                if (end) {
                    return out;
                }
            }
            m_clock.Advance(stepMs);
        }
        ADD_FAILURE() << "the call did not end";
        return out;
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

    static std::vector<std::uint16_t> Kinds(const Msgs& msgs) {
        std::vector<std::uint16_t> kinds;
        for (const auto& m : msgs) {
            if (m->Kind != MsgKind::TEL_CALL_EVENT) {
                kinds.push_back(m->Kind);
            }
        }
        return kinds;
    }

    CTempDir m_dir;
    CFakeClock m_clock{100000};
    CFakeTelLine m_line;
    CLogFile m_log{"TelHandler", 1000, m_clock};
    std::unique_ptr<CIncomingCallMgr> m_mgr;
    CFakeProtCom* m_cpc = nullptr;
    CFakeProtCom* m_p100 = nullptr;
    bool m_comError = false;
    std::vector<SEvent> m_events;
};

// ---- ring detection ----------------------------------------------------------------------------

class RingDetectTest : public IncomingCallTest {
protected:
    // Holds the ring bit at `ring` for ms, stepping every 10 ms; true when an answer was decided.
    bool Hold(bool ring, std::uint32_t ms) {
        m_line.SetFlag(TELFLAG_RING, ring);
        bool answered = false;
        for (std::uint32_t t = 0; t < ms; t += 10) {
            answered = m_mgr->RingDetect() || answered;
            m_clock.Advance(10);
        }
        return answered;
    }
};

TEST_F(RingDetectTest, TwoSignalsWithAShortPauseAreAnsweredAtTheEndOfTheSecond) {
    Make(false, 0, 2);
    EXPECT_FALSE(Hold(true, 1000));
    EXPECT_FALSE(Hold(false, 4000));
    EXPECT_EQ(m_mgr->RingCount(), 1);
    EXPECT_FALSE(Hold(true, 1000));
    EXPECT_TRUE(Hold(false, 10));
    EXPECT_EQ(m_mgr->RingStateNow(), CIncomingCallMgr::ICMGR_RDST_IDLE);
    EXPECT_EQ(LogCount("CIncomingCallMgr::RingDetect: ICMGR_RDST_IDLE: Ring signal detected"), 1);
    EXPECT_EQ(LogCount("CIncomingCallMgr::RingDetect: ICMGR_RDST_RING_DURATION: Ring signal pause"), 1);
    EXPECT_EQ(LogCount("CIncomingCallMgr::RingDetect: ICMGR_RDST_RING_PAUSE: Ring signal detected"), 1);
    EXPECT_EQ(LogCount("CIncomingCallMgr::RingDetect: ICMGR_RDST_RING_DURATION: No of ring signals accepted"),
              1);
}

TEST_F(RingDetectTest, APauseOverTenSecondsStartsTheCountAgain) {
    Make(false, 0, 2);
    EXPECT_FALSE(Hold(true, 1000));
    EXPECT_FALSE(Hold(false, 10010));
    EXPECT_EQ(m_mgr->RingStateNow(), CIncomingCallMgr::ICMGR_RDST_IDLE);
    EXPECT_EQ(LogCount("Timeout between ring signals"), 1);
    // This signal is the first of a new sequence.
    EXPECT_FALSE(Hold(true, 1000));
    EXPECT_FALSE(Hold(false, 3000));
    EXPECT_FALSE(Hold(true, 1000));
    EXPECT_TRUE(Hold(false, 10));
}

TEST_F(RingDetectTest, ASignalLongerThanThreeSecondsStartsTheCountAgain) {
    Make(false, 0, 2);
    EXPECT_FALSE(Hold(true, 1000));
    EXPECT_FALSE(Hold(false, 2000));
    EXPECT_FALSE(Hold(true, 3010)); // too long: the count starts again with this very signal
    EXPECT_EQ(LogCount("Timeout between ring signals"), 1);
    EXPECT_FALSE(Hold(false, 2000));
    EXPECT_EQ(m_mgr->RingCount(), 1);
    EXPECT_FALSE(Hold(true, 1000));
    EXPECT_TRUE(Hold(false, 10));
}

TEST_F(RingDetectTest, ZeroSignalsNeverAnswers) {
    Make(false, 0, 0);
    for (int i = 0; i < 10; ++i) {
        EXPECT_FALSE(Hold(true, 1000));
        EXPECT_FALSE(Hold(false, 2000));
    }
    EXPECT_EQ(LogCount("Ring signal detected"), 0);
}

TEST_F(RingDetectTest, OneSignalIsAnsweredWhenItEnds) {
    Make(false, 0, 1);
    EXPECT_FALSE(Hold(true, 2000));
    EXPECT_TRUE(Hold(false, 10));
}

// ---- the call by ReceiveMsg result -------------------------------------------------------------

TEST_F(IncomingCallTest, AnAlarmIsReturnedAndTheLineReleasedAfterTwoSeconds) {
    Make(false, 0);
    m_p100->receive = {{PROTCOM_RMRET_DONE, CTelHandlerMsg::MSGTYPE_ALARM, "12345678"}};
    std::uint32_t lastT = 0;
    Msgs msgs = RunCall([&](std::uint32_t t) { lastT = t; });
    ASSERT_EQ(Kinds(msgs), (std::vector<std::uint16_t>{42, 46}));
    EXPECT_EQ(msgs[0]->ID, "12345678");
    EXPECT_EQ(m_line.lineRequests, (std::vector<std::int32_t>{1, 0}));
    EXPECT_EQ(m_p100->disconnectCalls, 0);
    // 1 s before the protocol starts and 2 s after the alarm.
    EXPECT_GE(lastT, 3000u);
    EXPECT_LT(lastT, 3200u);
    EXPECT_EQ(m_mgr->State(), CIncomingCallMgr::ICMGR_ICST_IDLE);
    EXPECT_EQ(LogCount("CIncomingCallMgr::IncomingCall: ICMGR_ICST_IDLE"), 1);
    EXPECT_EQ(LogCount("ICMGR_ICST_LINE_CONNECT: Line connect OK"), 1);
    EXPECT_EQ(LogCount("ICMGR_ICST_PRE_DELAY: Delay done"), 1);
    EXPECT_EQ(LogCount("ICMGR_ICST_POST_DELAY: Delay done"), 1);
    EXPECT_EQ(LogCount("ICMGR_ICST_LINE_DISCONNECT: TELHND_LCRET_OK"), 1);
}

TEST_F(IncomingCallTest, AfterACpcTimeOutTheP100TelephoneIsServed) {
    Make(true, 0);
    ASSERT_EQ(m_mgr->ProtocolCount(), 2);
    m_cpc->receive = {{PROTCOM_RMRET_RECEIVE_TIMEOUT}};
    m_p100->receive = {{PROTCOM_RMRET_DONE, CTelHandlerMsg::MSGTYPE_TESTALARM, "87654321"}};
    Msgs msgs = RunCall();
    EXPECT_EQ(Kinds(msgs), (std::vector<std::uint16_t>{42, 46}));
    EXPECT_EQ(LogCount("ICMGR_ICST_RECEIVE_MSG: Protocol receive timeout"), 1);
    EXPECT_GT(m_p100->receiveCalls, 0);
}

TEST_F(IncomingCallTest, WithCpcDisabledOnlyP100IsTried) {
    Make(false, 0);
    ASSERT_EQ(m_mgr->ProtocolCount(), 1);
    Msgs msgs = RunCall(); // P100 times out
    EXPECT_EQ(Kinds(msgs), (std::vector<std::uint16_t>{46}));
    EXPECT_EQ(m_cpc->receiveCalls, 0);
    EXPECT_EQ(m_line.lineRequests, (std::vector<std::int32_t>{1, 0}));
}

TEST_F(IncomingCallTest, WhenEveryProtocolTimesOutTheLineIsReleased) {
    Make(true, 0);
    Msgs msgs = RunCall();
    EXPECT_EQ(Kinds(msgs), (std::vector<std::uint16_t>{46}));
    EXPECT_GT(m_cpc->receiveCalls, 0);
    EXPECT_GT(m_p100->receiveCalls, 0);
    EXPECT_EQ(LogCount("Protocol receive timeout"), 2);
    EXPECT_EQ(m_cpc->disconnectCalls + m_p100->disconnectCalls, 0);
}

TEST_F(IncomingCallTest, AReceiveErrorSaysGoodbyeWithTheSameProtocol) {
    Make(true, 0);
    m_cpc->receive = {{PROTCOM_RMRET_RECEIVE_ERROR}};
    m_cpc->disconnect = {PROTCOM_SDRET_RECEIVE_TIMEOUT};
    Msgs msgs = RunCall();
    EXPECT_EQ(Kinds(msgs), (std::vector<std::uint16_t>{46}));
    EXPECT_EQ(m_cpc->disconnectCalls, 2);
    EXPECT_EQ(m_p100->receiveCalls, 0);
    EXPECT_EQ(LogCount("ICMGR_ICST_RECEIVE_MSG: Protocol receive error"), 1);
    EXPECT_EQ(LogCount("ICMGR_ICST_SEND_DISCONNECT: PROTCOM_SDRET_RECEIVE_TIMEOUT"), 1);
}

TEST_F(IncomingCallTest, ACommunicationErrorReleasesTheLineAtOnce) {
    Make(true, 0);
    m_cpc->receive = {{PROTCOM_RMRET_COM_ERROR}};
    Msgs msgs = RunCall();
    EXPECT_EQ(Kinds(msgs), (std::vector<std::uint16_t>{46}));
    EXPECT_EQ(m_cpc->disconnectCalls, 0);
    EXPECT_EQ(m_p100->receiveCalls, 0);
    EXPECT_EQ(LogCount("ICMGR_ICST_RECEIVE_MSG: Serial communication error"), 1);
}

TEST_F(IncomingCallTest, MessagesArePassedOnWhileTheProtocolKeepsReceiving) {
    Make(false, 0);
    m_p100->receive = {{PROTCOM_RMRET_MESSAGE, CTelHandlerMsg::MSGTYPE_USERDATA, "11112222"},
                       {PROTCOM_RMRET_MESSAGE, CTelHandlerMsg::MSGTYPE_USERDATA, "11112222"},
                       {PROTCOM_RMRET_RECEIVE_TIMEOUT}};
    Msgs msgs = RunCall();
    ASSERT_EQ(Kinds(msgs), (std::vector<std::uint16_t>{42, 42, 46}));
    EXPECT_EQ(msgs[1]->MsgType, CTelHandlerMsg::MSGTYPE_USERDATA);
}

TEST_F(IncomingCallTest, TheLineIsReleasedAndTheEndReportedEvenWhenLineControlFails) {
    Make(false, 0);
    m_line.lineResults = {TELHND_LCRET_COM_ERROR, TELHND_LCRET_COM_ERROR};
    Msgs msgs = RunCall();
    EXPECT_EQ(Kinds(msgs), (std::vector<std::uint16_t>{46}));
    EXPECT_EQ(m_line.lineRequests, (std::vector<std::int32_t>{1, 0}));
    EXPECT_EQ(m_p100->receiveCalls, 0);
    EXPECT_EQ(LogCount("ICMGR_ICST_LINE_CONNECT: Serial communication error"), 1);
    EXPECT_EQ(LogCount("ICMGR_ICST_LINE_DISCONNECT: TELHND_LCRET_COM_ERROR"), 1);
}

TEST_F(IncomingCallTest, AVoiceAlarmWithoutVoiceCallsIsDisconnected) {
    Make(false, 0);
    m_p100->receive = {{PROTCOM_RMRET_VOICE, CTelHandlerMsg::MSGTYPE_VOICE, "12345678"}};
    Msgs msgs = RunCall();
    ASSERT_EQ(Kinds(msgs), (std::vector<std::uint16_t>{42, 46}));
    EXPECT_EQ(msgs[0]->MsgType, CTelHandlerMsg::MSGTYPE_VOICE);
    EXPECT_EQ(m_p100->disconnectCalls, 2);
    EXPECT_TRUE(m_line.voiceCalls.empty());
}

TEST_F(IncomingCallTest, UnattendedVoiceWithP100IsRedirectedAndMarked) {
    Make(true, 1, 2, 1);
    m_mgr->SetUnattended(1);
    m_p100->receive = {{PROTCOM_RMRET_VOICE, CTelHandlerMsg::MSGTYPE_VOICE, "12345678"}};
    Msgs msgs = RunCall();
    ASSERT_EQ(Kinds(msgs), (std::vector<std::uint16_t>{42, 46}));
    EXPECT_EQ(msgs[0]->MsgType, CTelHandlerMsg::MSGTYPE_VOICE_REDIRECTED);
    EXPECT_EQ(m_p100->redirectModes, (std::vector<std::int32_t>{1, 1}));
    EXPECT_EQ(m_p100->disconnectCalls, 0);
    EXPECT_TRUE(m_line.voiceCalls.empty());
    EXPECT_EQ(LogCount("ICMGR_ICST_SEND_REDIRECT: PROTCOM_SDRET_DONE"), 1);
}

TEST_F(IncomingCallTest, UnattendedVoiceWithCpcIsDisconnected) {
    Make(true, 1);
    m_mgr->SetUnattended(1);
    m_cpc->receive = {{PROTCOM_RMRET_VOICE, CTelHandlerMsg::MSGTYPE_VOICE, "1234567"}};
    Msgs msgs = RunCall();
    ASSERT_EQ(Kinds(msgs), (std::vector<std::uint16_t>{42, 46}));
    EXPECT_EQ(msgs[0]->MsgType, CTelHandlerMsg::MSGTYPE_VOICE);
    EXPECT_EQ(m_cpc->disconnectCalls, 2);
    EXPECT_EQ(m_cpc->redirectCalls, 0);
}

TEST_F(IncomingCallTest, AFailedRedirectStillReleasesTheLine) {
    Make(false, 1);
    m_mgr->SetUnattended(1);
    m_p100->receive = {{PROTCOM_RMRET_VOICE, CTelHandlerMsg::MSGTYPE_VOICE, "12345678"}};
    m_p100->redirect = {PROTCOM_SDRET_COM_ERROR};
    Msgs msgs = RunCall();
    EXPECT_EQ(Kinds(msgs), (std::vector<std::uint16_t>{42, 46}));
    EXPECT_EQ(LogCount("ICMGR_ICST_SEND_REDIRECT: PROTCOM_SDRET_COM_ERROR"), 1);
}

// ---- voice call phases -------------------------------------------------------------------------

TEST_F(IncomingCallTest, TheOperatorHasThreeHundredSecondsToPickUp) {
    Make(false, 1, 2, 0);
    m_p100->receive = {{PROTCOM_RMRET_VOICE, CTelHandlerMsg::MSGTYPE_VOICE, "12345678"}};
    Msgs msgs = RunCall();
    ASSERT_EQ(m_events.size(), 301u);
    for (std::size_t i = 0; i < 300; ++i) {
        const std::uint16_t seconds = static_cast<std::uint16_t>(300 - i);
        EXPECT_EQ(m_events[i].seconds, seconds);
        EXPECT_EQ(m_events[i].value, seconds % 5 == 0 ? 2 : 1) << seconds;
        if (i > 0) {
            EXPECT_EQ(m_events[i].at - m_events[i - 1].at, 1000u);
        }
    }
    EXPECT_EQ(m_events[0].value, 2);
    EXPECT_EQ(m_events[5].seconds, 295);
    EXPECT_EQ(m_events[5].value, 2);
    EXPECT_EQ(m_events[300].value, CIncomingCallMgr::ICMGR_EVENT_TIME_LIMIT);
    EXPECT_EQ(m_events[300].at - m_events[0].at, 300000u);
    EXPECT_EQ(m_line.voiceCalls, (std::vector<std::int32_t>{1, 0}));
    // P100 can redirect: the unanswered call goes on to the next number.
    EXPECT_EQ(m_p100->redirectCalls, 2);
    EXPECT_EQ(LogCount("ICMGR_ICST_VOICECALL_NOTIFY - Timeout"), 1);
    EXPECT_EQ(Kinds(msgs), (std::vector<std::uint16_t>{42, 46}));
}

TEST_F(IncomingCallTest, PickingUpAfterOneHundredSecondsLeavesThreeHundredEightySeconds) {
    Make(false, 1);
    m_p100->receive = {{PROTCOM_RMRET_VOICE, CTelHandlerMsg::MSGTYPE_VOICE, "12345678"}};
    std::uint32_t firstTick = 0;
    RunCall([&](std::uint32_t t) {
        if (firstTick == 0 && !m_events.empty()) {
            firstTick = t;
        }
        // Off hook 99.5 s after the operator's telephone began to ring.
        if (firstTick != 0 && t >= firstTick + 99500) {
            m_line.SetFlag(TELFLAG_OFF_HOOK, true);
        }
    });
    std::vector<SEvent> talk;
    for (const auto& e : m_events) {
        if (e.value == CIncomingCallMgr::ICMGR_EVENT_VOICE_CALL) {
            talk.push_back(e);
        }
    }
    ASSERT_EQ(talk.size(), 380u);
    EXPECT_EQ(talk.front().seconds, 380);
    EXPECT_EQ(talk.back().seconds, 1);
    EXPECT_EQ(m_events[99].seconds, 201); // the last ringing second
    EXPECT_EQ(m_events.back().value, CIncomingCallMgr::ICMGR_EVENT_TIME_LIMIT);
    // 480 s from the first ring of the operator's telephone to the end.
    EXPECT_EQ(m_events.back().at - m_events.front().at, 480000u);
    EXPECT_EQ(LogCount("ICMGR_ICST_VOICECALL_NOTIFY: Off Hook Detected"), 1);
    // After a conversation the telephone is disconnected, not redirected.
    EXPECT_EQ(m_p100->disconnectCalls, 2);
    EXPECT_EQ(m_p100->redirectCalls, 0);
}

TEST_F(IncomingCallTest, HangingUpEndsTheConversationAfterTheGraceTime) {
    Make(false, 1);
    m_p100->receive = {{PROTCOM_RMRET_VOICE, CTelHandlerMsg::MSGTYPE_VOICE, "12345678"}};
    std::uint32_t start = 0;
    RunCall([&](std::uint32_t t) {
        if (start == 0 && !m_events.empty()) {
            start = t;
        }
        if (start == 0) {
            return;
        }
        const std::uint32_t s = t - start;
        // Picked up at 10 s; a bounce on hook inside the 2 s grace time; hung up at 30 s.
        m_line.SetFlag(TELFLAG_OFF_HOOK, (s >= 10000 && s < 10500) || (s >= 11000 && s < 30000));
    });
    ASSERT_FALSE(m_events.empty());
    EXPECT_EQ(m_events.back().value, CIncomingCallMgr::ICMGR_EVENT_HUNG_UP);
    EXPECT_GE(m_events.back().at - m_events.front().at, 30000u);
    EXPECT_LT(m_events.back().at - m_events.front().at, 30100u);
    EXPECT_EQ(LogCount("ICMGR_ICST_VOICECALL_COMM: OnHook Detected"), 1);
    EXPECT_EQ(m_line.voiceCalls, (std::vector<std::int32_t>{1, 0}));
    EXPECT_EQ(m_p100->disconnectCalls, 2);
}

TEST_F(IncomingCallTest, AnAbortDuringRingingRedirectsWithP100AndDisconnectsWithCpc) {
    for (bool cpc : {false, true}) {
        Make(cpc, 1);
        CFakeProtCom* proto = cpc ? m_cpc : m_p100;
        proto->receive = {{PROTCOM_RMRET_VOICE, CTelHandlerMsg::MSGTYPE_VOICE, "12345678"}};
        m_line.voiceCalls.clear();
        RunCall([&](std::uint32_t) {
            if (m_events.size() == 10) {
                m_mgr->Abort();
            }
        });
        EXPECT_EQ(m_events.back().value, CIncomingCallMgr::ICMGR_EVENT_ABORTED);
        EXPECT_EQ(m_events.size(), 11u);
        EXPECT_EQ(m_line.voiceCalls, (std::vector<std::int32_t>{1, 0}));
        EXPECT_EQ(proto->redirectCalls, cpc ? 0 : 2);
        EXPECT_EQ(proto->disconnectCalls, cpc ? 2 : 0);
    }
    EXPECT_EQ(LogCount("ICMGR_ICST_VOICECALL_NOTIFY: Aborted"), 2);
}

TEST_F(IncomingCallTest, TheAbortFlagIsClearedForTheNextCall) {
    Make(false, 1);
    m_mgr->Abort();
    m_p100->receive = {{PROTCOM_RMRET_VOICE, CTelHandlerMsg::MSGTYPE_VOICE, "12345678"}};
    RunCall([&](std::uint32_t) {
        if (m_events.size() == 3) {
            m_line.SetFlag(TELFLAG_OFF_HOOK, true);
        }
    });
    EXPECT_EQ(m_events.back().value, CIncomingCallMgr::ICMGR_EVENT_TIME_LIMIT);
}

TEST_F(IncomingCallTest, ACommunicationErrorDuringTheVoiceCallReleasesTheLine) {
    Make(false, 1);
    m_p100->receive = {{PROTCOM_RMRET_VOICE, CTelHandlerMsg::MSGTYPE_VOICE, "12345678"}};
    Msgs msgs = RunCall([&](std::uint32_t) { m_comError = m_events.size() >= 5; });
    EXPECT_EQ(m_events.back().value, CIncomingCallMgr::ICMGR_EVENT_ABORTED);
    EXPECT_EQ(m_p100->redirectCalls + m_p100->disconnectCalls, 0);
    EXPECT_EQ(Kinds(msgs), (std::vector<std::uint16_t>{42, 46}));
    EXPECT_EQ(LogCount("ICMGR_ICST_VOICECALL_NOTIFY: ComTimeout"), 1);
}

TEST_F(IncomingCallTest, TimeUpdatesAreSentWhenTheProtocolAsksAndTheTicksGoOn) {
    Make(true, 1);
    m_cpc->receive = {{PROTCOM_RMRET_VOICE, CTelHandlerMsg::MSGTYPE_VOICE, "1234567"}};
    m_cpc->dueAt = {290, 120};
    RunCall([&](std::uint32_t) {
        if (m_events.size() == 20) {
            m_line.SetFlag(TELFLAG_OFF_HOOK, true);
        }
    });
    // Due at 290 while ringing, and at 290 and 120 while talking (460 s left after the pick-up).
    EXPECT_EQ(m_cpc->timeUpdateCalls, 6); // each update armed, then done
    EXPECT_EQ(LogCount("ICMGR_ICST_SEND_TIME_UPDATE: PROTCOM_STRET_DONE"), 3);
    EXPECT_EQ(m_cpc->dueAsked.front(), 300);
    EXPECT_EQ(m_events.back().value, CIncomingCallMgr::ICMGR_EVENT_TIME_LIMIT);
    for (std::size_t i = 1; i + 1 < m_events.size(); ++i) {
        EXPECT_EQ(m_events[i].at - m_events[i - 1].at, 1000u);
    }
}

TEST_F(IncomingCallTest, AFailedTimeUpdateEndsTheVoiceCall) {
    Make(true, 1);
    m_cpc->receive = {{PROTCOM_RMRET_VOICE, CTelHandlerMsg::MSGTYPE_VOICE, "1234567"}};
    m_cpc->dueAt = {298};
    m_cpc->timeUpdate = {PROTCOM_STRET_RECEIVE_TIMEOUT};
    Msgs msgs = RunCall();
    EXPECT_EQ(m_events.back().value, CIncomingCallMgr::ICMGR_EVENT_ABORTED);
    EXPECT_EQ(m_events.size(), 4u);
    EXPECT_EQ(m_line.voiceCalls, (std::vector<std::int32_t>{1, 0}));
    EXPECT_EQ(m_cpc->disconnectCalls, 0);
    EXPECT_EQ(LogCount("ICMGR_ICST_SEND_TIME_UPDATE: Error/Timeout"), 1);
}

} // namespace
