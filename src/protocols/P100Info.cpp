#include "P100Info.h"

#include "MsgKinds.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr const char* DECODE_SOURCE = "CP100Info::Decode";
constexpr const char* READ_ID_SOURCE = "CP100Info::ReadP100Id";

// b0 code and b1 length come before the content.
constexpr std::size_t HEADER = 2;
constexpr std::size_t ID_DIGITS = 8;
constexpr std::uint8_t ID_LENGTH = 8;
constexpr std::uint8_t OPFAIL_LENGTH = 11;
constexpr std::uint8_t MAX_OPFAIL_KIND = 10;

// The modem sends 4-bit values; anything above is cut to its low half rather than spilling into
// the neighbouring half of a byte.
std::uint8_t Nibble(std::uint8_t value) {
    return value & 0x0F;
}

} // namespace

bool CP100Info::ReadP100Id(std::span<const std::uint8_t> payload, std::uint8_t requiredLength,
                           CTelHandlerMsg& msg) {
    if (payload[1] != requiredLength) {
        char text[96];
        std::snprintf(text, sizeof text, "Invalid P100 Message length, received: %d, expected: %d",
                      int(payload[1]), int(requiredLength));
        Log(READ_ID_SOURCE, text);
        return false;
    }
    if (payload.size() < HEADER + requiredLength) {
        char text[96];
        std::snprintf(text, sizeof text, "Truncated P100 Message, received: %d values, expected: %d",
                      int(payload.size() - HEADER), int(requiredLength));
        Log(READ_ID_SOURCE, text);
        return false;
    }
    std::string id;
    for (std::size_t i = 0; i < ID_DIGITS; ++i) {
        const std::uint8_t digit = payload[HEADER + i];
        if (digit > 9) {
            return false;
        }
        id += static_cast<char>('0' + digit);
    }
    msg.IdType = 1;
    msg.ID = std::move(id);
    return true;
}

std::unique_ptr<CTelHandlerMsg> CP100Info::Decode(std::span<const std::uint8_t> payload) {
    LogPayload(DECODE_SOURCE, payload);
    if (payload.size() < HEADER) {
        return nullptr;
    }
    auto msg = std::make_unique<CTelHandlerMsg>(MsgKind::TEL_ALARM);
    msg->Protocol = CTelHandlerMsg::PROTOCOL_P100;
    switch (payload[0]) {
    case P100_MSG_ALARM:
    case P100_MSG_VOICE:
    case P100_MSG_TESTALARM:
    case P100_MSG_USERID:
        if (!ReadP100Id(payload, ID_LENGTH, *msg)) {
            return nullptr;
        }
        msg->MsgType = payload[0] == P100_MSG_ALARM       ? CTelHandlerMsg::MSGTYPE_ALARM
                       : payload[0] == P100_MSG_VOICE     ? CTelHandlerMsg::MSGTYPE_VOICE
                       : payload[0] == P100_MSG_TESTALARM ? CTelHandlerMsg::MSGTYPE_TESTALARM
                                                          : CTelHandlerMsg::MSGTYPE_USERID;
        return msg;
    case P100_MSG_OPFAIL: {
        if (!ReadP100Id(payload, OPFAIL_LENGTH, *msg)) {
            return nullptr;
        }
        const std::uint8_t kind = payload[HEADER + ID_DIGITS];
        msg->MsgType = CTelHandlerMsg::MSGTYPE_OPFAIL;
        msg->OfType = kind <= MAX_OPFAIL_KIND ? static_cast<std::uint16_t>(kind + 1) : 0;
        msg->OfData = static_cast<std::uint8_t>(Nibble(payload[HEADER + ID_DIGITS + 1]) << 4 |
                                                Nibble(payload[HEADER + ID_DIGITS + 2]));
        return msg;
    }
    case P100_MSG_USERDATA: {
        const std::size_t values = payload[1];
        if (values % 2 != 0) {
            return nullptr;
        }
        if (payload.size() < HEADER + values) {
            char text[96];
            std::snprintf(text, sizeof text, "Truncated P100 Message, received: %d values, expected: %d",
                          int(payload.size() - HEADER), int(values));
            Log(DECODE_SOURCE, text);
            return nullptr;
        }
        const std::size_t bytes = std::min(values / 2, CTelHandlerMsg::USER_DATA_SIZE);
        for (std::size_t i = 0; i < bytes; ++i) {
            msg->UserData[i] = static_cast<std::uint8_t>(Nibble(payload[HEADER + 2 * i]) << 4 |
                                                         Nibble(payload[HEADER + 2 * i + 1]));
        }
        msg->MsgType = CTelHandlerMsg::MSGTYPE_USERDATA;
        msg->UserDataLen = static_cast<std::uint16_t>(bytes);
        msg->IdType = 1;
        return msg;
    }
    default:
        return nullptr;
    }
}
