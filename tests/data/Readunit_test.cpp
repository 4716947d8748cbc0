#include "data/Datetimeunit.h"
#include "data/Filenameunit.h"
#include "data/Readunit.h"
#include "data/Readunit_internal.h"
#include "data/Spectrumunit.h"
#include "session/Sessionunit.h"

#include <QDir>
#include <QTemporaryDir>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <iterator>
#include <locale.h>
#include <random>
#include <sstream>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

const std::string GoodHeader = "s 12/25/09 22:15:07 value 1.5 n 10 20 30 40";

std::string Items(int count, double first = 1.0) {
    std::ostringstream text;
    for (int i = 0; i < count; ++i)
        text << first + i * 0.5 << (i % 10 == 9 ? "\n" : " ");
    return text.str();
}

class Reader : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Folder.isValid()); }

    std::string Write(const std::string& name, const std::string& content) {
        const std::string path = Folder.filePath(QString::fromStdString(name)).toStdString();
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    // The reader's message for a file with this content, or "" when it reads.
    std::string MessageFor(const std::string& name, const std::string& content) {
        try {
            Session.Read(Write(name, content));
        } catch (const std::runtime_error& error) {
            return error.what();
        }
        return "";
    }

    QTemporaryDir Folder;
    TSession Session;
};

} // namespace

TEST_F(Reader, EveryFailureHasItsText) {
    const std::string items = "\n" + Items(400);
    const struct {
        std::string content, message;
    } cases[] = {
        {"", "Not enough info in header."},
        {std::string("s 12/25/09 22:15:07") + std::string(20, ' ') + items,
         "Not enough info in header."},                                          // 39 characters
        {std::string("s 12/25/09 22:15:07") + std::string(21, ' ') + items, ""}, // 40
        {"S" + GoodHeader.substr(1) + items, "Header does not start with an 's'."},
        {"x" + GoodHeader.substr(1) + items, "Header does not start with an 's'."},
        {"s 02/30/10 22:15:07 value 1.5 n 10 20 30 40" + items, "Summat wrong with date."},
        {"s 13/01/10 22:15:07 value 1.5 n 10 20 30 40" + items, "Summat wrong with date."},
        {"s 12/25/09 24:00:00 value 1.5 n 10 20 30 40" + items, "Summat wrong with time."},
        {"s 12/25/09 23:60:00 value 1.5 n 10 20 30 40" + items, "Summat wrong with time."},
        {GoodHeader + "\n" + Items(399), "wrong number of data items."},
        {GoodHeader + "\n" + Items(401), "wrong number of data items."},
        {GoodHeader + "\n", "wrong number of data items."},
        {GoodHeader + items, ""},
    };
    int n = 0;
    for (const auto& c : cases)
        EXPECT_EQ(MessageFor("case" + std::to_string(n++) + ".dat", c.content), c.message)
            << c.content.substr(0, 60);
}

TEST_F(Reader, OpenFailuresNameTheFileWithoutFolder) {
    EXPECT_EQ(MessageFor("x.dat", GoodHeader), "wrong number of data items.");
    try {
        Session.Read(Folder.filePath("missing.dat").toStdString());
        FAIL() << "read a missing file";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Unable to open missing.dat");
    }
    try {
        Session.Read(Folder.path().toStdString() + "/");
        FAIL() << "read a folder";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Unable to open ");
    }
}

TEST_F(Reader, HeaderFields) {
    const std::string path = Write("h.dat", GoodHeader + "\r\n" + Items(400));
    Session.Read(path);
    double date = 0, time = 0;
    ASSERT_TRUE(TryEncodeDate(2009, 12, 25, date));
    ASSERT_TRUE(TryEncodeTime(22, 15, 7, 0, time));
    EXPECT_EQ(Session.File->FileDate, date);
    EXPECT_DOUBLE_EQ(Session.File->FileTime, time);
    EXPECT_EQ(Session.File->HeaderReal, 1.5);
    EXPECT_EQ(Session.File->HeaderInt1, 10);
    EXPECT_EQ(Session.File->HeaderInt2, 20);
    EXPECT_EQ(Session.File->HeaderInt4, 40);
    EXPECT_EQ(Session.File->FilePath, path);
    EXPECT_EQ(Session.CurrentFileName, "h.dat");
    ASSERT_EQ(Session.Signal.size(), 400u);
    EXPECT_EQ(Session.Signal[0], 1.0);
    EXPECT_EQ(Session.Signal[399], 200.5);
}

