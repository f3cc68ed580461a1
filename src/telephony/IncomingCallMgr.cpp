#include "IncomingCallMgr.h"

#include "CpcProtCom.h"
#include "MsgKinds.h"
#include "P100ProtCom.h"

namespace {
constexpr const char* RING_SOURCE = "CIncomingCallMgr::RingDetect";
constexpr const char* CALL_SOURCE = "CIncomingCallMgr::IncomingCall";
} // namespace

CIncomingCallMgr::CIncomingCallMgr(const IClock& clock, std::unique_ptr<CProtCom> cpc,
                                   std::unique_ptr<CProtCom> p100)
    : m_p100(std::move(p100)), m_cpc(std::move(cpc)), m_callTimer(clock), m_ringTimer(clock),
      m_hookTimer(clock) {
    if (!m_cpc) {
        m_cpc = std::make_unique<CCpcProtCom>(clock);
    }
    if (!m_p100) {
        m_p100 = std::make_unique<CP100ProtCom>(clock);
    }
}

CIncomingCallMgr::~CIncomingCallMgr() = default;

void CIncomingCallMgr::Init(ITelLine* line, ITelPrimitives* primitives, std::int32_t voiceCallEnabled,
                            CLogFile* log, std::int32_t p100Enabled, std::int32_t cpcEnabled,
                            std::int16_t ringSignals, std::int32_t redirectMode) {
    m_line = line;
    m_voiceCallEnabled = voiceCallEnabled;
    m_log = log;
    m_p100Enabled = p100Enabled;
    m_cpcEnabled = cpcEnabled;
    m_ringSignals = ringSignals;
    m_redirectMode = redirectMode;
    m_cpc->Init(primitives, log);
    m_p100->Init(primitives, log);
    m_protocolCount = 0;
    if (m_cpcEnabled != 0) {
        m_protocols[m_protocolCount++] = m_cpc.get();
    }
    if (m_p100Enabled != 0) {
        m_protocols[m_protocolCount++] = m_p100.get();
    }
    m_callState = ICMGR_ICST_IDLE;
    m_ringState = ICMGR_RDST_IDLE;
    m_ringCount = 0;
}

void CIncomingCallMgr::LogRing(const char* text) {
    if (m_log != nullptr) {
        m_log->Write(RING_SOURCE, text);
    }
}

void CIncomingCallMgr::LogCall(const char* text) {
    if (m_log != nullptr) {
        m_log->Write(CALL_SOURCE, text);
    }
}

bool CIncomingCallMgr::RingDetect() {
    if (m_line == nullptr) {
        return false;
    }
    if (m_ringState != ICMGR_RDST_IDLE && m_ringTimer.Expired()) {
        LogRing("Timeout between ring signals");
        m_ringState = ICMGR_RDST_IDLE;
    }
    const bool ring = (m_line->ModemFlags() & TELFLAG_RING) != 0;
    switch (m_ringState) {
    case ICMGR_RDST_IDLE:
        if (m_ringSignals > 0 && ring) {
            LogRing("ICMGR_RDST_IDLE: Ring signal detected");
            m_ringCount = 0;
            m_ringTimer.Start(RING_MAX_MS);
            m_ringState = ICMGR_RDST_RING_DURATION;
        }
        break;
    case ICMGR_RDST_RING_DURATION:
        if (!ring) {
            ++m_ringCount;
            if (m_ringCount >= static_cast<std::uint16_t>(m_ringSignals)) {
                LogRing("ICMGR_RDST_RING_DURATION: No of ring signals accepted");
                m_ringState = ICMGR_RDST_IDLE;
                return true;
            }
            LogRing("ICMGR_RDST_RING_DURATION: Ring signal pause");
            m_ringTimer.Start(RING_PAUSE_MAX_MS);
            m_ringState = ICMGR_RDST_RING_PAUSE;
        }
        break;
    case ICMGR_RDST_RING_PAUSE:
        if (ring) {
            LogRing("ICMGR_RDST_RING_PAUSE: Ring signal detected");
            m_ringTimer.Start(RING_MAX_MS);
            m_ringState = ICMGR_RDST_RING_DURATION;
        }
        break;
    default:
        m_ringState = ICMGR_RDST_IDLE;
        break;
    }
    return false;
}

