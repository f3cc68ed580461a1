#include "MORADoc.h"

#include "AlarmInfoMsg.h"
#include "DbResults.h"
#include "GsmHandlerMsg.h"
#include "MailHandlerMsg.h"
#include "MsgKinds.h"
#include "TelHandlerMsg.h"
#include "Translate.h"

#include <cstdio>

CMORADoc::CMORADoc(IStationFrontEnd& frontEnd, const IClock& clock, std::string workFolder)
    : m_frontEnd(frontEnd), m_clock(clock), m_workFolder(std::move(workFolder)),
      m_databaseMgr(frontEnd, clock, m_workFolder), m_telMgr(clock), m_mailMgr(clock),
      m_gsmMgr(m_settings, frontEnd, clock), m_alarmList(*this, frontEnd, frontEnd) {
    m_settings.Load();
    m_databaseMgr.Init(m_settings, m_operator);
    m_telMgr.Init(&frontEnd, &m_settings);
    m_mailMgr.Init(frontEnd, m_settings);
}

CMORADoc::~CMORADoc() {
    Shutdown();
}

bool CMORADoc::Start() {
    m_frontEnd.SetTitle(Text::Format("%s Ver. %s - ", PRODUCT_NAME, VERSION));
    m_frontEnd.Beep(IFrontEnd::EBeep::Default);
    if (!SelectOperator(true)) {
        return false;
    }
    m_databaseMgr.SetOperatorName(m_operator);
    if (!m_databaseMgr.Start(this)) {
        return false;
    }
    m_started = true;
    IMsgSink* hub = &m_databaseMgr.Handler();
    if (!m_mailMgr.Start(hub)) {
        return false;
    }
    if (m_telMgr.Start(hub) == 0) {
        return false;
    }
    if (!m_gsmMgr.Start(hub)) {
        return false;
    }
    m_alarmList.LoadAlarmTypeTexts(m_workFolder);
    m_alarmList.ArmRefreshTimer();
    return true;
}

void CMORADoc::Shutdown() {
    if (!m_started || m_stopped) {
        return;
    }
    m_stopped = true;
    m_telMgr.Stop();
    Pause();
    m_mailMgr.Stop();
    Pause();
    m_gsmMgr.Stop();
    Pause();
    // Alarms the workers reported just before they stopped wait in the queue as records that are
    // not stored yet; store them while the database is still open.
    for (std::size_t n = m_uiQueue.Count(); n > 0; --n) {
        OnUserMessage();
    }
    m_databaseMgr.Stop();
}

void CMORADoc::PostMsg(MsgPtr msg) {
    if (!msg) {
        return;
    }
    m_uiQueue.Push(std::move(msg));
    m_frontEnd.WakeUp();
}

bool CMORADoc::SelectOperator(bool startup) {
    std::string name;
    if (!m_frontEnd.SelectOperator(startup, name)) {
        return false;
    }
    m_operator = name;
    m_settings.SaveLastOperator(name);
    m_databaseMgr.SetOperatorName(name);
    m_frontEnd.SetTitle(Text::Format("%s Ver. %s - %s", PRODUCT_NAME, VERSION, name.c_str()));
    return true;
}

void CMORADoc::OnUserMessage() {
    MsgPtr msg = m_uiQueue.Pop();
    if (!msg) {
        return;
    }
    switch (msg->Kind) {
    case MsgKind::UI_ALARM_RECORD: {
        auto* db = dynamic_cast<CDatabaseMsg*>(msg.get());
        if (db == nullptr) {
            break;
        }
        if (db->Status == AlarmResult::FIND_CHAIN || db->Status == AlarmResult::FIND_PRINT) {
            msg = m_frontEnd.DeliverReply(std::move(msg)); // for the print dialog
            break;
        }
        msg = HandleAlarmRecord(std::move(msg));
        break;
    }
    case MsgKind::UI_GSM_SMSNUM_REPLY:
    case MsgKind::UI_GSM_SMSNUM_REPLY2:
        m_gsmMgr.OnSmsNumReply(std::move(msg));
        break;
    case MsgKind::UI_HOURLY_TICK:
        if (m_started && !m_stopped) {
            m_databaseMgr.Handler().CheckTestAlarms();
            m_databaseMgr.Handler().PurgeAlarms();
        }
        break;
    case MsgKind::MAIL_STATUS:
        if (auto* m = dynamic_cast<CMailHandlerMsg*>(msg.get())) {
            m_mailMgr.OnMailStatus(*m);
        }
        break;
    case MsgKind::GSM_STATUS:
        if (auto* m = dynamic_cast<CGsmHandlerMsg*>(msg.get())) {
            m_gsmMgr.OnStatus(*m);
        }
        break;
    case MsgKind::TEL_STATUS:
        if (auto* m = dynamic_cast<CTelHandlerMsg*>(msg.get())) {
            m_telMgr.OnStatus(*m);
        }
        break;
    case MsgKind::TEL_CALL_EVENT:
        if (auto* m = dynamic_cast<CTelHandlerMsg*>(msg.get())) {
            m_frontEnd.CallEvent(m->Value, m->Seconds);
            m_alarmList.OnCallEvent(m->Value, m->Seconds);
        }
        break;
    case MsgKind::UI_OBJECT_REPLY:
    case MsgKind::UI_EXPORT_OBJECT_REPLY:
    case MsgKind::UI_CUSTOMER_REPLY:
    case MsgKind::UI_MAILREC_REPLY:
    case MsgKind::UI_SMSNUM_REPLY:
        msg = m_frontEnd.DeliverReply(std::move(msg));
        break;
    default:
        break; // not expected on this queue
    }
}

