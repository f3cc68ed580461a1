#include "AlarmInfoReqMsg.h"
#include "DatabaseFixture.h"

#include <map>

namespace {

using A = CAlarmInfoMsg;

std::vector<const CAlarmInfoMsg*> Records(const CAlarmInfoMsg& head) {
    std::vector<const CAlarmInfoMsg*> list;
    for (const CAlarmInfoMsg* r = &head; r != nullptr; r = r->NextRecord()) {
        list.push_back(r);
    }
    return list;
}

class AlarmTableTest : public DatabaseTest {
protected:
    // Eight alarms, two of each status, one minute apart; the key of each by its minute.
    void AddMixedAlarms() {
        const std::uint8_t statuses[] = {1, 2, 3, 4, 1, 2, 3, 4};
        for (int minute = 0; minute < 8; ++minute) {
            m_keyAt[minute] = AddAlarm("ID" + std::to_string(minute), A::ALARMTYPE_P100, statuses[minute],
                                       CDateTime::FromLocal(2024, 6, 1, 12, minute));
        }
    }
    // Minutes of the listed alarms, in list order.
    std::vector<int> ListMinutes(std::uint8_t mask, std::int32_t maxCount = 200,
                                 std::uint16_t* status = nullptr) {
        CAlarmInfoReqMsg request(MsgKind::DB_ALARM_FIND, CAlarmInfoReqMsg::FIND_BY_STATUS);
        request.StatusMask = mask;
        request.MaxCount = maxCount;
        auto reply = m_handler->AlarmTable().FindAlarmInfo(request);
        if (status != nullptr) {
            *status = reply->Status;
        }
        std::vector<int> minutes;
        if (reply->Status == AlarmResult::FIND_LIST) {
            for (const CAlarmInfoMsg* r : Records(*reply)) {
                minutes.push_back(r->AlarmTime.ToLocal().Minute);
            }
        }
        return minutes;
    }

    std::map<int, std::uint32_t> m_keyAt;
};

} // namespace

TEST_F(AlarmTableTest, AddStoresEveryColumnAndGivesTheKey) {
    auto alarm = MakeAlarm("00001234", A::ALARMTYPE_OPFAIL, A::ALARMSTATUS_ACKNOWLEDGED,
                           CDateTime::FromLocal(2024, 6, 15, 9, 0));
    alarm->AlarmSource = A::ALARMSOURCE_SMS;
    alarm->IdInfo = "Lift A";
    alarm->OpFailType = A::OPFAIL_BATTERY;
    alarm->Text.AddLine("second line");
    alarm->AckTime = CDateTime::FromLocal(2024, 6, 15, 9, 5);
    alarm->AckOperator = "Anna";
    alarm->Address = "not stored";
    auto reply = m_handler->AlarmTable().AddAlarmInfo(*alarm);
    EXPECT_EQ(reply->Kind, MsgKind::UI_ALARM_RECORD);
    EXPECT_EQ(reply->Status, AlarmResult::ADD_STORED);
    ASSERT_NE(alarm->PrimaryKey, 0u);

    CAlarmInfoReqMsg find(MsgKind::DB_ALARM_FIND, CAlarmInfoReqMsg::FIND_BY_KEY);
    find.PrimaryKey = alarm->PrimaryKey;
    auto found = m_handler->AlarmTable().FindAlarmInfo(find);
    EXPECT_EQ(found->Kind, MsgKind::UI_ALARM_RECORD);
    ASSERT_EQ(found->Status, AlarmResult::FIND_BY_KEY);
    EXPECT_EQ(found->PrimaryKey, alarm->PrimaryKey);
    EXPECT_EQ(found->IdCode, "00001234");
    EXPECT_EQ(found->AlarmSource, A::ALARMSOURCE_SMS);
    EXPECT_EQ(found->AlarmType, A::ALARMTYPE_OPFAIL);
    EXPECT_EQ(found->IdInfo, "Lift A");
    EXPECT_EQ(found->OpFailType, A::OPFAIL_BATTERY);
    EXPECT_EQ(found->Text.Text(), "Alarm from 00001234\nsecond line");
    EXPECT_EQ(found->AlarmStatus, A::ALARMSTATUS_ACKNOWLEDGED);
    EXPECT_EQ(found->AckTime, CDateTime::FromLocal(2024, 6, 15, 9, 5));
    EXPECT_EQ(found->AckOperator, "Anna");
    EXPECT_TRUE(found->ExecOperator.empty());
    EXPECT_TRUE(found->Address.empty());
    EXPECT_EQ(found->Next, nullptr);
}

