#include "SystemInfoList.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

std::vector<std::string> LogLines(const CTempDir& dir) {
    std::istringstream in(CTempDir::ReadFile(dir.File("SystemInfo.log")));
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

TEST(SystemInfoListTest, TheNewestOfAtMostTwoHundredRowsOnTopAndEveryLineInTheLog) {
    CTempDir dir;
    CFakeClock clock;
    clock.SetNow(SLocalTime{2024, 3, 5, 7, 4, 9, 42, 2});
    {
        CSystemInfoList list(clock, dir.Path());
        ASSERT_EQ(LogLines(dir).size(), 1u);
        EXPECT_EQ(LogLines(dir)[0], "2024-03-05 07:04:09:042: SysInfo: Startup - Ver. 2.65");

        for (int i = 1; i <= 200; ++i) {
            list.Add("line " + std::to_string(i));
            clock.Advance(1000);
        }
        ASSERT_EQ(list.Size(), 200u);
        EXPECT_EQ(list.Rows().front().text, "line 200");
        EXPECT_EQ(list.Rows().back().text, "line 1");
        EXPECT_EQ(list.Rows().back().time, "24-03-05  07:04:09");

        // The 201st: it goes on top, the oldest goes.
        list.Insert("line 201\r\nsecond part");
        EXPECT_TRUE(list.Overfull());
        EXPECT_TRUE(list.DropOverflow());
        EXPECT_FALSE(list.DropOverflow());
        ASSERT_EQ(list.Size(), 200u);
        EXPECT_EQ(list.Rows().front().text, "line 201\r\nsecond part");
        EXPECT_EQ(list.Rows().front().time, "24-03-05  07:07:29");
        EXPECT_EQ(list.Rows().back().text, "line 2");

        const auto lines = LogLines(dir);
        ASSERT_EQ(lines.size(), 202u); // start-up and all 201 lines, one log line each
        EXPECT_EQ(lines[0], "2024-03-05 07:07:29:042: SysInfo: line 201 second part");
        EXPECT_EQ(lines[201].substr(25), "SysInfo: Startup - Ver. 2.65");

        // Delete and Clear change the list only.
        EXPECT_TRUE(list.Delete(0));
        EXPECT_EQ(list.Rows().front().text, "line 200");
        EXPECT_FALSE(list.Delete(199)); // one past the end: nothing selected
        EXPECT_EQ(list.Size(), 199u);
        list.Clear();
        EXPECT_EQ(list.Size(), 0u);
        EXPECT_FALSE(list.Delete(0));
        EXPECT_EQ(LogLines(dir).size(), 202u);
    }
    const auto lines = LogLines(dir);
    ASSERT_EQ(lines.size(), 203u);
    EXPECT_EQ(lines[0].substr(25), "SysInfo: Shutdown");
}

TEST(SystemInfoListTest, TheTimeHasATwoDigitYearAndTwoBlanks) {
    EXPECT_EQ(CSystemInfoList::TimeText(SLocalTime{2009, 12, 31, 23, 5, 7, 999, 4}), "09-12-31  23:05:07");
}

} // namespace
