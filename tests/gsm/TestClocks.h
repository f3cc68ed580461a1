#pragma once

#include "Clock.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

// Time stepped by the test: the tick moves only when told to, while a pause of the code under
// test is a short real pause (so the bytes of a pseudo-terminal can arrive) that leaves the tick
// where it is. For stepping the line reader and the codec through their time limits.
class CStepClock : public IClock {
public:
    std::uint32_t Tick() const override { return m_tick.load(); }
    SLocalTime Now() const override { return CSystemClock::Instance().Now(); }
    void Sleep(std::uint32_t) const override { std::this_thread::sleep_for(std::chrono::microseconds(200)); }

    void Advance(std::uint32_t ms) { m_tick += ms; }

private:
    std::atomic<std::uint32_t> m_tick{1000};
};

// Real time running `factor` times faster, for the handler's long waits (5 s recovery, 10 s
// ring gap, 30 s calls) against a simulator that answers in real time. The factor can change on
// the way (the tick goes on from where it is), so that a handshake bounded on this clock, such as
// the one second a thread has to report that it started, can run at real pace on a busy machine.
class CScaledClock : public IClock {
public:
    explicit CScaledClock(unsigned factor) : m_factor(factor), m_since(std::chrono::steady_clock::now()) {}

    std::uint32_t Tick() const override {
        std::lock_guard guard(m_lock);
        return TickLocked();
    }
    SLocalTime Now() const override { return CSystemClock::Instance().Now(); }
    void Sleep(std::uint32_t ms) const override {
        unsigned factor = 1;
        {
            std::lock_guard guard(m_lock);
            factor = m_factor;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(ms * 1000 / factor));
    }

    void SetFactor(unsigned factor) {
        std::lock_guard guard(m_lock);
        m_base = TickLocked();
        m_since = std::chrono::steady_clock::now();
        m_factor = factor;
    }
    unsigned Factor() const {
        std::lock_guard guard(m_lock);
        return m_factor;
    }

private:
    std::uint32_t TickLocked() const {
        const auto real =
            std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - m_since);
        return m_base + static_cast<std::uint32_t>(real.count() * m_factor / 1000);
    }

    mutable std::mutex m_lock;
    unsigned m_factor;
    std::uint32_t m_base = 0;
    std::chrono::steady_clock::time_point m_since;
};
