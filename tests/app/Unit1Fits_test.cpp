// File > Export FITS spectrum...: the spectrum as shown, written as a whole or not at all.
#include "app/MainWindowFixture.h"
#include "support/SmallDisk.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <cstring>

namespace {

// The header cards of a FITS file (its first block up to END), and its first data value.
struct TFitsRead {
    QByteArray Header;
    std::vector<double> Data;
};

TFitsRead ReadFits(const QString& path, int count) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    const int end = static_cast<int>(bytes.indexOf("END" + QByteArray(77, ' ')));
    TFitsRead read{bytes.left(end), {}};
    const int data = (end / 2880 + 1) * 2880;
    for (int i = 0; i < count && data + 8 * (i + 1) <= bytes.size(); ++i) {
        unsigned char big[8];
        for (int k = 0; k < 8; ++k)
            big[k] = static_cast<unsigned char>(bytes[data + 8 * i + 7 - k]);
        double value = 0.0;
        std::memcpy(&value, big, sizeof value);
        read.Data.push_back(value);
    }
    return read;
}

// The line of Hump with channel 5 missing.
double HumpWithGap(int i) {
    return i == 5 ? 0.0 : Hump(i);
}

class ExportFits : public MainWindow {
protected:
    QString Export(TForm1& form, const QString& path) {
        Dialogs.SaveAnswers << path;
        form.miExportFits->trigger();
        return path;
    }
};

TEST_F(ExportFits, BelowExportGraphAndEnabledWithIt) {
    auto form = Open();
    const QList<QAction*> items = form->miFile->actions();
    const auto at = items.indexOf(form->miExportGraph);
    ASSERT_LT(at + 1, items.size());
    EXPECT_EQ(items[at + 1], form->miExportFits);
    EXPECT_EQ(form->miExportFits->text(), "Export &FITS spectrum...");
    EXPECT_EQ(form->miExportFits->objectName(), "miExportFits");
    EXPECT_FALSE(form->miExportFits->isEnabled());
    Read(*form, Spectrum("line.dat"));
    EXPECT_TRUE(form->miExportFits->isEnabled());
    form->miExportGraph->setEnabled(false);
    EXPECT_FALSE(form->miExportFits->isEnabled());
}

TEST_F(ExportFits, TheSpectrumAsShownWithTheSubtractedBaseline) {
    auto form = Shown(HumpWithGap);
    Dialogs.PopupAnswer = "miPuGenerate";
    DragOverLine(*form);
    form->miSubtract->trigger();
    const TFitsRead fits = ReadFits(Export(*form, Folder.filePath("line.fits")), 400);
    ASSERT_TRUE(Dialogs.Errors.isEmpty()) << Dialogs.Errors.join("; ").toStdString();
    EXPECT_TRUE(fits.Header.contains("CTYPE1  = 'FREQ-TAB'"));
    EXPECT_TRUE(fits.Header.contains("OBJECT  = 'line    '"));
    EXPECT_TRUE(fits.Header.contains("HISTORY Correlation = "));
    // The band's edges (dragged from channel 170 to 250) in Hz from the rest frequency, to
    // within the few channels a pixel column of the plot spans.
    const std::vector<double>& x = form->CurrentSession().XValues();
    const auto at = fits.Header.indexOf("HISTORY Fitted outside x = ");
    ASSERT_GE(at, 0);
    const QList<QByteArray> edges = fits.Header.mid(at + 27, 53).simplified().split(' ');
    ASSERT_GE(edges.size(), 3);
    EXPECT_NEAR(edges[0].toDouble(), x[170], 4 * (x[1] - x[0]));
    EXPECT_NEAR(edges[2].toDouble(), x[250], 4 * (x[1] - x[0]));
    const std::vector<double>& signal = form->CurrentSession().Signal();
    ASSERT_EQ(fits.Data.size(), signal.size());
    EXPECT_TRUE(std::isnan(fits.Data[5]));
    EXPECT_EQ(fits.Data[210], signal[210]) << "the corrected signal";
    EXPECT_NE(signal[210], Hump(210));
}

TEST_F(ExportFits, AFullDiskLeavesNothingAndSaysWhy) {
    const QString disk = Folder.filePath("disk");
    ASSERT_TRUE(QDir().mkpath(disk));
    TSmallDisk small(disk);
    if (!small.Mounted)
        GTEST_SKIP() << "cannot mount a small disk: " << small.Reason;
    auto form = Shown();
    small.Fill();
    Export(*form, disk + "/line.fits");
    ASSERT_EQ(Dialogs.Errors.size(), 1);
    EXPECT_TRUE(Dialogs.Errors[0].contains("Cannot save")) << Dialogs.Errors[0].toStdString();
    EXPECT_EQ(QDir(disk).entryList(QDir::Files | QDir::Hidden), QStringList{"filler"});
}

} // namespace
