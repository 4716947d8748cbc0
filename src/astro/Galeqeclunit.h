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

// Converts with the constant set chosen by the station settings' EquinoxSelector, read on
// every call.
TSkyPosition TransformCoordinates(TSkyPosition input, int mode);

// Converts with an explicit constant set: 0 for B1950, any other value for J2000. A mode
// outside 0..5 returns the input unchanged.
TSkyPosition TransformCoordinates(TSkyPosition input, int mode, int equinoxSet);
