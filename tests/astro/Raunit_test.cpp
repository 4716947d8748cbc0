#include "astro/Raunit.h"

#include <gtest/gtest.h>

namespace {

struct TExpectedRa {
    int hours, minutes, seconds;
    double value; // degrees
    const char* text;
};

void ExpectRa(const TRightAscension& ra, const TExpectedRa& e, const std::string& what) {
    EXPECT_EQ(ra.Hours, e.hours) << what;
    EXPECT_EQ(ra.Minutes, e.minutes) << what;
    EXPECT_EQ(ra.Seconds, e.seconds) << what;
    EXPECT_EQ(ra.GetHours(), e.hours) << what;
    EXPECT_EQ(ra.GetMinutes(), e.minutes) << what;
    EXPECT_EQ(ra.GetSeconds(), e.seconds) << what;
    EXPECT_NEAR(ra.GetValue(), e.value, 1e-9) << what;
    EXPECT_EQ(ra.ToText(), e.text) << what;
    EXPECT_FALSE(ra.FromValue) << what;
}

} // namespace

TEST(TRightAscension, DefaultIsZeroHours) {
    ExpectRa(TRightAscension(), {0, 0, 0, 0.0, "0 hrs 0' 0\""}, "default");
}

// Decimal hours: whole hours and minutes, the seconds rounded half up and carried when they
// reach 60, and 24 h carried to 0 h (a position is never shown as 24 hrs); Value keeps hours x 15
// unquantised.
TEST(TRightAscension, FromDecimalHours) {
    const struct {
        double hours;
        TExpectedRa expected;
    } cases[] = {
        {12.5, {12, 30, 0, 187.5, "12 hrs 30' 0\""}},
        {1.999999, {2, 0, 0, 29.999985, "2 hrs 0' 0\""}},
        {23.9999999, {0, 0, 0, 359.9999985, "0 hrs 0' 0\""}},
        {19 + 59 / 60.0 + 28 / 3600.0, {19, 59, 28, 299.866666666667, "19 hrs 59' 28\""}},
        {(10 * 60 + 29.6) / 3600.0, {0, 10, 30, (10 * 60 + 29.6) / 240.0, "0 hrs 10' 30\""}},
        {(10 * 60 + 29.4) / 3600.0, {0, 10, 29, (10 * 60 + 29.4) / 240.0, "0 hrs 10' 29\""}},
        {-1.0, {23, 0, 0, 345.0, "23 hrs 0' 0\""}},
        {25.0, {1, 0, 0, 15.0, "1 hrs 0' 0\""}},
        {24.0, {0, 0, 0, 360.0, "0 hrs 0' 0\""}},
    };
    for (const auto& c : cases)
        ExpectRa(TRightAscension(c.hours), c.expected, std::to_string(c.hours));
}

TEST(TRightAscension, FromTexts) {
    const struct {
        const char *h, *m, *s;
        TExpectedRa expected;
    } cases[] = {
        {"19", "59", "28", {19, 59, 28, 299.86666666666667, "19 hrs 59' 28\""}},
        {"24", "0", "0", {24, 0, 0, 360.0, "24 hrs 0' 0\""}},
        {"25", "0", "0", {1, 0, 0, 15.0, "1 hrs 0' 0\""}},
        {"48", "0", "0", {24, 0, 0, 360.0, "24 hrs 0' 0\""}}, // whole turns come down to 360
        {"23", "59", "60", {24, 0, 0, 360.0, "24 hrs 0' 0\""}},
        {"0", "0", "90", {0, 1, 30, 0.375, "0 hrs 1' 30\""}},
        {"x", "", "5", {0, 0, 5, 5 / 240.0, "0 hrs 0' 5\""}},
        {"-1", "0", "0", {15, 0, 0, 225.0, "15 hrs 0' 0\""}}, // 65535 h = 2730 x 24 h + 15 h
    };
    for (const auto& c : cases)
        ExpectRa(TRightAscension(c.h, c.m, c.s), c.expected,
                 std::string("\"") + c.h + "\" \"" + c.m + "\" \"" + c.s + "\"");
}

TEST(TRightAscension, NormalizeKeeps360) {
    const struct {
        double in, out;
    } cases[] = {{360.0, 360.0}, {720.0, 360.0},  {725.0, 5.0},   {-10.0, 350.0},
                 {-360.0, 0.0},  {-725.0, 355.0}, {187.5, 187.5}, {0.0, 0.0}};
    for (const auto& c : cases) {
        TRightAscension ra;
        ra.Value = c.in;
        ra.Normalize();
        EXPECT_DOUBLE_EQ(ra.Value, c.out) << c.in;
    }
}

TEST(TRightAscension, GettersTruncateTheValueWhileFromValueIsSet) {
    TRightAscension ra("1", "2", "3");
    ra.FromValue = true;
    ra.Value = 187.5;
    EXPECT_EQ(ra.GetHours(), 12);
    EXPECT_EQ(ra.GetMinutes(), 30);
    EXPECT_EQ(ra.GetSeconds(), 0);
    ra.Value = 15.0 * (3 + 7 / 60.0 + 30.75 / 3600.0);
    EXPECT_EQ(ra.GetHours(), 3);
    EXPECT_EQ(ra.GetMinutes(), 7);
    EXPECT_EQ(ra.GetSeconds(), 30);
    ra.FromValue = false;
    EXPECT_EQ(ra.GetHours(), 1);
    EXPECT_EQ(ra.GetMinutes(), 2);
    EXPECT_EQ(ra.GetSeconds(), 3);
}
