#include "data/Readunit.h"

#include "data/Datetimeunit.h"
#include "data/Readunit_internal.h"
#include "data/Spectrumunit.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// read(2) that carries on after an interrupting signal.
long ReadSome(int descriptor, char* buffer, std::size_t count) {
    for (;;) {
        const ssize_t got = ::read(descriptor, buffer, count);
        if (got >= 0 || errno != EINTR)
            return static_cast<long>(got);
    }
}

} // namespace

bool TTextSource::Fill() {
    if (Ended)
        return false;
    Position = 0;
    Filled = 0;
    if (Remaining == 0) {
        // At the limit one more byte tells a file that ends here from one that goes on.
        char probe = 0;
        const long got = ReadSome(Descriptor, &probe, 1);
        Cut = got > 0;
        Error = got < 0;
        if (Error)
            FErrorNumber = errno;
        Ended = true;
        return false;
    }
    const std::size_t wanted = std::min(sizeof Buffer, Remaining);
    const long got = ReadSome(Descriptor, Buffer, wanted);
    if (got <= 0) {
        Error = got < 0;
        if (Error)
            FErrorNumber = errno;
        Ended = true;
        return false;
    }
    Filled = static_cast<std::size_t>(got);
    Remaining -= Filled;
    Total += Filled;
    // Fewer bytes than asked for alone may be a read cut short by a signal; with the size the
    // file had at its opening reached as well, they mark its end. (A file that grows meanwhile
    // is read as it stood at one moment of the reading, as by any reader.)
    if (Filled < wanted && Total >= Size)
        Ended = true;
    return true;
}

void TTextSource::SkipLine() {
    for (;;) {
        if (Position == Filled && !Fill())
            return;
        const void* end = std::memchr(Buffer + Position, '\n', Filled - Position);
        if (end) {
            Position = static_cast<std::size_t>(static_cast<const char*>(end) - Buffer) + 1;
            return;
        }
        Position = Filled;
    }
}

std::string NotRegularFile(mode_t mode) {
    const char* kind = S_ISDIR(mode)    ? "a folder"
                       : S_ISFIFO(mode) ? "a FIFO"
                       : S_ISSOCK(mode) ? "a socket"
                       : S_ISCHR(mode)  ? "a character device"
                       : S_ISBLK(mode)  ? "a block device"
                                        : "of an unknown type";
    return std::string("not a regular file (") + kind + ")";
}

int OpenRegularFile(const char* path, std::uint64_t& size, std::string& problem) {
    // Devices, FIFOs, sockets and folders are refused before they are opened: opening or
    // reading them can block for good (a FIFO without a writer) or never end (/dev/zero).
    // The opened file is checked again in case the path changed in between; O_NONBLOCK keeps
    // that open from waiting on a FIFO put there meanwhile.
    struct stat status {};
    if (::stat(path, &status) != 0) {
        problem = std::strerror(errno);
        return -1;
    }
    if (!S_ISREG(status.st_mode)) {
        problem = NotRegularFile(status.st_mode);
        return -1;
    }
    const int descriptor = ::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) {
        problem = std::strerror(errno);
        return -1;
    }
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        problem = "changed into something other than a regular file while it was opened";
        ::close(descriptor);
        return -1;
    }
    size = static_cast<std::uint64_t>(status.st_size);
    return descriptor;
}

