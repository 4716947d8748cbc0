#include "numeric/Linewindowunit.h"

#include "numeric/Baselineunit.h"
#include "numeric/Polyfitunit.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>

namespace {

// Per channel, the first and last channel within the margin of it.
using TMarginRuns = std::vector<std::pair<std::size_t, std::size_t>>;

// The run of channels within the margin of each of the first n channels (x is monotonic). It
// depends on the axis alone: every window of a spectrum shares it.
TMarginRuns MarginRuns(const std::vector<double>& x, std::size_t n, double margin) {
    TMarginRuns reach(n);
    // On a monotonic axis of numbers a channel's run starts and ends no earlier than its
    // predecessor's: both ends move on from there.
    bool rising = true, falling = true, finite = true;
    for (std::size_t k = 0; k < n; ++k) {
        finite = finite && std::isfinite(x[k]);
        rising = rising && (k + 1 == n || x[k] <= x[k + 1]);
        falling = falling && (k + 1 == n || x[k] >= x[k + 1]);
    }
    if ((rising || falling) && finite && margin >= 0.0) {
        std::size_t first = 0, last = 0;
        for (std::size_t k = 0; k < n; ++k) {
            while (std::fabs(x[first] - x[k]) > margin)
                ++first;
            last = std::max(last, k);
            while (last + 1 < n && std::fabs(x[last + 1] - x[k]) <= margin)
                ++last;
            reach[k] = {first, last};
        }
        return reach;
    }
    for (std::size_t k = 0; k < n; ++k) {
        std::size_t first = k, last = k;
        while (first > 0 && std::fabs(x[first - 1] - x[k]) <= margin)
            --first;
        while (last + 1 < n && std::fabs(x[last + 1] - x[k]) <= margin)
            ++last;
        reach[k] = {first, last};
    }
    return reach;
}

// FindLineWindow with the margin's runs of its axis (MarginRuns), given up (Error set) as soon as
// the line-free channels number `beat` or fewer: a channel once taken for line stays line, so they
// only ever fall, and such a window cannot keep more of them than `beat`. 0 finds every window to
// the end.
// Fits: the number of the fit's columns when it is known to the compiler (which then unrolls the
// loops over them, in the same order), 0 for any number.
template <std::size_t Fits>
TLineWindowResult FindWindowOf(const std::vector<double>& x, const std::vector<double>& signal,
                               int terms, double clipLevel, double breadth, double ripplePeriod,
                               double noiseFactor, const TMarginRuns& reach, std::size_t beat) {
    TLineWindowResult r;
    if (terms < 1) {
        r.Error = "the baseline needs at least one term";
        return r;
    }
    const std::size_t n = std::min(x.size(), signal.size());
    r.Use.assign(n, TChannelUse::Baseline);
    for (std::size_t i = 0; i < n; ++i)
        if (signal[i] == 0.0)
            r.Use[i] = TChannelUse::Missing;
    r.Corrected.assign(n, 0.0);
    // The narrow running mean finds a line's bright part, the wide one (breadth) a faint,
    // broad part such as a tangent point's plateau, which left in the fit would lift the
    // baseline under it and vanish from the corrected signal.
    const double spacing = n > 1 ? std::fabs(x[n - 1] - x[0]) / static_cast<double>(n - 1) : 1.0;
    const std::size_t narrow = 5;
    const std::size_t wide = std::max(narrow, static_cast<std::size_t>(breadth / spacing));
    std::vector<double> sums;
    std::vector<int> counts;
    std::vector<double> roots(wide + 2);
    for (std::size_t c = 0; c < roots.size(); ++c)
        roots[c] = std::sqrt(static_cast<double>(c));
    // Correlated noise (a Hanning-smoothed receiver) stands higher in a running mean than
    // independent channels would: the clipping levels are raised by the square root of the
    // correlation factor, so that the noise's own wanderings are not taken for line.
    double widen = noiseFactor > 0.0 ? std::sqrt(noiseFactor) : 1.0;
    std::size_t measuredAt = 0; // the line-free channels when widen was measured
    // The iterations' fits by the normal equations kept up to date: the baseline's channels only
    // ever leave it, so each fit subtracts the products of the channels that left instead of
    // summing every channel again (measured on the sample spectra: 41 to 72 us a window, from
    // 52 to 102 us). The powers are of x scaled to [-1, 1], which keeps the sums well
    // conditioned for any number of terms. The final baseline is fitted afresh by FitPolynomial
    // below.
    const std::size_t m =
        Fits > 0 ? Fits : static_cast<std::size_t>(terms) + (ripplePeriod > 0.0 ? 2 : 0);
    const double centre = n > 0 ? 0.5 * (x[0] + x[n - 1]) : 0.0;
    const double halfRange = n > 1 && x[n - 1] != x[0] ? 0.5 * std::fabs(x[n - 1] - x[0]) : 1.0;
    std::vector<double> powers(n * m);
    for (std::size_t i = 0; i < n; ++i) {
        const double u = (x[i] - centre) / halfRange;
        double p = 1.0;
        for (std::size_t j = 0; j < static_cast<std::size_t>(terms); ++j, p *= u)
            powers[i * m + j] = p;
        if (ripplePeriod > 0.0) {
            powers[i * m + m - 2] = std::sin(2.0 * M_PI * x[i] / ripplePeriod);
            powers[i * m + m - 1] = std::cos(2.0 * M_PI * x[i] / ripplePeriod);
        }
    }
    // The lower triangle of the normal matrix, row after row in one block.
    std::vector<double> normal(m * m, 0.0);
    TVector rhs(m, 0.0);
    std::size_t fitted = 0;
    for (std::size_t i = 0; i < n; ++i)
        if (r.Use[i] == TChannelUse::Baseline) {
            const double* row = &powers[i * m];
            for (std::size_t j = 0; j < m; ++j) {
                for (std::size_t k = 0; k <= j; ++k)
                    normal[j * m + k] += row[j] * row[k];
                rhs[j] += row[j] * signal[i];
            }
            ++fitted;
        }
    TVector scaled(m, 0.0);
    TMatrix solved(m, TVector(m, 0.0));
    std::vector<double> residuals;
    std::vector<int> marks;
    std::vector<std::size_t> leaving;
    // A box's mean below 0 passes no positive level: its division is spared.
    const bool positiveLevels = clipLevel >= 0.0;
    for (r.Iterations = 1; r.Iterations <= 20; ++r.Iterations) {
        if (fitted < 2 * m) {
            r.Error = "too few channels left for the baseline fit";
            return r;
        }
        if (fitted <= beat) {
            r.Error = "no more line-free channels than the window to beat";
            return r;
        }
        for (std::size_t j = 0; j < m; ++j)
            for (std::size_t k = 0; k < m; ++k)
                solved[j][k] = k <= j ? normal[j * m + k] : normal[k * m + j];
        std::string message;
        if (!GaussJordan(solved, rhs, scaled, message)) {
            r.Error = message;
            return r;
        }
        // The residuals, and running sums over the channels not missing for the clipping
        // below: any box's mean in two subtractions.
        residuals.clear();
        sums.resize(n + 1); // every entry is written below
        counts.resize(n + 1);
        sums[0] = 0.0;
        counts[0] = 0;
        for (std::size_t i = 0; i < n; ++i) {
            if (r.Use[i] == TChannelUse::Missing) {
                sums[i + 1] = sums[i];
                counts[i + 1] = counts[i];
                continue;
            }
            const double* row = &powers[i * m];
            double baseline = 0.0;
            for (std::size_t j = 0; j < m; ++j)
                baseline += scaled[j] * row[j];
            r.Corrected[i] = signal[i] - baseline;
            if (r.Use[i] == TChannelUse::Baseline)
                residuals.push_back(r.Corrected[i]);
            sums[i + 1] = sums[i] + r.Corrected[i];
            counts[i + 1] = counts[i] + 1;
        }
        r.Rms = RobustRms(residuals);
        // Measured again while the line-free set still changes by more than a fifth (a twentieth
        // reads the survey families the same, at twice the measurements).
        if (!(noiseFactor > 0.0) &&
            5 * (measuredAt > fitted ? measuredAt - fitted : fitted - measuredAt) > measuredAt) {
            widen = std::sqrt(NoiseCorrelation(r.Corrected, r.Use));
            measuredAt = fitted;
        }

        // The channels above the clipping level, each run widened by the margin.
        // The mean of the channels within half of i, in units of its own rms.
        auto level = [&](std::size_t i, std::size_t half) {
            const std::size_t first = i >= half ? i - half : 0, last = std::min(n, i + half + 1);
            const int count = counts[last] - counts[first];
            const double sum = sums[last] - sums[first];
            if (count <= 0 || (positiveLevels && !(sum > 0.0)))
                return 0.0;
            return sum * roots[static_cast<std::size_t>(count)] / (count * r.Rms * widen);
        };
        // The wide mean alone would also take in the noise for half its span beyond a line's
        // end; the channels it adds must stand above their own noise too (1 rms). Each channel
        // that stands high marks its margin's run (a difference array: +1 at its start, -1 past
        // its end).
        marks.assign(n + 1, 0);
        for (std::size_t i = 0; i < n; ++i) {
            if (r.Use[i] == TChannelUse::Missing)
                continue;
            const double near = level(i, narrow / 2);
            if (near > clipLevel || (near > 1.0 && level(i, wide / 2) > clipLevel)) {
                ++marks[reach[i].first];
                --marks[reach[i].second + 1];
            }
        }
        // A channel once taken for line stays line: the set only grows, so the iteration ends
        // (a set free to shrink can swing between two states, each fit flagging the other's
        // channels). The baseline channels covered leave it.
        leaving.clear();
        int covering = 0;
        for (std::size_t i = 0; i < n; ++i) {
            covering += marks[i];
            if (covering > 0 && r.Use[i] == TChannelUse::Baseline)
                leaving.push_back(i);
        }
        // After the last fit the set stays as fitted, so that Use and Corrected agree.
        if (leaving.empty() || r.Iterations == 20)
            break;
        for (const std::size_t i : leaving) {
            const double* row = &powers[i * m];
            for (std::size_t j = 0; j < m; ++j) {
                for (std::size_t k = 0; k <= j; ++k)
                    normal[j * m + k] -= row[j] * row[k];
                rhs[j] -= row[j] * signal[i];
            }
            r.Use[i] = TChannelUse::Line;
            --fitted;
        }
    }
    // The baseline of the final set, fitted afresh in x: the ripple's amplitudes from the last
    // fit (the joint least squares), the polynomial then fitted to the signal less the ripple,
    // which gives the joint fit's polynomial.
    std::vector<double> ripple(n, 0.0);
    if (ripplePeriod > 0.0) {
        r.RipplePeriod = ripplePeriod;
        r.RippleSin = scaled[m - 2];
        r.RippleCos = scaled[m - 1];
        for (std::size_t i = 0; i < n; ++i)
            ripple[i] = r.RippleSin * powers[i * m + m - 2] + r.RippleCos * powers[i * m + m - 1];
    }
    TVector fx, fy;
    for (std::size_t i = 0; i < n; ++i)
        if (r.Use[i] == TChannelUse::Baseline) {
            fx.push_back(x[i]);
            fy.push_back(signal[i] - ripple[i]);
        }
    r.Coefficients.assign(static_cast<std::size_t>(terms), 0.0);
    const TFitResult fit = FitPolynomial(fx, fy, r.Coefficients);
    r.Correlation = fit.Correlation;
    if (fit.Correlation < 0.0) {
        r.Error = fit.Error.empty() ? "the baseline fit failed" : fit.Error;
        return r;
    }
    residuals.clear();
    for (std::size_t i = 0; i < n; ++i)
        if (r.Use[i] != TChannelUse::Missing) {
            r.Corrected[i] = signal[i] - ripple[i] - EvaluatePolynomial(r.Coefficients, x[i]);
            if (r.Use[i] == TChannelUse::Baseline)
                residuals.push_back(r.Corrected[i]);
        }
    r.Rms = RobustRms(residuals);
    r.Windows = LineRanges(x, r.Use);
    r.Terms = terms;
    r.NoiseFactor = widen * widen;
    return r;
}

TLineWindowResult FindWindow(const std::vector<double>& x, const std::vector<double>& signal,
                             int terms, double clipLevel, double breadth, double ripplePeriod,
                             double noiseFactor, const TMarginRuns& reach, std::size_t beat) {
    // The usual numbers of columns, each with loops of its own.
    static constexpr decltype(&FindWindowOf<0>) ofColumns[] = {
        FindWindowOf<0>, FindWindowOf<1>, FindWindowOf<2>, FindWindowOf<3>,
        FindWindowOf<4>, FindWindowOf<5>, FindWindowOf<6>};
    const std::size_t m =
        terms < 1 ? 0 : static_cast<std::size_t>(terms) + (ripplePeriod > 0.0 ? 2 : 0);
    return ofColumns[m < std::size(ofColumns) ? m : 0](x, signal, terms, clipLevel, breadth,
                                                       ripplePeriod, noiseFactor, reach, beat);
}

} // namespace

