#include "AddEditCustomerInfoDlg.h"

#include "CustomerChoice.h"
#include "GuiText.h"
#include "MessageBox.h"
#include "TextLimit.h"
#include "Translate.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

CAddEditCustomerInfoDlg::CAddEditCustomerInfoDlg(bool editing, const std::string& name,
                                                 const std::string& info, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("AddEditCustomerInfoDlg"));
    setWindowTitle(
        Gui::Tr(editing ? "IDS_ADDEDITCUSTOMERINFODLG_MSG_1" : "IDS_ADDEDITCUSTOMERINFODLG_MSG_2"));
    m_name = new QLineEdit(Gui::Q(name), this);
    m_name->setObjectName(QStringLiteral("Name"));
    m_name->setReadOnly(editing);
    Gui::LimitChars(m_name, CCustomerChoice::NAME_CHARS);
    m_name->setMinimumWidth(m_name->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 40);
    m_info = new QPlainTextEdit(Gui::FromCrLf(info), this);
    m_info->setObjectName(QStringLiteral("Info"));
    m_info->setTabChangesFocus(true);
    Gui::LimitChars(m_info, CCustomerChoice::INFO_CHARS);
    auto* form = new QFormLayout;
    form->addRow(Gui::Tr("IDC_CUSTOMER_INFO_NAME"), m_name);
    form->addRow(Gui::Tr("IDC_CUSTOMER_INFO_INFO"), m_info);
    auto* buttons = new QDialogButtonBox(this);
    auto* ok = buttons->addButton(Gui::Tr("IDS_IDOK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OK"));
    auto* cancel = buttons->addButton(Gui::Tr("IDS_IDCANCEL"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form, 1);
    layout->addWidget(buttons);
    if (editing) {
        m_info->setFocus();
    } else {
        m_name->setFocus();
    }
}

std::string CAddEditCustomerInfoDlg::Name() const {
    return Gui::S(m_name->text());
}

std::string CAddEditCustomerInfoDlg::Info() const {
    return Gui::S(Gui::ToCrLf(m_info->toPlainText()));
}

void CAddEditCustomerInfoDlg::accept() {
    if (!CCustomerChoice::IsValidName(Name())) {
        CMessageBox::Show(this, Text::Tr("IDS_ADDEDITCUSTOMERINFODLG_MSG_3"), IFrontEnd::EButtons::Ok,
                          IFrontEnd::EIcon::Warning);
        m_name->selectAll();
        m_name->setFocus();
        return;
    }
    QDialog::accept();
}
