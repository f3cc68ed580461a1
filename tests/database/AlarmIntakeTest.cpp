#include "AlarmInfoReqMsg.h"
#include "DatabaseFixture.h"

namespace {

using A = CAlarmInfoMsg;

class AlarmIntakeTest : public DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        auto object = MakeObject("00001234", "+4670555");
        object->Days = 7;
        object->LastTestAlarm = CDateTime::FromLocal(2024, 6, 1, 8, 0);
        ASSERT_EQ(m_handler->ObjectTable().AddObjectInfo(*object)->Status, ObjectResult::ADD_DONE);
    }

    std::unique_ptr<CObjectInfoMsg> Object(const std::string& idCode) {
        return m_handler->ObjectTable().FindObjectInfo(
            CObjectInfoReqMsg(MsgKind::DB_OBJECT_FIND, CObjectInfoReqMsg::BY_IDCODE, idCode));
    }
    void SetObject(const CObjectInfoMsg& object) {
        ASSERT_EQ(m_handler->ObjectTable().EditObjectInfo(object)->Status, ObjectResult::EDIT_CHANGED);
    }
    // Runs the intake; returns keep and (through testOnly) the result.
    bool Intake(CAlarmInfoMsg& alarm, bool* testOnly = nullptr) {
        bool keep = true;
        const bool result = m_handler->StoreNewAlarm(alarm, keep);
        if (testOnly != nullptr) {
            *testOnly = result;
        }
        return keep;
    }
    std::int64_t AlarmCount() { return QueryInt("SELECT count(*) FROM AlarmInfo"); }
};

} // namespace

TEST_F(AlarmIntakeTest, KnownObjectGivesNameAddressAndTechniciansToAFailure) {
    auto alarm = MakeAlarm("00001234", A::ALARMTYPE_OPFAIL, A::ALARMSTATUS_NEW,
                           CDateTime::FromLocal(2024, 6, 15, 9, 0));
    alarm->OpFailType = A::OPFAIL_BATTERY;
    bool testOnly = true;
    EXPECT_TRUE(Intake(*alarm, &testOnly));
    EXPECT_FALSE(testOnly);
    EXPECT_TRUE(alarm->ObjectFound);
    EXPECT_EQ(alarm->IdInfo, "Lift 00001234");
    EXPECT_EQ(alarm->Address, "Street 1, Brennvik");
    EXPECT_EQ(alarm->Notes, "Notes of 00001234");
    EXPECT_TRUE(alarm->PopUpEnabled);
    EXPECT_EQ(alarm->MailRecipients, "tech@example.com");
    EXPECT_EQ(alarm->SmsRecipients, "+4611111");

    std::vector<MsgPtr> posted = m_sink.Take();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0]->Kind, MsgKind::UI_ALARM_RECORD);
    EXPECT_EQ(static_cast<CDatabaseMsg&>(*posted[0]).Status, AlarmResult::ADD_STORED);
    ASSERT_NE(alarm->PrimaryKey, 0u);
    EXPECT_EQ(Query("SELECT IdInfo FROM AlarmInfo WHERE PrimaryKey = " + std::to_string(alarm->PrimaryKey)),
              "Lift 00001234");
}

TEST_F(AlarmIntakeTest, EmergencyTypesGetTheEmergencyRecipients) {
    for (std::uint8_t type :
         {A::ALARMTYPE_VOICE, A::ALARMTYPE_EMERGENCY_CALL, A::ALARMTYPE_VOICE_REDIRECTED}) {
        auto alarm = MakeAlarm("00001234", type, A::ALARMSTATUS_NEW, CDateTime::FromLocal(2024, 6, 15, 9, 0));
        EXPECT_TRUE(Intake(*alarm));
        EXPECT_EQ(alarm->MailRecipients, "emergency@example.com");
        EXPECT_EQ(alarm->SmsRecipients, "+4699999");
    }
}

