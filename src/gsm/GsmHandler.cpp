#include "GsmHandler.h"

#include "MsgKinds.h"
#include "Translate.h"

#include <atomic>

namespace {

constexpr const char* SOURCE = "CGsmHandler::ThreadMain";
constexpr const char* SEND_SOURCE = "CGsmHandler::SendSms";

constexpr std::uint32_t IDLE_MS = 1000;
constexpr std::uint32_t RECOVER_MS = 5000;
constexpr std::uint32_t REPLY_MS = 1000;
constexpr std::uint32_t PAUSE_MS = 500;
constexpr std::uint32_t PIN_REPLY_MS = 10000;
constexpr std::uint32_t NET_SELECT_REPLY_MS = 60000;
constexpr std::uint32_t NETWORK_REPLY_MS = 2000;
constexpr std::uint32_t SHORT_PAUSE_MS = 10;
constexpr int QUALITY_RETRIES = 3;
constexpr std::uint32_t LIST_REPLY_MS = 5000;
// How long a reported SMS waits in the modem for its alarm to be stored; one not confirmed in time
// is listed and reported again (the intake drops the repeat).
constexpr std::uint32_t STORE_WAIT_MS = 10000;

// Marks of reported SMS, unique in the process, so that a late confirmation for a handler that was
// restarted meanwhile cannot delete another SMS.
std::uint32_t NextSmsMark() {
    static std::atomic<std::uint32_t> next{0};
    std::uint32_t mark = ++next;
    while (mark == 0) {
        mark = ++next;
    }
    return mark;
}
constexpr std::uint32_t PROMPT_MS = 5000;
constexpr std::uint32_t SEND_RESULT_MS = 60000;
constexpr std::uint32_t CALLER_REPLY_MS = 2000;
constexpr std::uint32_t RING_GONE_MS = 10000;

} // namespace

CGsmHandler::CGsmHandler(IMsgSink* owner, const IClock& clock)
    : CHandler(owner, clock), m_modem(clock), m_timer(clock), m_stepTimer(clock) {}

CGsmHandler::~CGsmHandler() {
    Shutdown();
}

void CGsmHandler::SetStartParameters(std::int16_t port, std::uint32_t baudRate, const std::string& pin,
                                     bool callerId, std::uint16_t netSelection) {
    m_portNumber = port;
    m_baudRate = baudRate;
    m_pin = pin;
    m_callerId = callerId;
    m_netSelection = netSelection;
}

std::uint64_t CGsmHandler::StateWord() const {
    // Every state of the main loop and its steps, and the reply waiting to be taken.
    std::uint64_t word = static_cast<std::uint64_t>(m_mainState & 0xFF);
    for (const std::int32_t state :
         {m_initState, m_networkState, m_readSmsState, m_sendSmsState, m_callerState}) {
        word = (word << 8) | static_cast<std::uint64_t>(state & 0xFF);
    }
    return (word << 16) | m_lastReply;
}

void CGsmHandler::Log(const std::string& text) {
    if (m_log) {
        m_log->Write(SOURCE, text);
    }
}

void CGsmHandler::ResetState() {
    m_mainState = GSMHND_ST_START;
    m_lastReply = CGsmMsg::GSMREP_NONE;
    m_model = CGsmMsg::MODEL_UNKNOWN;
    m_registration = 0;
    m_quality = 0;
    m_reportedQuality = 0;
    m_registered = false;
    m_ringSeen = false;
    m_callerNumber.clear();
    m_lastCaller.clear();
    m_receivedSms.reset();
    m_receivedSmsReported = false;
    m_outgoing.RemoveAll();
    m_currentSms.reset();
    m_sendAttempts = 0;
    m_errorReported = false;
    m_errorCount = 0;
    m_initState = GSMHND_IMST_IDLE;
    m_networkState = GSMHND_NSST_IDLE;
    m_readSmsState = GSMHND_RSST_IDLE;
    m_sendSmsState = GSMHND_SSST_DEST_SEND;
    m_callerState = GSMHND_ICST_IDLE;
    m_qualityRetries = 0;
}

