// Voice alarms with voice calls on: the operator's telephone rings, and the alarm is forwarded
// only when nobody took the call.
#include "E2eStationTest.h"

#include "AlarmDialog.h"
#include "AlarmInfoMsg.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

constexpr const char* LIFT = "12345678";
constexpr const char* LIFT_INFO = "Lift 1, Storgatan 3";

// Pushes the station's tick forward one second at a time, only in the quiet moments of the serial
// link: a few milliseconds after each reply of the modem, when the station has read it and rests
// before its next request. A jump while a reply is on its way would look like a lost reply.
class CQuietTimeJumper {
public:
    static constexpr int JUMPS_PER_REST = 3;

    CQuietTimeJumper(CSimTelModem& modem, CE2eClock& clock) : m_modem(modem), m_clock(clock) {
        m_modem.SetTxListener([this](std::uint8_t, std::uint64_t) {
            {
                std::lock_guard guard(m_lock);
                ++m_replies;
            }
            m_changed.notify_one();
        });
        m_thread = std::thread([this] { Run(); });
    }

    ~CQuietTimeJumper() {
        {
            std::lock_guard guard(m_lock);
            m_stop = true;
        }
        m_changed.notify_one();
        m_thread.join();
        m_modem.SetTxListener({});
    }

    CQuietTimeJumper(const CQuietTimeJumper&) = delete;
    CQuietTimeJumper& operator=(const CQuietTimeJumper&) = delete;

private:
    void Run() {
        std::uint64_t seen = 0;
        for (;;) {
            {
                std::unique_lock lock(m_lock);
                m_changed.wait(lock, [&] { return m_stop || m_replies != seen; });
                if (m_stop) {
                    return;
                }
                seen = m_replies;
            }
            // The station reads a reply within a few milliseconds and then rests for 35 ms.
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            for (int i = 0; i < JUMPS_PER_REST; ++i) {
                m_clock.JumpTick(1000);
                std::this_thread::sleep_for(std::chrono::milliseconds(4));
            }
            std::lock_guard guard(m_lock);
            seen = m_replies; // replies during the jumps are skipped
        }
    }

    CSimTelModem& m_modem;
    CE2eClock& m_clock;
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::uint64_t m_replies = 0;
    bool m_stop = false;
    std::thread m_thread;
};

class VoiceCallTest : public CE2eStationTest {
protected:
    void SetUp() override {
        CE2eStationTest::SetUp();
        m_station.Settings().VoiceCallEnabled = 1;
    }

    bool SawCallState(std::uint16_t state) const {
        const auto& states = m_station.FrontEnd().CallStates();
        return std::find(states.begin(), states.end(), state) != states.end();
    }
};

} // namespace

TEST_F(VoiceCallTest, AnsweredByTheOperatorItIsNotForwarded) {
    StartStation();
    ASSERT_TRUE(m_station.AddObject(*CStationHarness::Object(LIFT, LIFT_INFO)));
    m_station.Modem().SetOperatorPlan(SSimOperatorPlan{1500, 3000});

    m_station.CallP100([](CSimP100Phone& phone) { phone.AddMessage(CSimP100Phone::CODE_VOICE, LIFT); });
    ASSERT_TRUE(m_station.WaitAlarms(1));
    const SShownAlarm shown = m_station.FrontEnd().Alarms()[0];
    EXPECT_EQ(shown.Type, CAlarmInfoMsg::ALARMTYPE_VOICE);
    EXPECT_EQ(shown.IdInfo, LIFT_INFO);
    // The voice-call dialog follows the call.
    ASSERT_NE(m_station.Doc().AlarmList().VoiceDialog(), nullptr);

    ASSERT_TRUE(m_station.Pump([&] { return SawCallState(CAlarmDialog::CALL_FINISHED); }, 20000));
    EXPECT_TRUE(SawCallState(CAlarmDialog::CALL_PICK_UP_PHONE));
    EXPECT_TRUE(SawCallState(CAlarmDialog::CALL_IN_PROGRESS));
    EXPECT_FALSE(SawCallState(CAlarmDialog::CALL_TIMEOUT));
    ASSERT_TRUE(m_station.WaitLineReleased(1));
    m_station.PumpFor(1500);

    EXPECT_EQ(m_station.Doc().AlarmList().VoiceDialog(), nullptr);
    EXPECT_EQ(m_station.Smtp().StoredCount(), 0);
    EXPECT_TRUE(m_station.Gsm().SentSms().empty());
}

TEST_F(VoiceCallTest, NobodyAnswersSoItIsForwardedAtTheTimeOut) {
    StartStation();
    ASSERT_TRUE(m_station.AddObject(*CStationHarness::Object(LIFT, LIFT_INFO)));
    // The operator never picks up.

    m_station.CallP100([](CSimP100Phone& phone) { phone.AddMessage(CSimP100Phone::CODE_VOICE, LIFT); });
    ASSERT_TRUE(m_station.WaitAlarms(1));
    ASSERT_TRUE(m_station.Pump([&] { return SawCallState(CAlarmDialog::CALL_PICK_UP_PHONE); }, 20000));
    EXPECT_EQ(m_station.Smtp().StoredCount(), 0);

    // The operator has 300 one-second ticks to pick up: let them pass quickly.
    {
        CQuietTimeJumper jumper(m_station.Modem(), m_station.Clock());
        ASSERT_TRUE(m_station.Pump([&] { return SawCallState(CAlarmDialog::CALL_TIMEOUT); }, 60000));
    }
    EXPECT_FALSE(SawCallState(CAlarmDialog::CALL_IN_PROGRESS));
    EXPECT_FALSE(SawCallState(CAlarmDialog::CALL_ABORTED));

    // Forwarded to the emergency recipients, once by mail and once by SMS.
    const nlohmann::json mail = m_station.Smtp().WaitMail(1, 20000);
    ASSERT_TRUE(mail.is_object()) << "no mail arrived";
    EXPECT_EQ(mail["rcpt_tos"], (nlohmann::json{"emergency@example.com"}));
    EXPECT_EQ(mail["body"].get<std::string>(), AlarmMailBody("Voice", LIFT_INFO, LIFT));
    ASSERT_TRUE(m_station.Pump([&] { return !m_station.Gsm().SentSms().empty(); }, 20000));
    EXPECT_EQ(m_station.Gsm().SentSms()[0].Destination, "+46709999999");
    ASSERT_TRUE(m_station.WaitLineReleased(1));
    m_station.PumpFor(1000);
    EXPECT_EQ(m_station.Smtp().StoredCount(), 1);
    EXPECT_EQ(m_station.Gsm().SentSms().size(), 1u);
    EXPECT_EQ(m_station.Doc().AlarmList().VoiceDialog(), nullptr);
}
