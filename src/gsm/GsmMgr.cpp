#include "GsmMgr.h"

#include "MsgKinds.h"
#include "SerialAccess.h"
#include "Translate.h"
#include "Utf8.h"

#include <string>

namespace {

constexpr int MAX_LINE_CHARS = 255;

} // namespace

CGsmMgr::CGsmMgr(CSettings& settings, IFrontEnd& frontEnd, const IClock& clock)
    : m_settings(settings), m_frontEnd(frontEnd), m_handler(nullptr, clock), m_portWatch(clock) {}

bool CGsmMgr::Start(IMsgSink* owner) {
    m_owner = owner;
    m_waitingForPort = false;
    m_frontEnd.SetPaneText(GSM_PANE, Text::Tr("IDS_GSMMGR_MSG_1"));
    if (m_settings.GsmEnabled == 0) {
        m_frontEnd.SetPaneText(GSM_PANE, Text::Tr("IDS_GSMMGR_MSG_5"));
        return true;
    }
    for (;;) {
        // A running handler's thread reads its owner and parameters: they change only while it
        // is stopped (a second start is refused below and leaves the running one as it is).
        if (!m_handler.IsRunning()) {
            m_handler.SetOwner(owner);
            m_handler.SetStartParameters(m_settings.GsmComPort,
                                         static_cast<std::uint32_t>(m_settings.GsmBaudrate),
                                         m_settings.GsmPinCode, m_settings.AcceptCallerIdTestAlarms != 0,
                                         static_cast<std::uint16_t>(m_settings.GsmWirelessNetSel));
        }
        const std::uint16_t status = m_handler.Start();
        if (status == CHandler::HANDLER_STARTED) {
            m_portMissingShown = false;
            return true;
        }
        if (status != CHandler::HANDLER_START_FAILED) {
            m_frontEnd.MessageBox(Text::Tr("IDS_GSMMGR_MSG_4"), IFrontEnd::EButtons::Ok,
                                  IFrontEnd::EIcon::Error, 0);
            return true;
        }
        // The port cannot be opened: wait for it, another port, or no GSM modem at all. A late USB
        // adapter must not switch the modem off for good.
        if (m_frontEnd.RetryMissingPort()) {
            WaitForPort();
            return true;
        }
        m_frontEnd.Beep(IFrontEnd::EBeep::Exclamation);
        int port = m_settings.GsmComPort;
        if (!m_frontEnd.SerialPortErrorDialog(Text::Tr("IDS_GSMMGR_MSG_2"), port)) {
            m_settings.GsmEnabled = 0;
            m_settings.SaveAll();
            m_frontEnd.SetPaneText(GSM_PANE, Text::Tr("IDS_GSMMGR_MSG_3"));
            return true;
        }
        m_settings.GsmComPort = static_cast<std::int16_t>(port);
        m_settings.SaveAll();
    }
}

void CGsmMgr::WaitForPort() {
    const int port = m_settings.GsmComPort;
    m_frontEnd.SetPaneText(GSM_PANE, Text::Tr("IDS_GSMMGR_MSG_2"));
    if (!m_portMissingShown) {
        m_portMissingShown = true;
        // A device that refuses this user will not appear by waiting: say what to do about it.
        std::string reason = SerialAccess::DeniedNote(port);
        if (reason.empty()) {
            reason = Text::Tr("IDC_SET_COMPORT_UNABLE_TO_OPEN") + " (COM" + std::to_string(port) + ")";
        }
        m_frontEnd.AddSystemInfo(Text::Tr("IDS_GSMMGR_MSG_2") + ": " + reason, true);
    }
    m_portWatch.Stop();
    // The run number tells this watch's report from one of a watch stopped before.
    ++m_watchRun;
    auto found = std::make_unique<CGsmHandlerMsg>(MsgKind::GSM_STATUS, PORT_FOUND_CODE);
    found->Value = m_watchRun;
    m_portWatch.SetOwner(m_owner);
    m_portWatch.Configure(static_cast<std::int16_t>(port), std::move(found));
    m_waitingForPort = m_portWatch.Start() == CHandler::HANDLER_STARTED;
}

std::uint16_t CGsmMgr::Stop() {
    m_portWatch.Stop();
    m_waitingForPort = false;
    m_portMissingShown = false;
    return m_handler.Stop();
}

