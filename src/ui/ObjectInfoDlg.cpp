#include "ObjectInfoDlg.h"

#include "CustomerInfoDlg.h"
#include "GuiText.h"
#include "MORADoc.h"
#include "MailSmsNumInfoDlg.h"
#include "MessageBox.h"
#include "MsgKinds.h"
#include "OpenObjectInfoDlg.h"
#include "TextLimit.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QLineEdit* MakeEdit(QWidget* parent, const char* name, std::size_t chars, const char* tipTag) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setToolTip(Gui::Tr(tipTag));
    Gui::LimitChars(edit, chars);
    return edit;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

// A field with its "..." button on one row.
QWidget* WithChooser(QWidget* field, QPushButton* chooser) {
    auto* row = new QWidget(field->parentWidget());
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(field, 1);
    layout->addWidget(chooser);
    chooser->setMaximumWidth(chooser->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
    return row;
}

} // namespace

CObjectInfoDlg::CObjectInfoDlg(CMORADoc& doc, QWidget* parent)
    : QDialog(parent), m_doc(doc),
      m_form(
          *this, [this](MsgPtr request) { m_doc.DbRequest(std::move(request)); }, doc.Clock()) {
    setObjectName(QStringLiteral("ObjectInfoDlg"));
    setModal(false);

    // Object information
    auto* objectGroup = new QGroupBox(Gui::Tr("IDC_OBJECT_INFO_OBJECT_INFORMATION"), this);
    m_idCode = MakeEdit(objectGroup, "IdCode", CObjectForm::IDCODE_CHARS, "IDS_OBJECTINFODLG_MSG_22");
    m_phone = MakeEdit(objectGroup, "PhoneNumber", CObjectForm::PHONE_CHARS, "IDS_OBJECTINFODLG_MSG_39");
    m_idInfo = MakeEdit(objectGroup, "IdInfo", CObjectForm::TEXT_CHARS, "IDS_OBJECTINFODLG_MSG_23");
    m_address = MakeEdit(objectGroup, "Address", CObjectForm::TEXT_CHARS, "IDS_OBJECTINFODLG_MSG_24");
    m_days = new QSpinBox(objectGroup);
    m_days->setObjectName(QStringLiteral("Days"));
    m_days->setRange(0, CObjectForm::DAYS_MAX);
    m_days->setToolTip(Gui::Tr("IDS_OBJECTINFODLG_MSG_25"));
    m_days->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_testOnly = new QCheckBox(objectGroup);
    m_testOnly->setObjectName(QStringLiteral("TestAlarmOnly"));
    m_testOnly->setToolTip(Gui::Tr("IDS_OBJECTINFODLG_MSG_26"));
    m_popUp = new QCheckBox(objectGroup);
    m_popUp->setObjectName(QStringLiteral("AlarmPopUp"));
    m_popUp->setToolTip(Gui::Tr("IDS_OBJECTINFODLG_MSG_27"));
    m_elevatorType =
        MakeEdit(objectGroup, "ElevatorType", CObjectForm::TEXT_CHARS, "IDS_OBJECTINFODLG_MSG_35");
    m_notes = new QPlainTextEdit(objectGroup);
    m_notes->setObjectName(QStringLiteral("Notes"));
    m_notes->setToolTip(Gui::Tr("IDS_OBJECTINFODLG_MSG_34"));
    m_notes->setTabChangesFocus(true);
    m_notes->setMinimumHeight(m_notes->fontMetrics().lineSpacing() * 4 + 12);
    Gui::LimitChars(m_notes, CObjectForm::LONG_TEXT_CHARS);
    const int wide = m_idInfo->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 42;
    m_idInfo->setMinimumWidth(wide);
    auto* objectLayout = new QFormLayout(objectGroup);
    objectLayout->addRow(Gui::Tr("IDC_OBJECT_INFO_LBL_ID_CODE"), m_idCode);
    objectLayout->addRow(Gui::Tr("IDC_OBJECT_INFO_PHONE_NUMBER"), m_phone);
    objectLayout->addRow(Gui::Tr("IDC_OBJECT_INFO_ID_INFO"), m_idInfo);
    objectLayout->addRow(Gui::Tr("IDC_OBJECT_INFO_ADDRESS"), m_address);
    objectLayout->addRow(Gui::Tr("IDC_OBJECT_INFO_NO_OF_DAYS"), m_days);
    objectLayout->addRow(Gui::Tr("IDC_OBJECT_INFO_TEST_ALARM_ONLY"), m_testOnly);
    objectLayout->addRow(Gui::Tr("IDC_OBJECT_INFO_ALARM_POPUP"), m_popUp);
    objectLayout->addRow(Gui::Tr("IDC_OBJECT_INFO_ELEVATOR_TYPE"), m_elevatorType);
    objectLayout->addRow(Gui::Tr("IDC_OBJECT_INFO_NOTES"), m_notes);

    // Recipients of technical and emergency alarms, each with its "..." chooser.
    const auto recipientsGroup = [this](const char* titleTag, const char* mailLabel, const char* smsLabel,
                                        QLineEdit*& mail, QLineEdit*& sms, const char* mailName,
                                        const char* smsName, const char* mailTip, const char* smsTip) {
        auto* group = new QGroupBox(Gui::Tr(titleTag), this);
        mail = MakeEdit(group, mailName, CObjectForm::LONG_TEXT_CHARS, mailTip);
        sms = MakeEdit(group, smsName, CObjectForm::TEXT_CHARS, smsTip);
        auto* mailChooser =
            MakeButton(group, (std::string(mailName) + "Choose").c_str(), QStringLiteral("..."));
        mailChooser->setToolTip(Gui::Tr("IDS_OBJECTINFODLG_MSG_32"));
        auto* smsChooser =
            MakeButton(group, (std::string(smsName) + "Choose").c_str(), QStringLiteral("..."));
        smsChooser->setToolTip(Gui::Tr("IDS_OBJECTINFODLG_MSG_33"));
        QLineEdit* mailEdit = mail;
        QLineEdit* smsEdit = sms;
        connect(mailChooser, &QPushButton::clicked, this,
                [this, mailEdit] { ChooseRecipients(mailEdit, false); });
        connect(smsChooser, &QPushButton::clicked, this,
                [this, smsEdit] { ChooseRecipients(smsEdit, true); });
        auto* layout = new QFormLayout(group);
        layout->addRow(Gui::Tr(mailLabel), WithChooser(mail, mailChooser));
        layout->addRow(Gui::Tr(smsLabel), WithChooser(sms, smsChooser));
        return group;
    };
    auto* techGroup = recipientsGroup("IDC_OBJECT_INFO_TECHNICAL_ALARMS", "IDC_OBJECT_INFO_E_MAIL",
                                      "IDC_OBJECT_INFO_SMS_NUMBER", m_mailTech, m_smsTech, "MailTech",
                                      "SmsTech", "IDS_OBJECTINFODLG_MSG_28", "IDS_OBJECTINFODLG_MSG_29");
    auto* emgGroup = recipientsGroup("IDC_OBJECT_INFO_EMERGENCY_CALL", "IDC_OBJECT_INFO_E_MAIL1",
                                     "IDC_OBJECT_INFO_SMS_NUMBER1", m_mailEmg, m_smsEmg, "MailEmg", "SmsEmg",
                                     "IDS_OBJECTINFODLG_MSG_30", "IDS_OBJECTINFODLG_MSG_31");
    m_mailTech->setMinimumWidth(wide);

    // Customer: chosen through its dialog, shown read-only here.
    auto* customerGroup = new QGroupBox(Gui::Tr("IDC_OBJECT_INFO_CUSTOMER"), this);
    m_customer = new QLineEdit(customerGroup);
    m_customer->setObjectName(QStringLiteral("CustomerName"));
    m_customer->setReadOnly(true);
    m_customer->setToolTip(Gui::Tr("IDS_OBJECTINFODLG_MSG_36"));
    auto* customerChooser = MakeButton(customerGroup, "CustomerChoose", QStringLiteral("..."));
    customerChooser->setToolTip(Gui::Tr("IDS_OBJECTINFODLG_MSG_37"));
    connect(customerChooser, &QPushButton::clicked, this, &CObjectInfoDlg::ChooseCustomer);
    m_customerInfo = new QPlainTextEdit(customerGroup);
    m_customerInfo->setObjectName(QStringLiteral("CustomerInfo"));
    m_customerInfo->setReadOnly(true);
    m_customerInfo->setTabChangesFocus(true);
    m_customerInfo->setToolTip(Gui::Tr("IDS_OBJECTINFODLG_MSG_38"));
    m_customerInfo->setMinimumHeight(m_customerInfo->fontMetrics().lineSpacing() * 3 + 12);
    auto* customerLayout = new QFormLayout(customerGroup);
    customerLayout->addRow(Gui::Tr("IDC_OBJECT_INFO_NAME"), WithChooser(m_customer, customerChooser));
    customerLayout->addRow(Gui::Tr("IDC_OBJECT_INFO_INFO"), m_customerInfo);

    // Buttons
    auto* newButton = MakeButton(this, "New", Gui::Tr("IDC_OBJECT_INFO_NEW"));
    m_add = MakeButton(this, "Add", Gui::Tr("IDC_OBJECT_INFO_ADD"));
    m_save = MakeButton(this, "Save", Gui::Tr("IDC_OBJECT_INFO_SAVE"));
    m_copy = MakeButton(this, "CopyObject", Gui::Tr("IDC_OBJECT_INFO_COPY_OBJECT"));
    m_delete = MakeButton(this, "Delete", Gui::Tr("IDC_OBJECT_INFO_DELETE_OBJECT"));
    auto* closeButton = MakeButton(this, "Close", Gui::Tr("IDC_OBJECT_INFO_CLOSE"));
    connect(newButton, &QPushButton::clicked, this, [this] {
        Pull();
        m_form.OnNew();
    });
    connect(m_add, &QPushButton::clicked, this, [this] {
        Pull();
        m_form.OnAdd();
    });
    connect(m_save, &QPushButton::clicked, this, [this] {
        Pull();
        m_form.OnSave();
    });
    connect(m_copy, &QPushButton::clicked, this, [this] {
        Pull();
        m_form.OnCopy();
    });
    connect(m_delete, &QPushButton::clicked, this, [this] {
        Pull();
        m_form.OnDelete();
    });
    connect(closeButton, &QPushButton::clicked, this, &CObjectInfoDlg::reject);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {newButton, m_add, m_save, m_copy, m_delete}) {
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    buttons->addWidget(closeButton);

    auto* right = new QVBoxLayout;
    right->addWidget(techGroup);
    right->addWidget(emgGroup);
    right->addWidget(customerGroup, 1);
    auto* columns = new QHBoxLayout;
    columns->addWidget(objectGroup, 1);
    columns->addLayout(right, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns, 1);
    layout->addLayout(buttons);

    ShowForm();
}

