#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

// One thing the simulated modem saw or did, in the order it happened.
struct SSimRecord {
    enum EType {
        FROM_STATION,     // a correct frame the station sent
        FROM_STATION_BAD, // a frame with a wrong check byte, or dropped after a gap
        TO_STATION,       // a frame the modem sent (as intended, before any injected fault)
        EVENT,            // something on the line or at the modem, in words
    };

    std::uint64_t Seq = 0;
    std::uint32_t Tick = 0;
    EType Type = EVENT;
    std::vector<std::uint8_t> Wire;
    std::string Text;

    bool IsFrom(std::uint8_t code) const { return Type == FROM_STATION && !Wire.empty() && Wire[0] == code; }
    bool IsTo(std::uint8_t code) const { return Type == TO_STATION && !Wire.empty() && Wire[0] == code; }
    // "station> 81 01 00 7F", "modem>   81 01 10 EE", "event:   line taken"
    std::string Describe() const;
};

// What the station sent and what happened at the simulated modem, kept for assertions and for
// the live trace of the program. Thread-safe; keeps the newest records up to a limit.
class CSimRecorder {
public:
    using Predicate = std::function<bool(const SSimRecord&)>;
    using Listener = std::function<void(const SSimRecord&)>;

    explicit CSimRecorder(std::size_t limit = 200000) : m_limit(limit) {}

    void AddFrame(SSimRecord::EType type, std::uint32_t tick, const std::vector<std::uint8_t>& wire);
    void AddEvent(std::uint32_t tick, const std::string& text);

    std::vector<SSimRecord> Snapshot() const;
    // Records newer than the given sequence number (0: all).
    std::vector<SSimRecord> Since(std::uint64_t seq) const;
    std::uint64_t LastSeq() const;
    void Clear();

    // Waits until a record after `afterSeq` matches; returns it, or a record with Seq 0 on time-out.
    SSimRecord WaitFor(const Predicate& match, std::uint32_t timeoutMs, std::uint64_t afterSeq = 0) const;
    // Waits for an event whose text contains `text`.
    bool WaitForEvent(const std::string& text, std::uint32_t timeoutMs, std::uint64_t afterSeq = 0) const;
    std::size_t Count(const Predicate& match) const;
    bool HasEvent(const std::string& text) const;

    // Called for every new record, on the thread that added it (the device thread).
    void SetListener(Listener listener);

private:
    void Add(SSimRecord record);

    std::size_t m_limit;
    mutable std::mutex m_lock;
    mutable std::condition_variable m_changed;
    std::deque<SSimRecord> m_records;
    std::uint64_t m_seq = 0;
    Listener m_listener;
};
