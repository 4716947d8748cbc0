#include "numeric/Lvgridunit.h"

#include <algorithm>
#include <cmath>

TLvGrid::TLvGrid(std::vector<TLvColumn> columns) {
    for (TLvColumn& column : columns)
        Add(std::move(column));
}

void TLvGrid::Add(TLvColumn column) {
    ++Count;
    const std::size_t n = column.Velocities.size();
    if (Count == 1 && n >= 2) {
        const auto [low, high] =
            std::minmax_element(column.Velocities.begin(), column.Velocities.end());
        FirstStep = (*high - *low) / static_cast<double>(n - 1);
    }
    const long cells = std::lround(360.0 / LvGridStep);
    double l = std::fmod(column.Longitude, 360.0);
    if (!(l >= 0.0))
        l = std::isnan(l) ? 0.0 : l + 360.0;
    const long cell = std::lround(l / LvGridStep) % cells;
    if (CellIndex.empty())
        CellIndex.assign(static_cast<std::size_t>(cells), 0);
    std::size_t& index = CellIndex[static_cast<std::size_t>(cell)];
    if (index == 0) {
        Kept.push_back(std::move(column));
        index = Kept.size();
    } else if (std::fabs(column.Latitude) < std::fabs(Kept[index - 1].Latitude)) {
        Kept[index - 1] = std::move(column);
    }
}

std::vector<double> LvAxisLongitudes(const std::vector<double>& longitudes) {
    std::vector<double> positive, centred;
    for (double l : longitudes) {
        double wrapped = std::fmod(l, 360.0);
        if (wrapped < 0.0)
            wrapped += 360.0;
        positive.push_back(wrapped);
        centred.push_back(wrapped > 180.0 ? wrapped - 360.0 : wrapped);
    }
    const auto span = [](const std::vector<double>& values) {
        if (values.empty())
            return 0.0;
        const auto [low, high] = std::minmax_element(values.begin(), values.end());
        return *high - *low;
    };
    return span(centred) < span(positive) ? centred : positive;
}

std::vector<TLvSpan> LvColumnSpans(const std::vector<double>& longitudes, double width) {
    std::vector<double> distinct = longitudes;
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    std::vector<TLvSpan> spans;
    spans.reserve(longitudes.size());
    for (double l : longitudes) {
        const std::size_t k = static_cast<std::size_t>(
            std::lower_bound(distinct.begin(), distinct.end(), l) - distinct.begin());
        const bool first = k == 0, last = k + 1 == distinct.size();
        if (first && last) {
            spans.push_back({l - width / 2.0, l + width / 2.0});
            continue;
        }
        const double below = first ? distinct[k + 1] - l : l - distinct[k - 1];
        const double above = last ? l - distinct[k - 1] : distinct[k + 1] - l;
        spans.push_back({l - below / 2.0, l + above / 2.0});
    }
    return spans;
}

std::optional<std::pair<double, double>> LvSignalRange(const std::vector<TLvColumn>& columns,
                                                       double low, double high) {
    std::vector<double> all;
    for (const TLvColumn& column : columns)
        for (double s : column.Signal)
            if (std::isfinite(s))
                all.push_back(s);
    if (all.empty())
        return std::nullopt;
    const auto rank = [&all](double fraction) {
        const std::size_t last = all.size() - 1;
        const auto k = std::min(last, static_cast<std::size_t>(std::lround(fraction * last)));
        std::nth_element(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(k), all.end());
        return all[k];
    };
    std::pair<double, double> range(rank(low), rank(high));
    if (!(range.first < range.second))
        range = {range.first - 1.0, range.first + 1.0};
    return range;
}

std::optional<double> LvBandSignal(const TLvColumn& column, double from, double to) {
    const double low = std::min(from, to), high = std::max(from, to);
    const std::size_t count = std::min(column.Velocities.size(), column.Signal.size());
    double sum = 0.0;
    int inside = 0;
    std::size_t nearest = count;
    double nearestDistance = 0.0, middle = (low + high) / 2.0;
    for (std::size_t i = 0; i < count; ++i) {
        const double v = column.Velocities[i];
        if (!std::isfinite(column.Signal[i]))
            continue;
        if (low <= v && v < high) {
            sum += column.Signal[i];
            ++inside;
        }
        const double distance = std::fabs(v - middle);
        if (nearest == count || distance < nearestDistance) {
            nearest = i;
            nearestDistance = distance;
        }
    }
    if (inside > 0)
        return sum / inside;
    if (nearest == count || count < 2)
        return std::nullopt;
    // The channels' step, from the whole column: the band lies between two channels or beyond
    // the last.
    const auto [vLow, vHigh] = std::minmax_element(
        column.Velocities.begin(), column.Velocities.begin() + static_cast<std::ptrdiff_t>(count));
    const double step = (*vHigh - *vLow) / static_cast<double>(count - 1);
    if (nearestDistance > step / 2.0)
        return std::nullopt;
    return column.Signal[nearest];
}
