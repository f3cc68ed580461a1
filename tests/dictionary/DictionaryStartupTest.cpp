// The dictionary at start-up: the language from the settings store, and the failure path when
// the word list cannot be loaded.
#include "DictionaryStartup.h"
#include "Dictionary.h"
#include "MessageBoxPolicy.h"
#include "RecordingFrontEnd.h"
#include "RegistryValue.h"
#include "TempDir.h"
#include "Translate.h"
#include "WordListMaker.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class StartupLanguage : public testing::Test {
protected:
    void SetUp() override {
        m_settings.UseAsSettingsFolder();
        ASSERT_TRUE(m_dictionary.Load());
    }

    std::string Stored() const { return RegistryValueStr(MORA_SETTINGS_KEY, "Language").Get(); }
    void Store(const std::string& code) const {
        ASSERT_TRUE(RegistryValueStr(MORA_SETTINGS_KEY, "Language").Set(code));
    }

    CTempDir m_settings;
    CDictionary m_dictionary;
};

} // namespace

TEST_F(StartupLanguage, NoStoredValueWritesAndUsesEnglish) {
    EXPECT_FALSE(RegistryValueStr(MORA_SETTINGS_KEY, "Language").Exists());
    EXPECT_EQ(CDictionaryStartup::ChooseLanguage(m_dictionary), "en");
    EXPECT_EQ(Stored(), "en");
    EXPECT_NE(CTempDir::ReadFile(m_settings.File("Settings.json")).find("\"Language\""), std::string::npos);
    EXPECT_EQ(m_dictionary.Translate("IDS_IDNO"), "No");
}

TEST_F(StartupLanguage, AStoredKnownCodeIsUsed) {
    Store("fr");
    EXPECT_EQ(CDictionaryStartup::ChooseLanguage(m_dictionary), "fr");
    EXPECT_EQ(m_dictionary.Translate("IDS_IDNO"), "Non");
    EXPECT_EQ(Stored(), "fr");
}

TEST_F(StartupLanguage, ARefusedCodeFallsBackToEnglishAndStaysInTheStore) {
    for (const std::string code : {"xx", "EN", "de "}) {
        Store(code);
        m_dictionary.SetLanguage("se");
        EXPECT_EQ(CDictionaryStartup::ChooseLanguage(m_dictionary), "en") << code;
        EXPECT_EQ(Stored(), code);
    }
}

TEST_F(StartupLanguage, AnEmptyStoredValueIsReplacedByEnglish) {
    // An empty string has no size, so it counts as missing and "en" is written.
    Store("");
    EXPECT_EQ(CDictionaryStartup::ChooseLanguage(m_dictionary), "en");
    EXPECT_EQ(Stored(), "en");
}

TEST(StartupLanguageStore, AnUnwritableStoreStillGivesEnglish) {
    CTempDir folder;
    CTempDir::WriteFile(folder.File("not-a-folder"), "x");
    const char* old = std::getenv("MORA_CONFIG_DIR");
    const std::string saved = old ? old : "";
    setenv("MORA_CONFIG_DIR", folder.File("not-a-folder/settings").c_str(), 1);
    CDictionary dictionary;
    ASSERT_TRUE(dictionary.Load());
    EXPECT_EQ(CDictionaryStartup::ChooseLanguage(dictionary), "en");
    if (old) {
        setenv("MORA_CONFIG_DIR", saved.c_str(), 1);
    } else {
        unsetenv("MORA_CONFIG_DIR");
    }
}

TEST(StartupRun, LoadsInstallsAndChoosesTheStoredLanguage) {
    CTempDir settings;
    settings.UseAsSettingsFolder();
    ASSERT_TRUE(RegistryValueStr(MORA_SETTINGS_KEY, "Language").Set("de"));
    CRecordingFrontEnd frontEnd;
    CDictionary dictionary;
    ASSERT_TRUE(CDictionaryStartup::Run(dictionary, frontEnd));
    EXPECT_TRUE(frontEnd.messageBoxes.empty());
    EXPECT_EQ(dictionary.GetLanguage(), "de");
    EXPECT_EQ(Text::Tr("IDS_IDCANCEL"), "Abbrechen");
    EXPECT_EQ(Text::TrF("IDS_GSMMGR_MSG_31", 45), "GSM: Verbindung OK, Netz 45%");
}

TEST(StartupRun, ADamagedListShowsTheFixedMessageAndStopsTheStart) {
    CTempDir settings;
    settings.UseAsSettingsFolder();
    auto list = WordListMaker::List(WordListMaker::Tag("IDS_IDOK", {{"en", "OK"}}));
    list.back() ^= 0x01;
    CRecordingFrontEnd frontEnd;
    CDictionary dictionary;
    testing::internal::CaptureStderr();
    const bool started = CDictionaryStartup::Run(dictionary, frontEnd, list);
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(started);
    EXPECT_NE(errors.find("Error loading dictionary, application will exit!"), std::string::npos);
    ASSERT_EQ(frontEnd.messageBoxes.size(), 1u);
    const auto& box = frontEnd.messageBoxes[0];
    EXPECT_EQ(box.text, "Error loading dictionary, application will exit!");
    EXPECT_EQ(box.buttons, IFrontEnd::EButtons::Ok);
    // The language was never chosen and nothing was written to the store.
    EXPECT_EQ(dictionary.GetLanguage(), "");
    EXPECT_FALSE(RegistryValueStr(MORA_SETTINGS_KEY, "Language").Exists());
    // The box is relabelled like any other, from the empty dictionary.
    const auto layout = CMessageBoxPolicy::Layout(box.text, box.buttons, box.icon, box.defaultButton);
    ASSERT_EQ(layout.buttons.size(), 1u);
    EXPECT_EQ(layout.buttons[0].text, "*NA*");
    EXPECT_EQ(layout.icon, IFrontEnd::EIcon::Warning);
    EXPECT_EQ(layout.title, "MORA");
}
