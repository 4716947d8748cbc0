// The plot panel: the window's widget that shows a plot canvas's picture and passes the mouse on.
//
// TPlot is the canvas itself (the window draws on it as on any drawing surface, and tests read
// its bitmap and picture), placed in a widget that only paints the picture, follows its screen's
// device pixel ratio and reports mouse events; see Canvasunit.h for the drawing. Mouse positions
// are in logical pixels, the widget's own, as is every coordinate of the canvas.
#pragma once

#include "plot/Canvasunit.h"

#include <QWidget>
#include <functional>

class TPlot : public QWidget, public TPlotCanvas {
    Q_OBJECT
public:
    // The widget takes the creation rectangle within owner; the bitmap is its width x height;
    // PlotRect starts as the creation rectangle; both colours are 0 (black) and the bitmap is
    // black until the first Clear. The device pixel ratio is that of the widget's screen, taken
    // again whenever that changes (the window moved to another screen, the screen's scale
    // changed).
    TPlot(QWidget* owner, const TRect& creation);

    std::function<void(Qt::MouseButton, Qt::KeyboardModifiers, int x, int y)> OnMouseDown,
        OnMouseUp;
    std::function<void(Qt::KeyboardModifiers, int x, int y)> OnMouseMove;
    // The wheel turned by steps (120 eighths of a degree each, positive away from the user)
    // with the pointer at (x, y).
    std::function<void(Qt::KeyboardModifiers, double steps, int x, int y)> OnWheel;
    // The widget took a new size: the canvas has it (Resize) and is to be drawn afresh.
    std::function<void()> OnResize;

protected:
    void PictureChanged() override;
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Takes the ratio of the widget's screen when it differs from the one last taken.
    void FollowScreen();

    qreal FScreenRatio = 1.0; // the screen's ratio when last taken
};
