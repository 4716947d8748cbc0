#include "data/Saveunit.h"

#include "support/ChildRun.h"
#include "support/SmallDisk.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <iomanip>
#include <random>
#include <sstream>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A header with a value in every field; the texts are as the side panel shows them.
TSaveHeader FullHeader() {
    TSaveHeader header;
    header.FileName = "G5.30_m120.15.dat";
    header.Description = "Frequency (corrected)  v Signal";
    header.Coefficients = {1234567.0, -0.5, 2.5e-7, 0.0};
    header.Corrected = true;
    header.Correlation = 0.987654321;
    header.Vlsr = -12.3456789;
    header.Ra = "19 hrs 59' 28\"";
    header.Dec = "40\u00b0 44' 2\"";
    header.GLat = "5\u00b0 30' 0\"";
    header.GLong = "239\u00b0 45' 0\"";
    header.Latitude = "54\u00b0 8' 54\"";
    header.Longitude = "-2\u00b0 17' 41\"";
    header.Elevation = 200.0;
    header.FileTime = "25/12/2009 22:15:07";
    return header;
}

std::string ReadBytes(const QString& path) {
    std::ifstream file(path.toStdString(), std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

void WriteBytes(const QString& path, const std::string& bytes) {
    std::ofstream(path.toStdString(), std::ios::binary) << bytes;
}

// The message of the failure of f, or "" when it succeeds.
template <class F> std::string FailureOf(F f) {
    try {
        f();
    } catch (const std::exception& error) {
        return error.what();
    }
    return "";
}

} // namespace

// The expected bytes are written out by hand from the file format: %g with 6 significant
// digits in the header (1234567 -> 1.23457e+06, 2.5e-7 -> 2.5e-07), 10 in the data lines
// (1234567 stays 1234567, 0.000012345678901 -> 1.23456789e-05), CRLF after every line.
TEST(SavedText, GoldenBytes) {
    const std::vector<double> x = {-1000000.0, -995002.0, 1234567.0};
    const std::vector<double> y = {1.5, 1234567.891, 0.000012345678901};
    const std::string expected = "Filename = G5.30_m120.15.dat\r\n"
                                 "Description = Frequency (corrected)  v Signal\r\n"
                                 "a0 = 1.23457e+06\r\n"
                                 "a1 = -0.5\r\n"
                                 "a2 = 2.5e-07\r\n"
                                 "a3 = 0\r\n"
                                 "Correlation = 0.987654\r\n"
                                 "VLSR = -12.3457\r\n"
                                 "Ra = 19 hrs 59' 28\"\r\n"
                                 "Dec = 40\xc2\xb0 44' 2\"\r\n"
                                 "GLat = 5\xc2\xb0 30' 0\"\r\n"
                                 "GLong = 239\xc2\xb0 45' 0\"\r\n"
                                 "Latitude = 54\xc2\xb0 8' 54\"\r\n"
                                 "Longitude = -2\xc2\xb0 17' 41\"\r\n"
                                 "Elevation = 200\r\n"
                                 "File time = 25/12/2009 22:15:07\r\n"
                                 "-1000000,1.5\r\n"
                                 "-995002,1234567.891\r\n"
                                 "1234567,1.23456789e-05\r\n";
    EXPECT_EQ(SavedText(FullHeader(), x, y), expected);
}

TEST(SavedText, CoefficientLinesOnlyAfterSubtract) {
    const struct {
        const char* name;
        std::vector<double> coefficients;
        bool corrected;
        bool linesExpected;
    } cases[] = {
        {"fitted and subtracted", {1.0, 2.0}, true, true},
        {"fitted, not subtracted", {1.0, 2.0}, false, false},
        {"no fit", {}, true, false},
        {"nothing", {}, false, false},
    };
    for (const auto& c : cases) {
        TSaveHeader header = FullHeader();
        header.Coefficients = c.coefficients;
        header.Corrected = c.corrected;
        const std::string text = SavedText(header, {}, {});
        EXPECT_EQ(text.find("\r\na0 = 1\r\na1 = 2\r\nCorrelation = ") != std::string::npos,
                  c.linesExpected)
            << c.name << "\n"
            << text;
        EXPECT_EQ(text.find("a0 = ") != std::string::npos, c.linesExpected) << c.name;
    }
}

TEST(SavedText, EmptyTextsKeepTheirLines) {
    const std::string text = SavedText(TSaveHeader(), {}, {});
    EXPECT_EQ(text, "Filename = \r\nDescription = \r\nCorrelation = 0\r\nVLSR = 0\r\nRa = \r\n"
                    "Dec = \r\nGLat = \r\nGLong = \r\nLatitude = \r\nLongitude = \r\n"
                    "Elevation = 0\r\nFile time = \r\n");
}

TEST(SavedText, DataLinesForTheCommonLength) {
    const std::string header = SavedText(TSaveHeader(), {}, {});
    EXPECT_EQ(SavedText(TSaveHeader(), {1, 2, 3}, {10, 20}), header + "1,10\r\n2,20\r\n");
    EXPECT_EQ(SavedText(TSaveHeader(), {1}, {10, 20, 30}), header + "1,10\r\n");
}

TEST(SavedText, FourHundredChannels) {
    std::vector<double> x(400), y(400);
    for (int i = 0; i < 400; ++i) {
        x[i] = -1000000.0 + 5000.0 * i;
        y[i] = i;
    }
    const std::string text = SavedText(TSaveHeader(), x, y);
    std::size_t lines = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos;
         at = text.find("\r\n", at + 2))
        ++lines;
    EXPECT_EQ(lines, 12u + 400u);
    EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1); // no bare line feed anywhere
    EXPECT_NE(text.find("File time = \r\n-1000000,0\r\n"), std::string::npos);
    const std::string last = "\r\n995000,399\r\n"; // channel 399: -1000000 + 399 * 5000
    EXPECT_EQ(text.substr(text.size() - last.size()), last);
}

