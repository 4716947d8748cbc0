#include "app/Statuspanelunit.h"

#include <QFontMetrics>
#include <QGlyphRun>
#include <QPaintEvent>
#include <QPainter>
#include <QStyle>

TStatusPanel::TStatusPanel(QWidget* parent) : QLabel(parent) {
    setAutoFillBackground(true);
    setAlignment(Qt::AlignCenter);
}

void TStatusPanel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        Glyphs.clear();
    QLabel::changeEvent(event);
}

void TStatusPanel::paintEvent(QPaintEvent* event) {
    if (!contentsRect().contains(event->rect())) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    if (!DrawReadout(painter))
        style()->drawItemText(&painter, contentsRect(), alignment(), palette(), isEnabled(), text(),
                              foregroundRole());
}

bool TStatusPanel::DrawReadout(QPainter& painter) {
    const QString shown = text();
    if (shown.isEmpty())
        return true;
    if (Glyphs.empty()) {
        Font = QRawFont::fromFont(font());
        Glyphs.assign(128, TGlyph());
        for (char c = ' '; c < 127; ++c) {
            const QList<quint32> index = Font.glyphIndexesForString(QString(QChar(c)));
            if (index.size() == 1 && index[0] != 0)
                Glyphs[static_cast<unsigned char>(c)] = {
                    index[0], Font.advancesForGlyphIndexes(index).value(0).x()};
        }
    }
    QList<quint32> indexes;
    QList<QPointF> positions;
    indexes.reserve(shown.size());
    positions.reserve(shown.size());
    qreal x = 0.0;
    for (const QChar c : shown) {
        const TGlyph glyph = c.unicode() < 128 ? Glyphs[c.unicode()] : TGlyph();
        if (glyph.Index == 0)
            return false;
        indexes.append(glyph.Index);
        positions.append(QPointF(x, 0.0));
        x += glyph.Advance;
    }
    QGlyphRun run;
    run.setRawFont(Font);
    run.setGlyphIndexes(indexes);
    run.setPositions(positions);
    const QRect inside = contentsRect();
    const QFontMetrics metrics(font());
    const QPointF origin(inside.left() + (inside.width() - x) / 2.0,
                         inside.top() + (inside.height() - metrics.height()) / 2 +
                             metrics.ascent());
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
    painter.drawGlyphRun(origin, run);
    return true;
}
