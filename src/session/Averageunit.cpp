#include "session/Averageunit.h"

#include "astro/Astroconstants.h"
#include "data/Readunit.h"
#include "data/Spectrumunit.h"
#include "settings/Globalunit.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <stdexcept>
#include <sys/stat.h>
#include <utility>

namespace {

// A grid point within this fraction of a channel of a sample takes that sample alone, so that
// the first file, whose own channels make the grid, is never mixed with a missing neighbour
// by a rounding error of the subtraction and addition of its VLSR.
constexpr double SampleSnap = 1e-9;

// Reads one file of the average and applies its details for its own observation time.
TAveragedScan ReadScan(const std::string& path, const TStationSettings& station,
                       const std::optional<TDetailsState>& fallback, TSession& session) {
    const auto fail = [&path](const std::string& reason) {
        return std::runtime_error(path + ": " + reason);
    };
    try {
        session.Read(path);
    } catch (const std::runtime_error& error) {
        throw fail(error.what());
    }
    if (!session.PositionInFileName() && !fallback)
        throw fail("no source position: its name carries none and no details were applied");
    // The details as the dialog shows them when this file is read: the ones applied last (or
    // a new dialog's), with the position of the file's name.
    const TDetailsState details =
        session.DetailsShown(fallback ? *fallback : TDetailsState::Create(station));
    TAveragedScan scan;
    scan.Path = path;
    scan.Position = session.PositionInFileName() ? TAveragePosition::FileName
                                                 : TAveragePosition::AppliedDetails;
    scan.Applied = session.ApplyDetails(details);
    if (!scan.Applied.Applied)
        throw fail(scan.Applied.Error);
    // The position the VLSR was computed for: the name's, else the details'. Angles are held
    // in the 0..360 form; a latitude above 180 is a negative one.
    const double latitude = details.GalLatitude().Value;
    scan.GLatitude = latitude > 180.0 ? latitude - 360.0 : latitude;
    scan.GLongitude = details.GalLongitude().Value;
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        throw fail(std::strerror(errno));
    scan.Device = static_cast<std::uint64_t>(status.st_dev);
    scan.Inode = static_cast<std::uint64_t>(status.st_ino);
    return scan;
}

// The signal of a scan at velocity v (km/s, as Velocities holds it: before its VLSR is taken
// off), interpolated linearly between the two channels around it. Returned: false when v lies
// outside the channels or a sample it needs is missing (0).
bool Interpolate(const std::vector<double>& signal, double v, double& value) {
    // Velocities fall with the channel number.
    const auto above = std::partition_point(Velocities.begin(), Velocities.end(),
                                            [v](double channel) { return channel > v; });
    // The two channels around v (the end pair for a v beyond either end, which t then
    // refuses).
    const std::size_t n = Velocities.size();
    const std::size_t high =
        std::clamp<std::size_t>(static_cast<std::size_t>(above - Velocities.begin()), 1, n - 1);
    const std::size_t low = high - 1;
    double t = (Velocities[low] - v) / (Velocities[low] - Velocities[high]); // 0 at low, 1 at high
    if (t < -SampleSnap || t > 1.0 + SampleSnap)
        return false;
    t = t < SampleSnap ? 0.0 : t > 1.0 - SampleSnap ? 1.0 : t;
    const double a = signal[low], b = signal[high];
    if ((t < 1.0 && a == 0.0) || (t > 0.0 && b == 0.0))
        return false;
    value = (1.0 - t) * a + t * b;
    return true;
}

// "l = 120.00°, b = 0.00°"
std::string PositionText(const TAveragedScan& scan) {
    char text[64];
    std::snprintf(text, sizeof text, "l = %.2f\xC2\xB0, b = %.2f\xC2\xB0", scan.GLongitude,
                  scan.GLatitude);
    return text;
}

} // namespace

double AngularSeparation(double latitude1, double longitude1, double latitude2, double longitude2) {
    constexpr double radian = Pi / 180.0;
    const double b1 = latitude1 * radian, b2 = latitude2 * radian;
    const double dl = (longitude2 - longitude1) * radian;
    const double x = std::cos(b2) * std::sin(dl);
    const double y = std::cos(b1) * std::sin(b2) - std::sin(b1) * std::cos(b2) * std::cos(dl);
    const double z = std::sin(b1) * std::sin(b2) + std::cos(b1) * std::cos(b2) * std::cos(dl);
    return std::atan2(std::hypot(x, y), z) / radian;
}

void CheckOneSource(const std::vector<TAveragedScan>& scans) {
    std::map<std::pair<std::uint64_t, std::uint64_t>, const TAveragedScan*> files;
    // One scan of each position met so far: every scan is measured against each of them, so
    // that no two scans lie farther apart than the limit (not only each from the first).
    std::vector<const TAveragedScan*> positions;
    for (const TAveragedScan& scan : scans) {
        const auto [known, added] = files.emplace(std::make_pair(scan.Device, scan.Inode), &scan);
        if (!added)
            throw std::runtime_error(scan.Path + ": the same file as " + known->second->Path);
        bool seen = false;
        for (const TAveragedScan* other : positions) {
            const double apart = AngularSeparation(other->GLatitude, other->GLongitude,
                                                   scan.GLatitude, scan.GLongitude);
            if (apart > AverageSeparation) {
                char text[96];
                std::snprintf(text, sizeof text, " lies %.2f\xC2\xB0 from ", apart);
                char limit[96];
                std::snprintf(limit, sizeof limit,
                              "; an average takes scans of one position (within %.1f\xC2\xB0)",
                              AverageSeparation);
                throw std::runtime_error(scan.Path + ": " + PositionText(scan) + text +
                                         PositionText(*other) + " of " + other->Path + limit);
            }
            seen = seen ||
                   (other->GLatitude == scan.GLatitude && other->GLongitude == scan.GLongitude);
        }
        if (!seen)
            positions.push_back(&scan);
    }
}

TAverage AverageFiles(const std::vector<std::string>& paths, const TStationSettings& station,
                      const std::optional<TDetailsState>& fallback) {
    if (paths.size() < 2)
        throw std::runtime_error("An average needs two files or more");
    TAverage average;
    std::vector<std::vector<double>> fileSignals;
    for (const std::string& path : paths) {
        TSession session;
        average.Files.push_back(ReadScan(path, station, fallback, session));
        fileSignals.push_back(session.Signal());
        if (average.Files.size() == 1)
            average.First = std::move(session);
    }
    CheckOneSource(average.Files);

    // The overlap: the first file's channels that lie within every file's velocity span.
    const double first = average.Files.front().Applied.Vlsr;
    double top = Velocities.front() - first, bottom = Velocities.back() - first;
    for (const TAveragedScan& scan : average.Files) {
        top = std::min(top, Velocities.front() - scan.Applied.Vlsr);
        bottom = std::max(bottom, Velocities.back() - scan.Applied.Vlsr);
    }
    for (std::size_t i = 0; i < Velocities.size(); ++i) {
        const double v = Velocities[i] - first;
        if (v > top || v < bottom)
            continue;
        double sum = 0.0;
        int count = 0;
        for (std::size_t k = 0; k < fileSignals.size(); ++k) {
            double value = 0.0;
            if (Interpolate(fileSignals[k], v + average.Files[k].Applied.Vlsr, value)) {
                sum += value;
                ++count;
            }
        }
        average.Velocities.push_back(v);
        average.Signal.push_back(count > 0 ? sum / count : 0.0);
    }
    return average;
}

std::string AverageTitle(std::size_t count) {
    return "Average of " + std::to_string(count) + " files";
}
