#include "MailHandler.h"

#include "MsgKinds.h"

#include <string>

CMailHandler::CMailHandler(IMsgSink* owner, const IClock& clock)
    : CHandler(owner, clock), m_info(clock), m_replyTimer(clock), m_pauseTimer(clock) {}

CMailHandler::~CMailHandler() {
    Shutdown();
}

void CMailHandler::ResetState() {
    if (IsRunning()) {
        return;
    }
    m_info.Close();
    m_mail.reset();
    m_recipients.RemoveAll();
    m_lastReply = CMailInfo::MAILINFO_REPLY_NONE;
    m_errorCode = 0;
    m_accepted = false;
    m_connectStarted = false;
    m_recipientCount = 0;
    m_recipientIndex = 0;
    m_waiting = false;
    m_waitingFlag.store(false);
    SetState(MAILHND_ST_IDLE);
}

void CMailHandler::Log(const char* source, std::string_view text) {
    if (m_log) {
        m_log->Write(source, text);
    }
}

void CMailHandler::ThreadMain() {
    m_log = std::make_unique<CLogFile>("MailHandler", LOG_LINES, Clock());
    if (!m_info.Init(m_log.get())) {
        SetRunFlag(0);
        m_info.SetLog(nullptr);
        m_log.reset();
        SetStatus(HANDLER_START_FAILED);
        return;
    }
    NameThread("mora-mail");
    SetStatus(HANDLER_STARTED);
    Log("MailHandler::ThreadMain", "Startup - Ver. 2.65");

    while (IsRunning()) {
        WaitForNextStep();
        Step();
        // One reply at a time: the next one stays with the codec until the dialogue has taken
        // this one, so that no reply is overwritten before a step has seen it.
        if (m_lastReply == CMailInfo::MAILINFO_REPLY_NONE) {
            const int reply = m_info.Receive();
            if (reply >= CMailInfo::MAILINFO_REPLY_2XX && reply <= CMailInfo::MAILINFO_REPLY_5XX) {
                m_lastReply = reply;
            }
        }
    }

    if (m_mail) {
        Log("MailHandler::ThreadMain", "Stopped in " + std::string(StateName(GetState())) + ": the mail to " +
                                           m_mail->Recipients + " was not sent");
    }
    // A name lookup still running is given up here: the stop does not wait for it.
    m_info.Close();
    m_mail.reset();
    m_connectStarted = false;
    m_waiting = false;
    m_waitingFlag.store(false);
    SetState(MAILHND_ST_IDLE);
    Log("MailHandler::ThreadMain", "Shutdown");
    m_info.SetLog(nullptr);
    m_log.reset();
    SetStatus(HANDLER_STOPPED);
}

void CMailHandler::WaitForNextStep() {
    using ThreadWait::EWakeOn;
    switch (GetState()) {
    case MAILHND_ST_IDLE:
        WaitForWork();
        break;
    case MAILHND_ST_PAUSE:
        // Mail queued meanwhile waits for the end of the pause.
        WaitForWork(-1, ThreadWait::FOREVER, EWakeOn::Signal);
        break;
    case MAILHND_ST_CONNECT:
        // The name lookup and the connection are looked at every millisecond, as before.
        WaitForWork(-1, 1, EWakeOn::Signal);
        break;
    case MAILHND_ST_CONNECT_WAITRESP:
    case MAILHND_ST_HELO_WAITRESP:
    case MAILHND_ST_MAIL_FROM_WAITRESP:
    case MAILHND_ST_RCPT_TO_WAITRESP:
    case MAILHND_ST_DATA_WAITRESP:
    case MAILHND_ST_MESSAGE_WAITRESP:
    case MAILHND_ST_QUIT_WAITRESP:
        if (m_lastReply == CMailInfo::MAILINFO_REPLY_NONE && !m_info.ReplyBuffered() &&
            !m_info.ConnectionLost()) {
            // Until the server answers or the reply timer runs out.
            WaitForWork(m_info.SocketFd(), ThreadWait::FOREVER, EWakeOn::Signal);
        }
        break;
    default:
        // A state that sends moves on at once.
        break;
    }
}

