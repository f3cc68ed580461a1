#pragma once

#include "Msg.h"

#include <array>
#include <cstdint>

// A message carrying up to 256 bytes and four 32-bit parameters.
class CBufferMsg : public CMsg {
public:
    static constexpr std::size_t DATA_SIZE = 256;

    CBufferMsg() = default;
    explicit CBufferMsg(std::uint16_t kind) : CMsg(kind) {}

    std::array<std::uint8_t, DATA_SIZE> Data{};
    std::uint16_t Length = 0;
    std::array<std::uint32_t, 4> Param{};
};
