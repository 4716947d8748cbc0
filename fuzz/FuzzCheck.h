// What the fuzz targets share: a check that stops the run with a message when an invariant of
// the code under test does not hold, so that the fuzzing engine keeps the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);     \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

// Writes all of data to an open file descriptor, or stops the run.
inline void FuzzWriteAll(int file, const std::uint8_t* data, std::size_t size) {
    FUZZ_CHECK(file >= 0);
    std::size_t written = 0;
    while (written < size) {
        const ssize_t count = ::write(file, data + written, size - written);
        FUZZ_CHECK(count > 0);
        written += static_cast<std::size_t>(count);
    }
}
