#include "session/Detailsstate.h"

#include "astro/Galeqeclunit.h"
#include "settings/Globalunit.h"

#include <cstdint>

namespace {

const char* const FieldNames[DetailsFieldCount] = {
    "edLatDeg", "edLatMin", "edLatSec", "edLongDeg", "edLongMin", "edLongSec", "edElev",
    "edRaHrs",  "edRaMin",  "edRaSec",  "edDecDeg",  "edDecMin",  "edDecSec",  "edBiiDeg",
    "edBiiMin", "edBiiSec", "edLiiDeg", "edLiiMin",  "edLiiSec",  "edEpoch"};

// The four position rows, each with a change rule shared by its three fields.
enum class TRow { None, RightAscension, Declination, GalLatitude, GalLongitude };

TRow RowOf(TDetailsField field) {
    switch (field) {
    case TDetailsField::edRaHrs:
    case TDetailsField::edRaMin:
    case TDetailsField::edRaSec:
        return TRow::RightAscension;
    case TDetailsField::edDecDeg:
    case TDetailsField::edDecMin:
    case TDetailsField::edDecSec:
        return TRow::Declination;
    case TDetailsField::edBiiDeg:
    case TDetailsField::edBiiMin:
    case TDetailsField::edBiiSec:
        return TRow::GalLatitude;
    case TDetailsField::edLiiDeg:
    case TDetailsField::edLiiMin:
    case TDetailsField::edLiiSec:
        return TRow::GalLongitude;
    default:
        return TRow::None;
    }
}

struct TPartTexts {
    std::string Degrees, Minutes, Seconds;
};

// The fields of a latitude-like angle (declination, galactic latitude): values above 180 as
// negative degrees. Between -1 and 0 deg the degrees read "-0": a plain "0" would lose the
// sign, and the next edit of the row would read the angle back as positive.
TPartTexts SignedPartTexts(const TAngle& angle) {
    const double v = angle.Value;
    if (v <= 180.0) {
        return {std::to_string(angle.GetDegrees()), std::to_string(angle.GetMinutes()),
                std::to_string(angle.GetSeconds())};
    }
    const int degrees = SignedDegrees(v);
    const int minutes = SignedMinutes(v);
    const int seconds = SignedSeconds(v);
    const bool negativeZero = degrees == 0 && (minutes != 0 || seconds != 0);
    return {negativeZero ? "-0" : std::to_string(degrees), std::to_string(minutes),
            std::to_string(seconds)};
}

std::int16_t ToSmallInt(std::int32_t x) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<std::uint32_t>(x)));
}

std::uint16_t ToWord(std::int32_t x) {
    return static_cast<std::uint16_t>(static_cast<std::uint32_t>(x));
}

// The degrees text of a site angle: "-0" for one less than 1 degree south or west.
std::string SiteDegreesText(std::int32_t degrees, bool minusZero) {
    return degrees == 0 && minusZero ? "-0" : std::to_string(degrees);
}

// The site angle of the station's whole parts, so a negative degrees value gives the 0..360
// form; "-0" degrees negate the angle as the text "-0" in a field would.
TAngle SiteAngle(std::int32_t degrees, std::int32_t minutes, std::int32_t seconds, bool minusZero) {
    TAngle angle(ToSmallInt(degrees), ToWord(minutes), ToWord(seconds));
    if (degrees == 0 && minusZero)
        angle.Negate();
    return angle;
}

} // namespace

const char* DetailsFieldName(TDetailsField field) {
    const auto index = static_cast<std::size_t>(field);
    return index < DetailsFieldCount ? FieldNames[index] : "";
}

TDetailsState TDetailsState::Create(const TStationSettings& settings) {
    TDetailsState state;
    state.Equinox = settings.EquinoxSelector == 0 ? 0 : 1;
    state.SetSite(settings);
    state.TextOf(TDetailsField::edEpoch) = state.Equinox == 0 ? "1950" : "2000";

    // Galactic (0, 0) without conversions, then one change that converts it: the equatorial
    // group opens on the galactic centre.
    for (TDetailsField field :
         {TDetailsField::edBiiDeg, TDetailsField::edBiiMin, TDetailsField::edBiiSec,
          TDetailsField::edLiiDeg, TDetailsField::edLiiMin})
        state.TextOf(field) = "0";
    state.SetFieldText(TDetailsField::edLiiSec, "0");
    return state;
}

void TDetailsState::SetSite(const TStationSettings& settings) {
    const int equinox = settings.EquinoxSelector == 0 ? 0 : 1;
    TextOf(TDetailsField::edLatDeg) = SiteDegreesText(settings.LatDegrees, settings.LatMinusZero);
    TextOf(TDetailsField::edLatMin) = std::to_string(settings.LatMinutes);
    TextOf(TDetailsField::edLatSec) = std::to_string(settings.LatSeconds);
    TextOf(TDetailsField::edLongDeg) =
        SiteDegreesText(settings.LongDegrees, settings.LongMinusZero);
    TextOf(TDetailsField::edLongMin) = std::to_string(settings.LongMinutes);
    TextOf(TDetailsField::edLongSec) = std::to_string(settings.LongSeconds);
    TextOf(TDetailsField::edElev) = std::to_string(settings.Height);
    SiteLat = TLatitude(SiteAngle(settings.LatDegrees, settings.LatMinutes, settings.LatSeconds,
                                  settings.LatMinusZero));
    SiteLong = TLongitude(SiteAngle(settings.LongDegrees, settings.LongMinutes,
                                    settings.LongSeconds, settings.LongMinusZero));
    if (equinox == Equinox)
        return;
    // The galactic position is the same in either equinox; the equatorial one is not, so it is
    // what the new constants convert afresh.
    Equinox = equinox;
    TextOf(TDetailsField::edEpoch) = Equinox == 0 ? "1950" : "2000";
    GalacticToEquatorialUpdate();
}

