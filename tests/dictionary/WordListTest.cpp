// Completeness of the word list built into the program: every tag in four languages, formats and
// line ends kept by every translation, and every tag the sources look up present.
#include "BuiltInWordList.h"
#include "Dictionary.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::vector<std::string> LANGUAGES = {"en", "de", "fr", "se"};

std::string Body() {
    const auto bytes = CBuiltInWordList::Bytes();
    return std::string(bytes.begin() + CBuiltInWordList::HEADER_SIZE, bytes.end());
}

std::vector<std::string> Matches(const std::string& text, const std::regex& pattern, int group = 0) {
    std::vector<std::string> found;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern); it != std::sregex_iterator();
         ++it) {
        found.push_back((*it)[group].str());
    }
    return found;
}

// The printf conversions of a format, in order ("%%" included).
std::vector<std::string> Conversions(const std::string& text) {
    static const std::regex conversion(R"(%[-+ #0]*[0-9]*(\.[0-9]+)?(hh|h|ll|l|L|z|j|t)?[diouxXeEfgGcspn%])");
    return Matches(text, conversion);
}

// The line ends and tabs of a text, in order.
std::vector<std::string> ControlCharacters(const std::string& text) {
    static const std::regex control("[\r\n\t]");
    return Matches(text, control);
}

class BuiltInList : public testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dictionary = new CDictionary;
        ASSERT_TRUE(s_dictionary->Load());
    }
    static void TearDownTestSuite() {
        delete s_dictionary;
        s_dictionary = nullptr;
    }
    static CDictionary* s_dictionary;
};

CDictionary* BuiltInList::s_dictionary = nullptr;

} // namespace

TEST_F(BuiltInList, EveryTagHasFourNonEmptyEntriesInLanguageOrder) {
    const std::string body = Body();
    static const std::regex tagElement(R"re(<tag name="([^"]*)">([\s\S]*?)</tag>)re");
    static const std::regex entry(R"re(<entry lang="([^"]*)">)re");
    std::size_t tags = 0;
    for (auto it = std::sregex_iterator(body.begin(), body.end(), tagElement); it != std::sregex_iterator();
         ++it) {
        ++tags;
        EXPECT_EQ(Matches((*it)[2].str(), entry, 1), LANGUAGES) << (*it)[1].str();
    }
    // Every tag element of the file is one tag of the dictionary: none merged away as a duplicate.
    EXPECT_EQ(tags, s_dictionary->GetTagNames().size());
    EXPECT_GT(tags, 700u);
    for (const std::string& tag : s_dictionary->GetTagNames()) {
        for (const std::string& language : LANGUAGES) {
            std::string text;
            ASSERT_TRUE(s_dictionary->GetText(tag, language, text)) << tag << " " << language;
            EXPECT_FALSE(text.empty()) << tag << " " << language;
        }
    }
}

TEST_F(BuiltInList, NoTwoTagElementsShareAName) {
    static const std::regex name(R"re(<tag name="([^"]*)">)re");
    const std::vector<std::string> names = Matches(Body(), name, 1);
    const std::set<std::string> unique(names.begin(), names.end());
    EXPECT_EQ(unique.size(), names.size());
    EXPECT_EQ(unique.size(), s_dictionary->GetTagNames().size());
}

TEST_F(BuiltInList, TranslationsKeepTheFormatsLineEndsAndAcceleratorOfTheEnglishText) {
    for (const std::string& tag : s_dictionary->GetTagNames()) {
        std::string english;
        ASSERT_TRUE(s_dictionary->GetText(tag, "en", english));
        const auto accelerators = std::count(english.begin(), english.end(), '&');
        EXPECT_LE(accelerators, 1) << tag;
        for (const std::string language : {"de", "fr", "se"}) {
            std::string text;
            ASSERT_TRUE(s_dictionary->GetText(tag, language, text));
            EXPECT_EQ(Conversions(text), Conversions(english)) << tag << " " << language << ": " << text;
            EXPECT_EQ(ControlCharacters(text), ControlCharacters(english)) << tag << " " << language;
            EXPECT_EQ(std::count(text.begin(), text.end(), '&'), accelerators) << tag << " " << language;
        }
    }
}

TEST_F(BuiltInList, EveryLanguageGivesRealTextForEveryTag) {
    CDictionary dictionary;
    ASSERT_TRUE(dictionary.Load());
    const std::vector<std::string> tags = dictionary.GetTagNames();
    for (const std::string& language : LANGUAGES) {
        ASSERT_TRUE(dictionary.SetLanguage(language));
        for (const std::string& tag : tags) {
            EXPECT_NE(dictionary.Translate(tag), "*NA*") << tag << " " << language;
        }
    }
    // Spot checks that the translations are really translated.
    ASSERT_TRUE(dictionary.SetLanguage("de"));
    EXPECT_EQ(dictionary.Translate("IDS_IDCANCEL"), "Abbrechen");
    ASSERT_TRUE(dictionary.SetLanguage("fr"));
    EXPECT_EQ(dictionary.Translate("IDS_IDYES"), "Oui");
    ASSERT_TRUE(dictionary.SetLanguage("se"));
    EXPECT_EQ(dictionary.Translate("IDS_IDNO"), "Nej");
}

TEST_F(BuiltInList, EveryTagTheSourcesLookUpIsInTheList) {
    // Tags appear in the sources as string literals; a literal ending in '_' is a prefix that the
    // code completes (menu and prompt tags by command symbol).
    static const std::regex literal(R"re("((IDS|IDC|IDD|AFX)_[A-Z0-9_]*[A-Z0-9])")re");
    // Looked up on purpose although the list has no text for them: they read "*NA*".
    const std::set<std::string> knownAbsent = {"IDS_REGISTRYVALUE_MSG_1", "IDS_REGISTRYVALUE_MSG_2",
                                               "IDS_REGISTRYVALUE_MSG_3", "IDS_REGISTRYVALUE_MSG_4"};
    const std::vector<std::string> names = s_dictionary->GetTagNames();
    const std::set<std::string> known(names.begin(), names.end());
    std::size_t scanned = 0;
    for (const char* folder : {"src", "app"}) {
        const std::filesystem::path root = std::filesystem::path(MORA_SOURCE_DIR) / folder;
        if (!std::filesystem::exists(root)) {
            continue;
        }
        for (const auto& file : std::filesystem::recursive_directory_iterator(
                 root, std::filesystem::directory_options::follow_directory_symlink)) {
            const std::string extension = file.path().extension().string();
            if (!file.is_regular_file() || (extension != ".cpp" && extension != ".h")) {
                continue;
            }
            std::ifstream in(file.path());
            std::stringstream content;
            content << in.rdbuf();
            ++scanned;
            for (const std::string& tag : Matches(content.str(), literal, 1)) {
                if (!knownAbsent.contains(tag)) {
                    EXPECT_TRUE(known.contains(tag)) << tag << " in " << file.path();
                }
            }
        }
    }
    EXPECT_GT(scanned, 0u);
}
