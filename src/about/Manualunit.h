// Manualunit: the program's manual for Help > Manual. The manual is the README that is
// installed with the program (share/doc/kelvane/README.md); it is turned into HTML, which every
// desktop has a viewer for, with its pictures found beside the README.
#pragma once

#include <QString>
#include <QStringList>

// Where the README may be, in the order looked at: installed beside the program's prefix
// (bin/../share/doc/kelvane), then the source tree of a build folder inside it (build/..).
QStringList ManualCandidates(const QString& programFolder);

// The README's Markdown as an HTML page whose links and pictures are found from baseFolder.
QString ManualHtml(const QString& markdown, const QString& baseFolder);

// Writes the HTML manual of the first README found among candidates into folder (made when
// missing), as kelvane-manual.html, atomically. Returned: the page's path, or an empty text and
// error set to the reason ("no README found in ...", the file system's reason).
QString WriteManual(const QStringList& candidates, const QString& folder, QString& error);
