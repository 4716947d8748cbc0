// Construction of the main window: actions, menus, tool bar, panels, status bar and plot.
#include "app/Unit1.h"

#include "app/Dialogsunit.h"
#include "app/Iconunit.h"
#include "app/Plotunit.h"
#include "app/Spineditunit.h"
#include "app/Statuspanelunit.h"
#include "data/Folderunit.h"
#include "data/Readunit.h"
#include "data/Spectrumunit.h"
#include "numeric/Polyfitunit.h"
#include "plot/Graphunit.h"

#include <QAction>
#include <QActionGroup>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
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

} // namespace

TForm1::TForm1(TUserDialogs* dialogs, QWidget* parent) : QMainWindow(parent), Dialogs(dialogs) {
    if (!Dialogs) {
        OwnDialogs = std::make_unique<TQtDialogs>();
        Dialogs = OwnDialogs.get();
    }
    setObjectName("Form1");
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    CreateMenus();
    CreateFitsMenuItem();
    CreateViewMenuItems();
    CreatePlacesMenuItems();
    CreateAnalysisMenu();
    CreateToolBar();
    CreatePanels();
    CreateStatusBar();
    setWindowTitle(ApplicationTitle);
    SetCaption();
    CSpinEdit1Change();
    UseStationCalibration();
    CreatePlot();
    CreatePopupMenu();
    UpdatePolynomialItems();
    for (QLabel* label : {lblRa, lblDec, lblGlat, lblGlong, lblLat, lblLong, lblElev, lblFiletime})
        label->clear();
    // The described size is the smallest: a larger window gives the room to the graph.
    setMinimumSize(sizeHint());
    resize(sizeHint());
    // The graph has the keyboard, so that Home, + and - reach the view; the spin edit takes it
    // when clicked.
    Plot->setFocus();
    NormalSize = size();
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
    tbPreviousFile = Named(ToolBar->addAction(DrawnIcon(TDrawnIcon::PreviousFile), "Previous file"),
                           "tbPreviousFile");
    tbPreviousFile->setToolTip("Previous file");
    tbPreviousFile->setStatusTip("Previous file|Read the previous spectrum file of the folder");
    tbNextFile =
        Named(ToolBar->addAction(DrawnIcon(TDrawnIcon::NextFile), "Next file"), "tbNextFile");
    tbNextFile->setToolTip("Next file");
    tbNextFile->setStatusTip("Next file|Read the next spectrum file of the folder");
    ToolBar->addSeparator();
    tbMeasureLine = Named(ToolBar->addAction(DrawnIcon(TDrawnIcon::MeasureLine), "Measure line"),
                          "tbMeasureLine");
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
    outer->addLayout(row, 1);

    pnlPlot = Named(new QWidget(central), "pnlPlot");
    pnlPlot->setMinimumSize(GraphWidth, GraphHeight);
    pnlPlot->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    row->addWidget(pnlPlot, 1);
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
    Plot->OnWheel = [this](Qt::KeyboardModifiers shift, double steps, int x, int y) {
        RunCommand([&] { PlotWheel(shift, steps, x, y); });
    };
    // The plot fills its panel and is drawn afresh at each new size.
    Plot->setMinimumSize(GraphWidth, GraphHeight);
    Plot->setFocusPolicy(Qt::WheelFocus);
    auto* fill = new QVBoxLayout(pnlPlot);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(Plot);
    Plot->OnResize = [this] { RunCommand([this] { PlotResized(); }); };
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
