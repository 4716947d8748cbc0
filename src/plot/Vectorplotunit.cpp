#include "plot/Vectorplotunit.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>

TVectorPlot::TVectorPlot(int width, int height, const TRect& plotRect, TColor background,
                         TColor area)
    : TDrawingSurface(width, height, plotRect),
      Resolution(QImage(1, 1, QImage::Format_RGB32).logicalDpiY()) {
    SetBackgroundColor(background);
    SetPlotAreaColor(area);
}

void TVectorPlot::OutlinedRect(const TRect& rect, const QColor& fill) {
    if (rect.Width() <= 0 || rect.Height() <= 0)
        return;
    TShape shape;
    shape.Kind = TShape::Rectangle;
    shape.Pen = Pen;
    shape.Fill = fill;
    shape.From = QPoint(rect.Left, rect.Top);
    shape.To = QPoint(rect.Right, rect.Bottom);
    Shapes.push_back(shape);
}

void TVectorPlot::PaintCleared(const QBrush& background, const QBrush& area) {
    Shapes.clear();
    HasSaved = false;
    OutlinedRect(TRect(0, 0, Width(), Height()), background.color());
    OutlinedRect(PlotRect(), area.color());
}

void TVectorPlot::PaintLine(const QPoint& from, const QPoint& to) {
    TShape shape;
    shape.Kind = TShape::Line;
    shape.Pen = Pen;
    shape.From = from;
    shape.To = to;
    Shapes.push_back(shape);
}

void TVectorPlot::PaintFill(const QRect& rect, const QColor& color) {
    AddArea(TShape::Filled, rect).Fill = color;
}

void TVectorPlot::PaintImage(const QRect& rect, const QImage& image) {
    AddArea(TShape::Picture, rect).Image = image;
}

TVectorPlot::TShape& TVectorPlot::AddArea(TShape::TKind kind, const QRect& rect) {
    TShape shape;
    shape.Kind = kind;
    shape.From = rect.topLeft();
    shape.To = rect.bottomRight() + QPoint(1, 1);
    Shapes.push_back(shape);
    return Shapes.back();
}

void TVectorPlot::PaintText(const std::string& text, int x, int y, double tenths,
                            const QColor& box) {
    TShape shape;
    shape.Kind = TShape::Label;
    shape.Text = Utf8Text(text);
    shape.BoxWidth = Metrics().horizontalAdvance(shape.Text);
    shape.Fill = box;
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

void TVectorPlot::Paint(QPainter& painter) const {
    // The canvas's lines fill whole pixels: a line at x covers the pixel from x to x + 1. A
    // vector line of width 1 covers half a pixel on each side of its path, so lines and
    // outlines run through the pixels' centres, x + 0.5, and stay one pixel wide when drawn
    // out. Texts keep their corners, as on the canvas.
    const QPointF centre(0.5, 0.5);
    painter.setFont(Font());
    for (const TShape& shape : Shapes) {
        switch (shape.Kind) {
        case TShape::Rectangle:
            painter.setPen(shape.Pen);
            painter.setBrush(shape.Fill);
            painter.drawRect(
                QRectF(QPointF(shape.From) + centre, QSizeF(shape.To.x() - shape.From.x() - 1,
                                                            shape.To.y() - shape.From.y() - 1)));
            break;
        case TShape::Filled:
            // Unlike an outline, a fill covers its pixels edge to edge.
            painter.fillRect(QRectF(QPointF(shape.From), QPointF(shape.To)), shape.Fill);
            break;
        case TShape::Picture:
            // In an SVG, an <image> holding the picture's pixels.
            painter.drawImage(QRectF(QPointF(shape.From), QPointF(shape.To)), shape.Image);
            break;
        case TShape::Line:
            painter.setPen(shape.Pen);
            painter.drawLine(QPointF(shape.From) + centre, QPointF(shape.To) + centre);
            break;
        case TShape::Label:
            DrawTextBox(painter, Metrics(), shape.Text, shape.BoxWidth, shape.From.x(),
                        shape.From.y(), shape.Tenths, shape.Fill);
            break;
        }
    }
}

QByteArray TVectorPlot::Svg(const QString& title) const {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(QSize(Width(), Height()));
    generator.setViewBox(QRect(0, 0, Width(), Height()));
    // The font's points become the same pixels as on the canvas's bitmap.
    generator.setResolution(Resolution);
    generator.setTitle(title);
    {
        QPainter painter(&generator);
        Paint(painter);
    }
    return buffer.data();
}
