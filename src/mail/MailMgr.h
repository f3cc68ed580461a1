#pragma once

#include "AlarmInfoMsg.h"
#include "Clock.h"
#include "FrontEnd.h"
#include "MailHandler.h"
#include "MailHandlerMsg.h"
#include "MsgSink.h"
#include "Settings.h"

#include <cstdint>
#include <memory>
#include <string>

// The user-interface side of e-mail: turns alarm records into alarm mails, sends test mails for
// the settings page, and shows the mail handler's progress and failures to the operator. Lives on
// the user-interface thread and owns the mail handler.
class CMailMgr {
public:
    // Status bar pane of the mail state.
    static constexpr int MAIL_PANE = 1;

    static constexpr const char* PRODUCT_SHORT_NAME = "MORA";
    static constexpr const char* PRODUCT_LONG_NAME = "Brennvik MORA";
    static constexpr const char* COMPANY_NAME = "Brennvik Sweden AB";
    static constexpr const char* WEB_ADDRESS = "www.brennvik.se";
    static constexpr const char* ASTERISK_LINE = "*******************************************\r\n";

    explicit CMailMgr(const IClock& clock = CSystemClock::Instance());
    virtual ~CMailMgr();
    CMailMgr(const CMailMgr&) = delete;
    CMailMgr& operator=(const CMailMgr&) = delete;

    // Keeps the front end and the settings; both must outlive the manager. The settings are read
    // anew for every mail, so a change takes effect with the next one.
    void Init(IFrontEnd& frontEnd, const SSettingsValues& settings);

    // Shows the initial mail state, makes owner the receiver of the handler's reports and starts
    // the handler's thread. False (after telling the operator) when the thread does not start.
    bool Start(IMsgSink* owner);
    void Stop();

    // Queues one mail to all recipients of the list; nothing when there is no record, mail is
    // switched off or the recipients text is empty.
    void SendAlarmMail(const CAlarmInfoMsg* alarm, const std::string& recipients);
    // Queues a test mail with the connection values being edited, whether or not mail is on.
    void SendTestMail(const std::string& server, std::uint16_t port, const std::string& accountName,
                      const std::string& senderAddress, const std::string& recipients);
    // A status or result report of the handler (kind MsgKind::MAIL_STATUS).
    void OnMailStatus(const CMailHandlerMsg& msg);

    // The mails as they are queued.
    std::unique_ptr<CMailHandlerMsg> ComposeAlarmMail(const CAlarmInfoMsg& alarm,
                                                      const std::string& recipients) const;
    std::unique_ptr<CMailHandlerMsg> ComposeTestMail(const std::string& server, std::uint16_t port,
                                                     const std::string& accountName,
                                                     const std::string& senderAddress,
                                                     const std::string& recipients) const;

    // The type line's text of an alarm in the current language.
    static std::string TypeText(std::uint8_t alarmType, std::uint8_t opFailType);
    // The line the system information list gets for a failed mail.
    static std::string FailureReport(const CMailHandlerMsg& msg);

    CMailHandler& Handler() { return m_handler; }

private:
    std::string HeadingBlock(const char* titleTag) const;
    std::string ClosingBlock(const char* companyTag) const;

    CMailHandler m_handler;
    IFrontEnd* m_frontEnd = nullptr;
    const SSettingsValues* m_settings = nullptr;
};
