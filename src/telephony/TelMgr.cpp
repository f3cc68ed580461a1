#include "TelMgr.h"

#include "MsgKinds.h"
#include "SerialAccess.h"
#include "SwHwInfo.h"
#include "Translate.h"

#include <string>

CTelMgr::CTelMgr(const IClock& clock) : m_handler(nullptr, clock), m_portWatch(clock) {}

CTelMgr::~CTelMgr() = default;

void CTelMgr::Init(IFrontEnd* frontEnd, CSettings* settings) {
    m_frontEnd = frontEnd;
    m_settings = settings;
}

void CTelMgr::Pane(const std::string& text) {
    if (m_frontEnd != nullptr) {
        m_frontEnd->SetPaneText(TEL_PANE, text);
    }
}

int CTelMgr::Start(IMsgSink* databaseHandler) {
    if (m_frontEnd == nullptr || m_settings == nullptr) {
        return 1;
    }
    m_hub = databaseHandler;
    m_waitingForPort = false;
    Pane(Text::Tr("IDS_TELMGR_MSG_1"));
    if (m_settings->TelEnabled == 0) {
        Pane(Text::Tr("IDS_TELMGR_MSG_5"));
        return 1;
    }
    for (;;) {
        m_handler.SetOwner(databaseHandler);
        STelHandlerConfig config;
        config.PortNumber = m_settings->TelComPort;
        config.Speed = SPEED;
        config.VoiceCallEnabled = m_settings->VoiceCallEnabled;
        config.P100Enabled = 1;
        config.CpcEnabled = m_settings->CpcEnabled;
        config.RingSignals = m_settings->TelRingSignals;
        config.RedirectMode = m_settings->NORD;
        config.NetSelection = m_settings->WirelessNetSel;
        m_handler.Configure(config);

        const std::uint16_t result = m_handler.Start();
        if (result == CHandler::HANDLER_STARTED) {
            m_portMissingShown = false;
            return 1;
        }
        if (result == CHandler::HANDLER_START_FAILED) {
            // A late USB adapter must not switch the modem off for good.
            if (m_frontEnd->RetryMissingPort()) {
                WaitForPort();
                return 1;
            }
            m_frontEnd->Beep(IFrontEnd::EBeep::Exclamation);
            int port = m_settings->TelComPort;
            if (m_frontEnd->SerialPortErrorDialog(Text::Tr("IDS_TELMGR_MSG_2"), port)) {
                m_settings->TelComPort = static_cast<std::int16_t>(port);
                m_settings->SaveAll();
                continue;
            }
            m_settings->TelEnabled = 0;
            m_settings->SaveAll();
            Pane(Text::Tr("IDS_TELMGR_MSG_3"));
            return 1;
        }
        m_frontEnd->MessageBox(Text::Tr("IDS_TELMGR_MSG_4"), IFrontEnd::EButtons::Ok, IFrontEnd::EIcon::Error,
                               0);
        return 1;
    }
}

void CTelMgr::WaitForPort() {
    const int port = m_settings->TelComPort;
    Pane(Text::Tr("IDS_TELMGR_MSG_13"));
    if (!m_portMissingShown) {
        m_portMissingShown = true;
        // A device that refuses this user will not appear by waiting: say what to do about it.
        std::string reason = SerialAccess::DeniedNote(port);
        if (reason.empty()) {
            reason = Text::Tr("IDC_SET_COMPORT_UNABLE_TO_OPEN") + " (COM" + std::to_string(port) + ")";
        }
        m_frontEnd->AddSystemInfo(Text::Tr("IDS_TELMGR_MSG_2") + ": " + reason, true);
    }
    m_portWatch.Stop();
    // The run number tells this watch's report from one of a watch stopped before.
    ++m_watchRun;
    auto found = std::make_unique<CTelHandlerMsg>(MsgKind::TEL_STATUS, TELSTATUS_PORT_FOUND);
    found->Value = m_watchRun;
    m_portWatch.SetOwner(m_hub);
    m_portWatch.Configure(static_cast<std::int16_t>(port), std::move(found));
    m_waitingForPort = m_portWatch.Start() == CHandler::HANDLER_STARTED;
}

