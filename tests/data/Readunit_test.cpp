#include "data/Datetimeunit.h"
#include "data/Readunit.h"
#include "data/Readunit_internal.h"
#include "data/Spectrumunit.h"
#include "session/Filenameunit.h"
#include "session/Sessionunit.h"

#include <QDir>
#include <QTemporaryDir>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

#include "data/ReaderFixture.h"

TEST_F(Reader, EveryFailureHasItsTextAndDetail) {
    // The text is the reader's fixed message; the detail says what was found.
    const std::string items = "\n" + Items(400);
    const std::string rest = " 22:15:07 value 1.5 n 10 20 30 40" + items;
    const struct {
        std::string content, message, detail;
    } cases[] = {
        {"", "Not enough info in header.", "the file is empty"},
        {std::string("s 12/25/09 22:15:07") + std::string(20, ' ') + items,
         "Not enough info in header.", "the header line has 39 characters, at least 40 expected"},
        {std::string("s 12/25/09 22:15:07") + std::string(21, ' ') + items, "", ""}, // 40
        {"S" + GoodHeader.substr(1) + items, "Header does not start with an 's'.",
         "the header line begins with 'S', not 's'"},
        {"\x01" + GoodHeader.substr(1) + items, "Header does not start with an 's'.",
         "the header line begins with byte 0x01, not 's'"},
        {"s 02/30/10" + rest, "Summat wrong with date.",
         "month 2, day 30, year 2010 is no date of the calendar"},
        {"s 13/01/10" + rest, "Summat wrong with date.",
         "month 13, day 1, year 2010 is no date of the calendar"},
        // A minus sign would join the date into one number and shift the later fields
        // (03-15-24 21:40:05 once read as 21 March 2040 05:09).
        {"s 03-15-24 21:40:05 value 1.5 n 10 20 30 40" + items, "Summat wrong with date.",
         "month \"03-15-24\" is not a plain unsigned number"},
        {"s 12/25-09" + rest, "Summat wrong with date.",
         "day \"25-09\" is not a plain unsigned number"},
        {"s 12/25/-9" + rest, "Summat wrong with date.",
         "year \"-9\" is not a plain unsigned number"},
        // 65548 would wrap round to month 12.
        {"s 65548/25/09" + rest, "Summat wrong with date.",
         "month \"65548\" is too large (at most 65535)"},
        {"s 12/25/09 24:00:00 value 1.5 n 10 20 30 40" + items, "Summat wrong with time.",
         "hour 24, minute 0, second 0 is no time of day"},
        {"s 12/25/09 23:60:00 value 1.5 n 10 20 30 40" + items, "Summat wrong with time.",
         "hour 23, minute 60, second 0 is no time of day"},
        {"s 12/25/09 22-15-07 value 1.5 n 10 20 30 40" + items, "Summat wrong with time.",
         "hour \"22-15-07\" is not a plain unsigned number"},
        {"s 12/25/09 22:15:-7 value 1.5 n 10 20 30 40" + items, "Summat wrong with time.",
         "second \"-7\" is not a plain unsigned number"},
        {GoodHeader + "\n" + Items(399), "wrong number of data items.",
         "399 data items, 400 expected"},
        {GoodHeader + "\n" + Items(401), "wrong number of data items.",
         "more than 400 data items, 400 expected"},
        {GoodHeader + "\n", "wrong number of data items.", "0 data items, 400 expected"},
        {GoodHeader + "\n" + Items(400) + std::string(17 << 20, ' ') + "1",
         "wrong number of data items.",
         "the data items go on past the first 16 MiB of the file, 400 expected"},
        {GoodHeader + items, "", ""},
    };
    int n = 0;
    for (const auto& c : cases) {
        EXPECT_EQ(MessageFor("case" + std::to_string(n++) + ".dat", c.content), c.message)
            << c.content.substr(0, 60);
        EXPECT_EQ(Detail, c.detail) << c.content.substr(0, 60);
    }
}

TEST_F(Reader, OpenFailuresNameTheFileWithoutFolder) {
    EXPECT_EQ(MessageFor("x.dat", GoodHeader), "wrong number of data items.");
    try {
        Session.Read(Folder.filePath("missing.dat").toStdString());
        FAIL() << "read a missing file";
    } catch (const TReadError& error) {
        EXPECT_STREQ(error.what(), "Unable to open missing.dat");
        EXPECT_EQ(error.Detail(), "No such file or directory");
    }
    try {
        Session.Read(Folder.path().toStdString() + "/");
        FAIL() << "read a folder";
    } catch (const TReadError& error) {
        EXPECT_STREQ(error.what(), "Unable to open ");
        EXPECT_EQ(error.Detail(), "not a regular file (a folder)");
    }
}

TEST_F(Reader, HeaderFields) {
    const std::string path = Write("h.dat", GoodHeader + "\r\n" + Items(400));
    Session.Read(path);
    double date = 0, time = 0;
    ASSERT_TRUE(TryEncodeDate(2009, 12, 25, date));
    ASSERT_TRUE(TryEncodeTime(22, 15, 7, 0, time));
    EXPECT_EQ(Session.File()->FileDate, date);
    EXPECT_DOUBLE_EQ(Session.File()->FileTime, time);
    EXPECT_EQ(Session.File()->HeaderReal, 1.5);
    EXPECT_EQ(Session.File()->HeaderInt1, 10);
    EXPECT_EQ(Session.File()->HeaderInt2, 20);
    EXPECT_EQ(Session.File()->HeaderInt4, 40);
    EXPECT_EQ(Session.File()->FilePath, path);
    EXPECT_EQ(Session.CurrentFileName(), "h.dat");
    ASSERT_EQ(Session.Signal().size(), 400u);
    EXPECT_EQ(Session.Signal()[0], 1.0);
    EXPECT_EQ(Session.Signal()[399], 200.5);
}

