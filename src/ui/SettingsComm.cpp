#include "SettingsComm.h"

#include "GuiText.h"
#include "MessageBox.h"
#include "SetComPort.h"
#include "Translate.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

QComboBox* NetChoices(QWidget* parent, const char* objectName) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(objectName));
    for (const char* choice : CSettingsPages::NetChoices()) {
        box->addItem(QString::fromLatin1(choice));
    }
    return box;
}

} // namespace

CSettingsComm::CSettingsComm(QWidget* parent) : CSettingsPage(parent) {
    setObjectName(QStringLiteral("SettingsComm"));

    auto* tel = new QGroupBox(Gui::Tr("IDC_PP_SETTINGS_COMM_TELEPHONE_MODEM"), this);
    m_telEnabled = new QCheckBox(Gui::Tr("IDC_PP_SETTINGS_COMM_TEL_ENABLED"), tel);
    m_telEnabled->setObjectName(QStringLiteral("telEnabled"));
    m_telPort = new CSerialPortCombo(tel);
    m_telPort->setObjectName(QStringLiteral("telPort"));
    m_cpcEnabled = new QCheckBox(Gui::Tr("IDC_PP_SETTINGS_COMM_CPC_ENABLED"), tel);
    m_cpcEnabled->setObjectName(QStringLiteral("cpcEnabled"));
    m_ringSignals = NumberField("ringSignals", CSettingsPages::RING_SIGNALS);
    m_telNet = NetChoices(tel, "telNet");

    std::vector<QWidget*> labels;
    auto label = [&labels](const char* tag, QWidget* parent) {
        auto* l = new QLabel(Gui::Tr(tag), parent);
        labels.push_back(l);
        return l;
    };
    auto* telGrid = new QGridLayout(tel);
    telGrid->addWidget(m_telEnabled, 0, 0, 1, 2);
    telGrid->addWidget(label("IDC_PP_SETTINGS_COMM_COMPORT", tel), 1, 0);
    telGrid->addWidget(m_telPort, 1, 1);
    telGrid->addWidget(m_cpcEnabled, 2, 0, 1, 2);
    auto* ring = new QHBoxLayout;
    ring->addWidget(m_ringSignals);
    ring->addWidget(new QLabel(Gui::Tr("IDC_PP_SETTINGS_COMM_RING_SIGNAL"), tel));
    ring->addStretch();
    telGrid->addWidget(label("IDC_PP_SETTINGS_COMM_ANSWER_AFTER", tel), 3, 0);
    telGrid->addLayout(ring, 3, 1);
    telGrid->addWidget(label("IDC_PP_SETTINGS_COMM_WIRELESS_NET_SEL", tel), 4, 0);
    telGrid->addWidget(m_telNet, 4, 1);
    telGrid->setColumnStretch(2, 1);

    auto* gsm = new QGroupBox(Gui::Tr("IDC_PP_SETTINGS_COMM_GSM_MODEM"), this);
    m_gsmEnabled = new QCheckBox(Gui::Tr("IDC_PP_SETTINGS_COMM_GSM_ENABLED"), gsm);
    m_gsmEnabled->setObjectName(QStringLiteral("gsmEnabled"));
    m_gsmPort = new CSerialPortCombo(gsm);
    m_gsmPort->setObjectName(QStringLiteral("gsmPort"));
    m_pin = new QLineEdit(gsm);
    m_pin->setObjectName(QStringLiteral("pin"));
    m_pin->setMaxLength(CSettingsPages::PIN_CHARS);
    m_pin->setMaximumWidth(m_pin->fontMetrics().horizontalAdvance(QStringLiteral("00000000")) + 12);
    m_baudrate = new QComboBox(gsm);
    m_baudrate->setObjectName(QStringLiteral("baudrate"));
    for (const char* choice : CSettingsPages::BaudrateChoices()) {
        m_baudrate->addItem(QString::fromLatin1(choice));
    }
    m_gsmNet = NetChoices(gsm, "gsmNet");

    auto* gsmGrid = new QGridLayout(gsm);
    gsmGrid->addWidget(m_gsmEnabled, 0, 0, 1, 2);
    gsmGrid->addWidget(label("IDC_PP_SETTINGS_COMM_COMPORT1", gsm), 1, 0);
    gsmGrid->addWidget(m_gsmPort, 1, 1);
    gsmGrid->addWidget(label("IDC_PP_SETTINGS_COMM_PIN_CODE", gsm), 2, 0);
    gsmGrid->addWidget(m_pin, 2, 1);
    gsmGrid->addWidget(label("IDC_PP_SETTINGS_COMM_BAUDRATE", gsm), 3, 0);
    gsmGrid->addWidget(m_baudrate, 3, 1);
    gsmGrid->addWidget(label("IDC_PP_SETTINGS_COMM_WIRELESS_NET_SEL", gsm), 4, 0);
    gsmGrid->addWidget(m_gsmNet, 4, 1);
    gsmGrid->setColumnStretch(2, 1);

    // The drop-downs keep their natural width instead of stretching over the page.
    for (QComboBox* box : {static_cast<QComboBox*>(m_telPort), m_telNet, static_cast<QComboBox*>(m_gsmPort),
                           m_baudrate, m_gsmNet}) {
        box->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }

    AlignLabels(labels);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tel);
    layout->addWidget(gsm);
    layout->addStretch();
}

