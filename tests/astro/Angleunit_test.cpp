#include "astro/Angleunit.h"

#include <climits>
#include <gtest/gtest.h>

namespace {

const std::string Deg = "\xC2\xB0";

std::string Dms(const std::string& sign, int d, int m, int s) {
    return sign + std::to_string(d) + Deg + " " + std::to_string(m) + "' " + std::to_string(s) +
           "\"";
}

struct TExpected {
    int degrees, minutes, seconds;
    double value;
};

void ExpectAngle(const TAngle& a, const TExpected& e, const std::string& what) {
    EXPECT_EQ(a.Degrees, e.degrees) << what;
    EXPECT_EQ(a.Minutes, e.minutes) << what;
    EXPECT_EQ(a.Seconds, e.seconds) << what;
    EXPECT_NEAR(a.Value, e.value, 1e-9) << what;
    EXPECT_FALSE(a.FromValue) << what;
}

} // namespace

TEST(TextToIntDef, AcceptsOnlyAPlainDecimalInteger) {
    const struct {
        const char* text;
        int expected;
    } cases[] = {{"12", 12},
                 {"  12", 12},
                 {"\t3", 3},
                 {"-7", -7},
                 {"+7", 7},
                 {"007", 7},
                 {"2147483647", INT_MAX},
                 {"-2147483648", INT_MIN},
                 {"", -1},
                 {"   ", -1},
                 {"-", -1},
                 {"12 ", -1},
                 {"1.5", -1},
                 {"1e3", -1},
                 {"abc", -1},
                 {"0x10", -1},
                 {"- 5", -1},
                 {"2147483648", -1},
                 {"-2147483649", -1},
                 {"99999999999999999999", -1}};
    for (const auto& c : cases)
        EXPECT_EQ(TextToIntDef(c.text, -1), c.expected) << '"' << c.text << '"';
}

// Whole parts: seconds and minutes carry upwards, negative degrees give the 0..360 form while
// the fields keep the typed minutes and seconds.
TEST(TAngle, FromWholeParts) {
    const struct {
        int d, m, s;
        TExpected expected;
    } cases[] = {
        {40, 44, 2, {40, 44, 2, 40 + 44 / 60.0 + 2 / 3600.0}},
        {-2, 16, 0, {358, 16, 0, 357.73333333333335}},
        {-2, 17, 41, {358, 17, 41, 358 - 17 / 60.0 - 41 / 3600.0}},
        {-30, 0, 0, {330, 0, 0, 330.0}},
        {0, 75, 70, {1, 16, 10, 1 + 16 / 60.0 + 10 / 3600.0}},
        {400, 0, 0, {40, 0, 0, 40.0}},
        {-1, 60, 0, {0, 0, 0, 0.0}}, // the carry makes the degrees non-negative
        {0, 0, 65535, {18, 12, 15, 18 + 12 / 60.0 + 15 / 3600.0}}, // 65535" = 18 deg 12' 15"
        {32767, 60, 0, {352, 0, 0, 352.0}}, // 32767 + 1 wraps to -32768 = 352 - 91 x 360
    };
    for (const auto& c : cases) {
        const TAngle a(static_cast<std::int16_t>(c.d), static_cast<std::uint16_t>(c.m),
                       static_cast<std::uint16_t>(c.s));
        ExpectAngle(a, c.expected,
                    std::to_string(c.d) + " " + std::to_string(c.m) + " " + std::to_string(c.s));
    }
}

TEST(TAngle, SetDmsReplacesEverything) {
    TAngle a(10, 20, 30);
    a.SetDms(-5, 30, 0);
    ExpectAngle(a, {355, 30, 0, 354.5}, "SetDms");
}

TEST(TAngle, FromTexts) {
    const struct {
        const char *d, *m, *s;
        TExpected expected;
    } cases[] = {
        {"54", "16", "0", {54, 16, 0, 54 + 16 / 60.0}},
        {"-0", "30", "0", {359, 30, 0, 359.5}}, // the sign comes from the text
        {"abc", "10", "", {0, 10, 0, 10 / 60.0}},
        {"-abc", "30", "", {359, 30, 0, 359.5}},
        {"5x", "30", "0", {0, 30, 0, 0.5}},
        {"+5", "0", "0", {5, 0, 0, 5.0}},
        {"  -10", "20", "0", {349, 40, 0, 349 + 40 / 60.0}},
        {"-2", "16", "0", {357, 44, 0, 360 - (2 + 16 / 60.0)}},
        {"-2", "17", "41", {357, 42, 19, 360 - (2 + 17 / 60.0 + 41 / 3600.0)}},
        {"400", "0", "0", {40, 0, 0, 40.0}},
        {"-400", "0", "0", {320, 0, 0, 320.0}},
        {"0", "-1", "0", {12, 15, 0, 12.25}}, // 65535' = 1092 deg 15', and 1092 = 3 x 360 + 12
        {"", "5", "5", {0, 0, 0, 0.0}},
        {"   ", "5", "5", {0, 0, 0, 0.0}},
    };
    for (const auto& c : cases)
        ExpectAngle(TAngle(c.d, c.m, c.s), c.expected,
                    std::string("\"") + c.d + "\" \"" + c.m + "\" \"" + c.s + "\"");
}

