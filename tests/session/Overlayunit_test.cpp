// Overlays: their colours and legends, what cannot be overlaid, and the VLSR each takes for its
// own time and its own name's position.
#include "session/Overlayunit.h"
#include "settings/Globalunit.h"
#include "support/SpectrumFiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <set>
#include <stdexcept>

namespace {

double Flat(int) {
    return 100.0;
}

} // namespace

TEST(OverlayColor, EightColoursApartFromTheGraphsOwn) {
    // The graph's blue curve, red fit, grey grid, green marks, white area and black text.
    std::set<std::uint32_t> seen = {0xFF0000, 0x0000FF, 0x808080, 0x008000, 0xFFFFFF, 0x000000};
    for (std::size_t i = 0; i < MaxOverlays; ++i)
        EXPECT_TRUE(seen.insert(OverlayColor(i)).second) << i;
}

TEST(OverlayLegend, TheNameAndOnTheVlsrAxisTheVlsr) {
    const struct {
        int mode;
        std::optional<double> vlsr;
        const char* expected;
    } cases[] = {
        {ModeFrequency, 12.345, "scan.dat"},
        {ModeVelocity, std::nullopt, "scan.dat"},
        {ModeVelocityMinusVlsr, -7.126, "scan.dat  VLSR -7.13 km/s"},
        {ModeVelocityMinusVlsr, std::nullopt, "scan.dat  no VLSR"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(OverlayLegend("scan.dat", c.mode, c.vlsr), c.expected) << c.mode;
}

TEST(TOverlaySet, EachOverlayHasTheVlsrOfItsOwnTimeAndPosition) {
    QTemporaryDir folder;
    const QString evening = WriteSpectrumFile(folder.path(), "G10.0_m90.0.dat",
                                              "s 12/25/09 22:15:07 value 1.5 n 10 20 30 40", Flat);
    const QString morning = WriteSpectrumFile(folder.path(), "G120.0_5.0.dat",
                                              "s 06/21/10 06:00:00 value 1.5 n 10 20 30 40", Flat);
    const TDetailsState shown = TDetailsState::Create(TStationSettings());
    TOverlaySet overlays;
    overlays.Add(evening.toStdString(), shown);
    overlays.Add(morning.toStdString(), shown);
    ASSERT_EQ(overlays.Size(), 2u);
    // As Follow folder takes a new file: read into a session, the details shown with the
    // position of the file's own name, applied for its own time.
    for (std::size_t i = 0; i < 2; ++i) {
        TSession followed;
        followed.Read((i == 0 ? evening : morning).toStdString());
        const TAppliedDetails applied = followed.ApplyDetails(followed.DetailsShown(shown));
        ASSERT_TRUE(applied.Applied);
        ASSERT_TRUE(overlays[i].Vlsr.has_value());
        EXPECT_DOUBLE_EQ(*overlays[i].Vlsr, applied.Vlsr) << i;
        EXPECT_EQ(overlays[i].Axes[ModeVelocityMinusVlsr], followed.VelocitiesMinusVlsr()) << i;
    }
    // Different places and times: different VLSRs.
    EXPECT_GT(std::fabs(*overlays[0].Vlsr - *overlays[1].Vlsr), 1.0);
    EXPECT_EQ(overlays[0].Name, "G10.0_m90.0.dat");
    EXPECT_EQ(overlays[0].Signal, std::vector<double>(400, 100.0));
    // Without details: no VLSR and no velocity-minus-VLSR axis.
    TOverlaySet plain;
    plain.Add(evening.toStdString(), std::nullopt);
    EXPECT_FALSE(plain[0].Vlsr.has_value());
    EXPECT_TRUE(plain[0].Axes[ModeVelocityMinusVlsr].empty());
}

TEST(TOverlaySet, WhatCannotBeOverlaidSaysWhy) {
    QTemporaryDir folder;
    const QString file = WriteSpectrumFile(folder.path(), "scan.dat", Flat);
    TOverlaySet overlays;
    for (std::size_t i = 0; i < MaxOverlays; ++i)
        overlays.Add(file.toStdString(), std::nullopt);
    const auto reason = [](TOverlaySet& set, const std::string& path) {
        try {
            set.Add(path, std::nullopt);
        } catch (const std::runtime_error& error) {
            return std::string(error.what());
        }
        return std::string("overlaid");
    };
    EXPECT_NE(reason(overlays, file.toStdString()).find("already shows 8 overlays"),
              std::string::npos);
    EXPECT_EQ(overlays.Size(), MaxOverlays);
    TOverlaySet empty;
    EXPECT_NE(reason(empty, (folder.path() + "/missing.dat").toStdString()).find("Unable to open"),
              std::string::npos);
    EXPECT_TRUE(empty.Empty());
}
