// Where users put things: spectrum files dropped on the window, File > Recent files, the graph
// copied to the clipboard and printed with a header.
#include "app/Unit1.h"

#include "app/Dialogsunit.h"
#include "app/Plotunit.h"
#include "plot/Graphunit.h"
#include "plot/Vectorplotunit.h"
#include "session/Printunit.h"
#include "settings/Formsettings.h"

#include <QAction>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPrinter>
#include <QSvgRenderer>
#include <QUrl>
#include <algorithm>

namespace {

// The local files among a drop's URLs, in their order.
QStringList DroppedFiles(const QMimeData* data) {
    QStringList files;
    if (!data || !data->hasUrls())
        return files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile())
            files << url.toLocalFile();
    return files;
}

} // namespace

void TForm1::CreatePlacesMenuItems() {
    miRecentFiles = new QMenu("Recent &files", this);
    miRecentFiles->setObjectName("miRecentFiles");
    miFile->insertMenu(miDetails, miRecentFiles);
    connect(miRecentFiles, &QMenu::aboutToShow, this, [this] { UpdateRecentMenu(); });
    miOverlay = miFile->addAction("O&verlay files...");
    miOverlay->setObjectName("miOverlay");
    miOverlay->setStatusTip("Draw other spectra over the one shown, to compare them");
    miOverlay->setEnabled(false);
    miFile->removeAction(miOverlay);
    miFile->insertAction(miAverage, miOverlay);
    OnTriggered(miOverlay, [this] { miOverlayClick(); });
    miPrint = miFile->addAction("&Print...");
    miPrint->setObjectName("miPrint");
    miPrint->setShortcut(QKeySequence::Print);
    miPrint->setStatusTip("Print the graph with the file's name, time, position and VLSR");
    miPrint->setEnabled(false);
    // Below Export FITS spectrum.
    miFile->removeAction(miPrint);
    const QList<QAction*> items = miFile->actions();
    const qsizetype fits = items.indexOf(miExportFits);
    miFile->insertAction(fits >= 0 && fits + 1 < items.size() ? items[fits + 1] : nullptr, miPrint);
    OnTriggered(miPrint, [this] { miPrintClick(); });

    miView->addSeparator();
    miClearOverlays = miView->addAction("&Clear overlays");
    miClearOverlays->setObjectName("miClearOverlays");
    miClearOverlays->setEnabled(false);
    OnTriggered(miClearOverlays, [this] { miClearOverlaysClick(); });

    miEdit = new QMenu("&Edit", this);
    miEdit->setObjectName("miEdit");
    menuBar()->insertMenu(miGraph->menuAction(), miEdit);
    miCopyGraph = miEdit->addAction("&Copy graph");
    miCopyGraph->setObjectName("miCopyGraph");
    miCopyGraph->setShortcut(QKeySequence::Copy);
    miCopyGraph->setShortcutContext(Qt::WindowShortcut);
    miCopyGraph->setStatusTip("Put the graph on the clipboard as a picture");
    miCopyGraph->setEnabled(false);
    OnTriggered(miCopyGraph, [this] { miCopyGraphClick(); });
    // Offered whenever the graph can be exported.
    for (QAction* item : {miOverlay, miPrint, miCopyGraph}) {
        item->setEnabled(miExportGraph->isEnabled());
        connect(miExportGraph, &QAction::enabledChanged, item, &QAction::setEnabled);
    }
    setAcceptDrops(true);
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
    const QStringList files = DroppedFiles(event->mimeData());
    if (files.isEmpty())
        return;
    event->acceptProposedAction();
    // The first file is read as Read reads it; the others go over it.
    RunCommand([this, files] {
        ReadAndShow(files.first());
        if (files.size() > 1 && SpectrumDrawn)
            OverlayFiles(files.mid(1));
    });
}

void TForm1::AddRecentFile(const QString& path) {
    Recent = WithRecentFile(Recent, QFileInfo(path).absoluteFilePath());
}

void TForm1::UpdateRecentMenu() {
    miRecentFiles->clear();
    int number = 1;
    for (const QString& path : Recent) {
        QAction* item = miRecentFiles->addAction(
            QString("&%1 %2").arg(number % 10).arg(QFileInfo(path).fileName()));
        item->setObjectName(QString("miRecentFile%1").arg(number++));
        item->setStatusTip(path);
        item->setData(path);
        // A file that has gone stays in the list, greyed, in case its disk comes back.
        item->setEnabled(QFileInfo(path).isFile());
        OnTriggered(item, [this, path] { ReadAndShow(path); });
    }
    if (Recent.isEmpty())
        miRecentFiles->addAction("(none)")->setEnabled(false);
}

void TForm1::miCopyGraphClick() {
    if (!SpectrumDrawn)
        return;
    // The bitmap at the screen's density (it carries the ratio), without a band being dragged.
    QGuiApplication::clipboard()->setImage(Plot->Bitmap());
    ShowStatusMessage("Graph copied");
}

void TForm1::PrintGraph(QPrinter& printer) {
    QPainter painter(&printer);
    const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
    const QRectF area(0, 0, page.width(), page.height());
    TPrintFacts facts;
    facts.FileName = Session.CurrentFileName();
    facts.FileTime = lblFiletime->text().toStdString();
    facts.Ra = lblRa->text().toStdString();
    facts.Dec = lblDec->text().toStdString();
    facts.Glat = lblGlat->text().toStdString();
    facts.Glong = lblGlong->text().toStdString();
    if (Session.VlsrForSpectrum())
        facts.Vlsr = edVlsr->text().toStdString();
    QFont font("DejaVu Sans", 10);
    painter.setFont(font);
    const int line = painter.fontMetrics().height();
    qreal y = 0;
    for (const std::string& text : PrintHeaderLines(facts)) {
        painter.drawText(QPointF(0, y + painter.fontMetrics().ascent()),
                         QString::fromStdString(text));
        y += line;
    }
    y += line / 2;
    // The graph as a drawing (as Export graph's SVG), so that lines and text are as sharp as
    // the printer prints, scaled to the page's width or what is left of its height.
    // Laid out as on a window of at most 1000 x 700 pixels, whatever the window's size: on a
    // page the labels of a full-screen graph would be too small to read.
    const int width = std::clamp(Plot->width(), GraphWidth, 1000);
    const int height = std::clamp(Plot->height(), GraphHeight, 700);
    TVectorPlot drawing(width, height, GraphPlotRect(width, height), GraphBackground,
                        GraphAreaColor);
    TGraphLimits limits = Limits;
    std::string title;
    if (!DrawGraph(drawing, GraphInputs(), limits, title))
        return; // the header alone: the limits cannot be found (nothing is shown either)
    if (FittedCurveShown)
        DrawBaselineCurve(drawing, TGraphMapping{limits, drawing.PlotRect()},
                          ShownCurveCoefficients);
    // Through the SVG, whose text sizes are in the drawing's pixels: painted directly, the
    // plot's font in points would be measured at the printer's resolution.
    QSvgRenderer renderer(drawing.Svg(QString::fromStdString(facts.FileName)));
    QSizeF size(width, height);
    size.scale(area.width(), area.height() - y, Qt::KeepAspectRatio);
    renderer.render(&painter, QRectF(QPointF(0, y), size));
}

void TForm1::miPrintClick() {
    if (!SpectrumDrawn)
        return;
    Dialogs->PrintWithPreview(this, [this](QPrinter& printer) { PrintGraph(printer); });
}
