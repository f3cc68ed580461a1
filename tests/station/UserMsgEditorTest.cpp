#include "UserMsgEditor.h"
#include "TempDir.h"
#include "UserMessageFiles.h"
#include "WindowTestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using SField = CUserMsgEditor::SField;

const SField UNTOUCHED{};

class UserMsgEditorTest : public ::testing::Test {
protected:
    void SetUp() override { UseEnglishTexts(); }

    std::string Path() const { return m_dir.File("UserMsg99.txt"); }
    std::vector<std::string> Codes(const CUserMsgEditor& editor) const {
        std::vector<std::string> codes;
        for (const auto& entry : editor.Entries()) {
            codes.push_back(entry.Code);
        }
        return codes;
    }

    CTempDir m_dir;
};

TEST_F(UserMsgEditorTest, CodesAreSortedUpperCaseFirstAndTheFileSurvivesRoundTrips) {
    CTempDir::WriteFile(Path(), ":b1\nbee\n:A010\r\nfirst\r\nsecond\r\n\r\n:a002\nay\n\n");
    CUserMsgEditor editor(Path());
    ASSERT_EQ(editor.Open(), CUserMsgEditor::EOpen::Loaded);
    EXPECT_EQ(Codes(editor), (std::vector<std::string>{"A010", "a002", "b001"}));
    EXPECT_EQ(editor.Entries()[0].Text, "first\r\nsecond\r\n");
    EXPECT_FALSE(editor.Current());
    EXPECT_FALSE(editor.Changed());

    // A save without changes writes the list in its order; opening it again gives the same texts.
    ASSERT_TRUE(editor.Save(UNTOUCHED));
    const std::string written = CTempDir::ReadFile(Path());
    EXPECT_EQ(written, ":A010\nfirst\nsecond\n\n:a002\nay\n\n:b001\nbee\n\n");
    for (int round = 0; round < 3; ++round) {
        CUserMsgEditor again(Path());
        ASSERT_EQ(again.Open(), CUserMsgEditor::EOpen::Loaded);
        ASSERT_TRUE(again.Save(UNTOUCHED));
    }
    EXPECT_EQ(CTempDir::ReadFile(Path()), written);

    // The alarm message manager reads what the editor wrote.
    std::string text;
    {
        CUserMessageFiles files(m_dir.Path());
        text = files.LookupUserMessage('A', 10);
    }
    EXPECT_EQ(text, "first\nsecond\n");
}

TEST_F(UserMsgEditorTest, EditingMarksTheChangeAndDeleteNeverMovesATextToAnotherEntry) {
    CTempDir::WriteFile(Path(), ":a001\none\n:a002\ntwo\n:a003\nthree\n");
    CUserMsgEditor editor(Path());
    ASSERT_EQ(editor.Open(), CUserMsgEditor::EOpen::Loaded);

    // Clicking from row to row without typing changes nothing.
    editor.Select(0, UNTOUCHED);
    EXPECT_EQ(editor.CurrentFieldText(), "one\n");
    editor.Select(1, SField{editor.CurrentFieldText(), false});
    EXPECT_EQ(editor.CurrentFieldText(), "two\n");
    EXPECT_FALSE(editor.Changed());
    EXPECT_EQ(editor.Close(SField{"two\n", false}), CUserMsgEditor::EClose::Close);

    // Typing in row 2, then Delete of row 2 and a click on the next row: the typed text is gone
    // with its entry.
    editor.Select(1, SField{"two\n", false});
    EXPECT_TRUE(editor.Delete(1));
    EXPECT_FALSE(editor.Current());
    EXPECT_TRUE(editor.Changed());
    editor.Select(1, SField{"", false});
    EXPECT_EQ(Codes(editor), (std::vector<std::string>{"a001", "a003"}));
    EXPECT_EQ(editor.Entries()[0].Text, "one\r\n");
    EXPECT_EQ(editor.Entries()[1].Text, "three\r\n");
    EXPECT_FALSE(editor.Delete(std::nullopt));
    EXPECT_FALSE(editor.Delete(7));

    // A modified field goes into its entry with CR LF line ends when it is left.
    editor.Select(0, SField{"three\n", false});
    editor.Select(1, SField{"uno\ndos", true});
    EXPECT_EQ(editor.Entries()[0].Text, "uno\r\ndos");
    ASSERT_TRUE(editor.Save(SField{"tres\n", true}));
    EXPECT_FALSE(editor.Changed());
    EXPECT_EQ(CTempDir::ReadFile(Path()), ":a001\nuno\ndos\n:a003\ntres\n\n");

    // Typing and then Close asks, even though nothing else changed.
    EXPECT_EQ(editor.Close(SField{"tres!\n", true}), CUserMsgEditor::EClose::AskSave);
}

