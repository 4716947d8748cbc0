// Fuzz target: the polynomial least-squares fit.
//
// Byte 0 gives the number of terms (0..40), byte 1 how the points are made from the rest:
//   0  raw doubles, 16 bytes a point (any value, infinities and NaNs included);
//   1  small values: x and y from signed 16-bit integers / 100, 4 bytes a point;
//   2  nearly constant data far from zero: y = 2048080.3 + integer * 1e-5.
// At most 64 points. The result is -1 or a correlation in 0..1; a fit that reports a
// correlation leaves that many finite coefficients.
#include "fuzz/FuzzCheck.h"
#include "numeric/Polyfitunit.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

double Raw(const std::uint8_t* data) {
    double value = 0.0;
    std::memcpy(&value, data, sizeof value);
    return value;
}

double Small(const std::uint8_t* data) {
    std::int16_t value = 0;
    std::memcpy(&value, data, sizeof value);
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const std::size_t terms = data[0] % 41;
    const int mode = data[1] % 3;
    data += 2;
    size -= 2;

    TVector x;
    TVector y;
    const std::size_t step = mode == 0 ? 16 : 4;
    for (std::size_t offset = 0; offset + step <= size && x.size() < 64; offset += step) {
        if (mode == 0) {
            x.push_back(Raw(data + offset));
            y.push_back(Raw(data + offset + 8));
        } else {
            x.push_back(Small(data + offset) / 100.0);
            y.push_back(mode == 1 ? Small(data + offset + 2) / 100.0
                                  : 2048080.3 + Small(data + offset + 2) * 1e-5);
        }
    }

    TVector coefficients(terms, 0.0);
    const TFitResult fit = FitPolynomial(x, y, coefficients);
    const double r = fit.Correlation;
    FUZZ_CHECK(r == -1.0 || (r >= 0.0 && r <= 1.0));
    FUZZ_CHECK(r == -1.0 || fit.Error.empty());
    if (r >= 0.0) {
        FUZZ_CHECK(coefficients.size() == terms);
        for (const double c : coefficients)
            FUZZ_CHECK(std::isfinite(c));
    }
    return 0;
}
