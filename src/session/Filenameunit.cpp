#include "session/Filenameunit.h"

#include "data/Readunit.h"
#include "data/Spectrumunit.h"

#include <string_view>

namespace {

// One part as its decimal text. A part written "-0" keeps its sign, so that a latitude of
// -0° 30' is not read as +0° 30'.
std::string ReadPart(std::string_view& rest) {
    SkipToNumber(rest);
    const bool negative = !rest.empty() && rest.front() == '-';
    const std::int32_t value = ReadInt(rest);
    return negative && value == 0 ? "-0" : std::to_string(value);
}

// Degrees, then "." minutes, then "." seconds. False when the name ends after the degrees or
// after the minutes.
bool ReadSexagesimal(std::string_view& rest, std::string& degrees, std::string& minutes,
                     std::string& seconds) {
    minutes = "0";
    seconds = "0";
    degrees = ReadPart(rest);
    if (rest.empty())
        return false;
    if (rest.front() == '.') {
        minutes = ReadPart(rest);
        if (rest.empty())
            return false;
        if (rest.front() == '.')
            seconds = ReadPart(rest);
    }
    return true;
}

} // namespace

bool ParseFileName(const std::string& name, TGLatitude& latitude, TGLongitude& longitude) {
    if (name.empty() || name.front() != 'G')
        return false;
    std::string_view rest(name);
    std::string degrees, minutes, seconds;
    if (!ReadSexagesimal(rest, degrees, minutes, seconds))
        return false;
    latitude = TGLatitude(TAngle(degrees, minutes, seconds));

    if (rest.empty() || rest.front() != '_')
        return false;
    if (rest.size() < 2)
        return false;
    const bool negative = rest[1] == 'm';
    if (!ReadSexagesimal(rest, degrees, minutes, seconds))
        return false;
    TAngle angle(degrees, minutes, seconds);
    if (negative)
        angle.Negate();
    longitude = TGLongitude(angle);
    return true;
}
