#pragma once

#include "Clock.h"

#include <cstdint>

// An event descriptor (eventfd) that one thread waits on and any thread signals. Signals do not
// queue up: one wake-up stands for all that came before it.
class CWakeEvent {
public:
    CWakeEvent();
    ~CWakeEvent();
    CWakeEvent(const CWakeEvent&) = delete;
    CWakeEvent& operator=(const CWakeEvent&) = delete;

    void Signal();
    void Drain();
    // -1 when the system gave no descriptor; waits then fall back to short naps.
    int Fd() const { return m_fd; }

private:
    int m_fd = -1;
};

// What besides its own descriptors wakes a worker thread: its wake-up event, and work already
// waiting for it (a queued message, a stop request).
class IWakeSource {
public:
    virtual ~IWakeSource() = default;
    virtual CWakeEvent& WakeEvent() = 0;
    virtual bool WorkPending() const = 0;
};

// The waits of worker threads. A worker sleeps until its queue gets a message, its port or socket
// becomes readable or the nearest deadline of its interval timers comes, instead of waking every
// millisecond to look. Each thread keeps its own deadlines: an interval timer started on a thread
// notes its end there, and a wait on that thread ends by then.
namespace ThreadWait {

constexpr std::uint32_t FOREVER = UINT32_MAX;

enum class EWakeOn {
    Work,   // queued work ends the wait at once, and so does a new signal
    Signal, // only a new signal ends it: the state machine is not ready for the queued work yet
};

// Binds the calling thread to its wake-up source; null unbinds it.
void Bind(IWakeSource* source);
// True on the thread bound to `source`.
bool IsBoundTo(const IWakeSource* source);

void NoteDeadline(const void* key, std::uint32_t deadlineTick);
void ForgetDeadline(const void* key);

// Blocks the calling thread until `fd` (-1: none) is readable, the thread's wake-up source calls
// (see EWakeOn), a noted deadline comes or `maxMs` of `clock` pass. A deadline that passed since
// the previous wait of this thread ended makes it return at once: the pass in between may have
// looked at its timer just before it ran out.
void Wait(const IClock& clock, int fd = -1, std::uint32_t maxMs = FOREVER, EWakeOn wakeOn = EWakeOn::Work);

} // namespace ThreadWait
