#include "DbConvertVer01.h"

#include "AlarmInfoMsg.h"
#include "DbSchema.h"
#include "ObjectInfoMsg.h"
#include "SqliteTransaction.h"
#include "TextFileReader.h"
#include "Translate.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <limits>
#include <vector>

namespace {

// Reads a line without its line end (LF or CR LF); false at the end of the file.
bool ReadLine(std::istream& in, std::string& line) {
    if (!std::getline(in, line)) {
        return false;
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return true;
}

} // namespace

std::int64_t CDbConvertVer01::AtoI(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])) != 0) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::int64_t value = 0;
    constexpr std::int64_t LIMIT = std::numeric_limits<std::int64_t>::max() / 10 - 10;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) != 0; ++i) {
        if (value < LIMIT) {
            value = value * 10 + (text[i] - '0');
        }
    }
    return negative ? -value : value;
}

bool CDbConvertVer01::ParseObjectLine(const std::string& raw, CObjectInfoMsg& object) {
    const std::size_t colon = raw.find(':');
    if (raw.size() < 9 || colon == std::string::npos) {
        return false;
    }
    const std::string line = CTextFileReader::ToUtf8(raw);
    const std::size_t split = line.find(':');
    object.IdCode = line.substr(0, split);
    // Eight fields; a missing separator ends the field at the end of the line and leaves the
    // following fields empty; the last field runs to the end of the line.
    std::vector<std::string> fields(8);
    std::size_t pos = split + 1;
    for (std::size_t i = 0; i < fields.size() && pos <= line.size(); ++i) {
        const std::size_t end = i + 1 < fields.size() ? line.find(FIELD_SEPARATOR, pos) : std::string::npos;
        if (end == std::string::npos) {
            fields[i] = line.substr(pos);
            break;
        }
        fields[i] = line.substr(pos, end - pos);
        pos = end + 1;
    }
    object.IdInfo = fields[0];
    object.Days = static_cast<std::uint16_t>(AtoI(fields[1]));
    object.MailAddrTech = fields[2];
    object.LastTestAlarm = CDateTime::FromUnixTime(static_cast<std::time_t>(AtoI(fields[3])));
    object.SmsNumTech = fields[4];
    object.TestAlarmOnly = AtoI(fields[5]) != 0;
    object.MailAddrEmg = fields[6];
    object.SmsNumEmg = fields[7];
    return true;
}

std::uint8_t CDbConvertVer01::TranslateAlarmType(int version1Type, std::uint8_t alarmSource) {
    switch (version1Type) {
    case 1:
        return alarmSource == CAlarmInfoMsg::ALARMSOURCE_TEL ? CAlarmInfoMsg::ALARMTYPE_P100
                                                             : CAlarmInfoMsg::ALARMTYPE_SMS;
    case 2:
        return CAlarmInfoMsg::ALARMTYPE_VOICE;
    case 3:
        return CAlarmInfoMsg::ALARMTYPE_OPFAIL;
    case 4:
        return CAlarmInfoMsg::ALARMTYPE_LIFT_MONITORING;
    case 5:
        return CAlarmInfoMsg::ALARMTYPE_TEST;
    case 6:
        return CAlarmInfoMsg::ALARMTYPE_TEST_FAIL;
    default:
        return static_cast<std::uint8_t>(version1Type);
    }
}

bool CDbConvertVer01::Convert() {
    if (!OpenDatabase()) {
        return false;
    }
    // Rows lost with a file would otherwise be reported as copied: a file that did not come in
    // whole fails the import, and the alarms are not copied after objects that failed.
    const bool copied = ImportObjects() && ImportAlarms();
    CloseDatabase();
    return copied;
}

std::unique_ptr<CSqliteTransaction> CDbConvertVer01::BeginFile() {
    // One transaction for the whole file: one write to disk, and a crash leaves no half import.
    try {
        return std::make_unique<CSqliteTransaction>(m_db);
    } catch (const std::exception& e) {
        // Each row then commits on its own and reports its own error.
        ShowEngineError(e.what());
        return nullptr;
    }
}

