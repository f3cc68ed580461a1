#pragma once

#include "DatabaseMsg.h"
#include "MsgKinds.h"

#include <cstdint>
#include <string>

// A find or delete request on the alarm log. A chain of key finds (FIND_KEY_CHAIN) links one
// request per key through Next.
class CAlarmInfoReqMsg : public CDatabaseMsg {
public:
    // Type of a find (kind DB_ALARM_FIND)
    static constexpr std::int32_t FIND_BY_KEY = 1;
    static constexpr std::int32_t FIND_BY_STATUS = 2;
    static constexpr std::int32_t FIND_KEY_CHAIN = 3;
    static constexpr std::int32_t FIND_FOR_PRINT = 4;
    static constexpr std::int32_t FIND_LAST_EMERGENCY = 6;
    // Type of a delete (kind DB_ALARM_DELETE)
    static constexpr std::int32_t DELETE_BY_KEY = 1;
    static constexpr std::int32_t DELETE_ALL = 2;
    static constexpr std::int32_t DELETE_PURGE = 5;

    // StatusMask bits, one per AlarmStatus 1 to 4
    static constexpr std::uint8_t MASK_NEW = 0x01;
    static constexpr std::uint8_t MASK_ACKNOWLEDGED = 0x02;
    static constexpr std::uint8_t MASK_FINISHED = 0x04;
    static constexpr std::uint8_t MASK_INFO = 0x08;
    static constexpr std::uint8_t MASK_ALL = 0x0F;

    explicit CAlarmInfoReqMsg(std::uint16_t kind = MsgKind::DB_ALARM_FIND, std::int32_t type = 0)
        : CDatabaseMsg(kind), Type(type) {}

    CAlarmInfoReqMsg* NextRequest() const { return dynamic_cast<CAlarmInfoReqMsg*>(Next.get()); }

    std::int32_t Type = 0;
    std::uint32_t PrimaryKey = 0;
    std::string IdCode;
    std::int32_t MaxCount = 0;
    std::uint8_t StatusMask = MASK_ALL;
    std::uint16_t Days = 0;
};