std::unique_ptr<CTelHandlerMsg> CIncomingCallMgr::Event(std::uint16_t value, std::uint16_t seconds) {
    auto msg = std::make_unique<CTelHandlerMsg>(MsgKind::TEL_CALL_EVENT);
    msg->Value = value;
    msg->Seconds = seconds;
    return msg;
}

std::uint16_t CIncomingCallMgr::RedirectOrDisconnect() const {
    return (Current() != nullptr && Current()->CanRedirect() == 1) ? ICMGR_ICST_SEND_REDIRECT
                                                                   : ICMGR_ICST_SEND_DISCONNECT;
}

std::unique_ptr<CTelHandlerMsg> CIncomingCallMgr::EndVoiceCall(std::uint16_t event, std::uint16_t nextState) {
    m_line->VoiceCall(0);
    m_callState = nextState;
    return Event(event);
}

std::unique_ptr<CTelHandlerMsg> CIncomingCallMgr::IncomingCall(bool comError) {
    if (m_line == nullptr) {
        return nullptr;
    }
    switch (m_callState) {
    case ICMGR_ICST_IDLE:
        LogCall("ICMGR_ICST_IDLE");
        m_abort = 0;
        m_protocolIndex = 0;
        m_callState = ICMGR_ICST_LINE_CONNECT;
        return nullptr;

    case ICMGR_ICST_LINE_CONNECT:
        switch (m_line->LineConnect(1)) {
        case TELHND_LCRET_OK:
            LogCall("ICMGR_ICST_LINE_CONNECT: Line connect OK");
            m_callTimer.Start(PRE_DELAY_MS);
            m_callState = ICMGR_ICST_PRE_DELAY;
            break;
        case TELHND_LCRET_BUSY:
            break;
        default:
            LogCall("ICMGR_ICST_LINE_CONNECT: Serial communication error");
            m_callState = ICMGR_ICST_LINE_DISCONNECT;
            break;
        }
        return nullptr;

    case ICMGR_ICST_PRE_DELAY:
        if (m_callTimer.Expired()) {
            LogCall("ICMGR_ICST_PRE_DELAY: Delay done");
            m_callState = ICMGR_ICST_RECEIVE_MSG;
        }
        return nullptr;

    case ICMGR_ICST_RECEIVE_MSG:
        return StepReceive();

    case ICMGR_ICST_NEXT_PROTOCOL:
        ++m_protocolIndex;
        m_callState =
            (m_protocolIndex < m_protocolCount) ? ICMGR_ICST_RECEIVE_MSG : ICMGR_ICST_LINE_DISCONNECT;
        return nullptr;

    case ICMGR_ICST_VOICECALL_NOTIFY:
        return StepNotify(comError);
    case ICMGR_ICST_VOICECALL_COMM:
        return StepComm(comError);
    case ICMGR_ICST_SEND_TIME_UPDATE:
        return StepTimeUpdate();

    case ICMGR_ICST_SEND_DISCONNECT: {
        const std::uint16_t r = Current() != nullptr ? Current()->SendDisconnect() : PROTCOM_SDRET_COM_ERROR;
        switch (r) {
        case PROTCOM_SDRET_BUSY:
            return nullptr;
        case PROTCOM_SDRET_DONE:
            LogCall("ICMGR_ICST_SEND_DISCONNECT: PROTCOM_SDRET_DONE");
            break;
        case PROTCOM_SDRET_RECEIVE_ERROR:
            LogCall("ICMGR_ICST_SEND_DISCONNECT: PROTCOM_SDRET_RECEIVE_ERROR");
            break;
        case PROTCOM_SDRET_RECEIVE_TIMEOUT:
            LogCall("ICMGR_ICST_SEND_DISCONNECT: PROTCOM_SDRET_RECEIVE_TIMEOUT");
            break;
        default:
            LogCall("ICMGR_ICST_SEND_DISCONNECT: PROTCOM_SDRET_COM_ERROR");
            break;
        }
        m_callState = ICMGR_ICST_LINE_DISCONNECT;
        return nullptr;
    }

    case ICMGR_ICST_SEND_REDIRECT: {
        const std::uint16_t r =
            Current() != nullptr ? Current()->SendRedirect(m_redirectMode) : PROTCOM_SDRET_COM_ERROR;
        switch (r) {
        case PROTCOM_SDRET_BUSY:
            return nullptr;
        case PROTCOM_SDRET_DONE:
            LogCall("ICMGR_ICST_SEND_REDIRECT: PROTCOM_SDRET_DONE");
            break;
        case PROTCOM_SDRET_COM_ERROR:
            LogCall("ICMGR_ICST_SEND_REDIRECT: PROTCOM_SDRET_COM_ERROR");
            break;
        default:
            // No protocol gives another result; should one, the line must still be released
            // rather than redirecting for ever.
            if (m_log != nullptr) {
                m_log->WriteF(CALL_SOURCE, "ICMGR_ICST_SEND_REDIRECT: Unexpected result %u", unsigned(r));
            }
            break;
        }
        m_callState = ICMGR_ICST_LINE_DISCONNECT;
        return nullptr;
    }

    case ICMGR_ICST_POST_DELAY:
        if (m_callTimer.Expired()) {
            LogCall("ICMGR_ICST_POST_DELAY: Delay done");
            m_callState = ICMGR_ICST_LINE_DISCONNECT;
        }
        return nullptr;

    case ICMGR_ICST_LINE_DISCONNECT:
    default: {
        const std::uint16_t r = m_line->LineConnect(0);
        if (r == TELHND_LCRET_BUSY) {
            return nullptr;
        }
        LogCall(r == TELHND_LCRET_OK ? "ICMGR_ICST_LINE_DISCONNECT: TELHND_LCRET_OK"
                                     : "ICMGR_ICST_LINE_DISCONNECT: TELHND_LCRET_COM_ERROR");
        m_callState = ICMGR_ICST_IDLE;
        return std::make_unique<CTelHandlerMsg>(MsgKind::TEL_CALL_FINISHED);
    }
    }
}

