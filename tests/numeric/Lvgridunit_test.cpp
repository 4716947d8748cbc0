// The cells of the longitude-velocity diagram: the longitude axis, the columns' spans, the
// colour scale's range and the signal of a band of velocities, against cases worked by hand.
#include "numeric/Lvgridunit.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

// Files added one by one: per 0.1-degree cell of longitude the one nearest the plane is kept
// (the first of those equally near), every file is counted, and the first file gives the step.
TEST(LvGrid, EachCellKeepsTheFileNearestThePlane) {
    const auto file = [](double l, double b, double level) {
        TLvColumn column;
        column.Longitude = l;
        column.Latitude = b;
        column.Velocities = {-2.0, 0.0, 2.0, 4.0};
        column.Signal = {level, level, level, level};
        return column;
    };
    const struct {
        const char* what;
        std::vector<TLvColumn> added;
        std::vector<double> keptLevels; // in the order the cells were first filled
    } cases[] = {
        {"distinct longitudes all kept",
         {file(10, 0, 1), file(20, 0, 2), file(30, 0, 3)},
         {1, 2, 3}},
        {"nearer the plane replaces", {file(10, 1.5, 1), file(10, -0.5, 2), file(10, 1, 3)}, {2}},
        {"equally near: the first stays", {file(10, 1, 1), file(10, -1, 2)}, {1}},
        {"one cell: 10.02 and 9.98 round to 10.0", {file(10.02, 1, 1), file(9.98, 0, 2)}, {2}},
        {"neighbouring cells: 10.0 and 10.1", {file(10.0, 1, 1), file(10.1, 0, 2)}, {1, 2}},
        {"360 and -0.01 are the cell of 0",
         {file(0, 1, 1), file(360, 0.5, 2), file(-0.01, 0, 3)},
         {3}},
    };
    for (const auto& c : cases) {
        const TLvGrid grid(c.added);
        std::vector<double> levels;
        for (const TLvColumn& column : grid.Columns())
            levels.push_back(column.Signal.front());
        EXPECT_EQ(levels, c.keptLevels) << c.what;
        EXPECT_EQ(grid.Files(), static_cast<long>(c.added.size())) << c.what;
        EXPECT_EQ(grid.FirstChannelStep(), 2.0) << c.what << ": 6 km/s over 3 steps";
    }
    EXPECT_TRUE(TLvGrid().Empty());
}

TEST(LvGrid, LongitudesWrapWhereTheSurveyIsCompact) {
    const struct {
        std::vector<double> given, axis;
    } cases[] = {
        {{10, 80, 45}, {10, 80, 45}},     // first quadrant only
        {{280, 350}, {280, 350}},         // fourth quadrant only
        {{350, 10, 0}, {-10, 10, 0}},     // across the centre: 20 degrees, not 350
        {{80, 280, 10}, {80, -80, 10}},   // both quadrants: 160 degrees, not 270
        {{90, 180, 270}, {90, 180, 270}}, // the anticentre: 0..360 is the compact one
        {{-10, 370}, {-10, 10}},          // given outside 0..360
    };
    for (const auto& c : cases)
        EXPECT_EQ(LvAxisLongitudes(c.given), c.axis) << c.given.front();
}

TEST(LvGrid, ColumnsReachHalfWayToTheirNeighbours) {
    const struct {
        std::vector<double> longitudes;
        std::vector<std::pair<double, double>> spans;
    } cases[] = {
        {{10, 20, 40}, {{5, 15}, {15, 30}, {30, 50}}},
        {{40, 10, 20}, {{30, 50}, {5, 15}, {15, 30}}}, // in any order
        {{-10, 10, 10}, {{-20, 0}, {0, 20}, {0, 20}}}, // two latitudes at one longitude
        {{30}, {{29, 31}}},                            // alone: the width given
        {{30, 30}, {{29, 31}, {29, 31}}},
    };
    for (const auto& c : cases) {
        const std::vector<TLvSpan> spans = LvColumnSpans(c.longitudes, 2.0);
        ASSERT_EQ(spans.size(), c.spans.size());
        for (std::size_t i = 0; i < spans.size(); ++i) {
            EXPECT_DOUBLE_EQ(spans[i].Low, c.spans[i].first) << c.longitudes[i];
            EXPECT_DOUBLE_EQ(spans[i].High, c.spans[i].second) << c.longitudes[i];
        }
    }
}

TEST(LvGrid, ColourScaleFromPercentiles) {
    // 0, 1, ..., 100 over two columns, and a spike: the nearest ranks of 1 % and 99 % of the
    // 102 values (ranks 0.01 x 101 and 0.99 x 101, rounded) are the 2nd and the 101st, 1 and
    // 100; the spike does not stretch the scale.
    TLvColumn a, b;
    for (int i = 0; i <= 100; ++i)
        (i % 2 ? a : b).Signal.push_back(i);
    b.Signal.push_back(1e6);
    b.Signal.push_back(std::numeric_limits<double>::quiet_NaN());
    const auto range = LvSignalRange({a, b}, 0.01, 0.99);
    ASSERT_TRUE(range);
    EXPECT_EQ(range->first, 1.0);
    EXPECT_EQ(range->second, 100.0);
    TLvColumn flat;
    flat.Signal = {5, 5, 5};
    EXPECT_EQ(LvSignalRange({flat}, 0.01, 0.99), std::make_pair(4.0, 6.0));
    EXPECT_FALSE(LvSignalRange({TLvColumn()}, 0.01, 0.99));
}

TEST(LvGrid, BandSignalIsTheMeanOfItsChannelsOrTheNearest) {
    TLvColumn column;
    column.Velocities = {40, 30, 20, 10, 0}; // descending, as a frequency axis gives them
    column.Signal = {4, 3, 2, 1, 0};
    const struct {
        double from, to;
        std::optional<double> signal;
    } cases[] = {
        {15, 35, 2.5},          // channels 30 and 20
        {35, 15, 2.5},          // either order
        {21, 24, 2.0},          // between channels: the nearest, 20, within half a step
        {-4, -1, 0.0},          // beyond the last channel by less than half a step
        {-9, -6, std::nullopt}, // farther: outside the column
        {50, 60, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LvBandSignal(column, c.from, c.to), c.signal) << c.from << ".." << c.to;
}

} // namespace