std::string CGsmMgr::AlarmSmsText(const CAlarmInfoMsg& alarm) {
    const std::string type =
        CAlarmInfoMsg::TypeText(CAlarmInfoMsg::ETextPlace::Sms, alarm.AlarmType, alarm.OpFailType);
    std::string text = Text::TrF("IDS_GSMMGR_MSG_21", "MORA");
    text += Text::TrF("IDS_GSMMGR_MSG_22", type.c_str());
    text += Text::TrF("IDS_GSMMGR_MSG_23", alarm.IdInfo.c_str());
    text += Text::TrF("IDS_GSMMGR_MSG_24", alarm.Address.c_str());

    // A lift monitoring text carries the lift's position data in lines 2 to 5, which do not
    // fit into an SMS.
    CMsgText body = alarm.Text;
    body.RewindRead();
    const int lines = body.GetLineCount();
    for (int i = 1; i <= lines; ++i) {
        const std::string line = body.GetLine(MAX_LINE_CHARS);
        if (alarm.AlarmType == CAlarmInfoMsg::ALARMTYPE_LIFT_MONITORING && i >= 2 && i <= 5) {
            continue;
        }
        text += line;
        text += '\n';
    }
    return Utf8::Left(text, MAX_SMS_CHARS);
}

void CGsmMgr::SendAlarmSms(const CAlarmInfoMsg* alarm, const std::string& recipients) {
    if (alarm == nullptr || m_settings.GsmEnabled == 0 || recipients.empty()) {
        return;
    }
    auto request = std::make_unique<CGsmHandlerMsg>(MsgKind::GSM_SEND_ALARM_SMS);
    request->Recipients = recipients;
    request->SmsText = AlarmSmsText(*alarm);
    m_handler.PutMsg(std::move(request));
}

void CGsmMgr::SendFreeFormatSms(const std::string& text, const std::string& recipients,
                                std::uint16_t requestTag) {
    if (m_settings.GsmEnabled == 0 || recipients.empty()) {
        return;
    }
    auto request = std::make_unique<CGsmHandlerMsg>(MsgKind::GSM_SEND_FREE_SMS);
    request->Recipients = recipients;
    request->SmsText = text;
    request->RequestTag = requestTag;
    m_handler.PutMsg(std::move(request));
}

void CGsmMgr::OnStatus(const CGsmHandlerMsg& status) {
    if (status.Code == PORT_FOUND_CODE) {
        // The handler's reports and the pane show that the modem is back.
        if (m_waitingForPort && status.Value == m_watchRun) {
            Start(m_owner);
        }
        return;
    }
    auto pane = [&](const char* tag) { m_frontEnd.SetPaneText(GSM_PANE, Text::Tr(tag)); };
    // Level 1 messages are errors the operator must see: they bring the window to the front.
    auto info = [&](const char* tag, bool toFront) { m_frontEnd.AddSystemInfo(Text::Tr(tag), toFront); };
    switch (status.Code) {
    case CGsmHandlerMsg::GHM_STATUS_INITIALIZING:
        pane("IDS_GSMMGR_MSG_25");
        break;
    case CGsmHandlerMsg::GHM_STATUS_PIN_ERROR:
        pane("IDS_GSMMGR_MSG_28");
        info("IDS_GSMMGR_MSG_29", true);
        break;
    case CGsmHandlerMsg::GHM_STATUS_PIN_REQUIRED:
        pane("IDS_GSMMGR_MSG_26");
        info("IDS_GSMMGR_MSG_27", true);
        break;
    case CGsmHandlerMsg::GHM_STATUS_NETWORK:
        if (status.Quality == 0) {
            pane("IDS_GSMMGR_MSG_30");
        } else {
            m_frontEnd.SetPaneText(GSM_PANE,
                                   Text::TrF("IDS_GSMMGR_MSG_31", static_cast<int>(status.Quality)));
        }
        break;
    case CGsmHandlerMsg::GHM_STATUS_COM_TIMEOUT:
        pane("IDS_GSMMGR_MSG_32");
        break;
    case CGsmHandlerMsg::GHM_STATUS_COM_WARNING:
        pane("IDS_GSMMGR_MSG_33");
        info("IDS_GSMMGR_MSG_34", false);
        break;
    case CGsmHandlerMsg::GHM_STATUS_COM_FAILURE:
        pane("IDS_GSMMGR_MSG_35");
        info("IDS_GSMMGR_MSG_36", true);
        break;
    case CGsmHandlerMsg::GHM_STATUS_SENDING_SMS:
        pane("IDS_GSMMGR_MSG_37");
        break;
    default:
        if (status.RequestTag == CGsmHandlerMsg::REQUEST_TAG_SEND_SMS_DLG && m_sendSmsView != nullptr) {
            m_sendSmsView->OnSendReport(status.Code, status.Recipients);
        }
        break;
    }
}

void CGsmMgr::OnSmsStored(std::uint32_t smsMark) {
    auto stored = std::make_unique<CGsmHandlerMsg>(MsgKind::GSM_SMS_STORED);
    stored->SmsMark = smsMark;
    m_handler.PutMsg(std::move(stored));
}

void CGsmMgr::OnSmsNumReply(MsgPtr reply) {
    if (m_sendSmsView != nullptr && reply) {
        m_sendSmsView->OnRecipientReply(std::move(reply));
    }
}

void CGsmMgr::ShowSendSmsDlg() {
    if (m_sendSmsView != nullptr) {
        m_sendSmsView->Show();
    }
}
