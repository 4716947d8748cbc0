#include "numeric/Bandunit.h"

void TBand::Press(bool leftButton, int x) {
    if (!leftButton)
        return;
    Dragging = true;
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
