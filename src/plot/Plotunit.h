// The plot panel: a widget that owns an off-screen bitmap in which the spectrum graph is drawn
// in pixel coordinates (x to the right, y downwards, origin at the top-left corner), and that
// displays a picture copied from the bitmap on Show.
//
// Inside the bitmap a plot rectangle marks the data area: it has its own fill colour, LineTo
// clips lines to it, and text starting inside it gets the area's colour as its background.
// The displayed picture is a second layer: Show replaces it with the bitmap, and DrawOnPicture
// adds transient marks (such as a selection band) that the next Show wipes.
//
// Rectangles are drawn as the pair (Left, Top) - (Right, Bottom) with the right and bottom
// edges excluded: Clear's outline of a rectangle covers columns Left .. Right - 1 and rows
// Top .. Bottom - 1. Lines are drawn without antialiasing and include both end points.
//
// Every coordinate of the plot (the plot rectangle, lines, text positions and sizes, mouse
// positions) is in logical pixels, the widget's own. The bitmap itself holds device pixels:
// ratio x ratio of them per logical pixel, the ratio being that of the screen the widget is on
// (2 on most high-density screens), so that the graph is as sharp as the screen can show it.
// Logical column x covers the device columns from floor(x ratio + 1/2) up to, not including,
// floor((x + 1) ratio + 1/2), and rows likewise; at a ratio of 2 that is a 2 x 2 block.
// - Fills cover the blocks of their logical pixels.
// - A line of one pixel (a solid opaque pen of width 0 or 1, square caps) sets the logical
//   pixels it sets at ratio 1, each as a whole block: it stays one logical pixel wide, its
//   staircase and its clipped ends are those of ratio 1 exactly. Other pens (wider, dashed,
//   translucent, other caps) are stroked by the painter in logical units, shifted so that a
//   line through whole coordinates lies on the same blocks.
// - Text is laid out in logical pixels (its width and height are those of ratio 1) and drawn at
//   the device resolution, its glyphs rendered for the device pixels.
// At a ratio of 1 the bitmap is the logical one, pixel for pixel.
#pragma once

#include "numeric/Graphmapunit.h"

#include <QBrush>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QLine>
#include <QPen>
#include <QPoint>
#include <QTransform>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class QPainter;

// A colour value: 0x00BBGGRR for plain colours, or a system colour index with the top bit set.
using TColor = std::uint32_t;
constexpr TColor clInfoBk = 0x80000018; // system tooltip-background colour

// The colour a TColor stands for. Plain colours come from the red, green and blue bytes; system
// colours from the application palette (tooltip background and text, window, button face, text,
// highlight); an unknown system index gives black.
QColor ColorToQColor(TColor color);

class TPlot : public QWidget {
    Q_OBJECT
public:
    // The widget takes the creation rectangle within owner; the bitmap is its width x height;
    // PlotRect starts as the creation rectangle; the canvas font is bold 10 points; both colours
    // are 0 (black) and the bitmap is black until the first Clear.
    TPlot(QWidget* owner, const TRect& creation);
    ~TPlot() override;

    void SetBackgroundColor(TColor color); // stores the colour, then Clear
    void SetPlotAreaColor(TColor color);   // stores the colour, then Clear
    void SetPlotRect(const TRect& rect);   // stores the rectangle, then Clear
    const TRect& PlotRect() const { return FPlotRect; }

    // Pen black and width 1; the bitmap filled with the background colour and the plot
    // rectangle with the plot-area colour, both outlined with the pen. The brush is left at the
    // plot-area colour.
    void Clear();
    void MoveTo(int x, int y);
    // A line from (LastX, LastY) to (x, y) with the canvas pen, showing only its part inside
    // PlotRect; then MoveTo (x, y).
    void LineTo(int x, int y);
    // UTF-8 text with its top-left corner (before rotation) at (x, y), turned counter-clockwise
    // by angle degrees truncated to tenths, drawn in black (antialiased) on an opaque box of the
    // colour of the area in which (x, y) lies. The brush colour is restored afterwards.
    void TextOutAngle(const std::string& text, int x, int y, double angle);
    void SaveImage();    // keeps a copy of the bitmap
    void RestoreImage(); // bitmap := the kept copy; nothing before the first SaveImage
    void Show();         // displayed picture := the bitmap; repaint
    bool InPlotRect(int x, int y) const; // edges included
    int TextWidth(const std::string& text) const;
    int TextHeight(const std::string& text) const;

    // Device pixels per logical pixel of the bitmap, the saved image and the picture. The plot
    // takes the ratio of its screen when it is built and again whenever that changes (the
    // window moved to another screen, the screen's scale changed); tests set it directly. A new
    // ratio turns the images into ones of the new size holding what they held, enlarged or
    // reduced pixel for pixel (text loses its sharpness), then calls OnDevicePixelRatioChange,
    // whose handler draws the graph afresh. A ratio that is not a positive number counts as 1.
    void SetDevicePixelRatio(qreal ratio);
    qreal DevicePixelRatio() const { return FRatio; }

    int LastX = 0, LastY = 0;
    QPen Pen;     // canvas pen: colour, width and style of LineTo
    QBrush Brush; // canvas brush

