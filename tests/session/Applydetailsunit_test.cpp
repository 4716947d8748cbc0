#include "session/Applydetailsunit.h"

#include "data/Datetimeunit.h"
#include "numeric/Numbertextunit.h"
#include "settings/Globalunit.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using F = TDetailsField;

constexpr double PiValue = 3.141592653589793;
const QLocale British(QLocale::English, QLocale::UnitedKingdom);

double Instant(int year, int month, int day, int hour, int minute, int second, int ms = 0) {
    double date = 0.0, time = 0.0;
    EXPECT_TRUE(TryEncodeDate(year, month, day, date));
    EXPECT_TRUE(TryEncodeTime(hour, minute, second, ms, time));
    return date + time;
}

void Type(TDetailsState& state, F first, int d, int m, int s) {
    const int f = static_cast<int>(first);
    state.SetFieldText(first, std::to_string(d));
    state.SetFieldText(static_cast<F>(f + 1), std::to_string(m));
    state.SetFieldText(static_cast<F>(f + 2), std::to_string(s));
}

// Cygnus A in the default station's dialog (2000 constants).
TDetailsState CygnusA() {
    TDetailsState state = TDetailsState::Create(TStationSettings());
    Type(state, F::edRaHrs, 19, 59, 28);
    Type(state, F::edDecDeg, 40, 44, 2);
    return state;
}

TEST(DayOfYear, CountsLeapYearsByFourOnly) {
    struct Case {
        int year, month, day, expected;
    };
    // Calendar day numbers; 1900 and 2100 count as leap years (no century rule).
    const std::vector<Case> cases = {
        {2013, 1, 1, 1},     {2013, 3, 1, 60},    {2012, 3, 1, 61},    {2012, 2, 29, 60},
        {2013, 12, 31, 365}, {2000, 12, 31, 366}, {1900, 12, 31, 366}, {2100, 3, 1, 61},
        {2024, 7, 18, 200},  {2023, 7, 19, 200},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DayOfYear(c.year, c.month, c.day), c.expected)
            << c.year << "-" << c.month << "-" << c.day;
}

TEST(TextToFloat, TheLocalesNumbersOrThePrograms) {
    const QLocale german(QLocale::German, QLocale::Germany);
    struct Case {
        const char* text;
        const QLocale* locale;
        bool ok;
        double value;
    };
    const std::vector<Case> cases = {
        {"200", &British, true, 200},     {" 200 ", &British, true, 200},
        {"-12.5", &British, true, -12.5}, {"+1e3", &British, true, 1000},
        {"1950.0", &British, true, 1950}, {"12,5", &german, true, 12.5},
        {"12.5", &german, true, 12.5},    {"abc", &British, false, 0},
        {"", &British, false, 0},         {"  ", &British, false, 0},
        {"1,000", &British, false, 0},    {"12m", &British, false, 0},
        {"inf", &British, false, 0},      {"nan", &British, false, 0},
    };
    for (const Case& c : cases) {
        double value = -1.0;
        EXPECT_EQ(TextToFloat(c.text, value, *c.locale), c.ok) << '"' << c.text << '"';
        if (c.ok)
            EXPECT_EQ(value, c.value) << '"' << c.text << '"';
        else
            EXPECT_EQ(value, -1.0) << '"' << c.text << '"';
    }
}

