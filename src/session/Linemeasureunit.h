// Linemeasureunit: the figures of a 21-cm line in a spectrum on a velocity axis: its peak, its
// integrated signal, the noise beside it and the velocities of its edges. One implementation for
// the window's Measure line and for every file of a kelvane-batch survey.
#pragma once

#include "numeric/Linewindowunit.h"
#include "numeric/Terminalunit.h"

#include <optional>
#include <string>
#include <vector>

// True when x lies inside one of the windows (edges included).
bool InsideWindows(double x, const std::vector<TAxisRange>& windows);

// The part each channel takes given typed windows: Missing where the signal is exactly 0, Line
// inside a window, Baseline elsewhere; over the common length of x and signal.
std::vector<TChannelUse> ChannelUseOfWindows(const std::vector<double>& x,
                                             const std::vector<double>& signal,
                                             const std::vector<TAxisRange>& windows);

// The samples to fit: the Baseline channels, in channel order.
struct TFitSamples {
    std::vector<double> X, Y;
};
TFitSamples BaselineSamples(const std::vector<double>& x, const std::vector<double>& signal,
                            const std::vector<TChannelUse>& use);

// The line's figures from a corrected spectrum. Each figure is empty when it has nothing to go
// on.
struct TLineMeasures {
    std::optional<double> Rms;          // signal units, robust rms of the Baseline channels
    std::optional<double> Peak;         // largest signal of the Line channels
    std::optional<double> PeakVelocity; // km/s, velocity minus VLSR of that channel
    std::optional<double> Integral;     // signal x km/s over the Line channels
    // The terminal velocity of the line of sight, km/s relative to the LSR: the most positive
    // edge in the first quadrant (0 to 90 degrees), the most negative in the fourth (270 to
    // 360), with its 1-sigma uncertainty; empty elsewhere, or when the edge cannot be
    // measured, and TerminalReason says why.
    std::optional<double> TerminalVelocity, TerminalUncertainty;
    // The uncertainty's two parts, in quadrature TerminalUncertainty: the noise's, and the
    // systematic one (the dispersion's plausible range, the edge model).
    std::optional<double> TerminalUncertaintyStat, TerminalUncertaintySys;
    std::string TerminalReason;
    // The line's most positive and most negative edges, km/s, whatever the quadrant.
    std::optional<double> HighestVelocity, LowestVelocity;
    std::optional<double> HighestUncertainty, LowestUncertainty; // km/s, 1 sigma
    std::vector<TAxisRange> Windows; // the line windows used, on the axis measured
    // The integral's 1-sigma uncertainty and the column density (AddColumnDensity).
    std::optional<double> IntegralUncertainty;                     // signal x km/s
    std::optional<double> ColumnDensity, ColumnDensityUncertainty; // N(HI), cm^-2
    std::string ColumnDensityNote; // why there is no column density; empty when there is one
    double NoiseWidth = 1.0;       // channels per independent sample (smoothing), as measured
};

// The baseline a terminal velocity stands on: the one its line-free channels support, whatever
// the terms of the baseline shown. An edge read on a baseline of more terms than the channels
// beside the line support stands on the polynomial's swing under the line (a cubic fitted to a
// band's two ends bends under the far wing and leaves an inner edge), on one of fewer on its
// misfit.
struct TTerminalBaseline {
    std::vector<double> Corrected; // the signal minus the baseline
    std::vector<TChannelUse> Use;  // per channel: Missing, Baseline (fitted) or Line
    int Terms = 0;                 // of the baseline (SupportedTerms of numeric/Linewindowunit.h)
    std::string Error;             // why there is none; empty when there is
};

// Given:    velocities  km/s, one per channel
//           raw         the signal before any baseline's subtraction (0: a missing channel)
//           typed       the channels' use given by typed windows or a band, or null: the line
//                       window is found in the spectrum itself (FindSupportedLineWindow)
// Returned: the baseline of the supported number of terms, up to 4, fitted to the Baseline
//           channels of raw
TTerminalBaseline SupportedBaseline(const std::vector<double>& velocities,
                                    const std::vector<double>& raw,
                                    const std::vector<TChannelUse>* typed);

