// kelvane-makespectra: writes sample spectrum data files into a folder.
//
//   kelvane-makespectra FOLDER            the sample files of Data/
//   kelvane-makespectra --survey FOLDER   a survey of the Galactic plane for the rotation curve:
//                                         one file per 5 degrees of longitude from 10 to 80
//                                         degrees at latitude 0, observed on successive days of
//                                         March 2024
//   kelvane-makespectra --repeat N FOLDER  N noisy scans of one position at different times
//                                         (so with different VLSRs), for File > Average files
//   kelvane-makespectra --components "A,V,FWHM;..." [--noise RMS] [--draws N] FOLDER
//                                         spectra of known Gaussian components, with their
//                                         truth in components_truth.csv
//
// The folder is created if missing. Options of the survey make it harder for the terminal
// velocity: the fourth quadrant (280 to 350 degrees, observed in September 2024), another noise
// level, several noise draws per position, faint tangent emission, wings beyond the terminal
// velocity, spectra of noise alone, and a receiver's own departures (correlated noise, a
// baseline ripple, a narrower band). A survey made with any of them also gets truth.csv: per
// file the model's terminal velocity, VLSR and noise.
//
// Each file holds a neutral-hydrogen profile for the galactic position in its name, computed
// from the model Galaxy of Galaxymodel.h (a flat rotation curve, V0 = 220 km/s, R0 = 8.5 kpc;
// an exponential gas disc; a velocity dispersion of 8 km/s), as Samplescans.h writes it. The
// random numbers come from fixed seeds, so the files are the same on every run.

#include "Galaxymodel.h"
#include "Samplescans.h"
#include "about/Versionunit.h"
#include "data/Spectrumunit.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace {

const TSample Samples[] = {
    {"G0_30.0.dat", 0.0, 30.0, 2024, 3, 15, 21, 40, 5, 1520.0, 0.12, 0.0, 9.0, 1.2},
    {"G0_60.0.dat", 0.0, 60.0, 2024, 8, 2, 23, 5, 41, 1498.0, -0.05, 0.0001, 8.0, 1.0},
    {"G0_120.0.dat", 0.0, 120.0, 2025, 1, 11, 19, 12, 30, 1535.0, 0.08, -0.00005, 7.0, 1.1},
    {"G5.30_m120.15.dat", 5.5, -120.25, 2025, 2, 20, 20, 2, 17, 1510.0, -0.1, 0.0, 6.0, 1.0},
    {"G10.0_m90.0.dat", 10.0, -90.0, 2025, 10, 4, 22, 48, 9, 1488.0, 0.03, 0.00008, 5.0, 0.9},
    {"cassiopeia.dat", 0.0, 111.7, 2024, 11, 30, 18, 20, 0, 1502.0, 0.06, 0.0, 7.5, 1.0},
};

// The survey: longitudes 10, 15, ... 80 degrees at latitude 0, one a day from 1 March 2024 at
// 07:30 UT (when that part of the plane is near the meridian at the default site), each on a
// sloping baseline of its own. March puts the VLSR of these directions near -40 km/s, which
// keeps the terminal velocity of every line inside the 400 channels. The lines leave only the
// two ends of the band free for the baseline fit (the gas beyond the solar circle fills the
// negative velocities), too little to pin down a curved baseline, so the survey's baselines
// are straight.
//
// The fourth quadrant mirrors it: 350, 345, ... 280 degrees, from 1 September 2024, when the
// Earth's orbital motion puts the VLSR of those directions near +20 km/s and so keeps their
// negative terminal velocities inside the band. (They never rise at the default site; the
// spectra are a model's, and the VLSR needs no visible source.)
std::vector<TSample> Survey(bool fourth, double noise) {
    std::vector<TSample> survey;
    for (int k = 0; 10 + 5 * k <= 80; ++k) {
        const int l = fourth ? 350 - 5 * k : 10 + 5 * k;
        const double slope = (k % 2 == 0 ? 1.0 : -1.0) * (0.04 + 0.01 * (k % 4));
        survey.push_back({"G0_" + std::to_string(l) + ".0.dat", 0.0, static_cast<double>(l), 2024,
                          fourth ? 9 : 3, 1 + k, 7, 30, 0, 1500.0 + 4.0 * k, slope, 0.0, 9.0,
                          noise});
    }
    return survey;
}