void CGsmHandler::ThreadMain() {
    m_log = std::make_unique<CLogFile>("GsmHandler", LOG_LINES, Clock());
    m_modem.SetLog(m_log.get());
    if (m_modem.Open(m_portNumber, m_baudRate) != CAtCmdProt::ATCMDPROT_OPEN_OK) {
        SetRunFlag(0);
        m_modem.SetLog(nullptr);
        m_log.reset();
        SetStatus(HANDLER_START_FAILED);
        return;
    }
    ResetState();
    m_modem.TakePortFailure();
    NameThread("mora-gsm");
    SetStatus(HANDLER_STARTED);
    Log("Startup - Ver. 2.65");

    while (IsRunning()) {
        const std::uint64_t before = StateWord();
        bool moved = false;
        if (MsgPtr msg = GetMsg()) {
            HandleInput(std::move(msg));
            moved = true;
        }
        RunMainState();
        moved = moved || StateWord() != before;
        // A pass that changed nothing sleeps in the reception until a byte, a message or a timer
        // of this thread; one that moved a state on looks again at once.
        const std::uint32_t idleWait = OnOwnThread() ? ThreadWait::FOREVER : 1;
        if (std::unique_ptr<CGsmMsg> reply = m_modem.Receive(moved ? 0 : idleWait)) {
            FileReply(std::move(reply));
        }
    }

    m_currentSms.reset();
    m_outgoing.RemoveAll();
    m_receivedSms.reset();
    m_modem.Close();
    Log("Shutdown");
    m_modem.SetLog(nullptr);
    m_log.reset();
    SetStatus(HANDLER_STOPPED);
}

void CGsmHandler::HandleInput(MsgPtr msg) {
    if (msg->Kind == MsgKind::GSM_SMS_STORED) {
        if (const auto* stored = dynamic_cast<const CGsmHandlerMsg*>(msg.get());
            stored != nullptr && m_receivedSms && stored->SmsMark == m_receivedSmsMark) {
            m_receivedSmsStored = true;
        }
        return;
    }
    if (msg->Kind != MsgKind::GSM_SEND_ALARM_SMS && msg->Kind != MsgKind::GSM_SEND_FREE_SMS) {
        return;
    }
    std::unique_ptr<CGsmHandlerMsg> request = MsgCast<CGsmHandlerMsg>(msg);
    if (!request) {
        return;
    }
    Log(request->Kind == MsgKind::GSM_SEND_ALARM_SMS ? "MSG_GUI_SEND_ALARM_SMS"
                                                     : "MSG_GUI_SEND_FREEFORMAT_SMS");
    // One message per recipient. Blanks are dropped; every separator ends a recipient, an empty
    // one too (the modem refuses it and the sender hears of it); a trailing separator adds none.
    auto queue = [&](const std::string& recipient) {
        auto sms = std::make_unique<CGsmHandlerMsg>(request->Kind);
        sms->Recipients = recipient;
        sms->SmsText = request->SmsText;
        sms->RequestTag = request->RequestTag;
        m_outgoing.AddTail(std::move(sms));
    };
    std::string recipient;
    for (char c : request->Recipients) {
        if (c == ' ') {
            continue;
        }
        if (c == ',' || c == ';') {
            queue(recipient);
            recipient.clear();
        } else {
            recipient += c;
        }
    }
    if (!recipient.empty()) {
        queue(recipient);
    }
}

void CGsmHandler::FileReply(std::unique_ptr<CGsmMsg> reply) {
    switch (reply->Kind) {
    case CGsmMsg::GSMREP_MODEL:
        m_model = reply->Model;
        break;
    case CGsmMsg::GSMREP_REGISTRATION:
        m_registration = reply->Registration;
        break;
    case CGsmMsg::GSMREP_QUALITY:
        m_quality = reply->Quality;
        break;
    case CGsmMsg::GSMREP_RING:
        m_ringSeen = true;
        return; // the last reply stays
    case CGsmMsg::GSMREP_CALLER:
        m_callerNumber = reply->Number;
        break;
    default:
        break;
    }
    m_lastReply = reply->Kind;
    if (reply->Kind == CGsmMsg::GSMREP_SMS && !m_receivedSms) {
        // Only the first SMS of a listing is kept; the others come with later listings.
        m_receivedSms = std::move(reply);
        m_receivedSmsReported = false;
    }
}

void CGsmHandler::ReportStatus(std::uint16_t code, std::uint16_t quality, const CGsmHandlerMsg* sms) {
    auto status = std::make_unique<CGsmHandlerMsg>(MsgKind::GSM_STATUS, code);
    status->Quality = quality;
    if (sms != nullptr) {
        status->Recipients = sms->Recipients;
        status->RequestTag = sms->RequestTag;
    }
    PostToOwner(std::move(status));
}

void CGsmHandler::ReportReceivedSms() {
    auto sms = std::make_unique<CGsmHandlerMsg>(MsgKind::GSM_SMS_RECEIVED);
    sms->Number = m_receivedSms->Number;
    sms->Date = m_receivedSms->Date;
    sms->Time = m_receivedSms->Time;
    sms->SmsText = m_receivedSms->Text;
    m_receivedSmsMark = NextSmsMark();
    m_receivedSmsStored = false;
    sms->SmsMark = m_receivedSmsMark;
    PostToOwner(std::move(sms));
    m_receivedSmsReported = true;
}