TEST_F(AlarmTableTest, ListsByStatusMaskNewestFirst) {
    AddMixedAlarms();
    EXPECT_EQ(ListMinutes(15), (std::vector<int>{7, 6, 5, 4, 3, 2, 1, 0}));
    EXPECT_EQ(ListMinutes(1), (std::vector<int>{4, 0}));
    EXPECT_EQ(ListMinutes(8), (std::vector<int>{7, 3}));
    EXPECT_EQ(ListMinutes(6), (std::vector<int>{6, 5, 2, 1}));
    std::uint16_t status = 0;
    EXPECT_TRUE(ListMinutes(0, 200, &status).empty());
    EXPECT_EQ(status, AlarmResult::FIND_NONE);
}

TEST_F(AlarmTableTest, EqualTimesListInTheSameOrderWhateverTheMask) {
    const CDateTime t = CDateTime::FromLocal(2024, 6, 1, 12, 0);
    std::vector<std::uint32_t> keys;
    for (std::uint8_t status : {1, 2, 1, 2}) {
        keys.push_back(AddAlarm("T", A::ALARMTYPE_P100, status, t));
    }
    AddAlarm("U", A::ALARMTYPE_P100, 1, CDateTime()); // no time: last
    auto listKeys = [&](std::uint8_t mask) {
        CAlarmInfoReqMsg request(MsgKind::DB_ALARM_FIND, CAlarmInfoReqMsg::FIND_BY_STATUS);
        request.StatusMask = mask;
        request.MaxCount = 10;
        std::vector<std::uint32_t> list;
        auto reply = m_handler->AlarmTable().FindAlarmInfo(request);
        for (const CAlarmInfoMsg* r : Records(*reply)) {
            list.push_back(r->PrimaryKey);
        }
        return list;
    };
    const std::vector<std::uint32_t> expected = {keys[3], keys[2], keys[1], keys[0], keys[3] + 1};
    EXPECT_EQ(listKeys(15), expected);
    EXPECT_EQ(listKeys(3), expected);
}

TEST_F(AlarmTableTest, MaskZeroGivesOneEmptyRecord) {
    AddMixedAlarms();
    CAlarmInfoReqMsg request(MsgKind::DB_ALARM_FIND, CAlarmInfoReqMsg::FIND_BY_STATUS);
    request.StatusMask = 0;
    request.MaxCount = 200;
    auto reply = m_handler->AlarmTable().FindAlarmInfo(request);
    EXPECT_EQ(reply->Status, AlarmResult::FIND_NONE);
    EXPECT_EQ(reply->PrimaryKey, 0u);
    EXPECT_EQ(reply->Next, nullptr);
}

TEST_F(AlarmTableTest, MaxCountGivesTheNewestRows) {
    for (int i = 0; i < 150; ++i) {
        AddAlarm("X", A::ALARMTYPE_P100, A::ALARMSTATUS_FINISHED,
                 CDateTime::FromLocal(2024, 6, 1).AddMinutes(i));
    }
    CAlarmInfoReqMsg request(MsgKind::DB_ALARM_FIND, CAlarmInfoReqMsg::FIND_BY_STATUS);
    request.MaxCount = 100;
    request.StatusMask = CAlarmInfoReqMsg::MASK_FINISHED;
    auto reply = m_handler->AlarmTable().FindAlarmInfo(request);
    const auto list = Records(*reply);
    ASSERT_EQ(list.size(), 100u);
    EXPECT_EQ(list.front()->AlarmTime, CDateTime::FromLocal(2024, 6, 1).AddMinutes(149));
    EXPECT_EQ(list.back()->AlarmTime, CDateTime::FromLocal(2024, 6, 1).AddMinutes(50));
    for (const CAlarmInfoMsg* r : list) {
        EXPECT_EQ(r->Kind, MsgKind::UI_ALARM_RECORD);
    }
}

