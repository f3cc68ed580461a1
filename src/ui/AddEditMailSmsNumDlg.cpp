#include "AddEditMailSmsNumDlg.h"

#include "GuiText.h"
#include "MessageBox.h"
#include "TextLimit.h"
#include "Translate.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CAddEditMailSmsNumDlg::CAddEditMailSmsNumDlg(CRecipientList::EMode mode, bool editing, const std::string& key,
                                             const std::string& name, QWidget* parent)
    : QDialog(parent), m_mode(mode) {
    setObjectName(QStringLiteral("AddEditMailSmsNumDlg"));
    setWindowTitle(Gui::Tr(CRecipientList::AddEditCaptionTag(mode, editing)));
    m_name = new QLineEdit(Gui::Q(name), this);
    m_name->setObjectName(QStringLiteral("Name"));
    Gui::LimitChars(m_name, CRecipientList::NAME_CHARS);
    m_name->setMinimumWidth(m_name->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 40);
    m_key = new QLineEdit(Gui::Q(key), this);
    m_key->setObjectName(QStringLiteral("Key"));
    m_key->setReadOnly(editing);
    Gui::LimitChars(m_key, CRecipientList::KeyChars(mode));
    auto* form = new QFormLayout;
    form->addRow(Gui::Tr("IDC_MAIL_SMSNUM_INFO_NAME"), m_name);
    form->addRow(Gui::Tr(CRecipientList::KeyLabelTag(mode)), m_key);
    auto* buttons = new QDialogButtonBox(this);
    auto* ok = buttons->addButton(Gui::Tr("IDS_IDOK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OK"));
    auto* cancel = buttons->addButton(Gui::Tr("IDS_IDCANCEL"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    m_name->setFocus();
}

std::string CAddEditMailSmsNumDlg::Key() const {
    return Gui::S(m_key->text());
}

std::string CAddEditMailSmsNumDlg::Name() const {
    return Gui::S(m_name->text());
}

void CAddEditMailSmsNumDlg::accept() {
    if (!CRecipientList::IsValidKey(m_mode, Key())) {
        CMessageBox::Show(this, Text::Tr(CRecipientList::InvalidKeyTag(m_mode)), IFrontEnd::EButtons::Ok,
                          IFrontEnd::EIcon::Warning);
        m_key->selectAll();
        m_key->setFocus();
        return;
    }
    QDialog::accept();
}