std::uint16_t CTelMgr::Stop() {
    m_portWatch.Stop();
    m_waitingForPort = false;
    m_portMissingShown = false;
    return m_handler.Stop();
}

void CTelMgr::SendToHandler(MsgPtr msg) {
    m_handler.PutMsg(std::move(msg));
}

void CTelMgr::OnStatus(const CTelHandlerMsg& msg) {
    if (m_frontEnd == nullptr) {
        return;
    }
    switch (msg.Code) {
    case TELSTATUS_NO_LINE:
        if (msg.InterfaceType == CSwHwInfo::INTERFACE_LINE) {
            Pane(Text::Tr("IDS_TELMGR_MSG_18"));
        } else if (msg.InterfaceType == CSwHwInfo::INTERFACE_GSM) {
            Pane(Text::Tr("IDS_GSMMGR_MSG_30"));
        } else {
            Pane(Text::Tr("IDS_TELMGR_MSG_24"));
        }
        break;
    case TELSTATUS_LINE_OK:
        if (msg.InterfaceType == CSwHwInfo::INTERFACE_LINE) {
            Pane(Text::Tr("IDS_TELMGR_MSG_19"));
        } else if (msg.InterfaceType == CSwHwInfo::INTERFACE_GSM) {
            Pane(msg.SignalLevel != 0 ? Text::TrF("IDS_GSMMGR_MSG_31", int(msg.SignalLevel))
                                      : Text::Tr("IDS_GSMMGR_MSG_30"));
        } else {
            Pane(Text::Tr("IDS_TELMGR_MSG_24"));
        }
        break;
    case TELSTATUS_RING:
        Pane(Text::Tr("IDS_TELMGR_MSG_20"));
        break;
    case TELSTATUS_INCOMING_CALL:
        Pane(Text::Tr("IDS_TELMGR_MSG_21"));
        break;
    case TELSTATUS_COM_TIMEOUT:
        Pane(Text::Tr("IDS_TELMGR_MSG_6"));
        m_frontEnd->AddSystemInfo(Text::Tr("IDS_TELMGR_MSG_7"), false);
        break;
    case TELSTATUS_COM_ERROR:
        Pane(Text::Tr("IDS_TELMGR_MSG_9"));
        m_frontEnd->AddSystemInfo(msg.Text.empty() ? Text::Tr("IDS_TELMGR_MSG_10")
                                                   : Text::Tr("IDS_TELMGR_MSG_11") + msg.Text,
                                  true);
        break;
    case TELSTATUS_SERIAL_FAILURE:
        // The link opens its port again by itself, so the operator is told once per outage and
        // not asked to restart the program.
        Pane(Text::Tr("IDS_TELMGR_MSG_12"));
        m_frontEnd->AddSystemInfo(Text::Tr("IDS_TELMGR_MSG_14") + " " + msg.Text, true);
        break;
    case TELSTATUS_LINK_DOWN:
        Pane(Text::Tr("IDS_TELMGR_MSG_12"));
        break;
    case TELSTATUS_PORT_FOUND:
        // The handler's start-up lines and the pane show that the modem is back.
        if (m_waitingForPort && msg.Value == m_watchRun) {
            Start(m_hub);
        }
        break;
    case TELSTATUS_SW_TOO_OLD:
        Pane(Text::Tr("IDS_TELMGR_MSG_22"));
        m_frontEnd->AddSystemInfo(Text::Tr("IDS_TELMGR_MSG_23") + msg.Text, true);
        break;
    case TELSTATUS_MODEL_NOT_SUPPORTED:
        Pane(Text::Tr("IDS_TELMGR_MSG_24"));
        m_frontEnd->AddSystemInfo(Text::Tr("IDS_TELMGR_MSG_25") + msg.Text, true);
        break;
    case TELSTATUS_STARTUP_INFO:
        m_frontEnd->AddSystemInfo(msg.Text, false);
        break;
    default:
        break;
    }
}
