// Batchrun: a kelvane-batch run over many files: the worker processes, the outputs, the survey
// summary, the progress and the exit status.
//
// Parallel work runs in forked worker processes, not threads. The program's reader and its
// session live in process-wide globals (the signal, the axes, the fit, the file-name position,
// the fit's message reporter), exactly as the window uses them; a worker process has its own
// copy of them, so every file goes through the very code the window runs and no core unit
// needs a second, thread-safe form. The workers take file numbers from a shared counter, so a
// slow file never holds up the others, and send their summary rows back through a pipe; the
// main process writes the rows in the order of the files given and shows the progress.
#pragma once

#include "astro/Rotationunit.h"
#include "batch/Batchoptions.h"
#include "batch/Batchunit.h"

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// An extra output of a file that succeeded: the end of its name (".png") and its bytes.
struct TExtraOutput {
    std::string Suffix;
    std::string Bytes;
};

// Makes the extra outputs (pictures) of a file that succeeded; may throw std::exception, which
// fails that file with the exception's text.
using TPictureMaker = std::function<std::vector<TExtraOutput>(const TSpectrumResult&)>;

// Makes the picture of the rotation curve (--rotation-curve) from its points, R0 (kpc) and V0
// (km/s): the bytes of a PNG file. May throw std::exception, which leaves the picture unwritten
// with the exception's text.
using TCurvePictureMaker =
    std::function<std::string(const std::vector<TTangentPoint>&, double r0, double v0)>;

// Where a run reports: per-file errors always; with Terminal a progress bar; without Quiet the
// final line.
struct TRunConsole {
    std::FILE* Stream = stderr;
    bool Terminal = false;
    bool Quiet = false;
};

// Runs the options' files (as GatherInputFiles leaves them). A console that has gone away (a
// closed pipe) never stops the run: SIGPIPE is ignored from here on and failed writes of the
// progress and the errors are let be. Returned: the exit status, 0 when every file succeeded, 1
// when some failed or the summary (or the rotation curve, or the outputs' final flush to the disk)
// could not be written, 130 when interrupted (SIGINT or SIGTERM; the outputs already completed
// stay, the summary and the rotation curve are not written).
int RunBatch(const TBatchOptions& options, const TPictureMaker& pictures,
             const TCurvePictureMaker& curvePicture, const TRunConsole& console);

// The names of the rotation curve's outputs in the output folder.
constexpr const char* RotationCurveCsvName = "rotation-curve.csv";
constexpr const char* RotationCurvePngName = "rotation-curve.png";

// The processors this process may run on (at least 1).
int ProcessorCount();

// The output path of a file for a suffix: folder/NAME.suffix (see OutputStem).
std::string OutputPath(const std::string& folder, const std::string& file,
                       const std::string& suffix);

// text as it may be shown on a terminal: control characters (below 0x20, 0x7f, and the C1
// controls U+0080..U+009F) and bytes that are not UTF-8 are written as \x1b (\u009b for a C1
// control), so that a name cannot act on the terminal (retitle it, move the cursor) and a
// message stays on one line.
std::string ConsoleText(const std::string& text);
