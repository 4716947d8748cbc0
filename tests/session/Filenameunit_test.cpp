#include "data/Spectrumunit.h"
#include "session/Filenameunit.h"

#include <gtest/gtest.h>

TEST(FileNamePosition, NamesThatCarryAPosition) {
    const struct {
        const char* name;
        bool carries;
        double latitude, longitude;
    } cases[] = {
        {"G5.30_m120.15.dat", true, 5.5, 239.75},
        {"G5_m120.15.0.dat", true, 5.0, 239.75},
        {"G0_30.0.dat", true, 0.0, 30.0},
        {"G0_30.dat", false, 0.0, 0.0}, // the extension's dot is taken as a separator
        {"G-10.20.30_350.0.15.dat", true, 360 - (10 + 20 / 60.0 + 30 / 3600.0), 350 + 15 / 3600.0},
        {"G-0.30_10.0.dat", true, 359.5, 10.0}, // a latitude of -0° 30' keeps its sign
        {"G5.30_m120.dat", false, 5.5, 0.0},    // the latitude is already stored
        {"G5.30_120", false, 5.5, 0.0},
        {"G5.30", false, 0.0, 0.0},
        {"G5.30x12.1.dat", false, 5.5, 0.0},
        {"spectrum.dat", false, 0.0, 0.0},
        {"g5.30_120.15.dat", false, 0.0, 0.0},
        {"", false, 0.0, 0.0},
    };
    for (const auto& c : cases) {
        TGLatitude latitude;
        TGLongitude longitude;
        EXPECT_EQ(ParseFileName(c.name, latitude, longitude), c.carries) << c.name;
        EXPECT_NEAR(latitude.Value, c.latitude, 1e-9) << c.name;
        EXPECT_NEAR(longitude.Value, c.longitude, 1e-9) << c.name;
    }
}

TEST(FileNamePosition, PartsOfTheNegatedLongitude) {
    TGLatitude latitude;
    TGLongitude longitude;
    ASSERT_TRUE(ParseFileName("G5.30_m120.15.dat", latitude, longitude));
    EXPECT_EQ(latitude.GetDegrees(), 5);
    EXPECT_EQ(latitude.GetMinutes(), 30);
    EXPECT_EQ(longitude.GetDegrees(), 239);
    EXPECT_EQ(longitude.GetMinutes(), 45);
    EXPECT_EQ(longitude.GetSeconds(), 0);
    EXPECT_EQ(longitude.ToText(true), "-120° 15' 0\"");
}
