// The view of the graph: the plot growing with the window, zooming with the wheel, the keys and
// the View menu, and panning with the middle button or Ctrl+left drag. What changes the view is
// decided in the core (numeric/Zoomunit.h); here events become calls of it.
#include "app/Unit1.h"

#include "app/Plotunit.h"
#include "plot/Graphunit.h"

#include <QAction>
#include <QMenu>
#include <QMoveEvent>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>

void TForm1::CreateViewMenuItems() {
    miView->addSeparator();
    miZoomToBand = miView->addAction("Zoom to &band");
    miZoomToBand->setObjectName("miZoomToBand");
    miZoomToBand->setStatusTip("Show the band just dragged across the whole graph");
    miWholeSpectrum = miView->addAction("&Whole spectrum");
    miWholeSpectrum->setObjectName("miWholeSpectrum");
    miWholeSpectrum->setShortcut(QKeySequence(Qt::Key_Home));
    miWholeSpectrum->setStatusTip("Show the whole spectrum again");
    miZoomIn = miView->addAction("Zoom &in");
    miZoomIn->setObjectName("miZoomIn");
    miZoomIn->setShortcuts({QKeySequence(Qt::Key_Plus), QKeySequence(Qt::Key_Equal),
                            QKeySequence(QKeySequence::ZoomIn)});
    miZoomOut = miView->addAction("Zoom &out");
    miZoomOut->setObjectName("miZoomOut");
    miZoomOut->setShortcuts({QKeySequence(Qt::Key_Minus), QKeySequence(QKeySequence::ZoomOut)});
    miKeepZoom = miView->addAction("&Keep zoom");
    miKeepZoom->setObjectName("miKeepZoom");
    miKeepZoom->setCheckable(true);
    miKeepZoom->setStatusTip("Keep the part shown when a file is read or the axis changes");
    for (QAction* item : {miZoomToBand, miWholeSpectrum, miZoomIn, miZoomOut}) {
        item->setShortcutContext(Qt::WindowShortcut);
        addAction(item); // the keys work whatever has the focus (the spin edit keeps its own)
    }
    OnTriggered(miZoomToBand, [this] { miZoomToBandClick(); });
    OnTriggered(miWholeSpectrum, [this] { miWholeSpectrumClick(); });
    OnTriggered(miZoomIn, [this] { ZoomStep(1.0); });
    OnTriggered(miZoomOut, [this] { ZoomStep(-1.0); });
    UpdateViewItems();
}

void TForm1::UpdateViewItems() {
    miZoomToBand->setEnabled(SpectrumDrawn && BandForMeasure);
    miWholeSpectrum->setEnabled(SpectrumDrawn && GraphView.Zoomed());
    miZoomIn->setEnabled(SpectrumDrawn);
    miZoomOut->setEnabled(SpectrumDrawn && GraphView.Zoomed());
}

TAxisView TForm1::WholeX() const {
    TGraphLimits whole;
    whole.Divisions = GraphDivisions;
    if (!GetGraphLimits(Session.XValues(), Session.Signal(), whole))
        return {};
    return {whole.XMin, whole.XMax};
}

TAxisView TForm1::WholeY() const {
    TGraphInputs inputs = GraphInputs();
    TGraphView xOnly = GraphView;
    xOnly.ResetY();
    std::vector<TSignalOnAxis> overlaid;
    for (const TGraphOverlay& overlay : inputs.Overlays)
        overlaid.push_back({overlay.X, overlay.Signal});
    TGraphLimits limits;
    limits.Divisions = GraphDivisions;
    if (!GetViewLimits(Session.XValues(), Session.Signal(), overlaid, xOnly, limits))
        return {};
    return {limits.YMin, limits.YMax};
}

void TForm1::ViewChanged(const TGraphMapping& before) {
    RedrawPlot();
    // A band keeps the values it marked: its columns are where those values now are.
    if (BandForMeasure) {
        const TGraphMapping after = Mapping();
        Band.BoxLeft = after.XToPixel(before.PixelToX(Band.BoxLeft));
        Band.BoxRight = after.XToPixel(before.PixelToX(Band.BoxRight));
    }
    UpdateViewItems();
}

void TForm1::PlotWheel(Qt::KeyboardModifiers shift, double steps, int x, int y) {
    if (!SpectrumDrawn || !Plot->InPlotRect(x, y) || steps == 0.0)
        return;
    const TGraphMapping before = Mapping();
    const double factor = std::pow(::ZoomStep, steps);
    if (shift.testFlag(Qt::ControlModifier))
        GraphView.ZoomY({Limits.YMin, Limits.YMax}, before.PixelToY(y), factor, WholeY());
    else
        GraphView.ZoomX({Limits.XMin, Limits.XMax}, before.PixelToX(x), factor, WholeX());
    ViewChanged(before);
    // The readout for the value now under the pointer.
    PlotMouseMove(shift, x, y);
}

void TForm1::ZoomStep(double steps) {
    if (!SpectrumDrawn)
        return;
    const TGraphMapping before = Mapping();
    const double middle = 0.5 * (Limits.XMin + Limits.XMax);
    GraphView.ZoomX({Limits.XMin, Limits.XMax}, middle, std::pow(::ZoomStep, steps), WholeX());
    ViewChanged(before);
}

void TForm1::miZoomToBandClick() {
    if (!SpectrumDrawn || !BandForMeasure)
        return;
    const TGraphMapping before = Mapping();
    GraphView.SetX(before.PixelToX(Band.BoxLeft), before.PixelToX(Band.BoxRight), WholeX());
    ViewChanged(before);
}

void TForm1::miWholeSpectrumClick() {
    if (!SpectrumDrawn)
        return;
    const TGraphMapping before = Mapping();
    GraphView.Reset();
    ViewChanged(before);
}

void TForm1::PlotResized() {
    const TGraphMapping before = Mapping();
    Plot->SetPlotRect(GraphPlotRect(Plot->Width(), Plot->Height()));
    if (!SpectrumDrawn) {
        Plot->Clear();
        Plot->Show();
        return;
    }
    ViewChanged(before);
}

void TForm1::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    if (!(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)))
        NormalPlace = pos();
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (!(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))) {
        NormalSize = size();
        NormalPlace = pos();
    }
}
