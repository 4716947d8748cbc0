#include "app/Unit1.h"

#include "app/Dialogsunit.h"
#include "data/Spectrumunit.h"
#include "numeric/Polyfitunit.h"
#include "plot/Plotunit.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSettings>
#include <QSpinBox>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <stdexcept>

const char* const ApplicationTitle = "Kelvane";

namespace {

// Geometry of the graph, in pixels of the plot control.
constexpr int PlotWidth = 640;
constexpr int PlotHeight = 600;
constexpr TColor GridColor = 0x808080;
constexpr TColor CurveColor = 0xFF0000;

// Where the window keeps its own settings: "Software\Fernhollow\Kelvane", section "Form".
constexpr const char* SettingsOrganization = "Fernhollow";
constexpr const char* SettingsApplication = "Kelvane";

// An integer setting stored either as an integer or as a text holding a decimal integer.
int ReadStoredInteger(const QSettings& store, const QString& name, int defaultValue) {
    const QVariant value = store.value(name);
    if (!value.isValid())
        return defaultValue;
    bool ok = false;
    const int number = value.toString().trimmed().toInt(&ok);
    return ok ? number : defaultValue;
}

// A pixel coordinate from a mapped value: truncated toward zero, kept within a range that the
// clipping arithmetic handles, 0 for a value that is not a number.
int TruncToPixel(double value) {
    if (std::isnan(value))
        return 0;
    constexpr double limit = 1.0e6;
    return static_cast<int>(std::trunc(std::fmax(-limit, std::fmin(limit, value))));
}

const char* ModeTitle(int mode) {
    switch (mode) {
    case ModeFrequency:
        return "Frequency";
    case ModeWavelength:
        return "Wavelength";
    case ModeVelocity:
        return "Velocity";
    default:
        return "Velocity - VLSR";
    }
}

// The values of a grid from min in steps while they do not pass max. The values come from
// repeated addition; a tolerance of a millionth of a step keeps the top line that the upper
// limit was rounded to, and the count is bounded for steps too small to move the value.
template <typename Visit> void ForEachGridValue(double min, double max, double step, Visit visit) {
    if (!(step > 0.0) || !std::isfinite(min) || !std::isfinite(max))
        return;
    const double last = max + step * 1e-6;
    int count = 0;
    for (double value = min; value <= last && count <= 1000; value += step, ++count) {
        visit(value);
        if (value + step == value)
            break;
    }
}

} // namespace

TForm1::TForm1(TUserDialogs* dialogs, QWidget* parent) : QMainWindow(parent), Dialogs(dialogs) {
    if (!Dialogs) {
        OwnDialogs = std::make_unique<TQtDialogs>();
        Dialogs = OwnDialogs.get();
    }
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    // The fit's messages appear as warning boxes while this window lives.
    SetPolyFitReporter([this](const std::string& text) {
        Dialogs->ShowWarning(this, "PolyFit Exception", QString::fromStdString(text));
    });
    CreateMenus();
    CreateToolBar();
    CreatePanels();
    CreateStatusBar();
    setWindowTitle(ApplicationTitle);
    ReadStoredSettings();
    CSpinEdit1Change();
    CreatePlot();
    for (QLabel* label : {lblRa, lblDec, lblGlat, lblGlong, lblLat, lblLong, lblElev, lblFiletime})
        label->clear();
    ComputeAxisTables();
    setFixedSize(sizeHint());
}

TForm1::~TForm1() {
    SetPolyFitReporter(nullptr);
}

void TForm1::RunCommand(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        Dialogs->ShowError(this, ApplicationTitle, QString::fromUtf8(error.what()));
    }
}

void TForm1::OnTriggered(QAction* action, std::function<void()> handler) {
    connect(action, &QAction::triggered, this,
            [this, handler = std::move(handler)] { RunCommand(handler); });
}