TDetailsUpdate TDetailsState::SetFieldText(TDetailsField field, const std::string& text) {
    std::string& current = TextOf(field);
    if (current == text)
        return TDetailsUpdate::None;
    current = text;

    switch (RowOf(field)) {
    case TRow::RightAscension:
        Ra = TRightAscension(Text(TDetailsField::edRaHrs), Text(TDetailsField::edRaMin),
                             Text(TDetailsField::edRaSec));
        EquatorialToGalacticUpdate();
        return TDetailsUpdate::EquatorialToGalactic;
    case TRow::Declination:
        Dec = TDeclination(TAngle(Text(TDetailsField::edDecDeg), Text(TDetailsField::edDecMin),
                                  Text(TDetailsField::edDecSec)));
        EquatorialToGalacticUpdate();
        return TDetailsUpdate::EquatorialToGalactic;
    case TRow::GalLatitude:
        GalLat = TGLatitude(TAngle(Text(TDetailsField::edBiiDeg), Text(TDetailsField::edBiiMin),
                                   Text(TDetailsField::edBiiSec)));
        GalacticToEquatorialUpdate();
        return TDetailsUpdate::GalacticToEquatorial;
    case TRow::GalLongitude:
        GalLong = TGLongitude(TAngle(Text(TDetailsField::edLiiDeg), Text(TDetailsField::edLiiMin),
                                     Text(TDetailsField::edLiiSec)));
        GalacticToEquatorialUpdate();
        return TDetailsUpdate::GalacticToEquatorial;
    case TRow::None:
        break;
    }
    return TDetailsUpdate::None;
}

void TDetailsState::EquatorialToGalacticUpdate() {
    ++Conversions;
    const TSkyPosition galactic =
        TransformCoordinates({Dec.Value, Ra.GetValue()}, EquatorialToGalactic, Equinox);
    GalLat = TGLatitude(TAngle(galactic.Latitude));
    GalLong = TGLongitude(TAngle(galactic.Longitude));

    // Written directly: the galactic rows' change rules do not run.
    const TPartTexts latitude = SignedPartTexts(GalLat);
    TextOf(TDetailsField::edBiiDeg) = latitude.Degrees;
    TextOf(TDetailsField::edBiiMin) = latitude.Minutes;
    TextOf(TDetailsField::edBiiSec) = latitude.Seconds;
    TextOf(TDetailsField::edLiiDeg) = std::to_string(GalLong.GetDegrees());
    TextOf(TDetailsField::edLiiMin) = std::to_string(GalLong.GetMinutes());
    TextOf(TDetailsField::edLiiSec) = std::to_string(GalLong.GetSeconds());
}

void TDetailsState::GalacticToEquatorialUpdate() {
    ++Conversions;
    const TSkyPosition equatorial =
        TransformCoordinates({GalLat.Value, GalLong.Value}, GalacticToEquatorial, Equinox);
    Ra = TRightAscension(equatorial.Longitude * (1.0 / 15.0));
    Dec = TDeclination(TAngle(equatorial.Latitude));

    // Written directly: the equatorial rows' change rules do not run.
    TextOf(TDetailsField::edRaHrs) = std::to_string(Ra.GetHours());
    TextOf(TDetailsField::edRaMin) = std::to_string(Ra.GetMinutes());
    TextOf(TDetailsField::edRaSec) = std::to_string(Ra.GetSeconds());
    const TPartTexts declination = SignedPartTexts(Dec);
    TextOf(TDetailsField::edDecDeg) = declination.Degrees;
    TextOf(TDetailsField::edDecMin) = declination.Minutes;
    TextOf(TDetailsField::edDecSec) = declination.Seconds;
}

void TDetailsState::FormShow(bool positionInFileName, const TGLatitude& latitude,
                             const TGLongitude& longitude) {
    if (!positionInFileName)
        return;
    SetFieldText(TDetailsField::edBiiDeg, std::to_string(latitude.GetDegrees()));
    SetFieldText(TDetailsField::edBiiMin, std::to_string(latitude.GetMinutes()));
    SetFieldText(TDetailsField::edBiiSec, std::to_string(latitude.GetSeconds()));
    SetFieldText(TDetailsField::edLiiDeg, std::to_string(longitude.GetDegrees()));
    SetFieldText(TDetailsField::edLiiMin, std::to_string(longitude.GetMinutes()));
    SetFieldText(TDetailsField::edLiiSec, std::to_string(longitude.GetSeconds()));
}
