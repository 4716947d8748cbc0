// Vlsrunit: correction of an observed radial velocity to the local standard of rest (VLSR).
//
// The observer's velocity along the line of sight is the sum of four terms, each negative
// when the observer moves towards the source (km/s):
//   - SolarMotionTerm: the Sun's motion towards the solar apex (the program passes the
//     standard solar motion, 20 km/s towards RA 18 h, Dec +30 deg, taken at the source's epoch;
//     the kinematic LSR of modern software takes that apex at 1900, which changes the term by
//     up to 0.29 km/s for J2000 positions and 0.145 km/s for B1950 ones);
//   - EarthOrbitTerm: the Earth's orbital motion about the Sun, from Newcomb's elements;
//   - EarthMoonTerm: the Earth's motion about the Earth-Moon barycentre;
//   - EarthRotationTerm: the rotation of the Earth at the site.
// Positions are carried from their epoch by Newcomb's precession, nutation in the Moon's node
// term only and annual aberration. Times are Universal Time, used where the theories ask for
// ephemeris time. The body constants are those of Astroconstants.h.
//
// Accuracy of the whole: within 0.03 km/s of a modern barycentric correction plus the same
// solar motion, mostly because the orbital motion is heliocentric (the Sun's own motion about
// the barycentre reaches 0.016 km/s) and because the source is carried only to 0 January of
// the year of the observation (up to 0.007 km/s by the end of the year).
//
// References: Explanatory Supplement to the Astronomical Ephemeris and the American Ephemeris
// and Nautical Almanac (1961); M. A. Gordon, "Computer programs for radio astronomy", Methods
// of Experimental Physics 12C (1976).
#pragma once

#include "astro/Astroconstants.h"

#include <cstdint>

// Radial velocity of the observer relative to the local standard of rest, term by term.
// Given:    ra, dec      source position, degrees, of the equator and equinox of epoch (dec may
//                        be given in 0..360 form for southern sources)
//           epoch        of that position, years (1950, 2000)
//           year         of the observation, Gregorian (whole)
//           dayOfYear    1 on 1 January
//           hours        Universal Time of the observation
//           latitude     site geodetic latitude, degrees, negative south
//           longitude    site longitude, degrees, positive WEST (or 0..360 counted westwards):
//                        a longitude positive east puts the site on the other side of
//                        Greenwich and changes the Earth-rotation term (by at most
//                        2 x 0.465 km/s x cos(latitude) x |sin(longitude)|)
//           elevation    metres above the reference spheroid
//           apexRa       solar apex, HOURS, of the equinox of epoch
//           apexDec      solar apex, degrees
//           apexSpeed    speed of the Sun towards the apex, km/s
// Returned: lst          local sidereal time, a signed fraction of a turn (-1..1)
//           vSun, vMoon, vRot  solar-motion, Earth-Moon and Earth-rotation terms, km/s
//           vlsr         the sum of all four terms (the Earth-orbit term is vlsr minus the
//                        other three), km/s, negative when the observer approaches the source;
//                        the velocity relative to the standard of rest is the observed
//                        velocity minus vlsr
// Reference: Gordon (1976); each step below names its own.
void ComputeVlsr(double ra, double dec, double epoch, double year, double dayOfYear, double hours,
                 double latitude, double longitude, double elevation, double& lst, double& vSun,
                 double& vMoon, double& vRot, double& vlsr, double apexRa, double apexDec,
                 double apexSpeed);

// ---- The four terms -------------------------------------------------------------------------

// Solar-motion term: the Sun's velocity towards the apex, along the line of sight.
// Given:    alpha, delta          source, radians, equator and equinox of date
//           apexAlpha, apexDelta  solar apex, radians, same frame
//           apexSpeed             speed of the Sun towards the apex, km/s
// Returned: km/s, -apexSpeed x cos(angle between source and apex): negative for a source on
//           the apex's side of the sky; exact for the given directions
// Reference: Gordon (1976) (the standard solar motion).
double SolarMotionTerm(double alpha, double delta, double apexAlpha, double apexDelta,
                       double apexSpeed);