namespace {

// ---- Classes of characters ------------------------------------------------------------------

enum : std::uint8_t {
    Space = 1,         // ' ', '\t', '\n', '\v', '\f', '\r'
    Digit = 2,         // '0'..'9'
    Sign = 4,          // '+', '-'
    Point = 8,         // '.'
    ExponentMark = 16, // 'e', 'E'
    NumberStart = 32,  // a digit or '-': where a number of the header begins
};

// The classes of every character, looked up by its byte; bytes beyond ASCII (and NUL) have none.
constexpr std::array<std::uint8_t, 256> CharacterClasses = [] {
    std::array<std::uint8_t, 256> classes{};
    for (const unsigned char c : {' ', '\t', '\n', '\v', '\f', '\r'})
        classes[c] |= Space;
    for (unsigned char c = '0'; c <= '9'; ++c)
        classes[c] |= Digit | NumberStart;
    classes['+'] |= Sign;
    classes['-'] |= Sign | NumberStart;
    classes['.'] |= Point;
    classes['e'] |= ExponentMark;
    classes['E'] |= ExponentMark;
    return classes;
}();

bool Is(char c, std::uint8_t classes) {
    return (CharacterClasses[static_cast<unsigned char>(c)] & classes) != 0;
}
bool IsNumberStart(char c) {
    return Is(c, NumberStart);
}

// The beginning of the current line, at most MaxHeaderLength characters, without its line
// feed and the carriage return before it. Reading stops after those characters: the rest of a
// longer line is left in source. complete tells whether the whole line was taken.
std::string ReadLineStart(TTextSource& source, bool& complete) {
    std::string line;
    complete = false;
    for (;;) {
        if (line.size() == MaxHeaderLength)
            return line;
        if (source.Peek() == EOF)
            break;
        const char* next = source.Next();
        const std::size_t span =
            std::min(static_cast<std::size_t>(source.End() - next), MaxHeaderLength - line.size());
        const void* end = std::memchr(next, '\n', span);
        if (end) {
            line.append(next, static_cast<const char*>(end));
            source.TakeUntil(static_cast<const char*>(end) + 1);
            break;
        }
        line.append(next, span);
        source.TakeUntil(next + span);
    }
    complete = true;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

// ---- Data items -----------------------------------------------------------------------------

// The value of the number text [first, last) (no '+' sign) as std::from_chars gives it;
// false for a text it rejects and for a value beyond the range of a double.
bool ConvertNumber(const char* first, const char* last, double& value) {
    const auto result = std::from_chars(first, last, value);
    return result.ec == std::errc() && std::isfinite(value);
}

// What reading one data item found.
enum class TItem {
    Number,        // a number, and the list may go on
    NumberThenEnd, // a number followed by an exponent mark without digits: the list ends after it
    End,           // no number: the list ends here
};

// Reads the next data item one character at a time: white space, then an optional sign, digits
// with an optional fraction (at least one digit), an optional exponent. An item of more than
// MaxItemLength characters is no number, so a run of digits of any length costs no more than
// that.
TItem ReadItem(TTextSource& source, double& value) {
    while (source.Peek() != EOF && Is(static_cast<char>(source.Peek()), Space))
        source.Get();
    char text[MaxItemLength + 1];
    std::size_t length = 0;
    bool tooLong = false;
    // Moves the next character into text if it is of the classes given.
    auto takeOneOf = [&](std::uint8_t classes) {
        const int c = source.Peek();
        if (c == EOF || !Is(static_cast<char>(c), classes))
            return false;
        if (length == MaxItemLength) {
            tooLong = true;
            return false;
        }
        text[length++] = static_cast<char>(source.Get());
        return true;
    };
    auto takeDigits = [&]() {
        int count = 0;
        while (takeOneOf(Digit))
            ++count;
        return count;
    };

    takeOneOf(Sign);
    int digits = takeDigits();
    if (takeOneOf(Point))
        digits += takeDigits();
    if (digits == 0 || tooLong)
        return TItem::End;
    std::size_t numberLength = length;
    bool complete = true;
    if (takeOneOf(ExponentMark)) {
        takeOneOf(Sign);
        if (takeDigits() > 0)
            numberLength = length;
        else
            complete = false; // "5e": the number is 5 and the 'e' ends the list
        if (tooLong)
            return TItem::End;
    }
    const char* first = text[0] == '+' ? text + 1 : text;
    if (!ConvertNumber(first, text + numberLength, value))
        return TItem::End;
    return complete ? TItem::Number : TItem::NumberThenEnd;
}

// Reads the data items into items, at most expected of them: false when one more follows,
// which stops the reading at once rather than keeping an unbounded list.
bool ReadItems(TTextSource& source, std::vector<double>& items, std::size_t expected) {
    items.clear();
    items.reserve(expected);
    for (;;) {
        double value = 0.0;
        const TItem item = ReadItem(source, value);
        if (item == TItem::End)
            return true;
        if (items.size() == expected)
            return false;
        items.push_back(value);
        if (item == TItem::NumberThenEnd)
            return true;
    }
}

// One field of the header's date or time, as ReadInt takes it, handed on as 16 bits. A field
// that is not a plain unsigned number of 16 bits fails with message: a minus sign would join
// "03-15-24" into one number and shift every later field, and a larger value would wrap round,
// both reading another date without a word. (An absent field is 0, as ReadInt gives it.)
std::uint16_t ReadWord(std::string_view& line, const char* name, const char* message) {
    SkipToNumber(line);
    std::size_t length = 0;
    while (length < line.size() && IsNumberStart(line[length]))
        ++length;
    const std::string_view field = line.substr(0, length);
    const std::int32_t value = ReadInt(line);
    const bool hasMinus = field.find('-') != std::string_view::npos;
    if (hasMinus || value > 0xFFFF) {
        const std::string shown =
            field.size() > 40 ? std::string(field.substr(0, 40)) + "..." : std::string(field);
        throw TReadError(
            message, std::string(name) + " \"" + shown + "\" is " +
                         (hasMinus ? "not a plain unsigned number" : "too large (at most 65535)"));
    }
    return static_cast<std::uint16_t>(value);
}

// A byte of the file as a detail shows it: the character when it is printable ASCII, its code
// otherwise (the detail stays valid UTF-8 whatever the file holds).
std::string ShownByte(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F)
        return std::string("'") + c + "'";
    char code[16];
    std::snprintf(code, sizeof code, "byte 0x%02X", byte);
    return code;
}

std::string ErrorText(int errorNumber) {
    return errorNumber != 0 ? std::strerror(errorNumber) : "input/output error";
}

// Closes a file descriptor on every path out of Read.
class TDescriptor {
public:
    explicit TDescriptor(int descriptor) : Value(descriptor) {}
    ~TDescriptor() {
        if (Value >= 0)
            ::close(Value);
    }
    TDescriptor(const TDescriptor&) = delete;
    TDescriptor& operator=(const TDescriptor&) = delete;
    int Get() const { return Value; }

private:
    int Value;
};

} // namespace

