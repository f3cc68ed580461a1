#include "DateTime.h"

#include <gtest/gtest.h>

TEST(DateTime, DayCountFromThe1899Epoch) {
    EXPECT_DOUBLE_EQ(CDateTime::FromLocal(1899, 12, 30).Days(), 0.0);
    EXPECT_DOUBLE_EQ(CDateTime::FromLocal(1900, 1, 1).Days(), 2.0);
    EXPECT_DOUBLE_EQ(CDateTime::FromLocal(2024, 3, 17).Days(), 45368.0);
    EXPECT_DOUBLE_EQ(CDateTime::FromLocal(2024, 3, 17, 18, 0).Days(), 45368.75);
}

TEST(DateTime, LocalTimeRoundTripsToTheMillisecond) {
    const SLocalTime t{2024, 2, 29, 23, 59, 59, 999, 4};
    EXPECT_EQ(CDateTime::FromLocal(t).ToLocal(), t);
    const SLocalTime old{1970, 1, 1, 0, 0, 0, 1, 4};
    EXPECT_EQ(CDateTime::FromLocal(old).ToLocal(), old);
}

TEST(DateTime, NullIsNotTheZeroDate) {
    const CDateTime null;
    EXPECT_TRUE(null.IsNull());
    EXPECT_FALSE(CDateTime::FromDays(0.0).IsNull());
    EXPECT_FALSE(null == CDateTime::FromDays(0.0));
    EXPECT_TRUE(null < CDateTime::FromDays(0.0));
    EXPECT_EQ(null.Format("%Y"), "");
    EXPECT_TRUE(null.AddDays(3).IsNull());
}

TEST(DateTime, MinutesAreCountedFromRoundedSeconds) {
    const CDateTime start = CDateTime::FromLocal(2024, 6, 15, 10, 0, 0);
    EXPECT_EQ(start.AddMinutes(39).MinutesSince(start), 39);
    EXPECT_EQ(start.AddMinutes(40).MinutesSince(start), 40);
    // 39 minutes 59.6 seconds rounds up to 40 minutes.
    EXPECT_EQ(start.AddDays((39 * 60 + 59.6) / 86400.0).MinutesSince(start), 40);
    EXPECT_EQ(start.AddDays((39 * 60 + 59.4) / 86400.0).MinutesSince(start), 39);
}

TEST(DateTime, DateOnlyAndFormat) {
    const CDateTime t = CDateTime::FromLocal(2024, 6, 15, 10, 30, 5);
    EXPECT_EQ(t.DateOnly(), CDateTime::FromLocal(2024, 6, 15));
    EXPECT_EQ(t.Format("%m/%d/%Y %H:%M:%S"), "06/15/2024 10:30:05");
    EXPECT_EQ(t.ToLocal().DayOfWeek, 6); // a Saturday
}
