// Data limits and graph limits of the spectrum plot.
//
// For each axis the smallest and largest data value are found, a tick step is chosen as the
// smallest power of ten (built by repeated multiplication of the double 1e-300 by 10, so the
// step near 0.1 is 0.09999999999999992) for which Divisions steps exceed the data range, and the
// lower limit is rounded down to a multiple of that step: min := floor(min / step) * step.
//
// Upper limit: rounded UP to a multiple of the step, with a tolerance. With q = max / step, if q
// lies within a relative 1e-9 of a whole number k, max := k * step (the step is not an exact
// power of ten, so 1421 / 0.09999999999999992 = 14210.000000000011 counts as 14210); otherwise
// max := ceil(q) * step. When k * step falls a few units of the last place below the data
// maximum (as 14210 steps do below 1421), the maximum itself is kept, so that the data never
// lie outside the graph; the grid still reaches it.
//
// Flat data (all values equal to v, range 0): the step is chosen as for a range of |v| (a range
// of 1 when v is 0), and the axis runs over the two steps around v: with k the whole number
// within tolerance of v / step (else floor(v / step)), min := (k - 1) * step and
// max := (k + 1) * step, so min < v < max.
//
// Absurd data: when the step search reaches 1e300 without success (a range of about 2e301 or
// more, infinite or NaN values, Divisions < 1) min and max stay the raw extremes and step keeps
// its last value. A rounded limit that would overflow is likewise left at the raw extreme, so
// the rounding never produces an infinity or a NaN of its own.
//
// Units: those of the data (the x unit of the current display mode; the signal's own unit).
#pragma once

#include <cstdint>
#include <vector>

struct TGraphLimits {
    std::int32_t Divisions = 0; // input: upper bound on the number of steps across a range
    double XMin = 0.0;          // lower x limit, a multiple of XStep
    double XMax = 0.0;          // upper x limit
    double YMin = 0.0;          // lower signal limit, a multiple of YStep
    double YMax = 0.0;          // upper signal limit
    double XStep = 0.0;         // x tick spacing
    double YStep = 0.0;         // signal tick spacing
};

// Fills XMin, XMax, XStep from x and then YMin, YMax, YStep from signal and returns true.
// Returns false, leaving the record unchanged, when x is empty or when x and signal differ in
// length.
bool GetGraphLimits(const std::vector<double>& x, const std::vector<double>& signal,
                    TGraphLimits& limits);

// Limits and tick step of one axis from its data, with limits.Divisions steps at most across the
// range. data must not be empty (an empty vector leaves min, max and step unchanged).
void RoundAxisLimits(const TGraphLimits& limits, const std::vector<double>& data, double& min,
                     double& max, double& step);
