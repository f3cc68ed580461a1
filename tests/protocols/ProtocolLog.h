#pragma once

#include "Clock.h"
#include "LogFile.h"
#include "TempDir.h"

#include <sstream>
#include <string>
#include <vector>

// A real telephone handler log in a fresh folder, read back oldest line first without time stamps.
class CProtocolLog {
public:
    explicit CProtocolLog(const IClock& clock) : m_log(m_dir.File("TelHandler"), 1000, clock) {}

    CLogFile* Log() { return &m_log; }

    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        std::istringstream in(CTempDir::ReadFile(m_log.LogPath()));
        std::string line;
        // "2024-03-05 07:04:09:042: " precedes every line.
        constexpr std::size_t STAMP = 25;
        while (std::getline(in, line)) {
            lines.insert(lines.begin(), line.size() >= STAMP ? line.substr(STAMP) : line);
        }
        return lines;
    }

    // Lines written since the last call.
    std::vector<std::string> NewLines() {
        std::vector<std::string> all = Lines();
        std::vector<std::string> fresh(
            all.begin() + static_cast<std::ptrdiff_t>(std::min(m_seen, all.size())), all.end());
        m_seen = all.size();
        return fresh;
    }

private:
    CTempDir m_dir;
    CLogFile m_log;
    std::size_t m_seen = 0;
};
