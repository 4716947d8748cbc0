// What a FITS file holds (the axis, the cards, the diagram's grid) and CFITSIO's bytes of it.
#include "data/Datetimeunit.h"
#include "data/Spectrumunit.h"
#include "fits/Fitslvunit.h"
#include "fits/Fitsunit.h"
#include "fits/Fitswriteunit.h"
#include "fits/Fitswriteunit_internal.h"

#include <chrono>
#include <cmath>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

const TFitsCard* Find(const TFitsImage& image, const std::string& key) {
    for (const TFitsCard& card : image.Cards)
        if (card.Key == key)
            return &card;
    return nullptr;
}

int Count(const TFitsImage& image, const std::string& key) {
    int n = 0;
    for (const TFitsCard& card : image.Cards)
        n += card.Key == key ? 1 : 0;
    return n;
}

TEST(FitsSpectralAxis, LinearOnlyWhereEveryValueIsWithinTolerance) {
    std::vector<double> table(ChannelOffsets.begin(), ChannelOffsets.end()), linear;
    for (int i = 0; i < ChannelCount; ++i)
        linear.push_back(5000.0 * i - 1000000.0);
    // Each channel's value from its definition: f = RestFrequency + offset, lambda = c / f,
    // v = (lambda - RestWavelength) / RestWavelength c.
    const auto frequency = [&](int i) { return RestFrequency + ChannelOffsets[i]; };
    struct TCase {
        const char* Name;
        int Mode;
        const std::vector<double>* X;
        const char *Type, *Unit;
        bool Tabulated;
        std::function<double(int)> World;
    };
    const std::vector<double> vlsr = VelocitiesMinusVlsrFor(-17.5);
    const TCase cases[] = {
        // The receiver's table was written down to six digits: channel 0's -1000001.77 Hz as
        // -1000000, 1.3e-9 of the frequency off the best line.
        {"frequency", ModeFrequency, &table, "FREQ", "Hz", true, frequency},
        {"wavelength", ModeWavelength, &WavelengthOffsets, "WAVE", "m", true,
         [&](int i) { return SpeedOfLight / frequency(i); }},
        {"velocity", ModeVelocity, &Velocities, "VOPT", "m/s", true,
         [&](int i) {
             return (SpeedOfLight / frequency(i) - RestWavelength) / RestWavelength * SpeedOfLight;
         }},
        {"vlsr", ModeVelocityMinusVlsr, &vlsr, "VOPT", "m/s", true,
         [&](int i) { return 1000.0 * (Velocities[i] + 17.5); }},
        {"exact 5 kHz steps", ModeFrequency, &linear, "FREQ", "Hz", false,
         [&](int i) { return RestFrequency + 5000.0 * i - 1000000.0; }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const TFitsAxis axis = FitsSpectralAxis(c.Mode, *c.X);
        EXPECT_EQ(axis.Type, c.Type);
        EXPECT_EQ(axis.Unit, c.Unit);
        EXPECT_EQ(axis.Tabulated, c.Tabulated) << "deviation " << axis.Deviation;
        ASSERT_EQ(axis.World.size(), std::size_t{ChannelCount});
        for (int i = 0; i < ChannelCount; i += 57) {
            EXPECT_NEAR(axis.World[i], c.World(i), 1e-12 * std::fabs(c.World(i))) << i;
            if (!axis.Tabulated) { // the line is what a reader computes
                EXPECT_NEAR(axis.Crval + axis.Cdelt * (i + 1 - axis.Crpix), c.World(i),
                            FitsLinearTolerance * std::fabs(c.World(i)));
            }
        }
    }
    EXPECT_GT(FitsSpectralAxis(ModeFrequency, table).Deviation, 1.25e-9);
    EXPECT_LT(FitsSpectralAxis(ModeFrequency, table).Deviation, 2e-9);
}

TFitsSpectrum Sample(int mode) {
    TFitsSpectrum s;
    s.Mode = mode;
    SelectXAxis(mode, VelocitiesMinusVlsrFor(-12.25), s.X);
    for (int i = 0; i < ChannelCount; ++i)
        s.Signal.push_back(i == 7 || i == 300 ? 0.0 : 100.0 + i);
    s.Saved.FileName = "G5.30_m120.15.dat";
    s.Saved.Vlsr = -12.25;
    s.Saved.Corrected = true;
    s.Saved.Coefficients = {1.5, -0.25, 1e-3};
    s.Saved.Correlation = 0.875;
    s.VlsrKnown = true;
    s.LineWindows = {{-50.0, 20.0}};
    EXPECT_TRUE(TryEncodeDate(2024, 3, 15, s.Instant));
    double time = 0.0;
    EXPECT_TRUE(TryEncodeTime(21, 40, 5, 250, time));
    s.Instant += time;
    return s;
}

TEST(FitsSpectrumImage, FrameDataAndHistory) {
    struct TCase {
        int Mode;
        const char* Specsys;
        bool Velosys;
    } cases[] = {{ModeFrequency, "TOPOCENT", false},
                 {ModeVelocity, "TOPOCENT", false},
                 {ModeVelocityMinusVlsr, "LSRK", true}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Mode);
        const TFitsImage image = FitsSpectrumImage(Sample(c.Mode));
        EXPECT_EQ(std::get<std::string>(Find(image, "SPECSYS")->Value), c.Specsys);
        ASSERT_EQ(Find(image, "VELOSYS") != nullptr, c.Velosys);
        if (c.Velosys) {
            EXPECT_EQ(std::get<double>(Find(image, "VELOSYS")->Value), -12250.0);
        }
        EXPECT_EQ(std::get<std::string>(Find(image, "DATE-OBS")->Value), "2024-03-15T21:40:05.250");
        EXPECT_EQ(std::get<std::string>(Find(image, "OBJECT")->Value), "G5.30_m120.15");
        ASSERT_EQ(image.Data.size(), std::size_t{ChannelCount});
        EXPECT_TRUE(std::isnan(image.Data[7]) && std::isnan(image.Data[300]));
        EXPECT_EQ(image.Data[8], 108.0);
        EXPECT_NE(std::get<std::string>(Find(image, "COMMENT")->Value).find("NaN: 2 of 400"),
                  std::string::npos);
        // The fit's description, 3 coefficients, the correlation and the window.
        EXPECT_EQ(Count(image, "HISTORY"), 6);
        ASSERT_TRUE(image.Table);
        EXPECT_EQ(image.Table->Values.size(), std::size_t{ChannelCount});
    }
    TFitsSpectrum raw = Sample(ModeFrequency);
    raw.Saved.Corrected = false;
    raw.VlsrKnown = false;
    const TFitsImage image = FitsSpectrumImage(raw);
    EXPECT_EQ(Count(image, "HISTORY"), 0) << "no baseline was subtracted";
    EXPECT_EQ(Find(image, "VLSR"), nullptr) << "no VLSR for this spectrum";
}

