// The details dialog: the observing site, the epoch and the source position, equatorial and
// galactic, each group kept converted from the other as the user types.
//
// A thin view over TDetailsState (session/Detailsstate.h), which holds the texts, the six angle
// values and the change rules. How the main window uses it:
//
//     // once, on the first Enter other details; the main window owns it
//     DetailsForm = new TDetailsForm(this, Station);     // the station settings read at start
//     // every time
//     DetailsForm->setWindowTitle(bare file name);
//     DetailsForm->SetFileNamePosition(Session.PositionInFileName, Session.FileGLatitude,
//                                      Session.FileGLongitude);
//     if (Dialogs->ExecModal(*DetailsForm) == QDialog::Accepted) {   // OK; No gives Rejected
//         const TAppliedDetails r = ComputeAppliedDetails(
//             Session.Instant(), DetailsForm->State());
//         ...                                            // see session/Applydetailsunit.h
//     }
//
// Each showing applies the file-name position (FormShow, run by showEvent); a test whose
// ExecModal does not show the dialog can call FormShow itself. The dialog keeps its fields
// between showings.
#pragma once

#include "session/Detailsstate.h"

#include <QDialog>
#include <array>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class TStationSettings;

class TDetailsForm : public QDialog {
    Q_OBJECT
public:
    // Builds the dialog over the station's site and equinox; centred on owner at each showing.
    TDetailsForm(QWidget* owner, const TStationSettings& settings);

    // The texts and values the dialog holds (read after OK).
    const TDetailsState& State() const { return DetailsState; }

    // The edit field of a TDetailsField.
    QLineEdit* Field(TDetailsField field) const;

    // The galactic position the file's name carries, for the next showings.
    void SetFileNamePosition(bool positionInFileName, const TGLatitude& latitude,
                             const TGLongitude& longitude);

    // The station's site and equinox changed: the site fields, the elevation and, for a new
    // equinox, the epoch and the equatorial fields follow (TDetailsState::SetSite).
    void SetStation(const TStationSettings& settings);

    // Applies the file-name position to the galactic fields when the file's name carried one.
    void FormShow();

    // Controls, under the names the program's documentation uses.
    QFrame *pnlLocation, *pnlEquatorial, *pnlGalactic, *pnlEpoch;
    QLineEdit *edLatDeg, *edLatMin, *edLatSec, *edLongDeg, *edLongMin, *edLongSec, *edElev;
    QLineEdit *edRaHrs, *edRaMin, *edRaSec, *edDecDeg, *edDecMin, *edDecSec;
    QLineEdit *edBiiDeg, *edBiiMin, *edBiiSec, *edLiiDeg, *edLiiMin, *edLiiSec;
    QLineEdit* edEpoch;
    QPushButton *BitBtn1, *BitBtn2; // OK (default, Return), No (Escape)
    QLabel* Label11;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CreateLocationPanel();
    void CreatePositionPanels();
    void CreateEpochPanel();
    void CreateButtons();
    void SetTabOrder();
    void ConnectFields();
    void CentreOnOwner();
    QLineEdit* NewField(QWidget* panel, TDetailsField field, int width);

    // A field's text changed: the state's change rule, then the texts it rewrote.
    void FieldChanged(TDetailsField field, const QString& text);
    // Writes every field whose text differs from the state's, without change notifications.
    void ShowStateTexts();

    TDetailsState DetailsState;
    bool PositionInFileName = false;
    TGLatitude FileGLatitude;
    TGLongitude FileGLongitude;
    std::array<QLineEdit*, DetailsFieldCount> Fields{};
};
