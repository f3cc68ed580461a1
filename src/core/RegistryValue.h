#pragma once

#include "SettingsStore.h"

#include <cstdint>
#include <string>

// The settings key of the station.
inline constexpr const char* MORA_SETTINGS_KEY = "Software\\Brennvik\\MORA\\Settings";

// One named value of the per-user store at an explicit key path, for values read before the
// settings object exists (the language).
class RegistryValue {
public:
    enum class EType { Number, String };
    // Why an access failed; each has the dictionary tag of its message.
    enum class EError { None, CannotCreateKey, CannotOpenKey, WrongType, QueryFailed };

    RegistryValue(std::string keyPath, std::string valueName, EType type);
    virtual ~RegistryValue() = default;

    // True when the key opens and the value is present with a non-empty size.
    bool Exists() const;

    bool ReadNumber(std::int32_t& value) const;
    bool WriteNumber(std::int32_t value) const;

    EError LastError() const { return m_lastError; }
    static const char* ErrorTag(EError error);

protected:
    bool ReadText(std::string& value) const;
    bool WriteText(const std::string& value) const;

private:
    void Fail(CSettingsStore::EResult result) const;

    CSettingsStore m_store;
    std::string m_name;
    EType m_type;
    mutable EError m_lastError = EError::None;
};

class RegistryValueStr : public RegistryValue {
public:
    static constexpr std::size_t MAX_CHARS = 99;

    RegistryValueStr(std::string keyPath, std::string valueName)
        : RegistryValue(std::move(keyPath), std::move(valueName), EType::String) {}

    // The stored text; any failure, and a text longer than 99 characters, gives the empty string.
    std::string Get() const;
    bool Set(const std::string& value) const { return WriteText(value); }
};
