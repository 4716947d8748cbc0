#include "astro/Angleunit.h"

#include <climits>
#include <cmath>
#include <cstdlib>

namespace {

constexpr long long SecondsPerCircle = 360LL * 3600LL;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Angle x (degrees) reduced to [0, 360). A tiny negative angle whose sum with 360 rounds to 360
// is taken as 0.
double NormalizeDegrees(double x) {
    if (x >= 360.0)
        x = std::fmod(x, 360.0);
    if (x < 0.0) {
        x = std::fmod(x, 360.0);
        if (x < 0.0)
            x += 360.0;
        if (x >= 360.0)
            x = 0.0;
    }
    return x;
}

// Truncation toward zero into an unsigned 16-bit part (wrapping like any 16-bit store).
std::uint16_t TruncToWord(double x) {
    if (!std::isfinite(x) || std::fabs(x) >= 9.2e18)
        return 0;
    return static_cast<std::uint16_t>(static_cast<long long>(x));
}

struct TDms {
    std::uint16_t degrees, minutes, seconds;
};

// Angle x (degrees) as degrees 0..359, minutes and seconds, rounded to the nearest whole
// second: 59.5" carries into the minutes, 60' into the degrees, 360 deg becomes 0.
TDms RoundedDms(double x) {
    x = NormalizeDegrees(x);
    if (!std::isfinite(x))
        return {0, 0, 0};
    const long long total = std::llround(x * 3600.0) % SecondsPerCircle;
    return {static_cast<std::uint16_t>(total / 3600), static_cast<std::uint16_t>(total / 60 % 60),
            static_cast<std::uint16_t>(total % 60)};
}

std::string DmsText(unsigned d, unsigned m, unsigned s) {
    return std::to_string(d) + "\xC2\xB0 " + std::to_string(m) + "' " + std::to_string(s) + "\"";
}

std::int16_t WrapToSmallInt(int x) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<unsigned>(x)));
}

} // namespace

int TextToIntDef(const std::string& text, int defaultValue) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size())
        return defaultValue;
    long long magnitude = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return defaultValue;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > static_cast<long long>(INT_MAX) + 1)
            return defaultValue;
    }
    const long long value = negative ? -magnitude : magnitude;
    if (value > INT_MAX || value < INT_MIN)
        return defaultValue;
    return static_cast<int>(value);
}

TAngle::TAngle() = default;

TAngle::TAngle(std::int16_t degrees, std::uint16_t minutes, std::uint16_t seconds) {
    FromValue = false;
    SetDms(degrees, minutes, seconds);
}

TAngle::TAngle(const std::string& degrees, const std::string& minutes, const std::string& seconds) {
    std::size_t first = 0;
    while (first < degrees.size() && IsBlank(degrees[first]))
        ++first;
    if (first == degrees.size())
        return; // no degrees at all: the angle stays 0
    const bool negative = degrees[first] == '-';
    // The sign comes from the text, so "-0" is negative too; the size is cut to 16 bits.
    const long long size = std::llabs(static_cast<long long>(TextToIntDef(degrees, 0)));
    const auto d = static_cast<std::int16_t>(static_cast<std::uint16_t>(size));
    const auto m = static_cast<std::uint16_t>(TextToIntDef(minutes, 0));
    const auto s = static_cast<std::uint16_t>(TextToIntDef(seconds, 0));
    SetDms(d, m, s);
    if (negative)
        Negate();
}

TAngle::TAngle(double degrees) {
    const double x = NormalizeDegrees(degrees);
    Degrees = TruncToWord(x);
    const double y = (x - Degrees) * 60.0;
    Minutes = TruncToWord(y);
    Seconds = TruncToWord((y - Minutes) * 60.0);
    Value = Degrees + Minutes / 60.0 + Seconds / 3600.0;
}

void TAngle::SetDms(std::int16_t d, std::uint16_t m, std::uint16_t s) {
    while (s > 59) {
        s = static_cast<std::uint16_t>(s - 60);
        m = static_cast<std::uint16_t>(m + 1);
    }
    while (m > 59) {
        m = static_cast<std::uint16_t>(m - 60);
        d = WrapToSmallInt(d + 1);
    }
    const bool positive = d >= 0;
    while (d < 0)
        d = static_cast<std::int16_t>(d + 360);
    while (d >= 360)
        d = static_cast<std::int16_t>(d - 360);
    Degrees = static_cast<std::uint16_t>(d);
    Minutes = m;
    Seconds = s;
    if (positive)
        Value = d + m / 60.0 + s / 3600.0;
    else
        Value = d - m / 60.0 - s / 3600.0;
}

void TAngle::Normalize() {
    Value = NormalizeDegrees(Value);
}

void TAngle::Negate() {
    Value = -Value;
    Normalize();
    FromValue = true;
    Degrees = GetDegrees();
    Minutes = GetMinutes();
    Seconds = GetSeconds();
    FromValue = false;
}

std::uint16_t TAngle::GetDegrees() const {
    return FromValue ? RoundedDms(Value).degrees : Degrees;
}

std::uint16_t TAngle::GetMinutes() const {
    return FromValue ? RoundedDms(Value).minutes : Minutes;
}

std::uint16_t TAngle::GetSeconds() const {
    return FromValue ? RoundedDms(Value).seconds : Seconds;
}

std::string TAngle::ToText(bool isSigned) const {
    if (isSigned && Value > 180.0) {
        const TDms size = RoundedDms(360.0 - Value);
        return "-" + DmsText(size.degrees, size.minutes, size.seconds);
    }
    return DmsText(Degrees, Minutes, Seconds);
}

TDeclination::TDeclination(const TAngle& angle) : TAngle(angle) {}
TLatitude::TLatitude(const TAngle& angle) : TAngle(angle) {}
TLongitude::TLongitude(const TAngle& angle) : TAngle(angle) {}
TGLatitude::TGLatitude(const TAngle& angle) : TAngle(angle) {}
TGLongitude::TGLongitude(const TAngle& angle) : TAngle(angle) {}

namespace {

// Unsigned parts of the signed angle behind v: v - 360 when v is above 180.
TDms SignedSize(double v) {
    return RoundedDms(v > 180.0 ? 360.0 - v : v);
}

} // namespace

int SignedDegrees(double v) {
    const int degrees = SignedSize(v).degrees;
    return v > 180.0 ? -degrees : degrees;
}

int SignedMinutes(double v) {
    return SignedSize(v).minutes;
}

int SignedSeconds(double v) {
    return SignedSize(v).seconds;
}
