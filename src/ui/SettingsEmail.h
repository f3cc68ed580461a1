#pragma once

#include "SettingsSheet.h"

class CMailMgr;
class QCheckBox;
class QLineEdit;

// The E-mail page: server, identification, account and the two header rows of alarm mails, and
// the test mail with the values as they stand on the page.
class CSettingsEmail : public CSettingsPage {
    Q_OBJECT
public:
    CSettingsEmail(CMailMgr& mailMgr, QWidget* parent);

    QString Caption() const override;
    bool OnKillActive() override;

    // Send TestMail: asks for the address and queues the test mail with the page's (unsaved)
    // server, port, account name and sender address.
    void SendTestMail();

protected:
    void LoadPage(const SSettingsValues& values) override;
    void StorePage(SSettingsValues& values) const override;

private:
    QLineEdit* TextField(const char* objectName);

    CMailMgr& m_mailMgr;
    QCheckBox* m_enabled = nullptr;
    QLineEdit* m_server = nullptr;
    QLineEdit* m_port = nullptr;
    QLineEdit* m_account = nullptr;
    QLineEdit* m_sender = nullptr;
    QLineEdit* m_header1 = nullptr;
    QLineEdit* m_header2 = nullptr;
};
