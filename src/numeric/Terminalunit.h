// Terminalunit: the terminal velocity of a 21-cm line seen in the Galactic plane, from the shape
// of the line's far edge.
//
// Inside the solar circle the tangent point of a line of sight has the most extreme radial
// velocity of the whole line of sight, the terminal velocity vt (Rotationunit.h). Reading vt
// where the line's edge crosses a fixed multiple of the noise overestimates it: beyond vt the
// edge fades as the gas's velocity dispersion (sigma, about 8 km/s), so the crossing lies from
// 1 to 2.5 sigma past vt, more for a brighter tangent point. The published practice traces the
// envelope of the far edge and corrects it for the dispersion (Kerr 1962, MNRAS 123, 327; Celnik,
// Rohlfs & Braunsfurth 1979, A&A 76, 24; Clemens 1985, ApJ 295, 422; in the fourth quadrant
// McClure-Griffiths & Dickey 2007, ApJ 671, 427).
//
// Here the edge is fitted with the profile of the gas near the tangent point itself. Along the
// line of sight the radial velocity is stationary at the tangent point (v = vt - k (s - st)^2
// for a path length s), so the gas there piles up in velocity as (vt - v)^(-1/2) below vt:
// velocity crowding (Burton 1971, A&A 10, 76). Seen through the dispersion this is that law
// convolved with a Gaussian of sigma (CrowdedEdgeShape): a ridge just inside vt whose edge
// falls to half at about 0.7 sigma beyond it, at any brightness. Fitting the whole shape takes
// vt from every channel of the edge instead of from the one where a threshold is crossed, and
// the dispersion is part of the model rather than a correction applied afterwards.
//
// Velocities are relative to the local standard of rest, km/s, positive away from the
// observer; the signal is the baseline-subtracted one, in any unit. The first quadrant's
// terminal velocity is the most positive edge (TVelocitySide::Positive), the fourth's the most
// negative (Negative).
#pragma once

#include <optional>
#include <string>
#include <vector>

// The part a channel takes in the measurement.
enum class TChannelUse : unsigned char {
    Missing,  // no signal (exactly 0 as read): takes no part
    Baseline, // fitted by the baseline: its corrected signal is noise
    Line,     // inside the line window: searched for the line
};

// The side of the line whose edge gives the terminal velocity.
enum class TVelocitySide {
    Positive, // first quadrant, 0 to 90 degrees: the most positive velocity
    Negative, // fourth quadrant, 270 to 360 degrees: the most negative velocity
};

struct TTerminalSettings {
    double Dispersion = 8.0;     // km/s, the gas's velocity dispersion at the tangent point
    double DetectionLevel = 5.0; // x rms: the line's brightest channel must pass it
    double ExtentLevel = 3.0;    // x the rms of the running mean: the line's contiguous extent
    int Smoothing = 5;           // channels of the running mean that traces the extent (odd)
    double Correlation = 0.0;    // the noise's NoiseCorrelation, when known; 0: measured here
    bool TangentPoint = true;    // the edge is a tangent point's: its gas may be thinned (a dip)
};

struct TTerminalResult {
    std::optional<double> Velocity; // km/s, the terminal velocity (empty: see Reason)
    double Uncertainty = 0.0;       // km/s, 1 sigma: UncertaintyStat and UncertaintySys in
                                    // quadrature
    double UncertaintyStat = 0.0;   // km/s, the noise's share, through the fit
    double UncertaintySys = 0.0;    // km/s, the dispersion's plausible range and the edge model
                                    // (a thinned tangent point, a broad wing, the local gas)
    double Dispersion = 0.0;        // km/s, the edge's dispersion as fitted
    double Rms = 0.0;               // signal units, robust rms of the baseline channels
    double Amplitude = 0.0;         // signal units, the edge model's height (CrowdedEdgeShape)
    int PeakChannel = -1;           // the line's brightest channel
    int EdgeChannel = -1;           // the last channel of the line's extent on the side
    std::string Reason;             // why there is no terminal velocity; empty when there is
};

// Noise of a set of values that may hold a few outliers (a line's wing, interference).
// Given:    values  any unit, in any order (taken by value: it is partly sorted)
// Returned: 1.4826 x the median absolute deviation from the median, the same unit; the rms of
//           Gaussian noise, unmoved by a minority of outliers (0 for no values)
// Reference: Rousseeuw & Croux (1993), JASA 88, 1273 (the MAD and its consistency factor
//           1 / Phi^-1(3/4) = 1.4826 for the normal distribution).
double RobustRms(std::vector<double> values);

// How much the noise's correlation between neighbouring channels (a Hanning-smoothed or
// FFT-windowed receiver) widens the rms of a mean over many channels, found from the signal
// itself, whatever its line and baseline.
// Given:    signal  one value per channel, any unit
//           use     per channel; only the Baseline channels take part
// Returned: kappa = 1 + 2 (rho_1 + rho_2 + rho_3), each rho_k the noise's autocorrelation at
//           lag k, counted while they pass 0.15: a mean over n channels has the rms of one over
//           n / kappa independent ones (1 for white noise). rho_k = 1 - V_k / V_ref, V_k the mean
//           square of the differences of channels k apart (which a smooth line or baseline
//           hardly moves), those beyond 5 x the robust rms of the lag-6 differences left out;
//           V_ref, the mean of V_5 to V_8, stands for 2 x the noise's variance. Means of squares
//           rather than medians: a median's scatter would take white noise for correlated one
//           time in five.
// Reference: Bartlett (1946), JRSS Suppl. 8, 27 (the variance of a mean of a correlated
//           series); the variogram 2 sigma^2 (1 - rho_k) (Matheron 1963, Econ. Geol. 58, 1246).
double NoiseCorrelation(const std::vector<double>& signal, const std::vector<TChannelUse>& use);

