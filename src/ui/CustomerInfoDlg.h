#pragma once

#include "CustomerChoice.h"
#include "Msg.h"

#include <QDialog>

#include <string>

class CMORADoc;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The customer dialog: choose the object's customer from the register, and keep the register.
// Modal; Select ends it with OK and the shown customer (both texts empty for no customer).
class CCustomerInfoDlg : public QDialog, private ICustomerView {
    Q_OBJECT
public:
    CCustomerInfoDlg(CMORADoc& doc, const std::string& currentName, QWidget* parent);

    // A customer reply (kind 32) routed by the owner; returns it when it is not one.
    MsgPtr OnReply(MsgPtr reply) { return m_choice.OnReply(std::move(reply)); }

    const std::string& Name() const { return m_choice.Name(); }
    const std::string& Info() const { return m_choice.Info(); }
    const CCustomerChoice& Choice() const { return m_choice; }

    void OnNew();
    void OnEdit();

private:
    // ICustomerView
    void ShowCustomers() override;
    IFrontEnd::EResult Ask(const std::string& text, IFrontEnd::EButtons buttons,
                           IFrontEnd::EIcon icon) override;

    CMORADoc& m_doc;
    CCustomerChoice m_choice;
    QComboBox* m_customers = nullptr;
    QLineEdit* m_name = nullptr;
    QPlainTextEdit* m_info = nullptr;
    QPushButton* m_edit = nullptr;
    QPushButton* m_delete = nullptr;
    bool m_showing = false;
};
