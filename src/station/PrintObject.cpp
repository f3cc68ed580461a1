#include "PrintObject.h"

#include "Translate.h"
#include "Utf8.h"

namespace {

// Alarm time as the report shows it; the handling times carry two blanks between date and time.
constexpr const char* ALARM_TIME_FORMAT = "%y-%m-%d %H:%M:%S";
constexpr const char* HANDLING_TIME_FORMAT = "%y-%m-%d  %H:%M:%S";

} // namespace

void CPrintObject::AddLine(const std::string& text, int style) {
    for (std::string& part : Wrap(text, LINE_COLUMNS)) {
        if (m_pages.empty() || m_pages.back().Full()) {
            m_pages.emplace_back();
        }
        m_pages.back().Add(CPrintLine(std::move(part), style));
    }
}

void CPrintObject::AddAlarm(const CAlarmInfoMsg& alarm) {
    for (const std::string& line : AlarmBlock(alarm)) {
        AddLine(line);
    }
}

void CPrintObject::AddAlarms(const CAlarmInfoMsg* chain) {
    for (const CAlarmInfoMsg* alarm = chain; alarm != nullptr; alarm = alarm->NextRecord()) {
        // Keys start at 1; a record without one is the filler of a key that was not found.
        if (alarm->PrimaryKey != 0) {
            AddAlarm(*alarm);
        }
    }
}

std::vector<std::string> CPrintObject::AlarmBlock(const CAlarmInfoMsg& alarm) {
    using Place = CAlarmInfoMsg::ETextPlace;
    std::vector<std::string> lines;
    lines.emplace_back(SEPARATOR_LENGTH, '*');
    // A value without a text in the report (an unknown status, a bus failure) has no line.
    for (const std::string& coded : {CAlarmInfoMsg::StatusText(Place::Print, alarm.AlarmStatus),
                                     CAlarmInfoMsg::TypeText(Place::Print, alarm.AlarmType, alarm.OpFailType),
                                     CAlarmInfoMsg::SourceText(Place::Print, alarm.AlarmSource)}) {
        if (!coded.empty()) {
            lines.push_back(coded);
        }
    }
    lines.push_back(Text::TrF("IDS_PRINTDLG_MSG_30", alarm.IdCode.c_str()));
    lines.push_back(Text::TrF("IDS_PRINTDLG_MSG_31", alarm.IdInfo.c_str()));
    lines.push_back(Text::TrF("IDS_PRINTDLG_MSG_32", alarm.AlarmTime.Format(ALARM_TIME_FORMAT).c_str()));
    const std::string& text = alarm.Text.Text();
    if (!text.empty()) {
        std::size_t start = 0;
        while (true) {
            const std::size_t end = text.find('\n', start);
            lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
            if (end == std::string::npos) {
                break;
            }
            start = end + 1;
        }
    }
    if (alarm.AlarmStatus == CAlarmInfoMsg::ALARMSTATUS_ACKNOWLEDGED ||
        alarm.AlarmStatus == CAlarmInfoMsg::ALARMSTATUS_FINISHED) {
        lines.push_back(Text::TrF("IDS_PRINTDLG_MSG_34", alarm.AckOperator.c_str(),
                                  alarm.AckTime.Format(HANDLING_TIME_FORMAT).c_str()));
    }
    if (alarm.AlarmStatus == CAlarmInfoMsg::ALARMSTATUS_FINISHED) {
        lines.push_back(Text::TrF("IDS_PRINTDLG_MSG_38", alarm.ExecOperator.c_str(),
                                  alarm.ExecTime.Format(HANDLING_TIME_FORMAT).c_str()));
    }
    return lines;
}

std::vector<std::string> CPrintObject::Wrap(const std::string& text, std::size_t columns) {
    std::vector<std::string> parts;
    std::string_view rest = text;
    // A CR of a line end typed on another system would print as a box; drop it.
    std::string cleaned;
    if (rest.find('\r') != std::string_view::npos) {
        for (char c : rest) {
            if (c != '\r') {
                cleaned += c;
            }
        }
        rest = cleaned;
    }
    while (columns > 0 && Utf8::Length(rest) > columns) {
        const std::size_t limit = Utf8::ByteOffset(rest, columns);
        // Break after the last blank that leaves something on the line, else hard at the limit.
        const std::size_t blank = rest.substr(0, limit + 1).find_last_of(' ');
        const bool atBlank = blank != std::string_view::npos && blank > 0;
        const std::size_t cut = atBlank ? blank : limit;
        parts.emplace_back(rest.substr(0, cut));
        rest.remove_prefix(atBlank ? cut + 1 : cut);
    }
    parts.emplace_back(rest);
    return parts;
}