void TForm1::CreateMenus() {
    miFile = menuBar()->addMenu("&File");
    miRead = miFile->addAction("&Read");
    miRead->setShortcut(QKeySequence::Open);
    miRead->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
    miDetails = miFile->addAction("Enter &other details");
    miDetails->setEnabled(false);
    miFile->addSeparator();
    miSaveAs = miFile->addAction("&Save as");
    miSaveAs->setShortcut(QKeySequence::Save);
    miSaveAs->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    miFile->addSeparator();
    miExit = miFile->addAction("E&xit");
    miExit->setShortcut(QKeySequence::Quit);
    OnTriggered(miRead, [this] { miReadClick(); });
    OnTriggered(miExit, [this] { miExitClick(); });

    miGraph = menuBar()->addMenu("&Graph");
    GraphGroup = new QActionGroup(this);
    GraphGroup->setExclusive(true);
    miFrequency = miGraph->addAction("&Frequency");
    miWavelength = miGraph->addAction("&Wavelength");
    miVelocity = miGraph->addAction("&Velocity");
    miVMinusVlsr = miGraph->addAction("V &Minus Vlsr");
    miVMinusVlsr->setStatusTip("Velovity minus Vlsr");
    for (QAction* item : {miFrequency, miWavelength, miVelocity, miVMinusVlsr}) {
        item->setCheckable(true);
        GraphGroup->addAction(item);
        OnTriggered(item, [this, item] { miGraphClick(item); });
    }
    miFrequency->setChecked(true);
    miVMinusVlsr->setEnabled(false);

    miView = menuBar()->addMenu("&View");
    miShowHints = miView->addAction("Show &Hints");
    miShowHints->setCheckable(true);
    miShowHints->setChecked(true);
    OnTriggered(miShowHints, [this] { miShowHintsClick(); });

    miPolynomial = menuBar()->addMenu("&Polynomial");
    miSubtract = miPolynomial->addAction("&Subtract");
    OnTriggered(miSubtract, [this] { miSubtractClick(); });
    miPolynomial->menuAction()->setEnabled(false);

    miHelp = menuBar()->addMenu("&Help");
    miAbout = miHelp->addAction("&About");
}

void TForm1::CreateToolBar() {
    ToolBar = addToolBar("ToolBar");
    ToolBar->setObjectName("ToolBar");
    ToolBar->setMovable(false);
    ToolBar->setFloatable(false);
    ToolBar->setFixedHeight(29);
    ToolBar->setIconSize(QSize(16, 16));
    ToolBar->setContextMenuPolicy(Qt::PreventContextMenu);
    // Hints are "short|long": the short part beside the button, the long one in the status bar.
    tbRead = ToolBar->addAction(style()->standardIcon(QStyle::SP_DialogOpenButton), "Read");
    tbRead->setToolTip("Read");
    tbRead->setStatusTip("Read|Open file");
    ToolBar->addSeparator();
    tbSaveAs = ToolBar->addAction(style()->standardIcon(QStyle::SP_DialogSaveButton), "Save as");
    tbSaveAs->setToolTip("Save as");
    tbSaveAs->setStatusTip("Save as|Save data as");
    OnTriggered(tbRead, [this] { miReadClick(); });
    for (QAction* button : {tbRead, tbSaveAs})
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

    pnlPlot = new QWidget(central);
    pnlPlot->setObjectName("pnlPlot");
    pnlPlot->setFixedSize(PlotWidth, PlotHeight);
    row->addWidget(pnlPlot);

    pnlCoeff = new QWidget(central);
    pnlCoeff->setObjectName("pnlCoeff");
    pnlCoeff->setFixedWidth(198);
    row->addWidget(pnlCoeff);
    auto* side = new QVBoxLayout(pnlCoeff);
    side->setContentsMargins(8, 6, 8, 6);
    side->setSpacing(4);
    side->addWidget(new QLabel("No of coefficients", pnlCoeff));
    CSpinEdit1 = new QSpinBox(pnlCoeff);
    CSpinEdit1->setRange(0, 9);
    CSpinEdit1->setValue(4);
    QFont spinFont = CSpinEdit1->font();
    spinFont.setPixelSize(16);
    CSpinEdit1->setFont(spinFont);
    CSpinEdit1->setFixedWidth(64);
    connect(CSpinEdit1, &QSpinBox::valueChanged, this,
            [this] { RunCommand([this] { CSpinEdit1Change(); }); });
    side->addWidget(CSpinEdit1);
    side->addSpacing(6);
    side->addWidget(new QLabel("Correlation", pnlCoeff));
    lblCorr = new QLabel("  ----   ", pnlCoeff);
    side->addWidget(lblCorr);
    Memo = new QPlainTextEdit(pnlCoeff);
    Memo->setReadOnly(true);
    Memo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo->setFixedHeight(170);
    side->addWidget(Memo);
    side->addSpacing(6);

    auto* vlsrRow = new QHBoxLayout;
    vlsrRow->addWidget(new QLabel("Vlsr", pnlCoeff));
    edVlsr = new QLineEdit("-----", pnlCoeff);
    edVlsr->setReadOnly(true);
    vlsrRow->addWidget(edVlsr, 1);
    vlsrRow->addWidget(new QLabel("km/sec", pnlCoeff));
    side->addLayout(vlsrRow);
    side->addSpacing(6);

    auto* details = new QGridLayout;
    details->setHorizontalSpacing(8);
    details->setVerticalSpacing(5);
    const char* captions[] = {"Ra",       "Dec",       "Glat",      "Glong",
                              "Latitude", "Longitude", "Elevation", "File time"};
    QLabel** values[] = {&lblRa,  &lblDec,  &lblGlat, &lblGlong,
                         &lblLat, &lblLong, &lblElev, &lblFiletime};
    for (int i = 0; i < 8; ++i) {
        details->addWidget(new QLabel(captions[i], pnlCoeff), i, 0);
        *values[i] = new QLabel(pnlCoeff);
        (*values[i])->setTextInteractionFlags(Qt::TextSelectableByMouse);
        details->addWidget(*values[i], i, 1);
    }
    details->setColumnStretch(1, 1);
    side->addLayout(details);
    side->addStretch(1);
    side->addWidget(new QLabel("Other stuff here.", pnlCoeff));

    // Titles over the status panels.
    Panel1 = new QWidget(central);
    Panel1->setObjectName("Panel1");
    Panel1->setFixedHeight(20);
    const struct {
        const char* text;
        int x;
    } titles[] = {{"Graph coordinates", 60}, {"Values", 280}, {"Message", 500}};
    for (const auto& title : titles) {
        auto* label = new QLabel(title.text, Panel1);
        label->move(title.x, 2);
    }
    outer->addWidget(Panel1);
    setCentralWidget(central);
}

