#include "UserMessageFiles.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

class UserMessageFilesTest : public ::testing::Test {
protected:
    void Write(const std::string& name, const std::string& content) {
        CTempDir::WriteFile(m_dir.File(name), content);
    }
    std::string Lookup(char letter, int number) const {
        return CUserMessageFiles(m_dir.Path()).LookupUserMessage(letter, number);
    }

    CTempDir m_dir;
};

TEST_F(UserMessageFilesTest, SearchOrderIsUserMsgThenZeroToNinetyNine) {
    const auto names = CUserMessageFiles::FileNames();
    ASSERT_EQ(names.size(), 101u);
    EXPECT_EQ(names[0], "UserMsg.txt");
    EXPECT_EQ(names[1], "UserMsg00.txt");
    EXPECT_EQ(names[10], "UserMsg09.txt");
    EXPECT_EQ(names[100], "UserMsg99.txt");
}

TEST_F(UserMessageFilesTest, LabelsWithOneTwoOrThreeDigitsMatch) {
    for (const char* label : {":a5", ":a05", ":a005"}) {
        EXPECT_TRUE(CUserMessageFiles::IsLabelOf(label, 'a', 5)) << label;
    }
    EXPECT_TRUE(CUserMessageFiles::IsLabelOf(":Z255", 'Z', 255));
    EXPECT_TRUE(CUserMessageFiles::IsLabelOf(":a0", 'a', 0));
    // Case-sensitive letters, values of 256 and more, four digits, extra characters, no digits.
    EXPECT_FALSE(CUserMessageFiles::IsLabelOf(":A005", 'a', 5));
    EXPECT_FALSE(CUserMessageFiles::IsLabelOf(":B256", 'B', 256));
    EXPECT_FALSE(CUserMessageFiles::IsLabelOf(":B0255", 'B', 255));
    EXPECT_FALSE(CUserMessageFiles::IsLabelOf(":a005 ", 'a', 5));
    EXPECT_FALSE(CUserMessageFiles::IsLabelOf(":a", 'a', 0));
    EXPECT_FALSE(CUserMessageFiles::IsLabelOf(":a0x5", 'a', 5));
    EXPECT_FALSE(CUserMessageFiles::IsLabelOf("a005", 'a', 5));
    EXPECT_FALSE(CUserMessageFiles::IsLabelOf(":1005", '1', 5));
    EXPECT_FALSE(CUserMessageFiles::IsLabelOf(":a006", 'a', 5));
}

TEST_F(UserMessageFilesTest, BlockRunsToTheNextLabelAndSkipsEmptyLines) {
    Write("UserMsg.txt", ":a004\nother\n:a5\nDoor open\n\nCall the technician\n:a006\nnext\n");
    EXPECT_EQ(Lookup('a', 5), "Door open\nCall the technician\n");
    EXPECT_EQ(Lookup('a', 4), "other\n");
    EXPECT_EQ(Lookup('a', 6), "next\n");
    EXPECT_EQ(Lookup('a', 7), "");
    EXPECT_EQ(Lookup('A', 5), "");
}

TEST_F(UserMessageFilesTest, LastFileThatDefinesTheCodeWins) {
    Write("UserMsg.txt", ":B255\nfrom UserMsg\n");
    Write("UserMsg42.txt", ":B255\nfrom 42\n");
    Write("UserMsg99.txt", ":B255\nfrom the editor\n");
    EXPECT_EQ(Lookup('B', 255), "from the editor\n");
}

TEST_F(UserMessageFilesTest, FileWithAnEmptyBlockDoesNotReplaceAnEarlierText) {
    Write("UserMsg.txt", ":c010\nkept\n");
    Write("UserMsg50.txt", ":c10\n\n\n:c011\nx\n");
    EXPECT_EQ(Lookup('c', 10), "kept\n");
}

TEST_F(UserMessageFilesTest, OnlyTheFirstMatchingBlockOfAFileCounts) {
    Write("UserMsg07.txt", ":d1\nfirst\n:d001\nsecond\n");
    EXPECT_EQ(Lookup('d', 1), "first\n");
    // An empty first block hides a later one in the same file.
    Write("UserMsg08.txt", ":e1\n:e1\nhidden\n");
    EXPECT_EQ(Lookup('e', 1), "");
}

