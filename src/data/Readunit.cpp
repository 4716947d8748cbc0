#include "data/Readunit.h"

#include "data/Datetimeunit.h"
#include "data/Filenameunit.h"
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
        Ended = true;
        return false;
    }
    const std::size_t wanted = std::min(sizeof Buffer, Remaining);
    const long got = ReadSome(Descriptor, Buffer, wanted);
    if (got <= 0) {
        Error = got < 0;
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

int OpenRegularFile(const char* path, std::uint64_t& size) {
    // Devices, FIFOs, sockets and folders are refused before they are opened: opening or
    // reading them can block for good (a FIFO without a writer) or never end (/dev/zero).
    // The opened file is checked again in case the path changed in between; O_NONBLOCK keeps
    // that open from waiting on a FIFO put there meanwhile.
    struct stat status {};
    if (::stat(path, &status) != 0 || !S_ISREG(status.st_mode))
        return -1;
    const int descriptor = ::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0)
        return -1;
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
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

// Reads the data items into items, at most expected of them: one more is "wrong number of data
// items." at once, rather than an unbounded list.
void ReadItems(TTextSource& source, std::vector<double>& items, std::size_t expected) {
    items.clear();
    items.reserve(expected);
    for (;;) {
        double value = 0.0;
        const TItem item = ReadItem(source, value);
        if (item == TItem::End)
            return;
        if (items.size() == expected)
            throw std::runtime_error("wrong number of data items.");
        items.push_back(value);
        if (item == TItem::NumberThenEnd)
            return;
    }
}

std::uint16_t ReadWord(std::string_view& line) {
    return static_cast<std::uint16_t>(ReadInt(line));
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
    const std::uint16_t month = ReadWord(line);
    const std::uint16_t day = ReadWord(line);
    std::uint16_t year = ReadWord(line);
    if (year < 2000)
        year = static_cast<std::uint16_t>(year + 2000);
    double date = 0.0;
    if (!TryEncodeDate(year, month, day, date))
        throw std::runtime_error("Summat wrong with date.");
    return date;
}

double ReadTime(std::string_view& line) {
    const std::uint16_t hour = ReadWord(line);
    const std::uint16_t minute = ReadWord(line);
    const std::uint16_t second = ReadWord(line);
    double time = 0.0;
    if (!TryEncodeTime(hour, minute, second, 0, time))
        throw std::runtime_error("Summat wrong with time.");
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
        throw std::runtime_error("Not enough info in header.");
    if (text[0] != 's')
        throw std::runtime_error("Header does not start with an 's'.");
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
    const TDescriptor file(OpenRegularFile(path.c_str(), size));
    if (file.Get() < 0)
        throw std::runtime_error("Unable to open " + name);
    TTextSource source(file.Get(), MaxReadLength, size);

    // Everything is read into locals; the spectrum changes only when every check has passed.
    TSpectrumFile header;
    header.ReadHeader(source);
    if (source.Failed())
        throw std::runtime_error("Read error");

    const std::size_t expected = ChannelCount;
    std::vector<double> items;
    ReadItems(source, items, expected);
    if (source.Failed())
        throw std::runtime_error("Read error");
    // A list still going on at the read limit is no spectrum of this format, whatever its
    // count so far (its last item may even be cut short).
    if (source.Exhausted() || items.size() != expected)
        throw std::runtime_error("wrong number of data items.");

    header.FilePath = path;
    header.FileName = name;
    header.Items = std::move(items);
    *this = std::move(header);
}
