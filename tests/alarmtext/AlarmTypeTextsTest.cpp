#include "AlarmTypeTexts.h"
#include "EnglishDictionary.h"
#include "TempDir.h"
#include "Translate.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// The default file exactly as the station writes it with the English dictionary.
const char* const DEFAULT_FILE =
    "// AlarmTypeText.ini - Contains the text lines displayed in the alarm dialog.\n"
    "// Lines starting with '//' is a comment line.\n"
    "// Lines starting with ':' is a block label line.\n"
    "// Lines following a block label is the text lines that will be displayed\n"
    "// in the alarm dialog according to the alarm type.\n"
    "// Edit the default text as needed.\n"
    "// NOTE! DO NOT edit the block labels.\n"
    "\n"
    ":P100Alarm\n"
    "// The following line(s) belongs to the 'P100' alarm type\n"
    "*** P100 Alarm ***\n"
    ":SMSAlarm\n"
    "// The following line(s) belongs to the 'SMS' alarm type\n"
    "*** SMS Alarm ***\n"
    ":VoiceCallAlarm\n"
    "// The following line(s) belongs to the 'Voice' alarm type\n"
    "*** Voice Call Alarm ***\n"
    ":OpFailAlarm\n"
    "// The following line(s) belongs to the 'OpFail' alarm type\n"
    "*** Operational Failure Alarm ***\n"
    ":LiftControllerAlarm\n"
    "// The following line(s) belongs to the 'Lift Monitoring System' alarm type\n"
    "*** Lift Monitoring System Alarm ***\n"
    ":TestAlarm\n"
    "// The following line(s) belongs to the 'Test' alarm type\n"
    "*** Test Successful ***\n"
    ":TestAlarmFailure\n"
    "// The following line(s) belongs to the 'Test fail' alarm type\n"
    "*** Test Alarm Failure ***\n"
    ":StartOfAlarm\n"
    "// The following line(s) belongs to the 'Emergency Call Activated' alarm type\n"
    "*** Emergency Call Activated ***\n"
    ":EndOfAlarm\n"
    "// The following line(s) belongs to the 'End of Alarm' alarm type\n"
    "*** End of Alarm ***\n"
    ":Maintenance\n"
    "// The following line(s) belongs to the 'Maintenance' alarm type\n"
    "*** Maintenance ***\n";

class AlarmTypeTextsTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseEnglishDictionary();
        m_texts.LoadDefaults();
    }

    // Loads a site file over the defaults.
    CAlarmTypeTexts::ELoadResult LoadFile(const std::string& content) {
        CTempDir::WriteFile(m_dir.File(CAlarmTypeTexts::FILE_NAME), content);
        return m_texts.LoadAlarmTypeTexts(m_dir.Path());
    }

    CTempDir m_dir;
    CAlarmTypeTexts m_texts;
};

TEST_F(AlarmTypeTextsTest, DefaultsComeFromTheDictionaryByAlarmType) {
    EXPECT_EQ(m_texts.GetAlarmTypeText(1), "*** P100 Alarm ***\r\n");
    EXPECT_EQ(m_texts.GetAlarmTypeText(2), "*** SMS Alarm ***\r\n");
    EXPECT_EQ(m_texts.GetAlarmTypeText(3), "*** Voice Call Alarm ***\r\n");
    EXPECT_EQ(m_texts.GetAlarmTypeText(11), "*** Voice Call Alarm ***\r\n");
    EXPECT_EQ(m_texts.GetAlarmTypeText(4), "*** Operational Failure Alarm ***\r\n");
    EXPECT_EQ(m_texts.GetAlarmTypeText(5), "*** Lift Monitoring System Alarm ***\r\n");
    EXPECT_EQ(m_texts.GetAlarmTypeText(6), "*** Test Successful ***\r\n");
    EXPECT_EQ(m_texts.GetAlarmTypeText(7), "*** Test Alarm Failure ***\r\n");
    EXPECT_EQ(m_texts.GetAlarmTypeText(8), "*** Emergency Call Activated ***\r\n");
    EXPECT_EQ(m_texts.GetAlarmTypeText(9), "*** End of Alarm ***\r\n");
    EXPECT_EQ(m_texts.GetAlarmTypeText(10), "*** Maintenance ***\r\n");
    for (int other : {0, 12, 255, -1}) {
        EXPECT_EQ(m_texts.GetAlarmTypeText(other), "") << other;
    }
}

