#include "CpcProtCom.h"

#include "CpcInfo.h"

#include <string>

namespace {

constexpr const char* RECEIVE_SOURCE = "CCpcProtCom::ReceiveMsg";
constexpr const char* DISCONNECT_SOURCE = "CCpcProtCom::SendDisconnect";
constexpr const char* TIME_UPDATE_SOURCE = "CCpcProtCom::SendTimeUpdate";

bool IsNegativeReport(std::uint16_t result) {
    return result == TELHND_SRRET_START_TIMEOUT || result == TELHND_SRRET_RETRIES_EXCEEDED;
}

} // namespace

CCpcProtCom::CCpcProtCom(const IClock& clock) : CProtCom(clock) {}

CCpcProtCom::~CCpcProtCom() = default;

std::uint16_t CCpcProtCom::SendRequest(std::uint16_t requestKind, std::unique_ptr<CTelHandlerMsg>& reply) {
    if (m_telHandler == nullptr) {
        return TELHND_SRRET_COM_ERROR;
    }
    return m_telHandler->SendReceive(TELHND_PROTOCOL_CPC, requestKind, reply);
}

bool CCpcProtCom::IsAckOk(const CTelHandlerMsg* reply) {
    return reply != nullptr && reply->MsgType == CTelHandlerMsg::MSGTYPE_ACK && reply->Value == 1;
}

std::uint16_t CCpcProtCom::Finish(std::uint16_t result) {
    m_receiveState = CPCPROTCOM_RMST_IDLE;
    // Whatever is still held here was not handed out: it is discarded with the failed exchange.
    m_alarm.reset();
    return result;
}

std::uint16_t CCpcProtCom::ReceiveNegative(const char* stateName) {
    LogF(RECEIVE_SOURCE, "%s: Error/Timeout", stateName);
    if (--m_retries <= 0) {
        return Finish(PROTCOM_RMRET_RECEIVE_TIMEOUT);
    }
    return PROTCOM_RMRET_BUSY;
}

std::uint16_t CCpcProtCom::ReceiveNotOk(std::uint16_t result, const char* stateName) {
    if (IsNegativeReport(result)) {
        return ReceiveNegative(stateName);
    }
    if (result == TELHND_SRRET_COM_ERROR) {
        return ReceiveComError(stateName);
    }
    return PROTCOM_RMRET_BUSY;
}

std::uint16_t CCpcProtCom::ReceiveComError(const char* stateName) {
    LogF(RECEIVE_SOURCE, "%s: TELHND_SRRET_COM_ERROR", stateName);
    return Finish(PROTCOM_RMRET_COM_ERROR);
}

std::uint16_t CCpcProtCom::ReceiveMsg(std::unique_ptr<CTelHandlerMsg>& record) {
    switch (m_receiveState) {
    case CPCPROTCOM_RMST_IDLE:
        m_retries = CPC_RETRIES;
        m_alarm.reset();
        m_receiveState = CPCPROTCOM_RMST_REQ_ID;
        return PROTCOM_RMRET_BUSY;
    case CPCPROTCOM_RMST_REQ_ID:
        return ReceiveReqId();
    case CPCPROTCOM_RMST_REQ_ALARMCODE:
        return ReceiveReqAlarmCode();
    case CPCPROTCOM_RMST_SEND_ALARM_ACK:
        return ReceiveSendAlarmAck(record);
    case CPCPROTCOM_RMST_SEND_DISCONNECT:
        return ReceiveSendDisconnect(record);
    default:
        return Finish(PROTCOM_RMRET_RECEIVE_ERROR);
    }
}

std::uint16_t CCpcProtCom::ReceiveReqId() {
    constexpr const char* STATE = "CPCPROTCOM_RMST_REQ_ID";
    std::unique_ptr<CTelHandlerMsg> reply;
    const std::uint16_t result = SendRequest(CPC_REQ_ID, reply);
    if (result == TELHND_SRRET_RECEIVE_OK) {
        LogF(RECEIVE_SOURCE, "%s: TELHND_SRRET_RECEIVE_OK", STATE);
        if (reply != nullptr && reply->MsgType == CTelHandlerMsg::MSGTYPE_MODELCODE) {
            m_modelCode = reply->Value;
            LogF(RECEIVE_SOURCE, "Model Code: %d", int(m_modelCode));
            m_retries = CPC_RETRIES;
            m_receiveState = CPCPROTCOM_RMST_REQ_ALARMCODE;
            return PROTCOM_RMRET_BUSY;
        }
        Log(RECEIVE_SOURCE, "");
        return Finish(PROTCOM_RMRET_RECEIVE_ERROR);
    }
    return ReceiveNotOk(result, STATE);
}