// The reference is C's printf in the C locale, which the format is defined by.
TEST(SavedText, NumbersAsPrintfGeneral) {
    const double values[] = {0.0,      -0.0,     1.0,          -1.5,      1234567.0,
                             123456.0, 999999.5, 0.0001,       0.00001,   1e100,
                             -2.5e-7,  1.0 / 3,  1420405751.0, 0.2110611, 299792458.0};
    for (const int digits : {6, 10})
        for (const double value : values) {
            char expected[64];
            std::snprintf(expected, sizeof expected, "%.*g", digits, value);
            EXPECT_EQ(GeneralNumberText(value, digits), expected) << value << " " << digits;
        }
}

// The general conversion of the standard library (defined as printf's %g in the C locale)
// against the writer's own, over many values: the data lines take every double the signal and
// the axes produce, and the writer rounds most of them by a faster route.
TEST(SavedText, NumbersAsTheGeneralConversionEverywhere) {
    auto reference = [](double value, int digits) {
        char text[64];
        const auto r =
            std::to_chars(text, text + sizeof text, value, std::chars_format::general, digits);
        return std::string(text, r.ptr);
    };
    std::vector<double> values = {0.5,
                                  2.5,
                                  0.125,
                                  1234567.5,
                                  1.0000000005,
                                  9.9999999995,
                                  99999.99995,
                                  0.00012345678905,
                                  1e-5,
                                  9.99999e-5,
                                  1e15,
                                  1e16,
                                  1e22,
                                  1e23,
                                  1e-300,
                                  5e-324,
                                  1.7976931348623157e308};
    for (double p = 1e-12; p < 1e20; p *= 10)
        for (double x : {p, std::nextafter(p, 0.0), std::nextafter(p, HUGE_VAL), 5 * p, 9.5 * p})
            values.push_back(x);
    std::mt19937_64 random(4771);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::uniform_int_distribution<int> power(-40, 40);
    for (int i = 0; i < 200000; ++i) {
        values.push_back((unit(random) - 0.5) * std::pow(10.0, power(random))); // any size
        values.push_back(1495.0 + 10.0 * unit(random) - 5.0);                   // a raw signal
        values.push_back(std::round(unit(random) * 2e6) / 1000.0);              // 3 decimals
        // Half-way cases of the first 10 digits: a whole number of 11 digits ending in 5.
        values.push_back((std::floor(unit(random) * 1e9) * 10 + 5) *
                         std::pow(10.0, power(random) / 4));
    }
    int mismatches = 0;
    for (int digits = 1; digits <= 17; ++digits)
        for (std::size_t i = 0; i < values.size(); i += (digits == 6 || digits == 10 ? 1 : 7))
            for (double value : {values[i], -values[i]}) {
                const std::string expected = reference(value, digits);
                if (GeneralNumberText(value, digits) != expected && ++mismatches <= 10)
                    ADD_FAILURE() << std::setprecision(17) << value << " with " << digits
                                  << " digits: " << GeneralNumberText(value, digits) << ", not "
                                  << expected;
            }
    EXPECT_EQ(mismatches, 0);
}

