#include "data/Saveunit.h"

#include "data/Spectrumunit.h"

#include <QFile>
#include <QSaveFile>
#include <QString>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char LineEnd[] = "\r\n";
constexpr int HeaderDigits = 6;
constexpr int DataDigits = 10;

// The powers of ten that a double holds exactly.
constexpr double ExactPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                  1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                  1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr std::uint64_t IntegerPowers[] = {1ULL,
                                           10ULL,
                                           100ULL,
                                           1000ULL,
                                           10000ULL,
                                           100000ULL,
                                           1000000ULL,
                                           10000000ULL,
                                           100000000ULL,
                                           1000000000ULL,
                                           10000000000ULL,
                                           100000000000ULL,
                                           1000000000000ULL,
                                           10000000000000ULL,
                                           100000000000000ULL,
                                           1000000000000000ULL,
                                           10000000000000000ULL};
constexpr int FastDigits = 15; // up to here the scaled value's rounding error stays below 1/8

// Writes the significant digits of n (exactly significantDigits of them, the first not 0)
// with decimal exponent exponent as %g lays them out: trailing zeros dropped, exponent form
// when exponent < -4 or >= significantDigits, with a sign and at least two digits.
void AppendDigits(std::string& text, bool negative, std::uint64_t n, int significantDigits,
                  int exponent) {
    char digits[24];
    for (int i = significantDigits - 1; i >= 0; --i, n /= 10)
        digits[i] = static_cast<char>('0' + n % 10);
    int count = significantDigits;
    while (count > 1 && digits[count - 1] == '0')
        --count;
    char out[48];
    char* p = out;
    if (negative)
        *p++ = '-';
    if (exponent < -4 || exponent >= significantDigits) {
        *p++ = digits[0];
        if (count > 1) {
            *p++ = '.';
            for (int i = 1; i < count; ++i)
                *p++ = digits[i];
        }
        *p++ = 'e';
        *p++ = exponent < 0 ? '-' : '+';
        const int magnitude = exponent < 0 ? -exponent : exponent;
        if (magnitude >= 100)
            *p++ = static_cast<char>('0' + magnitude / 100);
        *p++ = static_cast<char>('0' + magnitude / 10 % 10);
        *p++ = static_cast<char>('0' + magnitude % 10);
    } else if (exponent >= 0) {
        const int whole = exponent + 1;
        for (int i = 0; i < whole; ++i)
            *p++ = i < count ? digits[i] : '0';
        if (count > whole) {
            *p++ = '.';
            for (int i = whole; i < count; ++i)
                *p++ = digits[i];
        }
    } else {
        *p++ = '0';
        *p++ = '.';
        for (int i = -1; i > exponent; --i)
            *p++ = '0';
        for (int i = 0; i < count; ++i)
            *p++ = digits[i];
    }
    text.append(out, static_cast<std::size_t>(p - out));
}

// Appends value in C's %g form with the given significant digits. The saved file writes some
// 800 numbers per spectrum, so the common case is done in double arithmetic: the value scaled
// by an exact power of ten to a whole number of significantDigits digits is rounded, which is
// certain unless it lies within one unit of its last place of a half; such values, and the
// ones outside the range of exact powers, take the exact general conversion. Measured on the
// 800 numbers of a file: 25 us against 45 us for std::to_chars alone, a sixth of the batch's
// processor time per file.
void AppendGeneralNumber(std::string& text, double value, int significantDigits) {
    if (significantDigits >= 1 && significantDigits <= FastDigits && std::isfinite(value) &&
        value != 0.0) {
        const double magnitude = std::fabs(value);
        // The decimal exponent from the binary one, floor((e - 1) log10 2), which is the true
        // one or one less; the digit count below corrects it. e as std::frexp gives it: for a
        // normal number the exponent bits less 1022, read without a call.
        std::uint64_t bits = 0;
        std::memcpy(&bits, &magnitude, sizeof bits);
        int binary = static_cast<int>(bits >> 52) - 1022;
        if ((bits >> 52) == 0)
            std::frexp(magnitude, &binary);
        int exponent = ((binary - 1) * 78913) >> 18;
        for (int attempt = 0; attempt < 3; ++attempt) {
            const int scale = significantDigits - 1 - exponent;
            if (scale > 22 || scale < -22)
                break;
            const double scaled =
                scale >= 0 ? magnitude * ExactPowers[scale] : magnitude / ExactPowers[-scale];
            const double whole = std::floor(scaled);
            const double fraction = scaled - whole;
            // One unit in the last place of scaled, a positive number: the next double above
            // it (std::nextafter towards infinity) is the one whose bits are one more.
            std::uint64_t scaledBits = 0;
            std::memcpy(&scaledBits, &scaled, sizeof scaledBits);
            ++scaledBits;
            double above = 0.0;
            std::memcpy(&above, &scaledBits, sizeof above);
            if (std::fabs(fraction - 0.5) <= above - scaled)
                break;
            std::uint64_t n = static_cast<std::uint64_t>(whole) + (fraction > 0.5 ? 1 : 0);
            const std::uint64_t low = IntegerPowers[significantDigits - 1];
            const std::uint64_t high = IntegerPowers[significantDigits];
            if (n < low) {
                --exponent;
                continue;
            }
            if (n > high) {
                ++exponent;
                continue;
            }
            if (n == high) { // rounded up into the next power of ten
                n = low;
                ++exponent;
            }
            AppendDigits(text, value < 0.0, n, significantDigits, exponent);
            return;
        }
    }
    // to_chars rather than printf: the same %g form, but never the locale's decimal comma.
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                      std::chars_format::general, significantDigits);
    text.append(buffer, result.ptr);
}

