// The main window: owner of the session (the spectrum, its axes, fit, subtractions, VLSR and
// details; see session/Sessionunit.h), of the view of it (the plot and its limits, the display
// mode, the band) and home of every user command.
//
// The window is split by concern: construction and layout of the controls (Unit1.cpp); its
// lifecycle, the Read and Exit commands, hints and the status bar (Unit1Session.cpp); the
// graph and the pointer readout (Unit1Graph.cpp); the baseline workflow (Unit1Baseline.cpp);
// the details (Unit1Details.cpp); saving (Unit1Save.cpp); exporting the graph
// (Unit1Export.cpp); exporting the spectrum as FITS (Unit1Fits.cpp); the about box
// (Unit1About.cpp); the station settings (Unit1Station.cpp); smoothing and Gaussian components
// (Unit1Analysis.cpp). What the window decides lives in the core as plain types (TGraphMapping,
// TBand, the baseline functions, TFormSettings); the handlers here translate events into calls
// of them.
#pragma once

#include "numeric/Bandunit.h"
#include "numeric/Baselineunit.h"
#include "numeric/Graphmapunit.h"
#include "numeric/Linewindowunit.h"
#include "numeric/Zoomunit.h"
#include "plot/Graphunit.h"
#include "session/Detailsstate.h"
#include "session/Overlayunit.h"
#include "session/Sessionunit.h"
#include "settings/Globalunit.h"

#include <QMainWindow>
#include <QPoint>
#include <QSize>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

class QAction;
class QDragEnterEvent;
class QDropEvent;
class QFileSystemWatcher;
class QMoveEvent;
class QResizeEvent;
class QTimer;
class TArrivals;
class QActionGroup;
class QLabel;
class QLineEdit;
class QMenu;
class QPainter;
class QPlainTextEdit;
class QPrinter;
class QToolBar;
class QWidget;
class TPlot;
class TAboutBox;
class TDetailsForm;
class TSpinEdit;
class TUserDialogs;
struct TAppliedDetails;
struct TGraphInputs;

