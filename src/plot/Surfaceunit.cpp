#include "plot/Surfaceunit.h"

#include "plot/Rasterunit.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>
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

// The font's measures on an image like the plot's bitmap: an image's resolution, not the
// screen's, so that the same text takes the same room in the window, in a PNG and in an SVG.
QFontMetrics ImageMetrics(const QFont& font) {
    const QImage image(1, 1, QImage::Format_RGB32);
    return QFontMetrics(font, &image);
}

} // namespace

QString Utf8Text(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QFont PlotFont() {
    QFont font = QGuiApplication::font();
    font.setBold(true);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    font.setPointSize(10);
    return font;
}

QColor ColorToQColor(TColor color) {
    if (color & SystemColorFlag) {
        bool known = false;
        const QPalette::ColorRole role = SystemColorRole(color & ~SystemColorFlag, known);
        return known ? QGuiApplication::palette().color(QPalette::Active, role) : QColor(Qt::black);
    }
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

void DrawTextBox(QPainter& painter, const QFontMetrics& metrics, const QString& text, int width,
                 int x, int y, double tenths, const QColor& box) {
    painter.save();
    painter.translate(x, y);
    if (tenths != 0.0)
        painter.rotate(-tenths / 10.0); // y runs downwards: counter-clockwise is negative
    painter.fillRect(QRect(0, 0, width, metrics.height()), box);
    painter.setPen(Qt::black);
    painter.drawText(0, metrics.ascent(), text);
    painter.restore();
}

TDrawingSurface::TDrawingSurface(int width, int height, const TRect& plotRect)
    : FWidth(width), FHeight(height), FPlotRect(plotRect), FFont(PlotFont()),
      FMetrics(ImageMetrics(FFont)) {}

void TDrawingSurface::SetBackgroundColor(TColor color) {
    FBackgroundColor = color;
    Clear();
}

void TDrawingSurface::SetPlotAreaColor(TColor color) {
    FPlotAreaColor = color;
    Clear();
}

void TDrawingSurface::SetPlotRect(const TRect& rect) {
    FPlotRect = rect;
    Clear();
}

void TDrawingSurface::Clear() {
    Pen.setColor(Qt::black);
    Pen.setWidth(1);
    Brush.setStyle(Qt::SolidPattern);
    Brush.setColor(ColorToQColor(FBackgroundColor));
    QBrush area = Brush;
    area.setColor(ColorToQColor(FPlotAreaColor));
    PaintCleared(Brush, area);
    Brush = area;
}

void TDrawingSurface::MoveTo(int x, int y) {
    LastX = x;
    LastY = y;
}

void TDrawingSurface::LineTo(int x, int y) {
    QPoint from, to;
    if (ClipToPlotRect(LastX, LastY, x, y, FPlotRect, from, to))
        PaintLine(from, to);
    MoveTo(x, y);
}

void TDrawingSurface::TextOutAngle(const std::string& text, int x, int y, double angle) {
    if (text.empty())
        return;
    double tenths = std::trunc(angle * 10.0);
    if (!std::isfinite(tenths))
        tenths = 0.0;
    PaintText(text, x, y, tenths,
              ColorToQColor(InPlotRect(x, y) ? FPlotAreaColor : FBackgroundColor));
}

void TDrawingSurface::FillRect(const TRect& rect, const QColor& color) {
    const QRect wanted(QPoint(rect.Left, rect.Top), QPoint(rect.Right - 1, rect.Bottom - 1));
    const QRect inside = wanted & QRect(0, 0, FWidth, FHeight);
    if (!inside.isEmpty())
        PaintFill(inside, color);
}

void TDrawingSurface::DrawImage(const TRect& rect, const QImage& image) {
    if (rect.Width() > 0 && rect.Height() > 0 && !image.isNull())
        PaintImage(QRect(rect.Left, rect.Top, rect.Width(), rect.Height()), image);
}

bool TDrawingSurface::InPlotRect(int x, int y) const {
    return FPlotRect.Left <= x && x <= FPlotRect.Right && FPlotRect.Top <= y &&
           y <= FPlotRect.Bottom;
}

int TDrawingSurface::TextWidth(const std::string& text) const {
    return FMetrics.horizontalAdvance(Utf8Text(text));
}

int TDrawingSurface::TextHeight(const std::string& /*text*/) const {
    return FMetrics.height();
}
