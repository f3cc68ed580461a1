#include "DictFormat.h"
#include "Dictionary.h"
#include "EnglishDictionary.h"
#include "Translate.h"

#include <gtest/gtest.h>

#include <map>

namespace {

TEST(DictFormatTest, ConversionsMustFitTheEnglishArguments) {
    EXPECT_TRUE(DictFormat::FitsArguments("Fehlercode: %c%u\n", "Error code: %c%u\n"));
    EXPECT_TRUE(DictFormat::FitsArguments("%c%03u", "%c%u"));
    EXPECT_TRUE(DictFormat::FitsArguments("100%% %d", "%d"));
    EXPECT_TRUE(DictFormat::FitsArguments("no conversion", "%s, %s"));
    EXPECT_TRUE(DictFormat::FitsArguments("only %s", "%s, %s"));
    EXPECT_FALSE(DictFormat::FitsArguments("%s", "%d"));
    EXPECT_FALSE(DictFormat::FitsArguments("%d %d", "%d"));
    EXPECT_FALSE(DictFormat::FitsArguments("%n", "%d"));
    EXPECT_FALSE(DictFormat::FitsArguments("%1$d", "%d"));
    EXPECT_FALSE(DictFormat::FitsArguments("%ld", "%d"));
    EXPECT_FALSE(DictFormat::FitsArguments("ends in %", "%d"));
    EXPECT_FALSE(DictFormat::FitsArguments("%*d", "%d"));
}

TEST(DictFormatTest, BadTranslationFallsBackToTheEnglishFormat) {
    Text::SetTranslator([](const std::string& tag) {
        static const std::map<std::string, std::string> texts = {
            {"GOOD", "Code %d!"}, {"BAD", "Code %s%n"}, {"FEWER", "Code"}};
        const auto it = texts.find(tag);
        return it == texts.end() ? std::string("*NA*") : it->second;
    });
    EXPECT_EQ(DictFormat::TrF("GOOD", "Code: %d", 7), "Code 7!");
    EXPECT_EQ(DictFormat::TrF("BAD", "Code: %d", 7), "Code: 7");
    EXPECT_EQ(DictFormat::TrF("FEWER", "Code: %d", 7), "Code");
    EXPECT_EQ(DictFormat::TrF("MISSING", "Code: %d", 7), "*NA*");
    Text::SetTranslator({});
}

// Every language of the built-in word list gives the message manager's formats the arguments
// they expect, so none of them falls back to English.
TEST(DictFormatTest, EveryLanguageFitsTheMessageManagerFormats) {
    UseEnglishDictionary();
    const std::map<std::string, std::string> formats = {{"IDS_MESSAGEMGR_MSG_6", "SMS Timestamp: %s, %s"},
                                                        {"IDS_MESSAGEMGR_MSG_8", "Error code: %c%u\n"},
                                                        {"IDS_MESSAGEMGR_MSG_9", "Floor: %d\n"},
                                                        {"IDS_MESSAGEMGR_MSG_10", "Position: %d\n"},
                                                        {"IDS_MESSAGEMGR_MSG_15", "Error code: %c%03u\n"},
                                                        {"IDS_MESSAGEMGR_MSG_20", "Unknown Error, Code: %d"}};
    const CDictionary& dictionary = CDictionary::Instance();
    for (const std::string& language : dictionary.GetLanguages()) {
        for (const auto& [tag, english] : formats) {
            std::string text;
            ASSERT_TRUE(dictionary.GetText(tag, language, text)) << tag << " " << language;
            EXPECT_TRUE(DictFormat::FitsArguments(text, english)) << tag << " " << language << ": " << text;
        }
    }
}

} // namespace
