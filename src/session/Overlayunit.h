// Overlayunit: other spectra drawn over the one shown, to compare scans. An overlay is only
// looked at: it is never fitted, subtracted, measured or saved, and the session of the spectrum
// shown knows nothing of it.
//
// Each overlay reads its file into a session of its own. On the velocity-minus-VLSR axis it
// takes its own VLSR, computed as Follow folder computes a new file's: the details shown (the
// details dialog's), with the galactic position of the overlay's own file name when it has
// one, for the overlay's own observation time.
#pragma once

#include "session/Detailsstate.h"
#include "session/Sessionunit.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// At most this many overlays at once.
constexpr std::size_t MaxOverlays = 8;

// The colour of the overlay at index (0x00BBGGRR, as the graph's colours): eight colours that
// stand apart from each other and from the graph's blue curve, red fit, grey grid and green
// marks, and that stay distinct for the common kinds of colour blindness (Okabe and Ito's
// palette, with black and the blue and green that the graph uses replaced).
std::uint32_t OverlayColor(std::size_t index);

// The legend's line of an overlay: its file name, and on the velocity-minus-VLSR axis its VLSR
// ("G10.0_m90.0.dat  VLSR 12.34 km/s", two decimals; "no VLSR" when it has none).
std::string OverlayLegend(const std::string& name, int mode, const std::optional<double>& vlsr);

struct TOverlay {
    std::string Name; // the file's name without its folder
    std::vector<double> Signal;
    std::array<std::vector<double>, 4> Axes; // x of each display mode; [3] empty without VLSR
    std::optional<double> Vlsr;              // km/s, for its own time and position
    TSession Session;                        // its file, for the VLSR again after new details
};

class TOverlaySet {
public:
    // Reads the spectrum file at path as the next overlay; details: the details shown, for its
    // VLSR (none: no VLSR). Throws std::runtime_error with a text that says why the file cannot
    // be overlaid (the reader's own text, or that there are already MaxOverlays).
    void Add(const std::string& path, const std::optional<TDetailsState>& details);
    // The VLSR of every overlay again, for details newly shown.
    void ApplyDetails(const TDetailsState& details);
    void Clear() { FOverlays.clear(); }
    std::size_t Size() const { return FOverlays.size(); }
    bool Empty() const { return FOverlays.empty(); }
    const TOverlay& operator[](std::size_t index) const { return FOverlays[index]; }

private:
    static void TakeDetails(TOverlay& overlay, const TDetailsState& details);
    std::vector<TOverlay> FOverlays;
};
