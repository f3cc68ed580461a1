#pragma once

#include "ComMsg.h"

#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The logic of the P100 test-message generator: the fields as typed, their ranges, Update (the
// message values from the alarm type, ID code, failure type and user data) and the message that
// Send gives the telephone handler, which decodes it as if the modem had received it.
class CP100Generator {
public:
    enum EAlarmType {
        ALARM_NO_VOICE,
        ALARM_VOICE,
        ALARM_OPFAIL,
        ALARM_TEST,
        ALARM_USER_DATA,
        ALARM_TYPE_COUNT
    };
    static constexpr int OPFAIL_NONE = -1;
    static constexpr int OPFAIL_TYPE_COUNT = 11;
    static constexpr std::size_t ID_MAX_CHARS = 15;
    static constexpr int DATA_COUNT = 7;
    static constexpr int C_COUNT = 15;
    // The values a message carries: Type, Len, C1 to C15.
    static constexpr std::uint16_t MESSAGE_VALUES = 2 + C_COUNT;
    static constexpr std::uint8_t RECEIVED_MESSAGE = 0x86;

    // The numeric fields, in the order they are checked.
    enum EField {
        FIELD_USER_LEN,
        FIELD_DATA1,
        FIELD_TYPE = FIELD_DATA1 + DATA_COUNT,
        FIELD_LEN,
        FIELD_C1,
        FIELD_COUNT = FIELD_C1 + C_COUNT,
    };

    // The fields as the dialog holds them.
    struct SFields {
        std::string idCode = "12345678";
        int alarmType = ALARM_TEST;
        int opFailType = OPFAIL_NONE;
        std::array<std::string, FIELD_COUNT> numbers;
        bool autoUpdate = true;
        SFields() { numbers.fill("0"); }
    };

    // A field that does not hold a number in its range, with the message to show.
    struct SError {
        int field;
        std::string text;
    };

    static const char* AlarmTypeName(int type);
    static const char* OpFailName(int index);
    static int Minimum(int /*field*/) { return 0; }
    static int Maximum(int field);

    // What is enabled for the alarm type and the Automatic Update box.
    static bool IdCodeEnabled(int alarmType) { return alarmType != ALARM_USER_DATA; }
    static bool OpFailEnabled(int alarmType) { return alarmType == ALARM_OPFAIL; }
    static bool UserDataEnabled(int alarmType) { return alarmType == ALARM_USER_DATA; }
    static bool UpdateEnabled(bool autoUpdate) { return !autoUpdate; }

    // Takes the fields as typed; the first field outside its range ends it with its message.
    std::optional<SError> Take(const SFields& fields);
    // The values from the alarm type and the fields taken.
    void Update();
    // The fields as they now stand, for the dialog to show.
    const SFields& Fields() const { return m_fields; }
    int Value(int field) const { return m_values[static_cast<std::size_t>(field)]; }

    // Update (the button): take, compute, show.
    std::optional<SError> UpdateFields(const SFields& fields);
    // Send: take, update when Automatic Update is on, and build the message. A value still out of
    // range (a letter in the ID code) is reported and nothing is sent.
    std::optional<SError> Send(const SFields& fields, std::unique_ptr<CComMsg>& message);
    // The message of the values as they stand.
    std::unique_ptr<CComMsg> BuildMessage() const;

private:
    std::optional<SError> CheckValues() const;
    void SetValue(int field, int value);

    SFields m_fields;
    std::array<int, FIELD_COUNT> m_values{};
};
