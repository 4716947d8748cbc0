#include "astro/Vlsrunit.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

struct TVlsrResult {
    double lst;
    double vSun;
    double vMoon;
    double vRot;
    double vlsr;
    double orbit() const { return vlsr - vSun - vMoon - vRot; }
};

struct TObservation {
    double ra;
    double dec;
    double epoch;
    double year;
    double dayOfYear;
    double hours;
    double latitude;
    double longitude;
    double elevation;
};

// The program's standard solar motion: 20 km/s towards 18 h, +30 deg.
TVlsrResult Compute(const TObservation& o) {
    TVlsrResult r{};
    ComputeVlsr(o.ra, o.dec, o.epoch, o.year, o.dayOfYear, o.hours, o.latitude, o.longitude,
                o.elevation, r.lst, r.vSun, r.vMoon, r.vRot, r.vlsr, 18, 30, 20);
    return r;
}

TEST(ComputeVlsr, WorkedExamples) {
    struct Case {
        const char* name;
        TObservation observation;
        double lst, vSun, vMoon, vRot, orbit, vlsr;
    };
    const std::vector<Case> cases = {
        {"Cygnus A from 54.27 N, 2005 day 80 12h",
         {299.866667, 40.733889, 1950, 2005, 80, 12, 54.266667, 357.733333, 0},
         0.003808,
         -17.9074,
         -0.0013,
         0.1801,
         -10.1238,
         -27.8525},
        {"galactic centre, 2020 day 200 3.5h",
         {266.404995, 331.063611, 2000, 2020, 200, 3.5, 54.148333, 357.705278, 200},
         0.975566,
         -10.2893,
         -0.0015,
         0.2378,
         14.1823,
         4.1293},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TVlsrResult r = Compute(c.observation);
        EXPECT_NEAR(r.lst, c.lst, 1e-6);
        EXPECT_NEAR(r.vSun, c.vSun, 1e-4);
        EXPECT_NEAR(r.vMoon, c.vMoon, 1e-4);
        EXPECT_NEAR(r.vRot, c.vRot, 1e-4);
        EXPECT_NEAR(r.orbit(), c.orbit, 1e-4);
        EXPECT_NEAR(r.vlsr, c.vlsr, 1e-4);
    }
}

TEST(ComputeVlsr, JulianDayOfJan0) {
    struct Case {
        int year;
        int expected;
    };
    // 2024 January 1 0h UT is JD 2460310.5, so the noon before it is 2460310.
    for (const Case& c :
         std::vector<Case>{{2000, 2451544}, {1900, 2415020}, {1, 1721425}, {2024, 2460310}}) {
        EXPECT_EQ(JulianDayOfJan0(c.year), c.expected) << c.year;
    }
}

TEST(ComputeVlsr, SiderealTimeAtTheStartOf2000) {
    // Greenwich mean sidereal time at 2000 January 1, 0h UT: 6h 39m 52.3s by Newcomb's series.
    const TVlsrResult r = Compute({0, 0, 2000, 2000, 1, 0, 0, 0, 0});
    EXPECT_NEAR(r.lst * 24.0, 6.66450, 1e-5);
}

TEST(ComputeVlsr, SiderealTimeIsGreenwichTimeMinusTheLongitude) {
    // Greenwich mean sidereal time by the IAU 1982 expression, in turns, for the instant given as
    // days from 2000 January 1, 12h UT.
    auto gmst = [](double days) {
        const double t = days / 36525.0;
        const double seconds = 67310.54841 + (876600.0 * 3600.0 + 8640184.812866) * t +
                               0.093104 * t * t - 6.2e-6 * t * t * t;
        const double turns = seconds / 86400.0;
        return turns - std::floor(turns);
    };
    const struct {
        double year, dayOfYear, hours, longitude, daysFromJ2000;
    } cases[] = {
        {2005, 80, 12, 357.733333, 1906.0},
        {2020, 200, 3.5, 357.705278, 7503.5 + 3.5 / 24},
        {2000, 1, 0, 120.0, -0.5},
    };
    for (const auto& c : cases) {
        const TVlsrResult r =
            Compute({0, 0, 2000, c.year, c.dayOfYear, c.hours, 0, c.longitude, 0});
        double turns = r.lst + c.longitude / 360.0;
        turns -= std::floor(turns);
        // Within a second of time of the modern expression.
        EXPECT_NEAR(std::remainder(turns - gmst(c.daysFromJ2000), 1.0), 0.0, 1.0 / 86400.0)
            << c.year << " day " << c.dayOfYear;
    }
}

