#include "fits/Fitslvunit.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace {

constexpr double LoneColumnStep = 1.0; // degrees

using TFitsValue = decltype(TFitsCard::Value);

void AddCard(std::vector<TFitsCard>& cards, const std::string& key, TFitsValue value,
             const std::string& comment = {}) {
    cards.push_back(TFitsCard{key, std::move(value), comment});
}

// The column of each distinct longitude: the one nearest the plane, missing channels as NaN.
struct TLvGridColumns {
    std::vector<double> Longitudes; // distinct, ascending, on the diagram's axis
    std::vector<TLvColumn> Columns; // one per longitude
};

TLvGridColumns GridColumns(const std::vector<TLvColumn>& columns) {
    std::vector<double> axis;
    for (const TLvColumn& column : columns)
        axis.push_back(column.Longitude);
    axis = LvAxisLongitudes(axis);
    std::vector<std::size_t> order(columns.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        if (axis[a] != axis[b])
            return axis[a] < axis[b];
        return std::fabs(columns[a].Latitude) < std::fabs(columns[b].Latitude);
    });
    TLvGridColumns grid;
    for (std::size_t k : order) {
        if (!grid.Longitudes.empty() && grid.Longitudes.back() == axis[k])
            continue;
        TLvColumn column = columns[k];
        for (double& s : column.Signal)
            if (s == 0.0)
                s = std::numeric_limits<double>::quiet_NaN();
        grid.Longitudes.push_back(axis[k]);
        grid.Columns.push_back(std::move(column));
    }
    return grid;
}

} // namespace

TFitsImage LvFitsImage(const TLvGrid& lvGrid) {
    const std::vector<TLvColumn>& columns = lvGrid.Columns();
    if (columns.empty() || !(lvGrid.FirstChannelStep() > 0.0))
        throw std::invalid_argument("the longitude-velocity diagram has no column to write");
    const TLvGridColumns grid = GridColumns(columns);
    const std::vector<double>& l = grid.Longitudes;
    double lStep = LoneColumnStep;
    for (std::size_t k = 1; k < l.size(); ++k)
        lStep = k == 1 ? l[1] - l[0] : std::min(lStep, l[k] - l[k - 1]);
    const double lSpan = l.back() - l.front();
    lStep = std::max(lStep, lSpan / static_cast<double>(LvFitsMaxSide - 1));
    const long nl = static_cast<long>(std::lround(lSpan / lStep)) + 1;

    double vLow = std::numeric_limits<double>::infinity(), vHigh = -vLow;
    for (const TLvColumn& column : grid.Columns)
        for (double v : column.Velocities) {
            vLow = std::min(vLow, v);
            vHigh = std::max(vHigh, v);
        }
    double vStep = lvGrid.FirstChannelStep();
    vStep = std::max(vStep, (vHigh - vLow) / static_cast<double>(LvFitsMaxSide - 1));
    const long nv = static_cast<long>(std::floor((vHigh - vLow) / vStep + 1e-9)) + 1;

    TFitsImage image;
    image.Axes = {nl, nv};
    image.Data.reserve(static_cast<std::size_t>(nl * nv));
    for (long i = 0; i < nv; ++i) {
        const double v = vLow + vStep * static_cast<double>(i);
        for (long j = 0; j < nl; ++j) {
            const double lon = l.back() - lStep * static_cast<double>(j);
            // The nearest longitude's column: each column spans half-way to its neighbours.
            const auto above = std::lower_bound(l.begin(), l.end(), lon);
            std::size_t k = static_cast<std::size_t>(above - l.begin());
            if (k == l.size() || (k > 0 && lon - l[k - 1] <= l[k] - lon))
                k = k == 0 ? 0 : k - 1;
            const std::optional<double> signal =
                LvBandSignal(grid.Columns[k], v - vStep / 2.0, v + vStep / 2.0);
            image.Data.push_back(signal ? *signal : std::numeric_limits<double>::quiet_NaN());
        }
    }
    auto& c = image.Cards;
    AddCard(c, "BUNIT", std::string("count"), "receiver output, baseline subtracted");
    AddCard(c, "CTYPE1", std::string("GLON"), "galactic longitude");
    AddCard(c, "CUNIT1", std::string("deg"));
    AddCard(c, "CRPIX1", 1.0);
    AddCard(c, "CRVAL1", l.back());
    AddCard(c, "CDELT1", -lStep);
    AddCard(c, "CTYPE2", std::string("VOPT"), "velocity relative to the LSR");
    AddCard(c, "CUNIT2", std::string("m/s"));
    AddCard(c, "CRPIX2", 1.0);
    AddCard(c, "CRVAL2", vLow * 1000.0);
    AddCard(c, "CDELT2", vStep * 1000.0);
    AddCard(c, "SPECSYS", std::string("LSRK"), "frame of the velocity axis");
    for (const TFitsCard& card : FitsCommonCards())
        c.push_back(card);
    AddCard(c, "OBJECT", std::string("longitude-velocity diagram"));
    AddCard(c, "NCOLUMNS", static_cast<long long>(lvGrid.Files()), "files drawn");
    c.push_back(TFitsCard{"COMMENT",
                          std::string("Each file near the Galactic plane is a column; NaN "
                                      "where no file or no channel with a signal falls."),
                          {}});
    return image;
}
