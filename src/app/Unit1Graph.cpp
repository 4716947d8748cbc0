// The graph: display modes, drawing the spectrum, and the pointer readout.
#include "app/Unit1.h"

#include "app/Dialogsunit.h"
#include "data/Readunit.h"
#include "data/Spectrumunit.h"
#include "plot/Plotunit.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <algorithm>
#include <unordered_map>

namespace {
constexpr TColor GridColor = 0x808080;
constexpr TColor CurveColor = 0xFF0000;
} // namespace

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

void TForm1::ShowSpectrum() {
    SelectXAxis(Mode);
    SpectrumDrawn = false;
    if (DrawSpectrum()) {
        SpectrumDrawn = true;
        miPolynomial->menuAction()->setEnabled(false);
        // The fit belongs to the axis it was made on.
        FitOffered = false;
        UpdatePolynomialItems();
    } else {
        Dialogs->ShowMessage(this, ApplicationTitle, "Error finding data limits");
    }
}

TGraphMapping TForm1::Mapping() const {
    return TGraphMapping{Limits, Plot->PlotRect()};
}

bool TForm1::DrawSpectrum() {
    if (!GetGraphLimits(Limits)) {
        ShowStatusMessage("Error getting graph limits");
        return false;
    }
    const TGraphMapping map = Mapping();
    ShownCurve.clear();
    Plot->Clear();
    Plot->Pen.setColor(ColorToQColor(GridColor));
    DrawXGrid(map);
    DrawYGrid(map);

    Plot->Pen.setColor(ColorToQColor(CurveColor));
    for (std::size_t i = 0; i < XValues.size(); ++i) {
        const int px = map.XToPixel(XValues[i]);
        const int py = map.YToPixel(Signal[i]);
        if (i == 0)
            Plot->MoveTo(px, py);
        else
            Plot->LineTo(px, py);
    }
    Plot->SaveImage();

    const int width = Plot->width();
    const std::string name = Spectrum ? ExtractFileName(Spectrum->FilePath) : std::string();
    Plot->TextOutAngle(name, (width - Plot->TextWidth(name)) / 2, 5, 0);
    GraphTitle = GraphTitleFor(Mode, Corrected);
    Plot->TextOutAngle(GraphTitle, (width - Plot->TextWidth(GraphTitle)) / 2, 20, 0);
    Plot->Show();
    SpectrumDrawn = true;
    return true;
}

namespace {

// The tick label of a value. Labels repeat from one drawing to the next (the same mode, the
// same limits), and forming the text costs more than looking it up.
const std::string& LabelText(double value) {
    static std::unordered_map<double, std::string> known;
    const auto found = known.find(value);
    if (found != known.end())
        return found->second;
    if (known.size() >= 4096)
        known.clear();
    return known.emplace(value, ValueToText(value)).first->second;
}

// The label of each grid value, formed once for the width pass and the drawing pass; and the
// width of the widest.
std::vector<std::string> GridLabels(const std::vector<double>& grid, int mode, const TPlot& plot,
                                    int& maxWidth) {
    std::vector<std::string> labels;
    labels.reserve(grid.size());
    maxWidth = 0;
    for (double value : grid) {
        labels.push_back(LabelText(mode < 0 ? value : ToAbsolute(value, mode)));
        maxWidth = std::max(maxWidth, plot.TextWidth(labels.back()));
    }
    return labels;
}

} // namespace

void TForm1::DrawXGrid(const TGraphMapping& map) {
    const TRect& r = map.Rect;
    const std::vector<double> grid = GridValues(Limits.XMin, Limits.XMax, Limits.XStep);
    int maxWidth = 0;
    const std::vector<std::string> labels = GridLabels(grid, Mode, *Plot, maxWidth);
    for (std::size_t i = 0; i < grid.size(); ++i) {
        const int px = map.XToPixel(grid[i]);
        Plot->MoveTo(px, r.Top);
        Plot->LineTo(px, r.Bottom);
        Plot->TextOutAngle(labels[i], px - Plot->TextHeight(labels[i]) / 2, r.Bottom + maxWidth + 5,
                           90);
    }
}

void TForm1::DrawYGrid(const TGraphMapping& map) {
    const TRect& r = map.Rect;
    const std::vector<double> grid = GridValues(Limits.YMin, Limits.YMax, Limits.YStep);
    int maxWidth = 0;
    const std::vector<std::string> labels = GridLabels(grid, -1, *Plot, maxWidth);
    for (std::size_t i = 0; i < grid.size(); ++i) {
        const int py = map.YToPixel(grid[i]);
        Plot->MoveTo(r.Left, py);
        Plot->LineTo(r.Right, py);
        Plot->TextOutAngle(labels[i], r.Left - maxWidth - 5, py - Plot->TextHeight(labels[i]) / 2,
                           0);
    }
}

// Whatever the plot shows is drawn again at the new ratio: the graph, the fitted curve over it
// (the pixels it was drawn through: the coefficients may have changed since) and the band of a
// drag. The empty plot of a new window is cleared afresh; a picture left by a failed drawing
// stays as the plot enlarged it.
void TForm1::RedrawPlot() {
    if (!SpectrumDrawn) {
        if (GraphTitle.empty()) {
            Plot->Clear();
            Plot->Show();
        }
        return;
    }
    const std::vector<QPoint> curve = ShownCurve;
    if (!DrawSpectrum())
        return;
    if (!curve.empty())
        DrawCurve(curve);
    if (Band.Dragging && Band.BoxEnd != 0)
        DrawBox();
}

void TForm1::PlotMouseMove(Qt::KeyboardModifiers, int x, int y) {
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
