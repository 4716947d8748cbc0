// Vectorplotunit: the drawing operations kept as vector shapes, for SVG.
//
// TVectorPlot is a drawing surface with the geometry of the plot canvas (the plot rectangle and
// clipping of lines, the font and text measures, the boxes behind texts, all from
// TDrawingSurface). What it records can be painted on any QPainter and written as an SVG drawing
// of lines, rectangles and text, which scales without steps and keeps its text searchable.
#pragma once

#include "plot/Surfaceunit.h"

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QPen>
#include <QString>
#include <cstddef>
#include <string>
#include <vector>

class QPainter;

class TVectorPlot : public TDrawingSurface {
public:
    // A surface of width x height pixels with the given plot rectangle and colours.
    TVectorPlot(int width, int height, const TRect& plotRect, TColor background, TColor area);

    // SaveImage and RestoreImage keep and go back to the shapes recorded so far; Show does
    // nothing.
    void SaveImage() override;
    void RestoreImage() override;
    void Show() override {}

    // Paints the drawing on painter, in the surface's pixel coordinates.
    void Paint(QPainter& painter) const;
    // The drawing as an SVG document of width x height with the given title.
    QByteArray Svg(const QString& title) const;

protected:
    // Clear drops everything recorded before: it lies under the two filled rectangles.
    void PaintCleared(const QBrush& background, const QBrush& area) override;
    void PaintLine(const QPoint& from, const QPoint& to) override;
    void PaintFill(const QRect& rect, const QColor& color) override;
    void PaintImage(const QRect& rect, const QImage& image) override;
    void PaintText(const std::string& text, int x, int y, double tenths,
                   const QColor& box) override;

private:
    struct TShape {
        enum TKind { Rectangle, Filled, Picture, Line, Label } Kind = Line;
        QPen Pen;
        QColor Fill;     // rectangles and text boxes
        QPoint From, To; // a line's ends; a rectangle's or a fill's corners (right,
                         // bottom excluded)
        QImage Image;    // a picture stretched over From - To
        QString Text;    // a text, its box width and turn in tenths of a degree
        int BoxWidth = 0;
        double Tenths = 0.0;
    };
    void OutlinedRect(const TRect& rect, const QColor& fill);
    // A new shape of kind covering rect's pixels, recorded and returned for its fill or image.
    TShape& AddArea(TShape::TKind kind, const QRect& rect);

    int Resolution; // dots per inch of the canvas's bitmap, at which the font is measured
    std::vector<TShape> Shapes;
    std::size_t Saved = 0;
    bool HasSaved = false;
};
