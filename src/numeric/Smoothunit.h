// Smoothunit: smoothing of a spectrum along its channels by a kernel of weights that sum to 1,
// as the spectral-line packages offer it: Hanning (1/4, 1/2, 1/4), a boxcar of N channels, or
// a Gaussian of a FWHM in km/s.
//
// Smoothing correlates neighbouring channels. White noise of rms s per channel leaves the
// kernel w with rms s sqrt(sum w_k^2) per channel, but a sum over many channels keeps the
// noise it had: the channels of a smoothed spectrum are no longer independent. NoiseWidth
// gives the noise-equivalent width of the kernel, (sum w_k)^2 / sum w_k^2 channels (Hanning:
// 8/3, a boxcar of N: N), the number of channels that make one independent sample; an
// uncertainty summed over smoothed channels is multiplied by its square root.
//
// Edges and missing channels: a signal of exactly 0 is a missing channel. It stays 0 and takes
// no part in its neighbours' sums; at the spectrum's ends and beside missing channels the part
// of the kernel that falls on channels with a signal is used, its weights scaled to sum to 1
// again. So a constant stays constant up to the ends, and the end channels are less smoothed
// (Hanning's first channel keeps 2/3 of itself and takes 1/3 of its neighbour).
//
// Reference: R. B. Blackman and J. W. Tukey, The Measurement of Power Spectra (1958), for the
// Hanning window; F. J. Harris, Proc. IEEE 66 (1978) 51, for the noise-equivalent bandwidth.
#pragma once

#include <optional>
#include <string>
#include <vector>

enum class TSmoothKind { Hanning, Boxcar, Gauss };

struct TSmoothing {
    TSmoothKind Kind = TSmoothKind::Hanning;
    int Channels = 3;     // Boxcar: odd, 3..MaxBoxcarChannels
    double FwhmKms = 0.0; // Gauss: km/s, above 0 and at most MaxGaussFwhmKms
};

constexpr int MaxBoxcarChannels = 99;
constexpr double MaxGaussFwhmKms = 100.0;

// Reads "hanning", "boxcar:N" (N odd, 3..99, so the result stays centred on each channel) or
// "gauss:KMS" (FWHM in km/s, above 0 and at most 100). Returned: the smoothing, or nothing with
// error set (one line).
std::optional<TSmoothing> ParseSmoothing(const std::string& text, std::string& error);

// What was done, for a title or a saved header: "Hanning", "boxcar 5 channels",
// "Gaussian FWHM 3 km/s".
std::string SmoothingText(const TSmoothing& smoothing);

// The kernel's weights, an odd number of them centred on the channel, summing to 1.
// Given:    smoothing
//           channelWidthKms  the channels' spacing, km/s (for a Gaussian; its weights run to
//                            4 sigma on each side, sigma = FWHM / 2.3548 / channelWidthKms)
std::vector<double> SmoothingKernel(const TSmoothing& smoothing, double channelWidthKms);

// The kernel of two smoothings made one after the other (their convolution).
std::vector<double> CombineKernels(const std::vector<double>& first,
                                   const std::vector<double>& second);

// signal smoothed by kernel (odd length), with the ends and missing channels as above.
std::vector<double> SmoothSignal(const std::vector<double>& signal,
                                 const std::vector<double>& kernel);

// sqrt(sum w_k^2): the rms of smoothed white noise over its rms before (Hanning sqrt(3/8)).
double NoiseFactor(const std::vector<double>& kernel);

// (sum w_k)^2 / sum w_k^2: channels per independent sample (1 for no smoothing).
double NoiseWidth(const std::vector<double>& kernel);

// The mean spacing of an axis, |x_last - x_first| / (n - 1); 0 for fewer than two values.
double MeanSpacing(const std::vector<double>& x);
