// Averagerun: kelvane-batch --average, repeated scans averaged into one saved file as
// File > Average files and Save as make it in the window.
#pragma once

#include "batch/Batchoptions.h"
#include "batch/Consoleunit.h"

// Averages the options' files (as GatherInputFiles leaves them) into options.AveragePath,
// written whole or not at all (replacing an existing file only with --force), and reports one
// line unless quiet: "kelvane-batch: averaged N files on C channels (LO to HI km/s) into OUT".
// A file of the run that cannot be read, or has no position (neither its name nor --galactic
// or --equatorial gives one), or files that are no repeated scans of one source
// (CheckOneSource), are named with the reason and nothing is written; so is an output that is
// there but no regular file, or is one of the files averaged, --force or not.
// Returned: the exit status, 0 when written, 1 otherwise.
int RunAverage(const TBatchOptions& options, const TRunConsole& console);
