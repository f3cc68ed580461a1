// The road of an alarm through the whole station: the simulated modems, the real database file,
// the real SMTP server and the headless front end's lines.
#include "E2eStationTest.h"
#include "SqliteReader.h"

#include "AlarmInfoMsg.h"

#include <nlohmann/json.hpp>

#include <cmath>

namespace {

constexpr const char* LIFT = "12345678";
constexpr const char* LIFT_INFO = "Lift 1, Storgatan 3";

using AlarmRoadTest = CE2eStationTest;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    return lines;
}

} // namespace

TEST_F(AlarmRoadTest, P100AlarmCallIsStoredMailedToTechniciansAndTexted) {
    StartStation();
    ASSERT_TRUE(m_station.AddObject(*CStationHarness::Object(LIFT, LIFT_INFO)));

    m_station.CallP100([](CSimP100Phone& phone) { phone.AddMessage(CSimP100Phone::CODE_ALARM, LIFT); });
    ASSERT_TRUE(m_station.WaitAlarms(1));
    const SShownAlarm shown = m_station.FrontEnd().Alarms()[0];
    EXPECT_NE(shown.Key, 0u);
    EXPECT_EQ(shown.Type, CAlarmInfoMsg::ALARMTYPE_P100);
    EXPECT_EQ(shown.Status, CAlarmInfoMsg::ALARMSTATUS_NEW);
    EXPECT_EQ(shown.Source, CAlarmInfoMsg::ALARMSOURCE_TEL);
    EXPECT_EQ(shown.IdCode, LIFT);
    EXPECT_EQ(shown.IdInfo, LIFT_INFO);

    // One mail to both technicians.
    const nlohmann::json mail = m_station.Smtp().WaitMail(1, 20000);
    ASSERT_TRUE(mail.is_object()) << "no mail arrived";
    EXPECT_EQ(mail["rcpt_tos"], (nlohmann::json{"tech1@example.com", "tech2@example.com"}));
    EXPECT_EQ(mail["mail_from"], "mora@station.example");
    EXPECT_EQ(mail["helo"], "station.e2e");
    EXPECT_EQ(mail["subject"], "Brennvik MORA Alarm Message");
    EXPECT_EQ(mail["body"].get<std::string>(), AlarmMailBody("P100", LIFT_INFO, LIFT));

    // One alarm SMS to the technicians' number.
    ASSERT_TRUE(m_station.Pump([&] { return !m_station.Gsm().SentSms().empty(); }, 20000))
        << "no SMS was sent";
    const auto sms = m_station.Gsm().SentSms()[0];
    EXPECT_EQ(sms.Destination, "+46701111111");
    EXPECT_EQ(sms.Text, std::string("MORA ALARM\nType: P100\nID Info: ") + LIFT_INFO +
                            "\nAddress: Storgatan 3, 802 50 Gävle\n");

    // The call ends, and nothing more is sent afterwards.
    ASSERT_TRUE(m_station.WaitLineReleased(1));
    m_station.PumpFor(1500);
    EXPECT_EQ(m_station.Smtp().StoredCount(), 1);
    EXPECT_EQ(m_station.Gsm().SentSms().size(), 1u);
    EXPECT_EQ(m_station.FrontEnd().Alarms().size(), 1u);

    // Exactly one alarm in the database file, as shown.
    CSqliteReader db(m_station.DatabasePath());
    ASSERT_TRUE(db.IsOpen()) << db.Error();
    const auto rows =
        db.Rows("SELECT PrimaryKey, IdCode, AlarmSource, AlarmType, IdInfo, AlarmStatus FROM AlarmInfo");
    ASSERT_EQ(rows.size(), 1u) << db.Error();
    EXPECT_EQ(rows[0], (std::vector<std::string>{std::to_string(shown.Key), LIFT, "1", "1", LIFT_INFO, "1"}));

    // The headless line of the alarm.
    const std::string out = CTempDir::ReadFile(m_station.Dir().File("station-1.out"));
    const std::string expected =
        "ALARM key=" + std::to_string(shown.Key) +
        " type=1 status=1 source=1 id=12345678 info=\"Lift 1, Storgatan 3\" text=\"\"";
    bool found = false;
    for (const auto& line : Lines(out)) {
        found = found || line == expected;
    }
    EXPECT_TRUE(found) << out;
}