std::uint16_t CCpcProtCom::ReceiveReqAlarmCode() {
    constexpr const char* STATE = "CPCPROTCOM_RMST_REQ_ALARMCODE";
    std::unique_ptr<CTelHandlerMsg> reply;
    const std::uint16_t result = SendRequest(CPC_REQ_ALARMCODE, reply);
    if (result == TELHND_SRRET_RECEIVE_OK) {
        LogF(RECEIVE_SOURCE, "%s: TELHND_SRRET_RECEIVE_OK", STATE);
        const std::uint8_t type =
            reply != nullptr ? reply->MsgType : std::uint8_t{CTelHandlerMsg::MSGTYPE_NONE};
        if (type == CTelHandlerMsg::MSGTYPE_VOICE) {
            LogF(RECEIVE_SOURCE, "MsgType: Voice, ID: %s", reply->ID.c_str());
            m_ackKind = CPC_REQ_ACK_VOICE;
        } else if (type == CTelHandlerMsg::MSGTYPE_OPFAIL || type == CTelHandlerMsg::MSGTYPE_TESTALARM) {
            LogF(RECEIVE_SOURCE, "MsgType: %d, ID: %s, OfType: %d", int(type), reply->ID.c_str(),
                 int(reply->OfType));
            m_ackKind = CPC_REQ_ACK_OTHER;
        } else {
            Log(RECEIVE_SOURCE, "Unknown message type");
            return Finish(PROTCOM_RMRET_RECEIVE_ERROR);
        }
        m_alarm = std::move(reply);
        // The telephone's model code travels with its alarm.
        m_alarm->Value = m_modelCode;
        m_retries = CPC_RETRIES;
        m_receiveState = CPCPROTCOM_RMST_SEND_ALARM_ACK;
        return PROTCOM_RMRET_BUSY;
    }
    return ReceiveNotOk(result, STATE);
}

std::uint16_t CCpcProtCom::ReceiveSendAlarmAck(std::unique_ptr<CTelHandlerMsg>& record) {
    constexpr const char* STATE = "CPCPROTCOM_RMST_SEND_ALARM_ACK";
    std::unique_ptr<CTelHandlerMsg> reply;
    const std::uint16_t result = SendRequest(m_ackKind, reply);
    if (result == TELHND_SRRET_RECEIVE_OK) {
        LogF(RECEIVE_SOURCE, "%s: TELHND_SRRET_RECEIVE_OK", STATE);
        if (IsAckOk(reply.get()) && m_alarm != nullptr) {
            if (m_alarm->MsgType == CTelHandlerMsg::MSGTYPE_VOICE) {
                m_timeUpdateCountdown = TIME_UPDATE_PERIOD;
                Log(RECEIVE_SOURCE, "Ack OK, MessageType: Voice");
                record = std::move(m_alarm);
                return Finish(PROTCOM_RMRET_VOICE);
            }
            Log(RECEIVE_SOURCE, "Ack OK, MessageType: Battery/TestAlarm");
            m_retries = CPC_RETRIES;
            m_receiveState = CPCPROTCOM_RMST_SEND_DISCONNECT;
            return PROTCOM_RMRET_BUSY;
        }
        Log(RECEIVE_SOURCE, "Invalid message type or Nack");
        return Finish(PROTCOM_RMRET_RECEIVE_ERROR);
    }
    return ReceiveNotOk(result, STATE);
}

