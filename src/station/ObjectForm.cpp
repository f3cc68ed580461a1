#include "ObjectForm.h"

#include "DbResults.h"
#include "MsgKinds.h"
#include "ObjectInfoReqMsg.h"
#include "TextValidators.h"
#include "Translate.h"

#include <utility>

using EIcon = IFrontEnd::EIcon;
using EButtons = IFrontEnd::EButtons;
using EResult = IFrontEnd::EResult;

CObjectForm::CObjectForm(IObjectFormView& view, std::function<void(MsgPtr)> request, const IClock& clock)
    : m_view(view), m_request(std::move(request)), m_clock(clock) {
    Snapshot();
}

const char* CObjectForm::CaptionTag() const {
    return m_mode == EMode::Editing ? "IDS_OBJECTINFODLG_MSG_1" : "IDS_OBJECTINFODLG_MSG_2";
}

// --- entry points ---

void CObjectForm::FileNew() {
    if (m_view.IsShown()) {
        m_view.Beep();
        m_view.ShowAndRaise();
        return;
    }
    m_openedFromList = false;
    Clear({});
}

void CObjectForm::FileOpen() {
    if (m_view.IsShown() || m_view.ObjectListShown()) {
        m_view.Beep();
        if (m_view.IsShown()) {
            m_view.ShowAndRaise();
        }
        return;
    }
    RequestAll();
}

void CObjectForm::FileSave() {
    if (!m_view.IsShown()) {
        m_view.Beep();
        return;
    }
    Save();
    m_view.ShowAndRaise();
}

void CObjectForm::NewWithIdCode(const std::string& idCode) {
    if (m_view.IsShown()) {
        m_view.Beep();
        m_view.ShowAndRaise();
        return;
    }
    m_openedFromList = false;
    Clear(idCode);
}

void CObjectForm::OpenByKey(const std::string& key, bool byPhone) {
    if (m_view.IsShown()) {
        m_view.Beep();
        m_view.ShowAndRaise();
        return;
    }
    m_openedFromList = false;
    Find(byPhone ? CObjectInfoReqMsg::BY_PHONENUMBER : CObjectInfoReqMsg::BY_IDCODE, key);
}

void CObjectForm::OpenFromList(const std::string& idCode) {
    m_openedFromList = true;
    Find(CObjectInfoReqMsg::BY_IDCODE, idCode);
}

// --- buttons ---

void CObjectForm::OnNew() {
    if (SaveQuestion(ENext::NewObject)) {
        Clear({});
    }
}

void CObjectForm::OnCopy() {
    m_fields.IdCode.clear();
    m_fields.PhoneNumber.clear();
    Snapshot();
    m_mode = EMode::Adding;
    m_view.ShowForm();
}

void CObjectForm::OnDelete() {
    if (m_view.Ask(Text::Tr("IDS_OBJECTINFODLG_MSG_11"), EButtons::YesNo, EIcon::Warning) == EResult::Yes) {
        m_request(std::make_unique<CObjectInfoReqMsg>(MsgKind::DB_OBJECT_DELETE, CObjectInfoReqMsg::BY_IDCODE,
                                                      m_fields.IdCode, MsgKind::UI_OBJECT_REPLY));
        Clear({});
    }
    m_view.ShowAndRaise();
}

bool CObjectForm::OnClose() {
    if (!SaveQuestion(ENext::Close)) {
        return false;
    }
    CloseNow();
    return true;
}

// --- replies ---

