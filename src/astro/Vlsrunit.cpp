#include "astro/Vlsrunit.h"

#include <cmath>

namespace {

// Days to tropical centuries, 1 / 36524.21988, held wider than a double.
constexpr long double PerTropicalCentury = 1.0L / 36524.21988L;

// Days in a Julian century.
constexpr double JulianCentury = 36525.0;

// Arcseconds to radians.
constexpr double ArcsecToRad = 4.848136811e-6;

// Newcomb's precession angles from the epoch to the date, radians: m = zeta + z, n = theta.
void PrecessionAngles(double day, double year, double epoch, double& m, double& n) {
    // Centuries: T0 from 1900 to the epoch, t from the epoch to the date.
    const double t0 = (epoch - 1900.0) * 0.01;
    const double t = static_cast<double>((year - epoch) * 0.01 + day * PerTropicalCentury);
    const double zeta = (2304.25 + 1.396 * t0) * t + 0.302 * t * t + 0.018 * t * t * t;
    const double z = zeta + 0.791 * t * t;
    const double theta = (2004.682 - 0.853 * t0) * t - 0.426 * t * t - 0.042 * t * t * t;
    m = (zeta + z) * ArcsecToRad;
    n = theta * ArcsecToRad;
}

// Cartesian unit vectors of the rotation of spherical coordinates.
struct TVector {
    double X, Y, Z;
};

TVector UnitVector(double longitude, double latitude) {
    return {std::cos(latitude) * std::cos(longitude), std::cos(latitude) * std::sin(longitude),
            std::sin(latitude)};
}
double Dot(const TVector& a, const TVector& b) {
    return a.X * b.X + a.Y * b.Y + a.Z * b.Z;
}
TVector Cross(const TVector& a, const TVector& b) {
    return {a.Y * b.Z - a.Z * b.Y, a.Z * b.X - a.X * b.Z, a.X * b.Y - a.Y * b.X};
}
TVector Times(double k, const TVector& a) {
    return {k * a.X, k * a.Y, k * a.Z};
}
TVector Minus(const TVector& a, const TVector& b) {
    return {a.X - b.X, a.Y - b.Y, a.Z - b.Z};
}
TVector Normalised(const TVector& a) {
    return Times(1.0 / std::sqrt(Dot(a, a)), a);
}

} // namespace

std::int32_t JulianDayOfJan0(std::int32_t year) {
    const std::int32_t y1 = year - 1;
    const std::int32_t k = y1 / 100;
    return 365 * y1 + y1 / 4 - k + k / 4 + 1721425;
}

double DaysFrom1900(double year, double dayOfYear, double hours) {
    const std::int32_t jan0 = JulianDayOfJan0(static_cast<std::int32_t>(year));
    // JD of 0 January 0h UT less JD 2415020.0.
    const double toJan0 = jan0 - 2415020 - 0.5;
    return toJan0 + (hours / 24.0 + dayOfYear);
}

double GreenwichSiderealTime(double year, double dayOfYear, double hours) {
    const double t0 = DaysFrom1900(year, 0.0, 0.0) / JulianCentury;
    // 6h 38m 45.836s, written as 6h 38m plus 45.836 s less 70 days' worth of the rate, so
    // that the large product stays small.
    const double atJan0 =
        ((((t0 - 0.7) * 8640184.542 + 175.0154 + 0.0929 * t0 * t0) / 3600.0) + 6.633333333333333) /
        24.0;
    return (hours / 24.0 + dayOfYear) / SolarToSiderealDay + atJan0;
}

double LocalSiderealTime(double greenwichTurns, double westLongitude) {
    double wholeTurns = 0.0;
    return std::modf(greenwichTurns - westLongitude * (1.0 / 360.0), &wholeTurns);
}

