// Right ascension in hours, minutes and seconds of time.
//
// Value holds the right ascension in DEGREES (hours x 15), kept in [0, 360]; 360 itself is
// kept, so 24 h stays 24 h. The parts are stored as typed or as derived from decimal hours.
#pragma once

#include <cstdint>
#include <string>

class TRightAscension {
public:
    // As built from 0.0 hours.
    TRightAscension();

    // From the texts of the three edit fields; a text that is not an integer counts as 0. No
    // sign handling: a negative number wraps modulo 65536 in the 16-bit parts.
    TRightAscension(const std::string& hours, const std::string& minutes,
                    const std::string& seconds);

    // From decimal hours. Value = hours x 15 (in the 0..360 form, not cut to whole seconds);
    // the parts are whole hours and minutes and the seconds rounded, 60 s carried into the
    // minutes, 60 min into the hours and 24 h to 0 h.
    explicit TRightAscension(double decimalHours);

    // Carries seconds into minutes and minutes into hours (16-bit arithmetic), sets Value and
    // takes the hours from it (25 h becomes 1 h, 24 h stays 24 h).
    void SetHms(std::uint16_t h, std::uint16_t m, std::uint16_t s);

    // Value into [0, 360].
    void Normalize();

    // The fields, or, while FromValue is set, the truncated parts of Value / 15.
    std::uint16_t GetHours() const;
    std::uint16_t GetMinutes() const;
    std::uint16_t GetSeconds() const;

    // Degrees (hours x 15).
    double GetValue() const;

    // H hrs M' S", e.g. 19 hrs 59' 28".
    std::string ToText() const;

    std::uint16_t Hours = 0, Minutes = 0, Seconds = 0;
    double Value = 0.0;
    bool FromValue = false;
};
