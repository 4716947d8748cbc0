// Spectra of the sample generator's model Galaxy (tools/Galaxymodel.h) on the receiver's 400
// channels, as the generator's survey files hold them, for the tests of the line window and
// the terminal velocity.
#pragma once

#include "Galaxymodel.h"
#include "data/Spectrumunit.h"

#include <algorithm>
#include <random>
#include <vector>

// A line of the model on the 400 channels: velocities relative to the LSR for an observation of
// the given VLSR, and the line scaled to peak at 60 (the generator's survey, noise rms 1).
struct TModelLine {
    double Longitude = 0.0, Truth = 0.0; // degrees; km/s, the model's terminal velocity
    std::vector<double> V, Line;
};

inline TModelLine ModelLine(double l, double vlsr, const TGalaxyModel& model = {}) {
    TModelLine m{l, ModelTerminalVelocity(model, l), {}, {}};
    double peak = 0.0;
    for (const double v : Velocities) {
        m.V.push_back(v - vlsr);
        m.Line.push_back(ModelBrightness(model, l, 0.0, v - vlsr));
        peak = std::max(peak, m.Line.back());
    }
    for (double& y : m.Line)
        y *= 60.0 / peak;
    return m;
}

// The line on a sloping receiver baseline with Gaussian noise (the generator's survey files).
inline std::vector<double> Observed(const TModelLine& m, double noise, std::mt19937& random) {
    std::normal_distribution<double> gauss(0.0, noise);
    std::vector<double> s;
    for (std::size_t i = 0; i < m.Line.size(); ++i)
        s.push_back(1500.0 + 0.05 * (static_cast<double>(i) - 200.0) + m.Line[i] + gauss(random));
    return s;
}
