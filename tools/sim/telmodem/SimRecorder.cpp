#include "SimRecorder.h"

#include "SimFrame.h"

#include <algorithm>
#include <chrono>

std::string SSimRecord::Describe() const {
    switch (Type) {
    case FROM_STATION:
        return "station> " + SSimFrame::Hex(Wire);
    case FROM_STATION_BAD:
        return "station> " + SSimFrame::Hex(Wire) + "  (dropped: " + Text + ")";
    case TO_STATION:
        return "modem>   " + SSimFrame::Hex(Wire);
    case EVENT:
        break;
    }
    return "event:   " + Text;
}

void CSimRecorder::AddFrame(SSimRecord::EType type, std::uint32_t tick,
                            const std::vector<std::uint8_t>& wire) {
    SSimRecord record;
    record.Type = type;
    record.Tick = tick;
    record.Wire = wire;
    Add(std::move(record));
}

void CSimRecorder::AddEvent(std::uint32_t tick, const std::string& text) {
    SSimRecord record;
    record.Type = SSimRecord::EVENT;
    record.Tick = tick;
    record.Text = text;
    Add(std::move(record));
}

void CSimRecorder::Add(SSimRecord record) {
    Listener listener;
    {
        std::lock_guard guard(m_lock);
        record.Seq = ++m_seq;
        m_records.push_back(record);
        while (m_records.size() > m_limit) {
            m_records.pop_front();
        }
        listener = m_listener;
    }
    m_changed.notify_all();
    if (listener) {
        listener(record);
    }
}

std::vector<SSimRecord> CSimRecorder::Snapshot() const {
    return Since(0);
}

std::vector<SSimRecord> CSimRecorder::Since(std::uint64_t seq) const {
    std::lock_guard guard(m_lock);
    std::vector<SSimRecord> out;
    for (const auto& record : m_records) {
        if (record.Seq > seq) {
            out.push_back(record);
        }
    }
    return out;
}

std::uint64_t CSimRecorder::LastSeq() const {
    std::lock_guard guard(m_lock);
    return m_seq;
}

void CSimRecorder::Clear() {
    std::lock_guard guard(m_lock);
    m_records.clear();
}

SSimRecord CSimRecorder::WaitFor(const Predicate& match, std::uint32_t timeoutMs,
                                 std::uint64_t afterSeq) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::unique_lock lock(m_lock);
    std::uint64_t checked = afterSeq;
    for (;;) {
        for (const auto& record : m_records) {
            if (record.Seq > checked && match(record)) {
                return record;
            }
        }
        checked = std::max(checked, m_seq);
        if (m_changed.wait_until(lock, deadline) == std::cv_status::timeout) {
            for (const auto& record : m_records) {
                if (record.Seq > checked && match(record)) {
                    return record;
                }
            }
            return SSimRecord{};
        }
    }
}

bool CSimRecorder::WaitForEvent(const std::string& text, std::uint32_t timeoutMs,
                                std::uint64_t afterSeq) const {
    const SSimRecord found = WaitFor(
        [&text](const SSimRecord& r) {
            return r.Type == SSimRecord::EVENT && r.Text.find(text) != std::string::npos;
        },
        timeoutMs, afterSeq);
    return found.Seq != 0;
}

std::size_t CSimRecorder::Count(const Predicate& match) const {
    std::lock_guard guard(m_lock);
    std::size_t count = 0;
    for (const auto& record : m_records) {
        if (match(record)) {
            ++count;
        }
    }
    return count;
}

bool CSimRecorder::HasEvent(const std::string& text) const {
    return Count([&text](const SSimRecord& r) {
               return r.Type == SSimRecord::EVENT && r.Text.find(text) != std::string::npos;
           }) != 0;
}

void CSimRecorder::SetListener(Listener listener) {
    std::lock_guard guard(m_lock);
    m_listener = std::move(listener);
}
