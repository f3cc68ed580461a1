#include "P100Generator.h"

#include "MsgKinds.h"
#include "Translate.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace {

const char* const ALARM_TYPE_NAMES[] = {"No Voice", "Voice", "OpFail", "Test", "User Data"};
const char* const OPFAIL_NAMES[] = {"Inputs",         "Battery",       "Mic/Speaker", "VC Receipt",
                                    "Start of Alarm", "End of Alarm",  "Maintenance", "Mains Info",
                                    "Stuck Button",   "Unit Response", " Bus Failure"};
// The message code of each alarm type.
constexpr int MESSAGE_TYPE[] = {0, 1, 2, 3, 5};
constexpr int ID_VALUES = 8;
constexpr int OPFAIL_VALUES = 11;
constexpr int OPFAIL_KIND_VALUE = 9; // C9

// The field's text as a whole decimal number (blanks around it allowed), or nothing.
std::optional<long> Number(const std::string& text) {
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(begin, &end, 10);
    if (end == begin || errno == ERANGE) {
        return std::nullopt;
    }
    while (*end == ' ' || *end == '\t') {
        ++end;
    }
    if (*end != '\0') {
        return std::nullopt;
    }
    return value;
}

// The characters of a UTF-8 text as code points (a malformed byte counts as itself).
std::vector<int> CodePoints(const std::string& text) {
    std::vector<int> out;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t n = lead < 0x80           ? 1
                              : (lead >> 5) == 0x6  ? 2
                              : (lead >> 4) == 0xE  ? 3
                              : (lead >> 3) == 0x1E ? 4
                                                    : 1;
        if (n == 1 || i + n > text.size()) {
            out.push_back(lead);
            ++i;
            continue;
        }
        int cp = lead & (0x7F >> n);
        for (std::size_t k = 1; k < n; ++k) {
            cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        out.push_back(cp);
        i += n;
    }
    return out;
}

} // namespace

const char* CP100Generator::AlarmTypeName(int type) {
    return type >= 0 && type < ALARM_TYPE_COUNT ? ALARM_TYPE_NAMES[type] : "";
}

const char* CP100Generator::OpFailName(int index) {
    return index >= 0 && index < OPFAIL_TYPE_COUNT ? OPFAIL_NAMES[index] : "";
}

int CP100Generator::Maximum(int field) {
    if (field == FIELD_USER_LEN) {
        return DATA_COUNT;
    }
    if (field >= FIELD_DATA1 && field < FIELD_DATA1 + DATA_COUNT) {
        return 255;
    }
    return 15;
}

std::optional<CP100Generator::SError> CP100Generator::Take(const SFields& fields) {
    m_fields = fields;
    for (int field = 0; field < FIELD_COUNT; ++field) {
        const auto value = Number(fields.numbers[static_cast<std::size_t>(field)]);
        if (!value) {
            return SError{field, "Please enter an integer."};
        }
        if (*value < Minimum(field) || *value > Maximum(field)) {
            return SError{field, Text::Format("Please enter an integer between %d and %d.", Minimum(field),
                                              Maximum(field))};
        }
        m_values[static_cast<std::size_t>(field)] = static_cast<int>(*value);
    }
    return std::nullopt;
}

void CP100Generator::SetValue(int field, int value) {
    m_values[static_cast<std::size_t>(field)] = value;
    m_fields.numbers[static_cast<std::size_t>(field)] = std::to_string(value);
}

void CP100Generator::Update() {
    const int type = m_fields.alarmType;
    if (type < 0 || type >= ALARM_TYPE_COUNT) {
        return;
    }
    SetValue(FIELD_TYPE, MESSAGE_TYPE[type]);
    if (type != ALARM_USER_DATA) {
        const std::vector<int> id = CodePoints(m_fields.idCode);
        for (int i = 0; i < C_COUNT; ++i) {
            // Digits give 0 to 9; anything else gives a value the next check refuses.
            SetValue(FIELD_C1 + i,
                     i < static_cast<int>(id.size()) ? id[static_cast<std::size_t>(i)] - '0' : 0);
        }
        SetValue(FIELD_LEN, ID_VALUES);
    }
    if (type == ALARM_OPFAIL) {
        if (m_fields.opFailType >= 0 && m_fields.opFailType < OPFAIL_TYPE_COUNT) {
            SetValue(FIELD_C1 + OPFAIL_KIND_VALUE - 1, m_fields.opFailType);
        }
        SetValue(FIELD_C1 + OPFAIL_KIND_VALUE, 0);
        SetValue(FIELD_C1 + OPFAIL_KIND_VALUE + 1, 0);
        SetValue(FIELD_LEN, OPFAIL_VALUES);
    }
    if (type == ALARM_USER_DATA) {
        const int bytes = Value(FIELD_USER_LEN);
        for (int k = 0; k < bytes; ++k) {
            const int data = Value(FIELD_DATA1 + k);
            SetValue(FIELD_C1 + 2 * k, data >> 4);
            SetValue(FIELD_C1 + 2 * k + 1, data & 0x0F);
        }
        SetValue(FIELD_LEN, 2 * bytes);
    }
}

std::optional<CP100Generator::SError> CP100Generator::UpdateFields(const SFields& fields) {
    if (auto error = Take(fields)) {
        return error;
    }
    Update();
    return std::nullopt;
}

std::optional<CP100Generator::SError> CP100Generator::CheckValues() const {
    for (int field = FIELD_TYPE; field < FIELD_COUNT; ++field) {
        const int value = Value(field);
        if (value < Minimum(field) || value > Maximum(field)) {
            return SError{field, Text::Format("Please enter an integer between %d and %d.", Minimum(field),
                                              Maximum(field))};
        }
    }
    return std::nullopt;
}

std::optional<CP100Generator::SError> CP100Generator::Send(const SFields& fields,
                                                           std::unique_ptr<CComMsg>& message) {
    message.reset();
    if (auto error = Take(fields)) {
        return error;
    }
    if (fields.autoUpdate) {
        Update();
    }
    // Never hand the handler a value that is not a 4-bit value.
    if (auto error = CheckValues()) {
        return error;
    }
    message = BuildMessage();
    return std::nullopt;
}

std::unique_ptr<CComMsg> CP100Generator::BuildMessage() const {
    auto msg = std::make_unique<CComMsg>(MsgKind::TEL_RAW_P100);
    msg->Data[0] = RECEIVED_MESSAGE;
    msg->Data[1] = 0;
    for (int i = 0; i < MESSAGE_VALUES; ++i) {
        msg->Data[static_cast<std::size_t>(2 + i)] = static_cast<std::uint8_t>(Value(FIELD_TYPE + i) & 0xFF);
    }
    // The decoder reads only the values the message says it carries.
    msg->Length = MESSAGE_VALUES;
    return msg;
}