TLineWindowResult FindLineWindow(const std::vector<double>& x, const std::vector<double>& signal,
                                 int terms, double clipLevel, double margin, double breadth,
                                 double ripplePeriod, double noiseFactor) {
    const TMarginRuns reach = MarginRuns(x, std::min(x.size(), signal.size()), margin);
    return FindWindow(x, signal, terms, clipLevel, breadth, ripplePeriod, noiseFactor, reach, 0);
}

int SupportedTerms(const std::vector<double>& x, const std::vector<double>& y, int maxTerms) {
    const std::size_t n = std::min(x.size(), y.size());
    int best = 1;
    double bestCriterion = INFINITY;
    // The fits of every number of terms the samples allow, from one set of sums.
    int top = 0;
    while (top < maxTerms && n > 2 * static_cast<std::size_t>(top + 1))
        ++top;
    std::vector<TVector> fitted;
    const std::vector<TFitResult> fits = FitPolynomials(x, y, top, fitted);
    for (int k = 1; k <= top; ++k) {
        const TVector& coefficients = fitted[static_cast<std::size_t>(k - 1)];
        if (fits[static_cast<std::size_t>(k - 1)].Correlation < 0.0)
            break;
        double rss = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            const double r = y[i] - EvaluatePolynomial(coefficients, x[i]);
            rss += r * r;
        }
        const double count = static_cast<double>(n);
        const double criterion =
            count * std::log(std::max(rss, 1e-300) / count) + k * std::log(count);
        if (criterion < bestCriterion) {
            bestCriterion = criterion;
            best = k;
        }
    }
    return best;
}