void CGsmHandler::SendRequest(std::uint16_t kind, std::uint16_t index, const std::string& text) {
    CGsmMsg request(kind);
    switch (kind) {
    case CGsmMsg::GSMREQ_PIN_ENTER:
        request.Pin = text;
        break;
    case CGsmMsg::GSMREQ_DELETE_SMS:
        request.Index = index;
        break;
    case CGsmMsg::GSMREQ_SEND_DEST:
        request.Destination = text;
        break;
    case CGsmMsg::GSMREQ_SEND_TEXT:
        request.Text = text;
        break;
    case CGsmMsg::GSMREQ_NET_SELECT:
        request.NetSelection = index;
        break;
    default:
        break;
    }
    m_lastReply = CGsmMsg::GSMREP_NONE;
    m_modem.Send(request);
}

bool CGsmHandler::TakeReply(std::uint16_t kind) {
    if (m_lastReply != kind) {
        return false;
    }
    m_lastReply = CGsmMsg::GSMREP_NONE;
    return true;
}

void CGsmHandler::RecoverPort() {
    // A device that failed reads or writes may have gone away and come back (a USB adapter
    // plugged in again): only a fresh open reaches it.
    if (!m_modem.TakePortFailure()) {
        return;
    }
    m_modem.Close();
    if (m_modem.Open(m_portNumber, m_baudRate) == CAtCmdProt::ATCMDPROT_OPEN_OK) {
        Log("Serial port reopened");
    } else {
        Log("Serial port cannot be reopened");
    }
    m_modem.TakePortFailure();
}

