#include "TelComHandler.h"
#include "ComMsg.h"
#include "MsgKinds.h"
#include "PtyModem.h"
#include "RecordingSink.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <unistd.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes POLL{0x81, 0x01, 0x00, 0x7F};
const Bytes POLL_ACK{0x81, 0x01, 0x80, 0xFF};

std::unique_ptr<CComMsg> Request(std::uint8_t command, const Bytes& params) {
    auto msg = std::make_unique<CComMsg>(MsgKind::COM_TRANSMIT);
    msg->Data[0] = command;
    msg->Data[1] = 0;
    std::copy(params.begin(), params.end(), msg->Data.begin() + 2);
    msg->Length = static_cast<std::uint16_t>(params.size());
    return msg;
}

class TelComHandlerTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir.Enter();
        ASSERT_TRUE(m_modem.IsOpen());
        m_link.Configure(1, 9600);
        ASSERT_TRUE(m_link.LinkStart());
    }
    void TearDown() override { m_link.LinkEnd(); }

    // Steps the link until it has sent a frame and waits for the reply; returns the frame.
    Bytes NextFrame() {
        for (int i = 0; i < 2000 && m_link.State() != CTelComHandler::LINK_ST_WAIT; ++i) {
            m_link.LinkStep();
        }
        EXPECT_EQ(m_link.State(), CTelComHandler::LINK_ST_WAIT);
        return m_modem.ReadFrame(500);
    }

    // One whole exchange: the frame sent and the reply given (nothing for silence).
    Bytes Exchange(const Bytes& reply, std::uint32_t replyDelayMs = 10) {
        Bytes sent = NextFrame();
        if (!reply.empty()) {
            m_clock.Advance(replyDelayMs);
            m_modem.Write(reply);
            ::usleep(3000);
        }
        m_link.LinkStep(); // the wait step
        return sent;
    }

    std::vector<MsgPtr> Take() { return m_sink.Take(); }

    // The device vanishes after a good exchange: the next frame cannot be written.
    void FailWrite() {
        m_modem.HangUp();
        m_link.LinkStep(); // idle
        m_link.LinkStep(); // the send fails
        EXPECT_EQ(m_link.State(), CTelComHandler::LINK_ST_FAILED);
    }
    // Runs the pause and the attempts to open the port until one succeeds (at most 70 s).
    void StepWhileFailed() {
        const std::uint32_t start = m_clock.Tick();
        while (m_link.State() == CTelComHandler::LINK_ST_FAILED && m_clock.Tick() - start < 70000) {
            m_link.LinkStep();
        }
        EXPECT_EQ(m_link.State(), CTelComHandler::LINK_ST_IDLE);
    }

    std::string Log() const { return CTempDir::ReadFile(m_dir.File("TelComHandler.log")); }
    int LogCount(const std::string& text) const {
        std::istringstream in(Log());
        std::string line;
        int n = 0;
        while (std::getline(in, line)) {
            n += line.find(text) != std::string::npos ? 1 : 0;
        }
        return n;
    }

    CTempDir m_dir;
    CPtyModem m_modem{1};
    CFakeClock m_clock{5000};
    CRecordingSink m_sink;
    CTelComHandler m_link{&m_sink, m_clock};
};

std::size_t CountKind(const std::vector<MsgPtr>& msgs, std::uint16_t kind) {
    return static_cast<std::size_t>(
        std::count_if(msgs.begin(), msgs.end(), [kind](const MsgPtr& m) { return m->Kind == kind; }));
}

const CComMsg* Find(const std::vector<MsgPtr>& msgs, std::uint16_t kind) {
    for (const auto& m : msgs) {
        if (m->Kind == kind) {
            return dynamic_cast<const CComMsg*>(m.get());
        }
    }
    return nullptr;
}

} // namespace

