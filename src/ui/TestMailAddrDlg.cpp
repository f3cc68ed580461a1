#include "TestMailAddrDlg.h"

#include "GuiText.h"
#include "SettingsPages.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CTestMailAddrDlg::CTestMailAddrDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TestMailAddrDlg"));
    setWindowTitle(Gui::Tr("IDD_TESTMAIL_ADDRESS_CAPTION"));

    m_address = new QLineEdit(this);
    m_address->setObjectName(QStringLiteral("receiveAddress"));
    m_address->setMaxLength(CSettingsPages::MAX_TEXT_CHARS);
    m_address->setMinimumWidth(m_address->fontMetrics().averageCharWidth() * 40);

    auto* form = new QFormLayout;
    form->addRow(Gui::Tr("IDC_EVENTMSG_RECEIVE_ADDRESS"), m_address);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(Gui::Tr("IDS_IDOK"), QDialogButtonBox::AcceptRole)
        ->setObjectName(QStringLiteral("ok"));
    buttons->addButton(Gui::Tr("IDS_IDCANCEL"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CTestMailAddrDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    raise();
    activateWindow();
    m_address->setFocus();
}

std::string CTestMailAddrDlg::Address() const {
    return Gui::S(m_address->text());
}

bool CTestMailAddrDlg::Run(QWidget* parent, std::string& address) {
    CTestMailAddrDlg dialog(parent);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    address = dialog.Address();
    return true;
}
