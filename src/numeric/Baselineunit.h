// The baseline of a spectrum: a polynomial in the plotted x values, fitted to the samples
// outside a band that holds the line, and subtracted from the signal.
//
// A signal value of exactly 0 counts as missing: it is never fitted and never changed.
// Where the x values and the signal differ in length, only their common length takes part.
#pragma once

#include <functional>
#include <string>
#include <vector>

// The polynomial sum of c_i x^i, i = 0 .. n-1 in that order, x^i formed by i successive
// multiplications of 1 by x.
// Given:    coefficients  c_0 .. c_(n-1), lowest power first (empty gives 0)
//           x             in the unit of the axis the polynomial was fitted on
// Returned: the polynomial's value, in the signal's unit
// Inline: the fits evaluate it at every channel, where a call cost as much as the sum.
inline double EvaluatePolynomial(const std::vector<double>& coefficients, double x) {
    double sum = 0.0;
    double power = 1.0;
    for (double coefficient : coefficients) {
        sum += coefficient * power;
        power *= x;
    }
    return sum;
}

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

// The number typed into the coefficient spin edit.
struct TSpinText {
    int Value = 0;          // the text's integer, or 0 when it is not one
    bool IsInteger = false; // false: the edit's text is to be replaced by "0"
};
// Given: text, an optional sign and decimal digits, blanks around them allowed; the value must
// fit 32 bits. Anything else, the empty text included, is not an integer.
TSpinText ReadSpinText(const std::string& text);

// The memo's lines for a fit: "a<i> = " and the coefficient in the general number format, with
// one extra blank before a positive value so that it lines up with the minus sign of a
// negative one; or the single line "Error calculating polynomial" when correlation is not
// positive (a failed fit gives -1).
std::vector<std::string> CoefficientLines(const std::vector<double>& coefficients,
                                          double correlation);

// The signals before each subtraction since the spectrum was read, so that subtractions can be
// undone one at a time back to the spectrum as read.
class TSubtractionHistory {
public:
    void Clear() { Before.clear(); }
    // Keeps signal as it is now, before a subtraction.
    void Push(const std::vector<double>& signal) { Before.push_back(signal); }
    bool CanUndo() const { return !Before.empty(); }
    // Puts back the signal before the last subtraction. Returned: false when there was none.
    bool Undo(std::vector<double>& signal);
    // Whether the signal still holds a subtraction.
    bool Corrected() const { return !Before.empty(); }
    // The signal before the first subtraction; null when there was none.
    const std::vector<double>* Original() const {
        return Before.empty() ? nullptr : &Before.front();
    }

private:
    std::vector<std::vector<double>> Before;
};
