#include "MsgText.h"

#include <gtest/gtest.h>

TEST(MsgText, AddsLinesSeparatedByOneLineFeed) {
    CMsgText t;
    t.AddLine("abc");
    t.AddLine("de");
    EXPECT_EQ(t.Text(), "abc\nde");
    EXPECT_EQ(t.Appended(), 6);
    EXPECT_EQ(t.GetLineCount(), 2);
    EXPECT_FALSE(t.Truncated());
}

TEST(MsgText, ReadsLinesPieceByPiece) {
    CMsgText t;
    t.AddLine("abc");
    t.AddLine("de");
    EXPECT_EQ(t.GetLine(2), "ab");
    EXPECT_EQ(t.GetLine(2), "c");
    EXPECT_EQ(t.GetLine(2), "de");
    EXPECT_EQ(t.GetLine(2), "");
    CMsgText empty;
    EXPECT_EQ(empty.GetLineCount(), 0);
    EXPECT_EQ(empty.GetLine(10), "");
}

TEST(MsgText, CutsAtTwoHundredFiftyFiveCharacters) {
    CMsgText t;
    t.AddLine(std::string(250, 'x'));
    t.AddLine("0123456789");
    EXPECT_EQ(t.Text(), std::string(250, 'x') + "\n0123");
    EXPECT_EQ(t.Length(), 255);
    EXPECT_TRUE(t.Truncated());
    EXPECT_EQ(t.GetLineCount(), 2);
    t.AddLine("more");
    EXPECT_EQ(t.Length(), 255);

    CMsgText first;
    first.AddLine(std::string(300, 'y'));
    EXPECT_EQ(first.Length(), 255);
    EXPECT_EQ(first.Appended(), 255);
    EXPECT_TRUE(first.Truncated());
}

TEST(MsgText, SetTextKeepsAtMostTwoHundredFiftyFiveCharacters) {
    CMsgText t;
    t.SetText(std::string(255, 'a'));
    EXPECT_FALSE(t.Truncated());
    t.SetText(std::string(256, 'a'));
    EXPECT_TRUE(t.Truncated());
    EXPECT_EQ(t.Text().size(), 255u);
    t.Reset();
    EXPECT_EQ(t.Text(), "");
    EXPECT_FALSE(t.Truncated());
}

TEST(MsgText, CountsCharactersAndNeverSplitsOne) {
    CMsgText t;
    std::string umlauts;
    for (int i = 0; i < 300; ++i) {
        umlauts += "ä";
    }
    t.SetText(umlauts);
    EXPECT_EQ(t.Length(), 255);
    EXPECT_EQ(t.Text().size(), 510u);
    CMsgText lines;
    lines.AddLine(std::string(252, 'x'));
    lines.AddLine("€€€€");
    EXPECT_EQ(lines.Text(), std::string(252, 'x') + "\n€€");
    EXPECT_EQ(lines.GetLine(300), std::string(252, 'x'));
    EXPECT_EQ(lines.GetLine(1), "€");
}
