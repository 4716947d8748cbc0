// The station's site: the dialog's texts checked, and sites written into the shared store and
// read back as the suite's reader reads them.
#include "settings/Siteunit.h"

#include "astro/Detailsstate.h"
#include "settings/Globalunit.h"

#include "support/TestSettings.h"

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

struct TTextCase {
    const char* name;
    std::function<void(TSiteTexts&)> edit;
    std::optional<TSite> site; // what the texts give, or
    TSiteField field;          // the field at fault
    const char* error;         // and a part of the reason
};

TEST(SiteTexts, EachFieldIsCheckedAndTheFirstFaultNamed) {
    const TSite home = Site(Angle(false, 54, 8, 54), Angle(true, 2, 17, 41), 200, false);
    auto with = [&home](auto change) {
        TSite s = home;
        change(s);
        return std::optional<TSite>(s);
    };
    using F = TSiteField;
    const TTextCase cases[] = {
        {"as shown", [](TSiteTexts&) {}, home, {}, ""},
        {"blanks around numbers, empty seconds",
         [](TSiteTexts& t) { t.LatMinutes = " 8 ", t.LatSeconds = ""; },
         with([](TSite& s) { s.Latitude.Seconds = 0; }),
         {},
         ""},
        {"under 1 degree south",
         [](TSiteTexts& t) { t.LatDegrees = "0", t.South = true; },
         with([](TSite& s) { s.Latitude = Angle(true, 0, 8, 54); }),
         {},
         ""},
        {"no angle is west",
         [](TSiteTexts& t) { t.LongDegrees = t.LongMinutes = t.LongSeconds = "0"; },
         with([](TSite& s) { s.Longitude = TSiteAngle(); }),
         {},
         ""},
        {"the pole and the date line",
         [](TSiteTexts& t) {
             t.LatDegrees = "90", t.LatMinutes = t.LatSeconds = "0";
             t.LongDegrees = "180", t.LongMinutes = t.LongSeconds = "0";
         },
         with([](TSite& s) {
             s.Latitude = Angle(false, 90, 0, 0), s.Longitude = Angle(true, 180, 0, 0);
         }),
         {},
         ""},
        {"lowest elevation, J1950",
         [](TSiteTexts& t) { t.Height = "-500", t.Equinox = "J1950"; },
         with([](TSite& s) { s.Height = -500, s.J1950 = true; }),
         {},
         ""},
        {"beyond the pole", [](TSiteTexts& t) { t.LatDegrees = "90", t.LatSeconds = "1"; },
         std::nullopt, F::LatDegrees, "Latitude cannot be more than 90"},
        {"signed degrees", [](TSiteTexts& t) { t.LatDegrees = "-5"; }, std::nullopt, F::LatDegrees,
         "Latitude degrees must be a whole number from 0 to 90"},
        {"no degrees", [](TSiteTexts& t) { t.LatDegrees = " "; }, std::nullopt, F::LatDegrees,
         "Latitude degrees"},
        {"seconds of 60", [](TSiteTexts& t) { t.LatSeconds = "60"; }, std::nullopt, F::LatSeconds,
         "Latitude seconds must be a whole number from 0 to 59"},
        {"beyond the date line", [](TSiteTexts& t) { t.LongDegrees = "180"; }, std::nullopt,
         F::LongDegrees, "Longitude cannot be more than 180"},
        {"longitude of 181", [](TSiteTexts& t) { t.LongDegrees = "181"; }, std::nullopt,
         F::LongDegrees, "from 0 to 180"},
        {"fractional minutes", [](TSiteTexts& t) { t.LongMinutes = "17.5"; }, std::nullopt,
         F::LongMinutes, "Longitude minutes"},
        {"elevation below the bound", [](TSiteTexts& t) { t.Height = "-501"; }, std::nullopt,
         F::Height, "Elevation must be a whole number of metres from -500 to 10000"},
        {"elevation in km", [](TSiteTexts& t) { t.Height = "0.2"; }, std::nullopt, F::Height,
         "Elevation"},
        {"another equinox", [](TSiteTexts& t) { t.Equinox = "B1950"; }, std::nullopt, F::Equinox,
         "Equinox must be J2000 or J1950"},
        {"the first fault is named", [](TSiteTexts& t) { t.Height = "x", t.LongSeconds = "x"; },
         std::nullopt, F::LongSeconds, "Longitude seconds"},
    };
    for (const TTextCase& c : cases) {
        SCOPED_TRACE(c.name);
        TSiteTexts texts = DefaultTexts();
        c.edit(texts);
        const TSiteCheck check = CheckSite(texts);
        ASSERT_EQ(check.Site.has_value(), c.site.has_value()) << check.Error;
        if (c.site) {
            EXPECT_EQ(check.Site->Latitude, c.site->Latitude);
            EXPECT_EQ(check.Site->Longitude, c.site->Longitude);
            EXPECT_EQ(check.Site->Height, c.site->Height);
            EXPECT_EQ(check.Site->J1950, c.site->J1950);
        } else {
            EXPECT_EQ(check.Field, c.field);
            EXPECT_NE(check.Error.find(c.error), std::string::npos)
                << "wanted '" << c.error << "' in: " << check.Error;
        }
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

} // namespace