TEST_F(Reader, HeaderDatesAndShortHeaders) {
    const struct {
        std::string header;
        std::uint16_t year, month, day, hour, minute, second;
    } cases[] = {
        {"s 12/25/99 01:02:03 ........................", 2099, 12, 25, 1, 2, 3},
        {"s 12/25/1999 01:02:03 ......................", 3999, 12, 25, 1, 2, 3},
        {"s date 3/4/2012 and nothing else ...........", 2012, 3, 4, 0, 0, 0},
        // Minus signs join the date into one number, so the later numbers shift.
        {"s 12-25-09 22:15:07 .......................", 2015, 12, 22, 7, 0, 0},
    };
    for (const auto& c : cases) {
        Session.Read(Write("d.dat", c.header + "\n" + Items(400)));
        const TDateParts parts = DecodeDateTime(Session.File->FileDate + Session.File->FileTime);
        EXPECT_EQ(parts.Year, c.year) << c.header;
        EXPECT_EQ(parts.Month, c.month) << c.header;
        EXPECT_EQ(parts.Day, c.day) << c.header;
        EXPECT_EQ(parts.Hour, c.hour) << c.header;
        EXPECT_EQ(parts.Minute, c.minute) << c.header;
        EXPECT_EQ(parts.Second, c.second) << c.header;
    }
    EXPECT_EQ(Session.File->HeaderReal, 0.0);
    EXPECT_EQ(Session.File->HeaderInt4, 0);
}

TEST_F(Reader, DataItemsInAnyLayout) {
    std::string oneAPerLine;
    for (int i = 0; i < 400; ++i)
        oneAPerLine += std::to_string(i) + "\r\n";
    const struct {
        std::string data;
        std::size_t count;
        double last;
    } cases[] = {
        {Items(400), 400, 200.5},
        {oneAPerLine, 400, 399},
        {Items(400) + "\nend of data 1 2 3\n", 400, 200.5},
        {Items(399) + " 12abc 5 6", 400, 12},
        {Items(398) + " -1.5e2 +.25", 400, 0.25},
        {Items(399) + " 7e", 400, 7},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MessageFor("items.dat", GoodHeader + "\n" + c.data), "");
        ASSERT_EQ(Session.Signal.size(), c.count);
        EXPECT_EQ(Session.Signal.back(), c.last);
    }
    EXPECT_EQ(MessageFor("items.dat", GoodHeader + "\n" + Items(398) + " 12abc 5"),
              "wrong number of data items.");
    // A NUL character is no part of a number: the list ends there.
    EXPECT_EQ(MessageFor("items.dat",
                         GoodHeader + "\n" + Items(399) + " 5" + std::string(1, '\0') + " 6"),
              "");
    EXPECT_EQ(Session.Signal.back(), 5.0);
    EXPECT_EQ(MessageFor("items.dat", GoodHeader + "\n" + Items(399) + " inf"),
              "wrong number of data items.");
    EXPECT_EQ(MessageFor("items.dat", GoodHeader + "\n" + Items(399) + " 1e999"),
              "wrong number of data items.");
}

