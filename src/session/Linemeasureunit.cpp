#include "session/Linemeasureunit.h"

#include "astro/Rotationunit.h"
#include "numeric/Baselineunit.h"
#include "numeric/Columndensityunit.h"
#include "numeric/Polyfitunit.h"

#include <cmath>
#include <cstdio>

bool InsideWindows(double x, const std::vector<TAxisRange>& windows) {
    for (const TAxisRange& w : windows)
        if (w.Low <= x && x <= w.High)
            return true;
    return false;
}

std::vector<TChannelUse> ChannelUseOfWindows(const std::vector<double>& x,
                                             const std::vector<double>& signal,
                                             const std::vector<TAxisRange>& windows) {
    std::vector<TChannelUse> use(std::min(x.size(), signal.size()));
    for (std::size_t i = 0; i < use.size(); ++i)
        use[i] = signal[i] == 0.0               ? TChannelUse::Missing
                 : InsideWindows(x[i], windows) ? TChannelUse::Line
                                                : TChannelUse::Baseline;
    return use;
}

TFitSamples BaselineSamples(const std::vector<double>& x, const std::vector<double>& signal,
                            const std::vector<TChannelUse>& use) {
    TFitSamples samples;
    const std::size_t count = std::min(std::min(x.size(), signal.size()), use.size());
    samples.X.reserve(count);
    samples.Y.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        if (use[i] == TChannelUse::Baseline) {
            samples.X.push_back(x[i]);
            samples.Y.push_back(signal[i]);
        }
    return samples;
}

namespace {

std::string Fixed(double value, int decimals, bool sign = false) {
    char text[48];
    std::snprintf(text, sizeof text, sign ? "%+.*f" : "%.*f", decimals, value);
    return text;
}

std::string TermsText(int terms) {
    return std::to_string(terms) + (terms == 1 ? " term" : " terms");
}

// The lines of AddColumnDensity's figures.
void AddColumnDensityLines(std::vector<std::string>& lines, const TLineMeasures& m) {
    if (m.IntegralUncertainty)
        lines.push_back("integral \u00B1 " + Fixed(*m.IntegralUncertainty, 2) + " \u00D7 km/s");
    if (m.NoiseWidth > 1.0)
        lines.push_back("smoothed: " + Fixed(m.NoiseWidth, 2) + " ch a sample");
    if (m.ColumnDensity) {
        char text[64];
        std::snprintf(text, sizeof text, "N(HI) %.3e cm\u207B\u00B2", *m.ColumnDensity);
        lines.push_back(text);
        if (m.ColumnDensityUncertainty) {
            std::snprintf(text, sizeof text, "  \u00B1 %.2e (thin)", *m.ColumnDensityUncertainty);
            lines.push_back(text);
        }
    } else if (!m.ColumnDensityNote.empty()) {
        lines.push_back("N(HI): " + m.ColumnDensityNote);
    }
}

} // namespace

TTerminalBaseline SupportedBaseline(const std::vector<double>& velocities,
                                    const std::vector<double>& raw,
                                    const std::vector<TChannelUse>* typed) {
    constexpr int MaxTerms = 4;
    TTerminalBaseline base;
    if (!typed) {
        TLineWindowResult found = FindSupportedLineWindow(velocities, raw, MaxTerms);
        base.Terms = found.Terms;
        base.Error = found.Error;
        base.Use = std::move(found.Use);
        base.Corrected = std::move(found.Corrected);
        return base;
    }
    base.Use = *typed;
    const TFitSamples samples = BaselineSamples(velocities, raw, base.Use);
    std::vector<double> coefficients(
        static_cast<std::size_t>(SupportedTerms(samples.X, samples.Y, MaxTerms)));
    const TFitResult fit = FitPolynomial(samples.X, samples.Y, coefficients);
    if (fit.Correlation < 0.0) {
        base.Error = "no baseline outside the line: " +
                     (fit.Error.empty() ? std::string("the fit failed") : fit.Error);
        return base;
    }
    base.Terms = static_cast<int>(coefficients.size());
    base.Corrected = raw;
    SubtractPolynomial(base.Corrected, velocities, coefficients);
    return base;
}

