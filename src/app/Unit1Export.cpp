// Export graph: the graph as it is shown, as a PNG picture (the plot's own pixels) or as an SVG
// drawing (the same drawing in vector lines and text).
#include "app/Unit1.h"

#include "app/Dialogsunit.h"
#include "app/Plotunit.h"
#include "data/Saveunit.h"
#include "plot/Graphunit.h"
#include "plot/Vectorplotunit.h"

#include <QFileInfo>
#include <stdexcept>

void TForm1::miExportGraphClick() {
    if (!SpectrumDrawn)
        return;
    const QString path = Dialogs->GetSaveFileName(this, "Export graph", SaveFolder,
                                                  "PNG image (*.png);;SVG drawing (*.svg)", "png");
    if (path.isEmpty())
        return;
    SaveFolder = QFileInfo(path).absolutePath();

    QByteArray bytes;
    if (QFileInfo(path).suffix().compare("svg", Qt::CaseInsensitive) == 0) {
        // Drawn again as the window drew it: the graph, and the fitted curve over the graph
        // without its titles when that is what the plot shows.
        TVectorPlot drawing(Plot->width(), Plot->height(), Plot->PlotRect(), GraphBackground,
                            GraphAreaColor);
        TGraphLimits limits = Limits;
        std::string title;
        if (!DrawGraph(drawing, GraphInputs(), limits, title))
            throw std::runtime_error("Error getting graph limits");
        if (FittedCurveShown)
            DrawBaselineCurve(drawing, TGraphMapping{limits, drawing.PlotRect()},
                              ShownCurveCoefficients);
        bytes = drawing.Svg(QString::fromStdString(GraphInputs().FileName));
    } else {
        // The finished drawing, without a band that is being dragged.
        bytes = PngBytes(Plot->Bitmap());
    }
    // Replaced as a whole or not at all, as Save as does; a failure is reported with its reason.
    WriteTextFileSafely(path.toStdString(), bytes.toStdString());
}
