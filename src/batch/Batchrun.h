// Batchrun: a kelvane-batch run over many files: the worker threads, the outputs, the survey
// summary, the progress and the exit status.
//
// The workers take file numbers from a shared counter, so a slow file never holds up the
// others. Each draws the pictures of its files, writes their outputs and hands their summary
// rows to the main thread (see Handoffunit), which writes the rows in the order of the files
// given and shows the progress.
#pragma once

#include "astro/Rotationunit.h"
#include "batch/Batchoptions.h"
#include "batch/Batchunit.h"
#include "batch/Consoleunit.h"
#include "numeric/Lvgridunit.h"

#include <functional>
#include <string>
#include <vector>

// An extra output of a file that succeeded: the end of its name (".png") and its bytes.
struct TExtraOutput {
    std::string Suffix;
    std::string Bytes;
};

// Makes the extra outputs (pictures) of a file that succeeded; may throw std::exception, which
// fails that file with the exception's text. Each is used by one worker thread alone.
using TPictureMaker = std::function<std::vector<TExtraOutput>(const TSpectrumResult&)>;

// Gives a worker a picture maker of its own (its own canvas), on the worker's thread when its
// first picture is wanted; the maker draws that worker's files and is destroyed on that thread
// before RunBatch returns. Called by several workers at once; may throw std::exception, which
// fails that file with the exception's text (the worker's next file asks again). Pictures on
// threads other than the application object's need one QGuiApplication made before RunBatch
// (see main.cpp).
using TPictureMakers = std::function<TPictureMaker()>;

// Makes the picture of the rotation curve (--rotation-curve) from its points, R0 (kpc) and V0
// (km/s): the bytes of a PNG file. May throw std::exception, which leaves the picture unwritten
// with the exception's text.
using TCurvePictureMaker =
    std::function<std::string(const std::vector<TTangentPoint>&, double r0, double v0)>;

// Makes the pictures of the longitude-velocity diagram (--lv-diagram) from its grid of the
// files' columns and V0 (km/s): the bytes of a PNG (".png") and of an SVG (".svg") file.
// May throw std::exception, which leaves both unwritten with the exception's text.
using TLvPictureMaker = std::function<std::vector<TExtraOutput>(const TLvGrid&, double v0)>;

// Runs the options' files (as GatherInputFiles leaves them). A console that has gone away (a
// closed pipe) never stops the run: SIGPIPE is ignored from here on and failed writes of the
// progress and the errors are let be. Returned: the exit status, 0 when every file succeeded, 1
// when some failed or the summary (or the rotation curve, or the diagram, or the outputs' final
// flush to the disk, or the FITS files for want of CFITSIO: said once, the other outputs
// written) could not be written or an input would take the place of one of the run's own
// outputs (refused before anything is written), 130 when interrupted (SIGINT or SIGTERM: each
// worker stops after the file at hand; the outputs already completed stay, the summary, the
// rotation curve and the diagram are not written, and no temporary file is left).
int RunBatch(const TBatchOptions& options, const TPictureMakers& pictures,
             const TCurvePictureMaker& curvePicture, const TLvPictureMaker& lvPictures,
             const TRunConsole& console);

// The names of the rotation curve's outputs in the output folder.
constexpr const char* RotationCurveCsvName = "rotation-curve.csv";
constexpr const char* RotationCurvePngName = "rotation-curve.png";

// The processors this process may run on (at least 1).
int ProcessorCount();

// The output path of a file for a suffix: folder/NAME.suffix (see OutputStem).
std::string OutputPath(const std::string& folder, const std::string& file,
                       const std::string& suffix);
