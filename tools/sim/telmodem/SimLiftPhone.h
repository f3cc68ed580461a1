#pragma once

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

    // The telephone has put its receiver down (after a disconnect or a redirect).
    bool HungUp() const { return m_hungUp; }

protected:
    bool m_hungUp = false;
};
