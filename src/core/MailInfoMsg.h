#pragma once

#include "DatabaseMsg.h"
#include "DbResults.h"
#include "MsgKinds.h"

#include <cstddef>
#include <string>

// One e-mail recipient of the address book (MailInfo row); Address is the key.
class CMailInfoMsg : public CDatabaseMsg {
public:
    static constexpr std::size_t NAME_LENGTH = 80;
    static constexpr std::size_t ADDRESS_LENGTH = 80;

    explicit CMailInfoMsg(std::uint16_t kind = MsgKind::UI_MAILREC_REPLY, std::uint16_t status = 0)
        : CDatabaseMsg(kind, status) {}

    CMailInfoMsg* NextRecord() const { return dynamic_cast<CMailInfoMsg*>(Next.get()); }

    std::string Address;
    std::string Name;
};
