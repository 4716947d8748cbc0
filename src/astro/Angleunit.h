// Angles in degrees, arc minutes and arc seconds.
//
// Every angle is held in the 0..360 form: a negative angle is stored as 360 minus its size
// (-2 deg 16' is 357.7333 deg), and only the signed text turns values above 180 back into a
// minus sign. TAngle keeps both the sexagesimal parts, as typed or as derived, and the decimal
// value in degrees; the two need not spell the same angle (see SetDms).
//
// The kinds TDeclination, TLatitude, TLongitude, TGLatitude (galactic latitude) and
// TGLongitude (galactic longitude) add nothing; they only tell the kinds apart.
#pragma once

#include <cstdint>
#include <string>

class TAbstractAngle {
public:
    virtual ~TAbstractAngle() = default;
};

class TAngle : public TAbstractAngle {
public:
    // 0 degrees, all fields 0.
    TAngle();

    // From whole parts; negative degrees give the 0..360 form (SetDms).
    TAngle(std::int16_t degrees, std::uint16_t minutes, std::uint16_t seconds);

    // From the texts of the three edit fields of an angle. A degrees text beginning with "-"
    // (after leading blanks) gives the negative angle, so "-0" with 30 minutes is 359.5 deg.
    // A text that is not an integer counts as 0; an empty or all-blank degrees text gives 0 deg.
    TAngle(const std::string& degrees, const std::string& minutes, const std::string& seconds);

    // From decimal degrees, brought into [0, 360) and cut to whole seconds by truncation;
    // Value becomes the truncated whole-second value.
    explicit TAngle(double degrees);

    // Carries seconds into minutes and minutes into degrees (16-bit arithmetic), brings the
    // degrees into 0..359 and stores the parts. Value = d + m/60 + s/3600, or, when the carried
    // degrees were negative, d - m/60 - s/3600 with d already in the 0..360 form.
    void SetDms(std::int16_t d, std::uint16_t m, std::uint16_t s);

    // Value into [0, 360).
    void Normalize();

    // Value := -Value in the 0..360 form; the parts follow the value, rounded to whole seconds.
    void Negate();

    // The fields, or, while FromValue is set, the parts of Value rounded to the nearest second.
    std::uint16_t GetDegrees() const;
    std::uint16_t GetMinutes() const;
    std::uint16_t GetSeconds() const;

    // D° M' S" from the fields (UTF-8 degree sign), e.g. 40° 44' 2". With isSigned and a Value
    // above 180: "-" and the parts of 360 - Value rounded to whole seconds.
    std::string ToText(bool isSigned) const;

    std::uint16_t Degrees = 0, Minutes = 0, Seconds = 0;
    double Value = 0.0;
    bool FromValue = false;
};

class TDeclination : public TAngle {
public:
    TDeclination() = default;
    explicit TDeclination(const TAngle& angle);
};

class TLatitude : public TAngle {
public:
    TLatitude() = default;
    explicit TLatitude(const TAngle& angle);
};

class TLongitude : public TAngle {
public:
    TLongitude() = default;
    explicit TLongitude(const TAngle& angle);
};

class TGLatitude : public TAngle {
public:
    TGLatitude() = default;
    explicit TGLatitude(const TAngle& angle);
};

class TGLongitude : public TAngle {
public:
    TGLongitude() = default;
    explicit TGLongitude(const TAngle& angle);
};

// Signed parts of an angle v in degrees (0..360 form) for the edit fields: values above 180 are
// taken as v - 360. Rounded to the nearest whole second. SignedDegrees carries the sign, so an
// angle between -1 and 0 deg gives 0 degrees without a sign.
int SignedDegrees(double v);
int SignedMinutes(double v);
int SignedSeconds(double v);

// The integer in text: optional leading blanks, an optional sign, decimal digits and nothing
// after, within the range of int; anything else gives defaultValue.
int TextToIntDef(const std::string& text, int defaultValue);