void CGsmHandler::RunMainState() {
    switch (m_mainState) {
    case GSMHND_ST_START:
        ReportStatus(CGsmHandlerMsg::GHM_STATUS_INITIALIZING);
        m_reportedQuality = 0;
        m_mainState = GSMHND_ST_INIT;
        break;

    case GSMHND_ST_INIT:
        switch (InitModem()) {
        case GSMHND_IMRET_INIT_OK:
            ReportStatus(CGsmHandlerMsg::GHM_STATUS_NETWORK, 0);
            Log("GSMHND_IMRET_INIT_OK");
            m_errorReported = false;
            m_errorCount = 0;
            m_timer.Start(IDLE_MS);
            m_mainState = GSMHND_ST_IDLE;
            break;
        case GSMHND_IMRET_COM_ERROR:
            Log("GSMHND_IMRET_COM_ERROR");
            m_mainState = GSMHND_ST_COM_ERROR;
            break;
        case GSMHND_IMRET_PIN_REQUIRED:
            Log("GSMHND_IMRET_PIN_REQUIRED");
            ReportStatus(CGsmHandlerMsg::GHM_STATUS_PIN_REQUIRED);
            m_mainState = GSMHND_ST_PIN_PROBLEM;
            break;
        case GSMHND_IMRET_PIN_ERROR:
            Log("GSMHND_IMRET_PIN_ERROR");
            ReportStatus(CGsmHandlerMsg::GHM_STATUS_PIN_ERROR);
            m_mainState = GSMHND_ST_PIN_PROBLEM;
            break;
        default:
            break;
        }
        break;

    case GSMHND_ST_IDLE:
        if (m_timer.Expired()) {
            m_mainState = GSMHND_ST_CHECK_NETWORK;
        } else if (m_callerId && m_ringSeen) {
            m_mainState = GSMHND_ST_CHECK_CALLER;
        } else if (m_registered) {
            if (!m_currentSms) {
                MsgPtr next = m_outgoing.RemoveHead();
                if (next) {
                    m_currentSms = MsgCast<CGsmHandlerMsg>(next);
                    m_sendAttempts = 0;
                }
            }
            if (m_currentSms) {
                ReportStatus(CGsmHandlerMsg::GHM_STATUS_SENDING_SMS);
                Log("GHM_STATUS_SENDING_SMS");
                m_mainState = GSMHND_ST_SEND_SMS;
            }
        }
        break;

    case GSMHND_ST_CHECK_NETWORK:
        switch (CheckNetwork()) {
        case GSMHND_NSRET_REGISTERED:
            if (m_quality != m_reportedQuality) {
                ReportStatus(CGsmHandlerMsg::GHM_STATUS_NETWORK, m_quality);
                m_reportedQuality = m_quality;
            }
            m_registered = true;
            m_timer.Start(IDLE_MS);
            m_mainState = GSMHND_ST_NETWORK_PAUSE;
            break;
        case GSMHND_NSRET_NOT_REGISTERED:
            if (m_registered) {
                ReportStatus(CGsmHandlerMsg::GHM_STATUS_NETWORK, 0);
                // The pane now shows no network: once registered again, the quality must be
                // reported even when it is the one reported before the loss.
                m_reportedQuality = 0;
            }
            m_registered = false;
            m_timer.Start(IDLE_MS);
            m_mainState = GSMHND_ST_NETWORK_PAUSE;
            break;
        case GSMHND_NSRET_COM_ERROR:
            Log("GSMHND_NSRET_COM_ERROR");
            m_mainState = GSMHND_ST_COM_ERROR;
            break;
        default:
            break;
        }
        break;

    case GSMHND_ST_NETWORK_PAUSE:
        if (m_timer.Expired()) {
            m_mainState = GSMHND_ST_READ_SMS;
        }
        break;

    case GSMHND_ST_READ_SMS:
        switch (ReadSms()) {
        case GSMHND_RSRET_SMS_READ:
        case GSMHND_RSRET_SMS_KEPT:
            // Already reported before it was deleted from the modem.
            m_receivedSms.reset();
            m_timer.Start(IDLE_MS);
            m_mainState = GSMHND_ST_IDLE;
            break;
        case GSMHND_RSRET_NO_SMS:
            m_timer.Start(IDLE_MS);
            m_mainState = GSMHND_ST_IDLE;
            break;
        case GSMHND_RSRET_COM_ERROR:
            Log("GSMHND_RSRET_COM_ERROR");
            m_receivedSms.reset();
            m_mainState = GSMHND_ST_COM_ERROR;
            break;
        default:
            break;
        }
        break;

    case GSMHND_ST_SEND_SMS:
        switch (SendSms()) {
        case GSMHND_SSRET_SEND_DONE:
            Log("GSMHND_SSRET_SEND_DONE");
            if (m_currentSms->Kind == MsgKind::GSM_SEND_FREE_SMS) {
                ReportStatus(CGsmHandlerMsg::GHM_STATUS_SMS_SENT, 0, m_currentSms.get());
            }
            m_currentSms.reset();
            m_reportedQuality = 0;
            m_mainState = GSMHND_ST_IDLE;
            break;
        case GSMHND_SSRET_SEND_ERROR:
            Log("GSMHND_SSRET_SEND_ERROR");
            if (++m_sendAttempts >= MAX_SEND_ATTEMPTS) {
                Log("GSMHND_SSRET_SEND_ERROR, GSMHND_MAX_TX_SMS_RETRIES");
                if (m_currentSms->Kind == MsgKind::GSM_SEND_FREE_SMS) {
                    ReportStatus(CGsmHandlerMsg::GHM_STATUS_SMS_FAILED, 0, m_currentSms.get());
                }
                m_currentSms.reset();
            }
            m_reportedQuality = 0;
            m_mainState = GSMHND_ST_IDLE;
            break;
        case GSMHND_SSRET_COM_ERROR:
            Log("GSMHND_SSRET_COM_ERROR");
            m_currentSms.reset();
            m_mainState = GSMHND_ST_COM_ERROR;
            break;
        default:
            break;
        }
        break;

    case GSMHND_ST_CHECK_CALLER:
        switch (CheckCaller()) {
        case GSMHND_ICRET_NEW_CALLER: {
            auto caller = std::make_unique<CGsmHandlerMsg>(MsgKind::GSM_CALLER_IDENTIFIED);
            caller->Number = m_lastCaller;
            PostToOwner(std::move(caller));
            break;
        }
        case GSMHND_ICRET_CALL_ENDED:
            m_timer.Start(IDLE_MS);
            m_mainState = GSMHND_ST_IDLE;
            break;
        case GSMHND_ICRET_COM_ERROR:
            Log("GSMHND_ICRET_COM_ERROR");
            m_mainState = GSMHND_ST_COM_ERROR;
            break;
        default:
            break;
        }
        break;

    case GSMHND_ST_COM_ERROR:
        if (!m_errorReported) {
            ReportStatus(CGsmHandlerMsg::GHM_STATUS_COM_WARNING);
            m_errorReported = true;
        } else {
            ReportStatus(CGsmHandlerMsg::GHM_STATUS_COM_TIMEOUT);
        }
        // Whatever step was running is abandoned; each starts afresh after the recovery.
        m_initState = GSMHND_IMST_IDLE;
        m_networkState = GSMHND_NSST_IDLE;
        m_readSmsState = GSMHND_RSST_IDLE;
        m_sendSmsState = GSMHND_SSST_DEST_SEND;
        m_callerState = GSMHND_ICST_IDLE;
        m_receivedSms.reset();
        m_registered = false;
        m_timer.Start(RECOVER_MS);
        m_mainState = GSMHND_ST_RECOVER_WAIT;
        break;

    case GSMHND_ST_RECOVER_WAIT:
        if (m_timer.Expired()) {
            if (m_errorCount == COM_FAILURE_COUNT) {
                ReportStatus(CGsmHandlerMsg::GHM_STATUS_COM_FAILURE);
                ++m_errorCount;
            } else if (m_errorCount < COM_FAILURE_COUNT) {
                ++m_errorCount;
            }
            RecoverPort();
            m_mainState = GSMHND_ST_START;
        }
        break;

    case GSMHND_ST_PIN_PROBLEM:
    default:
        // The SIM must not be asked again (a wrong PIN tried repeatedly locks it): nothing more
        // until the handler is restarted with new settings.
        break;
    }
}

