#include "plot/Rotationplotunit.h"

#include "data/Spectrumunit.h"
#include "numeric/Numbertextunit.h"
#include "plot/Graphunit.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

constexpr int MaxSteps = 10;

std::string Caption(double r0, double v0) {
    return "R0 = " + ValueToText(r0) + " kpc, V0 = " + ValueToText(v0) + " km/s";
}

void Grid(TDrawingSurface& plot, const TGraphMapping& map) {
    const TRect& r = map.Rect;
    const TGraphLimits& l = map.Limits;
    plot.Pen.setColor(ColorToQColor(GraphGridColor));
    for (double x : GridValues(l.XMin, l.XMax, l.XStep)) {
        const int px = map.XToPixel(x);
        plot.MoveTo(px, r.Top);
        plot.LineTo(px, r.Bottom);
        const std::string label = ValueToText(x);
        plot.TextOutAngle(label, px - plot.TextWidth(label) / 2, r.Bottom + 5, 0);
    }
    for (double y : GridValues(l.YMin, l.YMax, l.YStep)) {
        const int py = map.YToPixel(y);
        plot.MoveTo(r.Left, py);
        plot.LineTo(r.Right, py);
        const std::string label = ValueToText(y);
        plot.TextOutAngle(label, r.Left - plot.TextWidth(label) - 5,
                          py - plot.TextHeight(label) / 2, 0);
    }
}

void AxisTitles(TDrawingSurface& plot, const TRect& r) {
    const std::string x = "R (kpc)", y = "V (km/s)";
    plot.TextOutAngle(x, (r.Left + r.Right - plot.TextWidth(x)) / 2,
                      r.Bottom + 10 + plot.TextHeight(x), 0);
    // Turned upright, the text runs upwards from its reference point.
    plot.TextOutAngle(y, 10, (r.Top + r.Bottom + plot.TextWidth(y)) / 2, 90);
}

void ReferenceLine(TDrawingSurface& plot, const TGraphMapping& map, double v0) {
    const int py = map.YToPixel(v0);
    plot.Pen.setColor(ColorToQColor(GraphFittedColor));
    plot.Pen.setStyle(Qt::DashLine);
    plot.MoveTo(map.Rect.Left, py);
    plot.LineTo(map.Rect.Right, py);
    plot.Pen.setStyle(Qt::SolidLine);
    // Named below the line at its right end: terminal velocities err high, so points seldom
    // lie there.
    const std::string label = "V0";
    plot.TextOutAngle(label, map.Rect.Right - plot.TextWidth(label) - 5, py + 3, 0);
}

// Each point a filled square of horizontal lines, centred on its pixel, with its error bar: a
// vertical line from V - 1 sigma to V + 1 sigma capped by short horizontal ones; LineTo clips a
// point at the plot's edge as it clips the spectrum.
void Points(TDrawingSurface& plot, const TGraphMapping& map,
            const std::vector<TTangentPoint>& points) {
    plot.Pen.setColor(ColorToQColor(GraphCurveColor));
    const int half = RotationPointSize / 2;
    for (const TTangentPoint& point : points) {
        const int px = map.XToPixel(point.R);
        const int py = map.YToPixel(point.V);
        if (point.VUncertainty > 0.0 && std::isfinite(point.VUncertainty)) {
            const int top = map.YToPixel(point.V + point.VUncertainty);
            const int bottom = map.YToPixel(point.V - point.VUncertainty);
            plot.MoveTo(px, top);
            plot.LineTo(px, bottom);
            for (const int end : {top, bottom}) {
                plot.MoveTo(px - half, end);
                plot.LineTo(px + half, end);
            }
        }
        for (int dy = -half; dy <= half; ++dy) {
            plot.MoveTo(px - half, py + dy);
            plot.LineTo(px + half, py + dy);
        }
    }
}

} // namespace

void RoundOutToSteps(double low, double high, int maxSteps, double& min, double& max,
                     double& step) {
    const double span = std::max(high - low, 1e-9);
    double decade = std::pow(10.0, std::floor(std::log10(span / maxSteps)));
    for (;;) {
        for (double factor : {1.0, 2.0, 5.0}) {
            step = factor * decade;
            min = std::floor(low / step) * step;
            max = std::ceil(high / step) * step;
            if ((max - min) / step <= maxSteps + 1e-9)
                return;
        }
        decade *= 10.0;
    }
}

TRect RotationPlotRect() {
    return TRect(80, 60, RotationPlotWidth - 20, RotationPlotHeight - 60);
}

TGraphLimits RotationLimits(const std::vector<TTangentPoint>& points, double r0, double v0) {
    double rHigh = r0, vLow = 0.0, vHigh = v0;
    for (const TTangentPoint& p : points) {
        if (!std::isfinite(p.R) || !std::isfinite(p.V))
            continue;
        rHigh = std::max(rHigh, p.R);
        vLow = std::min(vLow, p.V);
        vHigh = std::max(vHigh, p.V);
    }
    TGraphLimits limits;
    limits.Divisions = MaxSteps;
    RoundOutToSteps(0.0, rHigh, MaxSteps, limits.XMin, limits.XMax, limits.XStep);
    RoundOutToSteps(vLow, vHigh + 0.1 * (vHigh - vLow), MaxSteps, limits.YMin, limits.YMax,
                    limits.YStep);
    return limits;
}

TGraphMapping DrawRotationCurve(TDrawingSurface& plot, const std::vector<TTangentPoint>& points,
                                double r0, double v0) {
    plot.SetBackgroundColor(GraphBackground);
    plot.SetPlotAreaColor(GraphAreaColor);
    plot.SetPlotRect(RotationPlotRect());
    const TGraphMapping map{RotationLimits(points, r0, v0), plot.PlotRect()};
    Grid(plot, map);
    AxisTitles(plot, map.Rect);
    ReferenceLine(plot, map, v0);
    Points(plot, map, points);

    const int width = plot.Width();
    const std::string title = "Rotation curve from terminal velocities";
    const std::string caption = Caption(r0, v0);
    plot.TextOutAngle(title, (width - plot.TextWidth(title)) / 2, 10, 0);
    plot.TextOutAngle(caption, (width - plot.TextWidth(caption)) / 2, 30, 0);
    plot.Show();
    return map;
}