TLineMeasures MeasureLine(const std::vector<double>& corrected, const std::vector<TChannelUse>& use,
                          const std::vector<double>& velocities, double longitude,
                          double dispersion, const TTerminalBaseline* own) {
    const std::size_t n = std::min(std::min(corrected.size(), use.size()), velocities.size());
    TLineMeasures m;
    std::vector<double> baseline;
    double integral = 0.0;
    bool any = false;
    for (std::size_t i = 0; i < n; ++i) {
        if (use[i] == TChannelUse::Baseline)
            baseline.push_back(corrected[i]);
        if (use[i] != TChannelUse::Line)
            continue;
        if (!m.Peak || corrected[i] > *m.Peak) {
            m.Peak = corrected[i];
            m.PeakVelocity = velocities[i];
        }
        const std::size_t before = i > 0 ? i - 1 : i;
        const std::size_t after = i + 1 < n ? i + 1 : i;
        if (after > before) {
            const double width = std::fabs(velocities[after] - velocities[before]) /
                                 static_cast<double>(after - before);
            integral += corrected[i] * width;
            any = true;
        }
    }
    if (!baseline.empty())
        m.Rms = RobustRms(std::move(baseline));
    if (any)
        m.Integral = integral;

    TTerminalSettings terminal;
    terminal.Dispersion = dispersion;
    const std::vector<double>& edgeSignal = own ? own->Corrected : corrected;
    const std::vector<TChannelUse>& edgeUse = own ? own->Use : use;
    const TTangentQuadrant quadrant = TangentQuadrant(longitude);
    TTerminalResult highest, lowest;
    if (own && !own->Error.empty()) {
        highest.Reason = lowest.Reason = own->Error;
    } else {
        // Both edges share the noise, and so its correlation; only a tangent point's edge can
        // be a thinned tangent point's.
        terminal.Correlation = NoiseCorrelation(edgeSignal, edgeUse);
        terminal.TangentPoint = quadrant == TTangentQuadrant::First;
        highest = MeasureTerminalVelocity(velocities, edgeSignal, edgeUse, TVelocitySide::Positive,
                                          terminal);
        terminal.TangentPoint = quadrant == TTangentQuadrant::Fourth;
        lowest = MeasureTerminalVelocity(velocities, edgeSignal, edgeUse, TVelocitySide::Negative,
                                         terminal);
    }
    m.HighestVelocity = highest.Velocity;
    m.LowestVelocity = lowest.Velocity;
    if (highest.Velocity)
        m.HighestUncertainty = highest.Uncertainty;
    if (lowest.Velocity)
        m.LowestUncertainty = lowest.Uncertainty;
    if (quadrant == TTangentQuadrant::None) {
        m.TerminalReason = "no tangent point between 90\u00B0 and 270\u00B0 of longitude";
        return m;
    }
    const TTerminalResult& side = quadrant == TTangentQuadrant::First ? highest : lowest;
    // Within 17.5 degrees of the centre the tangent point lies inside 0.3 R0 (2.6 kpc), in the
    // bar, whose non-circular motions put the gas beyond the circular orbits' terminal
    // velocity; the published rotation curves stop there (Burton & Gordon 1978, A&A 63, 7;
    // Clemens 1985; Binney et al. 1991, MNRAS 252, 210).
    if (std::fabs(std::sin(longitude * M_PI / 180.0)) < 0.3) {
        m.TerminalReason = "the tangent point lies within 0.3 R0 of the Galactic centre: in the "
                           "bar the gas does not move in circular orbits";
        return m;
    }
    // A narrow receiver's band can end before the gas of this longitude does; its last channels
    // then hold emission that the baseline fit takes for its own, and the edge left in the
    // corrected signal is the fit's, not the Galaxy's. The band must reach three dispersions
    // beyond the terminal velocity of a flat rotation curve (IAU V0; the measured curves lie
    // below it in the first and fourth quadrants' inner parts, Clemens 1985, McClure-Griffiths &
    // Dickey 2007), or the edge is not read.
    const double expected = FlatTerminalVelocity(longitude, IauV0);
    const double sign = quadrant == TTangentQuadrant::First ? 1.0 : -1.0;
    double reach = -INFINITY;
    for (std::size_t i = 0; i < n; ++i)
        if (use[i] != TChannelUse::Missing)
            reach = std::max(reach, sign * velocities[i]);
    if (side.Velocity && reach < sign * expected + 3.0 * dispersion) {
        m.TerminalReason =
            "the band ends at " + Fixed(sign * reach, 1, true) +
            " km/s, too near the terminal velocity a flat rotation curve gives here (" +
            Fixed(expected, 1, true) + " km/s) to see the edge fall to the baseline";
        return m;
    }
    m.TerminalVelocity = side.Velocity;
    if (side.Velocity) {
        m.TerminalUncertainty = side.Uncertainty;
        m.TerminalUncertaintyStat = side.UncertaintyStat;
        m.TerminalUncertaintySys = side.UncertaintySys;
    }
    m.TerminalReason = side.Reason;
    return m;
}

