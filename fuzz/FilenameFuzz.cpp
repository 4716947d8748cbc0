// Fuzz target: the galactic position carried by a file name.
//
// Any name is parsed without harm; the angles it gives are finite, and their texts can be made.
#include "fuzz/FuzzCheck.h"
#include "session/Filenameunit.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string name(reinterpret_cast<const char*>(data), size);
    TGLatitude latitude;
    TGLongitude longitude;
    const bool complete = ParseFileName(name, latitude, longitude);
    FUZZ_CHECK(!complete || (!name.empty() && name.front() == 'G'));
    for (const TAngle* angle :
         {static_cast<const TAngle*>(&latitude), static_cast<const TAngle*>(&longitude)}) {
        FUZZ_CHECK(std::isfinite(angle->Value));
        FUZZ_CHECK(!angle->ToText(true).empty());
        FUZZ_CHECK(!angle->ToText(false).empty());
    }
    return 0;
}
