#include "RegistryValue.h"

RegistryValue::RegistryValue(std::string keyPath, std::string valueName, EType type)
    : m_store(keyPath), m_name(std::move(valueName)), m_type(type) {}

void RegistryValue::Fail(CSettingsStore::EResult result) const {
    switch (result) {
    case CSettingsStore::EResult::Ok:
        m_lastError = EError::None;
        break;
    case CSettingsStore::EResult::NoKey:
        m_lastError = EError::CannotOpenKey;
        break;
    case CSettingsStore::EResult::WrongType:
        m_lastError = EError::WrongType;
        break;
    case CSettingsStore::EResult::Missing:
        m_lastError = EError::QueryFailed;
        break;
    case CSettingsStore::EResult::WriteFailed:
        m_lastError = EError::CannotCreateKey;
        break;
    }
}

bool RegistryValue::Exists() const {
    if (m_type == EType::Number) {
        std::int32_t v = 0;
        return m_store.ReadNumber(m_name, v) == CSettingsStore::EResult::Ok;
    }
    std::string s;
    return m_store.ReadString(m_name, s) == CSettingsStore::EResult::Ok && !s.empty();
}

bool RegistryValue::ReadNumber(std::int32_t& value) const {
    if (m_type != EType::Number) {
        m_lastError = EError::WrongType;
        return false;
    }
    const auto r = m_store.ReadNumber(m_name, value);
    Fail(r);
    return r == CSettingsStore::EResult::Ok;
}

bool RegistryValue::WriteNumber(std::int32_t value) const {
    const auto r = m_store.WriteNumber(m_name, value);
    Fail(r);
    return r == CSettingsStore::EResult::Ok;
}

bool RegistryValue::ReadText(std::string& value) const {
    const auto r = m_store.ReadString(m_name, value);
    Fail(r);
    return r == CSettingsStore::EResult::Ok;
}

bool RegistryValue::WriteText(const std::string& value) const {
    const auto r = m_store.WriteString(m_name, value);
    Fail(r);
    return r == CSettingsStore::EResult::Ok;
}

const char* RegistryValue::ErrorTag(EError error) {
    switch (error) {
    case EError::None:
        return "";
    case EError::CannotCreateKey:
        return "IDS_REGISTRYVALUE_MSG_1";
    case EError::CannotOpenKey:
        return "IDS_REGISTRYVALUE_MSG_2";
    case EError::WrongType:
        return "IDS_REGISTRYVALUE_MSG_3";
    case EError::QueryFailed:
        return "IDS_REGISTRYVALUE_MSG_4";
    }
    return "";
}

std::string RegistryValueStr::Get() const {
    std::string value;
    if (!ReadText(value)) {
        return {};
    }
    // The value is read into a 100-byte buffer; a longer one does not fit and reads as empty.
    if (value.size() > MAX_CHARS) {
        return {};
    }
    return value;
}
