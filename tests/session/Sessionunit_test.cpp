#include "session/Sessionunit.h"
#include "settings/Globalunit.h"
#include "support/SpectrumFiles.h"

#include <QTemporaryDir>
#include <cmath>
#include <gsl/gsl_multifit.h>
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

namespace {

// A spectrum whose baseline outside the bands is 1500 + 0.3 i - 0.001 i^2 with a ripple of
// 3 sin(i) (so no polynomial fits it exactly), and a line of 500 more inside them.
double BandedSignal(int i) {
    const bool line = (i >= 100 && i < 140) || (i >= 250 && i < 300);
    return 1500.0 + 0.3 * i - 0.001 * i * i + 3.0 * std::sin(i) + (line ? 500.0 : 0.0);
}

} // namespace

// The baseline outside several bands is the least-squares polynomial of exactly the samples
// outside all of them: checked against GSL's linear least squares (gsl_multifit_linear, by
// singular value decomposition) of the samples chosen here by hand.
TEST(Session, SeveralBandsFitExactlyTheSamplesOutsideAllOfThem) {
    QTemporaryDir folder;
    TSession session;
    session.Read(WriteSpectrumFile(folder.path(), "G0_30.0.dat", BandedSignal).toStdString());
    session.SelectAxis(ModeVelocity);
    session.SetTerms(3);
    const std::vector<double>& x = session.XValues();
    // The bands on the velocity axis, dragged either way; the second added to the first.
    const TAxisRange first{x[140 - 1], x[100]}, second{x[250], x[300 - 1]};
    session.StartBands({0.0, 1.0});
    session.StartBands(first); // a plain drag starts afresh
    session.AddBand(second);
    ASSERT_EQ(session.Bands().size(), 2u);
    const TFitResult fit = session.FitOutsideBands();
    ASSERT_GE(fit.Correlation, 0.0) << fit.Error;

    std::vector<double> xs, ys;
    for (int i = 0; i < ChannelCount; ++i)
        if (!((i >= 100 && i < 140) || (i >= 250 && i < 300))) {
            xs.push_back(x[static_cast<std::size_t>(i)]);
            ys.push_back(session.Signal()[static_cast<std::size_t>(i)]);
        }
    const std::size_t n = xs.size();
    gsl_matrix* design = gsl_matrix_alloc(n, 3);
    gsl_vector* y = gsl_vector_alloc(n);
    gsl_vector* c = gsl_vector_alloc(3);
    gsl_matrix* covariance = gsl_matrix_alloc(3, 3);
    gsl_multifit_linear_workspace* work = gsl_multifit_linear_alloc(n, 3);
    for (std::size_t i = 0; i < n; ++i) {
        gsl_matrix_set(design, i, 0, 1.0);
        gsl_matrix_set(design, i, 1, xs[i]);
        gsl_matrix_set(design, i, 2, xs[i] * xs[i]);
        gsl_vector_set(y, i, ys[i]);
    }
    double chiSquare = 0.0;
    ASSERT_EQ(gsl_multifit_linear(design, y, c, covariance, &chiSquare, work), 0);
    for (std::size_t k = 0; k < 3; ++k) {
        const double expected = gsl_vector_get(c, k);
        EXPECT_NEAR(session.Coefficients()[k], expected, 1e-7 * std::fabs(expected)) << "a" << k;
    }
    gsl_multifit_linear_free(work);
    gsl_matrix_free(covariance);
    gsl_vector_free(c);
    gsl_vector_free(y);
    gsl_matrix_free(design);

    // The bands belong to the axis they were marked on, and to the spectrum.
    session.SelectAxis(ModeFrequency);
    EXPECT_TRUE(session.Bands().empty());
}

// Smoothing replaces the signal shown and is undone as a subtraction is; it is not a
// subtraction, and the saved header names it.
TEST(Session, SmoothIsUndoneAsSubtractAndNamedInTheHeader) {
    QTemporaryDir folder;
    TSession session;
    session.Read(WriteSpectrumFile(folder.path(), "G0_30.0.dat", BandedSignal).toStdString());
    const std::vector<double> read = session.Signal();
    session.SelectAxis(ModeVelocity);
    session.SetTerms(2);
    session.StartBands({-50.0, 50.0});
    session.FitOutsideBands();
    ASSERT_TRUE(session.Subtract(session.Bands()));
    const std::vector<double> subtracted = session.Signal();

    ASSERT_TRUE(session.Smooth({TSmoothKind::Hanning, 3, 0.0}));
    EXPECT_EQ(session.Signal(), SmoothSignal(subtracted, {0.25, 0.5, 0.25}));
    ASSERT_TRUE(session.Smooth({TSmoothKind::Boxcar, 5, 0.0}));
    EXPECT_TRUE(session.Corrected());
    EXPECT_TRUE(session.UndoesSmoothing());
    EXPECT_EQ(session.SmoothingDescription(), "Hanning, then boxcar 5 channels");
    // Hanning then a boxcar of 5: the weights (1, 3, 4, 4, 4, 3, 1) / 20, whose
    // (sum w)^2 / sum w^2 = 400 / 68.
    EXPECT_NEAR(session.NoiseWidth(), 400.0 / 68.0, 1e-12);
    TDetailsState details = TDetailsState::Create(TStationSettings());
    const std::string saved = SavedText(session.SaveHeader(details, "Velocity"), {}, {});
    EXPECT_NE(saved.find("File time = "), std::string::npos);
    EXPECT_NE(saved.find("\r\nSmoothing = Hanning, then boxcar 5 channels\r\n"), std::string::npos)
        << saved;

    EXPECT_TRUE(session.Undo());
    EXPECT_TRUE(session.Undo());
    EXPECT_EQ(session.Signal(), subtracted);
    EXPECT_FALSE(session.UndoesSmoothing()) << "the subtraction is next";
    EXPECT_EQ(session.SmoothingDescription(), "");
    EXPECT_EQ(SavedText(session.SaveHeader(details, "Velocity"), {}, {}).find("Smoothing"),
              std::string::npos)
        << "no line without a smoothing";
    ASSERT_TRUE(session.Smooth({TSmoothKind::Hanning, 3, 0.0}));
    EXPECT_TRUE(session.Undo());
    EXPECT_TRUE(session.Undo());
    EXPECT_EQ(session.Signal(), read);
    EXPECT_FALSE(session.Corrected());
    ASSERT_TRUE(session.Smooth({TSmoothKind::Hanning, 3, 0.0}));
    EXPECT_FALSE(session.Corrected()) << "a smoothing is no subtraction";
    EXPECT_TRUE(session.FittedOutside().empty());
}

