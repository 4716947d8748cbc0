// The graph: display modes, drawing the spectrum, and the pointer readout.
#include "app/Unit1.h"

#include "app/Dialogsunit.h"
#include "app/Plotunit.h"
#include "data/Spectrumunit.h"
#include "numeric/Numbertextunit.h"
#include "plot/Graphunit.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <optional>

void TForm1::miGraphClick(QAction* sender) {
    const QAction* items[] = {miFrequency, miWavelength, miVelocity, miVMinusVlsr};
    for (int mode = 0; mode < 4; ++mode) {
        if (sender == items[mode]) {
            sender->setChecked(true);
            Mode = mode;
            ShowSpectrum();
            return;
        }
    }
}

int TForm1::ShownMode() const {
    // A spectrum is never drawn against a VLSR computed for another observation: until its own
    // details are applied, the velocity-minus-VLSR choice shows the plain velocity axis.
    return Mode == ModeVelocityMinusVlsr && !Session.VlsrForSpectrum() ? ModeVelocity : Mode;
}

void TForm1::ShowSpectrum() {
    const int shown = ShownMode();
    // The check mark tells the axis drawn; Mode keeps the user's choice for when it comes back.
    QAction* const items[] = {miFrequency, miWavelength, miVelocity, miVMinusVlsr};
    items[shown]->setChecked(true);
    // The part shown before, as the same channels on the axis now shown.
    std::optional<TAxisView> kept;
    if (miKeepZoom->isChecked() && GraphView.XZoomed()) {
        kept = GraphView.X();
        if (DrawnMode >= 0 && DrawnMode != shown) {
            std::vector<double> before;
            if (SelectXAxis(DrawnMode, Session.VelocitiesMinusVlsr(), before)) {
                std::vector<double> after;
                if (SelectXAxis(shown, Session.VelocitiesMinusVlsr(), after))
                    kept = SameChannels(before, after, kept->Lo, kept->Hi);
            }
        }
    }
    Session.SelectAxis(shown); // the fit belongs to the axis it was made on
    MakeComponentCurves();     // the components' channels on the axis now shown
    Guesses.clear();           // clicked on the spectrum and axis before
    if (!miKeepZoom->isChecked())
        GraphView.Reset();
    else if (kept)
        GraphView.SetX(kept->Lo, kept->Hi, WholeX());
    SpectrumDrawn = false;
    BandForMeasure = false; // a band dragged on another graph marks nothing on this one
    if (DrawSpectrum()) {
        SpectrumDrawn = true;
        miPolynomial->menuAction()->setEnabled(false);
        UpdatePolynomialItems();
        miMeasureLine->setEnabled(true);
        tbMeasureLine->setEnabled(true);
        DrawnMode = shown;
    } else {
        Dialogs->ShowMessage(this, ApplicationTitle, "Error finding data limits");
    }
    UpdateViewItems();
}

TGraphMapping TForm1::Mapping() const {
    return TGraphMapping{Limits, Plot->PlotRect()};
}

TGraphInputs TForm1::GraphInputs() const {
    TGraphInputs inputs;
    inputs.X = &Session.XValues();
    inputs.Signal = &Session.Signal();
    inputs.Mode = ShownMode();
    inputs.Corrected = Session.Corrected();
    inputs.FileName = Session.CurrentFileName();
    inputs.View = &GraphView;
    inputs.Smoothing = Session.SmoothingDescription();
    if (Session.Components() && !ComponentCurves.empty()) {
        // The sum under the components: it shows where they differ from it (blends, baseline).
        inputs.Curves.push_back(
            {&ComponentCurves[0].first, &ComponentCurves[0].second, GraphSumColor, ""});
        for (std::size_t i = 1; i < ComponentCurves.size(); ++i)
            inputs.Curves.push_back(
                {&ComponentCurves[i].first, &ComponentCurves[i].second, ComponentColor(i - 1), ""});
        if (!ResidualCurve.empty())
            inputs.Curves.push_back({inputs.X, &ResidualCurve, GraphResidualColor, ""});
    }
    for (std::size_t i = 0; i < OverlaySet.Size(); ++i) {
        const TOverlay& overlay = OverlaySet[i];
        const std::vector<double>& x = overlay.Axes[static_cast<std::size_t>(inputs.Mode)];
        if (x.size() != overlay.Signal.size())
            continue; // no velocity-minus-VLSR axis without a VLSR of its own
        inputs.Overlays.push_back({&x, &overlay.Signal, OverlayColor(i),
                                   OverlayLegend(overlay.Name, inputs.Mode, overlay.Vlsr)});
    }
    return inputs;
}

bool TForm1::DrawSpectrum() {
    if (!DrawGraph(*Plot, GraphInputs(), Limits, GraphTitle)) {
        ShowStatusMessage("Error getting graph limits");
        return false;
    }
    FittedCurveShown = false;
    ShownMarks.clear();
    BandsShown = false;
    SpectrumDrawn = true;
    return true;
}

// Whatever the plot shows is drawn again at the new ratio, size or view: the graph, the fitted
// curve over it (the polynomial it was drawn from: the fit's coefficients may have changed since),
// the measured line's marks and the band of a drag. The empty plot of a new window is cleared
// afresh; a picture left by a failed drawing stays as the plot enlarged it.
void TForm1::RedrawPlot() {
    if (!SpectrumDrawn) {
        if (GraphTitle.empty()) {
            Plot->Clear();
            Plot->Show();
        }
        return;
    }
    const bool curve = FittedCurveShown;
    const bool bands = BandsShown;
    const std::vector<double> coefficients = ShownCurveCoefficients;
    std::vector<TGraphMark> marks = ShownMarks;
    if (!DrawSpectrum())
        return;
    if (curve)
        DrawCurve(coefficients);
    if (!marks.empty()) {
        DrawGraphMarks(*Plot, Mapping(), marks);
        ShownMarks = std::move(marks);
    }
    if (!Guesses.empty())
        DrawGuesses();
    BandsShown = bands;
    if (bands)
        DrawBands();
    if (Band.Dragging && Band.BoxEnd != 0)
        DrawBox();
}

void TForm1::PlotMouseMove(Qt::KeyboardModifiers, int x, int y) {
    if (Panning) {
        // The view as it was when the pan started, moved by the whole way the pointer went.
        GraphView = PanView;
        const TGraphMapping& m = PanMapping;
        GraphView.Pan({m.Limits.XMin, m.Limits.XMax}, m.PixelToX(x) - m.PixelToX(PanStart.x()),
                      m.PixelToY(y) - m.PixelToY(PanStart.y()), WholeX());
        ViewChanged(Mapping());
    }
    QString coordinates, values;
    if (Plot->InPlotRect(x, y)) {
        const TGraphMapping map = Mapping();
        coordinates = QString("(%1, %2)").arg(x - map.Rect.Left).arg(map.Rect.Bottom - y);
        values = QString("(%1, %2)")
                     .arg(QString::fromStdString(ValueToText(map.PixelToX(x))),
                          QString::fromStdString(ValueToText(map.PixelToY(y))));
    }
    StatusPanels[0]->setText(coordinates);
    StatusPanels[1]->setText(values);
    if (Band.Move(x, Plot->InPlotRect(x, y)))
        DrawBox();
}
