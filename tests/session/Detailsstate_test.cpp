#include "session/Detailsstate.h"

#include "settings/Globalunit.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using F = TDetailsField;

constexpr double DegPerRad = 180.0 / 3.141592653589793;

TStationSettings Station(int equinoxSelector) {
    TStationSettings settings; // the store's defaults: 54 8 54 N, -2 17 41, 200 m
    settings.EquinoxSelector = equinoxSelector;
    return settings;
}

// Typing into a field as a user does: select all and type over it, one key at a time. Returns
// the number of conversions the keys caused.
int Type(TDetailsState& state, F field, const std::string& text) {
    const int before = state.ConversionCount();
    state.SetFieldText(field, "");
    for (std::size_t n = 1; n <= text.size(); ++n)
        state.SetFieldText(field, text.substr(0, n));
    return state.ConversionCount() - before;
}

void TypeRow(TDetailsState& state, F first, const char* d, const char* m, const char* s) {
    const int f = static_cast<int>(first);
    Type(state, first, d);
    Type(state, static_cast<F>(f + 1), m);
    Type(state, static_cast<F>(f + 2), s);
}

struct TParts {
    std::string d, m, s;
};

TParts Row(const TDetailsState& state, F first) {
    const int f = static_cast<int>(first);
    return {state.Text(first), state.Text(static_cast<F>(f + 1)),
            state.Text(static_cast<F>(f + 2))};
}

// Seconds may differ by one where the conversion's result lies at a truncation boundary.
void ExpectRow(const TDetailsState& state, F first, const TParts& expected) {
    const TParts got = Row(state, first);
    EXPECT_EQ(got.d, expected.d) << DetailsFieldName(first);
    EXPECT_EQ(got.m, expected.m) << DetailsFieldName(first);
    EXPECT_NEAR(std::stoi(got.s), std::stoi(expected.s), 1) << DetailsFieldName(first);
}

std::vector<std::string> AllTexts(const TDetailsState& state) {
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < DetailsFieldCount; ++i)
        texts.push_back(state.Text(static_cast<F>(i)));
    return texts;
}

// Galactic to equatorial (J2000) by the spherical triangle of the north galactic pole
// (RA 192.85948, Dec 27.12825) and the galactic longitude of the north celestial pole
// (122.93192), as published with the Hipparcos catalogue. Degrees; RA in degrees.
void GalacticToJ2000(double l, double b, double& ra, double& dec) {
    const double poleRa = 192.85948 / DegPerRad, poleDec = 27.12825 / DegPerRad;
    const double ncp = 122.93192 / DegPerRad;
    l /= DegPerRad;
    b /= DegPerRad;
    dec = std::asin(std::sin(poleDec) * std::sin(b) +
                    std::cos(poleDec) * std::cos(b) * std::cos(ncp - l));
    const double y = std::cos(b) * std::sin(ncp - l);
    const double x =
        std::cos(poleDec) * std::sin(b) - std::sin(poleDec) * std::cos(b) * std::cos(ncp - l);
    ra = std::fmod((std::atan2(y, x) + poleRa) * DegPerRad + 720.0, 360.0);
    dec *= DegPerRad;
}

