#include "batch/Batchunit.h"

#include "astro/Rotationunit.h"
#include "batch/Inputunit.h"
#include "data/Datetimeunit.h"
#include "data/Readunit.h"
#include "data/Saveunit.h"
#include "numeric/Baselineunit.h"
#include "numeric/Linewindowunit.h"
#include "numeric/Polyfitunit.h"
#include "session/Applydetailsunit.h"
#include "session/Detailsstate.h"
#include "session/Sessionunit.h"
#include "settings/Globalunit.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace {

double Signed(double degrees) {
    return degrees > 180.0 ? degrees - 360.0 : degrees;
}

TSpectrumResult& Failed(TSpectrumResult& result, const std::string& error) {
    result.Ok = false;
    result.Row.Error = error;
    return result;
}

// The line window's channels: the windows typed, or the window found in the spectrum on the
// velocity-minus-VLSR axis. On that axis the session takes the found window's last fit, the very
// fit of its samples. A band so full of emission that no window leaves channels for the terms
// asked is fitted with fewer; with none at all, baseline is empty and the spectrum stays as
// read.
void ChooseLineWindow(TSession& session, const TBatchSettings& settings,
                      std::vector<TChannelUse>& use, std::string& baseline,
                      std::optional<TTerminalBaseline>& own) {
    if (!settings.Windows.empty()) {
        use = ChannelUseOfWindows(session.XValues(), session.Signal(), settings.Windows);
        return;
    }
    const std::vector<double>& v = session.VelocitiesMinusVlsr();
    TLineWindowResult found;
    if (!settings.AutoTerms)
        found = FindLineWindow(v, session.Signal(), settings.Terms);
    if (settings.AutoTerms || !found.Error.empty())
        found = FindSupportedLineWindow(v, session.Signal(), settings.Terms);
    // A ripple fitted with the polynomial stays out of the session's baseline (its
    // coefficients are the polynomial's); the edges stand on the whole of it.
    if (found.RipplePeriod > 0.0)
        own = TTerminalBaseline{found.Corrected, found.Use, found.Terms, ""};
    use = std::move(found.Use);
    if (found.Terms == 0) {
        baseline = found.Error;
        return;
    }
    if (settings.Mode == ModeVelocityMinusVlsr) {
        found.Coefficients.resize(static_cast<std::size_t>(found.Terms));
        session.SetTerms(found.Terms);
        session.UseFit(std::move(found.Coefficients), found.Correlation);
    } else {
        session.SetTerms(found.Terms);
    }
}

// The session's fit of the samples outside the line window, unless ChooseLineWindow gave it the
// window's own. Typed windows are the session's bands, fitted outside as the window fits
// outside the bands dragged; with no --terms, with the terms their samples support.
TFitResult FitOutsideLine(TSession& session, const TBatchSettings& settings,
                          const std::vector<TChannelUse>& use) {
    if (settings.Windows.empty() && settings.Mode == ModeVelocityMinusVlsr)
        return {session.Correlation(), ""};
    const TFitSamples samples = BaselineSamples(session.XValues(), session.Signal(), use);
    if (settings.AutoTerms && !settings.Windows.empty())
        session.SetTerms(SupportedTerms(samples.X, samples.Y, settings.Terms));
    if (!settings.Windows.empty()) {
        session.ClearBands();
        for (const TLineWindow& window : settings.Windows)
            session.AddBand(window);
        return session.FitOutsideBands();
    }
    return session.Fit(samples.X, samples.Y);
}

} // namespace

void TypePosition(TDetailsState& details, const TBatchSettings& settings) {
    static const TDetailsField galactic[6] = {TDetailsField::edBiiDeg, TDetailsField::edBiiMin,
                                              TDetailsField::edBiiSec, TDetailsField::edLiiDeg,
                                              TDetailsField::edLiiMin, TDetailsField::edLiiSec};
    static const TDetailsField equatorial[6] = {TDetailsField::edRaHrs,  TDetailsField::edRaMin,
                                                TDetailsField::edRaSec,  TDetailsField::edDecDeg,
                                                TDetailsField::edDecMin, TDetailsField::edDecSec};
    const TDetailsField* fields =
        settings.Position == TPositionSource::Galactic ? galactic : equatorial;
    for (int i = 0; i < 6; ++i)
        details.SetFieldText(fields[i], settings.PositionTexts[static_cast<std::size_t>(i)]);
}