// Earth-orbit term: the Earth-Moon barycentre's orbital velocity about the Sun, along the line
// of sight.
// Given:    lambda, beta  source, radians, ecliptic and equinox of date
//           days          from 1900 January 0.5 (DaysFrom1900)
// Returned: km/s, negative when the Earth moves towards the source. A Keplerian orbit from
//           Newcomb's mean elements, without planetary perturbations: within 0.0025 km/s of
//           the barycentre's heliocentric velocity of a modern ephemeris (ERFA's epv00 and
//           moon98) from 1950 to 2050
// Reference: S. Newcomb, Tables of the Sun (1895), mean elements as in the Explanatory
//           Supplement (1961); the line-of-sight velocity -V cos(beta) [sin(sun - lambda) +
//           e sin(perigee - lambda)], V = 2 pi a / (P sqrt(1 - e^2)), of the classical
//           treatment of the Earth's velocity (W. M. Smart, Textbook on Spherical Astronomy).
double EarthOrbitTerm(double lambda, double beta, double days);

// Earth-Moon term: the Earth's velocity about the Earth-Moon barycentre, along the line of
// sight.
// Given:    lambda, beta  source, radians, ecliptic and equinox of date
//           days          from 1900 January 0.5 (DaysFrom1900)
// Returned: km/s, negative when the Earth moves towards the source; at most 0.013 km/s.
//           The Moon's Keplerian velocity -V cos(betaMoon) [sin(u - lambdaMoon) +
//           e sin(omega - lambdaMoon)] in the frame of its orbit (u its argument of latitude,
//           omega that of perigee), times the Moon's share of the pair's mass,
//           1 / (1 + EarthMoonMassRatio) = 1 / 82.3, and reversed. Within 0.0003 km/s of
//           ERFA's Moon series (eraMoon98, after Meeus (1998), ch. 47) from 1950 to 2050 (0.296
//           m/s over 3000 random dates and directions): the lunar inequalities left out
//           (evection, variation). (The term once took 1 / 81.3, the Earth/Moon ratio, and the
//           eccentricity part with the opposite sign: up to 1.5 m/s off.)
// Reference: Brown's mean elements of the Moon as in the Explanatory Supplement (1961) (the
//           Improved Lunar Ephemeris); the velocity in a Keplerian orbit, Smart, Textbook on
//           Spherical Astronomy; checked against eraMoon98 (ERFA, from SOFA's iauMoon98).
double EarthMoonTerm(double lambda, double beta, double days);

// Earth-rotation term: the site's velocity due to the Earth's rotation, along the line of
// sight.
// Given:    latitude     site geodetic latitude, degrees, negative south
//           elevation    metres above the reference spheroid
//           declination  source, radians, of date
//           hourAngle    source, radians, positive WEST of the meridian
// Returned: km/s, positive for a source west of the meridian (the site, carried east, recedes
//           from it); the rotation speed 0.4651 km/s at the equator times cos(geocentric
//           latitude) cos(declination) sin(hourAngle). Within 1e-6 km/s of the rigorous
//           spheroid for elevations below 3000 m (the elevation is added along the radius)
// Reference: Explanatory Supplement (1961) (geocentric coordinates of the observer); Meeus,
//           Astronomical Algorithms (1998), ch. 11; Gordon (1976).
double EarthRotationTerm(double latitude, double elevation, double declination, double hourAngle);

// ---- Steps of the terms ---------------------------------------------------------------------

// Julian Day number of the noon beginning 0 January of the year (Gregorian calendar).
// Given:    year       Gregorian, 1 or later
// Returned: the Julian Day number (integer) of 0 January 12h UT, exact
// Reference: Meeus, Astronomical Algorithms (1998), ch. 7.
std::int32_t JulianDayOfJan0(std::int32_t year);