TEST(DetailsState, CreationShowsTheStationAndTheGalacticCentre) {
    struct Case {
        const char* name;
        int selector;
        const char* epoch;
        TParts ra, dec; // the galactic centre in that equinox's published coordinates
    };
    const std::vector<Case> cases = {
        // B1950: 17h 42m 26.6s, -28 deg 55' 00.4"; J2000: 17h 45m 37.2s, -28 deg 56' 10.2".
        {"1950", 0, "1950", {"17", "42", "27"}, {"-28", "55", "0"}},
        {"2000", 1, "2000", {"17", "45", "37"}, {"-28", "56", "10"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TDetailsState state = TDetailsState::Create(Station(c.selector));
        EXPECT_EQ(state.EquinoxSet(), c.selector);
        const std::vector<std::pair<F, std::string>> site = {
            {F::edLatDeg, "54"},  {F::edLatMin, "8"},   {F::edLatSec, "54"}, {F::edLongDeg, "-2"},
            {F::edLongMin, "17"}, {F::edLongSec, "41"}, {F::edElev, "200"},  {F::edEpoch, c.epoch}};
        for (const auto& [field, text] : site)
            EXPECT_EQ(state.Text(field), text) << DetailsFieldName(field);
        // 54 8 54 is 54.148333 deg; -2 17 41 is 357.705278 deg in the 0..360 form.
        EXPECT_NEAR(state.SiteLatitude().Value, 54.0 + 8.0 / 60 + 54.0 / 3600, 1e-9);
        EXPECT_NEAR(state.SiteLongitude().Value, 360.0 - (2.0 + 17.0 / 60 + 41.0 / 3600), 1e-9);
        ExpectRow(state, F::edBiiDeg, {"0", "0", "0"});
        ExpectRow(state, F::edLiiDeg, {"0", "0", "0"});
        ExpectRow(state, F::edRaHrs, c.ra);
        ExpectRow(state, F::edDecDeg, c.dec);
        EXPECT_GT(state.Declination().Value, 180.0); // held in the 0..360 form
        EXPECT_EQ(state.ConversionCount(), 1);
    }
}

TEST(DetailsState, SouthernAndEasternSitesInTheZeroTo360Form) {
    TStationSettings settings;
    settings.LatDegrees = -33;
    settings.LatMinutes = 30;
    settings.LatSeconds = 0;
    settings.LongDegrees = 151;
    settings.LongMinutes = 12;
    settings.LongSeconds = 36;
    settings.Height = -5;
    const TDetailsState state = TDetailsState::Create(settings);
    EXPECT_EQ(state.Text(F::edLatDeg), "-33");
    EXPECT_EQ(state.Text(F::edElev), "-5");
    EXPECT_NEAR(state.SiteLatitude().Value, 360.0 - 33.5, 1e-9);
    EXPECT_NEAR(state.SiteLongitude().Value, 151.21, 1e-9);
}

TEST(DetailsState, TypedEquatorialPositionGivesGalacticFields) {
    struct Case {
        const char* name;
        int selector;
        TParts bii, lii;
    };
    // Cygnus A (B1950 19h 59m 28s, +40 44' 2"): l 76.48017, b 5.549103 with the B1950 pole;
    // l 76.189265, b 5.756337 with the J2000 pole.
    const std::vector<Case> cases = {
        {"1950", 0, {"5", "32", "56"}, {"76", "28", "48"}},
        {"2000", 1, {"5", "45", "22"}, {"76", "11", "21"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TDetailsState state = TDetailsState::Create(Station(c.selector));
        TypeRow(state, F::edRaHrs, "19", "59", "28");
        TypeRow(state, F::edDecDeg, "40", "44", "2");
        ExpectRow(state, F::edBiiDeg, c.bii);
        ExpectRow(state, F::edLiiDeg, c.lii);
        // The typed fields stay as typed.
        ExpectRow(state, F::edRaHrs, {"19", "59", "28"});
        ExpectRow(state, F::edDecDeg, {"40", "44", "2"});
    }
}

TEST(DetailsState, NegativeGalacticLatitudeShowsSignedDegrees) {
    // Near the Orion nebula, RA 5h 35m, Dec -5 24' (B1950), the latitude is -18 deg 53'.
    TDetailsState state = TDetailsState::Create(Station(0));
    TypeRow(state, F::edRaHrs, "5", "35", "0");
    TypeRow(state, F::edDecDeg, "-5", "24", "0");
    EXPECT_EQ(state.Text(F::edBiiDeg), "-18");
    EXPECT_EQ(state.Text(F::edBiiMin), "53");
    EXPECT_GT(state.GalLatitude().Value, 180.0);
    const TParts dec = Row(state, F::edDecDeg);
    EXPECT_EQ(dec.d + " " + dec.m + " " + dec.s, "-5 24 0");
}

TEST(DetailsState, EachChangeConvertsOnceAndRewritesOnlyTheOtherGroup) {
    TDetailsState state = TDetailsState::Create(Station(0));
    TypeRow(state, F::edRaHrs, "19", "59", "28");
    TypeRow(state, F::edDecDeg, "40", "44", "2");
    const TDeclination dec = state.Declination();
    const std::vector<std::string> before = AllTexts(state);

    // Clearing "59", then "5", then "50": three changes, three conversions.
    EXPECT_EQ(Type(state, F::edRaMin, "50"), 3);
    const std::vector<std::string> after = AllTexts(state);
    for (std::size_t i = 0; i < DetailsFieldCount; ++i) {
        const F field = static_cast<F>(i);
        const bool galactic = field >= F::edBiiDeg && field <= F::edLiiSec;
        if (field == F::edRaMin) {
            EXPECT_EQ(after[i], "50");
        } else if (!galactic) {
            EXPECT_EQ(after[i], before[i]) << DetailsFieldName(field);
        }
    }
    EXPECT_NE(after[static_cast<int>(F::edLiiMin)], before[static_cast<int>(F::edLiiMin)]);
    EXPECT_NEAR(state.RightAscension().GetValue(), (19 + 50.0 / 60 + 28.0 / 3600) * 15, 1e-9);
    EXPECT_EQ(state.Declination().Value, dec.Value);

    // Setting a text a field already holds is no change.
    EXPECT_EQ(state.SetFieldText(F::edRaMin, "50"), TDetailsUpdate::None);
    // A galactic edit converts the other way and leaves the galactic fields as typed.
    const int count = state.ConversionCount();
    EXPECT_EQ(state.SetFieldText(F::edLiiSec, "7"), TDetailsUpdate::GalacticToEquatorial);
    EXPECT_EQ(state.ConversionCount(), count + 1);
    EXPECT_EQ(state.Text(F::edLiiSec), "7");
}

TEST(DetailsState, SiteElevationAndEpochFieldsOnlyHoldText) {
    TDetailsState state = TDetailsState::Create(Station(1));
    const double latitude = state.SiteLatitude().Value;
    for (F field : {F::edLatDeg, F::edLongSec, F::edElev, F::edEpoch})
        EXPECT_EQ(state.SetFieldText(field, "12"), TDetailsUpdate::None);
    EXPECT_EQ(state.Text(F::edElev), "12");
    EXPECT_EQ(state.SiteLatitude().Value, latitude);
    EXPECT_EQ(state.ConversionCount(), 1);
}

TEST(DetailsState, ClearingAFieldCountsAsZeroAndConverts) {
    TDetailsState state = TDetailsState::Create(Station(0));
    TypeRow(state, F::edRaHrs, "19", "59", "28");
    TypeRow(state, F::edDecDeg, "40", "44", "2");
    const std::string latitudeBefore = state.Text(F::edBiiMin);
    const int count = state.ConversionCount();
    EXPECT_EQ(state.SetFieldText(F::edDecMin, ""), TDetailsUpdate::EquatorialToGalactic);
    EXPECT_EQ(state.ConversionCount(), count + 1);
    EXPECT_NEAR(state.Declination().Value, 40.0 + 2.0 / 3600, 1e-9);
    EXPECT_NE(state.Text(F::edBiiMin), latitudeBefore);

    // An empty degrees field counts as 0 degrees too.
    state.SetFieldText(F::edDecDeg, "");
    EXPECT_NEAR(state.Declination().Value, 0.0, 1e-9);
}

TEST(DetailsState, NegativeZeroDegreesKeepTheirSign) {
    struct Case {
        const char* name;
        F typedRow;
        TParts typed;
        F shownRow;
        const char* shownMinutes; // from the B1950 pole at RA 192.25, Dec 27.4, l(NCP) 123
    };
    const std::vector<Case> cases = {
        // l 32.5, b 0 lies at Dec -0.4439 deg, -0 deg 26' 38".
        {"declination", F::edLiiDeg, {"32", "30", "0"}, F::edDecDeg, "26"},
        // RA 18h 49m (the node), Dec -0 deg 30' lies at b -0.2301 deg, -0 deg 13' 48".
        {"galactic latitude", F::edRaHrs, {"18", "49", "0"}, F::edBiiDeg, "13"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TDetailsState state = TDetailsState::Create(Station(0));
        if (c.typedRow == F::edRaHrs)
            TypeRow(state, F::edDecDeg, "-0", "30", "0");
        TypeRow(state, c.typedRow, c.typed.d.c_str(), c.typed.m.c_str(), c.typed.s.c_str());
        EXPECT_EQ(Row(state, c.shownRow).d, "-0");
        EXPECT_EQ(Row(state, c.shownRow).m, c.shownMinutes);

        // Editing the shown row reads the fields back: the angle stays south of the equator.
        const F seconds = static_cast<F>(static_cast<int>(c.shownRow) + 2);
        const std::string s = state.Text(seconds);
        Type(state, seconds, s);
        const double value =
            c.shownRow == F::edDecDeg ? state.Declination().Value : state.GalLatitude().Value;
        EXPECT_GT(value, 359.0);
    }
}

TEST(DetailsState, FormShowTakesTheFileNamePosition) {
    TDetailsState state = TDetailsState::Create(Station(1));
    // G5.30_m120.15: latitude 5 30 0, longitude -120 15 0, held as 239.75.
    const TGLatitude latitude(TAngle("5", "30", "0"));
    TGLongitude longitude(TAngle("120", "15", "0"));
    longitude.Negate();

    const std::vector<std::string> before = AllTexts(state);
    state.FormShow(false, latitude, longitude);
    EXPECT_EQ(AllTexts(state), before);
    EXPECT_EQ(state.ConversionCount(), 1);

    state.FormShow(true, latitude, longitude);
    ExpectRow(state, F::edBiiDeg, {"5", "30", "0"});
    EXPECT_EQ(state.Text(F::edLiiDeg) + " " + state.Text(F::edLiiMin) + " " +
                  state.Text(F::edLiiSec),
              "239 45 0");
    // Each field that changes converts once; both seconds fields stay "0".
    EXPECT_EQ(state.ConversionCount(), 1 + 4);
    double ra = 0.0, dec = 0.0;
    GalacticToJ2000(239.75, 5.5, ra, dec);
    EXPECT_NEAR(state.RightAscension().GetValue(), ra, 1e-5);
    EXPECT_NEAR(state.Declination().Value, dec + 360.0, 1.0 / 3600); // south: 0..360 form

    // A second showing of the same file changes nothing.
    state.FormShow(true, latitude, longitude);
    EXPECT_EQ(state.ConversionCount(), 5);
}

TEST(DetailsState, FieldNamesAreTheControlNames) {
    EXPECT_STREQ(DetailsFieldName(F::edLatDeg), "edLatDeg");
    EXPECT_STREQ(DetailsFieldName(F::edElev), "edElev");
    EXPECT_STREQ(DetailsFieldName(F::edRaHrs), "edRaHrs");
    EXPECT_STREQ(DetailsFieldName(F::edDecSec), "edDecSec");
    EXPECT_STREQ(DetailsFieldName(F::edBiiDeg), "edBiiDeg");
    EXPECT_STREQ(DetailsFieldName(F::edLiiSec), "edLiiSec");
    EXPECT_STREQ(DetailsFieldName(F::edEpoch), "edEpoch");
}

} // namespace