namespace {

// Of the line's peak: the largest ripple taken for the receiver's.
constexpr double RippleShare = 0.1;

// The residual sum of squares of a polynomial of `terms` terms, plus a sinusoid of the period
// when it is above 0, fitted to x, y by least squares (x scaled to [-1, 1] for the powers).
double RippleResidual(const TVector& x, const TVector& y, int terms, double period) {
    const std::size_t m = static_cast<std::size_t>(terms) + (period > 0.0 ? 2 : 0);
    const std::size_t n = std::min(x.size(), y.size());
    if (n <= m)
        return INFINITY;
    const double low = *std::min_element(x.begin(), x.end());
    const double high = *std::max_element(x.begin(), x.end());
    const double centre = 0.5 * (low + high), half = high > low ? 0.5 * (high - low) : 1.0;
    TMatrix normal(m, TVector(m, 0.0));
    TVector rhs(m, 0.0), row(m), solution(m, 0.0);
    double yy = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double u = (x[i] - centre) / half;
        double p = 1.0;
        for (std::size_t j = 0; j < static_cast<std::size_t>(terms); ++j, p *= u)
            row[j] = p;
        if (period > 0.0) {
            row[m - 2] = std::sin(2.0 * M_PI * x[i] / period);
            row[m - 1] = std::cos(2.0 * M_PI * x[i] / period);
        }
        for (std::size_t j = 0; j < m; ++j) {
            for (std::size_t k = 0; k < m; ++k)
                normal[j][k] += row[j] * row[k];
            rhs[j] += row[j] * y[i];
        }
        yy += y[i] * y[i];
    }
    std::string message;
    TMatrix copy = normal;
    if (!GaussJordan(copy, rhs, solution, message))
        return INFINITY;
    double explained = 0.0;
    for (std::size_t j = 0; j < m; ++j)
        explained += solution[j] * rhs[j];
    return std::max(yy - explained, 1e-300);
}

} // namespace

