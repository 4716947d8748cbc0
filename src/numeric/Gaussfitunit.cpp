#include "numeric/Gaussfitunit.h"

#include <gsl/gsl_blas.h>
#include <gsl/gsl_errno.h>
#include <gsl/gsl_matrix.h>
#include <gsl/gsl_multifit_nlinear.h>
#include <gsl/gsl_vector.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <mutex>

namespace {

constexpr double FourLn2 = 2.772588722239781; // 4 ln 2
constexpr int MaxIterations = 200;
// The solver stops when a step changes no parameter by more than this relative amount, or when
// the scaled gradient falls below GradientTolerance (tighter ones meet the rounding errors and
// are never reached).
constexpr double StepTolerance = 1e-6;
constexpr double GradientTolerance = 1e-6;

// GSL's default error handler aborts the program; its functions' status codes are checked
// instead.
void QuietGsl() {
    static std::once_flag once;
    std::call_once(once, [] { gsl_set_error_handler_off(); });
}

// The channels with a signal.
struct TData {
    std::vector<double> X, Y;
    double Width = 0.0; // the channels' mean spacing, x units
    double Low = 0.0, High = 0.0;
};

// What a fit's model and Jacobian need: the data, and each component's exponential at each
// channel for the parameters last evaluated (the solver asks for the Jacobian at the point
// whose residuals it has just had: the exponentials, most of the work, are then reused).
struct TProblem {
    const TData& Data;
    std::vector<double> Parameters;
    std::vector<double> Exponentials; // [channel * components + component]

