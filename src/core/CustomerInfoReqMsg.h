#pragma once

#include "DatabaseMsg.h"
#include "MsgKinds.h"

#include <cstdint>
#include <string>
#include <utility>

// Find or delete of customers; Key is a customer Name.
class CCustomerInfoReqMsg : public CDatabaseMsg {
public:
    static constexpr std::int32_t BY_KEY = 1;
    static constexpr std::int32_t ALL = 2;

    explicit CCustomerInfoReqMsg(std::uint16_t kind = MsgKind::DB_CUSTOMER_FIND, std::int32_t type = BY_KEY,
                                 std::string key = {})
        : CDatabaseMsg(kind), Type(type), Key(std::move(key)) {}

    std::int32_t Type = BY_KEY;
    std::string Key;
};
