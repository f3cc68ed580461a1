#pragma once

#include "DatabaseMsg.h"
#include "MsgKinds.h"

#include <cstdint>
#include <string>
#include <utility>

// Find or delete of e-mail recipients; Key is an e-mail Address.
class CMailInfoReqMsg : public CDatabaseMsg {
public:
    static constexpr std::int32_t BY_KEY = 1;
    static constexpr std::int32_t ALL = 2;

    explicit CMailInfoReqMsg(std::uint16_t kind = MsgKind::DB_MAILREC_FIND, std::int32_t type = BY_KEY,
                             std::string key = {})
        : CDatabaseMsg(kind), Type(type), Key(std::move(key)) {}

    std::int32_t Type = BY_KEY;
    std::string Key;
};
