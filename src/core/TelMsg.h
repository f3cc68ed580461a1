#pragma once

#include "BufferMsg.h"
#include "TelHandlerMsg.h"

#include <cstdint>
#include <memory>

class CSwHwInfo;

// A modem command request or a decoded modem reply inside the telephone handler. Kinds 0-15 are
// local to the modem command layer (named in telephony's TelInfo.h).
class CTelMsg : public CBufferMsg {
public:
    CTelMsg() = default;
    explicit CTelMsg(std::uint16_t kind) : CBufferMsg(kind) {}

    // A decoded alarm record travelling with a reply; the receiver takes it over with std::move.
    std::unique_ptr<CTelHandlerMsg> Record;
    // Filled in by the decoder of a software/hardware information reply. Shared, so the
    // information outlives the reply that carried it and is freed with its last holder.
    std::shared_ptr<CSwHwInfo> SwHwInfo;
    std::int32_t Arg = 0;
    std::uint16_t Arg2 = 0;
};
