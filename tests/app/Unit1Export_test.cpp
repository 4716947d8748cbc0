// File > Export graph...: the plot's own pixels as PNG, the same drawing as SVG.
#include "app/MainWindowFixture.h"

#include <QAction>
#include <QDialog>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

namespace {

QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Pixels that differ between two images of the same size (-1 when the sizes differ).
int DifferingPixels(QImage a, QImage b) {
    a = a.convertToFormat(QImage::Format_RGB32);
    b = b.convertToFormat(QImage::Format_RGB32);
    if (a.size() != b.size())
        return -1;
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            count += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
    return count;
}

class ExportGraph : public MainWindow {
protected:
    QString Export(TForm1& form, const QString& name) {
        const QString path = Folder.filePath(name);
        Dialogs.SaveAnswers << path;
        form.miExportGraph->trigger();
        return path;
    }

    // The SVG drawn as an image of the plot's size.
    static QImage Rendered(const QByteArray& svg, const QSize& size) {
        QSvgRenderer renderer(svg);
        EXPECT_TRUE(renderer.isValid());
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::black);
        QPainter painter(&image);
        renderer.render(&painter);
        return image;
    }
};

TEST_F(ExportGraph, OfferedOnceASpectrumIsShown) {
    auto form = Open();
    EXPECT_EQ(form->miExportGraph->text(), "&Export graph...");
    EXPECT_EQ(form->miExportGraph->objectName(), "miExportGraph");
    EXPECT_FALSE(form->miExportGraph->isEnabled());
    form->miExportGraphClick(); // even called directly, nothing to export: no dialog
    EXPECT_TRUE(Dialogs.SaveAnswers.isEmpty());
    Read(*form, Spectrum("line.dat"));
    EXPECT_TRUE(form->miExportGraph->isEnabled());
}

TEST_F(ExportGraph, PngIsThePlotsOwnPixels) {
    auto form = Shown();
    const QImage png(Export(*form, "graph.png"));
    ASSERT_FALSE(png.isNull());
    EXPECT_EQ(png.size(), QSize(640, 600));
    EXPECT_EQ(DifferingPixels(png, form->PlotPanel()->Bitmap()), 0);

    // With the fitted curve over the graph, and after the subtraction.
    Dialogs.PopupAnswer = "miPuGenerate";
    DragOverLine(*form);
    EXPECT_EQ(DifferingPixels(QImage(Export(*form, "fitted.png")), form->PlotPanel()->Bitmap()), 0);
    form->miSubtract->trigger();
    const QImage corrected(Export(*form, "corrected.png"));
    EXPECT_EQ(DifferingPixels(corrected, form->PlotPanel()->Bitmap()), 0);
    EXPECT_GT(DifferingPixels(corrected, png), 1000) << "a new picture, not an old one";
}

TEST_F(ExportGraph, SvgIsTheSameDrawingInVectors) {
    auto form = Shown();
    const QByteArray svg = Contents(Export(*form, "graph.svg"));
    ASSERT_TRUE(svg.startsWith("<?xml"));
    EXPECT_TRUE(svg.contains("viewBox=\"0 0 640 600\""));
    EXPECT_FALSE(svg.contains("<image")) << "lines and text, not a picture";
    EXPECT_TRUE(svg.contains(">line.dat</text>") || svg.contains(">line.dat<"));
    EXPECT_TRUE(svg.contains("Frequency v Signal"));
    EXPECT_TRUE(svg.contains("stroke=\"#0000ff\"")) << "the blue curve";

    // Drawn out, it has the plot's geometry: the background, the plot area and every pixel of
    // the grid in the same places (lines run through pixel centres, so they stay one pixel
    // wide); only antialiased edges of the curve and the glyphs differ.
    const QImage bitmap = form->PlotPanel()->Bitmap().convertToFormat(QImage::Format_RGB32);
    const QImage drawn = Rendered(svg, bitmap.size());
    const int differing = DifferingPixels(drawn, bitmap);
    EXPECT_GE(differing, 0);
    EXPECT_LT(differing, bitmap.width() * bitmap.height() / 15);
    int grid = 0, gridMoved = 0;
    for (int y = 0; y < bitmap.height(); ++y)
        for (int x = 0; x < bitmap.width(); ++x)
            if (bitmap.pixel(x, y) == qRgb(0x80, 0x80, 0x80)) {
                ++grid;
                gridMoved += drawn.pixel(x, y) != bitmap.pixel(x, y) ? 1 : 0;
            }
    EXPECT_GT(grid, 5000);
    EXPECT_LT(gridMoved, grid / 50) << "grid pixels not where the plot has them";
    for (const QPoint& at : {QPoint(5, 300), QPoint(300, 595), QPoint(600, 45), QPoint(80, 300)})
        EXPECT_EQ(drawn.pixel(at), bitmap.pixel(at)) << at.x() << "," << at.y();
}

TEST_F(ExportGraph, SvgShowsTheFittedCurveAsTheWindowDoes) {
    auto form = Shown();
    Dialogs.PopupAnswer = "miPuGenerate";
    DragOverLine(*form);
    const QByteArray fitted = Contents(Export(*form, "fitted.svg"));
    EXPECT_TRUE(fitted.contains("stroke=\"#ff0000\"")) << "the red fitted curve";
    EXPECT_FALSE(fitted.contains("v Signal")) << "drawn over the graph without its titles";
    form->miSubtract->trigger();
    const QByteArray corrected = Contents(Export(*form, "corrected.svg"));
    EXPECT_FALSE(corrected.contains("stroke=\"#ff0000\""));
    EXPECT_TRUE(corrected.contains("Frequency (corrected)  v Signal"));
}

TEST_F(ExportGraph, AFileThatCannotBeWrittenIsReported) {
    auto form = Shown();
    Export(*form, "no-such-folder/graph.png");
    ASSERT_EQ(Dialogs.Errors.size(), 1);
    EXPECT_TRUE(Dialogs.Errors[0].contains("Cannot save")) << Dialogs.Errors[0].toStdString();
    EXPECT_FALSE(QFile::exists(Folder.filePath("no-such-folder/graph.png")));
    Dialogs.SaveAnswers.clear();
    form->miExportGraph->trigger(); // cancelled: nothing happens
    EXPECT_EQ(Dialogs.Errors.size(), 1);
}

} // namespace
