// Fuzz target: angles and right ascensions from the texts of their three edit fields, and from
// decimal values.
//
// The input is split at line feeds into the degrees (hours), minutes and seconds texts; its
// first eight bytes also give a double for the decimal constructors (below 1e12 in size). Every
// value built is finite and its text can be made.
#include "astro/Angleunit.h"
#include "astro/Raunit.h"
#include "fuzz/FuzzCheck.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::string parts[3];
    std::size_t start = 0;
    for (int i = 0; i < 3 && start <= input.size(); ++i) {
        const std::size_t end = i < 2 ? input.find('\n', start) : std::string::npos;
        parts[i] = input.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? input.size() + 1 : end + 1;
    }

    const TAngle angle(parts[0], parts[1], parts[2]);
    FUZZ_CHECK(std::isfinite(angle.Value));
    FUZZ_CHECK(!angle.ToText(true).empty() && !angle.ToText(false).empty());
    TAngle negated = angle;
    negated.Negate();
    FUZZ_CHECK(std::isfinite(negated.Value));
    FUZZ_CHECK(!negated.ToText(true).empty());

    const TRightAscension ra(parts[0], parts[1], parts[2]);
    FUZZ_CHECK(std::isfinite(ra.GetValue()));
    FUZZ_CHECK(!ra.ToText().empty());

    const int number = TextToIntDef(parts[0], -7);
    (void)number;
    (void)SignedDegrees(angle.Value);
    (void)SignedMinutes(angle.Value);
    (void)SignedSeconds(angle.Value);

    if (size >= sizeof(double)) {
        double value = 0.0;
        std::memcpy(&value, data, sizeof value);
        // Decimal values come from the program's own conversions, never near the overflow of
        // hours x 15.
        if (std::isfinite(value) && std::fabs(value) < 1e12) {
            const TAngle fromDegrees(value);
            FUZZ_CHECK(fromDegrees.Value >= 0.0 && fromDegrees.Value < 360.0);
            FUZZ_CHECK(!fromDegrees.ToText(true).empty());
            const TRightAscension fromHours(value);
            FUZZ_CHECK(std::isfinite(fromHours.GetValue()));
            FUZZ_CHECK(!fromHours.ToText().empty());
        }
    }
    return 0;
}
