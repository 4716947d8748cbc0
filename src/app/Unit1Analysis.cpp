// Analysis: smoothing the signal shown and decomposing it into Gaussian components, by the
// session's steps (session/Sessionunit.h); the station's calibration passed to the session for
// the column density.
#include "app/Unit1.h"

#include "app/Dialogsunit.h"
#include "app/Plotunit.h"
#include "data/Spectrumunit.h"
#include "details/Analysisformunit.h"
#include "plot/Graphunit.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <algorithm>
#include <cmath>

void TForm1::CreateAnalysisMenu() {
    menuAnalysis = new QMenu("&Analysis", this);
    menuAnalysis->setObjectName("menuAnalysis");
    menuBar()->insertMenu(miHelp->menuAction(), menuAnalysis);
    miSmooth = menuAnalysis->addAction("&Smooth...");
    miSmooth->setObjectName("miSmooth");
    miSmooth->setStatusTip("Smooth the signal shown: Hanning, a boxcar or a Gaussian");
    miFitGaussians = menuAnalysis->addAction("&Fit Gaussians...");
    miFitGaussians->setObjectName("miFitGaussians");
    miFitGaussians->setStatusTip(
        "Decompose the line into Gaussian components (subtract the baseline first)");
    miShowResidual = menuAnalysis->addAction("Show &residual");
    miShowResidual->setObjectName("miShowResidual");
    miShowResidual->setCheckable(true);
    miShowResidual->setStatusTip("Draw the signal less the components' sum");
    miClickGuesses = menuAnalysis->addAction("&Click guesses");
    miClickGuesses->setObjectName("miClickGuesses");
    miClickGuesses->setCheckable(true);
    miClickGuesses->setStatusTip(
        "Click on the graph where components stand, then Fit Gaussians from the points clicked");
    OnTriggered(miClickGuesses, [this] { miClickGuessesClick(); });
    OnTriggered(miSmooth, [this] { miSmoothClick(); });
    OnTriggered(miFitGaussians, [this] { miFitGaussiansClick(); });
    OnTriggered(miShowResidual, [this] { miShowResidualClick(); });
    UpdateAnalysisItems();
}

void TForm1::UpdateAnalysisItems() {
    const int shown = ShownMode();
    miSmooth->setEnabled(SpectrumDrawn);
    // The components' widths are velocities: they are fitted on a velocity axis only.
    miFitGaussians->setEnabled(SpectrumDrawn &&
                               (shown == ModeVelocity || shown == ModeVelocityMinusVlsr));
    miShowResidual->setEnabled(SpectrumDrawn && Session.Components().has_value());
    miUndoSubtract->setText(Session.UndoesSmoothing() ? "&Undo Smooth" : "&Undo Subtract");
}

void TForm1::UseStationCalibration() {
    Session.SetKelvinPerCount(Station.KelvinPerCount);
}

void TForm1::miSmoothClick() {
    if (!SpectrumDrawn)
        return;
    TSmoothForm form(this);
    if (Dialogs->ExecModal(form) != QDialog::Accepted)
        return;
    std::string error;
    const std::optional<TSmoothing> smoothing = form.Smoothing(error);
    if (!smoothing) {
        Dialogs->ShowMessage(this, ApplicationTitle, QString::fromStdString(error));
        return;
    }
    SmoothAndShow(*smoothing);
}

void TForm1::SmoothAndShow(const TSmoothing& smoothing) {
    if (!Session.Smooth(smoothing))
        return;
    if (!DrawSpectrum()) {
        ShowStatusMessage("Error finding data limits");
        Session.Undo(); // the graph still shows the signal before, as after a failed Subtract
    } else {
        ShowStatusMessage(QString::fromStdString("Smoothed: " + Session.SmoothingDescription()));
    }
    // Undo is reached in the Polynomial menu as well as by its key.
    miPolynomial->menuAction()->setEnabled(true);
    UpdatePolynomialItems();
}

void TForm1::miFitGaussiansClick() {
    if (!miFitGaussians->isEnabled())
        return;
    TGaussForm form(this, static_cast<int>(Guesses.size()));
    if (Dialogs->ExecModal(form) != QDialog::Accepted)
        return;
    if (form.FromClicks())
        FitAndShowComponentsFromClicks();
    else
        FitAndShowComponents(form.Count());
}

void TForm1::FitAndShowComponents(int count) {
    ShowComponents(Session.FitComponents(count));
}

void TForm1::FitAndShowComponentsFromClicks() {
    const std::vector<double>& v = Session.MeasureVelocities();
    std::vector<TGaussComponent> guesses;
    for (std::size_t channel : Guesses)
        if (channel < v.size())
            guesses.push_back(GuessAt(v, Session.Signal(), v[channel]));
    Guesses.clear(); // taken: the next clicks start afresh
    ShowComponents(Session.FitComponents(guesses));
}

