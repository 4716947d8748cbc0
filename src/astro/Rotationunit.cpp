#include "astro/Rotationunit.h"

#include "astro/Astroconstants.h"

#include <cmath>

TTangentQuadrant TangentQuadrant(double longitude) {
    if (!std::isfinite(longitude))
        return TTangentQuadrant::None;
    double l = std::fmod(longitude, 360.0);
    if (l < 0.0)
        l += 360.0;
    if (l <= 90.0)
        return TTangentQuadrant::First;
    if (l >= 270.0)
        return TTangentQuadrant::Fourth;
    return TTangentQuadrant::None;
}

TTangentPoint TangentPoint(double longitude, double terminalVelocity, double r0, double v0) {
    const TTangentQuadrant quadrant = TangentQuadrant(longitude);
    if (quadrant == TTangentQuadrant::None)
        return {};
    const double sine = std::fabs(std::sin(longitude * DegToRad));
    const double vt = quadrant == TTangentQuadrant::First ? terminalVelocity : -terminalVelocity;
    return {r0 * sine, vt + v0 * sine};
}

double FlatTerminalVelocity(double longitude, double v0) {
    const TTangentQuadrant quadrant = TangentQuadrant(longitude);
    if (quadrant == TTangentQuadrant::None)
        return 0.0;
    const double vt = v0 * (1.0 - std::fabs(std::sin(longitude * DegToRad)));
    return quadrant == TTangentQuadrant::First ? vt : -vt;
}
