#pragma once

#include "DatabaseMsg.h"
#include "DateTime.h"
#include "DbResults.h"
#include "MsgKinds.h"
#include "MsgText.h"

#include <cstdint>
#include <string>

// The alarm record: one row of the alarm log, plus what the intake adds from the object register
// (address, recipients, pop-up, notes) that is not stored with the alarm.
//
// Status is AlarmResult::NEW_ALARM while the record is a new alarm not yet stored; in replies it
// is the operation's result code. Deleting the head of a chain deletes the whole chain.
class CAlarmInfoMsg : public CDatabaseMsg {
public:
    // AlarmType
    enum EAlarmType : std::uint8_t {
        ALARMTYPE_NONE = 0,
        ALARMTYPE_P100 = 1,
        ALARMTYPE_SMS = 2,
        ALARMTYPE_VOICE = 3,
        ALARMTYPE_OPFAIL = 4,
        ALARMTYPE_LIFT_MONITORING = 5,
        ALARMTYPE_TEST = 6,
        ALARMTYPE_TEST_FAIL = 7,
        ALARMTYPE_EMERGENCY_CALL = 8,
        ALARMTYPE_END_OF_ALARM = 9,
        ALARMTYPE_MAINTENANCE = 10,
        ALARMTYPE_VOICE_REDIRECTED = 11,
    };

    // AlarmStatus
    enum EAlarmStatus : std::uint8_t {
        ALARMSTATUS_NONE = 0,
        ALARMSTATUS_NEW = 1,
        ALARMSTATUS_ACKNOWLEDGED = 2,
        ALARMSTATUS_FINISHED = 3,
        ALARMSTATUS_INFO = 4,
    };

    // AlarmSource
    enum EAlarmSource : std::uint8_t {
        ALARMSOURCE_NONE = 0,
        ALARMSOURCE_TEL = 1,
        ALARMSOURCE_SMS = 2,
        ALARMSOURCE_INTERNAL = 3,
        ALARMSOURCE_CALLER_ID = 4,
    };

    // OpFailType, meaningful when AlarmType is ALARMTYPE_OPFAIL
    enum EOpFailType : std::uint8_t {
        OPFAIL_NONE = 0,
        OPFAIL_INPUTS = 1,
        OPFAIL_BATTERY = 2,
        OPFAIL_MIC_SPEAKER = 3,
        OPFAIL_MAINS_POWER = 4,
        OPFAIL_STUCK_BUTTON = 5,
        OPFAIL_BUS_UNIT_RESPONSE = 6,
        OPFAIL_BUS_COMMUNICATION = 7,
    };

    // Where a type, status or source text is shown; each place has its own wording.
    enum class ETextPlace { List, Dialog, Print, Mail, Sms };

    explicit CAlarmInfoMsg(std::uint16_t kind = MsgKind::UI_ALARM_RECORD, std::uint16_t status = 0)
        : CDatabaseMsg(kind, status) {}

    CAlarmInfoMsg* NextRecord() const { return dynamic_cast<CAlarmInfoMsg*>(Next.get()); }

    // Stored in AlarmInfo
    std::uint32_t PrimaryKey = 0;
    std::string IdCode;
    std::uint8_t AlarmSource = ALARMSOURCE_NONE;
    std::uint8_t AlarmType = ALARMTYPE_NONE;
    std::string IdInfo;
    std::uint8_t OpFailType = OPFAIL_NONE;
    CMsgText Text;
    std::uint8_t AlarmStatus = ALARMSTATUS_NONE;
    CDateTime AlarmTime;
    CDateTime AckTime;
    CDateTime ExecTime;
    std::string AckOperator;
    std::string ExecOperator;

    // From the object register, not stored
    std::string Address;
    std::string MailRecipients;
    std::string SmsRecipients;
    bool PopUpEnabled = false;
    bool ObjectFound = false;
    std::string Notes;

    // The mark of the received SMS the alarm came from (0: none), not stored: the SMS leaves the
    // modem only once its alarm is stored.
    std::uint32_t SmsMark = 0;

    // The texts of the value tables, looked up in the dictionary. Alarm type 4 in Print, Mail and
    // Sms gives the operational-failure text; an empty text means "no type line".
    static std::string TypeText(ETextPlace place, std::uint8_t alarmType, std::uint8_t opFailType = 0);
    static std::string OpFailText(ETextPlace place, std::uint8_t opFailType);
    // Empty for a value without a text (Print: no status line).
    static std::string StatusText(ETextPlace place, std::uint8_t alarmStatus);
    static std::string SourceText(ETextPlace place, std::uint8_t alarmSource);
};
