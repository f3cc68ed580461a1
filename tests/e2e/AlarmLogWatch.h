#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Watches the alarm log of a database file from a connection of its own, every few
// milliseconds, and notes when each row first became visible there: the moment its commit was
// durable, as near as a reader outside the station can tell. Survives the station being killed
// (a hot journal only makes the reads fail until the next start recovers it).
class CAlarmLogWatch {
public:
    struct SRow {
        long Key = 0;
        std::string IdCode;
        std::string Text;
        int Type = 0;
        std::uint64_t SeenUs = 0; // steady_clock in microseconds
    };

    explicit CAlarmLogWatch(std::string path);
    ~CAlarmLogWatch();
    CAlarmLogWatch(const CAlarmLogWatch&) = delete;
    CAlarmLogWatch& operator=(const CAlarmLogWatch&) = delete;

    std::vector<SRow> Rows() const;
    // Rows whose IdCode is `idCode` (and whose text begins with `textStart`, when given).
    std::vector<SRow> Find(const std::string& idCode, const std::string& textStart = {}) const;
    // Reads at once (used after a kill, when the thread may be between two reads).
    void Refresh();

    static std::uint64_t NowUs();

private:
    void Run();

    std::string m_path;
    mutable std::mutex m_lock;
    std::vector<SRow> m_rows;
    std::multimap<std::string, std::size_t> m_byId;
    long m_lastKey = 0;
    std::mutex m_readLock;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};
