// The receiver's channel table, the x axis of every display mode, and the texts of the
// program's numbers.
//
// Units: frequencies in Hz, wavelengths in metres, velocities in km/s. The frequency and
// wavelength axes are offsets from RestFrequency and RestWavelength; ToAbsolute turns them
// back into absolute values for display.
//
// Velocity convention: radial velocity from the Doppler shift of the wavelength,
// v = (lambda - RestWavelength) / RestWavelength * c, positive for receding gas. Channel 0
// (1 MHz below the rest frequency) is about +211.27 km/s, channel 399 about -209.80 km/s.
#pragma once

#include <QLocale>
#include <array>
#include <string>
#include <vector>

constexpr double RestFrequency = 1420405751.0; // Hz, neutral hydrogen as used by the program
constexpr double RestWavelength = 0.2110611;   // m, a constant of its own (not c / f0)
constexpr double SpeedOfLight = 299792458.0;   // m/s
constexpr int ChannelCount = 400;

// Display modes, kept as the tag of the Graph menu.
enum TDisplayMode : int {
    ModeFrequency = 0,
    ModeWavelength = 1,
    ModeVelocity = 2,
    ModeVelocityMinusVlsr = 3,
};

// Frequency of each receiver channel minus RestFrequency, Hz: 5000 i - 1000001.77 rounded to
// six significant digits (-1000000, -995002, ..., -1.77, 4998.23, ..., 994998).
extern const std::array<double, ChannelCount> ChannelOffsets;

// The x axis of the wavelength and velocity modes, one value per channel: the wavelength of
// each channel's frequency minus RestWavelength (m), and the radial velocity (km/s).
extern const std::vector<double> WavelengthOffsets;
extern const std::vector<double> Velocities;

// The x axis of a display mode: ChannelOffsets, WavelengthOffsets, Velocities, or
// velocitiesMinusVlsr (which the caller keeps for its VLSR; see VelocitiesMinusVlsrFor). False,
// with axis unchanged, for any other mode.
bool SelectXAxis(int mode, const std::vector<double>& velocitiesMinusVlsr,
                 std::vector<double>& axis);

// Velocities - vlsr, channel by channel.
std::vector<double> VelocitiesMinusVlsrFor(double vlsr);

// The absolute value behind an axis value: x + RestFrequency (mode 0), x + RestWavelength
// (mode 1), x itself otherwise.
double ToAbsolute(double x, int mode);

// The general number text of the program: up to 15 significant digits, no thousands
// separators, no trailing zeros, '.' as decimal point whatever the locale (C's %.15g).
std::string FloatToText(double x);

// x rounded for tick labels and readouts: whole numbers from magnitude 100 up, otherwise five
// decimals at most; as FloatToText.
std::string ValueToText(double x);

// The title word of a display mode: "Frequency", "Wavelength", "Velocity" or "Velocity - VLSR".
const char* ModeTitle(int mode);

// The graph's title line: the mode's word, " (corrected) " after a subtraction, " v Signal".
std::string GraphTitleFor(int mode, bool corrected);

// The standard text-to-number conversion of a typed number: the locale's decimal separator or
// '.', an optional sign and exponent, leading and trailing blanks allowed, no thousands
// separators. False for anything else, infinities and NaN included.
bool TextToFloat(const std::string& text, double& value, const QLocale& locale = QLocale());

// The conversion error for a text that is not a number, naming the text:
// 'abc' is not a valid floating point value
std::string InvalidFloatMessage(const std::string& text);
