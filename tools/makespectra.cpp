// kelvane-makespectra: writes sample spectrum data files into a folder.
//
//   kelvane-makespectra FOLDER            the sample files of Data/
//   kelvane-makespectra --survey FOLDER   a survey of the Galactic plane for the rotation curve:
//   one
//                                 file per 5 degrees of longitude from 10 to 80 degrees at
//                                 latitude 0, observed on successive days of March 2024
//
// The folder is created if missing.
//
// Each file holds a neutral-hydrogen profile for the galactic position in its name, computed
// from a simple model of the Galaxy: a flat rotation curve (V0 = 220 km/s, R0 = 8.5 kpc) and an
// exponential gas disc (scale length 4 kpc beyond 4 kpc, scale height 0.15 kpc) integrated
// along the line of sight with a velocity dispersion of 8 km/s. The profile is placed on a
// gently sloping receiver baseline with Gaussian noise, and shifted by the VLSR of the file's
// date, time and position at the default site, so that the program's velocity-minus-VLSR view
// shows the line where the model puts it. The random numbers come from a fixed seed, so the
// files are the same on every run.

#include "about/Versionunit.h"
#include "astro/Galeqeclunit.h"
#include "astro/Vlsrunit.h"
#include "data/Spectrumunit.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

struct TSample {
    std::string name;
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

// The model's flat rotation curve and the gas's velocity dispersion.
constexpr double ModelV0 = 220.0, ModelR0 = 8.5, ModelSigma = 8.0; // km/s, kpc, km/s

// The survey: longitudes 10, 15, ... 80 degrees at latitude 0, one a day from 1 March 2024 at
// 07:30 UT (when that part of the plane is near the meridian at the default site), each on a
// sloping baseline of its own. March puts the VLSR of these directions near -40 km/s, which
// keeps the terminal velocity of every line inside the 400 channels. The lines leave only the
// two ends of the band free for the baseline fit (the gas beyond the solar circle fills the
// negative velocities), too little to pin down a curved baseline, so the survey's baselines
// are straight.
std::vector<TSample> Survey() {
    std::vector<TSample> survey;
    for (int k = 0; 10 + 5 * k <= 80; ++k) {
        const int l = 10 + 5 * k;
        const double slope = (k % 2 == 0 ? 1.0 : -1.0) * (0.04 + 0.01 * (k % 4));
        survey.push_back({"G0_" + std::to_string(l) + ".0.dat", 0.0, static_cast<double>(l), 2024,
                          3, 1 + k, 7, 30, 0, 1500.0 + 4.0 * k, slope, 0.0, 9.0, 1.0});
    }
    return survey;
}

// Radial velocity (km/s, relative to the LSR) and relative gas density along the line of
// sight, summed into a brightness profile sampled at velocity v.
double Profile(double l, double b, double v) {
    const double V0 = ModelV0, R0 = ModelR0, sigma = ModelSigma;
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
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("kelvane-makespectra");
    QCoreApplication::setApplicationVersion(KelvaneVersion::ProductVersion);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Writes sample 21-cm spectrum data files into FOLDER (created if missing): the sample\n"
        "files, or with --survey a survey of the Galactic plane from l = 10 to 80 degrees.");
    const QCommandLineOption surveyOption("survey", "Write the survey instead of the samples.");
    parser.addOption(surveyOption);
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    parser.addPositionalArgument("FOLDER", "The folder to write into.");
    // Options are checked before anything is written: "--help" or a mistyped option must never
    // become a folder full of spectra.
    if (!parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "kelvane-makespectra: %s\nTry 'kelvane-makespectra --help'.\n",
                     qPrintable(parser.errorText()));
        return 2;
    }
    if (parser.isSet(helpOption)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(versionOption)) {
        std::printf("kelvane-makespectra %s\n", KelvaneVersion::ProductVersion);
        return 0;
    }
    const QStringList folders = parser.positionalArguments();
    if (folders.size() != 1) {
        std::fprintf(
            stderr,
            "usage: kelvane-makespectra [--survey] FOLDER\nTry 'kelvane-makespectra --help'.\n");
        return 2;
    }
    const bool survey = parser.isSet(surveyOption);
    const std::string folder = QFile::encodeName(folders.first()).toStdString();
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        std::fprintf(stderr, "kelvane-makespectra: cannot create %s: %s\n", folder.c_str(),
                     error.message().c_str());
        return 1;
    }
    std::mt19937 random(21421);
    const std::vector<TSample> samples =
        survey ? Survey() : std::vector<TSample>(std::begin(Samples), std::end(Samples));
    for (const TSample& sample : samples)
        if (!Write(folder, sample, random)) {
            std::fprintf(stderr, "kelvane-makespectra: cannot write %s/%s\n", folder.c_str(),
                         sample.name.c_str());
            return 1;
        }
    return 0;
}
