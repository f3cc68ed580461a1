#include "TelComHandler.h"

#include "MsgKinds.h"

#include <algorithm>
#include <cstdint>

namespace {
constexpr const char* SOURCE = "CTelComHandler::ThreadMain";
}

CTelComHandler::CTelComHandler(IMsgSink* owner, const IClock& clock)
    : CHandler(owner, clock), m_link(clock) {}

CTelComHandler::~CTelComHandler() {
    Shutdown();
}

void CTelComHandler::ThreadMain() {
    if (!LinkStart()) {
        SetRunFlag(0);
        SetStatus(HANDLER_START_FAILED);
        return;
    }
    NameThread("mora-tel-link");
    SetStatus(HANDLER_STARTED);
    while (IsRunning()) {
        LinkStep();
    }
    LinkEnd();
    SetStatus(HANDLER_STOPPED);
}

bool CTelComHandler::LinkStart() {
    m_log = std::make_unique<CLogFile>("TelComHandler", 1000, Clock());
    if (!m_link.Open(m_portNumber, m_speed)) {
        m_log.reset();
        return false;
    }
    // An ordinary user may not raise a thread's priority; the link then runs at normal priority,
    // which costs some promptness but no function.
    if (!RaiseThreadPriority()) {
        Log("Thread priority could not be raised, running at normal priority");
    }
    m_outageFailures = 0;
    m_restartPauseMs = 0;
    m_maxReplyTime = m_sumReplyTime = m_replyCount = m_avgReplyTime = 0;
    Log("Startup - Ver. 2.65");
    BeginRun();
    return true;
}

void CTelComHandler::BeginRun() {
    std::size_t dropped = m_pending.Count() + (m_current ? 1 : 0);
    m_pending.RemoveAll();
    m_current.reset();
    while (GetMsg()) {
        ++dropped;
    }
    if (dropped != 0 && m_log) {
        m_log->WriteF(SOURCE, "Dropped %zu requests of the previous run", dropped);
    }
    m_state = LINK_ST_IDLE;
    m_lastFlags = 0;
    m_reportedFlags = 0xFF;
    m_reportedSignal = 0;
    m_invalidCount = 0;
    m_abortCount = 0;
    m_reportToAck = false;
    m_acceptExpected = false;
    m_pauseMs = 0;
    m_runStartTick = Clock().Tick();
}

void CTelComHandler::Fail(std::uint16_t kind) {
    const std::uint32_t now = Clock().Tick();
    if (m_outageFailures != 0 && now - m_runStartTick >= RECOVERED_AFTER_MS) {
        m_outageFailures = 0;
    }
    m_restartPauseMs =
        m_outageFailures == 0 ? FIRST_RESTART_PAUSE_MS : std::min(m_restartPauseMs * 2, MAX_RESTART_PAUSE_MS);
    auto msg = std::make_unique<CComMsg>(kind);
    msg->LinkValue = m_outageFailures;
    PostToOwner(std::move(msg));
    if (m_outageFailures < UINT16_MAX) {
        ++m_outageFailures;
    }
    m_current.reset();
    m_link.Close();
    m_failedTick = now;
    m_state = LINK_ST_FAILED;
    if (m_log) {
        m_log->WriteF(SOURCE, "Link failed, port closed, opening it again in %u ms", m_restartPauseMs);
    }
}

void CTelComHandler::StepFailed() {
    // A stop request ends the pause early.
    const std::uint32_t passed = Clock().Tick() - m_failedTick;
    if (passed < m_restartPauseMs) {
        WaitForWork(-1, m_restartPauseMs - passed, ThreadWait::EWakeOn::Signal);
        return;
    }
    if (!m_link.Open(m_portNumber, m_speed)) {
        m_restartPauseMs = std::min(m_restartPauseMs * 2, MAX_RESTART_PAUSE_MS);
        m_failedTick = Clock().Tick();
        if (m_log) {
            m_log->WriteF(SOURCE, "Port cannot be opened, next try in %u ms", m_restartPauseMs);
        }
        return;
    }
    BeginRun();
    Log("Port opened again, polling resumes");
}

