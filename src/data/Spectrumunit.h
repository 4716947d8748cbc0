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

// The title word of a display mode: "Frequency", "Wavelength", "Velocity" or "Velocity - VLSR".
const char* ModeTitle(int mode);

// The graph's title line: the mode's word, " (corrected) " after a subtraction, " v Signal".
std::string GraphTitleFor(int mode, bool corrected);
