#pragma once

#include "Clock.h"

#include <cstdint>
#include <string>
#include <string_view>

// A bounded diagnostic log, newest line first. Every write rewrites the file through "<base>.tmp"
// and renames it over "<base>.log", so the log survives a crash up to the last completed write and
// a failed write never loses the old lines. Used by one thread only.
class CLogFile {
public:
    explicit CLogFile(std::string baseName = "LogFile", std::int16_t lineLimit = 100,
                      const IClock& clock = CSystemClock::Instance());
    virtual ~CLogFile() = default;

    // Writes "<source>: <text>".
    void Write(std::string_view source, std::string_view text);
    // Writes a line that is already formatted.
    void WriteLine(std::string_view text);

    std::string LogPath() const { return m_baseName + ".log"; }
    std::string TempPath() const { return m_baseName + ".tmp"; }
    std::int16_t LineLimit() const { return m_lineLimit; }

    // printf-style convenience for the many formatted trace lines of the handlers.
    void WriteF(std::string_view source, const char* format, ...) __attribute__((format(printf, 3, 4)));

private:
    std::string m_baseName;
    std::int16_t m_lineLimit;
    const IClock* m_clock;
    bool m_reportedFailure = false;
};
