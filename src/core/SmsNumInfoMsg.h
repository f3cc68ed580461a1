#pragma once

#include "DatabaseMsg.h"
#include "DbResults.h"
#include "MsgKinds.h"

#include <cstddef>
#include <string>

// One SMS recipient of the address book (SmsNumberInfo row); Number is the key. As a request its
// ReplyKind chooses the kind of the reply (34 object dialog, 35 and 36 GSM manager).
class CSmsNumInfoMsg : public CDatabaseMsg {
public:
    static constexpr std::size_t NAME_LENGTH = 80;
    static constexpr std::size_t NUMBER_LENGTH = 20;

    explicit CSmsNumInfoMsg(std::uint16_t kind = MsgKind::UI_SMSNUM_REPLY, std::uint16_t status = 0)
        : CDatabaseMsg(kind, status) {}

    CSmsNumInfoMsg* NextRecord() const { return dynamic_cast<CSmsNumInfoMsg*>(Next.get()); }

    std::string Number;
    std::string Name;
};
