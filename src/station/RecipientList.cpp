#include "RecipientList.h"

#include "DbResults.h"
#include "MailInfoMsg.h"
#include "MailInfoReqMsg.h"
#include "SmsNumInfoMsg.h"
#include "SmsNumInfoReqMsg.h"
#include "TextValidators.h"
#include "Translate.h"

#include <utility>

using EIcon = IFrontEnd::EIcon;
using EButtons = IFrontEnd::EButtons;

namespace {

template <class T> void Done(std::deque<T>& pending) {
    if (!pending.empty()) {
        pending.pop_front();
    }
}

} // namespace

CRecipientList::CRecipientList(EMode mode, IRecipientView& view, std::function<void(MsgPtr)> request,
                               std::uint16_t smsReplyKind)
    : m_mode(mode), m_view(view), m_request(std::move(request)), m_smsReplyKind(smsReplyKind) {}

std::uint16_t CRecipientList::ReplyKind() const {
    return m_mode == EMode::Mail ? MsgKind::UI_MAILREC_REPLY : m_smsReplyKind;
}

void CRecipientList::Open(std::string_view fieldText) {
    m_recipients.clear();
    for (const TextValidators::ListPart& part : TextValidators::CutList(fieldText)) {
        m_recipients.push_back({part.text, {}});
    }
    m_recipientSel = NONE;
    m_registerSel = NONE;
    Resolve();
    m_view.ShowLists();
    if (m_mode == EMode::Mail) {
        m_request(std::make_unique<CMailInfoReqMsg>(MsgKind::DB_MAILREC_FIND, CMailInfoReqMsg::ALL));
    } else {
        m_request(std::make_unique<CSmsNumInfoReqMsg>(MsgKind::DB_SMSNUM_FIND, CSmsNumInfoReqMsg::ALL, "",
                                                      m_smsReplyKind));
    }
}

void CRecipientList::SelectRecipient(int row) {
    m_recipientSel = row >= 0 && row < static_cast<int>(m_recipients.size()) ? row : NONE;
}

void CRecipientList::SelectEntry(int row) {
    m_registerSel = row >= 0 && row < static_cast<int>(m_register.size()) ? row : NONE;
}

void CRecipientList::OnAdd() {
    if (m_registerSel == NONE) {
        return;
    }
    m_recipients.push_back(m_register[static_cast<std::size_t>(m_registerSel)]);
    m_view.ShowLists();
    m_view.ScrollToRecipient(static_cast<int>(m_recipients.size()) - 1);
}

void CRecipientList::OnRemove() {
    if (m_recipientSel == NONE) {
        return;
    }
    m_recipients.erase(m_recipients.begin() + m_recipientSel);
    m_recipientSel = NONE;
    m_view.ShowLists();
}

void CRecipientList::AddEntry(const std::string& key, const std::string& name) {
    m_adding.push_back(SEntry{key, name});
    if (m_mode == EMode::Mail) {
        auto record = std::make_unique<CMailInfoMsg>(MsgKind::DB_MAILREC_ADD);
        record->Address = key;
        record->Name = name;
        m_request(std::move(record));
    } else {
        auto record = std::make_unique<CSmsNumInfoMsg>(MsgKind::DB_SMSNUM_ADD);
        record->ReplyKind = m_smsReplyKind;
        record->Number = key;
        record->Name = name;
        m_request(std::move(record));
    }
}

void CRecipientList::EditEntry(const std::string& key, const std::string& name) {
    m_editing.push_back(SEntry{key, name});
    if (m_mode == EMode::Mail) {
        auto record = std::make_unique<CMailInfoMsg>(MsgKind::DB_MAILREC_EDIT);
        record->Address = key;
        record->Name = name;
        m_request(std::move(record));
    } else {
        auto record = std::make_unique<CSmsNumInfoMsg>(MsgKind::DB_SMSNUM_EDIT);
        record->ReplyKind = m_smsReplyKind;
        record->Number = key;
        record->Name = name;
        m_request(std::move(record));
    }
}

void CRecipientList::OnDelete() {
    if (m_registerSel == NONE) {
        return;
    }
    const std::string key = m_register[static_cast<std::size_t>(m_registerSel)].Key;
    m_deleting.push_back(key);
    if (m_mode == EMode::Mail) {
        m_request(
            std::make_unique<CMailInfoReqMsg>(MsgKind::DB_MAILREC_DELETE, CMailInfoReqMsg::BY_KEY, key));
    } else {
        m_request(std::make_unique<CSmsNumInfoReqMsg>(MsgKind::DB_SMSNUM_DELETE, CSmsNumInfoReqMsg::BY_KEY,
                                                      key, m_smsReplyKind));
    }
}

