#include "Settings.h"

#include "Paths.h"
#include "RegistryValue.h"
#include "SettingsStore.h"

#include <type_traits>
#include <variant>
#include <vector>

namespace {

using MemberRef = std::variant<std::int32_t*, std::int16_t*, std::uint16_t*, std::string*>;

struct SKey {
    std::string name;
    MemberRef member;
    unsigned group;
    bool savedByAll;
};

// The keys in the store's table order, bound to the members of one value set.
std::vector<SKey> Keys(SSettingsValues& v) {
    std::vector<SKey> keys = {
        {"NORD", &v.NORD, SETTINGS_GROUP_NONE, false},
        {"TelComPort", &v.TelComPort, SETTINGS_GROUP_TEL, true},
        {"TelEnabled", &v.TelEnabled, SETTINGS_GROUP_TEL, true},
        {"TelRingSignals", &v.TelRingSignals, SETTINGS_GROUP_TEL, true},
        {"CpcEnabled", &v.CpcEnabled, SETTINGS_GROUP_TEL, true},
        {"WirelessNetSel", &v.WirelessNetSel, SETTINGS_GROUP_TEL, true},
        {"GsmComPort", &v.GsmComPort, SETTINGS_GROUP_GSM, true},
        {"GsmEnabled", &v.GsmEnabled, SETTINGS_GROUP_GSM, true},
        {"GsmBaudrate", &v.GsmBaudrate, SETTINGS_GROUP_GSM, true},
        {"GsmPinCode", &v.GsmPinCode, SETTINGS_GROUP_GSM, true},
        {"GsmWirelessNetSel", &v.GsmWirelessNetSel, SETTINGS_GROUP_GSM, true},
        {"MailEnabled", &v.MailEnabled, SETTINGS_GROUP_MAIL, true},
        {"SendMailServer", &v.SendMailServer, SETTINGS_GROUP_NONE, true},
        {"MailPortNumber", &v.MailPortNumber, SETTINGS_GROUP_NONE, true},
        {"MailAccountName", &v.MailAccountName, SETTINGS_GROUP_NONE, true},
        {"MailSenderAddress", &v.MailSenderAddress, SETTINGS_GROUP_NONE, true},
        {"MailHeader1", &v.MailHeader1, SETTINGS_GROUP_NONE, true},
        {"MailHeader2", &v.MailHeader2, SETTINGS_GROUP_NONE, true},
        {"MaxAlarmlistItems", &v.MaxAlarmlistItems, SETTINGS_GROUP_DB, true},
        {"AlarmPopUpEnabled", &v.AlarmPopUpEnabled, SETTINGS_GROUP_NONE, true},
        {"VoiceCallEnabled", &v.VoiceCallEnabled, SETTINGS_GROUP_TEL, true},
        {"VoiceCallAlertEnabled", &v.VoiceCallAlertEnabled, SETTINGS_GROUP_NONE, true},
        {"AlarmListAutRefreshEnabled", &v.AlarmListAutRefreshEnabled, SETTINGS_GROUP_NONE, true},
        {"AlarmListRefreshInterval", &v.AlarmListRefreshInterval, SETTINGS_GROUP_NONE, true},
        {"SendMailAtTestAlarm", &v.SendMailAtTestAlarm, SETTINGS_GROUP_NONE, true},
        {"AcceptCallerIdTestAlarms", &v.AcceptCallerIdTestAlarms, SETTINGS_GROUP_GSM, true},
        {"ExtRelayCtrl", &v.ExtRelayCtrl, SETTINGS_GROUP_TEL, true},
        {"UseCidPhoneNumber", &v.UseCidPhoneNumber, SETTINGS_GROUP_DB, true},
        {"TestAlarmFilter", &v.TestAlarmFilter, SETTINGS_GROUP_DB, true},
        {"DatabasePath", &v.DatabasePath, SETTINGS_GROUP_NONE, true},
        {"KeepAirMonths", &v.KeepAirMonths, SETTINGS_GROUP_DB, true},
        {"ColumnWidthStatus", &v.ColumnWidthStatus, SETTINGS_GROUP_NONE, true},
        {"ColumnWidthType", &v.ColumnWidthType, SETTINGS_GROUP_NONE, true},
        {"ColumnWidthIdCode", &v.ColumnWidthIdCode, SETTINGS_GROUP_NONE, true},
        {"ColumnWidthIdInfo", &v.ColumnWidthIdInfo, SETTINGS_GROUP_NONE, true},
        {"ColumnWidthDateTime", &v.ColumnWidthDateTime, SETTINGS_GROUP_NONE, true},
    };
    for (int slot = 0; slot < SSettingsValues::OPERATOR_COUNT; ++slot) {
        keys.push_back({CSettings::OperatorKey(slot), &v.Operator[static_cast<std::size_t>(slot)],
                        SETTINGS_GROUP_NONE, true});
    }
    keys.push_back({"LastOperator", &v.LastOperator, SETTINGS_GROUP_NONE, false});
    return keys;
}

CSettingsStore::SRead ReadOf(const SKey& key) {
    CSettingsStore::SRead read;
    read.name = key.name;
    read.isString = std::holds_alternative<std::string*>(key.member);
    return read;
}

void Apply(const SKey& key, const CSettingsStore::SRead& read) {
    if (read.result != CSettingsStore::EResult::Ok) {
        return;
    }
    std::visit(
        [&](auto* member) {
            using T = std::remove_pointer_t<decltype(member)>;
            if constexpr (std::is_same_v<T, std::string>) {
                *member = read.text;
            } else {
                // Narrow members keep the low bits of the stored 32-bit number.
                *member = static_cast<T>(read.number);
            }
        },
        key.member);
}

CSettingsStore::SEntry Entry(const SKey& key) {
    return std::visit(
        [&](auto* member) {
            using T = std::remove_pointer_t<decltype(member)>;
            if constexpr (std::is_same_v<T, std::string>) {
                return CSettingsStore::SEntry{key.name, *member};
            } else {
                return CSettingsStore::SEntry{key.name, static_cast<std::int32_t>(*member)};
            }
        },
        key.member);
}

bool SameValue(const MemberRef& a, const MemberRef& b) {
    return std::visit(
        [&](auto* x) {
            using P = decltype(x);
            return *x == *std::get<P>(b);
        },
        a);
}

} // namespace

