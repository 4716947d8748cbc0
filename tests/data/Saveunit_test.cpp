#include "data/Saveunit.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
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

TEST(ElevationText, Numbers) {
    const struct {
        const char* text;
        double value;
    } cases[] = {
        {"200", 200.0}, {" -12.5 ", -12.5}, {"1e3", 1000.0}, {"+7", 7.0}, {"0", 0.0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ElevationFromText(c.text), c.value) << c.text;
}

TEST(ElevationText, NotANumberNamesTheText) {
    for (const char* text : {"abc", "", "  ", "12abc", "1,5,0", "nan", "inf", "1e999"})
        EXPECT_EQ(FailureOf([&] { ElevationFromText(text); }),
                  std::string("'") + text + "' is not a valid floating point value")
            << text;
}

TEST(ElevationText, UserLocaleDecimalComma) {
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(ElevationFromText("12,5"), 12.5);
    // With a decimal comma, "1.500" is no group-separated 1500: it is read with '.' instead.
    EXPECT_EQ(ElevationFromText("1.500"), 1.5);
    QLocale::setDefault(previous);
}

class SafeWrite : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Folder.isValid()); }
    QString Path(const QString& name) const { return Folder.filePath(name); }
    QStringList Entries(const QString& folder) const {
        return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
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

// A write that fails part-way (here: the file-size limit of the process, which binds the
// super-user too) leaves the old file whole and no temporary file behind.
TEST_F(SafeWrite, FailedWriteKeepsTheOldFile) {
    const QString path = Path("spectrum.txt");
    const std::string old = "Filename = old.dat\r\n";
    WriteBytes(path, old);
    const std::string text = std::string(200000, 'x') + "\r\n";

    rlimit previous{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = previous;
    limited.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    const std::string message = FailureOf([&] { WriteTextFileSafely(path.toStdString(), text); });
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(message.rfind("Cannot save \"" + path.toStdString() + "\": ", 0), 0u) << message;
    // A short write is no error to the device until the next one; the reason is still named.
    EXPECT_EQ(message.find("Unknown error"), std::string::npos) << message;
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(Entries(Folder.path()), QStringList{"spectrum.txt"});
}
