// Construction of the main window: actions, menus, tool bar, panels, status bar and plot.
#include "app/Unit1.h"

#include "app/Dialogsunit.h"
#include "app/Spineditunit.h"
#include "data/Folderunit.h"
#include "data/Readunit.h"
#include "data/Spectrumunit.h"
#include "numeric/Polyfitunit.h"
#include "plot/Graphunit.h"
#include "plot/Plotunit.h"

#include <QAction>
#include <QActionGroup>
#include <QFontDatabase>
#include <QGlyphRun>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QRawFont>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>
#include <vector>

const char* const ApplicationTitle = "Kelvane";
const char* const NoCorrelationText = "  ----   ";

namespace {

template <typename T> T* Named(T* object, const char* name) {
    object->setObjectName(QString::fromLatin1(name));
    return object;
}

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
    explicit TStatusPanel(QWidget* parent) : QLabel(parent) {
        setAutoFillBackground(true);
        setAlignment(Qt::AlignCenter);
    }

protected:
    void changeEvent(QEvent* event) override {
        if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
            Glyphs.clear();
        QLabel::changeEvent(event);
    }

    void paintEvent(QPaintEvent* event) override {
        if (!contentsRect().contains(event->rect())) {
            QLabel::paintEvent(event);
            return;
        }
        QPainter painter(this);
        if (!DrawReadout(painter))
            style()->drawItemText(&painter, contentsRect(), alignment(), palette(), isEnabled(),
                                  text(), foregroundRole());
    }

private:
    struct TGlyph {
        quint32 Index = 0;
        qreal Advance = 0.0;
    };