TEST_F(Reader, FailedReadChangesNothing) {
    const std::string first = Write("G5.30_m120.15.dat", GoodHeader + "\n" + Items(400, 7.0));
    Session.Read(first);
    const TSpectrumFile before = *Session.File;
    const std::vector<double> signal = Session.Signal;
    ASSERT_TRUE(Session.PositionInFileName);
    const double latitude = Session.FileGLatitude.Value, longitude = Session.FileGLongitude.Value;

    const std::string failures[] = {
        "s 02/30/10 22:15:07 value 1.5 n 10 20 30 40\n" + Items(400),
        "s 12/25/09 24:15:07 value 1.5 n 10 20 30 40\n" + Items(400),
        "s 11/11/11 11:11:11 value 9.5 n 11 22 33 44\n" + Items(12),
        "s 11/11/11 11:11:11 value 9.5 n 11 22 33 44\n" + Items(500),
    };
    for (const auto& content : failures) {
        EXPECT_NE(MessageFor("spectrum.dat", content), "");
        EXPECT_EQ(Session.File->FilePath, before.FilePath);
        EXPECT_EQ(Session.File->FileDate, before.FileDate);
        EXPECT_EQ(Session.File->FileTime, before.FileTime);
        EXPECT_EQ(Session.File->HeaderReal, before.HeaderReal);
        EXPECT_EQ(Session.File->HeaderInt1, before.HeaderInt1);
        EXPECT_EQ(Session.Signal, signal);
        EXPECT_EQ(Session.CurrentFileName, "G5.30_m120.15.dat");
        EXPECT_TRUE(Session.PositionInFileName);
        EXPECT_EQ(Session.FileGLatitude.Value, latitude);
        EXPECT_EQ(Session.FileGLongitude.Value, longitude);
    }
}

TEST_F(Reader, EveryReadReadsTheFile) {
    QTemporaryDir other;
    const std::string path = Write("same.dat", GoodHeader + "\n" + Items(400, 1.0));
    Session.Read(path);
    EXPECT_EQ(Session.Signal[0], 1.0);
    Write("same.dat", GoodHeader + "\n" + Items(400, 2.0));
    Session.Read(path);
    EXPECT_EQ(Session.Signal[0], 2.0) << "the same file, changed, is read again";
    const std::string elsewhere = other.filePath("same.dat").toStdString();
    std::ofstream(elsewhere) << GoodHeader << "\n" << Items(400, 3.0);
    Session.Read(elsewhere);
    EXPECT_EQ(Session.Signal[0], 3.0) << "a file of the same name in another folder is read";
    EXPECT_EQ(Session.File->FilePath, elsewhere);
}

TEST_F(Reader, HostileFilesCostBoundedMemory) {
    // A header line of several megabytes: only its beginning matters.
    std::string header = GoodHeader + std::string(5'000'000, 'x');
    EXPECT_EQ(MessageFor("long.dat", header + "\n" + Items(400)), "");
    EXPECT_EQ(Session.File->HeaderInt4, 40);
    // A million items stop at the 401st.
    EXPECT_EQ(MessageFor("many.dat", GoodHeader + "\n" + Items(1'000'000)),
              "wrong number of data items.");
    // A number of a megabyte of digits is no number of this format.
    EXPECT_EQ(
        MessageFor("digits.dat", GoodHeader + "\n" + Items(400) + std::string(1'000'000, '7')), "");
    EXPECT_EQ(
        MessageFor("digits.dat", GoodHeader + "\n" + Items(399) + std::string(1'000'000, '7')),
        "wrong number of data items.");
}

// ---- Hostile files --------------------------------------------------------------------------
//
// Each read must come back with its message and keep the spectrum read before. A read runs on a
// thread of its own: one that blocks in the system cannot be stopped, so a read that has not
// returned after a minute ends the test program as failed. Time and memory of these reads are
// measured by the reader benchmarks.

class HostileFiles : public Reader {
protected:
    void SetUp() override {
        Reader::SetUp();
        Session.Read(Write("G5.30_m120.15.dat", GoodHeader + "\n" + Items(400, 7.0)));
        Before = Session.Signal;
    }

    // The message of reading path, or "" when it reads.
    std::string MessageWithin(const std::string& path) {
        std::packaged_task<std::string()> task([this, path] {
            try {
                Session.Read(path);
            } catch (const std::runtime_error& error) {
                return std::string(error.what());
            }
            return std::string();
        });
        std::future<std::string> result = task.get_future();
        std::thread reader(std::move(task));
        if (result.wait_for(std::chrono::minutes(1)) != std::future_status::ready) {
            std::fprintf(stderr, "Reading %s did not return\n", path.c_str());
            std::fflush(stderr);
            std::_Exit(1);
        }
        reader.join();
        return result.get();
    }

    void ExpectKept() {
        EXPECT_EQ(Session.Signal, Before);
        EXPECT_EQ(Session.CurrentFileName, "G5.30_m120.15.dat");
        EXPECT_EQ(Session.File->FilePath, Folder.filePath("G5.30_m120.15.dat").toStdString());
    }