TEST_F(TelComHandlerTest, PollsAndReportsFlagsAndSignalOnlyWhenTheyChange) {
    EXPECT_NE(Log().find("CTelComHandler::ThreadMain: Startup - Ver. 2.65"), std::string::npos);

    EXPECT_EQ(Exchange(CPtyModem::Frame(0x81, 0x90, {0x0E})), POLL);
    auto msgs = Take();
    ASSERT_EQ(msgs.size(), 2u);
    const CComMsg* flags = Find(msgs, MsgKind::COM_STATUS_FLAGS);
    ASSERT_NE(flags, nullptr);
    EXPECT_EQ(flags->Data[1], 0x90);
    const CComMsg* signal = Find(msgs, MsgKind::COM_SIGNAL_LEVEL);
    ASSERT_NE(signal, nullptr);
    EXPECT_EQ(signal->LinkValue, 14);

    EXPECT_EQ(Exchange(CPtyModem::Frame(0x81, 0x90, {0x0E})), POLL);
    EXPECT_TRUE(Take().empty());

    // Without the signal byte nothing about the signal; the ICT error bit is logged and dropped.
    EXPECT_EQ(Exchange(CPtyModem::Frame(0x81, 0x92)), POLL);
    EXPECT_TRUE(Take().empty());
    EXPECT_EQ(LogCount("RX: - Modem ICT Error!"), 1);

    EXPECT_EQ(Exchange(CPtyModem::Frame(0x81, 0xB0, {0x0F})), POLL);
    msgs = Take();
    EXPECT_EQ(CountKind(msgs, MsgKind::COM_STATUS_FLAGS), 1u);
    EXPECT_EQ(CountKind(msgs, MsgKind::COM_SIGNAL_LEVEL), 1u);
    EXPECT_EQ(Find(msgs, MsgKind::COM_STATUS_FLAGS)->Data[1], 0xB0);
}

TEST_F(TelComHandlerTest, AReportIsForwardedOnceAndAcknowledgedInTheNextPollBeforeACommand) {
    Exchange(CPtyModem::Frame(0x81, 0x94));
    Take();
    m_link.PutMsg(Request(0x87, {1}));
    EXPECT_EQ(Exchange(CPtyModem::Frame(0x81, 0x94)),
              (Bytes{0x87, 0x02, 0x00, 0x01, 0xFF ^ 0x87 ^ 0x02 ^ 0x01}));
    EXPECT_TRUE(Take().empty());

    // The modem is busy listening, so the next command is held back...
    EXPECT_EQ(Exchange(CPtyModem::Frame(0x81, 0xD4)), POLL);
    Take();
    m_link.PutMsg(Request(0x82, {0}));
    // ...until the report arrives and the modem is no longer busy.
    EXPECT_EQ(Exchange(CPtyModem::Frame(0x86, 0x94, {0, 8, 1, 2, 3, 4, 5, 6, 7, 8})), POLL);
    auto msgs = Take();
    ASSERT_EQ(msgs.size(), 2u);
    EXPECT_EQ(Find(msgs, MsgKind::COM_STATUS_FLAGS)->Data[1], 0x94);
    const CComMsg* report = Find(msgs, MsgKind::COM_REPLY);
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(report->Data[0], 0x86);
    EXPECT_EQ(report->Data[1], 0x94);
    EXPECT_EQ(report->Length, 10);
    EXPECT_EQ(report->Data[11], 8);

    // The acknowledgement goes first, in a poll, though a command is waiting.
    EXPECT_EQ(Exchange(CPtyModem::Frame(0x81, 0x94)), POLL_ACK);
    EXPECT_EQ(Exchange(CPtyModem::Frame(0x81, 0x90)), (Bytes{0x82, 0x02, 0x00, 0x00, 0x7F}));
    EXPECT_EQ(m_link.PendingRequests(), 0u);
    EXPECT_EQ(Exchange(CPtyModem::Frame(0x81, 0x90)), POLL);
}

