#include "UserMsgEditor.h"

#include "Translate.h"

#include <algorithm>

CUserMsgEditor::EOpen CUserMsgEditor::Open() {
    const CUserMessageList::EResult result = m_list.Load(m_path);
    // Saving ends every entry with an empty line, which loads back as one more line end; without
    // this every save would add a blank line to every entry.
    for (auto& entry : m_list.Entries()) {
        while (entry.Text.ends_with("\r\n\r\n")) {
            entry.Text.resize(entry.Text.size() - 2);
        }
        if (entry.Text == "\r\n") {
            entry.Text.clear();
        }
    }
    // Byte order of UTF-8 is character order: every upper-case letter before every lower-case.
    std::stable_sort(m_list.Entries().begin(), m_list.Entries().end(),
                     [](const auto& a, const auto& b) { return a.Code < b.Code; });
    m_current.reset();
    m_changed = false;
    switch (result) {
    case CUserMessageList::USERMSGLIST_OK:
        return EOpen::Loaded;
    case CUserMessageList::USERMSGLIST_CREATED:
        return EOpen::Created;
    case CUserMessageList::USERMSGLIST_OPEN_ERROR:
        return EOpen::Unreadable;
    case CUserMessageList::USERMSGLIST_WRITE_ERROR:
        break;
    }
    return EOpen::NotCreated;
}

std::string CUserMsgEditor::CurrentFieldText() const {
    if (!m_current) {
        return {};
    }
    return ToField(Entries()[*m_current].Text);
}

void CUserMsgEditor::Leave(const SField& field) {
    if (!m_current) {
        return;
    }
    m_list.Entries()[*m_current].Text = ToStored(field.text);
    if (field.modified) {
        m_changed = true;
    }
}

void CUserMsgEditor::Select(std::optional<std::size_t> row, const SField& field) {
    Leave(field);
    if (row && *row < Entries().size()) {
        m_current = row;
    } else {
        m_current.reset();
    }
}

CUserMsgEditor::ENew CUserMsgEditor::New(const std::string& code, const SField& field) {
    for (const auto& entry : Entries()) {
        if (entry.Code == code) {
            return ENew::Exists;
        }
    }
    Leave(field);
    m_list.Entries().push_back({code, {}});
    m_current = Entries().size() - 1;
    m_changed = true;
    return ENew::Added;
}

bool CUserMsgEditor::Delete(std::optional<std::size_t> selected) {
    if (!selected || *selected >= Entries().size()) {
        return false;
    }
    m_list.Entries().erase(m_list.Entries().begin() + static_cast<std::ptrdiff_t>(*selected));
    // The field's text belongs to no entry any more: it must not be written into another one.
    m_current.reset();
    m_changed = true;
    return true;
}

bool CUserMsgEditor::Save(const SField& field) {
    Leave(field);
    if (m_list.Save(m_path) != CUserMessageList::USERMSGLIST_OK) {
        return false;
    }
    m_changed = false;
    return true;
}

CUserMsgEditor::EClose CUserMsgEditor::Close(const SField& field) {
    Leave(field);
    return m_changed ? EClose::AskSave : EClose::Close;
}

std::string CUserMsgEditor::ExistsText(const std::string& code) {
    return Text::Tr("IDS_EDITUSERMSGDLG_MSG_3") + code + Text::Tr("IDS_EDITUSERMSGDLG_MSG_4");
}

bool CUserMsgEditor::CheckCode(std::string_view typed, std::string& code) {
    if (!CUserMessageList::IsValidCode(typed)) {
        return false;
    }
    const int number = (typed[1] - '0') * 100 + (typed[2] - '0') * 10 + (typed[3] - '0');
    code = CUserMessageList::FormatCode(typed[0], number);
    return true;
}

std::string CUserMsgEditor::InvalidCodeText() {
    return Text::Tr("IDS_ADDUSERMSGITEMDLG_MSG_1");
}

std::string CUserMsgEditor::ToStored(std::string_view fieldText) {
    std::string stored;
    stored.reserve(fieldText.size() + 16);
    for (char c : fieldText) {
        if (c == '\r') {
            continue;
        }
        if (c == '\n') {
            stored += '\r';
        }
        stored += c;
    }
    return stored;
}

std::string CUserMsgEditor::ToField(std::string_view stored) {
    std::string field;
    field.reserve(stored.size());
    for (char c : stored) {
        if (c != '\r') {
            field += c;
        }
    }
    return field;
}
