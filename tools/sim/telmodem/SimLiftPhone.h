#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What a P100 telephone does while the modem listens: the modem reports each step in turn. The
// steps before the last are troubles the modem retries by itself; the last one ends the listen.
struct SSimP100Step {
    enum EKind {
        MESSAGE,         // a message arrived (Nibbles: one 4-bit value per byte)
        NO_START,        // the telephone did not start sending
        EXHAUSTED,       // the modem gave up after its own retries
        MESSAGE_TIMEOUT, // the message stopped half-way; the modem retries
        CHECKSUM,        // checksum error; the modem retries
        TIMING,          // timing error; the modem retries
    };

    EKind Kind = NO_START;
    std::vector<std::uint8_t> Nibbles;

    bool EndsListen() const { return Kind == MESSAGE || Kind == NO_START || Kind == EXHAUSTED; }
};

// A lift telephone at the other end of the line, as the modem hears it.
class CSimLiftPhone {
public:
    virtual ~CSimLiftPhone() = default;

    virtual std::string Name() const = 0;
    // The modem listens for a P100 message (attempt number from the station).
    virtual std::vector<SSimP100Step> P100Listen(int attempt) = 0;
    // The modem sends a CPC request (digits 0-9): the telephone's answer, none for no valid answer.
    virtual std::optional<std::vector<std::uint8_t>> CpcRequest(const std::vector<std::uint8_t>& digits) = 0;
    // Bytes the station sent down the line with a raw send. Returns a few words on what the
    // telephone made of them, for the trace.
    virtual std::string RawReceived(const std::vector<std::uint8_t>& bytes) = 0;

    // The modem received a whole message from the telephone and confirmed it on the line: for
    // a P100 telephone that is the acknowledgement of its alarm.
    virtual void MessageConfirmed() {}

    // The telephone has put its receiver down (after a disconnect or a redirect).
    bool HungUp() const { return m_hungUp; }
    // When the telephone heard its alarm acknowledged by the station (steady_clock in
    // microseconds), 0 while it has not. From then on the lift considers the alarm delivered.
    std::uint64_t AcknowledgedUs() const { return m_acknowledgedUs.load(); }

protected:
    // The last acknowledgement counts (a call may carry several messages).
    void MarkAcknowledged() {
        const auto now = std::chrono::duration_cast<std::chrono::microseconds>(
            std::chrono::steady_clock::now().time_since_epoch());
        m_acknowledgedUs.store(static_cast<std::uint64_t>(now.count()));
    }

    bool m_hungUp = false;

private:
    std::atomic<std::uint64_t> m_acknowledgedUs{0};
};