    const std::vector<double>& At(const gsl_vector* p) {
        const std::size_t k = p->size / 3;
        bool same = Parameters.size() == p->size;
        for (std::size_t j = 0; same && j < p->size; ++j)
            same = Parameters[j] == gsl_vector_get(p, j);
        if (same)
            return Exponentials;
        Parameters.resize(p->size);
        for (std::size_t j = 0; j < p->size; ++j)
            Parameters[j] = gsl_vector_get(p, j);
        Exponentials.resize(Data.X.size() * k);
        for (std::size_t i = 0; i < Data.X.size(); ++i)
            for (std::size_t c = 0; c < k; ++c) {
                const double u = (Data.X[i] - Parameters[3 * c + 1]) / Parameters[3 * c + 2];
                Exponentials[i * k + c] = std::exp(-FourLn2 * u * u);
            }
        return Exponentials;
    }
};

TData Usable(const std::vector<double>& x, const std::vector<double>& y) {
    TData d;
    const std::size_t n = std::min(x.size(), y.size());
    for (std::size_t i = 0; i < n; ++i)
        if (y[i] != 0.0 && std::isfinite(y[i]) && std::isfinite(x[i])) {
            d.X.push_back(x[i]);
            d.Y.push_back(y[i]);
        }
    if (n >= 2)
        d.Width = std::fabs(x[n - 1] - x[0]) / static_cast<double>(n - 1);
    if (!d.X.empty()) {
        const auto [low, high] = std::minmax_element(d.X.begin(), d.X.end());
        d.Low = *low;
        d.High = *high;
    }
    return d;
}

int Residuals(const gsl_vector* p, void* problem, gsl_vector* f) {
    TProblem& q = *static_cast<TProblem*>(problem);
    const TData& d = q.Data;
    const std::vector<double>& exponentials = q.At(p);
    const std::size_t k = p->size / 3;
    for (std::size_t i = 0; i < d.X.size(); ++i) {
        double model = 0.0;
        for (std::size_t c = 0; c < k; ++c)
            model += gsl_vector_get(p, 3 * c) * exponentials[i * k + c];
        gsl_vector_set(f, i, model - d.Y[i]);
    }
    return GSL_SUCCESS;
}

int Jacobian(const gsl_vector* p, void* problem, gsl_matrix* jacobian) {
    TProblem& q = *static_cast<TProblem*>(problem);
    const TData& d = q.Data;
    const std::vector<double>& exponentials = q.At(p);
    const std::size_t k = p->size / 3;
    for (std::size_t i = 0; i < d.X.size(); ++i)
        for (std::size_t c = 0; c < k; ++c) {
            const double a = gsl_vector_get(p, 3 * c), centre = gsl_vector_get(p, 3 * c + 1);
            const double fwhm = gsl_vector_get(p, 3 * c + 2);
            const double dx = d.X[i] - centre;
            const double e = exponentials[i * k + c];
            gsl_matrix_set(jacobian, i, 3 * c, e);
            gsl_matrix_set(jacobian, i, 3 * c + 1, a * e * 2.0 * FourLn2 * dx / (fwhm * fwhm));
            gsl_matrix_set(jacobian, i, 3 * c + 2,
                           a * e * 2.0 * FourLn2 * dx * dx / (fwhm * fwhm * fwhm));
        }
    return GSL_SUCCESS;
}

struct TSolved {
    std::vector<TGaussComponent> Components;
    double Ssr = 0.0;
    std::string Error;
};

double SumOfSquares(const std::vector<double>& y) {
    double sum = 0.0;
    for (double v : y)
        sum += v * v;
    return sum;
}

// The least-squares fit from start.
TSolved Solve(const TData& d, const std::vector<TGaussComponent>& start, double noiseWidth) {
    QuietGsl();
    TSolved solved;
    const std::size_t n = d.X.size(), p = 3 * start.size();
    if (n <= p) {
        solved.Error = "too few channels (" + std::to_string(n) + ") for " +
                       std::to_string(start.size()) + " components";
        return solved;
    }
    gsl_multifit_nlinear_fdf fdf{};
    fdf.f = Residuals;
    fdf.df = Jacobian;
    fdf.fvv = nullptr;
    fdf.n = n;
    fdf.p = p;
    TProblem problem{d, {}, {}};
    fdf.params = &problem;
    gsl_multifit_nlinear_parameters parameters = gsl_multifit_nlinear_default_parameters();
    // The normal equations (Cholesky of the p x p J^T J) rather than the default QR of the
    // n x p Jacobian: a few components' parameters are well conditioned, and each trial step
    // then costs p^3 rather than n p^2 (the batch's processor time per file with --gaussians auto
    // fell by a third).
    parameters.solver = gsl_multifit_nlinear_solver_cholesky;
    const std::unique_ptr<gsl_multifit_nlinear_workspace, void (*)(gsl_multifit_nlinear_workspace*)>
        work(gsl_multifit_nlinear_alloc(gsl_multifit_nlinear_trust, &parameters, n, p),
             gsl_multifit_nlinear_free);
    const std::unique_ptr<gsl_vector, void (*)(gsl_vector*)> initial(gsl_vector_alloc(p),
                                                                     gsl_vector_free);
    const std::unique_ptr<gsl_matrix, void (*)(gsl_matrix*)> covariance(gsl_matrix_alloc(p, p),
                                                                        gsl_matrix_free);
    if (!work || !initial || !covariance) {
        solved.Error = "out of memory";
        return solved;
    }
    for (std::size_t c = 0; c < start.size(); ++c) {
        gsl_vector_set(initial.get(), 3 * c, start[c].Amplitude);
        gsl_vector_set(initial.get(), 3 * c + 1, start[c].Centre);
        gsl_vector_set(initial.get(), 3 * c + 2,
                       start[c].Fwhm > 0.0 ? start[c].Fwhm : 3.0 * std::max(d.Width, 1e-12));
    }
    int info = 0;
    int status = gsl_multifit_nlinear_init(initial.get(), &fdf, work.get());
    if (status == GSL_SUCCESS)
        status = gsl_multifit_nlinear_driver(MaxIterations, StepTolerance, GradientTolerance, 0.0,
                                             nullptr, nullptr, &info, work.get());
    // At a minimum that rounding keeps from being pinned down, no step lowers the cost any more
    // and the trust region shrinks until the iterations run out: the point reached is the
    // minimum found, as good as the tolerances ask.
    if (status == GSL_EMAXITER || status == GSL_ENOPROG)
        status = GSL_SUCCESS;
    const gsl_vector* position = gsl_multifit_nlinear_position(work.get());
    const gsl_vector* residual = gsl_multifit_nlinear_residual(work.get());
    if (status == GSL_SUCCESS)
        status =
            gsl_multifit_nlinear_covar(gsl_multifit_nlinear_jac(work.get()), 0.0, covariance.get());
    double ssr = 0.0;
    gsl_blas_ddot(residual, residual, &ssr);
    if (status != GSL_SUCCESS || !std::isfinite(ssr)) {
        solved.Error = std::string("the fit did not converge: ") + gsl_strerror(status);
        return solved;
    }
    const double scale = ssr / static_cast<double>(n - p) * noiseWidth;
    const auto sigma = [&](std::size_t i) {
        const double v = gsl_matrix_get(covariance.get(), i, i) * scale;
        return v >= 0.0 && std::isfinite(v) ? std::sqrt(v)
                                            : std::numeric_limits<double>::infinity();
    };
    for (std::size_t c = 0; c < start.size(); ++c) {
        TGaussComponent g;
        g.Amplitude = gsl_vector_get(position, 3 * c);
        g.Centre = gsl_vector_get(position, 3 * c + 1);
        g.Fwhm = std::fabs(gsl_vector_get(position, 3 * c + 2));
        g.AmplitudeError = sigma(3 * c);
        g.CentreError = sigma(3 * c + 1);
        g.FwhmError = sigma(3 * c + 2);
        if (!std::isfinite(g.Amplitude) || !std::isfinite(g.Centre) || !std::isfinite(g.Fwhm)) {
            solved.Error = "the fit diverged";
            return solved;
        }
        solved.Components.push_back(g);
    }
    solved.Ssr = ssr;
    return solved;
}

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", value);
    return text;
}