// With a calibration, Measure line gives the column density of the line's integral:
// 1.823e18 cm^-2 per K km/s times the area of the Gaussian line, A F sqrt(pi / (4 ln 2)); and
// without one it says that the calibration is missing.
TEST(Session, MeasureGivesTheColumnDensityOnlyWithACalibration) {
    QTemporaryDir folder;
    TSession session;
    const auto line = [](int i) {
        const double d = (Velocities[static_cast<std::size_t>(i)] - 10.0) / 20.0;
        return 1000.0 + 50.0 * std::exp(-4.0 * std::log(2.0) * d * d);
    };
    session.Read(WriteSpectrumFile(folder.path(), "G0_30.0.dat", line).toStdString());
    session.SelectAxis(ModeVelocity);
    session.SetTerms(1);
    session.StartBands({-60.0, 80.0});
    session.FitOutsideBands();
    ASSERT_TRUE(session.Subtract(session.Bands()));
    std::vector<bool> inBand(400);
    for (std::size_t i = 0; i < inBand.size(); ++i)
        inBand[i] = Velocities[i] >= -60.0 && Velocities[i] <= 80.0;

    const TLineMeasureReport uncalibrated = session.Measure(inBand);
    EXPECT_FALSE(uncalibrated.Line.ColumnDensity);
    EXPECT_EQ(LineMeasureLines(uncalibrated).back(),
              "N(HI): no calibration: set kelvin per count in the station settings");

    session.SetKelvinPerCount(0.5);
    const TLineMeasureReport report = session.Measure(inBand);
    ASSERT_TRUE(report.Line.ColumnDensity) << report.Line.ColumnDensityNote;
    const double area = 50.0 * 20.0 * std::sqrt(std::acos(-1.0) / (4.0 * std::log(2.0)));
    EXPECT_NEAR(*report.Line.ColumnDensity, 1.823e18 * 0.5 * area, 1e-3 * 1.823e18 * 0.5 * area);
    ASSERT_TRUE(report.Line.ColumnDensityUncertainty);
}

// The components of the signal shown, on the velocity axis: a Gaussian of 50 at 10 km/s, FWHM
// 20 km/s, on a baseline of 1000 with a ripple of 0.5 sin(3 i). The fit belongs to the signal
// it was made on: a smoothing, an undo and a Read drop it.
TEST(Session, ComponentsOfTheSignalShownLastUntilItChanges) {
    QTemporaryDir folder;
    TSession session;
    const auto line = [](int i) {
        const double d = (Velocities[static_cast<std::size_t>(i)] - 10.0) / 20.0;
        return 1000.0 + 50.0 * std::exp(-4.0 * std::log(2.0) * d * d) + 0.5 * std::sin(3.0 * i);
    };
    const std::string path = WriteSpectrumFile(folder.path(), "G0_30.0.dat", line).toStdString();
    session.Read(path);
    session.SelectAxis(ModeVelocity);
    session.SetTerms(1);
    session.StartBands({-60.0, 80.0});
    session.FitOutsideBands();
    ASSERT_TRUE(session.Subtract(session.Bands()));
    const TGaussFit& fit = session.FitComponents(0);
    ASSERT_EQ(fit.Components.size(), 1u) << fit.Error;
    EXPECT_NEAR(fit.Components[0].Amplitude, 50.0, 0.5);
    EXPECT_NEAR(fit.Components[0].Centre, 10.0, 0.2);
    EXPECT_NEAR(fit.Components[0].Fwhm, 20.0, 0.3);
    ASSERT_TRUE(session.Components());
    session.Smooth({TSmoothKind::Hanning, 3, 0.0});
    EXPECT_FALSE(session.Components());
    session.FitComponents(1);
    session.Undo();
    EXPECT_FALSE(session.Components());
    session.FitComponents(1);
    session.Read(path);
    EXPECT_FALSE(session.Components());
    EXPECT_TRUE(session.Bands().empty());
}