TSpectrumResult ProcessSpectrum(const std::string& path, const TBatchSettings& settings,
                                const TStationSettings& station) {
    TSpectrumResult result;
    TSummaryRow& row = result.Row;
    row.File = path;
    // Every file has a session of its own, as a freshly started program holds it: a file's
    // result never depends on the file before it.
    TSession session;
    session.SetTerms(settings.Terms);

    try {
        session.Read(path);
    } catch (const std::runtime_error& error) {
        // The window shows the reader's text alone; a survey's row also says why the file did
        // not open, which the reader keeps to itself.
        std::string text = error.what();
        if (text == "Unable to open " + ExtractFileName(path))
            if (const std::string problem = InputProblem(path); !problem.empty())
                text += ": " + problem;
        return Failed(result, text);
    }
    row.TimeUtc = IsoTimeText(session.Instant());
    result.FileName = session.CurrentFileName();

    // The details as the dialog opens on this file, then the position typed, then OK.
    TDetailsState details = session.DetailsShown(TDetailsState::Create(station));
    if (settings.Position != TPositionSource::FileName)
        TypePosition(details, settings);
    else if (!session.PositionInFileName())
        // The dialog would offer the galactic centre; a survey wants the file's own position.
        return Failed(result, "no source position: the file's name carries none (give "
                              "--galactic or --equatorial)");
    row.GalLatitude = Signed(details.GalLatitude().Value);
    row.GalLongitude = details.GalLongitude().Value;
    row.RaHours = details.RightAscension().GetValue() / 15.0;
    row.Declination = Signed(details.Declination().Value);
    if (const TAppliedDetails applied = session.ApplyDetails(details); !applied.Applied)
        return Failed(result, applied.Error);
    row.Vlsr = session.Vlsr();

    // The axis, the line window, the fit outside it, and the subtraction.
    session.SelectAxis(settings.Mode);
    const std::vector<double>& x = session.XValues();
    std::vector<TChannelUse> use;
    std::string noBaseline;
    // The signal as read, on which the terminal velocity finds its own baseline.
    const std::vector<double> original = session.Signal();
    std::optional<TTerminalBaseline> own;
    ChooseLineWindow(session, settings, use, noBaseline, own);
    if (noBaseline.empty()) {
        const TFitResult fit = FitOutsideLine(session, settings, use);
        row.Correlation = fit.Correlation;
        if (!session.Subtract(LineRanges(x, use)))
            return Failed(result, fit.Error.empty() ? "the baseline fit failed" : fit.Error);
        row.Coefficients = session.Coefficients();
        // Fewer terms than the columns: the higher powers' coefficients are 0.
        row.Coefficients.resize(
            std::max(row.Coefficients.size(), static_cast<std::size_t>(settings.Terms)), 0.0);
    }
    result.Title = GraphTitleFor(settings.Mode, true);
    session.SetKelvinPerCount(station.KelvinPerCount);
    if (settings.Smoothing)
        session.Smooth(*settings.Smoothing);

    // Save as.
    try {
        result.SavedText =
            SavedText(session.SaveHeader(details, result.Title), x, session.Signal());
        result.Fits = FitsSpectrumOf(session, details, result.Title, settings.Mode, station);
    } catch (const std::invalid_argument& error) {
        return Failed(result, error.what());
    }

    // The edges stand on the baseline the line-free channels support: the session's own when
    // it is that one, else found again in the signal as read.
    const bool supported =
        settings.AutoTerms && settings.Windows.empty() && settings.Mode == ModeVelocityMinusVlsr;
    if (!supported)
        own = SupportedBaseline(session.VelocitiesMinusVlsr(), original,
                                settings.Windows.empty() ? nullptr : &use);
    row.Line = MeasureLine(session.Signal(), use, session.VelocitiesMinusVlsr(), *row.GalLongitude,
                           settings.Dispersion, own ? &*own : nullptr);
    if (!noBaseline.empty() && !row.Line.TerminalVelocity)
        row.Line.TerminalReason = noBaseline + "; the spectrum is not corrected";
    row.Line.Windows = LineRanges(x, use);
    AddColumnDensity(row.Line, use, session.VelocitiesMinusVlsr(), session.NoiseWidth(),
                     station.KelvinPerCount);
    if (settings.Gaussians != 0)
        row.Components = session.FitComponents(settings.Gaussians);
    result.X = x;
    result.Velocities = session.VelocitiesMinusVlsr();
    result.Signal = session.Signal();
    result.Ok = true;
    return result;
}

