#pragma once

#include "Handler.h"
#include "IntervalTimer.h"
#include "LogFile.h"
#include "MailHandlerMsg.h"
#include "MailInfo.h"
#include "StrList.h"

#include <atomic>
#include <cstdint>
#include <memory>

// The mail handler thread: takes one send request at a time from its queue and runs the SMTP
// dialogue with the request's server, one step per pass of its loop, so that it never blocks on
// the network and notices a stop request at once. Even the server's name is looked up beside the
// loop (CHostResolver): a slow name server holds up neither the mail's time-out nor a stop.
// Progress and result go to the owner as CMailHandlerMsg of kind MsgKind::MAIL_STATUS.
class CMailHandler : public CHandler {
public:
    enum EState : int {
        MAILHND_ST_IDLE = 0,
        MAILHND_ST_CONNECT = 1,
        MAILHND_ST_CONNECT_WAITRESP = 2,
        MAILHND_ST_HELO = 3,
        MAILHND_ST_HELO_WAITRESP = 4,
        MAILHND_ST_MAIL_FROM = 5,
        MAILHND_ST_MAIL_FROM_WAITRESP = 6,
        MAILHND_ST_RCPT_TO = 7,
        MAILHND_ST_RCPT_TO_WAITRESP = 8,
        MAILHND_ST_DATA = 9,
        MAILHND_ST_DATA_WAITRESP = 10,
        MAILHND_ST_MESSAGE = 11,
        MAILHND_ST_MESSAGE_WAITRESP = 12,
        MAILHND_ST_QUIT = 13,
        MAILHND_ST_QUIT_WAITRESP = 14,
        MAILHND_ST_DISCONNECT = 15,
        MAILHND_ST_PAUSE = 16,
    };

    // Results of WaitReply.
    enum EWait {
        MAILHND_WAIT_BUSY = 0,
        MAILHND_WAIT_OK = 1,
        MAILHND_WAIT_WRONG = 2,
        MAILHND_WAIT_TIMEOUT = 3
    };

    static constexpr std::uint32_t REPLY_TIMEOUT_MS = 30000;
    static constexpr std::uint32_t PAUSE_MS = 5000;
    static constexpr std::int16_t LOG_LINES = 1000;

    explicit CMailHandler(IMsgSink* owner = nullptr, const IClock& clock = CSystemClock::Instance());
    ~CMailHandler() override;

    // Back to idle between runs of the thread; a mail that a stop abandoned is dropped.
    void ResetState();
    // The name resolver of the lookups started from now on (tests give a slow one).
    void SetResolveFunction(CHostResolver::ResolveFunction resolve) {
        m_info.SetResolveFunction(std::move(resolve));
    }

    // Where the dialogue stands, for the operator's diagnostics and for tests.
    int GetState() const { return m_state.load(); }
    bool IsWaiting() const { return m_waitingFlag.load(); }

    static const char* StateName(int state);

protected:
    void ThreadMain() override;

private:
    void Step();
    // Sleeps until the present state has something to do.
    void WaitForNextStep();
    int WaitReply(int expected, std::uint32_t timeout);
    // One reply wait of the dialogue: the expected reply leads to `next` (and true), a wrong reply
    // or the time-out is logged, recorded as errorCode and leads to onError.
    bool AwaitReply(int expected, EState next, std::uint16_t errorCode, EState onError);
    void ReportStatus(std::uint16_t code);
    // Logs "<state name>: <text>", records the error code and moves on.
    void Fail(const char* text, std::uint16_t errorCode, EState next);
    void SetState(EState state) { m_state.store(state); }
    void Log(const char* source, std::string_view text);

    CMailInfo m_info;
    CStrList m_recipients;
    std::atomic<int> m_state{MAILHND_ST_IDLE};
    std::unique_ptr<CMailHandlerMsg> m_mail;
    int m_lastReply = CMailInfo::MAILINFO_REPLY_NONE;
    std::uint16_t m_errorCode = 0;
    bool m_accepted = false;       // the server took the message (the reply after the end of the data)
    bool m_connectStarted = false; // MAILHND_ST_CONNECT: the server's name is being looked up
    std::uint16_t m_recipientCount = 0;
    std::uint16_t m_recipientIndex = 0;
    bool m_waiting = false;
    std::atomic<bool> m_waitingFlag{false};
    CIntervalTimer m_replyTimer;
    CIntervalTimer m_pauseTimer;
    std::unique_ptr<CLogFile> m_log;
};