TLineMeasureReport MeasureShownLine(const TLineMeasureRequest& request) {
    TLineMeasureReport report;
    const std::vector<double>& v = request.Velocities;
    const std::vector<double>& signal = request.Signal;
    const std::size_t n = std::min(v.size(), signal.size());
    const bool band = !request.InBand.empty();
    std::vector<TChannelUse> use;
    std::vector<double> corrected;
    if (band) {
        use.assign(n, TChannelUse::Baseline);
        for (std::size_t i = 0; i < n; ++i)
            use[i] = signal[i] == 0.0                                 ? TChannelUse::Missing
                     : i < request.InBand.size() && request.InBand[i] ? TChannelUse::Line
                                                                      : TChannelUse::Baseline;
        if (request.Subtracted) {
            corrected = signal;
            report.Baseline = "in the band, baseline subtracted";
        } else {
            const TFitSamples samples = BaselineSamples(v, signal, use);
            std::vector<double> coefficients(static_cast<std::size_t>(std::max(0, request.Terms)));
            const TFitResult fit = FitPolynomial(samples.X, samples.Y, coefficients);
            if (fit.Correlation < 0.0) {
                report.Error = fit.Error.empty() ? "the baseline fit failed" : fit.Error;
                return report;
            }
            corrected = signal;
            SubtractPolynomial(corrected, v, coefficients);
            report.Baseline = "in the band, baseline of " + TermsText(request.Terms);
        }
    } else {
        TLineWindowResult found = FindLineWindow(v, signal, request.Terms);
        if (!found.Error.empty())
            found = FindSupportedLineWindow(v, signal, request.Terms);
        if (found.Terms == 0) {
            report.Error = "no line window found: " + found.Error;
            return report;
        }
        use = std::move(found.Use);
        if (request.Subtracted) {
            corrected = signal;
            report.Baseline = "window found, baseline subtracted";
        } else {
            corrected = std::move(found.Corrected);
            report.Baseline = "window found, baseline of " + TermsText(found.Terms);
        }
    }
    // Without the LSR frame or a longitude there is no tangent point to speak of: the edges'
    // velocities would be topocentric, not the terminal velocities of the Galaxy's rotation.
    const double longitude = request.Longitude.value_or(180.0);
    const std::vector<double>& original = request.Original.empty() ? signal : request.Original;
    const TTerminalBaseline own = SupportedBaseline(v, original, band ? &use : nullptr);
    report.Line = MeasureLine(corrected, use, v, longitude, request.Dispersion, &own);
    report.Line.Windows = LineRanges(v, use);
    AddColumnDensity(report.Line, use, v, request.NoiseWidth, request.KelvinPerCount);
    if (!request.LsrFrame || !request.Longitude) {
        report.Line.TerminalVelocity.reset();
        report.Line.TerminalUncertainty.reset();
        report.Line.TerminalUncertaintyStat.reset();
        report.Line.TerminalUncertaintySys.reset();
        report.Line.HighestVelocity.reset();
        report.Line.HighestUncertainty.reset();
        report.Line.LowestVelocity.reset();
        report.Line.LowestUncertainty.reset();
        report.Line.TerminalReason = !request.LsrFrame ? "no VLSR: enter the details"
                                                       : "no galactic longitude: enter the details";
    }
    return report;
}

std::vector<std::string> LineMeasureLines(const TLineMeasureReport& report) {
    if (!report.Error.empty())
        return {"Line not measured:", report.Error};
    const TLineMeasures& m = report.Line;
    std::vector<std::string> lines = {"Line, " + report.Baseline};
    for (const TAxisRange& w : m.Windows)
        lines.push_back("window " + Fixed(w.Low, 1) + ".." + Fixed(w.High, 1));
    if (m.Peak && m.PeakVelocity) {
        lines.push_back("peak " + Fixed(*m.Peak, 3));
        lines.push_back("  at " + Fixed(*m.PeakVelocity, 2, true) + " km/s");
    }
    if (m.Integral)
        lines.push_back("integral " + Fixed(*m.Integral, 2) + " \u00D7 km/s");
    if (m.Rms)
        lines.push_back("rms " + Fixed(*m.Rms, 3));
    const auto edge = [&lines](const char* name, const std::optional<double>& velocity,
                               const std::optional<double>& uncertainty) {
        if (velocity)
            lines.push_back(std::string(name) + " " + Fixed(*velocity, 1, true) + " \u00B1 " +
                            Fixed(uncertainty.value_or(0.0), 1) + " km/s");
    };
    edge("vt", m.TerminalVelocity, m.TerminalUncertainty);
    if (!m.TerminalVelocity && !m.TerminalReason.empty())
        lines.push_back("vt: " + m.TerminalReason);
    edge("v max", m.HighestVelocity, m.HighestUncertainty);
    edge("v min", m.LowestVelocity, m.LowestUncertainty);
    AddColumnDensityLines(lines, m);
    return lines;
}

void AddColumnDensity(TLineMeasures& m, const std::vector<TChannelUse>& use,
                      const std::vector<double>& velocities, double noiseWidth,
                      std::optional<double> kelvinPerCount) {
    m.NoiseWidth = noiseWidth;
    if (m.Rms) {
        const std::size_t n = std::min(use.size(), velocities.size());
        double squares = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            if (use[i] != TChannelUse::Line)
                continue;
            // The width MeasureLine gives the channel in the integral.
            const std::size_t before = i > 0 ? i - 1 : i, after = i + 1 < n ? i + 1 : i;
            if (after > before) {
                const double width = std::fabs(velocities[after] - velocities[before]) /
                                     static_cast<double>(after - before);
                squares += width * width;
            }
        }
        m.IntegralUncertainty = *m.Rms * std::sqrt(std::max(1.0, noiseWidth) * squares);
    }
    if (!m.Integral) {
        m.ColumnDensityNote = "no line to integrate";
        return;
    }
    const TColumnDensity n = ColumnDensityOf(*m.Integral, m.IntegralUncertainty, kelvinPerCount);
    m.ColumnDensity = n.Value;
    m.ColumnDensityUncertainty = n.Uncertainty;
    m.ColumnDensityNote = n.Note;
}