TEST_F(AlarmIntakeTest, HiddenObjectStoresNothing) {
    auto object = Object("00001234");
    object->IdInfo = "?Test lift in the workshop";
    SetObject(*object);
    auto alarm =
        MakeAlarm("00001234", A::ALARMTYPE_VOICE, A::ALARMSTATUS_NEW, CDateTime::FromLocal(2024, 6, 15, 9));
    EXPECT_FALSE(Intake(*alarm));
    EXPECT_EQ(AlarmCount(), 0);
    EXPECT_EQ(m_sink.Count(), 0u);
}

TEST_F(AlarmIntakeTest, UnknownSenderIsStoredWithoutObjectData) {
    auto alarm =
        MakeAlarm("55555555", A::ALARMTYPE_P100, A::ALARMSTATUS_NEW, CDateTime::FromLocal(2024, 6, 15, 9));
    EXPECT_TRUE(Intake(*alarm));
    EXPECT_FALSE(alarm->ObjectFound);
    EXPECT_TRUE(alarm->IdInfo.empty());
    EXPECT_TRUE(alarm->Address.empty());
    EXPECT_TRUE(alarm->MailRecipients.empty());
    EXPECT_TRUE(alarm->SmsRecipients.empty());
    EXPECT_EQ(AlarmCount(), 1);
    EXPECT_EQ(m_sink.Count(), 1u);
}

TEST_F(AlarmIntakeTest, TestAlarmOnlyTurnsAVoiceAlarmIntoAStoredTestAlarm) {
    auto object = Object("00001234");
    object->TestAlarmOnly = true;
    SetObject(*object);
    auto alarm =
        MakeAlarm("00001234", A::ALARMTYPE_VOICE, A::ALARMSTATUS_NEW, CDateTime::FromLocal(2024, 6, 15, 9));
    bool testOnly = false;
    EXPECT_TRUE(Intake(*alarm, &testOnly));
    EXPECT_TRUE(testOnly);
    EXPECT_EQ(Query("SELECT AlarmType || '/' || AlarmStatus FROM AlarmInfo"), "6/4");
    EXPECT_EQ(Object("00001234")->LastTestAlarm, CDateTime::FromLocal(2024, 6, 15, 9));
    // A test alarm takes the technicians.
    EXPECT_EQ(alarm->MailRecipients, "tech@example.com");
}

TEST_F(AlarmIntakeTest, TestAlarmFilterDropsATestAlarmWithinFortyMinutes) {
    m_handler->Configure(&m_db, 360, false, true);
    const CDateTime first = CDateTime::FromLocal(2024, 6, 15, 9, 0);
    auto a1 = MakeAlarm("00001234", A::ALARMTYPE_TEST, A::ALARMSTATUS_INFO, first);
    EXPECT_TRUE(Intake(*a1));
    auto a2 = MakeAlarm("00001234", A::ALARMTYPE_TEST, A::ALARMSTATUS_INFO, first.AddMinutes(39));
    EXPECT_FALSE(Intake(*a2));
    EXPECT_EQ(AlarmCount(), 1);
    EXPECT_EQ(Object("00001234")->LastTestAlarm, first);

    auto a3 = MakeAlarm("00001234", A::ALARMTYPE_TEST, A::ALARMSTATUS_INFO, first.AddMinutes(41));
    EXPECT_TRUE(Intake(*a3));
    EXPECT_EQ(AlarmCount(), 2);
    EXPECT_EQ(Object("00001234")->LastTestAlarm, first.AddMinutes(41));
}

TEST_F(AlarmIntakeTest, WithoutTheFilterEveryTestAlarmIsStored) {
    const CDateTime first = CDateTime::FromLocal(2024, 6, 15, 9, 0);
    for (int minutes : {0, 1, 2}) {
        auto alarm = MakeAlarm("00001234", A::ALARMTYPE_TEST, A::ALARMSTATUS_INFO, first.AddMinutes(minutes));
        EXPECT_TRUE(Intake(*alarm));
    }
    EXPECT_EQ(AlarmCount(), 3);
    EXPECT_EQ(Object("00001234")->LastTestAlarm, first.AddMinutes(2));
}

