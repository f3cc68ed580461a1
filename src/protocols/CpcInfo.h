#pragma once

#include "BufferMsg.h"
#include "LogFile.h"
#include "ProtInfo.h"
#include "TelHandlerMsg.h"

#include <cstdint>
#include <memory>
#include <span>

// CPC request kinds: the parameter of a CPC send-and-receive.
inline constexpr std::uint16_t CPC_REQ_ID = 0;          // 0 2 1
inline constexpr std::uint16_t CPC_REQ_ALARMCODE = 1;   // 0 3
inline constexpr std::uint16_t CPC_REQ_ACK_VOICE = 2;   // 0 5 1
inline constexpr std::uint16_t CPC_REQ_ACK_OTHER = 3;   // 0 5 2
inline constexpr std::uint16_t CPC_REQ_DISCONNECT = 4;  // 0 6 0 1
inline constexpr std::uint16_t CPC_REQ_TIME_UPDATE = 5; // 0 6 0 7

// Codec of the CPC digit strings. A digit travels as one byte holding its value (0 to 9).
class CCpcInfo : public CProtInfo {
public:
    static constexpr std::uint8_t CPC_COMMAND_CODE = 0x8F; // request to the modem
    static constexpr std::uint8_t CPC_REPLY_CODE = 0x8E;   // the modem's report of received digits

    explicit CCpcInfo(CLogFile* log = nullptr) : CProtInfo(log) {}

    // Fills `out` as a modem frame: Data[0] = 0x8F, Data[1] = 0 (flags), the request's digits from
    // Data[2], Length = number of digits. An unknown request kind leaves the payload empty and
    // returns false.
    bool Encode(CBufferMsg& out, std::uint16_t requestKind);

    // Decodes the digits the modem reported (the reply's parameters, without code and flags).
    // Returns a kind-42 record (Protocol CPC), or none when the message is not valid CPC.
    std::unique_ptr<CTelHandlerMsg> Decode(std::span<const std::uint8_t> payload) override;
};
