#include "PrintJob.h"
#include "AlarmInfoReqMsg.h"
#include "DbResults.h"
#include "MsgKinds.h"
#include "WindowTestSupport.h"

#include <gtest/gtest.h>

namespace {

const std::string STARS(70, '*');

SAlarmRow Row(std::uint32_t key, bool selected = false) {
    SAlarmRow row;
    row.key = key;
    row.selected = selected;
    return row;
}

std::size_t CountLines(const CPrintObject& report, const std::string& text) {
    std::size_t n = 0;
    for (const CPrintPage& page : report.Pages()) {
        for (const CPrintLine& line : page.Lines()) {
            n += line.Text() == text ? 1 : 0;
        }
    }
    return n;
}

class PrintJobTest : public ::testing::Test {
protected:
    void SetUp() override { UseEnglishTexts(); }

    std::uint32_t AddAlarm(int minute, std::uint8_t status = CAlarmInfoMsg::ALARMSTATUS_NEW,
                           int textLines = 1) {
        CAlarmInfoMsg alarm(MsgKind::UI_ALARM_RECORD, AlarmResult::NEW_ALARM);
        alarm.IdCode = "12345678";
        alarm.IdInfo = "Lift 1";
        alarm.AlarmSource = CAlarmInfoMsg::ALARMSOURCE_TEL;
        alarm.AlarmType = CAlarmInfoMsg::ALARMTYPE_P100;
        alarm.AlarmStatus = status;
        alarm.AlarmTime = CDateTime::FromLocal(2024, 3, 5, 7 + minute / 60, minute % 60, 9);
        for (int i = 1; i <= textLines; ++i) {
            alarm.Text.AddLine("L" + std::to_string(i));
        }
        auto reply = m_db.Handler().AlarmTable().AddAlarmInfo(alarm);
        EXPECT_EQ(reply->Status, AlarmResult::ADD_STORED);
        return alarm.PrimaryKey;
    }

    // Print pressed: the request goes to the database and its reply back to the job.
    void PrintAndReply(CPrintJob::EChoice choice, const std::vector<SAlarmRow>& rows,
                       std::uint8_t filter = CAlarmInfoReqMsg::MASK_ALL) {
        MsgPtr request = CPrintJob::MakeRequest(choice, rows, filter);
        ASSERT_TRUE(request);
        m_job.Start(CPrintJob::EOutput::Print);
        MsgPtr reply = m_db.Request(std::move(request));
        ASSERT_TRUE(m_job.TakeReply(reply));
        EXPECT_FALSE(reply);
        EXPECT_FALSE(m_job.Pending());
        m_job.Prepare();
    }