TEST_F(AlarmIntakeTest, CallerIdTestAlarmFindsItsObjectByNumber) {
    m_handler->Configure(&m_db, 360, true, false);
    auto alarm =
        MakeAlarm("+4670555", A::ALARMTYPE_TEST, A::ALARMSTATUS_INFO, CDateTime::FromLocal(2024, 6, 15, 9));
    alarm->AlarmSource = A::ALARMSOURCE_CALLER_ID;
    EXPECT_TRUE(Intake(*alarm));
    EXPECT_TRUE(alarm->ObjectFound);
    EXPECT_EQ(Object("00001234")->LastTestAlarm, CDateTime::FromLocal(2024, 6, 15, 9));

    // With the setting off the number is taken as an ID code: no object.
    m_handler->Configure(&m_db, 360, false, false);
    auto other =
        MakeAlarm("+4670555", A::ALARMTYPE_TEST, A::ALARMSTATUS_INFO, CDateTime::FromLocal(2024, 6, 15, 10));
    other->AlarmSource = A::ALARMSOURCE_CALLER_ID;
    EXPECT_TRUE(Intake(*other));
    EXPECT_FALSE(other->ObjectFound);
}

TEST_F(AlarmIntakeTest, AFailedStoreIsPostedWithItsErrorAndTheAlarmIsKept) {
    Exec("DROP TABLE AlarmInfo");
    auto alarm =
        MakeAlarm("00001234", A::ALARMTYPE_TEST, A::ALARMSTATUS_INFO, CDateTime::FromLocal(2024, 6, 15, 9));
    EXPECT_TRUE(Intake(*alarm));
    std::vector<MsgPtr> posted = m_sink.Take();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(static_cast<CDatabaseMsg&>(*posted[0]).Status, AlarmResult::ADD_ERROR);
    ASSERT_EQ(m_frontEnd.messageBoxes.size(), 1u);
    EXPECT_EQ(m_frontEnd.messageBoxes[0].text.rfind("CDatabaseHandler::AddAlarmInfo: ", 0), 0u);
    // The object moves on only with its alarm stored.
    EXPECT_EQ(Object("00001234")->LastTestAlarm, CDateTime::FromLocal(2024, 6, 1, 8, 0));
    EXPECT_FALSE(m_db.InTransaction());
}

TEST_F(AlarmIntakeTest, EndOfAlarmFinishesTheLatestEmergencyCall) {
    SetNow(2024, 6, 15, 10, 0, 0);
    auto end = MakeAlarm("00001234", A::ALARMTYPE_END_OF_ALARM, A::ALARMSTATUS_INFO,
                         CDateTime::FromLocal(2024, 6, 15, 10));
    // None there: nothing happens.
    m_handler->CloseEmergencyAlarm(*end);
    EXPECT_EQ(AlarmCount(), 0);

    const std::uint32_t older = AddAlarm("00001234", A::ALARMTYPE_EMERGENCY_CALL, A::ALARMSTATUS_NEW,
                                         CDateTime::FromLocal(2024, 6, 15, 8));
    const std::uint32_t latest = AddAlarm("00001234", A::ALARMTYPE_EMERGENCY_CALL, A::ALARMSTATUS_NEW,
                                          CDateTime::FromLocal(2024, 6, 15, 9));
    m_handler->CloseEmergencyAlarm(*end);
    CAlarmInfoReqMsg find(MsgKind::DB_ALARM_FIND, CAlarmInfoReqMsg::FIND_BY_KEY);
    find.PrimaryKey = latest;
    auto closed = m_handler->AlarmTable().FindAlarmInfo(find);
    EXPECT_EQ(closed->AlarmStatus, A::ALARMSTATUS_FINISHED);
    EXPECT_EQ(closed->AckTime, CDateTime::FromLocal(2024, 6, 15, 10));
    EXPECT_EQ(closed->ExecTime, closed->AckTime);
    EXPECT_EQ(closed->AckOperator, "Maintenance person");
    EXPECT_EQ(closed->ExecOperator, "Maintenance person");
    find.PrimaryKey = older;
    EXPECT_EQ(m_handler->AlarmTable().FindAlarmInfo(find)->AlarmStatus, A::ALARMSTATUS_NEW);

    // An acknowledged one keeps who acknowledged it.
    CAlarmInfoMsg ack(MsgKind::DB_ALARM_EDIT);
    ack.PrimaryKey = older;
    ack.AlarmStatus = A::ALARMSTATUS_ACKNOWLEDGED;
    ack.AckOperator = "Anna";
    ack.AckTime = CDateTime::FromLocal(2024, 6, 15, 8, 5);
    m_handler->AlarmTable().EditAlarmInfo(ack);
    CAlarmInfoReqMsg del(MsgKind::DB_ALARM_DELETE, CAlarmInfoReqMsg::DELETE_BY_KEY);
    del.PrimaryKey = latest;
    m_handler->AlarmTable().DeleteAlarmInfo(del);
    SetNow(2024, 6, 15, 11, 0, 0);
    m_handler->CloseEmergencyAlarm(*end);
    find.PrimaryKey = older;
    auto second = m_handler->AlarmTable().FindAlarmInfo(find);
    EXPECT_EQ(second->AlarmStatus, A::ALARMSTATUS_FINISHED);
    EXPECT_EQ(second->AckOperator, "Anna");
    EXPECT_EQ(second->AckTime, CDateTime::FromLocal(2024, 6, 15, 8, 5));
    EXPECT_EQ(second->ExecTime, CDateTime::FromLocal(2024, 6, 15, 11));
    EXPECT_EQ(m_sink.Count(), 0u);
}