int CGsmHandler::InitModem() {
    auto send = [&](std::uint16_t kind, std::uint32_t waitMs, std::int32_t next) {
        SendRequest(kind, m_netSelection, m_pin);
        m_stepTimer.Start(waitMs);
        m_initState = next;
    };
    auto pause = [&](std::int32_t next) {
        m_stepTimer.Start(PAUSE_MS);
        m_initState = next;
    };
    auto finish = [&](int result) {
        m_initState = GSMHND_IMST_IDLE;
        return result;
    };
    // Waits for the awaited reply; any other reply (ERROR too) does not end the wait.
    auto await = [&](std::uint16_t kind, auto onReply) -> int {
        if (TakeReply(kind)) {
            return onReply();
        }
        if (m_stepTimer.Expired()) {
            return finish(GSMHND_IMRET_COM_ERROR);
        }
        return GSMHND_IMRET_BUSY;
    };

    switch (m_initState) {
    case GSMHND_IMST_IDLE:
        m_initState = GSMHND_IMST_ECHO_OFF;
        break;
    case GSMHND_IMST_ECHO_OFF:
        send(CGsmMsg::GSMREQ_ECHO_OFF, REPLY_MS, GSMHND_IMST_ECHO_OFF_WAIT);
        break;
    case GSMHND_IMST_ECHO_OFF_WAIT:
        return await(CGsmMsg::GSMREP_OK, [&]() -> int {
            m_initState = GSMHND_IMST_ERROR_REPORTS;
            return GSMHND_IMRET_BUSY;
        });
    case GSMHND_IMST_ERROR_REPORTS:
        // Numbered error reports (+CME ERROR: n), so that a refusal says why in the log.
        send(CGsmMsg::GSMREQ_ERROR_CODES, REPLY_MS, GSMHND_IMST_ERROR_REPORTS_WAIT);
        break;
    case GSMHND_IMST_ERROR_REPORTS_WAIT:
        if (TakeReply(CGsmMsg::GSMREP_OK)) {
            m_initState = GSMHND_IMST_MODEL;
        } else if (TakeReply(CGsmMsg::GSMREP_ERROR)) {
            // A modem without them still answers plain ERROR, which is understood as well.
            Log("AT+CMEE=1 refused: errors are reported without their number");
            m_initState = GSMHND_IMST_MODEL;
        } else if (m_stepTimer.Expired()) {
            return finish(GSMHND_IMRET_COM_ERROR);
        }
        break;
    case GSMHND_IMST_MODEL:
        send(CGsmMsg::GSMREQ_MODEL, REPLY_MS, GSMHND_IMST_MODEL_WAIT);
        break;
    case GSMHND_IMST_MODEL_WAIT:
        return await(CGsmMsg::GSMREP_MODEL, [&]() -> int {
            // An unknown model is driven as the first one.
            if (m_model == CGsmMsg::MODEL_UNKNOWN) {
                m_model = CGsmMsg::MODEL_TC35;
            }
            m_modem.SetModel(m_model);
            pause(GSMHND_IMST_MODEL_PAUSE);
            return GSMHND_IMRET_BUSY;
        });
    case GSMHND_IMST_MODEL_PAUSE:
        if (m_stepTimer.Expired()) {
            m_initState = GSMHND_IMST_PIN_QUERY;
        }
        break;
    case GSMHND_IMST_PIN_QUERY:
        send(CGsmMsg::GSMREQ_PIN_QUERY, REPLY_MS, GSMHND_IMST_PIN_QUERY_WAIT);
        break;
    case GSMHND_IMST_PIN_QUERY_WAIT:
        if (TakeReply(CGsmMsg::GSMREP_PIN_READY)) {
            pause(GSMHND_IMST_PIN_READY_PAUSE);
        } else if (TakeReply(CGsmMsg::GSMREP_PIN_REQUIRED)) {
            if (m_pin.empty()) {
                return finish(GSMHND_IMRET_PIN_REQUIRED);
            }
            pause(GSMHND_IMST_PIN_PAUSE);
        } else if (m_stepTimer.Expired()) {
            return finish(GSMHND_IMRET_COM_ERROR);
        }
        break;
    case GSMHND_IMST_PIN_PAUSE:
        if (m_stepTimer.Expired()) {
            if (m_pin == m_refusedPin) {
                Log("The SIM refused this PIN before: it is not entered again");
                return finish(GSMHND_IMRET_PIN_ERROR);
            }
            m_initState = GSMHND_IMST_PIN_ENTER;
        }
        break;
    case GSMHND_IMST_PIN_ENTER:
        send(CGsmMsg::GSMREQ_PIN_ENTER, PIN_REPLY_MS, GSMHND_IMST_PIN_ENTER_WAIT);
        break;
    case GSMHND_IMST_PIN_ENTER_WAIT:
        if (TakeReply(CGsmMsg::GSMREP_OK)) {
            pause(GSMHND_IMST_PIN_READY_PAUSE);
        } else if (TakeReply(CGsmMsg::GSMREP_ERROR)) {
            m_refusedPin = m_pin;
            return finish(GSMHND_IMRET_PIN_ERROR);
        } else if (m_stepTimer.Expired()) {
            return finish(GSMHND_IMRET_COM_ERROR);
        }
        break;
    case GSMHND_IMST_PIN_READY_PAUSE:
        if (m_stepTimer.Expired()) {
            m_initState = GSMHND_IMST_TEXT_MODE;
        }
        break;
    case GSMHND_IMST_TEXT_MODE:
        send(CGsmMsg::GSMREQ_TEXT_MODE, REPLY_MS, GSMHND_IMST_TEXT_MODE_WAIT);
        break;
    case GSMHND_IMST_TEXT_MODE_WAIT:
        return await(CGsmMsg::GSMREP_OK, [&]() -> int {
            m_initState = GSMHND_IMST_CHARSET;
            return GSMHND_IMRET_BUSY;
        });
    case GSMHND_IMST_CHARSET:
        send(CGsmMsg::GSMREQ_CHARSET, REPLY_MS, GSMHND_IMST_CHARSET_WAIT);
        break;
    case GSMHND_IMST_CHARSET_WAIT:
        return await(CGsmMsg::GSMREP_OK, [&]() -> int {
            m_initState = GSMHND_IMST_STORAGE;
            return GSMHND_IMRET_BUSY;
        });
    case GSMHND_IMST_STORAGE:
        send(CGsmMsg::GSMREQ_STORAGE, REPLY_MS, GSMHND_IMST_STORAGE_WAIT);
        break;
    case GSMHND_IMST_STORAGE_WAIT:
        return await(CGsmMsg::GSMREP_STORAGE, [&]() -> int {
            m_initState = GSMHND_IMST_HEADERS;
            return GSMHND_IMRET_BUSY;
        });
    case GSMHND_IMST_HEADERS:
        send(CGsmMsg::GSMREQ_HEADERS, REPLY_MS, GSMHND_IMST_HEADERS_WAIT);
        break;
    case GSMHND_IMST_HEADERS_WAIT:
        return await(CGsmMsg::GSMREP_OK, [&]() -> int {
            if (m_model != CGsmMsg::MODEL_LE910) {
                return finish(GSMHND_IMRET_INIT_OK);
            }
            m_initState = GSMHND_IMST_NET_SELECT;
            return GSMHND_IMRET_BUSY;
        });
    case GSMHND_IMST_NET_SELECT:
        send(CGsmMsg::GSMREQ_NET_SELECT, NET_SELECT_REPLY_MS, GSMHND_IMST_NET_SELECT_WAIT);
        break;
    case GSMHND_IMST_NET_SELECT_WAIT:
        return await(CGsmMsg::GSMREP_OK, [&]() -> int { return finish(GSMHND_IMRET_INIT_OK); });
    default:
        m_initState = GSMHND_IMST_IDLE;
        break;
    }
    return GSMHND_IMRET_BUSY;
}

