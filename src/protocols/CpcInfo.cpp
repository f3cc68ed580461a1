#include "CpcInfo.h"

#include "MsgKinds.h"

#include <array>
#include <string>

namespace {

constexpr const char* ENCODE_SOURCE = "CCpcInfo::Encode";
constexpr const char* DECODE_SOURCE = "CCpcInfo::Decode";

// Message numbers of the telephone's messages.
constexpr int MSG_ACK = 1;
constexpr int MSG_MODEL_CODE = 2;
constexpr int MSG_ALARM = 4;

// Digits before the ID in an alarm: message number (2) and alarm code (2).
constexpr std::size_t ALARM_HEADER = 4;
constexpr std::size_t MIN_ID_DIGITS = 6;
constexpr std::size_t MAX_ID_DIGITS = 8;

struct SRequest {
    std::array<std::uint8_t, 4> Digits;
    std::size_t Count;
};

constexpr std::array<SRequest, 6> REQUESTS{{
    {{0, 2, 1, 0}, 3}, // identification
    {{0, 3, 0, 0}, 2}, // alarm code
    {{0, 5, 1, 0}, 3}, // acknowledge Voice
    {{0, 5, 2, 0}, 3}, // acknowledge OpFail / TestAlarm
    {{0, 6, 0, 1}, 4}, // disconnect
    {{0, 6, 0, 7}, 4}, // time update
}};

bool IsDigit(std::uint8_t value) {
    return value <= 9;
}

} // namespace

bool CCpcInfo::Encode(CBufferMsg& out, std::uint16_t requestKind) {
    out.Data[0] = CPC_COMMAND_CODE;
    out.Data[1] = 0;
    out.Length = 0;
    const bool known = requestKind < REQUESTS.size();
    std::string text;
    if (known) {
        const SRequest& request = REQUESTS[requestKind];
        for (std::size_t i = 0; i < request.Count; ++i) {
            out.Data[2 + i] = request.Digits[i];
            text += std::to_string(request.Digits[i]) + " ";
        }
        out.Length = static_cast<std::uint16_t>(request.Count);
    }
    Log(ENCODE_SOURCE, text);
    return known;
}

std::unique_ptr<CTelHandlerMsg> CCpcInfo::Decode(std::span<const std::uint8_t> payload) {
    LogPayload(DECODE_SOURCE, payload);
    // A frame too short to hold a message number is no CPC message.
    if (payload.size() < 2) {
        return nullptr;
    }
    auto msg = std::make_unique<CTelHandlerMsg>(MsgKind::TEL_ALARM);
    msg->Protocol = CTelHandlerMsg::PROTOCOL_CPC;
    const int number = payload[0] * 10 + payload[1];
    switch (number) {
    case MSG_ACK:
        if (payload.size() < 3 || payload[2] > 1) {
            return nullptr;
        }
        msg->MsgType = CTelHandlerMsg::MSGTYPE_ACK;
        msg->Value = payload[2];
        return msg;
    case MSG_MODEL_CODE:
        if (payload.size() < 3) {
            return nullptr;
        }
        msg->MsgType = CTelHandlerMsg::MSGTYPE_MODELCODE;
        msg->Value = payload[2];
        return msg;
    case MSG_ALARM: {
        if (payload.size() < ALARM_HEADER) {
            return nullptr;
        }
        const std::size_t idDigits = payload.size() - ALARM_HEADER;
        if (idDigits < MIN_ID_DIGITS || idDigits > MAX_ID_DIGITS) {
            return nullptr;
        }
        std::string id;
        for (std::size_t i = ALARM_HEADER; i < payload.size(); ++i) {
            if (!IsDigit(payload[i])) {
                return nullptr;
            }
            id += static_cast<char>('0' + payload[i]);
        }
        // A garbled code digit must not pose as another code (0 and 10 would read as 10, Voice).
        const int code = IsDigit(payload[2]) && IsDigit(payload[3]) ? payload[2] * 10 + payload[3] : -1;
        switch (code) {
        case 10:
        case 27:
            msg->MsgType = CTelHandlerMsg::MSGTYPE_VOICE;
            break;
        case 17:
            msg->MsgType = CTelHandlerMsg::MSGTYPE_OPFAIL;
            msg->OfType = 2;
            break;
        case 26:
            msg->MsgType = CTelHandlerMsg::MSGTYPE_TESTALARM;
            break;
        default:
            msg->MsgType = CTelHandlerMsg::MSGTYPE_NONE;
            break;
        }
        msg->IdType = 1;
        msg->ID = std::move(id);
        return msg;
    }
    default:
        return nullptr;
    }
}
