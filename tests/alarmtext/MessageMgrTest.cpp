#include "MessageMgr.h"
#include "AlarmInfoMsg.h"
#include "EnglishDictionary.h"
#include "GsmHandlerMsg.h"
#include "MsgKinds.h"
#include "TelHandlerMsg.h"
#include "TempDir.h"
#include "Translate.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <map>
#include <memory>

namespace {

using Alarm = CAlarmInfoMsg;
using Tel = CTelHandlerMsg;

class MessageMgrTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseEnglishDictionary();
        m_clock.SetNow(SLocalTime{2024, 6, 15, 10, 30, 5, 250, 6});
    }

    static std::unique_ptr<Tel> TelAlarm(std::uint8_t msgType, std::uint16_t protocol = Tel::PROTOCOL_P100) {
        auto msg = std::make_unique<Tel>(MsgKind::TEL_ALARM);
        msg->MsgType = msgType;
        msg->ID = "12345678";
        msg->IdType = 1;
        msg->Protocol = protocol;
        return msg;
    }

    static std::unique_ptr<Tel> OpFail(std::uint16_t ofType, std::uint8_t ofData = 0) {
        auto msg = TelAlarm(Tel::MSGTYPE_OPFAIL);
        msg->OfType = ofType;
        msg->OfData = ofData;
        return msg;
    }

    static std::unique_ptr<Tel> UserData(std::initializer_list<std::uint8_t> bytes) {
        auto msg = TelAlarm(Tel::MSGTYPE_USERDATA);
        std::size_t i = 0;
        for (std::uint8_t b : bytes) {
            msg->UserData[i++] = b;
        }
        msg->UserDataLen = static_cast<std::uint16_t>(bytes.size());
        return msg;
    }

    static std::unique_ptr<CGsmHandlerMsg> Sms(const std::string& text) {
        auto msg = std::make_unique<CGsmHandlerMsg>(MsgKind::GSM_SMS_RECEIVED);
        msg->Number = "+46701234567";
        msg->Date = "24/06/15";
        msg->Time = "10:29:58+08";
        msg->SmsText = text;
        return msg;
    }

    std::unique_ptr<Alarm> Process(const CMsg& msg) {
        auto alarm = CMessageMgr(m_clock, m_dir.Path()).ProcessMessage(msg);
        if (alarm) {
            // Every record is a new alarm of kind 31, timed by the station's clock.
            EXPECT_EQ(alarm->Kind, MsgKind::UI_ALARM_RECORD);
            EXPECT_EQ(alarm->Status, AlarmResult::NEW_ALARM);
            EXPECT_EQ(alarm->AlarmTime, CDateTime::FromLocal(m_clock.Now()));
            EXPECT_EQ(alarm->PrimaryKey, 0u);
            EXPECT_TRUE(alarm->AckTime.IsNull());
        }
        return alarm;
    }

    static constexpr const char* STAMP = "SMS Timestamp: 24/06/15, 10:29:58+08";

    CFakeClock m_clock;
    CTempDir m_dir;
};

