#include "data/Spectrumunit.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

std::array<double, ChannelCount> MakeChannelOffsets() {
    std::array<double, ChannelCount> table{};
    for (int i = 0; i < ChannelCount; ++i) {
        // Six significant digits, exactly as the receiver's table was written down.
        char text[32];
        std::snprintf(text, sizeof text, "%.6g", 5000.0 * i - 1000001.77);
        table[i] = std::strtod(text, nullptr);
    }
    return table;
}

} // namespace

const std::array<double, ChannelCount> ChannelOffsets = MakeChannelOffsets();

namespace {

// The wavelength of a channel's frequency minus RestWavelength, m.
double WavelengthOffsetOf(double offset) {
    return SpeedOfLight / (offset + RestFrequency) - RestWavelength;
}

std::vector<double> MakeWavelengthOffsets() {
    std::vector<double> table;
    table.reserve(ChannelCount);
    for (double offset : ChannelOffsets)
        table.push_back(WavelengthOffsetOf(offset));
    return table;
}

std::vector<double> MakeVelocities() {
    std::vector<double> table;
    table.reserve(ChannelCount);
    for (double offset : ChannelOffsets)
        table.push_back(WavelengthOffsetOf(offset) / RestWavelength * SpeedOfLight * 0.001);
    return table;
}

} // namespace

const std::vector<double> WavelengthOffsets = MakeWavelengthOffsets();
const std::vector<double> Velocities = MakeVelocities();

std::vector<double> VelocitiesMinusVlsrFor(double vlsr) {
    std::vector<double> axis;
    axis.reserve(Velocities.size());
    for (double velocity : Velocities)
        axis.push_back(velocity - vlsr);
    return axis;
}

bool SelectXAxis(int mode, const std::vector<double>& velocitiesMinusVlsr,
                 std::vector<double>& axis) {
    switch (mode) {
    case ModeFrequency:
        axis.assign(ChannelOffsets.begin(), ChannelOffsets.end());
        return true;
    case ModeWavelength:
        axis = WavelengthOffsets;
        return true;
    case ModeVelocity:
        axis = Velocities;
        return true;
    case ModeVelocityMinusVlsr:
        axis = velocitiesMinusVlsr;
        return true;
    default:
        return false;
    }
}

double ToAbsolute(double x, int mode) {
    if (mode == ModeFrequency)
        return x + RestFrequency;
    if (mode == ModeWavelength)
        return x + RestWavelength;
    return x;
}

const char* ModeTitle(int mode) {
    switch (mode) {
    case ModeFrequency:
        return "Frequency";
    case ModeWavelength:
        return "Wavelength";
    case ModeVelocity:
        return "Velocity";
    default:
        return "Velocity - VLSR";
    }
}

std::string GraphTitleFor(int mode, bool corrected) {
    std::string title = ModeTitle(mode);
    if (corrected)
        title += " (corrected) ";
    return title + " v Signal";
}
