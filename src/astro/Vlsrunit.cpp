#include "astro/Vlsrunit.h"

#include <cmath>

namespace {

// Days to tropical centuries, 1 / 36524.21988, held wider than a double.
constexpr long double PerTropicalCentury = 1.0L / 36524.21988L;

// Ratio of the mean solar to the mean sidereal day.
constexpr double SiderealRatio = 0.997269566414;

// Arcseconds to radians.
constexpr double ArcsecToRad = 4.848136811e-6;

// Constant of aberration, radians (20.47").
constexpr double Aberration = -0.0000992413605;

// Cosine and sine of the obliquity of the ecliptic.
constexpr double CosObliquity = 0.91745051;
constexpr double SinObliquity = 0.39784993;

} // namespace

std::int32_t JulianDayOfJan0(std::int32_t year) {
    const std::int32_t y1 = year - 1;
    const std::int32_t k = y1 / 100;
    return 365 * y1 + y1 / 4 - k + k / 4 + 1721425;
}

void ApparentPlace(double day, double year, double epoch, double alpha, double delta,
                   double& alphaOut, double& deltaOut) {
    const double sd = std::sin(delta);
    const double cd = std::cos(delta);
    const double td = sd / cd;
    const double ca = std::cos(alpha);
    const double sa = std::sin(alpha);

    // Centuries: T0 from 1900 to the epoch, t from the epoch to the date.
    const double t0 = (epoch - 1900.0) * 0.01;
    const double t = static_cast<double>((year - epoch) * 0.01 + day * PerTropicalCentury);

    // Newcomb's precession angles, arcseconds.
    const double zeta = (2304.25 + 1.396 * t0) * t + 0.302 * t * t + 0.018 * t * t * t;
    const double z = zeta + 0.791 * t * t;
    const double theta = (2004.682 - 0.853 * t0) * t - 0.426 * t * t - 0.042 * t * t * t;
    const double m = (zeta + z) * ArcsecToRad;
    const double n = theta * ArcsecToRad;

    // Annual aberration from the Sun's mean longitude, plus precession.
    const double ls = (0.985647 * day + 278.5) * 0.0174532925;
    const double sl = std::sin(ls);
    const double cl = std::cos(ls);
    const double da1 = (sl * sa + CosObliquity * cl * ca) * Aberration / cd + m + n * sa * td;
    const double dd1 =
        (sl * ca * sd - CosObliquity * cl * sa * sd + SinObliquity * cl * cd) * Aberration + n * ca;

    // Nutation, the term in the longitude of the Moon's node only.
    const double node = (259.183275 - (t0 + t) * 1934.142) * DegToRad;
    const double a = -0.000083597 * std::sin(node);
    const double b = 0.000044678 * std::cos(node);
    const double da = (CosObliquity + SinObliquity * sa * td) * a - ca * td * b + da1;
    const double dd = SinObliquity * ca * a + sa * b + dd1;

    alphaOut = alpha + da;
    deltaOut = delta + dd;
}

void RotateSpherical(double a0, double b0, double ap, double bp, double a1, double b1, double& a2,
                     double& b2) {
    // The 1e-8 offsets keep the divisions finite at the poles.
    const double s0 = std::sin(b0) - 1e-8;
    const double c0 = std::cos(b0) - 1e-8;
    const double sp = std::sin(bp) - 1e-8;
    const double cp = std::cos(bp) - 1e-8;
    const double s1 = std::sin(b1) - 1e-8;
    const double c1 = std::cos(b1) - 1e-8;

    const double sb = std::cos(ap - a1) * cp * c1 + sp * s1;
    b2 = std::asin(sb);
    const double cb = std::cos(b2);

    const double sA = std::sin(ap - a1) * c1 / cb;
    const double cA = (s1 - sb * sp) / (cb * cp);
    const double cB = s0 / cp;
    const double sB = std::sin(ap - a0) * c0;
    const double p = sA * cB - cA * sB;
    const double q = cA * cB + sA * sB;

    // Half-angle form of atan2(p, q); 1 + q = 0 is the longitude pi itself.
    if (1.0 + q == 0.0)
        a2 = Pi;
    else if (std::fabs(q) > 0.0)
        a2 = 2.0 * std::atan(p / (1.0 + q));
    else
        a2 = 2.0 * std::atan((1.0 - q) / p);
}

