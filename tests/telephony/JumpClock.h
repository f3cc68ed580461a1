#pragma once

#include "Clock.h"

#include <atomic>
#include <cstdint>

// Real time that a test can push forward: worker threads and the simulator keep their real pace,
// and a jump lets the long pauses of the station (2 s to 60 s) pass at once.
class CJumpClock : public IClock {
public:
    std::uint32_t Tick() const override { return CSystemClock::Instance().Tick() + m_offset.load(); }
    SLocalTime Now() const override { return CSystemClock::Instance().Now(); }
    void Sleep(std::uint32_t ms) const override { CSystemClock::Instance().Sleep(ms); }
    void Jump(std::uint32_t ms) { m_offset.fetch_add(ms); }

private:
    std::atomic<std::uint32_t> m_offset{0};
};
