#include "plot/Graphunit.h"

#include "data/Spectrumunit.h"
#include "numeric/Numbertextunit.h"

#include <QBuffer>
#include <QImageWriter>
#include <algorithm>

TRect GraphPlotRect(int width, int height) {
    return TRect(80, 40, width - 10, height - 100);
}

void SetUpGraphPlot(TDrawingSurface& plot) {
    plot.SetBackgroundColor(GraphBackground);
    plot.SetPlotAreaColor(GraphAreaColor);
    plot.Pen.setColor(Qt::black);
    plot.SetPlotRect(GraphPlotRect(plot.Width(), plot.Height()));
}

namespace {

// The label of each grid value (absolute values on the x axis of mode; mode < 0 for the signal
// axis), formed once for the width pass and the drawing pass; and the width of the widest.
std::vector<std::string> GridLabels(const std::vector<double>& grid, int mode,
                                    const TDrawingSurface& plot, int& maxWidth) {
    std::vector<std::string> labels;
    labels.reserve(grid.size());
    maxWidth = 0;
    for (double value : grid) {
        labels.push_back(ValueToText(mode < 0 ? value : ToAbsolute(value, mode)));
        maxWidth = std::max(maxWidth, plot.TextWidth(labels.back()));
    }
    return labels;
}

} // namespace

TColor ComponentColor(std::size_t index) {
    // Okabe and Ito (2008), "Color Universal Design", in 0x00BBGGRR: vermillion, bluish green,
    // orange, reddish purple, sky blue, brown, dark yellow, grey violet.
    static const TColor colors[] = {0x005ED5, 0x739E00, 0x009FE6, 0xA779CC,
                                    0xE9B456, 0x1F4F8C, 0x00B4C8, 0x9C6B7A};
    return colors[index % (sizeof colors / sizeof colors[0])];
}

namespace {

// The polyline of x against y on the mapping, clipped to the plot rectangle.
void DrawCurveLine(TDrawingSurface& plot, const TGraphMapping& map, const std::vector<double>& x,
                   const std::vector<double>& y) {
    const std::size_t n = std::min(x.size(), y.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int px = map.XToPixel(x[i]);
        const int py = map.YToPixel(y[i]);
        if (i == 0)
            plot.MoveTo(px, py);
        else
            plot.LineTo(px, py);
    }
}

// The overlays' names in the plot's top-right corner, each after a short line of its colour.
void DrawLegend(TDrawingSurface& plot, const TRect& r, const std::vector<TGraphOverlay>& overlays) {
    int widest = 0;
    for (const TGraphOverlay& overlay : overlays)
        widest = std::max(widest, plot.TextWidth(overlay.Legend));
    constexpr int sample = 18, gap = 4, margin = 6;
    const int textX = r.Right - margin - widest;
    int y = r.Top + margin;
    for (const TGraphOverlay& overlay : overlays) {
        const int height = plot.TextHeight(overlay.Legend);
        plot.Pen.setColor(ColorToQColor(overlay.Color));
        for (int dy = 0; dy < 2; ++dy) {
            plot.MoveTo(textX - gap - sample, y + height / 2 + dy);
            plot.LineTo(textX - gap, y + height / 2 + dy);
        }
        plot.TextOutAngle(overlay.Legend, textX, y, 0);
        y += height;
    }
}

} // namespace

