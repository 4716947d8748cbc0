// Enter other details: the details dialog, and applying what it holds to the side panel, the
// VLSR and the velocity-minus-VLSR axis.
#include "app/Unit1.h"

#include "app/Dialogsunit.h"
#include "data/Readunit.h"
#include "data/Spectrumunit.h"
#include "details/Detailsunit.h"
#include "session/Applydetailsunit.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>

void TForm1::PrepareDetails() {
    if (!DetailsForm)
        DetailsForm = new TDetailsForm(this, Station);
    DetailsForm->setWindowTitle(
        QString::fromStdString(Session.File() ? ExtractFileName(Session.File()->FilePath) : ""));
    DetailsForm->SetFileNamePosition(Session.PositionInFileName(), Session.FileGLatitude(),
                                     Session.FileGLongitude());
}

void TForm1::miDetailsClick() {
    PrepareDetails();
    // What the dialog offers when it first opens for a spectrum is what Save writes until
    // details are applied to it: the fields then may hold edits abandoned with No.
    if (!Session.DetailsOffered()) {
        DetailsForm->FormShow();
        Session.OfferDetails(DetailsForm->State());
    }
    if (Dialogs->ExecModal(*DetailsForm) != QDialog::Accepted)
        return;
    if (ApplyDetails())
        miVMinusVlsr->setEnabled(true);
}

void TForm1::ShowDetailsPanel(const TAppliedDetails& r) {
    const std::pair<QLabel*, const std::string*> labels[] = {
        {lblRa, &r.RaText},       {lblDec, &r.DecText}, {lblGlat, &r.GlatText},
        {lblGlong, &r.GlongText}, {lblLat, &r.LatText}, {lblLong, &r.LongText},
        {lblElev, &r.ElevText}};
    for (const auto& [label, text] : labels)
        label->setText(QString::fromStdString(*text));
    edVlsr->setText(QString::fromStdString(r.VlsrText));
    edVlsr->setCursorPosition(0); // the sign and leading digits in view
}

void TForm1::ShowVlsrFreshness(const QString& terms) {
    const bool stale = !Session.VlsrForSpectrum() && !Session.VlsrFileName().empty();
    // A VLSR computed for another spectrum stays in view, as it always has, but greyed and
    // named, so that nobody takes it for this spectrum's.
    // Only the text colour is set; every other colour stays the desktop's own. Set only when
    // it changes: a new palette re-polishes the field.
    if (stale != VlsrShownStale) {
        QPalette palette;
        if (stale)
            for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
                palette.setColor(group, QPalette::Text,
                                 edVlsr->palette().color(QPalette::Disabled, QPalette::Text));
        edVlsr->setPalette(palette);
        VlsrShownStale = stale;
    }
    if (stale)
        edVlsr->setToolTip("Computed for " + QString::fromStdString(Session.VlsrFileName()) +
                           ", not for the spectrum shown: enter its details (File > Enter other "
                           "details)");
    else if (!terms.isNull())
        edVlsr->setToolTip(terms);
}

bool TForm1::ApplyDetails() {
    if (!DetailsForm)
        return false;
    const TAppliedDetails r = Session.ApplyDetails(DetailsForm->State());
    lblFiletime->setText(QString::fromStdString(r.FileTimeText));
    if (!r.Applied) {
        // A number that cannot be read stops here; only the file time has changed.
        Dialogs->ShowError(this, ApplicationTitle, QString::fromStdString(r.Error));
        return false;
    }
    ShowDetailsPanel(r);
    const QString terms = QString::fromStdString(VlsrTermsText(r));
    ShowVlsrFreshness(terms);
    ShowStatusMessage(terms);
    // A graph on the velocity-minus-VLSR axis is redrawn for the new VLSR at once, so that it
    // never shows velocities that no longer match edVlsr; a choice of that axis held back
    // while the spectrum had no VLSR of its own comes back.
    // The overlays' VLSRs for the details now shown.
    OverlaySet.ApplyDetails(DetailsForm->State());
    if (Mode == ModeVelocityMinusVlsr && SpectrumDrawn)
        ShowSpectrum();
    return true;
}