TEST_F(AlarmIntakeTest, SupervisionFirstRestartsThenRaisesAMissingTest) {
    // Last test 1 June 08:00, every 7 days: due at 8 June 10:00.
    SetNow(2024, 6, 8, 9, 0, 0);
    m_handler->CheckTestAlarms(); // first run after start
    EXPECT_TRUE(m_handler->SupervisionArmed());
    EXPECT_EQ(Object("00001234")->LastTestAlarm, CDateTime::FromLocal(2024, 6, 1, 8, 0));

    SetNow(2024, 6, 8, 10, 0, 1);
    m_handler->CheckTestAlarms();
    EXPECT_EQ(m_sink.Count(), 2u);
    std::vector<MsgPtr> posted = m_sink.Take();
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(static_cast<CDatabaseMsg&>(*posted[0]).Status, AlarmResult::ADD_STORED);
    const auto& raised = dynamic_cast<const CAlarmInfoMsg&>(*posted[1]);
    EXPECT_EQ(raised.Kind, MsgKind::UI_ALARM_RECORD);
    EXPECT_EQ(raised.Status, AlarmResult::NEW_ALARM);
    EXPECT_EQ(raised.AlarmType, A::ALARMTYPE_TEST_FAIL);
    EXPECT_EQ(raised.AlarmSource, A::ALARMSOURCE_INTERNAL);
    EXPECT_EQ(raised.AlarmStatus, A::ALARMSTATUS_NEW);
    EXPECT_EQ(raised.IdCode, "00001234");
    EXPECT_EQ(raised.IdInfo, "Lift 00001234");
    EXPECT_EQ(raised.MailRecipients, "tech@example.com");
    EXPECT_TRUE(raised.Text.Text().empty());
    EXPECT_NE(raised.PrimaryKey, 0u);
    EXPECT_EQ(QueryInt("SELECT AlarmType FROM AlarmInfo"), 7);
    // The period starts again from now.
    EXPECT_EQ(Object("00001234")->LastTestAlarm, CDateTime::FromLocal(2024, 6, 8, 10, 0, 1));
    m_handler->CheckTestAlarms();
    EXPECT_EQ(m_sink.Count(), 0u);
}