MsgPtr CMORADoc::HandleAlarmRecord(MsgPtr msg) {
    auto* alarm = dynamic_cast<CAlarmInfoMsg*>(msg.get());
    if (alarm == nullptr || alarm->Status != AlarmResult::NEW_ALARM) {
        m_alarmList.OnAlarmReply(std::move(msg));
        return nullptr;
    }
    bool notify = true;
    if (alarm->AlarmType != CAlarmInfoMsg::ALARMTYPE_TEST_FAIL) {
        if (m_databaseMgr.Handler().StoreNewAlarm(*alarm, notify)) {
            // The object takes test alarms only: end the voice call it is making.
            SendToTelephone(std::make_unique<CTelHandlerMsg>(MsgKind::TEL_ABORT_VOICE_CALL));
        }
    }
    if (alarm->SmsMark != 0) {
        // Stored, a repeat, or refused with an error the operator is told about and an alarm that
        // is still shown and forwarded: the SMS has done its work in the modem.
        m_gsmMgr.OnSmsStored(alarm->SmsMark);
    }
    if (!notify) {
        return msg;
    }
    if (alarm->AlarmType == CAlarmInfoMsg::ALARMTYPE_END_OF_ALARM) {
        m_databaseMgr.Handler().CloseEmergencyAlarm(*alarm);
        m_alarmList.Refresh();
    }
    bool forward = true;
    switch (alarm->AlarmType) {
    case CAlarmInfoMsg::ALARMTYPE_VOICE:
        forward = m_settings.VoiceCallEnabled == 0;
        break;
    case CAlarmInfoMsg::ALARMTYPE_TEST:
        forward = m_settings.SendMailAtTestAlarm != 0;
        break;
    case CAlarmInfoMsg::ALARMTYPE_MAINTENANCE:
        forward = false;
        break;
    default:
        break;
    }
    if (forward) {
        ForwardAlarm(*alarm);
    }
    m_frontEnd.AlarmShown(*alarm);
    m_alarmList.OnAlarmReply(std::move(msg));
    return nullptr;
}

void CMORADoc::ForwardAlarm(const CAlarmInfoMsg& alarm) {
    m_mailMgr.SendAlarmMail(&alarm, alarm.MailRecipients);
    m_gsmMgr.SendAlarmSms(&alarm, alarm.SmsRecipients);
}

void CMORADoc::DbRequest(MsgPtr request) {
    if (!m_started || m_stopped) {
        return;
    }
    m_databaseMgr.Handler().ProcessRequest(std::move(request));
}

void CMORADoc::SendToTelephone(MsgPtr msg) {
    m_telMgr.SendToHandler(std::move(msg));
}

void CMORADoc::OnSettingsChanged(unsigned groups) {
    IMsgSink* hub = &m_databaseMgr.Handler();
    if ((groups & SETTINGS_GROUP_TEL) != 0) {
        m_telMgr.Stop();
        if (m_telMgr.Start(hub) == 0) {
            m_frontEnd.RequestClose();
        }
    }
    if ((groups & SETTINGS_GROUP_GSM) != 0) {
        m_gsmMgr.Stop();
        if (!m_gsmMgr.Start(hub)) {
            m_frontEnd.RequestClose();
        }
    }
    if ((groups & SETTINGS_GROUP_MAIL) != 0) {
        m_frontEnd.SetPaneText(
            MAIL_PANE, Text::Tr(m_settings.MailEnabled != 0 ? "IDS_MORADOC_MSG_1" : "IDS_MORADOC_MSG_2"));
    }
    if ((groups & SETTINGS_GROUP_DB) != 0) {
        // The workers post to the database handler, so they stop with it and start again after.
        m_databaseMgr.Stop();
        if (!m_databaseMgr.Start(this)) {
            m_frontEnd.RequestClose();
        }
    }
    m_alarmList.ArmRefreshTimer();
}