TEST(FitsFileBytes, ALibraryFailureIsNamed) {
    TFitsImage image;
    image.Axes = {-2};
    try {
        FitsFileBytes(image);
        ADD_FAILURE() << "an axis of -2 pixels was written";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()).rfind("CFITSIO: ", 0), 0u) << error.what();
    }
}

// CFITSIO built without --enable-reentrant shares its buffers between the files it has open:
// the batch's workers must then make their files one at a time. The library's answer is
// replaced by each case's; a writer must wait for the lock only when it says no.
TEST(FitsFileBytes, ALibraryThatIsNotReentrantMakesOneFileAtATime) {
    TFitsImage image;
    image.Axes = {3};
    image.Data = {1.0, 2.0, 3.0};
    for (const bool reentrant : {true, false}) {
        SCOPED_TRACE(reentrant ? "reentrant" : "not reentrant");
        ReloadFitsLibrary(nullptr, reentrant);
        std::unique_lock<std::mutex> held = FitsWritingLock();
        EXPECT_EQ(held.owns_lock(), !reentrant);
        auto made = std::async(std::launch::async, [&image] { return FitsFileBytes(image); });
        // Not reentrant: still waiting after 0.2 s (it never finishes while the lock is held);
        // reentrant: done well within 30 s.
        const auto wait = reentrant ? std::chrono::seconds(30) : std::chrono::milliseconds(200);
        EXPECT_EQ(made.wait_for(wait) == std::future_status::ready, reentrant);
        if (held.owns_lock())
            held.unlock();
        EXPECT_EQ(made.get().size(), 2880u * 2) << "a header block and a data block";
    }
    ReloadFitsLibrary(nullptr);
}

TEST(FitsFileBytes, AnAbsentLibraryIsNamed) {
    ReloadFitsLibrary("libcfitsio-absent.so.0");
    EXPECT_NE(FitsLibraryError().find("CFITSIO (libcfitsio-absent.so.0) cannot be loaded: "),
              std::string::npos)
        << FitsLibraryError();
    TFitsImage image;
    image.Axes = {1};
    image.Data = {1.0};
    EXPECT_THROW(FitsFileBytes(image), std::runtime_error);
    ReloadFitsLibrary(nullptr);
    EXPECT_EQ(FitsLibraryError(), "");
}

TLvColumn Column(double longitude, double latitude, double level) {
    TLvColumn column;
    column.Longitude = longitude;
    column.Latitude = latitude;
    for (int i = 0; i < 21; ++i) {
        column.Velocities.push_back(-10.0 + i);
        column.Signal.push_back(i == 4 ? 0.0 : level + i);
    }
    return column;
}

TEST(LvFitsImage, GridOfTheColumnsNearestInLongitude) {
    // l = 350 and 10 lie either side of the centre: the axis runs -10 .. 30 in 10-degree steps
    // (the closest pair), from 30 down. Of the two files at l = 10 the one nearer the plane.
    const TFitsImage image = LvFitsImage(
        TLvGrid({Column(10.0, 1.5, 500.0), Column(350.0, 0.0, 100.0), Column(30.0, 0.0, 300.0),
                 Column(10.0, -0.5, 200.0), Column(20.0, 0.0, 400.0)}));
    ASSERT_EQ(image.Axes, (std::vector<long>{5, 21}));
    EXPECT_EQ(std::get<double>(Find(image, "CRVAL1")->Value), 30.0);
    EXPECT_EQ(std::get<double>(Find(image, "CDELT1")->Value), -10.0);
    EXPECT_EQ(std::get<double>(Find(image, "CRVAL2")->Value), -10000.0);
    EXPECT_EQ(std::get<double>(Find(image, "CDELT2")->Value), 1000.0);
    const auto pixel = [&](int l, int v) {
        return image.Data[static_cast<std::size_t>(v * 5 + l)];
    };
    EXPECT_EQ(pixel(0, 0), 300.0);  // l = 30, v = -10
    EXPECT_EQ(pixel(2, 3), 203.0);  // l = 10: the file at b = -0.5
    EXPECT_EQ(pixel(4, 20), 120.0); // l = -10 (350)
    EXPECT_TRUE(std::isnan(pixel(4, 4))) << "a missing channel";
    EXPECT_EQ(pixel(3, 1), 101.0) << "l = 0 lies half-way: the lower longitude's column";
    EXPECT_EQ(std::get<long long>(Find(image, "NCOLUMNS")->Value), 5) << "every file counts";
}

} // namespace
