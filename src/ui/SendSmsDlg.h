#pragma once

#include "SendSmsState.h"
#include "SendSmsView.h"

#include <QDialog>

class CMORADoc;
class CMailSmsNumInfoDlg;
class CSendSmsStatusModel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableView;
class QTimer;

// The Send SMS dialog: created hidden with the main window, attached to the GSM manager, and
// only hidden by Close.
class CSendSmsDlg : public QDialog, public ISendSmsView {
    Q_OBJECT
public:
    // How often a waiting send looks at the station's clock for its time-out.
    static constexpr int POLL_MS = 200;

    CSendSmsDlg(CMORADoc& doc, QWidget* parent);
    ~CSendSmsDlg() override;

    // ISendSmsView
    void Show() override;
    void OnSendReport(std::uint16_t code, const std::string& number) override;
    void OnRecipientReply(MsgPtr reply) override;

    const CSendSmsState& State() const { return m_state; }

    void Send();
    void Clear();
    // "...": the recipients register in SMS mode; its numbers replace the SMS No field on OK.
    void ChooseNumbers();

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;

private:
    void OnPoll();
    void FollowState();
    void LimitMessage();

    CMORADoc& m_doc;
    CSendSmsState m_state;
    CSendSmsStatusModel* m_model = nullptr;
    QLineEdit* m_numbers = nullptr;
    QPlainTextEdit* m_message = nullptr;
    QPushButton* m_send = nullptr;
    QTableView* m_status = nullptr;
    QTimer* m_poll = nullptr;
    // The recipients dialog while it is open; replies of kind 35 go to it.
    CMailSmsNumInfoDlg* m_recipients = nullptr;
};