TEST_F(MessageMgrTest, TelephoneAlarmsByMsgType) {
    struct SCase {
        std::uint8_t MsgType;
        std::uint8_t AlarmType;
        std::uint8_t AlarmStatus;
    };
    const SCase cases[] = {
        {Tel::MSGTYPE_ALARM, Alarm::ALARMTYPE_P100, Alarm::ALARMSTATUS_NEW},
        {Tel::MSGTYPE_VOICE, Alarm::ALARMTYPE_VOICE, Alarm::ALARMSTATUS_NEW},
        {Tel::MSGTYPE_TESTALARM, Alarm::ALARMTYPE_TEST, Alarm::ALARMSTATUS_INFO},
        {Tel::MSGTYPE_VOICE_REDIRECTED, Alarm::ALARMTYPE_VOICE_REDIRECTED, Alarm::ALARMSTATUS_NEW},
        // Unknown or unexpected types still make an alarm, with its type undefined.
        {0, Alarm::ALARMTYPE_NONE, Alarm::ALARMSTATUS_NEW},
        {Tel::MSGTYPE_USERID, Alarm::ALARMTYPE_NONE, Alarm::ALARMSTATUS_NEW},
        {Tel::MSGTYPE_ACK, Alarm::ALARMTYPE_NONE, Alarm::ALARMSTATUS_NEW},
        {200, Alarm::ALARMTYPE_NONE, Alarm::ALARMSTATUS_NEW},
    };
    for (const SCase& c : cases) {
        auto alarm = Process(*TelAlarm(c.MsgType));
        ASSERT_TRUE(alarm) << int(c.MsgType);
        EXPECT_EQ(alarm->AlarmSource, Alarm::ALARMSOURCE_TEL);
        EXPECT_EQ(alarm->IdCode, "12345678");
        EXPECT_EQ(alarm->AlarmType, c.AlarmType) << int(c.MsgType);
        EXPECT_EQ(alarm->AlarmStatus, c.AlarmStatus) << int(c.MsgType);
        EXPECT_EQ(alarm->OpFailType, Alarm::OPFAIL_NONE);
        EXPECT_EQ(alarm->Text.Text(), "") << int(c.MsgType);
    }
}

TEST_F(MessageMgrTest, IdCodeOnlyWhenAnIdWasRead) {
    auto msg = TelAlarm(Tel::MSGTYPE_VOICE);
    msg->IdType = 0;
    auto alarm = Process(*msg);
    ASSERT_TRUE(alarm);
    EXPECT_EQ(alarm->IdCode, "");
    EXPECT_EQ(alarm->AlarmType, Alarm::ALARMTYPE_VOICE);
}

TEST_F(MessageMgrTest, OperationalFailuresByOfType) {
    struct SCase {
        std::uint16_t OfType;
        std::uint8_t OfData;
        std::uint8_t AlarmType;
        std::uint8_t OpFailType;
        std::uint8_t AlarmStatus;
        const char* Text;
    };
    const SCase cases[] = {
        {0, 0, 4, 0, 1, ""},
        {1, 0, 4, 1, 1, ""},
        {2, 0, 4, 2, 1, "Battery Check Failed"},
        {2, 1, 4, 2, 1, "Battery Voltage Low"},
        {2, 7, 4, 2, 1, ""},
        {3, 0, 4, 3, 1, ""},
        {4, 0, 8, 0, 1, ""},
        {5, 0, 8, 0, 1, ""},
        {6, 0, 9, 0, 4, ""},
        {7, 0, 10, 0, 4, ""},
        {8, 0, 4, 4, 1, "Mains Power Lost"},
        {8, 1, 4, 4, 1, "Mains Power Returned"},
        {8, 2, 4, 4, 1, ""},
        {9, 0, 4, 5, 1, ""},
        {10, 0x85, 4, 6, 4, "Found Unit(s):1 3 "},
        {10, 0x3F, 4, 6, 1, "Missing Unit(s):1 2 3 4 5 6 "},
        {10, 0x40, 4, 6, 1, "Missing Unit(s):"},
        {10, 0x80, 4, 6, 4, "Found Unit(s):"},
        {11, 0, 4, 7, 1, "Bus Communication Error"},
        {11, 1, 4, 7, 1, "Bus Command Queue Overflow"},
        {11, 2, 4, 7, 1, "Bus Busy Timeout"},
        {11, 3, 4, 7, 1, "No Car Unit"},
        {11, 4, 4, 7, 1, "Unknown Error, Code: 4"},
        {11, 255, 4, 7, 1, "Unknown Error, Code: 255"},
        {12, 0, 4, 0, 1, ""},
        {65535, 9, 4, 0, 1, ""},
    };
    for (const SCase& c : cases) {
        auto alarm = Process(*OpFail(c.OfType, c.OfData));
        ASSERT_TRUE(alarm);
        SCOPED_TRACE(testing::Message() << "OfType " << c.OfType << " OfData " << int(c.OfData));
        EXPECT_EQ(alarm->AlarmSource, Alarm::ALARMSOURCE_TEL);
        EXPECT_EQ(alarm->AlarmType, c.AlarmType);
        EXPECT_EQ(alarm->OpFailType, c.OpFailType);
        EXPECT_EQ(alarm->AlarmStatus, c.AlarmStatus);
        EXPECT_EQ(alarm->Text.Text(), c.Text);
    }
}

