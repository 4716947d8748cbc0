#include "batch/Lvdiagramunit.h"

#include "batch/Outputunit.h"
#include "batch/Rotationcurveunit.h"
#include "fits/Fitslvunit.h"
#include "fits/Fitswriteunit.h"

#include <cmath>
#include <exception>

std::optional<TLvColumn> LvColumnOf(const TSummaryRow& row, std::vector<double> velocities,
                                    std::vector<double> signal) {
    if (!row.Error.empty() || !row.GalLatitude || !row.GalLongitude ||
        !(std::fabs(*row.GalLatitude) <= RotationMaxLatitude))
        return std::nullopt;
    TLvColumn column;
    column.Longitude = *row.GalLongitude;
    column.Latitude = *row.GalLatitude;
    column.Velocities = std::move(velocities);
    column.Signal = std::move(signal);
    column.TerminalVelocity = row.Line.TerminalVelocity;
    column.TerminalUncertainty = row.Line.TerminalUncertainty;
    return column;
}

bool WriteLvDiagram(const TLvGrid& grid, double v0, const std::string& folder, bool replace,
                    bool fits, const TLvPictureMaker& pictures, std::string& message) {
    message.clear();
    if (grid.Empty()) {
        // An empty frame would pass for a survey of empty sky.
        message = "no file within " + ExactNumberText(RotationMaxLatitude) +
                  "\u00B0 of the Galactic plane succeeded: " + LvDiagramPngName +
                  (fits ? std::string(", ") + LvDiagramSvgName + " and " + LvDiagramFitsName
                        : std::string(" and ") + LvDiagramSvgName) +
                  " are not written";
        return true;
    }
    std::vector<TExtraOutput> drawn;
    try {
        drawn = pictures(grid, v0);
        if (fits)
            drawn.push_back({".fits", FitsFileBytes(LvFitsImage(grid))});
    } catch (const std::exception& error) {
        message = "cannot draw the longitude-velocity diagram: " + std::string(error.what());
        return false;
    }
    // One group: a picture that cannot be written takes the other's temporary file with it.
    TOutputGroup group(replace);
    try {
        for (const TExtraOutput& picture : drawn)
            group.Add(OutputPath(folder, "lv-diagram" + picture.Suffix, picture.Suffix),
                      picture.Bytes, 0);
    } catch (const std::exception& error) {
        message = error.what();
        return false;
    }
    for (const TOutputFailure& failure : group.Commit())
        message += (message.empty() ? "" : "; ") + failure.Error;
    return message.empty();
}
