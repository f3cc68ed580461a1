#include "EventMsgDlg.h"

#include "GuiText.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QString PanelStyle(SColour background, SColour text) {
    return QStringLiteral("QLabel { background-color: rgb(%1,%2,%3); color: rgb(%4,%5,%6); padding: 6px; }")
        .arg(background.r)
        .arg(background.g)
        .arg(background.b)
        .arg(text.r)
        .arg(text.g)
        .arg(text.b);
}

QLineEdit* Field(QWidget* parent, const char* name) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setReadOnly(true);
    return field;
}

QPushButton* Button(const QString& text, QWidget* parent, const char* name) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

} // namespace

CEventMsgDlg::CEventMsgDlg(CAlarmDialog& dialog, ObjectHandler openObject, QWidget* parent)
    : QDialog(parent), m_dialog(&dialog), m_openObject(std::move(openObject)) {
    setObjectName(QStringLiteral("EventMsgDlg"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setModal(false);
    Build();
    m_blink = new QTimer(this);
    m_blink->setInterval(CAlarmDialog::BLINK_TIMER_MS);
    connect(m_blink, &QTimer::timeout, this, &CEventMsgDlg::OnBlinkTimer);
    Refresh();
}

void CEventMsgDlg::Build() {
    const CAlarmDialog& d = *m_dialog;
    setWindowTitle(Gui::Q(d.Caption()));

    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("titlePanel"));
    m_title->setAlignment(Qt::AlignCenter);
    QFont titleFont = m_title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    m_title->setFont(titleFont);
    m_title->setMinimumHeight(QFontMetrics(titleFont).height() + 16);

    // Alarm information
    auto* info = new QGroupBox(Gui::Tr("IDC_EVENTMSG_ALARM_INFORMATION"), this);
    m_source = Field(info, "source");
    m_idCode = Field(info, "idCode");
    m_idInfo = Field(info, "idInfo");
    m_date = Field(info, "date");
    m_time = Field(info, "time");
    m_objectButton = Button(QString(), info, "objectButton");
    auto* infoGrid = new QGridLayout(info);
    infoGrid->addWidget(new QLabel(Gui::Tr("IDC_EVENTMSG_SOURCE"), info), 0, 0);
    infoGrid->addWidget(m_source, 0, 1);
    infoGrid->addWidget(new QLabel(Gui::Tr("IDC_EVENTMSG_DATE"), info), 0, 2);
    infoGrid->addWidget(m_date, 0, 3);
    infoGrid->addWidget(new QLabel(Gui::Tr("IDC_EVENTMSG_ID_CODE"), info), 1, 0);
    infoGrid->addWidget(m_idCode, 1, 1);
    infoGrid->addWidget(new QLabel(Gui::Tr("IDC_EVENTMSG_TIME"), info), 1, 2);
    infoGrid->addWidget(m_time, 1, 3);
    infoGrid->addWidget(new QLabel(Gui::Tr("IDC_EVENTMSG_ID_INFO"), info), 2, 0);
    infoGrid->addWidget(m_idInfo, 2, 1, 1, 2);
    infoGrid->addWidget(m_objectButton, 2, 3);
    m_message = new QPlainTextEdit(info);
    m_message->setObjectName(QStringLiteral("messageText"));
    m_message->setReadOnly(true);
    QPalette mp = m_message->palette();
    mp.setColor(QPalette::Base, Qt::white);
    mp.setColor(QPalette::Text, Qt::black);
    m_message->setPalette(mp);
    m_message->setMinimumHeight(m_message->fontMetrics().height() * 7);
    infoGrid->addWidget(m_message, 3, 0, 1, 4);
    infoGrid->setColumnStretch(1, 2);
    infoGrid->setColumnStretch(3, 1);
    const int dateWidth = m_date->fontMetrics().horizontalAdvance(QStringLiteral("00-00-00  00")) + 16;
    m_date->setMinimumWidth(dateWidth);

    // Voice call
    m_voiceGroup = new QGroupBox(Gui::Tr("IDC_EVENTMSG_GROUP_BOX_VOICE_CALL"), this);
    m_voicePanel = new QLabel(m_voiceGroup);
    m_voicePanel->setObjectName(QStringLiteral("voicePanel"));
    m_voicePanel->setAlignment(Qt::AlignCenter);
    QFont voiceFont = m_voicePanel->font();
    voiceFont.setBold(true);
    voiceFont.setPointSizeF(voiceFont.pointSizeF() * 1.3);
    m_voicePanel->setFont(voiceFont);
    m_voicePanel->setMinimumHeight(QFontMetrics(voiceFont).height() + 14);
    m_timeLeftLabel = new QLabel(Gui::Tr("IDC_EVENTMSG_LABEL_TIME_LEFT"), m_voiceGroup);
    m_timeLeft = Field(m_voiceGroup, "timeLeft");
    m_timeLeft->setMaximumWidth(m_timeLeft->fontMetrics().horizontalAdvance(QStringLiteral("000:000")) + 16);
    m_timeLeft->setAlignment(Qt::AlignCenter);
    m_silent = Button(Gui::Tr("IDC_EVENTMSG_SILENT"), m_voiceGroup, "silent");
    m_ignore = Button(Gui::Tr("IDC_EVENTMSG_IGNORE"), m_voiceGroup, "ignore");
    auto* voiceLayout = new QGridLayout(m_voiceGroup);
    voiceLayout->addWidget(m_voicePanel, 0, 0, 1, 4);
    voiceLayout->addWidget(m_timeLeftLabel, 1, 0);
    voiceLayout->addWidget(m_timeLeft, 1, 1);
    voiceLayout->setColumnStretch(2, 1);
    auto* voiceButtons = new QHBoxLayout;
    voiceButtons->addWidget(m_silent);
    voiceButtons->addWidget(m_ignore);
    voiceLayout->addLayout(voiceButtons, 1, 3);

    // Alarm status
    auto* status = new QGroupBox(Gui::Tr("IDC_EVENTMSG_ALARM_STATUS"), this);
    m_status = new QLabel(status);
    m_status->setObjectName(QStringLiteral("statusLine"));
    m_status->setAlignment(Qt::AlignCenter);
    QFont statusFont = m_status->font();
    statusFont.setBold(true);
    m_status->setFont(statusFont);
    m_ack = Button(Gui::Tr("IDC_EVENTMSG_ALARM_ACK"), status, "acknowledge");
    m_ackLine = new QLabel(status);
    m_ackLine->setObjectName(QStringLiteral("ackLine"));
    m_ackTime = Field(status, "ackTime");
    m_finish = Button(Gui::Tr("IDC_EVENTMSG_ALARM_FINISH"), status, "finish");
    m_finishLine = new QLabel(status);
    m_finishLine->setObjectName(QStringLiteral("finishLine"));
    m_finishTime = Field(status, "finishTime");
    m_close = Button(QString(), this, "closeButton");
    const int stampWidth =
        m_ackTime->fontMetrics().horizontalAdvance(QStringLiteral("00-00-00  00:00:00")) + 16;
    m_ackTime->setMinimumWidth(stampWidth);
    m_finishTime->setMinimumWidth(stampWidth);
    auto* statusGrid = new QGridLayout(status);
    statusGrid->addWidget(m_status, 0, 0, 1, 4);
    statusGrid->addWidget(m_ack, 1, 0);
    statusGrid->addWidget(m_ackLine, 1, 1);
    statusGrid->addWidget(new QLabel(Gui::Tr("IDC_EVENTMSG_TIME1"), status), 1, 2);
    statusGrid->addWidget(m_ackTime, 1, 3);
    statusGrid->addWidget(m_finish, 2, 0);
    statusGrid->addWidget(m_finishLine, 2, 1);
    statusGrid->addWidget(new QLabel(Gui::Tr("IDC_EVENTMSG_TIME2"), status), 2, 2);
    statusGrid->addWidget(m_finishTime, 2, 3);
    statusGrid->setColumnStretch(1, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(m_close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_title);
    layout->addWidget(info, 1);
    layout->addWidget(m_voiceGroup);
    layout->addWidget(status);
    layout->addLayout(bottom);

    connect(m_objectButton, &QPushButton::clicked, this, [this] {
        if (m_dialog != nullptr && m_openObject) {
            m_openObject(m_dialog->ObjectRequest());
        }
    });
    connect(m_silent, &QPushButton::clicked, this, [this] {
        if (m_dialog != nullptr) {
            m_dialog->OnSilent();
        }
    });
    connect(m_ignore, &QPushButton::clicked, this, [this] {
        if (m_dialog != nullptr) {
            m_dialog->OnIgnore();
        }
    });
    connect(m_ack, &QPushButton::clicked, this, [this] {
        if (m_dialog != nullptr) {
            m_dialog->OnAcknowledge();
        }
    });
    connect(m_finish, &QPushButton::clicked, this, [this] {
        if (m_dialog != nullptr) {
            m_dialog->OnFinish();
        }
    });
    connect(m_close, &QPushButton::clicked, this, &CEventMsgDlg::reject);
    resize(sizeHint().expandedTo(QSize(560, 0)));
}

void CEventMsgDlg::Refresh() {
    if (m_dialog == nullptr) {
        return;
    }
    const CAlarmDialog& d = *m_dialog;
    m_title->setText(Gui::Q(d.Title()));
    m_title->setStyleSheet(PanelStyle(d.TitleBackground(), Colours::White));
    m_source->setText(Gui::Q(d.SourceText()));
    m_idCode->setText(Gui::Q(d.IdCode()));
    m_idInfo->setText(Gui::Q(d.IdInfo()));
    m_date->setText(Gui::Q(d.DateText()));
    m_time->setText(Gui::Q(d.TimeText()));
    m_objectButton->setText(Gui::Q(d.ObjectButtonText()));
    const QString message = Gui::FromCrLf(d.MessageText());
    if (m_message->toPlainText() != message) {
        m_message->setPlainText(message);
    }

    const bool voice = d.VoiceGroupEnabled();
    m_voiceGroup->setEnabled(voice);
    m_timeLeftLabel->setEnabled(voice);
    m_timeLeft->setEnabled(voice);
    m_silent->setEnabled(voice && d.SilentEnabled());
    m_ignore->setEnabled(voice && d.IgnoreEnabled());
    m_timeLeft->setText(Gui::Q(d.TimeLeftText()));
    m_timeLeft->setStyleSheet(voice ? QStringLiteral("QLineEdit { background: rgb(0,0,255); color: white; }")
                                    : QString());
    if (d.VoicePanelVisible()) {
        m_voicePanel->setText(Gui::Q(d.VoicePanelText()));
        m_voicePanel->setStyleSheet(PanelStyle(d.VoicePanelBackground(), Colours::White));
    } else {
        // The dark phase of the blink: the panel is not drawn, the layout stays.
        m_voicePanel->setText(QString());
        m_voicePanel->setStyleSheet(QStringLiteral("QLabel { background: transparent; padding: 6px; }"));
    }

    m_status->setText(Gui::Q(d.StatusLine()));
    m_status->setStyleSheet(PanelStyle(d.StatusBackground(), d.StatusTextColour()));
    m_ack->setEnabled(d.AcknowledgeEnabled());
    m_finish->setEnabled(d.FinishEnabled());
    m_ackLine->setText(Gui::Q(d.AckLine()));
    m_ackTime->setText(Gui::Q(d.AckTimeText()));
    m_finishLine->setText(Gui::Q(d.FinishLine()));
    m_finishTime->setText(Gui::Q(d.FinishTimeText()));
    m_close->setText(Gui::Q(d.CloseButtonText()));

    if (d.BlinkTimerRunning() && !m_blink->isActive()) {
        m_blink->start();
    } else if (!d.BlinkTimerRunning() && m_blink->isActive()) {
        m_blink->stop();
    }
}

void CEventMsgDlg::OnBlinkTimer() {
    if (m_dialog != nullptr) {
        m_dialog->OnBlinkTimer();
    }
}

void CEventMsgDlg::Detach() {
    m_dialog = nullptr;
    m_blink->stop();
    hide();
    deleteLater();
}

void CEventMsgDlg::reject() {
    if (m_dialog == nullptr) {
        QDialog::reject();
        return;
    }
    // The logic asks in voice-call mode and, once closed, detaches this window.
    m_dialog->OnClose();
}

void CEventMsgDlg::closeEvent(QCloseEvent* event) {
    event->ignore();
    reject();
}