MsgPtr CObjectForm::OnReply(MsgPtr reply) {
    if (!reply || reply->Kind != MsgKind::UI_OBJECT_REPLY) {
        return reply;
    }
    auto* db = dynamic_cast<CDatabaseMsg*>(reply.get());
    if (db == nullptr) {
        return reply;
    }
    const std::string& sentId = m_saving ? m_sent.IdCode : m_fields.IdCode;
    const std::string& sentPhone = m_saving ? m_sent.PhoneNumber : m_fields.PhoneNumber;
    switch (db->Status) {
    case ObjectResult::ADD_DONE: {
        m_saving = false;
        const ENext next = std::exchange(m_next, ENext::Nothing);
        const bool shown = m_view.IsShown();
        if (shown) {
            m_view.Ask(Text::Tr("IDS_OBJECTINFODLG_MSG_3"), EButtons::Ok, EIcon::Information);
            m_view.ShowAndRaise();
        }
        // The next new object; the dialog stays as it was (shown or hidden).
        m_fields = SObjectFields{};
        m_mode = EMode::Adding;
        Snapshot();
        m_view.ShowForm();
        GoOn(next);
        break;
    }
    case ObjectResult::ADD_ID_EXISTS:
        OnSaveFailed();
        Tell(Text::TrF("IDS_OBJECTINFODLG_MSG_4", sentId.c_str()), EIcon::Warning, EField::IdCode);
        break;
    case ObjectResult::ADD_PHONE_EXISTS:
        OnSaveFailed();
        Tell(Text::TrF("IDS_OBJECTINFODLG_MSG_40", sentPhone.c_str()), EIcon::Warning, EField::PhoneNumber);
        break;
    case ObjectResult::ADD_ERROR:
        OnSaveFailed();
        Tell(Text::Tr("IDS_OBJECTINFODLG_MSG_5"), EIcon::Error);
        break;
    case ObjectResult::FIND_BY_ID:
    case ObjectResult::FIND_BY_PHONE: {
        auto record = MsgCast<CObjectInfoMsg>(reply);
        if (!record) {
            break;
        }
        record->Next.reset(); // a key finds one object
        m_found = std::move(record);
        if (m_view.IsShown() && !SaveQuestion(ENext::OpenFound)) {
            // Cancelled (the object is dropped) or waiting for the save before it.
            if (m_next != ENext::OpenFound) {
                m_found.reset();
            }
            break;
        }
        GoOn(ENext::OpenFound);
        break;
    }
    case ObjectResult::FIND_LIST:
        m_view.ShowObjectList(MsgCast<CObjectInfoMsg>(reply), m_lastIdCode);
        break;
    case ObjectResult::FIND_NONE:
    case ObjectResult::FIND_ERROR:
        m_view.ShowObjectList(nullptr, m_lastIdCode);
        break;
    case ObjectResult::EDIT_CHANGED: {
        if (m_saving) {
            m_snapshot = m_sent;
        }
        m_saving = false;
        const ENext next = std::exchange(m_next, ENext::Nothing);
        Tell(Text::Tr("IDS_OBJECTINFODLG_MSG_6"), EIcon::Information);
        GoOn(next);
        break;
    }
    case ObjectResult::EDIT_PHONE_TAKEN:
        OnSaveFailed();
        Tell(Text::TrF("IDS_OBJECTINFODLG_MSG_41", sentPhone.c_str()), EIcon::Warning, EField::PhoneNumber);
        break;
    case ObjectResult::EDIT_NOT_FOUND:
        OnSaveFailed();
        Tell(Text::Tr("IDS_OBJECTINFODLG_MSG_7"), EIcon::Error);
        break;
    case ObjectResult::EDIT_ERROR:
        OnSaveFailed();
        Tell(Text::Tr("IDS_OBJECTINFODLG_MSG_8"), EIcon::Error);
        break;
    case ObjectResult::DELETE_DONE:
        break;
    case ObjectResult::DELETE_NOT_FOUND:
        Tell(Text::Tr("IDS_OBJECTINFODLG_MSG_9"), EIcon::Error);
        break;
    case ObjectResult::DELETE_ERROR:
        Tell(Text::Tr("IDS_OBJECTINFODLG_MSG_10"), EIcon::Error);
        break;
    default:
        break;
    }
    return nullptr;
}

// --- validation and records ---

std::vector<CObjectForm::SProblem> CObjectForm::Problems() const {
    std::vector<SProblem> problems;
    if (!TextValidators::IsValidIdOrNumber(m_fields.IdCode)) {
        problems.push_back({EField::IdCode, Text::Tr("IDS_OBJECTINFODLG_MSG_17")});
    }
    if (!TextValidators::IsValidOptionalIntlNumber(m_fields.PhoneNumber)) {
        problems.push_back({EField::PhoneNumber, Text::Tr("IDS_OBJECTINFODLG_MSG_42")});
    }
    if (!TextValidators::IsValidAddressList(m_fields.MailAddrTech)) {
        problems.push_back({EField::MailTech, Text::Tr("IDS_OBJECTINFODLG_MSG_18")});
    }
    if (!TextValidators::IsValidNumberList(m_fields.SmsNumTech)) {
        problems.push_back({EField::SmsTech, Text::Tr("IDS_OBJECTINFODLG_MSG_19")});
    }
    if (!TextValidators::IsValidAddressList(m_fields.MailAddrEmg)) {
        problems.push_back({EField::MailEmg, Text::Tr("IDS_OBJECTINFODLG_MSG_20")});
    }
    if (!TextValidators::IsValidNumberList(m_fields.SmsNumEmg)) {
        problems.push_back({EField::SmsEmg, Text::Tr("IDS_OBJECTINFODLG_MSG_21")});
    }
    return problems;
}

