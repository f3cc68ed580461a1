#include "GenerateP100MsgDlg.h"

#include "GuiText.h"
#include "MORADoc.h"
#include "MessageBox.h"
#include "P100Generator.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace {

// The generator is a service tool: its labels are fixed English texts.
QLineEdit* NumberField(QWidget* parent, int field, int width) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QStringLiteral("field%1").arg(field));
    // Digits only when typed; Update may still show a value such as 17 for a letter in the ID.
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    edit->setMaxLength(3);
    edit->setAlignment(Qt::AlignRight);
    edit->setFixedWidth(QFontMetrics(edit->font()).horizontalAdvance(QStringLiteral("0")) * width + 16);
    return edit;
}

} // namespace

CGenerateP100MsgDlg::CGenerateP100MsgDlg(CMORADoc& doc, QWidget* parent)
    : QDialog(parent), m_doc(doc), m_generator(std::make_unique<CP100Generator>()) {
    setObjectName(QStringLiteral("GenerateP100MsgDlg"));
    setWindowTitle(QStringLiteral("Generate P100 Message"));

    m_idCode = new QLineEdit(this);
    m_idCode->setObjectName(QStringLiteral("idCode"));
    m_idCode->setMaxLength(static_cast<int>(CP100Generator::ID_MAX_CHARS));
    m_alarmType = new QComboBox(this);
    m_alarmType->setObjectName(QStringLiteral("alarmType"));
    for (int type = 0; type < CP100Generator::ALARM_TYPE_COUNT; ++type) {
        m_alarmType->addItem(QString::fromLatin1(CP100Generator::AlarmTypeName(type)));
    }
    auto* top = new QFormLayout;
    top->addRow(QStringLiteral("ID Code:"), m_idCode);
    top->addRow(QStringLiteral("Alarm Type:"), m_alarmType);

    auto* opFailGroup = new QGroupBox(QStringLiteral("OpFail"), this);
    m_opFailType = new QComboBox(opFailGroup);
    m_opFailType->setObjectName(QStringLiteral("opFailType"));
    for (int index = 0; index < CP100Generator::OPFAIL_TYPE_COUNT; ++index) {
        m_opFailType->addItem(QString::fromLatin1(CP100Generator::OpFailName(index)));
    }
    auto* opFailLayout = new QFormLayout(opFailGroup);
    opFailLayout->addRow(QStringLiteral("Type:"), m_opFailType);

    auto* userGroup = new QGroupBox(QStringLiteral("User Data"), this);
    auto* userLayout = new QGridLayout(userGroup);
    for (int i = 0; i <= CP100Generator::DATA_COUNT; ++i) {
        const int field = CP100Generator::FIELD_USER_LEN + i;
        m_numbers[static_cast<std::size_t>(field)] = NumberField(userGroup, field, 3);
        userLayout->addWidget(
            new QLabel(i == 0 ? QStringLiteral("Len") : QStringLiteral("Data %1").arg(i), userGroup), 0, i,
            Qt::AlignHCenter);
        userLayout->addWidget(m_numbers[static_cast<std::size_t>(field)], 1, i);
    }

    auto* messageGroup = new QGroupBox(QStringLiteral("P100 Message"), this);
    auto* messageLayout = new QGridLayout(messageGroup);
    for (int field = CP100Generator::FIELD_TYPE; field < CP100Generator::FIELD_COUNT; ++field) {
        const int i = field - CP100Generator::FIELD_TYPE;
        const QString label = field == CP100Generator::FIELD_TYPE  ? QStringLiteral("Type")
                              : field == CP100Generator::FIELD_LEN ? QStringLiteral("Len")
                                                                   : QStringLiteral("C%1").arg(i - 1);
        m_numbers[static_cast<std::size_t>(field)] = NumberField(messageGroup, field, 2);
        // Two rows: Type, Len and C1 to C7, then C8 to C15.
        const int row = i < 9 ? 0 : 2;
        const int column = i < 9 ? i : i - 9 + 1;
        messageLayout->addWidget(new QLabel(label, messageGroup), row, column, Qt::AlignHCenter);
        messageLayout->addWidget(m_numbers[static_cast<std::size_t>(field)], row + 1, column);
    }

    m_autoUpdate = new QCheckBox(QStringLiteral("Automatic Update"), this);
    m_autoUpdate->setObjectName(QStringLiteral("autoUpdate"));
    auto* buttons = new QDialogButtonBox(this);
    m_update = buttons->addButton(QStringLiteral("Update"), QDialogButtonBox::ActionRole);
    m_update->setObjectName(QStringLiteral("updateButton"));
    m_send = buttons->addButton(QStringLiteral("Send"), QDialogButtonBox::ActionRole);
    m_send->setObjectName(QStringLiteral("sendButton"));
    m_update->setAutoDefault(false);
    m_send->setAutoDefault(false);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_autoUpdate);
    bottom->addStretch(1);
    bottom->addWidget(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(opFailGroup);
    layout->addWidget(userGroup);
    layout->addWidget(messageGroup);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_alarmType, &QComboBox::currentIndexChanged, this, &CGenerateP100MsgDlg::OnAlarmType);
    connect(m_autoUpdate, &QCheckBox::toggled, this,
            [this](bool on) { m_update->setEnabled(CP100Generator::UpdateEnabled(on)); });
    connect(m_update, &QPushButton::clicked, this, &CGenerateP100MsgDlg::OnUpdate);
    connect(m_send, &QPushButton::clicked, this, &CGenerateP100MsgDlg::OnSend);

    ShowFields();
    OnAlarmType();
    m_update->setEnabled(CP100Generator::UpdateEnabled(m_autoUpdate->isChecked()));
}