    std::vector<double> Before;
};

TEST_F(HostileFiles, DevicesAreNotOpened) {
    EXPECT_EQ(MessageWithin("/dev/zero"), "Unable to open zero");
    ExpectKept();
    EXPECT_EQ(MessageWithin("/dev/null"), "Unable to open null");
    ExpectKept();
}

TEST_F(HostileFiles, FifoWithoutWriter) {
    const std::string path = Folder.filePath("fifo.dat").toStdString();
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    EXPECT_EQ(MessageWithin(path), "Unable to open fifo.dat");
    ExpectKept();
}

TEST_F(HostileFiles, FifoWithAWriterThatKeepsItOpen) {
    const std::string path = Folder.filePath("pipe.dat").toStdString();
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    // Opened for reading and writing, a FIFO does not wait for a partner (Linux): this end
    // is a writer that stays, with the start of a spectrum already in the pipe.
    const int writer = ::open(path.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    const std::string start = GoodHeader + "\n1 2 3";
    ASSERT_EQ(::write(writer, start.data(), start.size()), static_cast<ssize_t>(start.size()));
    EXPECT_EQ(MessageWithin(path), "Unable to open pipe.dat");
    ::close(writer);
    ExpectKept();
}

TEST_F(HostileFiles, SocketsAndFoldersAreNotOpened) {
    const std::string path = Folder.filePath("socket.dat").toStdString();
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(path.size(), sizeof address.sun_path);
    std::copy(path.begin(), path.end(), address.sun_path);
    ASSERT_EQ(::bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(MessageWithin(path), "Unable to open socket.dat");
    ::close(sock);
    ExpectKept();

    ASSERT_TRUE(QDir(Folder.path()).mkdir("folder.dat"));
    EXPECT_EQ(MessageWithin(Folder.filePath("folder.dat").toStdString()),
              "Unable to open folder.dat");
    ExpectKept();
}

TEST_F(HostileFiles, ALinkToARegularFileReads) {
    const std::string target = Write("target.dat", GoodHeader + "\n" + Items(400, 3.0));
    const std::string link = Folder.filePath("link.dat").toStdString();
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    EXPECT_EQ(MessageWithin(link), "");
    EXPECT_EQ(Session.Signal.front(), 3.0);
    EXPECT_EQ(Session.CurrentFileName, "link.dat");
}

TEST_F(HostileFiles, SparseFilesOfTwoGigabytes) {
    const struct {
        const char* name;
        std::string start;
        std::string message;
    } cases[] = {
        // All NUL bytes, no line feed: the first byte decides.
        {"zeros.dat", "", "Header does not start with an 's'."},
        // A good header that never ends: the items are past the read limit.
        {"endless.dat", GoodHeader, "wrong number of data items."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Write(c.name, c.start);
        std::error_code error;
        std::filesystem::resize_file(path, std::uintmax_t{2} << 30, error);
        ASSERT_FALSE(error) << error.message();
        EXPECT_EQ(MessageWithin(path), c.message);
        std::filesystem::remove(path);
        ExpectKept();
    }
}

TEST_F(HostileFiles, LongLinesAndNulBytes) {
    const std::string items = "\n" + Items(400);
    const std::string fiftyMegabytes(50u << 20, 'x');
    const struct {
        const char* name;
        std::string content;
        std::string message;
    } cases[] = {
        // The header line alone runs past the read limit, so the items are never reached.
        {"long-header.dat", GoodHeader + fiftyMegabytes + items, "wrong number of data items."},
        {"long-item-line.dat", GoodHeader + "\n" + std::string(50u << 20, ' ') + Items(400),
         "wrong number of data items."},
        {"long-digits.dat", GoodHeader + "\n" + std::string(50u << 20, '7'),
         "wrong number of data items."},
        {"nul-only.dat", std::string(1u << 20, '\0'), "Header does not start with an 's'."},
        {"nul-header.dat", "s" + std::string(60, '\0') + items, "Summat wrong with date."},
        {"nul-short-header.dat", "s" + std::string(38, '\0') + items, "Not enough info in header."},
        {"nul-items.dat", GoodHeader + "\n" + std::string(1000, '\0') + Items(400),
         "wrong number of data items."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Write(c.name, c.content);
        EXPECT_EQ(MessageWithin(path), c.message);
        std::filesystem::remove(path);
        ExpectKept();
    }
}

// ---- The values of the data items ------------------------------------------------------------
//
// The items read through files compared, bit for bit and outcome for outcome, with a reading of
// the same text one character at a time by the rules of the format: white space, then an
// optional sign, digits with an optional fraction (at least one digit), an optional exponent;
// the text converted by the C library's strtod in the C locale, which rounds correctly (glibc),
// so that the correctly rounded value is unique and the reader's conversion must give its every
// bit. An item longer than MaxItemLength characters, an infinity, a NaN word, a hexadecimal
// form or a value beyond the range of a double ends the list; so does an exponent mark without
// digits, after its number.

namespace {

enum class TReferenceItem { Number, NumberThenEnd, End };

TReferenceItem ReferenceItem(const std::string& text, std::size_t& position, double& value) {
    auto peek = [&]() -> int {
        return position < text.size() ? static_cast<unsigned char>(text[position]) : -1;
    };
    while (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r' || peek() == '\v' ||
           peek() == '\f')
        ++position;
    std::string item;
    bool tooLong = false;
    auto takeOneOf = [&](const std::string& accepted) {
        const int c = peek();
        if (c < 0 || accepted.find(static_cast<char>(c)) == std::string::npos)
            return false;
        if (item.size() == MaxItemLength) {
            tooLong = true;
            return false;
        }
        item.push_back(text[position++]);
        return true;
    };
    auto takeDigits = [&]() {
        int count = 0;
        while (takeOneOf("0123456789"))
            ++count;
        return count;
    };
    takeOneOf("+-");
    int digits = takeDigits();
    if (takeOneOf("."))
        digits += takeDigits();
    if (digits == 0 || tooLong)
        return TReferenceItem::End;
    std::size_t numberLength = item.size();
    bool complete = true;
    if (takeOneOf("eE")) {
        takeOneOf("+-");
        if (takeDigits() > 0)
            numberLength = item.size();
        else
            complete = false;
        if (tooLong)
            return TReferenceItem::End;
    }
    // Beyond the range of a double: strtod reports ERANGE and gives an infinity, or zero for a
    // text that is not zero (a tiny value that still rounds to a subnormal number is in range).
    static const locale_t cLocale = ::newlocale(LC_NUMERIC_MASK, "C", nullptr);
    item.resize(numberLength);
    errno = 0;
    value = ::strtod_l(item.c_str(), nullptr, cLocale);
    if (errno == ERANGE && (value == 0.0 || std::isinf(value)))
        return TReferenceItem::End;
    return complete ? TReferenceItem::Number : TReferenceItem::NumberThenEnd;
}

// The message reading a file of this content should give ("" for none) and, when it reads, the
// items; the header is taken as good. Files here stay far below the read limit.
std::string ReferenceRead(const std::string& content, std::vector<double>& items) {
    std::size_t position = content.find('\n');
    position = position == std::string::npos ? content.size() : position + 1;
    items.clear();
    for (;;) {
        double value = 0.0;
        const TReferenceItem item = ReferenceItem(content, position, value);
        if (item == TReferenceItem::End)
            break;
        items.push_back(value);
        if (item == TReferenceItem::NumberThenEnd)
            break;
    }
    return items.size() == static_cast<std::size_t>(ChannelCount) ? ""
                                                                  : "wrong number of data items.";
}

std::uint64_t Bits(double value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// Texts of data items of every form the format has, and of some it has not.
class TItemTexts {
public:
    explicit TItemTexts(std::uint32_t seed) : Random(seed) {}

    // A number of the format, within the range of a double.
    std::string Number() {
        switch (Below(8)) {
        case 0: // as a telescope writes them: a few decimals
            return Printed("%.3f", 1400.0 + Uniform() * 200.0);
        case 1: // every significant digit of a double
            return Printed("%.17g", (Uniform() - 0.5) * std::pow(10.0, Below(40) - 20.0));
        case 2: // shorter forms of the same
            return Printed(("%." + std::to_string(1 + Below(16)) + "g").c_str(),
                           (Uniform() - 0.5) * std::pow(10.0, Below(60) - 30.0));
        case 3:
            return Printed("%.6e", (Uniform() - 0.5) * std::pow(10.0, Below(600) - 300.0));
        default:
            return Composed();
        }
    }

    // Texts at the edges of the format: ends of the range, items that end the list, alone or
    // straight after a number.
    std::string Edge() {
        static const std::string edges[] = {"4.9e-324",
                                            "2.4703282292062327e-324",
                                            "2.4703282292062328e-324",
                                            "5e-324",
                                            "2.2250738585072011e-308",
                                            "2.2250738585072014e-308",
                                            "1.7976931348623157e308",
                                            "1.7976931348623158e308",
                                            "1.7976931348623159e308",
                                            "1e-400",
                                            "1e400",
                                            "-0",
                                            "0e999999",
                                            "1e-99999999999999999999",
                                            "9007199254740993",
                                            "9007199254740992.5",
                                            "1e22",
                                            "1e23",
                                            "123456789012345678901234567890",
                                            "0.000000000000000000000000000001",
                                            "5e",
                                            "5e+",
                                            "5E-",
                                            "5ex",
                                            "12abc",
                                            "abc",
                                            "inf",
                                            "-infinity",
                                            "nan",
                                            "0x1p3",
                                            "-",
                                            "+",
                                            ".",
                                            "-.",
                                            "e5",
                                            ".e1",
                                            "#",
                                            std::string(1, '\0'),
                                            std::string(511, '7'),
                                            std::string(512, '7'),
                                            std::string(513, '7'),
                                            "1." + std::string(510, '0'),
                                            "1." + std::string(511, '0'),
                                            std::string(508, '1') + "e+12"};
        return edges[Below(std::size(edges))];
    }

    std::string Separator() {
        static const char* const separators[] = {" ",  " ",  " ",  "\n", "\r\n",
                                                 "\t", "  ", "\v", "\f", " \n\t "};
        return separators[Below(std::size(separators))];
    }

    int Below(std::size_t count) { return static_cast<int>(Random() % count); }

private:
    // Sign, digits, fraction and exponent each present or not, of any length.
    std::string Composed() {
        std::string text;
        const int sign = Below(5);
        text += sign == 0 ? "-" : sign == 1 ? "+" : "";
        const int zeros = Below(4) == 0 ? Below(25) : 0;
        text += std::string(static_cast<std::size_t>(zeros), '0');
        text += Digits(Below(6) == 0 ? Below(30) : Below(8));
        if (Below(3) != 0 || text.find_first_of("0123456789") == std::string::npos) {
            text += '.';
            text += Digits(Below(6) == 0 ? Below(30) : 1 + Below(8));
        }
        if (Below(4) == 0) {
            text += Below(2) == 0 ? 'e' : 'E';
            const int exponentSign = Below(3);
            text += exponentSign == 0 ? "-" : exponentSign == 1 ? "+" : "";
            text += Digits(1 + Below(2));
        }
        return text;
    }

    std::string Digits(int count) {
        std::string text;
        for (int i = 0; i < count; ++i)
            text += static_cast<char>('0' + Below(10));
        return text;
    }

    double Uniform() { return std::uniform_real_distribution<double>(0.0, 1.0)(Random); }

    static std::string Printed(const char* format, double value) {
        char text[64];
        std::snprintf(text, sizeof text, format, value);
        return text;
    }

    std::mt19937 Random;
};

} // namespace

TEST_F(Reader, ItemValuesAreThoseOfTheTextToTheLastBit) {
    TItemTexts texts(20240611);
    int read = 0;
    int failed = 0;
    for (int file = 0; file < 300; ++file) {
        // Two files in three hold numbers only; the others one text at an edge of the format.
        const int edgeAt = texts.Below(3) == 0 ? texts.Below(ChannelCount + 1) : -1;
        const bool glued = texts.Below(2) == 0;
        std::string content = GoodHeader + "\n";
        for (int i = 0; i < ChannelCount; ++i) {
            if (i == edgeAt && !glued)
                content += texts.Edge() + texts.Separator();
            content += texts.Number();
            if (i == edgeAt && glued)
                content += texts.Edge();
            content += texts.Separator();
        }
        if (edgeAt == ChannelCount)
            content += texts.Edge();
        std::vector<double> expected;
        const std::string message = ReferenceRead(content, expected);
        SCOPED_TRACE("file " + std::to_string(file));
        ASSERT_EQ(MessageFor("items" + std::to_string(file) + ".dat", content), message);
        if (!message.empty()) {
            ++failed;
            continue;
        }
        ++read;
        ASSERT_EQ(Session.Signal.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i)
            ASSERT_EQ(Bits(Session.Signal[i]), Bits(expected[i]))
                << "item " << i << " = " << Session.Signal[i];
    }
    EXPECT_GT(read, 150) << "most files read";
    EXPECT_GT(failed, 50) << "many texts at the edges end the list";
}

TEST_F(Reader, ItemsAcrossTheEndOfABufferfulKeepTheirValues) {
    // An item that begins at each position before the end of the first read of the file (and
    // the white space before the items fills up to there), so that it is split between reads.
    const std::string items =
        "-1234.5678901234567e-7 " + Items(398) + " 0.000123456789012345678901234e+3";
    for (std::size_t before = 0; before <= 40; ++before) {
        SCOPED_TRACE("the item begins " + std::to_string(before) + " bytes before the end");
        const std::string content =
            GoodHeader + "\n" +
            std::string(TextSourceCapacity - GoodHeader.size() - 1 - before, ' ') + items;
        std::vector<double> expected;
        ASSERT_EQ(ReferenceRead(content, expected), "");
        ASSERT_EQ(MessageFor("split.dat", content), "");
        ASSERT_EQ(Session.Signal.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i)
            ASSERT_EQ(Bits(Session.Signal[i]), Bits(expected[i])) << "item " << i;
    }
}

TEST(TextSource, AShortReadEndsTheTextOnceTheSizeAtOpeningIsReached) {
    // Through a pipe, whose reads give what has been written so far: fewer bytes than asked
    // for end the text only when the bytes read reach the size given, and then without a
    // further read (what comes later stays in the pipe).
    int ends[2] = {-1, -1};
    ASSERT_EQ(::pipe(ends), 0);
    auto put = [&](const std::string& text) {
        ASSERT_EQ(::write(ends[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
    };
    auto take = [](TTextSource& source, std::size_t count) {
        std::string text;
        for (std::size_t i = 0; i < count; ++i)
            text.push_back(static_cast<char>(source.Get()));
        return text;
    };
    {
        put("abc");
        TTextSource source(ends[0], 1000, 5);
        EXPECT_EQ(take(source, 3), "abc") << "short of the size: the text goes on";
        put("de");
        EXPECT_EQ(take(source, 2), "de");
        put("f");
        EXPECT_EQ(source.Get(), EOF) << "the size is reached";
        EXPECT_FALSE(source.Failed());
        EXPECT_FALSE(source.Exhausted());
        char rest = 0;
        EXPECT_EQ(::read(ends[0], &rest, 1), 1);
        EXPECT_EQ(rest, 'f') << "no read after the end";
    }
    {
        put("gh");
        TTextSource source(ends[0], 1000); // size unknown
        EXPECT_EQ(take(source, 2), "gh");
        ::close(ends[1]);
        EXPECT_EQ(source.Get(), EOF) << "learnt from a read that gives nothing";
    }
    ::close(ends[0]);
}

TEST(HeaderText, NumbersAreTakenFromTheFront) {
    std::string_view line = "s: 1.5e3 -7 abc -";
    EXPECT_EQ(ReadReal(line), 1500.0);
    EXPECT_EQ(ReadInt(line), 3) << "the exponent is left behind";
    EXPECT_EQ(ReadInt(line), -7);
    EXPECT_EQ(ReadInt(line), 0);
    EXPECT_EQ(ReadInt(line), 0) << "a header that runs out gives 0";
    std::string_view big = "99999999999 -99999999999";
    EXPECT_EQ(ReadInt(big), 2147483647);
    EXPECT_EQ(ReadInt(big), -2147483647 - 1);
    EXPECT_EQ(ExtractFileName("/data/obs/G0_30.dat"), "G0_30.dat");
    EXPECT_EQ(ExtractFileName("plain.dat"), "plain.dat");
}
