#include "app/Plotunit.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QWheelEvent>

TPlot::TPlot(QWidget* owner, const TRect& creation)
    : QWidget(owner), TPlotCanvas(creation.Width(), creation.Height(), creation) {
    setGeometry(creation.Left, creation.Top, creation.Width(), creation.Height());
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    FScreenRatio = devicePixelRatioF();
    SetDevicePixelRatio(FScreenRatio);
}

void TPlot::PictureChanged() {
    update();
}

void TPlot::FollowScreen() {
    const qreal screen = devicePixelRatioF();
    if (screen == FScreenRatio)
        return;
    FScreenRatio = screen;
    SetDevicePixelRatio(screen);
}

bool TPlot::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::ScreenChangeInternal: // the window moved to another screen
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
    case QEvent::DevicePixelRatioChange:
#endif
        FollowScreen();
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

void TPlot::paintEvent(QPaintEvent* event) {
    // A change of the screen's scale that came without an event of its own.
    FollowScreen();
    QPainter painter(this);
    const QRect exposed = event->rect();
    const QImage& picture = Picture();
    if (picture.isNull())
        painter.fillRect(exposed, Qt::black);
    else if (picture.devicePixelRatio() == 1.0)
        painter.drawImage(exposed.topLeft(), picture, exposed);
    else
        // Device pixel for device pixel on the screen; the painter is clipped to the exposed
        // part.
        painter.drawImage(QPointF(0, 0), picture);
}

void TPlot::mousePressEvent(QMouseEvent* event) {
    if (OnMouseDown) {
        const QPoint at = event->position().toPoint();
        OnMouseDown(event->button(), event->modifiers(), at.x(), at.y());
    }
}

void TPlot::mouseMoveEvent(QMouseEvent* event) {
    if (OnMouseMove) {
        const QPoint at = event->position().toPoint();
        OnMouseMove(event->modifiers(), at.x(), at.y());
    }
}

void TPlot::mouseReleaseEvent(QMouseEvent* event) {
    if (OnMouseUp) {
        const QPoint at = event->position().toPoint();
        OnMouseUp(event->button(), event->modifiers(), at.x(), at.y());
    }
}

void TPlot::wheelEvent(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    if (!OnWheel || delta == 0) {
        event->ignore();
        return;
    }
    const QPoint at = event->position().toPoint();
    OnWheel(event->modifiers(), delta / 120.0, at.x(), at.y());
    event->accept();
}

void TPlot::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (event->size() == QSize(Width(), Height()))
        return;
    Resize(event->size().width(), event->size().height());
    if (OnResize)
        OnResize();
}
