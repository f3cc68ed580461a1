#pragma once

#include "AlarmDialog.h"

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QGroupBox;
class QTimer;

// The alarm pop-up: draws one CAlarmDialog and forwards the operator's buttons to it. Modeless;
// one per alarm; deletes itself when its dialog logic closes.
class CEventMsgDlg : public QDialog {
    Q_OBJECT
public:
    using ObjectHandler = std::function<void(const CAlarmDialog::SObjectRequest&)>;

    CEventMsgDlg(CAlarmDialog& dialog, ObjectHandler openObject, QWidget* parent);

    CAlarmDialog* Dialog() const { return m_dialog; }
    // Redraws from the dialog logic.
    void Refresh();
    // The dialog logic is closing: forget it and go.
    void Detach();

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Build();
    void OnBlinkTimer();

    CAlarmDialog* m_dialog;
    ObjectHandler m_openObject;
    QLabel* m_title = nullptr;
    QLineEdit* m_source = nullptr;
    QLineEdit* m_idCode = nullptr;
    QLineEdit* m_idInfo = nullptr;
    QLineEdit* m_date = nullptr;
    QLineEdit* m_time = nullptr;
    QPushButton* m_objectButton = nullptr;
    QPlainTextEdit* m_message = nullptr;
    QGroupBox* m_voiceGroup = nullptr;
    QLabel* m_voicePanel = nullptr;
    QLabel* m_timeLeftLabel = nullptr;
    QLineEdit* m_timeLeft = nullptr;
    QPushButton* m_silent = nullptr;
    QPushButton* m_ignore = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_ack = nullptr;
    QLabel* m_ackLine = nullptr;
    QLineEdit* m_ackTime = nullptr;
    QPushButton* m_finish = nullptr;
    QLabel* m_finishLine = nullptr;
    QLineEdit* m_finishTime = nullptr;
    QPushButton* m_close = nullptr;
    QTimer* m_blink = nullptr;
};
