// The band a user drags across the plot with the left mouse button to mark the part of the
// spectrum that holds the line. Pixel columns of the plot control.
#pragma once

struct TBand {
    bool Dragging = false; // the left button went down on the plot and is still down
    int BoxStart = 0;      // column where the left button went down
    int BoxEnd = 0;        // latest column inside the plot rectangle during the drag; 0 = none
    int BoxLeft = 0;       // the last completed band's edges, in the order start, end
    int BoxRight = 0;

    // A button went down at column x. Only the left button starts a drag, anywhere on the plot.
    void Press(bool leftButton, int x);
    // The pointer moved to column x; insidePlot tells whether it lies in the plot rectangle.
    // Returned: true when the band (BoxStart to BoxEnd) is to be drawn.
    bool Move(int x, bool insidePlot);
    // A button went up. Returned: true when a band was completed and the pop-up is to open; the
    // band's edges are then in BoxLeft and BoxRight and a new band starts from nothing.
    bool Release(bool leftButton);
};
