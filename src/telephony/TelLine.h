#pragma once

#include <cstdint>

// LineConnect results.
inline constexpr std::uint16_t TELHND_LCRET_BUSY = 0;
inline constexpr std::uint16_t TELHND_LCRET_OK = 1;
inline constexpr std::uint16_t TELHND_LCRET_COM_ERROR = 2;

// Modem status flags (the flags byte of every reply).
inline constexpr std::uint8_t TELFLAG_ACCEPTED = 0x80;
inline constexpr std::uint8_t TELFLAG_BUSY = 0x40;
inline constexpr std::uint8_t TELFLAG_RING = 0x20;
inline constexpr std::uint8_t TELFLAG_LINE = 0x10;
inline constexpr std::uint8_t TELFLAG_OFF_HOOK = 0x08;
inline constexpr std::uint8_t TELFLAG_CONNECTED = 0x04;

// What the incoming call manager needs of the telephone handler besides the protocol primitives:
// line control, the voice call and the modem's latest status flags. Tests drive the manager with a
// fake of it.
class ITelLine {
public:
    virtual ~ITelLine() = default;

    // Step function: takes (1) or releases (0) the line. TELHND_LCRET_*.
    virtual std::uint16_t LineConnect(std::int32_t on) = 0;
    // Starts (1) or ends (0) the voice call with the operator's telephone; no result.
    virtual void VoiceCall(std::int32_t on) = 0;
    virtual std::uint8_t ModemFlags() const = 0;
};