std::string CsvField(const std::string& text) {
    // A text a spreadsheet would run as a formula (a file named "=cmd|calc!A1.dat") is marked
    // as text by a leading apostrophe, and quoted so that the mark stays with it.
    const bool formula = !text.empty() && std::strchr("=+-@\t\r", text.front()) != nullptr;
    if (!formula && text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = formula ? "\"'" : "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

std::string ExactNumberText(double value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string IsoTimeText(double instant) {
    const TDateParts p = DecodeDateTime(instant);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", p.Year, p.Month, p.Day,
                  p.Hour, p.Minute, p.Second);
    return text;
}

std::string OutputStem(const std::string& path) {
    const std::string name = ExtractFileName(path);
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

std::string SummaryHeader(int terms, bool components) {
    std::string header = "file,time_utc,glat_deg,glon_deg,ra_h,dec_deg,vlsr_kms,correlation";
    for (int i = 0; i < terms; ++i)
        header += ",a" + std::to_string(i);
    return header +
           ",rms,peak,peak_v_kms,integral_signal_kms,terminal_v_kms,terminal_v_err_kms,"
           "terminal_v_err_stat_kms,terminal_v_err_sys_kms,"
           "highest_v_kms,lowest_v_kms,terminal_v_note,line_windows,"
           "integral_err_signal_kms,nhi_cm2,nhi_err_cm2,nhi_note," +
           (components ? "components,components_dropped," : "") + "error";
}

std::string SummaryLine(const TSummaryRow& row, int terms, bool components) {
    std::string line = CsvField(row.File);
    auto add = [&line](const std::optional<double>& value) {
        line += ',';
        if (value)
            line += ExactNumberText(*value);
    };
    line += ',' + CsvField(row.TimeUtc);
    for (const auto& value : {row.GalLatitude, row.GalLongitude, row.RaHours, row.Declination,
                              row.Vlsr, row.Correlation})
        add(value);
    for (int i = 0; i < terms; ++i)
        add(static_cast<std::size_t>(i) < row.Coefficients.size()
                ? std::optional<double>(row.Coefficients[static_cast<std::size_t>(i)])
                : std::nullopt);
    const TLineMeasures& m = row.Line;
    for (const auto& value :
         {m.Rms, m.Peak, m.PeakVelocity, m.Integral, m.TerminalVelocity, m.TerminalUncertainty,
          m.TerminalUncertaintyStat, m.TerminalUncertaintySys, m.HighestVelocity, m.LowestVelocity})
        add(value);
    // A file that failed has no line to speak of.
    line += ',' + CsvField(row.Error.empty() ? m.TerminalReason : std::string());
    std::string windows;
    for (const TLineWindow& w : m.Windows)
        windows += (windows.empty() ? "[" : " [") + ExactNumberText(w.Low) + ":" +
                   ExactNumberText(w.High) + "]";
    line += ',' + CsvField(windows);
    for (const auto& value : {m.IntegralUncertainty, m.ColumnDensity, m.ColumnDensityUncertainty})
        add(value);
    line += ',' + CsvField(row.Error.empty() ? m.ColumnDensityNote : std::string());
    if (components) {
        line += ',';
        if (row.Components && row.Components->Error.empty())
            line += std::to_string(row.Components->Components.size()) + ',' +
                    std::to_string(row.Components->Dropped.size());
        else
            line += ',';
    }
    return line + ',' + CsvField(row.Error);
}

std::string ComponentsHeader() {
    return "file,component,amplitude,amplitude_err,centre_kms,centre_err_kms,fwhm_kms,"
           "fwhm_err_kms,area_signal_kms,status,reason";
}

std::vector<std::string> ComponentLines(const TSummaryRow& row) {
    std::vector<std::string> lines;
    if (!row.Components)
        return lines;
    const TGaussFit& fit = *row.Components;
    const std::string file = CsvField(row.File);
    if (!fit.Error.empty()) {
        lines.push_back(file + ",,,,,,,,,failed," + CsvField(fit.Error));
        return lines;
    }
    const auto line = [&](std::size_t number, const TGaussComponent& g, const char* status,
                          const std::string& reason) {
        std::string text = file + ',' + std::to_string(number);
        // An uncertainty the data leave unbounded is an empty field.
        for (double value : {g.Amplitude, g.AmplitudeError, g.Centre, g.CentreError, g.Fwhm,
                             g.FwhmError, g.Integral()})
            text += ',' + (std::isfinite(value) ? ExactNumberText(value) : std::string());
        return text + ',' + status + ',' + CsvField(reason);
    };
    std::size_t number = 0;
    for (const TGaussComponent& g : fit.Components)
        lines.push_back(line(++number, g, "kept", std::string()));
    for (const TDroppedComponent& d : fit.Dropped)
        lines.push_back(line(++number, d.Component, "dropped", d.Reason));
    return lines;
}
