#pragma once

#include <cstdint>

// Every message kind of the one 16-bit number space shared by all queues. The queue a message is
// put into decides who reads it; kinds 0 to 16 are reused locally by the modem and GSM command
// layers (see TelMsg.h and the GSM layer).
namespace MsgKind {

// Mail handler queue
inline constexpr std::uint16_t MAIL_SEND = 1;

// GSM handler queue
inline constexpr std::uint16_t GSM_SEND_ALARM_SMS = 2;
inline constexpr std::uint16_t GSM_SEND_FREE_SMS = 3;
// The alarm of a received SMS is stored (or was refused on purpose): it may leave the modem.
inline constexpr std::uint16_t GSM_SMS_STORED = 4;

// Telephone handler queue
inline constexpr std::uint16_t TEL_RAW_P100 = 5;
inline constexpr std::uint16_t TEL_ABORT_VOICE_CALL = 6;
inline constexpr std::uint16_t TEL_SET_RELAY = 7;
inline constexpr std::uint16_t TEL_UNATTENDED_MODE = 8;

// Database requests, run through CMORADoc::DbRequest
inline constexpr std::uint16_t DB_OBJECT_ADD = 9;
inline constexpr std::uint16_t DB_OBJECT_FIND = 10;
inline constexpr std::uint16_t DB_OBJECT_EDIT = 11;
inline constexpr std::uint16_t DB_OBJECT_DELETE = 12;
inline constexpr std::uint16_t DB_ALARM_FIND = 13;
inline constexpr std::uint16_t DB_ALARM_EDIT = 14;
inline constexpr std::uint16_t DB_ALARM_DELETE = 15;
inline constexpr std::uint16_t DB_CUSTOMER_ADD = 16;
inline constexpr std::uint16_t DB_CUSTOMER_FIND = 17;
inline constexpr std::uint16_t DB_CUSTOMER_EDIT = 18;
inline constexpr std::uint16_t DB_CUSTOMER_DELETE = 19;
inline constexpr std::uint16_t DB_MAILREC_ADD = 20;
inline constexpr std::uint16_t DB_MAILREC_FIND = 21;
inline constexpr std::uint16_t DB_MAILREC_EDIT = 22;
inline constexpr std::uint16_t DB_MAILREC_DELETE = 23;
inline constexpr std::uint16_t DB_SMSNUM_ADD = 24;
inline constexpr std::uint16_t DB_SMSNUM_FIND = 25;
inline constexpr std::uint16_t DB_SMSNUM_EDIT = 26;
inline constexpr std::uint16_t DB_SMSNUM_DELETE = 27;

// User-interface queue
inline constexpr std::uint16_t UI_OBJECT_REPLY = 29;
inline constexpr std::uint16_t UI_EXPORT_OBJECT_REPLY = 30;
inline constexpr std::uint16_t UI_ALARM_RECORD = 31;
inline constexpr std::uint16_t UI_CUSTOMER_REPLY = 32;
inline constexpr std::uint16_t UI_MAILREC_REPLY = 33;
inline constexpr std::uint16_t UI_SMSNUM_REPLY = 34;
inline constexpr std::uint16_t UI_GSM_SMSNUM_REPLY = 35;
inline constexpr std::uint16_t UI_GSM_SMSNUM_REPLY2 = 36;
inline constexpr std::uint16_t UI_HOURLY_TICK = 37;

// Database thread (38, 41, 43, 44 are passed on to the user-interface queue)
inline constexpr std::uint16_t MAIL_STATUS = 38;
inline constexpr std::uint16_t GSM_SMS_RECEIVED = 39;
inline constexpr std::uint16_t GSM_CALLER_IDENTIFIED = 40;
inline constexpr std::uint16_t GSM_STATUS = 41;
inline constexpr std::uint16_t TEL_ALARM = 42;
inline constexpr std::uint16_t TEL_STATUS = 43;
inline constexpr std::uint16_t TEL_CALL_EVENT = 44;

// Modem link thread and telephone handler
inline constexpr std::uint16_t COM_TRANSMIT = 45;
inline constexpr std::uint16_t TEL_CALL_FINISHED = 46;
inline constexpr std::uint16_t COM_STATUS_FLAGS = 48;
inline constexpr std::uint16_t COM_SIGNAL_LEVEL = 49;
inline constexpr std::uint16_t COM_REPLY = 50;
inline constexpr std::uint16_t COM_TIMEOUT = 51;
inline constexpr std::uint16_t COM_RX_FAILURE = 52;
inline constexpr std::uint16_t COM_TX_FAILURE = 54;

} // namespace MsgKind
