#include "SettingsEmail.h"

#include "GuiText.h"
#include "MailMgr.h"
#include "TestMailAddrDlg.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QFormLayout* Form(QGroupBox* group) {
    auto* form = new QFormLayout(group);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    return form;
}

} // namespace

QLineEdit* CSettingsEmail::TextField(const char* objectName) {
    auto* field = new QLineEdit(this);
    field->setObjectName(QString::fromLatin1(objectName));
    field->setMaxLength(CSettingsPages::MAX_TEXT_CHARS);
    field->setMinimumWidth(field->fontMetrics().averageCharWidth() * 36);
    return field;
}

CSettingsEmail::CSettingsEmail(CMailMgr& mailMgr, QWidget* parent)
    : CSettingsPage(parent), m_mailMgr(mailMgr) {
    setObjectName(QStringLiteral("SettingsEmail"));

    auto* alarm = new QGroupBox(Gui::Tr("IDC_PP_SETTINGS_EMAIL_ALARM_E_MAIL"), this);
    m_enabled = new QCheckBox(Gui::Tr("IDC_PP_SETTINGS_EMAIL_MAIL_ENABLED"), alarm);
    m_enabled->setObjectName(QStringLiteral("mailEnabled"));
    auto* testMail = new QPushButton(Gui::Tr("IDC_PP_SETTINGS_EMAIL_SEND_TEST_MAIL"), alarm);
    testMail->setObjectName(QStringLiteral("sendTestMail"));
    connect(testMail, &QPushButton::clicked, this, &CSettingsEmail::SendTestMail);
    auto* alarmRow = new QHBoxLayout(alarm);
    alarmRow->addWidget(m_enabled);
    alarmRow->addStretch();
    alarmRow->addWidget(testMail);

    auto* server = new QGroupBox(Gui::Tr("IDC_PP_SETTINGS_EMAIL_SERVER"), this);
    m_server = TextField("server");
    m_port = NumberField("port", CSettingsPages::MAIL_PORT);
    QFormLayout* serverForm = Form(server);
    serverForm->addRow(Gui::Tr("IDC_PP_SETTINGS_EMAIL_OUTGOING_"), m_server);
    serverForm->addRow(Gui::Tr("IDC_PP_SETTINGS_EMAIL_PORT_NUMBER"), m_port);

    auto* identification = new QGroupBox(Gui::Tr("IDC_PP_SETTINGS_EMAIL_IDENTIFICATION"), this);
    m_account = TextField("accountName");
    Form(identification)->addRow(Gui::Tr("IDC_PP_SETTINGS_EMAIL_ACCOUNT_NAME"), m_account);

    auto* account = new QGroupBox(Gui::Tr("IDC_PP_SETTINGS_EMAIL_ACCOUNT"), this);
    m_sender = TextField("senderAddress");
    Form(account)->addRow(Gui::Tr("IDC_PP_SETTINGS_EMAIL_SENDER_ADDRESS"), m_sender);

    auto* header = new QGroupBox(Gui::Tr("IDC_PP_SETTINGS_EMAIL_MAIL_HEADER"), this);
    m_header1 = TextField("header1");
    m_header2 = TextField("header2");
    QFormLayout* headerForm = Form(header);
    headerForm->addRow(Gui::Tr("IDC_PP_SETTINGS_EMAIL_ROW_1"), m_header1);
    headerForm->addRow(Gui::Tr("IDC_PP_SETTINGS_EMAIL_ROW_2"), m_header2);

    std::vector<QWidget*> labels;
    for (QLineEdit* field : {m_server, m_port, m_account, m_sender, m_header1, m_header2}) {
        auto* form = qobject_cast<QFormLayout*>(field->parentWidget()->layout());
        if (QWidget* label = form != nullptr ? form->labelForField(field) : nullptr) {
            labels.push_back(label);
        }
    }
    AlignLabels(labels);

    auto* layout = new QVBoxLayout(this);
    for (QGroupBox* group : {alarm, server, identification, account, header}) {
        layout->addWidget(group);
    }
    layout->addStretch();
}

QString CSettingsEmail::Caption() const {
    return Gui::Tr("IDC_PP_SETTINGS_EMAIL_CAPTION");
}

void CSettingsEmail::LoadPage(const SSettingsValues& v) {
    m_enabled->setChecked(v.MailEnabled != 0);
    m_server->setText(Gui::Q(v.SendMailServer));
    SetNumber(m_port, v.MailPortNumber);
    m_account->setText(Gui::Q(v.MailAccountName));
    m_sender->setText(Gui::Q(v.MailSenderAddress));
    m_header1->setText(Gui::Q(v.MailHeader1));
    m_header2->setText(Gui::Q(v.MailHeader2));
}

void CSettingsEmail::StorePage(SSettingsValues& v) const {
    Put(v, &SSettingsValues::MailEnabled, m_enabled->isChecked() ? 1 : 0);
    Put(v, &SSettingsValues::SendMailServer, Gui::S(m_server->text()));
    int port = 0;
    if (ReadNumber(m_port, CSettingsPages::MAIL_PORT, port)) {
        Put(v, &SSettingsValues::MailPortNumber, port);
    }
    Put(v, &SSettingsValues::MailAccountName, Gui::S(m_account->text()));
    Put(v, &SSettingsValues::MailSenderAddress, Gui::S(m_sender->text()));
    Put(v, &SSettingsValues::MailHeader1, Gui::S(m_header1->text()));
    Put(v, &SSettingsValues::MailHeader2, Gui::S(m_header2->text()));
}

bool CSettingsEmail::OnKillActive() {
    int port = 0;
    return CheckNumber(m_port, CSettingsPages::MAIL_PORT, port);
}

void CSettingsEmail::SendTestMail() {
    // The page's values as they stand, checked as on leaving the page: a test mail to port 0 or
    // to a port cut to 16 bits would test another server than the one typed.
    int port = 0;
    if (!CheckNumber(m_port, CSettingsPages::MAIL_PORT, port)) {
        return;
    }
    std::string address;
    if (!CTestMailAddrDlg::Run(this, address) || address.empty()) {
        return;
    }
    m_mailMgr.SendTestMail(Gui::S(m_server->text()), static_cast<std::uint16_t>(port),
                           Gui::S(m_account->text()), Gui::S(m_sender->text()), address);
}
