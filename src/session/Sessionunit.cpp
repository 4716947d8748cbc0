#include "session/Sessionunit.h"

#include "session/Averageunit.h"
#include "session/Filenameunit.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

void TSession::Read(const std::string& path) {
    TSpectrumFile file;
    file.Read(path);
    TGLatitude latitude = FFileGLatitude;
    TGLongitude longitude = FFileGLongitude;
    const bool positionInName = ParseFileName(file.FileName, latitude, longitude);

    FSignal = std::move(file.Items);
    file.Items.clear();
    FCurrentFileName = file.FileName;
    FFile = std::move(file);
    FFileGLatitude = latitude;
    FFileGLongitude = longitude;
    FPositionInFileName = positionInName;
    FAveragedFiles.clear();
    // The VLSR and the velocity-minus-VLSR axis were computed for the observation read before.
    FVlsrForSpectrum = false;
    std::fill(FCoefficients.begin(), FCoefficients.end(), 0.0);
    ForgetSpectrumWork();
}

void TSession::ForgetSpectrumWork() {
    // A fit, a subtraction, a measure and what the dialog offered belong to the spectrum they
    // were made for: kept, they would be shown and saved as this spectrum's.
    FCorrelation = 0.0;
    FFitOffered = false;
    FHistory.Clear();
    FFittedOutside.clear();
    FMeasurement.reset();
    FOfferedDetails.reset();
}

void TSession::UseAverage(const TAverage& average) {
    std::vector<double> coefficients = std::move(FCoefficients);
    *this = average.First;
    FCoefficients = std::move(coefficients);
    ForgetSpectrumWork();
    FSignal = average.Signal;
    FXValues = average.Velocities;
    FVelocitiesMinusVlsr = average.Velocities;
    FCurrentFileName = AverageTitle(average.Files.size());
    FAveragedFiles.clear();
    for (const TAveragedScan& scan : average.Files)
        FAveragedFiles.push_back({ExtractFileName(scan.Path), scan.Applied.Vlsr});
}

void TSession::SelectAxis(int mode) {
    ::SelectXAxis(mode, FVelocitiesMinusVlsr, FXValues);
    FFitOffered = false;
}

TDetailsState TSession::DetailsShown(TDetailsState start) const {
    start.FormShow(FPositionInFileName, FFileGLatitude, FFileGLongitude);
    return start;
}

void TSession::OfferDetails(const TDetailsState& offered) {
    if (!FOfferedDetails)
        FOfferedDetails = offered;
}

TAppliedDetails TSession::ApplyDetails(const TDetailsState& details) {
    TAppliedDetails applied = ComputeAppliedDetails(Instant(), details);
    if (applied.Applied) {
        UseVlsr(applied.Vlsr);
        // The saved header repeats what was applied, never edits abandoned later with No.
        FAppliedDetails = details;
    }
    return applied;
}

void TSession::UseVlsr(double vlsr) {
    FVlsr = vlsr;
    FVelocitiesMinusVlsr = VelocitiesMinusVlsrFor(vlsr);
    FVlsrForSpectrum = true;
    FVlsrFileName = FCurrentFileName;
}

void TSession::SetTerms(int terms) {
    FCoefficients.resize(static_cast<std::size_t>(std::max(0, terms)), 0.0);
}

TFitResult TSession::Fit(const std::vector<double>& x, const std::vector<double>& y) {
    const TFitResult fit = FitPolynomial(x, y, FCoefficients);
    FCorrelation = fit.Correlation;
    // After a failure the coefficients may still hold a polynomial of another spectrum or axis.
    FFitOffered = fit.Correlation >= 0.0;
    return fit;
}

void TSession::UseFit(std::vector<double> coefficients, double correlation) {
    FCoefficients = std::move(coefficients);
    FCorrelation = correlation;
    FFitOffered = correlation >= 0.0;
}

bool TSession::Subtract(std::vector<TAxisRange> fittedOutside) {
    if (!FFitOffered)
        return false;
    FHistory.Push(FSignal);
    FFittedOutside = std::move(fittedOutside);
    SubtractPolynomial(FSignal, FXValues, FCoefficients);
    return true;
}

bool TSession::Undo() {
    return FHistory.Undo(FSignal);
}

const TLineMeasureReport& TSession::Measure(std::vector<bool> inBand) {
    TLineMeasureRequest request;
    // The figures are relative to the LSR whenever this spectrum has its VLSR.
    request.LsrFrame = LsrFrame();
    request.Velocities = request.LsrFrame ? FVelocitiesMinusVlsr : Velocities;
    request.Signal = FSignal;
    request.InBand = std::move(inBand);
    request.Subtracted = Corrected();
    if (const std::vector<double>* original = FHistory.Original())
        request.Original = *original;
    request.Terms = static_cast<int>(FCoefficients.size());
    if (request.LsrFrame && FAppliedDetails)
        request.Longitude = FAppliedDetails->GalLongitude().Value;
    FMeasurement = MeasureShownLine(request);
    return *FMeasurement;
}

const TDetailsState& TSession::DetailsOfSpectrum(const TDetailsState& dialog) const {
    // The details applied to a spectrum read before, or edits abandoned with No, never
    // describe this one.
    if (FVlsrForSpectrum && FAppliedDetails)
        return *FAppliedDetails;
    return FOfferedDetails ? *FOfferedDetails : dialog;
}

double TSession::Instant() const {
    return FFile ? FFile->FileDate + FFile->FileTime : 0.0;
}

TSaveHeader TSession::SaveHeader(const TDetailsState& dialog, const std::string& description,
                                 const QLocale& locale) const {
    const TDetailsState& details = DetailsOfSpectrum(dialog);
    TSaveHeader header;
    header.FileName = FCurrentFileName;
    header.AveragedFiles = FAveragedFiles;
    header.Description = description;
    header.Coefficients = FCoefficients;
    header.Corrected = Corrected();
    header.Correlation = FCorrelation;
    header.Vlsr = FVlsrForSpectrum ? FVlsr : 0.0;
    header.Ra = details.RightAscension().ToText();
    header.Dec = details.Declination().ToText(true);
    // The galactic lines come from the same details as Ra and Dec, not from the file's name:
    // typed or kept positions would otherwise save two places as one.
    header.GLat = details.GalLatitude().ToText(true);
    header.GLong = details.GalLongitude().ToText(false);
    header.Latitude = details.SiteLatitude().ToText(true);
    header.Longitude = details.SiteLongitude().ToText(true);
    std::string error;
    if (!ParseElevation(details.Text(TDetailsField::edElev), header.Elevation, error, locale))
        throw std::invalid_argument(error);
    header.FileTime = FileTimeText(Instant(), locale);
    return header;
}
