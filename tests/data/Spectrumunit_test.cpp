#include "data/Spectrumunit.h"

#include <cmath>
#include <gtest/gtest.h>

TEST(ChannelOffsets, SixSignificantDigits) {
    const struct {
        int index;
        double value;
    } cases[] = {{0, -1000000.0}, {1, -995002.0},  {180, -100002.0}, {181, -95001.8},
                 {199, -5001.77}, {200, -1.77},    {201, 4998.23},   {203, 14998.2},
                 {220, 99998.2},  {221, 104998.0}, {399, 994998.0}};
    for (const auto& c : cases)
        EXPECT_EQ(ChannelOffsets[c.index], c.value) << "channel " << c.index;
}

TEST(AxisTables, WavelengthAndVelocityOfEveryChannel) {
    ASSERT_EQ(WavelengthOffsets.size(), 400u);
    ASSERT_EQ(Velocities.size(), 400u);
    for (int i = 0; i < ChannelCount; ++i) {
        const double lambda = 299792458.0 / (1420405751.0 + ChannelOffsets[i]);
        EXPECT_DOUBLE_EQ(WavelengthOffsets[i], lambda - 0.2110611);
        EXPECT_NEAR(Velocities[i], (lambda - 0.2110611) / 0.2110611 * 299792.458, 1e-9);
    }
    EXPECT_NEAR(Velocities[0], 211.27, 0.005);
    EXPECT_NEAR(Velocities[200], 0.058, 0.0005);
    EXPECT_NEAR(Velocities[399], -209.80, 0.005);
    for (int i = 1; i < ChannelCount; ++i)
        EXPECT_LT(Velocities[i], Velocities[i - 1]) << "velocity falls as frequency rises";
}

TEST(ToAbsolute, AddsTheRestValueOfTheMode) {
    EXPECT_NEAR(ToAbsolute(-1.77, ModeFrequency), 1420405749.23, 1e-6);
    EXPECT_DOUBLE_EQ(ToAbsolute(0.0001, ModeWavelength), 0.2111611);
    EXPECT_EQ(ToAbsolute(5.0, ModeVelocity), 5.0);
    EXPECT_EQ(ToAbsolute(5.0, ModeVelocityMinusVlsr), 5.0);
}

TEST(GraphTitleFor, ModeWordCorrectionAndSignal) {
    // Two blanks stand before the "v" after a subtraction: " (corrected) " and " v Signal".
    const struct {
        int mode;
        bool corrected;
        const char* title;
    } cases[] = {{ModeFrequency, false, "Frequency v Signal"},
                 {ModeWavelength, false, "Wavelength v Signal"},
                 {ModeVelocity, true, "Velocity (corrected)  v Signal"},
                 {ModeVelocityMinusVlsr, false, "Velocity - VLSR v Signal"},
                 {ModeVelocityMinusVlsr, true, "Velocity - VLSR (corrected)  v Signal"}};
    for (const auto& c : cases)
        EXPECT_EQ(GraphTitleFor(c.mode, c.corrected), c.title);
}
