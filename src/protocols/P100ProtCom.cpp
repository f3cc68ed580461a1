#include "P100ProtCom.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr const char* RECEIVE_SOURCE = "CP100ProtCom::ReceiveMsg";
constexpr const char* DISCONNECT_SOURCE = "CP100ProtCom::SendDisconnect";
constexpr const char* REDIRECT_SOURCE = "CP100ProtCom::SendRedirect";

std::string Format(const char* format, auto... args) {
    char text[160];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}

} // namespace

CP100ProtCom::CP100ProtCom(const IClock& clock) : CProtCom(clock) {}

CP100ProtCom::~CP100ProtCom() = default;

std::uint16_t CP100ProtCom::FinishReceive(std::uint16_t result) {
    m_receiveState = P100PROTCOM_RMST_IDLE;
    return result;
}

std::uint16_t CP100ProtCom::ReceiveMsg(std::unique_ptr<CTelHandlerMsg>& record) {
    if (m_receiveState != P100PROTCOM_RMST_RECEIVE) {
        m_retries = P100_RETRIES;
        m_attempt = 1;
        m_userId.clear();
        m_userIdType = 0;
        m_userModelCode = 0;
        m_receiveState = P100PROTCOM_RMST_RECEIVE;
        return PROTCOM_RMRET_BUSY;
    }
    std::unique_ptr<CTelHandlerMsg> msg;
    const std::uint16_t result = m_telHandler != nullptr
                                     ? m_telHandler->SendReceive(TELHND_PROTOCOL_P100, m_attempt, msg)
                                     : TELHND_SRRET_COM_ERROR;
    switch (result) {
    case TELHND_SRRET_RECEIVE_OK:
        Log(RECEIVE_SOURCE, "P100PROTCOM_RMST_RECEIVE: P100 Message received OK");
        return ReceiveOk(std::move(msg), record);
    case TELHND_SRRET_START_TIMEOUT:
        if (--m_retries > 0) {
            Log(RECEIVE_SOURCE, "P100PROTCOM_RMST_RECEIVE: Start Timeout, retrying");
            // The modem takes the attempt number as one byte: hold it at the top rather than wrap to 0.
            if (m_attempt < MAX_ATTEMPT) {
                ++m_attempt;
            }
            return PROTCOM_RMRET_BUSY;
        }
        Log(RECEIVE_SOURCE, "P100PROTCOM_RMST_RECEIVE: Start Timeout, max exceeded");
        return FinishReceive(PROTCOM_RMRET_RECEIVE_TIMEOUT);
    case TELHND_SRRET_RETRIES_EXCEEDED:
        Log(RECEIVE_SOURCE, "P100PROTCOM_RMST_RECEIVE: No of retries exceeded");
        return FinishReceive(PROTCOM_RMRET_RECEIVE_TIMEOUT);
    // The modem retries by itself after these; keep waiting for its next report.
    case TELHND_SRRET_MESSAGE_TIMEOUT:
        Log(RECEIVE_SOURCE, "P100PROTCOM_RMST_RECEIVE: Message timeout, retrying");
        return PROTCOM_RMRET_BUSY;
    case TELHND_SRRET_CHECKSUM_ERROR:
        Log(RECEIVE_SOURCE, "P100PROTCOM_RMST_RECEIVE: Checksum error, retrying");
        return PROTCOM_RMRET_BUSY;
    case TELHND_SRRET_TIMING_ERROR:
        Log(RECEIVE_SOURCE, "P100PROTCOM_RMST_RECEIVE: Timing error, retrying");
        return PROTCOM_RMRET_BUSY;
    case TELHND_SRRET_COM_ERROR:
        Log(RECEIVE_SOURCE, "P100PROTCOM_RMST_RECEIVE: Serial communication error");
        return FinishReceive(PROTCOM_RMRET_COM_ERROR);
    default:
        return PROTCOM_RMRET_BUSY;
    }
}

std::uint16_t CP100ProtCom::ReceiveOk(std::unique_ptr<CTelHandlerMsg> msg,
                                      std::unique_ptr<CTelHandlerMsg>& record) {
    std::string text;
    std::uint16_t result = PROTCOM_RMRET_BUSY;
    const std::uint8_t type = msg != nullptr ? msg->MsgType : std::uint8_t{CTelHandlerMsg::MSGTYPE_NONE};
    switch (type) {
    case CTelHandlerMsg::MSGTYPE_ALARM:
    case CTelHandlerMsg::MSGTYPE_OPFAIL:
    case CTelHandlerMsg::MSGTYPE_TESTALARM:
        text = Format("MsgType: %d, ID: %s, IdType: %d, ModelCode: %d, OfType: %d", int(type),
                      msg->ID.c_str(), int(msg->IdType), int(msg->ModelCode), int(msg->OfType));
        record = std::move(msg);
        result = FinishReceive(PROTCOM_RMRET_DONE);
        break;
    case CTelHandlerMsg::MSGTYPE_VOICE:
        text = Format("MsgType: Voice, ID: %s, IdType: %d, ModelCode: %d", msg->ID.c_str(), int(msg->IdType),
                      int(msg->ModelCode));
        record = std::move(msg);
        result = FinishReceive(PROTCOM_RMRET_VOICE);
        break;
    case CTelHandlerMsg::MSGTYPE_USERID:
        text = Format("MsgType: UserId, ID: %s, IdType: %d, ModelCode: %d", msg->ID.c_str(), int(msg->IdType),
                      int(msg->ModelCode));
        m_userId = msg->ID;
        m_userIdType = msg->IdType;
        m_userModelCode = msg->ModelCode;
        m_retries = P100_RETRIES;
        break;
    case CTelHandlerMsg::MSGTYPE_USERDATA:
        if (m_userId.empty()) {
            text = "UserData without ID";
            result = FinishReceive(PROTCOM_RMRET_RECEIVE_ERROR);
            break;
        }
        text = "MsgType: UserData, Data: ";
        for (std::size_t i = 0; i < std::min<std::size_t>(msg->UserDataLen, msg->UserData.size()); ++i) {
            text += Format("%02X", unsigned(msg->UserData[i]));
        }
        msg->ID = m_userId;
        msg->IdType = m_userIdType;
        msg->ModelCode = m_userModelCode;
        record = std::move(msg);
        // A monitoring unit may pause between its data messages.
        m_retries = P100_USERDATA_RETRIES;
        result = PROTCOM_RMRET_MESSAGE;
        break;
    default:
        text = "Unknown message type";
        result = FinishReceive(PROTCOM_RMRET_RECEIVE_ERROR);
        break;
    }
    Log(RECEIVE_SOURCE, text);
    return result;
}

