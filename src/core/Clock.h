#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

struct pollfd;

// Local date and time with milliseconds.
struct SLocalTime {
    int Year = 0;
    int Month = 0; // 1-12
    int Day = 0;   // 1-31
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Millisecond = 0;
    int DayOfWeek = 0; // 0 = Sunday

    friend bool operator==(const SLocalTime&, const SLocalTime&) = default;
};

// The one source of time of the program: a wrapping 32-bit millisecond tick, the local time and
// sleeping. Every state machine reads time through it so that tests can step it without waiting.
class IClock {
public:
    virtual ~IClock() = default;
    virtual std::uint32_t Tick() const = 0;
    virtual SLocalTime Now() const = 0;
    virtual void Sleep(std::uint32_t milliseconds) const = 0;
    // poll() with the time-out on this clock. This default looks without blocking and sleeps a
    // millisecond of this clock between looks, so that the wait ends when this clock's time has
    // come; where a nap does not move the clock (a clock stepped only by a test) it returns after
    // one nap. The system clock blocks in poll() itself.
    virtual int Poll(pollfd* fds, std::size_t count, std::uint32_t timeoutMs) const;
};

// Real time: steady_clock milliseconds truncated to 32 bits, localtime_r.
class CSystemClock : public IClock {
public:
    std::uint32_t Tick() const override;
    SLocalTime Now() const override;
    void Sleep(std::uint32_t milliseconds) const override;
    int Poll(pollfd* fds, std::size_t count, std::uint32_t timeoutMs) const override;

    static const CSystemClock& Instance();
};

// Time that moves only when told to; Sleep advances it. Safe to use from several threads.
class CFakeClock : public IClock {
public:
    explicit CFakeClock(std::uint32_t startTick = 0) : m_tick(startTick) {}

    std::uint32_t Tick() const override { return m_tick.load(); }
    SLocalTime Now() const override;
    void Sleep(std::uint32_t milliseconds) const override;

    void SetTick(std::uint32_t tick) { m_tick.store(tick); }
    void Advance(std::uint32_t milliseconds) const;
    void SetNow(const SLocalTime& now);

private:
    mutable std::atomic<std::uint32_t> m_tick;
    mutable std::mutex m_lock;
    mutable SLocalTime m_now{2024, 3, 5, 7, 4, 9, 42, 2};
    mutable std::uint64_t m_nowOffset = 0; // milliseconds advanced since m_now was set
};