// The application's title: window caption and caption of its message boxes.
extern const char* const ApplicationTitle;
// lblCorr before any fit of the spectrum shown.
extern const char* const NoCorrelationText;

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // dialogs answers the file dialogs and message boxes; the window does not own it. Without
    // one the window uses real dialogs.
    explicit TForm1(TUserDialogs* dialogs = nullptr, QWidget* parent = nullptr);
    ~TForm1() override;

    // Runs a command; a failure that escapes it is shown in the standard error box and ends
    // the command where it was.
    void RunCommand(const std::function<void()>& handler);

    // Commands (menu items and tool buttons).
    void miReadClick();
    void miDetailsClick();
    void miSaveAsClick();
    void miExportGraphClick(); // Unit1Export.cpp
    void miAboutClick();
    void miExitClick();
    void miShowHintsClick();
    void miGraphClick(QAction* sender);
    void miSubtractClick();
    void miUndoSubtractClick();
    void miPuGenerateClick();
    void miPuCancelClick();
    void CSpinEdit1Change();
    // At the telescope and in the lab: measuring the line (Unit1Measure.cpp), the folder's
    // other files and new scans arriving in it (Unit1Folder.cpp), the manual (Unit1About.cpp).
    void miMeasureLineClick();
    void miNextFileClick();
    void miPreviousFileClick();
    void miFollowFolderClick();
    void miManualClick();
    // New spectrum files are taken once their size has stayed the same for this long (ms).
    void SetArrivalSettle(int milliseconds) { ArrivalSettle = milliseconds; }

    // File > Average files (Unit1Average.cpp). UpdateAverageItems turns the Frequency,
    // Wavelength and Velocity modes and Enter other details off while an average is shown,
    // and the modes on again once a file is read.
    void miAverageClick();
    void UpdateAverageItems();
    QAction* miAverage = nullptr;

    // The reading step of the Read command; throws std::runtime_error as the reader does.
    void ReadSpectrumFile(const QString& path);
    void ReadSpectrumFile(const QByteArray& localPath);
    // The Read command on a given file: the open dialog's answer, or the command line's file
    // name as its bytes (so that a name that is not valid UTF-8 still names its file).
    void ReadAndShow(const QString& path);
    void ReadAndShow(const QByteArray& localPath);

    // Applies the details dialog's values after OK; false when a number could not be read.
    bool ApplyDetails();
    TDetailsForm* Details() const { return DetailsForm; }

    // File > Station settings (Unit1Station.cpp): the station's site and equinox, edited and
    // saved in the shared store; the details follow.
    void miStationClick();
    QAction* miStation = nullptr;
    const TStationSettings& StationSettings() const { return Station; }

    // Status bar.
    void ShowStatusMessage(const QString& text);
    void DisplayHint(const QString& hint);
    QString StatusText(int panel) const;

    // Graph.
    void ShowSpectrum();
    bool DrawSpectrum();
    TGraphInputs GraphInputs() const; // what DrawSpectrum draws
    TGraphMapping Mapping() const;    // the limits of the last drawing on the plot rectangle
    int XToPixel(double x) const { return Mapping().XToPixel(x); }
    int YToPixel(double y) const { return Mapping().YToPixel(y); }
    double PixelToX(int px) const { return Mapping().PixelToX(px); }
    double PixelToY(int py) const { return Mapping().PixelToY(py); }
    void PlotMouseMove(Qt::KeyboardModifiers shift, int x, int y);

    // Baseline workflow: the band on the plot, the fit and the fitted curve.
    void PlotMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void PlotMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void DrawBox();
    void ShowCoefficients();
    void DrawFittedCurve();
    const TBand& BandState() const { return Band; }

    // The session and the view of it, as shown (read only: the commands change them).
    int DisplayMode() const { return Mode; } // the mode chosen in the Graph menu
    int ShownMode() const;                   // the mode of the axis drawn (Unit1Graph.cpp)
    const TSession& CurrentSession() const { return Session; }
    bool IsSpectrumDrawn() const { return SpectrumDrawn; }
    const std::string& Title() const { return GraphTitle; }
    const TGraphLimits& GraphLimits() const { return Limits; }
    bool ToolBarHints() const { return ShowToolBarHints; }
    TPlot* PlotPanel() const { return Plot; }

    // Controls, under the names the program's documentation uses (also their objectName).
    QMenu *miFile, *miGraph, *miView, *miPolynomial, *miHelp;
    QAction *miRead, *miDetails, *miSaveAs, *miExportGraph, *miExit;
    QAction *miFrequency, *miWavelength, *miVelocity, *miVMinusVlsr;
    QAction *miShowHints, *miSubtract, *miUndoSubtract, *miAbout;
    QAction *miMeasureLine, *miNextFile, *miPreviousFile, *miFollowFolder, *miManual;
    QMenu* PopupMenu;
    QAction *miPuGenerate, *miPuCancel;
    QToolBar* ToolBar;
    QAction *tbRead, *tbSaveAs, *tbPreviousFile, *tbNextFile, *tbMeasureLine;
    QWidget *pnlPlot, *pnlCoeff, *Panel1;
    TSpinEdit* CSpinEdit1;
    QLabel* lblCorr;
    QPlainTextEdit* Memo;
    QLineEdit* edVlsr;
    QLabel *lblRa, *lblDec, *lblGlat, *lblGlong, *lblLat, *lblLong, *lblElev, *lblFiletime;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Construction (Unit1.cpp).
    void OnTriggered(QAction* action, std::function<void()> handler);
    void CreateMenus();
    void CreateToolBar();
    void CreatePanels();
    void CreateSidePanel(QWidget* parent);
    void CreateStatusBar();
    void CreatePlot();
    void CreatePopupMenu();
    void SetCaption(); // Unit1About.cpp
    // Lifecycle (Unit1Session.cpp).
    void ReadStoredSettings();
    // Moves the window's frame to corner, or as near as keeps all of it on a screen.
    void PlaceWindow(QPoint corner);
    void WriteStoredSettings();
    void SetToolBarHints(bool show);
    // Graph (Unit1Graph.cpp): the graph as it is shown, drawn afresh after the plot's device
    // pixel ratio changed.
    void RedrawPlot();
    // Baseline (Unit1Baseline.cpp).
    void UpdatePolynomialItems();
    // Read and shown, with the commands that need a spectrum enabled; false (and a message) when
    // the file could not be read (Unit1Session.cpp).
    // quiet: no message for a file that cannot be read.
    bool LoadAndShow(const QByteArray& localPath, bool quiet = false);
    // The details dialog made ready for the spectrum read last (Unit1Details.cpp).
    void PrepareDetails();
    // The side panel's position, site and elevation labels and the Vlsr field, as applied.
    void ShowDetailsPanel(const TAppliedDetails& r);
    // edVlsr greyed, with a tooltip naming its file, while its VLSR is another spectrum's;
    // else in its usual colours with terms (when given) as its tooltip.
    void ShowVlsrFreshness(const QString& terms = QString());
    bool VlsrShownStale = false; // edVlsr is greyed
    // Folder (Unit1Folder.cpp): the neighbour step files away in the folder of the file shown.
    void StepFile(int step);
    void FollowShownFolder();
    void LookForArrivals();
    // The followed folder is there and watched; when it is not, says so once.
    bool FollowedFolderPresent();
    bool ShowArrival(const QByteArray& path);
    void UpdateFileItems();
    // The fitted curve of coefficients over the saved graph, shown.
    void DrawCurve(const std::vector<double>& coefficients);

    TUserDialogs* Dialogs;
    std::unique_ptr<TUserDialogs> OwnDialogs;
    TSession Session;
    // The station's site, equinox and solar motion, read once when the window is made.
    TStationSettings Station = TStationSettings::Read();
    int Mode = 0; // the Graph menu's display mode
    QActionGroup* GraphGroup = nullptr;
    TPlot* Plot = nullptr;
    TGraphLimits Limits;
    bool SpectrumDrawn = false;
    std::string GraphTitle;
    TBand Band;
    bool FittedCurveShown = false; // the graph shows the fitted curve (not the titles)
    // The measured line's marks over the graph; empty once a drawing took them away.
    std::vector<TGraphMark> ShownMarks;
    // The polynomial of the curve shown: the session's Coefficients may be resized after the
    // fit.
    std::vector<double> ShownCurveCoefficients;
    bool ShowToolBarHints = true;
    bool PlacedWithFrame = false;        // placed again once shown with its frame
    TDetailsForm* DetailsForm = nullptr; // created by the first Enter other details
    TAboutBox* AboutBox = nullptr;       // made with the window, which owns it
    QString OpenFolder;    // where the open dialog starts (StartFolder at construction)
    bool FileRead = false; // a file was chosen: its folder is stored for the next run
    QString SaveFolder;
    QLabel* StatusPanels[3] = {nullptr, nullptr, nullptr};
    bool BandForMeasure = false; // a band was completed on the graph as it is shown
    // Following the shown file's folder: the watcher, the files seen arriving and the poll of
    // their sizes while one is still being written.
    QFileSystemWatcher* FolderWatcher = nullptr;
    std::unique_ptr<TArrivals> Arrivals;
    QTimer* ArrivalTimer = nullptr;
    int ArrivalSettle = 1000;
    QString FollowedFolder;          // the folder watched, empty when none
    QByteArray FollowedFolderPath;   // the same, as the bytes of its path
    bool FollowedFolderLost = false; // renamed or deleted: waiting for it to come back
    std::optional<std::pair<dev_t, ino_t>>
        FollowedFolderId;   // the folder followed, as stat() knows it
    QString FollowedSuffix; // the extension of the spectrum files followed
    QByteArray BrowsedPath; // the file Next and Previous step from

