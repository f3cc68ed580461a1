// Looking texts up: the three "*NA*" cases, no fallback, exact codes and tags, the escapes.
#include "Dictionary.h"
#include "Translate.h"
#include "WordListMaker.h"

#include <gtest/gtest.h>

using namespace WordListMaker;

namespace {

class DictionaryLookup : public testing::Test {
protected:
    void SetUp() override {
        const std::string tags =
            Tag("IDS_IDOK", {{"en", "OK"}, {"de", "OK"}}) + Tag("ONLY_EN", {{"en", "English only"}}) +
            Tag("EMPTY_DE", {{"en", "text"}, {"de", ""}}) + "  <tag name=\"NO_TEXTS\"></tag>\r\n" +
            Tag("ENTITIES", {{"en", "&amp;Save &lt;OK&gt; &amp;&amp; go"}}) +
            Tag("LINES", {{"en", "one\\ntwo\\r\\nthree\\tfour"}}) +
            Tag("DOUBLED", {{"en", "C:\\\\new\\\\table and a\\nbreak"}}) +
            Tag("DOUBLED_ONLY", {{"en", "C:\\\\new"}}) +
            Tag("UTF8", {{"en", "x"}, {"de", "Schließen, Größe"}});
        ASSERT_TRUE(m_dictionary.Load(List(tags)));
        ASSERT_TRUE(m_dictionary.SetLanguage("en"));
    }

    CDictionary m_dictionary;
};

} // namespace

TEST_F(DictionaryLookup, MissingTagMissingTextAndEmptyTextReadNotAvailable) {
    EXPECT_EQ(m_dictionary.Translate("IDS_NOT_THERE"), "*NA*");
    EXPECT_EQ(m_dictionary.Translate(""), "*NA*");
    EXPECT_EQ(m_dictionary.Translate("NO_TEXTS"), "*NA*");
    ASSERT_TRUE(m_dictionary.SetLanguage("de"));
    EXPECT_EQ(m_dictionary.Translate("EMPTY_DE"), "*NA*");
    // With German chosen there is no fallback to the English text.
    EXPECT_EQ(m_dictionary.Translate("ONLY_EN"), "*NA*");
    EXPECT_EQ(m_dictionary.Translate("IDS_IDOK"), "OK");
}

TEST_F(DictionaryLookup, TagsAndLanguageCodesAreCaseSensitive) {
    EXPECT_EQ(m_dictionary.Translate("IDS_IDOK"), "OK");
    EXPECT_EQ(m_dictionary.Translate("ids_idok"), "*NA*");
    EXPECT_EQ(m_dictionary.Translate("IDS_IDOK "), "*NA*");

    ASSERT_TRUE(m_dictionary.SetLanguage("de"));
    EXPECT_FALSE(m_dictionary.SetLanguage("EN"));
    EXPECT_FALSE(m_dictionary.SetLanguage(""));
    EXPECT_FALSE(m_dictionary.SetLanguage("fr")); // not in this list
    EXPECT_EQ(m_dictionary.GetLanguage(), "de");
    EXPECT_EQ(m_dictionary.Translate("UTF8"), "Schließen, Größe");
}

TEST_F(DictionaryLookup, EntitiesAndEscapesAreResolvedAtLoad) {
    EXPECT_EQ(m_dictionary.Translate("ENTITIES"), "&Save <OK> && go");
    EXPECT_EQ(m_dictionary.Translate("LINES"), "one\ntwo\r\nthree\tfour");
    // Two backslashes before n keep both backslashes and the n; a single one makes a break.
    EXPECT_EQ(m_dictionary.Translate("DOUBLED"), "C:\\\\new\\\\table and a\nbreak");
    // Without any single backslash-n nothing at all is replaced.
    EXPECT_EQ(m_dictionary.Translate("DOUBLED_ONLY"), "C:\\\\new");
}

TEST(Unescape, FollowsTheThreeStepsExactly) {
    EXPECT_EQ(CDictionary::Unescape("*** P100 Alarm ***\\r\\n"), "*** P100 Alarm ***\r\n");
    EXPECT_EQ(CDictionary::Unescape("a\\nb"), "a\nb");
    EXPECT_EQ(CDictionary::Unescape("a\\\\nb\\n"), "a\\\\nb\n");
    EXPECT_EQ(CDictionary::Unescape("tab\\there\\\\t"), "tab\there\\\\t");
    EXPECT_EQ(CDictionary::Unescape("\\r\\\\r"), "\r\\\\r");
    EXPECT_EQ(CDictionary::Unescape("no escapes \\x \\"), "no escapes \\x \\");
    EXPECT_EQ(CDictionary::Unescape(""), "");
}

TEST(BuiltInLookup, BannersEndWithCarriageReturnAndLineFeed) {
    CDictionary dictionary;
    ASSERT_TRUE(dictionary.Load());
    ASSERT_TRUE(dictionary.SetLanguage("en"));
    EXPECT_EQ(dictionary.Translate("IDS_MAINVIEW_MSG_1"), "*** P100 Alarm ***\r\n");
    EXPECT_EQ(dictionary.Translate("IDS_MAILMGR_MSG_19"), "Alarm Type: %s\r\n");
    EXPECT_EQ(dictionary.Translate("IDS_GSMMGR_MSG_21"), "%s ALARM\n");
    EXPECT_EQ(dictionary.Translate("IDC_MENU_ID_ALARMLIST_DELETE"), "&Delete\tDEL");
    EXPECT_EQ(dictionary.Translate("IDS_DATABASEMGRDLG_MSG_3"),
              "Click <OK> to change the path or <Cancel> to end the program");
    ASSERT_TRUE(dictionary.SetLanguage("se"));
    EXPECT_EQ(dictionary.Translate("IDS_IDCANCEL"), "Avbryt");
    ASSERT_TRUE(dictionary.SetLanguage("de"));
    EXPECT_EQ(dictionary.Translate("IDS_MAINVIEW_MSG_1"), "*** P100-Alarm ***\r\n");
}

TEST(Translator, TextLookupsGoThroughTheInstalledDictionaryUntilItIsGone) {
    {
        CDictionary dictionary;
        ASSERT_TRUE(dictionary.Load(List(Tag("IDS_IDYES", {{"en", "Yes"}, {"fr", "Oui"}}) +
                                         Tag("FMT", {{"en", "%d of %s"}, {"fr", "%d sur %s"}}))));
        dictionary.InstallAsTranslator();
        EXPECT_EQ(Text::Tr("IDS_IDYES"), "*NA*"); // no language yet
        ASSERT_TRUE(dictionary.SetLanguage("fr"));
        EXPECT_EQ(Text::Tr("IDS_IDYES"), "Oui");
        EXPECT_EQ(Text::TrF("FMT", 3, "dix"), "3 sur dix");
    }
    EXPECT_EQ(Text::Tr("IDS_IDYES"), "*NA*");
}
