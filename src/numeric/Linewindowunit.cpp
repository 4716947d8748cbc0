#include "numeric/Linewindowunit.h"

#include "numeric/Baselineunit.h"
#include "numeric/Polyfitunit.h"

#include <algorithm>
#include <cmath>
#include <utility>

TLineWindowResult FindLineWindow(const std::vector<double>& x, const std::vector<double>& signal,
                                 int terms, double clipLevel, double margin, double breadth) {
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
    // The run of channels within the margin of each channel (x is monotonic).
    std::vector<std::pair<std::size_t, std::size_t>> reach(n);
    for (std::size_t k = 0; k < n; ++k) {
        std::size_t first = k, last = k;
        while (first > 0 && std::fabs(x[first - 1] - x[k]) <= margin)
            --first;
        while (last + 1 < n && std::fabs(x[last + 1] - x[k]) <= margin)
            ++last;
        reach[k] = {first, last};
    }
    // Correlated noise (a Hanning-smoothed receiver) stands higher in a running mean than
    // independent channels would: the clipping levels are raised by the square root of the
    // correlation factor, so that the noise's own wanderings are not taken for line.
    double widen = 1.0;
    // The iterations' fits by the normal equations kept up to date: the baseline's channels only
    // ever leave it, so each fit subtracts the products of the channels that left instead of
    // summing every channel again (measured on the sample spectra: 41 to 72 us a window, from
    // 52 to 102 us). The powers are of x scaled to [-1, 1], which keeps the sums well
    // conditioned for any number of terms. The final baseline is fitted afresh by FitPolynomial
    // below.
    const std::size_t m = static_cast<std::size_t>(terms);
    const double centre = n > 0 ? 0.5 * (x[0] + x[n - 1]) : 0.0;
    const double halfRange = n > 1 && x[n - 1] != x[0] ? 0.5 * std::fabs(x[n - 1] - x[0]) : 1.0;
    std::vector<double> powers(n * m);
    for (std::size_t i = 0; i < n; ++i) {
        const double u = (x[i] - centre) / halfRange;
        double p = 1.0;
        for (std::size_t j = 0; j < m; ++j, p *= u)
            powers[i * m + j] = p;
    }
    TMatrix normal(m, TVector(m, 0.0));
    TVector rhs(m, 0.0);
    auto account = [&](std::size_t i, double sign) {
        const double* row = &powers[i * m];
        for (std::size_t j = 0; j < m; ++j) {
            for (std::size_t k = 0; k <= j; ++k)
                normal[j][k] += sign * row[j] * row[k];
            rhs[j] += sign * row[j] * signal[i];
        }
    };
    std::size_t fitted = 0;
    for (std::size_t i = 0; i < n; ++i)
        if (r.Use[i] == TChannelUse::Baseline) {
            account(i, 1.0);
            ++fitted;
        }
    TVector scaled(m, 0.0);
    TMatrix solved(m, TVector(m, 0.0));
    std::vector<double> residuals;
    std::vector<int> marks;
    std::vector<TChannelUse> next;
    for (r.Iterations = 1; r.Iterations <= 20; ++r.Iterations) {
        if (fitted < 2 * m) {
            r.Error = "too few channels left for the baseline fit";
            return r;
        }
        for (std::size_t j = 0; j < m; ++j)
            for (std::size_t k = 0; k < m; ++k)
                solved[j][k] = k <= j ? normal[j][k] : normal[k][j];
        std::string message;
        if (!GaussJordan(solved, rhs, scaled, message)) {
            r.Error = message;
            return r;
        }
        residuals.clear();
        for (std::size_t i = 0; i < n; ++i)
            if (r.Use[i] != TChannelUse::Missing) {
                const double* row = &powers[i * m];
                double baseline = 0.0;
                for (std::size_t j = 0; j < m; ++j)
                    baseline += scaled[j] * row[j];
                r.Corrected[i] = signal[i] - baseline;
                if (r.Use[i] == TChannelUse::Baseline)
                    residuals.push_back(r.Corrected[i]);
            }
        r.Rms = RobustRms(residuals);
        widen = std::sqrt(NoiseCorrelation(r.Corrected, r.Use));

        // The channels above the clipping level, each run widened by the margin.
        // Running sums over the channels not missing: any box's mean in two subtractions.
        sums.assign(n + 1, 0.0);
        counts.assign(n + 1, 0);
        for (std::size_t i = 0; i < n; ++i) {
            const bool present = r.Use[i] != TChannelUse::Missing;
            sums[i + 1] = sums[i] + (present ? r.Corrected[i] : 0.0);
            counts[i + 1] = counts[i] + (present ? 1 : 0);
        }
        // The mean of the channels within half of i, in units of its own rms.
        auto level = [&](std::size_t i, std::size_t half) {
            const std::size_t first = i >= half ? i - half : 0, last = std::min(n, i + half + 1);
            const int count = counts[last] - counts[first];
            return count > 0 ? (sums[last] - sums[first]) * roots[static_cast<std::size_t>(count)] /
                                   (count * r.Rms * widen)
                             : 0.0;
        };
        // The wide mean alone would also take in the noise for half its span beyond a line's
        // end; the channels it adds must stand above their own noise too (1 rms). Each channel
        // that stands high marks its margin's run (a difference array: +1 at its start, -1 past
        // its end).
        marks.assign(n + 1, 0);
        for (std::size_t i = 0; i < n; ++i) {
            const double near = level(i, narrow / 2);
            if (r.Use[i] != TChannelUse::Missing &&
                (near > clipLevel || (near > 1.0 && level(i, wide / 2) > clipLevel))) {
                ++marks[reach[i].first];
                --marks[reach[i].second + 1];
            }
        }
        // A channel once taken for line stays line: the set only grows, so the iteration ends
        // (a set free to shrink can swing between two states, each fit flagging the other's
        // channels).
        next = r.Use;
        int covering = 0;
        for (std::size_t i = 0; i < n; ++i) {
            covering += marks[i];
            if (covering > 0 && next[i] != TChannelUse::Missing)
                next[i] = TChannelUse::Line;
        }
        // After the last fit the set stays as fitted, so that Use and Corrected agree.
        if (next == r.Use || r.Iterations == 20)
            break;
        for (std::size_t i = 0; i < n; ++i)
            if (r.Use[i] == TChannelUse::Baseline && next[i] == TChannelUse::Line) {
                account(i, -1.0);
                --fitted;
            }
        r.Use.swap(next);
    }
    // The baseline of the final set, fitted afresh in x.
    TVector fx, fy;
    for (std::size_t i = 0; i < n; ++i)
        if (r.Use[i] == TChannelUse::Baseline) {
            fx.push_back(x[i]);
            fy.push_back(signal[i]);
        }
    r.Coefficients.assign(m, 0.0);
    const TFitResult fit = FitPolynomial(fx, fy, r.Coefficients);
    r.Correlation = fit.Correlation;
    if (fit.Correlation < 0.0) {
        r.Error = fit.Error.empty() ? "the baseline fit failed" : fit.Error;
        return r;
    }
    residuals.clear();
    for (std::size_t i = 0; i < n; ++i)
        if (r.Use[i] != TChannelUse::Missing) {
            r.Corrected[i] = signal[i] - EvaluatePolynomial(r.Coefficients, x[i]);
            if (r.Use[i] == TChannelUse::Baseline)
                residuals.push_back(r.Corrected[i]);
        }
    r.Rms = RobustRms(residuals);
    r.Windows = LineRanges(x, r.Use);
    r.Terms = terms;
    return r;
}

int SupportedTerms(const std::vector<double>& x, const std::vector<double>& y, int maxTerms) {
    const std::size_t n = std::min(x.size(), y.size());
    int best = 1;
    double bestCriterion = INFINITY;
    for (int k = 1; k <= maxTerms && n > 2 * static_cast<std::size_t>(k); ++k) {
        TVector coefficients(static_cast<std::size_t>(k), 0.0);
        if (FitPolynomial(x, y, coefficients).Correlation < 0.0)
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

TLineWindowResult FindSupportedLineWindow(const std::vector<double>& x,
                                          const std::vector<double>& signal, int maxTerms) {
    maxTerms = std::max(1, maxTerms);
    // A window of `terms`, or of fewer when it leaves too few channels.
    auto window = [&](int terms) {
        TLineWindowResult r;
        for (int k = terms; k >= 1; --k) {
            r = FindLineWindow(x, signal, k);
            if (r.Error.empty())
                break;
        }
        return r;
    };
    TLineWindowResult r = window(std::min(2, maxTerms));
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
