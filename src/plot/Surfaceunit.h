// Surfaceunit: what a graph is drawn on. TDrawingSurface declares the drawing operations of the
// graph and the rotation curve, in pixel coordinates (x to the right, y downwards, origin at the
// top-left corner), and keeps the geometry that every surface shares, so that each picture of a
// spectrum is one drawing: the plot rectangle and the clipping of lines to it, the font and the
// text measures, the colour of the box behind a text. The plot canvas (the window's pixels and
// PNG pictures) and the vector recorder (SVG drawings) implement it.
//
// Rectangles are drawn as the pair (Left, Top) - (Right, Bottom) with the right and bottom
// edges excluded: Clear's outline of a rectangle covers columns Left .. Right - 1 and rows
// Top .. Bottom - 1. Lines include both end points.
#pragma once

#include "numeric/Graphmapunit.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QPen>
#include <QPoint>
#include <QString>
#include <cstdint>
#include <string>

class QImage;
class QPainter;

// A colour value: 0x00BBGGRR for plain colours, or a system colour index with the top bit set.
using TColor = std::uint32_t;
constexpr TColor clInfoBk = 0x80000018; // system tooltip-background colour

// The colour a TColor stands for. Plain colours come from the red, green and blue bytes; system
// colours from the application palette (tooltip background and text, window, button face, text,
// highlight); an unknown system index gives black.
QColor ColorToQColor(TColor color);

// The plot's font: the application's, bold, 10 points.
QFont PlotFont();

// A UTF-8 text as Qt's.
QString Utf8Text(const std::string& text);

// A text on its box as every surface draws it: the box of width x metrics.height() filled with
// box, the text in black on it, with the box's top-left corner (before rotation) at (x, y),
// turned counter-clockwise by tenths of a degree. The painter's state is as before afterwards.
void DrawTextBox(QPainter& painter, const QFontMetrics& metrics, const QString& text, int width,
                 int x, int y, double tenths, const QColor& box);

class TDrawingSurface {
public:
    // A surface of width x height pixels with the given plot rectangle; both colours are 0
    // (black). The font is the plot's, measured at the resolution of an image (that of the
    // plot's bitmap), so that a text takes the same room on every surface and every screen.
    TDrawingSurface(int width, int height, const TRect& plotRect);
    virtual ~TDrawingSurface() = default;
    TDrawingSurface(const TDrawingSurface&) = delete;
    TDrawingSurface& operator=(const TDrawingSurface&) = delete;

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    const TRect& PlotRect() const { return FPlotRect; }
    void SetBackgroundColor(TColor color); // stores the colour, then Clear
    void SetPlotAreaColor(TColor color);   // stores the colour, then Clear
    void SetPlotRect(const TRect& rect);   // stores the rectangle, then Clear

    // Pen black and width 1; the surface filled with the background colour and the plot
    // rectangle with the plot-area colour, both outlined with the pen. Everything drawn before
    // is covered. The brush is left at the plot-area colour.
    void Clear();
    void MoveTo(int x, int y);
    // A line from (LastX, LastY) to (x, y) with the pen, showing only its part inside PlotRect;
    // then MoveTo (x, y).
    void LineTo(int x, int y);
    // UTF-8 text with its top-left corner (before rotation) at (x, y), turned counter-clockwise
    // by angle degrees truncated to tenths, drawn in black (antialiased) on an opaque box of the
    // colour of the area in which (x, y) lies. The brush is left alone.
    void TextOutAngle(const std::string& text, int x, int y, double angle);
    // The pixels of rect (right and bottom edges excluded) that lie on the surface, filled with
    // color and not outlined: an image's cell, a colour bar. Unlike a line it is not clipped to
    // the plot rectangle, so that a colour bar beside the plot can be drawn; an image inside
    // the plot keeps to it by itself. Pen and Brush are left alone.
    void FillRect(const TRect& rect, const QColor& color);
    // An image stretched over rect (right and bottom edges excluded), each of its pixels a block
    // without smoothing: a picture of many cells in one operation, which an SVG keeps as one
    // embedded image rather than a shape per cell. Nothing for an empty rect or image.
    void DrawImage(const TRect& rect, const QImage& image);
    virtual void SaveImage() = 0;        // keeps the drawing as it stands
    virtual void RestoreImage() = 0;     // back to the kept drawing; nothing before the first Save
    virtual void Show() = 0;             // the drawing so far is the one to show
    bool InPlotRect(int x, int y) const; // edges included
    virtual int TextWidth(const std::string& text) const;
    int TextHeight(const std::string& text) const;

    int LastX = 0, LastY = 0;
    QPen Pen;     // colour, width and style of LineTo
    QBrush Brush; // the fill of Clear's rectangles

protected:
    // Clear's two rectangles, each filled with its brush and outlined with Pen: the whole
    // surface, then the plot rectangle (nothing for one of no width or height).
    virtual void PaintCleared(const QBrush& background, const QBrush& area) = 0;
    // A line already clipped to the plot rectangle, with Pen.
    virtual void PaintLine(const QPoint& from, const QPoint& to) = 0;
    // A rectangle of pixels already clipped to the plot rectangle, not empty, filled with an
    // opaque colour.
    virtual void PaintFill(const QRect& rect, const QColor& color) = 0;
    // An image that is not empty, stretched over a rectangle that is not empty.
    virtual void PaintImage(const QRect& rect, const QImage& image) = 0;
    // A text that is not empty, turned by tenths of a degree (a whole number), on a box of
    // TextWidth x TextHeight of the given colour.
    virtual void PaintText(const std::string& text, int x, int y, double tenths,
                           const QColor& box) = 0;

    const QFont& Font() const { return FFont; }
    const QFontMetrics& Metrics() const { return FMetrics; }
    // A new size of the surface; the plot rectangle stays as it is (a surface that grows sets a
    // new one).
    void SetSize(int width, int height) {
        FWidth = width;
        FHeight = height;
    }

private:
    int FWidth, FHeight;
    TRect FPlotRect;
    TColor FBackgroundColor = 0;
    TColor FPlotAreaColor = 0;
    QFont FFont;
    QFontMetrics FMetrics;
};
