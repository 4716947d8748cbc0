#include "Galaxymodel.h"

#include <cmath>

namespace {

// The dip of faint tangent emission: 1 away from the tangent point, TangentScale at it.
double TangentFactor(const TGalaxyModel& model, double distance, double tangentDistance) {
    const double u = (distance - tangentDistance) / model.TangentWidth;
    return 1.0 - (1.0 - model.TangentScale) * std::exp(-0.5 * u * u);
}

} // namespace

double ModelBrightness(const TGalaxyModel& model, double l, double b, double v) {
    const double V0 = model.V0, R0 = model.R0, sigma = model.Sigma;
    const double lr = l * M_PI / 180.0, br = b * M_PI / 180.0;
    // Only lines of sight with a tangent point have a dip (cos l > 0).
    const bool dip = model.TangentScale != 1.0 && std::cos(lr) > 0.0;
    const double tangentDistance = R0 * std::cos(lr);
    const bool wings = model.WingSigma > 0.0;
    double sum = 0.0;
    const double step = 0.02; // kpc
    for (double d = step / 2; d < 30.0; d += step) {
        const double planar = d * std::cos(br);
        const double R = std::sqrt(R0 * R0 + planar * planar - 2.0 * R0 * planar * std::cos(lr));
        const double z = d * std::sin(br);
        if (R > 25.0)
            continue;
        double density =
            (R < 4.0 ? 0.6 : std::exp(-(R - R0) / 4.0)) * std::exp(-std::fabs(z) / 0.15);
        if (dip)
            density *= TangentFactor(model, planar, tangentDistance);
        const double vr = (V0 * R0 / R - V0) * std::sin(lr) * std::cos(br);
        const double dv = (v - vr) / sigma;
        if (!wings) {
            sum += density * std::exp(-0.5 * dv * dv) * step;
            continue;
        }
        // Both components normalised to the same column density per unit velocity integral.
        const double dw = (v - vr) / model.WingSigma;
        sum += density * step *
               ((1.0 - model.WingFraction) * std::exp(-0.5 * dv * dv) +
                model.WingFraction * sigma / model.WingSigma * std::exp(-0.5 * dw * dw));
    }
    return sum;
}

double ModelTerminalVelocity(const TGalaxyModel& model, double l) {
    const double s = std::sin(l * M_PI / 180.0);
    if (std::cos(l * M_PI / 180.0) <= 0.0)
        return 0.0;
    return s >= 0.0 ? model.V0 * (1.0 - s) : -model.V0 * (1.0 + s);
}
