// A station that stops and starts again keeps its alarms.
#include "E2eStationTest.h"

#include "AlarmInfoMsg.h"

#include <algorithm>

namespace {

using StationRestartTest = CE2eStationTest;

} // namespace

TEST_F(StationRestartTest, ASecondStartOpensTheSameDatabaseAndShowsTheSameAlarms) {
    StartStation();
    EXPECT_GE(m_station.FrontEnd().DatabaseQuestions(), 1); // the first start created the file
    ASSERT_TRUE(m_station.AddObject(*CStationHarness::Object("12345678", "Lift 1, Storgatan 3")));
    m_station.CallP100([](CSimP100Phone& phone) { phone.AddMessage(CSimP100Phone::CODE_ALARM, "12345678"); });
    m_station.Gsm().StoreSms("+46701234567", "Hiss 3 står still");
    ASSERT_TRUE(m_station.WaitAlarms(2, 30000));
    std::vector<SShownAlarm> before = m_station.FrontEnd().Alarms();
    ASSERT_TRUE(m_station.WaitLineReleased(1));
    m_station.StopStation();

    StartStation();
    EXPECT_EQ(m_station.FrontEnd().DatabaseQuestions(), 0); // opened, not created again
    ASSERT_TRUE(m_station.Pump([&] { return m_station.Doc().AlarmList().Rows().size() == 2; }, 10000));
    std::vector<SAlarmRow> rows = m_station.Doc().AlarmList().Rows();
    const auto byKey = [](const auto& a, const auto& b) { return a.Key < b.Key; };
    std::sort(before.begin(), before.end(), byKey);
    std::sort(rows.begin(), rows.end(), [](const SAlarmRow& a, const SAlarmRow& b) { return a.key < b.key; });
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].key, before[i].Key);
        EXPECT_EQ(rows[i].alarmType, before[i].Type);
        EXPECT_EQ(rows[i].idCode, before[i].IdCode);
        EXPECT_EQ(rows[i].idInfo, before[i].IdInfo);
        EXPECT_EQ(rows[i].Status(), before[i].Status);
    }

    // The log goes on with new keys.
    m_station.Gsm().StoreSms("+46701234567", "Hiss 3 går igen");
    ASSERT_TRUE(m_station.WaitAlarms(1, 20000));
    EXPECT_GT(m_station.FrontEnd().Alarms()[0].Key, std::max(before[0].Key, before[1].Key));
}
