// Fitswriteunit: the bytes of a FITS file, written by CFITSIO (the format's reference library)
// from an image of Fitsunit.h. The file is made in memory, so that the program's writers put
// it on the disk as they put any other output: through a temporary file renamed into place
// when complete (WriteTextFileSafely, the batch's output group).
#pragma once

#include "fits/Fitsunit.h"

#include <string>

// Loads CFITSIO if it is not yet. Returned: why it cannot be loaded, "" when it is there.
std::string FitsLibraryError();

// The file: a primary image of doubles (BITPIX -64) with image's cards, and the -TAB table as
// a binary-table extension when there is one.
// Returned: the file's bytes, a multiple of 2880. Throws std::runtime_error
//           "CFITSIO: <the library's error text>" when the library reports a failure, and
//           FitsLibraryError() when the library cannot be loaded. Safe from several threads
//           at once: a library that is not reentrant makes one file at a time.
std::string FitsFileBytes(const TFitsImage& image);