CObjectInfoDlg::~CObjectInfoDlg() {
    if (m_openDlg) {
        delete m_openDlg.data();
    }
}

void CObjectInfoDlg::FileNew() {
    Pull();
    m_form.FileNew();
}

void CObjectInfoDlg::FileOpen() {
    m_form.FileOpen();
}

void CObjectInfoDlg::FileSave() {
    Pull();
    m_form.FileSave();
}

void CObjectInfoDlg::OpenFromAlarm(const CAlarmDialog::SObjectRequest& request) {
    switch (request.action) {
    case CAlarmDialog::EObjectAction::AddObject:
        m_form.NewWithIdCode(request.key);
        break;
    case CAlarmDialog::EObjectAction::OpenByIdCode:
        m_form.OpenByKey(request.key, false);
        break;
    case CAlarmDialog::EObjectAction::OpenByPhone:
        m_form.OpenByKey(request.key, true);
        break;
    }
}

MsgPtr CObjectInfoDlg::OnReply(MsgPtr reply) {
    if (!reply) {
        return reply;
    }
    if (reply->Kind == MsgKind::UI_OBJECT_REPLY) {
        Pull();
        return m_form.OnReply(std::move(reply));
    }
    if (auto* customers = qobject_cast<CCustomerInfoDlg*>(m_child.data())) {
        return customers->OnReply(std::move(reply));
    }
    if (auto* recipients = qobject_cast<CMailSmsNumInfoDlg*>(m_child.data())) {
        return recipients->OnReply(std::move(reply));
    }
    return reply;
}