// The edge of velocity-crowded gas seen through a Gaussian dispersion.
// Given:    x  (v - vt) / sigma on the side's velocity axis: negative inside the line, positive
//              beyond the terminal velocity
// Returned: g(x) = integral over s > 0 of s^(-1/2) phi(x + s) ds, phi the unit normal density:
//           (vt - v)^(-1/2) emission convolved with a Gaussian of unit dispersion. g peaks at
//           1.02 at x = -0.76 and falls to half of that at x = +0.70; it tends to (-x)^(-1/2)
//           inside and to 0 beyond. Tabulated once (Simpson's rule in s = t^2, within 1e-6),
//           read by linear interpolation (within 1e-4)
// Reference: Burton (1971), A&A 10, 76 (velocity crowding); in closed form
//           g(x) = 2^(-1/2) exp(-x^2 / 4) D_(-1/2)(x), D the parabolic cylinder function
//           (Gradshteyn & Ryzhik 3.462.1), which for x > 0 is
//           (x / (4 pi))^(1/2) exp(-x^2 / 4) K_(1/4)(x^2 / 4).
double CrowdedEdgeShape(double x);

// The terminal velocity of a baseline-subtracted spectrum, with its uncertainty.
// Given:    velocities  km/s relative to the LSR, one per channel, monotonic
//           corrected   signal minus the fitted baseline, one per channel
//           use         per channel (FindLineWindow of Linewindowunit.h gives it): the
//                       Baseline channels set the noise, the Line channels are searched for
//                       the line
//           side        the edge to measure
//           settings    the gas's dispersion and the detection levels
// Returned: Rms, 1.4826 MAD of the Baseline channels, and kappa, the factor by which their
//           neighbours' correlation widens the rms of a mean (1 + 2 sum of the significant
//           autocorrelations at lags 1 to 3). The line is the Line channel of the largest
//           signal, which must pass DetectionLevel x Rms, with the contiguous channels on each
//           side whose running mean passes ExtentLevel x its own rms, or whose next 4 sigma of
//           channels do on average (a faint tangent ridge beyond a dip). From the extent's end
//           on the side, the edge model A g((v - vt) / s) + C + D (v - vt) / sigma (a local
//           baseline under the edge: what the shown baseline left there) is fitted by least
//           squares (A, C, D linear): vt by a grid and golden section, once widely about the
//           extent's end and twice on the channels from 0.75 sigma inside the fitted vt to
//           6 sigma beyond it; in the last pass s too, by Newton's method on the residual plus
//           a prior, ln(s / sigma) normal with width 0.2. On the tangent point's side
//           (settings.TangentPoint) the edge is fitted again with a dip, a term taking away the
//           gas within a scale of vt (an inter-arm gap at the tangent point), on the channels
//           from 2 sigma inside vt: when a dip of scale sigma gains more than 9 in chi^2 / rms^2
//           and the dip readings' likelihood-weighted average over five scales lies within
//           1 sigma of the crowded edge, vt is that average (Bayesian model averaging) and
//           their spread is part of UncertaintySys. UncertaintyStat from the covariance with
//           s held, Rms^2 kappa (J^T J)^-1, widened by the reduced chi-square when it passes 1;
//           UncertaintySys in quadrature: the dispersion's share (the covariance with s free and
//           its prior, less the statistical part), the dip's (half the shift a dip of scale
//           sigma makes when none is found; 0.15 sigma when one is found beyond 1 sigma), and
//           sigma (0.02 + 0.22 exp(-vt^2 / 2 sigma^2)) for the rest of the line of sight and
//           the local gas's edge near 0 km/s. Uncertainty is both in quadrature.
//           No Velocity, and Reason set, when: there are fewer than 10 Baseline channels; no
//           Line channel passes the detection level; the extent on the side reaches a missing
//           channel or the end of the band; fewer than half the channels from 3.75 to 6 sigma
//           beyond vt are there (no baseline beyond the edge); the fitted edge is not at least
//           8 times its uncertainty in height (no usable tangent emission); or any stretch of
//           4 sigma from 3 sigma past vt to the band's end has a mean above both 3 x its rms
//           and a share of the edge's height, 3 % for stretches starting within 5 sigma of vt
//           and 10 % further out (the fit took an inner edge while the line goes on: lowering
//           the noise never turns a bright line's last wisps into a refusal)
// Reference: envelope tracing with a dispersion correction (Kerr 1962; Celnik, Rohlfs &
//           Braunsfurth 1979; Clemens 1985), done here as a least-squares fit of the
//           crowded-gas profile (Burton 1971); see the head of this file. Least squares and its
//           covariance: Press et al., Numerical Recipes, ch. 15.
TTerminalResult MeasureTerminalVelocity(const std::vector<double>& velocities,
                                        const std::vector<double>& corrected,
                                        const std::vector<TChannelUse>& use, TVelocitySide side,
                                        const TTerminalSettings& settings = {});
