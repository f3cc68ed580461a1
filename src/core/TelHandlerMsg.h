#pragma once

#include "HandlerMsg.h"

#include <array>
#include <cstdint>
#include <string>

// Telephone handler message: requests to the telephone handler (kinds 6, 7, 8), its status and
// call events (43, 44, 46), and the decoded alarm record of the alarm protocols (42).
class CTelHandlerMsg : public CHandlerMsg {
public:
    static constexpr std::size_t USER_DATA_SIZE = 127;

    // What a decoded alarm record is.
    enum MsgTypes : std::uint8_t {
        MSGTYPE_NONE = 0,
        MSGTYPE_ALARM = 1,
        MSGTYPE_VOICE = 2,
        MSGTYPE_OPFAIL = 3,
        MSGTYPE_TESTALARM = 4,
        MSGTYPE_USERID = 5,
        MSGTYPE_USERDATA = 6,
        MSGTYPE_ACK = 7,
        MSGTYPE_MODELCODE = 8,
        MSGTYPE_VOICE_REDIRECTED = 9,
    };

    // Which protocol produced a record.
    enum Protocols : std::uint16_t { PROTOCOL_NONE = 0, PROTOCOL_P100 = 1, PROTOCOL_CPC = 2 };

    CTelHandlerMsg() = default;
    explicit CTelHandlerMsg(std::uint16_t kind, std::uint16_t code = 0) : CHandlerMsg(kind, code) {}

    std::uint8_t MsgType = MSGTYPE_NONE;
    std::string ID;
    std::uint16_t IdType = 0;
    std::uint16_t ModelCode = 0;
    std::uint16_t OfType = 0;
    std::uint8_t OfData = 0;
    std::array<std::uint8_t, USER_DATA_SIZE> UserData{};
    std::uint16_t UserDataLen = 0;
    std::uint16_t Protocol = PROTOCOL_NONE;

    // Status (kind 43): the modem's interface type (1 line, 2 GSM) and radio signal in percent.
    std::uint16_t InterfaceType = 0;
    std::uint16_t SignalLevel = 0;
    // Call event (kind 44): seconds left in the current voice call phase.
    std::uint16_t Seconds = 0;
    // Relay request (kind 7) and unattended mode (kind 8).
    std::uint16_t RelayNo = 0;
    std::int32_t Flag = 0;
};
