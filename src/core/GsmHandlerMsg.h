#pragma once

#include "HandlerMsg.h"

#include <cstdint>
#include <string>

// GSM handler message: requests from the GSM manager to send an SMS (kinds 2 and 3), and the
// handler's events to its owner: an SMS received (39), a GSM caller identified (40) and status
// reports (41).
//
// Code (of CHandlerMsg) is the status code of kind 41; Text (of CHandlerMsg) is the status text,
// always empty. The SMS text has its own field.
class CGsmHandlerMsg : public CHandlerMsg {
public:
    // Status codes of kind 41, carried in Code.
    enum Status : std::uint16_t {
        GHM_STATUS_INITIALIZING = 0,
        GHM_STATUS_PIN_ERROR = 1,
        GHM_STATUS_PIN_REQUIRED = 2,
        GHM_STATUS_NETWORK = 3, // Quality: 0 when not registered
        GHM_STATUS_COM_TIMEOUT = 4,
        GHM_STATUS_COM_WARNING = 5, // the first communication error since start
        GHM_STATUS_COM_FAILURE = 6, // the tenth consecutive recovery attempt
        GHM_STATUS_SENDING_SMS = 7,
        GHM_STATUS_SMS_SENT = 8,   // free-format SMS only, with Recipients and RequestTag
        GHM_STATUS_SMS_FAILED = 9, // free-format SMS only, with Recipients and RequestTag
    };

    // Request tag of the SMS typed by the operator in the Send SMS dialog.
    static constexpr std::uint16_t REQUEST_TAG_SEND_SMS_DLG = 1;

    CGsmHandlerMsg() = default;
    explicit CGsmHandlerMsg(std::uint16_t kind, std::uint16_t code = 0) : CHandlerMsg(kind, code) {}

    std::string Number;           // 39: SMS sender; 40: caller
    std::string Recipients;       // 2, 3: numbers separated by ',' or ';'; queued and in 8/9 reports: one
    std::string Date;             // 39: SMS centre date as the modem wrote it
    std::string Time;             // 39: SMS centre time as the modem wrote it
    std::string SmsText;          // 39: text received (UTF-8); 2, 3: text to send
    std::uint32_t SmsMark = 0;    // 39: the handler's mark of the received SMS; 4: the one stored
    std::uint16_t Quality = 0;    // 41 with status 3: signal quality in percent
    std::uint16_t RequestTag = 0; // 2, 3: copied into the status 8 and 9 reports
};
