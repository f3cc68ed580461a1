#include "Clock.h"
#include "GpBuffer.h"
#include "IntervalTimer.h"
#include "StrList.h"
#include "TextValidators.h"
#include "Translate.h"
#include "Utf8.h"

#include <gtest/gtest.h>

using namespace TextValidators;

TEST(GpBuffer, SplitsAModemReplyAndDropsQuotes) {
    CGpBuffer b("1,\"REC UNREAD\",\"x\"");
    EXPECT_EQ(b.NextToken(), "1");
    EXPECT_EQ(b.NextToken(), "REC UNREAD");
    EXPECT_EQ(b.NextToken(), "x");
    EXPECT_EQ(b.NextToken(), "");
    EXPECT_EQ(b.NextToken(), "");
}

TEST(GpBuffer, TrimsOnlyTheLastFieldAndKeepsEmptyFields) {
    CGpBuffer b(" a ,,\"+4711\" ,z  \r\n");
    EXPECT_EQ(b.NextToken(), " a ");
    EXPECT_EQ(b.NextToken(), "");
    EXPECT_EQ(b.NextToken(), "+4711 ");
    EXPECT_EQ(b.NextToken(), "z");
    CGpBuffer empty("");
    EXPECT_EQ(empty.NextToken(), "");
    CGpBuffer other("a;b", ';');
    EXPECT_EQ(other.NextToken(), "a");
    EXPECT_EQ(other.NextToken(), "b");
}

TEST(StrList, SplitsRecipientListsAndResetsItsCounter) {
    CStrList list;
    list.SplitList(" a@b.se ; c@d.de,, e@f.fr ");
    ASSERT_EQ(list.GetCount(), 3u);
    EXPECT_EQ(list.GetAt(0), "a@b.se");
    EXPECT_EQ(list.GetAt(1), "c@d.de");
    EXPECT_EQ(list.GetAt(2), "e@f.fr");
    list.SetCounter(2);
    list.RemoveAll();
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(list.Counter(), 0);
}

TEST(TextValidators, IdOrNumber) {
    EXPECT_FALSE(IsValidIdOrNumber(""));
    EXPECT_TRUE(IsValidIdOrNumber("123456"));
    EXPECT_TRUE(IsValidIdOrNumber("12345678"));
    EXPECT_FALSE(IsValidIdOrNumber("12345"));
    EXPECT_FALSE(IsValidIdOrNumber("123456789"));
    EXPECT_FALSE(IsValidIdOrNumber("12345a"));
    EXPECT_TRUE(IsValidIdOrNumber("+4"));
    EXPECT_TRUE(IsValidIdOrNumber("+46701234567"));
    EXPECT_FALSE(IsValidIdOrNumber("+"));
    EXPECT_FALSE(IsValidIdOrNumber("+46 70"));
}

TEST(TextValidators, OptionalInternationalNumber) {
    EXPECT_TRUE(IsValidOptionalIntlNumber(""));
    EXPECT_TRUE(IsValidOptionalIntlNumber("+1"));
    EXPECT_FALSE(IsValidOptionalIntlNumber("+"));
    EXPECT_FALSE(IsValidOptionalIntlNumber("0701234567"));
    EXPECT_FALSE(IsValidOptionalIntlNumber("+12x"));
}

TEST(TextValidators, AddressList) {
    EXPECT_TRUE(IsValidAddressList(""));
    EXPECT_TRUE(IsValidAddressList("a@b"));
    EXPECT_FALSE(IsValidAddressList("@ab"));
    EXPECT_FALSE(IsValidAddressList("ab@"));
    EXPECT_FALSE(IsValidAddressList("a@"));
    EXPECT_TRUE(IsValidAddressList("a@b, c@d; e@f"));
    EXPECT_TRUE(IsValidAddressList("a@b , c@d;"));
    EXPECT_FALSE(IsValidAddressList("a@b,,c@d"));
    EXPECT_FALSE(IsValidAddressList("a@b;;"));
    EXPECT_FALSE(IsValidAddressList(","));
    // A part without any at sign cannot be an address.
    EXPECT_FALSE(IsValidAddressList("abc"));
    EXPECT_TRUE(IsValidAddressList("jörg@bücher.de"));
}

TEST(TextValidators, NumberList) {
    EXPECT_TRUE(IsValidNumberList(""));
    EXPECT_TRUE(IsValidNumberList("+4670123"));
    EXPECT_TRUE(IsValidNumberList("0701, +4670;1"));
    EXPECT_TRUE(IsValidNumberList("x123")); // the first character is not looked at
    EXPECT_FALSE(IsValidNumberList("+46 70a"));
    EXPECT_FALSE(IsValidNumberList("123,,456"));
    EXPECT_TRUE(IsValidNumberList("123;"));
}

TEST(IntervalTimer, ExpiresExactlyAfterTheIntervalAlsoAcrossTheWrap) {
    CFakeClock clock(0xFFFFFF00u);
    CIntervalTimer never(clock);
    EXPECT_TRUE(never.Expired()); // never started

    CIntervalTimer t(clock);
    t.Start(0x200);
    EXPECT_FALSE(t.Expired());
    clock.Advance(0x1FF); // the tick wraps to 0x000000FF
    EXPECT_LT(clock.Tick(), 0x1000u);
    EXPECT_FALSE(t.Expired());
    clock.Advance(1);
    EXPECT_TRUE(t.Expired());
    clock.Advance(100000);
    EXPECT_TRUE(t.Expired());
}

TEST(FakeClock, LocalTimeMovesWithTheTick) {
    CFakeClock clock;
    clock.SetNow({2024, 12, 31, 23, 59, 59, 900, 2});
    clock.Advance(250);
    const SLocalTime now = clock.Now();
    EXPECT_EQ(now.Year, 2025);
    EXPECT_EQ(now.Month, 1);
    EXPECT_EQ(now.Day, 1);
    EXPECT_EQ(now.Hour, 0);
    EXPECT_EQ(now.Second, 0);
    EXPECT_EQ(now.Millisecond, 150);
}

TEST(Utf8, CountsAndCutsWholeCharacters) {
    const std::string s = "aä€😀b";
    EXPECT_EQ(Utf8::Length(s), 5u);
    EXPECT_EQ(Utf8::Left(s, 2), "aä");
    EXPECT_EQ(Utf8::Left(s, 4), "aä€😀");
    EXPECT_EQ(Utf8::Left(s, 10), s);
    EXPECT_EQ(Utf8::Sanitize("a\xFF"
                             "b\xC3"),
              "a\xEF\xBF\xBD"
              "b\xEF\xBF\xBD");
    EXPECT_EQ(Utf8::Sanitize(s), s);
}

TEST(Translate, UnknownWithoutADictionaryAndFormatsWithOne) {
    Text::SetTranslator({});
    EXPECT_EQ(Text::Tr("IDS_TELMGR_MSG_5"), "*NA*");
    Text::SetTranslator(
        [](const std::string& tag) { return tag == "T" ? std::string("Error[%d] %s") : "*NA*"; });
    EXPECT_EQ(Text::TrF("T", 7, "x"), "Error[7] x");
    Text::SetTranslator({});
}
