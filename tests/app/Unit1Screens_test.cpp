// The main window on two screens side by side, the right one of twice the pixel density (the
// offscreen platform's screens of TwoScreens.json, which CTest names: the right one reports 192
// dpi, and Qt scales it by 2). Moving the window from one screen to the other draws the graph
// afresh at the new screen's device pixel ratio, with whatever it showed; the geometry, the
// pointer readout among it, stays in logical pixels.
#include "MainWindowFixture.h"
#include "app/Spineditunit.h"
#include "numeric/Numbertextunit.h"
#include "support/DevicePixels.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QWindow>

namespace {

// The plot rectangle (80, 40, 630, 500) with the edges that clipped lines may reach.
const QRect PlotArea(80, 40, 551, 461);

QRect DeviceArea(const QRect& logical, int ratio) {
    return QRect(logical.topLeft() * ratio, logical.size() * ratio);
}

class TwoScreens : public MainWindow {
protected:
    void SetUp() override {
        MainWindow::SetUp();
        const QList<QScreen*> screens = QGuiApplication::screens();
        ASSERT_EQ(screens.size(), 2) << "run through CTest: it sets the two offscreen screens";
        ASSERT_EQ(screens[0]->devicePixelRatio(), 1.0);
        ASSERT_EQ(screens[1]->devicePixelRatio(), 2.0);
    }

    // Puts the window on the left (ratio 1) or the right screen (ratio 2).
    void MoveTo(TForm1& form, int screen) {
        form.move(QGuiApplication::screens()[screen]->geometry().topLeft() + QPoint(40, 40));
        QCoreApplication::processEvents();
        ASSERT_EQ(form.screen(), QGuiApplication::screens()[screen]);
    }