void SkipToNumber(std::string_view& line) {
    std::size_t i = 0;
    while (i < line.size() && !IsNumberStart(line[i]))
        ++i;
    line.remove_prefix(i);
}

void EraseNumber(std::string_view& line) {
    std::size_t i = 0;
    while (i < line.size() && IsNumberStart(line[i]))
        ++i;
    line.remove_prefix(i);
}

std::int32_t ReadInt(std::string_view& line) {
    SkipToNumber(line);
    // C's rule for a long integer: optional minus sign, then digits; the value saturates at
    // the limits of a 32-bit long.
    std::size_t i = 0;
    const bool negative = i < line.size() && line[i] == '-';
    if (negative)
        ++i;
    long long value = 0;
    for (; i < line.size() && Is(line[i], Digit); ++i)
        if (value <= std::numeric_limits<std::int32_t>::max())
            value = value * 10 + (line[i] - '0');
    if (negative)
        value = -value;
    value = std::max<long long>(value, std::numeric_limits<std::int32_t>::min());
    value = std::min<long long>(value, std::numeric_limits<std::int32_t>::max());
    EraseNumber(line);
    return static_cast<std::int32_t>(value);
}

double ReadReal(std::string_view& line) {
    SkipToNumber(line);
    double value = 0.0;
    if (std::from_chars(line.data(), line.data() + line.size(), value).ec != std::errc())
        value = 0.0;
    // The exponent is not consumed: "1.5e3" gives 1500 and leaves "e3" behind.
    std::size_t i = 0;
    while (i < line.size() && (IsNumberStart(line[i]) || line[i] == '.'))
        ++i;
    line.remove_prefix(i);
    return value;
}

