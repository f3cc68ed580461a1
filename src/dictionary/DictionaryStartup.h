#pragma once

#include "BuiltInWordList.h"
#include "FrontEnd.h"

#include <span>
#include <string>

class CDictionary;

// The dictionary's part of the start-up: load the built-in word list and choose the language,
// before the settings, the main window and any worker thread exist.
class CDictionaryStartup {
public:
    // Shown when the word list cannot be loaded; fixed English, because there is no dictionary.
    static constexpr const char* LOAD_FAILED_TEXT = "Error loading dictionary, application will exit!";
    // The per-user value that holds the language code.
    static constexpr const char* LANGUAGE_VALUE = "Language";
    static constexpr const char* DEFAULT_LANGUAGE = "en";

    // Installs the dictionary as the translator and loads the word list (the built-in one unless
    // another is given). On failure shows LOAD_FAILED_TEXT with an OK button and returns false:
    // the program must then end without starting anything else. On success chooses the language
    // and returns true.
    static bool Run(CDictionary& dictionary, IFrontEnd& frontEnd,
                    std::span<const unsigned char> wordList = CBuiltInWordList::Bytes());

    // The stored "Language" value ("en" is written when there is none) becomes the current
    // language; a code the dictionary refuses falls back to "en", and the store is left as it
    // is. Returns the language now current.
    static std::string ChooseLanguage(CDictionary& dictionary);
};