TEST_F(MessageMgrTest, CpcBatteryAlarmAndForeignEquipment) {
    auto msg = TelAlarm(Tel::MSGTYPE_OPFAIL, Tel::PROTOCOL_CPC);
    msg->OfType = 2;
    msg->OfData = 0;
    msg->Value = 2;
    auto alarm = Process(*msg);
    ASSERT_TRUE(alarm);
    EXPECT_EQ(alarm->AlarmType, Alarm::ALARMTYPE_OPFAIL);
    EXPECT_EQ(alarm->OpFailType, Alarm::OPFAIL_BATTERY);
    EXPECT_EQ(alarm->Text.Text(), "Battery Check Failed");

    msg->Value = 5;
    alarm = Process(*msg);
    EXPECT_EQ(alarm->Text.Text(), "Battery Check Failed\nNo Brennvik Equipment");
    EXPECT_EQ(alarm->Text.GetLineCount(), 2);
}

TEST_F(MessageMgrTest, ForeignEquipmentLineOnlyForCpc) {
    auto cpcVoice = TelAlarm(Tel::MSGTYPE_VOICE, Tel::PROTOCOL_CPC);
    cpcVoice->Value = 0;
    EXPECT_EQ(Process(*cpcVoice)->Text.Text(), "No Brennvik Equipment");
    auto p100 = TelAlarm(Tel::MSGTYPE_VOICE, Tel::PROTOCOL_P100);
    p100->Value = 5;
    EXPECT_EQ(Process(*p100)->Text.Text(), "");
    auto cpcTest = TelAlarm(Tel::MSGTYPE_TESTALARM, Tel::PROTOCOL_CPC);
    cpcTest->Value = 2;
    EXPECT_EQ(Process(*cpcTest)->Text.Text(), "");
}

TEST_F(MessageMgrTest, LiftControllerMessageWithPositionAndUserMessage) {
    CTempDir::WriteFile(m_dir.File("UserMsg.txt"), ":a5\nDoor open\nCall service\n");
    auto alarm = Process(*UserData({'a', 5, 0x35, 7}));
    ASSERT_TRUE(alarm);
    EXPECT_EQ(alarm->AlarmType, Alarm::ALARMTYPE_LIFT_MONITORING);
    EXPECT_EQ(alarm->AlarmStatus, Alarm::ALARMSTATUS_NEW);
    EXPECT_EQ(alarm->IdCode, "12345678");
    EXPECT_EQ(alarm->Text.Text(), "Error code: a5\nFloor: 4\nPosition: -70\nFloor zone: No\nStatus: Stopped\n"
                                  "Door open\nCall service\n");
}

TEST_F(MessageMgrTest, UserMessageFromAWindowsSiteKeepsItsLettersInTheAlarmText) {
    // The text stored in the log and sent by mail and SMS is this alarm text.
    CTempDir::WriteFile(m_dir.File("UserMsg.txt"), ":a5\r\nT\xF6r \xF6ppen\r\n");
    auto alarm = Process(*UserData({'a', 5}));
    ASSERT_TRUE(alarm);
    EXPECT_EQ(alarm->Text.Text(), "Error code: a005\n\nT\xC3\xB6r \xC3\xB6ppen\n");
}

TEST_F(MessageMgrTest, LiftControllerMessageWithoutUserMessageEndsInALineFeed) {
    auto alarm = Process(*UserData({'Z', 200, 0x00, 3}));
    EXPECT_EQ(alarm->Text.Text(),
              "Error code: Z200\nFloor: 1\nPosition: 3\nFloor zone: Yes\nStatus: Stopped\n");
}