    std::unique_ptr<TForm1> ShownOn(int screen) {
        auto form = Open();
        form->move(QGuiApplication::screens()[screen]->geometry().topLeft() + QPoint(40, 40));
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        return form;
    }
};

TEST_F(TwoScreens, PlotTakesTheRatioOfItsScreen) {
    auto form = ShownOn(1);
    TPlot* plot = form->PlotPanel();
    EXPECT_EQ(plot->DevicePixelRatio(), 2.0);
    EXPECT_EQ(plot->Picture().size(), QSize(1280, 1200));
    EXPECT_EQ(plot->size(), QSize(640, 600));
    Read(*form, Spectrum("line.dat"));
    EXPECT_EQ(plot->Picture().devicePixelRatio(), 2.0);
    EXPECT_EQ(plot->PlotRect().Right, 630) << "the plot rectangle stays in logical pixels";

    // What the widget paints on the screen is the picture, device pixel for device pixel.
    const QImage painted = plot->grab().toImage();
    EXPECT_EQ(painted.devicePixelRatio(), 2.0);
    EXPECT_TRUE(SamePixels(painted, plot->Picture()));
}

// From the left screen to the right and back: inside the plot rectangle the graph at ratio 2 is
// the graph at ratio 1 with each pixel a 2 x 2 block; the texts are drawn anew for the device
// pixels; back on the left screen the picture is the first one again.
TEST_F(TwoScreens, GraphDrawnAfreshWhenTheWindowMoves) {
    auto form = ShownOn(0);
    Read(*form, Spectrum("line.dat"));
    TPlot* plot = form->PlotPanel();
    ASSERT_EQ(plot->DevicePixelRatio(), 1.0);
    const QImage first = plot->Picture().copy();

    MoveTo(*form, 1);
    EXPECT_EQ(plot->DevicePixelRatio(), 2.0);
    const QImage dense = plot->Picture().copy();
    EXPECT_TRUE(SamePixels(dense.copy(DeviceArea(PlotArea, 2)), Enlarged(first.copy(PlotArea), 2)));
    // The title, drawn at the device resolution, is no enlargement of the one at ratio 1.
    const QRect title(200, 0, 240, 36);
    EXPECT_FALSE(SamePixels(dense.copy(DeviceArea(title, 2)), Enlarged(first.copy(title), 2)));
    EXPECT_TRUE(SamePixels(plot->Bitmap(), dense)) << "Show copied the new bitmap";

    MoveTo(*form, 0);
    EXPECT_EQ(plot->DevicePixelRatio(), 1.0);
    EXPECT_TRUE(SamePixels(plot->Picture(), first));
}

// The pointer readout in plot pixels and graph values, on the dense screen, from real pointer
// events at known logical points: the same texts as at ratio 1.
TEST_F(TwoScreens, ReadoutAtKnownLogicalPoints) {
    auto form = ShownOn(1);
    Read(*form, Spectrum("line.dat"));
    ASSERT_EQ(form->PlotPanel()->DevicePixelRatio(), 2.0);
    const TGraphLimits& limits = form->GraphLimits();
    // PixelToX and PixelToY of the graph's mapping, with L, T, R, B = 80, 40, 630, 500.
    auto valueX = [&](int px) {
        return limits.XMin + (limits.XMax - limits.XMin) * (px - 80) / 550.0;
    };
    auto valueY = [&](int py) {
        return limits.YMin + (limits.YMax - limits.YMin) * (500 - py) / 460.0;
    };
    QWindow* window = form->windowHandle();
    const QPoint origin = form->PlotPanel()->mapTo(form.get(), QPoint(0, 0));
    const struct {
        QPoint at;
        const char* coordinates;
    } cases[] = {{{80, 500}, "(0, 0)"},
                 {{630, 40}, "(550, 460)"},
                 {{355, 270}, "(275, 230)"},
                 {{81, 499}, "(1, 1)"}};
    for (const auto& c : cases) {
        QTest::mouseMove(window, origin + c.at);
        EXPECT_EQ(form->StatusText(0), c.coordinates);
        EXPECT_EQ(form->StatusText(1),
                  QString("(%1, %2)")
                      .arg(QString::fromStdString(ValueToText(valueX(c.at.x()))),
                           QString::fromStdString(ValueToText(valueY(c.at.y())))))
            << c.coordinates;
    }
    for (const QPoint outside : {QPoint(79, 300), QPoint(631, 300), QPoint(300, 501)}) {
        QTest::mouseMove(window, origin + outside);
        EXPECT_TRUE(form->StatusText(0).isEmpty()) << outside.x() << ", " << outside.y();
        EXPECT_TRUE(form->StatusText(1).isEmpty());
    }
}

// A fitted curve stays on the graph through the move, the curve that was drawn even when the
// number of coefficients changed since; so does the band of a drag still in progress.
TEST_F(TwoScreens, CurveAndBandFollowTheWindow) {
    auto form = ShownOn(0);
    Read(*form, Spectrum("line.dat"));
    TPlot* plot = form->PlotPanel();
    Dialogs.PopupAnswer = "miPuGenerate";
    DragOverLine(*form);
    ASSERT_GT(form->CurrentSession().Correlation(), 0.0);
    const QImage fitted = plot->Picture().copy();
    form->CSpinEdit1->setText("9");

    MoveTo(*form, 1);
    EXPECT_TRUE(SamePixels(plot->Picture().copy(DeviceArea(PlotArea, 2)),
                           Enlarged(fitted.copy(PlotArea), 2)));
    MoveTo(*form, 0);
    EXPECT_TRUE(SamePixels(plot->Picture(), fitted));

    // A drag on the dense screen, the button still down when the window moves.
    MoveTo(*form, 1);
    const int from = form->XToPixel(form->CurrentSession().XValues()[170]),
              to = form->XToPixel(form->CurrentSession().XValues()[250]);
    QTest::mousePress(plot, Qt::LeftButton, {}, QPoint(from, 300));
    QTest::mouseMove(plot, QPoint((from + to) / 2, 300));
    QTest::mouseMove(plot, QPoint(to, 300));
    ASSERT_TRUE(form->BandState().Dragging);
    const QImage band = plot->Picture().copy();
    MoveTo(*form, 0);
    int dashes = 0;
    for (int y = 41; y < 500; ++y)
        dashes += plot->Picture().pixel(to, y) == qRgb(0, 0, 0);
    EXPECT_GT(dashes, 100) << "the band's edge at column " << to;
    MoveTo(*form, 1);
    EXPECT_TRUE(SamePixels(plot->Picture(), band));
    QTest::mouseRelease(plot, Qt::LeftButton, {}, QPoint(to, 300));
}

} // namespace

// Edit > Copy graph and an enlarged window on the dense screen: the clipboard gets the graph's
// device pixels (twice the logical size each way), and the enlarged plot is drawn at ratio 2
// for its new size.
TEST_F(TwoScreens, CopiedAndEnlargedGraphsHaveTheScreensDensity) {
    auto form = ShownOn(1);
    Read(*form, Spectrum("line.dat"));
    form->miCopyGraph->trigger();
    const QImage copied = QGuiApplication::clipboard()->image();
    EXPECT_EQ(copied.size(), QSize(1280, 1200));
    EXPECT_TRUE(SamePixels(copied.convertToFormat(QImage::Format_RGB32),
                           form->PlotPanel()->Bitmap().convertToFormat(QImage::Format_RGB32)));
    form->resize(form->size() + QSize(100, 50));
    QCoreApplication::processEvents();
    TPlot* plot = form->PlotPanel();
    EXPECT_EQ(plot->size(), QSize(740, 650));
    EXPECT_EQ(plot->Picture().size(), QSize(1480, 1300));
    EXPECT_EQ(plot->Picture().devicePixelRatio(), 2.0);
}