bool DrawGraph(TDrawingSurface& plot, const TGraphInputs& in, TGraphLimits& limits,
               std::string& title) {
    if (!in.X || !in.Signal)
        return false;
    std::vector<TSignalOnAxis> overlaid;
    for (const TGraphOverlay& overlay : in.Overlays)
        overlaid.push_back({overlay.X, overlay.Signal});
    static const TGraphView whole;
    const TGraphView& view = in.View ? *in.View : whole;
    if (!GetViewLimits(*in.X, *in.Signal, overlaid, view, limits))
        return false;
    const TGraphMapping map{limits, plot.PlotRect()};
    const TRect& r = map.Rect;
    plot.Clear();
    plot.Pen.setColor(ColorToQColor(GraphGridColor));

    int maxWidth = 0;
    // A zoomed axis starts at an edge that need not be a multiple of its step.
    const std::vector<double> xGrid =
        GridValues(view.XZoomed() ? FirstGridValue(limits.XMin, limits.XStep) : limits.XMin,
                   limits.XMax, limits.XStep);
    const std::vector<std::string> xLabels = GridLabels(xGrid, in.Mode, plot, maxWidth);
    for (std::size_t i = 0; i < xGrid.size(); ++i) {
        const int px = map.XToPixel(xGrid[i]);
        plot.MoveTo(px, r.Top);
        plot.LineTo(px, r.Bottom);
        plot.TextOutAngle(xLabels[i], px - plot.TextHeight(xLabels[i]) / 2, r.Bottom + maxWidth + 5,
                          90);
    }
    const std::vector<double> yGrid =
        GridValues(view.YZoomed() ? FirstGridValue(limits.YMin, limits.YStep) : limits.YMin,
                   limits.YMax, limits.YStep);
    const std::vector<std::string> yLabels = GridLabels(yGrid, -1, plot, maxWidth);
    for (std::size_t i = 0; i < yGrid.size(); ++i) {
        const int py = map.YToPixel(yGrid[i]);
        plot.MoveTo(r.Left, py);
        plot.LineTo(r.Right, py);
        plot.TextOutAngle(yLabels[i], r.Left - maxWidth - 5, py - plot.TextHeight(yLabels[i]) / 2,
                          0);
    }

    for (const TGraphOverlay& overlay : in.Overlays) {
        if (!overlay.X || !overlay.Signal)
            continue;
        plot.Pen.setColor(ColorToQColor(overlay.Color));
        DrawCurveLine(plot, map, *overlay.X, *overlay.Signal);
    }
    plot.Pen.setColor(ColorToQColor(GraphCurveColor));
    DrawCurveLine(plot, map, *in.X, *in.Signal);
    for (const TGraphOverlay& curve : in.Curves) {
        if (!curve.X || !curve.Signal)
            continue;
        plot.Pen.setColor(ColorToQColor(curve.Color));
        DrawCurveLine(plot, map, *curve.X, *curve.Signal);
    }
    if (!in.Overlays.empty())
        DrawLegend(plot, r, in.Overlays);
    plot.SaveImage();

    const int width = plot.Width();
    plot.TextOutAngle(in.FileName, (width - plot.TextWidth(in.FileName)) / 2, 5, 0);
    title = GraphTitleFor(in.Mode, in.Corrected);
    const std::string line = in.Smoothing.empty() ? title : title + ", smoothed: " + in.Smoothing;
    plot.TextOutAngle(line, (width - plot.TextWidth(line)) / 2, 20, 0);
    plot.Show();
    return true;
}

void DrawBaselineCurve(TDrawingSurface& plot, const TGraphMapping& map,
                       const std::vector<double>& coefficients) {
    plot.RestoreImage();
    plot.Pen.setColor(ColorToQColor(GraphFittedColor));
    for (int px = map.Rect.Left; px <= map.Rect.Right; ++px) {
        const int py = map.YToPixel(EvaluatePolynomial(coefficients, map.PixelToX(px)));
        if (px == map.Rect.Left)
            plot.MoveTo(px, py);
        else
            plot.LineTo(px, py);
    }
    plot.Show();
}

void DrawGraphMarks(TDrawingSurface& plot, const TGraphMapping& map,
                    const std::vector<TGraphMark>& marks) {
    plot.Pen.setColor(ColorToQColor(GraphMarkColor));
    const int lo = std::min(map.Rect.Left, map.Rect.Right);
    const int hi = std::max(map.Rect.Left, map.Rect.Right);
    int row = 0;
    for (const TGraphMark& mark : marks) {
        const int px = map.XToPixel(mark.X);
        if (px < lo || px > hi)
            continue;
        plot.MoveTo(px, map.Rect.Top);
        plot.LineTo(px, map.Rect.Bottom);
        const int width = plot.TextWidth(mark.Label);
        // The label beside its line, on the side with room for it.
        const int x = px + 3 + width <= hi ? px + 3 : px - 3 - width;
        plot.TextOutAngle(mark.Label, x, map.Rect.Top + 3 + row * plot.TextHeight(mark.Label), 0.0);
        ++row;
    }
    plot.Pen.setColor(Qt::black);
    plot.Show();
}

QByteArray PngBytes(const QImage& image, int level) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "PNG");
    // Qt's PNG writer takes a ratio from 0 to 100 and gives zlib the level ratio * 9 / 91 (the
    // sizes of BM_GraphPngLevel differ at every level from 1 to 9).
    writer.setCompression(level < 0 ? -1 : (std::min(level, 9) * 91 + 8) / 9);
    if (!writer.write(image))
        return QByteArray();
    return buffer.data();
}
