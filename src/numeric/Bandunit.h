// The band a user drags across the plot with the left mouse button to mark the part of the
// spectrum that holds the line. Pixel columns of the plot control. A drag with Shift adds its
// band to those marked before (the baseline is then fitted outside all of them); a plain drag
// starts afresh.
#pragma once

#include "numeric/Linewindowunit.h"

#include <functional>
#include <string>
#include <vector>

struct TBand {
    bool Dragging = false; // the left button went down on the plot and is still down
    int BoxStart = 0;      // column where the left button went down
    int BoxEnd = 0;        // latest column inside the plot rectangle during the drag; 0 = none
    int BoxLeft = 0;       // the last completed band's edges, in the order start, end
    int BoxRight = 0;
    bool Adding = false; // the drag went down with Shift: its band adds to those marked before

    // A button went down at column x. Only the left button starts a drag, anywhere on the plot;
    // add: Shift was held.
    void Press(bool leftButton, int x, bool add = false);
    // The pointer moved to column x; insidePlot tells whether it lies in the plot rectangle.
    // Returned: true when the band (BoxStart to BoxEnd) is to be drawn.
    bool Move(int x, bool insidePlot);
    // A button went up. Returned: true when a band was completed and the pop-up is to open; the
    // band's edges are then in BoxLeft and BoxRight and a new band starts from nothing.
    bool Release(bool leftButton);
};

// The band between two pixel columns as a stretch of the axis, Low <= High.
// Given: left, right  the band's edge columns, in either order
//        pixelToX     the axis value of a column
TAxisRange BandRange(int left, int right, const std::function<double(int)>& pixelToX);

// The bands as the memo lists them, one a line: "band -50.2 .. 48.7" (6 significant digits).
std::vector<std::string> BandLines(const std::vector<TAxisRange>& bands);