TEST(ComputeAppliedDetails, SidePanelTexts) {
    const TDetailsState state = CygnusA();
    const TAppliedDetails r =
        ComputeAppliedDetails(Instant(2012, 3, 1, 12, 30, 36, 900), state, British);
    ASSERT_TRUE(r.Applied) << r.Error;
    EXPECT_EQ(r.Error, "");
    // British short date and long time; the time zone is not the file's, so not shown.
    EXPECT_EQ(r.FileTimeText, "01/03/2012 12:30:36");
    EXPECT_EQ(r.RaText, "19 hrs 59' 28\"");
    EXPECT_EQ(r.DecText, "40\xC2\xB0 44' 2\"");
    // Cygnus A with the J2000 pole: b 5.756337, l 76.189265.
    EXPECT_EQ(r.GlatText, "5\xC2\xB0 45' 22\"");
    EXPECT_EQ(r.GlongText, "76\xC2\xB0 11' 21\"");
    EXPECT_EQ(r.LatText, "54\xC2\xB0 8' 54\"");
    EXPECT_EQ(r.LongText, "-2\xC2\xB0 17' 41\"");
    EXPECT_EQ(r.ElevText, "200");
    EXPECT_EQ(r.Elevation, 200.0);
    EXPECT_EQ(r.Epoch, 2000.0);
    // 1 March of a year divisible by 4; the seconds count, the milliseconds do not.
    EXPECT_EQ(r.Year, 2012);
    EXPECT_EQ(r.DayOfYear, 61);
    EXPECT_DOUBLE_EQ(r.Hours, 12.51);
    EXPECT_FALSE(r.VlsrText.empty());
    EXPECT_NEAR(std::stod(r.VlsrText), r.Vlsr, 1e-12); // 15 significant digits
    EXPECT_DOUBLE_EQ(r.VSun + r.VOrbit + r.VMoon + r.VRot, r.Vlsr);
}

TEST(ComputeAppliedDetails, SignedAndUnsignedTexts) {
    TDetailsState state = TDetailsState::Create(TStationSettings());
    Type(state, F::edLiiDeg, 350, 0, 0);
    Type(state, F::edBiiDeg, -10, 0, 0);
    state.SetFieldText(F::edElev, "12.5");
    const TAppliedDetails r = ComputeAppliedDetails(Instant(2013, 3, 1, 0, 0, 0), state, British);
    ASSERT_TRUE(r.Applied);
    EXPECT_EQ(r.GlongText, "350\xC2\xB0 0' 0\"");
    EXPECT_EQ(r.GlatText, "-10\xC2\xB0 0' 0\"");
    EXPECT_EQ(r.ElevText, "12.5");
    EXPECT_EQ(r.DayOfYear, 60);
    EXPECT_EQ(r.Hours, 0.0);
}

TEST(ComputeAppliedDetails, TextThatIsNotANumberStopsEverythingButTheFileTime) {
    const TDetailsState state = CygnusA();
    struct Case {
        const char* elevation;
        const char* epoch;
        const char* error;
    };
    const std::vector<Case> cases = {
        {"abc", "2000", "'abc' is not a valid floating point value"},
        {"200", "J2000", "'J2000' is not a valid floating point value"},
        {"", "2000", "'' is not a valid floating point value"},
        // The elevation is converted first.
        {"x", "y", "'x' is not a valid floating point value"},
        // Numbers out of range are refused the same way: 1e308 would make the VLSR NaN, 1e30
        // m of elevation a rotation term of 1e22 km/s.
        {"1e30", "2000", "'1e30' is not a valid elevation (-500 to 10000 m)"},
        {"-501", "2000", "'-501' is not a valid elevation (-500 to 10000 m)"},
        {"10000.5", "2000", "'10000.5' is not a valid elevation (-500 to 10000 m)"},
        {"200", "1e308", "'1e308' is not a valid epoch (1900 to 2100)"},
        {"200", "1899.9", "'1899.9' is not a valid epoch (1900 to 2100)"},
        {"200", "2100.1", "'2100.1' is not a valid epoch (1900 to 2100)"},
    };
    for (const Case& c : cases) {
        const TAppliedDetails r = ComputeAppliedDetails(Instant(2020, 7, 18, 3, 30, 0), state,
                                                        c.elevation, c.epoch, British);
        EXPECT_FALSE(r.Applied) << c.error;
        EXPECT_EQ(r.Error, c.error);
        EXPECT_EQ(r.FileTimeText, "18/07/2020 03:30:00");
        EXPECT_EQ(r.RaText, "");
        EXPECT_EQ(r.ElevText, "");
        EXPECT_EQ(r.VlsrText, "");
        EXPECT_EQ(VlsrTermsText(r), "");
    }
}