// Why the data do not support c, or "" when they do; score orders the unsupported (lowest
// dropped first).
std::string Unsupported(const TGaussComponent& c, const TData& d, const TGaussSettings& s,
                        double& score) {
    score = c.AmplitudeError > 0.0 ? c.Amplitude / c.AmplitudeError : 0.0;
    if (!std::isfinite(c.AmplitudeError) || !std::isfinite(c.CentreError) ||
        !std::isfinite(c.FwhmError)) {
        score = -2.0;
        return "not constrained by the data";
    }
    if (c.Fwhm < s.MinFwhmChannels * d.Width) {
        score = -1.0;
        return "FWHM " + Number(c.Fwhm) + " under two channels (" +
               Number(s.MinFwhmChannels * d.Width) + ")";
    }
    if (c.Centre < d.Low || c.Centre > d.High) {
        score = -1.0;
        return "centre " + Number(c.Centre) + " outside the spectrum";
    }
    if (!(c.Amplitude >= s.MinSignificance * c.AmplitudeError))
        return "amplitude " + Number(c.Amplitude) + " under 3 sigma (" +
               Number(s.MinSignificance * c.AmplitudeError) + ")";
    return std::string();
}

double Bic(double ssr, std::size_t n, std::size_t p, double noiseWidth) {
    const double independent = static_cast<double>(n) / std::max(1.0, noiseWidth);
    const double mean = std::max(ssr / static_cast<double>(n), std::numeric_limits<double>::min());
    return independent * std::log(mean) + static_cast<double>(p) * std::log(independent);
}

