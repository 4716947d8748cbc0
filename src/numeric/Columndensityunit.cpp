#include "numeric/Columndensityunit.h"

#include <cmath>

TColumnDensity ColumnDensityOf(double integral, std::optional<double> uncertainty,
                               std::optional<double> kelvinPerCount) {
    TColumnDensity n;
    if (!kelvinPerCount || !(*kelvinPerCount > 0.0)) {
        n.Note = "no calibration: set kelvin per count in the station settings";
        return n;
    }
    const double perUnit = HiColumnPerKelvinKms * *kelvinPerCount;
    n.Value = perUnit * integral;
    if (uncertainty)
        n.Uncertainty = perUnit * std::fabs(*uncertainty);
    return n;
}
