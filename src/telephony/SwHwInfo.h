#pragma once

#include <cstdint>

// The telephone modem's software and hardware information, from its 0x8D reply.
class CSwHwInfo {
public:
    static constexpr std::uint8_t MODEL_B5100 = 12;
    static constexpr std::uint8_t INTERFACE_LINE = 1;
    static constexpr std::uint8_t INTERFACE_GSM = 2;

    std::uint16_t SwVersion = 0; // major * 256 + minor
    std::uint8_t SwInfo = 0;
    std::uint8_t ModelId = 0;
    std::uint8_t HwVersion = 0;
    std::uint8_t InterfaceType = 0;

    std::uint8_t Major() const { return static_cast<std::uint8_t>(SwVersion >> 8); }
    std::uint8_t Minor() const { return static_cast<std::uint8_t>(SwVersion & 0xFF); }
};