TEST_F(TelComHandlerTest, ACommandWaitsWhileTheModemIsBusy) {
    Exchange(CPtyModem::Frame(0x81, 0xD4)); // busy
    m_link.PutMsg(Request(0x8D, {1}));
    EXPECT_EQ(Exchange(CPtyModem::Frame(0x81, 0xD4)), POLL);
    EXPECT_EQ(Exchange(CPtyModem::Frame(0x81, 0xD4)), POLL);
    EXPECT_EQ(m_link.PendingRequests(), 1u);
    EXPECT_EQ(Exchange(CPtyModem::Frame(0x81, 0x94)), POLL);
    EXPECT_EQ(Exchange(CPtyModem::Frame(0x81, 0x94)),
              (Bytes{0x8D, 0x02, 0x00, 0x01, 0xFF ^ 0x8D ^ 0x02 ^ 0x01}));
    // Requests go out one at a time in arrival order.
    m_link.PutMsg(Request(0x90, {0, 1}));
    m_link.PutMsg(Request(0x90, {1, 1}));
    EXPECT_EQ(Exchange(CPtyModem::Frame(0x81, 0x94))[3], 0);
    EXPECT_EQ(Exchange(CPtyModem::Frame(0x81, 0x94))[3], 1);
}

TEST_F(TelComHandlerTest, AMissingAcceptanceResendsTheCommand) {
    Exchange(CPtyModem::Frame(0x81, 0x90));
    m_link.PutMsg(Request(0x82, {1}));
    const Bytes take{0x82, 0x02, 0x00, 0x01, 0x7E};
    EXPECT_EQ(Exchange(CPtyModem::Frame(0x81, 0x10)), take);
    EXPECT_EQ(LogCount("RX: - TxAck Error!"), 1);
    EXPECT_EQ(Exchange(CPtyModem::Frame(0x81, 0x94)), take);
    EXPECT_EQ(LogCount("CTelComHandler::ThreadMain: Reply Timeout, retrying: 1"), 1);
    EXPECT_EQ(Exchange(CPtyModem::Frame(0x81, 0x94)), POLL);
}

TEST_F(TelComHandlerTest, AWrongCheckByteOrAGapMakesTheSameFrameGoAgain) {
    Exchange(CPtyModem::Frame(0x81, 0x90));
    Take();
    m_link.PutMsg(Request(0x8A, {}));
    const Bytes info{0x8A, 0x01, 0x00, 0xFF ^ 0x8A ^ 0x01};
    Bytes bad = CPtyModem::Frame(0x81, 0x90);
    bad.back() ^= 0x01;
    EXPECT_EQ(Exchange(bad), info);
    EXPECT_EQ(m_link.State(), CTelComHandler::LINK_ST_RETRY);
    EXPECT_EQ(Exchange(CPtyModem::Frame(0x81, 0x90)), info);
    EXPECT_EQ(m_link.State(), CTelComHandler::LINK_ST_IDLE);
    EXPECT_TRUE(Take().empty());
}

TEST_F(TelComHandlerTest, FiveSilentExchangesGiveOneTimeOutThenPollingResumesAfterTwoSeconds) {
    Exchange(CPtyModem::Frame(0x81, 0x90));
    Take();
    m_link.PutMsg(Request(0x8B, {}));
    const Bytes reset{0x8B, 0x01, 0x00, 0xFF ^ 0x8B ^ 0x01};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(Exchange({}), reset);
    }
    m_link.LinkStep(); // retry state: the fifth failure gives up
    auto msgs = Take();
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0]->Kind, MsgKind::COM_TIMEOUT);
    EXPECT_EQ(LogCount("Reply Timeout, retrying"), 4);
    EXPECT_EQ(LogCount("CTelComHandler::ThreadMain: Reply Timeout, Aborting"), 1);

    // Two seconds of quiet, then polling again with the request dropped.
    const std::uint32_t gaveUp = m_clock.Tick();
    Bytes next = NextFrame();
    EXPECT_EQ(next, POLL);
    EXPECT_GE(m_clock.Tick() - gaveUp, 2000u);
    EXPECT_LT(m_clock.Tick() - gaveUp, 2100u);
    m_clock.Advance(5);
    m_modem.Write(CPtyModem::Frame(0x81, 0x90));
    ::usleep(3000);
    m_link.LinkStep();
    // The flags are reported again, since the modem may have changed meanwhile.
    msgs = Take();
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0]->Kind, MsgKind::COM_STATUS_FLAGS);
    EXPECT_EQ(LogCount("Communication restored after timeout"), 1);
}

