// Sessionunit: the open spectrum and everything the program has worked out from it, as one
// value. The main window owns one session and passes it to whoever reads, draws, fits or saves;
// the batch gives every file a session of its own, so files can be taken through the same steps
// at the same time.
//
// A session holds: the header of the file read last and its signal, the x axis shown, the
// baseline fit and whether it is offered to Subtract, the subtractions made (to undo them), the
// VLSR with its velocity-minus-VLSR axis and the details it was computed from, what the details
// dialog offered, the last measure of the line, the file's name and the galactic position its
// name carries.
//
// Its fields are private: the window, the batch and the average change it only through the
// steps below, which keep its rules in one place. Above all, a Read (or an average put in its
// place) ends everything that belonged to the spectrum before.
#pragma once

#include "astro/Angleunit.h"
#include "data/Readunit.h"
#include "data/Saveunit.h"
#include "data/Spectrumunit.h"
#include "numeric/Baselineunit.h"
#include "numeric/Gaussfitunit.h"
#include "numeric/Linewindowunit.h"
#include "numeric/Polyfitunit.h"
#include "numeric/Smoothunit.h"
#include "session/Applydetailsunit.h"
#include "session/Detailsstate.h"
#include "session/Linemeasureunit.h"

#include <QLocale>
#include <optional>
#include <string>
#include <vector>

struct TAverage;

class TSession {
public:
    // Reads the spectrum file at path (TSpectrumFile::Read) and takes the galactic position
    // from its name (ParseFileName, starting from the position held: a name that carries only
    // a latitude changes only the latitude). On success the session holds the new header,
    // signal, name and position, and nothing of the spectrum before: its VLSR no longer counts
    // as this spectrum's (an average shown before is gone), the fit is that of no spectrum yet
    // (coefficients all 0, as many as before; correlation 0) and is not offered, no subtraction
    // is left to undo, no measure is held and nothing was offered by the details dialog. On
    // failure it throws as the reader does and nothing changes.
    void Read(const std::string& path);

    // Puts an average (session/Averageunit.h) in place of the spectrum: the signal on its
    // velocity-minus-VLSR axis (XValues and VelocitiesMinusVlsr both), the first file's header,
    // VLSR, position and applied details, AverageTitle as its name, and the files with their
    // VLSRs for the saved header. As after a Read, nothing of the spectrum before is left; the
    // fit's coefficients keep their number.
    void UseAverage(const TAverage& average);

    // XValues := the axis of the display mode (SelectXAxis); any other mode leaves it alone.
    // The fit is no longer offered: it belongs to the axis it was made on.
    void SelectAxis(int mode);

    // The details as the details dialog shows them when it opens on this spectrum: start (the
    // dialog's state, or a new dialog's) with the position of the file's name (FormShow).
    TDetailsState DetailsShown(TDetailsState start) const;
    // What the details dialog offered when it first opened for this spectrum; Save writes it
    // until details are applied. Kept once per spectrum: later offers change nothing.
    void OfferDetails(const TDetailsState& offered);
    bool DetailsOffered() const { return FOfferedDetails.has_value(); }
    // Applies details as OK in the details dialog does (ComputeAppliedDetails for the
    // observation's instant). On success the session takes the VLSR, its velocity-minus-VLSR
    // axis and the details; on failure (Applied false, Error set) nothing changes.
    TAppliedDetails ApplyDetails(const TDetailsState& details);
    // The VLSR (km/s) of the spectrum read last, and its velocity-minus-VLSR axis, as if details
    // giving it had been applied.
    void UseVlsr(double vlsr);

    // The number of the fit's terms: kept coefficients keep their values, new ones are 0; a
    // negative number fits none.
    void SetTerms(int terms);
    // Fits the polynomial of the terms set to the samples (FitPolynomial) and offers it to
    // Subtract when it succeeded (correlation not negative).
    TFitResult Fit(const std::vector<double>& x, const std::vector<double>& y);
    // Takes a fit made elsewhere (the line window's final fit), offered as Fit offers it.
    void UseFit(std::vector<double> coefficients, double correlation);
    // Subtracts the fit offered from the signal (SubtractPolynomial) and keeps the signal
    // before, to undo it. fittedOutside: the stretches of x the fit left out, for the FITS
    // history. Returned: false, changing nothing, when no fit is offered.
    bool Subtract(std::vector<TAxisRange> fittedOutside);
    // Puts back the signal before the last subtraction or smoothing; false when there was none.
    bool Undo();

