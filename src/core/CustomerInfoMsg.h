#pragma once

#include "DatabaseMsg.h"
#include "DbResults.h"
#include "MsgKinds.h"

#include <cstddef>
#include <string>

// One customer (CustomerInfo row); Name is the key.
class CCustomerInfoMsg : public CDatabaseMsg {
public:
    static constexpr std::size_t NAME_LENGTH = 40;

    explicit CCustomerInfoMsg(std::uint16_t kind = MsgKind::UI_CUSTOMER_REPLY, std::uint16_t status = 0)
        : CDatabaseMsg(kind, status) {}

    CCustomerInfoMsg* NextRecord() const { return dynamic_cast<CCustomerInfoMsg*>(Next.get()); }

    std::string Name;
    std::string Info;
};
