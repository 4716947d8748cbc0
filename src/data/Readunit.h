// The spectrum data file and its reader.
//
// A spectrum data file is text: a header line that begins with 's' and carries the
// observation's date (month, day, year), time (hour, minute, second) and five further numbers,
// then the signal of every receiver channel as decimal numbers separated by white space. The
// reader checks the header and returns it with the data items as one record; every failure is
// a TReadError: a std::runtime_error with one fixed text (see Read), and beside it a detail
// that says what was found.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

class TTextSource;

// A failed read. what() is the reader's fixed text, which callers show and compare unchanged;
// Detail() says what the reader found, in UTF-8 (for example "399 data items, 400 expected",
// "month \"03-15-24\" is not a plain unsigned number"), for a second line of the report.
class TReadError : public std::runtime_error {
public:
    TReadError(const std::string& message, std::string detail)
        : std::runtime_error(message), FDetail(std::move(detail)) {}
    const std::string& Detail() const noexcept { return FDetail; }

private:
    std::string FDetail;
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
    std::string FileName;      // the file's name without its folder
    std::vector<double> Items; // the data items, one per receiver channel

    // Reads the file at path. The number of data items must be ChannelCount.
    // On success sets every field of this object. On failure throws TReadError with one of
    // these texts and changes nothing:
    //   "Unable to open <name>", "Not enough info in header.",
    //   "Header does not start with an 's'.", "Summat wrong with date.",
    //   "Summat wrong with time.", "Read error", "wrong number of data items."
    // Only regular files are opened; a device, FIFO, socket or folder is "Unable to open".
    // The work of one read is bounded whatever the file's size: the header is judged from the
    // beginning of its line, and nothing beyond the first 16 MiB is read (a list of items that
    // has not ended by then is "wrong number of data items.").
    // A date or time field written other than as a plain unsigned number (03-15-24, -5, 70000)
    // is "Summat wrong with date." or "Summat wrong with time.": a minus sign would join the
    // date into one number and shift every later field, reading another date without a word.
    void Read(const std::string& path);

private:
    // Reads line 1 of the file and fills the header fields; throws as Read.
    void ReadHeader(TTextSource& file);
};

// Operations on a header text consumed from the front; the file-name position uses them too.
void SkipToNumber(std::string_view& line); // drop up to the first digit or '-'
std::int32_t ReadInt(std::string_view& line);

// The file name without its folder.
std::string ExtractFileName(const std::string& path);

// "not a regular file (a FIFO)" for a file of type mode (from stat) that is not a regular file:
// why such a file is not read as a spectrum.
std::string NotRegularFile(mode_t mode);