void CTelComHandler::LinkEnd() {
    m_link.Close();
    m_current.reset();
    if (m_log) {
        m_log->WriteF(SOURCE, "Shutdown - Max Reply Time: %u ms, Average Reply Time: %u ms", m_maxReplyTime,
                      m_avgReplyTime);
    }
    m_log.reset();
}

void CTelComHandler::LinkStep() {
    switch (m_state) {
    case LINK_ST_IDLE:
        StepIdle();
        break;
    case LINK_ST_SEND:
        StepSend();
        break;
    case LINK_ST_WAIT:
        StepWait();
        break;
    case LINK_ST_RETRY:
        StepRetry();
        break;
    case LINK_ST_FAILED:
    default:
        StepFailed();
        break;
    }
}

void CTelComHandler::StepIdle() {
    // A stop request ends the pause after a given-up request early.
    if (m_pauseMs != 0) {
        const std::uint32_t passed = Clock().Tick() - m_pauseStart;
        if (passed < m_pauseMs) {
            WaitForWork(-1, m_pauseMs - passed, ThreadWait::EWakeOn::Signal);
            return;
        }
        m_pauseMs = 0;
    }
    if (MsgPtr msg = GetMsg()) {
        if (msg->Kind == MsgKind::COM_TRANSMIT) {
            if (auto frame = MsgCast<CComMsg>(msg)) {
                m_pending.AddTail(std::move(frame));
            } else {
                Log("Unknown Message");
            }
        } else {
            Log("Unknown Message");
        }
    }
    // A command waits while the modem is busy and while an acknowledgement is owed: the
    // acknowledgement must travel in a poll first.
    if (!m_current && (m_lastFlags & FLAG_BUSY) == 0 && !m_reportToAck) {
        while (!m_current && !m_pending.IsEmpty()) {
            MsgPtr next = m_pending.RemoveHead();
            m_current = MsgCast<CComMsg>(next);
        }
    }
    if (!m_current) {
        m_current = std::make_unique<CComMsg>(MsgKind::COM_TRANSMIT);
        m_current->Data[0] = CMD_POLL;
        m_current->Length = 0;
    }
    m_retryCount = 0;
    m_state = LINK_ST_SEND;
}

void CTelComHandler::StepSend() {
    if (m_current->Data[0] != CMD_POLL) {
        m_acceptExpected = true;
    }
    if (m_reportToAck) {
        m_current->Data[1] |= FLAG_ACK_REPORT;
        m_reportToAck = false;
    }
    m_link.DiscardInput();
    const std::uint16_t n = static_cast<std::uint16_t>(std::min<unsigned>(m_current->Length + 1u, 255u));
    if (m_link.WriteFrame(m_current->Data.data(), n) == CTelLinkProt::TELLINK_TX_OK) {
        m_sendTick = Clock().Tick();
        m_state = LINK_ST_WAIT;
    } else {
        Fail(MsgKind::COM_TX_FAILURE);
    }
}

