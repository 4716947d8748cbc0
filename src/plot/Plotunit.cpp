#include "plot/Plotunit.h"
#include "plot/Plotunit_internal.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QString>
#include <algorithm>
#include <cmath>

namespace {

constexpr TColor SystemColorFlag = 0x80000000;

// Palette roles standing in for the system colour indices the program may use.
QPalette::ColorRole SystemColorRole(TColor index, bool& known) {
    known = true;
    switch (index) {
    case 5: // window background
        return QPalette::Base;
    case 8: // window text
        return QPalette::Text;
    case 13: // highlight
        return QPalette::Highlight;
    case 14: // highlighted text
        return QPalette::HighlightedText;
    case 15: // button face
        return QPalette::Button;
    case 18: // button text
        return QPalette::ButtonText;
    case 23: // tooltip text
        return QPalette::ToolTipText;
    case 24: // tooltip background
        return QPalette::ToolTipBase;
    default:
        known = false;
        return QPalette::NoRole;
    }
}

QFont CanvasFont() {
    QFont font = QGuiApplication::font();
    font.setBold(true);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    font.setPointSize(10);
    return font;
}

// Metrics of the font as drawn on the bitmap (its resolution, not the screen's).
QFontMetrics BitmapMetrics(const QFont& font, const QImage& bitmap) {
    return bitmap.isNull() ? QFontMetrics(font) : QFontMetrics(font, &bitmap);
}

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool Between(std::int64_t value, std::int64_t a, std::int64_t b) {
    return std::min(a, b) <= value && value <= std::max(a, b);
}

} // namespace

