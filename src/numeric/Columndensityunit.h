// Columndensityunit: the column density of neutral hydrogen from the integral of a 21-cm line's
// brightness temperature.
//
// N(HI) = 1.823e18 cm^-2 x integral of T_B dv (K km/s): exact for gas that is optically thin
// (tau << 1); where the line is optically thick it gives a lower limit.
// Reference: J. M. Dickey and F. J. Lockman, ARA&A 28 (1990) 215, eq. 3; K. Rohlfs and
// T. L. Wilson, Tools of Radio Astronomy (the chapter on the 21-cm line of neutral hydrogen).
#pragma once

#include <optional>
#include <string>

// cm^-2 per K km/s.
constexpr double HiColumnPerKelvinKms = 1.823e18;

struct TColumnDensity {
    std::optional<double> Value;       // cm^-2
    std::optional<double> Uncertainty; // cm^-2, 1 sigma, from the integral's noise alone
    std::string Note;                  // why there is none; empty when there is
};

// Given:    integral        of the signal over velocity, signal units x km/s
//           uncertainty     of the integral, same units, 1 sigma (none when unknown)
//           kelvinPerCount  the calibration: kelvin of brightness temperature per signal unit;
//                           none when the station has none
// Returned: the column density and its uncertainty (the calibration's own error not
//           included), or a note that the calibration is missing.
TColumnDensity ColumnDensityOf(double integral, std::optional<double> uncertainty,
                               std::optional<double> kelvinPerCount);
