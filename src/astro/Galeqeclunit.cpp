#include "astro/Galeqeclunit.h"

#include <cmath>

namespace {

constexpr int ModeCount = 6;

// [equinox set][mode]; radians, or plain sine and cosine values.

// Longitude of the ascending node of the target plane in the source system.
constexpr double NodeIn[2][ModeCount] = {
    {4.9261918136, 0.57595865315, 0.0, 0.0, 4.7005372834, 0.11129056012},
    {4.9368292465, 0.574770433, 0.0, 0.0, 4.71279419371, 0.11142137093},
};

// Longitude of the same node in the target system.
constexpr double NodeOut[2][ModeCount] = {
    {0.57595865315, 4.9261918136, 0.0, 0.0, 0.11129056012, 4.7005372834},
    {0.574770433, 4.9368292465, 0.0, 0.0, 0.11142137093, 4.71279419371},
};

// Sine of the angle between the planes, negative for the reverse direction.
constexpr double SinTilt[2][ModeCount] = {
    {0.88781538514, -0.88781538514, 0.39788119938, -0.39788119938, 0.86766174755, -0.86766174755},
    {0.88998808748, -0.88998808748, 0.39777715593, -0.39777715593, 0.86766622025, -0.86766622025},
};

constexpr double CosTilt[2][ModeCount] = {
    {0.46019978478, 0.46019978478, 0.9174369467, 0.9174369467, 0.49715499774, 0.49715499774},
    {0.45598377618, 0.45598377618, 0.91748206207, 0.91748206207, 0.49714719172, 0.49714719172},
};

} // namespace

TSkyPosition TransformCoordinates(TSkyPosition input, int mode, int equinoxSet) {
    if (mode < 0 || mode >= ModeCount)
        return input;
    const int k = equinoxSet == 0 ? 0 : 1;

    const double lon = input.Longitude / RadToDeg - NodeIn[k][mode];
    const double lat = input.Latitude / RadToDeg;
    const double sb = std::sin(lat);
    const double cb = std::cos(lat);
    const double q = std::sin(lon) * cb;

    double s = -SinTilt[k][mode] * q + CosTilt[k][mode] * sb;
    if (s >= 1.0)
        s = 1.0;
    if (s < -1.0)
        s = -1.0;

    TSkyPosition output;
    output.Latitude = std::asin(s) * RadToDeg;
    const double a = std::atan2(CosTilt[k][mode] * q + SinTilt[k][mode] * sb, std::cos(lon) * cb);
    // Adding 4 pi keeps fmod's argument, and so the longitude, positive.
    output.Longitude = std::fmod(a + NodeOut[k][mode] + FourPi, TwoPi) * RadToDeg;
    return output;
}
