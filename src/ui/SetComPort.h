#pragma once

#include "SerialPortList.h"

#include <QComboBox>
#include <QDialog>

#include <string>
#include <vector>

class QLabel;

// A drop-down of the serial ports present, rebuilt from the probe each time it is shown or
// dropped down. The stored port stays chosen when it is not present, so that OK with a modem
// unplugged for the moment keeps its port instead of setting it to none.
class CSerialPortCombo : public QComboBox {
    Q_OBJECT
public:
    explicit CSerialPortCombo(QWidget* parent);

    // The stored port; the list is probed by Rebuild.
    void SetPort(int port);
    // The port chosen, or the stored one when no entry is chosen.
    int Port() const { return m_port; }
    // The entry of the chosen port, null when it is not listed.
    const CSerialPortList::SPort* ChosenEntry() const;
    // Probes again and selects the chosen port when it is present.
    void Rebuild();

    void showPopup() override;

signals:
    void PortChosen();

private:
    std::vector<CSerialPortList::SPort> m_ports;
    int m_port = 0;
};

// The serial-port error dialog of the telephone and GSM managers.
class CSetComPort : public QDialog {
    Q_OBJECT
public:
    CSetComPort(QWidget* parent, const std::string& title, int port);

    // Modal, titled `title`, with `port` preselected. True with the chosen port on OK; false on
    // Cancel.
    static bool Run(QWidget* parent, const std::string& title, int& port);

    int Port() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Explains in plain words a chosen port this user may not open.
    void UpdateNote();

    CSerialPortCombo* m_ports = nullptr;
    QLabel* m_note = nullptr;
};
