#include "settings/Formsettings.h"
#include "settings/Storeunit.h"

#include <QSettings>
#include <algorithm>
#include <memory>

namespace {
const QString Section = QStringLiteral("Form");
const QString ApplicationName = QStringLiteral("Kelvane");

// Height of the strip of a window's frame that a user grabs to move it.
constexpr int TitleBarHeight = 20;
// The part of the title bar's width that must lie on a screen.
constexpr int ReachableWidth = 100;
// Farther than any screen and any window reaches (a widget is at most 16777215 pixels wide),
// near enough to zero that sums of two such values fit an int.
constexpr int FarCoordinate = 1 << 24;
} // namespace

TFormSettings TFormSettings::Load(QSettings& store) {
    TFormSettings settings;
    store.beginGroup(Section);
    settings.Left = ReadStoredInteger(store, QStringLiteral("Left"), settings.Left);
    settings.Top = ReadStoredInteger(store, QStringLiteral("Top"), settings.Top);
    settings.Hints = ReadStoredInteger(store, QStringLiteral("Hints"), 1) != 0;
    store.endGroup();
    return settings;
}

void TFormSettings::Save(QSettings& store) const {
    store.beginGroup(Section);
    store.setValue(QStringLiteral("Left"), Left);
    store.setValue(QStringLiteral("Top"), Top);
    store.setValue(QStringLiteral("Hints"), Hints ? QStringLiteral("1") : QStringLiteral("0"));
    store.endGroup();
    store.sync();
}

TFormSettings TFormSettings::Read() {
    const std::unique_ptr<QSettings> store = OpenSettings(ApplicationName);
    return store ? Load(*store) : TFormSettings();
}

void TFormSettings::Write() const {
    // A QSettings reads its file as it is built: a FIFO there would hang the program's exit.
    if (const std::unique_ptr<QSettings> store = OpenSettings(ApplicationName))
        Save(*store);
}

QPoint PlaceOnScreen(QPoint stored, QSize frame, const QList<QRect>& screens, QRect primary) {
    // A stored value comes from a file anyone may edit: clamped first, so that the edges below
    // cannot overflow (a Left of 2147483600 did, and the window landed at x = -48).
    stored = QPoint(std::clamp(stored.x(), -FarCoordinate, FarCoordinate),
                    std::clamp(stored.y(), -FarCoordinate, FarCoordinate));
    frame = QSize(std::clamp(frame.width(), 0, FarCoordinate),
                  std::clamp(frame.height(), 0, FarCoordinate));
    const QRect titleBar(stored, QSize(std::max(1, frame.width()), TitleBarHeight));
    const int needed = std::min(ReachableWidth, titleBar.width());
    for (const QRect& screen : screens) {
        const QRect shared = screen.intersected(titleBar);
        if (screen.contains(QPoint(screen.left(), stored.y())) && shared.width() >= needed)
            return stored;
    }
    QPoint corner = primary.topLeft() + QPoint(100, 100);
    if (corner.x() + frame.width() > primary.right() + 1)
        corner.setX(primary.left());
    if (corner.y() + frame.height() > primary.bottom() + 1)
        corner.setY(primary.top());
    return corner;
}