QColor ColorToQColor(TColor color) {
    if (color & SystemColorFlag) {
        bool known = false;
        const QPalette::ColorRole role = SystemColorRole(color & ~SystemColorFlag, known);
        return known ? QGuiApplication::palette().color(QPalette::Active, role) : QColor(Qt::black);
    }
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

std::vector<QPoint> EdgeCrossings(int x0, int y0, int x1, int y1, const TRect& r) {
    std::vector<QPoint> crossings;
    // c = x1 y0 - y1 x0 is exact in 64 bits for any 32-bit coordinates (each product is at most
    // 2^62 in magnitude and the two cannot reach 2^62 with opposite signs at once).
    const double c = static_cast<double>(static_cast<std::int64_t>(x1) * y0 -
                                         static_cast<std::int64_t>(y1) * x0);
    const std::int64_t dx = static_cast<std::int64_t>(x1) - x0;
    const std::int64_t e = static_cast<std::int64_t>(y0) - y1;

    if (dx != 0) {
        for (const int edge : {r.Left, r.Right}) {
            if (!Between(edge, x0, x1))
                continue;
            const double y =
                (c - static_cast<double>(edge) * static_cast<double>(e)) / static_cast<double>(dx);
            if (r.Top <= y && y <= r.Bottom)
                crossings.emplace_back(edge, static_cast<int>(y));
        }
    }
    if (e != 0) {
        for (const int edge : {r.Top, r.Bottom}) {
            if (!Between(edge, y0, y1))
                continue;
            const double x =
                (c - static_cast<double>(edge) * static_cast<double>(dx)) / static_cast<double>(e);
            if (r.Left <= x && x <= r.Right)
                crossings.emplace_back(static_cast<int>(x), edge);
        }
    }
    return crossings;
}

TPlot::TPlot(QWidget* owner, const TRect& creation)
    : QWidget(owner), FBitmap(creation.Width(), creation.Height(), QImage::Format_RGB32),
      FPlotRect(creation), FFont(CanvasFont()), FMetrics(BitmapMetrics(FFont, FBitmap)) {
    setGeometry(creation.Left, creation.Top, creation.Width(), creation.Height());
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    FBitmap.fill(Qt::black);
    FPicture = FBitmap;
}

TPlot::~TPlot() {
    EndCanvas();
}

QPainter& TPlot::Canvas() {
    if (!FCanvas) {
        FCanvas = std::make_unique<QPainter>(&FBitmap);
        FCanvas->setRenderHint(QPainter::TextAntialiasing, true);
        FCanvas->setFont(FFont);
    }
    return *FCanvas;
}

void TPlot::EndCanvas() const {
    FCanvas.reset();
}

const QImage& TPlot::Bitmap() const {
    EndCanvas();
    return FBitmap;
}

void TPlot::SetBackgroundColor(TColor color) {
    FBackgroundColor = color;
    Clear();
}

void TPlot::SetPlotAreaColor(TColor color) {
    FPlotAreaColor = color;
    Clear();
}

void TPlot::SetPlotRect(const TRect& rect) {
    FPlotRect = rect;
    Clear();
}

void TPlot::OutlinedRect(QPainter& painter, const TRect& rect) {
    if (rect.Width() <= 0 || rect.Height() <= 0)
        return;
    painter.setPen(Pen);
    painter.setBrush(Brush);
    // A stroked QRect covers its size plus the pen width: columns Left .. Right - 1.
    painter.drawRect(QRect(rect.Left, rect.Top, rect.Width() - 1, rect.Height() - 1));
}

void TPlot::Clear() {
    Pen.setColor(Qt::black);
    Pen.setWidth(1);
    Brush.setStyle(Qt::SolidPattern);
    Brush.setColor(ColorToQColor(FBackgroundColor));
    if (FBitmap.isNull()) {
        Brush.setColor(ColorToQColor(FPlotAreaColor));
        return;
    }
    QPainter& painter = Canvas();
    OutlinedRect(painter, TRect(0, 0, FBitmap.width(), FBitmap.height()));
    Brush.setColor(ColorToQColor(FPlotAreaColor));
    OutlinedRect(painter, FPlotRect);
}

void TPlot::MoveTo(int x, int y) {
    LastX = x;
    LastY = y;
}

bool TPlot::InPlotRect(int x, int y) const {
    return FPlotRect.Left <= x && x <= FPlotRect.Right && FPlotRect.Top <= y &&
           y <= FPlotRect.Bottom;
}

void TPlot::LineTo(int x, int y) {
    const bool startIn = InPlotRect(LastX, LastY);
    const bool endIn = InPlotRect(x, y);
    if (!FBitmap.isNull()) {
        if (startIn && endIn) {
            QPainter& painter = Canvas();
            painter.setPen(Pen);
            painter.drawLine(LastX, LastY, x, y);
        } else {
            const std::vector<QPoint> crossings = EdgeCrossings(LastX, LastY, x, y, FPlotRect);
            // The first crossing other than the given point. A corner is found on two edges and
            // a start on an edge is a crossing of its own; taking such a point twice would draw a
            // single pixel in place of the part of the line that lies inside.
            auto firstOtherThan = [&crossings](const QPoint& point) {
                for (const QPoint& crossing : crossings)
                    if (crossing != point)
                        return crossing;
                return point;
            };
            QPoint from, to;
            bool draw = false;
            if (startIn && !crossings.empty()) {
                from = QPoint(LastX, LastY);
                to = firstOtherThan(from);
                draw = true;
            } else if (endIn && !crossings.empty()) {
                from = crossings[0];
                to = QPoint(x, y);
                draw = true;
            } else if (crossings.size() >= 2) {
                from = crossings[0];
                to = firstOtherThan(from);
                draw = true;
            }
            if (draw) {
                QPainter& painter = Canvas();
                painter.setPen(Pen);
                painter.drawLine(from, to);
            }
        }
    }
    MoveTo(x, y);
}

void TPlot::TextOutAngle(const std::string& text, int x, int y, double angle) {
    const QColor brushColor = Brush.color();
    Brush.setColor(ColorToQColor(InPlotRect(x, y) ? FPlotAreaColor : FBackgroundColor));
    if (!text.empty() && !FBitmap.isNull()) {
        const QString s = FromUtf8(text);
        double tenths = std::trunc(angle * 10.0);
        if (!std::isfinite(tenths))
            tenths = 0.0;
        QPainter& painter = Canvas();
        painter.translate(x, y);
        if (tenths != 0.0)
            painter.rotate(-tenths / 10.0); // y runs downwards: counter-clockwise is negative
        painter.fillRect(QRect(0, 0, FMetrics.horizontalAdvance(s), FMetrics.height()),
                         Brush.color());
        painter.setPen(Qt::black);
        painter.drawText(0, FMetrics.ascent(), s);
        painter.resetTransform();
    }
    Brush.setColor(brushColor);
}

// The copies below share the image data until one side is painted on again (a painter opened
// on a shared image detaches it), so each costs at most one copy of the pixels, made later.
void TPlot::SaveImage() {
    EndCanvas();
    FSavedBitmap = FBitmap;
}

void TPlot::RestoreImage() {
    if (FSavedBitmap.isNull())
        return;
    EndCanvas();
    FBitmap = FSavedBitmap;
}

void TPlot::Show() {
    EndCanvas();
    FPicture = FBitmap;
    update();
}

int TPlot::TextWidth(const std::string& text) const {
    return FMetrics.horizontalAdvance(FromUtf8(text));
}

int TPlot::TextHeight(const std::string& /*text*/) const {
    return FMetrics.height();
}

void TPlot::DrawOnPicture(const std::function<void(QPainter&)>& draw) {
    if (FPicture.isNull())
        return;
    {
        QPainter painter(&FPicture);
        draw(painter);
    }
    update();
}

void TPlot::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    if (FPicture.isNull())
        painter.fillRect(rect(), Qt::black);
    else
        painter.drawImage(0, 0, FPicture);
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
