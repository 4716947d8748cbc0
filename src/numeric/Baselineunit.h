// The baseline of a spectrum: a polynomial in the plotted x values, fitted to the samples
// outside a band that holds the line, and subtracted from the signal.
//
// A signal value of exactly 0 counts as missing: it is never fitted and never changed.
// Where the x values and the signal differ in length, only their common length takes part.
#pragma once

#include <functional>
#include <vector>

// The polynomial sum of c_i x^i, i = 0 .. n-1 in that order, x^i formed by i successive
// multiplications of 1 by x.
// Given:    coefficients  c_0 .. c_(n-1), lowest power first (empty gives 0)
//           x             in the unit of the axis the polynomial was fitted on
// Returned: the polynomial's value, in the signal's unit
double EvaluatePolynomial(const std::vector<double>& coefficients, double x);

// The samples to fit: those whose pixel column lies outside the band and whose signal is not 0.
struct TBaselineSamples {
    std::vector<double> X, Y;
};

// Given:    x, signal  the plotted x values and the signal, paired by index
//           toPixel    the pixel column of an x value
//           left,right the band's two edge columns, in either order; a sample on an edge
//                      column counts as inside
// Returned: the samples outside the band with a non-zero signal, in channel order
TBaselineSamples SamplesOutsideBand(const std::vector<double>& x, const std::vector<double>& signal,
                                    const std::function<int(double)>& toPixel, int left, int right);

// signal[i] -= polynomial(x[i]) for every channel with a non-zero signal.
void SubtractPolynomial(std::vector<double>& signal, const std::vector<double>& x,
                        const std::vector<double>& coefficients);