TEST_F(UserMsgEditorTest, NewAppendsUnsortedAndRefusesAnExistingCode) {
    CUserMsgEditor editor(Path());
    ASSERT_EQ(editor.Open(), CUserMsgEditor::EOpen::Created); // no file: an empty one at once
    EXPECT_EQ(CTempDir::ReadFile(Path()), "");
    ASSERT_EQ(editor.New("b001", UNTOUCHED), CUserMsgEditor::ENew::Added);
    ASSERT_EQ(editor.New("A005", SField{"bee", true}), CUserMsgEditor::ENew::Added);
    EXPECT_EQ(Codes(editor), (std::vector<std::string>{"b001", "A005"}));
    EXPECT_EQ(editor.Entries()[0].Text, "bee");
    EXPECT_EQ(editor.Current(), 1u);
    EXPECT_EQ(editor.CurrentFieldText(), "");

    EXPECT_EQ(editor.New("b001", SField{"typed", true}), CUserMsgEditor::ENew::Exists);
    EXPECT_EQ(editor.Entries()[1].Text, ""); // the field was not taken
    EXPECT_EQ(CUserMsgEditor::ExistsText("b001"), "The Message Code:b001already exists");

    // New, a click on another row without typing, Close: the new code is unsaved.
    CUserMsgEditor fresh(Path());
    fresh.Open();
    fresh.New("c100", UNTOUCHED);
    fresh.Select(0, UNTOUCHED);
    EXPECT_EQ(fresh.Close(UNTOUCHED), CUserMsgEditor::EClose::AskSave);
}

TEST_F(UserMsgEditorTest, TheCodePromptTakesALetterAndANumberUpTo255) {
    std::string code;
    for (const char* good : {"a005", "Z255", "A000", "z199"}) {
        EXPECT_TRUE(CUserMsgEditor::CheckCode(good, code)) << good;
        EXPECT_EQ(code, good);
    }
    for (const char* bad : {"a256", "a05", "5a00", "ab12", "", "a0055",
                            "\xc3\xa5"
                            "00",
                            "a 12", "A-12"}) {
        EXPECT_FALSE(CUserMsgEditor::CheckCode(bad, code)) << bad;
    }
    EXPECT_EQ(CUserMsgEditor::InvalidCodeText(), "Valid message codes are 'a000 - z255' and 'A000 - Z255'");
}

TEST_F(UserMsgEditorTest, AFileThatCannotBeWrittenKeepsTheChangeUnsaved) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root writes through any permission";
    }
    CTempDir::WriteFile(Path(), ":a001\none\n");
    CUserMsgEditor editor(Path());
    ASSERT_EQ(editor.Open(), CUserMsgEditor::EOpen::Loaded);
    ASSERT_EQ(::chmod(m_dir.Path().c_str(), 0500), 0);
    ASSERT_EQ(editor.New("a002", UNTOUCHED), CUserMsgEditor::ENew::Added);
    EXPECT_FALSE(editor.Save(SField{"two", true}));
    EXPECT_TRUE(editor.Changed());
    EXPECT_EQ(CTempDir::ReadFile(Path()), ":a001\none\n");
    ::chmod(m_dir.Path().c_str(), 0700);
}

TEST_F(UserMsgEditorTest, AFileThatCannotBeReadIsNeitherShownEmptyNorReplaced) {
    // A folder where the file should be can be opened by nobody, root included.
    ASSERT_EQ(::mkdir(Path().c_str(), 0700), 0);
    CUserMsgEditor editor(Path());
    EXPECT_EQ(editor.Open(), CUserMsgEditor::EOpen::Unreadable);
    EXPECT_TRUE(editor.Entries().empty());
}

} // namespace
