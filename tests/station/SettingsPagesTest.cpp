#include "SettingsPages.h"

#include "Dictionary.h"
#include "DictionaryStartup.h"
#include "RegistryValue.h"
#include "TempDir.h"
#include "Translate.h"

#include <gtest/gtest.h>

namespace {

class SettingsPagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir.UseAsSettingsFolder();
        ASSERT_TRUE(dictionary.Load());
        ASSERT_TRUE(dictionary.SetLanguage("en"));
        dictionary.InstallAsTranslator();
    }
    void TearDown() override { Text::SetTranslator({}); }

    CTempDir dir;
    CDictionary dictionary;
};

bool Reads(const std::string& text, CSettingsPages::SRange range, int expected) {
    int value = -1;
    std::string message;
    return CSettingsPages::ReadNumber(text, range, value, message) && value == expected && message.empty();
}

std::string Refusal(const std::string& text, CSettingsPages::SRange range) {
    int value = -1;
    std::string message;
    EXPECT_FALSE(CSettingsPages::ReadNumber(text, range, value, message)) << text;
    EXPECT_EQ(value, -1) << text;
    return message;
}

} // namespace

TEST_F(SettingsPagesTest, NumberFieldsAreRefusedOutsideTheirRangesWithBothLimitsNamed) {
    EXPECT_EQ(Refusal("5", CSettingsPages::MAX_ALARMLIST_ITEMS),
              "Please enter an integer between 100 and 5000.");
    EXPECT_TRUE(Reads("100", CSettingsPages::MAX_ALARMLIST_ITEMS, 100));
    EXPECT_TRUE(Reads("5000", CSettingsPages::MAX_ALARMLIST_ITEMS, 5000));
    EXPECT_EQ(Refusal("5001", CSettingsPages::MAX_ALARMLIST_ITEMS),
              "Please enter an integer between 100 and 5000.");

    EXPECT_TRUE(Reads("0", CSettingsPages::RING_SIGNALS, 0));
    EXPECT_TRUE(Reads("16", CSettingsPages::RING_SIGNALS, 16));
    EXPECT_EQ(Refusal("17", CSettingsPages::RING_SIGNALS), "Please enter an integer between 0 and 16.");
    EXPECT_TRUE(Reads("10", CSettingsPages::REFRESH_INTERVAL, 10));
    EXPECT_FALSE(Refusal("121", CSettingsPages::REFRESH_INTERVAL).empty());
    EXPECT_TRUE(Reads("36", CSettingsPages::KEEP_MONTHS, 36));
    EXPECT_FALSE(Refusal("0", CSettingsPages::KEEP_MONTHS).empty());

    // The mail port is 16 bits wide: a number beyond is refused, not cut to another port.
    EXPECT_TRUE(Reads("65535", CSettingsPages::MAIL_PORT, 65535));
    EXPECT_EQ(Refusal("65561", CSettingsPages::MAIL_PORT), "Please enter an integer between 1 and 65535.");
    EXPECT_FALSE(Refusal("0", CSettingsPages::MAIL_PORT).empty());

    // No number at all: the same message, which tells what is wanted.
    EXPECT_FALSE(Refusal("", CSettingsPages::MAIL_PORT).empty());
    EXPECT_FALSE(Refusal("  ", CSettingsPages::MAIL_PORT).empty());
    EXPECT_FALSE(Refusal("25x", CSettingsPages::MAIL_PORT).empty());
    EXPECT_FALSE(Refusal("99999999999999999999999", CSettingsPages::MAIL_PORT).empty());
}

TEST_F(SettingsPagesTest, APinIsEmptyOrFourDigits) {
    EXPECT_TRUE(CSettingsPages::IsValidPin(""));
    EXPECT_TRUE(CSettingsPages::IsValidPin("0000"));
    EXPECT_TRUE(CSettingsPages::IsValidPin("1234"));
    EXPECT_FALSE(CSettingsPages::IsValidPin("123"));
    EXPECT_FALSE(CSettingsPages::IsValidPin("12a4"));
    EXPECT_FALSE(CSettingsPages::IsValidPin("12345"));
    EXPECT_FALSE(CSettingsPages::IsValidPin(" 123"));
    EXPECT_EQ(Text::Tr(CSettingsPages::PIN_MESSAGE_TAG),
              "Only PIN-Codes with 4 digits or a blank field is valid");
}

TEST_F(SettingsPagesTest, LeavingTheDatabasePageAsksAboutFewerAndAboutManyMonths) {
    using Q = std::vector<std::string>;
    const std::string fewer = CSettingsPages::MONTHS_DECREASE_TAG;
    const std::string many = CSettingsPages::MONTHS_SLOWNESS_TAG;
    EXPECT_EQ(CSettingsPages::MonthsQuestions(12, 6), Q{fewer});
    EXPECT_EQ(CSettingsPages::MonthsQuestions(12, 24), Q{many});
    EXPECT_EQ(CSettingsPages::MonthsQuestions(6, 12), Q{});
    EXPECT_EQ(CSettingsPages::MonthsQuestions(12, 12), Q{});
    // Unchanged but large: nothing to warn about again.
    EXPECT_EQ(CSettingsPages::MonthsQuestions(24, 24), Q{});
    // Fewer, but still many: both, in this order.
    EXPECT_EQ(CSettingsPages::MonthsQuestions(30, 18), (Q{fewer, many}));
    EXPECT_NE(Text::Tr(fewer).find("delete 'AlarmInfo' records"), std::string::npos);
    EXPECT_NE(Text::Tr(many).find("slow down"), std::string::npos);
}