int CMailHandler::WaitReply(int expected, std::uint32_t timeout) {
    if (!m_waiting) {
        m_replyTimer.Start(timeout);
        m_waiting = true;
        m_waitingFlag.store(true);
        return MAILHND_WAIT_BUSY;
    }
    const int reply = m_lastReply;
    m_lastReply = CMailInfo::MAILINFO_REPLY_NONE;
    int result = MAILHND_WAIT_BUSY;
    if (reply == expected) {
        result = MAILHND_WAIT_OK;
    } else if (m_replyTimer.Expired()) {
        result = MAILHND_WAIT_TIMEOUT;
    } else if (reply != CMailInfo::MAILINFO_REPLY_NONE) {
        result = MAILHND_WAIT_WRONG;
    } else if (m_info.ConnectionLost()) {
        // No reply can come over a connection that is gone: do not wait out the time-out.
        result = MAILHND_WAIT_WRONG;
    }
    if (result != MAILHND_WAIT_BUSY) {
        m_waiting = false;
        m_waitingFlag.store(false);
    }
    return result;
}

bool CMailHandler::AwaitReply(int expected, EState next, std::uint16_t errorCode, EState onError) {
    switch (WaitReply(expected, REPLY_TIMEOUT_MS)) {
    case MAILHND_WAIT_BUSY:
        return false;
    case MAILHND_WAIT_OK:
        SetState(next);
        return true;
    default:
        Fail("Error/Timeout", errorCode, onError);
        return false;
    }
}

void CMailHandler::ReportStatus(std::uint16_t code) {
    PostToOwner(std::make_unique<CMailHandlerMsg>(MsgKind::MAIL_STATUS, code));
}

void CMailHandler::Fail(const char* text, std::uint16_t errorCode, EState next) {
    Log("MailHandler::Step", std::string(StateName(GetState())) + ": " + text);
    m_errorCode = errorCode;
    SetState(next);
}

