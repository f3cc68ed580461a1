#include "Handler.h"
#include "Clock.h"
#include "HandlerMsg.h"
#include "MsgKinds.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

namespace {

// Records what a handler posts to its owner.
struct CSink : IMsgSink {
    CThreadQueue queue;
    void PutMsg(MsgPtr msg) override { queue.Push(std::move(msg)); }
};

// A worker that echoes each message back to its owner, shaped like every real handler.
class CEchoHandler : public CHandler {
public:
    using CHandler::CHandler;
    ~CEchoHandler() override { Shutdown(); }

    std::atomic<bool> failStartup{false};
    std::atomic<bool> silent{false}; // never reports anything
    std::atomic<int> loops{0};

protected:
    void ThreadMain() override {
        if (silent) {
            while (IsRunning()) {
                Clock().Sleep(1);
            }
            return;
        }
        if (failStartup) {
            SetRunFlag(0);
            SetStatus(HANDLER_START_FAILED);
            return;
        }
        SetStatus(HANDLER_STARTED);
        while (IsRunning()) {
            CSystemClock::Instance().Sleep(1);
            ++loops;
            if (MsgPtr m = GetMsg()) {
                PostToOwner(std::move(m));
            }
        }
        SetStatus(HANDLER_STOPPED);
    }
};

} // namespace

TEST(Handler, StartsEchoesAndStopsWithTheHandshakeCodes) {
    CSink sink;
    CEchoHandler h(&sink);
    EXPECT_EQ(h.Stop(), CHandler::HANDLER_NOT_RUNNING);
    ASSERT_EQ(h.Start(), CHandler::HANDLER_STARTED);
    EXPECT_TRUE(h.IsRunning());
    EXPECT_EQ(h.Start(), CHandler::HANDLER_ALREADY_RUNNING);

    h.PutMsg(std::make_unique<CHandlerMsg>(MsgKind::TEL_STATUS, 7));
    MsgPtr echoed;
    for (int i = 0; i < 5000 && !echoed; ++i) {
        echoed = sink.queue.Pop();
        CSystemClock::Instance().Sleep(1);
    }
    ASSERT_NE(echoed, nullptr);
    EXPECT_EQ(static_cast<CHandlerMsg*>(echoed.get())->Code, 7);

    EXPECT_EQ(h.Stop(), CHandler::HANDLER_STOPPED);
    EXPECT_FALSE(h.IsRunning());
    EXPECT_EQ(h.Stop(), CHandler::HANDLER_NOT_RUNNING);

    // Start and stop may be repeated, as after a settings change.
    EXPECT_EQ(h.Start(), CHandler::HANDLER_STARTED);
    EXPECT_EQ(h.Stop(), CHandler::HANDLER_STOPPED);
}

TEST(Handler, AFailedStartupLeavesTheHandlerStartableAgain) {
    CEchoHandler h;
    h.failStartup = true;
    EXPECT_EQ(h.Start(), CHandler::HANDLER_START_FAILED);
    EXPECT_FALSE(h.IsRunning());
    h.failStartup = false;
    EXPECT_EQ(h.Start(), CHandler::HANDLER_STARTED);
    EXPECT_EQ(h.Stop(), CHandler::HANDLER_STOPPED);
}

TEST(Handler, AThreadThatNeverAnswersGivesNoAnswerAndIsStillJoined) {
    CFakeClock clock;
    auto h = std::make_unique<CEchoHandler>(nullptr, clock);
    h->silent = true;
    // The wait sleeps on the fake clock, so the 1000 ms pass without real waiting.
    EXPECT_EQ(h->Start(), CHandler::HANDLER_NO_ANSWER);
    EXPECT_TRUE(h->IsRunning());
    EXPECT_EQ(h->Stop(), CHandler::HANDLER_NO_ANSWER);
    h.reset(); // joins the late thread; the sanitizer build catches a use after free
    SUCCEED();
}

namespace {

// Leaves its loop only some time after the run flag dropped, as a thread busy in a long step does.
class CSlowStopper : public CHandler {
public:
    using CHandler::CHandler;
    ~CSlowStopper() override { Shutdown(); }
    std::atomic<int> runs{0};

protected:
    void ThreadMain() override {
        ++runs;
        SetStatus(HANDLER_STARTED);
        while (IsRunning()) {
            CSystemClock::Instance().Sleep(1);
        }
        CSystemClock::Instance().Sleep(50);
        SetStatus(HANDLER_STOPPED);
    }
};

// Real time, except that while `hurry` is set every look at the tick finds a second gone, so a
// status wait gives up at once.
class CHurriedClock : public IClock {
public:
    std::uint32_t Tick() const override {
        return CSystemClock::Instance().Tick() + (hurry ? m_skew += 2000 : m_skew.load());
    }
    SLocalTime Now() const override { return CSystemClock::Instance().Now(); }
    void Sleep(std::uint32_t ms) const override { CSystemClock::Instance().Sleep(ms); }
    std::atomic<bool> hurry{false};

private:
    mutable std::atomic<std::uint32_t> m_skew{0};
};

} // namespace

TEST(Handler, ARestartAfterAStopWithoutAnswerWaitsForTheOldThread) {
    CHurriedClock clock;
    CSlowStopper h(nullptr, clock);
    ASSERT_EQ(h.Start(), CHandler::HANDLER_STARTED);
    clock.hurry = true;
    EXPECT_EQ(h.Stop(), CHandler::HANDLER_NO_ANSWER);
    clock.hurry = false;
    // The old thread must end before the new one starts; it must not take the new run as its own,
    // and its late report must not pass for the new thread's.
    EXPECT_EQ(h.Start(), CHandler::HANDLER_STARTED);
    EXPECT_EQ(h.runs, 2);
    EXPECT_EQ(h.Stop(), CHandler::HANDLER_STOPPED);
}

TEST(Handler, DestroyingARunningHandlerStopsAndJoinsItsThread) {
    CSink sink;
    auto h = std::make_unique<CEchoHandler>(&sink);
    ASSERT_EQ(h->Start(), CHandler::HANDLER_STARTED);
    for (int i = 0; i < 10; ++i) {
        h->PutMsg(std::make_unique<CHandlerMsg>(MsgKind::TEL_STATUS, 1));
    }
    h.reset();
    SUCCEED();
}

namespace {

// Reports before anyone waits; the report must not get lost.
class CEarlyReporter : public CHandler {
public:
    explicit CEarlyReporter(const IClock& clock) : CHandler(nullptr, clock) { SetStatus(HANDLER_STOPPED); }
    ~CEarlyReporter() override { Shutdown(); }
    void ForceRunning() { SetRunFlag(1); }

protected:
    void ThreadMain() override {}
};

} // namespace

TEST(Handler, AStatusReportedBeforeTheWaitIsReadByTheWait) {
    CFakeClock clock;
    CEarlyReporter h(clock);
    h.ForceRunning();
    EXPECT_EQ(h.Stop(), CHandler::HANDLER_STOPPED);
    // Each report is read once.
    h.ForceRunning();
    EXPECT_EQ(h.Stop(), CHandler::HANDLER_NO_ANSWER);
}