TEST_F(AlarmTableTest, KeyChainWithAMissingKeyKeepsItsPlace) {
    AddMixedAlarms();
    auto head = std::make_unique<CAlarmInfoReqMsg>(MsgKind::DB_ALARM_FIND, CAlarmInfoReqMsg::FIND_KEY_CHAIN);
    head->PrimaryKey = m_keyAt[2];
    auto second =
        std::make_unique<CAlarmInfoReqMsg>(MsgKind::DB_ALARM_FIND, CAlarmInfoReqMsg::FIND_KEY_CHAIN);
    second->PrimaryKey = 9999;
    auto third = std::make_unique<CAlarmInfoReqMsg>(MsgKind::DB_ALARM_FIND, CAlarmInfoReqMsg::FIND_KEY_CHAIN);
    third->PrimaryKey = m_keyAt[5];
    second->Next = std::move(third);
    head->Next = std::move(second);

    auto reply = m_handler->AlarmTable().FindAlarmInfo(*head);
    const auto list = Records(*reply);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0]->Status, AlarmResult::FIND_CHAIN);
    EXPECT_EQ(list[0]->PrimaryKey, m_keyAt[2]);
    EXPECT_EQ(list[1]->Status, AlarmResult::FIND_NONE);
    EXPECT_EQ(list[1]->PrimaryKey, 0u);
    EXPECT_EQ(list[2]->Status, AlarmResult::FIND_BY_KEY);
    EXPECT_EQ(list[2]->PrimaryKey, m_keyAt[5]);
}

TEST_F(AlarmTableTest, PrintListCarriesItsOwnCode) {
    AddMixedAlarms();
    CAlarmInfoReqMsg request(MsgKind::DB_ALARM_FIND, CAlarmInfoReqMsg::FIND_FOR_PRINT);
    request.StatusMask = CAlarmInfoReqMsg::MASK_NEW;
    request.MaxCount = 200;
    auto reply = m_handler->AlarmTable().FindAlarmInfo(request);
    EXPECT_EQ(reply->Status, AlarmResult::FIND_PRINT);
    EXPECT_EQ(Records(*reply).size(), 2u);
    EXPECT_EQ(request.Type, CAlarmInfoReqMsg::FIND_BY_STATUS);
}

TEST_F(AlarmTableTest, LatestEmergencyAlarmOfAnIdCode) {
    const CDateTime t = CDateTime::FromLocal(2024, 6, 1, 8, 0);
    AddAlarm("A'1", A::ALARMTYPE_EMERGENCY_CALL, A::ALARMSTATUS_NEW, t);
    const std::uint32_t latest =
        AddAlarm("A'1", A::ALARMTYPE_EMERGENCY_CALL, A::ALARMSTATUS_NEW, t.AddHours(1));
    AddAlarm("A'1", A::ALARMTYPE_VOICE, A::ALARMSTATUS_NEW, t.AddHours(2));
    AddAlarm("B", A::ALARMTYPE_EMERGENCY_CALL, A::ALARMSTATUS_NEW, t.AddHours(3));

    CAlarmInfoReqMsg request(MsgKind::DB_ALARM_FIND, CAlarmInfoReqMsg::FIND_LAST_EMERGENCY);
    request.IdCode = "A'1"; // a quote is a character like any other
    auto reply = m_handler->AlarmTable().FindAlarmInfo(request);
    EXPECT_EQ(reply->Status, AlarmResult::FIND_EMERGENCY);
    EXPECT_EQ(reply->PrimaryKey, latest);
    EXPECT_EQ(reply->Next, nullptr);

    request.IdCode = "C";
    EXPECT_EQ(m_handler->AlarmTable().FindAlarmInfo(request)->Status, AlarmResult::FIND_NONE);
    EXPECT_TRUE(m_frontEnd.messageBoxes.empty());
}

TEST_F(AlarmTableTest, EditChangesOnlyWhatTheRecordCarries) {
    const std::uint32_t key =
        AddAlarm("1", A::ALARMTYPE_VOICE, A::ALARMSTATUS_NEW, CDateTime::FromLocal(2024, 6, 1));
    CAlarmInfoMsg edit(MsgKind::DB_ALARM_EDIT);
    edit.PrimaryKey = key;
    edit.AlarmStatus = A::ALARMSTATUS_ACKNOWLEDGED;
    edit.AckTime = CDateTime::FromLocal(2024, 6, 1, 1, 0); // ignored: no operator
    edit.IdInfo = "ignored";
    auto reply = m_handler->AlarmTable().EditAlarmInfo(edit);
    EXPECT_EQ(reply->Kind, MsgKind::UI_ALARM_RECORD);
    EXPECT_EQ(reply->Status, AlarmResult::EDIT_CHANGED);
    EXPECT_EQ(QueryInt("SELECT AlarmStatus FROM AlarmInfo"), 2);
    EXPECT_EQ(Query("SELECT AckTime FROM AlarmInfo"), "NULL");
    EXPECT_EQ(Query("SELECT IdInfo FROM AlarmInfo"), "");

    edit.AlarmStatus = A::ALARMSTATUS_FINISHED;
    edit.AckOperator = "Anna";
    edit.ExecOperator = "Bert";
    edit.ExecTime = CDateTime::FromLocal(2024, 6, 1, 2, 0);
    EXPECT_EQ(m_handler->AlarmTable().EditAlarmInfo(edit)->Status, AlarmResult::EDIT_CHANGED);
    EXPECT_EQ(Query("SELECT AckOperator || '/' || ExecOperator FROM AlarmInfo"), "Anna/Bert");
    CAlarmInfoReqMsg find(MsgKind::DB_ALARM_FIND, CAlarmInfoReqMsg::FIND_BY_KEY);
    find.PrimaryKey = key;
    auto found = m_handler->AlarmTable().FindAlarmInfo(find);
    EXPECT_EQ(found->AckTime, CDateTime::FromLocal(2024, 6, 1, 1, 0));
    EXPECT_EQ(found->ExecTime, CDateTime::FromLocal(2024, 6, 1, 2, 0));

    edit.PrimaryKey = key + 100;
    EXPECT_EQ(m_handler->AlarmTable().EditAlarmInfo(edit)->Status, AlarmResult::EDIT_NOT_FOUND);
}

