#pragma once

#include "DatabaseMsg.h"
#include "MsgKinds.h"

#include <cstdint>
#include <string>
#include <utility>

// Find or delete of SMS recipients; Key is an SMS Number. ReplyKind chooses the reply's kind.
class CSmsNumInfoReqMsg : public CDatabaseMsg {
public:
    static constexpr std::int32_t BY_KEY = 1;
    static constexpr std::int32_t ALL = 2;

    explicit CSmsNumInfoReqMsg(std::uint16_t kind = MsgKind::DB_SMSNUM_FIND, std::int32_t type = BY_KEY,
                               std::string key = {}, std::uint16_t replyKind = MsgKind::UI_SMSNUM_REPLY)
        : CDatabaseMsg(kind, 0, replyKind), Type(type), Key(std::move(key)) {}

    std::int32_t Type = BY_KEY;
    std::string Key;
};
