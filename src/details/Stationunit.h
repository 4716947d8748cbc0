// The station settings dialog (File > Station settings...): the site's latitude, longitude and
// elevation, the equinox and the receiver's calibration (kelvin per count), as the telescope
// suite's shared station settings keep them.
//
// A thin view over settings/Siteunit.h: OK checks the texts (CheckSite) and has the site saved
// by the function the window gives; the dialog closes only when both succeed, and otherwise
// shows the reason under the fields, with the focus on the field at fault. How the main window
// uses it:
//
//     TStationForm form(this, SiteOf(Station), WriteSite);
//     Dialogs->ExecModal(form);
//     if (form.SavedSite())          // saved; Cancel or Escape leaves it empty
//         Station = WithSite(Station, *form.SavedSite());
#pragma once

#include "settings/Siteunit.h"

#include <QDialog>
#include <functional>
#include <optional>
#include <string>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

class TStationForm : public QDialog {
    Q_OBJECT
public:
    // Saves a checked site; returns empty, or the error to show.
    using TSaveSite = std::function<std::string(const TSite&)>;

    // The dialog showing site; save is called on OK with the site the fields give.
    TStationForm(QWidget* owner, const TSite& site, TSaveSite save);

    // The site that OK saved; empty until then.
    const std::optional<TSite>& SavedSite() const { return Saved; }
    // The control of a field.
    QWidget* Field(TSiteField field) const;

    // OK: check, save, close; or show why not and stay open.
    void accept() override;

    // Controls (also their objectName). The hemispheres are "N"/"S" and "E"/"W"; the degrees
    // fields take no sign.
    QLineEdit *edLatDegrees, *edLatMinutes, *edLatSeconds;
    QComboBox* cbLatHemisphere;
    QLineEdit *edLongDegrees, *edLongMinutes, *edLongSeconds;
    QComboBox* cbLongHemisphere;
    QLineEdit* edHeight;
    QComboBox* cbEquinox;
    // The receiver's calibration, kelvin per signal unit; empty for none.
    QLineEdit* edKelvinPerCount;
    QLabel* lblError; // the reason OK did not close the dialog; hidden while empty
    QPushButton *btnOK, *btnCancel;

private:
    TSiteTexts Texts() const;
    void ShowError(const std::string& text, QWidget* field);

    TSaveSite Save;
    std::optional<TSite> Saved;
};
