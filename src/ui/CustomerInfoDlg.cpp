#include "CustomerInfoDlg.h"

#include "AddEditCustomerInfoDlg.h"
#include "GuiText.h"
#include "MORADoc.h"
#include "MessageBox.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

CCustomerInfoDlg::CCustomerInfoDlg(CMORADoc& doc, const std::string& currentName, QWidget* parent)
    : QDialog(parent), m_doc(doc),
      m_choice(*this, [this](MsgPtr request) { m_doc.DbRequest(std::move(request)); }) {
    setObjectName(QStringLiteral("CustomerInfoDlg"));
    setWindowTitle(Gui::Tr("IDS_CUSTOMERINFODLG_MSG_20"));

    auto* group = new QGroupBox(Gui::Tr("IDC_CUSTOMER_INFO_CUSTOMER"), this);
    m_customers = new QComboBox(group);
    m_customers->setObjectName(QStringLiteral("Customers"));
    m_customers->setToolTip(Gui::Tr("IDS_CUSTOMERINFODLG_MSG_12"));
    m_customers->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_customers->setMinimumContentsLength(40);
    m_name = new QLineEdit(group);
    m_name->setObjectName(QStringLiteral("Name"));
    m_name->setReadOnly(true);
    m_name->setToolTip(Gui::Tr("IDS_CUSTOMERINFODLG_MSG_13"));
    m_info = new QPlainTextEdit(group);
    m_info->setObjectName(QStringLiteral("Info"));
    m_info->setReadOnly(true);
    m_info->setTabChangesFocus(true);
    m_info->setToolTip(Gui::Tr("IDS_CUSTOMERINFODLG_MSG_14"));
    auto* form = new QFormLayout(group);
    form->addRow(Gui::Tr("IDC_CUSTOMER_INFO_CUSTOMERS"), m_customers);
    form->addRow(Gui::Tr("IDC_CUSTOMER_INFO_NAME"), m_name);
    form->addRow(Gui::Tr("IDC_CUSTOMER_INFO_INFO"), m_info);
    connect(m_customers, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!m_showing) {
            m_choice.Choose(index);
        }
    });

    const auto button = [this](const char* name, const char* textTag, const char* tipTag) {
        auto* b = new QPushButton(Gui::Tr(textTag), this);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(Gui::Tr(tipTag));
        b->setAutoDefault(false);
        return b;
    };
    auto* newButton = button("New", "IDC_CUSTOMER_INFO_NEW", "IDS_CUSTOMERINFODLG_MSG_16");
    m_edit = button("Edit", "IDC_CUSTOMER_INFO_EDIT", "IDS_CUSTOMERINFODLG_MSG_15");
    m_delete = button("Delete", "IDC_CUSTOMER_INFO_DELETE", "IDS_CUSTOMERINFODLG_MSG_17");
    auto* select = button("Select", "IDC_CUSTOMER_INFO_SELECT", "IDS_CUSTOMERINFODLG_MSG_18");
    auto* close = button("Close", "IDC_CUSTOMER_INFO_CLOSE", "IDS_CUSTOMERINFODLG_MSG_19");
    select->setDefault(true);
    connect(newButton, &QPushButton::clicked, this, &CCustomerInfoDlg::OnNew);
    connect(m_edit, &QPushButton::clicked, this, &CCustomerInfoDlg::OnEdit);
    connect(m_delete, &QPushButton::clicked, this, [this] { m_choice.OnDelete(); });
    connect(select, &QPushButton::clicked, this, &QDialog::accept);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {newButton, m_edit, m_delete}) {
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    buttons->addWidget(select);
    buttons->addWidget(close);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(group, 1);
    layout->addLayout(buttons);

    m_choice.Open(currentName);
}

void CCustomerInfoDlg::OnNew() {
    CAddEditCustomerInfoDlg dialog(false, {}, {}, this);
    if (dialog.exec() == QDialog::Accepted) {
        m_choice.AddCustomer(dialog.Name(), dialog.Info());
    }
}

void CCustomerInfoDlg::OnEdit() {
    if (!m_choice.CanEdit()) {
        return;
    }
    CAddEditCustomerInfoDlg dialog(true, m_choice.Name(), m_choice.Info(), this);
    if (dialog.exec() == QDialog::Accepted) {
        m_choice.EditCustomer(dialog.Info());
    }
}

void CCustomerInfoDlg::ShowCustomers() {
    m_showing = true;
    {
        const QSignalBlocker block(m_customers);
        QStringList entries{Gui::Tr("IDS_CUSTOMERINFODLG_MSG_4")};
        for (const std::string& name : m_choice.Names()) {
            entries << Gui::Q(name);
        }
        bool same = m_customers->count() == entries.size();
        for (int i = 0; same && i < entries.size(); ++i) {
            same = m_customers->itemText(i) == entries[i];
        }
        if (!same) {
            m_customers->clear();
            m_customers->addItems(entries);
        }
        m_customers->setCurrentIndex(m_choice.Selection());
    }
    m_name->setText(Gui::Q(m_choice.Name()));
    m_info->setPlainText(Gui::FromCrLf(m_choice.Info()));
    m_edit->setEnabled(m_choice.CanEdit());
    m_delete->setEnabled(m_choice.CanDelete());
    m_showing = false;
}

IFrontEnd::EResult CCustomerInfoDlg::Ask(const std::string& text, IFrontEnd::EButtons buttons,
                                         IFrontEnd::EIcon icon) {
    return CMessageBox::Show(this, text, buttons, icon, 0);
}
