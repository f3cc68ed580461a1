#pragma once

#include "Clock.h"

#include <cstdint>
#include <ctime>
#include <string>

// A local date and time as the database keeps it: days since 30 December 1899 plus the fraction
// of the day. A value may also be null (no time recorded yet), which is not the same as the zero
// date 30 December 1899 00:00.
class CDateTime {
public:
    static constexpr double MS_PER_DAY = 86400000.0;

    // Null.
    CDateTime() = default;

    static CDateTime Null() { return CDateTime(); }
    static CDateTime FromDays(double days);
    static CDateTime FromLocal(const SLocalTime& local);
    static CDateTime FromLocal(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                               int millisecond = 0);
    // Seconds since 1 January 1970 (UTC), converted to local time.
    static CDateTime FromUnixTime(std::time_t seconds);

    bool IsNull() const { return m_null; }
    // Day count; 0 for a null value.
    double Days() const { return m_null ? 0.0 : m_days; }
    // Broken-down local time, rounded to the millisecond; all zero for a null value.
    SLocalTime ToLocal() const;

    // Midnight at the start of this value's day.
    CDateTime DateOnly() const;
    CDateTime AddDays(double days) const;
    CDateTime AddMinutes(double minutes) const { return AddDays(minutes / 1440.0); }
    CDateTime AddHours(double hours) const { return AddDays(hours / 24.0); }

    // Whole minutes from `earlier` to this value, counted as the design does: the span in seconds
    // plus half a second, fraction dropped, then whole minutes (towards zero).
    std::int64_t MinutesSince(const CDateTime& earlier) const;

    // strftime on the local time (milliseconds are not shown); empty for a null value.
    std::string Format(const char* format) const;

    friend bool operator==(const CDateTime& a, const CDateTime& b) {
        return a.m_null == b.m_null && (a.m_null || a.m_days == b.m_days);
    }
    // Null sorts before every date.
    friend bool operator<(const CDateTime& a, const CDateTime& b) {
        if (a.m_null || b.m_null) {
            return a.m_null && !b.m_null;
        }
        return a.m_days < b.m_days;
    }
    friend bool operator>(const CDateTime& a, const CDateTime& b) { return b < a; }

private:
    double m_days = 0.0;
    bool m_null = true;
};
