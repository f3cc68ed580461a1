#include "LogFile.h"

#include "Translate.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fstream>

CLogFile::CLogFile(std::string baseName, std::int16_t lineLimit, const IClock& clock)
    : m_baseName(std::move(baseName)), m_lineLimit(lineLimit), m_clock(&clock) {}

void CLogFile::Write(std::string_view source, std::string_view text) {
    std::string line;
    line.reserve(source.size() + 2 + text.size());
    line.append(source).append(": ").append(text);
    WriteLine(line);
}

void CLogFile::WriteF(std::string_view source, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string text = Text::VFormat(format, args);
    va_end(args);
    Write(source, text);
}

void CLogFile::WriteLine(std::string_view text) {
    if (m_lineLimit <= 0) {
        return;
    }
    const SLocalTime now = m_clock->Now();
    const std::string tmpPath = TempPath();
    const std::string logPath = LogPath();

    std::ofstream tmp(tmpPath, std::ios::out | std::ios::trunc);
    if (!tmp) {
        if (!m_reportedFailure) {
            std::fprintf(stderr, "CLogFile: cannot create %s: %s\n", tmpPath.c_str(), std::strerror(errno));
            m_reportedFailure = true;
        }
        return;
    }
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%02u-%02u-%02u %02u:%02u:%02u:%03u: ", unsigned(now.Year),
                  unsigned(now.Month), unsigned(now.Day), unsigned(now.Hour), unsigned(now.Minute),
                  unsigned(now.Second), unsigned(now.Millisecond));
    tmp << stamp << text << '\n';
    int count = 1;

    std::ifstream old(logPath);
    if (old) {
        std::string line;
        while (count < m_lineLimit && std::getline(old, line)) {
            tmp << line << '\n';
            ++count;
        }
    }
    old.close();
    tmp.close();
    if (!tmp) {
        std::remove(tmpPath.c_str());
        return;
    }
    // rename replaces the old log in one step; when it fails the old log stays as it was.
    if (std::rename(tmpPath.c_str(), logPath.c_str()) != 0) {
        if (!m_reportedFailure) {
            std::fprintf(stderr, "CLogFile: cannot replace %s: %s\n", logPath.c_str(), std::strerror(errno));
            m_reportedFailure = true;
        }
        std::remove(tmpPath.c_str());
        return;
    }
    m_reportedFailure = false;
}
