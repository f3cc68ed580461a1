#pragma once

#include "Clock.h"
#include "LogFile.h"

#include <cstddef>
#include <deque>
#include <string>

// The logic of the system information window: what the telephone, GSM and mail sides reported to
// the operator, newest on top, at most MAX_ROWS rows, each line also written to the SystemInfo log.
// The log keeps every line, including the ones the list has dropped or the operator deleted.
class CSystemInfoList {
public:
    static constexpr std::size_t MAX_ROWS = 200;
    static constexpr const char* LOG_NAME = "SystemInfo";
    static constexpr std::int16_t LOG_LINE_LIMIT = 1000;
    static constexpr const char* LOG_SOURCE = "SysInfo";

    struct SRow {
        std::string text;
        std::string time;
    };

    // Names the log (in logFolder, empty: the working directory) and writes the start-up line.
    explicit CSystemInfoList(const IClock& clock = CSystemClock::Instance(),
                             const std::string& logFolder = {});
    // Writes the shut-down line.
    ~CSystemInfoList();
    CSystemInfoList(const CSystemInfoList&) = delete;
    CSystemInfoList& operator=(const CSystemInfoList&) = delete;

    // A new line: on top of the list with the local time, and into the log. The list's oldest row
    // goes when there are more than MAX_ROWS (Insert, then DropOverflow; Add does both).
    void Add(const std::string& text);
    void Insert(const std::string& text);
    // True when the bottom row was removed.
    bool DropOverflow();
    bool Overfull() const { return m_rows.size() > MAX_ROWS; }

    // Removes one row; false when there is no such row (nothing selected).
    bool Delete(std::size_t row);
    void Clear() { m_rows.clear(); }

    const std::deque<SRow>& Rows() const { return m_rows; }
    std::size_t Size() const { return m_rows.size(); }
    const CLogFile& Log() const { return m_log; }

    // "yy-mm-dd  hh:mm:ss" (two blanks between date and time).
    static std::string TimeText(const SLocalTime& time);

private:
    const IClock& m_clock;
    CLogFile m_log;
    std::deque<SRow> m_rows;
};