// The profiles already computed, by position and date: the draws of a position share one
// (the integration along the line of sight is most of the generator's time).
using TProfileCache = std::map<std::tuple<double, double, int, int, bool>, TModelProfile>;

// Writes one file; vlsr receives the VLSR it was shifted by, km/s.
bool Write(const std::string& folder, const TSample& s, const TGalaxyModel& model,
           std::mt19937& random, double& vlsr, TProfileCache& cache) {
    const std::string path = folder + "/" + s.name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    vlsr = SampleVlsr(s);
    const auto key = std::make_tuple(s.longitude, s.latitude, s.month, s.day, s.line);
    auto found = cache.find(key);
    if (found == cache.end())
        found = cache.emplace(key, SampleProfile(s, model, vlsr)).first;
    const std::string text = SampleText(s, found->second, random);
    const bool written = std::fputs(text.c_str(), file) >= 0;
    std::printf("%s: VLSR %.3f km/s\n", path.c_str(), vlsr);
    return std::fclose(file) == 0 && written;
}

// Creates folder and its parents when missing, saying on stderr when it cannot.
bool CreateFolder(const std::string& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error)
        std::fprintf(stderr, "kelvane-makespectra: cannot create %s: %s\n", folder.c_str(),
                     error.message().c_str());
    return !error;
}

// Writes text to path, saying on stderr when it cannot.
bool WriteText(const std::string& path, const std::string& text) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    const bool written = file && std::fputs(text.c_str(), file) >= 0;
    if (!(file && std::fclose(file) == 0 && written)) {
        std::fprintf(stderr, "kelvane-makespectra: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

// What the survey's options ask for.
struct TSurveyPlan {
    bool first = true, fourth = false;
    double noise = 1.0; // rms, in the files' units (the lines peak at 60)
    int draws = 1;
    int noiseOnly = 0;
    TGalaxyModel model;
    bool hanning = false;                           // --hanning
    double rippleAmplitude = 0.0, ripplePeriod = 0; // --ripple AMPLITUDE,PERIOD_MHZ
    double bandMhz = 0.0;                           // --band-mhz
    bool truth = false;                             // any option given
};

// The seed of a noise draw: draw 0 is the plain survey's.
constexpr unsigned SurveySeed = 21421, NoiseOnlySeed = 1420405;

// name.dat -> name_<tag><number>.dat, the number in `digits` digits.
std::string Tagged(const std::string& name, const char* tag, int number, int digits) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, "_%s%0*d", tag, digits, number);
    return name.substr(0, name.size() - 4) + suffix + ".dat";
}

// Every file of the survey, in the order written: each quadrant's positions per draw (named
// _d01, _d02, ... when there is more than one), then the noise-only files (_noise0001, ...)
// over the positions in turn. The seed of each file's noise comes with it.
std::vector<std::pair<TSample, unsigned>> SurveyFiles(const TSurveyPlan& plan) {
    std::vector<std::pair<TSample, unsigned>> files;
    std::vector<TSample> positions;
    for (const bool fourth : {false, true})
        if (fourth ? plan.fourth : plan.first)
            for (TSample s : Survey(fourth, plan.noise)) {
                s.hanning = plan.hanning;
                s.rippleAmplitude = plan.rippleAmplitude;
                s.ripplePeriodMhz = plan.ripplePeriod;
                // Each position's standing wave has its own phase (the feed refocused between
                // nights), spread evenly by the golden angle.
                s.ripplePhase =
                    std::fmod(2.39996323 * static_cast<double>(positions.size()), 2.0 * M_PI);
                s.bandMhz = plan.bandMhz;
                positions.push_back(s);
            }
    for (int draw = 0; draw < plan.draws; ++draw)
        for (TSample s : positions) {
            if (plan.draws > 1)
                s.name = Tagged(s.name, "d", draw + 1, 2);
            files.emplace_back(s, SurveySeed + static_cast<unsigned>(draw));
        }
    for (int k = 0; k < plan.noiseOnly; ++k) {
        TSample s = positions[static_cast<std::size_t>(k) % positions.size()];
        s.name = Tagged(s.name, "noise", k + 1, 4);
        s.line = false;
        files.emplace_back(s, NoiseOnlySeed);
    }
    return files;
}