std::unique_ptr<CObjectInfoMsg> CObjectForm::MakeRecord(std::uint16_t kind) const {
    auto record = std::make_unique<CObjectInfoMsg>(kind);
    record->ReplyKind = MsgKind::UI_OBJECT_REPLY;
    record->IdCode = m_fields.IdCode;
    record->PhoneNumber = m_fields.PhoneNumber;
    record->IdInfo = m_fields.IdInfo;
    record->Address = m_fields.Address;
    record->Days = static_cast<std::uint16_t>(m_fields.Days < 0 ? 0 : m_fields.Days);
    record->LastTestAlarm = CDateTime::FromLocal(m_clock.Now());
    record->TestAlarmOnly = m_fields.TestAlarmOnly;
    record->AlarmPopUpEnabled = m_fields.AlarmPopUp;
    record->MailAddrTech = m_fields.MailAddrTech;
    record->SmsNumTech = m_fields.SmsNumTech;
    record->MailAddrEmg = m_fields.MailAddrEmg;
    record->SmsNumEmg = m_fields.SmsNumEmg;
    record->ElevatorType = m_fields.ElevatorType;
    record->Customer = m_fields.Customer;
    record->Notes = m_fields.Notes;
    return record;
}

void CObjectForm::LoadRecord(const CObjectInfoMsg& record) {
    m_fields.IdCode = record.IdCode;
    m_fields.PhoneNumber = record.PhoneNumber;
    m_fields.IdInfo = record.IdInfo;
    m_fields.Address = record.Address;
    m_fields.Days = record.Days;
    m_fields.TestAlarmOnly = record.TestAlarmOnly;
    m_fields.AlarmPopUp = record.AlarmPopUpEnabled;
    m_fields.MailAddrTech = record.MailAddrTech;
    m_fields.SmsNumTech = record.SmsNumTech;
    m_fields.MailAddrEmg = record.MailAddrEmg;
    m_fields.SmsNumEmg = record.SmsNumEmg;
    m_fields.Notes = record.Notes;
    m_fields.ElevatorType = record.ElevatorType;
    m_fields.Customer = record.Customer;
    m_fields.CustomerInfo = record.CustomerInfo ? record.CustomerInfo->Info : std::string();
    Snapshot();
    m_lastIdCode = record.IdCode;
    m_mode = EMode::Editing;
}

// --- private ---

void CObjectForm::Clear(const std::string& idCode) {
    m_fields = SObjectFields{};
    m_fields.IdCode = idCode;
    Snapshot();
    m_mode = EMode::Adding;
    m_view.ShowForm();
    m_view.ShowAndRaise();
}

bool CObjectForm::Save() {
    m_next = ENext::Nothing;
    const std::vector<SProblem> problems = Problems();
    for (const SProblem& problem : problems) {
        m_view.Ask(problem.text, EButtons::Ok, EIcon::Warning);
        m_view.SelectField(problem.field);
    }
    if (!problems.empty()) {
        return false;
    }
    const std::uint16_t kind = m_mode == EMode::Adding ? MsgKind::DB_OBJECT_ADD : MsgKind::DB_OBJECT_EDIT;
    m_sent = m_fields;
    m_saving = true;
    m_request(MakeRecord(kind));
    return true;
}

bool CObjectForm::SaveQuestion(ENext next) {
    if (!Changed()) {
        return true;
    }
    const char* tag = m_mode == EMode::Editing ? "IDS_OBJECTINFODLG_MSG_13" : "IDS_OBJECTINFODLG_MSG_15";
    const EResult answer = m_view.Ask(Text::Tr(tag), EButtons::YesNoCancel, EIcon::Warning);
    if (answer == EResult::No) {
        return true;
    }
    if (answer == EResult::Yes && Save()) {
        m_next = next;
    }
    return false;
}

void CObjectForm::GoOn(ENext next) {
    switch (next) {
    case ENext::Nothing:
        break;
    case ENext::NewObject:
        Clear({});
        break;
    case ENext::Close:
        CloseNow();
        break;
    case ENext::OpenFound:
        if (m_found) {
            LoadRecord(*m_found);
            m_found.reset();
            m_view.ShowForm();
            m_view.ShowAndRaise();
        }
        break;
    }
}

void CObjectForm::CloseNow() {
    m_view.HideForm();
    if (m_openedFromList) {
        RequestAll();
    }
}

void CObjectForm::RequestAll() {
    Find(CObjectInfoReqMsg::ALL, {});
}

void CObjectForm::Find(std::int32_t type, const std::string& key) {
    m_request(
        std::make_unique<CObjectInfoReqMsg>(MsgKind::DB_OBJECT_FIND, type, key, MsgKind::UI_OBJECT_REPLY));
}

void CObjectForm::Tell(const std::string& text, IFrontEnd::EIcon icon, EField select) {
    m_view.Ask(text, EButtons::Ok, icon);
    m_view.ShowAndRaise();
    if (select != EField::None) {
        m_view.SelectField(select);
    }
}

void CObjectForm::OnSaveFailed() {
    // The form keeps what the operator typed and still counts as changed.
    m_saving = false;
    m_next = ENext::Nothing;
    m_found.reset();
}
