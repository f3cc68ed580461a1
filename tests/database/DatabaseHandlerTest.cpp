#include "AlarmInfoReqMsg.h"
#include "CustomerInfoReqMsg.h"
#include "DatabaseFixture.h"
#include "GsmHandlerMsg.h"
#include "MailInfoReqMsg.h"
#include "SmsNumInfoReqMsg.h"
#include "TelHandlerMsg.h"

namespace {

class DatabaseHandlerTest : public DatabaseTest {
protected:
    // Runs one request and returns what was posted.
    std::vector<MsgPtr> Run(MsgPtr request) {
        m_handler->ProcessRequest(std::move(request));
        return m_sink.Take();
    }
    MsgPtr RunOne(MsgPtr request) {
        auto posted = Run(std::move(request));
        EXPECT_EQ(posted.size(), 1u);
        return posted.empty() ? nullptr : std::move(posted.front());
    }
    static std::uint16_t StatusOf(const MsgPtr& msg) { return static_cast<const CDatabaseMsg&>(*msg).Status; }
};

} // namespace

TEST_F(DatabaseHandlerTest, EveryRequestKindIsAnsweredWithItsReplyKind) {
    auto object = MakeObject("A");
    MsgPtr reply = RunOne(std::move(object));
    EXPECT_EQ(reply->Kind, MsgKind::UI_OBJECT_REPLY);
    EXPECT_EQ(StatusOf(reply), ObjectResult::ADD_DONE);

    reply = RunOne(std::make_unique<CObjectInfoReqMsg>(MsgKind::DB_OBJECT_FIND, CObjectInfoReqMsg::ALL, "",
                                                       MsgKind::UI_EXPORT_OBJECT_REPLY));
    EXPECT_EQ(reply->Kind, MsgKind::UI_EXPORT_OBJECT_REPLY);
    EXPECT_EQ(StatusOf(reply), ObjectResult::FIND_LIST);

    auto edit = MakeObject("A");
    edit->Kind = MsgKind::DB_OBJECT_EDIT;
    EXPECT_EQ(StatusOf(RunOne(std::move(edit))), ObjectResult::EDIT_CHANGED);

    const std::uint32_t key =
        AddAlarm("A", CAlarmInfoMsg::ALARMTYPE_VOICE, 1, CDateTime::FromLocal(2024, 6, 1));
    auto alarmEdit = std::make_unique<CAlarmInfoMsg>(MsgKind::DB_ALARM_EDIT);
    alarmEdit->PrimaryKey = key;
    alarmEdit->AlarmStatus = CAlarmInfoMsg::ALARMSTATUS_ACKNOWLEDGED;
    reply = RunOne(std::move(alarmEdit));
    EXPECT_EQ(reply->Kind, MsgKind::UI_ALARM_RECORD);
    EXPECT_EQ(StatusOf(reply), AlarmResult::EDIT_CHANGED);

    auto list = std::make_unique<CAlarmInfoReqMsg>(MsgKind::DB_ALARM_FIND, CAlarmInfoReqMsg::FIND_BY_STATUS);
    list->MaxCount = 200;
    reply = RunOne(std::move(list));
    EXPECT_EQ(reply->Kind, MsgKind::UI_ALARM_RECORD);
    EXPECT_EQ(StatusOf(reply), AlarmResult::FIND_LIST);

    auto customer = std::make_unique<CCustomerInfoMsg>(MsgKind::DB_CUSTOMER_ADD);
    customer->Name = "C";
    reply = RunOne(std::move(customer));
    EXPECT_EQ(reply->Kind, MsgKind::UI_CUSTOMER_REPLY);
    EXPECT_EQ(StatusOf(reply), RegisterResult::ADD_DONE);
    reply =
        RunOne(std::make_unique<CCustomerInfoReqMsg>(MsgKind::DB_CUSTOMER_FIND, CCustomerInfoReqMsg::ALL));
    EXPECT_EQ(StatusOf(reply), RegisterResult::FIND_LIST);
    auto customerEdit = std::make_unique<CCustomerInfoMsg>(MsgKind::DB_CUSTOMER_EDIT);
    customerEdit->Name = "C";
    EXPECT_EQ(StatusOf(RunOne(std::move(customerEdit))), RegisterResult::EDIT_CHANGED);
    reply = RunOne(
        std::make_unique<CCustomerInfoReqMsg>(MsgKind::DB_CUSTOMER_DELETE, CCustomerInfoReqMsg::BY_KEY, "C"));
    EXPECT_EQ(StatusOf(reply), RegisterResult::DELETE_DONE);

    auto mail = std::make_unique<CMailInfoMsg>(MsgKind::DB_MAILREC_ADD);
    mail->Address = "m@example.com";
    reply = RunOne(std::move(mail));
    EXPECT_EQ(reply->Kind, MsgKind::UI_MAILREC_REPLY);
    reply = RunOne(std::make_unique<CMailInfoReqMsg>(MsgKind::DB_MAILREC_FIND, CMailInfoReqMsg::BY_KEY,
                                                     "m@example.com"));
    EXPECT_EQ(StatusOf(reply), RegisterResult::FIND_BY_KEY);
    auto mailEdit = std::make_unique<CMailInfoMsg>(MsgKind::DB_MAILREC_EDIT);
    mailEdit->Address = "m@example.com";
    EXPECT_EQ(StatusOf(RunOne(std::move(mailEdit))), RegisterResult::EDIT_CHANGED);
    reply = RunOne(std::make_unique<CMailInfoReqMsg>(MsgKind::DB_MAILREC_DELETE, CMailInfoReqMsg::BY_KEY,
                                                     "m@example.com"));
    EXPECT_EQ(StatusOf(reply), RegisterResult::DELETE_DONE);

    auto sms = std::make_unique<CSmsNumInfoMsg>(MsgKind::DB_SMSNUM_ADD);
    sms->Number = "+461";
    sms->ReplyKind = MsgKind::UI_SMSNUM_REPLY;
    EXPECT_EQ(RunOne(std::move(sms))->Kind, MsgKind::UI_SMSNUM_REPLY);
    reply = RunOne(std::make_unique<CSmsNumInfoReqMsg>(MsgKind::DB_SMSNUM_FIND, CSmsNumInfoReqMsg::ALL, "",
                                                       MsgKind::UI_GSM_SMSNUM_REPLY));
    EXPECT_EQ(reply->Kind, MsgKind::UI_GSM_SMSNUM_REPLY);
    EXPECT_EQ(StatusOf(reply), RegisterResult::FIND_LIST);
    auto smsEdit = std::make_unique<CSmsNumInfoMsg>(MsgKind::DB_SMSNUM_EDIT);
    smsEdit->Number = "+461";
    smsEdit->ReplyKind = MsgKind::UI_GSM_SMSNUM_REPLY2;
    reply = RunOne(std::move(smsEdit));
    EXPECT_EQ(reply->Kind, MsgKind::UI_GSM_SMSNUM_REPLY2);
    EXPECT_EQ(StatusOf(reply), RegisterResult::EDIT_CHANGED);
    reply = RunOne(std::make_unique<CSmsNumInfoReqMsg>(MsgKind::DB_SMSNUM_DELETE, CSmsNumInfoReqMsg::BY_KEY,
                                                       "+461", MsgKind::UI_SMSNUM_REPLY));
    EXPECT_EQ(StatusOf(reply), RegisterResult::DELETE_DONE);

    auto del = std::make_unique<CAlarmInfoReqMsg>(MsgKind::DB_ALARM_DELETE, CAlarmInfoReqMsg::DELETE_BY_KEY);
    del->PrimaryKey = key;
    EXPECT_EQ(StatusOf(RunOne(std::move(del))), AlarmResult::DELETE_DONE);
    reply = RunOne(
        std::make_unique<CObjectInfoReqMsg>(MsgKind::DB_OBJECT_DELETE, CObjectInfoReqMsg::BY_IDCODE, "A"));
    EXPECT_EQ(StatusOf(reply), ObjectResult::DELETE_DONE);
}

