#include "ThreadWait.h"
#include "Clock.h"
#include "Handler.h"
#include "HandlerMsg.h"
#include "IntervalTimer.h"
#include "MsgKinds.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <unistd.h>

namespace {

struct CSink : IMsgSink {
    CThreadQueue queue;
    void PutMsg(MsgPtr msg) override { queue.Push(std::move(msg)); }

    MsgPtr WaitPop() {
        for (int i = 0; i < 5000; ++i) {
            if (MsgPtr m = queue.Pop()) {
                return m;
            }
            CSystemClock::Instance().Sleep(1);
        }
        return nullptr;
    }
};

// A worker shaped like the real handlers: it sleeps in WaitForWork, echoes each message and
// reports each run-out of its timer with the tick at which it saw it.
class CSleepyHandler : public CHandler {
public:
    static constexpr std::uint32_t PERIOD_MS = 500;
    using CHandler::CHandler;
    ~CSleepyHandler() override { Shutdown(); }

    std::atomic<int> passes{0};
    std::atomic<std::uint32_t> startTick{0};

protected:
    void ThreadMain() override {
        CIntervalTimer timer(Clock());
        timer.Start(PERIOD_MS);
        startTick = Clock().Tick();
        SetStatus(HANDLER_STARTED);
        while (IsRunning()) {
            WaitForWork();
            ++passes;
            if (MsgPtr m = GetMsg()) {
                PostToOwner(std::move(m));
            }
            if (timer.Expired()) {
                PostToOwner(std::make_unique<CHandlerMsg>(MsgKind::TEL_STATUS, Clock().Tick()));
                timer.Start(PERIOD_MS);
            }
        }
        SetStatus(HANDLER_STOPPED);
    }
};

// Test time that also lets real time pass a little with each nap, so that the start handshake,
// which runs on this clock too, leaves a slow machine (a sanitizer build) time to start the thread.
class CPacedFakeClock : public CFakeClock {
public:
    using CFakeClock::CFakeClock;
    void Sleep(std::uint32_t milliseconds) const override {
        CFakeClock::Sleep(milliseconds);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
};

} // namespace

TEST(ThreadWait, AWaitEndsAtTheNearestDeadlineAtOnceForAMissedOneAndForAReadableDescriptor) {
    ThreadWait::Bind(nullptr);
    CFakeClock clock(1000);
    CIntervalTimer longTimer(clock);
    CIntervalTimer shortTimer(clock);
    longTimer.Start(80);
    shortTimer.Start(30);
    ThreadWait::Wait(clock);
    EXPECT_EQ(clock.Tick(), 1030u) << "the nearest timer ends the wait exactly";
    EXPECT_TRUE(shortTimer.Expired());

    ThreadWait::Wait(clock);
    EXPECT_EQ(clock.Tick(), 1080u) << "a deadline seen once does not end the next wait";

    // A timer that ran out before this wait, in the pass that started it, ends it at once.
    shortTimer.Start(0);
    clock.Advance(5);
    ThreadWait::Wait(clock, -1, 100);
    EXPECT_EQ(clock.Tick(), 1085u);
    ThreadWait::Wait(clock, -1, 100);
    EXPECT_EQ(clock.Tick(), 1185u) << "then the limit of the call holds";

    // A destroyed timer leaves no deadline behind.
    {
        CIntervalTimer gone(clock);
        gone.Start(10);
    }
    ThreadWait::Wait(clock, -1, 50);
    EXPECT_EQ(clock.Tick(), 1235u);

    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    ASSERT_EQ(write(fds[1], "x", 1), 1);
    ThreadWait::Wait(clock, fds[0], 1000);
    EXPECT_EQ(clock.Tick(), 1235u) << "a readable descriptor ends the wait at once";
    close(fds[0]);
    close(fds[1]);
}

TEST(ThreadWait, AWorkerOnTheTestClockWakesForItsTimerExactlyAndForEachMessage) {
    CPacedFakeClock clock(0);
    CSink sink;
    CSleepyHandler worker(&sink, clock);
    ASSERT_EQ(worker.Start(), CHandler::HANDLER_STARTED);
    // Nothing but the timer: time moves only as the worker's wait looks, so the timer's report
    // carries the very tick of its end.
    MsgPtr first = sink.WaitPop();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->Kind, MsgKind::TEL_STATUS);
    const std::uint32_t firstTick = static_cast<CHandlerMsg*>(first.get())->Code;
    EXPECT_GE(firstTick - worker.startTick, CSleepyHandler::PERIOD_MS);
    EXPECT_LE(firstTick - worker.startTick, CSleepyHandler::PERIOD_MS + 5);

    worker.PutMsg(std::make_unique<CHandlerMsg>(MsgKind::MAIL_STATUS, 7));
    bool echoed = false;
    for (int i = 0; i < 1000000 && !echoed; ++i) {
        MsgPtr m = sink.WaitPop();
        ASSERT_NE(m, nullptr);
        echoed = m->Kind == MsgKind::MAIL_STATUS && static_cast<CHandlerMsg*>(m.get())->Code == 7;
    }
    EXPECT_TRUE(echoed);
    EXPECT_EQ(worker.Stop(), CHandler::HANDLER_STOPPED);
}

TEST(ThreadWait, AnIdleWorkerOnTheSystemClockSleepsAndWakesForAMessageAndForItsStop) {
    CSink sink;
    CSleepyHandler worker(&sink);
    ASSERT_EQ(worker.Start(), CHandler::HANDLER_STARTED);
    const int before = worker.passes.load();
    CSystemClock::Instance().Sleep(200);
    // A polling loop would have passed some 200 times; a sleeping one not at all.
    EXPECT_LE(worker.passes.load() - before, 2);

    worker.PutMsg(std::make_unique<CHandlerMsg>(MsgKind::MAIL_STATUS, 9));
    MsgPtr m = sink.WaitPop();
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->Kind, MsgKind::MAIL_STATUS);
    // The stop handshake is answered well within its second although nothing else wakes the worker.
    EXPECT_EQ(worker.Stop(), CHandler::HANDLER_STOPPED);
}
