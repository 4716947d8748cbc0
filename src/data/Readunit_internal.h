// Inside the spectrum file reader: the bounded text source and the header-text operations that
// only the reader (and its tests) use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>

// The longest header line kept; characters beyond it are skipped (the header's numbers stand
// at its beginning).
constexpr std::size_t MaxHeaderLength = 4096;
// The longest data item; a longer run of number characters ends the list of items.
constexpr std::size_t MaxItemLength = 512;
// The most bytes one read takes from a file. A header and 400 items take a few kilobytes;
// the bound leaves room for long comment lines while keeping a read of any file short.
constexpr std::size_t MaxReadLength = std::size_t{16} << 20;

// The most bytes one read of the system takes into a text source.
constexpr std::size_t TextSourceCapacity = 65536;

// Buffered reading of an open file, one character at a time, that stops after a fixed number
// of bytes as if the file ended there.
class TTextSource {
public:
    // Reads the open file descriptor from its current position, at most limit bytes.
    TTextSource(int descriptor, std::size_t limit) : Descriptor(descriptor), Remaining(limit) {}
    TTextSource(const TTextSource&) = delete;
    TTextSource& operator=(const TTextSource&) = delete;

    int Get() {
        return Position < Filled || Fill() ? static_cast<unsigned char>(Buffer[Position++]) : EOF;
    }
    int Peek() {
        return Position < Filled || Fill() ? static_cast<unsigned char>(Buffer[Position]) : EOF;
    }
    // Skips past the next line feed, or to the end.
    void SkipLine();
    // The system reported an input/output error.
    bool Failed() const { return Error; }
    // Reading stopped at the limit while the file went on.
    bool Exhausted() const { return Cut; }

private:
    bool Fill();
    int Descriptor;
    std::size_t Remaining;
    char Buffer[TextSourceCapacity];
    std::size_t Position = 0, Filled = 0;
    bool Ended = false, Error = false, Cut = false;
};

// Opens path for reading if it names a regular file; returns the descriptor, or -1.
int OpenRegularFile(const char* path);

// Header text operations (see SkipToNumber and ReadInt in Readunit.h).
void EraseNumber(std::string_view& line); // drop the leading run of digits and '-'
double ReadReal(std::string_view& line);
double ReadDate(std::string_view& line); // month, day, year; throws "Summat wrong with date."
double ReadTime(std::string_view& line); // hour, minute, second; throws "Summat wrong with time."
