#pragma once

#include "DictionaryTag.h"

#include <atomic>
#include <map>
#include <shared_mutex>
#include <span>
#include <string>
#include <vector>

// The texts of the station by tag in four languages, loaded from the built-in word list.
//
// Load runs once on the user-interface thread before any worker starts. Afterwards Translate is
// called from every thread while SetLanguage may run on the user-interface thread: the tables
// are only read, and the current language is swapped as a whole, so a lookup sees the old or the
// new language, never a mix.
class CDictionary {
public:
    static constexpr const char* NOT_AVAILABLE = "*NA*";

    CDictionary();
    ~CDictionary();
    CDictionary(const CDictionary&) = delete;
    CDictionary& operator=(const CDictionary&) = delete;

    // The one dictionary of the process, created on first use and destroyed at process end.
    static CDictionary& Instance();

    // Checks and parses the built-in word list.
    bool Load();
    // Checks and parses a word list in the same layout (header with digest, then the XML).
    // False on a damaged list, with the reason on standard error; the tables keep what was read.
    bool Load(std::span<const unsigned char> wordList);

    // The text of the tag in the current language, or "*NA*" when the tag is unknown, has no
    // text at all, or has no (or an empty) text in the current language. Never falls back to
    // another language.
    std::string Translate(const std::string& tag) const;

    // Makes a code of the language list (compared exactly) the current language.
    bool SetLanguage(const std::string& code);
    // The language codes met while loading, each once, in the order first met.
    std::vector<std::string> GetLanguages() const;
    // The current language; empty until one is set.
    std::string GetLanguage() const;

    // Makes Text::Tr look up this dictionary (until it is destroyed).
    void InstallAsTranslator();

    // Read access to the tables for checks of a word list.
    std::vector<std::string> GetTagNames() const;
    // The stored text of a tag in a language (possibly empty); false when there is none.
    bool GetText(const std::string& tag, const std::string& language, std::string& text) const;

    // The integrity check: the MD5 digest of the bytes from the end of the header on, compared
    // without regard to case with the 32 hexadecimal digits in the header.
    static bool CheckDigest(std::span<const unsigned char> wordList);
    // MD5 of the bytes as 32 lower-case hexadecimal digits, computed in chunks of at most 2 MiB;
    // empty when the digest service fails.
    static std::string Md5Hex(std::span<const unsigned char> bytes);
    // Backslash-n, -r and -t become line feed, carriage return and tab; a doubled backslash
    // before n, r or t stays as written.
    static std::string Unescape(std::string text);

    static constexpr std::size_t MD5_CHUNK = 2 * 1024 * 1024;

private:
    bool Parse(std::span<const unsigned char> wordList);
    void AddLanguage(const std::string& code);

    mutable std::shared_mutex m_tablesLock;
    std::map<std::string, CDictionaryTag, std::less<>> m_tags;
    std::vector<std::string> m_languages;
    // Index into m_languages, -1 while no language is set.
    std::atomic<int> m_current{-1};
    bool m_installed = false;
    bool m_toolkitReady = false;
};