int CGsmHandler::CheckNetwork() {
    switch (m_networkState) {
    case GSMHND_NSST_IDLE:
        SendRequest(CGsmMsg::GSMREQ_REGISTRATION);
        m_stepTimer.Start(NETWORK_REPLY_MS);
        m_networkState = GSMHND_NSST_CREG_WAIT;
        break;
    case GSMHND_NSST_CREG_WAIT:
        if (TakeReply(CGsmMsg::GSMREP_REGISTRATION)) {
            m_stepTimer.Start(SHORT_PAUSE_MS);
            m_networkState = GSMHND_NSST_CREG_PAUSE;
        } else if (m_stepTimer.Expired()) {
            m_networkState = GSMHND_NSST_IDLE;
            return GSMHND_NSRET_COM_ERROR;
        }
        break;
    case GSMHND_NSST_CREG_PAUSE:
        if (m_stepTimer.Expired()) {
            // 1 registered at home, 5 roaming.
            if (m_registration != 1 && m_registration != 5) {
                m_networkState = GSMHND_NSST_IDLE;
                return GSMHND_NSRET_NOT_REGISTERED;
            }
            m_qualityRetries = 0;
            m_networkState = GSMHND_NSST_CSQ_SEND;
        }
        break;
    case GSMHND_NSST_CSQ_SEND:
        SendRequest(CGsmMsg::GSMREQ_QUALITY);
        m_stepTimer.Start(NETWORK_REPLY_MS);
        m_networkState = GSMHND_NSST_CSQ_WAIT;
        break;
    case GSMHND_NSST_CSQ_WAIT:
        if (TakeReply(CGsmMsg::GSMREP_QUALITY)) {
            m_stepTimer.Start(SHORT_PAUSE_MS);
            m_networkState = GSMHND_NSST_CSQ_PAUSE;
        } else if (m_stepTimer.Expired()) {
            if (m_qualityRetries >= QUALITY_RETRIES) {
                m_networkState = GSMHND_NSST_IDLE;
                return GSMHND_NSRET_COM_ERROR;
            }
            ++m_qualityRetries;
            m_networkState = GSMHND_NSST_CSQ_SEND;
        }
        break;
    case GSMHND_NSST_CSQ_PAUSE:
        if (m_stepTimer.Expired()) {
            m_networkState = GSMHND_NSST_IDLE;
            return GSMHND_NSRET_REGISTERED;
        }
        break;
    default:
        m_networkState = GSMHND_NSST_IDLE;
        break;
    }
    return GSMHND_NSRET_BUSY;
}