// Decimal degrees are cut to whole seconds by truncation, and Value follows the cut parts.
TEST(TAngle, FromDecimalDegreesTruncates) {
    const struct {
        double x;
        TExpected expected;
    } cases[] = {
        {359.99999, {359, 59, 59, 359 + 59 / 60.0 + 59 / 3600.0}},
        {-10.5, {349, 30, 0, 349.5}},
        {54.2666666666, {54, 15, 59, 54 + 15 / 60.0 + 59 / 3600.0}},
        {720.25, {0, 15, 0, 0.25}},
        {-370.0, {350, 0, 0, 350.0}},
        {180.0001, {180, 0, 0, 180.0}},
        {0.0, {0, 0, 0, 0.0}},
    };
    for (const auto& c : cases)
        ExpectAngle(TAngle(c.x), c.expected, std::to_string(c.x));
}

TEST(TAngle, NormalizeKeepsValueInOneTurn) {
    const struct {
        double in, out;
    } cases[] = {{360.0, 0.0}, {725.0, 5.0}, {-5.0, 355.0}, {-725.0, 355.0}, {359.5, 359.5}};
    for (const auto& c : cases) {
        TAngle a;
        a.Value = c.in;
        a.Normalize();
        EXPECT_DOUBLE_EQ(a.Value, c.out) << c.in;
    }
}

// Negation takes the parts from the negated value, rounded to the nearest whole second.
TEST(TAngle, NegateRoundsThePartsOfTheValue) {
    const struct {
        double value;
        TExpected expected;
    } cases[] = {
        {10.0, {350, 0, 0, 350.0}},
        {0.0, {0, 0, 0, 0.0}},
        {350.0, {10, 0, 0, 10.0}},
        {1.0000000001, {359, 0, 0, 358.9999999999}}, // a hair below 359 deg
        {1e-9, {0, 0, 0, 360.0 - 1e-9}},             // rounds up to a whole turn
        {2.0 + 16 / 60.0 + 0.6 / 3600, {357, 43, 59, 360.0 - (2.0 + 16 / 60.0 + 0.6 / 3600)}},
    };
    for (const auto& c : cases) {
        TAngle a(123, 4, 5);
        a.Value = c.value;
        a.Negate();
        ExpectAngle(a, c.expected, std::to_string(c.value));
    }
}

TEST(TAngle, GettersFollowValueOnlyWhileFromValueIsSet) {
    TAngle a(1, 2, 3);
    a.Value = 12.5;
    EXPECT_EQ(a.GetDegrees(), 1);
    EXPECT_EQ(a.GetMinutes(), 2);
    EXPECT_EQ(a.GetSeconds(), 3);
    a.FromValue = true;
    EXPECT_EQ(a.GetDegrees(), 12);
    EXPECT_EQ(a.GetMinutes(), 30);
    EXPECT_EQ(a.GetSeconds(), 0);
    a.Value = 20.0 + 10 / 60.0 + 59.7 / 3600.0;
    EXPECT_EQ(a.GetDegrees(), 20);
    EXPECT_EQ(a.GetMinutes(), 11);
    EXPECT_EQ(a.GetSeconds(), 0);
}

TEST(TAngle, Texts) {
    const struct {
        TAngle angle;
        std::string signedText, unsignedText;
    } cases[] = {
        {TAngle(40, 44, 2), Dms("", 40, 44, 2), Dms("", 40, 44, 2)},
        {TAngle(-2, 16, 0), Dms("-", 2, 16, 0), Dms("", 358, 16, 0)},
        {TAngle(-2, 17, 41), Dms("-", 2, 17, 41), Dms("", 358, 17, 41)},
        {TAngle(-30, 0, 0), Dms("-", 30, 0, 0), Dms("", 330, 0, 0)},
        {TAngle(-10, 20, 0), Dms("-", 10, 20, 0), Dms("", 350, 20, 0)},
        {TAngle(54, 16, 0), Dms("", 54, 16, 0), Dms("", 54, 16, 0)},
        {TAngle("-0", "30", "0"), Dms("-", 0, 30, 0), Dms("", 359, 30, 0)},
        {TAngle("-2", "16", "0"), Dms("-", 2, 16, 0), Dms("", 357, 44, 0)},
        {TAngle(180, 0, 0), Dms("", 180, 0, 0), Dms("", 180, 0, 0)},
        {TAngle(180, 0, 1), Dms("-", 179, 59, 59), Dms("", 180, 0, 1)},
        {TAngle(359.99999), Dms("-", 0, 0, 1), Dms("", 359, 59, 59)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.angle.ToText(true), c.signedText) << c.angle.Value;
        EXPECT_EQ(c.angle.ToText(false), c.unsignedText) << c.angle.Value;
    }
}

TEST(TAngle, SignedTextOfAValueJustAbove180IsNegative) {
    TAngle a(180.0);
    a.Value = 180.0001;
    EXPECT_EQ(a.ToText(true).substr(0, 1), "-");
    EXPECT_EQ(a.ToText(false), Dms("", 180, 0, 0));
}

TEST(SignedParts, TurnValuesAbove180Negative) {
    const struct {
        double v;
        int degrees, minutes, seconds;
    } cases[] = {
        {357.7333333, -2, 16, 0},
        {TAngle(-2, 16, 0).Value, -2, 16, 0},
        {TAngle(-10, 20, 0).Value, -10, 20, 0},
        {360.0 - (2 + 17 / 60.0 + 41 / 3600.0), -2, 17, 41},
        {359.5, 0, 30, 0}, // between -1 and 0 deg the sign is lost
        {180.5, -179, 30, 0},
        {180.0, 180, 0, 0},
        {54.25, 54, 15, 0},
        {0.0, 0, 0, 0},
        {359.9999999, 0, 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SignedDegrees(c.v), c.degrees) << c.v;
        EXPECT_EQ(SignedMinutes(c.v), c.minutes) << c.v;
        EXPECT_EQ(SignedSeconds(c.v), c.seconds) << c.v;
    }
}
