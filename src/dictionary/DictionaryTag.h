#pragma once

#include <map>
#include <string>

// One tag of the word list with its text in each language.
class CDictionaryTag {
public:
    explicit CDictionaryTag(std::string name) : m_name(std::move(name)) {}

    const std::string& GetName() const { return m_name; }

    // Adds the text of a language; false (and the first text stays) when the language already
    // has one.
    bool AddText(const std::string& language, std::string text);

    // The text of a language, or nullptr when the tag has none for it.
    const std::string* GetText(const std::string& language) const;

    bool HasTexts() const { return !m_texts.empty(); }
    std::size_t GetTextCount() const { return m_texts.size(); }

private:
    std::string m_name;
    std::map<std::string, std::string, std::less<>> m_texts;
};
