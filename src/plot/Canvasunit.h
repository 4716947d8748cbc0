// Canvasunit: the plot's pixels. TPlotCanvas is a drawing surface that owns an off-screen bitmap
// in which the graph is drawn, and a picture copied from the bitmap on Show: what a window
// displays, or what a PNG holds. It needs Qt's GUI module only, no widgets.
//
// Inside the bitmap the plot rectangle marks the data area: it has its own fill colour, LineTo
// clips lines to it, and text starting inside it gets the area's colour as its background.
// The picture is a second layer: Show replaces it with the bitmap, and DrawOnPicture adds
// transient marks (such as a selection band) that the next Show wipes. Lines are drawn without
// antialiasing.
//
// Every coordinate (the plot rectangle, lines, text positions and sizes) is in logical pixels.
// The bitmap itself holds device pixels: ratio x ratio of them per logical pixel, the ratio being
// that of the screen the plot is shown on (2 on most high-density screens), so that the graph is
// as sharp as the screen can show it. Logical column x covers the device columns from
// floor(x ratio + 1/2) up to, not including, floor((x + 1) ratio + 1/2), and rows likewise; at a
// ratio of 2 that is a 2 x 2 block.
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

#include "plot/Labelunit.h"
#include "plot/Surfaceunit.h"

#include <QImage>
#include <QLine>
#include <QPen>
#include <QRect>
#include <QTransform>
#include <functional>
#include <memory>
#include <vector>

class QPainter;

class TPlotCanvas : public TDrawingSurface {
public:
    // A bitmap of width x height pixels, black until the first Clear, with the given plot
    // rectangle; the picture is the same black bitmap.
    TPlotCanvas(int width, int height, const TRect& plotRect);
    ~TPlotCanvas() override;

    void SaveImage() override;    // keeps a copy of the bitmap
    void RestoreImage() override; // bitmap := the kept copy; nothing before the first SaveImage
    void Show() override;         // picture := the bitmap
    int TextWidth(const std::string& text) const override;

    // A bitmap of width x height logical pixels at the same ratio, black, in place of the one
    // before; the saved image is forgotten and the picture is the new bitmap. The plot
    // rectangle is left as it is: the caller sets one for the new size and draws afresh, so
    // that a larger plot is drawn at its full resolution, never enlarged from the smaller one.
    // Nothing changes for the size it already has.
    void Resize(int width, int height);

    // Device pixels per logical pixel of the bitmap, the saved image and the picture. A new
    // ratio turns the images into ones of the new size holding what they held, enlarged or
    // reduced pixel for pixel (text loses its sharpness), then calls OnDevicePixelRatioChange,
    // whose handler draws the graph afresh. A ratio that is not a positive number counts as 1.
    void SetDevicePixelRatio(qreal ratio);
    qreal DevicePixelRatio() const { return FRatio; }

    // The images hold device pixels and carry the ratio (QImage::devicePixelRatio).
    const QImage& Bitmap(); // the finished drawing so far
    const QImage& Picture() const { return FPicture; }
    // Draws on the picture (wiped by the next Show). The painter works in logical pixels and is
    // meant for lines: at a ratio other than 1 it is shifted as the canvas's own stroked lines
    // are, so that a pen of one logical pixel through whole coordinates covers the blocks of the
    // logical pixels it covers at ratio 1 (a cosmetic pen of width 0 stays one device pixel
    // wide; a fill is shifted by as much).
    void DrawOnPicture(const std::function<void(QPainter&)>& draw);

    // Called after the device pixel ratio changed, to draw the graph afresh at the new one.
    std::function<void()> OnDevicePixelRatioChange;

protected:
    // The picture changed (Show, DrawOnPicture, a new ratio): a window showing it repaints.
    virtual void PictureChanged() {}

    void PaintCleared(const QBrush& background, const QBrush& area) override;
    void PaintLine(const QPoint& from, const QPoint& to) override;
    void PaintFill(const QRect& rect, const QColor& color) override;
    void PaintImage(const QRect& rect, const QImage& image) override;
    void PaintText(const std::string& text, int x, int y, double tenths,
                   const QColor& box) override;

private:
    // The part of the saved image that differs from the bitmap it was taken from.
    struct TPatch {
        QRect Rect;
        QImage Pixels;
    };

    // The painter on the bitmap, opened on first use and kept open between drawing operations
    // (opening one per line would cost more than the line); EndCanvas closes it, which must
    // happen before the bitmap is shared, copied or replaced.
    QPainter& Canvas();
    void EndCanvas();
    void OutlinedRect(QPainter& painter, const TRect& rect, const QBrush& brush);
    bool FillClear(QPainter& painter, const QColor& background, const QColor& area);
    // The device pixels of a rectangle of logical pixels, within the bitmap.
    QRect DeviceRect(const QRect& logical) const;
    // An opaque fill of a rectangle of logical pixels.
    void FillLogical(QPainter& painter, const QRect& logical, const QColor& color);
    // The shift of stroked lines at ratios other than 1 (see the header comment).
    QTransform LineShift() const;
    // Lines wait in a batch while the pen stays the same and are drawn in one call; anything
    // else that draws, reads or hands out the bitmap draws them first.
    void FlushLines();
    // Whether the bitmap's device pixels within rect (as far as it lies on the bitmap; some of
    // it must) are all of one colour, and which.
    bool UniformColour(const QRect& rect, QRgb& colour) const;
    // image (of the bitmap's format, opaque) copied onto the bitmap with its top-left corner at
    // device pixel at, as far as it lies on the bitmap.
    void CopyDevicePixels(const QImage& image, const QPoint& at);
    // Keeps the saved image's pixels of rect (logical; device pixels for the second) before
    // the bitmap is drawn on there.
    void KeepSavedPixels(const QRect& rect);
    void KeepSavedDevicePixels(const QRect& rect);
    void MaterialiseSaved();
    // Makes the bitmap a buffer of its own before it is overwritten whole.
    void TakeBufferForClear();

    QImage FBitmap;
    std::unique_ptr<QPainter> FCanvas;
    // The saved image: when FSavedIsBitmap it is the bitmap with FSavedPatches pasted over it;
    // otherwise FSavedBitmap with them (null before the first SaveImage). Patches are pasted
    // from the last to the first, so that the oldest pixels of a place win. The graph draws
    // only its two titles after SaveImage, so keeping the pixels they cover in place of a copy
    // of the whole bitmap pays: the copy took drawing a spectrum (BM_DrawSpectrum) from about
    // 190 to 330 us and read + draw + repaint (BM_ReadAndDrawGraph) from about 400 to 480 us or
    // more, against a budget of 200.
    bool FSavedIsBitmap = false;
    QImage FSavedBitmap;
    std::vector<TPatch> FSavedPatches;
    qint64 FPatchArea = 0;
    QImage FPicture;
    std::vector<QLine> FLines; // lines not yet drawn, all with FLinePen
    QPen FLinePen;
    // Measures are asked for by const TextWidth; the store only remembers them.
    mutable TLabelStore FLabels;
    qreal FRatio = 1.0;
    int FWholeRatio = 1;      // FRatio when it is a whole number, else 0
    std::vector<int> FEdgesX; // device column where each logical column starts; one more for
    std::vector<int> FEdgesY; // the end (rows likewise)
};
