#pragma once

#include <array>
#include <cstdint>
#include <string>

// Restart groups: which manager a changed value makes the core restart.
enum SettingsGroup : unsigned {
    SETTINGS_GROUP_NONE = 0,
    SETTINGS_GROUP_TEL = 1u << 0,
    SETTINGS_GROUP_GSM = 1u << 1,
    SETTINGS_GROUP_MAIL = 1u << 2,
    SETTINGS_GROUP_DB = 1u << 3,
};

// Every operator-changeable value of the station, with its default, in declaration order.
struct SSettingsValues {
    static constexpr int OPERATOR_COUNT = 10;

    std::int32_t ColumnWidthStatus = 45;
    std::int32_t ColumnWidthType = 140;
    std::int32_t ColumnWidthIdCode = 100;
    std::int32_t ColumnWidthIdInfo = 350;
    std::int32_t ColumnWidthDateTime = 125;
    std::array<std::string, OPERATOR_COUNT> Operator;
    std::string LastOperator;
    std::int32_t NORD = 0;
    std::int16_t TelComPort = 1;
    std::int32_t TelEnabled = 0;
    std::int16_t TelRingSignals = 2;
    std::int32_t CpcEnabled = 0;
    std::int16_t WirelessNetSel = 0;
    std::int16_t GsmComPort = 2;
    std::int32_t GsmEnabled = 0;
    std::string GsmPinCode;
    std::int32_t GsmBaudrate = 9600;
    std::int16_t GsmWirelessNetSel = 0;
    std::int32_t MailEnabled = 1;
    std::string SendMailServer;
    std::uint16_t MailPortNumber = 25;
    std::string MailAccountName;
    std::string MailSenderAddress;
    std::string MailHeader1;
    std::string MailHeader2;
    std::int16_t MaxAlarmlistItems = 200;
    std::int32_t AlarmPopUpEnabled = 1;
    std::int32_t VoiceCallEnabled = 0;
    std::int32_t VoiceCallAlertEnabled = 1;
    std::int32_t AlarmListAutRefreshEnabled = 0;
    std::int16_t AlarmListRefreshInterval = 10;
    std::int32_t SendMailAtTestAlarm = 0;
    std::int32_t AcceptCallerIdTestAlarms = 0;
    std::int32_t ExtRelayCtrl = 1;
    std::int32_t UseCidPhoneNumber = 0;
    std::int32_t TestAlarmFilter = 0;
    std::string DatabasePath;
    std::int16_t KeepAirMonths = 12;

    bool operator==(const SSettingsValues&) const = default;
};

// The settings of the station, loaded once from the per-user store and written back as a whole.
// Used on the user-interface thread only.
class CSettings : public SSettingsValues {
public:
    // Reads every key; missing values and values of another type give the defaults. An empty
    // DatabasePath becomes the working directory (in memory only). Cannot fail.
    bool Load();

    // Writes every key except NORD, LastOperator and Language, in table order, and stops at the
    // first write that fails.
    bool SaveAll() const;

    // Sets LastOperator and writes that one key at once.
    bool SaveLastOperator(const std::string& name);

    // The restart groups whose members differ between two value sets.
    static unsigned ChangedGroups(const SSettingsValues& before, const SSettingsValues& after);

    SSettingsValues& Values() { return *this; }
    const SSettingsValues& Values() const { return *this; }

    static std::string OperatorKey(int slot);
};