void CMailHandler::Step() {
    switch (GetState()) {
    case MAILHND_ST_IDLE: {
        MsgPtr msg = GetMsg();
        if (!msg) {
            break;
        }
        const std::uint16_t kind = msg->Kind;
        auto mail = MsgCast<CMailHandlerMsg>(msg);
        if (!mail || kind != MsgKind::MAIL_SEND) {
            Log("MailHandler::Step", "MAILHND_ST_IDLE: message of kind " + std::to_string(kind) + " ignored");
            break;
        }
        m_mail = std::move(mail);
        m_errorCode = 0;
        m_accepted = false;
        m_connectStarted = false;
        m_lastReply = CMailInfo::MAILINFO_REPLY_NONE;
        m_waiting = false;
        m_recipients.SplitList(m_mail->Recipients);
        if (m_recipients.IsEmpty()) {
            // Nothing to send RCPT TO for: end at once, before any connection is made.
            Fail("No recipient address", CMailHandlerMsg::MHM_ERROR_RCPT_TO, MAILHND_ST_DISCONNECT);
            break;
        }
        ReportStatus(CMailHandlerMsg::MHM_STATUS_CONNECTING);
        SetState(MAILHND_ST_CONNECT);
        break;
    }
    case MAILHND_ST_CONNECT:
        if (!m_connectStarted) {
            if (!m_info.Connect(m_mail->Server, m_mail->Port)) {
                Fail("Connect Error", CMailHandlerMsg::MHM_ERROR_CONNECT, MAILHND_ST_DISCONNECT);
                break;
            }
            // A name lookup gets the time of a reply wait.
            m_connectStarted = true;
            m_replyTimer.Start(REPLY_TIMEOUT_MS);
        }
        switch (m_info.ConnectProgress()) {
        case CMailInfo::MAILINFO_CONNECT_OK:
            m_connectStarted = false;
            SetState(MAILHND_ST_CONNECT_WAITRESP);
            break;
        case CMailInfo::MAILINFO_CONNECT_FAILED:
            m_connectStarted = false;
            Fail("Connect Error", CMailHandlerMsg::MHM_ERROR_CONNECT, MAILHND_ST_DISCONNECT);
            break;
        default:
            if (m_replyTimer.Expired()) {
                m_connectStarted = false;
                Fail("Connect Error (name lookup timed out)", CMailHandlerMsg::MHM_ERROR_CONNECT,
                     MAILHND_ST_DISCONNECT);
            }
            break;
        }
        break;
    case MAILHND_ST_CONNECT_WAITRESP:
        AwaitReply(CMailInfo::MAILINFO_REPLY_2XX, MAILHND_ST_HELO, CMailHandlerMsg::MHM_ERROR_CONNECT,
                   MAILHND_ST_DISCONNECT);
        break;
    case MAILHND_ST_HELO:
        ReportStatus(CMailHandlerMsg::MHM_STATUS_AUTHORIZING);
        m_info.Send(CMailInfo::MAILINFO_CMD_HELO, m_mail->HeloName);
        SetState(MAILHND_ST_HELO_WAITRESP);
        break;
    case MAILHND_ST_HELO_WAITRESP:
        AwaitReply(CMailInfo::MAILINFO_REPLY_2XX, MAILHND_ST_MAIL_FROM, CMailHandlerMsg::MHM_ERROR_HELO,
                   MAILHND_ST_QUIT);
        break;
    case MAILHND_ST_MAIL_FROM:
        m_info.Send(CMailInfo::MAILINFO_CMD_MAIL_FROM, m_mail->SenderAddress);
        SetState(MAILHND_ST_MAIL_FROM_WAITRESP);
        break;
    case MAILHND_ST_MAIL_FROM_WAITRESP:
        if (AwaitReply(CMailInfo::MAILINFO_REPLY_2XX, MAILHND_ST_RCPT_TO,
                       CMailHandlerMsg::MHM_ERROR_MAIL_FROM, MAILHND_ST_QUIT)) {
            m_recipientCount = static_cast<std::uint16_t>(m_recipients.GetCount());
            m_recipientIndex = 0;
            m_recipients.SetCounter(0);
        }
        break;
    case MAILHND_ST_RCPT_TO:
        if (m_recipientIndex >= m_recipients.GetCount()) {
            Fail("No recipient address", CMailHandlerMsg::MHM_ERROR_RCPT_TO, MAILHND_ST_QUIT);
            break;
        }
        m_info.Send(CMailInfo::MAILINFO_CMD_RCPT_TO, m_recipients.GetAt(m_recipientIndex));
        m_recipients.SetCounter(m_recipientIndex + 1);
        SetState(MAILHND_ST_RCPT_TO_WAITRESP);
        break;
    case MAILHND_ST_RCPT_TO_WAITRESP:
        if (AwaitReply(CMailInfo::MAILINFO_REPLY_2XX, MAILHND_ST_DATA, CMailHandlerMsg::MHM_ERROR_RCPT_TO,
                       MAILHND_ST_QUIT)) {
            ++m_recipientIndex;
            if (m_recipientIndex < m_recipientCount) {
                SetState(MAILHND_ST_RCPT_TO);
            }
        }
        break;
    case MAILHND_ST_DATA:
        m_info.Send(CMailInfo::MAILINFO_CMD_DATA, {});
        SetState(MAILHND_ST_DATA_WAITRESP);
        break;
    case MAILHND_ST_DATA_WAITRESP:
        if (AwaitReply(CMailInfo::MAILINFO_REPLY_3XX, MAILHND_ST_MESSAGE, CMailHandlerMsg::MHM_ERROR_DATA,
                       MAILHND_ST_QUIT)) {
            ReportStatus(CMailHandlerMsg::MHM_STATUS_SENDING);
        }
        break;
    case MAILHND_ST_MESSAGE:
        m_info.SendMessage(*m_mail, m_recipients);
        SetState(MAILHND_ST_MESSAGE_WAITRESP);
        break;
    case MAILHND_ST_MESSAGE_WAITRESP:
        if (AwaitReply(CMailInfo::MAILINFO_REPLY_2XX, MAILHND_ST_QUIT, CMailHandlerMsg::MHM_ERROR_MESSAGE,
                       MAILHND_ST_QUIT)) {
            m_accepted = true;
        }
        break;
    case MAILHND_ST_QUIT:
        m_info.Send(CMailInfo::MAILINFO_CMD_QUIT, {});
        SetState(MAILHND_ST_QUIT_WAITRESP);
        break;
    case MAILHND_ST_QUIT_WAITRESP:
        if (!m_accepted) {
            AwaitReply(CMailInfo::MAILINFO_REPLY_2XX, MAILHND_ST_DISCONNECT, CMailHandlerMsg::MHM_ERROR_QUIT,
                       MAILHND_ST_DISCONNECT);
            break;
        }
        // The server has taken the message and will deliver it: a QUIT that goes wrong now must
        // not make the operator believe the alarm mail was lost.
        switch (WaitReply(CMailInfo::MAILINFO_REPLY_2XX, REPLY_TIMEOUT_MS)) {
        case MAILHND_WAIT_BUSY:
            break;
        case MAILHND_WAIT_OK:
            SetState(MAILHND_ST_DISCONNECT);
            break;
        default:
            Log("MailHandler::Step",
                "MAILHND_ST_QUIT_WAITRESP: Error/Timeout after the message was accepted: "
                "the mail counts as sent");
            SetState(MAILHND_ST_DISCONNECT);
            break;
        }
        break;
    case MAILHND_ST_DISCONNECT:
        m_info.Close();
        if (m_mail) {
            if (m_errorCode != 0) {
                Log("MailHandler::Step", "MHM_STATUS_SEND_ERROR");
                m_mail->Code = CMailHandlerMsg::MHM_STATUS_SEND_ERROR;
                m_mail->ErrorCode = m_errorCode;
            } else {
                m_mail->Code = CMailHandlerMsg::MHM_STATUS_SEND_OK;
            }
            m_mail->Kind = MsgKind::MAIL_STATUS;
            PostToOwner(std::move(m_mail));
        }
        m_mail.reset();
        m_pauseTimer.Start(PAUSE_MS);
        SetState(MAILHND_ST_PAUSE);
        break;
    case MAILHND_ST_PAUSE:
        if (m_pauseTimer.Expired()) {
            SetState(MAILHND_ST_IDLE);
        }
        break;
    default:
        Log("MailHandler::Step", "unknown state " + std::to_string(GetState()) + ", back to idle");
        m_info.Close();
        m_mail.reset();
        m_connectStarted = false;
        m_waiting = false;
        SetState(MAILHND_ST_IDLE);
        break;
    }
}

