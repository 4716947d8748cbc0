// Galeqeclunit: conversion of sky positions between the equatorial, galactic and ecliptic
// systems by a single spherical rotation.
//
// Angles in degrees; right ascension as hours x 15. No precession: a conversion stays within
// the equator and equinox of its constant set, B1950 (set 0) or J2000 (set 1). The output
// latitude lies in -90..+90, the output longitude in 0..360.
//
// Constants: B1950 galactic pole and node after Blaauw et al. (1960), MNRAS 121, 123 (node at
// RA 282.25 deg, l = 33 deg, tilt 62.6 deg); J2000 values as in The Hipparcos Catalogue
// (ESA SP-1200, 1997), vol. 1, sect. 1.5.3 (node at RA 282.85948 deg, l = 32.93192 deg, tilt
// 62.87175 deg); obliquity of the ecliptic 23.4457887 deg (B1950) and 23.4392911 deg (J2000).
#pragma once

#include "astro/Astroconstants.h"

// A position on the sky: declination or latitude, then right ascension or longitude, degrees.
struct TSkyPosition {
    double Latitude;
    double Longitude;
};

enum TCoordinateConversion : int {
    EquatorialToGalactic = 0,
    GalacticToEquatorial = 1,
    EquatorialToEcliptic = 2,
    EclipticToEquatorial = 3,
    EclipticToGalactic = 4,
    GalacticToEcliptic = 5,
};

// Sky position from one of the equatorial, galactic and ecliptic systems to another, with the
// constants of an explicit equinox.
// Given:    input       Latitude: declination, galactic or ecliptic latitude, degrees,
//                       -90..90 or any value as its sine and cosine take it (331 is -29);
//                       Longitude: right ascension as hours x 15, galactic or ecliptic
//                       longitude, degrees, counted eastwards, any value (modulo 360)
//           mode        a TCoordinateConversion, 0..5; any other value returns the input
//                       unchanged
//           equinoxSet  0: the B1950 constants (FK4 equator and equinox of B1950.0, without
//                       the E-terms of aberration); any other value: the J2000 constants (FK5
//                       or ICRS)
// Returned: the position in the target system, degrees, latitude -90..90, longitude 0..360.
//           Equatorial-galactic: within 0.0001'' of the IAU definition (B1950) and 0.01'' of
//           the FK5-based galactic system of modern software (J2000); the ecliptic is the mean
//           ecliptic of the equinox with the obliquities above. The tabulated sines and
//           cosines are rounded to 11 places: a round trip returns the input within 1e-9 deg
//           (equatorial-galactic) to 1e-8 deg (through the ecliptic) away from the poles.
// Reference: Blaauw et al. (1960), MNRAS 121, 123 (the galactic system); The Hipparcos
//           Catalogue (ESA SP-1200, 1997), vol. 1, sect. 1.5.3 (its J2000 constants); the
//           rotation itself as Meeus, Astronomical Algorithms (1998), eq. 13.1-13.2 and 13.7-13.8.
TSkyPosition TransformCoordinates(TSkyPosition input, int mode, int equinoxSet);
