#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One frame of the modem's serial line as the device sees it: the code byte, the data bytes
// (data byte 0 is the flags byte) and the bytes as they travel on the wire.
struct SSimFrame {
    std::uint8_t Code = 0;
    std::vector<std::uint8_t> Data;
    std::vector<std::uint8_t> Wire;

    std::uint8_t Flags() const { return Data.empty() ? 0 : Data[0]; }
    // The parameters after the flags byte.
    std::vector<std::uint8_t> Params() const;

    // Wire bytes of a frame with the given code and data (length byte when bit 7 of the code is
    // set, check byte last).
    static std::vector<std::uint8_t> Encode(std::uint8_t code, const std::vector<std::uint8_t>& data);
    // 0xFF XOR every byte.
    static std::uint8_t CheckByte(const std::uint8_t* bytes, std::size_t count);
    // "81 01 00 7F"
    static std::string Hex(const std::vector<std::uint8_t>& bytes);
};

// Assembles frames from the bytes the station writes, one byte at a time. A frame whose bytes are
// 50 ms or more apart is dropped, as the device's own receiver does.
class CSimFrameParser {
public:
    static constexpr std::uint32_t GAP_MS = 50;

    enum EResult { PARSE_MORE, PARSE_FRAME, PARSE_BAD_CHECK };

    EResult Feed(std::uint8_t byte, std::uint32_t tick);
    // Drops a frame in progress whose last byte is GAP_MS or more old; true when one was dropped.
    bool Expire(std::uint32_t tick);
    bool InProgress() const { return m_state != ST_CODE; }

    // The frame completed by the last PARSE_FRAME or PARSE_BAD_CHECK.
    const SSimFrame& Frame() const { return m_frame; }
    // Bytes of a frame that was dropped by Expire.
    const std::vector<std::uint8_t>& Dropped() const { return m_dropped; }

private:
    enum EState { ST_CODE, ST_LENGTH, ST_DATA, ST_CHECK };

    EState m_state = ST_CODE;
    std::size_t m_expected = 0;
    std::uint8_t m_check = 0xFF;
    std::uint32_t m_lastTick = 0;
    SSimFrame m_frame;
    std::vector<std::uint8_t> m_dropped;
};