TEST_F(TelComHandlerTest, OnlyTheFirstFiveGiveUpsInARowAreLogged) {
    for (int giveUp = 0; giveUp < 7; ++giveUp) {
        for (int i = 0; i < 5; ++i) {
            Exchange({});
        }
        m_link.LinkStep();
    }
    EXPECT_EQ(m_sink.Count(MsgKind::COM_TIMEOUT), 7u);
    EXPECT_EQ(LogCount("Reply Timeout, Aborting"), 5);
    EXPECT_EQ(LogCount("Reply Timeout, retrying"), 20);
}

TEST_F(TelComHandlerTest, InvalidReplyCodesAreRetriedAndTheThirdInARowRestartsTheLink) {
    // 0x97 is the last valid code and is forwarded.
    Exchange(CPtyModem::Frame(0x97, 0x90));
    auto msgs = Take();
    EXPECT_EQ(CountKind(msgs, MsgKind::COM_REPLY), 1u);
    EXPECT_EQ(Exchange(CPtyModem::Frame(0x81, 0x90)), POLL_ACK);
    // A line take waits while the modem is busy, and a raw send behind it.
    EXPECT_EQ(Exchange(CPtyModem::Frame(0x81, 0xD0)), POLL);
    m_link.PutMsg(Request(0x82, {0x01}));
    Take();

    EXPECT_EQ(Exchange(CPtyModem::Frame(0x80, 0xD0)), POLL);
    EXPECT_EQ(LogCount("CTelComHandler::ThreadMain: Invalid RX command: 128, retrying: 1"), 1);
    EXPECT_EQ(Exchange(CPtyModem::Frame(0x98, 0xD0)), POLL);
    EXPECT_EQ(LogCount("CTelComHandler::ThreadMain: Invalid RX command: 152, retrying: 2"), 1);
    EXPECT_EQ(m_link.State(), CTelComHandler::LINK_ST_SEND);
    EXPECT_EQ(Exchange(CPtyModem::Frame(0x12, 0xD0)), POLL);
    EXPECT_EQ(LogCount("CTelComHandler::ThreadMain: Invalid RX command: 18, Aborting"), 1);
    EXPECT_EQ(m_link.State(), CTelComHandler::LINK_ST_FAILED);
    msgs = Take();
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0]->Kind, MsgKind::COM_RX_FAILURE);
    EXPECT_EQ(dynamic_cast<const CComMsg&>(*msgs[0]).LinkValue, 0) << "the first failure of an outage";
    EXPECT_EQ(m_link.RestartPause(), CTelComHandler::FIRST_RESTART_PAUSE_MS);
    m_link.PutMsg(Request(0x84, {0x0F})); // queued while the link is down

    // Nothing goes out during the pause of 2 s.
    const std::uint32_t failedAt = m_clock.Tick();
    while (m_link.State() == CTelComHandler::LINK_ST_FAILED && m_clock.Tick() - failedAt < 5000) {
        m_link.LinkStep();
    }
    EXPECT_GE(m_clock.Tick() - failedAt, 2000u);
    EXPECT_LT(m_clock.Tick() - failedAt, 2100u);
    EXPECT_EQ(m_link.State(), CTelComHandler::LINK_ST_IDLE);
    EXPECT_EQ(LogCount("Port opened again, polling resumes"), 1);
    EXPECT_EQ(LogCount("Dropped 2 requests of the previous run"), 1);
    EXPECT_EQ(m_link.PendingRequests(), 0u);

    // Polling resumes; the old line take and raw send never go out, and the flags are reported as
    // after a start.
    EXPECT_EQ(Exchange(CPtyModem::Frame(0x81, 0x90)), POLL);
    EXPECT_EQ(Exchange(CPtyModem::Frame(0x81, 0x90)), POLL);
    msgs = Take();
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0]->Kind, MsgKind::COM_STATUS_FLAGS);
}

