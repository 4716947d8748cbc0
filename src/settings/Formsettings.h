// The main window's own remembered settings: "Fernhollow"/"Kelvane", section "Form".
#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <vector>

class QSettings;
struct TIniEdit;

struct TFormSettings {
    int Left = 100;    // "Left": the window's left edge, pixels
    int Top = 100;     // "Top": its top edge, pixels
    bool Hints = true; // "Hints": the tool bar shows hints (stored as the text "1" or "0")
    // "FollowFolder": new spectrum files of the shown file's folder are shown as they arrive
    // (stored as "1" or "0").
    bool FollowFolder = false;
    // Section "Files", "OpenFolder": the folder of the last file read, where the open dialog
    // starts; empty when none was stored.
    QString OpenFolder;
    // The window's size (0: the described size, its smallest) and whether it was maximised;
    // "Width", "Height", "Maximized" in "Form". Left and Top stay the normal window's place.
    int Width = 0;
    int Height = 0;
    bool Maximized = false;
    // Section "Files", "Recent1" to "Recent10": the files read last, the latest first.
    QStringList RecentFiles;

    // Values missing or not whole numbers give the defaults above; nothing is reported.
    static TFormSettings Load(QSettings& store);
    // The values as edits of the store's file (settings/Iniunit.h); OpenFolder only when set
    // and storable (no control characters).
    std::vector<TIniEdit> Edits() const;
    // The program's own store (organisation "Fernhollow", application "Kelvane"); when its
    // file is no regular file of bounded size (see OpenSettings), Read gives the defaults and
    // Write stores nothing. Write changes only the lines of these values (EditSettingsFile).
    static TFormSettings Read();
    void Write() const;
};

// The most recent files kept in File > Recent files.
constexpr int MaxRecentFiles = 10;

// recent with path at its front: an earlier entry of the same path is taken out, and the list
// keeps the MaxRecentFiles latest. An empty path leaves the list as it is.
QStringList WithRecentFile(const QStringList& recent, const QString& path);

// Where the open dialog starts: the stored folder while it exists, else "Data" when the current
// folder holds one (the sample files beside a program started in the project's folder), else
// the user's home folder.
QString StartFolder(const QString& stored);

// The size a window takes for a stored size: within the largest available area of the screens
// (a size stored on a larger monitor that is gone would reach past the screen), never below the
// smallest size. Width and height are each taken alone.
QSize SizeOnScreens(QSize stored, QSize smallest, const QList<QRect>& screens);

// Where the window goes for a stored top-left corner.
// Given:    stored     the stored top-left corner of the window's frame, pixels
//           frame      the size of the window's frame (title bar included)
//           screens    the available area of every screen
//           primary    the available area of the primary screen
// Returned: stored itself when the title bar can be reached on some screen (its top row lies
//           on that screen and at least 100 pixels of its width, or all of a narrower frame);
//           otherwise a corner 100 pixels in from the primary area's top-left corner, so that
//           a window saved on a monitor that is gone can still be reached. Either is then
//           moved (never resized) as little as needed for the whole frame to lie on that
//           screen's area; a frame larger than the area goes to the area's top-left corner.
QPoint PlaceOnScreen(QPoint stored, QSize frame, const QList<QRect>& screens, QRect primary);