QString CSettingsComm::Caption() const {
    return Gui::Tr("IDC_PP_SETTINGS_COMM_CAPTION");
}

void CSettingsComm::LoadPage(const SSettingsValues& v) {
    m_telEnabled->setChecked(v.TelEnabled != 0);
    m_telPort->SetPort(v.TelComPort);
    m_cpcEnabled->setChecked(v.CpcEnabled != 0);
    SetNumber(m_ringSignals, v.TelRingSignals);
    m_telNet->setCurrentIndex(v.WirelessNetSel >= 0 && v.WirelessNetSel < m_telNet->count() ? v.WirelessNetSel
                                                                                            : -1);
    m_gsmEnabled->setChecked(v.GsmEnabled != 0);
    m_gsmPort->SetPort(v.GsmComPort);
    m_pin->setText(Gui::Q(v.GsmPinCode));
    m_baudrate->setCurrentIndex(CSettingsPages::BaudrateIndex(v.GsmBaudrate));
    m_gsmNet->setCurrentIndex(
        v.GsmWirelessNetSel >= 0 && v.GsmWirelessNetSel < m_gsmNet->count() ? v.GsmWirelessNetSel : -1);
}

void CSettingsComm::StorePage(SSettingsValues& v) const {
    Put(v, &SSettingsValues::TelEnabled, m_telEnabled->isChecked() ? 1 : 0);
    Put(v, &SSettingsValues::TelComPort, m_telPort->Port());
    Put(v, &SSettingsValues::CpcEnabled, m_cpcEnabled->isChecked() ? 1 : 0);
    int ring = 0;
    if (ReadNumber(m_ringSignals, CSettingsPages::RING_SIGNALS, ring)) {
        Put(v, &SSettingsValues::TelRingSignals, ring);
    }
    if (m_telNet->currentIndex() >= 0) {
        Put(v, &SSettingsValues::WirelessNetSel, m_telNet->currentIndex());
    }
    Put(v, &SSettingsValues::GsmEnabled, m_gsmEnabled->isChecked() ? 1 : 0);
    Put(v, &SSettingsValues::GsmComPort, m_gsmPort->Port());
    Put(v, &SSettingsValues::GsmPinCode, Gui::S(m_pin->text()));
    Put(v, &SSettingsValues::GsmBaudrate, CSettingsPages::BaudrateOf(m_baudrate->currentIndex()));
    if (m_gsmNet->currentIndex() >= 0) {
        Put(v, &SSettingsValues::GsmWirelessNetSel, m_gsmNet->currentIndex());
    }
}

bool CSettingsComm::OnKillActive() {
    int ring = 0;
    if (!CheckNumber(m_ringSignals, CSettingsPages::RING_SIGNALS, ring)) {
        return false;
    }
    if (!CSettingsPages::IsValidPin(Gui::S(m_pin->text()))) {
        CMessageBox::Show(this, Text::Tr(CSettingsPages::PIN_MESSAGE_TAG), IFrontEnd::EButtons::Ok,
                          IFrontEnd::EIcon::Warning);
        m_pin->setFocus();
        m_pin->selectAll();
        return false;
    }
    return true;
}

void CSettingsComm::OnSetActive() {
    m_telPort->Rebuild();
    m_gsmPort->Rebuild();
}