TEST_F(AlarmIntakeTest, SupervisionAfterStartOnlyRestartsOverduePeriods) {
    auto silent = MakeObject("B");
    silent->Days = 7;
    silent->LastTestAlarm = CDateTime::FromLocal(2024, 1, 1);
    m_handler->ObjectTable().AddObjectInfo(*silent);
    auto unsupervised = MakeObject("C");
    unsupervised->Days = 0;
    unsupervised->LastTestAlarm = CDateTime::FromLocal(2024, 1, 1);
    m_handler->ObjectTable().AddObjectInfo(*unsupervised);

    SetNow(2024, 6, 15, 10, 0, 0);
    m_handler->CheckTestAlarms();
    EXPECT_EQ(m_sink.Count(), 0u);
    EXPECT_EQ(AlarmCount(), 0);
    EXPECT_EQ(Object("B")->LastTestAlarm, CDateTime::FromLocal(2024, 6, 15, 10));
    EXPECT_EQ(Object("00001234")->LastTestAlarm, CDateTime::FromLocal(2024, 6, 15, 10));
    EXPECT_EQ(Object("C")->LastTestAlarm, CDateTime::FromLocal(2024, 1, 1));

    // One period later, still silent: missing-test alarms for both supervised objects.
    SetNow(2024, 6, 22, 12, 0, 1);
    m_handler->CheckTestAlarms();
    EXPECT_EQ(m_sink.Count(), 4u);
    EXPECT_EQ(AlarmCount(), 2);
}

TEST_F(AlarmIntakeTest, SupervisionOfAFailedFindStillArms) {
    Exec("DROP TABLE ObjectInfo");
    m_handler->CheckTestAlarms();
    EXPECT_TRUE(m_handler->SupervisionArmed());
    EXPECT_EQ(m_sink.Count(), 0u);
}

TEST_F(AlarmIntakeTest, PurgeUsesThePurgeAge) {
    m_handler->Configure(&m_db, 90, false, false);
    SetNow(2024, 6, 15, 10, 0, 0);
    AddAlarm("old", 1, 3, CDateTime::FromLocal(2024, 3, 16, 12));
    AddAlarm("kept", 1, 3, CDateTime::FromLocal(2024, 3, 17, 0));
    m_handler->PurgeAlarms();
    EXPECT_EQ(Query("SELECT group_concat(IdCode) FROM AlarmInfo"), "kept");
    EXPECT_EQ(m_sink.Count(), 0u);

    // A purge age of 0 (a stored KeepAirMonths below 1) would empty the log up to today: nothing goes.
    m_handler->Configure(&m_db, 0, false, false);
    SetNow(2025, 6, 15, 10, 0, 0);
    m_handler->PurgeAlarms();
    EXPECT_EQ(Query("SELECT group_concat(IdCode) FROM AlarmInfo"), "kept");
}

TEST_F(AlarmIntakeTest, AnSmsReadAgainAfterACrashIsStoredOnce) {
    // The station died between the commit and the deletion: the modem still holds the SMS and
    // reports it again, possibly days later. Another SMS, another sender or a telephone alarm
    // with the same text are new alarms.
    auto sms = [this](const std::string& sender, const std::string& text, CDateTime at) {
        auto alarm = MakeAlarm(sender, A::ALARMTYPE_SMS, A::ALARMSTATUS_NEW, at);
        alarm->AlarmSource = A::ALARMSOURCE_SMS;
        alarm->Text.AddLine(text);
        alarm->Text.AddLine("SMS Timestamp: 24/06/15, 09:00:00+04");
        return alarm;
    };
    const CDateTime first = CDateTime::FromLocal(2024, 6, 15, 9, 0, 5);
    EXPECT_TRUE(Intake(*sms("+4670555", "Hiss 2 står", first)));
    m_sink.Take();
    EXPECT_FALSE(Intake(*sms("+4670555", "Hiss 2 står", first.AddMinutes(1))));
    EXPECT_FALSE(Intake(*sms("+4670555", "Hiss 2 står", first.AddDays(6))));
    EXPECT_TRUE(m_sink.Take().empty()); // nothing posted for a repeat
    EXPECT_EQ(AlarmCount(), 1);

    EXPECT_TRUE(Intake(*sms("+4670555", "Hiss 2 går igen", first.AddMinutes(2))));
    EXPECT_TRUE(Intake(*sms("+4670666", "Hiss 2 står", first.AddMinutes(3))));
    auto phone = sms("+4670555", "Hiss 2 står", first.AddMinutes(4));
    phone->AlarmSource = A::ALARMSOURCE_TEL;
    EXPECT_TRUE(Intake(*phone));
    // Outside the week it is taken for a new alarm rather than dropped.
    EXPECT_TRUE(Intake(*sms("+4670555", "Hiss 2 står", first.AddDays(8))));
    EXPECT_EQ(AlarmCount(), 5);
}