MsgPtr CRecipientList::OnReply(MsgPtr reply) {
    if (!reply || reply->Kind != ReplyKind()) {
        return reply;
    }
    auto* db = dynamic_cast<CDatabaseMsg*>(reply.get());
    if (db == nullptr) {
        return reply;
    }
    switch (db->Status) {
    case RegisterResult::FIND_LIST:
    case RegisterResult::FIND_BY_KEY:
    case RegisterResult::FIND_NONE:
    case RegisterResult::FIND_ERROR: {
        m_register.clear();
        m_registerSel = NONE;
        const bool rows =
            db->Status == RegisterResult::FIND_LIST || db->Status == RegisterResult::FIND_BY_KEY;
        MsgPtr link = std::move(reply);
        while (link) {
            MsgPtr next = link->TakeNext();
            if (!rows) {
                // an empty record
            } else if (auto* mail = dynamic_cast<CMailInfoMsg*>(link.get())) {
                m_register.push_back({std::move(mail->Address), std::move(mail->Name)});
            } else if (auto* sms = dynamic_cast<CSmsNumInfoMsg*>(link.get())) {
                m_register.push_back({std::move(sms->Number), std::move(sms->Name)});
            }
            link = std::move(next);
        }
        Resolve();
        m_view.ShowLists();
        break;
    }
    case RegisterResult::ADD_DONE:
        if (!m_adding.empty()) {
            m_register.push_back(m_adding.front());
            m_registerSel = static_cast<int>(m_register.size()) - 1;
            m_adding.pop_front();
            Resolve();
            m_view.ShowLists();
        }
        Tell("IDS_MAILSMSNUMINFODLG_MSG_11", "IDS_MAILSMSNUMINFODLG_MSG_19", EIcon::Information);
        break;
    case RegisterResult::ADD_EXISTS: {
        const std::string key = m_adding.empty() ? std::string() : m_adding.front().Key;
        Done(m_adding);
        Tell("IDS_MAILSMSNUMINFODLG_MSG_12", "IDS_MAILSMSNUMINFODLG_MSG_20", EIcon::Warning, &key);
        break;
    }
    case RegisterResult::ADD_ERROR:
        Done(m_adding);
        // The SMS register has no text of its own here; the handler has told the engine's error.
        Tell("IDS_MAILSMSNUMINFODLG_MSG_13", nullptr, EIcon::Error);
        break;
    case RegisterResult::EDIT_CHANGED:
        if (!m_editing.empty()) {
            const int row = RegisterRow(m_editing.front().Key);
            if (row != NONE) {
                m_register[static_cast<std::size_t>(row)].Name = m_editing.front().Name;
            }
            m_editing.pop_front();
            Resolve();
            m_view.ShowLists();
        }
        Tell("IDS_MAILSMSNUMINFODLG_MSG_14", "IDS_MAILSMSNUMINFODLG_MSG_21", EIcon::Information);
        break;
    case RegisterResult::EDIT_NOT_FOUND:
        Done(m_editing);
        Tell("IDS_MAILSMSNUMINFODLG_MSG_15", "IDS_MAILSMSNUMINFODLG_MSG_22", EIcon::Error);
        break;
    case RegisterResult::EDIT_ERROR:
        Done(m_editing);
        Tell("IDS_MAILSMSNUMINFODLG_MSG_16", "IDS_MAILSMSNUMINFODLG_MSG_23", EIcon::Error);
        break;
    case RegisterResult::DELETE_DONE:
        if (!m_deleting.empty()) {
            const int row = RegisterRow(m_deleting.front());
            if (row != NONE) {
                m_register.erase(m_register.begin() + row);
            }
            m_deleting.pop_front();
            m_registerSel = NONE;
            Resolve();
            m_view.ShowLists();
        }
        break;
    case RegisterResult::DELETE_NOT_FOUND:
        Done(m_deleting);
        Tell("IDS_MAILSMSNUMINFODLG_MSG_17", "IDS_MAILSMSNUMINFODLG_MSG_24", EIcon::Error);
        break;
    case RegisterResult::DELETE_ERROR:
        Done(m_deleting);
        Tell("IDS_MAILSMSNUMINFODLG_MSG_18", "IDS_MAILSMSNUMINFODLG_MSG_25", EIcon::Error);
        break;
    default:
        break;
    }
    return nullptr;
}

