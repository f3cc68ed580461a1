#pragma once

#include "BufferMsg.h"
#include "LogFile.h"
#include "ProtInfo.h"
#include "TelHandlerMsg.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>

// Decoder of a received P100 message: one 4-bit value per byte, b0 message code, b1 the number
// of values that follow, then the content.
class CP100Info : public CProtInfo {
public:
    static constexpr std::uint8_t P100_LISTEN_CODE = 0x87; // request: listen, attempt number
    static constexpr std::uint8_t P100_REPLY_CODE = 0x86;  // the modem's report of a message
    static constexpr std::uint8_t P100_SEND_CODE = 0x84;   // raw bytes to the telephone

    // Message codes.
    static constexpr std::uint8_t P100_MSG_ALARM = 0;
    static constexpr std::uint8_t P100_MSG_VOICE = 1;
    static constexpr std::uint8_t P100_MSG_OPFAIL = 2;
    static constexpr std::uint8_t P100_MSG_TESTALARM = 3;
    static constexpr std::uint8_t P100_MSG_USERID = 4;
    static constexpr std::uint8_t P100_MSG_USERDATA = 5;

    explicit CP100Info(CLogFile* log = nullptr) : CProtInfo(log) {}

    // Decodes the values the modem reported (the reply's parameters, without code and flags).
    // Returns a kind-42 record (Protocol P100), or none when the message is not valid P100.
    std::unique_ptr<CTelHandlerMsg> Decode(std::span<const std::uint8_t> payload) override;

private:
    bool ReadP100Id(std::span<const std::uint8_t> payload, std::uint8_t requiredLength, CTelHandlerMsg& msg);
};
