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
    FSteps.clear();
    FFittedOutside.clear();
    FMeasurement.reset();
    FOfferedDetails.reset();
    FBands.clear();
    FComponents.reset();
}

void TSession::UseAverage(const TAverage& average) {
    std::vector<double> coefficients = std::move(FCoefficients);
    const std::optional<double> kelvinPerCount = FKelvinPerCount;
    *this = average.First;
    FCoefficients = std::move(coefficients);
    FKelvinPerCount = kelvinPerCount; // the station's, not the first file's session's
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
    FBands.clear();
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
    FSteps.emplace_back();
    FFittedOutside = std::move(fittedOutside);
    SubtractPolynomial(FSignal, FXValues, FCoefficients);
    FComponents.reset();
    return true;
}

bool TSession::Undo() {
    if (!FHistory.Undo(FSignal))
        return false;
    FSteps.pop_back();
    FComponents.reset();
    return true;
}

bool TSession::Corrected() const {
    for (const std::optional<TSmoothing>& step : FSteps)
        if (!step)
            return true;
    return false;
}

void TSession::StartBands(const TAxisRange& band) {
    FBands.clear();
    AddBand(band);
}

void TSession::AddBand(const TAxisRange& band) {
    FBands.push_back({std::min(band.Low, band.High), std::max(band.Low, band.High)});
}

TFitResult TSession::FitOutsideBands() {
    const std::vector<TChannelUse> use = ChannelUseOfWindows(FXValues, FSignal, FBands);
    const TFitSamples samples = BaselineSamples(FXValues, FSignal, use);
    return Fit(samples.X, samples.Y);
}

double TSession::ChannelWidthKms() const {
    return MeanSpacing(MeasureVelocities());
}

bool TSession::Smooth(const TSmoothing& smoothing) {
    if (FSignal.empty())
        return false;
    FHistory.Push(FSignal);
    FSteps.push_back(smoothing);
    FSignal = SmoothSignal(FSignal, SmoothingKernel(smoothing, ChannelWidthKms()));
    FComponents.reset();
    return true;
}

std::vector<TSmoothing> TSession::Smoothings() const {
    std::vector<TSmoothing> standing;
    for (const std::optional<TSmoothing>& step : FSteps)
        if (step)
            standing.push_back(*step);
    return standing;
}

std::string TSession::SmoothingDescription() const {
    std::string text;
    for (const TSmoothing& s : Smoothings())
        text += (text.empty() ? "" : ", then ") + SmoothingText(s);
    return text;
}

double TSession::NoiseWidth() const {
    std::vector<double> kernel = {1.0};
    for (const TSmoothing& s : Smoothings())
        kernel = CombineKernels(kernel, SmoothingKernel(s, ChannelWidthKms()));
    return ::NoiseWidth(kernel);
}

const std::vector<double>& TSession::MeasureVelocities() const {
    return LsrFrame() ? FVelocitiesMinusVlsr : Velocities;
}

TGaussSettings TSession::ComponentSettings() const {
    TGaussSettings settings;
    settings.NoiseWidth = NoiseWidth();
    return settings;
}

const TGaussFit& TSession::FitComponents(int count) {
    const std::vector<double>& v = MeasureVelocities();
    FComponents = count < 1 ? FitGaussiansAuto(v, FSignal, ComponentSettings())
                            : FitGaussianCount(v, FSignal, count, ComponentSettings());
    return *FComponents;
}

const TGaussFit& TSession::FitComponents(const std::vector<TGaussComponent>& guesses) {
    FComponents = FitGaussians(MeasureVelocities(), FSignal, guesses, ComponentSettings());
    return *FComponents;
}

const TLineMeasureReport& TSession::Measure(std::vector<bool> inBand) {
    TLineMeasureRequest request;
    // The figures are relative to the LSR whenever this spectrum has its VLSR.
    request.LsrFrame = LsrFrame();
    request.Velocities = MeasureVelocities();
    request.Signal = FSignal;
    request.InBand = std::move(inBand);
    request.Subtracted = Corrected();
    if (const std::vector<double>* original = FHistory.Original())
        request.Original = *original;
    request.Terms = static_cast<int>(FCoefficients.size());
    if (request.LsrFrame && FAppliedDetails)
        request.Longitude = FAppliedDetails->GalLongitude().Value;
    request.NoiseWidth = NoiseWidth();
    request.KelvinPerCount = FKelvinPerCount;
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
    header.Smoothing = SmoothingDescription();
    return header;
}
