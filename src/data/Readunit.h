// The spectrum data file and its reader.
//
// A spectrum data file is text: a header line that begins with 's' and carries the
// observation's date (month, day, year), time (hour, minute, second) and five further numbers,
// then the signal of every receiver channel as decimal numbers separated by white space. The
// reader checks the header, loads the data items into Signal and takes the galactic position
// from the file's name. Every failure is a std::runtime_error with one fixed text (see Read).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

// Buffered, bounded reading of a text file, one character at a time.
class TTextSource {
public:
    explicit TTextSource(std::FILE* file) : File(file) {}
    int Get() {
        return Position < Filled || Fill() ? static_cast<unsigned char>(Buffer[Position++]) : EOF;
    }
    int Peek() {
        return Position < Filled || Fill() ? static_cast<unsigned char>(Buffer[Position]) : EOF;
    }
    bool Failed() const { return Error; }

private:
    bool Fill();
    std::FILE* File;
    char Buffer[65536];
    std::size_t Position = 0, Filled = 0;
    bool Error = false;
};

class TSpectrumFile {
public:
    std::string FilePath;  // full path of the file last read successfully
    double FileDate = 0.0; // days since 30 December 1899
    double FileTime = 0.0; // fraction of a day
    double HeaderReal = 0.0;
    std::int32_t HeaderInt1 = 0;
    std::int32_t HeaderInt2 = 0;
    std::int32_t HeaderInt4 = 0;

    // Reads the file at path. The number of data items must equal the size of XValues.
    // On success sets this object's fields, Signal, CurrentFileName and the file-name position
    // globals. On failure throws std::runtime_error with one of these texts and changes
    // nothing:
    //   "Unable to open <name>", "Not enough info in header.",
    //   "Header does not start with an 's'.", "Summat wrong with date.",
    //   "Summat wrong with time.", "Read error", "wrong number of data items."
    void Read(const std::string& path);

    // Reads line 1 of the file and fills the header fields; throws as Read.
    void ReadHeader(TTextSource& file);
};

// The longest header line kept; characters beyond it are skipped (the header's numbers stand
// at its beginning).
constexpr std::size_t MaxHeaderLength = 4096;
// The longest data item; a longer run of number characters ends the list of items.
constexpr std::size_t MaxItemLength = 512;

// Operations on a header text consumed from the front.
void SkipToNumber(std::string_view& line); // drop up to the first digit or '-'
void EraseNumber(std::string_view& line);  // drop the leading run of digits and '-'
std::int32_t ReadInt(std::string_view& line);
double ReadReal(std::string_view& line);
double ReadDate(std::string_view& line); // month, day, year; throws "Summat wrong with date."
double ReadTime(std::string_view& line); // hour, minute, second; throws "Summat wrong with time."

// The file name without its folder.
std::string ExtractFileName(const std::string& path);
