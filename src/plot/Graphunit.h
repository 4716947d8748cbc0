// Graphunit: the spectrum graph as the main window draws it, on any surface that offers the
// plot panel's operations: TPlot (the window, and PNG pictures of its exact pixels) or
// TVectorPlot (SVG drawings). Every picture of a spectrum comes from this one drawing.
//
// A surface needs: PlotRect(), width(), Clear(), Pen (a QPen), MoveTo, LineTo (clipped to the
// plot rectangle), TextOutAngle, TextWidth, TextHeight, SaveImage, RestoreImage and Show, with
// the meanings TPlot gives them.
#pragma once

#include "data/Spectrumunit.h"
#include "numeric/Baselineunit.h"
#include "numeric/Graphmapunit.h"
#include "numeric/Limitsunit.h"
#include "plot/Plotunit.h"

#include <QByteArray>
#include <QImage>
#include <algorithm>
#include <string>
#include <vector>

// The graph's layout and colours in the main window.
constexpr int GraphWidth = 640; // the plot panel, pixels
constexpr int GraphHeight = 600;
constexpr int GraphDivisions = 20; // at most this many tick steps across an axis
constexpr TColor GraphBackground = clInfoBk;
constexpr TColor GraphAreaColor = 0xFFFFFF;
constexpr TColor GraphGridColor = 0x808080;
constexpr TColor GraphCurveColor = 0xFF0000;  // blue (0x00BBGGRR)
constexpr TColor GraphFittedColor = 0x0000FF; // red

// The plot rectangle inside a panel of width x height: room for the tick labels on the left and
// below, the file name and the title above.
TRect GraphPlotRect(int width, int height);

// Gives a plot panel the graph's colours, pen and plot rectangle (and clears it).
void SetUpGraphPlot(TPlot& plot);

// What a graph shows.
struct TGraphInputs {
    const std::vector<double>* X = nullptr;      // the axis of the display mode
    const std::vector<double>* Signal = nullptr; // one value per x
    int Mode = ModeFrequency;
    bool Corrected = false; // a baseline has been subtracted: the title says so
    std::string FileName;   // the first line above the plot
};

// Limits and tick steps of both axes (limits.Divisions is the input). False, with limits
// unchanged, when x is empty or x and signal differ in length.
bool GraphLimitsOf(const std::vector<double>& x, const std::vector<double>& signal,
                   TGraphLimits& limits);

// The tick label of a value (ValueToText). Labels repeat from one drawing to the next (the same
// mode, the same limits), and forming the text costs more than looking it up.
const std::string& GraphLabelText(double value);

// The label of each grid value (absolute values on the x axis of mode; mode < 0 for the signal
// axis), formed once for the width pass and the drawing pass; and the width of the widest.
template <class TSurface>
std::vector<std::string> GraphGridLabels(const std::vector<double>& grid, int mode,
                                         const TSurface& plot, int& maxWidth) {
    std::vector<std::string> labels;
    labels.reserve(grid.size());
    maxWidth = 0;
    for (double value : grid) {
        labels.push_back(GraphLabelText(mode < 0 ? value : ToAbsolute(value, mode)));
        maxWidth = std::max(maxWidth, plot.TextWidth(labels.back()));
    }
    return labels;
}

// The spectrum graph: the plot cleared; vertical and horizontal grid lines with their labels
// (x labels turned upright below the plot, signal labels to the left); the curve in blue; the
// image kept (SaveImage, for the fitted curve to be drawn over later); then the file name and
// the title centred above the plot, and Show. Returns false, drawing nothing, when the limits
// cannot be found; otherwise sets limits and title.
template <class TSurface>
bool DrawGraph(TSurface& plot, const TGraphInputs& in, TGraphLimits& limits, std::string& title) {
    if (!in.X || !in.Signal || !GraphLimitsOf(*in.X, *in.Signal, limits))
        return false;
    const TGraphMapping map{limits, plot.PlotRect()};
    const TRect& r = map.Rect;
    plot.Clear();
    plot.Pen.setColor(ColorToQColor(GraphGridColor));

    int maxWidth = 0;
    const std::vector<double> xGrid = GridValues(limits.XMin, limits.XMax, limits.XStep);
    const std::vector<std::string> xLabels = GraphGridLabels(xGrid, in.Mode, plot, maxWidth);
    for (std::size_t i = 0; i < xGrid.size(); ++i) {
        const int px = map.XToPixel(xGrid[i]);
        plot.MoveTo(px, r.Top);
        plot.LineTo(px, r.Bottom);
        plot.TextOutAngle(xLabels[i], px - plot.TextHeight(xLabels[i]) / 2, r.Bottom + maxWidth + 5,
                          90);
    }
    const std::vector<double> yGrid = GridValues(limits.YMin, limits.YMax, limits.YStep);
    const std::vector<std::string> yLabels = GraphGridLabels(yGrid, -1, plot, maxWidth);
    for (std::size_t i = 0; i < yGrid.size(); ++i) {
        const int py = map.YToPixel(yGrid[i]);
        plot.MoveTo(r.Left, py);
        plot.LineTo(r.Right, py);
        plot.TextOutAngle(yLabels[i], r.Left - maxWidth - 5, py - plot.TextHeight(yLabels[i]) / 2,
                          0);
    }

    plot.Pen.setColor(ColorToQColor(GraphCurveColor));
    const std::vector<double>& x = *in.X;
    const std::vector<double>& y = *in.Signal;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const int px = map.XToPixel(x[i]);
        const int py = map.YToPixel(y[i]);
        if (i == 0)
            plot.MoveTo(px, py);
        else
            plot.LineTo(px, py);
    }
    plot.SaveImage();

    const int width = plot.width();
    plot.TextOutAngle(in.FileName, (width - plot.TextWidth(in.FileName)) / 2, 5, 0);
    title = GraphTitleFor(in.Mode, in.Corrected);
    plot.TextOutAngle(title, (width - plot.TextWidth(title)) / 2, 20, 0);
    plot.Show();
    return true;
}

// The fitted baseline over the graph as kept by DrawGraph (without the file name and title): the
// polynomial in red, evaluated at every pixel column of the plot rectangle, edges included;
// then Show.
template <class TSurface>
void DrawBaselineCurve(TSurface& plot, const TGraphMapping& map,
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

// An image as the bytes of a PNG file.
QByteArray PngBytes(const QImage& image);
