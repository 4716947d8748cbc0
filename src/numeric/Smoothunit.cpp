#include "numeric/Smoothunit.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

// sigma = FWHM / (2 sqrt(2 ln 2)).
constexpr double FwhmPerSigma = 2.3548200450309493;
// A Gaussian kernel's half-width in sigmas: the weight beyond is below 3.4e-4 of the centre's.
constexpr double GaussReach = 4.0;
// A kernel never reaches further than this many channels each side.
constexpr int MaxHalfWidth = 400;

bool ReadPositive(const std::string& text, double& value) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return !text.empty() && result.ec == std::errc() && result.ptr == end && std::isfinite(value) &&
           value > 0.0;
}

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

} // namespace

std::optional<TSmoothing> ParseSmoothing(const std::string& text, std::string& error) {
    TSmoothing smoothing;
    const std::size_t colon = text.find(':');
    const std::string kind = text.substr(0, colon);
    const std::string value = colon == std::string::npos ? std::string() : text.substr(colon + 1);
    if (kind == "hanning" && colon == std::string::npos)
        return smoothing;
    double number = 0.0;
    if (kind == "boxcar") {
        smoothing.Kind = TSmoothKind::Boxcar;
        if (ReadPositive(value, number) && number == std::floor(number) && number >= 3 &&
            number <= MaxBoxcarChannels && static_cast<int>(number) % 2 == 1) {
            smoothing.Channels = static_cast<int>(number);
            return smoothing;
        }
        error = "--smooth boxcar:N needs an odd number of channels from 3 to " +
                std::to_string(MaxBoxcarChannels) + ", not '" + value + "'";
        return std::nullopt;
    }
    if (kind == "gauss") {
        smoothing.Kind = TSmoothKind::Gauss;
        if (ReadPositive(value, number) && number <= MaxGaussFwhmKms) {
            smoothing.FwhmKms = number;
            return smoothing;
        }
        error = "--smooth gauss:KMS needs a FWHM in km/s above 0 and at most " +
                Number(MaxGaussFwhmKms) + ", not '" + value + "'";
        return std::nullopt;
    }
    error = "--smooth must be hanning, boxcar:N or gauss:KMS, not '" + text + "'";
    return std::nullopt;
}

std::string SmoothingText(const TSmoothing& smoothing) {
    switch (smoothing.Kind) {
    case TSmoothKind::Hanning:
        return "Hanning";
    case TSmoothKind::Boxcar:
        return "boxcar " + std::to_string(smoothing.Channels) + " channels";
    case TSmoothKind::Gauss:
        return "Gaussian FWHM " + Number(smoothing.FwhmKms) + " km/s";
    }
    return std::string();
}

std::vector<double> SmoothingKernel(const TSmoothing& smoothing, double channelWidthKms) {
    switch (smoothing.Kind) {
    case TSmoothKind::Hanning:
        return {0.25, 0.5, 0.25};
    case TSmoothKind::Boxcar:
        return std::vector<double>(static_cast<std::size_t>(smoothing.Channels),
                                   1.0 / smoothing.Channels);
    case TSmoothKind::Gauss:
        break;
    }
    const double sigma =
        channelWidthKms > 0.0 ? smoothing.FwhmKms / FwhmPerSigma / channelWidthKms : 0.0;
    const int half = std::min(MaxHalfWidth, static_cast<int>(std::ceil(GaussReach * sigma)));
    if (!(sigma > 0.0) || half < 1)
        return {1.0};
    std::vector<double> kernel(static_cast<std::size_t>(2 * half + 1));
    double sum = 0.0;
    for (int k = -half; k <= half; ++k) {
        const double w = std::exp(-0.5 * k * k / (sigma * sigma));
        kernel[static_cast<std::size_t>(k + half)] = w;
        sum += w;
    }
    for (double& w : kernel)
        w /= sum;
    return kernel;
}

std::vector<double> CombineKernels(const std::vector<double>& first,
                                   const std::vector<double>& second) {
    if (first.empty() || second.empty())
        return first.empty() ? second : first;
    std::vector<double> combined(first.size() + second.size() - 1, 0.0);
    for (std::size_t i = 0; i < first.size(); ++i)
        for (std::size_t j = 0; j < second.size(); ++j)
            combined[i + j] += first[i] * second[j];
    return combined;
}

std::vector<double> SmoothSignal(const std::vector<double>& signal,
                                 const std::vector<double>& kernel) {
    const long n = static_cast<long>(signal.size());
    const long half = static_cast<long>(kernel.size() / 2);
    std::vector<double> smoothed(signal.size(), 0.0);
    for (long i = 0; i < n; ++i) {
        if (signal[static_cast<std::size_t>(i)] == 0.0)
            continue; // missing stays missing
        double sum = 0.0, weight = 0.0;
        for (long k = -half; k <= half; ++k) {
            const long j = i + k;
            if (j < 0 || j >= n || signal[static_cast<std::size_t>(j)] == 0.0)
                continue;
            const double w = kernel[static_cast<std::size_t>(k + half)];
            sum += w * signal[static_cast<std::size_t>(j)];
            weight += w;
        }
        smoothed[static_cast<std::size_t>(i)] = sum / weight;
    }
    return smoothed;
}

double NoiseFactor(const std::vector<double>& kernel) {
    double squares = 0.0;
    for (double w : kernel)
        squares += w * w;
    return std::sqrt(squares);
}

double NoiseWidth(const std::vector<double>& kernel) {
    double sum = 0.0, squares = 0.0;
    for (double w : kernel) {
        sum += w;
        squares += w * w;
    }
    return squares > 0.0 ? sum * sum / squares : 1.0;
}

double MeanSpacing(const std::vector<double>& x) {
    return x.size() < 2 ? 0.0 : std::fabs(x.back() - x.front()) / static_cast<double>(x.size() - 1);
}
