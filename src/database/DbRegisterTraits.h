#pragma once

#include "CustomerInfoMsg.h"
#include "CustomerInfoReqMsg.h"
#include "MailInfoMsg.h"
#include "MailInfoReqMsg.h"
#include "MsgKinds.h"
#include "SmsNumInfoMsg.h"
#include "SmsNumInfoReqMsg.h"

#include <cstddef>
#include <cstdint>
#include <string>

// What tells the three small tables apart, for CDbRegisterTable.

struct SCustomerTraits {
    using Record = CCustomerInfoMsg;
    using Request = CCustomerInfoReqMsg;
    static constexpr const char* TABLE = "CustomerInfo";
    static constexpr const char* KEY_COLUMN = "Name";
    static constexpr const char* OTHER_COLUMN = "Info";
    static constexpr std::size_t KEY_LENGTH = 40;
    static constexpr std::size_t OTHER_LENGTH = 65535;
    static constexpr const char* ADD_PREFIX = "CDatabaseHandler::AddCustomerInfo: ";
    static constexpr const char* FIND_PREFIX = "CDatabaseHandler::FindCustomerInfo: ";
    static constexpr const char* EDIT_PREFIX = "CDatabaseHandler::EditCustomerInfo: ";
    static constexpr const char* DELETE_PREFIX = "CDatabaseHandler::DeleteCustomerInfo: ";
    static std::string& Key(Record& r) { return r.Name; }
    static const std::string& Key(const Record& r) { return r.Name; }
    static std::string& Other(Record& r) { return r.Info; }
    static const std::string& Other(const Record& r) { return r.Info; }
    static std::uint16_t ReplyKind(const CDatabaseMsg&) { return MsgKind::UI_CUSTOMER_REPLY; }
};

struct SMailTraits {
    using Record = CMailInfoMsg;
    using Request = CMailInfoReqMsg;
    static constexpr const char* TABLE = "MailInfo";
    static constexpr const char* KEY_COLUMN = "Address";
    static constexpr const char* OTHER_COLUMN = "Name";
    static constexpr std::size_t KEY_LENGTH = 80;
    static constexpr std::size_t OTHER_LENGTH = 80;
    static constexpr const char* ADD_PREFIX = "CDatabaseHandler::AddMailInfo: ";
    static constexpr const char* FIND_PREFIX = "CDatabaseHandler::FindMailInfo: ";
    static constexpr const char* EDIT_PREFIX = "CDatabaseHandler::EditMailInfo: ";
    static constexpr const char* DELETE_PREFIX = "CDatabaseHandler::DeleteMailInfo: ";
    static std::string& Key(Record& r) { return r.Address; }
    static const std::string& Key(const Record& r) { return r.Address; }
    static std::string& Other(Record& r) { return r.Name; }
    static const std::string& Other(const Record& r) { return r.Name; }
    static std::uint16_t ReplyKind(const CDatabaseMsg&) { return MsgKind::UI_MAILREC_REPLY; }
};

struct SSmsNumTraits {
    using Record = CSmsNumInfoMsg;
    using Request = CSmsNumInfoReqMsg;
    static constexpr const char* TABLE = "SmsNumberInfo";
    static constexpr const char* KEY_COLUMN = "Number";
    static constexpr const char* OTHER_COLUMN = "Name";
    static constexpr std::size_t KEY_LENGTH = 20;
    static constexpr std::size_t OTHER_LENGTH = 80;
    static constexpr const char* ADD_PREFIX = "CDatabaseHandler::AddSmsNumInfo: ";
    static constexpr const char* FIND_PREFIX = "CDatabaseHandler::FindSmsNumInfo: ";
    static constexpr const char* EDIT_PREFIX = "CDatabaseHandler::EditSmsNumInfo: ";
    static constexpr const char* DELETE_PREFIX = "CDatabaseHandler::DeleteSmsNumInfo: ";
    static std::string& Key(Record& r) { return r.Number; }
    static const std::string& Key(const Record& r) { return r.Number; }
    static std::string& Other(Record& r) { return r.Name; }
    static const std::string& Other(const Record& r) { return r.Name; }
    // The SMS operations answer with the kind the request asks for (object dialog or GSM manager).
    static std::uint16_t ReplyKind(const CDatabaseMsg& request) {
        return request.ReplyKind != 0 ? request.ReplyKind : MsgKind::UI_SMSNUM_REPLY;
    }
};
