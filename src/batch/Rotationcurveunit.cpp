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
    const std::optional<double>& vt = row.Line.TerminalVelocity;
    if (!vt) {
        entry.Reason = "no terminal velocity: " + (row.Line.TerminalReason.empty()
                                                       ? std::string("the line has no edge")
                                                       : row.Line.TerminalReason);
        return entry;
    }
    const TTangentPoint point = TangentPoint(*row.GalLongitude, *vt, r0, v0);
    entry.TerminalVelocity = vt;
    entry.R = point.R;
    entry.V = point.V;
    // V is Vt plus a constant (or minus, in the fourth quadrant): it carries Vt's uncertainty.
    entry.VUncertainty = row.Line.TerminalUncertainty;
    entry.VUncertaintyStat = row.Line.TerminalUncertaintyStat;
    entry.VUncertaintySys = row.Line.TerminalUncertaintySys;
    return entry;
}

std::string RotationCurveHeader() {
    return "file,glon_deg,glat_deg,terminal_v_kms,r_kpc,v_kms,v_err_kms,terminal_v_err_stat_kms,"
           "terminal_v_err_sys_kms,r0_kpc,v0_kms,"
           "unused_because";
}

std::string RotationCurveLine(const TSummaryRow& row, const TRotationEntry& entry, double r0,
                              double v0) {
    std::string line = CsvField(row.File);
    for (const std::optional<double>& value :
         {row.GalLongitude, row.GalLatitude, entry.TerminalVelocity, entry.R, entry.V,
          entry.VUncertainty, entry.VUncertaintyStat, entry.VUncertaintySys,
          std::optional<double>(r0), std::optional<double>(v0)}) {
        line += ',';
        if (value)
            line += ExactNumberText(*value);
    }
    return line + ',' + CsvField(entry.Reason);
}

bool WriteRotationCurve(const std::vector<TTangentPoint>& points, bool tableFailed,
                        TStreamedOutput& table, const std::string& picturePath,
                        const TBatchOptions& options, const TCurvePictureMaker& curvePicture,
                        TProgress& progress) {
    bool written = true;
    if (tableFailed || !table.Commit()) {
        progress.Message("kelvane-batch: " + table.Error());
        written = false;
    }
    std::string png;
    try {
        png = curvePicture(points, options.R0, options.V0);
    } catch (const std::exception& error) {
        progress.Message("kelvane-batch: cannot draw the rotation curve: " +
                         std::string(error.what()));
        return false;
    }
    TStreamedOutput picture;
    if (!picture.Open(picturePath, options.Force) || !picture.Append(png) || !picture.Commit()) {
        progress.Message("kelvane-batch: " + picture.Error());
        written = false;
    }
    return written;
}