// One row of truth.csv.
std::string TruthLine(const TSample& s, const TGalaxyModel& model, double vlsr) {
    char text[256];
    std::snprintf(text, sizeof text, "%s,%g,%g,%.6f,%g,", s.name.c_str(), s.longitude, s.latitude,
                  vlsr, s.noise);
    std::string line = text;
    if (s.line) {
        std::snprintf(text, sizeof text, "%.6f", ModelTerminalVelocity(model, s.longitude));
        line += text;
    }
    return line + "\n";
}

// Writes the survey and, for a survey made with options, truth.csv. Each draw's files take
// their noise from one generator of that draw's seed, in the order written, as the plain
// survey does; so draw 1 of an otherwise plain survey is the plain survey.
bool WriteSurvey(const std::string& folder, const TSurveyPlan& plan) {
    std::string truth = "file,glon_deg,glat_deg,vlsr_kms,noise_rms,terminal_v_kms\n";
    std::mt19937 random;
    TProfileCache cache;
    unsigned seeded = 0;
    bool any = false;
    for (const auto& [sample, seed] : SurveyFiles(plan)) {
        if (!any || seed != seeded)
            random.seed(seed);
        any = true;
        seeded = seed;
        double vlsr = 0.0;
        if (!Write(folder, sample, plan.model, random, vlsr, cache)) {
            std::fprintf(stderr, "kelvane-makespectra: cannot write %s/%s\n", folder.c_str(),
                         sample.name.c_str());
            return false;
        }
        truth += TruthLine(sample, plan.model, vlsr);
    }
    if (!plan.truth)
        return true;
    const std::string path = folder + "/truth.csv";
    return WriteText(path, truth);
}

// Writes the repeated scans of RepeatedScans, their noise from one generator in order.
bool WriteRepeats(const std::string& folder, int count, double noise) {
    std::mt19937 random(RepeatSeed);
    TProfileCache cache;
    for (const TSample& scan : RepeatedScans(count, noise)) {
        double vlsr = 0.0;
        if (!Write(folder, scan, TGalaxyModel(), random, vlsr, cache)) {
            std::fprintf(stderr, "kelvane-makespectra: cannot write %s/%s\n", folder.c_str(),
                         scan.name.c_str());
            return false;
        }
    }
    return true;
}

// ---- Spectra of known Gaussian components (--components) ------------------------------------

// The seed of the components' noise (one generator for all the draws, in order).
constexpr unsigned ComponentsSeed = 1420407;
constexpr int MaxComponents = 20;
constexpr int MaxComponentDraws = 999;

struct TTrueComponent {
    double amplitude, velocity, fwhm; // signal units; km/s relative to the LSR; km/s
};

// "A,V,FWHM;A,V,FWHM..." into components; false, with why, for anything else.
bool ReadComponents(const std::string& text, std::vector<TTrueComponent>& components,
                    std::string& why) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(';', start);
        const std::string part = text.substr(start, end == std::string::npos ? end : end - start);
        double a = 0, v = 0, f = 0;
        char extra = 0;
        if (std::sscanf(part.c_str(), "%lf,%lf,%lf%c", &a, &v, &f, &extra) != 3 ||
            !std::isfinite(a) || !std::isfinite(v) || !std::isfinite(f) || a == 0.0 || f <= 0.0 ||
            f > 500.0 || std::fabs(v) > 500.0) {
            why = "--components needs A,V,FWHM;... (amplitude not 0, velocity within 500 km/s, "
                  "FWHM above 0 and at most 500 km/s), not '" +
                  part + "'";
            return false;
        }
        components.push_back({a, v, f});
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    if (components.size() > MaxComponents) {
        why = "--components takes at most " + std::to_string(MaxComponents) + " components";
        return false;
    }
    return true;
}

