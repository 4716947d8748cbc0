// Labelunit: the plot canvas's texts. Each text is converted and measured once, and its box with
// the text in it is drawn once for each turn and box colour and then copied onto the bitmap:
// tick labels repeat from one drawing to the next (the same mode, the same limits), and the
// toolkit's measuring and (above all) its turned text are slow. Measured on the window's graph:
// drawing each label afresh took drawing a spectrum (BM_DrawSpectrum) from about 190 to 330 us
// and read + draw + repaint (BM_ReadAndDrawGraph) from about 400 to 570 us; measuring each
// text afresh as well, to about 460 and 650 us. A text whose ink reaches past its box (a file
// name's first letter) blends there with what lies beneath: its picture is drawn over each
// uniform colour that it lands on, and drawn afresh over anything else.
#pragma once

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPoint>
#include <QString>
#include <string>
#include <unordered_map>
#include <utility>
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
        bool Overhangs = false; // ink outside the box (see Inked)
        QImage Image;           // the box with the text, as it lands on the bitmap
        QPoint Offset;          // of the image's top-left corner from the text's reference point
        // For a text with ink outside its box: the device pixels that the box and the text
        // cover, from the text's reference point times the ratio, and that part drawn over
        // each uniform colour met so far, as it lands on pixels of that colour.
        QRect Inked;
        std::vector<std::pair<QRgb, QImage>> OnColour;
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
    TPicture& Picture(TText& entry, int tenths, const QColor& box, const QImage& bitmap);
    // The inked part of an overhanging text's picture (Inked) drawn over pixels of one colour,
    // drawn on first use like Picture's.
    const QImage& OnColour(TText& entry, TPicture& picture, QRgb colour, const QImage& bitmap);
    // Pictures drawn for other device pixels are of no further use; the measures stay.
    void ForgetPictures();

private:
    // The text's box turned by tenths, drawn with a margin around it into an image like
    // bitmap filled with colour; margin and the turned box's bounds (logical) are returned.
    QImage Probe(const TText& entry, int tenths, const QColor& box, QRgb colour,
                 const QImage& bitmap, int& margin, QRect& bounds) const;

    std::unordered_map<std::string, TText> FTexts;
    QFont FFont;
    QFontMetrics FMetrics;
};
