// The mora program itself, run as a child process against the simulated modems.
#include "ChildProcess.h"
#include "E2eStationTest.h"
#include "SqliteReader.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <regex>
#include <thread>

#ifndef MORA_BINARY
#error "MORA_BINARY must name the mora program"
#endif

namespace {

std::vector<std::string> FileLines(const std::string& path) {
    std::vector<std::string> lines;
    const std::string text = CTempDir::ReadFile(path);
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            break; // a line still being written
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// Waits for a complete line of the file that starts with `prefix`; returns it, or "" on time-out.
std::string WaitLine(const std::string& path, const std::string& prefix, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        for (const auto& line : FileLines(path)) {
            if (line.rfind(prefix, 0) == 0) {
                return line;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return {};
}

// Milliseconds of the day of a handler's newest "Shutdown" line, -1 when there is none.
long ShutdownTime(const std::string& logPath) {
    static const std::regex stamp(R"((\d\d):(\d\d):(\d\d):(\d\d\d): .*: Shutdown)");
    for (const auto& line : FileLines(logPath)) {
        std::smatch m;
        if (std::regex_search(line, m, stamp)) {
            return ((std::stol(m[1]) * 60 + std::stol(m[2])) * 60 + std::stol(m[3])) * 1000 + std::stol(m[4]);
        }
    }
    return -1;
}

using StationProcessTest = CE2eStationTest;

} // namespace

TEST(StationProgramTest, WithoutAnOperatorItEndsAtOnceWithExitCodeTwo) {
    CTempDir dir;
    CChildProcess mora;
    std::string error;
    ASSERT_TRUE(mora.Start({MORA_BINARY, "--headless"}, {"MORA_CONFIG_DIR=" + dir.Path()}, dir.Path(),
                           dir.File("out"), dir.File("err"), error))
        << error;
    EXPECT_EQ(mora.Wait(20000), 2);
    EXPECT_NE(CTempDir::ReadFile(dir.File("err")).find("operator"), std::string::npos);
    EXPECT_EQ(CTempDir::ReadFile(dir.File("out")), "");
    EXPECT_FALSE(std::filesystem::exists(dir.File("MORA_10.mdb")));
}

TEST_F(StationProcessTest, TheStopSignalShutsTheStationDownInOrder) {
    ASSERT_TRUE(m_station.Settings().SaveAll());
    const std::string out = m_station.Dir().File("mora.out");
    CChildProcess mora;
    std::string error;
    // The settings folder and the serial folder are this test's, through the environment.
    ASSERT_TRUE(mora.Start({MORA_BINARY, "--headless", "--operator", "Eva"}, {}, m_station.Dir().Path(), out,
                           m_station.Dir().File("mora.err"), error))
        << error;
    ASSERT_NE(WaitLine(out, std::string("PANE 3 ") + CStationHarness::TEL_READY, 30000), "");
    ASSERT_NE(WaitLine(out, std::string("PANE 2 ") + CStationHarness::GSM_READY, 30000), "");

    // It really serves calls.
    auto phone = std::make_shared<CSimP100Phone>();
    phone->AddMessage(CSimP100Phone::CODE_ALARM, "12345678");
    m_station.Modem().Call(phone, SSimRingPlan{4, 200, 300});
    const std::string alarm = WaitLine(out, "ALARM ", 30000);
    EXPECT_EQ(alarm, "ALARM key=1 type=1 status=1 source=1 id=12345678 info=\"\" text=\"\"");
    ASSERT_TRUE(m_station.Modem().Recorder().WaitForEvent("line released", 20000));

    ASSERT_TRUE(mora.Signal(SIGTERM));
    EXPECT_EQ(mora.Wait(20000), 0);

    // Telephone, mail and GSM handlers stopped in that order, 100 ms apart.
    const long tel = ShutdownTime(m_station.Dir().File("TelHandler.log"));
    const long mail = ShutdownTime(m_station.Dir().File("MailHandler.log"));
    const long gsm = ShutdownTime(m_station.Dir().File("GsmHandler.log"));
    ASSERT_GE(tel, 0);
    ASSERT_GE(mail, 0);
    ASSERT_GE(gsm, 0);
    const long day = 24L * 3600 * 1000;
    EXPECT_GE((mail - tel + day) % day, 90);
    EXPECT_LT((mail - tel + day) % day, 5000);
    EXPECT_GE((gsm - mail + day) % day, 90);
    EXPECT_LT((gsm - mail + day) % day, 5000);

    // The modem hears nothing more from the station, and the alarm is in the file.
    const std::uint64_t last = m_station.Modem().Recorder().LastSeq();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(m_station.Modem().Recorder().Count(
                  [last](const SSimRecord& r) { return r.Seq > last && r.Type == SSimRecord::FROM_STATION; }),
              0u);
    CSqliteReader db(m_station.DatabasePath());
    EXPECT_EQ(db.Rows("SELECT PrimaryKey, IdCode, AlarmType FROM AlarmInfo"),
              (std::vector<std::vector<std::string>>{{"1", "12345678", "1"}}))
        << db.Error();
}

TEST(DemoProgramTest, TheDemoPlacesAlarmsAndEndsInOrderOnCtrlC) {
    CTempDir dir;
    CChildProcess mora;
    std::string error;
    // The demo makes its own folder under TMPDIR: here, this test's folder.
    ASSERT_TRUE(mora.Start({MORA_BINARY, "--demo", "--headless"}, {"TMPDIR=" + dir.Path()}, dir.Path(), dir.File("out"),
                           dir.File("err"), error))
        << error;
    const std::string alarm = WaitLine(dir.File("out"), "ALARM key=1 ", 60000);
    EXPECT_EQ(
        alarm,
        "ALARM key=1 type=1 status=1 source=1 id=12345678 info=\"Lift 1, Storgatan 3 (P100)\" text=\"\"");
    // The alarm went out as an SMS through the simulated GSM modem.
    EXPECT_NE(WaitLine(dir.File("err"), "demo: the GSM modem sent an alarm SMS to +46700000001: MORA ALARM|",
                       20000),
              "")
        << CTempDir::ReadFile(dir.File("err"));

    ASSERT_TRUE(mora.Signal(SIGINT));
    EXPECT_EQ(mora.Wait(20000), 0);
    // The demo's folder is gone again.
    std::size_t left = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        left += entry.path().filename().string().rfind("mora-demo-", 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(left, 0u);
}