void TForm1::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setSizeGripEnabled(false);
    for (int i = 0; i < 3; ++i) {
        StatusPanels[i] = new QLabel(bar);
        StatusPanels[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    }
    StatusPanels[0]->setFixedWidth(200);
    StatusPanels[0]->setAlignment(Qt::AlignCenter);
    StatusPanels[1]->setFixedWidth(200);
    StatusPanels[1]->setAlignment(Qt::AlignCenter);
    StatusPanels[2]->setMinimumWidth(50);
    StatusPanels[2]->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    bar->addWidget(StatusPanels[0]);
    bar->addWidget(StatusPanels[1]);
    bar->addWidget(StatusPanels[2], 1);
}

void TForm1::CreatePlot() {
    Limits.Divisions = 20;
    GraphTitle.clear();
    Plot = new TPlot(pnlPlot, TRect(0, 0, pnlPlot->width(), pnlPlot->height()));
    Plot->SetBackgroundColor(clInfoBk);
    Plot->SetPlotAreaColor(0xFFFFFF);
    Plot->Pen.setColor(Qt::black);
    Plot->OnMouseMove = [this](Qt::KeyboardModifiers shift, int x, int y) {
        PlotMouseMove(shift, x, y);
    };
    Plot->SetPlotRect(TRect(80, 40, Plot->width() - 10, Plot->height() - 100));
    Plot->Show();
}

void TForm1::ReadStoredSettings() {
    QSettings store(SettingsOrganization, SettingsApplication);
    store.beginGroup("Form");
    const int left = ReadStoredInteger(store, "Left", 100);
    const int top = ReadStoredInteger(store, "Top", 100);
    const bool hints = ReadStoredInteger(store, "Hints", 1) != 0;
    store.endGroup();
    move(left, top);
    SetToolBarHints(hints);
}

void TForm1::WriteStoredSettings() {
    QSettings store(SettingsOrganization, SettingsApplication);
    store.beginGroup("Form");
    store.setValue("Left", pos().x());
    store.setValue("Top", pos().y());
    store.setValue("Hints", ShowToolBarHints ? QStringLiteral("1") : QStringLiteral("0"));
    store.endGroup();
    store.sync();
}

