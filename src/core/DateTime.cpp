#include "DateTime.h"

#include <cmath>

namespace {

// Days from 1970-01-01 to a civil date (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2 ? 1 : 0));
}

// 30 December 1899 counted from 1 January 1970.
constexpr std::int64_t EPOCH_1899 = -25569;

} // namespace

CDateTime CDateTime::FromDays(double days) {
    CDateTime t;
    if (std::isfinite(days)) {
        t.m_days = days;
        t.m_null = false;
    }
    return t;
}

CDateTime CDateTime::FromLocal(int year, int month, int day, int hour, int minute, int second,
                               int millisecond) {
    const std::int64_t dayNumber =
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - EPOCH_1899;
    const double ms = ((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + millisecond;
    return FromDays(static_cast<double>(dayNumber) + ms / MS_PER_DAY);
}

CDateTime CDateTime::FromLocal(const SLocalTime& local) {
    return FromLocal(local.Year, local.Month, local.Day, local.Hour, local.Minute, local.Second,
                     local.Millisecond);
}

CDateTime CDateTime::FromUnixTime(std::time_t seconds) {
    std::tm tm{};
    if (localtime_r(&seconds, &tm) == nullptr) {
        return FromLocal(1970, 1, 1);
    }
    return FromLocal(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
}

SLocalTime CDateTime::ToLocal() const {
    SLocalTime out{};
    if (m_null) {
        return out;
    }
    const double totalMs = std::round(m_days * MS_PER_DAY);
    std::int64_t dayNumber = static_cast<std::int64_t>(std::floor(totalMs / MS_PER_DAY));
    std::int64_t msOfDay = static_cast<std::int64_t>(totalMs - static_cast<double>(dayNumber) * MS_PER_DAY);
    if (msOfDay >= 86400000) {
        ++dayNumber;
        msOfDay -= 86400000;
    }
    const std::int64_t unixDay = dayNumber + EPOCH_1899;
    CivilFromDays(unixDay, out.Year, out.Month, out.Day);
    out.Hour = static_cast<int>(msOfDay / 3600000);
    out.Minute = static_cast<int>(msOfDay / 60000 % 60);
    out.Second = static_cast<int>(msOfDay / 1000 % 60);
    out.Millisecond = static_cast<int>(msOfDay % 1000);
    // 1 January 1970 was a Thursday.
    out.DayOfWeek = static_cast<int>(((unixDay % 7) + 7 + 4) % 7);
    return out;
}

CDateTime CDateTime::DateOnly() const {
    if (m_null) {
        return *this;
    }
    const SLocalTime t = ToLocal();
    return FromLocal(t.Year, t.Month, t.Day);
}

CDateTime CDateTime::AddDays(double days) const {
    if (m_null) {
        return *this;
    }
    return FromDays(m_days + days);
}

std::int64_t CDateTime::MinutesSince(const CDateTime& earlier) const {
    const double seconds = (Days() - earlier.Days()) * 86400.0;
    const double whole = std::trunc(seconds + 0.5);
    return static_cast<std::int64_t>(whole) / 60;
}

std::string CDateTime::Format(const char* format) const {
    if (m_null) {
        return {};
    }
    const SLocalTime t = ToLocal();
    std::tm tm{};
    tm.tm_year = t.Year - 1900;
    tm.tm_mon = t.Month - 1;
    tm.tm_mday = t.Day;
    tm.tm_hour = t.Hour;
    tm.tm_min = t.Minute;
    tm.tm_sec = t.Second;
    tm.tm_wday = t.DayOfWeek;
    tm.tm_isdst = -1;
    char buffer[256];
    const std::size_t n = std::strftime(buffer, sizeof buffer, format, &tm);
    return std::string(buffer, n);
}