TEST_F(MessageMgrTest, LiftControllerPositionScaleSignAndStatus) {
    struct SCase {
        std::uint8_t Flags;
        std::uint8_t Value;
        const char* Lines; // floor, position, zone and status lines
    };
    const SCase cases[] = {
        {0x06, 7, "Floor: 1\nPosition: 700\nFloor zone: No\nStatus: Stopped"},
        {0x07, 255, "Floor: 1\nPosition: -25500\nFloor zone: No\nStatus: Stopped"},
        {0x02, 7, "Floor: 1\nPosition: 7\nFloor zone: No\nStatus: Stopped"},
        {0x04, 12, "Floor: 1\nPosition: 120\nFloor zone: No\nStatus: Stopped"},
        {0x01, 9, "Floor: 1\nPosition: -9\nFloor zone: Yes\nStatus: Stopped"},
        {0x08, 0, "Floor: 1\nPosition: 0\nFloor zone: Yes\nStatus: Moving"},
        {0xF8, 1, "Floor: 16\nPosition: 1\nFloor zone: Yes\nStatus: Moving"},
    };
    for (const SCase& c : cases) {
        auto alarm = Process(*UserData({'b', 1, c.Flags, c.Value}));
        EXPECT_EQ(alarm->Text.Text(), std::string("Error code: b1\n") + c.Lines + "\n") << int(c.Flags);
    }
}

TEST_F(MessageMgrTest, ShortLiftControllerMessageShowsThePaddedCode) {
    CTempDir::WriteFile(m_dir.File("UserMsg99.txt"), ":B7\nSafety circuit open\n");
    auto alarm = Process(*UserData({'B', 7}));
    EXPECT_EQ(alarm->AlarmType, Alarm::ALARMTYPE_LIFT_MONITORING);
    EXPECT_EQ(alarm->Text.Text(), "Error code: B007\n\nSafety circuit open\n");
    // Three bytes, or more than four, are not the positional format either.
    EXPECT_EQ(Process(*UserData({'c', 42, 0x35}))->Text.Text(), "Error code: c042\n\n");
    EXPECT_EQ(Process(*UserData({'c', 42, 0x35, 7, 0}))->Text.Text(), "Error code: c042\n\n");
    // A letter alone: the missing number reads as 0.
    EXPECT_EQ(Process(*UserData({'d'}))->Text.Text(), "Error code: d000\n\n");
}

TEST_F(MessageMgrTest, CarPositionEvent) {
    auto alarm = Process(*UserData({1, 3, 0, 255}));
    EXPECT_EQ(alarm->AlarmType, Alarm::ALARMTYPE_LIFT_MONITORING);
    EXPECT_EQ(alarm->Text.Text(),
              "ZoraRerud Alarm Event\nFloor: 3\nDistance: -255 mm or more\n*** Contact Devirozed LTD ***\n");
    alarm = Process(*UserData({1, 12, 1, 40}));
    EXPECT_EQ(alarm->Text.Text(),
              "ZoraRerud Alarm Event\nFloor: 12\nDistance: +40 mm\n*** Contact Devirozed LTD ***\n");
}

TEST_F(MessageMgrTest, UnsupportedAndEmptyUserData) {
    auto alarm = Process(*UserData({2, 1, 2, 3}));
    EXPECT_EQ(alarm->AlarmType, Alarm::ALARMTYPE_LIFT_MONITORING);
    EXPECT_EQ(alarm->Text.Text(), "Error: Unsupported user message format received!\n");
    EXPECT_EQ(Process(*UserData({'@', 1}))->Text.Text(),
              "Error: Unsupported user message format received!\n");
    EXPECT_EQ(Process(*UserData({}))->Text.Text(), "Error: Unsupported user message format received!\n");

    // Bytes beyond UserDataLen were not sent and are not read.
    auto stale = UserData({});
    stale->UserData[0] = 'a';
    stale->UserData[1] = 5;
    EXPECT_EQ(Process(*stale)->Text.Text(), "Error: Unsupported user message format received!\n");
    auto tooLong = UserData({1, 2, 0, 5});
    tooLong->UserDataLen = 60000;
    EXPECT_EQ(Process(*tooLong)->Text.Text(),
              "ZoraRerud Alarm Event\nFloor: 2\nDistance: -5 mm\n*** Contact Devirozed LTD ***\n");
}