int CGsmHandler::ReadSms() {
    switch (m_readSmsState) {
    case GSMHND_RSST_IDLE:
        SendRequest(CGsmMsg::GSMREQ_LIST_SMS);
        m_stepTimer.Start(LIST_REPLY_MS);
        m_readSmsState = GSMHND_RSST_LIST_WAIT;
        break;
    case GSMHND_RSST_LIST_WAIT:
        if (TakeReply(CGsmMsg::GSMREP_OK)) {
            if (!m_receivedSms) {
                m_readSmsState = GSMHND_RSST_IDLE;
                return GSMHND_RSRET_NO_SMS;
            }
            // Reported first, and deleted only once its alarm is stored: an SMS whose alarm is
            // not stored in time, or whose deletion fails, is reported again with a later listing
            // rather than lost with a crash or a power cut.
            if (!m_receivedSmsReported) {
                ReportReceivedSms();
            }
            m_stepTimer.Start(STORE_WAIT_MS);
            m_readSmsState = GSMHND_RSST_STORE_WAIT;
        } else if (m_stepTimer.Expired()) {
            m_readSmsState = GSMHND_RSST_IDLE;
            return GSMHND_RSRET_COM_ERROR;
        }
        break;
    case GSMHND_RSST_STORE_WAIT:
        if (m_receivedSmsStored) {
            SendRequest(CGsmMsg::GSMREQ_DELETE_SMS, m_receivedSms->Index);
            m_stepTimer.Start(LIST_REPLY_MS);
            m_readSmsState = GSMHND_RSST_DELETE_WAIT;
        } else if (m_stepTimer.Expired()) {
            Log(Text::Format("SMS %d not stored in time, kept in the modem to be read again",
                             m_receivedSms->Index));
            m_readSmsState = GSMHND_RSST_IDLE;
            return GSMHND_RSRET_SMS_KEPT;
        }
        break;
    case GSMHND_RSST_DELETE_WAIT:
        if (TakeReply(CGsmMsg::GSMREP_OK)) {
            m_readSmsState = GSMHND_RSST_IDLE;
            return GSMHND_RSRET_SMS_READ;
        }
        if (m_stepTimer.Expired()) {
            Log(Text::Format("AT+CMGD=%d not confirmed, the SMS may be reported again",
                             m_receivedSms->Index));
            m_readSmsState = GSMHND_RSST_IDLE;
            return GSMHND_RSRET_COM_ERROR;
        }
        break;
    default:
        m_readSmsState = GSMHND_RSST_IDLE;
        break;
    }
    return GSMHND_RSRET_BUSY;
}