TEST(ComputeAppliedDetails, RangeEndsAreAccepted) {
    for (const auto& [elevation, epoch] : {std::pair{"-500", "1900"}, {"10000", "2100"}}) {
        const TAppliedDetails r = ComputeAppliedDetails(Instant(2020, 7, 18, 3, 30, 0), CygnusA(),
                                                        elevation, epoch, British);
        EXPECT_TRUE(r.Applied) << elevation << " " << epoch << ": " << r.Error;
        EXPECT_TRUE(std::isfinite(r.Vlsr));
    }
}

TEST(ComputeAppliedDetails, SameDetailsTwiceGiveTheSameVlsr) {
    const TDetailsState state = CygnusA();
    const double t = Instant(2005, 3, 21, 12, 0, 0);
    EXPECT_EQ(ComputeAppliedDetails(t, state, British).VlsrText,
              ComputeAppliedDetails(t, state, British).VlsrText);
}

// Julian Date of a calendar instant (UT), Meeus, Astronomical Algorithms, chapter 7.
double JulianDate(int year, int month, int day, double hours) {
    if (month <= 2) {
        year -= 1;
        month += 12;
    }
    const int a = year / 100;
    const int b = 2 - a + a / 4;
    return std::floor(365.25 * (year + 4716)) + std::floor(30.6001 * (month + 1)) + day + b -
           1524.5 + hours / 24.0;
}

// Greenwich mean sidereal time, turns, by the IAU 1982 expression (Aoki et al. 1982).
double Gmst(double julianDate) {
    const double t = (julianDate - 2451545.0) / 36525.0;
    const double seconds = 67310.54841 + (876600.0 * 3600.0 + 8640184.812866) * t +
                           0.093104 * t * t - 6.2e-6 * t * t * t;
    const double turns = seconds / 86400.0;
    return turns - std::floor(turns);
}

struct TSite {
    const char* name;
    int latD, latM, latS;    // as the station settings hold them
    int longD, longM, longS; // positive east
    double latitude;         // degrees
    double eastLongitude;    // degrees
};

const std::vector<TSite> Sites = {
    {"station default, 2 deg W", 54, 8, 54, -2, 17, 41, 54.148333, -2.294722},
    {"California, 118 deg W", 34, 3, 0, -118, 15, 0, 34.05, -118.25},
    {"New South Wales, 148 deg E", -32, 59, 52, 148, 15, 47, -32.997778, 148.263056},
    {"Greenwich", 51, 28, 38, 0, 0, 0, 51.477222, 0.0},
};

struct TTime {
    int year, month, day, hour, minute, second;
};

const std::vector<TTime> Times = {
    {2005, 3, 21, 12, 0, 0},
    {2020, 7, 18, 3, 30, 0},
    {1998, 12, 31, 23, 59, 59},
    {2024, 2, 29, 18, 15, 30},
};

// The sidereal time the correction used is the site's own: Greenwich sidereal time plus the
// east longitude. Passing the longitude positive east, as the station settings hold it, would
// put the site on the other side of Greenwich (an error of twice the longitude).
TEST(ComputeAppliedDetails, LocalSiderealTimeIsGreenwichPlusEastLongitude) {
    for (const TSite& site : Sites) {
        TStationSettings settings;
        settings.LatDegrees = site.latD;
        settings.LatMinutes = site.latM;
        settings.LatSeconds = site.latS;
        settings.LongDegrees = site.longD;
        settings.LongMinutes = site.longM;
        settings.LongSeconds = site.longS;
        const TDetailsState state = TDetailsState::Create(settings);
        for (const TTime& t : Times) {
            SCOPED_TRACE(std::string(site.name) + ", " + std::to_string(t.year));
            const double hours = t.hour + t.minute / 60.0 + t.second / 3600.0;
            const double expected =
                Gmst(JulianDate(t.year, t.month, t.day, hours)) + site.eastLongitude / 360.0;
            const TAppliedDetails r = ComputeAppliedDetails(
                Instant(t.year, t.month, t.day, t.hour, t.minute, t.second), state, British);
            ASSERT_TRUE(r.Applied);
            EXPECT_GE(r.Lst, 0.0);
            EXPECT_LT(r.Lst, 1.0);
            // Newcomb's series and the IAU 1982 expression agree to well within a second.
            EXPECT_NEAR(std::remainder(r.Lst - expected, 1.0), 0.0, 1.0 / 86400.0);
        }
    }
}

