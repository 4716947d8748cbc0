// Linewindowunit: the line window of a spectrum found from the spectrum itself, for a baseline
// fit that the line does not lift and for the terminal velocity (Terminalunit.h) that reads the
// channels it marks.
#pragma once

#include "numeric/Terminalunit.h"

#include <string>
#include <vector>

// A stretch of the axis, both ends included (axis units).
struct TAxisRange {
    double Low = 0.0, High = 0.0;
};

// The Line channels as ranges of x: one per run of adjacent Line channels, from the smaller to
// the larger x of the run, in channel order.
std::vector<TAxisRange> LineRanges(const std::vector<double>& x,
                                   const std::vector<TChannelUse>& use);

struct TLineWindowResult {
    std::vector<TChannelUse> Use;     // per channel: Missing, Baseline (fitted) or Line
    std::vector<TAxisRange> Windows;  // the Line channels as ranges of x, in channel order
    std::vector<double> Coefficients; // the final baseline, lowest power first
    double Correlation = -1.0;        // of the final baseline's fit (FitPolynomial)
    std::vector<double> Corrected;    // signal minus the baseline (0 where missing)
    double Rms = 0.0;                 // robust rms of the fitted channels' residuals
    int Iterations = 0;               // fits made
    int Terms = 0;                    // of the final baseline (0: none could be fitted)
    // A sinusoidal ripple fitted with the polynomial (RipplePeriod 0: none): RippleSin
    // sin(2 pi x / RipplePeriod) + RippleCos cos(2 pi x / RipplePeriod), in Corrected's
    // subtraction but not in Coefficients.
    double RipplePeriod = 0.0, RippleSin = 0.0, RippleCos = 0.0;
    double NoiseFactor = 1.0; // the noise's correlation factor the clipping last used
    std::string Error;        // why no baseline could be fitted; empty on success
};

// The line window found from the spectrum itself: a baseline fitted, the channels that stand
// above it taken out, and fitted again until no more channels are taken out (a channel once
// taken out stays out, so the iteration cannot swing between two sets).
// Given:    x          the axis (km/s for velocities), one value per channel, monotonic
//           signal     as read; a value of exactly 0 is a missing channel
//           terms      of the polynomial baseline (2: a straight line)
//           clipLevel  x the robust rms of the fitted channels' residuals: a channel is line
//                      when the running mean of the 5 channels about it stands above
//                      clipLevel x the rms of that mean (rms / sqrt(5)), or when that mean
//                      passes 1 x its rms and the mean of the channels within breadth / 2 of
//                      it passes clipLevel x its own rms; a single spike is not line, a faint
//                      but broad plateau is
//           margin     axis units: each run of line channels is widened by it on both sides,
//                      for the line's wings below the clipping level
//           breadth    axis units, the wide running mean's span (32 km/s: four dispersions
//                      of the gas, a tangent point's ridge and its fall)
//           ripplePeriod  axis units: a sinusoid of this period is fitted with the polynomial
//                      (a standing wave in the baseline); 0: none
//           noiseFactor  the noise's correlation factor (NoiseCorrelation), when known; 0:
//                      measured from the fitted channels as they change
// Returned: at most 20 fits; Error from FitPolynomial when a fit fails, or when fewer
//           channels than 2 x terms are left to fit
// Reference: iterative sigma clipping of the baseline (as in the automatic baseline of
//           spectral-line reduction packages); the fit is FitPolynomial (Polyfitunit.h).
TLineWindowResult FindLineWindow(const std::vector<double>& x, const std::vector<double>& signal,
                                 int terms, double clipLevel = 3.0, double margin = 5.0,
                                 double breadth = 32.0, double ripplePeriod = 0.0,
                                 double noiseFactor = 0.0);

// The number of a polynomial's terms that a set of samples supports: the fewest terms from 1 to
// maxTerms that minimise the Bayesian information criterion n ln(RSS / n) + k ln n, RSS the
// residual sum of squares of a fit of k terms. A curved baseline must earn each term it adds
// by a drop in the residual that noise alone would not give.
// Reference: Schwarz (1978), Ann. Stat. 6, 461.
int SupportedTerms(const std::vector<double>& x, const std::vector<double>& y, int maxTerms);

// The line window with the number of baseline terms that its line-free channels support: the
// window of a straight baseline first (a receiver's baseline across the band), then, when the
// channels it leaves support another number of terms (SupportedTerms, up to maxTerms), the
// window of that number, until the choice holds (at most three rounds).
// When no window leaves enough channels for the terms chosen (a band full of emission), fewer
// terms are tried, down to 1. Then a sinusoidal ripple, when the window's line-free channels
// support one (its period searched from 30 to 400 axis units), is fitted with the polynomial
// and the window found again with it (twice at most). When even a constant cannot be fitted, the
// result has no baseline (Terms 0, Coefficients all 0, Corrected the signal itself) and Error says
// why. Each result keeps maxTerms coefficients, those past its Terms 0.
TLineWindowResult FindSupportedLineWindow(const std::vector<double>& x,
                                          const std::vector<double>& signal, int maxTerms = 4);