TEST_F(Reader, HeaderDatesAndShortHeaders) {
    const struct {
        std::string header;
        std::uint16_t year, month, day, hour, minute, second;
    } cases[] = {
        {"s 12/25/99 01:02:03 ........................", 2099, 12, 25, 1, 2, 3},
        {"s 12/25/1999 01:02:03 ......................", 3999, 12, 25, 1, 2, 3},
        {"s date 3/4/2012 and nothing else ...........", 2012, 3, 4, 0, 0, 0},
    };
    for (const auto& c : cases) {
        Session.Read(Write("d.dat", c.header + "\n" + Items(400)));
        const TDateParts parts =
            DecodeDateTime(Session.File()->FileDate + Session.File()->FileTime);
        EXPECT_EQ(parts.Year, c.year) << c.header;
        EXPECT_EQ(parts.Month, c.month) << c.header;
        EXPECT_EQ(parts.Day, c.day) << c.header;
        EXPECT_EQ(parts.Hour, c.hour) << c.header;
        EXPECT_EQ(parts.Minute, c.minute) << c.header;
        EXPECT_EQ(parts.Second, c.second) << c.header;
    }
    EXPECT_EQ(Session.File()->HeaderReal, 0.0);
    EXPECT_EQ(Session.File()->HeaderInt4, 0);
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
        ASSERT_EQ(Session.Signal().size(), c.count);
        EXPECT_EQ(Session.Signal().back(), c.last);
    }
    EXPECT_EQ(MessageFor("items.dat", GoodHeader + "\n" + Items(398) + " 12abc 5"),
              "wrong number of data items.");
    // A NUL character is no part of a number: the list ends there.
    EXPECT_EQ(MessageFor("items.dat",
                         GoodHeader + "\n" + Items(399) + " 5" + std::string(1, '\0') + " 6"),
              "");
    EXPECT_EQ(Session.Signal().back(), 5.0);
    EXPECT_EQ(MessageFor("items.dat", GoodHeader + "\n" + Items(399) + " inf"),
              "wrong number of data items.");
    EXPECT_EQ(MessageFor("items.dat", GoodHeader + "\n" + Items(399) + " 1e999"),
              "wrong number of data items.");
}

TEST_F(Reader, FailedReadChangesNothing) {
    const std::string first = Write("G5.30_m120.15.dat", GoodHeader + "\n" + Items(400, 7.0));
    Session.Read(first);
    const TSpectrumFile before = *Session.File();
    const std::vector<double> signal = Session.Signal();
    ASSERT_TRUE(Session.PositionInFileName());
    const double latitude = Session.FileGLatitude().Value,
                 longitude = Session.FileGLongitude().Value;

    const std::string failures[] = {
        "s 02/30/10 22:15:07 value 1.5 n 10 20 30 40\n" + Items(400),
        "s 12/25/09 24:15:07 value 1.5 n 10 20 30 40\n" + Items(400),
        "s 11/11/11 11:11:11 value 9.5 n 11 22 33 44\n" + Items(12),
        "s 11/11/11 11:11:11 value 9.5 n 11 22 33 44\n" + Items(500),
    };
    for (const auto& content : failures) {
        EXPECT_NE(MessageFor("spectrum.dat", content), "");
        EXPECT_EQ(Session.File()->FilePath, before.FilePath);
        EXPECT_EQ(Session.File()->FileDate, before.FileDate);
        EXPECT_EQ(Session.File()->FileTime, before.FileTime);
        EXPECT_EQ(Session.File()->HeaderReal, before.HeaderReal);
        EXPECT_EQ(Session.File()->HeaderInt1, before.HeaderInt1);
        EXPECT_EQ(Session.Signal(), signal);
        EXPECT_EQ(Session.CurrentFileName(), "G5.30_m120.15.dat");
        EXPECT_TRUE(Session.PositionInFileName());
        EXPECT_EQ(Session.FileGLatitude().Value, latitude);
        EXPECT_EQ(Session.FileGLongitude().Value, longitude);
    }
}

TEST_F(Reader, EveryReadReadsTheFile) {
    QTemporaryDir other;
    const std::string path = Write("same.dat", GoodHeader + "\n" + Items(400, 1.0));
    Session.Read(path);
    EXPECT_EQ(Session.Signal()[0], 1.0);
    Write("same.dat", GoodHeader + "\n" + Items(400, 2.0));
    Session.Read(path);
    EXPECT_EQ(Session.Signal()[0], 2.0) << "the same file, changed, is read again";
    const std::string elsewhere = other.filePath("same.dat").toStdString();
    std::ofstream(elsewhere) << GoodHeader << "\n" << Items(400, 3.0);
    Session.Read(elsewhere);
    EXPECT_EQ(Session.Signal()[0], 3.0) << "a file of the same name in another folder is read";
    EXPECT_EQ(Session.File()->FilePath, elsewhere);
}

TEST_F(Reader, HostileFilesCostBoundedMemory) {
    // A header line of several megabytes: only its beginning matters.
    std::string header = GoodHeader + std::string(5'000'000, 'x');
    EXPECT_EQ(MessageFor("long.dat", header + "\n" + Items(400)), "");
    EXPECT_EQ(Session.File()->HeaderInt4, 40);
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
