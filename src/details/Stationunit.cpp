#include "details/Stationunit.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <utility>

namespace {

QLineEdit* NewField(QWidget* parent, const char* name, const std::string& text, int digits) {
    auto* edit = new QLineEdit(QString::fromStdString(text), parent);
    edit->setObjectName(name);
    edit->setMaxLength(8);
    edit->setAlignment(Qt::AlignRight);
    // Room for digits and the frame; the dialog does not grow the fields.
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QString(digits + 1, '0')) + 12);
    return edit;
}

QComboBox* NewChoice(QWidget* parent, const char* name, const QStringList& items, int current) {
    auto* choice = new QComboBox(parent);
    choice->setObjectName(name);
    choice->addItems(items);
    choice->setCurrentIndex(current);
    return choice;
}

QLabel* NewUnit(QWidget* parent, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

} // namespace

TStationForm::TStationForm(QWidget* owner, const TSite& site, TSaveSite save)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      Save(std::move(save)) {
    setObjectName("StationForm");
    setWindowTitle("Station settings");
    const TSiteTexts t = SiteTexts(site);

    auto* panel = new QFrame(this);
    panel->setObjectName("pnlSite");
    panel->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    auto* grid = new QGridLayout(panel);
    grid->setHorizontalSpacing(3);

    edLatDegrees = NewField(panel, "edLatDegrees", t.LatDegrees, 3);
    edLatMinutes = NewField(panel, "edLatMinutes", t.LatMinutes, 2);
    edLatSeconds = NewField(panel, "edLatSeconds", t.LatSeconds, 2);
    cbLatHemisphere = NewChoice(panel, "cbLatHemisphere", {"N", "S"}, t.South ? 1 : 0);
    edLongDegrees = NewField(panel, "edLongDegrees", t.LongDegrees, 3);
    edLongMinutes = NewField(panel, "edLongMinutes", t.LongMinutes, 2);
    edLongSeconds = NewField(panel, "edLongSeconds", t.LongSeconds, 2);
    cbLongHemisphere = NewChoice(panel, "cbLongHemisphere", {"E", "W"}, t.West ? 1 : 0);
    edHeight = NewField(panel, "edHeight", t.Height, 5);
    cbEquinox = NewChoice(panel, "cbEquinox", {"J2000", "J1950"}, t.Equinox == "J1950" ? 1 : 0);
    edKelvinPerCount = NewField(panel, "edKelvinPerCount", t.KelvinPerCount, 8);
    edKelvinPerCount->setMaxLength(24);
    edKelvinPerCount->setAlignment(Qt::AlignLeft);
    edKelvinPerCount->setToolTip("Brightness temperature in kelvin of one unit of the receiver's "
                                 "signal, for the column density; empty when not calibrated");
    cbLatHemisphere->setToolTip("North or south of the equator");
    cbLongHemisphere->setToolTip("East or west of Greenwich");
    edHeight->setToolTip("Height of the site above sea level, metres");
    cbEquinox->setToolTip("The constants of the coordinate conversions, 1950 or 2000");

    const struct {
        const char* caption;
        QWidget* parts[4];
    } rows[] = {
        {"&Latitude", {edLatDegrees, edLatMinutes, edLatSeconds, cbLatHemisphere}},
        {"L&ongitude", {edLongDegrees, edLongMinutes, edLongSeconds, cbLongHemisphere}},
    };
    const QString marks[] = {"\u00B0", "'", "\""};
    for (int r = 0; r < 2; ++r) {
        auto* caption = new QLabel(rows[r].caption, panel);
        caption->setBuddy(rows[r].parts[0]);
        grid->addWidget(caption, r, 0);
        for (int p = 0; p < 3; ++p) {
            grid->addWidget(rows[r].parts[p], r, 1 + 2 * p);
            grid->addWidget(NewUnit(panel, marks[p]), r, 2 + 2 * p);
        }
        grid->addWidget(rows[r].parts[3], r, 7);
    }
    auto* elevation = new QLabel("&Elevation", panel);
    elevation->setBuddy(edHeight);
    grid->addWidget(elevation, 2, 0);
    auto* height = new QHBoxLayout;
    height->setSpacing(3);
    height->addWidget(edHeight);
    height->addWidget(new QLabel("m", panel));
    height->addStretch();
    grid->addLayout(height, 2, 1, 1, 6);
    auto* equinox = new QLabel("E&quinox", panel);
    equinox->setBuddy(cbEquinox);
    grid->addWidget(equinox, 3, 0);
    grid->addWidget(cbEquinox, 3, 1, 1, 3);
    auto* calibration = new QLabel("&Kelvin per count", panel);
    calibration->setBuddy(edKelvinPerCount);
    grid->addWidget(calibration, 4, 0);
    grid->addWidget(edKelvinPerCount, 4, 1, 1, 6);
    grid->setColumnStretch(0, 1);

    auto* note = new QLabel("Shared with the telescope control program.", this);
    note->setObjectName("lblShared");
    lblError = new QLabel(this);
    lblError->setObjectName("lblError");
    lblError->setWordWrap(true);
    lblError->setStyleSheet("color: #b00000");
    lblError->hide();

    btnOK = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), "OK", this);
    btnOK->setObjectName("btnOK");
    btnOK->setDefault(true);
    btnCancel =
        new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), "Cancel", this);
    btnCancel->setObjectName("btnCancel");
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(btnOK, QDialogButtonBox::AcceptRole);
    buttons->addButton(btnCancel, QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &TStationForm::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    // A reason shown stays only until the user changes something.
    for (QLineEdit* edit : findChildren<QLineEdit*>())
        connect(edit, &QLineEdit::textEdited, lblError, &QLabel::hide);
    for (QComboBox* choice : findChildren<QComboBox*>())
        connect(choice, &QComboBox::activated, lblError, &QLabel::hide);

    auto* column = new QVBoxLayout(this);
    column->addWidget(panel);
    column->addWidget(note);
    column->addWidget(lblError);
    column->addWidget(buttons);
    column->setSizeConstraint(QLayout::SetFixedSize);
}