void TForm1::closeEvent(QCloseEvent* event) {
    WriteStoredSettings();
    QMainWindow::closeEvent(event);
}

void TForm1::CSpinEdit1Change() {
    Coefficients.resize(static_cast<std::size_t>(std::max(0, CSpinEdit1->value())), 0.0);
}

void TForm1::SetToolBarHints(bool show) {
    ShowToolBarHints = show;
}

bool TForm1::event(QEvent* event) {
    // The long part of the current hint goes to status panel 2.
    if (event->type() == QEvent::StatusTip) {
        DisplayHint(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    // The tool bar's short hints are shown only while hints are on.
    if (event->type() == QEvent::ToolTip && !ShowToolBarHints)
        return true;
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::DisplayHint(const QString& hint) {
    const qsizetype bar = hint.indexOf('|');
    ShowStatusMessage(bar < 0 ? hint : hint.mid(bar + 1));
}

void TForm1::ShowStatusMessage(const QString& text) {
    StatusPanels[2]->setText(text);
}

QString TForm1::StatusText(int panel) const {
    return panel >= 0 && panel < 3 ? StatusPanels[panel]->text() : QString();
}

void TForm1::miShowHintsClick() {
    // The menu item carries its own check mark, so hints can be switched off and on again.
    SetToolBarHints(miShowHints->isChecked());
}

void TForm1::miExitClick() {
    close();
}

void TForm1::miReadClick() {
    const QString path = Dialogs->GetOpenFileName(this, "Open", OpenFolder, QString());
    if (path.isEmpty())
        return;
    OpenFolder = QFileInfo(path).absolutePath();
    try {
        ReadSpectrumFile(path);
    } catch (const std::runtime_error& error) {
        Dialogs->ShowMessage(this, ApplicationTitle, QString::fromUtf8(error.what()));
        return;
    }
    ShowSpectrum();
    miDetails->setEnabled(true);
    miVMinusVlsr->setEnabled(false);
}

void TForm1::ReadSpectrumFile(const QString& path) {
    if (!Spectrum)
        Spectrum = std::make_unique<TSpectrumFile>();
    SelectXAxis(Mode);
    Spectrum->Read(path.toStdString());
    // A subtracted baseline belongs to the spectrum read before; a failed read keeps both.
    Corrected = false;
}

// --- Graph -------------------------------------------------------------------------------

void TForm1::miGraphClick(QAction* sender) {
    const QAction* items[] = {miFrequency, miWavelength, miVelocity, miVMinusVlsr};
    for (int mode = 0; mode < 4; ++mode) {
        if (sender == items[mode]) {
            sender->setChecked(true);
            Mode = mode;
            ShowSpectrum();
            return;
        }
    }
}

void TForm1::ShowSpectrum() {
    SelectXAxis(Mode);
    SpectrumDrawn = false;
    if (DrawSpectrum()) {
        SpectrumDrawn = true;
        miPolynomial->menuAction()->setEnabled(false);
    } else {
        Dialogs->ShowMessage(this, ApplicationTitle, "Error finding data limits");
    }
}

int TForm1::XToPixel(double x) const {
    const TRect& r = Plot->PlotRect();
    const double width = Limits.XMax - Limits.XMin;
    if (width == 0.0)
        return r.Left;
    return TruncToPixel((x - Limits.XMin) * double(r.Right - r.Left) / width + r.Left);
}

int TForm1::YToPixel(double y) const {
    const TRect& r = Plot->PlotRect();
    const double height = Limits.YMax - Limits.YMin;
    if (height == 0.0)
        return r.Bottom;
    return TruncToPixel(r.Bottom - (y - Limits.YMin) * double(r.Bottom - r.Top) / height);
}

double TForm1::PixelToX(int px) const {
    const TRect& r = Plot->PlotRect();
    return Limits.XMin + (Limits.XMax - Limits.XMin) * (px - r.Left) / double(r.Right - r.Left);
}

double TForm1::PixelToY(int py) const {
    const TRect& r = Plot->PlotRect();
    return Limits.YMin + (Limits.YMax - Limits.YMin) * (r.Bottom - py) / double(r.Bottom - r.Top);
}

bool TForm1::DrawSpectrum() {
    if (!GetGraphLimits(Limits)) {
        ShowStatusMessage("Error getting graph limits");
        return false;
    }
    Plot->Clear();
    Plot->Pen.setColor(ColorToQColor(GridColor));
    DrawXGrid();
    DrawYGrid();

    Plot->Pen.setColor(ColorToQColor(CurveColor));
    for (std::size_t i = 0; i < XValues.size(); ++i) {
        const int px = XToPixel(XValues[i]);
        const int py = YToPixel(Signal[i]);
        if (i == 0)
            Plot->MoveTo(px, py);
        else
            Plot->LineTo(px, py);
    }
    Plot->SaveImage();

    const int width = Plot->width();
    const std::string name = Spectrum ? ExtractFileName(Spectrum->FilePath) : std::string();
    Plot->TextOutAngle(name, (width - Plot->TextWidth(name)) / 2, 5, 0);
    GraphTitle = ModeTitle(Mode);
    if (Corrected)
        GraphTitle += " (corrected) ";
    GraphTitle += " v Signal";
    Plot->TextOutAngle(GraphTitle, (width - Plot->TextWidth(GraphTitle)) / 2, 20, 0);
    Plot->Show();
    SpectrumDrawn = true;
    return true;
}

void TForm1::DrawXGrid() {
    const TRect r = Plot->PlotRect();
    int maxWidth = 0;
    ForEachGridValue(Limits.XMin, Limits.XMax, Limits.XStep, [&](double x) {
        maxWidth = std::max(maxWidth, Plot->TextWidth(ValueToText(ToAbsolute(x, Mode))));
    });
    ForEachGridValue(Limits.XMin, Limits.XMax, Limits.XStep, [&](double x) {
        const int px = XToPixel(x);
        Plot->MoveTo(px, r.Top);
        Plot->LineTo(px, r.Bottom);
        const std::string label = ValueToText(ToAbsolute(x, Mode));
        Plot->TextOutAngle(label, px - Plot->TextHeight(label) / 2, r.Bottom + maxWidth + 5, 90);
    });
}

void TForm1::DrawYGrid() {
    const TRect r = Plot->PlotRect();
    int maxWidth = 0;
    ForEachGridValue(Limits.YMin, Limits.YMax, Limits.YStep, [&](double y) {
        maxWidth = std::max(maxWidth, Plot->TextWidth(ValueToText(y)));
    });
    ForEachGridValue(Limits.YMin, Limits.YMax, Limits.YStep, [&](double y) {
        const int py = YToPixel(y);
        Plot->MoveTo(r.Left, py);
        Plot->LineTo(r.Right, py);
        const std::string label = ValueToText(y);
        Plot->TextOutAngle(label, r.Left - maxWidth - 5, py - Plot->TextHeight(label) / 2, 0);
    });
}

void TForm1::PlotMouseMove(Qt::KeyboardModifiers, int x, int y) {
    QString coordinates, values;
    if (Plot->InPlotRect(x, y)) {
        const TRect& r = Plot->PlotRect();
        coordinates = QString("(%1, %2)").arg(x - r.Left).arg(r.Bottom - y);
        values = QString("(%1, %2)")
                     .arg(QString::fromStdString(ValueToText(PixelToX(x))),
                          QString::fromStdString(ValueToText(PixelToY(y))));
    }
    StatusPanels[0]->setText(coordinates);
    StatusPanels[1]->setText(values);
}

// --- Baseline ----------------------------------------------------------------------------

double TForm1::EvaluatePolynomial(double x) const {
    double sum = 0.0;
    double power = 1.0; // x^i by i successive multiplications of 1 by x
    for (double coefficient : Coefficients) {
        sum += coefficient * power;
        power *= x;
    }
    return sum;
}

void TForm1::miSubtractClick() {
    // Channels whose signal is exactly 0 count as missing and stay 0. Only the channels that
    // have both an x value and a signal take part.
    const std::size_t count = std::min(XValues.size(), Signal.size());
    for (std::size_t i = 0; i < count; ++i)
        if (Signal[i] != 0.0)
            Signal[i] -= EvaluatePolynomial(XValues[i]);
    Corrected = true;
    if (!DrawSpectrum()) {
        ShowStatusMessage("Error finding data limits");
        Corrected = false;
    }
}
