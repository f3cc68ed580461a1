#pragma once

#include "Clock.h"
#include "FrontEnd.h"
#include "Msg.h"
#include "ObjectInfoMsg.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// What the object form shows, as the operator typed it (UTF-8, line ends of the notes as stored).
struct SObjectFields {
    std::string IdCode;
    std::string PhoneNumber;
    std::string IdInfo;
    std::string Address;
    int Days = 0;
    bool TestAlarmOnly = false;
    bool AlarmPopUp = true;
    std::string MailAddrTech;
    std::string SmsNumTech;
    std::string MailAddrEmg;
    std::string SmsNumEmg;
    std::string Notes;
    std::string ElevatorType;
    std::string Customer;
    std::string CustomerInfo;

    friend bool operator==(const SObjectFields&, const SObjectFields&) = default;
};

// The window that draws an object form. The form tells it what to show and asks it the
// operator's questions; it never waits for a database reply.
class IObjectFormView {
public:
    enum class EField {
        None,
        IdCode,
        PhoneNumber,
        IdInfo,
        Address,
        Days,
        MailTech,
        SmsTech,
        MailEmg,
        SmsEmg,
        Notes,
        ElevatorType,
    };

    virtual ~IObjectFormView() = default;
    // Redraw every field, the caption and the buttons from the form.
    virtual void ShowForm() = 0;
    // Select all of a field's text and give it the focus.
    virtual void SelectField(EField field) = 0;
    virtual bool IsShown() const = 0;
    virtual void ShowAndRaise() = 0;
    virtual void HideForm() = 0;
    virtual IFrontEnd::EResult Ask(const std::string& text, IFrontEnd::EButtons buttons,
                                   IFrontEnd::EIcon icon) = 0;
    virtual void Beep() = 0;
    // The open dialog: shown with the list of a find-all reply (null: an empty list); preset is
    // the ID code to look for at once.
    virtual void ShowObjectList(std::unique_ptr<CObjectInfoMsg> list, const std::string& preset) = 0;
    virtual bool ObjectListShown() const = 0;
};

// The logic of the object dialog: the fields and their snapshot, adding and editing modes, the
// validation rules with their messages, the save question, and the reactions to the database's
// replies (kind 29). A save is only taken as done when its reply says so: until then the form
// still counts as changed, and whatever the operator chose to do after saving waits for the reply.
class CObjectForm {
public:
    using EField = IObjectFormView::EField;
    enum class EMode { Adding, Editing };

    // Field limits in characters.
    static constexpr std::size_t IDCODE_CHARS = 20;
    static constexpr std::size_t PHONE_CHARS = 20;
    static constexpr std::size_t TEXT_CHARS = 255;
    static constexpr std::size_t LONG_TEXT_CHARS = 510;
    static constexpr int DAYS_MAX = 99;

    CObjectForm(IObjectFormView& view, std::function<void(MsgPtr)> request, const IClock& clock);

    // --- entry points of the main window and the alarm dialog ---
    void FileNew();
    void FileOpen();
    void FileSave();
    // The alarm dialog: a new object with this ID code, or an object looked up by ID code or by
    // telephone number.
    void NewWithIdCode(const std::string& idCode);
    void OpenByKey(const std::string& key, bool byPhone);
    // The open dialog's choice.
    void OpenFromList(const std::string& idCode);

    // --- the operator's buttons (the view has stored the widgets' values in Fields() first) ---
    void OnNew();
    void OnAdd() { Save(); }
    void OnSave() { Save(); }
    void OnCopy();
    void OnDelete();
    // Close button and close box. False when the form stays open.
    bool OnClose();

    // A kind-29 reply; returns it when it is not one of the object dialog's.
    MsgPtr OnReply(MsgPtr reply);

    // --- what the view draws ---
    SObjectFields& Fields() { return m_fields; }
    const SObjectFields& Fields() const { return m_fields; }
    EMode Mode() const { return m_mode; }
    bool Changed() const { return !(m_fields == m_snapshot); }
    const char* CaptionTag() const;
    bool AddEnabled() const { return m_mode == EMode::Adding; }
    bool SaveEnabled() const { return m_mode == EMode::Editing; }
    bool IdCodeReadOnly() const { return m_mode == EMode::Editing; }
    EField FocusField() const { return m_mode == EMode::Adding ? EField::IdCode : EField::IdInfo; }
    const std::string& LastIdCode() const { return m_lastIdCode; }
    bool OpenedFromList() const { return m_openedFromList; }

    // Every rule the fields break, in the order the operator is told (empty: all pass).
    struct SProblem {
        EField field;
        std::string text;
    };
    std::vector<SProblem> Problems() const;

    // The record sent for Add (kind 9) or Save (kind 11).
    std::unique_ptr<CObjectInfoMsg> MakeRecord(std::uint16_t kind) const;
    void LoadRecord(const CObjectInfoMsg& record);

private:
    // What to do once a save chosen in the save question succeeded.
    enum class ENext { Nothing, NewObject, Close, OpenFound };

    void Clear(const std::string& idCode);
    void Snapshot() { m_snapshot = m_fields; }
    // Validates (telling the operator each broken rule) and sends the record. False when a rule
    // was broken.
    bool Save();
    // True when the caller may go on at once; otherwise the form stays, or goes on with `next`
    // when the save it sent succeeds.
    bool SaveQuestion(ENext next);
    void GoOn(ENext next);
    void CloseNow();
    void RequestAll();
    void Find(std::int32_t type, const std::string& key);
    void Tell(const std::string& text, IFrontEnd::EIcon icon, EField select = EField::None);
    void OnSaveFailed();

    IObjectFormView& m_view;
    std::function<void(MsgPtr)> m_request;
    const IClock& m_clock;
    SObjectFields m_fields;
    SObjectFields m_snapshot;
    EMode m_mode = EMode::Adding;
    bool m_openedFromList = false;
    std::string m_lastIdCode;

    bool m_saving = false;
    SObjectFields m_sent; // the fields of the save under way
    ENext m_next = ENext::Nothing;
    std::unique_ptr<CObjectInfoMsg> m_found; // an object waiting for the save before it
};