void PrecessionOffsets(double day, double year, double epoch, double alpha, double delta,
                       double& dAlpha, double& dDelta) {
    double m = 0.0;
    double n = 0.0;
    PrecessionAngles(day, year, epoch, m, n);
    dAlpha = m + n * std::sin(alpha) * std::tan(delta);
    dDelta = n * std::cos(alpha);
}

void NutationOffsets(double centuries, double alpha, double delta, double& dAlpha, double& dDelta) {
    const double node = (259.183275 - centuries * 1934.142) * DegToRad;
    const double dPsiSinEps = -0.000083597 * std::sin(node) * SinFixedObliquity;
    const double dPsiCosEps = -0.000083597 * std::sin(node) * CosFixedObliquity;
    const double dEps = 0.000044678 * std::cos(node);
    const double ta = std::tan(delta);
    dAlpha = dPsiCosEps + dPsiSinEps * std::sin(alpha) * ta - dEps * std::cos(alpha) * ta;
    dDelta = dPsiSinEps * std::cos(alpha) + dEps * std::sin(alpha);
}

void AberrationOffsets(double day, double alpha, double delta, double& dAlpha, double& dDelta) {
    // The degree rounded to 10 places, as the VLSR has always used it: 5e-9 rad in the Sun's
    // longitude, 5e-13 rad in the offsets.
    const double sunLongitude = (0.985647 * day + 278.5) * 0.0174532925;
    const double sl = std::sin(sunLongitude);
    const double cl = std::cos(sunLongitude);
    const double sa = std::sin(alpha);
    const double ca = std::cos(alpha);
    const double sd = std::sin(delta);
    const double cd = std::cos(delta);
    // Besselian C = -k cos(eps) cos(sun), D = -k sin(sun).
    dAlpha = -AberrationConstantRad * (sl * sa + CosFixedObliquity * cl * ca) / cd;
    dDelta = -AberrationConstantRad *
             (sl * ca * sd - CosFixedObliquity * cl * sa * sd + SinFixedObliquity * cl * cd);
}

void ApparentPlace(double day, double year, double epoch, double alpha, double delta,
                   double& alphaOut, double& deltaOut) {
    double precessionAlpha = 0.0;
    double precessionDelta = 0.0;
    PrecessionOffsets(day, year, epoch, alpha, delta, precessionAlpha, precessionDelta);
    const double centuries = (epoch - 1900.0) * 0.01 +
                             static_cast<double>((year - epoch) * 0.01 + day * PerTropicalCentury);
    double nutationAlpha = 0.0;
    double nutationDelta = 0.0;
    NutationOffsets(centuries, alpha, delta, nutationAlpha, nutationDelta);
    double aberrationAlpha = 0.0;
    double aberrationDelta = 0.0;
    AberrationOffsets(day, alpha, delta, aberrationAlpha, aberrationDelta);
    alphaOut = alpha + (nutationAlpha + (aberrationAlpha + precessionAlpha));
    deltaOut = delta + (nutationDelta + (aberrationDelta + precessionDelta));
}

double MeanObliquity(double centuries) {
    const double t = centuries;
    return (23.452294 - 0.0130125 * t - 0.00000164 * t * t + 0.000000503 * t * t * t) * DegToRad;
}

void RotateSpherical(double a0, double b0, double ap, double bp, double a1, double b1, double& a2,
                     double& b2) {
    const TVector point = UnitVector(a1, b1);
    const TVector pole = UnitVector(ap, bp);
    // The origin's meridian: its direction less its part along the pole.
    const TVector origin = UnitVector(a0, b0);
    const TVector x = Normalised(Minus(origin, Times(Dot(origin, pole), pole)));
    const TVector y = Cross(pole, x);
    const double px = Dot(point, x);
    const double py = Dot(point, y);
    // atan2 of the point's components in the new system: continuous at every longitude,
    // finite at the poles, where any longitude is right.
    a2 = std::atan2(py, px);
    b2 = std::atan2(Dot(point, pole), std::hypot(px, py));
}

