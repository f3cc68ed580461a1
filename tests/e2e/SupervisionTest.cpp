// The hourly supervision of the test alarms, with the station's clock pushed forward.
#include "E2eStationTest.h"
#include "SqliteReader.h"

#include "AlarmInfoMsg.h"
#include "DatabaseHandler.h"

#include <nlohmann/json.hpp>

namespace {

using SupervisionTest = CE2eStationTest;

constexpr std::int64_t HOUR_MS = 3600LL * 1000;

} // namespace

TEST_F(SupervisionTest, AnObjectThatMissedItsTestRaisesATestFailure) {
    StartStation();
    const CDateTime now = CDateTime::FromLocal(m_station.Clock().Now());
    // Silent for a day and three hours, with a test due every day.
    auto silent = CStationHarness::Object("11112222", "Lift 2, Kungsgatan 9");
    silent->Days = 1;
    silent->LastTestAlarm = now.AddDays(-1).AddHours(-3);
    ASSERT_TRUE(m_station.AddObject(*silent));
    // Tested an hour ago, due once a week.
    auto fine = CStationHarness::Object("33334444", "Lift 3, Drottninggatan 4");
    fine->Days = 7;
    fine->LastTestAlarm = now.AddHours(-1);
    ASSERT_TRUE(m_station.AddObject(*fine));

    // The first hourly run after a start only restarts the overdue period, without an alarm.
    m_station.StopStation();
    StartStation();
    CDatabaseHandler& handler = m_station.Doc().DatabaseMgr().Handler();
    ASSERT_TRUE(m_station.Pump(
        [&] {
            const auto object = m_station.FindObject("11112222");
            return object != nullptr && object->LastTestAlarm.Days() > now.Days() - 1.0 / 24.0;
        },
        10000));
    EXPECT_TRUE(handler.SupervisionArmed());
    m_station.PumpFor(500);
    EXPECT_TRUE(m_station.FrontEnd().Alarms().empty());

    // A day and three hours later the object is still silent: one test-failure alarm.
    m_station.Clock().JumpNow(27 * HOUR_MS);
    ASSERT_TRUE(m_station.WaitAlarms(1, 10000));
    const SShownAlarm shown = m_station.FrontEnd().Alarms()[0];
    EXPECT_EQ(shown.Type, CAlarmInfoMsg::ALARMTYPE_TEST_FAIL);
    EXPECT_EQ(shown.Source, CAlarmInfoMsg::ALARMSOURCE_INTERNAL);
    EXPECT_EQ(shown.Status, CAlarmInfoMsg::ALARMSTATUS_NEW);
    EXPECT_EQ(shown.IdCode, "11112222");
    EXPECT_EQ(shown.IdInfo, "Lift 2, Kungsgatan 9");
    EXPECT_NE(shown.Key, 0u);

    // Forwarded to the technicians.
    const nlohmann::json mail = m_station.Smtp().WaitMail(1, 20000);
    ASSERT_TRUE(mail.is_object()) << "no mail arrived";
    EXPECT_EQ(mail["rcpt_tos"], (nlohmann::json{"tech1@example.com", "tech2@example.com"}));
    EXPECT_EQ(mail["body"].get<std::string>(),
              AlarmMailBody("Test Fail", "Lift 2, Kungsgatan 9", "11112222"));
    ASSERT_TRUE(m_station.Pump([&] { return !m_station.Gsm().SentSms().empty(); }, 20000));
    EXPECT_EQ(m_station.Gsm().SentSms()[0].Destination, "+46701111111");

    // Stored once (the core does not store a test failure again), and nothing for the other object.
    m_station.PumpFor(1500);
    EXPECT_EQ(m_station.FrontEnd().Alarms().size(), 1u);
    CSqliteReader db(m_station.DatabasePath());
    const auto rows = db.Rows("SELECT PrimaryKey, IdCode, AlarmType, AlarmSource FROM AlarmInfo");
    EXPECT_EQ(rows,
              (std::vector<std::vector<std::string>>{{std::to_string(shown.Key), "11112222", "7", "3"}}))
        << db.Error();
    // The supervision period of the silent object starts again.
    const auto moved = m_station.FindObject("11112222");
    ASSERT_NE(moved, nullptr);
    EXPECT_GT(moved->LastTestAlarm.Days(), now.AddDays(1).Days());
}
