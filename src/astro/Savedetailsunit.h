// The header of a saved file gathered from the session: the program globals of the spectrum and
// its fit, the observation instant, and the details dialog's position, site and elevation.
#pragma once

#include "astro/Detailsstate.h"
#include "data/Saveunit.h"

#include <QLocale>
#include <string>

// Given:    details      the details dialog's state (position, site, elevation text)
//           instant      the observation's instant, FileDate + FileTime
//           vlsr         km/s, the VLSR computed for this observation; 0 when none was
//           description  the graph's title line
//           corrected    the baseline has been subtracted since the spectrum was read
// Returned: the record for SavedText: CurrentFileName, Coefficients, Correlation and the
//           file-name position (FileGLatitude, FileGLongitude) from the program globals.
//           Throws std::invalid_argument naming the text when the elevation is not a number
//           within its range (ParseElevation of astro/Applydetailsunit.h).
TSaveHeader GatherSaveHeader(const TDetailsState& details, double instant, double vlsr,
                             const std::string& description, bool corrected,
                             const QLocale& locale = QLocale());
