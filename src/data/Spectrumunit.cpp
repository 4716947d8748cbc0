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

std::string FloatToText(double x) {
    char text[40];
    std::snprintf(text, sizeof text, "%.15g", x);
    return text;
}

std::string ValueToText(double x) {
    if (std::fabs(x) >= 100.0)
        return FloatToText(std::floor(x + 0.5));
    const double rounded = std::floor(x / 0.00001 + 0.5) * 0.00001;
    // floor can give -0 for small negative values; show it as 0.
    return FloatToText(rounded == 0.0 ? 0.0 : rounded);
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

bool TextToFloat(const std::string& text, double& value, const QLocale& locale) {
    const QString trimmed = QString::fromStdString(text).trimmed();
    if (trimmed.isEmpty())
        return false;
    QLocale strict = locale;
    strict.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    double x = strict.toDouble(trimmed, &ok);
    if (!ok) {
        // A '.' is understood whatever the locale: the program writes its numbers that way.
        QLocale c = QLocale::c();
        c.setNumberOptions(QLocale::RejectGroupSeparator);
        x = c.toDouble(trimmed, &ok);
    }
    if (!ok || !std::isfinite(x))
        return false;
    value = x;
    return true;
}

std::string InvalidFloatMessage(const std::string& text) {
    return "'" + text + "' is not a valid floating point value";
}
