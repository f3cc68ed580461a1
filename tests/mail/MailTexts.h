#pragma once

#include "Dictionary.h"
#include "Translate.h"

#include <gtest/gtest.h>

#include <string>

// Makes the built-in dictionary the translator in the given language, so that tests check the
// texts the station really writes.
inline void UseLanguage(const std::string& language) {
    static const bool loaded = CDictionary::Instance().Load();
    ASSERT_TRUE(loaded);
    ASSERT_TRUE(CDictionary::Instance().SetLanguage(language));
    CDictionary::Instance().InstallAsTranslator();
}
