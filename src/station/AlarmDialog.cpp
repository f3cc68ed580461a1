#include "AlarmDialog.h"

#include "AlarmList.h"
#include "Translate.h"

#include <cstdio>

using Text::Tr;

namespace {

const char* TitleTag(int type) {
    switch (type) {
    case 1:
        return "IDS_EVENTMSGDLG_MSG_8";
    case 2:
        return "IDS_EVENTMSGDLG_MSG_9";
    case 3:
        return "IDS_EVENTMSGDLG_MSG_10";
    case 4:
        return "IDS_EVENTMSGDLG_MSG_11";
    case 5:
        return "IDS_EVENTMSGDLG_MSG_12";
    case 6:
        return "IDS_EVENTMSGDLG_MSG_13";
    case 7:
        return "IDS_EVENTMSGDLG_MSG_14";
    case 8:
        return "IDS_EVENTMSGDLG_MSG_15";
    case 9:
        return "IDS_EVENTMSGDLG_MSG_16";
    case 10:
        return "IDS_EVENTMSGDLG_MSG_17";
    case 11:
        return "IDS_EVENTMSGDLG_MSG_18";
    default:
        return nullptr;
    }
}

const char* SourceTag(int source) {
    switch (source) {
    case 1:
        return "IDS_EVENTMSGDLG_MSG_19";
    case 2:
        return "IDS_EVENTMSGDLG_MSG_20";
    case 3:
        return "IDS_EVENTMSGDLG_MSG_21";
    case 4:
        return "IDS_EVENTMSGDLG_MSG_22";
    default:
        return nullptr;
    }
}

const char* OpFailTag(int kind) {
    switch (kind) {
    case 1:
        return "IDS_EVENTMSGDLG_MSG_25";
    case 2:
        return "IDS_EVENTMSGDLG_MSG_26";
    case 3:
        return "IDS_EVENTMSGDLG_MSG_27";
    case 4:
        return "IDS_EVENTMSGDLG_MSG_28";
    case 5:
        return "IDS_EVENTMSGDLG_MSG_29";
    case 6:
        return "IDS_EVENTMSGDLG_MSG_37";
    case 7:
        return "IDS_EVENTMSGDLG_MSG_38";
    default:
        return "IDS_EVENTMSGDLG_MSG_30";
    }
}

std::string TagOrEmpty(const char* tag) {
    return tag != nullptr ? Tr(tag) : std::string();
}

} // namespace

CAlarmDialog::CAlarmDialog(CAlarmList& list, const CAlarmInfoMsg& alarm, EMode mode,
                           const std::string& typeText, bool alertEnabled)
    : m_list(list), m_mode(mode), m_key(alarm.PrimaryKey), m_status(alarm.AlarmStatus),
      m_source(alarm.AlarmSource), m_objectFound(alarm.ObjectFound), m_alertEnabled(alertEnabled) {
    m_caption = Tr("IDC_EVENTMSG_CAPTION");
    m_title = TagOrEmpty(TitleTag(alarm.AlarmType));
    m_titleBackground = alarm.AlarmType == CAlarmInfoMsg::ALARMTYPE_TEST ? Colours::Blue : Colours::Red;
    m_sourceText = TagOrEmpty(SourceTag(alarm.AlarmSource));
    m_idCode = alarm.IdCode;
    m_idInfo = alarm.IdInfo;
    m_dateText = alarm.AlarmTime.Format("%y-%m-%d");
    m_timeText = alarm.AlarmTime.Format("%H:%M:%S");

    std::string text = typeText + "\r\n";
    if (alarm.AlarmType == CAlarmInfoMsg::ALARMTYPE_OPFAIL) {
        text += Tr("IDS_EVENTMSGDLG_MSG_24") + Tr(OpFailTag(alarm.OpFailType)) + "\r\n";
    }
    CMsgText lines = alarm.Text;
    lines.RewindRead();
    for (int i = 0, n = lines.GetLineCount(); i < n; ++i) {
        text += lines.GetLine(CMsgText::MAX_CHARS) + "\r\n";
    }
    if (alarm.Text.Truncated()) {
        text += Tr("IDS_EVENTMSGDLG_MSG_31") + "\r\n";
    }
    if (!alarm.Notes.empty()) {
        text += "\r\n" + Tr("IDS_EVENTMSGDLG_MSG_32") + "\r\n" + alarm.Notes + "\r\n";
    }
    m_messageText = std::move(text);

    if (m_status == CAlarmInfoMsg::ALARMSTATUS_ACKNOWLEDGED) {
        m_ackLine = Tr("IDS_EVENTMSGDLG_MSG_33") + alarm.AckOperator;
        m_ackTime = alarm.AckTime.Format("%y-%m-%d  %H:%M:%S");
    } else if (m_status == CAlarmInfoMsg::ALARMSTATUS_FINISHED) {
        m_ackLine = Tr("IDS_EVENTMSGDLG_MSG_34") + alarm.AckOperator;
        m_ackTime = alarm.AckTime.Format("%y-%m-%d  %H:%M:%S");
        m_finishLine = Tr("IDS_EVENTMSGDLG_MSG_35") + alarm.ExecOperator;
        m_finishTime = alarm.ExecTime.Format("%y-%m-%d  %H:%M:%S");
    }

    m_objectButtonText = Tr(m_objectFound ? "IDS_EVENTMSGDLG_MSG_7" : "IDC_EVENTMSG_ADD_EDIT_OBJECTINFO");
    if (m_mode == EMode::VoiceCall) {
        m_ignoreEnabled = true;
        m_silentEnabled = m_alertEnabled;
        m_timerRunning = true;
    }
    ApplyStatus();
}

