// Inputunit: the spectrum files of a kelvane-batch run, from the names, folders and list the
// command line gives, and why an input cannot be opened.
//
// A survey may hold more files than a command line takes (the kernel's limit on the size of the
// arguments is reached near 100,000 names), so a run also takes a folder, standing for the
// spectrum files directly inside it, and a list of files read from a file or standard input.
#pragma once

#include "batch/Batchoptions.h"

#include <map>
#include <string>
#include <sys/types.h>

// Why path is not an input that can be read: the system's reason ("No such file or directory",
// "Permission denied") or "not a regular file (a folder)"; empty for a regular file that opens.
std::string InputProblem(const std::string& path);

// Replaces options.Files by the files of the run and fills options.FileErrors:
//   - each name given that is a folder is replaced by the entries directly inside it whose
//     names match options.Pattern (fnmatch, any case), in NaturalLess order, those whose names
//     begin with a dot left out; an entry that is not a regular file keeps its place with the
//     reason in FileErrors, as does a folder that cannot be listed;
//   - then the paths of options.FilesFrom ("-": standardInput, a descriptor), one a line (a CR
//     before the LF dropped) or, with options.NullSeparated, each ended by NUL; each taken as
//     it is, empty ones skipped. A line that holds a NUL refuses the list, as does a list of
//     more than 64 MiB or 1,000,000 paths.
// Returned: empty, or the error that stops the run (a list that cannot be read, no files).
std::string GatherInputFiles(TBatchOptions& options, int standardInput);

// Why files of the run fail before they are read, by their number in options.Files (as
// GatherInputFiles leaves them): options.FileErrors, and each file whose outputs would replace
// those of a file given before it (a name of another folder; the later file fails), or whose
// picture would take the place of the rotation curve's.
std::map<long, std::string> InputErrors(const TBatchOptions& options);
