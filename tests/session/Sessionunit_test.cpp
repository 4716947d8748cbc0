#include "session/Sessionunit.h"
#include "settings/Globalunit.h"
#include "support/SpectrumFiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {
double Flat(int) {
    return 5.0;
}
} // namespace

TEST(Session, TheVlsrAxisFollowsTheVlsrUsed) {
    TSession session;
    session.UseVlsr(10.0);
    ASSERT_EQ(session.VelocitiesMinusVlsr().size(), 400u);
    for (int i = 0; i < ChannelCount; ++i)
        EXPECT_EQ(session.VelocitiesMinusVlsr()[i], Velocities[i] - 10.0);
}

TEST(Session, SelectAxisCopiesTheModesTable) {
    TSession session;
    session.SelectAxis(ModeVelocityMinusVlsr);
    EXPECT_TRUE(session.XValues().empty()) << "no VLSR used yet";
    session.SelectAxis(ModeWavelength);
    EXPECT_EQ(session.XValues(), WavelengthOffsets);
    session.SelectAxis(ModeFrequency);
    EXPECT_EQ(session.XValues(), std::vector<double>(ChannelOffsets.begin(), ChannelOffsets.end()));
    session.SelectAxis(ModeVelocity);
    EXPECT_EQ(session.XValues(), Velocities);
    session.SelectAxis(7);
    EXPECT_EQ(session.XValues(), Velocities) << "an unknown mode leaves XValues alone";
    session.UseVlsr(-4.5);
    session.SelectAxis(ModeVelocityMinusVlsr);
    EXPECT_EQ(session.XValues(), VelocitiesMinusVlsrFor(-4.5));
}

TEST(Session, AReadTakesTheNamesPositionAndDropsTheOldVlsr) {
    QTemporaryDir folder;
    TSession session;
    session.UseVlsr(12.0);
    session.Read(WriteSpectrumFile(folder.path(), "G5.30_m120.15.dat", Flat).toStdString());
    EXPECT_FALSE(session.VlsrForSpectrum()) << "the VLSR was computed for no file of this session";
    EXPECT_EQ(session.CurrentFileName(), "G5.30_m120.15.dat");
    EXPECT_TRUE(session.PositionInFileName());
    EXPECT_EQ(session.FileGLatitude().ToText(true), "5\u00b0 30' 0\"");
    EXPECT_EQ(session.Signal().size(), 400u);
    EXPECT_TRUE(session.File()->Items.empty()) << "the items live in Signal only";

    // A name with only a latitude changes only the latitude; a failed read changes nothing.
    session.UseVlsr(3.0);
    session.Read(WriteSpectrumFile(folder.path(), "G7.0_m1.dat", Flat).toStdString());
    EXPECT_FALSE(session.PositionInFileName());
    EXPECT_EQ(session.FileGLatitude().ToText(true), "7\u00b0 0' 0\"");
    EXPECT_EQ(session.FileGLongitude().ToText(true), "-120\u00b0 15' 0\"");
    session.UseVlsr(3.0);
    EXPECT_THROW(session.Read(folder.filePath("missing.dat").toStdString()), std::runtime_error);
    EXPECT_EQ(session.CurrentFileName(), "G7.0_m1.dat");
    EXPECT_TRUE(session.VlsrForSpectrum());
}

// What belonged to the spectrum before goes with a Read: the fit, its offer to Subtract, the
// subtractions to undo, the measure and what the details dialog offered. Kept, they would be
// shown and saved as the new spectrum's.
TEST(Session, AReadEndsTheWorkOnTheSpectrumBefore) {
    QTemporaryDir folder;
    const std::string path = WriteSpectrumFile(folder.path(), "G5.30_m120.15.dat", [](int i) {
                                 return 10.0 + i;
                             }).toStdString();
    TSession session;
    session.Read(path);
    session.SelectAxis(ModeVelocity);
    EXPECT_FALSE(session.Subtract({})) << "nothing fitted, nothing to subtract";
    session.SetTerms(2);
    const std::vector<double>& x = session.XValues();
    ASSERT_GE(session.Fit(x, session.Signal()).Correlation, 0.0);
    session.SetTerms(3);
    EXPECT_NE(session.Coefficients()[1], 0.0);
    EXPECT_EQ(session.Coefficients()[2], 0.0) << "a new term starts at 0, the others stay";
    const std::vector<double> asRead = session.Signal();
    ASSERT_TRUE(session.Subtract({{-10.0, 10.0}}));
    EXPECT_TRUE(session.Corrected());
    session.Measure({});
    session.OfferDetails(TDetailsState::Create(TStationSettings()));
    ASSERT_TRUE(session.Measurement() && session.DetailsOffered() && session.CanUndo());

    session.Read(path);
    EXPECT_FALSE(session.FitOffered() || session.Corrected() || session.CanUndo() ||
                 session.Measurement() || session.DetailsOffered());
    EXPECT_EQ(session.Coefficients(), std::vector<double>(3, 0.0));
    EXPECT_EQ(session.Correlation(), 0.0);
    EXPECT_FALSE(session.Undo());
    EXPECT_EQ(session.Signal(), asRead);
}