public:
    // FITS export (Unit1Fits.cpp): File > Export FITS spectrum, below Export graph and enabled
    // with it.
    QAction* miExportFits = nullptr;
    void miExportFitsClick();

    // The view (Unit1View.cpp): the graph grows with the window; the wheel zooms x about the
    // pointer (Ctrl+wheel the signal axis), the middle button or Ctrl+left drag pans, and the
    // View menu zooms onto the band, back to the whole spectrum, in and out.
    QAction *miZoomToBand = nullptr, *miWholeSpectrum = nullptr, *miZoomIn = nullptr,
            *miZoomOut = nullptr, *miKeepZoom = nullptr;
    void miZoomToBandClick();
    void miWholeSpectrumClick();
    void ZoomStep(double steps); // the + and - keys: steps of the wheel about the middle
    void PlotWheel(Qt::KeyboardModifiers shift, double steps, int x, int y);
    const TGraphView& View() const { return GraphView; }

    // Overlays (Unit1Overlay.cpp): other spectra over the one shown, never fitted, subtracted,
    // measured or saved.
    QAction *miOverlay = nullptr, *miClearOverlays = nullptr;
    void miOverlayClick();
    void OverlayFiles(const QStringList& paths);
    void miClearOverlaysClick();
    const TOverlaySet& Overlays() const { return OverlaySet; }

    // Where users put things (Unit1Places.cpp): files dropped on the window, the recent files,
    // the graph copied to the clipboard and printed.
    QMenu *miEdit = nullptr, *miRecentFiles = nullptr;
    QAction *miCopyGraph = nullptr, *miPrint = nullptr;
    void miCopyGraphClick();
    void miPrintClick();
    // The graph and its header on a printer's page (or any paint device of its kind).
    void PrintGraph(QPrinter& printer);
    const QStringList& RecentFiles() const { return Recent; }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateViewMenuItems();
    void CreatePlacesMenuItems();
    // The plot took a new size: a plot rectangle for it, and the graph drawn afresh.
    void PlotResized();
    // The x and signal limits of the whole view of the spectrum shown (with the overlays).
    TAxisView WholeX() const;
    TAxisView WholeY() const;
    // The view changed: the band's columns follow their values, and the graph is drawn again.
    void ViewChanged(const TGraphMapping& before);
    void UpdateViewItems();
    // Pan: the view and the mapping when the pan started, and the pixel it started at.
    bool Panning = false;
    Qt::MouseButton PanButton = Qt::NoButton;
    QPoint PanStart;
    TGraphView PanView;
    TGraphMapping PanMapping;
    TGraphView GraphView;
    int DrawnMode = -1;           // the mode of the axis of the last drawing
    TAxisRange FitBand{0.0, 0.0}; // the band of the last fit, on its axis
    TOverlaySet OverlaySet;
    QStringList Recent;
    void AddRecentFile(const QString& path);
    void UpdateRecentMenu();
    // The window's size and place while neither maximised nor minimised: what is stored.
    QPoint NormalPlace;
    QSize NormalSize;

    // The golden images' test puts a VLSR and fits of its own into the session, through the
    // session's steps: no control gives the exact values its images were drawn with.
    friend class TForm1Stage;

    void CreateFitsMenuItem();
    // The bands of the last fit, on its axis: one for a plain drag, all of them after drags
    // with Shift.
    std::vector<TAxisRange> FitBands;
    // The band of a fit, in the x of the axis it was fitted on, for the FITS file's history.
    TAxisRange FittedBand() const;

