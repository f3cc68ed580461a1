#include "SetComPort.h"

#include "GuiText.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CSerialPortCombo::CSerialPortCombo(QWidget* parent) : QComboBox(parent) {
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
    setMinimumContentsLength(6);
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (index >= 0 && index < static_cast<int>(m_ports.size())) {
            m_port = m_ports[static_cast<std::size_t>(index)].Number;
            emit PortChosen();
        }
    });
}

void CSerialPortCombo::SetPort(int port) {
    m_port = port;
    // Shown while the stored port is not present: the operator sees which port OK keeps.
    setPlaceholderText(port > 0 ? QStringLiteral("COM%1").arg(port) : QString());
    setCurrentIndex(CSerialPortList::IndexOf(m_ports, m_port));
}

const CSerialPortList::SPort* CSerialPortCombo::ChosenEntry() const {
    const int index = CSerialPortList::IndexOf(m_ports, m_port);
    return index < 0 ? nullptr : &m_ports[static_cast<std::size_t>(index)];
}

void CSerialPortCombo::Rebuild() {
    m_ports = CSerialPortList::Scan();
    clear();
    for (const auto& port : m_ports) {
        addItem(Gui::Q(port.Label), port.Number);
    }
    setCurrentIndex(CSerialPortList::IndexOf(m_ports, m_port));
}

void CSerialPortCombo::showPopup() {
    Rebuild();
    QComboBox::showPopup();
}

CSetComPort::CSetComPort(QWidget* parent, const std::string& title, int port) : QDialog(parent) {
    setObjectName(QStringLiteral("SetComPort"));
    setWindowTitle(Gui::Q(title));

    auto* layout = new QVBoxLayout(this);
    for (const char* tag : {"IDC_SET_COMPORT_UNABLE_TO_OPEN", "IDC_SET_COMPORT_TRY_CHANGING",
                            "IDC_SET_COMPORT_SELECT_CANCEL"}) {
        layout->addWidget(new QLabel(Gui::Tr(tag), this));
    }
    layout->addSpacing(6);
    m_ports = new CSerialPortCombo(this);
    m_ports->setObjectName(QStringLiteral("ports"));
    layout->addWidget(m_ports);

    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("noAccessNote"));
    m_note->setWordWrap(true);
    m_note->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_note->setMinimumWidth(m_note->fontMetrics().averageCharWidth() * 50);
    m_note->hide();
    layout->addWidget(m_note);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(Gui::Tr("IDS_IDOK"), QDialogButtonBox::AcceptRole)
        ->setObjectName(QStringLiteral("ok"));
    buttons->addButton(Gui::Tr("IDS_IDCANCEL"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addSpacing(6);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_ports, &CSerialPortCombo::PortChosen, this, &CSetComPort::UpdateNote);
    m_ports->SetPort(port);
    m_ports->Rebuild();
    UpdateNote();
}

void CSetComPort::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    raise();
    activateWindow();
}

int CSetComPort::Port() const {
    return m_ports->Port();
}

void CSetComPort::UpdateNote() {
    const CSerialPortList::SPort* port = m_ports->ChosenEntry();
    if (port != nullptr && port->NoAccess) {
        m_note->setText(Gui::Q(CSerialPortList::NoAccessExplanation(*port)));
        m_note->show();
    } else {
        m_note->clear();
        m_note->hide();
    }
}

bool CSetComPort::Run(QWidget* parent, const std::string& title, int& port) {
    CSetComPort dialog(parent, title, port);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    port = dialog.Port();
    return true;
}
