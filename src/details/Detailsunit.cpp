#include "details/Detailsunit.h"

#include "settings/Globalunit.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>

namespace {

using F = TDetailsField;

// Client area of the dialog, pixels.
constexpr int ClientWidth = 255;
constexpr int ClientHeight = 388;

// Column widths shared by the panels, so that the fields line up from panel to panel.
// The first unit column holds "hrs" or a degree sign, the others a minute or second mark.
constexpr int CaptionWidth = 100;
constexpr int DegreesWidth = 32;
constexpr int PartWidth = 24;
constexpr int FirstUnitWidth = 20;
constexpr int UnitWidth = 8;

int UnitColumnWidth(int part) {
    return part == 0 ? FirstUnitWidth : UnitWidth;
}

const char* const SiteTip = "From the station settings, shared with the telescope control "
                            "program; changed in File > Station settings.";

QFrame* NewPanel(QWidget* parent, const char* name) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(name);
    panel->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(5, 5, 5, 5);
    grid->setHorizontalSpacing(2);
    grid->setVerticalSpacing(4);
    grid->setColumnMinimumWidth(0, CaptionWidth);
    grid->setColumnStretch(0, 1);
    return panel;
}

QGridLayout* Grid(QWidget* panel) {
    return static_cast<QGridLayout*>(panel->layout());
}

QLabel* NewLabel(QWidget* parent, const QString& text, int width = 0) {
    auto* label = new QLabel(text, parent);
    if (width > 0)
        label->setFixedWidth(width);
    return label;
}

} // namespace

TDetailsForm::TDetailsForm(QWidget* owner, const TStationSettings& settings)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      DetailsState(TDetailsState::Create(settings)) {
    setObjectName("DetailsForm");
    setFixedSize(ClientWidth, ClientHeight);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(6, 6, 6, 6);
    column->setSpacing(8);

    CreateLocationPanel();
    CreatePositionPanels();
    CreateEpochPanel();
    Label11 = new QLabel("Other stuff (DC Gain, Offset volts etc.) to follow.", this);
    Label11->setObjectName("Label11");
    Label11->setWordWrap(true);
    CreateButtons();

    column->addWidget(pnlLocation);
    column->addWidget(pnlEquatorial);
    column->addWidget(pnlGalactic);
    column->addWidget(pnlEpoch);
    column->addWidget(Label11);
    column->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    column->addLayout(buttons);

    SetTabOrder();
    ShowStateTexts();
    ConnectFields();
}

QLineEdit* TDetailsForm::NewField(QWidget* panel, TDetailsField field, int width) {
    auto* edit = new QLineEdit(panel);
    edit->setObjectName(DetailsFieldName(field));
    edit->setFixedWidth(width);
    edit->setAlignment(Qt::AlignRight);
    Fields[static_cast<std::size_t>(field)] = edit;
    return edit;
}

void TDetailsForm::CreateLocationPanel() {
    pnlLocation = NewPanel(this, "pnlLocation");
    QGridLayout* grid = Grid(pnlLocation);
    const struct {
        const char* caption;
        F first;
    } rows[] = {{"Latitude", F::edLatDeg}, {"Longitude", F::edLongDeg}};
    for (int row = 0; row < 2; ++row) {
        const int first = static_cast<int>(rows[row].first);
        grid->addWidget(NewLabel(pnlLocation, rows[row].caption), row, 0);
        const char* units[] = {"\u00B0", "'", "\""};
        for (int part = 0; part < 3; ++part) {
            QLineEdit* edit = NewField(pnlLocation, static_cast<F>(first + part),
                                       part == 0 ? DegreesWidth : PartWidth);
            // The site is the station's; OK hands over the site read at creation.
            edit->setReadOnly(true);
            edit->setFocusPolicy(Qt::ClickFocus);
            edit->setToolTip(SiteTip);
            QPalette palette = edit->palette();
            palette.setColor(QPalette::Base, palette.color(QPalette::Window));
            edit->setPalette(palette);
            grid->addWidget(edit, row, 1 + 2 * part);
            grid->addWidget(NewLabel(pnlLocation, units[part], UnitColumnWidth(part)), row,
                            2 + 2 * part);
        }
    }
    edLatDeg = Field(F::edLatDeg);
    edLatMin = Field(F::edLatMin);
    edLatSec = Field(F::edLatSec);
    edLongDeg = Field(F::edLongDeg);
    edLongMin = Field(F::edLongMin);
    edLongSec = Field(F::edLongSec);

    grid->addWidget(NewLabel(pnlLocation, "Elevation"), 2, 0);
    edElev = NewField(pnlLocation, F::edElev, DegreesWidth + 2 + FirstUnitWidth + PartWidth);
    edElev->setToolTip("Height of the site above sea level, metres");
    grid->addWidget(edElev, 2, 1, 1, 3);
    grid->addWidget(NewLabel(pnlLocation, "m"), 2, 4, 1, 3);
}