// The fit from start, unsupported components dropped one at a time (the least supported
// first: dropping it may make the others supported) and the rest refitted.
TGaussFit FitWithDrops(const TData& d, std::vector<TGaussComponent> start,
                       const TGaussSettings& settings) {
    TGaussFit fit;
    fit.Channels = static_cast<int>(d.X.size());
    if (d.X.empty()) {
        fit.Error = "no channel has a signal";
        return fit;
    }
    double ssr = SumOfSquares(d.Y);
    while (!start.empty()) {
        TSolved solved = Solve(d, start, settings.NoiseWidth);
        if (!solved.Error.empty()) {
            fit.Error = solved.Error;
            return fit;
        }
        std::size_t worst = solved.Components.size();
        double worstScore = 0.0;
        std::string reason;
        for (std::size_t c = 0; c < solved.Components.size(); ++c) {
            double score = 0.0;
            const std::string why = Unsupported(solved.Components[c], d, settings, score);
            if (!why.empty() && (worst == solved.Components.size() || score < worstScore)) {
                worst = c;
                worstScore = score;
                reason = why;
            }
        }
        if (worst == solved.Components.size()) {
            fit.Components = std::move(solved.Components);
            ssr = solved.Ssr;
            break;
        }
        fit.Dropped.push_back({solved.Components[worst], reason});
        solved.Components.erase(solved.Components.begin() + static_cast<long>(worst));
        start = std::move(solved.Components);
    }
    std::sort(
        fit.Components.begin(), fit.Components.end(),
        [](const TGaussComponent& a, const TGaussComponent& b) { return a.Centre < b.Centre; });
    const std::size_t p = 3 * fit.Components.size();
    fit.Rms = d.X.size() > p ? std::sqrt(ssr / static_cast<double>(d.X.size() - p)) : 0.0;
    fit.Bic = Bic(ssr, d.X.size(), p, settings.NoiseWidth);
    return fit;
}

// The guess where the residual y - model peaks; false when it has no positive peak.
bool NextGuess(const TData& d, const std::vector<TGaussComponent>& model, TGaussComponent& guess) {
    const std::size_t n = d.X.size();
    if (n < 3)
        return false;
    std::vector<double> residual(n);
    for (std::size_t i = 0; i < n; ++i) {
        residual[i] = d.Y[i];
        for (const TGaussComponent& c : model)
            residual[i] -= GaussianValue(c, d.X[i]);
    }
    // Smoothed over three channels, so that one noise spike does not take the guess.
    std::vector<double> smooth(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t a = i > 0 ? i - 1 : i, b = i + 1 < n ? i + 1 : i;
        smooth[i] = (residual[a] + 2.0 * residual[i] + residual[b]) / 4.0;
    }
    const std::size_t top =
        static_cast<std::size_t>(std::max_element(smooth.begin(), smooth.end()) - smooth.begin());
    const double peak = smooth[top];
    if (!(peak > 0.0))
        return false;
    std::size_t left = top, right = top;
    while (left > 0 && smooth[left - 1] > peak / 2.0)
        --left;
    while (right + 1 < n && smooth[right + 1] > peak / 2.0)
        ++right;
    guess = TGaussComponent();
    guess.Amplitude = peak;
    guess.Centre = d.X[top];
    guess.Fwhm = std::max(std::fabs(d.X[right] - d.X[left]) + d.Width, 2.0 * d.Width);
    return true;
}

std::vector<TGaussComponent> Guesses(const TData& d, int count) {
    std::vector<TGaussComponent> guesses;
    TGaussComponent guess;
    while (static_cast<int>(guesses.size()) < count && NextGuess(d, guesses, guess))
        guesses.push_back(guess);
    return guesses;
}

} // namespace

double TGaussComponent::Integral() const {
    return Amplitude * Fwhm * std::sqrt(std::acos(-1.0) / FourLn2);
}

double GaussianValue(const TGaussComponent& c, double x) {
    const double u = (x - c.Centre) / c.Fwhm;
    return c.Amplitude * std::exp(-FourLn2 * u * u);
}

std::vector<double> GaussianSum(const std::vector<TGaussComponent>& components,
                                const std::vector<double>& x) {
    std::vector<double> sum(x.size(), 0.0);
    for (std::size_t i = 0; i < x.size(); ++i)
        for (const TGaussComponent& c : components)
            sum[i] += GaussianValue(c, x[i]);
    return sum;
}

