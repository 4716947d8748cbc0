#include "plot/Canvasunit.h"

#include "plot/Rasterunit.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>

TPlotCanvas::TPlotCanvas(int width, int height, const TRect& plotRect)
    : TDrawingSurface(width, height, plotRect), FBitmap(width, height, QImage::Format_RGB32),
      FLabels(Font(), Metrics()) {
    FEdgesX = DeviceEdges(width, 1.0);
    FEdgesY = DeviceEdges(height, 1.0);
    FBitmap.fill(Qt::black);
    FPicture = FBitmap;
}

TPlotCanvas::~TPlotCanvas() {
    EndCanvas();
}

QPainter& TPlotCanvas::Canvas() {
    if (!FCanvas) {
        FCanvas = std::make_unique<QPainter>(&FBitmap);
        FCanvas->setRenderHint(QPainter::TextAntialiasing, true);
        FCanvas->setFont(Font());
    }
    return *FCanvas;
}

void TPlotCanvas::EndCanvas() {
    FCanvas.reset();
}

const QImage& TPlotCanvas::Bitmap() {
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

void TPlotCanvas::SetDevicePixelRatio(qreal ratio) {
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
    FEdgesX = DeviceEdges(Width(), ratio);
    FEdgesY = DeviceEdges(Height(), ratio);
    const QSize size(FEdgesX.back(), FEdgesY.back());
    FBitmap = Rescaled(FBitmap, size, ratio);
    FSavedBitmap = Rescaled(FSavedBitmap, size, ratio);
    FPicture = Rescaled(FPicture, size, ratio);
    // The texts' pictures were drawn for the old device pixels; their sizes stay.
    FLabels.ForgetPictures();
    if (OnDevicePixelRatioChange)
        OnDevicePixelRatioChange();
    PictureChanged();
}

void TPlotCanvas::Resize(int width, int height) {
    width = std::max(width, 1);
    height = std::max(height, 1);
    if (width == Width() && height == Height())
        return;
    FlushLines();
    EndCanvas();
    SetSize(width, height);
    FEdgesX = DeviceEdges(width, FRatio);
    FEdgesY = DeviceEdges(height, FRatio);
    FBitmap = QImage(FEdgesX.back(), FEdgesY.back(), QImage::Format_RGB32);
    FBitmap.setDevicePixelRatio(FRatio);
    FBitmap.fill(Qt::black);
    FSavedIsBitmap = false;
    FSavedBitmap = QImage();
    FSavedPatches.clear();
    FPatchArea = 0;
    FPicture = FBitmap;
    PictureChanged();
}

QRect TPlotCanvas::DeviceRect(const QRect& logical) const {
    if (FRatio == 1.0)
        return logical & FBitmap.rect();
    const int left = std::clamp(logical.left(), 0, Width());
    const int right = std::clamp(logical.right() + 1, 0, Width());
    const int top = std::clamp(logical.top(), 0, Height());
    const int bottom = std::clamp(logical.bottom() + 1, 0, Height());
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
void TPlotCanvas::FillLogical(QPainter& painter, const QRect& logical, const QColor& color) {
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
QTransform TPlotCanvas::LineShift() const {
    const qreal shift = 0.5 - 0.5 / FRatio;
    return QTransform::fromTranslate(shift, shift);
}

void TPlotCanvas::OutlinedRect(QPainter& painter, const TRect& rect, const QBrush& brush) {
    if (rect.Width() <= 0 || rect.Height() <= 0)
        return;
    painter.setPen(Pen);
    painter.setBrush(brush);
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
bool TPlotCanvas::FillClear(QPainter& painter, const QColor& background, const QColor& area) {
    const QColor frame = Pen.color();
    const QRect whole(0, 0, Width(), Height());
    const TRect& r = PlotRect();
    const bool plotDrawn = r.Width() > 0 && r.Height() > 0;
    const QRect plot(r.Left, r.Top, r.Width(), r.Height());
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

void TPlotCanvas::TakeBufferForClear() {
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
    // A buffer still shown or saved is left to them and a new one taken: painting on the
    // shared one would first copy every pixel that Clear then overwrites, which added 90 to
    // 115 us to read + draw + repaint of a spectrum (BM_ReadAndDrawGraph, about 400 us). Keeping
    // the last such buffer as a spare for the next Clear saved nothing measurable over taking a new
    // one.
    EndCanvas();
    QImage fresh(FBitmap.size(), FBitmap.format());
    fresh.setDotsPerMeterX(FBitmap.dotsPerMeterX());
    fresh.setDotsPerMeterY(FBitmap.dotsPerMeterY());
    fresh.setDevicePixelRatio(FBitmap.devicePixelRatio());
    FBitmap = std::move(fresh);
}

void TPlotCanvas::PaintCleared(const QBrush& background, const QBrush& area) {
    if (FBitmap.isNull())
        return;
    TakeBufferForClear();
    QPainter& painter = Canvas();
    if (FillClear(painter, background.color(), area.color()))
        return;
    OutlinedRect(painter, TRect(0, 0, Width(), Height()), background);
    OutlinedRect(painter, PlotRect(), area);
}

// A pen of at most one pixel is drawn line by line by the raster engine whether the lines come
// one per call or many in one call (each starts its own dash pattern), so such lines are
// batched. Wider pens are stroked as one outline per call, and flat caps depend on the
// direction of the line before in the same call: those lines are drawn at once.
void TPlotCanvas::PaintLine(const QPoint& from, const QPoint& to) {
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

// Lines drawn before the fill lie under it: they are drawn first.
void TPlotCanvas::PaintFill(const QRect& rect, const QColor& color) {
    if (FBitmap.isNull())
        return;
    FlushLines();
    KeepSavedPixels(rect);
    FillLogical(Canvas(), rect, color);
}

// The painter works in logical pixels on the bitmap of the ratio: the image's blocks cover the
// device pixels of rect.
void TPlotCanvas::PaintImage(const QRect& rect, const QImage& image) {
    if (FBitmap.isNull())
        return;
    FlushLines();
    KeepSavedPixels(rect);
    Canvas().drawImage(rect, image);
}

void TPlotCanvas::FlushLines() {
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

void TPlotCanvas::KeepSavedPixels(const QRect& rect) {
    if (FSavedIsBitmap)
        KeepSavedDevicePixels(DeviceRect(rect));
}

void TPlotCanvas::KeepSavedDevicePixels(const QRect& rect) {
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
void TPlotCanvas::MaterialiseSaved() {
    FSavedBitmap = FBitmap.copy();
    Paste(FSavedBitmap, FSavedPatches);
    FSavedPatches.clear();
    FPatchArea = 0;
    FSavedIsBitmap = false;
}

int TPlotCanvas::TextWidth(const std::string& text) const {
    return FLabels.Text(text).Width;
}

void TPlotCanvas::PaintText(const std::string& text, int x, int y, double tenths,
                            const QColor& box) {
    if (FBitmap.isNull())
        return;
    TLabelStore::TText& entry = FLabels.Text(text);
    FlushLines();
    // At a fractional ratio a box's edges fall between device pixels in ways that depend on its
    // place: such texts are drawn afresh each time.
    TLabelStore::TPicture* picture =
        ExactQuarterTurn(tenths) && FWholeRatio > 0
            ? &FLabels.Picture(entry, static_cast<int>(tenths), box, FBitmap)
            : nullptr;
    if (picture && !picture->Overhangs) {
        // The picture carries the ratio: the painter copies its device pixels one to one.
        const QPoint at = QPoint(x, y) + picture->Offset;
        KeepSavedDevicePixels(QRect(at * FWholeRatio, picture->Image.size()));
        Canvas().drawImage(at, picture->Image);
        return;
    }
    // A text whose ink reaches past its box blends there with what lies beneath: its picture
    // serves where all of that is of one colour (a file name over the background). Drawing
    // the file name afresh took 7 to 16 us of a wheel step's 165 (BM_WheelZoomStep).
    if (picture) {
        const QRect inked = picture->Inked.translated(QPoint(x, y) * FWholeRatio);
        QRgb colour = 0;
        if (UniformColour(inked, colour)) {
            const QImage& image = FLabels.OnColour(entry, *picture, colour, FBitmap);
            KeepSavedDevicePixels(inked);
            CopyDevicePixels(image, inked.topLeft());
            return;
        }
    }
    if (FSavedIsBitmap) {
        // The turned box and the ink around it, with room to spare.
        QTransform place;
        place.translate(x, y);
        place.rotate(-tenths / 10.0);
        const int margin = Metrics().height();
        KeepSavedPixels(place.mapRect(QRect(0, 0, entry.Width, Metrics().height()))
                            .adjusted(-margin, -margin, margin, margin));
    }
    DrawTextBox(Canvas(), Metrics(), entry.Text, entry.Width, x, y, tenths, box);
}

bool TPlotCanvas::UniformColour(const QRect& rect, QRgb& colour) const {
    const QRect r = rect & FBitmap.rect();
    if (r.isEmpty())
        return false;
    colour = reinterpret_cast<const QRgb*>(FBitmap.constScanLine(r.top()))[r.left()];
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(FBitmap.constScanLine(y));
        for (int x = r.left(); x <= r.right(); ++x)
            if (line[x] != colour)
                return false;
    }
    return true;
}

// The painter would copy an opaque image of the bitmap's format pixel for pixel too.
void TPlotCanvas::CopyDevicePixels(const QImage& image, const QPoint& at) {
    const QRect r = QRect(at, image.size()) & FBitmap.rect();
    if (r.isEmpty())
        return;
    QRgb* pixels = reinterpret_cast<QRgb*>(FBitmap.bits());
    const qsizetype stride = FBitmap.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
    const std::size_t bytes = static_cast<std::size_t>(r.width()) * sizeof(QRgb);
    for (int y = r.top(); y <= r.bottom(); ++y)
        std::memcpy(pixels + y * stride + r.left(),
                    image.constScanLine(y - at.y()) + (r.left() - at.x()) * sizeof(QRgb), bytes);
}

void TPlotCanvas::SaveImage() {
    FlushLines();
    FSavedBitmap = QImage();
    FSavedPatches.clear();
    FPatchArea = 0;
    FSavedIsBitmap = !FBitmap.isNull();
}

// The bitmap becomes the saved image. Lines drawn since the saving are overwritten by it
// anyway. The saved image itself stays as it is, so that the next drawing over the bitmap (a
// fitted curve) needs no further copy to keep it.
void TPlotCanvas::RestoreImage() {
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

void TPlotCanvas::Show() {
    FlushLines();
    EndCanvas();
    FPicture = FBitmap;
    PictureChanged();
}

void TPlotCanvas::DrawOnPicture(const std::function<void(QPainter&)>& draw) {
    if (FPicture.isNull())
        return;
    {
        QPainter painter(&FPicture);
        if (FRatio != 1.0)
            painter.setTransform(LineShift());
        draw(painter);
    }
    PictureChanged();
}
