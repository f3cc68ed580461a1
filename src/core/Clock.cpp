#include "Clock.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <ctime>
#include <poll.h>
#include <thread>

namespace {

SLocalTime FromTimePoint(std::chrono::system_clock::time_point tp) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(tp.time_since_epoch()).count();
    std::time_t secs = static_cast<std::time_t>(ms / 1000);
    int millis = static_cast<int>(ms % 1000);
    if (millis < 0) {
        millis += 1000;
        --secs;
    }
    std::tm tm{};
    localtime_r(&secs, &tm);
    return SLocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                      tm.tm_min,         tm.tm_sec,     millis,     tm.tm_wday};
}

} // namespace

std::uint32_t CSystemClock::Tick() const {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count();
    return static_cast<std::uint32_t>(ms);
}

SLocalTime CSystemClock::Now() const {
    return FromTimePoint(std::chrono::system_clock::now());
}

void CSystemClock::Sleep(std::uint32_t milliseconds) const {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

int IClock::Poll(pollfd* fds, std::size_t count, std::uint32_t timeoutMs) const {
    const std::uint32_t start = Tick();
    for (;;) {
        const int ready = ::poll(fds, static_cast<nfds_t>(count), 0);
        const std::uint32_t before = Tick();
        if (ready != 0 || static_cast<std::uint32_t>(before - start) >= timeoutMs) {
            return ready < 0 && errno == EINTR ? 0 : ready;
        }
        Sleep(1);
        if (Tick() == before) {
            // A clock that only the test moves: hand back after the nap, as a polling loop would.
            return 0;
        }
    }
}

int CSystemClock::Poll(pollfd* fds, std::size_t count, std::uint32_t timeoutMs) const {
    const int timeout = static_cast<int>(std::min<std::uint32_t>(timeoutMs, INT_MAX));
    const int ready = ::poll(fds, static_cast<nfds_t>(count), timeout);
    // A signal only ends the wait early; the caller looks at its state and waits again.
    return ready < 0 && errno == EINTR ? 0 : ready;
}

const CSystemClock& CSystemClock::Instance() {
    static const CSystemClock clock;
    return clock;
}

SLocalTime CFakeClock::Now() const {
    std::lock_guard guard(m_lock);
    if (m_nowOffset == 0) {
        return m_now;
    }
    // Move the set local time on by the advanced milliseconds.
    std::tm tm{};
    tm.tm_year = m_now.Year - 1900;
    tm.tm_mon = m_now.Month - 1;
    tm.tm_mday = m_now.Day;
    tm.tm_hour = m_now.Hour;
    tm.tm_min = m_now.Minute;
    tm.tm_sec = m_now.Second;
    tm.tm_isdst = -1;
    const std::time_t base = mktime(&tm);
    const std::uint64_t total = static_cast<std::uint64_t>(m_now.Millisecond) + m_nowOffset;
    const std::time_t secs = base + static_cast<std::time_t>(total / 1000);
    std::tm out{};
    localtime_r(&secs, &out);
    return SLocalTime{out.tm_year + 1900,
                      out.tm_mon + 1,
                      out.tm_mday,
                      out.tm_hour,
                      out.tm_min,
                      out.tm_sec,
                      static_cast<int>(total % 1000),
                      out.tm_wday};
}

void CFakeClock::Sleep(std::uint32_t milliseconds) const {
    Advance(milliseconds);
    // Let the other threads of a test run, as a real sleep would.
    std::this_thread::yield();
}

void CFakeClock::Advance(std::uint32_t milliseconds) const {
    m_tick.fetch_add(milliseconds);
    std::lock_guard guard(m_lock);
    m_nowOffset += milliseconds;
}

void CFakeClock::SetNow(const SLocalTime& now) {
    std::lock_guard guard(m_lock);
    m_now = now;
    m_nowOffset = 0;
}
