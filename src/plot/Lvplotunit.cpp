#include "plot/Lvplotunit.h"

#include "astro/Rotationunit.h"
#include "data/Spectrumunit.h"
#include "numeric/Numbertextunit.h"
#include "plot/Graphunit.h"
#include "plot/Rotationplotunit.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>

namespace {

constexpr int MaxSteps = 10;
constexpr int ScaleSteps = 6;
constexpr int BarGap = 14, BarWidth = 16; // the colour bar, right of the plot, pixels
constexpr int TickLength = 5;
constexpr int MarkSize = 7; // side of a terminal velocity's square, pixels

// Longitude on the axis: 0..360, or -180..180 for a survey around the centre.
double AxisLongitude(double longitude, bool centred) {
    double l = std::fmod(longitude, 360.0);
    if (l < 0.0)
        l += 360.0;
    return centred && l > 180.0 ? l - 360.0 : l;
}

// A longitude's label is the sky's: 350, never -10.
std::string LongitudeText(double axisLongitude) {
    double l = std::fmod(axisLongitude, 360.0);
    if (l < 0.0)
        l += 360.0;
    return ValueToText(std::fabs(l - 360.0) < 1e-9 ? 0.0 : l);
}

// The interior of the plot rectangle, inside its one-pixel outline.
QRect Interior(const TRect& r) {
    return QRect(QPoint(r.Left + 1, r.Top + 1), QPoint(r.Right - 2, r.Bottom - 2));
}

// The column's colours down the rows of the image of the plot's interior (its top-left pixel at
// origin); rows outside the column's channels stay transparent.
void Column(QImage& cells, const QPoint& origin, const TLvMapping& m, const TLvColumn& column,
            const TLvSpan& span, double low, double high) {
    const int left = std::max(0, m.Map.XToPixel(-span.High) - origin.x());
    const int right = std::min(cells.width(), m.Map.XToPixel(-span.Low) - origin.x());
    if (left >= right)
        return;
    for (int row = 0; row < cells.height(); ++row) {
        const int py = origin.y() + row;
        const std::optional<double> signal =
            LvBandSignal(column, m.Map.PixelToY(py + 1), m.Map.PixelToY(py));
        if (!signal)
            continue;
        const QRgb colour = LvColour((*signal - low) / (high - low)).rgb();
        QRgb* line = reinterpret_cast<QRgb*>(cells.scanLine(row));
        std::fill(line + left, line + right, colour);
    }
}

void Ticks(TDrawingSurface& plot, const TLvMapping& m) {
    const TRect& r = m.Map.Rect;
    const TGraphLimits& l = m.Map.Limits;
    plot.Pen.setColor(Qt::black);
    // x holds minus the longitude: the ticks are those of the longitudes' range.
    double first = 0.0, last = 0.0, step = 0.0;
    RoundOutToSteps(-l.XMax, -l.XMin, MaxSteps, first, last, step);
    for (double lon : GridValues(first, last, step)) {
        const int px = m.Map.XToPixel(-lon);
        if (lon < -l.XMax - 1e-9 || lon > -l.XMin + 1e-9)
            continue;
        plot.MoveTo(px, r.Bottom);
        plot.LineTo(px, r.Bottom - TickLength);
        const std::string label = LongitudeText(lon);
        plot.TextOutAngle(label, px - plot.TextWidth(label) / 2, r.Bottom + 5, 0);
    }
    for (double v : GridValues(l.YMin, l.YMax, l.YStep)) {
        const int py = m.Map.YToPixel(v);
        plot.MoveTo(r.Left, py);
        plot.LineTo(r.Left + TickLength, py);
        const std::string label = ValueToText(v);
        plot.TextOutAngle(label, r.Left - plot.TextWidth(label) - 5,
                          py - plot.TextHeight(label) / 2, 0);
    }
    const std::string x = "l (deg)", y = "V - VLSR (km/s)";
    plot.TextOutAngle(x, (r.Left + r.Right - plot.TextWidth(x)) / 2,
                      r.Bottom + 10 + plot.TextHeight(x), 0);
    // Turned upright, the text runs upwards from its reference point.
    plot.TextOutAngle(y, 10, (r.Top + r.Bottom + plot.TextWidth(y)) / 2, 90);
}

// The bar's colours in the picture of the surface, rows from the scale's top (high) to its
// bottom (low).
void BarColours(QImage& picture, const TRect& r) {
    const int left = r.Right + BarGap, right = left + BarWidth;
    const int height = r.Height() - 1;
    for (int row = 0; row < r.Height(); ++row) {
        const QRgb colour = LvColour(static_cast<double>(height - row) / height).rgb();
        QRgb* line = reinterpret_cast<QRgb*>(picture.scanLine(r.Top + row));
        std::fill(line + left, line + right, colour);
    }
}

// The bar's black outline, with the round signals of the scale beside it.
void ColourBar(TDrawingSurface& plot, const TRect& r, double low, double high) {
    const int left = r.Right + BarGap, right = left + BarWidth;
    const int height = r.Height() - 1;
    for (const TRect& side :
         {TRect(left - 1, r.Top - 1, right + 1, r.Top),
          TRect(left - 1, r.Bottom, right + 1, r.Bottom + 1),
          TRect(left - 1, r.Top, left, r.Bottom), TRect(right, r.Top, right + 1, r.Bottom)})
        plot.FillRect(side, Qt::black);
    double first = 0.0, last = 0.0, step = 0.0;
    RoundOutToSteps(low, high, ScaleSteps, first, last, step);
    for (double s : GridValues(first, last, step)) {
        if (s < low || s > high)
            continue;
        const int py =
            r.Bottom - 1 - static_cast<int>(std::lround((s - low) / (high - low) * height));
        plot.FillRect(TRect(right, py, right + 4, py + 1), Qt::black);
        const std::string label = ValueToText(s);
        plot.TextOutAngle(label, right + 6, py - plot.TextHeight(label) / 2, 0);
    }
    const std::string title = "Signal";
    plot.TextOutAngle(title, plot.Width() - 10 - plot.TextHeight(title),
                      (r.Top + r.Bottom + plot.TextWidth(title)) / 2, 90);
}

// The flat curve's terminal velocity across the plot, pixel column by pixel column; the line
// breaks where it jumps from the first quadrant's +V0 to the fourth's -V0 at l = 0.
void ModelCurve(TDrawingSurface& plot, const TLvMapping& m, double v0) {
    plot.Pen.setColor(ColorToQColor(LvModelColor));
    plot.Pen.setWidth(2);
    const TRect& r = m.Map.Rect;
    TTangentQuadrant before = TTangentQuadrant::None;
    for (int px = r.Left; px <= r.Right; ++px) {
        const double l = -m.Map.PixelToX(px);
        const TTangentQuadrant quadrant = TangentQuadrant(l);
        const int py = m.VelocityToPixel(FlatTerminalVelocity(l, v0));
        const bool jump =
            (before == TTangentQuadrant::First && quadrant == TTangentQuadrant::Fourth) ||
            (before == TTangentQuadrant::Fourth && quadrant == TTangentQuadrant::First);
        if (px == r.Left || jump)
            plot.MoveTo(px, py);
        else
            plot.LineTo(px, py);
        before = quadrant;
    }
    plot.Pen.setWidth(1);
}

// White squares with a black edge stand out on every colour of the map.
void TerminalMarks(TDrawingSurface& plot, const TLvMapping& m,
                   const std::vector<TLvColumn>& columns) {
    const int half = MarkSize / 2;
    for (const TLvColumn& column : columns) {
        if (!column.TerminalVelocity || !std::isfinite(*column.TerminalVelocity))
            continue;
        const int px = m.LongitudeToPixel(column.Longitude);
        const int py = m.VelocityToPixel(*column.TerminalVelocity);
        const double sigma = column.TerminalUncertainty.value_or(0.0);
        if (sigma > 0.0 && std::isfinite(sigma)) {
            const int top = m.VelocityToPixel(*column.TerminalVelocity + sigma);
            const int bottom = m.VelocityToPixel(*column.TerminalVelocity - sigma);
            for (const auto& [colour, width] : {std::pair(Qt::black, 3), std::pair(Qt::white, 1)}) {
                plot.Pen.setColor(colour);
                plot.Pen.setWidth(width);
                plot.MoveTo(px, top);
                plot.LineTo(px, bottom);
                for (const int end : {top, bottom}) {
                    plot.MoveTo(px - half, end);
                    plot.LineTo(px + half, end);
                }
            }
            plot.Pen.setWidth(1);
        }
        if (!plot.InPlotRect(px, py))
            continue;
        plot.FillRect(TRect(px - half - 1, py - half - 1, px + half + 2, py + half + 2), Qt::black);
        plot.FillRect(TRect(px - half, py - half, px + half + 1, py + half + 1), Qt::white);
    }
}

} // namespace