int CGsmHandler::SendSms() {
    auto log = [&](const char* text) {
        if (m_log) {
            m_log->Write(SEND_SOURCE, text);
        }
    };
    auto finish = [&](int result) {
        m_sendSmsState = GSMHND_SSST_DEST_SEND;
        return result;
    };
    switch (m_sendSmsState) {
    case GSMHND_SSST_DEST_SEND:
        log("GSMHND_SSST_DEST_SEND");
        SendRequest(CGsmMsg::GSMREQ_SEND_DEST, 0, m_currentSms->Recipients);
        m_stepTimer.Start(PROMPT_MS);
        m_sendSmsState = GSMHND_SSST_PROMPT_WAIT;
        break;
    case GSMHND_SSST_PROMPT_WAIT:
        if (TakeReply(CGsmMsg::GSMREP_PROMPT)) {
            log("GSMHND_SSST_PROMPT_WAIT: Prompt received...");
            SendRequest(CGsmMsg::GSMREQ_SEND_TEXT, 0, m_currentSms->SmsText);
            m_stepTimer.Start(SEND_RESULT_MS);
            m_sendSmsState = GSMHND_SSST_RESULT_WAIT;
        } else if (TakeReply(CGsmMsg::GSMREP_ERROR)) {
            // The modem refused the number (an empty or malformed one): a refused attempt, not
            // a communication fault.
            log("GSMHND_SSST_PROMPT_WAIT: SMS Message send ERROR..");
            return finish(GSMHND_SSRET_SEND_ERROR);
        } else if (m_stepTimer.Expired()) {
            log("GSMHND_SSST_PROMPT_WAIT: Prompt timeout...");
            return finish(GSMHND_SSRET_COM_ERROR);
        }
        break;
    case GSMHND_SSST_RESULT_WAIT:
        if (TakeReply(CGsmMsg::GSMREP_SMS_SENT)) {
            log("GSMHND_SSST_RESULT_WAIT: SMS Message sent OK..");
            return finish(GSMHND_SSRET_SEND_DONE);
        }
        if (TakeReply(CGsmMsg::GSMREP_ERROR)) {
            log("GSMHND_SSST_RESULT_WAIT: SMS Message send ERROR..");
            return finish(GSMHND_SSRET_SEND_ERROR);
        }
        if (m_stepTimer.Expired()) {
            log("GSMHND_SSST_RESULT_WAIT: SMS Message result timeout..");
            return finish(GSMHND_SSRET_COM_ERROR);
        }
        break;
    default:
        m_sendSmsState = GSMHND_SSST_DEST_SEND;
        break;
    }
    return GSMHND_SSRET_BUSY;
}

int CGsmHandler::CheckCaller() {
    switch (m_callerState) {
    case GSMHND_ICST_IDLE:
        m_ringSeen = false;
        m_lastCaller.clear();
        [[fallthrough]];
    case GSMHND_ICST_QUERY:
        m_ringSeen = false;
        m_callerNumber.clear();
        SendRequest(CGsmMsg::GSMREQ_CALLS);
        m_stepTimer.Start(CALLER_REPLY_MS);
        m_callerState = GSMHND_ICST_CALLER_WAIT;
        break;
    case GSMHND_ICST_CALLER_WAIT:
        if (TakeReply(CGsmMsg::GSMREP_CALLER)) {
            m_stepTimer.Start(RING_GONE_MS);
            m_callerState = GSMHND_ICST_RING_WAIT;
            // Each call is reported once, however often the modem rings; a withheld number
            // (empty) is never reported.
            if (m_callerNumber != m_lastCaller) {
                m_lastCaller = m_callerNumber;
                return GSMHND_ICRET_NEW_CALLER;
            }
        } else if (TakeReply(CGsmMsg::GSMREP_OK)) {
            // No call listed: the caller hung up before we asked.
            m_callerState = GSMHND_ICST_IDLE;
            return GSMHND_ICRET_CALL_ENDED;
        } else if (m_stepTimer.Expired()) {
            m_callerState = GSMHND_ICST_IDLE;
            return GSMHND_ICRET_COM_ERROR;
        }
        break;
    case GSMHND_ICST_RING_WAIT:
        if (m_ringSeen) {
            m_callerState = GSMHND_ICST_QUERY;
        } else if (m_stepTimer.Expired()) {
            m_callerState = GSMHND_ICST_IDLE;
            return GSMHND_ICRET_CALL_ENDED;
        }
        break;
    default:
        m_callerState = GSMHND_ICST_IDLE;
        break;
    }
    return GSMHND_ICRET_BUSY;
}