TEST_F(TelComHandlerTest, ALinkStartDropsTheRequestsOfTheRunBefore) {
    m_link.LinkEnd();
    m_link.PutMsg(Request(0x82, {0x01}));
    m_link.PutMsg(Request(0x84, {0x0F}));
    ASSERT_TRUE(m_link.LinkStart());
    EXPECT_EQ(Exchange(CPtyModem::Frame(0x81, 0x90)), POLL);
    EXPECT_EQ(Exchange(CPtyModem::Frame(0x81, 0x90)), POLL);
    EXPECT_EQ(LogCount("Dropped 2 requests of the previous run"), 1);
}

TEST_F(TelComHandlerTest, AValidReplyBetweenInvalidOnesStartsTheCountAgain) {
    Exchange(CPtyModem::Frame(0x80, 0x90));
    Exchange(CPtyModem::Frame(0x80, 0x90));
    Exchange(CPtyModem::Frame(0x81, 0x90));
    Exchange(CPtyModem::Frame(0x80, 0x90));
    Exchange(CPtyModem::Frame(0x80, 0x90));
    EXPECT_NE(m_link.State(), CTelComHandler::LINK_ST_FAILED);
    EXPECT_EQ(m_sink.Count(MsgKind::COM_RX_FAILURE), 0u);
}

// An unplugged adapter: the port is tried again after 2, 4, 8, ... s, at most every 60 s, until it
// is back. A failure soon after counts to the same outage; after a good minute it is a new one.
TEST_F(TelComHandlerTest, AVanishedDeviceIsOpenedAgainWithAGrowingPauseOnceItIsBack) {
    Exchange(CPtyModem::Frame(0x81, 0x90));
    Take();
    NextFrame();
    m_modem.Unplug();
    m_link.LinkStep();
    EXPECT_EQ(m_link.State(), CTelComHandler::LINK_ST_FAILED);
    EXPECT_EQ(LogCount("Serial Rx Error"), 1);
    auto msgs = Take();
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0]->Kind, MsgKind::COM_RX_FAILURE);
    EXPECT_EQ(dynamic_cast<const CComMsg&>(*msgs[0]).LinkValue, 0);

    std::vector<std::uint32_t> pauses{m_link.RestartPause()};
    const std::uint32_t start = m_clock.Tick();
    while (m_clock.Tick() - start < 2000 + 4000 + 8000 + 16000 + 32000 + 60000 + 500) {
        m_link.LinkStep();
        if (m_link.RestartPause() != pauses.back()) {
            pauses.push_back(m_link.RestartPause());
        }
    }
    EXPECT_EQ(pauses, (std::vector<std::uint32_t>{2000, 4000, 8000, 16000, 32000, 60000}));
    EXPECT_EQ(LogCount("Port cannot be opened, next try in 60000 ms"), 2) << "never longer than 60 s";
    EXPECT_EQ(m_link.State(), CTelComHandler::LINK_ST_FAILED);
    EXPECT_TRUE(Take().empty()) << "the owner was told once";

    ASSERT_TRUE(m_modem.Plug());
    StepWhileFailed();
    EXPECT_EQ(Exchange(CPtyModem::Frame(0x81, 0x90)), POLL);
    EXPECT_EQ(CountKind(Take(), MsgKind::COM_STATUS_FLAGS), 1u);

    // It fails again at once: the same outage, the longest pause.
    FailWrite();
    msgs = Take();
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(dynamic_cast<const CComMsg&>(*msgs[0]).LinkValue, 1);
    EXPECT_EQ(m_link.RestartPause(), CTelComHandler::MAX_RESTART_PAUSE_MS);

    // Back, and well for a minute: the next failure starts a new outage with the shortest pause.
    ASSERT_TRUE(m_modem.Plug());
    StepWhileFailed();
    EXPECT_EQ(Exchange(CPtyModem::Frame(0x81, 0x90)), POLL);
    m_clock.Advance(CTelComHandler::RECOVERED_AFTER_MS);
    EXPECT_EQ(Exchange(CPtyModem::Frame(0x81, 0x90)), POLL);
    Take();
    FailWrite();
    msgs = Take();
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0]->Kind, MsgKind::COM_TX_FAILURE);
    EXPECT_EQ(dynamic_cast<const CComMsg&>(*msgs[0]).LinkValue, 0);
    EXPECT_EQ(m_link.RestartPause(), CTelComHandler::FIRST_RESTART_PAUSE_MS);
}

