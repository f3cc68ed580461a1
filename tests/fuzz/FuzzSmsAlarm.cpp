// The alarm message manager on what a GSM modem or a lift telephone delivered: a received SMS
// (plain, "#TEST" and the P100 technical format) or a telephone alarm's user data. Byte 0 picks
// the kind; for an SMS the rest is sender, date, time and text separated by 0x1E.
#include "AlarmInfoMsg.h"
#include "Dictionary.h"
#include "FuzzSupport.h"
#include "GsmHandlerMsg.h"
#include "MessageMgr.h"
#include "MsgKinds.h"
#include "TelHandlerMsg.h"
#include "Utf8.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace {

void CheckAlarm(const std::unique_ptr<CAlarmInfoMsg>& alarm) {
    if (!alarm) {
        std::abort();
    }
    const std::string& text = alarm->Text.Text();
    // Stored and shown as it is: bounded, valid text.
    if (alarm->Text.Length() > CMsgText::MAX_CHARS || Utf8::Length(text) > std::size_t(CMsgText::MAX_CHARS) ||
        Utf8::Sanitize(text) != text || Utf8::Sanitize(alarm->IdCode) != alarm->IdCode) {
        std::abort();
    }
}

std::string_view NextField(std::string_view& rest) {
    const std::size_t end = rest.find('\x1e');
    const std::string_view field = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    return field;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool ready = [] {
        CDictionary& dictionary = CDictionary::Instance();
        const bool ok = dictionary.Load() && dictionary.SetLanguage("en");
        dictionary.InstallAsTranslator();
        return ok;
    }();
    static const CFakeClock clock;
    // No user message files in the scratch folder: a lookup finds nothing.
    static const CMessageMgr manager(clock, Fuzz::ScratchFolder());
    if (!ready) {
        std::abort();
    }
    if (size == 0) {
        return 0;
    }
    std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    if ((data[0] & 1) == 0) {
        CGsmHandlerMsg sms(MsgKind::GSM_SMS_RECEIVED);
        sms.Number = NextField(rest);
        sms.Date = NextField(rest);
        sms.Time = NextField(rest);
        sms.SmsText = rest;
        CheckAlarm(manager.ProcessMessage(sms));
    } else {
        CTelHandlerMsg tel(MsgKind::TEL_ALARM);
        tel.MsgType = static_cast<std::uint8_t>(data[0] >> 1 & 0x0F);
        tel.Protocol = (data[0] & 0x20) != 0 ? CTelHandlerMsg::PROTOCOL_CPC : CTelHandlerMsg::PROTOCOL_P100;
        tel.IdType = 1;
        tel.ID = "12345678";
        const std::size_t n = std::min(rest.size(), tel.UserData.size());
        std::copy_n(rest.begin(), n, tel.UserData.begin());
        tel.UserDataLen = static_cast<std::uint16_t>(n);
        if (tel.MsgType == CTelHandlerMsg::MSGTYPE_OPFAIL && n >= 2) {
            tel.OfType = static_cast<std::uint8_t>(rest[0]);
            tel.OfData = static_cast<std::uint8_t>(rest[1]);
        }
        CheckAlarm(manager.ProcessMessage(tel));
    }
    return 0;
}
