#pragma once

#include "SettingsSheet.h"

class QCheckBox;
class QLineEdit;

// The Alarms page: alarm list, pop-up window, voice call and test alarms.
class CSettingsAlarms : public CSettingsPage {
    Q_OBJECT
public:
    explicit CSettingsAlarms(QWidget* parent);

    QString Caption() const override;
    bool OnKillActive() override;

protected:
    void LoadPage(const SSettingsValues& values) override;
    void StorePage(SSettingsValues& values) const override;

private:
    QCheckBox* Check(QWidget* parent, const char* tag, const char* objectName);

    QLineEdit* m_maxItems = nullptr;
    QCheckBox* m_autoRefresh = nullptr;
    QLineEdit* m_interval = nullptr;
    QCheckBox* m_popUp = nullptr;
    QCheckBox* m_voiceCall = nullptr;
    QCheckBox* m_alertSound = nullptr;
    QCheckBox* m_sendMailAtTest = nullptr;
    QCheckBox* m_acceptCallerId = nullptr;
    QCheckBox* m_useCidNumber = nullptr;
    QCheckBox* m_testFilter = nullptr;
    QCheckBox* m_relayCtrl = nullptr;
};