class SafeWrite : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Folder.isValid()); }
    QString Path(const QString& name) const { return Folder.filePath(name); }
    QStringList Entries(const QString& folder) const {
        return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden |
                                      QDir::System);
    }
    QTemporaryDir Folder;
};

TEST_F(SafeWrite, WritesAndReplacesWithoutQuestion) {
    const QString path = Path("out.txt");
    WriteTextFileSafely(path.toStdString(), "first\r\n");
    EXPECT_EQ(ReadBytes(path), "first\r\n");
    WriteTextFileSafely(path.toStdString(), "second\r\nlonger\r\n");
    EXPECT_EQ(ReadBytes(path), "second\r\nlonger\r\n");
    WriteTextFileSafely(path.toStdString(), "3\r\n");
    EXPECT_EQ(ReadBytes(path), "3\r\n");
    EXPECT_EQ(Entries(Folder.path()), QStringList{"out.txt"}); // no temporary file left
}

TEST_F(SafeWrite, UnwritablePlacesNameTheFile) {
    ASSERT_TRUE(QDir(Folder.path()).mkdir("folder"));
    WriteBytes(Path("folder/inside.txt"), "keep");
    WriteBytes(Path("plain"), "plain file");
    const QString cases[] = {
        Path("folder"),          // a directory
        Path("missing/out.txt"), // a folder that does not exist
        Path("plain/out.txt"),   // a folder that is a file
    };
    for (const QString& path : cases) {
        const std::string message =
            FailureOf([&] { WriteTextFileSafely(path.toStdString(), "x"); });
        const std::string start = "Cannot save \"" + path.toStdString() + "\": ";
        EXPECT_EQ(message.substr(0, start.size()), start) << message;
        EXPECT_GT(message.size(), start.size()) << "no reason given: " << message;
    }
    EXPECT_EQ(Entries(Path("folder")), QStringList{"inside.txt"});
    EXPECT_EQ(ReadBytes(Path("folder/inside.txt")), "keep");
    EXPECT_EQ(ReadBytes(Path("plain")), "plain file");
    EXPECT_EQ(Entries(Folder.path()), (QStringList{"folder", "plain"}));
}

TEST_F(SafeWrite, ReadOnlyFolderKeepsTheOldFile) {
    const QString folder = Path("locked");
    ASSERT_TRUE(QDir(Folder.path()).mkdir("locked"));
    const QString path = folder + "/spectrum.txt";
    WriteBytes(path, "old content\r\n");
    ASSERT_EQ(::chmod(folder.toLocal8Bit().constData(), 0555), 0);
    // The super-user writes through folder permissions; only a probe tells.
    const QByteArray probe = (folder + "/probe").toLocal8Bit();
    const int fd = ::open(probe.constData(), O_CREAT | O_WRONLY, 0644);
    if (fd >= 0) {
        ::close(fd);
        ::unlink(probe.constData());
        ::chmod(folder.toLocal8Bit().constData(), 0755);
        GTEST_SKIP() << "folder permissions do not stop this user (the super-user)";
    }
    const std::string message =
        FailureOf([&] { WriteTextFileSafely(path.toStdString(), "new content\r\n"); });
    ::chmod(folder.toLocal8Bit().constData(), 0755);
    EXPECT_EQ(message.rfind("Cannot save \"" + path.toStdString() + "\": ", 0), 0u) << message;
    EXPECT_EQ(ReadBytes(path), "old content\r\n");
    EXPECT_EQ(Entries(folder), QStringList{"spectrum.txt"});
}

