#pragma once

#include "HandlerMsg.h"
#include "MsgKinds.h"

#include <cstdint>
#include <string>

// One mail for the mail handler (kind MsgKind::MAIL_SEND), and the handler's status and result
// reports (kind MsgKind::MAIL_STATUS). For a result the send request itself comes back, so the
// receiver sees the whole mail that was or was not sent.
class CMailHandlerMsg : public CHandlerMsg {
public:
    // Code of a kind-38 message.
    enum EStatus : std::uint16_t {
        MHM_STATUS_IDLE = 0,
        MHM_STATUS_CONNECTING = 1,
        MHM_STATUS_AUTHORIZING = 2,
        MHM_STATUS_SENDING = 3,
        MHM_STATUS_SEND_OK = 4,
        MHM_STATUS_SEND_ERROR = 5,
    };

    // ErrorCode of a failed mail: the step that failed.
    enum EError : std::uint16_t {
        MHM_ERROR_NONE = 0,
        MHM_ERROR_HELO = 1,
        MHM_ERROR_MAIL_FROM = 2,
        MHM_ERROR_RCPT_TO = 3,
        MHM_ERROR_DATA = 4,
        MHM_ERROR_MESSAGE = 5,
        MHM_ERROR_QUIT = 6,
        MHM_ERROR_CONNECT = 7,
    };

    CMailHandlerMsg() = default;
    explicit CMailHandlerMsg(std::uint16_t kind, std::uint16_t code = 0) : CHandlerMsg(kind, code) {}

    std::string Server;
    std::uint16_t Port = 0;
    std::string HeloName;
    std::string SenderAddress;
    // Addresses separated by ',' or ';'; spaces are ignored.
    std::string Recipients;
    std::string Subject;
    // Lines separated by CR LF.
    std::string Body;
    std::uint16_t ErrorCode = MHM_ERROR_NONE;
};
