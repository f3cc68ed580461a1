#include "AlarmInfoMsg.h"
#include "DatabaseFixture.h"

namespace {

using A = CAlarmInfoMsg;
using P = CAlarmInfoMsg::ETextPlace;

class AlarmInfoMsgTest : public ::testing::Test {
protected:
    void SetUp() override { UseEnglishDictionary(); }
};

} // namespace

TEST_F(AlarmInfoMsgTest, TypeTextsByPlace) {
    EXPECT_EQ(A::TypeText(P::List, A::ALARMTYPE_P100), "P100");
    EXPECT_EQ(A::TypeText(P::Mail, A::ALARMTYPE_P100), "P100");
    EXPECT_EQ(A::TypeText(P::Dialog, A::ALARMTYPE_P100), "P100 ALARM");
    EXPECT_EQ(A::TypeText(P::Print, A::ALARMTYPE_VOICE_REDIRECTED), "Alarm Type: Voice - Redirected");
    EXPECT_EQ(A::TypeText(P::Sms, A::ALARMTYPE_TEST_FAIL), "Test Fail");
    // Maintenance has no mail or SMS text of its own.
    EXPECT_EQ(A::TypeText(P::List, A::ALARMTYPE_MAINTENANCE), "Maintenance");
    EXPECT_EQ(A::TypeText(P::Mail, A::ALARMTYPE_MAINTENANCE), "Undefined Alarm Type");
    EXPECT_EQ(A::TypeText(P::List, 0), "Undefined");
    EXPECT_EQ(A::TypeText(P::Print, 200), "Alarm Type: Undefined");
}

TEST_F(AlarmInfoMsgTest, OperationalFailuresAreToldByTheirType) {
    EXPECT_EQ(A::TypeText(P::List, A::ALARMTYPE_OPFAIL, A::OPFAIL_BATTERY), "OpFail");
    EXPECT_EQ(A::TypeText(P::Dialog, A::ALARMTYPE_OPFAIL, A::OPFAIL_BATTERY), "OPERATIONAL FAILURE ALARM");
    EXPECT_EQ(A::TypeText(P::Print, A::ALARMTYPE_OPFAIL, A::OPFAIL_BATTERY), "Alarm Type: Battery Failure");
    EXPECT_EQ(A::TypeText(P::Mail, A::ALARMTYPE_OPFAIL, A::OPFAIL_STUCK_BUTTON), "Stuck Emergency Button");
    EXPECT_EQ(A::OpFailText(P::Dialog, A::OPFAIL_BUS_COMMUNICATION), "Bus Communication Failure");
    // Bus failures and unknown ones have no print line and no mail text.
    EXPECT_EQ(A::TypeText(P::Print, A::ALARMTYPE_OPFAIL, A::OPFAIL_BUS_UNIT_RESPONSE), "");
    EXPECT_EQ(A::TypeText(P::Sms, A::ALARMTYPE_OPFAIL, 99), "");
    EXPECT_EQ(A::OpFailText(P::Dialog, 99), "Undefined Alarm Type");
}

TEST_F(AlarmInfoMsgTest, StatusAndSourceTexts) {
    EXPECT_EQ(A::StatusText(P::Dialog, A::ALARMSTATUS_INFO), "Status: Info");
    EXPECT_EQ(A::StatusText(P::Print, A::ALARMSTATUS_ACKNOWLEDGED), "Alarm Status: Acknowledged");
    EXPECT_EQ(A::StatusText(P::Print, 9), "");
    EXPECT_EQ(A::SourceText(P::Dialog, A::ALARMSOURCE_CALLER_ID), "Caller ID");
    EXPECT_EQ(A::SourceText(P::Print, A::ALARMSOURCE_INTERNAL), "Alarm Source: Internal");
    EXPECT_EQ(A::SourceText(P::Print, 0), "");
}

TEST_F(AlarmInfoMsgTest, ANewRecordIsEmptyAndItsChainGoesWithIt) {
    auto head = std::make_unique<A>();
    EXPECT_EQ(head->Kind, MsgKind::UI_ALARM_RECORD);
    EXPECT_TRUE(head->AlarmTime.IsNull());
    EXPECT_TRUE(head->AckTime.IsNull());
    EXPECT_EQ(head->PrimaryKey, 0u);
    EXPECT_FALSE(head->ObjectFound);
    // A long chain is released without deep recursion.
    A* tail = head.get();
    for (int i = 0; i < 200000; ++i) {
        tail->Next = std::make_unique<A>();
        tail = tail->NextRecord();
    }
    head.reset();
    CObjectInfoMsg object;
    EXPECT_FALSE(object.LastTestAlarm.IsNull());
    EXPECT_EQ(object.LastTestAlarm.Days(), 0.0);
}