TEST_F(TelComHandlerTest, AFrameThatCannotBeWrittenRestartsTheLink) {
    Exchange(CPtyModem::Frame(0x81, 0x90));
    FailWrite();
    EXPECT_EQ(m_sink.Count(MsgKind::COM_TX_FAILURE), 1u);
    ASSERT_TRUE(m_modem.Plug());
    StepWhileFailed();
    EXPECT_EQ(Exchange(CPtyModem::Frame(0x81, 0x90)), POLL);
}

TEST_F(TelComHandlerTest, OtherMessagesAreLoggedAndDropped) {
    m_link.PutMsg(std::make_unique<CMsg>(MsgKind::TEL_STATUS));
    m_link.PutMsg(std::make_unique<CMsg>(MsgKind::COM_TRANSMIT)); // right kind, wrong class
    EXPECT_EQ(Exchange(CPtyModem::Frame(0x81, 0x90)), POLL);
    EXPECT_EQ(Exchange(CPtyModem::Frame(0x81, 0x90)), POLL);
    EXPECT_EQ(LogCount("CTelComHandler::ThreadMain: Unknown Message"), 2);
}

TEST_F(TelComHandlerTest, ReplyTimesAreMeasuredOnTheClock) {
    Exchange(CPtyModem::Frame(0x81, 0x90), 20);
    Exchange(CPtyModem::Frame(0x81, 0x90), 40);
    Exchange(CPtyModem::Frame(0x81, 0x90), 30);
    EXPECT_EQ(m_link.MaxReplyTime(), 40u);
    EXPECT_EQ(m_link.AverageReplyTime(), 30u);
    EXPECT_EQ(LogCount("MaxReplyTime updated, time: 40"), 1);
    m_link.LinkEnd();
    EXPECT_EQ(
        LogCount("CTelComHandler::ThreadMain: Shutdown - Max Reply Time: 40 ms, Average Reply Time: 30 ms"),
        1);
    ASSERT_TRUE(m_link.LinkStart());
}

TEST(TelComHandlerThread, StartFailsWhenThePortCannotBeOpened) {
    CTempDir dir;
    dir.Enter();
    ::setenv("MORA_SERIAL_DIR", dir.Path().c_str(), 1);
    CRecordingSink sink;
    CTelComHandler link(&sink);
    link.Configure(9, 9600);
    EXPECT_EQ(link.Start(), CHandler::HANDLER_START_FAILED);
    EXPECT_FALSE(link.IsRunning());
    ::unsetenv("MORA_SERIAL_DIR");
}

TEST(TelComHandlerThread, RunsPollsAndStops) {
    CTempDir dir;
    dir.Enter();
    CPtyModem modem(3);
    ASSERT_TRUE(modem.IsOpen());
    CRecordingSink sink;
    CTelComHandler link(&sink);
    link.Configure(3, 9600);
    // Whether or not this user may raise the thread's priority, the link starts.
    ASSERT_EQ(link.Start(), CHandler::HANDLER_STARTED);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(modem.ReadFrame(1000), POLL);
        modem.Write(CPtyModem::Frame(0x81, 0x90, {0x0C}));
    }
    EXPECT_EQ(link.Stop(), CHandler::HANDLER_STOPPED);
    EXPECT_EQ(sink.Count(MsgKind::COM_STATUS_FLAGS), 1u);
    EXPECT_EQ(sink.Count(MsgKind::COM_SIGNAL_LEVEL), 1u);
}
