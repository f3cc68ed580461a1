#pragma once

#include "Msg.h"

#include <string>

// Request or event of a worker handler: a command or status code, a text and a parameter.
class CHandlerMsg : public CMsg {
public:
    CHandlerMsg() = default;
    explicit CHandlerMsg(std::uint16_t kind, std::uint16_t code = 0) : CMsg(kind), Code(code) {}

    std::uint16_t Code = 0;
    std::string Text;
    std::uint16_t Value = 0;
};
