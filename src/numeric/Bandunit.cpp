#include "numeric/Bandunit.h"

#include <algorithm>
#include <cstdio>

void TBand::Press(bool leftButton, int x, bool add) {
    if (!leftButton)
        return;
    Dragging = true;
    Adding = add;
    BoxStart = x;
    // Every drag starts without an end column: an end left over from a drag that closed
    // without the pop-up would offer a band the user never drew.
    BoxEnd = 0;
}

bool TBand::Move(int x, bool insidePlot) {
    if (!Dragging)
        return false;
    if (insidePlot)
        BoxEnd = x;
    return BoxStart != BoxEnd && BoxEnd != 0;
}

bool TBand::Release(bool leftButton) {
    const bool complete = leftButton && Dragging && BoxEnd != BoxStart && BoxEnd != 0;
    if (complete) {
        BoxLeft = BoxStart;
        BoxRight = BoxEnd;
        BoxStart = 0;
        BoxEnd = 0;
    }
    Dragging = false;
    return complete;
}

TAxisRange BandRange(int left, int right, const std::function<double(int)>& pixelToX) {
    const double a = pixelToX(left), b = pixelToX(right);
    return {std::min(a, b), std::max(a, b)};
}

std::vector<std::string> BandLines(const std::vector<TAxisRange>& bands) {
    std::vector<std::string> lines;
    for (const TAxisRange& band : bands) {
        char text[80];
        std::snprintf(text, sizeof text, "band %.6g .. %.6g", band.Low, band.High);
        lines.push_back(text);
    }
    return lines;
}
