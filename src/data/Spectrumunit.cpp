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

bool AxisTablesComputed = false;

} // namespace

const std::array<double, ChannelCount> ChannelOffsets = MakeChannelOffsets();

std::vector<double> XValues;
std::vector<double> Signal;
std::vector<double> WavelengthOffsets;
std::vector<double> Velocities;
std::vector<double> VelocitiesMinusVlsr;
std::vector<double> Coefficients;
double Correlation = 0.0;
double Vlsr = 0.0;
std::string CurrentFileName;

void ComputeAxisTables() {
    if (AxisTablesComputed)
        return;
    AxisTablesComputed = true;
    WavelengthOffsets.clear();
    Velocities.clear();
    WavelengthOffsets.reserve(ChannelCount);
    Velocities.reserve(ChannelCount);
    VelocitiesMinusVlsr.reserve(ChannelCount);
    for (double offset : ChannelOffsets) {
        const double wavelength = SpeedOfLight / (offset + RestFrequency) - RestWavelength;
        WavelengthOffsets.push_back(wavelength);
        Velocities.push_back(wavelength / RestWavelength * SpeedOfLight * 0.001);
    }
}

void UpdateVlsrVelocities() {
    VelocitiesMinusVlsr.clear();
    for (double velocity : Velocities)
        VelocitiesMinusVlsr.push_back(velocity - Vlsr);
}

void SelectXAxis(int mode) {
    switch (mode) {
    case ModeFrequency:
        XValues.assign(ChannelOffsets.begin(), ChannelOffsets.end());
        break;
    case ModeWavelength:
        XValues = WavelengthOffsets;
        break;
    case ModeVelocity:
        XValues = Velocities;
        break;
    case ModeVelocityMinusVlsr:
        XValues = VelocitiesMinusVlsr;
        break;
    default:
        break;
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
