// The longitude-velocity diagram of a run: which files are drawn, and its two pictures written
// whole or not at all.
#include "batch/Lvdiagramunit.h"

#include "support/SmallDisk.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

TSummaryRow Row(std::optional<double> b, std::optional<double> l, const std::string& error = "") {
    TSummaryRow row;
    row.File = "G.dat";
    row.GalLatitude = b;
    row.GalLongitude = l;
    row.Error = error;
    row.Line.TerminalVelocity = 100.0;
    row.Line.TerminalUncertainty = 2.0;
    return row;
}

TEST(LvDiagram, FilesNearThePlaneThatSucceededAreDrawn) {
    const struct {
        TSummaryRow row;
        bool drawn;
    } cases[] = {
        {Row(0.0, 30.0), true},
        {Row(-2.0, 330.0), true}, // the plane's limit, RotationMaxLatitude, included
        {Row(2.0, 120.0), true},  // any longitude: a diagram is not only of tangent points
        {Row(2.01, 30.0), false},
        {Row(-5.5, 30.0), false},
        {Row(0.0, 30.0, "Unable to open G.dat"), false},
        {Row(std::nullopt, std::nullopt), false},
    };
    for (const auto& c : cases) {
        const std::optional<TLvColumn> column = LvColumnOf(c.row, {1.0, 2.0}, {5.0, 6.0});
        EXPECT_EQ(column.has_value(), c.drawn) << *c.row.GalLatitude << " " << c.row.Error;
        if (!column)
            continue;
        EXPECT_EQ(column->Longitude, *c.row.GalLongitude);
        EXPECT_EQ(column->Velocities, (std::vector<double>{1.0, 2.0}));
        EXPECT_EQ(column->Signal, (std::vector<double>{5.0, 6.0}));
        EXPECT_EQ(column->TerminalVelocity, 100.0);
        EXPECT_EQ(column->TerminalUncertainty, 2.0);
    }
}

class LvDiagramOutputs : public ::testing::Test {
protected:
    QTemporaryDir Folder;
    TLvGrid Columns{std::vector<TLvColumn>{TLvColumn()}};
    TLvPictureMaker Pictures = [](const TLvGrid&, double) {
        return std::vector<TExtraOutput>{{".png", "png bytes"}, {".svg", "svg bytes"}};
    };

    bool Write(std::string& message, bool replace = false) {
        return WriteLvDiagram(Columns, 220.0, Folder.path().toStdString(), replace, false, Pictures,
                              message);
    }
    QStringList Names() const {
        return QDir(Folder.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
};

TEST_F(LvDiagramOutputs, BothPicturesOrNone) {
    std::string message;
    EXPECT_TRUE(Write(message)) << message;
    EXPECT_EQ(Names(), (QStringList{LvDiagramPngName, LvDiagramSvgName}));

    // Not replaced unless asked; no temporary file stays.
    EXPECT_FALSE(Write(message));
    EXPECT_NE(message.find("lv-diagram.png\": the file already exists"), std::string::npos)
        << message;
    EXPECT_EQ(Names().size(), 2);
    EXPECT_TRUE(Write(message, true)) << message;

    // A drawing that fails writes nothing.
    QFile::remove(Folder.filePath(LvDiagramPngName));
    QFile::remove(Folder.filePath(LvDiagramSvgName));
    Pictures = [](const TLvGrid&, double) -> std::vector<TExtraOutput> {
        throw std::runtime_error("no fonts");
    };
    EXPECT_FALSE(Write(message));
    EXPECT_EQ(message, "cannot draw the longitude-velocity diagram: no fonts");
    EXPECT_TRUE(Names().isEmpty());
}

TEST_F(LvDiagramOutputs, NoColumnNoPicture) {
    Columns = TLvGrid();
    std::string message;
    EXPECT_TRUE(Write(message));
    EXPECT_NE(message.find("are not written"), std::string::npos) << message;
    EXPECT_TRUE(Names().isEmpty());
}

TEST_F(LvDiagramOutputs, AFullDiskLeavesNeither) {
    const TSmallDisk disk(Folder.path());
    if (!disk.Mounted)
        GTEST_SKIP() << "cannot mount a small disk here: " << disk.Reason;
    // The drawing (a few hundred kilobytes for a survey) does not fit on what is left.
    Pictures = [](const TLvGrid&, double) {
        return std::vector<TExtraOutput>{{".png", std::string(1000, 'p')},
                                         {".svg", std::string(200000, 's')}};
    };
    std::string message;
    EXPECT_FALSE(Write(message));
    EXPECT_NE(message.find("lv-diagram.svg\": No space left on device"), std::string::npos)
        << message;
    EXPECT_TRUE(Names().isEmpty()) << Names().join(' ').toStdString();
}

} // namespace
