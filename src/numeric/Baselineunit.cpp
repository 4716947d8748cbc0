#include "numeric/Baselineunit.h"

#include "numeric/Numbertextunit.h"

#include <algorithm>

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

TSpinText ReadSpinText(const std::string& text) {
    std::size_t begin = text.find_first_not_of(' ');
    const std::size_t end = text.find_last_not_of(' ');
    if (begin == std::string::npos)
        return {};
    const bool negative = text[begin] == '-';
    if (text[begin] == '-' || text[begin] == '+')
        ++begin;
    if (begin > end)
        return {};
    long long value = 0;
    for (std::size_t i = begin; i <= end; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return {};
        value = value * 10 + (text[i] - '0');
        if (value > 2147483648LL)
            return {};
    }
    if (negative)
        value = -value;
    if (value > 2147483647LL)
        return {};
    return {static_cast<int>(value), true};
}

std::vector<std::string> CoefficientLines(const std::vector<double>& coefficients,
                                          double correlation) {
    if (!(correlation > 0.0))
        return {"Error calculating polynomial"};
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < coefficients.size(); ++i) {
        const double c = coefficients[i];
        lines.push_back("a" + std::to_string(i) + " = " + (c > 0.0 ? " " : "") + FloatToText(c));
    }
    return lines;
}

bool TSubtractionHistory::Undo(std::vector<double>& signal) {
    if (Before.empty())
        return false;
    signal = std::move(Before.back());
    Before.pop_back();
    return true;
}
