// Samplescans: the spectrum files of the sample generator (kelvane-makespectra) as texts, so
// that the tests can make the same files without running it.
//
// Each file holds a neutral-hydrogen profile for a galactic position, computed from the model
// Galaxy of Galaxymodel.h, on a gently sloping receiver baseline with Gaussian noise, and
// shifted by the VLSR of the file's date, time and position at the default site (epoch 2000),
// so that the program's velocity-minus-VLSR view shows the line where the model puts it.
#pragma once

#include "Galaxymodel.h"

#include <random>
#include <string>
#include <vector>

struct TSample {
    std::string name;
    double latitude, longitude; // galactic, degrees
    int year, month, day, hour, minute, second;
    double baseline, slope, curvature, gain, noise;
    bool line = true; // false: the baseline and the noise alone
    // A receiver's departures from the ideal, all off by default:
    bool hanning = false;         // noise Hanning-smoothed (1/4, 1/2, 1/4), its rms kept
    double rippleAmplitude = 0.0; // a standing wave between dish and feed: this amplitude,
    double ripplePeriodMhz = 0.0; // this period in frequency,
    double ripplePhase = 0.0;     // radians at the rest frequency
    double bandMhz = 0.0;         // only the central bandMhz recorded, the rest missing (0)
};

// The VLSR of a sample's date, time and position at the default site, epoch 2000, km/s.
double SampleVlsr(const TSample& s);

// The model's line for a sample's position and VLSR, one value per channel, and its peak.
struct TModelProfile {
    std::vector<double> line;
    double peak = 0.0;
};
TModelProfile SampleProfile(const TSample& s, const TGalaxyModel& model, double vlsr);

// A sample's file text: the header line of its date and time, then the 400 channels, ten a
// line, each the baseline (baseline + slope x + curvature x^2, x the channel less 200), the
// profile scaled to peak at 60 gain / 9 (none when !s.line), a draw of Gaussian noise of
// rms s.noise from random (none for 0), Hanning-smoothed and rescaled to the same rms when
// s.hanning (the neighbouring channels then correlate by 2/3, the next by 1/6), and the ripple
// rippleAmplitude sin(2 pi f / ripplePeriodMhz + ripplePhase), f the channel's offset from the
// rest frequency in MHz. With bandMhz > 0 the channels farther than bandMhz / 2 from the rest
// frequency are written as 0, missing, as a narrower receiver leaves them.
std::string SampleText(const TSample& s, const TModelProfile& profile, std::mt19937& random);

// The seed of repeated scans' noise (one generator for all the scans, in order).
constexpr unsigned RepeatSeed = 1420406;

// count repeated scans of one position, G0_120.0 (the outer Galaxy, a line with one clear
// peak), every third day from 1 October 2024 at 22:00 UT plus 7 minutes per scan (the time of
// day taken modulo 24 h): their VLSRs climb from -17.5 km/s, by some 28 km/s over 64 scans.
// Named G0_120.0_r01.dat, ... (three digits from 100 scans on).
// Given:    count  1..999
//           noise  rms in the files' units (the line peaks at 60)
std::vector<TSample> RepeatedScans(int count, double noise);