TEST_F(UserMessageFilesTest, AtMostThirtyLinesAreTaken) {
    std::string block = ":x100\n";
    for (int i = 1; i <= 35; ++i) {
        block += "line " + std::to_string(i) + "\n";
    }
    Write("UserMsg.txt", block + ":x101\nafter\n");
    std::string expected;
    for (int i = 1; i <= 30; ++i) {
        expected += "line " + std::to_string(i) + "\n";
    }
    EXPECT_EQ(Lookup('x', 100), expected);
    EXPECT_EQ(Lookup('x', 101), "after\n");
}

TEST_F(UserMessageFilesTest, WindowsLineEndsAreLineEnds) {
    Write("UserMsg03.txt", ":f200\r\nLift stopped\r\n\r\nbetween floors\r\n");
    EXPECT_EQ(Lookup('f', 200), "Lift stopped\nbetween floors\n");
}

TEST_F(UserMessageFilesTest, UnreadableFilesAreSkipped) {
    Write("UserMsg.txt", ":g1\nreadable\n");
    Write("UserMsg98.txt", ":g1\nunreadable\n");
    ASSERT_EQ(mkdir(m_dir.File("UserMsg97.txt").c_str(), 0700), 0); // a folder, not a file
    if (geteuid() != 0) {
        ASSERT_EQ(chmod(m_dir.File("UserMsg98.txt").c_str(), 0), 0);
        EXPECT_EQ(Lookup('g', 1), "readable\n");
    } else {
        EXPECT_EQ(Lookup('g', 1), "unreadable\n");
    }
}

TEST_F(UserMessageFilesTest, NoFilesGiveAnEmptyText) {
    EXPECT_EQ(Lookup('a', 5), "");
    EXPECT_EQ(CUserMessageFiles(m_dir.File("missing")).LookupUserMessage('a', 5), "");
}

TEST_F(UserMessageFilesTest, WorkingDirectoryIsTheDefaultFolder) {
    Write("UserMsg.txt", ":h9\nhere\n");
    m_dir.Enter();
    EXPECT_EQ(CUserMessageFiles().LookupUserMessage('h', 9), "here\n");
}

TEST_F(UserMessageFilesTest, OverlongAndBinaryLinesStayBounded) {
    std::string block = ":k1\n" + std::string(1 << 20, 'y') + "\n";
    block += std::string("bad \xff byte\0end", 14) + "\n";
    Write("UserMsg.txt", block);
    const std::string text = Lookup('k', 1);
    const std::size_t firstEnd = text.find('\n');
    ASSERT_NE(firstEnd, std::string::npos);
    EXPECT_LE(firstEnd, 4096u);
    EXPECT_EQ(text.substr(firstEnd + 1), "bad \xC3\xBF byteend\n"); // not UTF-8: code page 1252
}

TEST_F(UserMessageFilesTest, LinesWrittenOnWindowsAreReadAsCodePage1252) {
    // Each line on its own: a UTF-8 line stays, a code page 1252 line is converted, and the five
    // bytes that code page has no character for become U+FFFD.
    Write("UserMsg.txt", ":a7\r\nT\xF6r \xF6ppen\r\nG\xC3\xA4vle\r\n\x80 20 \x81\r\n");
    EXPECT_EQ(Lookup('a', 7), "T\xC3\xB6r \xC3\xB6ppen\nG\xC3\xA4vle\n\xE2\x82\xAC 20 \xEF\xBF\xBD\n");
    // A long code page 1252 line is cut after its conversion, never inside a character.
    Write("UserMsg01.txt", ":a8\n" + std::string(5000, '\xE5') + "\n");
    std::string twoThousandRings;
    for (int i = 0; i < 2048; ++i) {
        twoThousandRings += "\xC3\xA5";
    }
    EXPECT_EQ(Lookup('a', 8), twoThousandRings + "\n");
}

} // namespace
