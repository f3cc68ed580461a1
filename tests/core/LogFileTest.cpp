#include "LogFile.h"
#include "Clock.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <sys/stat.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Lines(const std::string& path) {
    std::istringstream in(CTempDir::ReadFile(path));
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) {
        lines.push_back(l);
    }
    return lines;
}

} // namespace

TEST(LogFile, KeepsTheNewestLinesFirstWithinTheLimit) {
    CTempDir dir;
    dir.Enter();
    CFakeClock clock;
    clock.SetNow({2024, 3, 5, 7, 4, 9, 42, 2});
    CLogFile log("TelHandler", 3, clock);
    log.Write("TelHandler::ThreadMain", "Startup - Ver. 2.65");
    for (int i = 2; i <= 4; ++i) {
        clock.Advance(1000);
        log.Write("Src", "line " + std::to_string(i));
    }
    const auto lines = Lines(dir.File("TelHandler.log"));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "2024-03-05 07:04:12:042: Src: line 4");
    EXPECT_EQ(lines[1], "2024-03-05 07:04:11:042: Src: line 3");
    EXPECT_EQ(lines[2], "2024-03-05 07:04:10:042: Src: line 2");
    EXPECT_FALSE(fs::exists(dir.File("TelHandler.tmp")));
}

TEST(LogFile, TheStartupLineHasTheDocumentedForm) {
    CTempDir dir;
    dir.Enter();
    CFakeClock clock;
    clock.SetNow({2024, 3, 5, 7, 4, 9, 42, 2});
    CLogFile log("TelHandler", 1000, clock);
    log.Write("TelHandler::ThreadMain", "Startup - Ver. 2.65");
    EXPECT_EQ(CTempDir::ReadFile(dir.File("TelHandler.log")),
              "2024-03-05 07:04:09:042: TelHandler::ThreadMain: Startup - Ver. 2.65\n");
}

TEST(LogFile, ALimitOfZeroWritesNothing) {
    CTempDir dir;
    dir.Enter();
    CLogFile off("Off", 0);
    off.Write("S", "x");
    CLogFile negative("Neg", -5);
    negative.WriteLine("x");
    EXPECT_FALSE(fs::exists(dir.File("Off.log")));
    EXPECT_FALSE(fs::exists(dir.File("Off.tmp")));
    EXPECT_FALSE(fs::exists(dir.File("Neg.log")));
}

TEST(LogFile, ALeftoverTempFileIsOverwrittenAndRunsAccumulate) {
    CTempDir dir;
    dir.Enter();
    CTempDir::WriteFile(dir.File("Mail.tmp"), "garbage from a crash\n");
    CTempDir::WriteFile(dir.File("Mail.log"), "old 2\nold 1\n");
    CLogFile log("Mail", 1000);
    log.WriteLine("new");
    const auto lines = Lines(dir.File("Mail.log"));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[0].find(": new"), std::string::npos);
    EXPECT_EQ(lines[1], "old 2");
    EXPECT_EQ(lines[2], "old 1");
    EXPECT_FALSE(fs::exists(dir.File("Mail.tmp")));
}

TEST(LogFile, AnUnwritableFolderLosesTheLineButNeverTheOldLog) {
    CTempDir dir;
    dir.Enter();
    CTempDir::WriteFile(dir.File("Gsm.log"), "kept\n");
    fs::create_directory(dir.File("Gsm.tmp")); // the temporary file cannot be created
    CLogFile log("Gsm", 2000);
    log.WriteLine("lost");
    EXPECT_EQ(CTempDir::ReadFile(dir.File("Gsm.log")), "kept\n");

    fs::remove(dir.File("Gsm.tmp"));
    fs::remove(dir.File("Gsm.log"));
    fs::create_directory(dir.File("Gsm.log")); // the new log cannot take the old one's place
    fs::create_directory(dir.File("Gsm.log/inner"));
    log.WriteLine("also lost");
    EXPECT_TRUE(fs::is_directory(dir.File("Gsm.log/inner")));
    EXPECT_FALSE(fs::exists(dir.File("Gsm.tmp")));
}
