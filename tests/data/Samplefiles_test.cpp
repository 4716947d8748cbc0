// The sample files shipped in Data/ read as they should: a whole spectrum each, the position in
// the name where the name carries one, and a line that stands out of the baseline.
#include "data/Readunit.h"
#include "data/Spectrumunit.h"
#include "session/Filenameunit.h"
#include "session/Sessionunit.h"

#include <QDir>
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>

TEST(SampleFiles, EveryFileReads) {
    const QDir folder(QStringLiteral(KELVANE_SOURCE_DIR "/Data"));
    const QStringList names = folder.entryList({"*.dat"}, QDir::Files, QDir::Name);
    ASSERT_GE(names.size(), 5);
    int withPosition = 0;
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        TSession session;
        ASSERT_NO_THROW(session.Read(folder.filePath(name).toStdString()));
        EXPECT_EQ(session.Signal().size(), 400u);
        EXPECT_EQ(session.PositionInFileName(), name.startsWith('G'));
        withPosition += session.PositionInFileName() ? 1 : 0;
        // The hydrogen line rises well above the median of the channels.
        std::vector<double> sorted = session.Signal();
        std::sort(sorted.begin(), sorted.end());
        EXPECT_GT(sorted.back() - sorted[200], 10.0);
    }
    EXPECT_GE(withPosition, 4);
}

TEST(SampleFiles, EveryValueIsThatOfItsText) {
    // The items of the sample files are plain decimal numbers between white space: each one
    // converted on its own by std::from_chars (correctly rounded) must give the very double
    // that the reader keeps.
    const QDir folder(QStringLiteral(KELVANE_SOURCE_DIR "/Data"));
    const QStringList names = folder.entryList({"*.dat"}, QDir::Files, QDir::Name);
    ASSERT_GE(names.size(), 5);
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const std::string path = folder.filePath(name).toStdString();
        TSpectrumFile file;
        ASSERT_NO_THROW(file.Read(path));
        std::ifstream text(path, std::ios::binary);
        std::string line;
        std::getline(text, line); // the header
        std::vector<double> expected;
        std::string item;
        while (text >> item) {
            double value = 0.0;
            const auto result = std::from_chars(item.data(), item.data() + item.size(), value);
            ASSERT_TRUE(result.ec == std::errc() && result.ptr == item.data() + item.size())
                << item;
            expected.push_back(value);
        }
        ASSERT_EQ(file.Items.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            std::uint64_t kept = 0;
            std::uint64_t converted = 0;
            std::memcpy(&kept, &file.Items[i], sizeof kept);
            std::memcpy(&converted, &expected[i], sizeof converted);
            EXPECT_EQ(kept, converted) << "item " << i;
        }
    }
}
