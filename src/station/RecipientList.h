#pragma once

#include "FrontEnd.h"
#include "Msg.h"
#include "MsgKinds.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The window that draws a recipients list.
class IRecipientView {
public:
    virtual ~IRecipientView() = default;
    // Redraw both lists, their selections and the buttons.
    virtual void ShowLists() = 0;
    virtual void ScrollToRecipient(int row) = 0;
    virtual IFrontEnd::EResult Ask(const std::string& text, IFrontEnd::EButtons buttons,
                                   IFrontEnd::EIcon icon) = 0;
};

// The logic of the recipients dialog (e-mail addresses or SMS numbers): the recipients taken from
// an object's field, the register's entries, the names of the recipients looked up in the
// register ("???" for a key it does not hold), and the register's requests and replies.
class CRecipientList {
public:
    enum class EMode { Mail, Sms };
    struct SEntry {
        std::string Key;
        std::string Name;
        friend bool operator==(const SEntry&, const SEntry&) = default;
    };
    static constexpr const char* UNKNOWN_NAME = "???";
    static constexpr const char* SEPARATOR = "; ";
    static constexpr int NONE = -1;
    // Field limits of the add/edit dialog in characters: the register's columns.
    static constexpr std::size_t NAME_CHARS = 80;
    static std::size_t KeyChars(EMode mode) { return mode == EMode::Mail ? 80 : 20; }

    // smsReplyKind is the kind the SMS register answers with (34 for the object dialog, 35 for the
    // Send SMS dialog); e-mail replies are always kind 33.
    CRecipientList(EMode mode, IRecipientView& view, std::function<void(MsgPtr)> request,
                   std::uint16_t smsReplyKind = MsgKind::UI_SMSNUM_REPLY);

    // Takes the recipients from a field's text and asks the register for all its entries.
    void Open(std::string_view fieldText);

    EMode Mode() const { return m_mode; }
    std::uint16_t ReplyKind() const;
    const std::vector<SEntry>& Recipients() const { return m_recipients; }
    const std::vector<SEntry>& Register() const { return m_register; }
    int SelectedRecipient() const { return m_recipientSel; }
    int SelectedEntry() const { return m_registerSel; }
    void SelectRecipient(int row);
    void SelectEntry(int row);
    bool CanAdd() const { return m_registerSel != NONE; }
    bool CanEdit() const { return m_registerSel != NONE; }
    bool CanDelete() const { return m_registerSel != NONE; }
    bool CanRemove() const { return m_recipientSel != NONE; }

    // Add (or a double click on an entry): the selected entry joins the recipients.
    void OnAdd();
    void OnRemove();
    // After the add/edit dialog's OK: add a new entry, or change the selected entry's name.
    void AddEntry(const std::string& key, const std::string& name);
    void EditEntry(const std::string& key, const std::string& name);
    void OnDelete();

    // A reply of the register (kind ReplyKind()); returns it when it is not.
    MsgPtr OnReply(MsgPtr reply);

    // OK: the keys of the recipients in list order, joined with "; ".
    std::string Result() const;

    // The add/edit dialog's check of a key: an address (name@domain) or an SMS number, one only.
    static bool IsValidKey(EMode mode, std::string_view key);
    static const char* InvalidKeyTag(EMode mode);

    // Dictionary tags of the dialogs in this mode.
    const char* CaptionTag() const;
    const char* ColumnTag(bool registerList, int column) const;
    static const char* AddEditCaptionTag(EMode mode, bool editing);
    static const char* KeyLabelTag(EMode mode);
    // Tool tips: recipients list, Add, Remove, register list, New, Edit, Delete, OK, Cancel.
    enum ETip {
        TIP_RECIPIENTS,
        TIP_ADD,
        TIP_REMOVE,
        TIP_REGISTER,
        TIP_NEW,
        TIP_EDIT,
        TIP_DELETE,
        TIP_OK,
        TIP_CANCEL
    };
    std::string ToolTip(ETip tip) const;

private:
    void Resolve();
    void Tell(const char* mailTag, const char* smsTag, IFrontEnd::EIcon icon,
              const std::string* key = nullptr);
    int RegisterRow(const std::string& key) const;

    EMode m_mode;
    IRecipientView& m_view;
    std::function<void(MsgPtr)> m_request;
    std::uint16_t m_smsReplyKind;
    std::vector<SEntry> m_recipients;
    std::vector<SEntry> m_register;
    int m_recipientSel = NONE;
    int m_registerSel = NONE;
    // Changes sent and not yet answered, oldest first (replies come in request order).
    std::deque<SEntry> m_adding;
    std::deque<SEntry> m_editing;
    std::deque<std::string> m_deleting;
};
