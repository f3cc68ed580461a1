#pragma once

#include "Clock.h"
#include "ThreadWait.h"

#include <cstdint>

// Millisecond interval timer on the wrapping 32-bit tick. A timer that was never started reports
// expired.
class CIntervalTimer {
public:
    explicit CIntervalTimer(const IClock& clock = CSystemClock::Instance()) : m_clock(&clock) {}
    virtual ~CIntervalTimer() { ThreadWait::ForgetDeadline(this); }
    CIntervalTimer(const CIntervalTimer&) = default;
    CIntervalTimer& operator=(const CIntervalTimer&) = default;

    void SetClock(const IClock& clock) { m_clock = &clock; }
    void Start(std::uint32_t milliseconds) {
        m_startTick = m_clock->Tick();
        m_interval = milliseconds;
        // A thread that waits for work wakes up when this timer runs out.
        ThreadWait::NoteDeadline(this, m_startTick + milliseconds);
    }
    // Unsigned subtraction keeps this right across the wrap of the tick.
    bool Expired() const { return static_cast<std::uint32_t>(m_clock->Tick() - m_startTick) >= m_interval; }
    std::uint32_t Elapsed() const { return m_clock->Tick() - m_startTick; }
    std::uint32_t Interval() const { return m_interval; }

private:
    const IClock* m_clock;
    std::uint32_t m_startTick = 0;
    std::uint32_t m_interval = 0;
};
