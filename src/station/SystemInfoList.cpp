#include "SystemInfoList.h"

#include "MORADoc.h"

#include <cstdio>

namespace {

std::string LogBase(const std::string& folder) {
    if (folder.empty()) {
        return CSystemInfoList::LOG_NAME;
    }
    return folder + (folder.back() == '/' ? "" : "/") + CSystemInfoList::LOG_NAME;
}

// One entry is one line of the log, so a reported text with line ends is written on one line.
std::string OneLine(const std::string& text) {
    std::string line;
    line.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            line += ' ';
        } else {
            line += c;
        }
    }
    return line;
}

} // namespace

CSystemInfoList::CSystemInfoList(const IClock& clock, const std::string& logFolder)
    : m_clock(clock), m_log(LogBase(logFolder), LOG_LINE_LIMIT, clock) {
    m_log.Write(LOG_SOURCE, std::string("Startup - Ver. ") + CMORADoc::VERSION);
}

CSystemInfoList::~CSystemInfoList() {
    m_log.Write(LOG_SOURCE, "Shutdown");
}

void CSystemInfoList::Add(const std::string& text) {
    Insert(text);
    DropOverflow();
}

void CSystemInfoList::Insert(const std::string& text) {
    m_rows.push_front(SRow{text, TimeText(m_clock.Now())});
    m_log.Write(LOG_SOURCE, OneLine(text));
}

bool CSystemInfoList::DropOverflow() {
    if (!Overfull()) {
        return false;
    }
    m_rows.pop_back();
    return true;
}

bool CSystemInfoList::Delete(std::size_t row) {
    if (row >= m_rows.size()) {
        return false;
    }
    m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(row));
    return true;
}

std::string CSystemInfoList::TimeText(const SLocalTime& time) {
    char text[96];
    std::snprintf(text, sizeof text, "%02d-%02d-%02d  %02d:%02d:%02d", time.Year % 100, time.Month, time.Day,
                  time.Hour, time.Minute, time.Second);
    return text;
}