TEST_F(AlarmTypeTextsTest, MissingFileIsWrittenWithTheDefaultsAndReadsBackTheSame) {
    EXPECT_EQ(m_texts.LoadAlarmTypeTexts(m_dir.Path()), CAlarmTypeTexts::ATT_LOAD_WRITTEN);
    EXPECT_EQ(CTempDir::ReadFile(m_dir.File(CAlarmTypeTexts::FILE_NAME)), DEFAULT_FILE);

    CAlarmTypeTexts reread;
    EXPECT_EQ(reread.LoadAlarmTypeTexts(m_dir.Path()), CAlarmTypeTexts::ATT_LOAD_READ);
    for (int slot = 0; slot < CAlarmTypeTexts::SLOT_COUNT; ++slot) {
        EXPECT_EQ(reread.SlotText(slot), m_texts.SlotText(slot)) << slot;
    }
}

TEST_F(AlarmTypeTextsTest, WorkingDirectoryIsTheDefaultFolder) {
    m_dir.Enter();
    EXPECT_EQ(m_texts.LoadAlarmTypeTexts(), CAlarmTypeTexts::ATT_LOAD_WRITTEN);
    EXPECT_EQ(CTempDir::ReadFile(m_dir.File("AlarmTypeText.ini")), DEFAULT_FILE);
}

TEST_F(AlarmTypeTextsTest, BlockReplacesItsDefaultAndOthersKeepTheirs) {
    EXPECT_EQ(LoadFile("// site texts\n"
                       ":P100Alarm\n"
                       "// comment inside a block\n"
                       "Line one\n"
                       "\n"
                       "Line three\n"
                       ":EndAlarm\n"
                       "Over\n"),
              CAlarmTypeTexts::ATT_LOAD_READ);
    EXPECT_EQ(m_texts.GetAlarmTypeText(1), "Line one\r\n\r\nLine three\r\n");
    EXPECT_EQ(m_texts.GetAlarmTypeText(9), "Over\r\n");
    EXPECT_EQ(m_texts.GetAlarmTypeText(2), "*** SMS Alarm ***\r\n");
    // The file was only read.
    EXPECT_EQ(CTempDir::ReadFile(m_dir.File(CAlarmTypeTexts::FILE_NAME)).substr(0, 14), "// site texts\n");
}

TEST_F(AlarmTypeTextsTest, BlockWithOnlyACommentEmptiesItsText) {
    LoadFile(":SMSAlarm\n// no text for SMS alarms\n:TestAlarm\nTest ok\n");
    EXPECT_EQ(m_texts.GetAlarmTypeText(2), "");
    EXPECT_EQ(m_texts.GetAlarmTypeText(6), "Test ok\r\n");
}

TEST_F(AlarmTypeTextsTest, LabelsAreComparedInUpperCaseButNotTrimmed) {
    LoadFile(":voicecallalarm\nlower case label\n:OpFailAlarm \nwith a trailing blank\n");
    EXPECT_EQ(m_texts.GetAlarmTypeText(3), "lower case label\r\n");
    EXPECT_EQ(m_texts.GetAlarmTypeText(11), "lower case label\r\n");
    // The label with a blank is unknown: its lines are skipped and the default stays.
    EXPECT_EQ(m_texts.GetAlarmTypeText(4), "*** Operational Failure Alarm ***\r\n");
}

TEST_F(AlarmTypeTextsTest, ShortFormsAndLastOccurrenceWins) {
    LoadFile(":StartAlarm\nfirst\n:Maintenance\nm\n:STARTOFALARM\nsecond\n");
    EXPECT_EQ(m_texts.GetAlarmTypeText(8), "second\r\n");
    EXPECT_EQ(m_texts.GetAlarmTypeText(10), "m\r\n");
}

TEST_F(AlarmTypeTextsTest, UnknownLabelsAndLinesBeforeAnyLabelAreSkipped) {
    LoadFile("text before any label\n:NoSuchAlarm\nlost\n:\nalso lost\n:TestAlarmFailure");
    EXPECT_EQ(m_texts.GetAlarmTypeText(7), "");
    EXPECT_EQ(m_texts.GetAlarmTypeText(1), "*** P100 Alarm ***\r\n");
}

TEST_F(AlarmTypeTextsTest, WindowsLineEndsAndLastLineWithoutLineEnd) {
    LoadFile(":LiftControllerAlarm\r\nLMS line\r\n:P100Alarm\r\nno line end");
    EXPECT_EQ(m_texts.GetAlarmTypeText(5), "LMS line\r\n");
    EXPECT_EQ(m_texts.GetAlarmTypeText(1), "no line end\r\n");
}

TEST_F(AlarmTypeTextsTest, GarbageFileNeverBreaksTheTexts) {
    std::string garbage = ":SMSAlarm\n";
    garbage += std::string("\xff\xfe\x00\x80", 4);
    garbage += std::string(100000, 'x'); // one overlong line
    garbage += "\n:TestAlarm\nok\n";
    LoadFile(garbage);
    const std::string& sms = m_texts.GetAlarmTypeText(2);
    EXPECT_LE(sms.size(), CAlarmTypeTexts::MAX_BLOCK_BYTES);
    // Not UTF-8, so read as code page 1252: y and thorn with diaeresis, the NUL dropped, the euro sign.
    EXPECT_EQ(sms.substr(0, 7), "\xC3\xBF\xC3\xBE\xE2\x82\xAC");
    EXPECT_EQ(m_texts.GetAlarmTypeText(6), "ok\r\n");
}

