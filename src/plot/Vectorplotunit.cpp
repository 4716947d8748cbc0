#include "plot/Vectorplotunit.h"

#include "plot/Plotunit_internal.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <cmath>

namespace {
// An image like the panel's bitmap: the font is measured at its resolution.
QImage PanelBitmap(int width, int height) {
    return QImage(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
}

// The font's measures on such an image.
QFontMetrics PanelMetrics(const QFont& font, int width, int height) {
    const QImage bitmap = PanelBitmap(width, height);
    return QFontMetrics(font, &bitmap);
}

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

TVectorPlot::TVectorPlot(int width, int height, const TRect& plotRect, TColor background,
                         TColor area)
    : Width(width), Height(height), FPlotRect(plotRect), FBackgroundColor(background),
      FPlotAreaColor(area), FFont(PlotFont()), FMetrics(PanelMetrics(FFont, width, height)),
      Resolution(PanelBitmap(1, 1).logicalDpiY()) {}

bool TVectorPlot::InPlotRect(int x, int y) const {
    return FPlotRect.Left <= x && x <= FPlotRect.Right && FPlotRect.Top <= y &&
           y <= FPlotRect.Bottom;
}

void TVectorPlot::OutlinedRect(const TRect& rect) {
    if (rect.Width() <= 0 || rect.Height() <= 0)
        return;
    TShape shape;
    shape.Kind = TShape::Rectangle;
    shape.Pen = Pen;
    shape.Fill = Brush.color();
    shape.From = QPoint(rect.Left, rect.Top);
    shape.To = QPoint(rect.Right, rect.Bottom);
    Shapes.push_back(shape);
}

void TVectorPlot::Clear() {
    // Everything drawn so far lies under the two filled rectangles.
    Shapes.clear();
    HasSaved = false;
    Pen.setColor(Qt::black);
    Pen.setWidth(1);
    Brush.setStyle(Qt::SolidPattern);
    Brush.setColor(ColorToQColor(FBackgroundColor));
    OutlinedRect(TRect(0, 0, Width, Height));
    Brush.setColor(ColorToQColor(FPlotAreaColor));
    OutlinedRect(FPlotRect);
}

void TVectorPlot::MoveTo(int x, int y) {
    LastX = x;
    LastY = y;
}

void TVectorPlot::LineTo(int x, int y) {
    // The same part of the line as the panel draws.
    QPoint from, to;
    const bool draw = ClipToPlotRect(LastX, LastY, x, y, FPlotRect, from, to);
    if (draw) {
        TShape shape;
        shape.Kind = TShape::Line;
        shape.Pen = Pen;
        shape.From = from;
        shape.To = to;
        Shapes.push_back(shape);
    }
    MoveTo(x, y);
}

void TVectorPlot::TextOutAngle(const std::string& text, int x, int y, double angle) {
    if (text.empty())
        return;
    double tenths = std::trunc(angle * 10.0);
    if (!std::isfinite(tenths))
        tenths = 0.0;
    TShape shape;
    shape.Kind = TShape::Label;
    shape.Text = FromUtf8(text);
    shape.BoxWidth = FMetrics.horizontalAdvance(shape.Text);
    shape.Fill = ColorToQColor(InPlotRect(x, y) ? FPlotAreaColor : FBackgroundColor);
    shape.From = QPoint(x, y);
    shape.Tenths = tenths;
    Shapes.push_back(shape);
}

void TVectorPlot::SaveImage() {
    Saved = Shapes.size();
    HasSaved = true;
}

void TVectorPlot::RestoreImage() {
    if (HasSaved)
        Shapes.resize(Saved);
}

int TVectorPlot::TextWidth(const std::string& text) const {
    return FMetrics.horizontalAdvance(FromUtf8(text));
}

int TVectorPlot::TextHeight(const std::string& /*text*/) const {
    return FMetrics.height();
}

void TVectorPlot::Paint(QPainter& painter) const {
    // The panel's lines fill whole pixels: a line at x covers the pixel from x to x + 1. A
    // vector line of width 1 covers half a pixel on each side of its path, so lines and
    // outlines run through the pixels' centres, x + 0.5, and stay one pixel wide when drawn
    // out. Texts keep their corners, as on the panel.
    const QPointF centre(0.5, 0.5);
    painter.setFont(FFont);
    for (const TShape& shape : Shapes) {
        switch (shape.Kind) {
        case TShape::Rectangle:
            painter.setPen(shape.Pen);
            painter.setBrush(shape.Fill);
            painter.drawRect(
                QRectF(QPointF(shape.From) + centre, QSizeF(shape.To.x() - shape.From.x() - 1,
                                                            shape.To.y() - shape.From.y() - 1)));
            break;
        case TShape::Line:
            painter.setPen(shape.Pen);
            painter.drawLine(QPointF(shape.From) + centre, QPointF(shape.To) + centre);
            break;
        case TShape::Label:
            painter.save();
            painter.translate(shape.From);
            if (shape.Tenths != 0.0)
                painter.rotate(-shape.Tenths / 10.0); // y runs downwards
            painter.fillRect(QRect(0, 0, shape.BoxWidth, FMetrics.height()), shape.Fill);
            painter.setPen(Qt::black);
            painter.drawText(0, FMetrics.ascent(), shape.Text);
            painter.restore();
            break;
        }
    }
}

QByteArray TVectorPlot::Svg(const QString& title) const {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(QSize(Width, Height));
    generator.setViewBox(QRect(0, 0, Width, Height));
    // The font's points become the same pixels as on the panel's bitmap.
    generator.setResolution(Resolution);
    generator.setTitle(title);
    {
        QPainter painter(&generator);
        Paint(painter);
    }
    return buffer.data();
}