void EclipticPlaceOfDate(double alpha, double delta, double obliquity, double& lambda,
                         double& beta) {
    // The ecliptic's pole lies at RA -90 deg, Dec 90 deg - obliquity; its origin at the equinox.
    RotateSpherical(0.0, 0.0, -Pi * 0.5, Pi * 0.5 - obliquity, alpha, delta, lambda, beta);
}

double TrueAnomaly(double meanAnomaly, double eccentricity) {
    const double e = eccentricity;
    const double m = meanAnomaly;
    return m + (2.0 * e - 0.25 * e * e * e) * std::sin(m) + 1.25 * e * e * std::sin(2.0 * m) +
           1.0833333333333333 * e * e * e * std::sin(3.0 * m);
}

double GeocentricRadius(double latitude, double elevation) {
    const double phi = latitude * DegToRad;
    return (0.998327073 + 0.001676438 * std::cos(2.0 * phi) - 0.00000351 * std::cos(4.0 * phi) +
            0.000000008 * std::cos(6.0 * phi)) *
               EarthEquatorialRadiusM +
           elevation;
}

double GeocentricLatitude(double latitude) {
    const double phi = latitude * DegToRad;
    // Geocentric less geodetic latitude, arcseconds.
    const double difference = -692.743 * std::sin(2.0 * phi) + 1.1633 * std::sin(4.0 * phi) -
                              0.0026 * std::sin(6.0 * phi);
    return phi + difference * DegToRad * (1.0 / 3600.0);
}

double SolarMotionTerm(double alpha, double delta, double apexAlpha, double apexDelta,
                       double apexSpeed) {
    const double xa = apexSpeed * std::cos(apexAlpha) * std::cos(apexDelta);
    const double ya = apexSpeed * std::sin(apexAlpha) * std::cos(apexDelta);
    const double za = apexSpeed * std::sin(apexDelta);
    const double x = std::cos(alpha) * std::cos(delta);
    const double y = std::sin(alpha) * std::cos(delta);
    const double z = std::sin(delta);
    return -xa * x - ya * y - za * z;
}

double EarthOrbitTerm(double lambda, double beta, double days) {
    const double t = days / JulianCentury;
    // Newcomb's elements of date: the Sun's mean anomaly, the longitude of the Earth's
    // perihelion (the Sun's perigee less 180 deg), the eccentricity.
    const double meanAnomaly =
        (358.47583 + 0.985600267 * days - 0.00015 * t * t - 0.000003 * t * t * t) * DegToRad;
    const double perihelion =
        (101.22083 + 0.0000470684 * days + 0.000453 * t * t + 0.000003 * t * t * t) * DegToRad;
    const double e = 0.01675104 - 0.0000418 * t - 0.000000126 * t * t;
    // Heliocentric longitude of the Earth, and the Sun's geocentric longitude opposite it.
    const double earthLongitude = perihelion + TrueAnomaly(meanAnomaly, e);
    const double sunLongitude = earthLongitude + Pi;
    // V = 2 pi a / (P sqrt(1 - e^2)), km/s.
    const double speed = 2.0 * Pi * (1.0 / SiderealYearDays) * AstronomicalUnitKm /
                         std::sqrt(1.0 - e * e) * (1.0 / SecondsPerDay);
    // With the Sun's perigee = perihelion + 180 deg, e sin(perigee - lambda) is
    // -e sin(perihelion - lambda).
    return -speed * std::cos(beta) *
           (std::sin(sunLongitude - lambda) - e * std::sin(perihelion - lambda));
}