TEST_F(AlarmRoadTest, AnObjectMarkedWithAQuestionMarkProducesNothing) {
    StartStation();
    ASSERT_TRUE(m_station.AddObject(*CStationHarness::Object("87654321", "?Lift under construction")));
    ASSERT_TRUE(m_station.AddObject(*CStationHarness::Object(LIFT, LIFT_INFO)));

    // The hidden object's call, then a visible one: once the second is shown, the first has
    // been through the whole road.
    m_station.CallP100([](CSimP100Phone& phone) { phone.AddMessage(CSimP100Phone::CODE_ALARM, "87654321"); });
    m_station.CallP100([](CSimP100Phone& phone) { phone.AddMessage(CSimP100Phone::CODE_ALARM, LIFT); });
    ASSERT_TRUE(m_station.WaitAlarms(1, 30000));
    ASSERT_TRUE(m_station.WaitLineReleased(2));
    ASSERT_TRUE(m_station.Smtp().WaitMail(1, 20000).is_object());
    ASSERT_TRUE(m_station.Pump([&] { return !m_station.Gsm().SentSms().empty(); }, 20000));
    m_station.PumpFor(1500);

    ASSERT_EQ(m_station.FrontEnd().Alarms().size(), 1u);
    EXPECT_EQ(m_station.FrontEnd().Alarms()[0].IdCode, LIFT);
    // The hidden telephone was still served: its call was answered and ended like any other.
    EXPECT_TRUE(m_station.Modem().Recorder().HasEvent("line held: call from the P100 telephone"));
    EXPECT_EQ(m_station.Smtp().StoredCount(), 1);
    EXPECT_EQ(m_station.Gsm().SentSms().size(), 1u);
    CSqliteReader db(m_station.DatabasePath());
    EXPECT_EQ(db.Rows("SELECT IdCode FROM AlarmInfo"), (std::vector<std::vector<std::string>>{{LIFT}}));
}

TEST_F(AlarmRoadTest, TestSmsFromAKnownObjectMovesItsLastTestAlarm) {
    StartStation();
    const std::string sender = "+46705550123";
    auto object = CStationHarness::Object(sender, "Lift 7, Hamngatan 1");
    object->Days = 7;
    ASSERT_TRUE(m_station.AddObject(*object));

    m_station.Gsm().StoreSms(sender, "#TEST weekly");
    ASSERT_TRUE(m_station.WaitAlarms(1, 20000));
    const SShownAlarm shown = m_station.FrontEnd().Alarms()[0];
    EXPECT_EQ(shown.Type, CAlarmInfoMsg::ALARMTYPE_TEST);
    EXPECT_EQ(shown.Status, CAlarmInfoMsg::ALARMSTATUS_INFO);
    EXPECT_EQ(shown.Source, CAlarmInfoMsg::ALARMSOURCE_SMS);
    EXPECT_EQ(shown.IdCode, sender);
    EXPECT_EQ(shown.IdInfo, "Lift 7, Hamngatan 1");
    EXPECT_EQ(Lines(shown.Text).at(0), " weekly");

    // The object's last test alarm is now the alarm's time, in the file.
    CSqliteReader db(m_station.DatabasePath());
    const auto alarm = db.Rows("SELECT AlarmTime FROM AlarmInfo");
    const auto objectRow = db.Rows("SELECT LastTestAlarm FROM ObjectInfo WHERE IdCode = '" + sender + "'");
    ASSERT_EQ(alarm.size(), 1u) << db.Error();
    ASSERT_EQ(objectRow.size(), 1u) << db.Error();
    EXPECT_EQ(objectRow[0][0], alarm[0][0]);
    const auto moved = m_station.FindObject(sender);
    ASSERT_NE(moved, nullptr);
    const double ageDays = CDateTime::FromLocal(m_station.Clock().Now()).Days() - moved->LastTestAlarm.Days();
    EXPECT_LT(std::fabs(ageDays), 60.0 / 86400.0); // within a minute of now

    // A successful test is not forwarded, and the SMS is gone from the modem.
    m_station.PumpFor(1500);
    EXPECT_EQ(m_station.Smtp().StoredCount(), 0);
    EXPECT_TRUE(m_station.Gsm().SentSms().empty());
    EXPECT_TRUE(m_station.Pump([&] { return m_station.Gsm().StoredSms().empty(); }, 10000));
}

