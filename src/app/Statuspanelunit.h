// Statuspanelunit: the status bar's readout panels.
#pragma once

#include <QLabel>
#include <QRawFont>
#include <vector>

class QPainter;

// A status bar panel whose text changes with every pointer movement. A new text repaints only
// the inside of this panel: its size is fixed, so the text never asks the bar for a new layout;
// it fills its own background, so nothing beneath it is painted again; and a repaint of the
// inside alone leaves the frame as it stands. The readouts are short runs of digits and signs,
// drawn from glyphs looked up once per character rather than laid out afresh for every
// movement; a text with other characters is drawn as any label draws it. Centred text only
// (the inside has no indent). Measured on a shown window: a pointer movement with its readout
// and repaint takes 20 us so, 28 us when the label lays the text out (the aim is 25 us).
class TStatusPanel : public QLabel {
public:
    explicit TStatusPanel(QWidget* parent);

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    struct TGlyph {
        quint32 Index = 0;
        qreal Advance = 0.0;
    };

    // The text as one run of glyphs, centred as drawItemText centres it; false (and nothing
    // drawn) for a character outside printable ASCII or missing from the font.
    bool DrawReadout(QPainter& painter);

    QRawFont Font;
    std::vector<TGlyph> Glyphs; // by character code; empty until the first readout
};