std::string CSettings::OperatorKey(int slot) {
    return "Operator[" + std::to_string(slot) + "]";
}

bool CSettings::Load() {
    SSettingsValues& values = *this;
    values = SSettingsValues{};
    const std::vector<SKey> keys = Keys(values);
    std::vector<CSettingsStore::SRead> reads;
    reads.reserve(keys.size());
    for (const SKey& key : keys) {
        reads.push_back(ReadOf(key));
    }
    CSettingsStore(MORA_SETTINGS_KEY).ReadValues(reads);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        Apply(keys[i], reads[i]);
    }
    if (DatabasePath.empty()) {
        DatabasePath = Paths::WorkingDirectory();
    }
    return true;
}

bool CSettings::SaveAll() const {
    // One atomic replacement of the file: a failing write leaves the stored values as they were
    // instead of half of them new.
    SSettingsValues copy = *this;
    std::vector<CSettingsStore::SEntry> entries;
    for (const SKey& key : Keys(copy)) {
        if (key.savedByAll) {
            entries.push_back(Entry(key));
        }
    }
    return CSettingsStore(MORA_SETTINGS_KEY).WriteValues(entries) == CSettingsStore::EResult::Ok;
}

bool CSettings::SaveLastOperator(const std::string& name) {
    LastOperator = name;
    return CSettingsStore(MORA_SETTINGS_KEY).WriteString("LastOperator", name) == CSettingsStore::EResult::Ok;
}

unsigned CSettings::ChangedGroups(const SSettingsValues& before, const SSettingsValues& after) {
    SSettingsValues a = before;
    SSettingsValues b = after;
    const auto keysA = Keys(a);
    const auto keysB = Keys(b);
    unsigned groups = SETTINGS_GROUP_NONE;
    for (std::size_t i = 0; i < keysA.size(); ++i) {
        if (keysA[i].group != SETTINGS_GROUP_NONE && !SameValue(keysA[i].member, keysB[i].member)) {
            groups |= keysA[i].group;
        }
    }
    return groups;
}
