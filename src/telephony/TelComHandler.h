#pragma once

#include "ComMsg.h"
#include "Handler.h"
#include "LogFile.h"
#include "MsgQueue.h"
#include "TelLinkProt.h"

#include <cstdint>
#include <memory>

// The modem link thread. Polls the telephone modem continuously, sends the requests the telephone
// handler queues (kind 45), checks every reply, retries, and reports to its owner: flag changes
// (48), signal level changes (49), reports (50), a request given up (51) and link failures (52
// reception, 54 transmission).
//
// A failed link does not stay dead: it closes the port and opens it again after a pause that
// starts at 2 s and doubles with every further failure up to 60 s, so that a modem that was
// unplugged, reset or garbled for a while is served again without a restart of the program. The
// LinkValue of a kind-52/54 message counts the failures of the same outage before it (0: the link
// had been working); an outage is over once the link has run for a minute without failing.
// Requests and messages queued before a start or restart belong to the old run and are dropped,
// so that no stale command (a line take, a raw send) goes out first.
class CTelComHandler : public CHandler {
public:
    enum LinkState : std::uint32_t {
        LINK_ST_IDLE = 0,
        LINK_ST_SEND = 1,
        LINK_ST_WAIT = 2,
        LINK_ST_RETRY = 3,
        LINK_ST_FAILED = 4, // port closed, waiting to open it again
    };

    // Command and reply codes the link itself knows.
    static constexpr std::uint8_t CMD_POLL = 0x81;
    static constexpr std::uint8_t REPLY_STATUS = 0x81;
    static constexpr std::uint8_t REPLY_FIRST_VALID = 0x81;
    static constexpr std::uint8_t REPLY_LAST_VALID = 0x97;

    // Flags byte.
    static constexpr std::uint8_t FLAG_ACCEPTED = 0x80;   // from the modem: last command accepted
    static constexpr std::uint8_t FLAG_ACK_REPORT = 0x80; // from the station: last report received
    static constexpr std::uint8_t FLAG_BUSY = 0x40;
    static constexpr std::uint8_t FLAG_ICT_ERROR = 0x02;

    static constexpr std::uint32_t REPLY_WAIT_MS = 180;
    static constexpr std::uint32_t REST_MS = 35;
    static constexpr std::uint32_t RESUME_PAUSE_MS = 2000;
    static constexpr std::uint16_t MAX_SENDS = 5;
    static constexpr std::uint16_t MAX_INVALID = 3;
    static constexpr std::uint16_t MAX_ABORT_LOGS = 5;
    static constexpr std::uint32_t FIRST_RESTART_PAUSE_MS = 2000;
    static constexpr std::uint32_t MAX_RESTART_PAUSE_MS = 60000;
    // A link that has run this long since its last restart has recovered: its next failure is a
    // new outage and waits the shortest pause again.
    static constexpr std::uint32_t RECOVERED_AFTER_MS = 60000;
    static constexpr std::uint32_t STAT_SUM_LIMIT = 4294966295u;

    explicit CTelComHandler(IMsgSink* owner = nullptr, const IClock& clock = CSystemClock::Instance());
    ~CTelComHandler() override;

    void Configure(std::int16_t port, std::uint32_t speed) {
        m_portNumber = port;
        m_speed = speed;
    }

    // The thread runs these three; tests step them directly with a fake clock.
    bool LinkStart();
    void LinkStep();
    void LinkEnd();

    std::uint32_t State() const { return m_state; }
    std::size_t PendingRequests() const { return m_pending.Count(); }
    // The pause before the next attempt to open the port again (0 while the link works).
    std::uint32_t RestartPause() const { return m_restartPauseMs; }
    // Failures in the current outage (0 while there is none).
    std::uint16_t OutageFailures() const { return m_outageFailures; }
    std::uint32_t MaxReplyTime() const { return m_maxReplyTime; }
    std::uint32_t AverageReplyTime() const { return m_avgReplyTime; }
    std::uint32_t ReplyCount() const { return m_replyCount; }

protected:
    void ThreadMain() override;

private:
    void StepIdle();
    void StepSend();
    void StepWait();
    void StepRetry();
    void StepFailed();
    // The link stops working: tells the owner (kind 52 or 54), closes the port and waits.
    void Fail(std::uint16_t kind);
    // Drops the requests still queued or pending, and forgets what the modem last said.
    void BeginRun();
    void UpdateStatistics();
    void Post(std::uint16_t kind);
    void Log(const char* text);

    std::uint32_t m_state = LINK_ST_IDLE;
    CTelLinkProt m_link;
    std::int16_t m_portNumber = 1;
    std::uint32_t m_speed = 9600;
    CMsgQueue m_pending;
    std::unique_ptr<CComMsg> m_current;
    std::uint16_t m_retryCount = 0;
    bool m_reportToAck = false;
    bool m_acceptExpected = false;
    std::unique_ptr<CLogFile> m_log;

    std::uint8_t m_lastFlags = 0;
    std::uint8_t m_reportedFlags = 0xFF;
    std::uint16_t m_reportedSignal = 0;
    std::uint16_t m_invalidCount = 0;
    std::uint16_t m_abortCount = 0;
    std::uint32_t m_sendTick = 0;
    std::uint32_t m_maxReplyTime = 0;
    std::uint32_t m_sumReplyTime = 0;
    std::uint32_t m_replyCount = 0;
    std::uint32_t m_avgReplyTime = 0;
    std::uint32_t m_pauseStart = 0;
    std::uint32_t m_pauseMs = 0;

    std::uint16_t m_outageFailures = 0;
    std::uint32_t m_restartPauseMs = 0;
    std::uint32_t m_failedTick = 0;
    std::uint32_t m_runStartTick = 0;
};
