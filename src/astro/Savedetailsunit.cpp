#include "astro/Savedetailsunit.h"

#include "astro/Applydetailsunit.h"
#include "data/Filenameunit.h"
#include "data/Spectrumunit.h"

#include <stdexcept>

TSaveHeader GatherSaveHeader(const TDetailsState& details, double instant, double vlsr,
                             const std::string& description, bool corrected,
                             const QLocale& locale) {
    TSaveHeader header;
    header.FileName = CurrentFileName;
    header.Description = description;
    header.Coefficients = Coefficients;
    header.Corrected = corrected;
    header.Correlation = Correlation;
    header.Vlsr = vlsr;
    header.Ra = details.RightAscension().ToText();
    header.Dec = details.Declination().ToText(true);
    header.GLat = FileGLatitude.ToText(true);
    header.GLong = FileGLongitude.ToText(false);
    header.Latitude = details.SiteLatitude().ToText(true);
    header.Longitude = details.SiteLongitude().ToText(true);
    std::string error;
    if (!ParseElevation(details.Text(TDetailsField::edElev), header.Elevation, error, locale))
        throw std::invalid_argument(error);
    header.FileTime = FileTimeText(instant, locale);
    return header;
}