void CObjectInfoDlg::closeEvent(QCloseEvent* event) {
    Pull();
    if (m_form.OnClose()) {
        event->accept();
    } else {
        event->ignore();
    }
}

void CObjectInfoDlg::reject() {
    // Escape and Close ask the save question as the close box does.
    Pull();
    m_form.OnClose();
}

void CObjectInfoDlg::ShowForm() {
    const SObjectFields& f = m_form.Fields();
    m_idCode->setText(Gui::Q(f.IdCode));
    m_phone->setText(Gui::Q(f.PhoneNumber));
    m_idInfo->setText(Gui::Q(f.IdInfo));
    m_address->setText(Gui::Q(f.Address));
    // A register imported from elsewhere may hold more days than the field offers; keep them.
    m_days->setMaximum(std::max(CObjectForm::DAYS_MAX, f.Days));
    m_days->setValue(f.Days);
    m_testOnly->setChecked(f.TestAlarmOnly);
    m_popUp->setChecked(f.AlarmPopUp);
    m_mailTech->setText(Gui::Q(f.MailAddrTech));
    m_smsTech->setText(Gui::Q(f.SmsNumTech));
    m_mailEmg->setText(Gui::Q(f.MailAddrEmg));
    m_smsEmg->setText(Gui::Q(f.SmsNumEmg));
    m_notes->setPlainText(Gui::FromCrLf(f.Notes));
    m_elevatorType->setText(Gui::Q(f.ElevatorType));
    m_customer->setText(Gui::Q(f.Customer));
    m_customerInfo->setPlainText(Gui::FromCrLf(f.CustomerInfo));
    setWindowTitle(Gui::Tr(m_form.CaptionTag()));
    m_add->setEnabled(m_form.AddEnabled());
    m_save->setEnabled(m_form.SaveEnabled());
    m_copy->setEnabled(m_form.SaveEnabled());
    m_delete->setEnabled(m_form.SaveEnabled());
    m_idCode->setReadOnly(m_form.IdCodeReadOnly());
    if (QWidget* focus = FieldWidget(m_form.FocusField())) {
        focus->setFocus();
    }
}

