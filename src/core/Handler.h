#pragma once

#include "Clock.h"
#include "MsgSink.h"
#include "ThreadQueue.h"
#include "ThreadWait.h"

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <thread>

// A worker thread with an input queue, a run flag and a status word through which the thread
// reports that it started, failed to start or stopped. The owner starts and stops it with a
// handshake of at most one second. A message or a stop request wakes the thread's waits.
//
// A concrete handler must call Shutdown() in its own destructor: the thread runs the derived
// ThreadMain, so it has to be joined before the derived members go away.
class CHandler : public IMsgSink, private IWakeSource {
public:
    enum Status : std::uint16_t {
        HANDLER_NONE = 0,
        HANDLER_NO_THREAD = 1,
        HANDLER_NO_ANSWER = 3,
        HANDLER_ALREADY_RUNNING = 4,
        HANDLER_NOT_RUNNING = 5,
        HANDLER_STARTED = 10,
        HANDLER_STOPPED = 11,
        HANDLER_START_FAILED = 12,
        HANDLER_STOP_INCOMPLETE = 13,
    };

    static constexpr std::uint32_t STATUS_WAIT_MS = 1000;

    explicit CHandler(IMsgSink* owner = nullptr, const IClock& clock = CSystemClock::Instance());
    ~CHandler() override;
    CHandler(const CHandler&) = delete;
    CHandler& operator=(const CHandler&) = delete;

    std::uint16_t Start();
    std::uint16_t Stop();

    bool IsRunning() const;
    void PutMsg(MsgPtr msg) override;
    std::size_t PendingMessages() const { return m_queue.Count(); }

    IMsgSink* Owner() const { return m_owner; }
    void SetOwner(IMsgSink* owner) { m_owner = owner; }
    const IClock& Clock() const { return *m_clock; }

    static const char* StatusName(std::uint16_t status);

protected:
    virtual void ThreadMain() = 0;

    void SetStatus(std::uint16_t status);
    void SetRunFlag(std::int32_t value);
    MsgPtr GetMsg() { return m_queue.Pop(); }
    // Sleeps until a message or a stop request is waiting, `fd` (-1: none) is readable, a timer of
    // this thread runs out or `maxMs` pass. With EWakeOn::Signal only a new message wakes it.
    // Called on another thread (a test stepping the handler by hand) a wait without a limit naps
    // 1 ms, as a polling loop would.
    void WaitForWork(int fd = -1, std::uint32_t maxMs = ThreadWait::FOREVER,
                     ThreadWait::EWakeOn wakeOn = ThreadWait::EWakeOn::Work) {
        ThreadWait::Wait(*m_clock, fd, OnOwnThread() || maxMs != ThreadWait::FOREVER ? maxMs : 1, wakeOn);
    }
    bool OnOwnThread() const { return ThreadWait::IsBoundTo(this); }
    // Names the calling thread (at most 15 characters), as ps and top show it.
    static void NameThread(const char* name);
    // Sends a message to the owner; dropped (and deleted) when there is none.
    void PostToOwner(MsgPtr msg);

    // Asks the thread to end and joins it. Safe to call more than once.
    void Shutdown();

    // Raises the calling thread one step above normal; false when the system refuses.
    static bool RaiseThreadPriority();

private:
    CWakeEvent& WakeEvent() override { return m_wake; }
    bool WorkPending() const override;
    std::uint16_t WaitForStatus();
    void JoinThread();

    IMsgSink* m_owner;
    const IClock* m_clock;
    std::thread m_thread;
    mutable std::mutex m_statusLock;
    std::uint16_t m_status = HANDLER_NONE;
    mutable std::mutex m_runLock;
    std::int32_t m_runFlag = 0;
    CThreadQueue m_queue;
    CWakeEvent m_wake;
};
