// The baseline workflow: the number of coefficients, the band, the fit and its subtraction.
#include "app/Unit1.h"

#include "data/Spectrumunit.h"
#include "numeric/Baselineunit.h"

#include <QSpinBox>
#include <algorithm>

void TForm1::CSpinEdit1Change() {
    Coefficients.resize(static_cast<std::size_t>(std::max(0, CSpinEdit1->value())), 0.0);
}

double TForm1::EvaluatePolynomial(double x) const {
    return ::EvaluatePolynomial(Coefficients, x);
}

void TForm1::miSubtractClick() {
    SubtractPolynomial(Signal, XValues, Coefficients);
    Corrected = true;
    if (!DrawSpectrum()) {
        ShowStatusMessage("Error finding data limits");
        Corrected = false;
    }
}