CGenerateP100MsgDlg::~CGenerateP100MsgDlg() = default;

void CGenerateP100MsgDlg::ShowDialog() {
    show();
    raise();
    activateWindow();
}

void CGenerateP100MsgDlg::ShowFields() {
    const CP100Generator::SFields& fields = m_generator->Fields();
    m_idCode->setText(Gui::Q(fields.idCode));
    {
        const QSignalBlocker block(m_alarmType);
        m_alarmType->setCurrentIndex(fields.alarmType);
    }
    m_opFailType->setCurrentIndex(fields.opFailType);
    for (int field = 0; field < CP100Generator::FIELD_COUNT; ++field) {
        m_numbers[static_cast<std::size_t>(field)]->setText(
            Gui::Q(fields.numbers[static_cast<std::size_t>(field)]));
    }
    m_autoUpdate->setChecked(fields.autoUpdate);
}

void CGenerateP100MsgDlg::OnAlarmType() {
    const int type = m_alarmType->currentIndex();
    m_idCode->setEnabled(CP100Generator::IdCodeEnabled(type));
    m_opFailType->setEnabled(CP100Generator::OpFailEnabled(type));
    for (int i = 0; i <= CP100Generator::DATA_COUNT; ++i) {
        m_numbers[static_cast<std::size_t>(CP100Generator::FIELD_USER_LEN + i)]->setEnabled(
            CP100Generator::UserDataEnabled(type));
    }
}

void CGenerateP100MsgDlg::ShowError(int field, const std::string& text) {
    CMessageBox::Show(this, text, IFrontEnd::EButtons::Ok, IFrontEnd::EIcon::Warning);
    QLineEdit* edit = m_numbers[static_cast<std::size_t>(field)];
    edit->setFocus();
    edit->selectAll();
}

CP100Generator::SFields CGenerateP100MsgDlg::ReadFields() const {
    CP100Generator::SFields fields;
    fields.idCode = Gui::S(m_idCode->text());
    fields.alarmType = m_alarmType->currentIndex();
    fields.opFailType = m_opFailType->currentIndex();
    for (int field = 0; field < CP100Generator::FIELD_COUNT; ++field) {
        fields.numbers[static_cast<std::size_t>(field)] =
            Gui::S(m_numbers[static_cast<std::size_t>(field)]->text());
    }
    fields.autoUpdate = m_autoUpdate->isChecked();
    return fields;
}

void CGenerateP100MsgDlg::OnUpdate() {
    const CP100Generator::SFields fields = ReadFields();
    if (auto error = m_generator->UpdateFields(fields)) {
        ShowError(error->field, error->text);
        return;
    }
    ShowFields();
}

void CGenerateP100MsgDlg::OnSend() {
    const CP100Generator::SFields fields = ReadFields();
    std::unique_ptr<CComMsg> message;
    const auto error = m_generator->Send(fields, message);
    // What Update made of the fields is shown even when a value stops the send.
    ShowFields();
    if (error) {
        ShowError(error->field, error->text);
        return;
    }
    m_doc.SendToTelephone(std::move(message));
}