TEST_F(AlarmRoadTest, EndOfAlarmFinishesTheEmergencyAlarm) {
    StartStation();
    ASSERT_TRUE(m_station.AddObject(*CStationHarness::Object(LIFT, LIFT_INFO)));

    // Failure kind 3 is "emergency call activated", kind 5 "end of alarm".
    m_station.CallP100([](CSimP100Phone& phone) { phone.AddOpFail(LIFT, 3, 0); });
    ASSERT_TRUE(m_station.WaitAlarms(1));
    const SShownAlarm emergency = m_station.FrontEnd().Alarms()[0];
    ASSERT_EQ(emergency.Type, CAlarmInfoMsg::ALARMTYPE_EMERGENCY_CALL);
    EXPECT_EQ(emergency.Status, CAlarmInfoMsg::ALARMSTATUS_NEW);
    // An emergency goes to the emergency recipients.
    const nlohmann::json first = m_station.Smtp().WaitMail(1, 20000);
    ASSERT_TRUE(first.is_object());
    EXPECT_EQ(first["rcpt_tos"], (nlohmann::json{"emergency@example.com"}));
    EXPECT_EQ(first["body"].get<std::string>(), AlarmMailBody("Emergency Call Activated", LIFT_INFO, LIFT));

    m_station.CallP100([](CSimP100Phone& phone) { phone.AddOpFail(LIFT, 5, 0); });
    ASSERT_TRUE(m_station.WaitAlarms(2));
    const SShownAlarm end = m_station.FrontEnd().Alarms()[1];
    EXPECT_EQ(end.Type, CAlarmInfoMsg::ALARMTYPE_END_OF_ALARM);
    EXPECT_EQ(end.Status, CAlarmInfoMsg::ALARMSTATUS_INFO);
    // The end of the alarm goes to the technicians.
    const nlohmann::json second = m_station.Smtp().WaitMail(2, 20000);
    ASSERT_TRUE(second.is_object());
    EXPECT_EQ(second["rcpt_tos"], (nlohmann::json{"tech1@example.com", "tech2@example.com"}));
    EXPECT_EQ(second["body"].get<std::string>(), AlarmMailBody("End of Alarm", LIFT_INFO, LIFT));

    // The emergency alarm is finished by the maintenance person, in the file and in the list.
    CSqliteReader db(m_station.DatabasePath());
    const auto rows =
        db.Rows("SELECT AlarmStatus, AckOperator, ExecOperator, AckTime = ExecTime FROM AlarmInfo "
                "WHERE PrimaryKey = " +
                std::to_string(emergency.Key));
    ASSERT_EQ(rows.size(), 1u) << db.Error();
    EXPECT_EQ(rows[0], (std::vector<std::string>{"3", "Maintenance person", "Maintenance person", "1"}));
    ASSERT_TRUE(m_station.Pump(
        [&] {
            for (const auto& row : m_station.Doc().AlarmList().Rows()) {
                if (row.key == emergency.Key) {
                    return row.Status() == CAlarmInfoMsg::ALARMSTATUS_FINISHED;
                }
            }
            return false;
        },
        5000));
}