TEST_F(SettingsPagesTest, DropDownChoicesAndTheDatabaseFolder) {
    EXPECT_EQ(CSettingsPages::BaudrateIndex(115200), 1);
    EXPECT_EQ(CSettingsPages::BaudrateIndex(9600), 0);
    // A speed the page does not offer shows as 9600 and is stored so.
    EXPECT_EQ(CSettingsPages::BaudrateIndex(19200), 0);
    EXPECT_EQ(CSettingsPages::BaudrateOf(CSettingsPages::BaudrateIndex(19200)), 9600);
    EXPECT_EQ(CSettingsPages::BaudrateOf(1), 115200);
    EXPECT_STREQ(CSettingsPages::NetChoices()[0], "2G + 3G + 4G");
    EXPECT_STREQ(CSettingsPages::NetChoices()[6], "4G");
    EXPECT_EQ(CSettingsPages::FolderWithSeparator("/srv/mora"), "/srv/mora/");
    EXPECT_EQ(CSettingsPages::FolderWithSeparator("/srv/mora/"), "/srv/mora/");
    EXPECT_EQ(CSettingsPages::FolderWithSeparator(""), "");
}

TEST_F(SettingsPagesTest, OkReportsTheChangedGroupsAndSavesEverything) {
    CSettings settings;
    settings.Load();
    SSettingsValues edited = settings.Values();
    edited.AlarmListRefreshInterval = 30; // no group
    edited.DatabasePath = "/srv/mora/";   // no group: counts from the next start
    EXPECT_EQ(CSettingsPages::Commit(settings, edited), SETTINGS_GROUP_NONE);

    edited = settings.Values();
    edited.KeepAirMonths = 24;
    edited.GsmPinCode = "1234";
    edited.MailEnabled = 0;
    EXPECT_EQ(CSettingsPages::Commit(settings, edited),
              unsigned{SETTINGS_GROUP_DB | SETTINGS_GROUP_GSM | SETTINGS_GROUP_MAIL});

    edited = settings.Values();
    edited.TelComPort = 4;
    edited.ExtRelayCtrl = 0;
    EXPECT_EQ(CSettingsPages::Commit(settings, edited), unsigned{SETTINGS_GROUP_TEL});
    EXPECT_EQ(settings.TelComPort, 4);

    // Read back from the store as the next start will.
    CSettings stored;
    stored.Load();
    EXPECT_EQ(stored.Values(), settings.Values());
    EXPECT_EQ(stored.AlarmListRefreshInterval, 30);
    EXPECT_EQ(stored.DatabasePath, "/srv/mora/");
    EXPECT_EQ(stored.KeepAirMonths, 24);
    EXPECT_EQ(stored.GsmPinCode, "1234");
}

TEST_F(SettingsPagesTest, TheLanguageButtonSetsAndStoresALanguageAtOnce) {
    EXPECT_EQ(CSettingsPages::Languages(dictionary), (std::vector<std::string>{"en", "de", "fr", "se"}));
    EXPECT_EQ(CSettingsPages::CurrentLanguageIndex(dictionary), 0);

    bool done = false;
    const std::string text = CSettingsPages::SetLanguage(dictionary, "de", done);
    EXPECT_TRUE(done);
    EXPECT_EQ(dictionary.GetLanguage(), "de");
    EXPECT_EQ(text, dictionary.Translate("IDS_SETTINGS_TAB_LANGUAGE_MSG_2"));
    EXPECT_EQ(RegistryValueStr(MORA_SETTINGS_KEY, CDictionaryStartup::LANGUAGE_VALUE).Get(), "de");
    EXPECT_EQ(CSettingsPages::CurrentLanguageIndex(dictionary), 1);

    // A code the dictionary does not know changes nothing.
    const std::string refused = CSettingsPages::SetLanguage(dictionary, "xx", done);
    EXPECT_FALSE(done);
    EXPECT_EQ(refused, dictionary.Translate("IDS_SETTINGS_TAB_LANGUAGE_MSG_1"));
    EXPECT_EQ(dictionary.GetLanguage(), "de");
    EXPECT_EQ(RegistryValueStr(MORA_SETTINGS_KEY, CDictionaryStartup::LANGUAGE_VALUE).Get(), "de");

    // The settings' save-all keeps the language value.
    CSettings settings;
    settings.Load();
    ASSERT_TRUE(settings.SaveAll());
    EXPECT_EQ(RegistryValueStr(MORA_SETTINGS_KEY, CDictionaryStartup::LANGUAGE_VALUE).Get(), "de");
}
