// Vlsrunit: correction of an observed radial velocity to the local standard of rest (VLSR).
//
// The observer's velocity along the line of sight is the sum of four terms, each negative
// when the observer moves towards the source (km/s):
//   - the Sun's motion towards the solar apex (the program passes the standard solar motion,
//     20 km/s towards RA 18 h, Dec +30 deg, taken at the source's epoch);
//   - the Earth's orbital motion about the Sun, from Newcomb's elements of the solar orbit;
//   - the Earth's motion about the Earth-Moon barycentre (Moon mass 1/81.3 of the Earth's);
//   - the rotation of the Earth at the site (geocentric radius and latitude of the reference
//     ellipsoid a = 6378160 m, f = 1/298.25).
// Positions are carried from their epoch by Newcomb's precession, nutation in the Moon's node
// term only and annual aberration. Times are Universal Time; sidereal time follows Newcomb.
// References: Explanatory Supplement to the Astronomical Ephemeris and the American Ephemeris
// and Nautical Almanac (1961); M. A. Gordon, "Computer programs for radio astronomy", Methods
// of Experimental Physics 12C (1976).
#pragma once

#include "astro/Astroconstants.h"

#include <cstdint>

// VLSR for a source at (ra, dec) of the given epoch (degrees, years), observed in the given
// year on dayOfYear (1 on 1 January) at hours UT, from a site at latitude and longitude
// (degrees, 0..360 form allowed) and elevation (metres).
// Longitude: the local sidereal time is formed as Greenwich sidereal time MINUS the longitude,
// which is the convention of longitudes counted positive towards the WEST. A longitude given
// positive east (negative west, as the station settings hold it) therefore puts the site on
// the other side of Greenwich: the hour angle is off by twice the longitude, which changes
// only the Earth-rotation term (by at most 2 x 0.465 km/s x cos(latitude) x |sin(longitude)|).
// apexRa in HOURS, apexDec in degrees, apexSpeed in km/s. Outputs: lst, the local sidereal time as
// a signed fraction of a turn; the solar-motion, Earth-Moon and Earth-rotation terms; the total
// vlsr (which also holds the Earth-orbit term), all km/s.
void ComputeVlsr(double ra, double dec, double epoch, double year, double dayOfYear, double hours,
                 double latitude, double longitude, double elevation, double& lst, double& vSun,
                 double& vMoon, double& vRot, double& vlsr, double apexRa, double apexDec,
                 double apexSpeed);

// Mean place (alpha, delta) of the given epoch to the apparent place at year + day days:
// Newcomb precession, nutation in the node term, annual aberration. Radians.
void ApparentPlace(double day, double year, double epoch, double alpha, double delta,
                   double& alphaOut, double& deltaOut);

// General rotation of spherical coordinates, radians. (ap, bp): the new system's pole in the
// old system; (a0, b0): the new system's origin of longitude in the old system; (a1, b1): the
// point in the old system; (a2, b2): the point in the new system, a2 in (-pi, pi].
void RotateSpherical(double a0, double b0, double ap, double bp, double a1, double b1, double& a2,
                     double& b2);

// Julian Day number of the noon beginning 0 January of the year (Gregorian calendar).
std::int32_t JulianDayOfJan0(std::int32_t year);
