#pragma once

#include "DatabaseMsg.h"
#include "MsgKinds.h"

#include <cstdint>
#include <string>
#include <utility>

// Find or delete of objects. Key is an IdCode (BY_IDCODE, and every delete) or a PhoneNumber
// (BY_PHONENUMBER). ReplyKind is the kind of a find's first record (29 object dialog, 30 export).
class CObjectInfoReqMsg : public CDatabaseMsg {
public:
    static constexpr std::int32_t BY_IDCODE = 1;
    static constexpr std::int32_t BY_PHONENUMBER = 2;
    static constexpr std::int32_t ALL = 3;

    explicit CObjectInfoReqMsg(std::uint16_t kind = MsgKind::DB_OBJECT_FIND, std::int32_t type = BY_IDCODE,
                               std::string key = {}, std::uint16_t replyKind = MsgKind::UI_OBJECT_REPLY)
        : CDatabaseMsg(kind, 0, replyKind), Type(type), Key(std::move(key)) {}

    std::int32_t Type = BY_IDCODE;
    std::string Key;
};