    // The bands that hold the line, on the axis shown (x units, both edges inside): the
    // baseline is fitted to the samples outside all of them. StartBands begins afresh with one
    // band (a plain drag), AddBand adds one (a drag with Shift). A Read, an average and a new
    // axis clear them: they belong to the spectrum and the axis they were marked on.
    void StartBands(const TAxisRange& band);
    void AddBand(const TAxisRange& band);
    void ClearBands() { FBands.clear(); }
    const std::vector<TAxisRange>& Bands() const { return FBands; }
    // Fits the polynomial (Fit) to the samples outside every band (ChannelUseOfWindows and
    // BaselineSamples of session/Linemeasureunit.h: the channels inside none of the bands, with
    // a signal that is not 0), as kelvane-batch fits outside its --fit-outside windows.
    TFitResult FitOutsideBands();

    // Smooths the signal shown (SmoothSignal of numeric/Smoothunit.h, the Gaussian's width
    // taken on the channels' velocity spacing) and keeps the signal before, for Undo, as
    // Subtract does. Returned: false, changing nothing, before a spectrum.
    bool Smooth(const TSmoothing& smoothing);
    // The smoothings standing (made and not undone), in the order made.
    std::vector<TSmoothing> Smoothings() const;
    // The step Undo would take back is a smoothing (false for a subtraction, or none).
    bool UndoesSmoothing() const { return !FSteps.empty() && FSteps.back().has_value(); }
    // What they did, for the title and the saved header: "Hanning", "Hanning, then boxcar 5
    // channels"; "" when none stands.
    std::string SmoothingDescription() const;
    // Channels per independent sample of the smoothings standing (1 for none): their kernels
    // combined (NoiseWidth of numeric/Smoothunit.h).
    double NoiseWidth() const;
    // km/s between the channels, on the velocity axis.
    double ChannelWidthKms() const;

    // The station's calibration, kelvin of brightness temperature per signal unit (none: the
    // signal is not in kelvin); Measure gives the column density with it. Kept across Reads.
    void SetKelvinPerCount(std::optional<double> kelvinPerCount) {
        FKelvinPerCount = kelvinPerCount;
    }
    std::optional<double> KelvinPerCount() const { return FKelvinPerCount; }

    // Gaussian components of the signal shown, on the velocity axis Measure uses (relative to
    // the LSR when this spectrum has its VLSR): count components from the peaks found, or as
    // many as the BIC asks for when count < 1 (numeric/Gaussfitunit.h), with the smoothing's
    // noise width. The signal is fitted as it is: its baseline should have been subtracted
    // (Corrected), or the components take the baseline in. The fit is kept until the signal
    // changes.
    const TGaussFit& FitComponents(int count);
    // The same from first guesses (clicks on the graph: GuessAt).
    const TGaussFit& FitComponents(const std::vector<TGaussComponent>& guesses);
    // The last fit of components, empty once the signal changed since.
    const std::optional<TGaussFit>& Components() const { return FComponents; }
    // The velocity axis of Measure and FitComponents, km/s.
    const std::vector<double>& MeasureVelocities() const;

    // Measures the line on the signal shown (MeasureShownLine): on the velocities relative to
    // the LSR when this spectrum has its VLSR (LsrFrame), with the channels inside a band
    // (inBand, empty for none). The report is kept until the next Read.
    const TLineMeasureReport& Measure(std::vector<bool> inBand);
    bool LsrFrame() const { return FVlsrForSpectrum && !FVelocitiesMinusVlsr.empty(); }

    // The header of a saved file.
    // Given:    dialog       the details dialog's state, for position, site and elevation when
    //                        the dialog never opened for this spectrum
    //           description  the graph's title line
    // Returned: the record for SavedText, with this session's fit and whether its baseline was
    //           subtracted. The VLSR is the session's when it was computed for this spectrum,
    //           else 0: a VLSR computed for a spectrum read before is never saved with this one.
    //           Both positions (Ra/Dec and GLat/GLong) come from the same details
    //           (DetailsOfSpectrum), so they name one place. An average's files are named with
    //           their VLSRs. Throws std::invalid_argument naming the text when the elevation is
    //           not a number within its range (ParseElevation of astro/Applydetailsunit.h).
    TSaveHeader SaveHeader(const TDetailsState& dialog, const std::string& description,
                           const QLocale& locale = QLocale()) const;
    // The details that describe this spectrum: those applied to it, else what the details
    // dialog offered for it, else dialog (the dialog's state now).
    const TDetailsState& DetailsOfSpectrum(const TDetailsState& dialog) const;