void TForm1::ShowComponents(const TGaussFit& fit) {
    MakeComponentCurves();
    RedrawPlot();
    // The coefficients stay above the components; components listed before give way.
    QStringList memo = Memo->toPlainText().split('\n');
    while (!memo.isEmpty() && memo.back().isEmpty())
        memo.removeLast();
    const auto listed = std::find_if(memo.begin(), memo.end(), [](const QString& line) {
        return line.startsWith("Gaussian components");
    });
    memo.erase(listed, memo.end());
    for (const std::string& line : GaussFitLines(fit, "km/s"))
        memo << QString::fromStdString(line);
    Memo->setPlainText(memo.join('\n'));
    UpdateAnalysisItems();
    ShowStatusMessage(fit.Error.empty()
                          ? QString("%1 Gaussian components fitted").arg(fit.Components.size())
                          : QString::fromStdString("No components: " + fit.Error));
}

void TForm1::miShowResidualClick() {
    MakeComponentCurves();
    RedrawPlot();
}

void TForm1::MakeComponentCurves() {
    ComponentCurves.clear();
    ResidualCurve.clear();
    const std::optional<TGaussFit>& fit = Session.Components();
    if (!fit || !fit->Error.empty())
        return;
    // Channel by channel: the components were fitted on the velocities of Measure, and each
    // channel's value is drawn at its x on the axis shown.
    const std::vector<double>& v = Session.MeasureVelocities();
    const std::vector<double>& x = Session.XValues();
    ComponentCurves.push_back({x, GaussianSum(fit->Components, v)});
    for (const TGaussComponent& g : fit->Components) {
        std::vector<double> cx, cy;
        for (std::size_t i = 0; i < v.size() && i < x.size(); ++i) {
            const double value = GaussianValue(g, v[i]);
            if (std::abs(value) >= 0.01 * std::abs(g.Amplitude)) {
                cx.push_back(x[i]);
                cy.push_back(value);
            }
        }
        ComponentCurves.push_back({std::move(cx), std::move(cy)});
    }
    if (miShowResidual->isChecked()) {
        const std::vector<double>& signal = Session.Signal();
        const std::vector<double>& sum = ComponentCurves.front().second;
        ResidualCurve.resize(signal.size());
        for (std::size_t i = 0; i < signal.size() && i < sum.size(); ++i)
            ResidualCurve[i] = signal[i] - sum[i];
    }
}

void TForm1::DrawBands() {
    const TGraphMapping map = Mapping();
    const TRect& r = map.Rect;
    Plot->DrawOnPicture([&](QPainter& painter) {
        painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
        const int lo = std::min(r.Left, r.Right), hi = std::max(r.Left, r.Right);
        for (const TAxisRange& band : Session.Bands()) {
            // A band beside the part shown is left out; one across its edge ends there.
            const int a = map.XToPixel(band.Low), b = map.XToPixel(band.High);
            if (std::max(a, b) < lo || std::min(a, b) > hi)
                continue;
            const int start = std::clamp(a, lo, hi), end = std::clamp(b, lo, hi);
            const QPoint outline[] = {
                {start, r.Top}, {start, r.Bottom}, {end, r.Bottom}, {end, r.Top}, {start, r.Top}};
            painter.drawPolyline(outline, 5);
        }
    });
}

void TForm1::miClickGuessesClick() {
    Guesses.clear();
    GuessPress.reset();
    if (SpectrumDrawn)
        RedrawPlot();
    ShowStatusMessage(miClickGuesses->isChecked()
                          ? "Click where components stand, then Analysis > Fit Gaussians"
                          : QString());
}

void TForm1::AddGuessAt(int x) {
    const std::vector<double>& axis = Session.XValues();
    if (axis.empty())
        return;
    const double at = PixelToX(x);
    std::size_t nearest = 0;
    for (std::size_t i = 1; i < axis.size(); ++i)
        if (std::abs(axis[i] - at) < std::abs(axis[nearest] - at))
            nearest = i;
    Guesses.push_back(nearest);
    DrawGuesses();
    ShowStatusMessage(
        QString("%1 guess%2 clicked").arg(Guesses.size()).arg(Guesses.size() == 1 ? "" : "es"));
}

void TForm1::DrawGuesses() {
    std::vector<TGraphMark> marks;
    for (std::size_t i = 0; i < Guesses.size(); ++i)
        if (Guesses[i] < Session.XValues().size())
            marks.push_back({Session.XValues()[Guesses[i]], "guess " + std::to_string(i + 1)});
    DrawGraphMarks(*Plot, Mapping(), marks);
}