std::unique_ptr<CTelHandlerMsg> CIncomingCallMgr::StepReceive() {
    CProtCom* protocol = Current();
    if (protocol == nullptr) {
        m_callState = ICMGR_ICST_LINE_DISCONNECT;
        return nullptr;
    }
    std::unique_ptr<CTelHandlerMsg> record;
    switch (protocol->ReceiveMsg(record)) {
    case PROTCOM_RMRET_BUSY:
        return nullptr;
    case PROTCOM_RMRET_DONE:
        m_callTimer.Start(POST_DELAY_MS);
        m_callState = ICMGR_ICST_POST_DELAY;
        return record;
    case PROTCOM_RMRET_VOICE:
        if (m_unattended != 0) {
            if (protocol->CanRedirect() == 1) {
                if (record) {
                    record->MsgType = CTelHandlerMsg::MSGTYPE_VOICE_REDIRECTED;
                }
                m_callState = ICMGR_ICST_SEND_REDIRECT;
            } else {
                m_callState = ICMGR_ICST_SEND_DISCONNECT;
            }
        } else if (m_voiceCallEnabled != 0) {
            m_line->VoiceCall(1);
            m_countdown = PICK_UP_SECONDS;
            // The first second of ringing is reported at once.
            m_callTimer.Start(0);
            m_callState = ICMGR_ICST_VOICECALL_NOTIFY;
        } else {
            m_callState = ICMGR_ICST_SEND_DISCONNECT;
        }
        return record;
    case PROTCOM_RMRET_MESSAGE:
        return record;
    case PROTCOM_RMRET_RECEIVE_ERROR:
        LogCall("ICMGR_ICST_RECEIVE_MSG: Protocol receive error");
        m_callState = ICMGR_ICST_SEND_DISCONNECT;
        return nullptr;
    case PROTCOM_RMRET_RECEIVE_TIMEOUT:
        LogCall("ICMGR_ICST_RECEIVE_MSG: Protocol receive timeout");
        m_callState = ICMGR_ICST_NEXT_PROTOCOL;
        return nullptr;
    case PROTCOM_RMRET_COM_ERROR:
    default:
        LogCall("ICMGR_ICST_RECEIVE_MSG: Serial communication error");
        m_callState = ICMGR_ICST_LINE_DISCONNECT;
        return nullptr;
    }
}