TEST_F(AlarmTableTest, DeleteByKeyAndAMissingKey) {
    AddMixedAlarms();
    CAlarmInfoReqMsg del(MsgKind::DB_ALARM_DELETE, CAlarmInfoReqMsg::DELETE_BY_KEY);
    del.PrimaryKey = m_keyAt[3];
    auto reply = m_handler->AlarmTable().DeleteAlarmInfo(del);
    EXPECT_EQ(reply->Kind, MsgKind::UI_ALARM_RECORD);
    EXPECT_EQ(reply->Status, AlarmResult::DELETE_DONE);
    EXPECT_EQ(QueryInt("SELECT count(*) FROM AlarmInfo"), 7);
    EXPECT_EQ(m_handler->AlarmTable().DeleteAlarmInfo(del)->Status, AlarmResult::DELETE_NONE);
}

TEST_F(AlarmTableTest, PurgeKeepsTheWholeCutOffDay) {
    // 10:00 on 15 June 2024, 90 days: everything before 17 March 2024 00:00 goes.
    SetNow(2024, 6, 15, 10, 0, 0);
    AddAlarm("old", 1, 3, CDateTime::FromLocal(2024, 3, 16, 23, 59, 59));
    AddAlarm("keep", 1, 3, CDateTime::FromLocal(2024, 3, 17, 0, 0, 0));
    AddAlarm("keep", 1, 3, CDateTime::FromLocal(2024, 3, 17, 9, 0, 0));
    AddAlarm("undated", 1, 3, CDateTime());
    CAlarmInfoReqMsg purge(MsgKind::DB_ALARM_DELETE, CAlarmInfoReqMsg::DELETE_PURGE);
    purge.Days = 90;
    EXPECT_EQ(m_handler->AlarmTable().DeleteAlarmInfo(purge)->Status, AlarmResult::DELETE_DONE);
    EXPECT_EQ(QueryInt("SELECT count(*) FROM AlarmInfo WHERE IdCode = 'old'"), 0);
    EXPECT_EQ(QueryInt("SELECT count(*) FROM AlarmInfo WHERE IdCode = 'keep'"), 2);
    EXPECT_EQ(QueryInt("SELECT count(*) FROM AlarmInfo WHERE IdCode = 'undated'"), 1);
    EXPECT_EQ(m_handler->AlarmTable().DeleteAlarmInfo(purge)->Status, AlarmResult::DELETE_NONE);
}

