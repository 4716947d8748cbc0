// The baseline workflow: the number of coefficients, the band dragged on the plot, the fit of
// the samples outside it, the fitted curve, and subtracting (and undoing) the polynomial.
#include "app/Unit1.h"

#include "app/Dialogsunit.h"
#include "app/Plotunit.h"
#include "app/Spineditunit.h"
#include "data/Spectrumunit.h"
#include "numeric/Numbertextunit.h"
#include "numeric/Polyfitunit.h"
#include "plot/Graphunit.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <algorithm>
#include <cstdlib>
#include <utility>

void TForm1::CSpinEdit1Change() {
    const TSpinText typed = ReadSpinText(CSpinEdit1->text().toStdString());
    if (!typed.IsInteger)
        CSpinEdit1->setText("0");
    // A typed negative number cannot be a number of terms: it fits none, and the fit says so.
    Session.SetTerms(typed.Value);
}

void TForm1::PlotMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
    const TPlotGesture gesture = GestureFor(button, shift);
    if (gesture == TPlotGesture::Pan && !Band.Dragging) {
        if (!SpectrumDrawn)
            return;
        Panning = true;
        PanButton = button;
        PanStart = QPoint(x, y);
        PanView = GraphView;
        PanMapping = Mapping();
        return;
    }
    Band.Press(gesture == TPlotGesture::Band, x, shift.testFlag(Qt::ShiftModifier));
    if (gesture == TPlotGesture::Band && miClickGuesses->isChecked())
        GuessPress = x;
}

void TForm1::PlotMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
    if (Panning) {
        if (button == PanButton)
            Panning = false;
        return;
    }
    const std::optional<int> press = std::exchange(GuessPress, std::nullopt);
    if (!Band.Release(button == Qt::LeftButton)) {
        // A click that drew no band, while guessing: a component's first guess.
        if (press && button == Qt::LeftButton && SpectrumDrawn && Plot->InPlotRect(x, y) &&
            std::abs(x - *press) <= 2)
            AddGuessAt(x);
        return;
    }
    BandForMeasure = SpectrumDrawn;
    if (SpectrumDrawn) {
        // The band in values, so that it stays on the values it marked as the view changes.
        const TAxisRange band =
            BandRange(Band.BoxLeft, Band.BoxRight, [this](int px) { return PixelToX(px); });
        Band.Adding ? Session.AddBand(band) : Session.StartBands(band);
        // A plain drag shows its band as it always did (the box of the drag); several are
        // drawn together from their values.
        BandsShown = Session.Bands().size() > 1;
        if (BandsShown) {
            Plot->Show();
            DrawBands();
        }
    }
    UpdateViewItems();
    QAction* chosen = Dialogs->ExecPopup(*PopupMenu, Plot->mapToGlobal(QPoint(x, y)));
    if (chosen == miPuGenerate)
        miPuGenerateClick();
    else if (chosen == miPuCancel)
        miPuCancelClick();
}

void TForm1::DrawBox() {
    Plot->Show();
    // A band added to others: they stay in sight while it is dragged.
    if (Band.Adding && Band.Dragging && Session.Bands().size() > 0)
        DrawBands();
    const TRect& r = Plot->PlotRect();
    const int start = Band.BoxStart, end = Band.BoxEnd;
    Plot->DrawOnPicture([&](QPainter& painter) {
        // One logical pixel wide, as the graph's lines, on screens of any density.
        QPen pen(Qt::black, 1, Qt::DashLine);
        painter.setPen(pen);
        const QPoint outline[] = {
            {start, r.Top}, {start, r.Bottom}, {end, r.Bottom}, {end, r.Top}, {start, r.Top}};
        painter.drawPolyline(outline, 5);
    });
}

void TForm1::miPuCancelClick() {
    Plot->Show();
}

void TForm1::miPuGenerateClick() {
    if (Session.Bands().size() > 1) {
        // Several bands: the samples outside all of them, as kelvane-batch fits outside its
        // windows (one code for both).
        const TFitResult fit = Session.FitOutsideBands();
        FitBands = Session.Bands();
        FitBand = FitBands.back();
        if (!fit.Error.empty())
            Dialogs->ShowWarning(this, "PolyFit Exception", QString::fromStdString(fit.Error));
        ShowCoefficients();
        for (const std::string& line : BandLines(FitBands))
            Memo->appendPlainText(QString::fromStdString(line));
        DrawFittedCurve();
        if (SpectrumDrawn) {
            DrawBands();
            BandsShown = true;
        }
        return;
    }
    const TGraphMapping map = Mapping();
    const TBaselineSamples samples = SamplesOutsideBand(
        Session.XValues(), Session.Signal(), [&map](double x) { return map.XToPixel(x); },
        Band.BoxLeft, Band.BoxRight);
    const TFitResult fit = Session.Fit(samples.X, samples.Y);
    // The band in values: the view may change before the fit is subtracted.
    const double a = map.PixelToX(Band.BoxLeft), b = map.PixelToX(Band.BoxRight);
    FitBand = {std::min(a, b), std::max(a, b)};
    FitBands = {FitBand};
    if (!fit.Error.empty())
        Dialogs->ShowWarning(this, "PolyFit Exception", QString::fromStdString(fit.Error));
    ShowCoefficients();
    DrawFittedCurve();
}

void TForm1::ShowCoefficients() {
    Memo->clear();
    for (const std::string& line : CoefficientLines(Session.Coefficients(), Session.Correlation()))
        Memo->appendPlainText(QString::fromStdString(line));
    lblCorr->setText(QString::fromStdString(FloatToText(Session.Correlation())));
}

void TForm1::DrawFittedCurve() {
    // Only a fit that succeeded is drawn (the session offers it to Subtract): after a failure
    // the coefficients may still hold a polynomial of another spectrum or axis.
    if (SpectrumDrawn && Session.FitOffered()) {
        DrawCurve(Session.Coefficients());
    } else if (FittedCurveShown) {
        // The graph never shows a curve the memo does not list: a failed fit takes the
        // previous fit's curve away.
        Plot->RestoreImage();
        Plot->Show();
        FittedCurveShown = false;
        ShownMarks.clear();
    }
    miPolynomial->menuAction()->setEnabled(true);
    UpdatePolynomialItems();
}

void TForm1::DrawCurve(const std::vector<double>& coefficients) {
    DrawBaselineCurve(*Plot, Mapping(), coefficients);
    ShownMarks.clear(); // drawn over the graph as kept, without them
    ShownCurveCoefficients = coefficients;
    FittedCurveShown = true;
}

void TForm1::miSubtractClick() {
    if (!Session.Subtract(FitBands.size() > 1 ? FitBands : std::vector<TAxisRange>{FittedBand()}))
        return;
    if (!DrawSpectrum()) {
        ShowStatusMessage("Error finding data limits");
        // The graph still shows the signal before: the subtraction is taken back, so that the
        // signal, the title and what Save writes agree with it.
        Session.Undo();
    }
    UpdatePolynomialItems();
}

void TForm1::miUndoSubtractClick() {
    if (!Session.Undo())
        return;
    if (!DrawSpectrum())
        ShowStatusMessage("Error finding data limits");
    UpdatePolynomialItems();
}

void TForm1::UpdatePolynomialItems() {
    miSubtract->setEnabled(Session.FitOffered());
    miUndoSubtract->setEnabled(Session.CanUndo());
    UpdateAnalysisItems();
}