CAlarmDialog::SObjectRequest CAlarmDialog::ObjectRequest() const {
    if (!m_objectFound) {
        return {EObjectAction::AddObject, m_idCode};
    }
    if (m_source == CAlarmInfoMsg::ALARMSOURCE_CALLER_ID && m_list.UseCidPhoneNumber()) {
        return {EObjectAction::OpenByPhone, m_idCode};
    }
    return {EObjectAction::OpenByIdCode, m_idCode};
}

void CAlarmDialog::ApplyStatus() {
    m_closeButtonText = Tr("IDC_EVENTMSG_ALARM_IGNORE");
    switch (m_status) {
    case CAlarmInfoMsg::ALARMSTATUS_NEW:
        m_statusLine = Tr("IDS_EVENTMSGDLG_MSG_1");
        m_statusText = Colours::White;
        m_statusBackground = Colours::Red;
        break;
    case CAlarmInfoMsg::ALARMSTATUS_ACKNOWLEDGED:
        m_statusLine = Tr("IDS_EVENTMSGDLG_MSG_2");
        m_statusText = Colours::Black;
        m_statusBackground = Colours::Yellow;
        break;
    case CAlarmInfoMsg::ALARMSTATUS_FINISHED:
        m_statusLine = Tr("IDS_EVENTMSGDLG_MSG_3");
        m_statusText = Colours::Black;
        m_statusBackground = Colours::Green;
        m_closeButtonText = Tr("IDS_EVENTMSGDLG_MSG_4");
        break;
    case CAlarmInfoMsg::ALARMSTATUS_INFO:
        m_statusLine = Tr("IDS_EVENTMSGDLG_MSG_5");
        m_statusText = Colours::White;
        m_statusBackground = Colours::Blue;
        m_closeButtonText = Tr("IDS_EVENTMSGDLG_MSG_6");
        break;
    default:
        m_statusLine.clear();
        m_statusText = Colours::Black;
        m_statusBackground = Colours::White;
        break;
    }
}

void CAlarmDialog::SetStatus(int status) {
    m_status = status;
    ApplyStatus();
    Changed();
}

void CAlarmDialog::SetVoicePanel(const char* tag, SColour background) {
    m_voiceText = Tr(tag);
    m_voiceBackground = background;
}

