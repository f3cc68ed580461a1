#pragma once

#include "GsmHandlerMsg.h"
#include "GsmInfo.h"
#include "Handler.h"
#include "IntervalTimer.h"
#include "LogFile.h"
#include "MsgQueue.h"

#include <cstdint>
#include <memory>
#include <string>

// The worker thread that owns the GSM modem. In an endless cycle it initialises the modem,
// watches network registration and signal quality, fetches received SMS one at a time (each is
// reported before it is deleted from the modem), sends queued SMS with up to four attempts and,
// when enabled, identifies the caller of an incoming voice call. Received SMS (kind 39), callers
// (40) and status reports (41) go to the owner, the database handler.
class CGsmHandler : public CHandler {
public:
    enum MainState : std::int32_t {
        GSMHND_ST_START = 0,
        GSMHND_ST_INIT = 1,
        GSMHND_ST_IDLE = 2,
        GSMHND_ST_CHECK_NETWORK = 3,
        GSMHND_ST_NETWORK_PAUSE = 4,
        GSMHND_ST_READ_SMS = 5,
        GSMHND_ST_SEND_SMS = 6,
        GSMHND_ST_CHECK_CALLER = 7,
        GSMHND_ST_COM_ERROR = 8,
        GSMHND_ST_RECOVER_WAIT = 9,
        GSMHND_ST_PIN_PROBLEM = 10,
    };

    enum InitResult : int {
        GSMHND_IMRET_BUSY = 0,
        GSMHND_IMRET_INIT_OK = 1,
        GSMHND_IMRET_COM_ERROR = 2,
        GSMHND_IMRET_PIN_REQUIRED = 3,
        GSMHND_IMRET_PIN_ERROR = 4,
    };
    enum NetworkResult : int {
        GSMHND_NSRET_BUSY = 0,
        GSMHND_NSRET_REGISTERED = 1,
        GSMHND_NSRET_NOT_REGISTERED = 2,
        GSMHND_NSRET_COM_ERROR = 3,
    };
    enum ReadSmsResult : int {
        GSMHND_RSRET_BUSY = 0,
        GSMHND_RSRET_SMS_READ = 1,
        GSMHND_RSRET_NO_SMS = 2,
        GSMHND_RSRET_COM_ERROR = 3,
        GSMHND_RSRET_SMS_KEPT = 4, // reported, but its alarm was not stored in time
    };
    enum SendSmsResult : int {
        GSMHND_SSRET_BUSY = 0,
        GSMHND_SSRET_SEND_DONE = 1,
        GSMHND_SSRET_SEND_ERROR = 2,
        GSMHND_SSRET_COM_ERROR = 3,
    };
    enum CallerResult : int {
        GSMHND_ICRET_BUSY = 0,
        GSMHND_ICRET_NEW_CALLER = 1,
        GSMHND_ICRET_CALL_ENDED = 2,
        GSMHND_ICRET_COM_ERROR = 3,
    };

    static constexpr int MAX_SEND_ATTEMPTS = 4;
    static constexpr std::int16_t COM_FAILURE_COUNT = 10;
    static constexpr std::int16_t LOG_LINES = 2000;

    explicit CGsmHandler(IMsgSink* owner = nullptr, const IClock& clock = CSystemClock::Instance());
    ~CGsmHandler() override;

