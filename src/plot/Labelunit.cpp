#include "plot/Labelunit.h"

#include "plot/Surfaceunit.h"

#include <QPainter>
#include <QRect>
#include <QTransform>
#include <cmath>

bool ExactQuarterTurn(double tenths) {
    return tenths == 0.0 || tenths == 900.0 || tenths == -900.0 || tenths == 2700.0 ||
           tenths == -2700.0 || tenths == 1800.0;
}

TLabelStore::TLabelStore(const QFont& font, const QFontMetrics& metrics)
    : FFont(font), FMetrics(metrics) {}

TLabelStore::TText& TLabelStore::Text(const std::string& text) {
    auto found = FTexts.find(text);
    if (found != FTexts.end())
        return found->second;
    // A long run of new texts (many files, many ranges) starts the store afresh rather than
    // letting it grow.
    if (FTexts.size() >= 1024)
        FTexts.clear();
    TText entry;
    entry.Text = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    entry.Width = FMetrics.horizontalAdvance(entry.Text);
    return FTexts.emplace(text, std::move(entry)).first->second;
}

void TLabelStore::ForgetPictures() {
    for (auto& text : FTexts)
        text.second.Pictures.clear();
}

QImage TLabelStore::Probe(const TText& entry, int tenths, const QColor& box, QRgb colour,
                          const QImage& bitmap, int& margin, QRect& bounds) const {
    const QRect boxRect(0, 0, entry.Width, FMetrics.height());
    QTransform turn;
    turn.rotate(-tenths / 10.0);
    bounds = turn.mapRect(boxRect);
    margin = FMetrics.height();
    // Drawn in device pixels, at a whole ratio k: k x k of them per logical pixel.
    const int k = static_cast<int>(bitmap.devicePixelRatio());
    QImage probe((bounds.size() + QSize(2 * margin, 2 * margin)) * k, bitmap.format());
    probe.setDotsPerMeterX(bitmap.dotsPerMeterX());
    probe.setDotsPerMeterY(bitmap.dotsPerMeterY());
    probe.setDevicePixelRatio(bitmap.devicePixelRatio());
    probe.fill(colour);
    {
        QPainter painter(&probe);
        painter.setRenderHint(QPainter::TextAntialiasing, true);
        painter.setFont(FFont);
        DrawTextBox(painter, FMetrics, entry.Text, entry.Width, margin - bounds.left(),
                    margin - bounds.top(), tenths, box);
    }
    return probe;
}

// The image is drawn with a white margin around the box: any ink in the margin means that the
// text reaches beyond its box, where it blends with what lies beneath. Such a text's picture
// is drawn again over each colour that it is found on.
TLabelStore::TPicture& TLabelStore::Picture(TText& entry, int tenths, const QColor& box,
                                            const QImage& bitmap) {
    for (TPicture& picture : entry.Pictures)
        if (picture.Tenths == tenths && picture.Box == box.rgba())
            return picture;
    TPicture picture;
    picture.Tenths = tenths;
    picture.Box = box.rgba();
    int margin = 0;
    QRect bounds;
    const QRgb white = qRgb(255, 255, 255);
    const QImage probe = Probe(entry, tenths, box, white, bitmap, margin, bounds);
    const int k = static_cast<int>(bitmap.devicePixelRatio());
    const QRect inside(QPoint(margin, margin) * k, bounds.size() * k);
    const int width = probe.width(), height = probe.height();
    QRect inked = inside;
    for (int y = 0; y < height; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(probe.constScanLine(y));
        const bool beside = y >= inside.top() && y <= inside.bottom();
        // Rows beside the box: only the margins left and right of it.
        const int skipFrom = beside ? inside.left() : width;
        const int skipTo = beside ? inside.right() + 1 : width;
        for (int x = 0; x < width; ++x) {
            if (x == skipFrom)
                x = skipTo;
            if (x < width && line[x] != white)
                inked |= QRect(x, y, 1, 1);
        }
    }
    picture.Overhangs = inked != inside;
    if (!picture.Overhangs) {
        picture.Image = probe.copy(inside);
        picture.Offset = bounds.topLeft();
    } else {
        // A pixel more all round: the faintest ink could leave white as it was.
        inked = inked.adjusted(-1, -1, 1, 1) & probe.rect();
        picture.Inked = inked.translated((bounds.topLeft() - QPoint(margin, margin)) * k);
    }
    entry.Pictures.push_back(std::move(picture));
    return entry.Pictures.back();
}

const QImage& TLabelStore::OnColour(TText& entry, TPicture& picture, QRgb colour,
                                    const QImage& bitmap) {
    for (const auto& drawn : picture.OnColour)
        if (drawn.first == colour)
            return drawn.second;
    // A few colours are kept; the oldest makes room for a new one.
    if (picture.OnColour.size() >= 4)
        picture.OnColour.erase(picture.OnColour.begin());
    int margin = 0;
    QRect bounds;
    const QImage probe =
        Probe(entry, picture.Tenths, QColor::fromRgba(picture.Box), colour, bitmap, margin, bounds);
    const int k = static_cast<int>(bitmap.devicePixelRatio());
    picture.OnColour.emplace_back(colour, probe.copy(picture.Inked.translated(
                                              -(bounds.topLeft() - QPoint(margin, margin)) * k)));
    return picture.OnColour.back().second;
}