void TDetailsForm::CreatePositionPanels() {
    pnlEquatorial = NewPanel(this, "pnlEquatorial");
    pnlGalactic = NewPanel(this, "pnlGalactic");
    const struct {
        QFrame* panel;
        int row;
        const char* caption;
        F first;
        const char* firstUnit;
    } rows[] = {
        {pnlEquatorial, 0, "Right Ascension", F::edRaHrs, "hrs"},
        {pnlEquatorial, 1, "Declination", F::edDecDeg, "\u00B0"},
        {pnlGalactic, 0, "GLatitude (\u00DF)", F::edBiiDeg, "\u00B0"},
        {pnlGalactic, 1, "GLongitude (L)", F::edLiiDeg, "\u00B0"},
    };
    for (const auto& r : rows) {
        QGridLayout* grid = Grid(r.panel);
        grid->addWidget(NewLabel(r.panel, r.caption), r.row, 0);
        const QString units[] = {r.firstUnit, "'", "\""};
        const int first = static_cast<int>(r.first);
        for (int part = 0; part < 3; ++part) {
            QLineEdit* edit = NewField(r.panel, static_cast<F>(first + part),
                                       part == 0 ? DegreesWidth : PartWidth);
            grid->addWidget(edit, r.row, 1 + 2 * part);
            grid->addWidget(NewLabel(r.panel, units[part], UnitColumnWidth(part)), r.row,
                            2 + 2 * part);
        }
    }
    edRaHrs = Field(F::edRaHrs);
    edRaMin = Field(F::edRaMin);
    edRaSec = Field(F::edRaSec);
    edDecDeg = Field(F::edDecDeg);
    edDecMin = Field(F::edDecMin);
    edDecSec = Field(F::edDecSec);
    edBiiDeg = Field(F::edBiiDeg);
    edBiiMin = Field(F::edBiiMin);
    edBiiSec = Field(F::edBiiSec);
    edLiiDeg = Field(F::edLiiDeg);
    edLiiMin = Field(F::edLiiMin);
    edLiiSec = Field(F::edLiiSec);
}

void TDetailsForm::CreateEpochPanel() {
    pnlEpoch = NewPanel(this, "pnlEpoch");
    QGridLayout* grid = Grid(pnlEpoch);
    grid->addWidget(NewLabel(pnlEpoch, "Epoch"), 0, 0);
    edEpoch = NewField(pnlEpoch, F::edEpoch, DegreesWidth + 2 + FirstUnitWidth + PartWidth);
    edEpoch->setToolTip("Epoch of the source position, years");
    grid->addWidget(edEpoch, 0, 1, 1, 3);
    // Keeps the field in line with the elevation above it.
    grid->addItem(new QSpacerItem(UnitWidth + PartWidth + UnitWidth + 3 * 2, 0), 0, 4, 1, 3);
}

void TDetailsForm::CreateButtons() {
    BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), "OK", this);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    BitBtn2 = new QPushButton(style()->standardIcon(QStyle::SP_DialogNoButton), "&No", this);
    BitBtn2->setObjectName("BitBtn2");
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

void TDetailsForm::SetTabOrder() {
    // Down the columns: the degrees (hours) of both rows, then the minutes, then the seconds.
    QWidget* const order[] = {edElev,   edRaHrs,  edDecDeg, edRaMin,  edDecMin, edRaSec,
                              edDecSec, edBiiDeg, edLiiDeg, edBiiMin, edLiiMin, edBiiSec,
                              edLiiSec, edEpoch,  BitBtn1,  BitBtn2};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TDetailsForm::ConnectFields() {
    for (std::size_t i = 0; i < DetailsFieldCount; ++i) {
        const auto field = static_cast<F>(i);
        connect(Fields[i], &QLineEdit::textChanged, this,
                [this, field](const QString& text) { FieldChanged(field, text); });
    }
}

QLineEdit* TDetailsForm::Field(TDetailsField field) const {
    return Fields[static_cast<std::size_t>(field)];
}

void TDetailsForm::FieldChanged(TDetailsField field, const QString& text) {
    if (DetailsState.SetFieldText(field, text.toStdString()) != TDetailsUpdate::None)
        ShowStateTexts();
}

void TDetailsForm::ShowStateTexts() {
    for (std::size_t i = 0; i < DetailsFieldCount; ++i) {
        const QString text = QString::fromStdString(DetailsState.Text(static_cast<F>(i)));
        if (Fields[i]->text() == text)
            continue; // the field being typed in keeps its cursor
        // A conversion's results must not run the change rules of the fields they go into.
        const QSignalBlocker blocker(Fields[i]);
        Fields[i]->setText(text);
    }
}

void TDetailsForm::SetFileNamePosition(bool positionInFileName, const TGLatitude& latitude,
                                       const TGLongitude& longitude) {
    PositionInFileName = positionInFileName;
    FileGLatitude = latitude;
    FileGLongitude = longitude;
}

void TDetailsForm::SetStation(const TStationSettings& settings) {
    DetailsState.SetSite(settings);
    ShowStateTexts();
}

void TDetailsForm::FormShow() {
    DetailsState.FormShow(PositionInFileName, FileGLatitude, FileGLongitude);
    ShowStateTexts();
}

void TDetailsForm::CentreOnOwner() {
    const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    if (!owner || !owner->isVisible())
        return;
    // For a window, move() places the frame's top-left corner.
    const QRect frame = frameGeometry();
    move(owner->frameGeometry().center() - QPoint(frame.width() / 2, frame.height() / 2));
}

void TDetailsForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    CentreOnOwner();
    FormShow();
    edRaHrs->setFocus(Qt::OtherFocusReason);
    edRaHrs->selectAll();
}
