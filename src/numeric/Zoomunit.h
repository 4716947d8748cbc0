// Zoomunit: the part of the spectrum that the graph shows, and the rules by which the wheel, a
// drag and the View menu change it. Plain values and functions: the window only passes on the
// pointer's pixel and the limits of the graph as drawn.
//
// The whole view is today's graph: limits and tick steps from all the data (GetGraphLimits).
// A zoomed axis shows exactly the range chosen (its edges are not rounded, so that the value
// under the pointer stays under it while zooming); its tick step is chosen from the range's
// width as GetGraphLimits chooses it, and the grid starts at the first multiple of the step
// inside the range.
#pragma once

#include "numeric/Limitsunit.h"

#include <Qt>
#include <vector>

// One axis's range shown, Lo < Hi, in the data's units.
struct TAxisView {
    double Lo = 0.0;
    double Hi = 0.0;
};

// What a pointer gesture on the plot does. One place decides it, so that a gesture can be
// given to another command by changing this function alone.
enum class TPlotGesture {
    None, // the gesture is ignored
    Band, // drag the band (the baseline's and the line's)
    Pan,  // move the view
};

// The gesture of a button going down with the given modifiers: the middle button, or the left
// with Ctrl, pans; the left button otherwise drags the band (Shift+left as well: it is kept free
// for a second band); other buttons do nothing.
TPlotGesture GestureFor(Qt::MouseButton button, Qt::KeyboardModifiers modifiers);

// The zoom factor of one step of the wheel (120 eighths of a degree) or of the + key: each step
// in shows 1 / ZoomStep of the range.
constexpr double ZoomStep = 1.25;
// The narrowest x range, as a share of the whole: a few channels of the 400 stay in view.
constexpr double NarrowestShare = 1.0 / 100.0;

class TGraphView {
public:
    bool XZoomed() const { return FXZoomed; }
    bool YZoomed() const { return FYZoomed; }
    bool Zoomed() const { return FXZoomed || FYZoomed; }
    const TAxisView& X() const { return FX; }
    const TAxisView& Y() const { return FY; }

    // The whole spectrum again.
    void Reset() { FXZoomed = FYZoomed = false; }
    void ResetY() { FYZoomed = false; }

    // Shows lo..hi of x (in either order), within whole (the x limits of the whole view),
    // no narrower than NarrowestShare of it; a range that covers the whole is the whole view.
    void SetX(double lo, double hi, const TAxisView& whole);

    // Zooms x about the value at, which stays where it is on the graph.
    // Given:    shown   the x limits of the graph as drawn (XMin, XMax)
    //           at      the x value under the pointer
    //           factor  > 1 zooms in (shows 1 / factor of the range), < 1 out
    //           whole   the x limits of the whole view
    void ZoomX(const TAxisView& shown, double at, double factor, const TAxisView& whole);
    // The same for the signal axis; zooming out past the whole height shows the whole again.
    void ZoomY(const TAxisView& shown, double at, double factor, const TAxisView& whole);

    // Moves the view by dx and dy (data units, positive: the data move right and up, i.e. the
    // range moves left and down). x stays within whole x; y moves only while it is zoomed.
    void Pan(const TAxisView& shown, double dx, double dy, const TAxisView& wholeX);

private:
    bool FXZoomed = false;
    bool FYZoomed = false;
    TAxisView FX, FY;
};

// Limits of a graph showing view of the data.
// Given:    x, signal  the axis and the signal (as GetGraphLimits takes them)
//           extra      further signals drawn on the same axis (overlays), each with its own x;
//                      their samples inside the x range shown count for the signal's limits
//           view       the part shown
//           limits     Divisions read; the rest filled
// Returned: false, leaving limits unchanged, as GetGraphLimits fails. Unzoomed axes are those
//           of GetGraphLimits on the samples inside the x range shown (all of them when x is
//           not zoomed); a zoomed axis runs exactly over its range with the tick step that
//           RoundAxisLimits chooses for a range of that width.
struct TSignalOnAxis {
    const std::vector<double>* X = nullptr;
    const std::vector<double>* Signal = nullptr;
};
bool GetViewLimits(const std::vector<double>& x, const std::vector<double>& signal,
                   const std::vector<TSignalOnAxis>& extra, const TGraphView& view,
                   TGraphLimits& limits);

// The first grid value of an axis from min in steps of step: min itself when it is a multiple
// of step (within a millionth of a step), else the next multiple above it.
double FirstGridValue(double min, double step);

// The range lo..hi of axis from, as the same stretch of channels on axis to (linear between
// channels; both axes of one spectrum, monotonic, of equal length). Returned in ascending order;
// lo..hi itself when the axes cannot be matched.
TAxisView SameChannels(const std::vector<double>& from, const std::vector<double>& to, double lo,
                       double hi);
