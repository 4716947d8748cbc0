#include "astro/Savedetailsunit.h"

#include "astro/Applydetailsunit.h"
#include "data/Filenameunit.h"
#include "data/Spectrumunit.h"

TSaveHeader GatherSaveHeader(const TDetailsState& details, double instant,
                             const std::string& description, bool corrected,
                             const QLocale& locale) {
    TSaveHeader header;
    header.FileName = CurrentFileName;
    header.Description = description;
    header.Coefficients = Coefficients;
    header.Corrected = corrected;
    header.Correlation = Correlation;
    header.Vlsr = Vlsr;
    header.Ra = details.RightAscension().ToText();
    header.Dec = details.Declination().ToText(true);
    header.GLat = FileGLatitude.ToText(true);
    header.GLong = FileGLongitude.ToText(false);
    header.Latitude = details.SiteLatitude().ToText(true);
    header.Longitude = details.SiteLongitude().ToText(true);
    header.Elevation = ElevationFromText(details.Text(TDetailsField::edElev));
    header.FileTime = FileTimeText(instant, locale);
    return header;
}