// Time of the observation as days from Newcomb's fundamental epoch.
// Given:    year       Gregorian (whole)
//           dayOfYear  1 on 1 January
//           hours      Universal Time
// Returned: days from 1900 January 0.5 (JD 2415020.0), exact to the rounding of a double
// Reference: Explanatory Supplement (1961) (the fundamental epoch of Newcomb's theories).
double DaysFrom1900(double year, double dayOfYear, double hours);

// Greenwich mean sidereal time.
// Given:    year, dayOfYear, hours  as DaysFrom1900
// Returned: turns, including whole turns that carry no meaning (the fraction is the sidereal
//           time); within 0.13 s of time of the IAU 1982 expression from 1950 to 2050
// Reference: Newcomb's expression 6h 38m 45.836s + 8640184.542s T + 0.0929s T^2 at 0h UT,
//           Explanatory Supplement (1961), carried through the day at the ratio
//           SolarToSiderealDay.
double GreenwichSiderealTime(double year, double dayOfYear, double hours);

// Local mean sidereal time.
// Given:    greenwichTurns  Greenwich mean sidereal time, turns (GreenwichSiderealTime)
//           westLongitude   site longitude, degrees, positive WEST (or 0..360 westwards)
// Returned: signed fraction of a turn, -1..1, with the sign of greenwichTurns minus the
//           longitude in turns; exact
// Reference: Explanatory Supplement (1961) (local = Greenwich - west longitude).
double LocalSiderealTime(double greenwichTurns, double westLongitude);

// Mean place of an epoch to the apparent place of a date.
// Given:    day          of the date, days from 0 January of year
//           year         of the date
//           epoch        of the mean place, years
//           alpha, delta mean place, radians
// Returned: alphaOut, deltaOut  apparent place, radians: the sum of the offsets of
//           PrecessionOffsets, NutationOffsets and AberrationOffsets. Within 4'' of a modern
//           apparent place (ERFA's atci13) over 30 years below 60 deg of declination, 19'' over
//           50 years up to 80 deg; 19'' (9e-5 rad) moves the Earth-orbit term by 2.7 m/s at most
// Reference: Explanatory Supplement (1961) (the first-order reduction to apparent place);
//           Meeus, Astronomical Algorithms (1998), ch. 21-23.
void ApparentPlace(double day, double year, double epoch, double alpha, double delta,
                   double& alphaOut, double& deltaOut);

// Precession of a mean place from its epoch to a date, to first order.
// Given:    day, year, epoch, alpha, delta  as ApparentPlace
// Returned: dAlpha, dDelta  radians: m + n sin(alpha) tan(delta), n cos(alpha) with Newcomb's
//           m = zeta + z and n = theta. The second-order terms left out grow as the square of
//           the interval and towards the poles: within 3.5'' of the IAU 2006 mean place over
//           30 years below 60 deg of declination, 18'' over 50 years up to 80 deg
// Reference: Newcomb's precession angles, Explanatory Supplement (1961); the first-order
//           formulae as Meeus, Astronomical Algorithms (1998), eq. 21.1.
void PrecessionOffsets(double day, double year, double epoch, double alpha, double delta,
                       double& dAlpha, double& dDelta);

// Nutation of a place of date, the term in the longitude of the Moon's node only.
// Given:    centuries     from 1900.0, tropical
//           alpha, delta  place, radians
// Returned: dAlpha, dDelta  radians, from dpsi = -17.24'' sin(node), deps = 9.22'' cos(node);
//           the shorter-period terms left out reach 1.3'' (the semiannual one), 2'' together
// Reference: Explanatory Supplement (1961) (the 1980 series' leading term); Meeus (1998),
//           ch. 22 and eq. 23.1.
void NutationOffsets(double centuries, double alpha, double delta, double& dAlpha, double& dDelta);

