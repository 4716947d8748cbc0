#include "session/Sessionunit.h"

#include "astro/Applydetailsunit.h"
#include "data/Filenameunit.h"

#include <stdexcept>
#include <utility>

void TSession::Read(const std::string& path) {
    TSpectrumFile file;
    file.Read(path);
    TGLatitude latitude = FileGLatitude;
    TGLongitude longitude = FileGLongitude;
    const bool positionInName = ParseFileName(file.FileName, latitude, longitude);

    Signal = std::move(file.Items);
    file.Items.clear();
    CurrentFileName = file.FileName;
    File = std::move(file);
    FileGLatitude = latitude;
    FileGLongitude = longitude;
    PositionInFileName = positionInName;
    AveragedFiles.clear();
    // The VLSR and the velocity-minus-VLSR axis were computed for the observation read before.
    VlsrForSpectrum = false;
}

void TSession::SelectXAxis(int mode) {
    ::SelectXAxis(mode, VelocitiesMinusVlsr, XValues);
}

void TSession::UseVlsr(double vlsr) {
    Vlsr = vlsr;
    VelocitiesMinusVlsr = VelocitiesMinusVlsrFor(vlsr);
    VlsrForSpectrum = true;
}

double TSession::Instant() const {
    return File ? File->FileDate + File->FileTime : 0.0;
}

TSaveHeader GatherSaveHeader(const TSession& session, const TDetailsState& dialog,
                             const std::string& description, bool corrected,
                             const QLocale& locale) {
    const TDetailsState& details = session.AppliedDetails ? *session.AppliedDetails : dialog;
    TSaveHeader header;
    header.FileName = session.CurrentFileName;
    header.AveragedFiles = session.AveragedFiles;
    header.Description = description;
    header.Coefficients = session.Coefficients;
    header.Corrected = corrected;
    header.Correlation = session.Correlation;
    header.Vlsr = session.VlsrForSpectrum ? session.Vlsr : 0.0;
    header.Ra = details.RightAscension().ToText();
    header.Dec = details.Declination().ToText(true);
    header.GLat = session.FileGLatitude.ToText(true);
    header.GLong = session.FileGLongitude.ToText(false);
    header.Latitude = details.SiteLatitude().ToText(true);
    header.Longitude = details.SiteLongitude().ToText(true);
    std::string error;
    if (!ParseElevation(details.Text(TDetailsField::edElev), header.Elevation, error, locale))
        throw std::invalid_argument(error);
    header.FileTime = FileTimeText(session.Instant(), locale);
    return header;
}