TRect LvPlotRect() {
    return TRect(80, 60, LvPlotWidth - 110, LvPlotHeight - 60);
}

QColor LvColour(double fraction) {
    // viridis at 0, 0.1, ..., 1.
    static const QRgb samples[] = {0x440154, 0x482475, 0x414487, 0x355f8d, 0x2a788e, 0x21918c,
                                   0x22a884, 0x44bf70, 0x7ad151, 0xbddf26, 0xfde725};
    constexpr int last = static_cast<int>(std::size(samples)) - 1;
    const double f = std::isnan(fraction) ? 0.0 : std::clamp(fraction, 0.0, 1.0) * last;
    const int k = std::min(static_cast<int>(f), last - 1);
    const double t = f - k;
    const QColor a(samples[k]), b(samples[k + 1]);
    const auto mix = [t](int p, int q) { return static_cast<int>(std::lround(p + t * (q - p))); };
    return QColor(mix(a.red(), b.red()), mix(a.green(), b.green()), mix(a.blue(), b.blue()));
}

int TLvMapping::LongitudeToPixel(double longitude) const {
    return Map.XToPixel(-AxisLongitude(longitude, Centred));
}

TLvMapping DrawLvDiagram(TDrawingSurface& plot, const TLvGrid& grid, double v0) {
    const std::vector<TLvColumn>& columns = grid.Columns();
    plot.SetBackgroundColor(GraphBackground);
    plot.SetPlotAreaColor(GraphAreaColor);
    plot.SetPlotRect(LvPlotRect());

    std::vector<double> longitudes;
    double vLow = HUGE_VAL, vHigh = -HUGE_VAL;
    for (const TLvColumn& column : columns) {
        longitudes.push_back(column.Longitude);
        for (double v : column.Velocities)
            if (std::isfinite(v)) {
                vLow = std::min(vLow, v);
                vHigh = std::max(vHigh, v);
            }
    }
    if (!(vLow < vHigh)) {
        vLow = -v0;
        vHigh = v0;
    }
    const std::vector<double> axis = LvAxisLongitudes(longitudes);
    const std::vector<TLvSpan> spans = LvColumnSpans(axis, LvLoneColumnWidth);
    TLvMapping m;
    m.Centred = std::any_of(axis.begin(), axis.end(), [](double l) { return l < 0.0; });
    m.Map.Rect = plot.PlotRect();
    m.Map.Limits.Divisions = MaxSteps;
    m.Map.Limits.XMin = -std::max_element(spans.begin(), spans.end(), [](auto& a, auto& b) {
                             return a.High < b.High;
                         })->High;
    m.Map.Limits.XMax = -std::min_element(spans.begin(), spans.end(), [](auto& a, auto& b) {
                             return a.Low < b.Low;
                         })->Low;
    RoundOutToSteps(vLow, vHigh, MaxSteps, m.Map.Limits.YMin, m.Map.Limits.YMax,
                    m.Map.Limits.YStep);

    const auto range = LvSignalRange(columns, LvLowPercentile, LvHighPercentile);
    const double low = range ? range->first : 0.0, high = range ? range->second : 1.0;
    // Where files share a longitude, the one nearest the plane is drawn last, on top.
    std::vector<std::size_t> order(columns.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&columns](std::size_t a, std::size_t b) {
        return std::fabs(columns[a].Latitude) > std::fabs(columns[b].Latitude);
    });
    const QRect inside = Interior(m.Map.Rect);
    QImage cells(inside.size(), QImage::Format_ARGB32);
    cells.fill(Qt::transparent);
    for (std::size_t k : order)
        Column(cells, inside.topLeft(), m, columns[k], spans[k], low, high);
    // The cells and the colour bar as one picture, transparent elsewhere.
    QImage picture(plot.Width(), plot.Height(), QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    {
        QPainter painter(&picture);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(inside.topLeft(), cells);
    }
    BarColours(picture, m.Map.Rect);
    plot.DrawImage(TRect(0, 0, plot.Width(), plot.Height()), picture);

    Ticks(plot, m);
    ColourBar(plot, m.Map.Rect, low, high);
    ModelCurve(plot, m, v0);
    TerminalMarks(plot, m, columns);

    const int width = plot.Width();
    const std::string title = "Longitude-velocity diagram of the Galactic plane";
    const std::string caption =
        ValueToText(static_cast<double>(grid.Files())) + (grid.Files() == 1 ? " file" : " files") +
        "; squares: terminal velocities; line: flat curve, V0 = " + ValueToText(v0) + " km/s";
    plot.TextOutAngle(title, (width - plot.TextWidth(title)) / 2, 10, 0);
    plot.TextOutAngle(caption, (width - plot.TextWidth(caption)) / 2, 30, 0);
    plot.Show();
    return m;
}
