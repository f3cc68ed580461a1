#include "SimFrame.h"

#include <cstdio>

std::vector<std::uint8_t> SSimFrame::Params() const {
    if (Data.size() <= 1) {
        return {};
    }
    return std::vector<std::uint8_t>(Data.begin() + 1, Data.end());
}

std::vector<std::uint8_t> SSimFrame::Encode(std::uint8_t code, const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> wire;
    wire.reserve(data.size() + 3);
    wire.push_back(code);
    if ((code & 0x80) != 0) {
        wire.push_back(static_cast<std::uint8_t>(data.size()));
    }
    wire.insert(wire.end(), data.begin(), data.end());
    wire.push_back(CheckByte(wire.data(), wire.size()));
    return wire;
}

std::uint8_t SSimFrame::CheckByte(const std::uint8_t* bytes, std::size_t count) {
    std::uint8_t check = 0xFF;
    for (std::size_t i = 0; i < count; ++i) {
        check ^= bytes[i];
    }
    return check;
}

std::string SSimFrame::Hex(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    char part[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(part, sizeof part, i == 0 ? "%02X" : " %02X", bytes[i]);
        text += part;
    }
    return text;
}

CSimFrameParser::EResult CSimFrameParser::Feed(std::uint8_t byte, std::uint32_t tick) {
    Expire(tick);
    m_lastTick = tick;
    switch (m_state) {
    case ST_CODE:
        m_frame = SSimFrame{};
        m_frame.Code = byte;
        m_frame.Wire.push_back(byte);
        m_check = static_cast<std::uint8_t>(0xFF ^ byte);
        if ((byte & 0x80) != 0) {
            m_state = ST_LENGTH;
        } else {
            // Codes without bit 7 carry no length byte and exactly two data bytes.
            m_expected = 2;
            m_state = ST_DATA;
        }
        return PARSE_MORE;
    case ST_LENGTH:
        m_frame.Wire.push_back(byte);
        m_check ^= byte;
        m_expected = byte;
        m_state = m_expected == 0 ? ST_CHECK : ST_DATA;
        return PARSE_MORE;
    case ST_DATA:
        m_frame.Wire.push_back(byte);
        m_frame.Data.push_back(byte);
        m_check ^= byte;
        if (m_frame.Data.size() >= m_expected) {
            m_state = ST_CHECK;
        }
        return PARSE_MORE;
    case ST_CHECK:
        m_frame.Wire.push_back(byte);
        m_state = ST_CODE;
        return byte == m_check ? PARSE_FRAME : PARSE_BAD_CHECK;
    }
    return PARSE_MORE;
}

bool CSimFrameParser::Expire(std::uint32_t tick) {
    if (m_state == ST_CODE || tick - m_lastTick < GAP_MS) {
        return false;
    }
    m_dropped = m_frame.Wire;
    m_state = ST_CODE;
    return true;
}
