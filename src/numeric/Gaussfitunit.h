// Gaussfitunit: a spectrum's line decomposed into Gaussian components,
//   model(x) = sum over components of A exp(-4 ln 2 (x - c)^2 / F^2),
// amplitude A (signal units), centre c and full width at half maximum F (x units, km/s for a
// velocity axis), fitted by nonlinear least squares.
//
// Method: GSL's trust-region solver (gsl_multifit_nlinear, Levenberg-Marquardt steps) with the
// analytic Jacobian, every channel weighted alike. The 1-sigma uncertainties are the square
// roots of the covariance (J^T J)^-1 scaled by the reduced chi-square SSR / (n - p), the noise
// being estimated from the residuals; for a smoothed spectrum also by the kernel's
// noise-equivalent width (numeric/Smoothunit.h), as correlated channels carry less
// information than their number says (exact for components much wider than the kernel).
//
// First guesses come from the peaks found (the highest point of the residual, smoothed over
// three channels, its half-maximum width, taken out and the next one looked for) or from the
// caller (a click on the graph: GuessAt). The automatic decomposition adds one component at a
// time where the residual peaks, refits all, and keeps the new one while the Bayesian
// information criterion BIC = n ln(SSR / n) + p ln n goes down (n counted in independent
// samples for a smoothed spectrum).
//
// A component the data do not support is dropped, with its reason, and the rest refitted: a
// FWHM under two channels (narrower than the spectrometer can tell from a spike), an amplitude
// under 3 sigma, or a centre outside the spectrum. Only emission is fitted (A > 0 to be kept).
//
// Channels whose signal is exactly 0 are missing and take no part.
//
// References: M. Galassi et al., GNU Scientific Library Reference Manual, "Nonlinear
// Least-Squares Fitting"; W. H. Press et al., Numerical Recipes, 15.5 (the covariance of a
// nonlinear fit); G. Schwarz, Ann. Statist. 6 (1978) 461 (BIC); U. Haud, A&A 364 (2000) 83
// (Gaussian decomposition of H I profiles).
#pragma once

#include <string>
#include <vector>

struct TGaussComponent {
    double Amplitude = 0.0, Centre = 0.0, Fwhm = 0.0;                // signal, x, x units
    double AmplitudeError = 0.0, CentreError = 0.0, FwhmError = 0.0; // 1 sigma
    // The area under it, A F sqrt(pi / (4 ln 2)): signal x x units.
    double Integral() const;
};

struct TDroppedComponent {
    TGaussComponent Component; // as last fitted
    std::string Reason;        // e.g. "amplitude 0.41 under 3 sigma (0.52)"
};

struct TGaussSettings {
    double NoiseWidth = 1.0;      // channels per independent sample (1: not smoothed)
    int MaxComponents = 8;        // the automatic decomposition's limit
    double MinSignificance = 3.0; // amplitude / its sigma, to be kept
    double MinFwhmChannels = 2.0; // FWHM in channels, to be kept
};

struct TGaussFit {
    std::vector<TGaussComponent> Components; // kept, by increasing centre
    std::vector<TDroppedComponent> Dropped;  // in the order dropped
    int Channels = 0;                        // fitted (the channels with a signal)
    double Rms = 0.0;                        // of the residual, sqrt(SSR / (n - p))
    double Bic = 0.0;                        // of the kept components
    std::string Error;                       // why no fit was made; empty on success
};

// A component's value at x.
double GaussianValue(const TGaussComponent& component, double x);
// The sum of the components at each x.
std::vector<double> GaussianSum(const std::vector<TGaussComponent>& components,
                                const std::vector<double>& x);

// A first guess at centre (a click on the graph): the signal of the nearest channel as
// amplitude, the width between the half-maximum points about it (at least two channels).
TGaussComponent GuessAt(const std::vector<double>& x, const std::vector<double>& y, double centre);

// count first guesses from the peaks found, highest first (fewer when the residual has no
// positive peak left).
std::vector<TGaussComponent> PeakGuesses(const std::vector<double>& x, const std::vector<double>& y,
                                         int count);

// Given:    x, y      the axis and the signal (a baseline subtracted), paired by index
//           guesses   first guesses (their errors ignored); a FWHM of 0 takes three channels
// Returned: the components fitted from the guesses, those the data do not support dropped
TGaussFit FitGaussians(const std::vector<double>& x, const std::vector<double>& y,
                       const std::vector<TGaussComponent>& guesses,
                       const TGaussSettings& settings = {});
// count components from the peaks found (PeakGuesses).
TGaussFit FitGaussianCount(const std::vector<double>& x, const std::vector<double>& y, int count,
                           const TGaussSettings& settings = {});
// As many components as the BIC asks for, at most settings.MaxComponents.
TGaussFit FitGaussiansAuto(const std::vector<double>& x, const std::vector<double>& y,
                           const TGaussSettings& settings = {});

// The fit as the window's memo lists it, one a line: a head line ("Gaussian components: 2, rms
// 0.0123"), each kept component ("G1 amplitude 40.1 ± 0.3, centre 12.3 ± 0.05 km/s, FWHM 14.1
// ± 0.1 km/s", 4 significant digits, "unbounded" for an uncertainty the data leave open), then
// each dropped one with its reason ("dropped: amplitude ..., centre ..., FWHM ...: reason"); or
// one line saying why no fit was made. unit: the x axis's ("km/s").
std::vector<std::string> GaussFitLines(const TGaussFit& fit, const std::string& unit);
