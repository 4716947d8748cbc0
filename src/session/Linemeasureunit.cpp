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

TLineMeasures MeasureLine(const std::vector<double>& corrected, const std::vector<TChannelUse>& use,
                          const std::vector<double>& velocities, double longitude,
                          double dispersion) {
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
    const TTerminalResult highest =
        MeasureTerminalVelocity(velocities, corrected, use, TVelocitySide::Positive, terminal);
    const TTerminalResult lowest =
        MeasureTerminalVelocity(velocities, corrected, use, TVelocitySide::Negative, terminal);
    m.HighestVelocity = highest.Velocity;
    m.LowestVelocity = lowest.Velocity;
    if (highest.Velocity)
        m.HighestUncertainty = highest.Uncertainty;
    if (lowest.Velocity)
        m.LowestUncertainty = lowest.Uncertainty;
    const TTangentQuadrant quadrant = TangentQuadrant(longitude);
    if (quadrant == TTangentQuadrant::None) {
        m.TerminalReason = "no tangent point between 90\u00B0 and 270\u00B0 of longitude";
        return m;
    }
    const TTerminalResult& side = quadrant == TTangentQuadrant::First ? highest : lowest;
    m.TerminalVelocity = side.Velocity;
    if (side.Velocity)
        m.TerminalUncertainty = side.Uncertainty;
    m.TerminalReason = side.Reason;
    return m;
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
        if (!found.Error.empty()) {
            report.Error = "no line window found: " + found.Error;
            return report;
        }
        use = std::move(found.Use);
        if (request.Subtracted) {
            corrected = signal;
            report.Baseline = "window found, baseline subtracted";
        } else {
            corrected = std::move(found.Corrected);
            report.Baseline = "window found, baseline of " + TermsText(request.Terms);
        }
    }
    // Without the LSR frame or a longitude there is no tangent point to speak of: the edges'
    // velocities would be topocentric, not the terminal velocities of the Galaxy's rotation.
    const double longitude = request.Longitude.value_or(180.0);
    report.Line = MeasureLine(corrected, use, v, longitude, request.Dispersion);
    report.Line.Windows = LineRanges(v, use);
    AddColumnDensity(report.Line, use, v, request.NoiseWidth, request.KelvinPerCount);
    if (!request.LsrFrame || !request.Longitude) {
        report.Line.TerminalVelocity.reset();
        report.Line.TerminalUncertainty.reset();
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