// The telephone answered "Ack OK" to the acknowledgement before this step: it holds the alarm for
// delivered and will not call again. However the disconnect goes, the alarm is handed out and the
// call ends as after a good exchange.
std::uint16_t CCpcProtCom::ReceiveSendDisconnect(std::unique_ptr<CTelHandlerMsg>& record) {
    constexpr const char* STATE = "CPCPROTCOM_RMST_SEND_DISCONNECT";
    std::unique_ptr<CTelHandlerMsg> reply;
    const std::uint16_t result = SendRequest(CPC_REQ_DISCONNECT, reply);
    bool confirmed = false;
    if (result == TELHND_SRRET_RECEIVE_OK) {
        LogF(RECEIVE_SOURCE, "%s: TELHND_SRRET_RECEIVE_OK", STATE);
        confirmed = IsAckOk(reply.get());
        Log(RECEIVE_SOURCE, confirmed ? "Ack OK" : "Invalid message type or Nack");
    } else if (IsNegativeReport(result)) {
        LogF(RECEIVE_SOURCE, "%s: Error/Timeout", STATE);
        if (--m_retries > 0) {
            return PROTCOM_RMRET_BUSY;
        }
    } else if (result == TELHND_SRRET_COM_ERROR) {
        LogF(RECEIVE_SOURCE, "%s: TELHND_SRRET_COM_ERROR", STATE);
    } else {
        return PROTCOM_RMRET_BUSY;
    }
    if (m_alarm == nullptr) {
        return Finish(PROTCOM_RMRET_RECEIVE_ERROR);
    }
    if (!confirmed) {
        Log(RECEIVE_SOURCE, "Disconnect not confirmed, the acknowledged alarm is handed out");
    }
    record = std::move(m_alarm);
    return Finish(PROTCOM_RMRET_DONE);
}

// SendDisconnect and SendTimeUpdate are one machine with different requests, texts and states.
// Their result codes share the same numbers.
static_assert(PROTCOM_SDRET_BUSY == PROTCOM_STRET_BUSY && PROTCOM_SDRET_DONE == PROTCOM_STRET_DONE &&
              PROTCOM_SDRET_RECEIVE_ERROR == PROTCOM_STRET_RECEIVE_ERROR &&
              PROTCOM_SDRET_RECEIVE_TIMEOUT == PROTCOM_STRET_RECEIVE_TIMEOUT &&
              PROTCOM_SDRET_COM_ERROR == PROTCOM_STRET_COM_ERROR);

std::uint16_t CCpcProtCom::SendAcknowledged(std::int32_t& state, std::uint16_t requestKind,
                                            const char* source, const char* stateName) {
    if (state == 0) {
        m_retries = CPC_RETRIES;
        state = 1;
        return PROTCOM_SDRET_BUSY;
    }
    std::unique_ptr<CTelHandlerMsg> reply;
    const std::uint16_t result = SendRequest(requestKind, reply);
    std::uint16_t done = PROTCOM_SDRET_BUSY;
    if (result == TELHND_SRRET_RECEIVE_OK) {
        if (IsAckOk(reply.get())) {
            LogF(source, "%s: TELHND_SRRET_RECEIVE_OK - Ack OK", stateName);
            done = PROTCOM_SDRET_DONE;
        } else {
            LogF(source, "%s: TELHND_SRRET_RECEIVE_OK - Nack", stateName);
            done = PROTCOM_SDRET_RECEIVE_ERROR;
        }
    } else if (IsNegativeReport(result)) {
        LogF(source, "%s: Error/Timeout", stateName);
        if (--m_retries <= 0) {
            done = PROTCOM_SDRET_RECEIVE_TIMEOUT;
        }
    } else if (result == TELHND_SRRET_COM_ERROR) {
        LogF(source, "%s: TELHND_SRRET_COM_ERROR", stateName);
        done = PROTCOM_SDRET_COM_ERROR;
    }
    if (done != PROTCOM_SDRET_BUSY) {
        state = 0;
    }
    return done;
}

std::uint16_t CCpcProtCom::SendDisconnect() {
    return SendAcknowledged(m_disconnectState, CPC_REQ_DISCONNECT, DISCONNECT_SOURCE, "CPCPROTCOM_SDST_SEND");
}

std::uint16_t CCpcProtCom::SendTimeUpdate() {
    return SendAcknowledged(m_timeUpdateState, CPC_REQ_TIME_UPDATE, TIME_UPDATE_SOURCE,
                            "CPCPROTCOM_STST_SEND");
}

std::uint16_t CCpcProtCom::IsTimeUpdateDue(std::uint16_t /*remainingSeconds*/) {
    std::uint16_t due = 0;
    if (m_timeUpdateCountdown <= 0) {
        m_timeUpdateCountdown = TIME_UPDATE_PERIOD;
        due = 1;
    }
    --m_timeUpdateCountdown;
    return due;
}