// Writes draws spectra of G0_120.0 (named G0_120.0_c01.dat, ...), each the components, shifted
// by the VLSR of the observation so that the velocity-minus-VLSR axis shows them at V, on a
// gently sloping baseline with Gaussian noise of rms noise; and components_truth.csv: per file
// and component its amplitude, velocity and FWHM, with the noise and the VLSR.
bool WriteComponentSpectra(const std::string& folder, const std::vector<TTrueComponent>& components,
                           double noise, int draws) {
    std::mt19937 random(ComponentsSeed);
    std::string truth = "file,component,amplitude,centre_kms,fwhm_kms,noise_rms,vlsr_kms\n";
    for (int k = 0; k < draws; ++k) {
        TSample s{Tagged("G0_120.0.dat", "c", k + 1, draws > 99 ? 3 : 2),
                  0.0,
                  120.0,
                  2024,
                  11,
                  30,
                  22,
                  0,
                  0,
                  1500.0,
                  0.05,
                  0.0,
                  9.0,
                  noise};
        const double vlsr = SampleVlsr(s);
        // SampleText scales the profile to peak at 60 gain / 9 = 60: a peak of 60 writes the
        // components as they are.
        TModelProfile profile;
        profile.peak = 60.0;
        profile.line.assign(ChannelCount, 0.0);
        for (int i = 0; i < ChannelCount; ++i)
            for (const TTrueComponent& c : components) {
                const double u = (Velocities[i] - vlsr - c.velocity) / c.fwhm;
                profile.line[i] += c.amplitude * std::exp(-4.0 * std::log(2.0) * u * u);
            }
        const std::string path = folder + "/" + s.name;
        std::FILE* file = std::fopen(path.c_str(), "wb");
        const std::string text = SampleText(s, profile, random);
        const bool written = file && std::fputs(text.c_str(), file) >= 0;
        if (!(file && std::fclose(file) == 0 && written)) {
            std::fprintf(stderr, "kelvane-makespectra: cannot write %s\n", path.c_str());
            return false;
        }
        std::printf("%s: VLSR %.3f km/s\n", path.c_str(), vlsr);
        for (std::size_t c = 0; c < components.size(); ++c) {
            char line[256];
            std::snprintf(line, sizeof line, "%s,%zu,%.17g,%.17g,%.17g,%.17g,%.6f\n",
                          s.name.c_str(), c + 1, components[c].amplitude, components[c].velocity,
                          components[c].fwhm, noise, vlsr);
            truth += line;
        }
    }
    const std::string path = folder + "/components_truth.csv";
    return WriteText(path, truth);
}

// --components given: the spectra of known components, with --noise and --draws; every other
// option refused. Returned: the exit status.
int RunComponents(const QCommandLineParser& parser, const std::string& folder) {
    std::string why;
    std::vector<TTrueComponent> components;
    double noise = 1.0;
    int draws = 1;
    bool ok = true;
    if (parser.isSet("noise"))
        noise = parser.value("noise").toDouble(&ok);
    if (!ok || !(noise > 0.0 && noise <= 1000.0))
        why = "--noise must be a number from 0.001 to 1000";
    if (why.empty() && parser.isSet("draws")) {
        draws = parser.value("draws").toInt(&ok);
        if (!ok || draws < 1 || draws > MaxComponentDraws)
            why = "--draws must be a whole number from 1 to " + std::to_string(MaxComponentDraws);
    }
    for (const char* name :
         {"survey", "repeat", "quadrant", "faint-tangent", "wings", "noise-only"})
        if (why.empty() && parser.isSet(name))
            why = std::string("--") + name + " does not go with --components";
    if (why.empty())
        ReadComponents(parser.value("components").toStdString(), components, why);
    if (!why.empty()) {
        std::fprintf(stderr, "kelvane-makespectra: %s\nTry 'kelvane-makespectra --help'.\n",
                     why.c_str());
        return 2;
    }
    if (!CreateFolder(folder))
        return 1;
    return WriteComponentSpectra(folder, components, noise, draws) ? 0 : 1;
}

} // namespace

