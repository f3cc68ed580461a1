// Lookups from several threads while the language changes: each lookup sees the old or the new
// language as a whole. Run under the sanitizer builds to catch data races and torn reads.
#include "Dictionary.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

TEST(DictionaryConcurrency, LookupsSeeTheOldOrTheNewLanguageWhileItChanges) {
    CDictionary dictionary;
    ASSERT_TRUE(dictionary.Load());
    ASSERT_TRUE(dictionary.SetLanguage("en"));
    const std::vector<std::string> languages = dictionary.GetLanguages();
    const std::vector<std::string> tags = {"IDS_IDOK",           "IDS_IDCANCEL",       "IDS_TELMGR_MSG_5",
                                           "IDS_MAINVIEW_MSG_3", "IDS_MAILMGR_MSG_18", "IDC_MENU_POPUP_FILE",
                                           "IDS_GSMMGR_MSG_31"};
    // The texts each tag may legitimately show.
    std::map<std::string, std::set<std::string>> allowed;
    for (const std::string& tag : tags) {
        for (const std::string& language : languages) {
            std::string text;
            ASSERT_TRUE(dictionary.GetText(tag, language, text));
            allowed[tag].insert(text);
        }
    }

    std::atomic<bool> stop{false};
    std::atomic<long> lookups{0};
    std::atomic<long> wrong{0};
    std::vector<std::thread> readers;
    for (int r = 0; r < 4; ++r) {
        readers.emplace_back([&, r] {
            std::size_t i = static_cast<std::size_t>(r);
            while (!stop.load(std::memory_order_relaxed)) {
                const std::string& tag = tags[i++ % tags.size()];
                if (!allowed[tag].contains(dictionary.Translate(tag))) {
                    wrong.fetch_add(1);
                }
                const std::string language = dictionary.GetLanguage();
                if (std::find(languages.begin(), languages.end(), language) == languages.end()) {
                    wrong.fetch_add(1);
                }
                lookups.fetch_add(1, std::memory_order_relaxed);
            }
        });
    }
    // Keep changing the language until the readers have done plenty of lookups meanwhile.
    long changes = 0;
    bool changed = true;
    while (changed && (changes < 20000 || lookups.load() < 100000)) {
        changed = dictionary.SetLanguage(languages[static_cast<std::size_t>(changes++) % languages.size()]);
    }
    stop = true;
    for (auto& reader : readers) {
        reader.join();
    }
    EXPECT_TRUE(changed);
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_GE(lookups.load(), 100000);
}
