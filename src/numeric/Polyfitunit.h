// Polyfitunit: least-squares polynomial fit by the normal equations, solved by Gauss-Jordan
// elimination with full pivoting.
//
// Coefficients run in ascending powers: the fitted value at x is
//   c[0] + c[1] x + c[2] x^2 + ... + c[m-1] x^(m-1),
// the number of terms m being the length of the coefficient vector on entry. The result of a
// fit is the correlation coefficient R = sqrt(1 - SSE/SST) (0..1), or -1.0 on failure; SST is
// summed from y centred on its mean, so that it stays sound for a nearly constant y.
//
// A failed fit says why in one message (bad arguments, singular normal matrix), returned with
// its correlation; the windowed program shows it in a warning box captioned "PolyFit
// Exception", the batch in the file's error. Floating-point overflow,
// division by zero and invalid operations during a fit raise EFloatingPointError out of
// PolyFit and the solver; FitPolynomial catches it and retries once on data rescaled to
// [0, 1].
//
// Reference: W. H. Press et al., Numerical Recipes, "gaussj" (Gauss-Jordan elimination with
// full pivoting) and the general linear least-squares normal equations.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

using TVector = std::vector<double>;
using TMatrix = std::vector<std::vector<double>>; // rows, indexed [row][column]

// The n x m design matrix of a fit as one block, row after row: the m powers of point k stand
// at [k * m, k * m + m). One block rather than n rows keeps the fit to a handful of
// allocations and its sums running over adjacent memory.
using TDesignMatrix = std::vector<double>;

// Per elimination step i: [i][0] pivot row, [i][1] pivot column; [i][2] the use counter of
// column (and row) i: -1 unused, 0 used once as pivot, > 0 chosen more than once.
using TPivotTable = std::vector<std::array<std::int32_t, 3>>;

// The outcome of a fit: R (0..1), or -1.0 on failure; Error says why a fit failed when it
// failed on its arguments or on a singular matrix ("" otherwise: an arithmetic error that the
// retry could not mend fails quietly).
struct TFitResult {
    double Correlation = -1.0;
    std::string Error; // why the fit failed (the correlation is then -1); empty on success
};

// Raised when a fit meets floating-point overflow, division by zero or an invalid operation.
// Detection: the floating-point status flags (FE_OVERFLOW, FE_DIVBYZERO, FE_INVALID) are
// cleared at the start of a fit and tested after every stage, and every stage's results are
// also checked for infinities and NaNs.
class EFloatingPointError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Fits the polynomial to (x, y); on an arithmetic error retries once on data rescaled to
// [0, 1] and converts the coefficients back. Returns R, or -1.0 with the reason. x and y are
// never changed;
// coefficients are written only by a successful solve (and by the conversion of the retry).
// The caller's floating-point status flags are left as they were.
TFitResult FitPolynomial(const TVector& x, const TVector& y, TVector& coefficients);

// The fits of 1 to maxTerms terms to (x, y): results[k - 1] and coefficients[k - 1] (k entries)
// are what FitPolynomial(x, y, c) with c of k zeros gives, for k = 1 .. maxTerms. The normal
// equations of k terms are the leading k x k block of those of maxTerms, summed in the same
// order, so one design matrix and one set of sums serve every fit. A fit that meets an arithmetic
// error, and every fit of arguments PolyFit refuses, is left to FitPolynomial itself. The caller's
// floating-point status flags are left as they were.
std::vector<TFitResult> FitPolynomials(const TVector& x, const TVector& y, int maxTerms,
                                       std::vector<TVector>& coefficients);

// The fit proper. Returns -1.0 with message set after an argument error or the solver's
// singular-matrix error; raises EFloatingPointError on an arithmetic error.
double PolyFit(const TVector& x, const TVector& y, TVector& coefficients, std::string& message);

// normal (m x m) := design^T design, rhs (m) := design^T y, for the n x m design matrix.
// One pass over the points, in ascending order, adds each point's products to every sum, which
// starts from 0.0. The lower triangle is summed; the upper one is its mirror.
void BuildNormalEquations(const TDesignMatrix& design, const TVector& y, TMatrix& normal, int m,
                          int n, TVector& rhs);

// Solves a s = b for the n x n matrix a; writes s into the first n elements of solution
// (which must already hold n elements) and leaves the inverse of a in a. Returns false, with
// message set, for a singular matrix.
bool GaussJordan(TMatrix& a, const TVector& b, TVector& solution, std::string& message);

// Gauss-Jordan elimination with full pivoting and one right-hand side. Copies b into column 0
// of bWork (n rows, at least one column), reduces a in place to its inverse with the columns
// still permuted, leaves the solution in column 0 of bWork and records the pivots (pivots
// needs n rows). Pivot search is row-major and takes the first strictly largest magnitude.
// Returns false, with message set, for a singular matrix.
bool GaussJordan2(TMatrix& a, const TVector& b, TMatrix& bWork, TPivotTable& pivots,
                  std::string& message);

// Finds the extremes of x and y and maps x to (x - xMin)/(xMax - xMin) and y likewise, in
// place, for every index below the length of x. An empty x leaves everything unchanged.
void NormalizeToUnitRange(TVector& x, TVector& y, double& xMin, double& xMax, double& yMin,
                          double& yMax);

// Turns coefficients fitted to u = (x - xMin)/(xMax - xMin), v = (y - yMin)/(yMax - yMin)
// into coefficients of the same polynomial in x and y (same number of terms).
void RescaleCoefficients(TVector& coefficients, double yMax, double yMin, double xMax, double xMin);

// x^k by repeated multiplication from 1.0; a negative k multiplies |k| times by 1/x.
double IntPower(double x, int k);