// Figures of the line.
// Given:    corrected   the signal after the baseline's subtraction
//           use         per channel: Missing, Baseline (fitted) or Line
//           velocities  velocity minus VLSR of each channel, km/s
//           longitude   galactic longitude of the line of sight, degrees
//           dispersion  km/s, the gas's velocity dispersion at the tangent point
//           own         the baseline the edges stand on, when it is not the one of corrected
//                       (SupportedBaseline); null: corrected and use
// Returned: Rms over the Baseline channels (1.4826 x their median absolute deviation: a
//           stray spike or a line's wing outside the window does not inflate it); Peak and
//           PeakVelocity of the largest signal of the Line channels (the first in channel order
//           on a tie); Integral, the sum over the Line channels of signal x channel width, the
//           width being half the velocity span between the two neighbouring channels (one
//           neighbour at the ends); the edges from the fit of the line's far edge
//           (MeasureTerminalVelocity of numeric/Terminalunit.h), on both sides for
//           HighestVelocity and LowestVelocity, on the quadrant's side for TerminalVelocity.
// Reference: the tangent-point method (Rotationunit.h); the edge fit and its references in
//           numeric/Terminalunit.h.
TLineMeasures MeasureLine(const std::vector<double>& corrected, const std::vector<TChannelUse>& use,
                          const std::vector<double>& velocities, double longitude,
                          double dispersion, const TTerminalBaseline* own = nullptr);

// What the window measures: the spectrum shown, on a velocity axis, and the band dragged.
struct TLineMeasureRequest {
    std::vector<double> Velocities;  // km/s, one per channel, monotonic
    bool LsrFrame = false;           // Velocities are relative to the LSR (the VLSR is known)
    std::vector<double> Signal;      // as shown; a value of exactly 0 is a missing channel
    std::vector<bool> InBand;        // per channel: inside the band; empty when there is none
    bool Subtracted = false;         // a baseline has been subtracted from Signal
    std::vector<double> Original;    // the signal before any subtraction (empty: Signal)
    int Terms = 4;                   // of the baseline polynomial fitted when not subtracted
    std::optional<double> Longitude; // galactic longitude of the line of sight, degrees
    double Dispersion = 8.0;         // km/s, the gas's velocity dispersion at the tangent point
    double NoiseWidth = 1.0;         // channels per independent sample: > 1 for a smoothed Signal
    std::optional<double> KelvinPerCount; // the station's calibration; none: not in kelvin
};

struct TLineMeasureReport {
    TLineMeasures Line;   // empty figures when Error is set
    std::string Baseline; // how the line was told from its baseline, for the user
    std::string Error;    // why nothing could be measured; empty on success
};

// The window's Measure line.
// Given:    request  as above
// Returned: the line's channels are those inside the band, or with no band those of the line
//           window found in the spectrum itself (FindLineWindow, as kelvane-batch finds it with
//           --fit-outside auto). The signal under the line is the shown one when a baseline has
//           been subtracted; else the signal minus a polynomial of Terms terms fitted to the
//           channels outside the line (FitPolynomial; the shown signal is left alone). Then
//           MeasureLine, its edges on the baseline the line-free channels of Original support
//           (SupportedBaseline). Terminal velocities need the LSR frame and a longitude; without
//           them Line.TerminalReason says which is missing and the edges are not given.
TLineMeasureReport MeasureShownLine(const TLineMeasureRequest& request);

// The integral's uncertainty and the column density of the line.
// Given:    m               the figures of MeasureLine (Rms and Integral used)
//           use, velocities as given to MeasureLine
//           noiseWidth      channels per independent sample (NoiseWidth of numeric/Smoothunit.h;
//                           1 for a spectrum not smoothed)
//           kelvinPerCount  the calibration, kelvin per signal unit; none when not known
// Returned in m: IntegralUncertainty = Rms x sqrt(noiseWidth x sum of the Line channels'
//           squared widths) (white noise of rms Rms per channel; smoothing makes neighbours
//           share it, so a sum over channels keeps the noise of noiseWidth times fewer
//           independent ones); ColumnDensity and its uncertainty from ColumnDensityOf
//           (numeric/Columndensityunit.h, optically thin), or ColumnDensityNote when the
//           calibration is missing; NoiseWidth.
void AddColumnDensity(TLineMeasures& m, const std::vector<TChannelUse>& use,
                      const std::vector<double>& velocities, double noiseWidth,
                      std::optional<double> kelvinPerCount);

// The report as the window's memo lists it, one short line each, the first starting with
// "Line" (signal in the file's unit, velocities in km/s with their 1-sigma uncertainties; vt
// the terminal velocity, v max and v min the line's two edges); then the integral's
// uncertainty, the smoothing's independent channels when smoothed, and N(HI) or why not.
std::vector<std::string> LineMeasureLines(const TLineMeasureReport& report);
