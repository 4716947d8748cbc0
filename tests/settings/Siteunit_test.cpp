// The station's site: the dialog's texts checked, and sites written into the shared store and
// read back as the suite's reader reads them.
#include "settings/Siteunit.h"

#include "session/Detailsstate.h"
#include "settings/Globalunit.h"

#include "support/TestSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>
#include <string>

// Printed by failing comparisons.
void PrintTo(const TSiteAngle& a, std::ostream* out) {
    *out << (a.Negative ? "-" : "+") << a.Degrees << " " << a.Minutes << "' " << a.Seconds << "\"";
}

namespace {

TSiteAngle Angle(bool negative, int degrees, int minutes, int seconds) {
    TSiteAngle a;
    a.Negative = negative;
    a.Degrees = degrees;
    a.Minutes = minutes;
    a.Seconds = seconds;
    return a;
}

TSite Site(TSiteAngle latitude, TSiteAngle longitude, int height, bool j1950) {
    TSite site;
    site.Latitude = latitude;
    site.Longitude = longitude;
    site.Height = height;
    site.J1950 = j1950;
    return site;
}

// The station's default site, 54 8' 54" N, 2 17' 41" W, 200 m, as the dialog shows it.
TSiteTexts DefaultTexts() {
    return SiteTexts(SiteOf(TStationSettings()));
}

TEST(SiteTexts, EachFieldIsCheckedAndTheFirstFaultNamed) {
    using TEdit = std::function<void(TSiteTexts&)>;
    const TSiteAngle north = Angle(false, 54, 8, 54), west = Angle(true, 2, 17, 41);
    const struct {
        const char* name;
        TEdit edit;
        TSite site;
    } valid[] = {
        {"as shown", [](TSiteTexts&) {}, Site(north, west, 200, false)},
        {"blanks, empty seconds", [](TSiteTexts& t) { t.LatMinutes = " 8 ", t.LatSeconds = ""; },
         Site(Angle(false, 54, 8, 0), west, 200, false)},
        {"under 1 degree south", [](TSiteTexts& t) { t.LatDegrees = "0", t.South = true; },
         Site(Angle(true, 0, 8, 54), west, 200, false)},
        {"no angle is west",
         [](TSiteTexts& t) { t.LongDegrees = t.LongMinutes = t.LongSeconds = "0"; },
         Site(north, TSiteAngle(), 200, false)},
        {"pole, date line, lowest site, J1950",
         [](TSiteTexts& t) {
             t.LatDegrees = "90", t.LatMinutes = t.LatSeconds = "0";
             t.LongDegrees = "180", t.LongMinutes = t.LongSeconds = "0";
             t.Height = "-500", t.Equinox = "J1950";
         },
         Site(Angle(false, 90, 0, 0), Angle(true, 180, 0, 0), -500, true)},
    };
    for (const auto& c : valid) {
        TSiteTexts texts = DefaultTexts();
        c.edit(texts);
        const TSiteCheck check = CheckSite(texts);
        ASSERT_TRUE(check.Site) << c.name << ": " << check.Error;
        EXPECT_EQ(check.Site->Latitude, c.site.Latitude) << c.name;
        EXPECT_EQ(check.Site->Longitude, c.site.Longitude) << c.name;
        EXPECT_TRUE(check.Site->Height == c.site.Height && check.Site->J1950 == c.site.J1950)
            << c.name;
    }

    using F = TSiteField;
    const struct {
        TEdit edit;
        TSiteField field;
        const char* error; // a part of the reason
    } invalid[] = {
        {[](TSiteTexts& t) { t.LatDegrees = "90", t.LatSeconds = "1"; }, F::LatDegrees,
         "Latitude cannot be more than 90"},
        {[](TSiteTexts& t) { t.LatDegrees = "-5"; }, F::LatDegrees,
         "Latitude degrees must be a whole number from 0 to 90"},
        {[](TSiteTexts& t) { t.LatSeconds = "60"; }, F::LatSeconds,
         "Latitude seconds must be a whole number from 0 to 59"},
        {[](TSiteTexts& t) { t.LongDegrees = "180"; }, F::LongDegrees,
         "Longitude cannot be more than 180"},
        {[](TSiteTexts& t) { t.LongMinutes = "17.5"; }, F::LongMinutes, "Longitude minutes"},
        {[](TSiteTexts& t) { t.Height = "-501"; }, F::Height,
         "Elevation must be a whole number of metres from -500 to 10000"},
        {[](TSiteTexts& t) { t.Equinox = "B1950"; }, F::Equinox, "Equinox must be J2000 or J1950"},
        {[](TSiteTexts& t) { t.KelvinPerCount = "0"; }, F::KelvinPerCount, "Kelvin per count"},
        {[](TSiteTexts& t) { t.KelvinPerCount = "-0.5"; }, F::KelvinPerCount, "above 0"},
        {[](TSiteTexts& t) { t.KelvinPerCount = "0.5 K"; }, F::KelvinPerCount, "above 0"},
        {[](TSiteTexts& t) { t.KelvinPerCount = "2e6"; }, F::KelvinPerCount, "above 0"},
        // The first fault in the dialog's order is named.
        {[](TSiteTexts& t) { t.Height = "x", t.LongSeconds = "x"; }, F::LongSeconds,
         "Longitude seconds"},
    };
    for (const auto& c : invalid) {
        TSiteTexts texts = DefaultTexts();
        c.edit(texts);
        const TSiteCheck check = CheckSite(texts);
        EXPECT_FALSE(check.Site) << c.error;
        EXPECT_EQ(check.Field, c.field) << c.error;
        EXPECT_NE(check.Error.find(c.error), std::string::npos)
            << "wanted '" << c.error << "' in: " << check.Error;
    }
}

class SiteStore : public ::testing::Test {
protected:
    void SetUp() override { ClearTestSettings(); }
    void TearDown() override { ClearTestSettings(); }
};

// Every site written and read back by the suite's reader, among values the control program
// keeps and a key nobody here knows: those stay as they were.
TEST_F(SiteStore, WrittenSitesReadBackExactlyAndNothingElseChanges) {
    const TSite sites[] = {
        Site(Angle(true, 33, 51, 35), Angle(false, 151, 12, 40), 58, false),
        // Greenwich's meridian and the equator within a degree: the "-0" degrees.
        Site(Angle(false, 51, 28, 40), Angle(true, 0, 0, 5), 46, true),
        Site(Angle(true, 0, 30, 0), Angle(true, 0, 17, 41), -28, false),
        Site(Angle(false, 90, 0, 0), Angle(true, 180, 0, 0), 10000, false),
        Site(Angle(true, 90, 0, 0), Angle(false, 180, 0, 0), -500, true),
        Site(TSiteAngle(), TSiteAngle(), 0, false),
    };
    for (const TSite& site : sites) {
        ClearTestSettings();
        {
            QSettings store("Fernhollow", "Tovrel");
            store.setValue("Telescope/Name", "Dish 3");
            store.setValue("Position/Pressure", 1013);
            store.setValue("Longitude/Surveyed", "2019");
            store.setValue("Receiver/Gain", 31.5);
        }
        const std::string error = WriteSite(site);
        ASSERT_EQ(error, "");
        const TStationSettings read = TStationSettings::Read();
        const TSite back = SiteOf(read);
        SCOPED_TRACE(::testing::PrintToString(site.Latitude) + " " +
                     ::testing::PrintToString(site.Longitude));
        EXPECT_EQ(back.Latitude, site.Latitude);
        EXPECT_EQ(back.Longitude, site.Longitude);
        EXPECT_EQ(back.Height, site.Height);
        EXPECT_EQ(back.J1950, site.J1950);
        EXPECT_EQ(read.TelescopeName, "Dish 3");
        EXPECT_EQ(read.Pressure, 1013);
        const QSettings store("Fernhollow", "Tovrel");
        EXPECT_EQ(store.value("Longitude/Surveyed").toString(), "2019");
        EXPECT_EQ(store.value("Receiver/Gain").toDouble(), 31.5);

        // The details dialog, and so the VLSR, gets the same site: its angles are in the
        // 0..360 form of the signed value.
        const TDetailsState details = TDetailsState::Create(read);
        for (const auto& [angle, expected] :
             {std::pair{details.SiteLatitude().Value, site.Latitude.Value()},
              std::pair{details.SiteLongitude().Value, site.Longitude.Value()}})
            EXPECT_NEAR(angle, std::fmod(expected + 360.0, 360.0), 1e-9);
    }
}

// The calibration is kept with the site: written, read back, and removed again (an empty value
// reads as none); a store that never had one gets no line for it.
TEST_F(SiteStore, TheCalibrationIsWrittenReadBackAndRemoved) {
    TSite site = Site(Angle(false, 51, 28, 40), Angle(true, 0, 0, 5), 46, false);
    ASSERT_EQ(WriteSite(site), "");
    EXPECT_FALSE(TStationSettings::Read().KelvinPerCount);
    EXPECT_FALSE(QSettings("Fernhollow", "Tovrel").contains("Calibration/KelvinPerCount"));
    for (const auto& [text, shown] : {std::pair{"0.0125", "0.0125"}, std::pair{" 3 ", "3"}}) {
        TSiteTexts texts = SiteTexts(site);
        texts.KelvinPerCount = text;
        const TSiteCheck check = CheckSite(texts);
        ASSERT_TRUE(check.Site) << check.Error;
        ASSERT_EQ(WriteSite(*check.Site), "");
        const TStationSettings read = TStationSettings::Read();
        ASSERT_TRUE(read.KelvinPerCount) << text;
        EXPECT_EQ(*read.KelvinPerCount, std::stod(text));
        EXPECT_EQ(SiteOf(read), *check.Site);
        EXPECT_EQ(SiteTexts(SiteOf(read)).KelvinPerCount, shown);
    }
    site.KelvinPerCount.reset();
    ASSERT_EQ(WriteSite(site), "");
    EXPECT_FALSE(TStationSettings::Read().KelvinPerCount);
}

// A store that is a symbolic link (kept with the user's other files): the file it points to is
// edited, as it is the one read, and the link stays.
TEST_F(SiteStore, ALinkedStoreHasItsTargetEdited) {
    const QString folder = TestSettingsFolder() + "/Fernhollow";
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString link = folder + "/Tovrel.conf", target = TestSettingsFolder() + "/station.ini";
    QFile::remove(link);
    {
        QFile file(target);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("; kept\n[Latitude]\nDegrees=40\n");
    }
    ASSERT_TRUE(QFile::link(target, link));
    ASSERT_EQ(WriteSite(Site(Angle(false, 12, 0, 0), TSiteAngle(), 0, false)), "");
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().startsWith("; kept\n[Latitude]\nDegrees=12\n"));
    EXPECT_EQ(TStationSettings::Read().LatDegrees, 12);
    QFile::remove(link);
    QFile::remove(target);
}

} // namespace