TEST_F(AlarmTypeTextsTest, ASiteFileWrittenOnWindowsKeepsItsLetters) {
    // Code page 1252, as Notepad saved it on the old station; the UTF-8 block beside it stays as it is.
    LoadFile(":VoiceCallAlarm\r\n*** R\xF6stlarm \x96 hiss ***\r\nT\xF6r \xF6ppen\r\n"
             ":SMSAlarm\r\nSMS fr\xC3\xA5n hissen\r\n");
    EXPECT_EQ(m_texts.GetAlarmTypeText(3),
              "*** R\xC3\xB6stlarm \xE2\x80\x93 hiss ***\r\nT\xC3\xB6r \xC3\xB6ppen\r\n");
    EXPECT_EQ(m_texts.GetAlarmTypeText(2), "SMS fr\xC3\xA5n hissen\r\n");
}

TEST_F(AlarmTypeTextsTest, HugeBlockIsCut) {
    std::string file = ":SMSAlarm\n";
    for (int i = 0; i < 5000; ++i) {
        file += "a line of the block\n";
    }
    LoadFile(file);
    EXPECT_LE(m_texts.GetAlarmTypeText(2).size(), CAlarmTypeTexts::MAX_BLOCK_BYTES);
    EXPECT_GT(m_texts.GetAlarmTypeText(2).size(), CAlarmTypeTexts::MAX_BLOCK_BYTES - 100);
}

TEST_F(AlarmTypeTextsTest, FolderThatCannotBeWrittenKeepsTheDefaults) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root writes into read-only folders";
    }
    ASSERT_EQ(chmod(m_dir.Path().c_str(), 0500), 0);
    EXPECT_EQ(m_texts.LoadAlarmTypeTexts(m_dir.Path()), CAlarmTypeTexts::ATT_LOAD_DEFAULTS);
    EXPECT_EQ(m_texts.GetAlarmTypeText(1), "*** P100 Alarm ***\r\n");
}

TEST_F(AlarmTypeTextsTest, MissingFolderKeepsTheDefaults) {
    EXPECT_EQ(m_texts.LoadAlarmTypeTexts(m_dir.File("no/such/folder")), CAlarmTypeTexts::ATT_LOAD_DEFAULTS);
    EXPECT_EQ(m_texts.GetAlarmTypeText(6), "*** Test Successful ***\r\n");
}

TEST_F(AlarmTypeTextsTest, UnreadableSiteFileIsNeverOverwritten) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root reads every file";
    }
    const std::string path = m_dir.File(CAlarmTypeTexts::FILE_NAME);
    CTempDir::WriteFile(path, ":P100Alarm\nsite text\n");
    ASSERT_EQ(chmod(path.c_str(), 0200), 0);
    EXPECT_EQ(m_texts.LoadAlarmTypeTexts(m_dir.Path()), CAlarmTypeTexts::ATT_LOAD_DEFAULTS);
    ASSERT_EQ(chmod(path.c_str(), 0600), 0);
    EXPECT_EQ(CTempDir::ReadFile(path), ":P100Alarm\nsite text\n");
}

TEST_F(AlarmTypeTextsTest, FolderNamedLikeTheFileIsNotRead) {
    ASSERT_EQ(mkdir(m_dir.File(CAlarmTypeTexts::FILE_NAME).c_str(), 0700), 0);
    EXPECT_EQ(m_texts.LoadAlarmTypeTexts(m_dir.Path()), CAlarmTypeTexts::ATT_LOAD_DEFAULTS);
    EXPECT_EQ(m_texts.GetAlarmTypeText(9), "*** End of Alarm ***\r\n");
}

TEST(AlarmTypeTextsNoDictionary, DefaultFileStillHasOneLabelPerLine) {
    // Without a line end after a slot text the next label would join its line and be lost.
    Text::SetTranslator([](const std::string&) { return std::string("*NA*"); });
    CTempDir dir;
    CAlarmTypeTexts texts;
    texts.LoadDefaults();
    ASSERT_EQ(texts.LoadAlarmTypeTexts(dir.Path()), CAlarmTypeTexts::ATT_LOAD_WRITTEN);
    const std::string file = CTempDir::ReadFile(dir.File(CAlarmTypeTexts::FILE_NAME));
    EXPECT_NE(file.find("*NA*\n:SMSAlarm\n"), std::string::npos);
    CAlarmTypeTexts reread;
    reread.LoadAlarmTypeTexts(dir.Path());
    EXPECT_EQ(reread.GetAlarmTypeText(10), "*NA*\r\n");
    Text::SetTranslator({});
}

} // namespace
