#include "numeric/Baselineunit.h"

#include <algorithm>

double EvaluatePolynomial(const std::vector<double>& coefficients, double x) {
    double sum = 0.0;
    double power = 1.0;
    for (double coefficient : coefficients) {
        sum += coefficient * power;
        power *= x;
    }
    return sum;
}

TBaselineSamples SamplesOutsideBand(const std::vector<double>& x, const std::vector<double>& signal,
                                    const std::function<int(double)>& toPixel, int left,
                                    int right) {
    const int lo = std::min(left, right), hi = std::max(left, right);
    const std::size_t count = std::min(x.size(), signal.size());
    TBaselineSamples samples;
    for (std::size_t i = 0; i < count; ++i) {
        const int px = toPixel(x[i]);
        if ((px < lo || px > hi) && signal[i] != 0.0) {
            samples.X.push_back(x[i]);
            samples.Y.push_back(signal[i]);
        }
    }
    return samples;
}

void SubtractPolynomial(std::vector<double>& signal, const std::vector<double>& x,
                        const std::vector<double>& coefficients) {
    const std::size_t count = std::min(x.size(), signal.size());
    for (std::size_t i = 0; i < count; ++i)
        if (signal[i] != 0.0)
            signal[i] -= EvaluatePolynomial(coefficients, x[i]);
}
