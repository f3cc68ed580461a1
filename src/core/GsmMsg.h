#pragma once

#include "Msg.h"

#include <cstdint>
#include <string>

// One AT command request to the GSM modem, or one reply decoded from the modem's lines. Its kinds
// (below) are local to the GSM command layer and never meet the station's queues.
class CGsmMsg : public CMsg {
public:
    // Requests: which command the GSM command layer writes.
    enum Request : std::uint16_t {
        GSMREQ_AT = 0,
        GSMREQ_ECHO_OFF = 1,      // ATE0
        GSMREQ_MODEL = 2,         // AT+CGMM
        GSMREQ_PIN_QUERY = 3,     // AT+CPIN?
        GSMREQ_PIN_ENTER = 4,     // AT+CPIN="<Pin>"
        GSMREQ_TEXT_MODE = 5,     // AT+CMGF=1
        GSMREQ_CHARSET = 6,       // AT+CSCS="GSM"
        GSMREQ_STORAGE = 7,       // AT+CPMS=...
        GSMREQ_HEADERS = 8,       // AT+CSDH=1
        GSMREQ_LIST_SMS = 9,      // AT+CMGL="ALL"
        GSMREQ_DELETE_SMS = 10,   // AT+CMGD=<Index>
        GSMREQ_SEND_DEST = 11,    // AT+CMGS="<Destination>"
        GSMREQ_SEND_TEXT = 12,    // <Text> Ctrl-Z
        GSMREQ_REGISTRATION = 13, // AT+CREG?
        GSMREQ_QUALITY = 14,      // AT+CSQ
        GSMREQ_CALLS = 15,        // AT+CLCC
        GSMREQ_NET_SELECT = 16,   // AT+WS46=<value of NetSelection>
        GSMREQ_ERROR_CODES = 17,  // AT+CMEE=1
    };

    // Replies: what a line (or a header with its text line) of the modem meant.
    enum Reply : std::uint16_t {
        GSMREP_NONE = 0,
        GSMREP_OK = 1,
        GSMREP_ERROR = 2,
        GSMREP_MODEL = 3, // Model
        GSMREP_PIN_READY = 4,
        GSMREP_PIN_REQUIRED = 5,
        GSMREP_STORAGE = 6,
        GSMREP_SMS = 7,          // Index, Number, Date, Time, Text
        GSMREP_REGISTRATION = 8, // Registration
        GSMREP_QUALITY = 9,      // Quality
        GSMREP_PROMPT = 10,
        GSMREP_SMS_SENT = 11,
        GSMREP_RING = 12,
        GSMREP_CALLER = 13, // Number
    };

    // Modem model codes.
    enum Models : std::uint16_t {
        MODEL_UNKNOWN = 0,
        MODEL_TC35 = 1,
        MODEL_GM29 = 2,
        MODEL_TC65 = 3,
        MODEL_LE910 = 4,
        MODEL_GL865 = 5,
    };

    CGsmMsg() = default;
    explicit CGsmMsg(std::uint16_t kind) : CMsg(kind) {}

    std::string Pin;                     // request 4
    std::uint16_t Index = 0;             // reply 7: storage index; request 10: index to delete
    std::string Number;                  // reply 7: sender; reply 13: caller
    std::string Destination;             // request 11
    std::string Date;                    // reply 7: SMS centre date as written by the modem
    std::string Time;                    // reply 7: SMS centre time as written by the modem
    std::string Text;                    // reply 7 after conversion; request 12 before conversion (UTF-8)
    std::uint16_t Quality = 0;           // reply 9: percent
    std::uint16_t Registration = 0;      // reply 8
    std::uint16_t Model = MODEL_UNKNOWN; // reply 3
    std::uint16_t NetSelection = 0;      // request 16: index into the network selection table
};
