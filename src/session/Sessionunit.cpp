#include "session/Sessionunit.h"

#include "session/Applydetailsunit.h"
#include "session/Filenameunit.h"

#include <algorithm>
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
    // A fit, and what the dialog offered, belong to the spectrum they were made for: kept, they
    // would be shown and saved as this spectrum's.
    std::fill(Coefficients.begin(), Coefficients.end(), 0.0);
    Correlation = 0.0;
    OfferedDetails.reset();
}

void TSession::SelectXAxis(int mode) {
    ::SelectXAxis(mode, VelocitiesMinusVlsr, XValues);
}

void TSession::UseVlsr(double vlsr) {
    Vlsr = vlsr;
    VelocitiesMinusVlsr = VelocitiesMinusVlsrFor(vlsr);
    VlsrForSpectrum = true;
    VlsrFileName = CurrentFileName;
}

const TDetailsState& TSession::DetailsOfSpectrum(const TDetailsState& dialog) const {
    // The details applied to a spectrum read before, or edits abandoned with No, never
    // describe this one.
    if (VlsrForSpectrum && AppliedDetails)
        return *AppliedDetails;
    return OfferedDetails ? *OfferedDetails : dialog;
}

double TSession::Instant() const {
    return File ? File->FileDate + File->FileTime : 0.0;
}

TSaveHeader GatherSaveHeader(const TSession& session, const TDetailsState& dialog,
                             const std::string& description, bool corrected,
                             const QLocale& locale) {
    const TDetailsState& details = session.DetailsOfSpectrum(dialog);
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
    // The galactic lines come from the same details as Ra and Dec, not from the file's name:
    // typed or kept positions would otherwise save two places as one.
    header.GLat = details.GalLatitude().ToText(true);
    header.GLong = details.GalLongitude().ToText(false);
    header.Latitude = details.SiteLatitude().ToText(true);
    header.Longitude = details.SiteLongitude().ToText(true);
    std::string error;
    if (!ParseElevation(details.Text(TDetailsField::edElev), header.Elevation, error, locale))
        throw std::invalid_argument(error);
    header.FileTime = FileTimeText(session.Instant(), locale);
    return header;
}