    CTestDatabase m_db;
    CPrintJob m_job;
};

TEST_F(PrintJobTest, TheChoicesFollowTheListAndItsSelection) {
    auto state = CPrintJob::StateFor({});
    EXPECT_FALSE(state.printEnabled);
    EXPECT_FALSE(state.allEnabled);
    EXPECT_FALSE(state.selectionEnabled);
    EXPECT_EQ(state.allText, "All");
    EXPECT_EQ(state.selectionText, "Selection");
    EXPECT_EQ(state.preset, CPrintJob::EChoice::None);
    EXPECT_FALSE(CPrintJob::MakeRequest(CPrintJob::EChoice::All, {}, 15));

    std::vector<SAlarmRow> rows;
    for (std::uint32_t key = 1; key <= 120; ++key) {
        rows.push_back(Row(key));
    }
    state = CPrintJob::StateFor(rows);
    EXPECT_TRUE(state.printEnabled);
    EXPECT_TRUE(state.allEnabled);
    EXPECT_EQ(state.allText, "All Items (120)");
    EXPECT_FALSE(state.selectionEnabled);
    EXPECT_EQ(state.selectionText, "Selection");
    EXPECT_EQ(state.preset, CPrintJob::EChoice::All);
    EXPECT_FALSE(CPrintJob::MakeRequest(CPrintJob::EChoice::Selection, rows, 15));

    // All: the newest alarms of the list's filter, as many as it shows.
    MsgPtr all = CPrintJob::MakeRequest(CPrintJob::EChoice::All, rows, 0x03);
    auto* find = dynamic_cast<CAlarmInfoReqMsg*>(all.get());
    ASSERT_NE(find, nullptr);
    EXPECT_EQ(find->Kind, MsgKind::DB_ALARM_FIND);
    EXPECT_EQ(find->Type, CAlarmInfoReqMsg::FIND_FOR_PRINT);
    EXPECT_EQ(find->MaxCount, 120);
    EXPECT_EQ(find->StatusMask, 0x03);

    rows[4].selected = true;
    rows[99].selected = true;
    state = CPrintJob::StateFor(rows);
    EXPECT_TRUE(state.selectionEnabled);
    EXPECT_EQ(state.selectionText, "Selection (2)");
    EXPECT_EQ(state.preset, CPrintJob::EChoice::Selection);
    // Selection: one key find per selected row, chained in list order.
    MsgPtr chain = CPrintJob::MakeRequest(CPrintJob::EChoice::Selection, rows, 15);
    auto* first = dynamic_cast<CAlarmInfoReqMsg*>(chain.get());
    ASSERT_NE(first, nullptr);
    ASSERT_NE(first->NextRequest(), nullptr);
    EXPECT_EQ(first->Type, CAlarmInfoReqMsg::FIND_KEY_CHAIN);
    EXPECT_EQ(first->PrimaryKey, 5u);
    EXPECT_EQ(first->NextRequest()->PrimaryKey, 100u);
    EXPECT_EQ(first->NextRequest()->NextRequest(), nullptr);
}

TEST_F(PrintJobTest, AllOf120AlarmsPrintsOneBlockEachOnPagesOfFifty) {
    std::vector<SAlarmRow> rows;
    for (int i = 0; i < 120; ++i) {
        rows.push_back(Row(AddAlarm(i)));
    }
    PrintAndReply(CPrintJob::EChoice::All, rows);
    EXPECT_EQ(m_job.RecordCount(), 120u);
    const CPrintObject& report = m_job.Report();
    EXPECT_EQ(CountLines(report, STARS), 120u);
    // 120 blocks of 8 lines: 960 lines on 20 pages, each full but the last.
    ASSERT_EQ(report.PageCount(), 20u);
    for (std::size_t p = 0; p + 1 < report.PageCount(); ++p) {
        EXPECT_EQ(report.Page(p).Lines().size(), CPrintPage::MAX_LINES);
    }
    EXPECT_EQ(report.Page(19).Lines().size(), 10u);
    // Newest first, as the log answers.
    EXPECT_EQ(report.Page(0).Lines()[6].Text(), "Alarm Time: 24-03-05 08:59:09");

    m_job.End();
    EXPECT_EQ(m_job.Report().PageCount(), 0u);
    EXPECT_EQ(m_job.RecordCount(), 120u); // kept until the next reply
}

TEST_F(PrintJobTest, AnAlarmOfFortyLinesRunsOnToTheNextPage) {
    const std::uint32_t small = AddAlarm(2, CAlarmInfoMsg::ALARMSTATUS_NEW, 5);
    const std::uint32_t large = AddAlarm(1, CAlarmInfoMsg::ALARMSTATUS_NEW, 40);
    PrintAndReply(CPrintJob::EChoice::Selection, {Row(small, true), Row(large, true)});
    const CPrintObject& report = m_job.Report();
    // 12 lines of the first block, then 7 + 40 of the second: 50 on page 1, 9 on page 2.
    ASSERT_EQ(report.PageCount(), 2u);
    const auto& page1 = report.Page(0).Lines();
    const auto& page2 = report.Page(1).Lines();
    ASSERT_EQ(page1.size(), 50u);
    ASSERT_EQ(page2.size(), 9u);
    EXPECT_EQ(page1[12].Text(), STARS);
    EXPECT_EQ(page1[49].Text(), "L31");
    EXPECT_EQ(page2[0].Text(), "L32");
    EXPECT_EQ(page2[8].Text(), "L40");
}

TEST_F(PrintJobTest, ASelectedAlarmThatWasDeletedPrintsNothing) {
    const std::uint32_t a = AddAlarm(1);
    const std::uint32_t b = AddAlarm(2);
    const std::uint32_t c = AddAlarm(3);
    CAlarmInfoReqMsg remove(MsgKind::DB_ALARM_DELETE, CAlarmInfoReqMsg::DELETE_BY_KEY);
    remove.PrimaryKey = a;
    ASSERT_EQ(m_db.Handler().AlarmTable().DeleteAlarmInfo(remove)->Status, AlarmResult::DELETE_DONE);
    PrintAndReply(CPrintJob::EChoice::Selection, {Row(a, true), Row(b, true), Row(c), Row(99, true)});
    EXPECT_EQ(m_job.RecordCount(), 1u);
    EXPECT_EQ(CountLines(m_job.Report(), STARS), 1u);
    EXPECT_EQ(CountLines(m_job.Report(), "Alarm Time: 24-03-05 07:02:09"), 1u);
}

TEST_F(PrintJobTest, OnlyTheReplyToAPendingRequestIsTaken) {
    MsgPtr reply = std::make_unique<CAlarmInfoMsg>(MsgKind::UI_ALARM_RECORD, AlarmResult::FIND_PRINT);
    EXPECT_FALSE(m_job.TakeReply(reply)); // nothing asked for
    ASSERT_TRUE(reply);
    m_job.Start(CPrintJob::EOutput::Preview);
    MsgPtr list = std::make_unique<CAlarmInfoMsg>(MsgKind::UI_ALARM_RECORD, AlarmResult::FIND_LIST);
    EXPECT_FALSE(m_job.TakeReply(list)); // the alarm list's own reply
    EXPECT_TRUE(list);
    EXPECT_TRUE(m_job.TakeReply(reply));
    EXPECT_EQ(m_job.Output(), CPrintJob::EOutput::Preview);
    m_job.Prepare();
    EXPECT_EQ(m_job.Report().PageCount(), 0u); // an empty record: nothing found
}

TEST(PrintObjectTest, TheBlockOfAnAlarmLineByLine) {
    UseEnglishTexts();
    CAlarmInfoMsg alarm;
    alarm.PrimaryKey = 7;
    alarm.IdCode = "12345678";
    alarm.IdInfo = "Lift 1";
    alarm.AlarmSource = CAlarmInfoMsg::ALARMSOURCE_SMS;
    alarm.AlarmType = CAlarmInfoMsg::ALARMTYPE_OPFAIL;
    alarm.OpFailType = CAlarmInfoMsg::OPFAIL_BATTERY;
    alarm.AlarmStatus = CAlarmInfoMsg::ALARMSTATUS_FINISHED;
    alarm.AlarmTime = CDateTime::FromLocal(2024, 3, 5, 7, 4, 9);
    alarm.AckOperator = "Eva";
    alarm.AckTime = CDateTime::FromLocal(2024, 3, 5, 7, 5, 0);
    alarm.ExecOperator = "Nils";
    alarm.Text.AddLine("Battery low");
    alarm.Text.AddLine("");
    alarm.Text.AddLine("Floor: 4");
    EXPECT_EQ(CPrintObject::AlarmBlock(alarm),
              (std::vector<std::string>{STARS, "Alarm Status: Finished", "Alarm Type: Battery Failure",
                                        "Alarm Source: SMS", "ID Code: 12345678", "ID Info: Lift 1",
                                        "Alarm Time: 24-03-05 07:04:09", "Battery low", "", "Floor: 4",
                                        "Acknowledged by: Eva, Time: 24-03-05  07:05:00",
                                        "Finished by: Nils, Time: "}));

    // Values without a report text have no line; an acknowledged alarm has no finish line.
    alarm.OpFailType = CAlarmInfoMsg::OPFAIL_BUS_COMMUNICATION;
    alarm.AlarmSource = 9;
    alarm.AlarmStatus = CAlarmInfoMsg::ALARMSTATUS_ACKNOWLEDGED;
    alarm.Text.Reset();
    EXPECT_EQ(CPrintObject::AlarmBlock(alarm),
              (std::vector<std::string>{STARS, "Alarm Status: Acknowledged", "ID Code: 12345678",
                                        "ID Info: Lift 1", "Alarm Time: 24-03-05 07:04:09",
                                        "Acknowledged by: Eva, Time: 24-03-05  07:05:00"}));
    alarm.AlarmStatus = 0;
    alarm.AlarmType = 42;
    EXPECT_EQ(CPrintObject::AlarmBlock(alarm)[1], "Alarm Type: Undefined");
}

TEST(PrintObjectTest, LongLinesAreWrappedNotCut) {
    const std::string name = "Lift " + std::string(40, 'x') + " Storgatan " + std::string(50, 'y') + " end";
    const auto parts = CPrintObject::Wrap(name, 80);
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0], "Lift " + std::string(40, 'x') + " Storgatan");
    EXPECT_EQ(parts[1], std::string(50, 'y') + " end");
    // No blank to break at: cut at the limit, never inside a character.
    const std::string word = std::string(79, 'a') + "\xc3\xa5\xc3\xa5" + "\r";
    EXPECT_EQ(CPrintObject::Wrap(word, 80),
              (std::vector<std::string>{std::string(79, 'a') + "\xc3\xa5", "\xc3\xa5"}));
    EXPECT_EQ(CPrintObject::Wrap("", 80), std::vector<std::string>{""});

    CPrintObject report;
    for (int i = 0; i < 49; ++i) {
        report.AddLine("line");
    }
    report.AddLine(std::string(100, 'z'));
    ASSERT_EQ(report.PageCount(), 2u);
    EXPECT_EQ(report.Page(0).Lines().back().Text(), std::string(80, 'z'));
    EXPECT_EQ(report.Page(1).Lines().front().Text(), std::string(20, 'z'));
}

} // namespace
