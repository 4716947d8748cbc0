// Astroconstants: the angle and body constants shared by the coordinate conversions
// (Galeqeclunit), the radial-velocity correction (Vlsrunit) and the rotation curve. One
// definition here lets the units' headers be included together.
//
// The body constants are those of the classical system the VLSR follows (Newcomb, Brown, the
// IAU 1964 system); where a modern value differs, its effect on the VLSR is given.
#pragma once

constexpr double Pi = 3.141592653589793; // the double nearest to pi
constexpr double TwoPi = 2.0 * Pi;
constexpr double FourPi = 4.0 * Pi;
constexpr double RadToDeg = 180.0 / Pi;
constexpr double DegToRad = Pi * (1.0 / 180.0);

// Seconds in a day of time.
constexpr double SecondsPerDay = 86400.0;

// Astronomical unit, km: a radar value of the 1960s. The IAU (2012) fixes 149597870.7 km,
// 4.4e-6 less: 0.13 m/s in the Earth-orbit term.
constexpr double AstronomicalUnitKm = 149598500.0;

// Sidereal year, days: 365.25636 (Explanatory Supplement, 1961), rounded.
constexpr double SiderealYearDays = 365.2564;

// The Earth's sidereal rate as the ratio of the mean sidereal day to the mean solar day:
// 1 / 1.002737909265, Newcomb's value of 1900 (Explanatory Supplement, 1961). Its change to
// 2025 (7e-11) moves the sidereal time by 3 ms in a year.
constexpr double SolarToSiderealDay = 0.997269566414;

// The IAU (1964) reference spheroid: equatorial radius, metres, and flattening. (GRS 80 and
// WGS 84: 6378137 m, 1/298.257; 23 m less, 2e-6 km/s in the Earth-rotation term.)
constexpr double EarthEquatorialRadiusM = 6378160.0;
constexpr double EarthFlattening = 1.0 / 298.25;

// The Earth's mass in Moon masses: 81.30 (IAU 1964 system; IAU 2009: 81.30057). The Earth's
// motion about the barycentre takes the Moon's share of the pair, 1 / (1 + this).
constexpr double EarthMoonMassRatio = 81.3;

// The Moon's orbit: mean distance from the Earth, km (the IAU 1976 value is 384400 km,
// 8e-6 less), sidereal month, days, eccentricity and inclination to the ecliptic, degrees, of
// Brown's theory (Explanatory Supplement, 1961).
constexpr double MoonDistanceKm = 384403.120402;
constexpr double SiderealMonthDays = 27.321661;
constexpr double MoonEccentricity = 0.054900489;
constexpr double MoonInclinationDeg = 5.1453964;

// Newcomb's constant of aberration, 20.47'', in radians (the IAU 1976 value is 20.49552'').
constexpr double AberrationConstantRad = 0.0000992413605;

// Cosine and sine of the obliquity of the ecliptic where a fixed value serves (the nutation
// and aberration offsets): 23.44384 deg, Newcomb's mean obliquity of 1965. Its change to 2025
// (0.008 deg) alters those offsets by under 0.01''.
constexpr double CosFixedObliquity = 0.91745051;
constexpr double SinFixedObliquity = 0.39784993;

// Mean obliquity of the ecliptic at J2000.0, degrees: 23 deg 26' 21.448'' (IAU 1976).
constexpr double ObliquityJ2000Deg = 23.4392911;
