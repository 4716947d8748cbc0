#include "data/Readunit.h"

#include "data/Datetimeunit.h"
#include "data/Filenameunit.h"
#include "data/Readunit_internal.h"
#include "data/Spectrumunit.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cfloat>
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

// Reads the next data item one character at a time, reading the file as needed: for an item
// that runs across the end of the characters read so far, and for long items.
TItem ReadItemByCharacter(TTextSource& source, double& value) {
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

// The longest item that ScanItem decides; longer ones are read one character at a time, which
// applies the bound of MaxItemLength.
constexpr std::ptrdiff_t MaxScannedLength = 64;

// Exact powers of ten: every one up to 10^22 is a double.
constexpr double PowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                  1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                  1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Arithmetic on doubles rounds each operation once, to a double (not to a wider format).
constexpr bool RoundsToDouble = FLT_EVAL_METHOD == 0;

// The common items, a few digits with a point among them, are read eight characters at a time
// where the first character of eight is the lowest byte of a 64-bit word.
constexpr bool LowByteFirst = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;

constexpr std::uint64_t PowersOfTenInteger[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000};

// The number written by eight digit values (0..9), one a byte, the most significant in the
// lowest byte: pairs, then fours, then all eight, each step a few multiplications.
// Reference: D. Lemire, "Quickly parsing eight digits" (2018).
std::uint64_t EightDigits(std::uint64_t values) {
    values = values * 10 + (values >> 8);
    constexpr std::uint64_t Pairs = 0x000000FF000000FF;
    return ((values & Pairs) * (100 + (std::uint64_t{1000000} << 32)) +
            ((values >> 16) & Pairs) * (1 + (std::uint64_t{10000} << 32))) >>
           32;
}

// A run of digits among eight characters.
struct TDigitRun {
    std::uint64_t Value; // of the digits; 0 for none
    int Length;          // 0..7, or 8 when all eight characters are digits (Value unset)
};

// The run of digits that begins at p, looked at among the eight characters from p.
TDigitRun EightCharacterRun(const char* p) {
    std::uint64_t word = 0;
    std::memcpy(&word, p, sizeof word);
    // '0'..'9' become 0..9; any other byte becomes more than 9, and adding 0x76 then sets its
    // top bit. A carry out of such a byte disturbs only the bytes after it.
    const std::uint64_t values = word ^ 0x3030303030303030;
    const std::uint64_t others = ((values + 0x7676767676767676) | values) & 0x8080808080808080;
    if (others == 0)
        return {0, 8};
    const int length = __builtin_ctzll(others) / 8;
    // The run's bytes moved to the top, zeros (leading zero digits) below them.
    const std::uint64_t run = values << 1 << (63 - 8 * length);
    return {EightDigits(run), length};
}

// The first of the sixteen characters from p that is white space, a control character or NUL,
// or nullptr when there is none. It ends an item of the common form, and finding it takes no
// part in reading the item's digits, so that the next item can be sought while this one is
// converted.
const char* FirstSpaceAmongSixteen(const char* p) {
    std::uint64_t words[2] = {0, 0};
    std::memcpy(words, p, sizeof words);
    for (int i = 0; i < 2; ++i) {
        // The top bit is set in a byte below 0x21 (and, above the first of them, where the
        // borrow of the subtraction runs on).
        const std::uint64_t low = (words[i] - 0x2121212121212121) & ~words[i] & 0x8080808080808080;
        if (low != 0)
            return p + 8 * i + __builtin_ctzll(low) / 8;
    }
    return nullptr;
}

// Takes the run of digits from p, not beyond bound, into digits (digits * 10 + each digit, in
// 64 bits, wrapping beyond 19 digits). Returns the end of the run.
const char* TakeDigits(const char* p, const char* bound, std::uint64_t& digits) {
    while (p < bound && Is(*p, Digit))
        digits = digits * 10 + static_cast<std::uint64_t>(*p++ - '0');
    return p;
}

// ScanItem, kept in this unit so that the reader's loop takes it in line.
[[gnu::always_inline]] inline TItem ScanNextItem(const char* first, const char* last, double& value,
                                                 const char*& next) {
    const char* p = first;
    while (p < last && Is(*p, Space))
        ++p;
    next = p;
    const char* const start = p;

    // The common form, an optional sign and at most seven digits before and after a point,
    // when enough characters follow to look at eight at a time: at most 14 digits, so that
    // their integer is an exact double, and one division by an exact power of ten gives the
    // correctly rounded value (the same reasoning as for the general form below).
    if (LowByteFirst && RoundsToDouble && last - start >= 32) {
        const char* const end = FirstSpaceAmongSixteen(start);
        const char* q = Is(*start, Sign) ? start + 1 : start;
        const TDigitRun whole = EightCharacterRun(q);
        q += whole.Length;
        TDigitRun fraction = {0, 0};
        if (whole.Length < 8 && Is(*q, Point)) {
            fraction = EightCharacterRun(q + 1);
            q += 1 + fraction.Length;
        }
        if (whole.Length < 8 && fraction.Length < 8 && whole.Length + fraction.Length > 0 &&
            q == end) {
            double magnitude = static_cast<double>(
                whole.Value * PowersOfTenInteger[fraction.Length] + fraction.Value);
            if (*start == '-')
                magnitude = -magnitude;
            value = magnitude / PowersOfTen[fraction.Length];
            next = end;
            return TItem::Number;
        }
    }
    // An item not ended within these characters is left to the reading by character.
    const char* const bound = last - start > MaxScannedLength ? start + MaxScannedLength : last;

    // Sign, digits, point, digits: the digits gathered as one integer, the point left out.
    if (p < bound && Is(*p, Sign))
        ++p;
    std::uint64_t digits = 0;
    const char* run = p;
    p = TakeDigits(p, bound, digits);
    int digitCount = static_cast<int>(p - run);
    int fractionDigits = 0;
    if (p < bound && Is(*p, Point)) {
        run = ++p;
        p = TakeDigits(p, bound, digits);
        fractionDigits = static_cast<int>(p - run);
        digitCount += fractionDigits;
    }
    if (p == bound)
        return TItem::Undecided;
    if (digitCount == 0)
        return TItem::End;

    // The exponent; a mark without digits ends the list after the number before it.
    const char* numberEnd = p;
    bool complete = true;
    int exponent = 0;
    if (Is(*p, ExponentMark)) {
        ++p;
        const bool negativeExponent = p < bound && *p == '-';
        if (p < bound && Is(*p, Sign))
            ++p;
        run = p;
        while (p < bound && Is(*p, Digit)) {
            if (exponent < 100000) // far beyond the exact powers of ten below
                exponent = exponent * 10 + (*p - '0');
            ++p;
        }
        if (p == bound)
            return TItem::Undecided;
        if (p > run) {
            numberEnd = p;
            exponent = negativeExponent ? -exponent : exponent;
        } else {
            complete = false;
            exponent = 0;
        }
    }
    next = p;

    const int power = exponent - fractionDigits;
    if (RoundsToDouble && digitCount <= 19 && digits <= (std::uint64_t{1} << 53) && power >= -22 &&
        power <= 22) {
        // The digits and the power of ten are both exact doubles, so the one rounding of
        // their product or quotient is the correct rounding of the text's value, in any
        // rounding mode once the sign is applied first (W. D. Clinger, "How to read floating
        // point numbers accurately", PLDI 1990).
        double magnitude = static_cast<double>(digits);
        if (*start == '-')
            magnitude = -magnitude;
        value = power < 0 ? magnitude / PowersOfTen[-power] : magnitude * PowersOfTen[power];
    } else if (!ConvertNumber(*start == '+' ? start + 1 : start, numberEnd, value)) {
        return TItem::End;
    }
    return complete ? TItem::Number : TItem::NumberThenEnd;
}

// Reads the data items into items, at most expected of them: one more is "wrong number of data
// items." at once, rather than an unbounded list. Items are taken straight from the characters
// read where those decide them, else one character at a time.
void ReadItems(TTextSource& source, std::vector<double>& items, std::size_t expected) {
    items.resize(expected);
    std::size_t count = 0;
    auto keep = [&](double value) {
        if (count == expected)
            throw std::runtime_error("wrong number of data items.");
        items[count++] = value;
    };
    for (;;) {
        const char* p = source.Next();
        const char* const last = source.End();
        TItem item = TItem::Number;
        double value = 0.0;
        while (item == TItem::Number) {
            const char* next = nullptr;
            item = ScanNextItem(p, last, value, next);
            p = next;
            if (item == TItem::Number)
                keep(value);
        }
        source.TakeUntil(p);
        if (item == TItem::Undecided) {
            // Only white space so far: read on, and scan again.
            if (p == last && source.Peek() != EOF)
                continue;
            item = ReadItemByCharacter(source, value);
        }
        if (item == TItem::End)
            break;
        keep(value);
        if (item == TItem::NumberThenEnd)
            break;
    }
    items.resize(count);
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

TItem ScanItem(const char* first, const char* last, double& value, const char*& next) {
    return ScanNextItem(first, last, value, next);
}

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

    const std::size_t expected = XValues.size();
    std::vector<double> items;
    ReadItems(source, items, expected);
    if (source.Failed())
        throw std::runtime_error("Read error");
    // A list still going on at the read limit is no spectrum of this format, whatever its
    // count so far (its last item may even be cut short).
    if (source.Exhausted() || items.size() != expected)
        throw std::runtime_error("wrong number of data items.");

    TGLatitude latitude = FileGLatitude;
    TGLongitude longitude = FileGLongitude;
    const bool positionInName = ParseFileName(name, latitude, longitude);

    header.FilePath = path;
    *this = std::move(header);
    Signal = std::move(items);
    CurrentFileName = name;
    FileGLatitude = latitude;
    FileGLongitude = longitude;
    PositionInFileName = positionInName;
}
