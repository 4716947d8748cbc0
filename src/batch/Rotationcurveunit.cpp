#include "batch/Rotationcurveunit.h"

#include "astro/Rotationunit.h"

#include <cmath>

namespace {

std::string Degrees(double value) {
    return ExactNumberText(value) + "\u00B0";
}

} // namespace

TRotationEntry RotationEntry(const TSummaryRow& row, double r0, double v0) {
    TRotationEntry entry;
    if (!row.Error.empty()) {
        entry.Reason = "the file failed: " + row.Error;
        return entry;
    }
    if (!row.GalLatitude || !row.GalLongitude) {
        entry.Reason = "no galactic position";
        return entry;
    }
    if (std::fabs(*row.GalLatitude) > RotationMaxLatitude) {
        entry.Reason = "latitude " + Degrees(*row.GalLatitude) + " is more than " +
                       Degrees(RotationMaxLatitude) + " from the Galactic plane";
        return entry;
    }
    const TTangentQuadrant quadrant = TangentQuadrant(*row.GalLongitude);
    if (quadrant == TTangentQuadrant::None) {
        entry.Reason = "longitude " + Degrees(*row.GalLongitude) +
                       " is outside 0\u00B0 to 90\u00B0 and 270\u00B0 to 360\u00B0 (no tangent "
                       "point inside the solar circle)";
        return entry;
    }
    const std::optional<double>& vt =
        quadrant == TTangentQuadrant::First ? row.Line.HighestVelocity : row.Line.LowestVelocity;
    if (!vt) {
        entry.Reason = "no terminal velocity: no two adjacent channels of the line window above "
                       "3 x rms";
        return entry;
    }
    const TTangentPoint point = TangentPoint(*row.GalLongitude, *vt, r0, v0);
    entry.TerminalVelocity = vt;
    entry.R = point.R;
    entry.V = point.V;
    return entry;
}

std::string RotationCurveHeader() {
    return "file,glon_deg,glat_deg,terminal_v_kms,r_kpc,v_kms,r0_kpc,v0_kms,unused_because";
}

std::string RotationCurveLine(const TSummaryRow& row, const TRotationEntry& entry, double r0,
                              double v0) {
    std::string line = CsvField(row.File);
    for (const std::optional<double>& value :
         {row.GalLongitude, row.GalLatitude, entry.TerminalVelocity, entry.R, entry.V,
          std::optional<double>(r0), std::optional<double>(v0)}) {
        line += ',';
        if (value)
            line += ExactNumberText(*value);
    }
    return line + ',' + CsvField(entry.Reason);
}
