#include "MessageMgr.h"

#include "DictFormat.h"
#include "GsmHandlerMsg.h"
#include "MsgKinds.h"
#include "TelHandlerMsg.h"
#include "Translate.h"
#include "UserMessageFiles.h"
#include "Utf8.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

namespace {

using Alarm = CAlarmInfoMsg;

std::unique_ptr<Alarm> NewAlarm(std::uint8_t source) {
    auto alarm = std::make_unique<Alarm>(MsgKind::UI_ALARM_RECORD, AlarmResult::NEW_ALARM);
    alarm->AlarmSource = source;
    alarm->AlarmStatus = Alarm::ALARMSTATUS_NEW;
    return alarm;
}

// "Found Unit(s):" or "Missing Unit(s):" and the numbers of the units whose bits are set.
void AddUnitListLine(std::uint8_t ofData, Alarm& alarm) {
    std::string line;
    if ((ofData & 0x80) != 0) {
        line = Text::Tr("IDS_MESSAGEMGR_MSG_1");
        alarm.AlarmStatus = Alarm::ALARMSTATUS_INFO;
    } else {
        line = Text::Tr("IDS_MESSAGEMGR_MSG_2");
    }
    for (int unit = 1; unit <= 6; ++unit) {
        if ((ofData & (1u << (unit - 1))) != 0) {
            line += Text::Format("%d ", unit);
        }
    }
    alarm.Text.AddLine(line);
}

void AddBusErrorLine(std::uint8_t ofData, Alarm& alarm) {
    switch (ofData) {
    case 0:
        alarm.Text.AddLine(Text::Tr("IDS_MESSAGEMGR_MSG_16"));
        break;
    case 1:
        alarm.Text.AddLine(Text::Tr("IDS_MESSAGEMGR_MSG_17"));
        break;
    case 2:
        alarm.Text.AddLine(Text::Tr("IDS_MESSAGEMGR_MSG_18"));
        break;
    case 3:
        alarm.Text.AddLine(Text::Tr("IDS_MESSAGEMGR_MSG_19"));
        break;
    default:
        alarm.Text.AddLine(
            DictFormat::TrF("IDS_MESSAGEMGR_MSG_20", "Unknown Error, Code: %d", static_cast<int>(ofData)));
        break;
    }
}

// An operational failure of a telephone alarm, by its OfType.
void SetOpFail(const CTelHandlerMsg& msg, Alarm& alarm) {
    switch (msg.OfType) {
    case 1:
        alarm.AlarmType = Alarm::ALARMTYPE_OPFAIL;
        alarm.OpFailType = Alarm::OPFAIL_INPUTS;
        break;
    case 2:
        alarm.AlarmType = Alarm::ALARMTYPE_OPFAIL;
        alarm.OpFailType = Alarm::OPFAIL_BATTERY;
        if (msg.OfData == 0) {
            alarm.Text.AddLine(Text::Tr("IDS_MESSAGEMGR_MSG_23"));
        } else if (msg.OfData == 1) {
            alarm.Text.AddLine(Text::Tr("IDS_MESSAGEMGR_MSG_24"));
        } else {
            alarm.Text.AddLine("");
        }
        break;
    case 3:
        alarm.AlarmType = Alarm::ALARMTYPE_OPFAIL;
        alarm.OpFailType = Alarm::OPFAIL_MIC_SPEAKER;
        break;
    case 4:
    case 5:
        alarm.AlarmType = Alarm::ALARMTYPE_EMERGENCY_CALL;
        break;
    case 6:
        alarm.AlarmType = Alarm::ALARMTYPE_END_OF_ALARM;
        alarm.AlarmStatus = Alarm::ALARMSTATUS_INFO;
        break;
    case 7:
        alarm.AlarmType = Alarm::ALARMTYPE_MAINTENANCE;
        alarm.AlarmStatus = Alarm::ALARMSTATUS_INFO;
        break;
    case 8:
        alarm.AlarmType = Alarm::ALARMTYPE_OPFAIL;
        alarm.OpFailType = Alarm::OPFAIL_MAINS_POWER;
        if (msg.OfData == 0) {
            alarm.Text.AddLine(Text::Tr("IDS_MESSAGEMGR_MSG_21"));
        } else if (msg.OfData == 1) {
            alarm.Text.AddLine(Text::Tr("IDS_MESSAGEMGR_MSG_22"));
        } else {
            alarm.Text.AddLine("");
        }
        break;
    case 9:
        alarm.AlarmType = Alarm::ALARMTYPE_OPFAIL;
        alarm.OpFailType = Alarm::OPFAIL_STUCK_BUTTON;
        break;
    case 10:
        alarm.AlarmType = Alarm::ALARMTYPE_OPFAIL;
        alarm.OpFailType = Alarm::OPFAIL_BUS_UNIT_RESPONSE;
        AddUnitListLine(msg.OfData, alarm);
        break;
    case 11:
        alarm.AlarmType = Alarm::ALARMTYPE_OPFAIL;
        alarm.OpFailType = Alarm::OPFAIL_BUS_COMMUNICATION;
        AddBusErrorLine(msg.OfData, alarm);
        break;
    default: // 0 or above 11: an operational failure of no known kind
        alarm.AlarmType = Alarm::ALARMTYPE_OPFAIL;
        break;
    }
}

bool IsAsciiLetter(std::uint8_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Value of one hexadecimal digit, or -1.
int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The character at `index` (counted in characters) of a text, or empty past its end.
std::string_view CharAt(std::string_view text, std::size_t index) {
    const std::size_t begin = Utf8::ByteOffset(text, index);
    const std::size_t end = Utf8::ByteOffset(text, index + 1);
    return text.substr(begin, end - begin);
}

// Value of a one-character hexadecimal digit, or -1 when the character is missing or is not one.
int HexCharAt(std::string_view text, std::size_t index) {
    const std::string_view c = CharAt(text, index);
    return c.size() == 1 ? HexDigit(c[0]) : -1;
}

constexpr std::string_view SMS_TEST = "#TEST";
constexpr std::string_view SMS_P100 = "#P100:2B";

} // namespace

CMessageMgr::CMessageMgr(const IClock& clock, std::string userMsgFolder)
    : m_clock(clock), m_userMsgFolder(std::move(userMsgFolder)) {}

CMessageMgr::~CMessageMgr() = default;

std::string CMessageMgr::LookupUserMessage(char letter, int number) const {
    return CUserMessageFiles(m_userMsgFolder).LookupUserMessage(letter, number);
}

std::unique_ptr<CAlarmInfoMsg> CMessageMgr::ProcessMessage(const CMsg& msg) const {
    switch (msg.Kind) {
    case MsgKind::TEL_ALARM:
        if (const auto* tel = dynamic_cast<const CTelHandlerMsg*>(&msg)) {
            return ProcessTelAlarm(*tel);
        }
        return nullptr;
    case MsgKind::GSM_SMS_RECEIVED:
        if (const auto* sms = dynamic_cast<const CGsmHandlerMsg*>(&msg)) {
            return ProcessSms(*sms);
        }
        return nullptr;
    case MsgKind::GSM_CALLER_IDENTIFIED:
        if (const auto* caller = dynamic_cast<const CGsmHandlerMsg*>(&msg)) {
            return ProcessCaller(*caller);
        }
        return nullptr;
    default:
        return nullptr;
    }
}

std::unique_ptr<CAlarmInfoMsg> CMessageMgr::ProcessTelAlarm(const CTelHandlerMsg& msg) const {
    auto alarm = NewAlarm(Alarm::ALARMSOURCE_TEL);
    if (msg.IdType == 1) {
        alarm->IdCode = msg.ID;
    }
    switch (msg.MsgType) {
    case CTelHandlerMsg::MSGTYPE_ALARM:
        alarm->AlarmType = Alarm::ALARMTYPE_P100;
        break;
    case CTelHandlerMsg::MSGTYPE_VOICE:
        alarm->AlarmType = Alarm::ALARMTYPE_VOICE;
        break;
    case CTelHandlerMsg::MSGTYPE_OPFAIL:
        SetOpFail(msg, *alarm);
        break;
    case CTelHandlerMsg::MSGTYPE_TESTALARM:
        alarm->AlarmType = Alarm::ALARMTYPE_TEST;
        alarm->AlarmStatus = Alarm::ALARMSTATUS_INFO;
        break;
    case CTelHandlerMsg::MSGTYPE_USERDATA:
        alarm->AlarmType = Alarm::ALARMTYPE_LIFT_MONITORING;
        AddUserDataText(msg, *alarm);
        break;
    case CTelHandlerMsg::MSGTYPE_VOICE_REDIRECTED:
        alarm->AlarmType = Alarm::ALARMTYPE_VOICE_REDIRECTED;
        break;
    default: // still an alarm from a telephone: kept, with its type undefined
        break;
    }
    if (msg.Protocol == CTelHandlerMsg::PROTOCOL_CPC && msg.Value != 2) {
        alarm->Text.AddLine(Text::Tr("IDS_MESSAGEMGR_MSG_5"));
    }
    SetAlarmTime(*alarm);
    return alarm;
}

void CMessageMgr::AddUserDataText(const CTelHandlerMsg& msg, CAlarmInfoMsg& alarm) const {
    // Bytes past UserDataLen were not sent: they read as 0, whatever the array holds.
    const std::size_t length = std::min<std::size_t>(msg.UserDataLen, CTelHandlerMsg::USER_DATA_SIZE);
    auto byte = [&](std::size_t i) -> std::uint8_t { return i < length ? msg.UserData[i] : 0; };

    const std::uint8_t first = byte(0);
    if (IsAsciiLetter(first)) {
        // A lift controller message; (letter, number) is its user message code.
        const std::uint8_t number = byte(1);
        if (msg.UserDataLen == 4) {
            const std::uint8_t flags = byte(2);
            int position = byte(3);
            if ((flags & 0x04) != 0) {
                position *= (flags & 0x02) != 0 ? 100 : 10;
            }
            if ((flags & 0x01) != 0) {
                position = -position;
            }
            std::string text = DictFormat::TrF("IDS_MESSAGEMGR_MSG_8", "Error code: %c%u\n",
                                               static_cast<int>(first), static_cast<unsigned>(number));
            text += DictFormat::TrF("IDS_MESSAGEMGR_MSG_9", "Floor: %d\n", (flags >> 4) + 1);
            text += DictFormat::TrF("IDS_MESSAGEMGR_MSG_10", "Position: %d\n",
                                    static_cast<int>(static_cast<std::int16_t>(position)));
            text += Text::Tr((flags & 0x06) == 0 ? "IDS_MESSAGEMGR_MSG_11" : "IDS_MESSAGEMGR_MSG_12");
            text += Text::Tr((flags & 0x08) != 0 ? "IDS_MESSAGEMGR_MSG_13" : "IDS_MESSAGEMGR_MSG_14");
            alarm.Text.AddLine(text);
        } else {
            alarm.Text.AddLine(DictFormat::TrF("IDS_MESSAGEMGR_MSG_15", "Error code: %c%03u\n",
                                               static_cast<int>(first), static_cast<unsigned>(number)));
        }
        alarm.Text.AddLine(LookupUserMessage(static_cast<char>(first), number));
    } else if (first == 1) {
        // A car position event.
        const char sign = byte(2) != 0 ? '+' : '-';
        std::string text = "ZoraRerud Alarm Event\n";
        text += Text::Format("Floor: %d\n", static_cast<int>(byte(1)));
        if (byte(3) == 255) {
            text += Text::Format("Distance: %c255 mm or more\n", sign);
        } else {
            text += Text::Format("Distance: %c%d mm\n", sign, static_cast<int>(byte(3)));
        }
        text += "*** Contact Devirozed LTD ***\n";
        alarm.Text.AddLine(text);
    } else {
        alarm.Text.AddLine(Text::Tr("IDS_MESSAGEMGR_MSG_7"));
    }
}

std::unique_ptr<CAlarmInfoMsg> CMessageMgr::ProcessSms(const CGsmHandlerMsg& msg) const {
    auto alarm = NewAlarm(Alarm::ALARMSOURCE_SMS);
    alarm->SmsMark = msg.SmsMark;
    // What the modem delivered is stored and shown: it must be valid text whatever arrived.
    alarm->IdCode = Utf8::Sanitize(msg.Number);
    const std::string smsText = Utf8::Sanitize(msg.SmsText);
    const std::string_view text = smsText;
    if (text.substr(0, SMS_TEST.size()) == SMS_TEST) {
        alarm->AlarmType = Alarm::ALARMTYPE_TEST;
        alarm->AlarmStatus = Alarm::ALARMSTATUS_INFO;
        alarm->Text.AddLine(text.substr(SMS_TEST.size()));
    } else if (text.substr(0, SMS_P100.size()) == SMS_P100) {
        // A P100 technical alarm in text form: 8 ID digits, OfType as one hexadecimal digit and
        // OfData as two. OfType here is the raw P100 value, one below the telephone's numbering.
        const std::string_view rest = text.substr(SMS_P100.size());
        const std::size_t restChars = Utf8::Length(rest);
        if (restChars >= 8) {
            alarm->IdCode = Utf8::Left(rest, 8);
        }
        const int ofTypeDigit = HexCharAt(rest, 8);
        const int ofDataHigh = HexCharAt(rest, 9);
        const int ofDataLow = HexCharAt(rest, 10);
        const bool garbled = restChars < 8 || ofTypeDigit < 0 || ofDataHigh < 0 || ofDataLow < 0;
        // A field that is missing or not hexadecimal reads as 0.
        const int ofType = ofTypeDigit < 0 ? 0 : ofTypeDigit;
        const auto ofData =
            static_cast<std::uint8_t>(ofDataHigh < 0 || ofDataLow < 0 ? 0 : ofDataHigh * 16 + ofDataLow);
        switch (ofType) {
        case 3:
        case 4:
            alarm->AlarmType = Alarm::ALARMTYPE_EMERGENCY_CALL;
            break;
        case 5:
            alarm->AlarmType = Alarm::ALARMTYPE_END_OF_ALARM;
            alarm->AlarmStatus = Alarm::ALARMSTATUS_INFO;
            break;
        case 6:
            alarm->AlarmType = Alarm::ALARMTYPE_MAINTENANCE;
            alarm->AlarmStatus = Alarm::ALARMSTATUS_INFO;
            break;
        default:
            alarm->AlarmType = Alarm::ALARMTYPE_OPFAIL;
            switch (ofType) {
            case 0:
                alarm->OpFailType = Alarm::OPFAIL_INPUTS;
                break;
            case 1:
                alarm->OpFailType = Alarm::OPFAIL_BATTERY;
                break;
            case 2:
                alarm->OpFailType = Alarm::OPFAIL_MIC_SPEAKER;
                break;
            case 7:
                alarm->OpFailType = Alarm::OPFAIL_MAINS_POWER;
                break;
            case 8:
                alarm->OpFailType = Alarm::OPFAIL_STUCK_BUTTON;
                break;
            case 9:
                alarm->OpFailType = Alarm::OPFAIL_BUS_UNIT_RESPONSE;
                AddUnitListLine(ofData, *alarm);
                break;
            case 10:
                alarm->OpFailType = Alarm::OPFAIL_BUS_COMMUNICATION;
                AddBusErrorLine(ofData, *alarm);
                break;
            default:
                break;
            }
            break;
        }
        if (garbled) {
            // The operator sees what actually arrived rather than a guess alone.
            alarm->Text.AddLine(text);
        }
    } else {
        alarm->AlarmType = Alarm::ALARMTYPE_SMS;
        alarm->Text.AddLine(text);
    }
    alarm->Text.AddLine(DictFormat::TrF("IDS_MESSAGEMGR_MSG_6", "SMS Timestamp: %s, %s",
                                        Utf8::Sanitize(msg.Date).c_str(), Utf8::Sanitize(msg.Time).c_str()));
    SetAlarmTime(*alarm);
    return alarm;
}

std::unique_ptr<CAlarmInfoMsg> CMessageMgr::ProcessCaller(const CGsmHandlerMsg& msg) const {
    auto alarm = NewAlarm(Alarm::ALARMSOURCE_CALLER_ID);
    alarm->IdCode = Utf8::Sanitize(msg.Number);
    alarm->AlarmType = Alarm::ALARMTYPE_TEST;
    alarm->AlarmStatus = Alarm::ALARMSTATUS_INFO;
    SetAlarmTime(*alarm);
    return alarm;
}

void CMessageMgr::SetAlarmTime(CAlarmInfoMsg& alarm) const {
    alarm.AlarmTime = CDateTime::FromLocal(m_clock.Now());
}
