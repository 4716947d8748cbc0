// Iconunit: the tool bar's own small pictures.
#pragma once

#include <QIcon>

enum class TDrawnIcon { PreviousFile, NextFile, MeasureLine };

// The tool bar's own small pictures, drawn at 16 x 16 (and 32 x 32 for dense screens): the arrows
// of Previous and Next file, and a line with a mark at its edge for Measure line. Drawn rather
// than taken from the style, whose arrows cost the window's first showing 1.5 ms (5 % of its
// start) for their look-up.
QIcon DrawnIcon(TDrawnIcon kind);
