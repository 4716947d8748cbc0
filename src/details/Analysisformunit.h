// The Analysis menu's dialogs: how to smooth the signal (Analysis > Smooth...) and how many
// Gaussian components to fit (Analysis > Fit Gaussians...). Thin views: the smoothing's rules
// are ParseSmoothing's (numeric/Smoothunit.h). How the main window uses them:
//
//     TSmoothForm form(this);
//     if (Dialogs->ExecModal(form) == QDialog::Accepted)
//         if (const auto smoothing = form.Smoothing(error)) ...
#pragma once

#include "numeric/Smoothunit.h"

#include <QDialog>
#include <optional>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

class TSmoothForm : public QDialog {
    Q_OBJECT
public:
    explicit TSmoothForm(QWidget* owner);

    // The smoothing the fields give, or nothing with error set (ParseSmoothing's reason).
    std::optional<TSmoothing> Smoothing(std::string& error) const;
    // OK: closes when the fields give a smoothing; otherwise shows why and stays open.
    void accept() override;

    // Controls (also their objectName).
    QRadioButton *rbHanning, *rbBoxcar, *rbGauss;
    QSpinBox* sbChannels; // the boxcar's channels, odd
    QLineEdit* edFwhm;    // the Gaussian's FWHM, km/s
    QLabel* lblError;     // hidden while empty
    QPushButton *btnOK, *btnCancel;
};

class TGaussForm : public QDialog {
    Q_OBJECT
public:
    // clicks: the points clicked on the graph as first guesses; with some, cbClicks offers them
    // (checked), else it is hidden.
    TGaussForm(QWidget* owner, int clicks = 0);

    // The number of components asked for; 0 for automatic (as many as the BIC asks for).
    int Count() const;
    // The components are to start from the points clicked (Count then does not count).
    bool FromClicks() const;

    // Controls (also their objectName).
    QCheckBox* cbClicks;
    QCheckBox* cbAutomatic;
    QSpinBox* sbCount;
    QPushButton *btnOK, *btnCancel;

private:
    int Clicks;
};
