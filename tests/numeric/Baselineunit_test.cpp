#include "numeric/Baselineunit.h"

#include <cmath>
#include <gtest/gtest.h>

TEST(EvaluatePolynomial, LowestPowerFirst) {
    const struct {
        std::vector<double> c;
        double x, value;
    } cases[] = {{{}, 3.0, 0.0},
                 {{2.0}, 1e9, 2.0},
                 {{1.0, -2.0, 0.5}, 4.0, 1.0 - 8.0 + 8.0},
                 {{0.0, 0.0, 0.0, 1.0}, -2.0, -8.0}};
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(EvaluatePolynomial(c.c, c.x), c.value);
}

TEST(SamplesOutsideBand, EdgesCountAsInsideAndZerosAreMissing) {
    // Pixel column = 10 x: samples at columns 0, 10, ..., 90.
    const std::vector<double> x = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    const std::vector<double> y = {5, 6, 0, 8, 9, 10, 11, 12, 13, 14};
    const auto toPixel = [](double v) { return static_cast<int>(v * 10); };
    for (const auto& band : {std::pair{30, 60}, std::pair{60, 30}}) {
        const TBaselineSamples s = SamplesOutsideBand(x, y, toPixel, band.first, band.second);
        // 3..6 lie in the band (30 and 60 are its edges), 2 is missing.
        EXPECT_EQ(s.X, (std::vector<double>{0, 1, 7, 8, 9}));
        EXPECT_EQ(s.Y, (std::vector<double>{5, 6, 12, 13, 14}));
    }
}

TEST(SamplesOutsideBand, OnlyTheCommonLength) {
    const auto toPixel = [](double v) { return static_cast<int>(v); };
    const TBaselineSamples s = SamplesOutsideBand({100, 200, 300}, {1.0}, toPixel, 0, 10);
    EXPECT_EQ(s.X, std::vector<double>{100});
    EXPECT_TRUE(SamplesOutsideBand({}, {1.0, 2.0}, toPixel, 0, 10).X.empty());
}

TEST(SubtractPolynomial, SkipsMissingSamplesAndExtraEntries) {
    std::vector<double> signal = {10.0, 0.0, 30.0, 40.0};
    SubtractPolynomial(signal, {1.0, 2.0, 3.0}, {1.0, 2.0}); // 1 + 2x
    EXPECT_EQ(signal, (std::vector<double>{7.0, 0.0, 23.0, 40.0}));
    SubtractPolynomial(signal, {1.0, 2.0, 3.0}, {});
    EXPECT_EQ(signal, (std::vector<double>{7.0, 0.0, 23.0, 40.0})) << "no terms, no change";
}

TEST(ReadSpinText, IntegersAndEverythingElse) {
    const struct {
        const char* text;
        int value;
        bool integer;
    } cases[] = {{"4", 4, true},
                 {"12", 12, true},
                 {" 7 ", 7, true},
                 {"-3", -3, true},
                 {"+2", 2, true},
                 {"", 0, false},
                 {"x", 0, false},
                 {"1x", 0, false},
                 {"-", 0, false},
                 {"2.5", 0, false},
                 {"1 2", 0, false},
                 {"2147483647", 2147483647, true},
                 {"2147483648", 0, false},
                 {"-2147483648", -2147483647 - 1, true},
                 {"99999999999999999999", 0, false}};
    for (const auto& c : cases) {
        const TSpinText t = ReadSpinText(c.text);
        EXPECT_EQ(t.Value, c.value) << '"' << c.text << '"';
        EXPECT_EQ(t.IsInteger, c.integer) << '"' << c.text << '"';
    }
}

TEST(CoefficientLines, SignColumnAndFailure) {
    // A positive value gets a blank where a negative one has its sign; zero gets neither.
    EXPECT_EQ(
        CoefficientLines({2.0, -3.5, 0.0, 123456789012345678.0}, 0.5),
        (std::vector<std::string>{"a0 =  2", "a1 = -3.5", "a2 = 0", "a3 =  1.23456789012346e+17"}));
    EXPECT_EQ(CoefficientLines({1.0}, -1.0),
              std::vector<std::string>{"Error calculating polynomial"});
    EXPECT_EQ(CoefficientLines({1.0}, 0.0),
              std::vector<std::string>{"Error calculating polynomial"});
    EXPECT_TRUE(CoefficientLines({}, 1.0).empty());
}

TEST(TSubtractionHistory, UndoesOneStepAtATime) {
    TSubtractionHistory history;
    std::vector<double> signal = {1.0, 2.0};
    EXPECT_FALSE(history.Undo(signal));
    EXPECT_FALSE(history.Corrected());
    history.Push(signal);
    signal = {0.5, 1.5};
    history.Push(signal);
    signal = {0.0, 1.0};
    EXPECT_TRUE(history.Undo(signal));
    EXPECT_EQ(signal, (std::vector<double>{0.5, 1.5}));
    EXPECT_TRUE(history.Corrected());
    EXPECT_TRUE(history.Undo(signal));
    EXPECT_EQ(signal, (std::vector<double>{1.0, 2.0}));
    EXPECT_FALSE(history.CanUndo());
    history.Push(signal);
    history.Clear();
    EXPECT_FALSE(history.Undo(signal));
}