bool CDbConvertVer01::FileLost(const std::unique_ptr<CSqliteTransaction>& batch) const {
    // Some engine errors roll the whole transaction back, and with it every row of the file so far.
    return batch != nullptr && !m_db.InTransaction();
}

bool CDbConvertVer01::EndFile(std::unique_ptr<CSqliteTransaction>& batch, const std::istream& in,
                              const char* name) {
    if (in.bad()) {
        // The file stopped before its end: its rows are not all there (the batch rolls back).
        ShowEngineError(CDbSchema::FileInFolder(m_folder, name) + ": " +
                        std::strerror(errno != 0 ? errno : EIO));
        batch.reset();
        return false;
    }
    if (FileLost(batch)) {
        batch.reset();
        return false;
    }
    if (batch) {
        try {
            batch->Commit();
        } catch (const std::exception& e) {
            ShowEngineError(e.what());
            batch.reset();
            return false;
        }
        batch.reset();
    }
    return true;
}

bool CDbConvertVer01::ImportObjects() {
    Progress(Text::Tr("IDS_DBCONVERTVER01_MSG_1"));
    std::ifstream in(CDbSchema::FileInFolder(m_folder, OBJECT_FILE), std::ios::binary);
    if (!in) {
        return true; // a file that cannot be opened is skipped
    }
    std::unique_ptr<CSqliteTransaction> batch = BeginFile();
    CObjectInfoMsg object;
    std::string line;
    errno = 0;
    while (ReadLine(in, line)) {
        if (!ParseObjectLine(line, object)) {
            continue;
        }
        object.AlarmPopUpEnabled = true;
        if (!CopyObjectRecord(object) && FileLost(batch)) {
            break; // a row that fails is skipped, unless it took the rows before it along
        }
    }
    return EndFile(batch, in, OBJECT_FILE);
}

bool CDbConvertVer01::ImportAlarms() {
    Progress(Text::Tr("IDS_DBCONVERTVER01_MSG_2"));
    const CDateTime importTime = CDateTime::FromLocal(m_clock.Now());
    std::ifstream in(CDbSchema::FileInFolder(m_folder, ALARM_FILE), std::ios::binary);
    if (!in) {
        return true; // a file that cannot be opened is skipped
    }
    std::unique_ptr<CSqliteTransaction> batch = BeginFile();
    errno = 0;
    for (;;) {
        std::string lines[8];
        bool complete = true;
        for (std::string& l : lines) {
            if (!ReadLine(in, l)) {
                complete = false;
                break;
            }
        }
        if (!complete) {
            break;
        }
        CAlarmInfoMsg alarm;
        alarm.AlarmSource = static_cast<std::uint8_t>(AtoI(lines[0]));
        const int version1Type = static_cast<std::uint8_t>(AtoI(lines[1]));
        alarm.IdCode = CTextFileReader::ToUtf8(lines[2]);
        alarm.IdInfo = CTextFileReader::ToUtf8(lines[3]);
        alarm.OpFailType = static_cast<std::uint8_t>(AtoI(lines[4]));
        alarm.AlarmTime = CDateTime::FromUnixTime(static_cast<std::time_t>(AtoI(lines[6])));
        const std::int64_t textLines = AtoI(lines[7]);
        std::string text;
        for (std::int64_t i = 0; i < textLines && complete; ++i) {
            if (ReadLine(in, text)) {
                alarm.Text.AddLine(CTextFileReader::ToUtf8(text));
            } else {
                complete = false;
            }
        }
        if (!complete) {
            break;
        }
        alarm.AlarmType = TranslateAlarmType(version1Type, alarm.AlarmSource);
        if (alarm.AlarmType == CAlarmInfoMsg::ALARMTYPE_TEST) {
            alarm.AlarmStatus = CAlarmInfoMsg::ALARMSTATUS_INFO;
        } else {
            alarm.AlarmStatus = CAlarmInfoMsg::ALARMSTATUS_FINISHED;
            alarm.AckTime = importTime;
            alarm.ExecTime = importTime;
            alarm.AckOperator = m_operator;
            alarm.ExecOperator = m_operator;
        }
        if (!CopyAlarmRecord(alarm) && FileLost(batch)) {
            break;
        }
    }
    return EndFile(batch, in, ALARM_FILE);
}
