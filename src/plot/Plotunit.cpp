#include "plot/Plotunit.h"
#include "plot/Plotunit_internal.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QString>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr TColor SystemColorFlag = 0x80000000;

// Palette roles standing in for the system colour indices the program may use.
QPalette::ColorRole SystemColorRole(TColor index, bool& known) {
    known = true;
    switch (index) {
    case 5: // window background
        return QPalette::Base;
    case 8: // window text
        return QPalette::Text;
    case 13: // highlight
        return QPalette::Highlight;
    case 14: // highlighted text
        return QPalette::HighlightedText;
    case 15: // button face
        return QPalette::Button;
    case 18: // button text
        return QPalette::ButtonText;
    case 23: // tooltip text
        return QPalette::ToolTipText;
    case 24: // tooltip background
        return QPalette::ToolTipBase;
    default:
        known = false;
        return QPalette::NoRole;
    }
}

// Metrics of the font as drawn on the bitmap (its resolution, not the screen's).
QFontMetrics BitmapMetrics(const QFont& font, const QImage& bitmap) {
    return bitmap.isNull() ? QFontMetrics(font) : QFontMetrics(font, &bitmap);
}

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool Between(std::int64_t value, std::int64_t a, std::int64_t b) {
    return std::min(a, b) <= value && value <= std::max(a, b);
}

} // namespace

QFont PlotFont() {
    QFont font = QGuiApplication::font();
    font.setBold(true);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    font.setPointSize(10);
    return font;
}

