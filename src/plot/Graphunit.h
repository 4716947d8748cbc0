// Graphunit: the spectrum graph as the main window draws it, on any drawing surface: the plot
// canvas (the window, and PNG pictures of its exact pixels) or TVectorPlot (SVG drawings).
// Every picture of a spectrum comes from this one drawing.
#pragma once

#include "data/Spectrumunit.h"
#include "numeric/Baselineunit.h"
#include "numeric/Graphmapunit.h"
#include "numeric/Limitsunit.h"
#include "numeric/Zoomunit.h"
#include "plot/Surfaceunit.h"

#include <QByteArray>
#include <QImage>
#include <string>
#include <vector>

// The graph's layout and colours in the main window.
constexpr int GraphWidth = 640; // the plot panel, pixels
constexpr int GraphHeight = 600;
constexpr int GraphDivisions = 20; // at most this many tick steps across an axis
constexpr TColor GraphBackground = clInfoBk;
constexpr TColor GraphAreaColor = 0xFFFFFF;
constexpr TColor GraphGridColor = 0x808080;
constexpr TColor GraphCurveColor = 0xFF0000;    // blue (0x00BBGGRR)
constexpr TColor GraphFittedColor = 0x0000FF;   // red
constexpr TColor GraphMarkColor = 0x008000;     // dark green: the measured line's marks
constexpr TColor GraphSumColor = 0x8B008B;      // dark magenta: the Gaussian components' sum
constexpr TColor GraphResidualColor = 0x404040; // dark grey: the signal less the components

// The colour of the Gaussian component of index (0 first), one of eight that differ from the
// graph's own colours and from one another (Okabe and Ito's palette, as the overlays'), taken
// again from the first after the eighth.
TColor ComponentColor(std::size_t index);

// The plot rectangle inside a surface of width x height: room for the tick labels on the left and
// below, the file name and the title above.
TRect GraphPlotRect(int width, int height);

// Gives a surface the graph's colours, pen and plot rectangle (and clears it).
void SetUpGraphPlot(TDrawingSurface& plot);

// Another spectrum drawn over the graph in its own colour, named in the legend.
struct TGraphOverlay {
    const std::vector<double>* X = nullptr; // on the axis shown
    const std::vector<double>* Signal = nullptr;
    TColor Color = 0;
    std::string Legend;
};

// What a graph shows.
struct TGraphInputs {
    const std::vector<double>* X = nullptr;      // the axis of the display mode
    const std::vector<double>* Signal = nullptr; // one value per x
    int Mode = ModeFrequency;
    bool Corrected = false; // a baseline has been subtracted: the title says so
    std::string FileName;   // the first line above the plot
    // The part shown (the whole spectrum when none) and the spectra drawn over it.
    const TGraphView* View = nullptr;
    std::vector<TGraphOverlay> Overlays;
    // What smoothed the signal ("Hanning"); the title names it. "" for none.
    std::string Smoothing;
    // Curves drawn over the signal, each in its colour (the Gaussian components, their sum, the
    // residual): kept with the image, not counted in the limits, without a legend.
    std::vector<TGraphOverlay> Curves;
};

// The spectrum graph: the plot cleared; vertical and horizontal grid lines with their labels
// (x labels turned upright below the plot, signal labels to the left); the curve in blue; the
// image kept (SaveImage, for the fitted curve to be drawn over later); then the file name and
// the title centred above the plot, and Show. Returns false, drawing nothing, when the limits
// cannot be found; otherwise sets limits and title. With a view, the limits are those of the part
// shown (GetViewLimits); overlays are drawn under the blue curve, each in its colour, with a
// legend in the plot's top-right corner, all kept with the image; the curves over the blue one.
// title is GraphTitleFor's (what a saved file's description is, as kelvane-batch writes it: its
// own line names the smoothing); the title line drawn adds ", smoothed: " and the smoothing.
bool DrawGraph(TDrawingSurface& plot, const TGraphInputs& in, TGraphLimits& limits,
               std::string& title);

// The fitted baseline over the graph as kept by DrawGraph (without the file name and title): the
// polynomial in red, evaluated at every pixel column of the plot rectangle, edges included;
// then Show.
void DrawBaselineCurve(TDrawingSurface& plot, const TGraphMapping& map,
                       const std::vector<double>& coefficients);

// A velocity marked on the graph with its label.
struct TGraphMark {
    double X = 0.0;    // on the axis shown
    std::string Label; // e.g. "peak", "vt +52.1"
};

// Thin vertical lines across the plot rectangle at each mark's x (marks outside the axis's
// limits are left out), each labelled at the top of the plot, the labels one under the other so
// that close marks stay readable; then Show. Drawn over the graph as it stands: the next
// drawing of the graph or of a fitted curve takes them away.
void DrawGraphMarks(TDrawingSurface& plot, const TGraphMapping& map,
                    const std::vector<TGraphMark>& marks);

// The zlib compression level of the PNG files (0 fastest, largest; 9 smallest, slowest).
// Measured on the graphs of the sample spectra (640 x 600, BM_GraphPngLevel: processor time per
// file, median of two runs of five on a loaded machine; mean size):
//   level     0     1     2     3     4     5     6 (Qt's default)  7     8     9
//   ms      6.7   8.4   8.1   9.5   9.9   9.7  11.7               12.6  16.1  26.7
//   kB     1155  20.9  20.7  20.2  15.9  15.7  15.5               15.4  15.1  14.3
// Most of the time is libpng choosing each row's filter, whatever the level (level 0 stores
// the pixels uncompressed and still takes 6.7 ms). Level 5 is the knee: within 2 % of the
// default's size for 10 to 17 % less time, where levels 1 to 3 save a little more time for a
// third more bytes, and 8 and 9 take 1.4 to 2.3 times the default's time for 2 to 8 % fewer.
constexpr int PngCompression = 5;

// An image as the bytes of a PNG file, compressed at level (0 to 9; -1: the toolkit's default).
QByteArray PngBytes(const QImage& image, int level = PngCompression);
