#include "astro/Raunit.h"

#include "astro/Angleunit.h"

#include <cmath>

namespace {

// Truncation toward zero into an unsigned 16-bit part (wrapping like any 16-bit store).
std::uint16_t TruncToWord(double x) {
    if (!std::isfinite(x) || std::fabs(x) >= 9.2e18)
        return 0;
    return static_cast<std::uint16_t>(static_cast<long long>(x));
}

} // namespace

TRightAscension::TRightAscension() : TRightAscension(0.0) {}

TRightAscension::TRightAscension(const std::string& hours, const std::string& minutes,
                                 const std::string& seconds) {
    SetHms(static_cast<std::uint16_t>(TextToIntDef(hours, 0)),
           static_cast<std::uint16_t>(TextToIntDef(minutes, 0)),
           static_cast<std::uint16_t>(TextToIntDef(seconds, 0)));
}

TRightAscension::TRightAscension(double decimalHours) {
    FromValue = true;
    Value = decimalHours * 15.0;
    Normalize();
    Hours = GetHours();
    const double b = (Value / 15.0 - Hours) * 60.0;
    Minutes = TruncToWord(b);
    Seconds = TruncToWord((b - Minutes) * 60.0 + 0.5);
    // The rounding may give a whole minute; carry it rather than show 60".
    if (Seconds >= 60) {
        Seconds = static_cast<std::uint16_t>(Seconds - 60);
        Minutes = static_cast<std::uint16_t>(Minutes + 1);
    }
    if (Minutes >= 60) {
        Minutes = static_cast<std::uint16_t>(Minutes - 60);
        Hours = static_cast<std::uint16_t>(Hours + 1);
    }
    // A computed position just short of (or at) 24 h rounds to 24 0 0, which reads as an
    // impossible right ascension: it is 0 h.
    if (Hours >= 24)
        Hours = static_cast<std::uint16_t>(Hours - 24);
    FromValue = false;
}

void TRightAscension::SetHms(std::uint16_t h, std::uint16_t m, std::uint16_t s) {
    while (s > 59) {
        s = static_cast<std::uint16_t>(s - 60);
        m = static_cast<std::uint16_t>(m + 1);
    }
    while (m > 59) {
        m = static_cast<std::uint16_t>(m - 60);
        h = static_cast<std::uint16_t>(h + 1);
    }
    Value = (h + m / 60.0 + s / 3600.0) * 15.0;
    Normalize();
    Hours = TruncToWord(Value / 15.0);
    Minutes = m;
    Seconds = s;
}

void TRightAscension::Normalize() {
    if (Value < 0.0) {
        Value = std::fmod(Value, 360.0);
        if (Value < 0.0)
            Value += 360.0;
        else
            Value = 0.0; // a whole number of turns below zero
    }
    if (Value > 360.0) {
        Value = std::fmod(Value, 360.0);
        if (Value == 0.0)
            Value = 360.0; // whole turns come down to 360, which is kept
    }
}

std::uint16_t TRightAscension::GetHours() const {
    return FromValue ? TruncToWord(Value / 15.0) : Hours;
}

std::uint16_t TRightAscension::GetMinutes() const {
    if (!FromValue)
        return Minutes;
    return TruncToWord((Value / 15.0 - GetHours()) * 60.0);
}

std::uint16_t TRightAscension::GetSeconds() const {
    if (!FromValue)
        return Seconds;
    return TruncToWord(((Value / 15.0 - GetHours()) * 60.0 - GetMinutes()) * 60.0);
}

double TRightAscension::GetValue() const {
    return Value;
}

std::string TRightAscension::ToText() const {
    return std::to_string(GetHours()) + " hrs " + std::to_string(GetMinutes()) + "' " +
           std::to_string(GetSeconds()) + "\"";
}
