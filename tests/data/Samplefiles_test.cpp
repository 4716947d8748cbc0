// The sample files shipped in Data/ read as they should: a whole spectrum each, the position in
// the name where the name carries one, and a line that stands out of the baseline.
#include "data/Filenameunit.h"
#include "data/Readunit.h"
#include "data/Spectrumunit.h"

#include <QDir>
#include <algorithm>
#include <gtest/gtest.h>

TEST(SampleFiles, EveryFileReads) {
    const QDir folder(QStringLiteral(KELVANE_SOURCE_DIR "/Data"));
    const QStringList names = folder.entryList({"*.dat"}, QDir::Files, QDir::Name);
    ASSERT_GE(names.size(), 5);
    ComputeAxisTables();
    SelectXAxis(ModeFrequency);
    int withPosition = 0;
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        TSpectrumFile file;
        ASSERT_NO_THROW(file.Read(folder.filePath(name).toStdString()));
        EXPECT_EQ(Signal.size(), 400u);
        EXPECT_EQ(PositionInFileName, name.startsWith('G'));
        withPosition += PositionInFileName ? 1 : 0;
        // The hydrogen line rises well above the median of the channels.
        std::vector<double> sorted = Signal;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_GT(sorted.back() - sorted[200], 10.0);
    }
    EXPECT_GE(withPosition, 4);
}
