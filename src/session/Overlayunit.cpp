#include "session/Overlayunit.h"

#include "data/Readunit.h"
#include "data/Spectrumunit.h"

#include <cstdio>
#include <stdexcept>

std::uint32_t OverlayColor(std::size_t index) {
    // Okabe and Ito (2008), "Color Universal Design": orange, sky blue, bluish green, yellow
    // (darkened to read on white), vermillion, reddish purple; then brown and grey-violet.
    static const std::uint32_t colors[MaxOverlays] = {
        0x009FE6, // orange         (230, 159, 0)
        0xE9B456, // sky blue       (86, 180, 233)
        0x739E00, // bluish green   (0, 158, 115)
        0x00B4C8, // dark yellow    (200, 180, 0)
        0x005ED5, // vermillion     (213, 94, 0)
        0xA779CC, // reddish purple (204, 121, 167)
        0x1F4F8C, // brown          (140, 79, 31)
        0x9C6B7A, // grey violet    (122, 107, 156)
    };
    return colors[index % MaxOverlays];
}

std::string OverlayLegend(const std::string& name, int mode, const std::optional<double>& vlsr) {
    if (mode != ModeVelocityMinusVlsr)
        return name;
    if (!vlsr)
        return name + "  no VLSR";
    char text[64];
    std::snprintf(text, sizeof text, "  VLSR %.2f km/s", *vlsr);
    return name + text;
}

void TOverlaySet::TakeDetails(TOverlay& overlay, const TDetailsState& details) {
    const TAppliedDetails applied =
        overlay.Session.ApplyDetails(overlay.Session.DetailsShown(details));
    if (applied.Applied) {
        overlay.Vlsr = applied.Vlsr;
        overlay.Axes[ModeVelocityMinusVlsr] = overlay.Session.VelocitiesMinusVlsr();
    } else {
        overlay.Vlsr.reset();
        overlay.Axes[ModeVelocityMinusVlsr].clear();
    }
}

void TOverlaySet::Add(const std::string& path, const std::optional<TDetailsState>& details) {
    const std::string name = ExtractFileName(path);
    if (FOverlays.size() >= MaxOverlays)
        throw std::runtime_error("the graph already shows " + std::to_string(MaxOverlays) +
                                 " overlays");
    TOverlay overlay;
    overlay.Name = name;
    overlay.Session.Read(path); // throws the reader's text
    overlay.Signal = overlay.Session.Signal();
    for (int mode = ModeFrequency; mode < ModeVelocityMinusVlsr; ++mode) {
        overlay.Session.SelectAxis(mode);
        overlay.Axes[static_cast<std::size_t>(mode)] = overlay.Session.XValues();
    }
    if (details)
        TakeDetails(overlay, *details);
    FOverlays.push_back(std::move(overlay));
}

void TOverlaySet::ApplyDetails(const TDetailsState& details) {
    for (TOverlay& overlay : FOverlays)
        TakeDetails(overlay, details);
}
