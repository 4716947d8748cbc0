// Detailsstate: what the details dialog holds, as a value type without widgets.
//
// The dialog shows the observing site (from the station settings), the elevation and the
// epoch, and the source position twice: equatorial (right ascension, declination) and galactic
// (latitude, longitude). Each of the four position rows has a change rule: when the text of
// one of its three fields changes, the row's angle is rebuilt from the three texts and the
// other group is converted from it (one conversion per change). A conversion writes the other
// group's field texts without running their change rules, so it never echoes back.
//
// The dialog (TDetailsForm) is a thin view: it passes every edit to SetFieldText and shows the
// texts this state holds.
#pragma once

#include "astro/Angleunit.h"
#include "astro/Raunit.h"

#include <array>
#include <cstddef>
#include <string>

class TStationSettings;

// The dialog's edit fields; each enumerator is the field's control name.
enum class TDetailsField : int {
    // Site (station settings) and elevation.
    edLatDeg,
    edLatMin,
    edLatSec,
    edLongDeg,
    edLongMin,
    edLongSec,
    edElev,
    // Equatorial position.
    edRaHrs,
    edRaMin,
    edRaSec,
    edDecDeg,
    edDecMin,
    edDecSec,
    // Galactic position.
    edBiiDeg,
    edBiiMin,
    edBiiSec,
    edLiiDeg,
    edLiiMin,
    edLiiSec,
    // Epoch of the position, years.
    edEpoch,
};

constexpr std::size_t DetailsFieldCount = static_cast<std::size_t>(TDetailsField::edEpoch) + 1;

// The control name of a field ("edLatDeg", ...).
const char* DetailsFieldName(TDetailsField field);

// The conversion that a change ran.
enum class TDetailsUpdate {
    None,                 // the text did not change, or the field has no change rule
    EquatorialToGalactic, // the galactic fields and members were rewritten
    GalacticToEquatorial, // the equatorial fields and members were rewritten
};

class TDetailsState {
public:
    // All texts empty, all angles 0, right ascension as from 0.0 hours; conversions with the
    // J2000 constants. Only Create gives a state the dialog shows.
    TDetailsState() = default;

    // The state of a newly created dialog:
    // 1. the site fields get the station's latitude and longitude parts as plain integers,
    //    edElev its height in whole metres, edEpoch "1950" or "2000" by its equinox;
    // 2. SiteLatitude and SiteLongitude are built from those whole parts (negative degrees
    //    give the 0..360 form: -2 deg 17' 41" is 357.7053 deg; degrees stored as "-0" give
    //    the text "-0" and a negative angle);
    // 3. the galactic fields are set to "0" without conversion except edLiiSec, whose change
    //    converts, so the equatorial group shows the galactic centre.
    // Conversions use the 1950 constants when the station's EquinoxSelector is 0, else 2000.
    static TDetailsState Create(const TStationSettings& settings);

    // The station's site changed (File > Station settings): the site fields, SiteLatitude,
    // SiteLongitude and edElev as Create sets them. A change of equinox also sets edEpoch and
    // converts the galactic position to equatorial with the new constants (one conversion);
    // the position typed is kept otherwise.
    void SetSite(const TStationSettings& settings);

    // A field's text changed to text (typed or set by the program). For a position field
    // whose text differs, rebuilds that row's angle and runs exactly one conversion; site,
    // elevation and epoch fields only store the text. Returns the conversion that ran.
    TDetailsUpdate SetFieldText(TDetailsField field, const std::string& text);

    // Each showing of the dialog: when the last file's name carried a galactic position, the
    // galactic fields get its parts, latitude then longitude, degrees, minutes, seconds, each
    // as a change (so each changed field converts once more). Otherwise nothing changes.
    void FormShow(bool positionInFileName, const TGLatitude& latitude,
                  const TGLongitude& longitude);

    const std::string& Text(TDetailsField field) const {
        return Texts[static_cast<std::size_t>(field)];
    }

    // The values the main window reads after OK (degrees, 0..360 form; right ascension as
    // hours x 15). The site comes from the station settings at creation only.
    const TLatitude& SiteLatitude() const { return SiteLat; }
    const TLongitude& SiteLongitude() const { return SiteLong; }
    const TRightAscension& RightAscension() const { return Ra; }
    const TDeclination& Declination() const { return Dec; }
    const TGLatitude& GalLatitude() const { return GalLat; }
    const TGLongitude& GalLongitude() const { return GalLong; }

    // 0 for the 1950 constants, 1 for the 2000 constants.
    int EquinoxSet() const { return Equinox; }

    // Number of conversions run so far (both directions); a single edit adds exactly one.
    int ConversionCount() const { return Conversions; }

private:
    std::string& TextOf(TDetailsField field) { return Texts[static_cast<std::size_t>(field)]; }
    void EquatorialToGalacticUpdate();
    void GalacticToEquatorialUpdate();

    std::array<std::string, DetailsFieldCount> Texts;
    TLatitude SiteLat;
    TLongitude SiteLong;
    TRightAscension Ra;
    TDeclination Dec;
    TGLatitude GalLat;
    TGLongitude GalLong;
    int Equinox = 1;
    int Conversions = 0;
};