// The Earth-rotation term from first principles: the site moves east at omega * rho cos(phi')
// (reference ellipsoid a = 6378160 m, f = 1/298.25, one turn per sidereal day); its velocity
// away from a source at hour angle H and declination delta is omega rho cos(phi') cos(delta)
// sin(H): positive for a setting source (H > 0), negative for a rising one.
TEST(ComputeAppliedDetails, EarthRotationTermFollowsTheSitesHourAngle) {
    const double a = 6378160.0, f = 1.0 / 298.25, e2 = 2 * f - f * f;
    const double omega = 2 * PiValue / (86400.0 * 0.997269566414);
    for (const TSite& site : Sites) {
        TStationSettings settings;
        settings.LatDegrees = site.latD;
        settings.LatMinutes = site.latM;
        settings.LatSeconds = site.latS;
        settings.LongDegrees = site.longD;
        settings.LongMinutes = site.longM;
        settings.LongSeconds = site.longS;
        settings.Height = 0;
        const double phi = site.latitude * PiValue / 180.0;
        const double rhoCos = a * std::cos(phi) / std::sqrt(1 - e2 * std::sin(phi) * std::sin(phi));
        for (const TTime& t : Times) {
            for (double hourAngle : {-4.5, -1.0, 2.0, 5.5}) {
                SCOPED_TRACE(std::string(site.name) + ", " + std::to_string(t.year) + ", H " +
                             std::to_string(hourAngle));
                const double hours = t.hour + t.minute / 60.0 + t.second / 3600.0;
                const double lstHours = 24.0 * (Gmst(JulianDate(t.year, t.month, t.day, hours)) +
                                                site.eastLongitude / 360.0);
                // A source at that hour angle, to the nearest second of RA, of the year's own
                // epoch so that precession does not move it.
                double raHours = std::fmod(lstHours - hourAngle + 48.0, 24.0);
                const long raSeconds = std::lround(raHours * 3600.0) % 86400;
                raHours = raSeconds / 3600.0;
                TDetailsState state = TDetailsState::Create(settings);
                Type(state, F::edRaHrs, raSeconds / 3600, raSeconds / 60 % 60, raSeconds % 60);
                Type(state, F::edDecDeg, 20, 0, 0);
                state.SetFieldText(F::edEpoch, std::to_string(t.year));
                const TAppliedDetails r = ComputeAppliedDetails(
                    Instant(t.year, t.month, t.day, t.hour, t.minute, t.second), state, British);
                ASSERT_TRUE(r.Applied);
                const double h = (lstHours - raHours) * PiValue / 12.0;
                const double expected =
                    omega * rhoCos / 1000.0 * std::cos(20.0 * PiValue / 180.0) * std::sin(h);
                // Aberration and nutation move the source by well under a minute of arc.
                EXPECT_NEAR(r.VRot, expected, 3e-4);
                EXPECT_EQ(r.VRot > 0, hourAngle > 0);
            }
        }
    }
}

TEST(VlsrTermsText, NamesEveryTermWithItsUnit) {
    TAppliedDetails d;
    d.Applied = true;
    d.Vlsr = -27.8526;
    d.VSun = -17.9074;
    d.VOrbit = -10.1238;
    d.VMoon = -0.0013;
    d.VRot = 0.1801;
    d.Lst = (5 * 60 + 29.4) / 86400.0; // 0 h 05 m 29.4 s
    EXPECT_EQ(VlsrTermsText(d), "VLSR -27.853 km/s: solar motion -17.907, Earth orbit -10.124, "
                                "Earth-Moon -0.001, Earth rotation +0.180 km/s; local sidereal "
                                "time 0 h 05 m 29 s");
}

} // namespace