    // The images hold device pixels and carry the ratio (QImage::devicePixelRatio).
    const QImage& Bitmap() const; // the finished drawing so far
    const QImage& Picture() const { return FPicture; }
    // Draws on the displayed picture (wiped by the next Show) and schedules a repaint. The
    // painter works in logical pixels and is meant for lines: at a ratio other than 1 it is
    // shifted as the plot's own stroked lines are, so that a pen of one logical pixel through
    // whole coordinates covers the blocks of the logical pixels it covers at ratio 1 (a cosmetic
    // pen of width 0 stays one device pixel wide; a fill is shifted by as much).
    void DrawOnPicture(const std::function<void(QPainter&)>& draw);

    std::function<void(Qt::MouseButton, Qt::KeyboardModifiers, int x, int y)> OnMouseDown,
        OnMouseUp;
    std::function<void(Qt::KeyboardModifiers, int x, int y)> OnMouseMove;
    // Called after the device pixel ratio changed, to draw the graph afresh at the new one.
    std::function<void()> OnDevicePixelRatioChange;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // A text's box with the text in it, drawn once for one angle and box colour.
    struct TLabelPicture {
        int Tenths = 0;
        QRgb Box = 0;
        bool Overhangs = false; // ink outside the box: drawn afresh each time
        QImage Image;           // the box with the text, as it lands on the bitmap
        QPoint Offset;          // of the image's top-left corner from the text's reference point
    };
    // A text as measured once: its UTF-8 form converted, its width, and the pictures of its box
    // drawn so far.
    struct TText {
        QString Text;
        int Width = 0;
        std::vector<TLabelPicture> Pictures;
    };
    // The part of the saved image that differs from the bitmap it was taken from.
    struct TPatch {
        QRect Rect;
        QImage Pixels;
    };

    // The painter on the bitmap, opened on first use and kept open between drawing operations
    // (opening one per line would cost more than the line); EndCanvas closes it, which must
    // happen before the bitmap is shared, copied or replaced.
    QPainter& Canvas() const;
    void EndCanvas() const;
    void OutlinedRect(QPainter& painter, const TRect& rect);
    bool FillClear(QPainter& painter);
    // The device pixels of a rectangle of logical pixels, within the bitmap.
    QRect DeviceRect(const QRect& logical) const;
    // An opaque fill of a rectangle of logical pixels.
    void FillLogical(QPainter& painter, const QRect& logical, const QColor& color) const;
    // The shift of stroked lines at ratios other than 1 (see the header comment).
    QTransform LineShift() const;
    // Takes the ratio of the widget's screen when it differs from the one last taken.
    void FollowScreen();
    // Lines wait in a batch while the pen stays the same and are drawn in one call; anything
    // else that draws, reads or hands out the bitmap draws them first.
    void AddLine(const QPoint& from, const QPoint& to);
    void FlushLines() const;
    // Keeps the saved image's pixels of rect (logical; device pixels for the second) before
    // the bitmap is drawn on there.
    void KeepSavedPixels(const QRect& rect) const;
    void KeepSavedDevicePixels(const QRect& rect) const;
    void MaterialiseSaved() const;
    // Makes the bitmap a buffer of its own before it is overwritten whole: a buffer still
    // shown or saved is left to them and a spare one taken, without copying pixels.
    void TakeBufferForClear();
    TText& TextEntry(const std::string& text) const;
    const TLabelPicture& LabelPicture(TText& entry, int tenths, const QColor& box) const;
    void DrawTextDirect(QPainter& painter, const QString& text, int width, int x, int y,
                        double tenths, const QColor& box) const;

    mutable QImage FBitmap;
    mutable std::unique_ptr<QPainter> FCanvas;
    // The saved image: when FSavedIsBitmap it is the bitmap with FSavedPatches pasted over it;
    // otherwise FSavedBitmap with them (null before the first SaveImage). Patches are pasted
    // from the last to the first, so that the oldest pixels of a place win.
    mutable bool FSavedIsBitmap = false;
    mutable QImage FSavedBitmap;
    mutable std::vector<TPatch> FSavedPatches;
    mutable qint64 FPatchArea = 0;
    QImage FSpare; // a buffer for the next Clear once nobody else holds it
    QImage FPicture;
    mutable std::vector<QLine> FLines; // lines not yet drawn, all with FLinePen
    mutable QPen FLinePen;
    mutable std::unordered_map<std::string, TText> FTexts;
    TRect FPlotRect;
    TColor FBackgroundColor = 0;
    TColor FPlotAreaColor = 0;
    QFont FFont;
    QFontMetrics FMetrics;       // of the bitmap at ratio 1: text sizes are the same at every ratio
    int FWidth = 0, FHeight = 0; // the bitmap's size in logical pixels
    qreal FRatio = 1.0;
    int FWholeRatio = 1;      // FRatio when it is a whole number, else 0
    qreal FScreenRatio = 1.0; // the screen's ratio when last taken
    std::vector<int> FEdgesX; // device column where each logical column starts; one more for
    std::vector<int> FEdgesY; // the end (rows likewise)
};
