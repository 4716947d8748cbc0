#include "astro/Galeqeclunit.h"

#include "settings/Globalunit.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

// Difference of two longitudes in degrees, brought into -180..180.
double LongitudeDifference(double a, double b) {
    double d = std::fmod(a - b, 360.0);
    if (d > 180.0)
        d -= 360.0;
    if (d < -180.0)
        d += 360.0;
    return d;
}

TEST(TransformCoordinates, KnownPositions) {
    // Cygnus A and the galactic centre: astropy 5.2.1 (B1950 as FK4NoETerms, J2000 as FK5, to
    // Galactic) agrees within the tolerances. The nodes, the pole and the solstice follow from
    // the defining constants of Galeqeclunit.h; with astropy's FK5-based galactic system the
    // J2000 ecliptic node lies 3.5e-6 deg from the Hipparcos one.
    struct Case {
        const char* name;
        int mode;
        int set;
        TSkyPosition input;
        TSkyPosition expected;
        double tolerance;
    };
    const std::vector<Case> cases = {
        {"equatorial node, B1950", EquatorialToGalactic, 0, {0, 282.25}, {0, 33}, 1e-6},
        {"equatorial node, J2000", EquatorialToGalactic, 1, {0, 282.85948}, {0, 32.93192}, 1e-6},
        {"galactic centre, B1950", GalacticToEquatorial, 0, {0, 0}, {-28.9168, 265.6108}, 1e-3},
        {"galactic centre, J2000", GalacticToEquatorial, 1, {0, 0}, {-28.9362, 266.4050}, 1e-3},
        {"north galactic pole, B1950", GalacticToEquatorial, 0, {90, 0}, {27.4, 192.25}, 1e-6},
        {"Cygnus A, B1950",
         EquatorialToGalactic,
         0,
         {40.7338889, 299.8666667},
         {5.549103, 76.480170},
         1e-5},
        {"Cygnus A, J2000",
         EquatorialToGalactic,
         1,
         {40.7338889, 299.8666667},
         {5.756337, 76.189265},
         1e-5},
        {"summer solstice point, B1950", EquatorialToEcliptic, 0, {0, 90}, {-23.4457887, 90}, 1e-6},
        {"summer solstice point, J2000", EquatorialToEcliptic, 1, {0, 90}, {-23.4392911, 90}, 1e-6},
        // The ecliptic-galactic node: ecliptic longitude 269.3209478 is galactic 6.3764794.
        {"ecliptic node, B1950", EclipticToGalactic, 0, {0, 269.3209478}, {0, 6.3764794}, 1e-6},
        {"ecliptic node, J2000", EclipticToGalactic, 1, {0, 270.0232170}, {0, 6.3839743}, 1e-6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TSkyPosition out = TransformCoordinates(c.input, c.mode, c.set);
        EXPECT_NEAR(out.Latitude, c.expected.Latitude, c.tolerance);
        EXPECT_NEAR(LongitudeDifference(out.Longitude, c.expected.Longitude), 0.0, c.tolerance);
    }
}

TEST(TransformCoordinates, ReverseConversionReturnsTheInput) {
    // The tabulated sines and cosines are rounded, so sin^2 + cos^2 misses 1 by up to 4e-12
    // (equatorial-galactic), 1e-11 (equatorial-ecliptic) and 6e-11 (ecliptic-galactic, B1950).
    // A round trip stretches the vector by that much, which asin turns into an error growing
    // towards the poles: checked away from them (|latitude| <= 70 deg, both ends).
    struct Case {
        int forward;
        int reverse;
        double tolerance; // degrees
    };
    const std::vector<Case> cases = {
        {EquatorialToGalactic, GalacticToEquatorial, 1e-9},
        {GalacticToEquatorial, EquatorialToGalactic, 1e-9},
        {EquatorialToEcliptic, EclipticToEquatorial, 1e-8},
        {EclipticToEquatorial, EquatorialToEcliptic, 1e-8},
        {EclipticToGalactic, GalacticToEcliptic, 1e-8},
        {GalacticToEcliptic, EclipticToGalactic, 1e-8},
    };
    for (const Case& c : cases) {
        for (int set : {0, 1}) {
            for (double lat = -70.0; lat <= 70.0; lat += 10.0) {
                for (double lon = 0.0; lon < 360.0; lon += 7.5) {
                    SCOPED_TRACE(testing::Message()
                                 << c.forward << " set " << set << " at " << lat << ", " << lon);
                    const TSkyPosition there = TransformCoordinates({lat, lon}, c.forward, set);
                    if (std::fabs(there.Latitude) > 70.0)
                        continue;
                    const TSkyPosition back = TransformCoordinates(there, c.reverse, set);
                    EXPECT_NEAR(back.Latitude, lat, c.tolerance);
                    EXPECT_NEAR(LongitudeDifference(back.Longitude, lon), 0.0, c.tolerance);
                }
            }
        }
    }
}

TEST(TransformCoordinates, OutputStaysInRangeAndDefined) {
    // Includes negative input longitudes and the poles, where the clamp keeps asin defined.
    for (int mode = 0; mode < 6; ++mode) {
        for (int set : {0, 1}) {
            for (double lat : {-90.0, -89.9999999, -45.0, 0.0, 30.0, 89.9999999, 90.0}) {
                for (double lon = -720.0; lon <= 720.0; lon += 15.0) {
                    const TSkyPosition out = TransformCoordinates({lat, lon}, mode, set);
                    ASSERT_TRUE(std::isfinite(out.Latitude)) << mode << " " << lat << " " << lon;
                    ASSERT_GE(out.Latitude, -90.0);
                    ASSERT_LE(out.Latitude, 90.0);
                    ASSERT_GE(out.Longitude, 0.0) << mode << " " << lat << " " << lon;
                    ASSERT_LT(out.Longitude, 360.0);
                }
            }
        }
    }
    // The galactic poles in equatorial coordinates land on latitude +-90 exactly or nearly.
    const TSkyPosition pole = TransformCoordinates({27.4, 192.25}, EquatorialToGalactic, 0);
    EXPECT_NEAR(pole.Latitude, 90.0, 1e-6);
}

TEST(TransformCoordinates, TheTwoEquinoxSetsDiffer) {
    const TSkyPosition input = {12.5, 200.0};
    EXPECT_GT(std::fabs(TransformCoordinates(input, 0, 0).Longitude -
                        TransformCoordinates(input, 0, 1).Longitude),
              0.1);
}

} // namespace