double ReadDate(std::string_view& line) {
    static const char* const message = "Summat wrong with date.";
    const std::uint16_t month = ReadWord(line, "month", message);
    const std::uint16_t day = ReadWord(line, "day", message);
    const std::uint16_t written = ReadWord(line, "year", message);
    const std::uint16_t year =
        written < 2000 ? static_cast<std::uint16_t>(written + 2000) : written;
    double date = 0.0;
    if (!TryEncodeDate(year, month, day, date))
        throw TReadError(message, "month " + std::to_string(month) + ", day " +
                                      std::to_string(day) + ", year " + std::to_string(year) +
                                      " is no date of the calendar");
    return date;
}

double ReadTime(std::string_view& line) {
    static const char* const message = "Summat wrong with time.";
    const std::uint16_t hour = ReadWord(line, "hour", message);
    const std::uint16_t minute = ReadWord(line, "minute", message);
    const std::uint16_t second = ReadWord(line, "second", message);
    double time = 0.0;
    if (!TryEncodeTime(hour, minute, second, 0, time))
        throw TReadError(message, "hour " + std::to_string(hour) + ", minute " +
                                      std::to_string(minute) + ", second " +
                                      std::to_string(second) + " is no time of day");
    return time;
}

std::string ExtractFileName(const std::string& path) {
#ifdef _WIN32
    const std::size_t separator = path.find_last_of("\\/:");
#else
    const std::size_t separator = path.find_last_of('/');
#endif
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

void TSpectrumFile::ReadHeader(TTextSource& file) {
    // Every check of the header is decided by the beginning of its line, so a file without a
    // line feed is judged without reading it to the end.
    bool complete = false;
    const std::string text = ReadLineStart(file, complete);
    if (text.size() < 40)
        throw TReadError("Not enough info in header.",
                         text.empty() && file.Peek() == EOF
                             ? std::string("the file is empty")
                             : "the header line has " + std::to_string(text.size()) +
                                   " characters, at least 40 expected");
    if (text[0] != 's')
        throw TReadError("Header does not start with an 's'.",
                         "the header line begins with " + ShownByte(text[0]) + ", not 's'");
    std::string_view line(text);
    FileDate = ReadDate(line);
    FileTime = ReadTime(line);
    HeaderReal = ReadReal(line);
    HeaderInt1 = ReadInt(line);
    HeaderInt2 = ReadInt(line);
    ReadInt(line);
    HeaderInt4 = ReadInt(line);
    if (!complete)
        file.SkipLine();
}

void TSpectrumFile::Read(const std::string& path) {
    // Every Read reads the file, also under the name read last: a same-name shortcut would show
    // a stale spectrum after the telescope rewrote the file.
    const std::string name = ExtractFileName(path);
    std::uint64_t size = 0;
    std::string problem;
    const TDescriptor file(OpenRegularFile(path.c_str(), size, problem));
    if (file.Get() < 0)
        throw TReadError("Unable to open " + name, problem);
    TTextSource source(file.Get(), MaxReadLength, size);

    // Everything is read into locals; the spectrum changes only when every check has passed.
    TSpectrumFile header;
    header.ReadHeader(source);
    if (source.Failed())
        throw TReadError("Read error",
                         "reading the header line: " + ErrorText(source.ErrorNumber()));

    const std::size_t expected = ChannelCount;
    const std::string expectedText = std::to_string(expected) + " expected";
    std::vector<double> items;
    const bool ended = ReadItems(source, items, expected);
    if (source.Failed())
        throw TReadError("Read error", "reading data item " + std::to_string(items.size() + 1) +
                                           ": " + ErrorText(source.ErrorNumber()));
    if (!ended)
        throw TReadError("wrong number of data items.",
                         "more than " + std::to_string(expected) + " data items, " + expectedText);
    // A list still going on at the read limit is no spectrum of this format, whatever its
    // count so far (its last item may even be cut short).
    if (source.Exhausted())
        throw TReadError("wrong number of data items.", "the data items go on past the first " +
                                                            std::to_string(MaxReadLength >> 20) +
                                                            " MiB of the file, " + expectedText);
    if (items.size() != expected)
        throw TReadError("wrong number of data items.",
                         std::to_string(items.size()) + " data item" +
                             (items.size() == 1 ? "" : "s") + ", " + expectedText);

    header.FilePath = path;
    header.FileName = name;
    header.Items = std::move(items);
    *this = std::move(header);
}
