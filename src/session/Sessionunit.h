// Sessionunit: the open spectrum and everything the program has worked out from it, as one
// value. The main window owns one session and passes it to whoever reads, draws, fits or saves;
// the batch gives every file a session of its own, so files can be taken through the same steps
// at the same time.
//
// A session holds: the header of the file read last and its signal, the x axis shown, the
// baseline fit (Coefficients, Correlation), the VLSR with its velocity-minus-VLSR axis and the
// details it was computed from, the file's name and the galactic position its name carries.
#pragma once

#include "astro/Angleunit.h"
#include "data/Readunit.h"
#include "data/Saveunit.h"
#include "data/Spectrumunit.h"
#include "session/Detailsstate.h"

#include <QLocale>
#include <optional>
#include <string>
#include <vector>

struct TSession {
    // The header of the spectrum read last (its Items are moved into Signal); empty before the
    // first successful Read.
    std::optional<TSpectrumFile> File;
    std::vector<double> Signal;  // data items of the file, one per channel; a subtraction
                                 // changes them
    std::vector<double> XValues; // x of each channel on the axis shown
    std::vector<double> VelocitiesMinusVlsr; // km/s, Velocities - Vlsr; empty before a VLSR
    std::vector<double> Coefficients;        // baseline polynomial, lowest power first
    double Correlation = 0.0;                // of the last fit
    double Vlsr = 0.0;                       // km/s, from the last applied details
    // The VLSR was computed for the spectrum read last (details applied since its Read).
    bool VlsrForSpectrum = false;
    // The details last applied (what the window's side panel shows); empty until details are
    // first applied. They may belong to a spectrum read before: VlsrForSpectrum tells.
    std::optional<TDetailsState> AppliedDetails;
    // What the details dialog offered for this spectrum when it first opened after its Read;
    // empty until then. Saved until details are applied to this spectrum.
    std::optional<TDetailsState> OfferedDetails;
    std::string VlsrFileName;        // the file the VLSR was computed for; "" before any
    std::string CurrentFileName;     // name (no folder) of the last file read
    TGLatitude FileGLatitude;        // from the last file name that carried a position
    TGLongitude FileGLongitude;      // 0..360 form
    bool PositionInFileName = false; // the last file's name carried a position
    // The files averaged into Signal (session/Averageunit.h); empty for a spectrum read from
    // one file. While it is not empty, Signal lies on the velocity-minus-VLSR axis alone.
    std::vector<TAveragedFile> AveragedFiles;

    // Reads the spectrum file at path (TSpectrumFile::Read) and takes the galactic position
    // from its name (ParseFileName, starting from the position held: a name that carries only
    // a latitude changes only the latitude). On success the session holds the new header,
    // signal, name and position, and its VLSR no longer counts as this spectrum's (an average
    // shown before is gone); the fit is that of no spectrum yet (Coefficients all 0, as many
    // as before; Correlation 0) and nothing was offered by the details dialog. On failure it
    // throws as the reader does and nothing changes.
    void Read(const std::string& path);

    // XValues := the axis of the display mode (SelectXAxis); any other mode leaves it alone.
    void SelectXAxis(int mode);

    // The VLSR (km/s) of the spectrum read last, and its velocity-minus-VLSR axis.
    void UseVlsr(double vlsr);

    // The details that describe this spectrum: those applied to it, else what the details
    // dialog offered for it, else dialog (the dialog's state now).
    const TDetailsState& DetailsOfSpectrum(const TDetailsState& dialog) const;

    // The observation's instant, FileDate + FileTime (days since 30 December 1899); 0 before a
    // file was read.
    double Instant() const;
};

// The header of a saved file.
// Given:    session      the spectrum, its fit, its VLSR and its details (DetailsOfSpectrum)
//           dialog       the details dialog's state, for position, site and elevation when the
//                        dialog never opened for this spectrum
//           description  the graph's title line
//           corrected    the baseline has been subtracted since the spectrum was read
// Returned: the record for SavedText. The VLSR is the session's when it was computed for this
//           spectrum, else 0: a VLSR computed for a spectrum read before is never saved with
//           this one. Both positions (Ra/Dec and GLat/GLong) come from the same details, so
//           they name one place. An average's files are named with their VLSRs. Throws
//           std::invalid_argument naming the text when the elevation is not a number within its
//           range (ParseElevation of session/Applydetailsunit.h).
TSaveHeader GatherSaveHeader(const TSession& session, const TDetailsState& dialog,
                             const std::string& description, bool corrected,
                             const QLocale& locale = QLocale());