// Annual aberration of a place, for a circular orbit.
// Given:    day           days from 0 January of the year (the Sun's mean longitude is
//                         278.5 + 0.985647 day degrees, a mean over the years)
//           alpha, delta  place, radians
// Returned: dAlpha, dDelta  radians; at most 20.47'' (the constant of aberration), within
//           1'' of the full annual aberration (the Sun's mean longitude stands for its true
//           longitude, up to 2 deg away)
// Reference: Explanatory Supplement (1961) (the Besselian day numbers C, D); Meeus (1998),
//           eq. 23.3.
void AberrationOffsets(double day, double alpha, double delta, double& dAlpha, double& dDelta);

// Mean obliquity of the ecliptic of date.
// Given:    centuries  Julian centuries from 1900 January 0.5
// Returned: radians; within 0.02'' of the IAU 2006 value from 1900 to 2100
// Reference: Newcomb, 23.452294 - 0.0130125 T - 0.00000164 T^2 + 0.000000503 T^3 degrees,
//           Explanatory Supplement (1961).
double MeanObliquity(double centuries);

// Equatorial place of date to ecliptic place of date.
// Given:    alpha, delta  radians
//           obliquity     of the ecliptic, radians
// Returned: lambda        radians, -pi..pi
//           beta          radians, -pi/2..pi/2; as accurate as RotateSpherical
// Reference: Meeus (1998), eq. 13.1 and 13.2.
void EclipticPlaceOfDate(double alpha, double delta, double obliquity, double& lambda,
                         double& beta);

// True anomaly of a Keplerian orbit from its mean anomaly, the equation of the centre in
// powers of the eccentricity.
// Given:    meanAnomaly   radians
//           eccentricity  0 .. about 0.1
// Returned: radians; the terms to e^3 kept, so within 1.5 e^4 rad of Kepler's equation
//           (1.1e-7 rad for the Earth, 1.3e-5 rad for the Moon)
// Reference: Brouwer and Clemence, Methods of Celestial Mechanics (1961), the equation of the
//           centre in powers of e.
double TrueAnomaly(double meanAnomaly, double eccentricity);

// Geocentric radius of a site.
// Given:    latitude   geodetic, degrees
//           elevation  metres above the reference spheroid
// Returned: metres, the spheroid's radius at the latitude (series to cos 6 phi, within 0.06 m
//           of the closed form) plus the elevation
// Reference: the series of the Explanatory Supplement (1961), with the coefficients of the
//           IAU (1964) spheroid (EarthEquatorialRadiusM, EarthFlattening); Meeus (1998), ch. 11.
double GeocentricRadius(double latitude, double elevation);

// Geocentric latitude of a point of the reference spheroid.
// Given:    latitude  geodetic, degrees
// Returned: radians, closer to the equator by up to 692.7''; within 0.0001'' of
//           tan(phi') = (1 - f)^2 tan(phi)
// Reference: the series of the Explanatory Supplement (1961), with the coefficients of the
//           IAU (1964) spheroid.
double GeocentricLatitude(double latitude);

// General rotation of spherical coordinates.
// Given:    (a0, b0)  the new system's origin of longitude in the old system, radians (a point
//                     off the new equator stands for its meridian)
//           (ap, bp)  the new system's pole in the old system, radians
//           (a1, b1)  the point in the old system, radians
// Returned: (a2, b2)  the point in the new system, radians, a2 in -pi..pi, b2 in -pi/2..pi/2;
//           to the rounding of doubles (1e-15 rad) everywhere, continuous across a2 = pi
//           and finite at the poles (any a2 is right there). The longitude is the atan2 of
//           the point's components along the new axes: a half-angle form with offsets against
//           division by zero at the poles once failed near a2 = pi (of order 1 rad within
//           1e-6 rad of it).
// Reference: the rotation as direction cosines, Meeus, Astronomical Algorithms (1998), eq.
//           13.1-13.2 (the same rotation as the spherical triangle of the two poles and the
//           point, W. M. Smart, Textbook on Spherical Astronomy).
void RotateSpherical(double a0, double b0, double ap, double bp, double a1, double b1, double& a2,
                     double& b2);
