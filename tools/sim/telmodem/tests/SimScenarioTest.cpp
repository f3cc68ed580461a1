// Scenarios in their text form: what people type, and what the tests script.

#include "SimScenario.h"
#include "PtyClient.h"
#include "TempDir.h"

#include <gtest/gtest.h>

namespace {

TEST(SimScenarioTest, RejectsMistakesWithTheLineNumber) {
    struct SCase {
        const char* Text;
        const char* Error;
    };
    const SCase cases[] = {
        {"line on\nbogus 1", "line 2: unknown statement 'bogus'"},
        {"p100 alarm 12345678", "line 1: p100 statement before any 'call p100'"},
        {"call p100\np100 alarm 1234", "line 2: p100 alarm needs an ID of 8 digits"},
        {"call p100\np100 userdata ABC", "line 2: p100 userdata needs hexadecimal bytes (1-126)"},
        {"modem sw=1.x", "line 1: bad software version '1.x' (form 01.50)"},
        {"at x quit", "line 1: bad time 'x'"},
        {"fault wobble", "line 1: unknown fault 'wobble'"},
        {"call cpc model=12", "line 1: bad value for model: '12'"},
        {"call cpc\ncpc refuse nothing",
         "line 2: cpc refuse needs id, alarmcode, ack, disconnect or timeupdate"},
        {"timing p100=fast", "line 1: bad value for p100: 'fast'"},
        {"operator answer=1 talk=3", "line 1: unknown option 'talk'"},
    };
    for (const auto& c : cases) {
        CSimScenario scenario;
        std::string error;
        EXPECT_FALSE(scenario.Parse(c.Text, error)) << c.Text;
        EXPECT_EQ(error, c.Error) << c.Text;
    }
}

TEST(SimScenarioTest, AcceptsTheDocumentedForms) {
    CSimScenario scenario;
    std::string error;
    const char* text = R"(# a full example
modem model=12 sw=01.50 swinfo=0A hw=2 interface=gsm
timing reply=1 pace=off line=50 p100=100 nostart=100 retry=50 cpc=50 cpcnone=60 raw=10 reset=50
signal 14; line on; ict off
at 100 call p100 rings=2 ring=50 pause=50
p100 nostart 2
p100 checksum; p100 timing; p100 msgtimeout; p100 exhausted
p100 userid 87654321
p100 userdata A1 0F
p100 opfail 12345678 10 255
p100 raw 0 8 1 2
+50 call cpc model=5 code=27 id=123456
cpc silent id 2
cpc garble ack
operator answer=1000 hangup=3000
at 5000 fault badcheck count=2
fault invalid value=0x98
offhook; onhook
stuck on; seize off
hangup
quit
)";
    ASSERT_TRUE(scenario.Parse(text, error)) << error;
    EXPECT_EQ(scenario.Size(), 16u);
}

TEST(SimScenarioTest, StatementsRunAtTheirTimesOnTheDevice) {
    CTempDir dir;
    CSimTelModem modem;
    CSimScenario scenario;
    std::string error;
    ASSERT_TRUE(scenario.Parse("modem sw=01.41 model=11\n"
                               "signal 20\n"
                               "at 150 call p100 rings=1 ring=50 pause=50\n"
                               "+300 quit\n",
                               error))
        << error;
    ASSERT_TRUE(modem.Start(dir.Path(), 7, error)) << error;
    scenario.Apply(modem);

    CPtyClient port;
    ASSERT_TRUE(port.Open(dir.Path() + "/COM7"));
    ASSERT_TRUE(modem.Recorder().WaitForEvent("scenario: signal 20", 1000));
    SSimFrame reply;
    ASSERT_TRUE(port.Exchange(0x8A, {0}, reply));
    EXPECT_EQ(reply.Params(), (std::vector<std::uint8_t>{0x01, 0x41, 0x00, 11, 1, 1}));
    ASSERT_TRUE(modem.Recorder().WaitForEvent("ring signal 1", 1000));
    EXPECT_GE(modem.Elapsed(), 150u);
    ASSERT_TRUE(port.Exchange(0x81, {0}, reply));
    EXPECT_EQ(reply.Params(), std::vector<std::uint8_t>{20});
    for (int i = 0; i < 100 && !modem.QuitRequested(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(modem.QuitRequested());
    EXPECT_GE(modem.Elapsed(), 450u);
    EXPECT_TRUE(modem.Recorder().HasEvent("scenario: at 150 call p100 rings=1 ring=50 pause=50"));
}

} // namespace

namespace {

TEST(SimScenarioTest, ShippedScenariosParse) {
    for (const char* name : {"p100-alarm.txt", "faults.txt"}) {
        const std::string text = CTempDir::ReadFile(std::string(MORA_SIM_SCENARIO_DIR) + "/" + name);
        ASSERT_FALSE(text.empty()) << name;
        CSimScenario scenario;
        std::string error;
        EXPECT_TRUE(scenario.Parse(text, error)) << name << ": " << error;
    }
}

} // namespace
