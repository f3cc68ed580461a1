#include "DictionaryStartup.h"

#include "Dictionary.h"
#include "RegistryValue.h"

#include <cstdio>

bool CDictionaryStartup::Run(CDictionary& dictionary, IFrontEnd& frontEnd,
                             std::span<const unsigned char> wordList) {
    // Installed first, so the failure box's button is looked up in the (empty) dictionary too.
    dictionary.InstallAsTranslator();
    if (!dictionary.Load(wordList)) {
        std::fprintf(stderr, "%s\n", LOAD_FAILED_TEXT);
        frontEnd.MessageBox(LOAD_FAILED_TEXT, IFrontEnd::EButtons::Ok, IFrontEnd::EIcon::None, 0);
        return false;
    }
    ChooseLanguage(dictionary);
    return true;
}

std::string CDictionaryStartup::ChooseLanguage(CDictionary& dictionary) {
    RegistryValueStr value(MORA_SETTINGS_KEY, LANGUAGE_VALUE);
    if (!value.Exists()) {
        // A failed write is treated as done: the read below then gives "" and "en" is used.
        value.Set(DEFAULT_LANGUAGE);
    }
    const std::string stored = value.Get();
    if (!dictionary.SetLanguage(stored)) {
        dictionary.SetLanguage(DEFAULT_LANGUAGE);
    }
    return dictionary.GetLanguage();
}