void CTelComHandler::StepWait() {
    std::uint8_t buffer[CTelLinkProt::FRAME_BUFFER_SIZE] = {};
    std::uint16_t n = 0;
    const std::uint16_t result = m_link.WaitFrame(buffer, n, REPLY_WAIT_MS);
    if (result == CTelLinkProt::TELLINK_RX_READ_ERROR) {
        Log("Serial Rx Error");
        Fail(MsgKind::COM_RX_FAILURE);
        return;
    }
    if (result != CTelLinkProt::TELLINK_RX_FRAME) {
        m_state = LINK_ST_RETRY;
        return;
    }
    if (m_abortCount != 0) {
        Log("Communication restored after timeout");
        m_abortCount = 0;
    }
    UpdateStatistics();

    const std::uint8_t code = buffer[0];
    // A reply without its flags byte is as unusable as one with an unknown code.
    if (code < REPLY_FIRST_VALID || code > REPLY_LAST_VALID || n == 0) {
        ++m_invalidCount;
        if (m_invalidCount < MAX_INVALID) {
            m_log->WriteF(SOURCE, "Invalid RX command: %u, retrying: %d", unsigned(code),
                          int(m_invalidCount));
            Clock().Sleep(REST_MS);
            m_state = LINK_ST_SEND;
        } else {
            m_log->WriteF(SOURCE, "Invalid RX command: %u, Aborting", unsigned(code));
            Fail(MsgKind::COM_RX_FAILURE);
        }
        return;
    }
    m_invalidCount = 0;

    std::uint8_t flags = buffer[1];
    if ((flags & FLAG_ICT_ERROR) != 0) {
        Log("RX: - Modem ICT Error!");
        flags = static_cast<std::uint8_t>(flags & ~FLAG_ICT_ERROR);
    }
    if (code == REPLY_STATUS) {
        if (n == 2 && buffer[2] != m_reportedSignal) {
            auto msg = std::make_unique<CComMsg>(MsgKind::COM_SIGNAL_LEVEL);
            msg->LinkValue = buffer[2];
            PostToOwner(std::move(msg));
            m_reportedSignal = buffer[2];
        }
    } else {
        m_reportToAck = true;
        auto msg = std::make_unique<CComMsg>(MsgKind::COM_REPLY);
        std::copy(buffer, buffer + 1 + n, msg->Data.begin());
        msg->Data[1] = flags;
        msg->Length = static_cast<std::uint16_t>(n - 1);
        PostToOwner(std::move(msg));
    }
    if (flags != m_reportedFlags) {
        auto msg = std::make_unique<CComMsg>(MsgKind::COM_STATUS_FLAGS);
        msg->Data[0] = code;
        msg->Data[1] = flags;
        PostToOwner(std::move(msg));
        m_reportedFlags = flags;
    }
    bool failed = false;
    if (m_acceptExpected && (flags & FLAG_ACCEPTED) == 0) {
        Log("RX: - TxAck Error!");
        failed = true;
    }
    m_acceptExpected = false;
    m_lastFlags = static_cast<std::uint8_t>(flags & ~FLAG_ACCEPTED);
    if (failed) {
        m_state = LINK_ST_RETRY;
    } else {
        m_current.reset();
        m_state = LINK_ST_IDLE;
    }
    Clock().Sleep(REST_MS);
}

void CTelComHandler::StepRetry() {
    ++m_retryCount;
    if (m_retryCount < MAX_SENDS) {
        if (m_abortCount < MAX_ABORT_LOGS) {
            m_log->WriteF(SOURCE, "Reply Timeout, retrying: %d", int(m_retryCount));
        }
        m_state = LINK_ST_SEND;
        return;
    }
    if (m_abortCount < MAX_ABORT_LOGS) {
        Log("Reply Timeout, Aborting");
        ++m_abortCount;
    }
    m_current.reset();
    Post(MsgKind::COM_TIMEOUT);
    m_reportToAck = false;
    m_acceptExpected = false;
    m_reportedFlags = 0xFF;
    m_pauseStart = Clock().Tick();
    m_pauseMs = RESUME_PAUSE_MS;
    m_state = LINK_ST_IDLE;
}

void CTelComHandler::UpdateStatistics() {
    const std::uint32_t t = Clock().Tick() - m_sendTick;
    if (t > m_maxReplyTime) {
        m_maxReplyTime = t;
        m_log->WriteF(SOURCE, "MaxReplyTime updated, time: %u", t);
    }
    if (static_cast<std::uint64_t>(m_sumReplyTime) + t < STAT_SUM_LIMIT) {
        ++m_replyCount;
        m_sumReplyTime += t;
        m_avgReplyTime = m_sumReplyTime / m_replyCount;
    } else {
        m_log->WriteF(SOURCE,
                      "ReplyTime handling restarted, Max Reply Time: %u ms, Average Reply Time: %u ms",
                      m_maxReplyTime, m_avgReplyTime);
        m_replyCount = 0;
        m_sumReplyTime = 0;
        m_avgReplyTime = 0;
    }
}

void CTelComHandler::Post(std::uint16_t kind) {
    PostToOwner(std::make_unique<CComMsg>(kind));
}

void CTelComHandler::Log(const char* text) {
    if (m_log) {
        m_log->Write(SOURCE, text);
    }
}
