#pragma once

#include "AlarmDialog.h"
#include "Msg.h"
#include "ObjectForm.h"

#include <QDialog>
#include <QPointer>

class CMORADoc;
class COpenObjectInfoDlg;
class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

// The object register's edit window: modeless, created hidden at start-up. It draws a
// CObjectForm and routes the register's replies to the form and to the customer and recipients
// dialogs it opens.
class CObjectInfoDlg : public QDialog, private IObjectFormView {
    Q_OBJECT
public:
    CObjectInfoDlg(CMORADoc& doc, QWidget* parent);
    ~CObjectInfoDlg() override;

    // File > New, Open and Save.
    void FileNew();
    void FileOpen();
    void FileSave();
    // The alarm dialog's object button.
    void OpenFromAlarm(const CAlarmDialog::SObjectRequest& request);
    // Object, customer and recipient replies (kinds 29, 32, 33, 34). Returns the reply when no
    // window of the register took it.
    MsgPtr OnReply(MsgPtr reply);

    const CObjectForm& Form() const { return m_form; }
    // The open dialog while it exists.
    COpenObjectInfoDlg* OpenDialog() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    // IObjectFormView
    void ShowForm() override;
    void SelectField(EField field) override;
    bool IsShown() const override { return isVisible(); }
    void ShowAndRaise() override;
    void HideForm() override { hide(); }
    IFrontEnd::EResult Ask(const std::string& text, IFrontEnd::EButtons buttons,
                           IFrontEnd::EIcon icon) override;
    void Beep() override;
    void ShowObjectList(std::unique_ptr<CObjectInfoMsg> list, const std::string& preset) override;
    bool ObjectListShown() const override;

    // The widgets' values into the form, before every command.
    void Pull();
    QWidget* FieldWidget(EField field) const;
    void ChooseCustomer();
    void ChooseRecipients(QLineEdit* field, bool sms);

    CMORADoc& m_doc;
    CObjectForm m_form;
    QPointer<COpenObjectInfoDlg> m_openDlg;
    // The customer or recipients dialog while it runs; the register's replies go to it.
    QPointer<QDialog> m_child;

    QLineEdit* m_idCode = nullptr;
    QLineEdit* m_phone = nullptr;
    QLineEdit* m_idInfo = nullptr;
    QLineEdit* m_address = nullptr;
    QSpinBox* m_days = nullptr;
    QCheckBox* m_testOnly = nullptr;
    QCheckBox* m_popUp = nullptr;
    QLineEdit* m_mailTech = nullptr;
    QLineEdit* m_smsTech = nullptr;
    QLineEdit* m_mailEmg = nullptr;
    QLineEdit* m_smsEmg = nullptr;
    QPlainTextEdit* m_notes = nullptr;
    QLineEdit* m_elevatorType = nullptr;
    QLineEdit* m_customer = nullptr;
    QPlainTextEdit* m_customerInfo = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_copy = nullptr;
    QPushButton* m_delete = nullptr;
};
