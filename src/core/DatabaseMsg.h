#pragma once

#include "Msg.h"

#include <cstdint>

// Base of every database request and reply. In a request Status qualifies the operation and
// ReplyKind is the kind the reply must carry; in a reply Status is the outcome.
class CDatabaseMsg : public CMsg {
public:
    CDatabaseMsg() = default;
    explicit CDatabaseMsg(std::uint16_t kind, std::uint16_t status = 0, std::uint16_t replyKind = 0)
        : CMsg(kind), Status(status), ReplyKind(replyKind) {}

    std::uint16_t Status = 0;
    std::uint16_t ReplyKind = 0;
};