public:
    // Analysis (Unit1Analysis.cpp): smoothing the signal shown (Undo takes it back), its
    // Gaussian components fitted on a velocity axis and drawn over the graph with their sum
    // and, on request, the residual; the components listed in the memo.
    QMenu* menuAnalysis = nullptr;
    QAction *miSmooth = nullptr, *miFitGaussians = nullptr, *miShowResidual = nullptr;
    // While checked, a click on the plot (no drag) marks a first guess of a component there;
    // Fit Gaussians then offers to start from the points clicked.
    QAction* miClickGuesses = nullptr;
    void miSmoothClick();
    void miFitGaussiansClick();
    void miShowResidualClick();
    void miClickGuessesClick();
    // The window's part of the commands, once the dialogs have answered.
    void SmoothAndShow(const TSmoothing& smoothing);
    void FitAndShowComponents(int count); // count < 1: automatic
    void FitAndShowComponentsFromClicks();
    // The channels clicked as guesses, in the order clicked.
    const std::vector<std::size_t>& GuessChannels() const { return Guesses; }
    // The bands marked with drags (several after drags with Shift) are drawn over the graph.
    bool BandsDrawn() const { return BandsShown; }

private:
    void CreateAnalysisMenu();
    void ShowComponents(const TGaussFit& fit);
    // A click at column x: a guess at the nearest channel, marked on the graph.
    void AddGuessAt(int x);
    void DrawGuesses();
    std::vector<std::size_t> Guesses;
    std::optional<int> GuessPress; // the column a left button went down at, while guessing
    void UpdateAnalysisItems();
    // The curves of the components kept by the session's last fit, their sum and the residual,
    // per channel of the axis shown; empty when none is shown.
    void MakeComponentCurves();
    // The sum over all channels, then each component over the channels where it stands above a
    // hundredth of its amplitude (so that the components do not hide the sum along the
    // baseline), with their x.
    std::vector<std::pair<std::vector<double>, std::vector<double>>> ComponentCurves;
    std::vector<double> ResidualCurve;
    // The bands of the session drawn as dashed boxes over the picture (after the bitmap shown).
    void DrawBands();
    bool BandsShown = false; // several bands marked: drawn whenever the graph is drawn
    // The calibration of the station passed to the session.
    void UseStationCalibration();
};