double EarthMoonTerm(double lambda, double beta, double days) {
    const double t = days / JulianCentury;
    // Brown's mean elements of date, degrees: the node, the Moon's mean longitude, the perigee.
    const double node = 259.183275 - 0.0529539222 * days + 0.002078 * t * t + 0.000002 * t * t * t;
    const double meanLongitude =
        270.434164 + 13.1763965268 * days - 0.001133 * t * t + 0.0000019 * t * t * t;
    const double perigee =
        334.329556 + 0.1114040803 * days - 0.010325 * t * t - 0.000012 * t * t * t;
    const double nodeRad = node * DegToRad;
    // In the plane of the orbit, counted from the ascending node: the argument of perigee and
    // the Moon's argument of latitude.
    const double omega = (perigee - node) * DegToRad;
    const double meanArgument = (meanLongitude - node) * DegToRad;
    const double u = omega + TrueAnomaly(meanArgument - omega, MoonEccentricity);
    // The source in the same frame: pole at longitude node - 90 deg, latitude 90 deg - i.
    double lambdaMoon = 0.0;
    double betaMoon = 0.0;
    RotateSpherical(nodeRad, 0.0, nodeRad - Pi * 0.5, Pi * 0.5 - MoonInclinationDeg * DegToRad,
                    lambda, beta, lambdaMoon, betaMoon);
    const double e = MoonEccentricity;
    const double moonSpeed = 2.0 * Pi * (1.0 / SiderealMonthDays) * MoonDistanceKm /
                             std::sqrt(1.0 - e * e) * (1.0 / SecondsPerDay);
    // The Earth's velocity about the barycentre is the Moon's geocentric one times the
    // Moon's share of the pair's mass, 1 / (1 + EarthMoonMassRatio); the Keplerian velocity
    // along a direction at angle lambdaMoon in the plane is -V [sin(u - lambdaMoon) +
    // e sin(omega - lambdaMoon)].
    return -moonSpeed * (1.0 / (1.0 + EarthMoonMassRatio)) * std::cos(betaMoon) *
           (std::sin(u - lambdaMoon) + e * std::sin(omega - lambdaMoon));
}

double EarthRotationTerm(double latitude, double elevation, double declination, double hourAngle) {
    // The site's distance from the axis, carried once round in a sidereal day; km/s.
    const double equatorialSpeed = 2.0 * Pi * GeocentricRadius(latitude, elevation) /
                                   (SecondsPerDay * 1000.0 * SolarToSiderealDay);
    return equatorialSpeed * std::cos(GeocentricLatitude(latitude)) * std::cos(declination) *
           std::sin(hourAngle);
}

void ComputeVlsr(double ra, double dec, double epoch, double year, double dayOfYear, double hours,
                 double latitude, double longitude, double elevation, double& lst, double& vSun,
                 double& vMoon, double& vRot, double& vlsr, double apexRa, double apexDec,
                 double apexSpeed) {
    // The solar apex carried to the day of the observation, the source to 0 January of its year.
    double apexAlpha = 0.0;
    double apexDelta = 0.0;
    ApparentPlace(dayOfYear, year, epoch, apexRa * Pi * (1.0 / 12.0), apexDec * DegToRad, apexAlpha,
                  apexDelta);
    double alpha = 0.0;
    double delta = 0.0;
    ApparentPlace(0.0, year, epoch, ra * DegToRad, dec * DegToRad, alpha, delta);

    const double days = DaysFrom1900(year, dayOfYear, hours);
    double lambda = 0.0;
    double beta = 0.0;
    EclipticPlaceOfDate(alpha, delta, MeanObliquity(days / JulianCentury), lambda, beta);

    lst = LocalSiderealTime(GreenwichSiderealTime(year, dayOfYear, hours), longitude);
    const double hourAngle = TwoPi * (lst - alpha / TwoPi);

    vSun = SolarMotionTerm(alpha, delta, apexAlpha, apexDelta, apexSpeed);
    vMoon = EarthMoonTerm(lambda, beta, days);
    vRot = EarthRotationTerm(latitude, elevation, delta, hourAngle);
    vlsr = EarthOrbitTerm(lambda, beta, days) + vSun + vMoon + vRot;
}
