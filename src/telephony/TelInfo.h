#pragma once

#include "ComMsg.h"
#include "CpcInfo.h"
#include "LogFile.h"
#include "MsgSink.h"
#include "P100Info.h"
#include "TelMsg.h"

#include <cstdint>
#include <memory>

// CTelMsg kinds: modem requests the telephone handler encodes...
inline constexpr std::uint16_t TELMSG_LINE_CONTROL = 0; // 0x82 [Arg]
inline constexpr std::uint16_t TELMSG_SEND_RAW = 2;     // 0x84 [Data, Length]
inline constexpr std::uint16_t TELMSG_P100_LISTEN = 5;  // 0x87 [Arg2 attempt]
inline constexpr std::uint16_t TELMSG_READ_INFO = 8;    // 0x8A
inline constexpr std::uint16_t TELMSG_RESET_LINE = 9;   // 0x8B
inline constexpr std::uint16_t TELMSG_VOICE_CALL = 11;  // 0x8D [Arg]
inline constexpr std::uint16_t TELMSG_CPC_REQUEST = 13; // 0x8F [digits of request kind Arg2]
inline constexpr std::uint16_t TELMSG_RELAY = 14;       // 0x90 [Arg2 relay, Arg on]
inline constexpr std::uint16_t TELMSG_NET_SELECT = 15;  // 0x91 [Arg2 selection, Param[0]]
// ...and the modem replies it decodes.
inline constexpr std::uint16_t TELMSG_RX_RECORD = 7;           // 0x86 or 0x8E decoded; Record set
inline constexpr std::uint16_t TELMSG_RX_START_TIMEOUT = 8;    // 0x87, 0x90, undecodable 0x86
inline constexpr std::uint16_t TELMSG_RX_NO_MESSAGE = 9;       // 0x88, 0x8F
inline constexpr std::uint16_t TELMSG_RX_MESSAGE_TIMEOUT = 10; // 0x89
inline constexpr std::uint16_t TELMSG_RX_CHECKSUM_ERROR = 11;  // 0x8A
inline constexpr std::uint16_t TELMSG_RX_TIMING_ERROR = 12;    // 0x8B
inline constexpr std::uint16_t TELMSG_RX_SWHW_INFO = 14;       // 0x8D; SwHwInfo set

// Modem command codes.
inline constexpr std::uint8_t TELCMD_LINE_CONTROL = 0x82;
inline constexpr std::uint8_t TELCMD_SEND_RAW = 0x84;
inline constexpr std::uint8_t TELCMD_P100_LISTEN = 0x87;
inline constexpr std::uint8_t TELCMD_READ_INFO = 0x8A;
inline constexpr std::uint8_t TELCMD_RESET_LINE = 0x8B;
inline constexpr std::uint8_t TELCMD_VOICE_CALL = 0x8D;
inline constexpr std::uint8_t TELCMD_CPC_REQUEST = 0x8F;
inline constexpr std::uint8_t TELCMD_RELAY = 0x90;
inline constexpr std::uint8_t TELCMD_NET_SELECT = 0x91;

// Modem reply codes.
inline constexpr std::uint8_t TELREP_P100_MESSAGE = 0x86;
inline constexpr std::uint8_t TELREP_P100_START_TIMEOUT = 0x87;
inline constexpr std::uint8_t TELREP_P100_RETRIES_EXCEEDED = 0x88;
inline constexpr std::uint8_t TELREP_P100_MESSAGE_TIMEOUT = 0x89;
inline constexpr std::uint8_t TELREP_P100_CHECKSUM_ERROR = 0x8A;
inline constexpr std::uint8_t TELREP_P100_TIMING_ERROR = 0x8B;
inline constexpr std::uint8_t TELREP_SWHW_INFO = 0x8D;
inline constexpr std::uint8_t TELREP_CPC_MESSAGE = 0x8E;
inline constexpr std::uint8_t TELREP_CPC_NO_MESSAGE_1 = 0x8F;
inline constexpr std::uint8_t TELREP_CPC_NO_MESSAGE_2 = 0x90;
inline constexpr std::uint8_t TELREP_IGNORED = 0x97;

// Encoder of the telephone handler's modem requests into link frames, and decoder of the modem's
// replies, with the CPC and P100 decoders for the messages of the lift telephones.
class CTelInfo {
public:
    static constexpr std::uint16_t SWHW_INFO_PARAMS = 6;

    CTelInfo() = default;
    virtual ~CTelInfo() = default;

    // The link the frames go to, and the log; neither is owned.
    void Init(IMsgSink* link, CLogFile* log);

    // Turns the request into a kind-45 frame for the link; the request is consumed. False (and
    // a log line) for a kind that is no request.
    bool Encode(std::unique_ptr<CTelMsg> request);
    // The frame of a request without sending it.
    static bool BuildFrame(const CTelMsg& request, CComMsg& frame, CCpcInfo* cpc);

    // Decodes a reply frame (kind 50 of the link). None for 0x8E the CPC decoder rejects, for a
    // malformed 0x8D, for 0x8C, 0x97 and every code without meaning here.
    std::unique_ptr<CTelMsg> Decode(const CComMsg& frame);

    CP100Info& P100() { return m_p100; }
    CCpcInfo& Cpc() { return m_cpc; }

private:
    IMsgSink* m_link = nullptr;
    CLogFile* m_log = nullptr;
    CCpcInfo m_cpc;
    CP100Info m_p100;
};
