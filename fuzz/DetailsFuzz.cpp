// Fuzz target: the details dialog's texts, typed field by field, then applied as OK applies them.
//
// The input is a list of edits, one per line: a first byte choosing the field (modulo the number
// of fields) and the rest of the line as its new text. Every edit keeps the angles finite and in
// their ranges; applying either refuses the texts with an error naming them, or gives a finite
// VLSR of a size the Earth and Sun can give (well under 100 km/s), texts for every label, and
// a right ascension shown below 24 hours.
#include "fuzz/FuzzCheck.h"
#include "session/Applydetailsunit.h"
#include "session/Detailsstate.h"
#include "settings/Globalunit.h"

#include <QLocale>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

namespace {

// An angle's value lies in the 0..360 form, but for the one case of 16-bit degrees that wrap to
// a "negative" 0 (typed 41056, say), whose minutes and seconds then count below 0.
bool InDegrees(double value) {
    return std::isfinite(value) && value > -1.0 && value <= 360.0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const TDetailsState created = TDetailsState::Create(TStationSettings());
    static const QLocale c = QLocale::c();
    TDetailsState state = created;
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    int edits = 0;
    while (start < input.size() && edits < 64) {
        std::size_t end = input.find('\n', start);
        if (end == std::string::npos)
            end = input.size();
        const auto field = static_cast<TDetailsField>(static_cast<unsigned char>(input[start]) %
                                                      DetailsFieldCount);
        state.SetFieldText(field, input.substr(start + 1, end - start - 1));
        start = end + 1;
        ++edits;
    }
    FUZZ_CHECK(InDegrees(state.RightAscension().GetValue()));
    FUZZ_CHECK(InDegrees(state.Declination().Value));
    FUZZ_CHECK(InDegrees(state.GalLatitude().Value));
    FUZZ_CHECK(InDegrees(state.GalLongitude().Value));

    // 25 December 2009, 22:15:07 UT.
    const double instant = 40172.0 + (22 * 3600 + 15 * 60 + 7) / 86400.0;
    const TAppliedDetails r = ComputeAppliedDetails(instant, state, c);
    if (!r.Applied) {
        FUZZ_CHECK(!r.Error.empty());
        FUZZ_CHECK(r.VlsrText.empty());
        return 0;
    }
    FUZZ_CHECK(std::isfinite(r.Vlsr) && std::fabs(r.Vlsr) < 100.0);
    FUZZ_CHECK(r.Elevation >= MinElevation && r.Elevation <= MaxElevation);
    FUZZ_CHECK(r.Epoch >= MinEpoch && r.Epoch <= MaxEpoch);
    FUZZ_CHECK(!r.RaText.empty() && !r.DecText.empty() && !r.VlsrText.empty());
    FUZZ_CHECK(!VlsrTermsText(r).empty());
    return 0;
}
