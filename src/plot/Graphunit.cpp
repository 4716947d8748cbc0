#include "plot/Graphunit.h"

#include <QBuffer>
#include <unordered_map>

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
    return GetGraphLimits(x, signal, limits);
}

QByteArray PngBytes(const QImage& image) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return buffer.data();
}

const std::string& GraphLabelText(double value) {
    static std::unordered_map<double, std::string> known;
    const auto found = known.find(value);
    if (found != known.end())
        return found->second;
    if (known.size() >= 4096)
        known.clear();
    return known.emplace(value, ValueToText(value)).first->second;
}
