// makespectra: writes sample spectrum data files into a folder.
//
//   makespectra FOLDER
//
// Each file holds a neutral-hydrogen profile for the galactic position in its name, computed
// from a simple model of the Galaxy: a flat rotation curve (V0 = 220 km/s, R0 = 8.5 kpc) and an
// exponential gas disc (scale length 4 kpc beyond 4 kpc, scale height 0.15 kpc) integrated
// along the line of sight with a velocity dispersion of 8 km/s. The profile is placed on a
// gently sloping receiver baseline with Gaussian noise, and shifted by the VLSR of the file's
// date, time and position at the default site, so that the program's velocity-minus-VLSR view
// shows the line where the model puts it. The random numbers come from a fixed seed, so the
// files are the same on every run.

#include "astro/Galeqeclunit.h"
#include "astro/Vlsrunit.h"
#include "data/Spectrumunit.h"

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

struct TSample {
    const char* name;
    double latitude, longitude; // galactic, degrees
    int year, month, day, hour, minute, second;
    double baseline, slope, curvature, gain, noise;
};

const TSample Samples[] = {
    {"G0_30.0.dat", 0.0, 30.0, 2024, 3, 15, 21, 40, 5, 1520.0, 0.12, 0.0, 9.0, 1.2},
    {"G0_60.0.dat", 0.0, 60.0, 2024, 8, 2, 23, 5, 41, 1498.0, -0.05, 0.0001, 8.0, 1.0},
    {"G0_120.0.dat", 0.0, 120.0, 2025, 1, 11, 19, 12, 30, 1535.0, 0.08, -0.00005, 7.0, 1.1},
    {"G5.30_m120.15.dat", 5.5, -120.25, 2025, 2, 20, 20, 2, 17, 1510.0, -0.1, 0.0, 6.0, 1.0},
    {"G10.0_m90.0.dat", 10.0, -90.0, 2025, 10, 4, 22, 48, 9, 1488.0, 0.03, 0.00008, 5.0, 0.9},
    {"cassiopeia.dat", 0.0, 111.7, 2024, 11, 30, 18, 20, 0, 1502.0, 0.06, 0.0, 7.5, 1.0},
};

// Radial velocity (km/s, relative to the LSR) and relative gas density along the line of
// sight, summed into a brightness profile sampled at velocity v.
double Profile(double l, double b, double v) {
    const double V0 = 220.0, R0 = 8.5, sigma = 8.0;
    const double lr = l * M_PI / 180.0, br = b * M_PI / 180.0;
    double sum = 0.0;
    const double step = 0.02; // kpc
    for (double d = step / 2; d < 30.0; d += step) {
        const double planar = d * std::cos(br);
        const double R = std::sqrt(R0 * R0 + planar * planar - 2.0 * R0 * planar * std::cos(lr));
        const double z = d * std::sin(br);
        if (R > 25.0)
            continue;
        const double density =
            (R < 4.0 ? 0.6 : std::exp(-(R - R0) / 4.0)) * std::exp(-std::fabs(z) / 0.15);
        const double vr = (V0 * R0 / R - V0) * std::sin(lr) * std::cos(br);
        const double dv = (v - vr) / sigma;
        sum += density * std::exp(-0.5 * dv * dv) * step;
    }
    return sum;
}

int DayOfYear(int year, int month, int day) {
    static const int lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int total = day;
    for (int m = 1; m < month; ++m)
        total += lengths[m - 1];
    if (month > 2 && year % 4 == 0)
        ++total;
    return total;
}

double VlsrOf(const TSample& s) {
    // Equatorial position (J2000) of the galactic position, default site, epoch 2000.
    const TSkyPosition equatorial = TransformCoordinates(
        TSkyPosition{s.latitude, std::fmod(s.longitude + 360.0, 360.0)}, GalacticToEquatorial, 1);
    const double latitude = 54.0 + 8.0 / 60 + 54.0 / 3600;
    const double longitude = 360.0 - (2.0 + 17.0 / 60 + 41.0 / 3600);
    double lst = 0, vSun = 0, vMoon = 0, vRot = 0, vlsr = 0;
    const double hours = s.hour + s.minute / 60.0 + s.second / 3600.0;
    ComputeVlsr(equatorial.Longitude, std::fmod(equatorial.Latitude + 360.0, 360.0), 2000.0, s.year,
                DayOfYear(s.year, s.month, s.day), hours, latitude, longitude, 200.0, lst, vSun,
                vMoon, vRot, vlsr, 18.0, 30.0, 20.0);
    return vlsr;
}

bool Write(const std::string& folder, const TSample& s, std::mt19937& random) {
    const std::string path = folder + "/" + s.name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    std::fprintf(
        file, "s %02d/%02d/%02d %02d:%02d:%02d  gain %.2f  int %d  avg %d  sweep %d  step %d\n",
        s.month, s.day, s.year % 100, s.hour, s.minute, s.second, s.gain, 10, 20, 400, 5000);
    ComputeAxisTables();
    const double vlsr = VlsrOf(s);
    std::normal_distribution<double> noise(0.0, s.noise);
    double peak = 0.0;
    std::vector<double> line(ChannelCount);
    for (int i = 0; i < ChannelCount; ++i) {
        line[i] = Profile(s.longitude, s.latitude, Velocities[i] - vlsr);
        peak = std::fmax(peak, line[i]);
    }
    for (int i = 0; i < ChannelCount; ++i) {
        const double x = i - 200.0;
        const double value = s.baseline + s.slope * x + s.curvature * x * x +
                             60.0 * s.gain / 9.0 * line[i] / peak + noise(random);
        std::fprintf(file, "%.3f%s", value, i % 10 == 9 ? "\n" : " ");
    }
    std::printf("%s: VLSR %.3f km/s\n", path.c_str(), vlsr);
    return std::fclose(file) == 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: makespectra FOLDER\n");
        return 2;
    }
    std::mt19937 random(21421);
    for (const TSample& sample : Samples)
        if (!Write(argv[1], sample, random)) {
            std::fprintf(stderr, "makespectra: cannot write %s/%s\n", argv[1], sample.name);
            return 1;
        }
    return 0;
}