void CObjectInfoDlg::Pull() {
    SObjectFields& f = m_form.Fields();
    f.IdCode = Gui::S(m_idCode->text());
    f.PhoneNumber = Gui::S(m_phone->text());
    f.IdInfo = Gui::S(m_idInfo->text());
    f.Address = Gui::S(m_address->text());
    f.Days = m_days->value();
    f.TestAlarmOnly = m_testOnly->isChecked();
    f.AlarmPopUp = m_popUp->isChecked();
    f.MailAddrTech = Gui::S(m_mailTech->text());
    f.SmsNumTech = Gui::S(m_smsTech->text());
    f.MailAddrEmg = Gui::S(m_mailEmg->text());
    f.SmsNumEmg = Gui::S(m_smsEmg->text());
    f.Notes = Gui::S(Gui::ToCrLf(m_notes->toPlainText()));
    f.ElevatorType = Gui::S(m_elevatorType->text());
    f.Customer = Gui::S(m_customer->text());
    f.CustomerInfo = Gui::S(Gui::ToCrLf(m_customerInfo->toPlainText()));
}

QWidget* CObjectInfoDlg::FieldWidget(EField field) const {
    switch (field) {
    case EField::IdCode:
        return m_idCode;
    case EField::PhoneNumber:
        return m_phone;
    case EField::IdInfo:
        return m_idInfo;
    case EField::Address:
        return m_address;
    case EField::Days:
        return m_days;
    case EField::MailTech:
        return m_mailTech;
    case EField::SmsTech:
        return m_smsTech;
    case EField::MailEmg:
        return m_mailEmg;
    case EField::SmsEmg:
        return m_smsEmg;
    case EField::Notes:
        return m_notes;
    case EField::ElevatorType:
        return m_elevatorType;
    case EField::None:
        break;
    }
    return nullptr;
}

void CObjectInfoDlg::SelectField(EField field) {
    QWidget* widget = FieldWidget(field);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->selectAll();
    } else if (auto* text = qobject_cast<QPlainTextEdit*>(widget)) {
        text->selectAll();
    } else if (auto* spin = qobject_cast<QSpinBox*>(widget)) {
        spin->selectAll();
    }
    if (widget != nullptr) {
        widget->setFocus();
    }
}

void CObjectInfoDlg::ShowAndRaise() {
    show();
    raise();
    activateWindow();
}

IFrontEnd::EResult CObjectInfoDlg::Ask(const std::string& text, IFrontEnd::EButtons buttons,
                                       IFrontEnd::EIcon icon) {
    return CMessageBox::Show(isVisible() ? this : parentWidget(), text, buttons, icon, 0);
}

void CObjectInfoDlg::Beep() {
    QApplication::beep();
}

void CObjectInfoDlg::ShowObjectList(std::unique_ptr<CObjectInfoMsg> list, const std::string& preset) {
    if (!m_openDlg) {
        m_openDlg = new COpenObjectInfoDlg(parentWidget(), [this](const std::string& idCode) {
            Pull();
            m_form.OpenFromList(idCode);
        });
    }
    m_openDlg->Fill(std::move(list), preset);
}

COpenObjectInfoDlg* CObjectInfoDlg::OpenDialog() const {
    return m_openDlg.data();
}

bool CObjectInfoDlg::ObjectListShown() const {
    return m_openDlg && m_openDlg->isVisible();
}

void CObjectInfoDlg::ChooseCustomer() {
    CCustomerInfoDlg dialog(m_doc, Gui::S(m_customer->text()), this);
    m_child = &dialog;
    const int result = dialog.exec();
    m_child = nullptr;
    if (result == QDialog::Accepted) {
        m_customer->setText(Gui::Q(dialog.Name()));
        m_customerInfo->setPlainText(Gui::FromCrLf(dialog.Info()));
    }
}

void CObjectInfoDlg::ChooseRecipients(QLineEdit* field, bool sms) {
    CMailSmsNumInfoDlg dialog(m_doc, sms ? CRecipientList::EMode::Sms : CRecipientList::EMode::Mail,
                              field->text(), this);
    // What the field cannot hold would be cut when the object is stored.
    dialog.SetResultLimit(sms ? CObjectForm::TEXT_CHARS : CObjectForm::LONG_TEXT_CHARS);
    m_child = &dialog;
    const int result = dialog.exec();
    m_child = nullptr;
    if (result == QDialog::Accepted) {
        field->setText(dialog.Result());
    }
}