    // The observation's instant, FileDate + FileTime (days since 30 December 1899); 0 before a
    // file was read.
    double Instant() const;

    // The header of the spectrum read last (its Items are moved into Signal); empty before the
    // first successful Read.
    const std::optional<TSpectrumFile>& File() const { return FFile; }
    // Data items of the file, one per channel; a subtraction changes them.
    const std::vector<double>& Signal() const { return FSignal; }
    const std::vector<double>& XValues() const { return FXValues; } // of each channel, as shown
    // km/s, Velocities - Vlsr; empty before a VLSR.
    const std::vector<double>& VelocitiesMinusVlsr() const { return FVelocitiesMinusVlsr; }
    // The baseline polynomial, lowest power first, and the correlation of the last fit.
    const std::vector<double>& Coefficients() const { return FCoefficients; }
    double Correlation() const { return FCorrelation; }
    // The last fit succeeded on the axis shown: Subtract may use it.
    bool FitOffered() const { return FFitOffered; }
    // A baseline has been subtracted since the spectrum was read (and not undone).
    bool Corrected() const;
    bool CanUndo() const { return FHistory.CanUndo(); }
    // The stretches of x the fit of the standing subtraction left out; none while no
    // subtraction stands.
    std::vector<TAxisRange> FittedOutside() const {
        return Corrected() ? FFittedOutside : std::vector<TAxisRange>{};
    }
    double Vlsr() const { return FVlsr; } // km/s, from the last applied details
    // The VLSR was computed for the spectrum read last (details applied since its Read).
    bool VlsrForSpectrum() const { return FVlsrForSpectrum; }
    // The details last applied (what the window's side panel shows); empty until details are
    // first applied. They may belong to a spectrum read before: VlsrForSpectrum tells.
    const std::optional<TDetailsState>& AppliedDetails() const { return FAppliedDetails; }
    // The file the VLSR was computed for; "" before any.
    const std::string& VlsrFileName() const { return FVlsrFileName; }
    const std::string& CurrentFileName() const { return FCurrentFileName; } // no folder
    // The galactic position of the last file name that carried one (longitude 0..360).
    const TGLatitude& FileGLatitude() const { return FFileGLatitude; }
    const TGLongitude& FileGLongitude() const { return FFileGLongitude; }
    bool PositionInFileName() const { return FPositionInFileName; } // the last name carried one
    // The files averaged into Signal (session/Averageunit.h); empty for a spectrum read from
    // one file. While it is not empty, Signal lies on the velocity-minus-VLSR axis alone.
    const std::vector<TAveragedFile>& AveragedFiles() const { return FAveragedFiles; }
    // The last measure of the line since the Read; empty before one.
    const std::optional<TLineMeasureReport>& Measurement() const { return FMeasurement; }

private:
    // What belongs to one spectrum alone: none of it outlives a Read.
    void ForgetSpectrumWork();
    TGaussSettings ComponentSettings() const;

    std::optional<TSpectrumFile> FFile;
    std::vector<double> FSignal;
    std::vector<double> FXValues;
    std::vector<double> FVelocitiesMinusVlsr;
    std::vector<double> FCoefficients;
    double FCorrelation = 0.0;
    bool FFitOffered = false;
    TSubtractionHistory FHistory;
    std::vector<TAxisRange> FFittedOutside; // of the last subtraction
    double FVlsr = 0.0;
    bool FVlsrForSpectrum = false;
    std::optional<TDetailsState> FAppliedDetails;
    std::optional<TDetailsState> FOfferedDetails;
    std::string FVlsrFileName;
    std::string FCurrentFileName;
    TGLatitude FFileGLatitude;
    TGLongitude FFileGLongitude;
    bool FPositionInFileName = false;
    std::vector<TAveragedFile> FAveragedFiles;
    std::optional<TLineMeasureReport> FMeasurement;
    // Per entry of FHistory: the smoothing it was made before, or none for a subtraction.
    std::vector<std::optional<TSmoothing>> FSteps;
    std::vector<TAxisRange> FBands;
    std::optional<double> FKelvinPerCount;
    std::optional<TGaussFit> FComponents;
};
