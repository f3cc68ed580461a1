#include "DictionaryTag.h"

bool CDictionaryTag::AddText(const std::string& language, std::string text) {
    return m_texts.try_emplace(language, std::move(text)).second;
}

const std::string* CDictionaryTag::GetText(const std::string& language) const {
    const auto it = m_texts.find(language);
    return it == m_texts.end() ? nullptr : &it->second;
}
