#pragma once

#include "BufferMsg.h"
#include "TelHandlerMsg.h"

#include <cstdint>
#include <memory>

// The two primitives of the telephone handler that the alarm protocols speak through. The
// telephone handler implements this interface; the protocols know nothing else of it, which keeps
// them below the telephone layer. Tests drive the protocols with a scripted fake of it.

// Protocol selector of SendReceive.
inline constexpr std::uint16_t TELHND_PROTOCOL_P100 = 0; // param: attempt number; modem command 0x87
inline constexpr std::uint16_t TELHND_PROTOCOL_CPC = 1;  // param: CPC request kind; modem command 0x8F

// SendReceive results. 2 to 6 are the modem's negative reports; their names follow the P100
// meaning. For CPC, 2 and 3 mean "no valid message from the telephone" and 4 to 6 do not occur.
inline constexpr std::uint16_t TELHND_SRRET_BUSY = 0;
inline constexpr std::uint16_t TELHND_SRRET_RECEIVE_OK = 1;       // record handed out
inline constexpr std::uint16_t TELHND_SRRET_START_TIMEOUT = 2;    // 0x87, or a 0x86 the decoder rejected
inline constexpr std::uint16_t TELHND_SRRET_RETRIES_EXCEEDED = 3; // 0x88 / 0x8F, or an unexpected reply
inline constexpr std::uint16_t TELHND_SRRET_MESSAGE_TIMEOUT = 4;  // 0x89, the modem retries by itself
inline constexpr std::uint16_t TELHND_SRRET_CHECKSUM_ERROR = 5;   // 0x8A, the modem retries by itself
inline constexpr std::uint16_t TELHND_SRRET_TIMING_ERROR = 6;     // 0x8B, the modem retries by itself
inline constexpr std::uint16_t TELHND_SRRET_COM_ERROR = 7;        // no report from the modem in time

// SendRaw results.
inline constexpr std::uint16_t TELHND_RAWRET_BUSY = 0;
inline constexpr std::uint16_t TELHND_RAWRET_SENT = 1;      // the modem confirmed the send
inline constexpr std::uint16_t TELHND_RAWRET_COM_ERROR = 2; // time-out or serial communication error

class ITelPrimitives {
public:
    virtual ~ITelPrimitives() = default;

    // Send-and-receive, a step function. The first call only arms and returns TELHND_SRRET_BUSY;
    // the second sends the request (P100 listen with the attempt number, or the CPC request of the
    // given kind); later calls wait for the modem's report. A non-zero result resets the primitive,
    // except after 4, 5 and 6: then the modem is still retrying and the next call waits for its next
    // report without sending again.
    // On TELHND_SRRET_RECEIVE_OK the decoded record is moved into `record` and the caller owns it;
    // on every other result `record` is left untouched. A CPC reply the decoder rejected gives no
    // report (the exchange ends in TELHND_SRRET_COM_ERROR); a rejected P100 message gives
    // TELHND_SRRET_START_TIMEOUT.
    virtual std::uint16_t SendReceive(std::uint16_t protocol, std::uint16_t param,
                                      std::unique_ptr<CTelHandlerMsg>& record) = 0;

    // Send-raw, a step function: sends bytes.Data[0 .. bytes.Length) to the telephone at the other
    // end of the line (modem command 0x84) and waits for the modem's confirmation. The first call
    // arms and returns TELHND_RAWRET_BUSY. The caller keeps the buffer and passes the same one on
    // every call until the result is non-zero.
    virtual std::uint16_t SendRaw(const CBufferMsg& bytes) = 0;
};
