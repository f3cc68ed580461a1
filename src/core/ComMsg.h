#pragma once

#include "BufferMsg.h"

// One frame of the modem link. Data[0] is the command byte, Data[1] the first data byte (the
// modem's status flags in replies), Data[2] onward the parameters; Length counts the parameters.
class CComMsg : public CBufferMsg {
public:
    CComMsg() = default;
    explicit CComMsg(std::uint16_t kind) : CBufferMsg(kind) {}

    std::uint16_t LinkValue = 0;
};
