#include "AddUserMsgItemDlg.h"

#include "GuiText.h"
#include "MessageBox.h"
#include "UserMsgEditor.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CAddUserMsgItemDlg::CAddUserMsgItemDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AddUserMsgItemDlg"));
    setWindowTitle(Gui::Tr("IDC_ADD_USERMSG_ITEM_CAPTION"));
    m_field = new QLineEdit(this);
    m_field->setObjectName(QStringLiteral("codeField"));
    m_field->setMaxLength(4);
    auto* form = new QFormLayout;
    form->addRow(Gui::Tr("IDC_EDIT_USER_MSG_CODE1"), m_field);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(Gui::Tr("IDS_IDOK"), QDialogButtonBox::AcceptRole)
        ->setObjectName(QStringLiteral("ok"));
    buttons->addButton(Gui::Tr("IDS_IDCANCEL"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CAddUserMsgItemDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

bool CAddUserMsgItemDlg::Ask(QWidget* parent, std::string& code) {
    CAddUserMsgItemDlg dialog(parent);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    code = dialog.Code();
    return true;
}

void CAddUserMsgItemDlg::accept() {
    if (!CUserMsgEditor::CheckCode(Gui::S(m_field->text()), m_code)) {
        CMessageBox::Show(this, CUserMsgEditor::InvalidCodeText(), IFrontEnd::EButtons::Ok,
                          IFrontEnd::EIcon::Warning);
        m_field->setFocus();
        m_field->selectAll();
        return;
    }
    QDialog::accept();
}

void CAddUserMsgItemDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    raise();
    activateWindow();
    m_field->setFocus();
}