std::unique_ptr<CTelHandlerMsg> CIncomingCallMgr::StepNotify(bool comError) {
    if (!m_callTimer.Expired()) {
        if (OffHook()) {
            LogCall("ICMGR_ICST_VOICECALL_NOTIFY: Off Hook Detected");
            m_countdown = static_cast<std::int16_t>(m_countdown + TALK_EXTRA_SECONDS);
            m_hookTimer.Start(HOOK_GRACE_MS);
            m_callState = ICMGR_ICST_VOICECALL_COMM;
            return nullptr;
        }
        if (m_abort != 0) {
            LogCall("ICMGR_ICST_VOICECALL_NOTIFY: Aborted");
            return EndVoiceCall(ICMGR_EVENT_ABORTED, RedirectOrDisconnect());
        }
        if (comError) {
            LogCall("ICMGR_ICST_VOICECALL_NOTIFY: ComTimeout");
            return EndVoiceCall(ICMGR_EVENT_ABORTED, ICMGR_ICST_LINE_DISCONNECT);
        }
        return nullptr;
    }
    if (m_countdown < 1) {
        LogCall("ICMGR_ICST_VOICECALL_NOTIFY - Timeout");
        return EndVoiceCall(ICMGR_EVENT_TIME_LIMIT, RedirectOrDisconnect());
    }
    auto event = Event(m_countdown % 5 == 0 ? ICMGR_EVENT_OPERATOR_CALLED_5 : ICMGR_EVENT_OPERATOR_CALLED,
                       static_cast<std::uint16_t>(m_countdown));
    m_callTimer.Start(TICK_MS);
    if (Current() != nullptr && Current()->IsTimeUpdateDue(static_cast<std::uint16_t>(m_countdown)) == 1) {
        m_returnState = ICMGR_ICST_VOICECALL_NOTIFY;
        m_callState = ICMGR_ICST_SEND_TIME_UPDATE;
    }
    --m_countdown;
    return event;
}

std::unique_ptr<CTelHandlerMsg> CIncomingCallMgr::StepComm(bool comError) {
    if (!m_callTimer.Expired()) {
        if (m_hookTimer.Expired() && !OffHook()) {
            LogCall("ICMGR_ICST_VOICECALL_COMM: OnHook Detected");
            return EndVoiceCall(ICMGR_EVENT_HUNG_UP, ICMGR_ICST_SEND_DISCONNECT);
        }
        if (m_abort != 0) {
            LogCall("ICMGR_ICST_VOICECALL_COMM: Aborted");
            return EndVoiceCall(ICMGR_EVENT_ABORTED, ICMGR_ICST_SEND_DISCONNECT);
        }
        if (comError) {
            LogCall("ICMGR_ICST_VOICECALL_COMM: ComTimeout");
            return EndVoiceCall(ICMGR_EVENT_ABORTED, ICMGR_ICST_LINE_DISCONNECT);
        }
        return nullptr;
    }
    if (m_countdown < 1) {
        LogCall("ICMGR_ICST_VOICECALL_COMM - Timeout");
        return EndVoiceCall(ICMGR_EVENT_TIME_LIMIT, ICMGR_ICST_SEND_DISCONNECT);
    }
    auto event = Event(ICMGR_EVENT_VOICE_CALL, static_cast<std::uint16_t>(m_countdown));
    m_callTimer.Start(TICK_MS);
    if (Current() != nullptr && Current()->IsTimeUpdateDue(static_cast<std::uint16_t>(m_countdown)) == 1) {
        m_returnState = ICMGR_ICST_VOICECALL_COMM;
        m_callState = ICMGR_ICST_SEND_TIME_UPDATE;
    }
    --m_countdown;
    return event;
}

std::unique_ptr<CTelHandlerMsg> CIncomingCallMgr::StepTimeUpdate() {
    const std::uint16_t r = Current() != nullptr ? Current()->SendTimeUpdate() : PROTCOM_STRET_COM_ERROR;
    switch (r) {
    case PROTCOM_STRET_BUSY:
        return nullptr;
    case PROTCOM_STRET_DONE:
        LogCall("ICMGR_ICST_SEND_TIME_UPDATE: PROTCOM_STRET_DONE");
        m_callState = m_returnState;
        return nullptr;
    case PROTCOM_STRET_RECEIVE_ERROR:
    case PROTCOM_STRET_RECEIVE_TIMEOUT:
        LogCall("ICMGR_ICST_SEND_TIME_UPDATE: Error/Timeout");
        return EndVoiceCall(ICMGR_EVENT_ABORTED, ICMGR_ICST_LINE_DISCONNECT);
    default:
        LogCall("ICMGR_ICST_SEND_TIME_UPDATE: PROTCOM_STRET_COM_ERROR");
        return EndVoiceCall(ICMGR_EVENT_ABORTED, ICMGR_ICST_LINE_DISCONNECT);
    }
}
