// Vectorplotunit: the plot panel's drawing operations kept as vector shapes, for SVG.
//
// TVectorPlot offers the operations of TPlot that the graph uses, with the same geometry: the
// same plot rectangle and clipping of lines, the same font and text measures (taken at the
// bitmap's resolution), the same boxes behind texts. What it records can be painted on any
// QPainter and written as an SVG drawing of lines, rectangles and text, which scales without
// steps and keeps its text searchable.
#pragma once

#include "plot/Plotunit.h"

#include <QBrush>
#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QPen>
#include <QString>
#include <cstddef>
#include <string>
#include <vector>

class QPainter;

class TVectorPlot {
public:
    // A surface of width x height pixels with the plot panel's font (bold 10 points) measured at
    // the resolution of the panel's bitmap, the given plot rectangle and colours.
    TVectorPlot(int width, int height, const TRect& plotRect, TColor background, TColor area);

    const TRect& PlotRect() const { return FPlotRect; }
    int width() const { return Width; }
    int height() const { return Height; }

    // As TPlot's: Clear paints the background and the plot area (and so drops everything drawn
    // before); LineTo keeps the part of a line inside the plot rectangle; TextOutAngle puts
    // the text on a box of the colour of the area where it starts; SaveImage and RestoreImage
    // keep and go back to the drawing as it stands; Show does nothing.
    void Clear();
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void TextOutAngle(const std::string& text, int x, int y, double angle);
    void SaveImage();
    void RestoreImage();
    void Show() {}
    bool InPlotRect(int x, int y) const;
    int TextWidth(const std::string& text) const;
    int TextHeight(const std::string& text) const;

    int LastX = 0, LastY = 0;
    QPen Pen;
    QBrush Brush;

    // Paints the drawing on painter, in the surface's pixel coordinates.
    void Paint(QPainter& painter) const;
    // The drawing as an SVG document of width x height with the given title.
    QByteArray Svg(const QString& title) const;

private:
    struct TShape {
        enum TKind { Rectangle, Line, Label } Kind = Line;
        QPen Pen;
        QColor Fill;     // rectangles and text boxes
        QPoint From, To; // a line's ends; a rectangle's corners (right, bottom excluded)
        QString Text;    // a text, its box width and turn in tenths of a degree
        int BoxWidth = 0;
        double Tenths = 0.0;
    };
    void OutlinedRect(const TRect& rect);

    int Width, Height;
    TRect FPlotRect;
    TColor FBackgroundColor, FPlotAreaColor;
    QFont FFont;
    QFontMetrics FMetrics;
    int Resolution; // dots per inch of the panel's bitmap, at which the font is measured
    std::vector<TShape> Shapes;
    std::size_t Saved = 0;
    bool HasSaved = false;
};