TEST_F(MessageMgrTest, LongUserMessageIsCutButTheAlarmStays) {
    std::string block = ":a1\n";
    for (int i = 0; i < 30; ++i) {
        block += "A rather long line of the user message file number " + std::to_string(i) + "\n";
    }
    CTempDir::WriteFile(m_dir.File("UserMsg.txt"), block);
    auto msg = UserData({'a', 1, 0, 0});
    msg->Protocol = Tel::PROTOCOL_CPC; // the foreign equipment line no longer fits
    auto alarm = Process(*msg);
    ASSERT_TRUE(alarm);
    EXPECT_TRUE(alarm->Text.Truncated());
    EXPECT_EQ(alarm->Text.Length(), 255);
    EXPECT_EQ(alarm->Text.Text().substr(0, 15), "Error code: a1\n");
}

TEST_F(MessageMgrTest, TestSms) {
    auto alarm = Process(*Sms("#TEST hello"));
    ASSERT_TRUE(alarm);
    EXPECT_EQ(alarm->AlarmSource, Alarm::ALARMSOURCE_SMS);
    EXPECT_EQ(alarm->IdCode, "+46701234567");
    EXPECT_EQ(alarm->AlarmType, Alarm::ALARMTYPE_TEST);
    EXPECT_EQ(alarm->AlarmStatus, Alarm::ALARMSTATUS_INFO);
    EXPECT_EQ(alarm->Text.Text(), std::string(" hello\n") + STAMP);
    EXPECT_EQ(alarm->Text.GetLine(100), " hello");

    // "#TEST" alone: the empty rest adds nothing, the time stamp becomes the first line.
    EXPECT_EQ(Process(*Sms("#TEST"))->Text.Text(), STAMP);
}

TEST_F(MessageMgrTest, PlainSms) {
    for (const char* text : {"Lift 3 stuck", "#TES", "#test", "#P100:2", "#p100:2B12345678983"}) {
        auto alarm = Process(*Sms(text));
        ASSERT_TRUE(alarm);
        EXPECT_EQ(alarm->AlarmSource, Alarm::ALARMSOURCE_SMS);
        EXPECT_EQ(alarm->IdCode, "+46701234567");
        EXPECT_EQ(alarm->AlarmType, Alarm::ALARMTYPE_SMS) << text;
        EXPECT_EQ(alarm->AlarmStatus, Alarm::ALARMSTATUS_NEW);
        EXPECT_EQ(alarm->Text.Text(), std::string(text) + "\n" + STAMP);
    }
    EXPECT_EQ(Process(*Sms(""))->Text.Text(), STAMP);
}

TEST_F(MessageMgrTest, P100SmsWithUnitList) {
    auto alarm = Process(*Sms("#P100:2B12345678983"));
    ASSERT_TRUE(alarm);
    EXPECT_EQ(alarm->AlarmSource, Alarm::ALARMSOURCE_SMS);
    EXPECT_EQ(alarm->IdCode, "12345678");
    EXPECT_EQ(alarm->AlarmType, Alarm::ALARMTYPE_OPFAIL);
    EXPECT_EQ(alarm->OpFailType, Alarm::OPFAIL_BUS_UNIT_RESPONSE);
    EXPECT_EQ(alarm->AlarmStatus, Alarm::ALARMSTATUS_INFO);
    EXPECT_EQ(alarm->Text.Text(), std::string("Found Unit(s):1 2 \n") + STAMP);
}

