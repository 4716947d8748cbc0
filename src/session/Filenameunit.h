// The galactic position carried by a spectrum file's name.
//
// Form: 'G', the galactic latitude as degrees[.minutes[.seconds]] (the degrees may carry a
// minus sign), '_', an optional 'm' for a negative longitude, the galactic longitude in the
// same form, then the rest of the name. The extension's dot counts as a separator, so
// "G5.30_m120.15.dat" is latitude 5° 30', longitude -120° 15', while "G5.30_m120.dat" holds
// no complete position.
#pragma once

#include "astro/Angleunit.h"

#include <string>

// Reads the position from name into latitude and longitude. Returns false as soon as the name
// turns out not to carry a complete position; a latitude already read stays in latitude.
bool ParseFileName(const std::string& name, TGLatitude& latitude, TGLongitude& longitude);