std::string CRecipientList::Result() const {
    std::string text;
    for (std::size_t i = 0; i < m_recipients.size(); ++i) {
        if (i > 0) {
            text += SEPARATOR;
        }
        text += m_recipients[i].Key;
    }
    return text;
}

bool CRecipientList::IsValidKey(EMode mode, std::string_view key) {
    // One entry only: a separator or a space would make it more than one recipient, or another
    // one, once it stands in an object's list.
    const auto parts = TextValidators::CutList(key);
    if (parts.size() != 1 || parts[0].endsAtSeparator || parts[0].text != key) {
        return false;
    }
    return mode == EMode::Mail ? TextValidators::IsValidAddressList(key)
                               : TextValidators::IsValidNumberList(key);
}

const char* CRecipientList::InvalidKeyTag(EMode mode) {
    return mode == EMode::Mail ? "IDS_ADDEDITMAILSMSNUMDLG_MSG_8" : "IDS_ADDEDITMAILSMSNUMDLG_MSG_7";
}

const char* CRecipientList::CaptionTag() const {
    return m_mode == EMode::Mail ? "IDS_MAILSMSNUMINFODLG_MSG_1" : "IDS_MAILSMSNUMINFODLG_MSG_6";
}

const char* CRecipientList::ColumnTag(bool registerList, int column) const {
    static constexpr const char* MAIL[2][2] = {
        {"IDS_MAILSMSNUMINFODLG_MSG_2", "IDS_MAILSMSNUMINFODLG_MSG_3"},
        {"IDS_MAILSMSNUMINFODLG_MSG_4", "IDS_MAILSMSNUMINFODLG_MSG_5"}};
    static constexpr const char* SMS[2][2] = {
        {"IDS_MAILSMSNUMINFODLG_MSG_7", "IDS_MAILSMSNUMINFODLG_MSG_8"},
        {"IDS_MAILSMSNUMINFODLG_MSG_9", "IDS_MAILSMSNUMINFODLG_MSG_10"}};
    const int c = column == 0 ? 0 : 1;
    return m_mode == EMode::Mail ? MAIL[registerList ? 1 : 0][c] : SMS[registerList ? 1 : 0][c];
}

const char* CRecipientList::AddEditCaptionTag(EMode mode, bool editing) {
    if (mode == EMode::Mail) {
        return editing ? "IDS_ADDEDITMAILSMSNUMDLG_MSG_5" : "IDS_ADDEDITMAILSMSNUMDLG_MSG_6";
    }
    return editing ? "IDS_ADDEDITMAILSMSNUMDLG_MSG_2" : "IDS_ADDEDITMAILSMSNUMDLG_MSG_3";
}

const char* CRecipientList::KeyLabelTag(EMode mode) {
    return mode == EMode::Mail ? "IDS_ADDEDITMAILSMSNUMDLG_MSG_4" : "IDS_ADDEDITMAILSMSNUMDLG_MSG_1";
}

std::string CRecipientList::ToolTip(ETip tip) const {
    const int first = m_mode == EMode::Mail ? 26 : 35;
    return Text::Tr("IDS_MAILSMSNUMINFODLG_MSG_" + std::to_string(first + static_cast<int>(tip)));
}

void CRecipientList::Resolve() {
    for (SEntry& recipient : m_recipients) {
        const int row = RegisterRow(recipient.Key);
        recipient.Name = row == NONE ? UNKNOWN_NAME : m_register[static_cast<std::size_t>(row)].Name;
    }
}

int CRecipientList::RegisterRow(const std::string& key) const {
    for (std::size_t i = 0; i < m_register.size(); ++i) {
        if (m_register[i].Key == key) {
            return static_cast<int>(i);
        }
    }
    return NONE;
}

void CRecipientList::Tell(const char* mailTag, const char* smsTag, IFrontEnd::EIcon icon,
                          const std::string* key) {
    const char* tag = m_mode == EMode::Mail ? mailTag : smsTag;
    if (tag == nullptr) {
        return;
    }
    m_view.Ask(key == nullptr ? Text::Tr(tag) : Text::TrF(tag, key->c_str()), EButtons::Ok, icon);
}
