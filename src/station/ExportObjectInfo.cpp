#include "ExportObjectInfo.h"

#include "DbResults.h"
#include "MsgKinds.h"
#include "ObjectInfoReqMsg.h"
#include "Translate.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

namespace {

const char* const FIELD_TAGS[CExportObjectInfo::FIELD_COUNT] = {
    "IDS_EXPORTOBJECTINFODLG_MSG_1",  "IDS_EXPORTOBJECTINFODLG_MSG_2",  "IDS_EXPORTOBJECTINFODLG_MSG_3",
    "IDS_EXPORTOBJECTINFODLG_MSG_4",  "IDS_EXPORTOBJECTINFODLG_MSG_5",  "IDS_EXPORTOBJECTINFODLG_MSG_6",
    "IDS_EXPORTOBJECTINFODLG_MSG_7",  "IDS_EXPORTOBJECTINFODLG_MSG_8",  "IDS_EXPORTOBJECTINFODLG_MSG_9",
    "IDS_EXPORTOBJECTINFODLG_MSG_10", "IDS_EXPORTOBJECTINFODLG_MSG_11", "IDS_EXPORTOBJECTINFODLG_MSG_12",
    "IDS_EXPORTOBJECTINFODLG_MSG_13",
};

// A value with line ends (notes typed on several lines) would cut its record in two in a file
// of one record per line; the line ends become blanks.
std::string OnOneLine(const std::string& value) {
    if (value.find_first_of("\r\n") == std::string::npos) {
        return value;
    }
    std::string line;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\r' || value[i] == '\n') {
            if (value[i] == '\r' && i + 1 < value.size() && value[i + 1] == '\n') {
                ++i;
            }
            line += ' ';
        } else {
            line += value[i];
        }
    }
    return line;
}

const char* Bool(bool value) {
    return value ? "TRUE" : "FALSE";
}

} // namespace

const char* CExportObjectInfo::FieldTag(int field) {
    return field >= 0 && field < FIELD_COUNT ? FIELD_TAGS[field] : "";
}

void CExportObjectInfo::SetDefault() {
    m_checked.fill(false);
    m_checked[FIELD_ID_CODE] = true;
    m_checked[FIELD_ID_INFO] = true;
}

void CExportObjectInfo::SetAll() {
    m_checked.fill(true);
}

void CExportObjectInfo::ClearAll() {
    m_checked.fill(false);
}

void CExportObjectInfo::SetCount(std::int64_t count) {
    m_count = static_cast<std::int32_t>(std::clamp<std::int64_t>(count, 0, MAX_COUNT));
}

MsgPtr CExportObjectInfo::MakeRequest() {
    return std::make_unique<CObjectInfoReqMsg>(MsgKind::DB_OBJECT_FIND, CObjectInfoReqMsg::ALL, std::string(),
                                               MsgKind::UI_EXPORT_OBJECT_REPLY);
}

CExportObjectInfo::EReply CExportObjectInfo::OnReply(const CObjectInfoMsg& reply) {
    if (reply.Status == ObjectResult::FIND_NONE) {
        return EReply::NoObjects;
    }
    if (reply.Status != ObjectResult::FIND_LIST) {
        return EReply::Failed;
    }
    m_lines.clear();
    std::int64_t left = m_records == ERecords::Last ? m_count : MAX_COUNT;
    for (const CObjectInfoMsg* object = &reply; object != nullptr && left > 0;
         object = object->NextRecord()) {
        m_lines.push_back({BuildLine(*object), true});
        --left;
    }
    return EReply::Lines;
}

std::string CExportObjectInfo::NoObjectsText() {
    return Text::Tr("IDS_EXPORTOBJECTINFODLG_MSG_14");
}

std::string CExportObjectInfo::BuildLine(const CObjectInfoMsg& object) const {
    const char separator = m_separator == ESeparator::Comma ? ',' : ';';
    std::string line;
    bool first = true;
    for (int field = 0; field < FIELD_COUNT; ++field) {
        if (!Checked(field)) {
            continue;
        }
        std::string value;
        switch (field) {
        case FIELD_ID_CODE:
            value = object.IdCode;
            break;
        case FIELD_ID_INFO:
            value = object.IdInfo;
            break;
        case FIELD_ADDRESS:
            value = object.Address;
            break;
        case FIELD_DAYS:
            value = Text::Format("%02d", int(object.Days));
            break;
        case FIELD_TEST_ALARM_ONLY:
            value = Bool(object.TestAlarmOnly);
            break;
        case FIELD_POPUP_ENABLED:
            value = Bool(object.AlarmPopUpEnabled);
            break;
        case FIELD_MAIL_TECH:
            value = object.MailAddrTech;
            break;
        case FIELD_SMS_TECH:
            value = object.SmsNumTech;
            break;
        case FIELD_MAIL_EMG:
            value = object.MailAddrEmg;
            break;
        case FIELD_SMS_EMG:
            value = object.SmsNumEmg;
            break;
        case FIELD_NOTES:
            value = object.Notes;
            break;
        case FIELD_ELEVATOR_TYPE:
            value = object.ElevatorType;
            break;
        case FIELD_CUSTOMER:
            value = object.Customer;
            break;
        default:
            break;
        }
        // A separator between every two ticked fields, so an empty value keeps its column.
        if (!first) {
            line += separator;
        }
        first = false;
        line += OnOneLine(value);
    }
    return line;
}

void CExportObjectInfo::SelectLine(std::size_t line, bool selected) {
    if (line < m_lines.size()) {
        m_lines[line].selected = selected;
    }
}

std::string CExportObjectInfo::FileContent() const {
    std::string content;
    for (const SLine& line : m_lines) {
        if (line.selected) {
            content += line.text;
            content += "\r\n";
        }
    }
    return content;
}

bool CExportObjectInfo::WriteFile(const std::string& path) const {
    const std::string content = FileContent();
    std::ofstream file(path, std::ios::out | std::ios::trunc | std::ios::binary);
    if (!file) {
        return false;
    }
    file.write(content.data(), static_cast<std::streamsize>(content.size()));
    file.close();
    return static_cast<bool>(file);
}

std::string CExportObjectInfo::WriteFailedText(const std::string& path) {
    return Text::TrF("IDS_EXPORTOBJECTINFODLG_MSG_15", path.c_str());
}