TEST_F(MessageMgrTest, P100SmsByOfType) {
    struct SCase {
        const char* Fields; // OfType and OfData as sent
        std::uint8_t AlarmType;
        std::uint8_t OpFailType;
        std::uint8_t AlarmStatus;
        const char* Line;
    };
    const SCase cases[] = {
        {"000", 4, 1, 1, ""},
        {"101", 4, 2, 1, ""}, // no battery line in this path
        {"200", 4, 3, 1, ""},
        {"300", 8, 0, 1, ""},
        {"400", 8, 0, 1, ""},
        {"500", 9, 0, 4, ""},
        {"600", 10, 0, 4, ""},
        {"700", 4, 4, 1, ""}, // no mains line either
        {"800", 4, 5, 1, ""},
        {"904", 4, 6, 1, "Missing Unit(s):3 "},
        {"A02", 4, 7, 1, "Bus Busy Timeout"},
        {"a0f", 4, 7, 1, "Unknown Error, Code: 15"},
        {"B00", 4, 0, 1, ""},
        {"F99", 4, 0, 1, ""},
    };
    for (const SCase& c : cases) {
        auto alarm = Process(*Sms(std::string("#P100:2B87654321") + c.Fields + "trailing ignored"));
        ASSERT_TRUE(alarm);
        SCOPED_TRACE(c.Fields);
        EXPECT_EQ(alarm->IdCode, "87654321");
        EXPECT_EQ(alarm->AlarmType, c.AlarmType);
        EXPECT_EQ(alarm->OpFailType, c.OpFailType);
        EXPECT_EQ(alarm->AlarmStatus, c.AlarmStatus);
        EXPECT_EQ(alarm->Text.Text(), *c.Line ? std::string(c.Line) + "\n" + STAMP : std::string(STAMP));
    }
}

TEST_F(MessageMgrTest, GarbledP100SmsKeepsTheAlarmAndShowsWhatCame) {
    struct SCase {
        const char* Text;
        const char* IdCode;
        std::uint8_t OpFailType;
        const char* Lines;
    };
    const SCase cases[] = {
        // Nothing after the prefix: the sender stays the ID, everything reads as 0.
        {"#P100:2B", "+46701234567", 1, "#P100:2B\n"},
        {"#P100:2B1234", "+46701234567", 1, "#P100:2B1234\n"},
        {"#P100:2B12345678", "12345678", 1, "#P100:2B12345678\n"},
        {"#P100:2B12345678XYZ", "12345678", 1, "#P100:2B12345678XYZ\n"},
        {"#P100:2B123456789Z", "12345678", 6, "Missing Unit(s):\n#P100:2B123456789Z\n"},
        {"#P100:2B12345678A0", "12345678", 7, "Bus Communication Error\n#P100:2B12345678A0\n"},
        {"#P100:2B1234567ü983", "1234567ü", 6, "Found Unit(s):1 2 \n"}, // the ID is not checked
        {"#P100:2B12345678ü83", "12345678", 1, "#P100:2B12345678ü83\n"},
    };
    for (const SCase& c : cases) {
        auto alarm = Process(*Sms(c.Text));
        ASSERT_TRUE(alarm) << c.Text;
        SCOPED_TRACE(c.Text);
        EXPECT_EQ(alarm->AlarmSource, Alarm::ALARMSOURCE_SMS);
        EXPECT_EQ(alarm->IdCode, c.IdCode);
        EXPECT_EQ(alarm->AlarmType, Alarm::ALARMTYPE_OPFAIL);
        EXPECT_EQ(alarm->OpFailType, c.OpFailType);
        EXPECT_EQ(alarm->Text.Text(), std::string(c.Lines) + STAMP);
    }
}

TEST_F(MessageMgrTest, LongSmsIsCutToTheAlarmText) {
    auto alarm = Process(*Sms(std::string(300, 'x')));
    ASSERT_TRUE(alarm);
    EXPECT_EQ(alarm->AlarmType, Alarm::ALARMTYPE_SMS);
    EXPECT_TRUE(alarm->Text.Truncated());
    EXPECT_EQ(alarm->Text.Text(), std::string(255, 'x'));
}

