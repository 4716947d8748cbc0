// Inside the spectrum file reader: the bounded text source and the header-text operations that
// only the reader (and its tests) use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
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

// Buffered reading of an open file, one character at a time or straight from the characters
// already read, that stops after a fixed number of bytes as if the file ended there.
class TTextSource {
public:
    // Reads the open file descriptor from its current position, at most limit bytes. size is
    // the file's size when it was opened, where known: a read that gives fewer bytes than
    // asked for and reaches it ends the text without one more read to learn that.
    TTextSource(int descriptor, std::size_t limit, std::uint64_t size = UnknownSize)
        : Descriptor(descriptor), Remaining(limit), Size(size) {}
    static constexpr std::uint64_t UnknownSize = ~std::uint64_t{0};
    TTextSource(const TTextSource&) = delete;
    TTextSource& operator=(const TTextSource&) = delete;

    int Get() {
        return Position < Filled || Fill() ? static_cast<unsigned char>(Buffer[Position++]) : EOF;
    }
    int Peek() {
        return Position < Filled || Fill() ? static_cast<unsigned char>(Buffer[Position]) : EOF;
    }
    // The characters read from the file and not yet taken: [Next(), End()).
    const char* Next() const { return Buffer + Position; }
    const char* End() const { return Buffer + Filled; }
    // Takes the characters before next, a position in [Next(), End()].
    void TakeUntil(const char* next) { Position = static_cast<std::size_t>(next - Buffer); }
    // Skips past the next line feed, or to the end.
    void SkipLine();
    // The system reported an input/output error; its errno value.
    bool Failed() const { return Error; }
    int ErrorNumber() const { return FErrorNumber; }
    // Reading stopped at the limit while the file went on.
    bool Exhausted() const { return Cut; }

private:
    bool Fill();
    int Descriptor;
    std::size_t Remaining;
    std::uint64_t Size;
    std::uint64_t Total = 0; // bytes read so far
    char Buffer[TextSourceCapacity];
    std::size_t Position = 0, Filled = 0;
    bool Ended = false, Error = false, Cut = false;
    int FErrorNumber = 0;
};

// Opens path for reading if it names a regular file; returns the descriptor, or -1 and the
// reason in problem ("No such file or directory", "not a regular file (a folder)"). size: the
// file's size at the opening.
int OpenRegularFile(const char* path, std::uint64_t& size, std::string& problem);

// Header text operations (see SkipToNumber and ReadInt in Readunit.h).
void EraseNumber(std::string_view& line); // drop the leading run of digits and '-'
double ReadReal(std::string_view& line);
// Month, day, year; throws TReadError "Summat wrong with date.", also for a field that is not
// a plain unsigned number of 16 bits (an absent field is 0, as ReadInt gives it).
double ReadDate(std::string_view& line);
// Hour, minute, second; throws "Summat wrong with time." likewise.
double ReadTime(std::string_view& line);
