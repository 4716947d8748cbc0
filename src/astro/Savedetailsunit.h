// The header of a saved file gathered from the session: the program globals of the spectrum and
// its fit, the observation instant, and the details dialog's position, site and elevation.
#pragma once

#include "astro/Detailsstate.h"
#include "data/Saveunit.h"

#include <QLocale>
#include <string>

// Given:    details      the details dialog's state (position, site, elevation text)
//           instant      the observation's instant, FileDate + FileTime
//           description  the graph's title line
//           corrected    the baseline has been subtracted since the spectrum was read
// Returned: the record for SavedText: CurrentFileName, Coefficients, Correlation, Vlsr and the
//           file-name position (FileGLatitude, FileGLongitude) from the program globals.
//           Throws std::invalid_argument naming the text when the elevation is not a number.
TSaveHeader GatherSaveHeader(const TDetailsState& details, double instant,
                             const std::string& description, bool corrected,
                             const QLocale& locale = QLocale());
