// Labelunit: the plot canvas's texts. Each text is converted and measured once, and its box with
// the text in it is drawn once for each turn and box colour and then copied onto the bitmap:
// tick labels repeat from one drawing to the next (the same mode, the same limits), and the
// toolkit's measuring and (above all) its turned text are slow. Measured on the window's graph:
// drawing each label afresh took drawing a spectrum (BM_DrawSpectrum) from about 190 to 330 us
// and read + draw + repaint (BM_ReadAndDrawGraph) from about 400 to 570 us; measuring each
// text afresh as well, to about 460 and 650 us.
#pragma once

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPoint>
#include <QString>
#include <string>
#include <unordered_map>
#include <vector>

class QPainter;

// Turns (tenths of a degree) by which the toolkit's rotation is exact, so that a text's box
// stays a rectangle of whole pixels.
bool ExactQuarterTurn(double tenths);

class TLabelStore {
public:
    // A text's box with the text in it, drawn once for one turn and box colour.
    struct TPicture {
        int Tenths = 0;
        QRgb Box = 0;
        bool Overhangs = false; // ink outside the box: the text is drawn afresh each time
        QImage Image;           // the box with the text, as it lands on the bitmap
        QPoint Offset;          // of the image's top-left corner from the text's reference point
    };
    // A text as measured once: its UTF-8 form converted, its width, and the pictures of its box
    // drawn so far.
    struct TText {
        QString Text;
        int Width = 0;
        std::vector<TPicture> Pictures;
    };

    TLabelStore(const QFont& font, const QFontMetrics& metrics);

    TText& Text(const std::string& text);
    // The picture of the text's box turned by tenths (an exact quarter turn) on a box of the
    // given colour, drawn on first use into an image like bitmap (its format, resolution and
    // device pixel ratio, which must be a whole number).
    const TPicture& Picture(TText& entry, int tenths, const QColor& box, const QImage& bitmap);
    // Pictures drawn for other device pixels are of no further use; the measures stay.
    void ForgetPictures();

private:
    std::unordered_map<std::string, TText> FTexts;
    QFont FFont;
    QFontMetrics FMetrics;
};