TEST_F(MessageMgrTest, MalformedSmsBytesAreStoredAsValidText) {
    auto msg = Sms(std::string("Hj\xe4lp\xff"));
    msg->Number = "+46\xc3";
    auto alarm = Process(*msg);
    ASSERT_TRUE(alarm);
    EXPECT_EQ(alarm->IdCode, "+46\xEF\xBF\xBD");
    EXPECT_EQ(alarm->Text.GetLine(100), "Hj\xEF\xBF\xBDlp\xEF\xBF\xBD");
}

TEST_F(MessageMgrTest, CallerIdentification) {
    CGsmHandlerMsg caller(MsgKind::GSM_CALLER_IDENTIFIED);
    caller.Number = "+4631123456";
    caller.SmsText = "ignored";
    auto alarm = Process(caller);
    ASSERT_TRUE(alarm);
    EXPECT_EQ(alarm->AlarmSource, Alarm::ALARMSOURCE_CALLER_ID);
    EXPECT_EQ(alarm->IdCode, "+4631123456");
    EXPECT_EQ(alarm->AlarmType, Alarm::ALARMTYPE_TEST);
    EXPECT_EQ(alarm->AlarmStatus, Alarm::ALARMSTATUS_INFO);
    EXPECT_EQ(alarm->Text.Text(), "");
}

TEST_F(MessageMgrTest, OtherKindsAndMislabelledMessagesGiveNoRecord) {
    const CMessageMgr mgr(m_clock, m_dir.Path());
    EXPECT_EQ(mgr.ProcessMessage(CGsmHandlerMsg(MsgKind::GSM_STATUS)), nullptr);
    EXPECT_EQ(mgr.ProcessMessage(Tel(MsgKind::TEL_STATUS)), nullptr);
    EXPECT_EQ(mgr.ProcessMessage(CMsg(MsgKind::UI_ALARM_RECORD)), nullptr);
    // A kind whose class does not match is never misread.
    EXPECT_EQ(mgr.ProcessMessage(CHandlerMsg(MsgKind::TEL_ALARM)), nullptr);
    EXPECT_EQ(mgr.ProcessMessage(Tel(MsgKind::GSM_SMS_RECEIVED)), nullptr);
    EXPECT_EQ(mgr.ProcessMessage(CMsg(MsgKind::GSM_CALLER_IDENTIFIED)), nullptr);
}

TEST_F(MessageMgrTest, NoStateBetweenCallsAndTheInputIsLeftAlone) {
    const CMessageMgr mgr(m_clock, m_dir.Path());
    auto msg = OpFail(10, 0x85);
    auto first = mgr.ProcessMessage(*msg);
    m_clock.Advance(61000);
    auto second = mgr.ProcessMessage(*msg);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->Text.Text(), second->Text.Text());
    EXPECT_EQ(first->AlarmStatus, second->AlarmStatus);
    EXPECT_EQ(second->AlarmTime, CDateTime::FromLocal(SLocalTime{2024, 6, 15, 10, 31, 6, 250, 6}));
    EXPECT_EQ(msg->OfData, 0x85);
    EXPECT_EQ(msg->Kind, MsgKind::TEL_ALARM);
}

TEST_F(MessageMgrTest, BrokenTranslationNeverBreaksTheAlarm) {
    Text::SetTranslator([](const std::string& tag) {
        static const std::map<std::string, std::string> texts = {{"IDS_MESSAGEMGR_MSG_20", "Code %s %s %n"},
                                                                 {"IDS_MESSAGEMGR_MSG_6", "Stamp %d"}};
        const auto it = texts.find(tag);
        return it == texts.end() ? std::string("*NA*") : it->second;
    });
    auto alarm = Process(*OpFail(11, 77));
    EXPECT_EQ(alarm->Text.Text(), "Unknown Error, Code: 77");
    EXPECT_EQ(Process(*Sms("hi"))->Text.Text(), std::string("hi\n") + STAMP);
    Text::SetTranslator({});
    // With no dictionary at all the alarm still arrives, with the placeholder texts.
    auto bare = Process(*OpFail(2, 0));
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->Text.Text(), "*NA*");
}

} // namespace