TLineWindowResult FindSupportedLineWindow(const std::vector<double>& x,
                                          const std::vector<double>& signal, int maxTerms) {
    maxTerms = std::max(1, maxTerms);
    // A window of `terms`, or of fewer when it leaves too few channels. The noise's correlation
    // measured on the first window's line-free channels holds for the rest: the noise is the
    // same, and measuring it again is a fifth of the whole measurement's time.
    double noiseFactor = 0.0;
    const TMarginRuns reach = MarginRuns(x, std::min(x.size(), signal.size()), 5.0);
    auto window = [&](int terms) {
        TLineWindowResult r;
        for (int k = terms; k >= 1; --k) {
            r = FindWindow(x, signal, k, 3.0, 32.0, 0.0, noiseFactor, reach, 0);
            if (r.Error.empty())
                break;
        }
        return r;
    };
    TLineWindowResult r = window(std::min(2, maxTerms));
    if (r.Error.empty())
        noiseFactor = r.NoiseFactor;
    for (int round = 0; round < 3 && r.Error.empty(); ++round) {
        TVector fx, fy;
        for (std::size_t i = 0; i < r.Use.size(); ++i)
            if (r.Use[i] == TChannelUse::Baseline) {
                fx.push_back(x[i]);
                fy.push_back(signal[i]);
            }
        const int supported = SupportedTerms(fx, fy, maxTerms);
        if (supported == r.Terms)
            break;
        TLineWindowResult next = window(supported);
        if (!next.Error.empty() || next.Terms == r.Terms)
            break;
        r = std::move(next);
    }
    // A standing wave between dish and feed: a sinusoid in the baseline. Its crests stand
    // above a polynomial like a faint broad line, so a window that leaves under a third of the
    // band's channels to the baseline is found again with a sinusoid of each period on a grid
    // (30 to 400 axis units, steps of 15 %, then 3 % about the best); the ripple is kept when its
    // amplitude is under a tenth of the line's peak and
    // the information criterion of its window's baseline channels, polynomial and sinusoid
    // together (3 parameters more: amplitude, phase, period), beats the polynomial alone on
    // the same channels.
    std::size_t present = 0, fitted = 0;
    for (const TChannelUse u : r.Use) {
        present += u != TChannelUse::Missing;
        fitted += u == TChannelUse::Baseline;
    }
    if (r.Error.empty() && present >= 100 && 3 * fitted < present) {
        auto score = [&](const TLineWindowResult& w) {
            TVector fx, fy;
            for (std::size_t i = 0; i < w.Use.size(); ++i)
                if (w.Use[i] == TChannelUse::Baseline) {
                    fx.push_back(x[i]);
                    fy.push_back(signal[i]);
                }
            const double count = static_cast<double>(fx.size());
            if (count < 30)
                return std::pair<double, double>{INFINITY, INFINITY};
            const double k = w.Terms;
            return std::pair<double, double>{
                count * std::log(RippleResidual(fx, fy, w.Terms, w.RipplePeriod) / count) +
                    (k + 3) * std::log(count),
                count * std::log(RippleResidual(fx, fy, w.Terms, 0.0) / count) +
                    k * std::log(count)};
        };
        // A sinusoid that could swallow part of the line is no receiver's ripple: its amplitude
        // must stay under a tenth of the line's peak. Each period's window is held to it, so
        // that one swallowing the line's wings does not win by the channels it frees.
        auto plausible = [&](const TLineWindowResult& w) {
            double peak = 0.0;
            for (std::size_t i = 0; i < w.Use.size(); ++i)
                if (w.Use[i] == TChannelUse::Line)
                    peak = std::max(peak, w.Corrected[i]);
            return std::hypot(w.RippleSin, w.RippleCos) < RippleShare * peak;
        };
        // A sinusoid over a constant alone must also bend to the baseline's slope across the
        // band, and takes a period that fits both: the ripple stands on a straight line at least.
        const int rippleTerms = std::min(maxTerms, std::max(r.Terms, 2));
        TLineWindowResult best;
        std::size_t bestFitted = 0;
        // A period whose window can keep no more line-free channels than the best so far cannot
        // replace it: its search stops there.
        auto consider = [&](double period) {
            TLineWindowResult w = FindWindow(x, signal, rippleTerms, 3.0, 32.0, period, noiseFactor,
                                             reach, bestFitted);
            if (!w.Error.empty() || !plausible(w))
                return;
            const std::size_t kept = static_cast<std::size_t>(
                std::count(w.Use.begin(), w.Use.end(), TChannelUse::Baseline));
            if (kept > bestFitted) {
                bestFitted = kept;
                best = std::move(w);
            }
        };
        for (double period = 30.0; period <= 400.0; period *= 1.15)
            consider(period);
        if (best.RipplePeriod > 0.0) {
            const double centre = best.RipplePeriod;
            for (double period = centre / 1.15; period <= centre * 1.15; period *= 1.03)
                consider(period);
        }
        if (best.RipplePeriod > 0.0) {
            const auto [withRipple, without] = score(best);
            if (withRipple < without)
                r = std::move(best);
        }
    }
    if (!r.Error.empty()) {
        // Not even a constant: the spectrum stays as it is, and says so.
        const std::size_t n = std::min(x.size(), signal.size());
        r.Terms = 0;
        r.Correlation = -1.0;
        r.Corrected.assign(signal.begin(), signal.begin() + static_cast<std::ptrdiff_t>(n));
        r.Use.assign(n, TChannelUse::Line);
        for (std::size_t i = 0; i < n; ++i)
            if (signal[i] == 0.0)
                r.Use[i] = TChannelUse::Missing;
        r.Windows = LineRanges(x, r.Use);
        r.Error = "no line-free channels for a baseline: " + r.Error;
    }
    r.Coefficients.resize(static_cast<std::size_t>(maxTerms), 0.0);
    return r;
}

std::vector<TAxisRange> LineRanges(const std::vector<double>& x,
                                   const std::vector<TChannelUse>& use) {
    std::vector<TAxisRange> ranges;
    const std::size_t n = std::min(x.size(), use.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (use[i] != TChannelUse::Line)
            continue;
        if (i == 0 || use[i - 1] != TChannelUse::Line)
            ranges.push_back({x[i], x[i]});
        ranges.back().Low = std::min(ranges.back().Low, x[i]);
        ranges.back().High = std::max(ranges.back().High, x[i]);
    }
    return ranges;
}