TEST_F(AlarmTableTest, EngineErrorsAreShownAndReportedWithTheirCodes) {
    const std::uint32_t key = AddAlarm("1", 1, 1, CDateTime::FromLocal(2024, 6, 1));
    Exec("DROP TABLE AlarmInfo");

    auto alarm = MakeAlarm("2", 1, 1, CDateTime::FromLocal(2024, 6, 2));
    alarm->PrimaryKey = 77;
    EXPECT_EQ(m_handler->AlarmTable().AddAlarmInfo(*alarm)->Status, AlarmResult::ADD_ERROR);
    EXPECT_EQ(alarm->PrimaryKey, 77u); // a failed add leaves the key as it was

    CAlarmInfoReqMsg find(MsgKind::DB_ALARM_FIND, CAlarmInfoReqMsg::FIND_BY_STATUS);
    find.MaxCount = 10;
    auto found = m_handler->AlarmTable().FindAlarmInfo(find);
    EXPECT_EQ(found->Status, AlarmResult::FIND_ERROR);
    EXPECT_EQ(found->Next, nullptr);

    CAlarmInfoMsg edit(MsgKind::DB_ALARM_EDIT);
    edit.PrimaryKey = key;
    EXPECT_EQ(m_handler->AlarmTable().EditAlarmInfo(edit)->Status, AlarmResult::EDIT_ERROR);
    CAlarmInfoReqMsg del(MsgKind::DB_ALARM_DELETE, CAlarmInfoReqMsg::DELETE_BY_KEY);
    EXPECT_EQ(m_handler->AlarmTable().DeleteAlarmInfo(del)->Status, AlarmResult::DELETE_ERROR);

    ASSERT_EQ(m_frontEnd.messageBoxes.size(), 4u);
    EXPECT_EQ(m_frontEnd.messageBoxes[0].text, "CDatabaseHandler::AddAlarmInfo: no such table: AlarmInfo");
    EXPECT_EQ(m_frontEnd.messageBoxes[1].text, "CDatabaseHandler::FindAlarmInfo: no such table: AlarmInfo");
    EXPECT_EQ(m_frontEnd.messageBoxes[2].text, "CDatabaseHandler::EditAlarmInfo: no such table: AlarmInfo");
    EXPECT_EQ(m_frontEnd.messageBoxes[3].text, "CDatabaseHandler::DeleteAlarmInfo: no such table: AlarmInfo");
    EXPECT_EQ(m_frontEnd.messageBoxes[0].icon, IFrontEnd::EIcon::Warning);
    // The connection is left clean: no statement or transaction hangs on.
    EXPECT_FALSE(m_db.InTransaction());
    EXPECT_TRUE(m_db.Close());
}

TEST_F(AlarmTableTest, AFailedInsertOfALockedDatabaseIsReportedNotSwallowed) {
    // Another process holds the write lock for longer than the busy time-out.
    CSqliteDb other;
    ASSERT_EQ(other.Open(Folder() + "MORA_10.mdb"), 0);
    other.Exec("BEGIN IMMEDIATE");
    m_db.SetBusyTimeout(20);
    auto alarm = MakeAlarm("1", A::ALARMTYPE_VOICE, A::ALARMSTATUS_NEW, CDateTime::FromLocal(2024, 6, 1));
    auto reply = m_handler->AlarmTable().AddAlarmInfo(*alarm);
    EXPECT_EQ(reply->Status, AlarmResult::ADD_ERROR);
    ASSERT_EQ(m_frontEnd.messageBoxes.size(), 1u);
    EXPECT_EQ(m_frontEnd.messageBoxes[0].text, "CDatabaseHandler::AddAlarmInfo: database is locked");
    other.Exec("ROLLBACK");
    EXPECT_EQ(m_handler->AlarmTable().AddAlarmInfo(*alarm)->Status, AlarmResult::ADD_STORED);
}

TEST_F(AlarmTableTest, AFailedCommitIsReportedAndLeavesNoTransactionBehind) {
    // A deferred constraint that only the commit checks makes the commit itself fail.
    Exec("PRAGMA foreign_keys = ON");
    Exec("CREATE TABLE Parent (Id INTEGER PRIMARY KEY)");
    Exec("CREATE TABLE Child (ParentId INTEGER REFERENCES Parent(Id) DEFERRABLE INITIALLY DEFERRED)");
    Exec("CREATE TRIGGER orphan AFTER INSERT ON AlarmInfo BEGIN INSERT INTO Child VALUES (99); END");
    auto alarm = MakeAlarm("1", A::ALARMTYPE_VOICE, A::ALARMSTATUS_NEW, CDateTime::FromLocal(2024, 6, 1));
    EXPECT_EQ(m_handler->AlarmTable().AddAlarmInfo(*alarm)->Status, AlarmResult::ADD_ERROR);
    EXPECT_EQ(alarm->PrimaryKey, 0u);
    ASSERT_EQ(m_frontEnd.messageBoxes.size(), 1u);
    EXPECT_EQ(m_frontEnd.messageBoxes[0].text,
              "CDatabaseHandler::AddAlarmInfo: FOREIGN KEY constraint failed");
    EXPECT_FALSE(m_db.InTransaction());
    EXPECT_EQ(QueryInt("SELECT count(*) FROM AlarmInfo"), 0);

    // The next alarm is committed on its own, not swallowed by a transaction left open.
    Exec("DROP TRIGGER orphan");
    EXPECT_EQ(m_handler->AlarmTable().AddAlarmInfo(*alarm)->Status, AlarmResult::ADD_STORED);
    EXPECT_FALSE(m_db.InTransaction());
}
