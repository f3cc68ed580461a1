#include "UserMessageList.h"
#include "TempDir.h"
#include "UserMessageFiles.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TEST(UserMessageListTest, CodesAreALetterAndThreeDigitsUpTo255) {
    EXPECT_TRUE(CUserMessageList::IsValidCode("a000"));
    EXPECT_TRUE(CUserMessageList::IsValidCode("z255"));
    EXPECT_TRUE(CUserMessageList::IsValidCode("A123"));
    for (const char* bad : {"a256", "a05", "a0005", "1005", "a0x5", "", "ä005", " a005", "a005 "}) {
        EXPECT_FALSE(CUserMessageList::IsValidCode(bad)) << bad;
    }
    EXPECT_EQ(CUserMessageList::FormatCode('a', 5), "a005");
    EXPECT_EQ(CUserMessageList::FormatCode('Z', 255), "Z255");
}

TEST(UserMessageListTest, LoadShowsLabelsAsCodesAndCollectsTheText) {
    CTempDir dir;
    const std::string path = dir.File(CUserMessageList::FILE_NAME);
    CTempDir::WriteFile(path,
                        "dropped before the first label\n:a5\nDoor open\n\n:B255\r\nline 1\r\nline 2\r\n:c");
    CUserMessageList list;
    ASSERT_EQ(list.Load(path), CUserMessageList::USERMSGLIST_OK);
    const auto& entries = list.Entries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].Code, "a005");
    EXPECT_EQ(entries[0].Text, "Door open\r\n\r\n");
    EXPECT_EQ(entries[1].Code, "B255");
    EXPECT_EQ(entries[1].Text, "line 1\r\nline 2\r\n");
    EXPECT_EQ(entries[2].Code, "c000");
    EXPECT_EQ(entries[2].Text, "");
}

TEST(UserMessageListTest, SaveWritesLabelTextAndAnEmptyLineThatTheLookupFinds) {
    CTempDir dir;
    const std::string path = dir.File(CUserMessageList::FILE_NAME);
    CUserMessageList list;
    list.Entries().push_back({"a005", "Door open\r\nCall the technician\r\n"});
    list.Entries().push_back({"Z255", "Last\r\n"});
    ASSERT_EQ(list.Save(path), CUserMessageList::USERMSGLIST_OK);
    EXPECT_EQ(CTempDir::ReadFile(path), ":a005\nDoor open\nCall the technician\n\n:Z255\nLast\n\n");
    EXPECT_FALSE(std::ifstream(path + ".tmp").good());

    const CUserMessageFiles files(dir.Path());
    EXPECT_EQ(files.LookupUserMessage('a', 5), "Door open\nCall the technician\n");
    EXPECT_EQ(files.LookupUserMessage('Z', 255), "Last\n");

    // Saved and loaded again: the editor shows what it saved, plus the trailing empty line.
    CUserMessageList again;
    ASSERT_EQ(again.Load(path), CUserMessageList::USERMSGLIST_OK);
    ASSERT_EQ(again.Entries().size(), 2u);
    EXPECT_EQ(again.Entries()[0].Code, "a005");
    EXPECT_EQ(again.Entries()[0].Text, "Door open\r\nCall the technician\r\n\r\n");
}

TEST(UserMessageListTest, MissingFileIsCreatedEmptyAtOnce) {
    CTempDir dir;
    const std::string path = dir.File(CUserMessageList::FILE_NAME);
    CUserMessageList list;
    list.Entries().push_back({"a001", "stale\r\n"});
    EXPECT_EQ(list.Load(path), CUserMessageList::USERMSGLIST_CREATED);
    EXPECT_TRUE(list.Entries().empty());
    EXPECT_EQ(CTempDir::ReadFile(path), "");
    struct stat info {};
    EXPECT_EQ(stat(path.c_str(), &info), 0);
}

TEST(UserMessageListTest, OddLabelsAreShownAsTheyRead) {
    CTempDir dir;
    const std::string path = dir.File(CUserMessageList::FILE_NAME);
    CTempDir::WriteFile(path, ":\n:a999\n:b-5\n:cxyz\n:d99999999999999\n");
    CUserMessageList list;
    ASSERT_EQ(list.Load(path), CUserMessageList::USERMSGLIST_OK);
    ASSERT_EQ(list.Entries().size(), 5u);
    EXPECT_EQ(list.Entries()[0].Code, "?000");
    EXPECT_EQ(list.Entries()[1].Code, "a999");
    EXPECT_EQ(list.Entries()[2].Code, "b-05");
    EXPECT_EQ(list.Entries()[3].Code, "c000");
    EXPECT_EQ(list.Entries()[4].Code, "d2147483647");
}

TEST(UserMessageListTest, UnreadableFileIsKeptAndReported) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root reads every file";
    }
    CTempDir dir;
    const std::string path = dir.File(CUserMessageList::FILE_NAME);
    CTempDir::WriteFile(path, ":a1\nsite\n");
    ASSERT_EQ(chmod(path.c_str(), 0200), 0);
    CUserMessageList list;
    EXPECT_EQ(list.Load(path), CUserMessageList::USERMSGLIST_OPEN_ERROR);
    ASSERT_EQ(chmod(path.c_str(), 0600), 0);
    EXPECT_EQ(CTempDir::ReadFile(path), ":a1\nsite\n");
}

TEST(UserMessageListTest, FailedSaveKeepsTheOldFile) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root writes into read-only folders";
    }
    CTempDir dir;
    const std::string path = dir.File(CUserMessageList::FILE_NAME);
    CTempDir::WriteFile(path, ":a1\nold\n");
    ASSERT_EQ(chmod(dir.Path().c_str(), 0500), 0);
    CUserMessageList list;
    list.Entries().push_back({"a001", "new\r\n"});
    EXPECT_EQ(list.Save(path), CUserMessageList::USERMSGLIST_WRITE_ERROR);
    EXPECT_EQ(CTempDir::ReadFile(path), ":a1\nold\n");
    // A missing file in a read-only folder cannot be created either.
    CUserMessageList other;
    EXPECT_EQ(other.Load(dir.File("UserMsg.txt")), CUserMessageList::USERMSGLIST_WRITE_ERROR);
}

} // namespace

namespace {

// The same failures as above, reachable also when the tests run as root.
TEST(UserMessageListTest, SaveIntoAMissingFolderOrOverAFolderFails) {
    CTempDir dir;
    CUserMessageList list;
    list.Entries().push_back({"a001", "text\r\n"});
    EXPECT_EQ(list.Save(dir.File("missing/UserMsg99.txt")), CUserMessageList::USERMSGLIST_WRITE_ERROR);

    const std::string folder = dir.File(CUserMessageList::FILE_NAME);
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    CTempDir::WriteFile(folder + "/keep", "x");
    EXPECT_EQ(list.Save(folder), CUserMessageList::USERMSGLIST_WRITE_ERROR);
    EXPECT_FALSE(std::ifstream(folder + ".tmp").good());
    EXPECT_EQ(CTempDir::ReadFile(folder + "/keep"), "x");

    // Loading it is refused and leaves it alone rather than creating a file in its place.
    CUserMessageList other;
    EXPECT_EQ(other.Load(folder), CUserMessageList::USERMSGLIST_OPEN_ERROR);
    EXPECT_TRUE(other.Entries().empty());
}

} // namespace