    // The text as one run of glyphs, centred as drawItemText centres it; false (and nothing
    // drawn) for a character outside printable ASCII or missing from the font.
    bool DrawReadout(QPainter& painter) {
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

    QRawFont Font;
    std::vector<TGlyph> Glyphs; // by character code; empty until the first readout
};

// The tool bar's own small pictures, drawn at 16 x 16 (and 32 x 32 for dense screens): the arrows
// of Previous and Next file, and a line with a mark at its edge for Measure line. Drawn rather
// than taken from the style, whose arrows cost the window's first showing 1.5 ms (5 % of its
// start) for their look-up.
QIcon DrawnIcon(int kind) {
    QIcon icon;
    for (const int size : {16, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 16.0, size / 16.0);
        if (kind < 2) {
            // A green disc with a white arrow, pointing left (0) or right (1).
            painter.setPen(QPen(QColor(0x2e, 0x7d, 0x32), 1.0));
            painter.setBrush(QColor(0x4c, 0xaf, 0x50));
            painter.drawEllipse(QRectF(1.5, 1.5, 13.0, 13.0));
            const qreal s = kind == 0 ? -1.0 : 1.0;
            const QPointF arrow[] = {{8.0 + 4.0 * s, 8.0}, {8.0, 4.0},           {8.0, 6.5},
                                     {8.0 - 4.0 * s, 6.5}, {8.0 - 4.0 * s, 9.5}, {8.0, 9.5},
                                     {8.0, 12.0}};
            painter.setPen(Qt::NoPen);
            painter.setBrush(Qt::white);
            painter.drawPolygon(arrow, 7);
        } else {
            // A spectral line in blue with a green mark at its far edge.
            painter.setPen(QPen(QColor(0x00, 0x80, 0x00), 1.2));
            painter.drawLine(QPointF(11.5, 1.5), QPointF(11.5, 14.5));
            painter.setPen(QPen(Qt::blue, 1.4));
            const QPointF line[] = {{1.0, 13.5}, {4.0, 13.0},  {6.5, 8.0},  {8.0, 3.0},
                                    {9.5, 6.0},  {11.0, 12.5}, {15.0, 13.5}};
            painter.drawPolyline(line, 7);
        }
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
} // namespace

TForm1::TForm1(TUserDialogs* dialogs, QWidget* parent) : QMainWindow(parent), Dialogs(dialogs) {
    if (!Dialogs) {
        OwnDialogs = std::make_unique<TQtDialogs>();
        Dialogs = OwnDialogs.get();
    }
    setObjectName("Form1");
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    CreateMenus();
    CreateFitsMenuItem();
    CreateToolBar();
    CreatePanels();
    CreateStatusBar();
    setWindowTitle(ApplicationTitle);
    SetCaption();
    CSpinEdit1Change();
    CreatePlot();
    CreatePopupMenu();
    UpdatePolynomialItems();
    for (QLabel* label : {lblRa, lblDec, lblGlat, lblGlong, lblLat, lblLong, lblElev, lblFiletime})
        label->clear();
    setFixedSize(sizeHint());
    // Placed once its size is final, so that all of it can be kept on the screen.
    ReadStoredSettings();
}

void TForm1::OnTriggered(QAction* action, std::function<void()> handler) {
    connect(action, &QAction::triggered, this,
            [this, handler = std::move(handler)] { RunCommand(handler); });
}

void TForm1::CreateMenus() {
    miFile = Named(menuBar()->addMenu("&File"), "miFile");
    miRead = Named(miFile->addAction("&Read"), "miRead");
    miRead->setShortcut(QKeySequence::Open);
    miRead->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
    miDetails = Named(miFile->addAction("Enter &other details"), "miDetails");
    miDetails->setEnabled(false);
    miNextFile = Named(miFile->addAction("&Next file"), "miNextFile");
    miNextFile->setShortcut(QKeySequence(Qt::Key_PageDown));
    miNextFile->setStatusTip("Read the next spectrum file of the folder, in name order");
    miPreviousFile = Named(miFile->addAction("&Previous file"), "miPreviousFile");
    miPreviousFile->setShortcut(QKeySequence(Qt::Key_PageUp));
    miPreviousFile->setStatusTip("Read the previous spectrum file of the folder, in name order");
    for (QAction* item : {miNextFile, miPreviousFile}) {
        item->setShortcutContext(Qt::WindowShortcut);
        item->setEnabled(false);
    }
    miAverage = Named(miFile->addAction("&Average files..."), "miAverage");
    miAverage->setStatusTip(
        "Average repeated scans of one source on their velocity-minus-VLSR axis");
    OnTriggered(miAverage, [this] { miAverageClick(); });
    miFile->addSeparator();
    miSaveAs = Named(miFile->addAction("&Save as"), "miSaveAs");
    miSaveAs->setShortcut(QKeySequence::Save);
    miSaveAs->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    miSaveAs->setEnabled(false); // nothing to save before a spectrum has been read
    miExportGraph = Named(miFile->addAction("&Export graph..."), "miExportGraph");
    miExportGraph->setStatusTip("Write the graph as a PNG picture or an SVG drawing");
    miExportGraph->setEnabled(false);
    miFile->addSeparator();
    miStation = Named(miFile->addAction("S&tation settings..."), "miStation");
    miStation->setStatusTip("The station's site and equinox, shared with the telescope control "
                            "program");
    OnTriggered(miStation, [this] { miStationClick(); });
    miFile->addSeparator();
    miExit = Named(miFile->addAction("E&xit"), "miExit");
    miExit->setShortcut(QKeySequence::Quit);
    OnTriggered(miRead, [this] { miReadClick(); });
    OnTriggered(miDetails, [this] { miDetailsClick(); });
    OnTriggered(miSaveAs, [this] { miSaveAsClick(); });
    OnTriggered(miExportGraph, [this] { miExportGraphClick(); });
    OnTriggered(miExit, [this] { miExitClick(); });
    OnTriggered(miNextFile, [this] { miNextFileClick(); });
    OnTriggered(miPreviousFile, [this] { miPreviousFileClick(); });

    miGraph = Named(menuBar()->addMenu("&Graph"), "miGraph");
    GraphGroup = new QActionGroup(this);
    GraphGroup->setExclusive(true);
    miFrequency = Named(miGraph->addAction("&Frequency"), "miFrequency");
    miWavelength = Named(miGraph->addAction("&Wavelength"), "miWavelength");
    miVelocity = Named(miGraph->addAction("&Velocity"), "miVelocity");
    miVMinusVlsr = Named(miGraph->addAction("V &Minus Vlsr"), "miVMinusVlsr");
    miVMinusVlsr->setStatusTip("Velovity minus Vlsr");
    for (QAction* item : {miFrequency, miWavelength, miVelocity, miVMinusVlsr}) {
        item->setCheckable(true);
        GraphGroup->addAction(item);
        OnTriggered(item, [this, item] { miGraphClick(item); });
    }
    miFrequency->setChecked(true);
    miVMinusVlsr->setEnabled(false);

    miView = Named(menuBar()->addMenu("&View"), "miView");
    miShowHints = Named(miView->addAction("Show &Hints"), "miShowHints");
    miShowHints->setCheckable(true);
    miShowHints->setChecked(true);
    OnTriggered(miShowHints, [this] { miShowHintsClick(); });
    miFollowFolder = Named(miView->addAction("&Follow folder"), "miFollowFolder");
    miFollowFolder->setCheckable(true);
    miFollowFolder->setStatusTip("Show each new spectrum file of the folder as it arrives");
    OnTriggered(miFollowFolder, [this] { miFollowFolderClick(); });

    miPolynomial = Named(menuBar()->addMenu("&Polynomial"), "miPolynomial");
    miSubtract = Named(miPolynomial->addAction("&Subtract"), "miSubtract");
    OnTriggered(miSubtract, [this] { miSubtractClick(); });
    miUndoSubtract = Named(miPolynomial->addAction("&Undo Subtract"), "miUndoSubtract");
    miUndoSubtract->setShortcut(QKeySequence::Undo);
    miUndoSubtract->setShortcutContext(Qt::WindowShortcut);
    miUndoSubtract->setEnabled(false);
    // Also an action of the window itself, so that its shortcut works while the menu is
    // disabled (after a change of axis) and whatever control has the focus.
    addAction(miUndoSubtract);
    OnTriggered(miUndoSubtract, [this] { miUndoSubtractClick(); });
    miPolynomial->addSeparator();
    miMeasureLine = Named(miPolynomial->addAction("&Measure line"), "miMeasureLine");
    miMeasureLine->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    miMeasureLine->setShortcutContext(Qt::WindowShortcut);
    miMeasureLine->setStatusTip(
        "Peak, integral, noise and terminal velocities of the line in the band");
    miMeasureLine->setEnabled(false);
    // Also an action of the window, so that Ctrl+M works while the menu waits for a fit.
    addAction(miMeasureLine);
    OnTriggered(miMeasureLine, [this] { miMeasureLineClick(); });
    miPolynomial->menuAction()->setEnabled(false);

    miHelp = Named(menuBar()->addMenu("&Help"), "miHelp");
    miManual = Named(miHelp->addAction("&Manual"), "miManual");
    miManual->setShortcut(QKeySequence::HelpContents);
    miManual->setShortcutContext(Qt::WindowShortcut);
    addAction(miManual);
    OnTriggered(miManual, [this] { miManualClick(); });
    miAbout = Named(miHelp->addAction("&About"), "miAbout");
    OnTriggered(miAbout, [this] { miAboutClick(); });
}

void TForm1::CreateToolBar() {
    ToolBar = Named(addToolBar("ToolBar"), "ToolBar");
    ToolBar->setMovable(false);
    ToolBar->setFloatable(false);
    ToolBar->setFixedHeight(29);
    ToolBar->setIconSize(QSize(16, 16));
    ToolBar->setContextMenuPolicy(Qt::PreventContextMenu);
    // Hints are "short|long": the short part beside the button, the long one in the status bar.
    tbRead = Named(ToolBar->addAction(style()->standardIcon(QStyle::SP_DialogOpenButton), "Read"),
                   "tbRead");
    tbRead->setToolTip("Read");
    tbRead->setStatusTip("Read|Open file");
    Named(ToolBar->addSeparator(), "ToolButton1");
    tbSaveAs =
        Named(ToolBar->addAction(style()->standardIcon(QStyle::SP_DialogSaveButton), "Save as"),
              "tbSaveAs");
    tbSaveAs->setToolTip("Save as");
    tbSaveAs->setStatusTip("Save as|Save data as");
    tbSaveAs->setEnabled(false);
    ToolBar->addSeparator();
    tbPreviousFile = Named(ToolBar->addAction(DrawnIcon(0), "Previous file"), "tbPreviousFile");
    tbPreviousFile->setToolTip("Previous file");
    tbPreviousFile->setStatusTip("Previous file|Read the previous spectrum file of the folder");
    tbNextFile = Named(ToolBar->addAction(DrawnIcon(1), "Next file"), "tbNextFile");
    tbNextFile->setToolTip("Next file");
    tbNextFile->setStatusTip("Next file|Read the next spectrum file of the folder");
    ToolBar->addSeparator();
    tbMeasureLine = Named(ToolBar->addAction(DrawnIcon(2), "Measure line"), "tbMeasureLine");
    tbMeasureLine->setToolTip("Measure line");
    tbMeasureLine->setStatusTip("Measure line|Measure the line in the band");
    for (QAction* button : {tbPreviousFile, tbNextFile, tbMeasureLine})
        button->setEnabled(false);
    OnTriggered(tbRead, [this] { miReadClick(); });
    OnTriggered(tbSaveAs, [this] { miSaveAsClick(); });
    OnTriggered(tbPreviousFile, [this] { miPreviousFileClick(); });
    OnTriggered(tbNextFile, [this] { miNextFileClick(); });
    OnTriggered(tbMeasureLine, [this] { miMeasureLineClick(); });
    for (QAction* button : {tbRead, tbSaveAs, tbPreviousFile, tbNextFile, tbMeasureLine})
        ToolBar->widgetForAction(button)->installEventFilter(this);
}

void TForm1::CreatePanels() {
    auto* central = new QWidget(this);
    auto* outer = new QVBoxLayout(central);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    outer->addLayout(row);

    pnlPlot = Named(new QWidget(central), "pnlPlot");
    pnlPlot->setFixedSize(GraphWidth, GraphHeight);
    row->addWidget(pnlPlot);
    pnlCoeff = Named(new QWidget(central), "pnlCoeff");
    pnlCoeff->setFixedWidth(198);
    row->addWidget(pnlCoeff);
    CreateSidePanel(pnlCoeff);

    // Titles over the status panels.
    Panel1 = Named(new QWidget(central), "Panel1");
    Panel1->setFixedHeight(20);
    const struct {
        const char* name;
        const char* text;
        int x;
    } titles[] = {
        {"Label1", "Graph coordinates", 60}, {"Label2", "Values", 280}, {"Label3", "Message", 500}};
    for (const auto& title : titles)
        Named(new QLabel(title.text, Panel1), title.name)->move(title.x, 2);
    outer->addWidget(Panel1);
    setCentralWidget(central);
}

void TForm1::CreateSidePanel(QWidget* parent) {
    auto* side = new QVBoxLayout(parent);
    side->setContentsMargins(8, 6, 8, 6);
    side->setSpacing(4);
    side->addWidget(Named(new QLabel("No of coefficients", parent), "Label5"));
    CSpinEdit1 = Named(new TSpinEdit(0, 9, 4, parent), "CSpinEdit1");
    QFont spinFont = CSpinEdit1->font();
    spinFont.setPixelSize(16);
    CSpinEdit1->setFont(spinFont);
    CSpinEdit1->setFixedWidth(64);
    CSpinEdit1->installEventFilter(this);
    CSpinEdit1->Editor()->installEventFilter(this);
    connect(CSpinEdit1, &TSpinEdit::textChanged, this,
            [this] { RunCommand([this] { CSpinEdit1Change(); }); });
    side->addWidget(CSpinEdit1);
    side->addSpacing(6);
    side->addWidget(Named(new QLabel("Correlation", parent), "Label4"));
    lblCorr = Named(new QLabel(NoCorrelationText, parent), "lblCorr");
    side->addWidget(lblCorr);
    Memo = Named(new QPlainTextEdit(parent), "Memo");
    Memo->setReadOnly(true);
    Memo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo->setFixedHeight(170);
    side->addWidget(Memo);
    side->addSpacing(6);

    auto* vlsrRow = new QHBoxLayout;
    vlsrRow->addWidget(Named(new QLabel("Vlsr", parent), "Label9"));
    edVlsr = Named(new QLineEdit("-----", parent), "edVlsr");
    edVlsr->setReadOnly(true);
    vlsrRow->addWidget(edVlsr, 1);
    vlsrRow->addWidget(Named(new QLabel("km/sec", parent), "Label10"));
    side->addLayout(vlsrRow);
    side->addSpacing(6);

    auto* details = new QGridLayout;
    details->setHorizontalSpacing(8);
    details->setVerticalSpacing(5);
    const struct {
        const char* captionName;
        const char* caption;
        QLabel** value;
        const char* valueName;
    } rows[] = {{"Label11", "Ra", &lblRa, "lblRa"},
                {"Label12", "Dec", &lblDec, "lblDec"},
                {"Label13", "Glat", &lblGlat, "lblGlat"},
                {"Label14", "Glong", &lblGlong, "lblGlong"},
                {"Label15", "Latitude", &lblLat, "lblLat"},
                {"Label16", "Longitude", &lblLong, "lblLong"},
                {"Label17", "Elevation", &lblElev, "lblElev"},
                {"Label7", "File time", &lblFiletime, "lblFiletime"}};
    int line = 0;
    for (const auto& r : rows) {
        details->addWidget(Named(new QLabel(r.caption, parent), r.captionName), line, 0);
        *r.value = Named(new QLabel(parent), r.valueName);
        (*r.value)->setTextInteractionFlags(Qt::TextSelectableByMouse);
        (*r.value)->setWordWrap(true); // a long file time goes on to a second line
        details->addWidget(*r.value, line++, 1);
    }
    details->setColumnStretch(1, 1);
    side->addLayout(details);
    side->addStretch(1);
    side->addWidget(Named(new QLabel("Other stuff here.", parent), "Label6"));
}

void TForm1::CreateStatusBar() {
    QStatusBar* bar = Named(statusBar(), "StatusBar");
    bar->setSizeGripEnabled(false);
    // The graph coordinates and values follow the pointer: panels of their own kind.
    StatusPanels[0] = new TStatusPanel(bar);
    StatusPanels[1] = new TStatusPanel(bar);
    StatusPanels[2] = new QLabel(bar);
    for (int i = 0; i < 3; ++i) {
        StatusPanels[i]->setObjectName(QString("StatusPanel%1").arg(i));
        StatusPanels[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    }
    for (int i = 0; i < 2; ++i)
        StatusPanels[i]->setFixedSize(200, StatusPanels[i]->sizeHint().height());
    StatusPanels[2]->setMinimumWidth(50);
    StatusPanels[2]->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    bar->addWidget(StatusPanels[0]);
    bar->addWidget(StatusPanels[1]);
    bar->addWidget(StatusPanels[2], 1);
}

void TForm1::CreatePlot() {
    Limits.Divisions = GraphDivisions;
    GraphTitle.clear();
    Plot = Named(new TPlot(pnlPlot, TRect(0, 0, pnlPlot->width(), pnlPlot->height())), "Plot");
    SetUpGraphPlot(*Plot);
    Plot->OnMouseMove = [this](Qt::KeyboardModifiers shift, int x, int y) {
        PlotMouseMove(shift, x, y);
    };
    Plot->OnMouseDown = [this](Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
        RunCommand([&] { PlotMouseDown(button, shift, x, y); });
    };
    Plot->OnMouseUp = [this](Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
        RunCommand([&] { PlotMouseUp(button, shift, x, y); });
    };
    Plot->Show();
    Plot->OnDevicePixelRatioChange = [this] { RedrawPlot(); };
}

void TForm1::CreatePopupMenu() {
    // Opened only at the end of a band, never by a right click; the chosen command runs
    // through PlotMouseUp.
    PopupMenu = Named(new QMenu(this), "PopupMenu");
    miPuGenerate =
        Named(PopupMenu->addAction("&Generate curve from values  outside box"), "miPuGenerate");
    miPuCancel = Named(PopupMenu->addAction("&Cancel"), "miPuCancel");
}
