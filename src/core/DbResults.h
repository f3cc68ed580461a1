#pragma once

#include <cstdint>

// Result codes of the database operations, carried in the Status of each reply.

// Alarm log (CDbAlarmInfo).
namespace AlarmResult {
// On an alarm record that is not a reply: a new alarm not yet stored.
inline constexpr std::uint16_t NEW_ALARM = 1;
inline constexpr std::uint16_t ADD_STORED = 2;
inline constexpr std::uint16_t ADD_ERROR = 3;
inline constexpr std::uint16_t FIND_BY_KEY = 4;
inline constexpr std::uint16_t FIND_EMERGENCY = 5;
inline constexpr std::uint16_t FIND_LIST = 6;
inline constexpr std::uint16_t FIND_CHAIN = 7;
inline constexpr std::uint16_t FIND_PRINT = 8;
inline constexpr std::uint16_t FIND_NONE = 9;
inline constexpr std::uint16_t FIND_ERROR = 10;
inline constexpr std::uint16_t EDIT_CHANGED = 11;
inline constexpr std::uint16_t EDIT_NOT_FOUND = 12;
inline constexpr std::uint16_t EDIT_ERROR = 13;
inline constexpr std::uint16_t DELETE_DONE = 14;
inline constexpr std::uint16_t DELETE_NONE = 15;
inline constexpr std::uint16_t DELETE_ERROR = 16;
} // namespace AlarmResult

// Object register (CDbObjectInfo).
namespace ObjectResult {
inline constexpr std::uint16_t ADD_DONE = 1;
inline constexpr std::uint16_t ADD_ID_EXISTS = 2;
inline constexpr std::uint16_t ADD_PHONE_EXISTS = 3;
inline constexpr std::uint16_t ADD_ERROR = 4;
inline constexpr std::uint16_t FIND_BY_ID = 5;
inline constexpr std::uint16_t FIND_BY_PHONE = 6;
inline constexpr std::uint16_t FIND_LIST = 7;
inline constexpr std::uint16_t FIND_NONE = 8;
inline constexpr std::uint16_t FIND_ERROR = 9;
inline constexpr std::uint16_t EDIT_CHANGED = 10;
inline constexpr std::uint16_t EDIT_PHONE_TAKEN = 11;
inline constexpr std::uint16_t EDIT_NOT_FOUND = 12;
inline constexpr std::uint16_t EDIT_ERROR = 13;
inline constexpr std::uint16_t DELETE_DONE = 14;
inline constexpr std::uint16_t DELETE_NOT_FOUND = 15;
inline constexpr std::uint16_t DELETE_ERROR = 16;
} // namespace ObjectResult

// Customers, mail recipients and SMS recipients (CDbCustomerInfo, CDbMailInfo, CDbSmsNumInfo).
namespace RegisterResult {
inline constexpr std::uint16_t ADD_DONE = 1;
inline constexpr std::uint16_t ADD_EXISTS = 2;
inline constexpr std::uint16_t ADD_ERROR = 3;
inline constexpr std::uint16_t FIND_BY_KEY = 4;
inline constexpr std::uint16_t FIND_LIST = 5;
inline constexpr std::uint16_t FIND_NONE = 6;
inline constexpr std::uint16_t FIND_ERROR = 7;
inline constexpr std::uint16_t EDIT_CHANGED = 8;
inline constexpr std::uint16_t EDIT_NOT_FOUND = 9;
inline constexpr std::uint16_t EDIT_ERROR = 10;
inline constexpr std::uint16_t DELETE_DONE = 11;
inline constexpr std::uint16_t DELETE_NOT_FOUND = 12;
inline constexpr std::uint16_t DELETE_ERROR = 13;
} // namespace RegisterResult