QWidget* TStationForm::Field(TSiteField field) const {
    switch (field) {
    case TSiteField::LatDegrees:
        return edLatDegrees;
    case TSiteField::LatMinutes:
        return edLatMinutes;
    case TSiteField::LatSeconds:
        return edLatSeconds;
    case TSiteField::LongDegrees:
        return edLongDegrees;
    case TSiteField::LongMinutes:
        return edLongMinutes;
    case TSiteField::LongSeconds:
        return edLongSeconds;
    case TSiteField::Height:
        return edHeight;
    case TSiteField::Equinox:
        return cbEquinox;
    case TSiteField::KelvinPerCount:
        return edKelvinPerCount;
    }
    return nullptr;
}

TSiteTexts TStationForm::Texts() const {
    TSiteTexts t;
    t.LatDegrees = edLatDegrees->text().toStdString();
    t.LatMinutes = edLatMinutes->text().toStdString();
    t.LatSeconds = edLatSeconds->text().toStdString();
    t.South = cbLatHemisphere->currentIndex() == 1;
    t.LongDegrees = edLongDegrees->text().toStdString();
    t.LongMinutes = edLongMinutes->text().toStdString();
    t.LongSeconds = edLongSeconds->text().toStdString();
    t.West = cbLongHemisphere->currentIndex() == 1;
    t.Height = edHeight->text().toStdString();
    t.Equinox = cbEquinox->currentText().toStdString();
    t.KelvinPerCount = edKelvinPerCount->text().toStdString();
    return t;
}

void TStationForm::ShowError(const std::string& text, QWidget* field) {
    lblError->setText(QString::fromStdString(text));
    lblError->show();
    field->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(field))
        edit->selectAll();
}

void TStationForm::accept() {
    const TSiteCheck check = CheckSite(Texts());
    if (!check.Site) {
        ShowError(check.Error, Field(check.Field));
        return;
    }
    if (const std::string error = Save(*check.Site); !error.empty()) {
        ShowError(error, btnOK);
        return;
    }
    Saved = check.Site;
    QDialog::accept();
}