namespace {

// Two saved spectra of 400 channels, about 8 KB each: below QFileDevice's 16 KiB write buffer,
// so that their bytes reach the file only when the buffer is flushed. The new one is also
// written at 200 KB, which goes straight through.
std::string SpectrumText(double level) {
    std::vector<double> x(400), y(400);
    for (int i = 0; i < 400; ++i) {
        x[i] = -1000000.0 + 5000.0 * i;
        y[i] = level + 0.001 * i;
    }
    return SavedText(FullHeader(), x, y);
}
const std::string OldText = SpectrumText(1495.25);
const std::string NewTexts[] = {SpectrumText(1512.5), std::string(200000, 'x') + "\r\n"};

// A failed save: the message names the file and a reason, the old file is as it was, and no
// temporary file is left in its folder.
void ExpectFailedSave(const std::string& message, const QString& path) {
    EXPECT_EQ(message.rfind("Cannot save \"" + path.toStdString() + "\": ", 0), 0u) << message;
    // A short write is no error to the device until the next one; the reason is still named.
    EXPECT_EQ(message.find("Unknown error"), std::string::npos) << message;
    const std::string now = ReadBytes(path);
    EXPECT_TRUE(now == OldText) << "the old file of " << OldText.size() << " bytes now holds "
                                << now.size();
    EXPECT_EQ(QDir(QFileInfo(path).path())
                  .entryList(QDir::Files | QDir::Hidden)
                  .filter(QFileInfo(path).fileName() + "."),
              QStringList())
        << "a temporary file is left";
}

} // namespace

// A full disk: before the fix, QSaveFile::commit() renamed the temporary file whose buffered
// bytes it could not write over the old file, emptying it.
TEST_F(SafeWrite, FullDiskKeepsTheOldFile) {
    for (const std::string& text : NewTexts) {
        SCOPED_TRACE(text.size());
        const QTemporaryDir folder;
        const TSmallDisk disk(folder.path());
        if (!disk.Mounted)
            GTEST_SKIP() << "cannot mount a tmpfs here: " << disk.Reason;
        const QString path = folder.filePath("spectrum.txt");
        WriteBytes(path, OldText);
        disk.Fill();
        ExpectFailedSave(FailureOf([&] { WriteTextFileSafely(path.toStdString(), text); }), path);
    }
}

// The file-size limit of the process, which binds the super-user too, set in a child.
TEST_F(SafeWrite, FileSizeLimitKeepsTheOldFile) {
    const QString path = Path("spectrum.txt");
    for (const std::string& text : NewTexts) {
        SCOPED_TRACE(text.size());
        WriteBytes(path, OldText);
        const auto message = RunInChild(
            [&] {
                std::signal(SIGXFSZ, SIG_IGN);
                const rlimit limited{4096, 4096};
                if (::setrlimit(RLIMIT_FSIZE, &limited) != 0)
                    return std::string("setrlimit failed");
                return FailureOf([&] { WriteTextFileSafely(path.toStdString(), text); });
            },
            std::chrono::seconds(20));
        ASSERT_TRUE(message.has_value());
        ExpectFailedSave(*message, path);
    }
}

// A FIFO or a device node is not replaced by a regular file (as root, /dev/null would be); a
// symbolic link to a regular file is followed and stays a link.
TEST_F(SafeWrite, OnlyRegularFilesAreReplaced) {
    ASSERT_EQ(::mkfifo(QFile::encodeName(Path("pipe")).constData(), 0600), 0);
    WriteBytes(Path("old.txt"), "old\r\n");
    ASSERT_TRUE(QFile::link(Path("pipe"), Path("to-pipe")));
    ASSERT_TRUE(QFile::link(Path("old.txt"), Path("to-old")));
    const struct {
        const char* name;
        bool refused;
    } cases[] = {{"pipe", true}, {"to-pipe", true}, {"to-old", false}};
    for (const auto& c : cases) {
        const std::string path = Path(c.name).toStdString();
        const std::string message = FailureOf([&] { WriteTextFileSafely(path, "new\r\n"); });
        if (c.refused)
            EXPECT_EQ(message.rfind("Cannot save \"" + path + "\": ", 0), 0u) << message;
        else
            EXPECT_EQ(message, "");
    }
    const auto kind = [&](const char* name) {
        struct stat status {};
        return ::lstat(QFile::encodeName(Path(name)).constData(), &status) == 0
                   ? static_cast<int>(status.st_mode & S_IFMT)
                   : 0;
    };
    EXPECT_EQ(kind("pipe"), S_IFIFO);
    EXPECT_EQ(kind("to-pipe"), S_IFLNK);
    EXPECT_EQ(kind("to-old"), S_IFLNK);
    EXPECT_EQ(ReadBytes(Path("old.txt")), "new\r\n");
    EXPECT_EQ(Entries(Folder.path()), (QStringList{"old.txt", "pipe", "to-old", "to-pipe"}));
}
