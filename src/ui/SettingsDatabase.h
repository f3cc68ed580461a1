#pragma once

#include "SettingsSheet.h"

class QLineEdit;

// The Database page: the folder of the database file and how many months alarms are kept.
class CSettingsDatabase : public CSettingsPage {
    Q_OBJECT
public:
    explicit CSettingsDatabase(QWidget* parent);

    QString Caption() const override;
    // The months range, then the deletion and slowness questions against the months the page
    // was opened with.
    bool OnKillActive() override;

    // Browse: the folder picker; a chosen folder goes into the path field with a trailing
    // separator, and the operator is told it counts from the next start.
    void Browse();

protected:
    void LoadPage(const SSettingsValues& values) override;
    void StorePage(SSettingsValues& values) const override;

private:
    QLineEdit* m_path = nullptr;
    QLineEdit* m_months = nullptr;
};
