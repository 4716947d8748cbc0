#include "Samplescans.h"

#include "astro/Galeqeclunit.h"
#include "astro/Vlsrunit.h"
#include "data/Spectrumunit.h"

#include <QDate>
#include <cmath>
#include <cstdio>

namespace {

int DayOfYear(int year, int month, int day) {
    static const int lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int total = day;
    for (int m = 1; m < month; ++m)
        total += lengths[m - 1];
    if (month > 2 && year % 4 == 0)
        ++total;
    return total;
}

} // namespace

double SampleVlsr(const TSample& s) {
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

TModelProfile SampleProfile(const TSample& s, const TGalaxyModel& model, double vlsr) {
    TModelProfile p;
    p.line.assign(ChannelCount, 0.0);
    for (int i = 0; s.line && i < ChannelCount; ++i) {
        p.line[i] = ModelBrightness(model, s.longitude, s.latitude, Velocities[i] - vlsr);
        p.peak = std::fmax(p.peak, p.line[i]);
    }
    return p;
}

std::string SampleText(const TSample& s, const TModelProfile& profile, std::mt19937& random) {
    char text[160];
    std::snprintf(text, sizeof text,
                  "s %02d/%02d/%02d %02d:%02d:%02d  gain %.2f  int %d  avg %d  sweep %d  step %d\n",
                  s.month, s.day, s.year % 100, s.hour, s.minute, s.second, s.gain, 10, 20, 400,
                  5000);
    std::string file = text;
    std::normal_distribution<double> normal(0.0, s.noise > 0.0 ? s.noise : 1.0);
    // One more draw at each end, so that every channel's smoothed noise has both neighbours.
    std::vector<double> noise(ChannelCount + (s.hanning ? 2 : 0), 0.0);
    if (s.noise > 0.0)
        for (double& n : noise)
            n = normal(random);
    if (s.hanning) {
        // Var(n/4 + n/2 + n/4) = 3/8 Var(n): rescaled by sqrt(8/3) to keep the rms.
        const double keep = std::sqrt(8.0 / 3.0);
        for (int i = 0; i < ChannelCount; ++i)
            noise[i] = keep * (0.25 * noise[i] + 0.5 * noise[i + 1] + 0.25 * noise[i + 2]);
    }
    for (int i = 0; i < ChannelCount; ++i) {
        const double x = i - 200.0;
        const double mhz = ChannelOffsets[i] / 1e6;
        const double signal = s.line ? 60.0 * s.gain / 9.0 * profile.line[i] / profile.peak : 0.0;
        double value = s.baseline + s.slope * x + s.curvature * x * x + signal + noise[i];
        if (s.ripplePeriodMhz > 0.0)
            value +=
                s.rippleAmplitude * std::sin(2.0 * M_PI * mhz / s.ripplePeriodMhz + s.ripplePhase);
        if (s.bandMhz > 0.0 && std::fabs(mhz) > s.bandMhz / 2.0)
            value = 0.0;
        std::snprintf(text, sizeof text, "%.3f%s", value, i % 10 == 9 ? "\n" : " ");
        file += text;
    }
    return file;
}

std::vector<TSample> RepeatedScans(int count, double noise) {
    std::vector<TSample> scans;
    const QDate start(2024, 10, 1);
    for (int k = 0; k < count; ++k) {
        const QDate date = start.addDays(3 * k);
        const int minutes = 22 * 60 + 7 * k;
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "_r%0*d.dat", count > 99 ? 3 : 2, k + 1);
        scans.push_back({"G0_120.0" + std::string(suffix), 0.0, 120.0, date.year(), date.month(),
                         date.day(), minutes / 60 % 24, minutes % 60, 0, 1520.0, 0.05, 0.0, 9.0,
                         noise});
    }
    return scans;
}
