// Spectrum data held for the whole run: the receiver's channel table, the x axis of every
// display mode, the current spectrum's signal and the results of the baseline fit.
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

// Program globals (one each, for the whole run).
extern std::vector<double> XValues;             // x of each channel in the current display mode
extern std::vector<double> Signal;              // data items of the current file, one per channel
extern std::vector<double> WavelengthOffsets;   // m, wavelength minus RestWavelength
extern std::vector<double> Velocities;          // km/s
extern std::vector<double> VelocitiesMinusVlsr; // km/s, Velocities - Vlsr; empty until updated
extern std::vector<double> Coefficients;        // baseline polynomial, lowest power first
extern double Correlation;                      // correlation of the last fit
extern double Vlsr;                             // km/s, from the last applied details
extern std::string CurrentFileName;             // name (no folder) of the last file read

// Fills WavelengthOffsets and Velocities from ChannelOffsets. Only the first call does work.
void ComputeAxisTables();

// Refills VelocitiesMinusVlsr from Velocities and the current Vlsr.
void UpdateVlsrVelocities();

// XValues := a copy of the axis of the display mode; any other mode leaves XValues unchanged.
void SelectXAxis(int mode);

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
