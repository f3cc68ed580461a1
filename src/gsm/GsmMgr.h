#pragma once

#include "AlarmInfoMsg.h"
#include "Clock.h"
#include "FrontEnd.h"
#include "GsmHandler.h"
#include "GsmHandlerMsg.h"
#include "MsgSink.h"
#include "SendSmsView.h"
#include "SerialPortWatch.h"
#include "Settings.h"

#include <cstdint>
#include <string>

// The user-interface side owner of the GSM handler: starts it with the GSM settings (and lets the
// operator choose another serial port when the configured one cannot be opened, or, when the front
// end prefers it, waits for the port to appear), shows the
// handler's reports in the GSM pane of the status bar and in the system information list,
// forwards alarms by SMS in their short text format and passes on the SMS the operator types.
// User-interface thread only.
class CGsmMgr {
public:
    static constexpr int GSM_PANE = 2;
    static constexpr std::size_t MAX_SMS_CHARS = 160;
    // Code of the kind-41 report of the manager's own port watch, outside the handler's codes.
    static constexpr std::uint16_t PORT_FOUND_CODE = 0x7F00;

    CGsmMgr(CSettings& settings, IFrontEnd& frontEnd, const IClock& clock = CSystemClock::Instance());
    CGsmMgr(const CGsmMgr&) = delete;
    CGsmMgr& operator=(const CGsmMgr&) = delete;

    // Starts the handler with its owner for reports (the database handler). Always true: a
    // disabled or failing modem is not a reason to end the program.
    bool Start(IMsgSink* owner);
    std::uint16_t Stop();

    void SendAlarmSms(const CAlarmInfoMsg* alarm, const std::string& recipients);
    void SendFreeFormatSms(const std::string& text, const std::string& recipients, std::uint16_t requestTag);

    // The alarm of the received SMS with this mark is stored (or refused on purpose): the handler
    // may delete the SMS from the modem.
    void OnSmsStored(std::uint32_t smsMark);
    // A kind-41 report of the handler; the caller keeps and deletes it.
    void OnStatus(const CGsmHandlerMsg& status);
    // Database replies of kinds 35 and 36 (the SMS recipients register) for the Send SMS dialog;
    // dropped when no dialog is attached.
    void OnSmsNumReply(MsgPtr reply);

    void SetSendSmsView(ISendSmsView* view) { m_sendSmsView = view; }
    void ShowSendSmsDlg();

    // The alarm SMS text of an alarm record: header lines and body, at most 160 characters.
    static std::string AlarmSmsText(const CAlarmInfoMsg& alarm);

    CGsmHandler& Handler() { return m_handler; }
    // True while the configured port is missing and the manager waits for it.
    bool WaitingForPort() const { return m_waitingForPort; }

private:
    // Keeps the GSM modem enabled, shows that its port is missing (the line once per outage)
    // and lets the port watch look for it; its report starts the handler.
    void WaitForPort();

    CSettings& m_settings;
    IFrontEnd& m_frontEnd;
    CGsmHandler m_handler;
    CSerialPortWatch m_portWatch;
    ISendSmsView* m_sendSmsView = nullptr;
    IMsgSink* m_owner = nullptr;
    bool m_waitingForPort = false;
    bool m_portMissingShown = false;
    std::uint16_t m_watchRun = 0;
};
