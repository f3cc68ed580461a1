#pragma once

#include "SettingsSheet.h"

class CSerialPortCombo;
class QCheckBox;
class QComboBox;
class QLineEdit;

// The Communication page: telephone modem and GSM modem.
class CSettingsComm : public CSettingsPage {
    Q_OBJECT
public:
    explicit CSettingsComm(QWidget* parent);

    QString Caption() const override;
    bool OnKillActive() override;
    // Each time the page is shown the port lists are probed anew.
    void OnSetActive() override;

protected:
    void LoadPage(const SSettingsValues& values) override;
    void StorePage(SSettingsValues& values) const override;

private:
    QCheckBox* m_telEnabled = nullptr;
    CSerialPortCombo* m_telPort = nullptr;
    QCheckBox* m_cpcEnabled = nullptr;
    QLineEdit* m_ringSignals = nullptr;
    QComboBox* m_telNet = nullptr;
    QCheckBox* m_gsmEnabled = nullptr;
    CSerialPortCombo* m_gsmPort = nullptr;
    QLineEdit* m_pin = nullptr;
    QComboBox* m_baudrate = nullptr;
    QComboBox* m_gsmNet = nullptr;
};
