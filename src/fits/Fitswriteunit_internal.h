// Fitswriteunit's loading of CFITSIO, open to the tests: a library that is absent or not
// reentrant, as a user's machine may have it.
#pragma once

#include <mutex>
#include <optional>

// Loads the library at name (nullptr: the build's soname) in place of the one loaded, its answer
// to fits_is_reentrant() replaced by reentrant when given. Not while a file is being made.
void ReloadFitsLibrary(const char* name, std::optional<bool> reentrant = std::nullopt);

// The lock FitsFileBytes holds while it makes a file: held (engaged) when the library is not
// reentrant, empty when it is. Throws as FitsFileBytes does when the library cannot be loaded.
std::unique_lock<std::mutex> FitsWritingLock();
