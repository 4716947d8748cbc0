#include "data/Spectrumunit.h"

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
