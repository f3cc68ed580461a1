#pragma once

#include "CustomerInfoMsg.h"
#include "DatabaseMsg.h"
#include "DateTime.h"
#include "DbResults.h"
#include "MsgKinds.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// One lift installation of the object register (ObjectInfo row). IdCode is the key; PhoneNumber
// is empty or unique. The long texts (MailAddrTech, MailAddrEmg, Notes) are kept whole here and
// split over two columns of SPLIT_PART characters each on storage.
class CObjectInfoMsg : public CDatabaseMsg {
public:
    static constexpr std::size_t SPLIT_PART = 255;
    static constexpr std::size_t SPLIT_TEXT_MAX = 2 * SPLIT_PART;
    static constexpr std::size_t IDCODE_LENGTH = 20;
    static constexpr std::size_t PHONENUMBER_LENGTH = 30;
    static constexpr std::size_t TEXT_LENGTH = 255;
    static constexpr std::size_t CUSTOMER_LENGTH = 40;
    // An IdInfo starting with this character hides the object's alarms (they are not stored).
    static constexpr char HIDDEN_MARK = '?';

    explicit CObjectInfoMsg(std::uint16_t kind = MsgKind::UI_OBJECT_REPLY, std::uint16_t status = 0)
        : CDatabaseMsg(kind, status), LastTestAlarm(CDateTime::FromDays(0.0)) {}

    CObjectInfoMsg* NextRecord() const { return dynamic_cast<CObjectInfoMsg*>(Next.get()); }

    std::string IdCode;
    std::string PhoneNumber;
    std::string IdInfo;
    std::string Address;
    std::uint16_t Days = 0;
    CDateTime LastTestAlarm;
    bool TestAlarmOnly = false;
    bool AlarmPopUpEnabled = false;
    std::string MailAddrTech;
    std::string SmsNumTech;
    std::string MailAddrEmg;
    std::string SmsNumEmg;
    std::string ElevatorType;
    std::string Customer;
    std::string Notes;

    // The object's customer, attached by a find by IdCode or PhoneNumber when it exists.
    std::unique_ptr<CCustomerInfoMsg> CustomerInfo;
};