void CAlarmDialog::OnCallEvent(std::uint16_t state, std::uint16_t secondsLeft) {
    if (m_mode != EMode::VoiceCall) {
        return;
    }
    m_list.AlarmView().RaiseDialog(*this);
    if (state != m_lastState) {
        switch (state) {
        case CALL_PICK_UP_PHONE:
            SetVoicePanel("IDS_EVENTMSGDLG_PICK_UP_PHONE", Colours::Red);
            m_alerting = true;
            if (m_alertEnabled && !m_silenced) {
                m_list.AlarmView().PlayAlertSound();
            }
            break;
        case CALL_IN_PROGRESS:
            SetVoicePanel("IDS_EVENTMSGDLG_CALL_IN_PROGRESS", Colours::Green);
            m_silentEnabled = false;
            m_ignoreEnabled = false;
            m_timerRunning = false;
            m_alerting = false;
            m_blinkCounter = 0;
            break;
        case CALL_FINISHED:
            SetVoicePanel("IDS_EVENTMSGDLG_CALL_FINISHED", Colours::Blue);
            m_timerRunning = false;
            m_alerting = false;
            m_blinkCounter = 0;
            EndCall(true);
            break;
        case CALL_ABORTED:
            SetVoicePanel("IDS_EVENTMSGDLG_CALL_ABORTED", Colours::Purple);
            m_timerRunning = false;
            m_alerting = false;
            m_blinkCounter = 0;
            m_silentEnabled = false;
            m_ignoreEnabled = false;
            EndCall(true);
            break;
        case CALL_TIMEOUT:
            SetVoicePanel("IDS_EVENTMSGDLG_CALL_TIMEOUT", Colours::Teal);
            m_timerRunning = false;
            m_alerting = false;
            m_blinkCounter = 0;
            m_silentEnabled = false;
            m_ignoreEnabled = false;
            EndCall(false);
            break;
        default:
            break;
        }
    }
    m_lastState = state;
    char left[16];
    std::snprintf(left, sizeof left, "%02d:%02d", secondsLeft / 60, secondsLeft % 60);
    m_timeLeft = left;
    Changed();
}

void CAlarmDialog::EndCall(bool skipForwarding) {
    // The list is told once per call, whichever way the call ends.
    if (!m_callEnded) {
        m_callEnded = true;
        m_list.VoiceDialogFinished(*this, skipForwarding);
    }
}

void CAlarmDialog::CallTakenOver() {
    // The list has already decided the old alarm's forwarding; this dialog only stops alerting and
    // shows that it follows no call any more.
    m_callEnded = true;
    m_timerRunning = false;
    m_alerting = false;
    m_blinkCounter = 0;
    m_silentEnabled = false;
    m_ignoreEnabled = false;
    m_voiceText.clear();
    m_voiceBackground = Colours::Grey;
    m_timeLeft.clear();
    Changed();
}

void CAlarmDialog::OnBlinkTimer() {
    if (!m_timerRunning) {
        return;
    }
    if (m_alerting) {
        m_blinkCounter = (m_blinkCounter + 1) % 10;
    } else {
        m_blinkCounter = 0;
    }
    Changed();
}

void CAlarmDialog::OnSilent() {
    m_silenced = true;
    m_silentEnabled = false;
    Changed();
}

void CAlarmDialog::OnIgnore() {
    if (m_mode == EMode::VoiceCall) {
        m_list.SendVoiceCallEnd(*this);
    }
}

void CAlarmDialog::OnAcknowledge() {
    m_list.SetAlarmStatus(*this, CAlarmInfoMsg::ALARMSTATUS_ACKNOWLEDGED);
    OnClose();
}

void CAlarmDialog::OnFinish() {
    m_list.SetAlarmStatus(*this, CAlarmInfoMsg::ALARMSTATUS_FINISHED);
    OnClose();
}

bool CAlarmDialog::OnClose() {
    if (m_closed) {
        return true;
    }
    if (m_mode == EMode::VoiceCall) {
        const auto answer = m_list.FrontEnd().MessageBox(
            Tr("IDS_EVENTMSGDLG_MSG_36"), IFrontEnd::EButtons::OkCancel, IFrontEnd::EIcon::Warning, 0);
        if (answer != IFrontEnd::EResult::Ok) {
            return false;
        }
        m_list.SendVoiceCallEnd(*this);
        EndCall(true);
    }
    m_closed = true;
    m_timerRunning = false;
    m_list.DialogClosed(*this);
    return true;
}

void CAlarmDialog::Dismiss() {
    if (m_closed) {
        return;
    }
    m_closed = true;
    m_timerRunning = false;
    m_list.DialogClosed(*this);
}

void CAlarmDialog::Changed() {
    if (!m_closed) {
        m_list.AlarmView().DialogChanged(*this);
    }
}
