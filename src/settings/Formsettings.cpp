#include "settings/Formsettings.h"
#include "settings/Iniunit.h"
#include "settings/Storeunit.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <algorithm>
#include <memory>

namespace {
const QString Section = QStringLiteral("Form");
const QString FilesSection = QStringLiteral("Files");
const QString ApplicationName = QStringLiteral("Kelvane");

// Height of the strip of a window's frame that a user grabs to move it.
constexpr int TitleBarHeight = 20;
// The part of the title bar's width that must lie on a screen.
constexpr int ReachableWidth = 100;
// Farther than any screen and any window reaches (a widget is at most 16777215 pixels wide),
// near enough to zero that sums of two such values fit an int.
constexpr int FarCoordinate = 1 << 24;

// The corner nearest to corner at which all of a frame lies inside area: a window that reaches
// past the screen's edge (the default place on a 1024 x 768 projector puts the status bar below
// it) is moved, never resized. A frame larger than the area keeps its title bar on it.
QPoint InsideArea(QPoint corner, QSize frame, const QRect& area) {
    const int x = std::min(corner.x(), area.right() + 1 - frame.width());
    const int y = std::min(corner.y(), area.bottom() + 1 - frame.height());
    return QPoint(std::max(x, area.left()), std::max(y, area.top()));
}
} // namespace

TFormSettings TFormSettings::Load(QSettings& store) {
    TFormSettings settings;
    store.beginGroup(Section);
    settings.Left = ReadStoredInteger(store, QStringLiteral("Left"), settings.Left);
    settings.Top = ReadStoredInteger(store, QStringLiteral("Top"), settings.Top);
    settings.Hints = ReadStoredInteger(store, QStringLiteral("Hints"), 1) != 0;
    settings.FollowFolder = ReadStoredInteger(store, QStringLiteral("FollowFolder"), 0) != 0;
    settings.Width = std::max(0, ReadStoredInteger(store, QStringLiteral("Width"), 0));
    settings.Height = std::max(0, ReadStoredInteger(store, QStringLiteral("Height"), 0));
    settings.Maximized = ReadStoredInteger(store, QStringLiteral("Maximized"), 0) != 0;
    store.endGroup();
    store.beginGroup(FilesSection);
    settings.OpenFolder = store.value(QStringLiteral("OpenFolder")).toString();
    for (int i = 1; i <= MaxRecentFiles; ++i) {
        const QString file = store.value(QStringLiteral("Recent%1").arg(i)).toString();
        if (!file.isEmpty())
            settings.RecentFiles << file;
    }
    store.endGroup();
    return settings;
}

std::vector<TIniEdit> TFormSettings::Edits() const {
    const auto number = [](int value) { return QByteArray::number(value); };
    std::vector<TIniEdit> edits = {
        {Section, QStringLiteral("Left"), number(Left)},
        {Section, QStringLiteral("Top"), number(Top)},
        {Section, QStringLiteral("Hints"), Hints ? QByteArray("1") : QByteArray("0")},
        {Section, QStringLiteral("FollowFolder"), FollowFolder ? QByteArray("1") : QByteArray("0")},
        {Section, QStringLiteral("Width"), number(Width)},
        {Section, QStringLiteral("Height"), number(Height)},
        {Section, QStringLiteral("Maximized"), Maximized ? QByteArray("1") : QByteArray("0")},
    };
    bool storable = false;
    const QByteArray folder = IniValueText(OpenFolder, storable);
    if (!OpenFolder.isEmpty() && storable)
        edits.push_back({FilesSection, QStringLiteral("OpenFolder"), folder});
    // Every slot is written, the unused ones empty, so that a shorter list leaves no stale name.
    int slot = 1;
    for (const QString& file : RecentFiles) {
        bool ok = false;
        const QByteArray text = IniValueText(file, ok);
        if (ok && !file.isEmpty() && slot <= MaxRecentFiles)
            edits.push_back({FilesSection, QStringLiteral("Recent%1").arg(slot++), text});
    }
    for (; slot <= MaxRecentFiles; ++slot)
        edits.push_back({FilesSection, QStringLiteral("Recent%1").arg(slot), QByteArray()});
    return edits;
}

TFormSettings TFormSettings::Read() {
    const std::unique_ptr<QSettings> store = OpenSettings(ApplicationName);
    return store ? Load(*store) : TFormSettings();
}

void TFormSettings::Write() const {
    // Not through QSettings, which parses every value of the file before it writes, a hostile
    // "@Variant(...)" too (see settings/Iniunit.h). What cannot be written is not reported:
    // the window opens at its default place next time.
    EditSettingsFile(SettingsFilePath(ApplicationName), Edits());
}

QStringList WithRecentFile(const QStringList& recent, const QString& path) {
    if (path.isEmpty())
        return recent;
    QStringList list{path};
    for (const QString& file : recent)
        if (file != path && list.size() < MaxRecentFiles)
            list << file;
    return list;
}

QString StartFolder(const QString& stored) {
    if (!stored.isEmpty() && QFileInfo(stored).isDir())
        return stored;
    if (QFileInfo(QStringLiteral("Data")).isDir())
        return QStringLiteral("Data");
    return QDir::homePath();
}

QSize SizeOnScreens(QSize stored, QSize smallest, const QList<QRect>& screens) {
    int width = 0, height = 0;
    for (const QRect& screen : screens) {
        width = std::max(width, screen.width());
        height = std::max(height, screen.height());
    }
    if (screens.isEmpty())
        width = height = FarCoordinate;
    return QSize(std::max(smallest.width(), std::min(stored.width(), width)),
                 std::max(smallest.height(), std::min(stored.height(), height)));
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
            return InsideArea(stored, frame, screen);
    }
    return InsideArea(primary.topLeft() + QPoint(100, 100), frame, primary);
}
