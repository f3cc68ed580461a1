#pragma once

#include "Clock.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <thread>

// Real time that a test can push forward: the tick and the local time run with the system clock
// plus offsets the test adds. Sleep really sleeps, so the worker threads and the simulators keep
// their real pace; only the jumps are artificial. Used to reach the hourly supervision and the
// voice-call time-out without waiting for them.
class CE2eClock : public IClock {
public:
    std::uint32_t Tick() const override { return CSystemClock::Instance().Tick() + m_tickOffset.load(); }

    SLocalTime Now() const override {
        const auto now = std::chrono::system_clock::now() + std::chrono::milliseconds(m_nowOffsetMs.load());
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
        const std::time_t secs = static_cast<std::time_t>(ms / 1000);
        std::tm tm{};
        localtime_r(&secs, &tm);
        return SLocalTime{
            tm.tm_year + 1900,           tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
            static_cast<int>(ms % 1000), tm.tm_wday};
    }

    void Sleep(std::uint32_t milliseconds) const override {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }

    // Every interval timer of the station sees this much more time pass at once.
    void JumpTick(std::uint32_t milliseconds) { m_tickOffset.fetch_add(milliseconds); }
    // The date and time of day move on (the tick does not).
    void JumpNow(std::int64_t milliseconds) { m_nowOffsetMs.fetch_add(milliseconds); }

private:
    std::atomic<std::uint32_t> m_tickOffset{0};
    std::atomic<std::int64_t> m_nowOffsetMs{0};
};
