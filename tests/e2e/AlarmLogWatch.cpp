#include "AlarmLogWatch.h"

#include "SqliteReader.h"

#include <chrono>
#include <filesystem>

CAlarmLogWatch::CAlarmLogWatch(std::string path) : m_path(std::move(path)), m_thread([this] { Run(); }) {}

CAlarmLogWatch::~CAlarmLogWatch() {
    m_stop = true;
    m_thread.join();
}

std::uint64_t CAlarmLogWatch::NowUs() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

void CAlarmLogWatch::Run() {
    while (!m_stop) {
        Refresh();
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
}

void CAlarmLogWatch::Refresh() {
    std::lock_guard readGuard(m_readLock);
    std::error_code ec;
    if (!std::filesystem::exists(m_path, ec)) {
        return;
    }
    // A fresh connection each time: one that lived across a kill could keep a stale view.
    CSqliteReader db(m_path);
    if (!db.IsOpen()) {
        return;
    }
    const auto rows =
        db.Rows("SELECT PrimaryKey, IdCode, Text, AlarmType FROM AlarmInfo WHERE PrimaryKey > " +
                std::to_string(m_lastKey) + " ORDER BY PrimaryKey");
    const std::uint64_t now = NowUs();
    const auto number = [](const std::string& text) {
        return text.empty() || text[0] < '0' || text[0] > '9' ? 0L : std::stol(text);
    };
    std::lock_guard guard(m_lock);
    for (const auto& r : rows) {
        SRow row{number(r[0]), r[1], r[2], static_cast<int>(number(r[3])), now};
        m_lastKey = std::max(m_lastKey, row.Key);
        m_byId.emplace(row.IdCode, m_rows.size());
        m_rows.push_back(std::move(row));
    }
}

std::vector<CAlarmLogWatch::SRow> CAlarmLogWatch::Rows() const {
    std::lock_guard guard(m_lock);
    return m_rows;
}

std::vector<CAlarmLogWatch::SRow> CAlarmLogWatch::Find(const std::string& idCode,
                                                       const std::string& textStart) const {
    std::lock_guard guard(m_lock);
    std::vector<SRow> found;
    const auto range = m_byId.equal_range(idCode);
    for (auto it = range.first; it != range.second; ++it) {
        const SRow& row = m_rows[it->second];
        if (textStart.empty() || row.Text.rfind(textStart, 0) == 0) {
            found.push_back(row);
        }
    }
    return found;
}