TEST(ComputeVlsr, EarthRotationFollowsTheHourAngle) {
    // At latitude 0 and elevation 0 the equatorial speed is 2 pi 6378160 m per sidereal day,
    // 0.465103 km/s. The site longitude sets the hour angle lst - alphaT exactly.
    constexpr double VEquator = 0.465103;
    const double ra = 123.4;
    const double dec = 20.0;
    const double year = 2010;
    double alpha = 0.0;
    double delta = 0.0;
    ApparentPlace(0.0, year, 2000, ra * DegToRad, dec * DegToRad, alpha, delta);
    const double alphaTurns = alpha / DegToRad / 360.0;
    const double lstAtGreenwich = Compute({ra, dec, 2000, year, 150, 6.5, 0, 0, 0}).lst;

    struct Case {
        double hourAngle; // turns
        double factor;    // sin(2 pi hourAngle)
    };
    for (const Case& c : std::vector<Case>{{0.25, 1}, {0.5, 0}, {0.75, -1}, {0.0, 0}}) {
        SCOPED_TRACE(c.hourAngle);
        const double longitude = 360.0 * (lstAtGreenwich - alphaTurns - c.hourAngle);
        const TVlsrResult r = Compute({ra, dec, 2000, year, 150, 6.5, 0, longitude, 0});
        EXPECT_NEAR(r.vRot, c.factor * VEquator * std::cos(delta), 1e-6);
    }
}

TEST(ComputeVlsr, SolarMotionSignAtApexAndAntapex) {
    // Day 0 carries the apex and the source alike, so the source sits on the precessed apex.
    const TVlsrResult apex = Compute({270, 30, 2000, 2000, 0, 0, 50, 10, 0});
    EXPECT_NEAR(apex.vSun, -20.0, 1e-9);
    // The antapex; aberration moves both points towards the Earth's apex, so it is not quite
    // the antipode of the apparent apex.
    const TVlsrResult antapex = Compute({90, 330, 2000, 2000, 0, 0, 50, 10, 0});
    EXPECT_NEAR(antapex.vSun, 20.0, 1e-5);
}

TEST(ComputeVlsr, WestLongitudeInEitherForm) {
    const TObservation east = {299.866667, 40.733889, 1950, 2005, 80, 12, 54.266667, 357.733333, 0};
    TObservation west = east;
    west.longitude = -2.266667;
    const TVlsrResult a = Compute(east);
    const TVlsrResult b = Compute(west);
    EXPECT_NEAR(a.vSun, b.vSun, 1e-9);
    EXPECT_NEAR(a.vMoon, b.vMoon, 1e-9);
    EXPECT_NEAR(a.vRot, b.vRot, 1e-9);
    EXPECT_NEAR(a.vlsr, b.vlsr, 1e-9);
    const double turns = a.lst - b.lst;
    EXPECT_NEAR(turns, std::round(turns), 1e-9);
}

TEST(RotateSpherical, EquatorialToEcliptic) {
    // The point 6h, 0 deg lies on the ecliptic's southern side by the obliquity.
    const double obliquity = 23.4392911 * DegToRad;
    double longitude = 0.0;
    double latitude = 0.0;
    RotateSpherical(0, 0, -Pi / 2, Pi / 2 - obliquity, Pi / 2, 0, longitude, latitude);
    EXPECT_NEAR(longitude, Pi / 2, 1e-7);
    EXPECT_NEAR(latitude, -obliquity, 1e-7);
}

TEST(RotateSpherical, LongitudePiWhenOnePlusQIsZero) {
    // New pole at (0, 0.5), origin of longitude at (0, b0), point (0, 0.2): the latitude b0 is
    // chosen so that in IEEE double arithmetic Q is exactly -1 and P is 0.
    double longitude = 0.0;
    double latitude = 0.0;
    RotateSpherical(0, 1.0707968963455432, 0, 0.5, 0, 0.2, longitude, latitude);
    EXPECT_EQ(longitude, Pi);
    EXPECT_TRUE(std::isfinite(latitude));
}

} // namespace
