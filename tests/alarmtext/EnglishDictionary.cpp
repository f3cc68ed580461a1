#include "EnglishDictionary.h"

#include "Dictionary.h"

#include <gtest/gtest.h>

void UseEnglishDictionary() {
    static const bool loaded = [] {
        CDictionary& dictionary = CDictionary::Instance();
        return dictionary.Load() && dictionary.SetLanguage("en");
    }();
    ASSERT_TRUE(loaded);
    CDictionary::Instance().SetLanguage("en");
    CDictionary::Instance().InstallAsTranslator();
}
