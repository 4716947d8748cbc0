#include "data/Datetimeunit.h"

#include <gtest/gtest.h>

TEST(DateTime, DaysSince30December1899) {
    const struct {
        std::uint16_t year, month, day;
        double value;
    } cases[] = {{1899, 12, 30, 0},     {1900, 1, 1, 2},    {2000, 1, 1, 36526},
                 {2009, 12, 25, 40172}, {1, 1, 1, -693593}, {9999, 12, 31, 2958465}};
    for (const auto& c : cases) {
        double date = -1;
        ASSERT_TRUE(TryEncodeDate(c.year, c.month, c.day, date));
        EXPECT_EQ(date, c.value) << c.year << "-" << c.month << "-" << c.day;
        const TDateParts parts = DecodeDateTime(date);
        EXPECT_EQ(parts.Year, c.year);
        EXPECT_EQ(parts.Month, c.month);
        EXPECT_EQ(parts.Day, c.day);
    }
}

TEST(DateTime, CalendarRejectsImpossibleDates) {
    double date = 0;
    EXPECT_FALSE(TryEncodeDate(2010, 2, 30, date));
    EXPECT_FALSE(TryEncodeDate(2100, 2, 29, date)) << "2100 is not a leap year";
    EXPECT_TRUE(TryEncodeDate(2000, 2, 29, date));
    EXPECT_FALSE(TryEncodeDate(2010, 13, 1, date));
    EXPECT_FALSE(TryEncodeDate(2010, 0, 1, date));
    EXPECT_FALSE(TryEncodeDate(0, 1, 1, date));
    EXPECT_FALSE(TryEncodeDate(10000, 1, 1, date));
}

TEST(DateTime, TimeOfDay) {
    double time = 0;
    ASSERT_TRUE(TryEncodeTime(22, 15, 7, 0, time));
    EXPECT_DOUBLE_EQ(time, (22 * 3600 + 15 * 60 + 7) / 86400.0);
    EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, time));
    EXPECT_FALSE(TryEncodeTime(0, 60, 0, 0, time));
    EXPECT_FALSE(TryEncodeTime(0, 0, 60, 0, time));
    double date = 0;
    ASSERT_TRUE(TryEncodeDate(2012, 3, 1, date));
    ASSERT_TRUE(TryEncodeTime(12, 30, 36, 0, time));
    const TDateParts parts = DecodeDateTime(date + time);
    EXPECT_EQ(parts.Hour, 12);
    EXPECT_EQ(parts.Minute, 30);
    EXPECT_EQ(parts.Second, 36);
    EXPECT_EQ(parts.Millisecond, 0);
}
