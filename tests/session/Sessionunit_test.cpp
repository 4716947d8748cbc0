#include "session/Sessionunit.h"
#include "support/SpectrumFiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {
double Flat(int) {
    return 5.0;
}
} // namespace

TEST(Session, TheVlsrAxisFollowsOnlyTheVlsrUsed) {
    TSession session;
    session.UseVlsr(10.0);
    ASSERT_EQ(session.VelocitiesMinusVlsr.size(), 400u);
    session.Vlsr = -3.0; // the axis belongs to the VLSR used, not to a later assignment
    for (int i = 0; i < ChannelCount; ++i)
        EXPECT_EQ(session.VelocitiesMinusVlsr[i], Velocities[i] - 10.0);
}

TEST(Session, SelectXAxisCopiesTheModesTable) {
    TSession session;
    session.SelectXAxis(ModeVelocityMinusVlsr);
    EXPECT_TRUE(session.XValues.empty()) << "no VLSR used yet";
    session.SelectXAxis(ModeWavelength);
    EXPECT_EQ(session.XValues, WavelengthOffsets);
    session.XValues[0] = 99.0; // a copy, not a view
    EXPECT_NE(WavelengthOffsets[0], 99.0);
    session.SelectXAxis(ModeFrequency);
    EXPECT_EQ(session.XValues, std::vector<double>(ChannelOffsets.begin(), ChannelOffsets.end()));
    session.SelectXAxis(ModeVelocity);
    EXPECT_EQ(session.XValues, Velocities);
    session.SelectXAxis(7);
    EXPECT_EQ(session.XValues, Velocities) << "an unknown mode leaves XValues alone";
    session.UseVlsr(-4.5);
    session.SelectXAxis(ModeVelocityMinusVlsr);
    EXPECT_EQ(session.XValues, VelocitiesMinusVlsrFor(-4.5));
}

TEST(Session, AReadTakesTheNamesPositionAndDropsTheOldVlsr) {
    QTemporaryDir folder;
    TSession session;
    session.UseVlsr(12.0);
    session.Read(WriteSpectrumFile(folder.path(), "G5.30_m120.15.dat", Flat).toStdString());
    EXPECT_FALSE(session.VlsrForSpectrum) << "the VLSR was computed for no file of this session";
    EXPECT_EQ(session.CurrentFileName, "G5.30_m120.15.dat");
    EXPECT_TRUE(session.PositionInFileName);
    EXPECT_EQ(session.FileGLatitude.ToText(true), "5\u00b0 30' 0\"");
    EXPECT_EQ(session.Signal.size(), 400u);
    EXPECT_TRUE(session.File->Items.empty()) << "the items live in Signal only";

    // A name with only a latitude changes only the latitude; a failed read changes nothing.
    session.UseVlsr(3.0);
    session.Read(WriteSpectrumFile(folder.path(), "G7.0_m1.dat", Flat).toStdString());
    EXPECT_FALSE(session.PositionInFileName);
    EXPECT_EQ(session.FileGLatitude.ToText(true), "7\u00b0 0' 0\"");
    EXPECT_EQ(session.FileGLongitude.ToText(true), "-120\u00b0 15' 0\"");
    session.UseVlsr(3.0);
    EXPECT_THROW(session.Read(folder.filePath("missing.dat").toStdString()), std::runtime_error);
    EXPECT_EQ(session.CurrentFileName, "G7.0_m1.dat");
    EXPECT_TRUE(session.VlsrForSpectrum);
}
