#include "data/Saveunit.h"

#include "data/Spectrumunit.h"

#include <QLocale>
#include <QSaveFile>
#include <QString>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <stdexcept>

namespace {

const char LineEnd[] = "\r\n";
constexpr int HeaderDigits = 6;
constexpr int DataDigits = 10;

void AddLine(std::string& text, const std::string& name, const std::string& value) {
    text += name;
    text += " = ";
    text += value;
    text += LineEnd;
}

} // namespace

std::string GeneralNumberText(double value, int significantDigits) {
    // to_chars rather than printf: the same %g form, but never the locale's decimal comma.
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                      std::chars_format::general, significantDigits);
    return std::string(buffer, result.ptr);
}

std::string SavedText(const TSaveHeader& header, const std::vector<double>& x,
                      const std::vector<double>& y) {
    const std::size_t count = std::min(x.size(), y.size());
    std::string text;
    // About 25 characters per data line; the header is small.
    text.reserve(1024 + count * 25);

    AddLine(text, "Filename", header.FileName);
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

    for (std::size_t i = 0; i < count; ++i) {
        text += GeneralNumberText(x[i], DataDigits);
        text += ',';
        text += GeneralNumberText(y[i], DataDigits);
        text += LineEnd;
    }
    return text;
}

double ElevationFromText(const std::string& text) {
    double value = 0.0;
    if (!TextToFloat(text, value))
        throw std::invalid_argument(InvalidFloatMessage(text));
    return value;
}

void WriteTextFileSafely(const std::string& path, const std::string& text) {
    const QString name = QString::fromStdString(path);
    const auto failure = [&](const QString& reason) {
        return std::runtime_error("Cannot save \"" + path + "\": " + reason.toStdString());
    };
    // Save as must never leave a file emptied or cut short: QSaveFile writes a temporary file
    // and renames it over the old one only after every byte is written. No direct-write
    // fallback, for the same reason.
    QSaveFile file(name);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        throw failure(file.errorString());
    // A write may be cut short without an error (a file-size limit, a full disk): write the
    // rest until it is all out or the device names its error.
    const qint64 size = static_cast<qint64>(text.size());
    qint64 written = 0;
    while (written < size) {
        const qint64 count = file.write(text.data() + written, size - written);
        if (count <= 0) {
            const QString reason =
                file.error() != QFileDevice::NoError
                    ? file.errorString()
                    : QStringLiteral("only %1 of %2 bytes could be written").arg(written).arg(size);
            file.cancelWriting();
            throw failure(reason);
        }
        written += count;
    }
    if (!file.commit())
        throw failure(file.errorString());
}
