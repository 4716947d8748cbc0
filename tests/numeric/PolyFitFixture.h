// The fit's test fixture: fits that keep their messages.
#pragma once

#include "numeric/Polyfitunit.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

// Fits that keep their messages, for a test to check that a fit said nothing.
class PolyFitTest : public ::testing::Test {
protected:
    double FitR(const TVector& x, const TVector& y, TVector& coefficients) {
        return Kept(FitPolynomial(x, y, coefficients));
    }
    double PolyFitR(const TVector& x, const TVector& y, TVector& coefficients) {
        TFitResult fit;
        fit.Correlation = PolyFit(x, y, coefficients, fit.Error);
        return Kept(fit);
    }
    double Kept(const TFitResult& fit) {
        if (!fit.Error.empty())
            Messages.push_back(fit.Error);
        return fit.Correlation;
    }

    std::vector<std::string> Messages;
    std::string Message; // of a solver called directly
};