TEST_F(DatabaseHandlerTest, UnknownKindsAndMislabelledMessagesGetNoReply) {
    EXPECT_TRUE(Run(std::make_unique<CMsg>(8)).empty());
    EXPECT_TRUE(Run(std::make_unique<CMsg>(MsgKind::COM_TRANSMIT)).empty());
    // A request kind carried by the wrong class is destroyed, not misread.
    EXPECT_TRUE(Run(std::make_unique<CMsg>(MsgKind::DB_OBJECT_ADD)).empty());
    EXPECT_TRUE(Run(std::make_unique<CObjectInfoReqMsg>(MsgKind::DB_ALARM_FIND)).empty());
    m_handler->ProcessRequest(nullptr);
    EXPECT_EQ(QueryInt("SELECT count(*) FROM ObjectInfo"), 0);
}

TEST_F(DatabaseHandlerTest, OneAlarmByKeyLooksUpItsObject) {
    auto object = MakeObject("00001234", "+4670555");
    object->Notes = "Key under the mat";
    m_handler->ObjectTable().AddObjectInfo(*object);
    const std::uint32_t known =
        AddAlarm("00001234", CAlarmInfoMsg::ALARMTYPE_P100, 1, CDateTime::FromLocal(2024, 6, 1));
    const std::uint32_t unknown =
        AddAlarm("99999999", CAlarmInfoMsg::ALARMTYPE_P100, 1, CDateTime::FromLocal(2024, 6, 1));

    auto find = std::make_unique<CAlarmInfoReqMsg>(MsgKind::DB_ALARM_FIND, CAlarmInfoReqMsg::FIND_BY_KEY);
    find->PrimaryKey = known;
    MsgPtr reply = RunOne(std::move(find));
    auto& alarm = static_cast<CAlarmInfoMsg&>(*reply);
    EXPECT_EQ(alarm.Status, AlarmResult::FIND_BY_KEY);
    EXPECT_TRUE(alarm.ObjectFound);
    EXPECT_EQ(alarm.Notes, "Key under the mat");

    find = std::make_unique<CAlarmInfoReqMsg>(MsgKind::DB_ALARM_FIND, CAlarmInfoReqMsg::FIND_BY_KEY);
    find->PrimaryKey = unknown;
    reply = RunOne(std::move(find));
    EXPECT_FALSE(static_cast<CAlarmInfoMsg&>(*reply).ObjectFound);
    EXPECT_TRUE(static_cast<CAlarmInfoMsg&>(*reply).Notes.empty());

    // A key that is no longer there: the empty answer names it, so it is not read as an empty list.
    find = std::make_unique<CAlarmInfoReqMsg>(MsgKind::DB_ALARM_FIND, CAlarmInfoReqMsg::FIND_BY_KEY);
    find->PrimaryKey = unknown + 100;
    reply = RunOne(std::move(find));
    EXPECT_EQ(static_cast<CAlarmInfoMsg&>(*reply).Status, AlarmResult::FIND_NONE);
    EXPECT_EQ(static_cast<CAlarmInfoMsg&>(*reply).PrimaryKey, unknown + 100);

    // A caller-identified test call names its object by number when the setting says so.
    m_handler->Configure(&m_db, 360, true, false);
    auto cid = MakeAlarm("+4670555", CAlarmInfoMsg::ALARMTYPE_TEST, CAlarmInfoMsg::ALARMSTATUS_INFO,
                         CDateTime::FromLocal(2024, 6, 2));
    cid->AlarmSource = CAlarmInfoMsg::ALARMSOURCE_CALLER_ID;
    m_handler->AlarmTable().AddAlarmInfo(*cid);
    find = std::make_unique<CAlarmInfoReqMsg>(MsgKind::DB_ALARM_FIND, CAlarmInfoReqMsg::FIND_BY_KEY);
    find->PrimaryKey = cid->PrimaryKey;
    reply = RunOne(std::move(find));
    EXPECT_TRUE(static_cast<CAlarmInfoMsg&>(*reply).ObjectFound);
}

