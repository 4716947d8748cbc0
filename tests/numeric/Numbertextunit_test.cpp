#include "numeric/Numbertextunit.h"

#include <gtest/gtest.h>

namespace {

TEST(ValueToText, RoundsForDisplay) {
    const struct {
        double value;
        const char* text;
    } cases[] = {{1234.5, "1235"},
                 {-1234.5, "-1234"},
                 {0.123456789, "0.12346"},
                 {99.999999, "100"},
                 {100.4, "100"},
                 {1420405751.0, "1420405751"},
                 {0.2110611, "0.21106"},
                 {-0.000001, "0"},
                 {-12.345678, "-12.34568"},
                 {0.0, "0"},
                 {211.27, "211"},
                 {1e15, "1e+15"}};
    for (const auto& c : cases)
        EXPECT_EQ(ValueToText(c.value), c.text) << c.value;
}

} // namespace