void AddLine(std::string& text, const std::string& name, const std::string& value) {
    text += name;
    text += " = ";
    text += value;
    text += LineEnd;
}

} // namespace

std::string GeneralNumberText(double value, int significantDigits) {
    std::string text;
    AppendGeneralNumber(text, value, significantDigits);
    return text;
}

std::string SavedText(const TSaveHeader& header, const std::vector<double>& x,
                      const std::vector<double>& y) {
    const std::size_t count = std::min(x.size(), y.size());
    std::string text;
    // About 25 characters per data line; the header is small.
    text.reserve(1024 + count * 25);

    AddLine(text, "Filename", header.FileName);
    for (std::size_t i = 0; i < header.AveragedFiles.size(); ++i) {
        const std::string name = "File " + std::to_string(i + 1);
        AddLine(text, name, header.AveragedFiles[i].Name);
        AddLine(text, name + " VLSR",
                GeneralNumberText(header.AveragedFiles[i].Vlsr, HeaderDigits));
    }
    AddLine(text, "Description", header.Description);
    if (header.Corrected)
        for (std::size_t i = 0; i < header.Coefficients.size(); ++i)
            AddLine(text, "a" + std::to_string(i),
                    GeneralNumberText(header.Coefficients[i], HeaderDigits));
    AddLine(text, "Correlation", GeneralNumberText(header.Correlation, HeaderDigits));
    AddLine(text, "VLSR", GeneralNumberText(header.Vlsr, HeaderDigits));
    AddLine(text, "Ra", header.Ra);
    AddLine(text, "Dec", header.Dec);
    AddLine(text, "GLat", header.GLat);
    AddLine(text, "GLong", header.GLong);
    AddLine(text, "Latitude", header.Latitude);
    AddLine(text, "Longitude", header.Longitude);
    AddLine(text, "Elevation", GeneralNumberText(header.Elevation, HeaderDigits));
    AddLine(text, "File time", header.FileTime);
    if (!header.Smoothing.empty())
        AddLine(text, "Smoothing", header.Smoothing);

    for (std::size_t i = 0; i < count; ++i) {
        AppendGeneralNumber(text, x[i], DataDigits);
        text += ',';
        AppendGeneralNumber(text, y[i], DataDigits);
        text += LineEnd;
    }
    return text;
}

namespace {

// What a file that is not a regular one is, for the message that refuses it.
QString KindOfFile(mode_t mode) {
    switch (mode & S_IFMT) {
    case S_IFDIR:
        return QStringLiteral("a folder");
    case S_IFIFO:
        return QStringLiteral("a FIFO");
    case S_IFCHR:
    case S_IFBLK:
        return QStringLiteral("a device");
    case S_IFSOCK:
        return QStringLiteral("a socket");
    default:
        return QStringLiteral("a special file");
    }
}

} // namespace

std::string NotRegularTarget(const std::string& path) {
    // stat() follows a symbolic link, as QSaveFile does: a link to a regular file may be
    // saved over.
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || S_ISREG(status.st_mode))
        return std::string();
    return QStringLiteral("it is %1, not a regular file")
        .arg(KindOfFile(status.st_mode))
        .toStdString();
}

void WriteTextFileSafely(const std::string& path, const std::string& text) {
    const QString name = QString::fromStdString(path);
    const auto failure = [&](const QString& reason) {
        return std::runtime_error("Cannot save \"" + path + "\": " + reason.toStdString());
    };
    // QSaveFile renames its temporary file over whatever the name is, a FIFO or a device node
    // too (as root, /dev/null), so only a regular file is replaced. The link's target is
    // written and the link stays.
    if (const std::string refused = NotRegularTarget(QFile::encodeName(name).toStdString());
        !refused.empty())
        throw failure(QString::fromStdString(refused));
    // Save as must never leave a file emptied or cut short: QSaveFile writes a temporary file
    // and renames it over the old one only after every byte is written. No direct-write
    // fallback, for the same reason.
    QSaveFile file(name);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        throw failure(file.errorString());
    const auto cancel = [&](const QString& reason) {
        file.cancelWriting();
        return failure(reason);
    };
    // A write may be cut short without an error (a file-size limit, a full disk): write the
    // rest until it is all out or the device names its error.
    const qint64 size = static_cast<qint64>(text.size());
    qint64 written = 0;
    while (written < size) {
        const qint64 count = file.write(text.data() + written, size - written);
        if (count <= 0)
            throw cancel(file.error() != QFileDevice::NoError
                             ? file.errorString()
                             : QStringLiteral("only %1 of %2 bytes could be written")
                                   .arg(written)
                                   .arg(size));
        written += count;
    }
    // Less than QFileDevice's 16 KiB buffer (every saved spectrum) reaches the file only when
    // the buffer is flushed, and QSaveFile::commit() renames the temporary file over the old
    // one even when that flush failed or the data never reached the disk. So the flush and the
    // sync happen here, and only a file known to be whole is committed.
    // A flush cut short is no error to the device either: flush on while bytes go out; the
    // attempt that writes none names the reason.
    for (qint64 left = file.bytesToWrite(); !file.flush(); left = file.bytesToWrite())
        if (file.bytesToWrite() >= left)
            throw cancel(file.errorString());
    if (::fsync(file.handle()) != 0)
        throw cancel(QString::fromLocal8Bit(std::strerror(errno)));
    if (!file.commit())
        throw failure(file.errorString());
}
