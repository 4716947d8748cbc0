#include "settings/Globalunit.h"

#include "support/TestSettings.h"

#include <QSettings>
#include <QString>
#include <QVariant>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

namespace {

// One stored value and what the settings read from it must satisfy.
struct TStoredCase {
    const char* key;
    QVariant value;
    std::function<bool(const TStationSettings&)> check;
};

class StationSettingsTest : public ::testing::Test {
protected:
    void SetUp() override { ClearTestSettings(); }
    void TearDown() override { ClearTestSettings(); }

    static void Store(const char* key, const QVariant& value) {
        QSettings store(QStringLiteral("Fernhollow"), QStringLiteral("Tovrel"));
        store.setValue(QString::fromUtf8(key), value);
        store.sync();
    }

    static TStationSettings LoadFresh() {
        QSettings store(QStringLiteral("Fernhollow"), QStringLiteral("Tovrel"));
        return TStationSettings::Load(store);
    }

    // Each case alone in an otherwise empty store.
    static void ExpectEach(const std::vector<TStoredCase>& cases) {
        for (const TStoredCase& c : cases) {
            SCOPED_TRACE(c.key);
            ClearTestSettings();
            Store(c.key, c.value);
            EXPECT_TRUE(c.check(LoadFresh()));
        }
    }
};

TEST_F(StationSettingsTest, EmptyStoreGivesTheDefaults) {
    const TStationSettings s = LoadFresh();
    EXPECT_EQ(s.TelescopeName, "Radio Telescope");
    EXPECT_EQ(s.MotorPort, -1);
    EXPECT_EQ(s.ReceiverPort, -1);
    EXPECT_EQ(s.AzRate, 8.1);
    EXPECT_EQ(s.AzMin, 140);
    EXPECT_EQ(s.AzMax, 350);
    EXPECT_EQ(s.AzOverrun, 0.05);
    EXPECT_EQ(s.AzCorrection, 0);
    EXPECT_EQ(s.AltMin, 10);
    EXPECT_EQ(s.AltMax, 92);
    EXPECT_EQ(s.AltRate, 6.7);
    EXPECT_EQ(s.AltOverrun, 0.05);
    EXPECT_EQ(s.AltCorrection, 0);
    EXPECT_EQ(s.RaDiff, 0.133333333333333);
    EXPECT_EQ(s.DecDiff, 2.0);
    EXPECT_EQ(s.MotorAzimuth, 16748);
    EXPECT_EQ(s.MotorAltitude, 5916);
    EXPECT_EQ(s.MotorDelay, 20);
    EXPECT_EQ(s.LatDegrees, 54);
    EXPECT_EQ(s.LatMinutes, 8);
    EXPECT_EQ(s.LatSeconds, 54);
    EXPECT_EQ(s.LongDegrees, -2);
    EXPECT_EQ(s.LongMinutes, 17);
    EXPECT_EQ(s.LongSeconds, 41);
    EXPECT_EQ(s.Height, 200);
    EXPECT_EQ(s.Temperature, 10);
    EXPECT_EQ(s.Pressure, 990);
    EXPECT_EQ(s.Refraction, 0.5667);
    EXPECT_FALSE(s.LogPrefix.empty());
    EXPECT_TRUE(s.Sparse);
    EXPECT_EQ(s.EquinoxSelector, 1);
    EXPECT_EQ(s.LsrVelocity.U, 7.5);
    EXPECT_EQ(s.LsrVelocity.V, 13.5);
    EXPECT_EQ(s.LsrVelocity.W, 6.8);

    // Reading leaves the store as it was.
    QSettings store(QStringLiteral("Fernhollow"), QStringLiteral("Tovrel"));
    EXPECT_TRUE(store.allKeys().isEmpty());
}

TEST_F(StationSettingsTest, StoredValuesAreRead) {
    ExpectEach({
        {"Telescope/Name", "Dish, 3 m", [](auto& s) { return s.TelescopeName == "Dish, 3 m"; }},
        {"Telescope/Name", QString::fromUtf8("Süd°"),
         [](auto& s) {
             return s.TelescopeName == "S\xC3\xBC"
                                       "d\xC2\xB0";
         }},
        {"Com Ports/Motor", 3, [](auto& s) { return s.MotorPort == 3; }},
        {"Com Ports/Receiver", 4, [](auto& s) { return s.ReceiverPort == 4; }},
        {"Azimuth/AzRate", 7.25, [](auto& s) { return s.AzRate == 7.25; }},
        {"Azimuth/Min", 120, [](auto& s) { return s.AzMin == 120; }},
        {"Altitude/Max", 88, [](auto& s) { return s.AltMax == 88; }},
        {"ChooseSource/Ra Diff", 0.25, [](auto& s) { return s.RaDiff == 0.25; }},
        {"Motor/Delay", 35, [](auto& s) { return s.MotorDelay == 35; }},
        {"Latitude/Degrees", -33, [](auto& s) { return s.LatDegrees == -33; }},
        {"Latitude/Seconds", 7, [](auto& s) { return s.LatSeconds == 7; }},
        {"Longitude/Degrees", 151, [](auto& s) { return s.LongDegrees == 151; }},
        {"Longitude/Minutes", 12, [](auto& s) { return s.LongMinutes == 12; }},
        {"Position/Height", 1200, [](auto& s) { return s.Height == 1200; }},
        {"Position/Refraction", 0.5, [](auto& s) { return s.Refraction == 0.5; }},
        {"Log file/Prefix", "Obs", [](auto& s) { return s.LogPrefix == "Obs"; }},
        {"Log file/Sparse", 0, [](auto& s) { return !s.Sparse; }},
        {"Log file/Sparse", false, [](auto& s) { return !s.Sparse; }},
        {"LSR/U", 10.0, [](auto& s) { return s.LsrVelocity.U == 10.0; }},
        {"LSR/W", -1.5, [](auto& s) { return s.LsrVelocity.W == -1.5; }},
    });
}

TEST_F(StationSettingsTest, OnlyJ1950SelectsTheOldConstants) {
    struct Case {
        const char* text;
        int selector;
    };
    for (const Case& c : std::vector<Case>{
             {"J1950", 0}, {"j1950", 1}, {"J2000", 1}, {"B1950", 1}, {"J1950 ", 1}, {"", 1}}) {
        SCOPED_TRACE(c.text);
        Store("Calculations/Equinox", QString::fromUtf8(c.text));
        EXPECT_EQ(LoadFresh().EquinoxSelector, c.selector);
    }
}

TEST_F(StationSettingsTest, ValuesOfAnotherTypeGiveTheDefault) {
    ExpectEach({
        {"Latitude/Degrees", "abc", [](auto& s) { return s.LatDegrees == 54; }},
        {"Latitude/Minutes", 12.5, [](auto& s) { return s.LatMinutes == 8; }},
        {"Position/Height", "", [](auto& s) { return s.Height == 200; }},
        {"Position/Height", 5000000000LL, [](auto& s) { return s.Height == 200; }},
        {"Azimuth/AzRate", "fast", [](auto& s) { return s.AzRate == 8.1; }},
        {"Log file/Sparse", "maybe", [](auto& s) { return s.Sparse; }},
        {"Com Ports/Motor", QStringList{"1", "2"}, [](auto& s) { return s.MotorPort == -1; }},
    });
}

// The site's ranges: degrees -90..90 of latitude and -180..180 of longitude, minutes and
// seconds 0..59, height -500..10000 m. The bounds themselves are read; one past them, or the
// largest integer (which a 16-bit field would wrap to 11 degrees 15'), gives the default.
TEST_F(StationSettingsTest, SiteValuesOutsideTheirRangeGiveTheDefault) {
    constexpr int Largest = std::numeric_limits<std::int32_t>::max();
    const struct {
        const char* key;
        std::int32_t TStationSettings::*field;
        int low, high, fallback;
    } ranges[] = {
        {"Latitude/Degrees", &TStationSettings::LatDegrees, -90, 90, 54},
        {"Latitude/Minutes", &TStationSettings::LatMinutes, 0, 59, 8},
        {"Latitude/Seconds", &TStationSettings::LatSeconds, 0, 59, 54},
        {"Longitude/Degrees", &TStationSettings::LongDegrees, -180, 180, -2},
        {"Longitude/Minutes", &TStationSettings::LongMinutes, 0, 59, 17},
        {"Longitude/Seconds", &TStationSettings::LongSeconds, 0, 59, 41},
        {"Position/Height", &TStationSettings::Height, -500, 10000, 200},
    };
    for (const auto& r : ranges)
        for (const auto& [stored, expected] :
             {std::pair{r.low, r.low}, std::pair{r.high, r.high}, std::pair{r.low - 1, r.fallback},
              std::pair{r.high + 1, r.fallback}, std::pair{Largest, r.fallback},
              std::pair{-Largest - 1, r.fallback}}) {
            ClearTestSettings();
            // Degrees at a limit with the default minutes and seconds would be over it.
            for (const char* part : {"/Minutes", "/Seconds"})
                if (QString(r.key).endsWith("/Degrees"))
                    Store((QString(r.key).section('/', 0, 0) + part).toUtf8().constData(), 0);
            Store(r.key, stored);
            EXPECT_EQ(LoadFresh().*r.field, expected) << r.key << " = " << stored;
        }
}

// Parts each in range that make an angle the station settings dialog refuses give that
// angle's defaults (54 8' 54" N, 2 17' 41" W), as a part out of range does; the limits
// themselves and the other angle stay.
TEST_F(StationSettingsTest, SitesTheDialogRefusesGiveTheDefaultAngle) {
    const struct {
        const char* latitude;  // degrees, minutes, seconds stored
        const char* longitude; //
        const char* expected;  // read: latitude and longitude, "-0" for a minus-zero angle
    } cases[] = {
        {"90 59 59", "10 0 0", "54 8 54  10 0 0"},    {"-90 0 1", "10 0 0", "54 8 54  10 0 0"},
        {"90 0 0", "180 0 1", "90 0 0  -2 17 41"},    {"-90 0 0", "-180 1 0", "-90 0 0  -2 17 41"},
        {"-90 0 0", "-180 0 0", "-90 0 0  -180 0 0"}, {"-0 59 59", "-0 0 1", "-0 59 59  -0 0 1"},
    };
    const auto text = [](std::int32_t d, std::int32_t m, std::int32_t s, bool minusZero) {
        return (minusZero ? "-" : "") + std::to_string(d) + " " + std::to_string(m) + " " +
               std::to_string(s);
    };
    for (const auto& c : cases) {
        ClearTestSettings();
        for (const auto& [section, parts] :
             {std::pair{"Latitude/", c.latitude}, std::pair{"Longitude/", c.longitude}}) {
            const QStringList values = QString(parts).split(' ');
            const char* names[] = {"Degrees", "Minutes", "Seconds"};
            for (int i = 0; i < 3; ++i)
                Store((QString(section) + names[i]).toUtf8().constData(), values[i]);
        }
        const TStationSettings s = LoadFresh();
        EXPECT_EQ(text(s.LatDegrees, s.LatMinutes, s.LatSeconds, s.LatMinusZero) + "  " +
                      text(s.LongDegrees, s.LongMinutes, s.LongSeconds, s.LongMinusZero),
                  c.expected)
            << c.latitude << ", " << c.longitude;
    }
}

TEST_F(StationSettingsTest, RealsThatAreNotFiniteGiveTheDefault) {
    ExpectEach({
        {"Azimuth/AzRate", "nan", [](auto& s) { return s.AzRate == 8.1; }},
        {"Azimuth/Overrun", "inf", [](auto& s) { return s.AzOverrun == 0.05; }},
        {"Altitude/AltRate", "-inf", [](auto& s) { return s.AltRate == 6.7; }},
        {"Position/Refraction", "1e999", [](auto& s) { return s.Refraction == 0.5667; }},
        {"ChooseSource/Dec Diff", std::numeric_limits<double>::quiet_NaN(),
         [](auto& s) { return s.DecDiff == 2.0; }},
        {"LSR/V", std::numeric_limits<double>::infinity(),
         [](auto& s) { return s.LsrVelocity.V == 13.5; }},
        // The largest finite double is still a number.
        {"LSR/U", "1.7976931348623157e308",
         [](auto& s) { return s.LsrVelocity.U == std::numeric_limits<double>::max(); }},
    });
}

} // namespace

namespace {

// The calibration has no default: only a number above 0 (and within reason) is one.
TEST_F(StationSettingsTest, OnlyAPositiveNumberIsACalibration) {
    EXPECT_FALSE(LoadFresh().KelvinPerCount) << "none stored";
    const auto none = [](const TStationSettings& s) { return !s.KelvinPerCount; };
    ExpectEach({
        {"Calibration/KelvinPerCount", QString("0.25"),
         [](const TStationSettings& s) { return s.KelvinPerCount == 0.25; }},
        {"Calibration/KelvinPerCount", 2,
         [](const TStationSettings& s) { return s.KelvinPerCount == 2.0; }},
        {"Calibration/KelvinPerCount", QString(""), none},
        {"Calibration/KelvinPerCount", QString("abc"), none},
        {"Calibration/KelvinPerCount", QString("-1"), none},
        {"Calibration/KelvinPerCount", QString("0"), none},
        {"Calibration/KelvinPerCount", QString("inf"), none},
        {"Calibration/KelvinPerCount", QString("1e7"), none},
    });
}

} // namespace
