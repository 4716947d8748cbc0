#include "details/Analysisformunit.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

template <typename T> T* Named(T* object, const char* name) {
    object->setObjectName(QString::fromLatin1(name));
    return object;
}

QDialogButtonBox* Buttons(QDialog* dialog, QPushButton*& ok, QPushButton*& cancel) {
    ok = Named(new QPushButton("OK", dialog), "btnOK");
    ok->setDefault(true);
    cancel = Named(new QPushButton("Cancel", dialog), "btnCancel");
    auto* buttons = new QDialogButtonBox(dialog);
    buttons->addButton(ok, QDialogButtonBox::AcceptRole);
    buttons->addButton(cancel, QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

} // namespace

TSmoothForm::TSmoothForm(QWidget* owner) : QDialog(owner) {
    setObjectName("SmoothForm");
    setWindowTitle("Smooth");
    rbHanning = Named(new QRadioButton("&Hanning (1/4, 1/2, 1/4)", this), "rbHanning");
    rbBoxcar = Named(new QRadioButton("&Boxcar of", this), "rbBoxcar");
    rbGauss = Named(new QRadioButton("&Gaussian of FWHM", this), "rbGauss");
    rbHanning->setChecked(true);
    sbChannels = Named(new QSpinBox(this), "sbChannels");
    sbChannels->setRange(3, MaxBoxcarChannels);
    sbChannels->setSingleStep(2);
    sbChannels->setSuffix(" channels");
    edFwhm = Named(new QLineEdit("3", this), "edFwhm");
    edFwhm->setToolTip("km/s");
    lblError = Named(new QLabel(this), "lblError");
    lblError->setStyleSheet("color: #a00000");
    lblError->hide();
    auto* form = new QFormLayout;
    form->addRow(rbHanning);
    form->addRow(rbBoxcar, sbChannels);
    form->addRow(rbGauss, edFwhm);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(lblError);
    layout->addWidget(Buttons(this, btnOK, btnCancel));
}

std::optional<TSmoothing> TSmoothForm::Smoothing(std::string& error) const {
    std::string text = "hanning";
    if (rbBoxcar->isChecked())
        text = "boxcar:" + std::to_string(sbChannels->value());
    else if (rbGauss->isChecked())
        text = "gauss:" + edFwhm->text().trimmed().toStdString();
    return ParseSmoothing(text, error);
}

void TSmoothForm::accept() {
    std::string error;
    if (!Smoothing(error)) {
        lblError->setText(QString::fromStdString(error));
        lblError->show();
        return;
    }
    QDialog::accept();
}

TGaussForm::TGaussForm(QWidget* owner, int clicks) : QDialog(owner), Clicks(clicks) {
    setObjectName("GaussForm");
    setWindowTitle("Fit Gaussians");
    cbClicks = Named(new QCheckBox(QString("From the %1 point%2 clicked on the graph")
                                       .arg(clicks)
                                       .arg(clicks == 1 ? "" : "s"),
                                   this),
                     "cbClicks");
    cbClicks->setChecked(clicks > 0);
    cbClicks->setVisible(clicks > 0);
    cbAutomatic =
        Named(new QCheckBox("&Automatic: as many as the data support", this), "cbAutomatic");
    cbAutomatic->setChecked(true);
    sbCount = Named(new QSpinBox(this), "sbCount");
    sbCount->setRange(1, 8);
    sbCount->setValue(1);
    sbCount->setEnabled(false);
    const auto enable = [this] {
        cbAutomatic->setEnabled(!FromClicks());
        sbCount->setEnabled(!FromClicks() && !cbAutomatic->isChecked());
    };
    connect(cbAutomatic, &QCheckBox::toggled, this, enable);
    connect(cbClicks, &QCheckBox::toggled, this, enable);
    enable();
    auto* form = new QFormLayout;
    form->addRow(cbClicks);
    form->addRow(cbAutomatic);
    form->addRow("&Components:", sbCount);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(Buttons(this, btnOK, btnCancel));
}

int TGaussForm::Count() const {
    return cbAutomatic->isChecked() ? 0 : sbCount->value();
}

bool TGaussForm::FromClicks() const {
    return Clicks > 0 && cbClicks->isChecked();
}