QColor ColorToQColor(TColor color) {
    if (color & SystemColorFlag) {
        bool known = false;
        const QPalette::ColorRole role = SystemColorRole(color & ~SystemColorFlag, known);
        return known ? QGuiApplication::palette().color(QPalette::Active, role) : QColor(Qt::black);
    }
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

bool ClipToPlotRect(int x0, int y0, int x1, int y1, const TRect& r, QPoint& from, QPoint& to) {
    const bool startIn = x0 >= r.Left && x0 <= r.Right && y0 >= r.Top && y0 <= r.Bottom;
    const bool endIn = x1 >= r.Left && x1 <= r.Right && y1 >= r.Top && y1 <= r.Bottom;
    if (startIn && endIn) {
        from = QPoint(x0, y0);
        to = QPoint(x1, y1);
        return true;
    }
    const std::vector<QPoint> crossings = EdgeCrossings(x0, y0, x1, y1, r);
    // The first crossing other than the given point. A corner is found on two edges and a start
    // on an edge is a crossing of its own; taking such a point twice would draw a single pixel
    // in place of the part of the line that lies inside.
    auto firstOtherThan = [&crossings](const QPoint& point) {
        for (const QPoint& crossing : crossings)
            if (crossing != point)
                return crossing;
        return point;
    };
    if (startIn && !crossings.empty()) {
        from = QPoint(x0, y0);
        to = firstOtherThan(from);
    } else if (endIn && !crossings.empty()) {
        from = crossings[0];
        to = QPoint(x1, y1);
    } else if (crossings.size() >= 2) {
        from = crossings[0];
        to = firstOtherThan(from);
    } else {
        return false;
    }
    return true;
}

std::vector<QPoint> EdgeCrossings(int x0, int y0, int x1, int y1, const TRect& r) {
    std::vector<QPoint> crossings;
    // c = x1 y0 - y1 x0 is exact in 64 bits for any 32-bit coordinates (each product is at most
    // 2^62 in magnitude and the two cannot reach 2^62 with opposite signs at once).
    const double c = static_cast<double>(static_cast<std::int64_t>(x1) * y0 -
                                         static_cast<std::int64_t>(y1) * x0);
    const std::int64_t dx = static_cast<std::int64_t>(x1) - x0;
    const std::int64_t e = static_cast<std::int64_t>(y0) - y1;

    if (dx != 0) {
        for (const int edge : {r.Left, r.Right}) {
            if (!Between(edge, x0, x1))
                continue;
            const double y =
                (c - static_cast<double>(edge) * static_cast<double>(e)) / static_cast<double>(dx);
            if (r.Top <= y && y <= r.Bottom)
                crossings.emplace_back(edge, static_cast<int>(y));
        }
    }
    if (e != 0) {
        for (const int edge : {r.Top, r.Bottom}) {
            if (!Between(edge, y0, y1))
                continue;
            const double x =
                (c - static_cast<double>(edge) * static_cast<double>(dx)) / static_cast<double>(e);
            if (r.Left <= x && x <= r.Right)
                crossings.emplace_back(static_cast<int>(x), edge);
        }
    }
    return crossings;
}

namespace {

// x / y as a 16.16 fixed-point number, truncated towards zero; x and y in 26.6.
int FixedDiv16(int x, int y) {
    if (std::abs(x) > 0x7fff)
        return static_cast<int>(static_cast<std::int64_t>(x) * 65536 / y);
    return x * 65536 / y;
}

} // namespace

namespace {

// The pixels of the engine's aliased one-pixel line from line.p1() to line.p2(), both ends
// included (see DrawSolidLine): pixel(x, y) for each pixel of a slanted line; row(y, x, end) for
// the columns x .. end - 1 of a horizontal one, column(x, y, end) for the rows of a vertical one.
// A line of one point gives nothing.
template <typename Pixel, typename Row, typename Column>
void StepSolidLine(const QLine& line, Pixel pixel, Row row, Column column) {
    int x1 = line.x1() * 64, y1 = line.y1() * 64, x2 = line.x2() * 64, y2 = line.y2() * 64;
    if (std::abs(x2 - x1) < std::abs(y2 - y1)) {
        // Steep: one pixel per row, from the top.
        if (y1 > y2) {
            std::swap(x1, x2);
            std::swap(y1, y2);
        }
        const int step = FixedDiv16(x2 - x1, y2 - y1);
        int x = x1 * 1024 - (step >> 1);
        y1 -= 32;
        y2 += 32;
        int y = (y1 + 32) >> 6;
        const int end = (y2 + 32) >> 6;
        x += ((y * 64) + (step > 0 ? 32 : 0) - y1) * step >> 6;
        if (step == 0) {
            column(x >> 16, y, end);
            return;
        }
        for (; y < end; ++y, x += step)
            pixel(x >> 16, y);
    } else {
        // Shallow: one pixel per column, from the left.
        if (x1 > x2) {
            std::swap(x1, x2);
            std::swap(y1, y2);
        }
        if (x1 == x2)
            return;
        const int step = FixedDiv16(y2 - y1, x2 - x1);
        int y = y1 * 1024 - (step >> 1);
        x1 -= 32;
        x2 += 32;
        int x = (x1 + 32) >> 6;
        const int end = (x2 + 32) >> 6;
        y += ((x * 64) + (step > 0 ? 32 : 0) - x1) * step >> 6;
        if (step == 0) {
            row(y >> 16, x, end);
            return;
        }
        for (; x < end; ++x, y += step)
            pixel(x, y >> 16);
    }
}

} // namespace

void DrawSolidLine(QRgb* pixels, qsizetype stride, const QLine& line, QRgb color) {
    StepSolidLine(
        line, [=](int x, int y) { pixels[y * stride + x] = color; },
        [=](int y, int from, int end) {
            std::fill(pixels + y * stride + from, pixels + y * stride + end, color);
        },
        [=](int x, int from, int end) {
            for (QRgb* pixel = pixels + from * stride + x; from < end; ++from, pixel += stride)
                *pixel = color;
        });
}

std::vector<int> DeviceEdges(int count, double ratio) {
    std::vector<int> edges(static_cast<std::size_t>(std::max(count, 0)) + 1);
    for (std::size_t i = 0; i < edges.size(); ++i)
        edges[i] = static_cast<int>(std::floor(static_cast<double>(i) * ratio + 0.5));
    return edges;
}

void DrawSolidLineBlocks(QRgb* pixels, qsizetype stride, const QLine& line, QRgb color,
                         const std::vector<int>& edgesX, const std::vector<int>& edgesY) {
    const int width = static_cast<int>(edgesX.size()) - 1;
    const int height = static_cast<int>(edgesY.size()) - 1;
    // The logical columns x .. xEnd - 1 of the rows y .. yEnd - 1, as far as they lie in the
    // image.
    auto fill = [&](int x, int xEnd, int y, int yEnd) {
        x = std::max(x, 0);
        xEnd = std::min(xEnd, width);
        y = std::max(y, 0);
        yEnd = std::min(yEnd, height);
        if (x >= xEnd || y >= yEnd)
            return;
        const int left = edgesX[static_cast<std::size_t>(x)];
        const int right = edgesX[static_cast<std::size_t>(xEnd)];
        for (int row = edgesY[static_cast<std::size_t>(y)];
             row < edgesY[static_cast<std::size_t>(yEnd)]; ++row)
            std::fill(pixels + row * stride + left, pixels + row * stride + right, color);
    };
    if (line.p1() == line.p2()) {
        fill(line.x1(), line.x1() + 1, line.y1(), line.y1() + 1);
        return;
    }
    StepSolidLine(
        line, [&](int x, int y) { fill(x, x + 1, y, y + 1); },
        [&](int y, int from, int end) { fill(from, end, y, y + 1); },
        [&](int x, int from, int end) { fill(x, x + 1, from, end); });
}

TPlot::TPlot(QWidget* owner, const TRect& creation)
    : QWidget(owner), FBitmap(creation.Width(), creation.Height(), QImage::Format_RGB32),
      FPlotRect(creation), FFont(PlotFont()), FMetrics(BitmapMetrics(FFont, FBitmap)) {
    setGeometry(creation.Left, creation.Top, creation.Width(), creation.Height());
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    FWidth = creation.Width();
    FHeight = creation.Height();
    FEdgesX = DeviceEdges(FWidth, 1.0);
    FEdgesY = DeviceEdges(FHeight, 1.0);
    FBitmap.fill(Qt::black);
    FPicture = FBitmap;
    FScreenRatio = devicePixelRatioF();
    SetDevicePixelRatio(FScreenRatio);
}

TPlot::~TPlot() {
    EndCanvas();
}

QPainter& TPlot::Canvas() const {
    if (!FCanvas) {
        FCanvas = std::make_unique<QPainter>(&FBitmap);
        FCanvas->setRenderHint(QPainter::TextAntialiasing, true);
        FCanvas->setFont(FFont);
    }
    return *FCanvas;
}

void TPlot::EndCanvas() const {
    FCanvas.reset();
}

const QImage& TPlot::Bitmap() const {
    FlushLines();
    EndCanvas();
    return FBitmap;
}

namespace {

// image at the new ratio and size, its pixels enlarged or reduced by repetition (null stays
// null).
QImage Rescaled(const QImage& image, const QSize& size, qreal ratio) {
    if (image.isNull())
        return image;
    QImage rescaled = image.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    rescaled.setDevicePixelRatio(ratio);
    return rescaled;
}

} // namespace

void TPlot::SetDevicePixelRatio(qreal ratio) {
    if (!std::isfinite(ratio) || ratio <= 0.0)
        ratio = 1.0;
    if (ratio == FRatio)
        return;
    FlushLines();
    EndCanvas();
    if (FSavedIsBitmap)
        MaterialiseSaved();
    FRatio = ratio;
    FWholeRatio = ratio == std::round(ratio) ? static_cast<int>(ratio) : 0;
    FEdgesX = DeviceEdges(FWidth, ratio);
    FEdgesY = DeviceEdges(FHeight, ratio);
    const QSize size(FEdgesX.back(), FEdgesY.back());
    FBitmap = Rescaled(FBitmap, size, ratio);
    FSavedBitmap = Rescaled(FSavedBitmap, size, ratio);
    FPicture = Rescaled(FPicture, size, ratio);
    FSpare = QImage();
    // The texts' pictures were drawn for the old device pixels; their sizes stay.
    for (auto& text : FTexts)
        text.second.Pictures.clear();
    if (OnDevicePixelRatioChange)
        OnDevicePixelRatioChange();
    update();
}

void TPlot::FollowScreen() {
    const qreal screen = devicePixelRatioF();
    if (screen == FScreenRatio)
        return;
    FScreenRatio = screen;
    SetDevicePixelRatio(screen);
}

QRect TPlot::DeviceRect(const QRect& logical) const {
    if (FRatio == 1.0)
        return logical & FBitmap.rect();
    const int left = std::clamp(logical.left(), 0, FWidth);
    const int right = std::clamp(logical.right() + 1, 0, FWidth);
    const int top = std::clamp(logical.top(), 0, FHeight);
    const int bottom = std::clamp(logical.bottom() + 1, 0, FHeight);
    if (left >= right || top >= bottom)
        return QRect();
    const auto at = [](const std::vector<int>& edges, int i) {
        return edges[static_cast<std::size_t>(i)];
    };
    return QRect(QPoint(at(FEdgesX, left), at(FEdgesY, top)),
                 QPoint(at(FEdgesX, right) - 1, at(FEdgesY, bottom) - 1));
}

// At ratio 1 the painter's fill; otherwise the device pixels are written directly, so that the
// blocks are exactly those of the lines (the painter's own rounding of fractional edges may
// differ by a device pixel).
void TPlot::FillLogical(QPainter& painter, const QRect& logical, const QColor& color) const {
    if (FRatio == 1.0) {
        painter.fillRect(logical, color);
        return;
    }
    const QRect r = DeviceRect(logical);
    if (r.isEmpty())
        return;
    QRgb* pixels = reinterpret_cast<QRgb*>(FBitmap.bits());
    const qsizetype stride = FBitmap.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
    const QRgb value = color.rgb();
    for (int y = r.top(); y <= r.bottom(); ++y)
        std::fill(pixels + y * stride + r.left(), pixels + y * stride + r.right() + 1, value);
}

// The painter centres a line through logical coordinate x on device coordinate x ratio + 1/2
// (the raster engine moves aliased drawing by half a device pixel); the block of logical pixel
// x is centred on (x + 1/2) ratio. Moving the painter by 1/2 - 1/(2 ratio) logical pixels
// closes the gap, so that a stroke of odd width covers whole blocks (at ratio 1 it is 0).
QTransform TPlot::LineShift() const {
    const qreal shift = 0.5 - 0.5 / FRatio;
    return QTransform::fromTranslate(shift, shift);
}

void TPlot::SetBackgroundColor(TColor color) {
    FBackgroundColor = color;
    Clear();
}

void TPlot::SetPlotAreaColor(TColor color) {
    FPlotAreaColor = color;
    Clear();
}

void TPlot::SetPlotRect(const TRect& rect) {
    FPlotRect = rect;
    Clear();
}

void TPlot::OutlinedRect(QPainter& painter, const TRect& rect) {
    if (rect.Width() <= 0 || rect.Height() <= 0)
        return;
    painter.setPen(Pen);
    painter.setBrush(Brush);
    // A stroked QRect covers its size plus the pen width: columns Left .. Right - 1.
    const QRect outline(rect.Left, rect.Top, rect.Width() - 1, rect.Height() - 1);
    if (FRatio == 1.0) {
        painter.drawRect(outline);
    } else {
        painter.setTransform(LineShift());
        painter.drawRect(outline);
        painter.resetTransform();
    }
}

namespace {

// The parts of outer that lie outside hole: at most four bands (above, below, left, right).
std::vector<QRect> Outside(const QRect& outer, const QRect& hole) {
    const QRect inner = outer & hole;
    if (inner.isEmpty())
        return {outer};
    std::vector<QRect> parts;
    const QRect bands[] = {
        QRect(outer.left(), outer.top(), outer.width(), inner.top() - outer.top()),
        QRect(outer.left(), inner.bottom() + 1, outer.width(), outer.bottom() - inner.bottom()),
        QRect(outer.left(), inner.top(), inner.left() - outer.left(), inner.height()),
        QRect(inner.right() + 1, inner.top(), outer.right() - inner.right(), inner.height())};
    for (const QRect& band : bands)
        if (!band.isEmpty())
            parts.push_back(band);
    return parts;
}

// The one-pixel frame of r (r at least 2 x 2 pixels), filled by fill(rect).
template <typename Fill> void FillFrame(const QRect& r, Fill fill) {
    fill(QRect(r.left(), r.top(), r.width(), 1));
    fill(QRect(r.left(), r.bottom(), r.width(), 1));
    fill(QRect(r.left(), r.top() + 1, 1, r.height() - 2));
    fill(QRect(r.right(), r.top() + 1, 1, r.height() - 2));
}

} // namespace

// The two outlined rectangles of Clear with every pixel written once: the bitmap's frame, the
// background outside the plot rectangle, then the plot rectangle's frame and fill. Only for
// what plain fills reproduce exactly (a solid opaque pen of one pixel, opaque colours, both
// rectangles at least 2 x 2); false otherwise, and nothing drawn.
bool TPlot::FillClear(QPainter& painter) {
    const QColor background = ColorToQColor(FBackgroundColor);
    const QColor area = ColorToQColor(FPlotAreaColor);
    const QColor frame = Pen.color();
    const QRect whole(0, 0, FWidth, FHeight);
    const bool plotDrawn = FPlotRect.Width() > 0 && FPlotRect.Height() > 0;
    const QRect plot(FPlotRect.Left, FPlotRect.Top, FPlotRect.Width(), FPlotRect.Height());
    if (Pen.style() != Qt::SolidLine || Pen.widthF() > 1.0 ||
        Pen.brush().style() != Qt::SolidPattern || frame.alpha() != 255 ||
        background.alpha() != 255 || area.alpha() != 255 || whole.width() < 2 ||
        whole.height() < 2 || (plotDrawn && (plot.width() < 2 || plot.height() < 2)))
        return false;
    const QRect hole = plotDrawn ? plot : QRect();
    const auto fillFrame = [&](const QRect& part) { FillLogical(painter, part, frame); };
    FillFrame(whole, [&](const QRect& side) {
        for (const QRect& part : Outside(side, hole))
            fillFrame(part);
    });
    for (const QRect& part : Outside(whole.adjusted(1, 1, -1, -1), hole))
        FillLogical(painter, part, background);
    if (plotDrawn) {
        FillFrame(plot, fillFrame);
        FillLogical(painter, plot.adjusted(1, 1, -1, -1), area);
    }
    return true;
}

void TPlot::TakeBufferForClear() {
    // Lines not drawn yet would be overwritten.
    FLines.clear();
    // The saved image may still be this very bitmap: it keeps the buffer as it stands.
    if (FSavedIsBitmap) {
        EndCanvas();
        FSavedBitmap = FBitmap;
        FSavedIsBitmap = false;
    }
    if (FBitmap.isDetached())
        return;
    EndCanvas();
    if (FSpare.isDetached() && FSpare.size() == FBitmap.size() &&
        FSpare.format() == FBitmap.format() &&
        FSpare.devicePixelRatio() == FBitmap.devicePixelRatio()) {
        std::swap(FBitmap, FSpare);
    } else {
        FSpare = FBitmap;
        FBitmap = QImage(FSpare.size(), FSpare.format());
        FBitmap.setDotsPerMeterX(FSpare.dotsPerMeterX());
        FBitmap.setDotsPerMeterY(FSpare.dotsPerMeterY());
        FBitmap.setDevicePixelRatio(FSpare.devicePixelRatio());
    }
}

void TPlot::Clear() {
    Pen.setColor(Qt::black);
    Pen.setWidth(1);
    Brush.setStyle(Qt::SolidPattern);
    Brush.setColor(ColorToQColor(FBackgroundColor));
    if (FBitmap.isNull()) {
        Brush.setColor(ColorToQColor(FPlotAreaColor));
        return;
    }
    TakeBufferForClear();
    QPainter& painter = Canvas();
    if (FillClear(painter)) {
        Brush.setColor(ColorToQColor(FPlotAreaColor));
        return;
    }
    OutlinedRect(painter, TRect(0, 0, FWidth, FHeight));
    Brush.setColor(ColorToQColor(FPlotAreaColor));
    OutlinedRect(painter, FPlotRect);
}

void TPlot::MoveTo(int x, int y) {
    LastX = x;
    LastY = y;
}

bool TPlot::InPlotRect(int x, int y) const {
    return FPlotRect.Left <= x && x <= FPlotRect.Right && FPlotRect.Top <= y &&
           y <= FPlotRect.Bottom;
}

void TPlot::LineTo(int x, int y) {
    QPoint from, to;
    if (ClipToPlotRect(LastX, LastY, x, y, FPlotRect, from, to))
        AddLine(from, to);
    MoveTo(x, y);
}

// A pen of at most one pixel is drawn line by line by the raster engine whether the lines come
// one per call or many in one call (each starts its own dash pattern), so such lines are
// batched. Wider pens are stroked as one outline per call, and flat caps depend on the
// direction of the line before in the same call: those lines are drawn at once.
void TPlot::AddLine(const QPoint& from, const QPoint& to) {
    if (FBitmap.isNull())
        return;
    if (!FLines.empty() && !(Pen == FLinePen))
        FlushLines();
    if (Pen.widthF() > 1.0 || Pen.brush().style() != Qt::SolidPattern ||
        Pen.capStyle() == Qt::FlatCap) {
        const int grow = static_cast<int>(std::ceil(Pen.widthF())) + 1;
        KeepSavedPixels(QRect(from, to).normalized().adjusted(-grow, -grow, grow, grow));
        QPainter& painter = Canvas();
        painter.setPen(Pen);
        if (FRatio == 1.0) {
            painter.drawLine(from, to);
        } else {
            painter.setTransform(LineShift());
            painter.drawLine(from, to);
            painter.resetTransform();
        }
        return;
    }
    if (FLines.empty())
        FLinePen = Pen;
    FLines.emplace_back(from, to);
}

void TPlot::FlushLines() const {
    if (FLines.empty())
        return;
    if (FSavedIsBitmap) {
        int left = FLines.front().x1(), right = left, top = FLines.front().y1(), bottom = top;
        for (const QLine& line : FLines) {
            left = std::min({left, line.x1(), line.x2()});
            right = std::max({right, line.x1(), line.x2()});
            top = std::min({top, line.y1(), line.y2()});
            bottom = std::max({bottom, line.y1(), line.y2()});
        }
        KeepSavedPixels(QRect(QPoint(left - 1, top - 1), QPoint(right + 1, bottom + 1)));
    }
    QPainter& painter = Canvas();
    // An opaque solid pen of one pixel with square caps sets exactly the pixels that
    // DrawSolidLine sets; at ratio 1 such lines wholly inside the bitmap are written straight
    // into it, at other ratios as blocks (any line within the writer's range: blocks outside
    // the bitmap are left out), the rest drawn by the painter in one call.
    const QColor color = FLinePen.color();
    if (FLinePen.style() == Qt::SolidLine && FLinePen.capStyle() == Qt::SquareCap &&
        color.alpha() == 255) {
        QRgb* pixels = reinterpret_cast<QRgb*>(FBitmap.bits());
        const qsizetype stride = FBitmap.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
        auto rest = FLines.begin();
        if (FRatio == 1.0) {
            const QRect inside = FBitmap.rect();
            for (const QLine& line : FLines) {
                if (line.p1() != line.p2() && inside.contains(line.p1()) &&
                    inside.contains(line.p2()))
                    DrawSolidLine(pixels, stride, line, color.rgb());
                else
                    *rest++ = line;
            }
        } else {
            const QRect range(QPoint(-16383, -16383), QPoint(16383, 16383));
            for (const QLine& line : FLines) {
                if (range.contains(line.p1()) && range.contains(line.p2()))
                    DrawSolidLineBlocks(pixels, stride, line, color.rgb(), FEdgesX, FEdgesY);
                else
                    *rest++ = line;
            }
        }
        FLines.erase(rest, FLines.end());
    }
    if (!FLines.empty()) {
        painter.setPen(FLinePen);
        if (FRatio != 1.0)
            painter.setTransform(LineShift());
        painter.drawLines(FLines.data(), static_cast<int>(FLines.size()));
        if (FRatio != 1.0)
            painter.resetTransform();
    }
    FLines.clear();
}

void TPlot::KeepSavedPixels(const QRect& rect) const {
    if (FSavedIsBitmap)
        KeepSavedDevicePixels(DeviceRect(rect));
}

void TPlot::KeepSavedDevicePixels(const QRect& rect) const {
    if (!FSavedIsBitmap)
        return;
    const QRect r = rect & FBitmap.rect();
    if (r.isEmpty())
        return;
    // Past a third of the bitmap a copy of the whole is as cheap and keeps the list short.
    const qint64 whole = static_cast<qint64>(FBitmap.width()) * FBitmap.height();
    if (3 * (FPatchArea + static_cast<qint64>(r.width()) * r.height()) > whole) {
        MaterialiseSaved();
        return;
    }
    FSavedPatches.push_back({r, FBitmap.copy(r)});
    FPatchArea += static_cast<qint64>(r.width()) * r.height();
}

namespace {

// Pastes patches over image, the last first; image must not be painted on meanwhile.
template <typename Patches> void Paste(QImage& image, const Patches& patches) {
    for (auto patch = patches.rbegin(); patch != patches.rend(); ++patch) {
        const QRect& r = patch->Rect;
        const std::size_t bytes = static_cast<std::size_t>(r.width()) * sizeof(QRgb);
        for (int y = 0; y < r.height(); ++y)
            std::memcpy(image.scanLine(r.top() + y) + r.left() * sizeof(QRgb),
                        patch->Pixels.constScanLine(y), bytes);
    }
}

} // namespace

// The saved image as a buffer of its own: a copy of the bitmap with the patches pasted.
void TPlot::MaterialiseSaved() const {
    FSavedBitmap = FBitmap.copy();
    Paste(FSavedBitmap, FSavedPatches);
    FSavedPatches.clear();
    FPatchArea = 0;
    FSavedIsBitmap = false;
}

TPlot::TText& TPlot::TextEntry(const std::string& text) const {
    auto found = FTexts.find(text);
    if (found != FTexts.end())
        return found->second;
    // Tick labels repeat from one drawing to the next; a long run of new texts (many files,
    // many ranges) starts the store afresh rather than letting it grow.
    if (FTexts.size() >= 1024)
        FTexts.clear();
    TText entry;
    entry.Text = FromUtf8(text);
    entry.Width = FMetrics.horizontalAdvance(entry.Text);
    return FTexts.emplace(text, std::move(entry)).first->second;
}

void TPlot::DrawTextDirect(QPainter& painter, const QString& text, int width, int x, int y,
                           double tenths, const QColor& box) const {
    painter.translate(x, y);
    if (tenths != 0.0)
        painter.rotate(-tenths / 10.0); // y runs downwards: counter-clockwise is negative
    painter.fillRect(QRect(0, 0, width, FMetrics.height()), box);
    painter.setPen(Qt::black);
    painter.drawText(0, FMetrics.ascent(), text);
    painter.resetTransform();
}

// The text's box as it lands on the bitmap, drawn once into an image of the bitmap's format
// and kept. Only for angles that are whole quarter turns, whose boxes stay rectangles of whole
// pixels. The image is drawn with a white margin around the box: any ink in the margin means
// that the text reaches beyond its box, where it would blend with what lies beneath, and such
// a text is drawn afresh each time instead.
const TPlot::TLabelPicture& TPlot::LabelPicture(TText& entry, int tenths, const QColor& box) const {
    for (const TLabelPicture& picture : entry.Pictures)
        if (picture.Tenths == tenths && picture.Box == box.rgba())
            return picture;
    TLabelPicture picture;
    picture.Tenths = tenths;
    picture.Box = box.rgba();
    const QRect boxRect(0, 0, entry.Width, FMetrics.height());
    QTransform turn;
    turn.rotate(-tenths / 10.0);
    const QRect bounds = turn.mapRect(boxRect);
    const int margin = FMetrics.height();
    // Drawn in device pixels, at a whole ratio k: k x k of them per logical pixel.
    const int k = FWholeRatio;
    QImage probe((bounds.size() + QSize(2 * margin, 2 * margin)) * k, FBitmap.format());
    probe.setDotsPerMeterX(FBitmap.dotsPerMeterX());
    probe.setDotsPerMeterY(FBitmap.dotsPerMeterY());
    probe.setDevicePixelRatio(FRatio);
    probe.fill(Qt::white);
    {
        QPainter painter(&probe);
        painter.setRenderHint(QPainter::TextAntialiasing, true);
        painter.setFont(FFont);
        DrawTextDirect(painter, entry.Text, entry.Width, margin - bounds.left(),
                       margin - bounds.top(), tenths, box);
    }
    const QRect inside(QPoint(margin, margin) * k, bounds.size() * k);
    const QRgb white = qRgb(255, 255, 255);
    const int width = probe.width(), height = probe.height();
    for (int y = 0; y < height && !picture.Overhangs; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(probe.constScanLine(y));
        const bool beside = y >= inside.top() && y <= inside.bottom();
        // Rows beside the box: only the margins left and right of it.
        const int skipFrom = beside ? inside.left() : width;
        const int skipTo = beside ? inside.right() + 1 : width;
        for (int x = 0; x < width && !picture.Overhangs; ++x) {
            if (x == skipFrom)
                x = skipTo;
            picture.Overhangs = x < width && line[x] != white;
        }
    }
    if (!picture.Overhangs) {
        picture.Image = probe.copy(inside);
        picture.Offset = bounds.topLeft();
    }
    entry.Pictures.push_back(std::move(picture));
    return entry.Pictures.back();
}

namespace {

// Turns (tenths of a degree) by which the toolkit's rotation is exact, so that a text's box
// stays a rectangle of whole pixels.
bool ExactQuarterTurn(double tenths) {
    return tenths == 0.0 || tenths == 900.0 || tenths == -900.0 || tenths == 2700.0 ||
           tenths == -2700.0 || tenths == 1800.0;
}

} // namespace

void TPlot::TextOutAngle(const std::string& text, int x, int y, double angle) {
    const QColor brushColor = Brush.color();
    Brush.setColor(ColorToQColor(InPlotRect(x, y) ? FPlotAreaColor : FBackgroundColor));
    if (!text.empty() && !FBitmap.isNull()) {
        double tenths = std::trunc(angle * 10.0);
        if (!std::isfinite(tenths))
            tenths = 0.0;
        TText& entry = TextEntry(text);
        const QColor box = Brush.color();
        FlushLines();
        // At a fractional ratio a box's edges fall between device pixels in ways that depend
        // on its place: such texts are drawn afresh each time.
        const TLabelPicture* picture = ExactQuarterTurn(tenths) && FWholeRatio > 0
                                           ? &LabelPicture(entry, static_cast<int>(tenths), box)
                                           : nullptr;
        if (picture && !picture->Overhangs) {
            // The picture carries the ratio: the painter copies its device pixels one to one.
            const QPoint at = QPoint(x, y) + picture->Offset;
            KeepSavedDevicePixels(QRect(at * FWholeRatio, picture->Image.size()));
            Canvas().drawImage(at, picture->Image);
        } else {
            if (FSavedIsBitmap) {
                // The turned box and the ink around it, with room to spare.
                QTransform place;
                place.translate(x, y);
                place.rotate(-tenths / 10.0);
                const int margin = FMetrics.height();
                KeepSavedPixels(place.mapRect(QRect(0, 0, entry.Width, FMetrics.height()))
                                    .adjusted(-margin, -margin, margin, margin));
            }
            DrawTextDirect(Canvas(), entry.Text, entry.Width, x, y, tenths, box);
        }
    }
    Brush.setColor(brushColor);
}

void TPlot::SaveImage() {
    FlushLines();
    FSavedBitmap = QImage();
    FSavedPatches.clear();
    FPatchArea = 0;
    FSavedIsBitmap = !FBitmap.isNull();
}

// The bitmap becomes the saved image. Lines drawn since the saving are overwritten by it
// anyway. The saved image itself stays as it is, so that the next drawing over the bitmap (a
// fitted curve) needs no further copy to keep it.
void TPlot::RestoreImage() {
    if (FSavedIsBitmap) {
        FLines.clear();
        if (FSavedPatches.empty())
            return;
        EndCanvas();
        if (FBitmap.isDetached()) {
            // Nobody else holds these pixels: the patches go back in place.
            Paste(FBitmap, FSavedPatches);
            FSavedPatches.clear();
            FPatchArea = 0;
            return;
        }
        // The pixels are shown (or kept for a Clear): they stay as the saved image's base,
        // and the bitmap becomes a copy of its own with the patches pasted.
        FSavedBitmap = FBitmap;
        FSavedIsBitmap = false;
    } else if (FSavedBitmap.isNull()) {
        return;
    }
    FLines.clear();
    EndCanvas();
    FBitmap = FSavedBitmap;
    if (!FSavedPatches.empty())
        Paste(FBitmap, FSavedPatches);
}

void TPlot::Show() {
    FlushLines();
    EndCanvas();
    FPicture = FBitmap;
    update();
}

int TPlot::TextWidth(const std::string& text) const {
    return TextEntry(text).Width;
}

int TPlot::TextHeight(const std::string& /*text*/) const {
    return FMetrics.height();
}

void TPlot::DrawOnPicture(const std::function<void(QPainter&)>& draw) {
    if (FPicture.isNull())
        return;
    {
        QPainter painter(&FPicture);
        if (FRatio != 1.0)
            painter.setTransform(LineShift());
        draw(painter);
    }
    update();
}

bool TPlot::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::ScreenChangeInternal: // the window moved to another screen
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
    case QEvent::DevicePixelRatioChange:
#endif
        FollowScreen();
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

void TPlot::paintEvent(QPaintEvent* event) {
    // A change of the screen's scale that came without an event of its own.
    FollowScreen();
    QPainter painter(this);
    const QRect exposed = event->rect();
    if (FPicture.isNull())
        painter.fillRect(exposed, Qt::black);
    else if (FPicture.devicePixelRatio() == 1.0)
        painter.drawImage(exposed.topLeft(), FPicture, exposed);
    else
        // Device pixel for device pixel on the screen; the painter is clipped to the exposed
        // part.
        painter.drawImage(QPointF(0, 0), FPicture);
}

void TPlot::mousePressEvent(QMouseEvent* event) {
    if (OnMouseDown) {
        const QPoint at = event->position().toPoint();
        OnMouseDown(event->button(), event->modifiers(), at.x(), at.y());
    }
}

void TPlot::mouseMoveEvent(QMouseEvent* event) {
    if (OnMouseMove) {
        const QPoint at = event->position().toPoint();
        OnMouseMove(event->modifiers(), at.x(), at.y());
    }
}

void TPlot::mouseReleaseEvent(QMouseEvent* event) {
    if (OnMouseUp) {
        const QPoint at = event->position().toPoint();
        OnMouseUp(event->button(), event->modifiers(), at.x(), at.y());
    }
}