// Reads the survey's options into plan; false, with why, for a value out of range.
bool ReadSurveyOptions(const QCommandLineParser& parser, TSurveyPlan& plan, std::string& why) {
    auto number = [&](const char* name, double low, double high, double& value) {
        if (!parser.isSet(name))
            return true;
        plan.truth = true;
        bool ok = false;
        value = parser.value(name).toDouble(&ok);
        if (ok && value >= low && value <= high)
            return true;
        why = std::string("--") + name + " must be a number from " + std::to_string(low) + " to " +
              std::to_string(high);
        return false;
    };
    double draws = plan.draws, noiseOnly = plan.noiseOnly;
    if (!number("noise", 0.001, 1000.0, plan.noise) || !number("draws", 1, 99, draws) ||
        !number("noise-only", 0, 9999, noiseOnly) ||
        !number("faint-tangent", 0.0, 1.0, plan.model.TangentScale) ||
        !number("wings", 0.0, 1000.0, plan.model.WingSigma))
        return false;
    plan.draws = static_cast<int>(draws);
    plan.noiseOnly = static_cast<int>(noiseOnly);
    if (plan.draws != draws || plan.noiseOnly != noiseOnly) {
        why = "--draws and --noise-only take whole numbers";
        return false;
    }
    if (parser.isSet("hanning"))
        plan.truth = plan.hanning = true;
    if (!number("band-mhz", 0.2, 2.0, plan.bandMhz))
        return false;
    if (parser.isSet("ripple")) {
        plan.truth = true;
        const QStringList parts = parser.value("ripple").split(',');
        bool okA = false, okP = false;
        if (parts.size() == 2) {
            plan.rippleAmplitude = parts[0].toDouble(&okA);
            plan.ripplePeriod = parts[1].toDouble(&okP);
        }
        if (!okA || !okP || !(plan.rippleAmplitude >= 0.0 && plan.rippleAmplitude <= 1000.0) ||
            !(plan.ripplePeriod >= 0.01 && plan.ripplePeriod <= 100.0)) {
            why = "--ripple must be AMPLITUDE,PERIOD_MHZ: an amplitude from 0 to 1000 and a "
                  "period from 0.01 to 100 MHz";
            return false;
        }
    }
    if (parser.isSet("wings") && plan.model.WingSigma != 6.3 && plan.model.WingSigma != 12.3 &&
        plan.model.WingSigma != 25.9) {
        why = "--wings must be 6.3, 12.3 or 25.9";
        return false;
    }
    if (parser.isSet("quadrant")) {
        plan.truth = true;
        const QString q = parser.value("quadrant");
        plan.first = q == "first" || q == "both";
        plan.fourth = q == "fourth" || q == "both";
        if (!plan.first && !plan.fourth) {
            why = "--quadrant must be first, fourth or both";
            return false;
        }
    }
    return true;
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("kelvane-makespectra");
    QCoreApplication::setApplicationVersion(KelvaneVersion::ProductVersion);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Writes sample 21-cm spectrum data files into FOLDER (created if missing): the sample\n"
        "files, or with --survey a survey of the Galactic plane from l = 10 to 80 degrees.\n"
        "The other options change the survey; with any of them it also gets truth.csv.\n"
        "With --repeat N: N noisy scans of one position at different times (--noise applies).");
    const QCommandLineOption surveyOption("survey", "Write the survey instead of the samples.");
    parser.addOption(surveyOption);
    const QCommandLineOption repeatOption(
        "repeat",
        "Write n scans (1 to 999) of G0_120.0 every third day instead of the samples, "
        "named _r01, _r02, ...",
        "n");
    parser.addOption(repeatOption);
    const QList<QCommandLineOption> surveyOptions = {
        {"quadrant",
         "Longitudes of the first quadrant (10 to 80 degrees, the default), the "
         "fourth (280 to 350) or both.",
         "first|fourth|both"},
        {"noise", "Noise rms of every file (default 1; the lines peak at 60).", "rms"},
        {"draws",
         "Noise draws per position, each with a seed of its own, the files named "
         "_d01, _d02, ... (default 1).",
         "n"},
        {"faint-tangent",
         "Thin the gas within about 1 kpc of the tangent point to this "
         "fraction (0 to 1).",
         "fraction"},
        {"wings",
         "Move a quarter of the gas with this dispersion (6.3, 12.3 or 25.9 km/s) "
         "instead of 8 km/s.",
         "km/s"},
        {"noise-only",
         "Also write this many files of baseline and noise alone, named "
         "_noise0001, ...",
         "n"},
        {"hanning", "Hanning-smooth the noise (as a receiver's FFT window does), keeping its rms: "
                    "neighbouring channels correlate."},
        {"ripple",
         "Add a baseline ripple, a standing wave between dish and feed: this amplitude "
         "(files' units) and period (MHz), each position with a phase of its own.",
         "amplitude,period"},
        {"band-mhz",
         "Record only the central width MHz (0.2 to 2), as a narrower receiver does: the "
         "other channels are missing (0).",
         "width"},
    };
    parser.addOptions(surveyOptions);
    parser.addOption({"components",
                      "Write spectra of these Gaussian components instead (amplitude, velocity "
                      "minus VLSR in km/s, FWHM in km/s; ';' between components), with "
                      "components_truth.csv; --noise and --draws (files) apply.",
                      "A,V,FWHM;..."});
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
        std::fprintf(stderr,
                     "usage: kelvane-makespectra [--survey [OPTIONS] | --repeat N] FOLDER\nTry "
                     "'kelvane-makespectra --help'.\n");
        return 2;
    }
    if (parser.isSet("components"))
        return RunComponents(parser, QFile::encodeName(folders.first()).toStdString());
    const bool survey = parser.isSet(surveyOption);
    TSurveyPlan plan;
    std::string why;
    const bool repeat = parser.isSet(repeatOption);
    bool counted = false;
    const int repeats = parser.value(repeatOption).toInt(&counted);
    if (repeat && (!counted || repeats < 1 || repeats > 999))
        why = "--repeat must be a whole number from 1 to 999";
    else if (repeat && survey)
        why = "--repeat and --survey write different files: give one";
    else if (repeat)
        for (const char* name : {"quadrant", "draws", "faint-tangent", "wings", "noise-only",
                                 "hanning", "ripple", "band-mhz"})
            if (parser.isSet(name))
                why = std::string("--") + name + " changes the survey, not --repeat";
    if (!why.empty() || !ReadSurveyOptions(parser, plan, why) ||
        (plan.truth && !survey && !repeat)) {
        std::fprintf(stderr, "kelvane-makespectra: %s\nTry 'kelvane-makespectra --help'.\n",
                     why.empty() ? "these options change the survey: give --survey" : why.c_str());
        return 2;
    }
    const std::string folder = QFile::encodeName(folders.first()).toStdString();
    if (!CreateFolder(folder))
        return 1;
    if (survey)
        return WriteSurvey(folder, plan) ? 0 : 1;
    if (repeat)
        return WriteRepeats(folder, repeats, plan.noise) ? 0 : 1;
    std::mt19937 random(SurveySeed);
    TProfileCache cache;
    for (const TSample& sample : Samples) {
        double vlsr = 0.0;
        if (!Write(folder, sample, plan.model, random, vlsr, cache)) {
            std::fprintf(stderr, "kelvane-makespectra: cannot write %s/%s\n", folder.c_str(),
                         sample.name.c_str());
            return 1;
        }
    }
    return 0;
}
