// Rotationunit: the Galaxy's rotation speed at a tangent point, from the terminal velocity of
// the hydrogen line seen along a line of sight in the Galactic plane.
//
// Inside the solar circle a line of sight at longitude l passes closest to the Galactic centre
// at the tangent point, at distance R0 |sin l| from it. Gas in circular orbit there moves along
// the line of sight, so it has the most extreme radial velocity of the whole line of sight: the
// terminal velocity Vt, positive in the first quadrant (0 to 90 degrees), negative in the
// fourth (270 to 360 degrees). Taking away the Sun's own circular motion, V0 sin l, gives the
// rotation speed at the tangent point:
//
//   R = R0 |sin l|
//   V = Vt + V0 sin l        first quadrant
//   V = -Vt + V0 |sin l|     fourth quadrant
//
// Reference: the tangent-point method, Binney & Merrifield, Galactic Astronomy (1998), section
// 9.1; the constants R0 = 8.5 kpc and V0 = 220 km/s are those the IAU adopted in 1985 (Kerr &
// Lynden-Bell 1986, MNRAS 221, 1023).
#pragma once

constexpr double IauR0 = 8.5;   // kpc, the Sun's distance from the Galactic centre
constexpr double IauV0 = 220.0; // km/s, the circular speed of the local standard of rest

// The quadrants in which the line of sight has a tangent point inside the solar circle.
enum class TTangentQuadrant {
    None,   // 90 to 270 degrees: the line of sight looks out of the solar circle
    First,  // 0 to 90 degrees, both ends included
    Fourth, // 270 to 360 degrees, 270 included (360 is 0, the first quadrant)
};

// The quadrant of a galactic longitude.
// Given:    longitude  galactic longitude, degrees, any value (taken modulo 360)
// Returned: First for 0..90, Fourth for 270..360, None otherwise (and for a value that is not
//           finite)
TTangentQuadrant TangentQuadrant(double longitude);

// A point of the rotation curve.
struct TTangentPoint {
    double R = 0.0;            // kpc, distance of the tangent point from the Galactic centre
    double V = 0.0;            // km/s, circular speed there
    double VUncertainty = 0.0; // km/s, 1 sigma of V (0: not known)
};

// The tangent point of a line of sight and the rotation speed there.
// Given:    longitude         galactic longitude, degrees, in the first or fourth quadrant
//           terminalVelocity  km/s relative to the local standard of rest, positive away from
//                             the observer: the most positive velocity of the line in the first
//                             quadrant, the most negative in the fourth
//           r0                kpc, the Sun's distance from the Galactic centre
//           v0                km/s, the circular speed at the Sun
// Returned: R = r0 |sin l|; V = Vt + v0 sin l (first quadrant) or -Vt + v0 |sin l| (fourth
//           quadrant); both 0 for a longitude of neither quadrant
// Reference: Binney & Merrifield, Galactic Astronomy (1998), section 9.1
TTangentPoint TangentPoint(double longitude, double terminalVelocity, double r0, double v0);

// The terminal velocity a flat rotation curve gives: the model the measured ones are held
// against on a longitude-velocity diagram.
// Given:    longitude  galactic longitude, degrees, any value (taken modulo 360)
//           v0         km/s, the circular speed everywhere inside the solar circle
// Returned: km/s relative to the local standard of rest: v0 (1 - |sin l|) in the first
//           quadrant, -v0 (1 - |sin l|) in the fourth, 0 in neither (no tangent point)
// Reference: TangentPoint above solved for Vt with V = v0; Binney & Merrifield, Galactic
//           Astronomy (1998), section 9.1
double FlatTerminalVelocity(double longitude, double v0);