const char* CMailHandler::StateName(int state) {
    switch (state) {
    case MAILHND_ST_IDLE:
        return "MAILHND_ST_IDLE";
    case MAILHND_ST_CONNECT:
        return "MAILHND_ST_CONNECT";
    case MAILHND_ST_CONNECT_WAITRESP:
        return "MAILHND_ST_CONNECT_WAITRESP";
    case MAILHND_ST_HELO:
        return "MAILHND_ST_HELO";
    case MAILHND_ST_HELO_WAITRESP:
        return "MAILHND_ST_HELO_WAITRESP";
    case MAILHND_ST_MAIL_FROM:
        return "MAILHND_ST_MAIL_FROM";
    case MAILHND_ST_MAIL_FROM_WAITRESP:
        return "MAILHND_ST_MAIL_FROM_WAITRESP";
    case MAILHND_ST_RCPT_TO:
        return "MAILHND_ST_RCPT_TO";
    case MAILHND_ST_RCPT_TO_WAITRESP:
        return "MAILHND_ST_RCPT_TO_WAITRESP";
    case MAILHND_ST_DATA:
        return "MAILHND_ST_DATA";
    case MAILHND_ST_DATA_WAITRESP:
        return "MAILHND_ST_DATA_WAITRESP";
    case MAILHND_ST_MESSAGE:
        return "MAILHND_ST_MESSAGE";
    case MAILHND_ST_MESSAGE_WAITRESP:
        return "MAILHND_ST_MESSAGE_WAITRESP";
    case MAILHND_ST_QUIT:
        return "MAILHND_ST_QUIT";
    case MAILHND_ST_QUIT_WAITRESP:
        return "MAILHND_ST_QUIT_WAITRESP";
    case MAILHND_ST_DISCONNECT:
        return "MAILHND_ST_DISCONNECT";
    case MAILHND_ST_PAUSE:
        return "MAILHND_ST_PAUSE";
    default:
        return "MAILHND_ST_UNKNOWN";
    }
}
