// Galaxymodel: the model Galaxy of the sample generator, and what it predicts for a tangent
// point. The generator writes its spectra from it; the tests measure the terminal velocity on
// spectra made from it and compare with its own truth.
//
// The Galaxy: circular orbits on a flat rotation curve (V0 at every radius, the Sun at R0), an
// exponential gas disc (scale length 4 kpc outside 4 kpc, constant 0.6 of the solar density
// inside, scale height 0.15 kpc, nothing beyond 25 kpc), integrated along the line of sight
// in steps of 0.02 kpc out to 30 kpc. Each step's gas emits a Gaussian of the dispersion Sigma
// at its radial velocity (optically thin, so brightness is proportional to column density).
//
// Two departures make the survey harder, both off by default:
//   - faint tangent emission: the gas within about 1 kpc of the tangent point thinned by a
//     factor, as where the line of sight crosses an inter-arm gap;
//   - wings: a fraction of the gas moves with a second, different dispersion, as the warm
//     phase of the interstellar medium does beside the cold one, which puts emission beyond
//     the terminal velocity that a single dispersion does not predict.
#pragma once

struct TGalaxyModel {
    double V0 = 220.0;          // km/s, circular speed at every radius
    double R0 = 8.5;            // kpc, the Sun's distance from the Galactic centre
    double Sigma = 8.0;         // km/s, the gas's velocity dispersion
    double TangentScale = 1.0;  // density factor at the tangent point, 0..1 (1: no dip)
    double TangentWidth = 1.0;  // kpc, the Gaussian half-width of the dip along the line of sight
    double WingSigma = 0.0;     // km/s, dispersion of the second component (0: none)
    double WingFraction = 0.25; // of the gas in the second component, when WingSigma > 0
};

// Brightness of the model's line at a velocity, in arbitrary units (proportional to the column
// density per unit velocity).
// Given:    model  the Galaxy
//           l, b   galactic longitude and latitude, degrees
//           v      radial velocity relative to the local standard of rest, km/s, positive away
// Returned: the sum over the line of sight of density x Gaussian(v - vr, dispersion) x step
// Reference: the tangent-point geometry of Binney & Merrifield, Galactic Astronomy (1998),
//           section 9.1 (vr = (V0 R0 / R - V0) sin l cos b for circular orbits).
double ModelBrightness(const TGalaxyModel& model, double l, double b, double v);

// The model's terminal velocity: that of the gas at the tangent point.
// Given:    model  the Galaxy (V0 only: the curve is flat)
//           l      galactic longitude, degrees
// Returned: km/s relative to the LSR, V0 (1 - |sin l|) in the first quadrant and its negative
//           in the fourth; 0 outside both (no tangent point inside the solar circle)
// Reference: Binney & Merrifield (1998), section 9.1: at the tangent point R = R0 |sin l|, so
//           vr = (V0 R0 / R - V0) sin l = V0 (sign(sin l) - sin l).
double ModelTerminalVelocity(const TGalaxyModel& model, double l);