    // Set by the GSM manager before Start.
    void SetStartParameters(std::int16_t port, std::uint32_t baudRate, const std::string& pin, bool callerId,
                            std::uint16_t netSelection);

protected:
    void ThreadMain() override;

private:
    enum InitState : std::int32_t {
        GSMHND_IMST_IDLE,
        GSMHND_IMST_ECHO_OFF,
        GSMHND_IMST_ECHO_OFF_WAIT,
        GSMHND_IMST_ERROR_REPORTS,
        GSMHND_IMST_ERROR_REPORTS_WAIT,
        GSMHND_IMST_MODEL,
        GSMHND_IMST_MODEL_WAIT,
        GSMHND_IMST_MODEL_PAUSE,
        GSMHND_IMST_PIN_QUERY,
        GSMHND_IMST_PIN_QUERY_WAIT,
        GSMHND_IMST_PIN_PAUSE,
        GSMHND_IMST_PIN_ENTER,
        GSMHND_IMST_PIN_ENTER_WAIT,
        GSMHND_IMST_PIN_READY_PAUSE,
        GSMHND_IMST_TEXT_MODE,
        GSMHND_IMST_TEXT_MODE_WAIT,
        GSMHND_IMST_CHARSET,
        GSMHND_IMST_CHARSET_WAIT,
        GSMHND_IMST_STORAGE,
        GSMHND_IMST_STORAGE_WAIT,
        GSMHND_IMST_HEADERS,
        GSMHND_IMST_HEADERS_WAIT,
        GSMHND_IMST_NET_SELECT,
        GSMHND_IMST_NET_SELECT_WAIT,
    };
    enum NetworkState : std::int32_t {
        GSMHND_NSST_IDLE,
        GSMHND_NSST_CREG_WAIT,
        GSMHND_NSST_CREG_PAUSE,
        GSMHND_NSST_CSQ_SEND,
        GSMHND_NSST_CSQ_WAIT,
        GSMHND_NSST_CSQ_PAUSE,
    };
    enum ReadSmsState : std::int32_t {
        GSMHND_RSST_IDLE,
        GSMHND_RSST_LIST_WAIT,
        GSMHND_RSST_STORE_WAIT,
        GSMHND_RSST_DELETE_WAIT,
    };
    enum SendSmsState : std::int32_t {
        GSMHND_SSST_DEST_SEND,
        GSMHND_SSST_PROMPT_WAIT,
        GSMHND_SSST_RESULT_WAIT,
    };
    enum CallerState : std::int32_t {
        GSMHND_ICST_IDLE,
        GSMHND_ICST_QUERY,
        GSMHND_ICST_CALLER_WAIT,
        GSMHND_ICST_RING_WAIT,
    };

    void ResetState();
    void Log(const std::string& text);
    void HandleInput(MsgPtr msg);
    void FileReply(std::unique_ptr<CGsmMsg> reply);
    void RunMainState();
    // All state words in one, to tell whether a pass moved anything on.
    std::uint64_t StateWord() const;
    void ReportStatus(std::uint16_t code, std::uint16_t quality = 0, const CGsmHandlerMsg* sms = nullptr);
    void ReportReceivedSms();
    void RecoverPort();

    // Creates, sends and deletes a request; the last reply is cleared first so that only an
    // answer to this request can end the wait for it.
    void SendRequest(std::uint16_t kind, std::uint16_t index = 0, const std::string& text = {});
    // True (and the reply consumed) when the last reply is of this kind.
    bool TakeReply(std::uint16_t kind);

    int InitModem();
    int CheckNetwork();
    int ReadSms();
    int SendSms();
    int CheckCaller();

    CGsmInfo m_modem;
    std::unique_ptr<CLogFile> m_log;

    // start parameters
    std::int16_t m_portNumber = 0;
    std::uint32_t m_baudRate = 9600;
    std::string m_pin;
    // A PIN the SIM refused. Kept across restarts of the thread: entering it again would use up
    // the SIM's tries (three lock it), so only a different PIN is entered.
    std::string m_refusedPin;
    bool m_callerId = false;
    std::uint16_t m_netSelection = 0;

    std::int32_t m_mainState = GSMHND_ST_START;
    std::uint16_t m_lastReply = CGsmMsg::GSMREP_NONE;
    std::uint16_t m_model = CGsmMsg::MODEL_UNKNOWN;
    std::uint16_t m_registration = 0;
    std::uint16_t m_quality = 0;
    std::uint16_t m_reportedQuality = 0;
    bool m_registered = false;
    bool m_ringSeen = false;
    std::string m_callerNumber;
    std::string m_lastCaller;
    std::unique_ptr<CGsmMsg> m_receivedSms;
    bool m_receivedSmsReported = false;
    std::uint32_t m_receivedSmsMark = 0; // the mark it was reported with
    bool m_receivedSmsStored = false;    // the core has stored its alarm
    CMsgQueue m_outgoing;
    std::unique_ptr<CGsmHandlerMsg> m_currentSms;
    std::int16_t m_sendAttempts = 0;
    bool m_errorReported = false;
    std::int16_t m_errorCount = 0;

    std::int32_t m_initState = GSMHND_IMST_IDLE;
    std::int32_t m_networkState = GSMHND_NSST_IDLE;
    std::int32_t m_readSmsState = GSMHND_RSST_IDLE;
    std::int32_t m_sendSmsState = GSMHND_SSST_DEST_SEND;
    std::int32_t m_callerState = GSMHND_ICST_IDLE;
    int m_qualityRetries = 0;

    CIntervalTimer m_timer;     // the main loop's idle and recovery waits
    CIntervalTimer m_stepTimer; // the waits inside a step
};
