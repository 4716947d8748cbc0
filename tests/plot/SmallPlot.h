// The small plot of the plot tests: 300 x 200 with the data area (20, 10, 280, 190), yellow
// background, white area; on a canvas or on the widget.
#pragma once

#include "plot/Surfaceunit.h"

#include <QColor>
#include <memory>

constexpr TColor Yellow = 0x00FFFF; // 0x00BBGGRR
constexpr TColor White = 0xFFFFFF;
const TRect Area(20, 10, 280, 190);

template <class TSurface> std::unique_ptr<TSurface> Dressed(std::unique_ptr<TSurface> plot) {
    plot->SetBackgroundColor(Yellow);
    plot->SetPlotAreaColor(White);
    plot->SetPlotRect(Area);
    return plot;
}

inline QRgb Rgb(int r, int g, int b) {
    return qRgb(r, g, b);
}
