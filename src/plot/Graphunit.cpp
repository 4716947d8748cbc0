#include "plot/Graphunit.h"

#include <QBuffer>

TRect GraphPlotRect(int width, int height) {
    return TRect(80, 40, width - 10, height - 100);
}

void SetUpGraphPlot(TPlot& plot) {
    plot.SetBackgroundColor(GraphBackground);
    plot.SetPlotAreaColor(GraphAreaColor);
    plot.Pen.setColor(Qt::black);
    plot.SetPlotRect(GraphPlotRect(plot.width(), plot.height()));
}

bool GraphLimitsOf(const std::vector<double>& x, const std::vector<double>& signal,
                   TGraphLimits& limits) {
    if (x.empty() || x.size() != signal.size())
        return false;
    RoundAxisLimits(limits, x, limits.XMin, limits.XMax, limits.XStep);
    RoundAxisLimits(limits, signal, limits.YMin, limits.YMax, limits.YStep);
    return true;
}

QByteArray PngBytes(const QImage& image) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return buffer.data();
}