void ComputeVlsr(double ra, double dec, double epoch, double year, double dayOfYear, double hours,
                 double latitude, double longitude, double elevation, double& lst, double& vSun,
                 double& vMoon, double& vRot, double& vlsr, double apexRa, double apexDec,
                 double apexSpeed) {
    // Solar apex, carried to the day of the observation.
    const double apexAlpha = apexRa * Pi * (1.0 / 12.0);
    const double apexDelta = apexDec * DegToRad;
    double apexAlphaNow = 0.0;
    double apexDeltaNow = 0.0;
    ApparentPlace(dayOfYear, year, epoch, apexAlpha, apexDelta, apexAlphaNow, apexDeltaNow);
    const double xa = apexSpeed * std::cos(apexAlphaNow) * std::cos(apexDeltaNow);
    const double ya = apexSpeed * std::sin(apexAlphaNow) * std::cos(apexDeltaNow);
    const double za = apexSpeed * std::sin(apexDeltaNow);

    // Source, carried to the start of the year.
    const double alpha = ra * DegToRad;
    const double delta = dec * DegToRad;
    double alphaNow = 0.0;
    double deltaNow = 0.0;
    ApparentPlace(0.0, year, epoch, alpha, delta, alphaNow, deltaNow);
    const double alphaTurns = (alphaNow / DegToRad) * (1.0 / 360.0);
    const double x = std::cos(alphaNow) * std::cos(deltaNow);
    const double y = std::sin(alphaNow) * std::cos(deltaNow);
    const double z = std::sin(deltaNow);

    const double sunTerm = -xa * x - ya * y - za * z;

    // Time from 1900 January 0.5 and local sidereal time, turns.
    const double phi = latitude * DegToRad;
    const double longitudeTurns = longitude * (1.0 / 360.0);
    const std::int32_t jan0 = JulianDayOfJan0(static_cast<std::int32_t>(year));
    const double d0 = jan0 - 2415020 - 0.5;
    const double t0 = d0 / 36525.0;
    const double d = hours / 24.0 + dayOfYear;
    const double dd = d0 + d;
    const double t = dd / 36525.0;
    const double g0 =
        ((((t0 - 0.7) * 8640184.542 + 175.0154 + 0.0929 * t0 * t0) / 3600.0) + 6.633333333333333) /
        24.0;
    const double g = d / SiderealRatio + g0;
    double wholeTurns = 0.0;
    const double siderealTime = std::modf(g - longitudeTurns, &wholeTurns);

    // Earth's rotation at the site.
    const double rho = (0.998327073 + 0.001676438 * std::cos(2.0 * phi) -
                        0.00000351 * std::cos(4.0 * phi) + 0.000000008 * std::cos(6.0 * phi)) *
                           6378160.0 +
                       elevation;
    const double vEquator = 2.0 * Pi * rho / (86400000.0 * SiderealRatio);
    const double dPhi = -692.743 * std::sin(2.0 * phi) + 1.1633 * std::sin(4.0 * phi) -
                        0.0026 * std::sin(6.0 * phi);
    const double phiGeocentric = phi + dPhi * DegToRad * (1.0 / 3600.0);
    const double rotationTerm = vEquator * std::cos(phiGeocentric) * std::cos(deltaNow) *
                                std::sin(2.0 * Pi * (siderealTime - alphaTurns));

    // Earth's orbit about the Sun (Newcomb).
    const double meanAnomaly =
        (358.47583 + 0.985600267 * dd - 0.00015 * t * t - 0.000003 * t * t * t) * DegToRad;
    const double perihelion =
        (101.22083 + 0.0000470684 * dd + 0.000453 * t * t + 0.000003 * t * t * t) * DegToRad;
    const double e = 0.01675104 - 0.0000418 * t - 0.000000126 * t * t;
    const double obliquity =
        (23.452294 - 0.0130125 * t - 0.00000164 * t * t + 0.000000503 * t * t * t) * DegToRad;
    const double trueAnomaly = meanAnomaly + (2.0 * e - 0.25 * e * e * e) * std::sin(meanAnomaly) +
                               1.25 * e * e * std::sin(2.0 * meanAnomaly) +
                               1.0833333333333333 * e * e * e * std::sin(3.0 * meanAnomaly);
    const double sunLongitude = perihelion + trueAnomaly;
    const double earthLongitude = sunLongitude + Pi;
    double lambda = 0.0;
    double beta = 0.0;
    RotateSpherical(0.0, 0.0, -Pi * 0.5, Pi * 0.5 - obliquity, alphaNow, deltaNow, lambda, beta);
    const double orbitSpeed =
        2.0 * Pi * (1.0 / 365.2564) * 149598500.0 / std::sqrt(1.0 - e * e) * (1.0 / 86400.0);
    const double orbitTerm =
        -orbitSpeed * std::cos(beta) *
        (std::sin(earthLongitude - lambda) - e * std::sin(perihelion - lambda));

    // Earth about the Earth-Moon barycentre.
    const double node = 259.183275 - 0.0529539222 * dd + 0.002078 * t * t + 0.000002 * t * t * t;
    const double nodeRad = node * DegToRad;
    const double moonLongitude =
        270.434164 + 13.1763965268 * dd - 0.001133 * t * t + 0.0000019 * t * t * t;
    const double perigee = 334.329556 + 0.1114040803 * dd - 0.010325 * t * t - 0.000012 * t * t * t;
    const double omega = (perigee - node) * DegToRad;
    const double em = 0.054900489;
    const double u0 = (moonLongitude - node) * DegToRad;
    const double inclination = 5.1453964 * DegToRad;
    const double moonAnomaly = u0 - omega;
    const double moonTrueAnomaly = moonAnomaly +
                                   (2.0 * em - 0.25 * em * em * em) * std::sin(moonAnomaly) +
                                   1.25 * em * em * std::sin(2.0 * moonAnomaly) +
                                   1.0833333333333333 * em * em * em * std::sin(3.0 * moonAnomaly);
    const double u = omega + moonTrueAnomaly;
    double lambdaMoon = 0.0;
    double betaMoon = 0.0;
    RotateSpherical(nodeRad, 0.0, nodeRad - Pi * 0.5, Pi * 0.5 - inclination, lambda, beta,
                    lambdaMoon, betaMoon);
    const double moonSpeed =
        2.0 * Pi * (1.0 / 27.321661) * 384403.120402 / std::sqrt(1.0 - em * em) * (1.0 / 86400.0);
    const double moonTerm = -moonSpeed * (1.0 / 81.3) * std::cos(betaMoon) *
                            (std::sin(u - lambdaMoon) - em * std::sin(omega - lambdaMoon));

    vSun = sunTerm;
    vMoon = moonTerm;
    vRot = rotationTerm;
    vlsr = orbitTerm + sunTerm + moonTerm + rotationTerm;
    lst = siderealTime;
}