TGaussComponent GuessAt(const std::vector<double>& x, const std::vector<double>& y, double centre) {
    const TData d = Usable(x, y);
    TGaussComponent guess;
    guess.Centre = centre;
    if (d.X.empty())
        return guess;
    std::size_t at = 0;
    for (std::size_t i = 1; i < d.X.size(); ++i)
        if (std::fabs(d.X[i] - centre) < std::fabs(d.X[at] - centre))
            at = i;
    guess.Amplitude = d.Y[at];
    std::size_t left = at, right = at;
    while (left > 0 && d.Y[left - 1] > guess.Amplitude / 2.0)
        --left;
    while (right + 1 < d.X.size() && d.Y[right + 1] > guess.Amplitude / 2.0)
        ++right;
    guess.Fwhm = std::max(std::fabs(d.X[right] - d.X[left]) + d.Width, 2.0 * d.Width);
    return guess;
}

std::vector<TGaussComponent> PeakGuesses(const std::vector<double>& x, const std::vector<double>& y,
                                         int count) {
    return Guesses(Usable(x, y), count);
}

TGaussFit FitGaussians(const std::vector<double>& x, const std::vector<double>& y,
                       const std::vector<TGaussComponent>& guesses,
                       const TGaussSettings& settings) {
    const TData d = Usable(x, y);
    std::vector<TGaussComponent> start;
    for (TGaussComponent g : guesses) {
        g.AmplitudeError = g.CentreError = g.FwhmError = 0.0;
        start.push_back(g);
    }
    return FitWithDrops(d, start, settings);
}

TGaussFit FitGaussianCount(const std::vector<double>& x, const std::vector<double>& y, int count,
                           const TGaussSettings& settings) {
    const TData d = Usable(x, y);
    return FitWithDrops(d, Guesses(d, count), settings);
}

TGaussFit FitGaussiansAuto(const std::vector<double>& x, const std::vector<double>& y,
                           const TGaussSettings& settings) {
    const TData d = Usable(x, y);
    std::vector<TGaussComponent> kept;
    double best = Bic(SumOfSquares(d.Y), d.X.size(), 0, settings.NoiseWidth);
    TGaussComponent guess;
    while (static_cast<int>(kept.size()) < settings.MaxComponents && NextGuess(d, kept, guess)) {
        std::vector<TGaussComponent> trial = kept;
        trial.push_back(guess);
        const TSolved solved = Solve(d, trial, settings.NoiseWidth);
        if (!solved.Error.empty())
            break;
        const double bic = Bic(solved.Ssr, d.X.size(), 3 * trial.size(), settings.NoiseWidth);
        if (!(bic < best))
            break;
        best = bic;
        kept = solved.Components;
    }
    return FitWithDrops(d, kept, settings);
}

namespace {

std::string WithError(double value, double error, const std::string& unit) {
    char text[96];
    if (std::isfinite(error))
        std::snprintf(text, sizeof text, "%.4g \u00b1 %.2g", value, error);
    else
        std::snprintf(text, sizeof text, "%.4g \u00b1 unbounded", value);
    return unit.empty() ? std::string(text) : std::string(text) + ' ' + unit;
}

std::string ComponentText(const TGaussComponent& g, const std::string& unit) {
    return "amplitude " + WithError(g.Amplitude, g.AmplitudeError, std::string()) + ", centre " +
           WithError(g.Centre, g.CentreError, unit) + ", FWHM " +
           WithError(g.Fwhm, g.FwhmError, unit);
}

} // namespace

std::vector<std::string> GaussFitLines(const TGaussFit& fit, const std::string& unit) {
    if (!fit.Error.empty())
        return {"Gaussian components not fitted: " + fit.Error};
    char head[96];
    std::snprintf(head, sizeof head, "Gaussian components: %zu, rms %.4g", fit.Components.size(),
                  fit.Rms);
    std::vector<std::string> lines = {head};
    for (std::size_t i = 0; i < fit.Components.size(); ++i)
        lines.push_back('G' + std::to_string(i + 1) + ' ' + ComponentText(fit.Components[i], unit));
    for (const TDroppedComponent& d : fit.Dropped)
        lines.push_back("dropped: " + ComponentText(d.Component, unit) + ": " + d.Reason);
    return lines;
}