TEST_F(DatabaseHandlerTest, ThreadPassesStatusOnAndTurnsAlarmsIntoRecords) {
    ASSERT_EQ(m_handler->Start(), CHandler::HANDLER_STARTED);
    auto status = std::make_unique<CTelHandlerMsg>(MsgKind::TEL_STATUS, 3);
    const CMsg* statusAddress = status.get();
    m_handler->PutMsg(std::move(status));
    m_handler->PutMsg(std::make_unique<CMsg>(MsgKind::COM_REPLY)); // not ours: destroyed
    auto alarm = std::make_unique<CTelHandlerMsg>(MsgKind::TEL_ALARM);
    alarm->MsgType = CTelHandlerMsg::MSGTYPE_VOICE;
    alarm->ID = "00001234";
    alarm->IdType = 1;
    alarm->Protocol = CTelHandlerMsg::PROTOCOL_P100;
    m_handler->PutMsg(std::move(alarm));
    auto sms = std::make_unique<CGsmHandlerMsg>(MsgKind::GSM_SMS_RECEIVED);
    sms->Number = "+4670123";
    sms->SmsText = "Lift stuck";
    m_handler->PutMsg(std::move(sms));
    m_handler->PutMsg(std::make_unique<CMsg>(MsgKind::MAIL_STATUS));
    // The tick comes with them (the fake clock runs with the thread's passes).
    ASSERT_TRUE(m_sink.WaitFor(5));
    EXPECT_EQ(m_handler->Stop(), CHandler::HANDLER_STOPPED);

    std::vector<MsgPtr> posted = m_sink.Take();
    std::vector<const CMsg*> others;
    const CAlarmInfoMsg* telRecord = nullptr;
    const CAlarmInfoMsg* smsRecord = nullptr;
    int ticks = 0;
    for (const MsgPtr& msg : posted) {
        if (msg->Kind == MsgKind::UI_HOURLY_TICK) {
            ++ticks;
        } else if (msg->Kind == MsgKind::UI_ALARM_RECORD) {
            const auto& record = dynamic_cast<const CAlarmInfoMsg&>(*msg);
            (record.AlarmSource == CAlarmInfoMsg::ALARMSOURCE_TEL ? telRecord : smsRecord) = &record;
        } else {
            others.push_back(msg.get());
        }
    }
    EXPECT_EQ(ticks, 1);
    ASSERT_EQ(others.size(), 2u);
    EXPECT_EQ(others[0], statusAddress); // passed on unchanged
    EXPECT_EQ(others[1]->Kind, MsgKind::MAIL_STATUS);
    ASSERT_NE(telRecord, nullptr);
    EXPECT_EQ(telRecord->Status, AlarmResult::NEW_ALARM);
    EXPECT_EQ(telRecord->IdCode, "00001234");
    EXPECT_EQ(telRecord->AlarmType, CAlarmInfoMsg::ALARMTYPE_VOICE);
    ASSERT_NE(smsRecord, nullptr);
    EXPECT_EQ(smsRecord->AlarmSource, CAlarmInfoMsg::ALARMSOURCE_SMS);
}

TEST_F(DatabaseHandlerTest, HourlyTickFirstAfterASecondThenWhenTheHourChanges) {
    SetNow(2024, 6, 15, 10, 59, 57);
    const std::uint32_t start = m_clock.Tick();
    ASSERT_EQ(m_handler->Start(), CHandler::HANDLER_STARTED);
    ASSERT_TRUE(m_sink.WaitFor(1));
    // The fake clock moves one millisecond per pass of the loop: the first tick came after about
    // one second; the next needs the hour to change at 11:00.
    EXPECT_GE(m_clock.Tick() - start, CDatabaseHandler::HOUR_TIMER_MS);
    EXPECT_EQ(m_sink.Count(), 1u);
    ASSERT_TRUE(m_sink.WaitFor(2));
    const SLocalTime second = m_clock.Now();
    EXPECT_EQ(m_handler->Stop(), CHandler::HANDLER_STOPPED);
    EXPECT_GE(second.Hour, 11);
    for (const MsgPtr& msg : m_sink.Take()) {
        EXPECT_EQ(msg->Kind, MsgKind::UI_HOURLY_TICK);
    }
}