std::unique_ptr<CBufferMsg> CP100ProtCom::BuildCommand(std::initializer_list<std::uint8_t> bytes) {
    auto command = std::make_unique<CBufferMsg>();
    std::copy(bytes.begin(), bytes.end(), command->Data.begin());
    command->Length = static_cast<std::uint16_t>(bytes.size());
    return command;
}

// The step numbers are the same for both machines (P100PROTCOM_SDST_* and P100PROTCOM_SRST_*).
static_assert(CP100ProtCom::P100PROTCOM_SDST_IDLE == CP100ProtCom::P100PROTCOM_SRST_IDLE &&
              CP100ProtCom::P100PROTCOM_SDST_WAIT_BEFORE == CP100ProtCom::P100PROTCOM_SRST_WAIT_BEFORE &&
              CP100ProtCom::P100PROTCOM_SDST_SEND == CP100ProtCom::P100PROTCOM_SRST_SEND &&
              CP100ProtCom::P100PROTCOM_SDST_WAIT_AFTER == CP100ProtCom::P100PROTCOM_SRST_WAIT_AFTER);

std::uint16_t CP100ProtCom::SendRawCommand(std::int32_t& state, const SRawCommand& command,
                                           std::initializer_list<std::uint8_t> bytes) {
    switch (state) {
    case P100PROTCOM_SDST_IDLE:
        Log(command.Source, command.IdleText);
        m_timer.Start(DELAY_BEFORE_SEND_MS);
        state = P100PROTCOM_SDST_WAIT_BEFORE;
        return PROTCOM_SDRET_BUSY;
    case P100PROTCOM_SDST_WAIT_BEFORE:
        if (m_timer.Expired()) {
            m_command = BuildCommand(bytes);
            state = P100PROTCOM_SDST_SEND;
        }
        return PROTCOM_SDRET_BUSY;
    case P100PROTCOM_SDST_SEND: {
        const std::uint16_t sent = m_telHandler != nullptr && m_command != nullptr
                                       ? m_telHandler->SendRaw(*m_command)
                                       : TELHND_RAWRET_COM_ERROR;
        if (sent == TELHND_RAWRET_SENT) {
            Log(command.Source, command.SentText);
            m_command.reset();
            m_timer.Start(command.DelayAfterMs);
            state = P100PROTCOM_SDST_WAIT_AFTER;
        } else if (sent == TELHND_RAWRET_COM_ERROR) {
            LogF(command.Source, "%s: Serial communication error", command.SendState);
            m_command.reset();
            state = P100PROTCOM_SDST_IDLE;
            return PROTCOM_SDRET_COM_ERROR;
        }
        return PROTCOM_SDRET_BUSY;
    }
    case P100PROTCOM_SDST_WAIT_AFTER:
        if (m_timer.Expired()) {
            state = P100PROTCOM_SDST_IDLE;
            return PROTCOM_SDRET_DONE;
        }
        return PROTCOM_SDRET_BUSY;
    default:
        state = P100PROTCOM_SDST_IDLE;
        return PROTCOM_SDRET_BUSY;
    }
}

std::uint16_t CP100ProtCom::SendDisconnect() {
    static constexpr SRawCommand DISCONNECT{DISCONNECT_SOURCE, "P100PROTCOM_SDST_IDLE",
                                            "P100PROTCOM_SDST_SEND", "P100PROTCOM_SDST_SEND: Disconnect OK",
                                            DISCONNECT_DELAY_AFTER_MS};
    return SendRawCommand(m_disconnectState, DISCONNECT, {P100_CMD_DISCONNECT});
}

std::uint16_t CP100ProtCom::SendRedirect(std::int32_t redirectMode) {
    static constexpr SRawCommand REDIRECT{REDIRECT_SOURCE, "P100PROTCOM_SRST_IDLE", "P100PROTCOM_SRST_SEND",
                                          "P100PROTCOM_SRST_SEND: Redirect Call Sent",
                                          REDIRECT_DELAY_AFTER_MS};
    if (redirectMode != 0) {
        return SendRawCommand(m_redirectState, REDIRECT, {P100_CMD_REDIRECT});
    }
    return SendRawCommand(m_redirectState, REDIRECT,
                          {P100_CMD_REDIRECT, P100_CMD_REDIRECT_NEXT, P100_CMD_DISCONNECT});
}
