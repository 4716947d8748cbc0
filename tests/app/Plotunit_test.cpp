// The plot panel as a widget: its place in the window, the picture it paints, and the mouse
// events it passes on. The drawing itself is the canvas's (Canvasunit_test.cpp).
#include "app/Plotunit.h"
#include "plot/SmallPlot.h"

#include <QCoreApplication>
#include <QPainter>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

std::unique_ptr<TPlot> MakePlot() {
    return Dressed(std::make_unique<TPlot>(nullptr, TRect(0, 0, 300, 200)));
}

TEST(TPlot, ConstructionAndClear) {
    QWidget owner;
    owner.resize(400, 300);
    TPlot plot(&owner, TRect(310, 220, 10, 20));
    EXPECT_EQ(plot.parentWidget(), &owner);
    EXPECT_EQ(plot.geometry(), QRect(10, 20, 300, 200));
    EXPECT_EQ(plot.Bitmap().size(), QSize(300, 200));
    EXPECT_EQ(plot.PlotRect().Left, 10);
    EXPECT_EQ(plot.PlotRect().Bottom, 220);

    plot.SetBackgroundColor(Yellow);
    plot.SetPlotAreaColor(White);
    plot.Pen.setColor(Qt::red);
    plot.Pen.setWidth(3);
    plot.SetPlotRect(Area);
    EXPECT_EQ(plot.Bitmap().size(), QSize(300, 200));
    EXPECT_EQ(plot.Pen.color(), QColor(Qt::black));
    EXPECT_EQ(plot.Pen.width(), 1);
    EXPECT_EQ(plot.Brush.color().rgb(), Rgb(255, 255, 255));

    const QRgb black = Rgb(0, 0, 0), yellow = Rgb(255, 255, 0), white = Rgb(255, 255, 255);
    const struct {
        QPoint at;
        QRgb colour;
    } pixels[] = {
        // Outline of the whole bitmap, then its fill.
        {{0, 0}, black},
        {{299, 199}, black},
        {{5, 5}, yellow},
        {{290, 195}, yellow},
        // Outline of the plot rectangle: columns 20..279, rows 10..189.
        {{20, 10}, black},
        {{279, 189}, black},
        {{150, 10}, black},
        {{20, 100}, black},
        {{280, 100}, yellow},
        {{150, 190}, yellow},
        // Its fill.
        {{21, 11}, white},
        {{278, 188}, white},
        {{150, 100}, white},
    };
    for (const auto& p : pixels)
        EXPECT_EQ(plot.Bitmap().pixel(p.at), p.colour) << p.at.x() << ", " << p.at.y();
}

// Counts the paint events of the watched widget.
class TPaintCount : public QObject {
public:
    int Count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        Count += event->type() == QEvent::Paint;
        return false;
    }
};

// Whatever changes the picture (a Show of new drawing, marks on the picture) is repainted, and
// what is painted is the picture.
TEST(TPlot, RepaintsThePictureWhenItChanges) {
    auto plot = MakePlot();
    plot->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(plot.get()));
    QCoreApplication::processEvents();
    TPaintCount paints;
    plot->installEventFilter(&paints);
    const struct {
        const char* name;
        std::function<void()> change;
    } cases[] = {
        {"Show",
         [&] {
             plot->MoveTo(30, 30);
             plot->LineTo(250, 170);
             plot->Show();
         }},
        {"DrawOnPicture",
         [&] { plot->DrawOnPicture([](QPainter& p) { p.fillRect(40, 40, 20, 20, Qt::red); }); }},
    };
    for (const auto& c : cases) {
        paints.Count = 0;
        c.change();
        QCoreApplication::processEvents();
        EXPECT_GE(paints.Count, 1) << c.name;
        EXPECT_TRUE(plot->grab().toImage().convertToFormat(QImage::Format_RGB32) ==
                    plot->Picture().convertToFormat(QImage::Format_RGB32))
            << c.name;
    }
}

TEST(TPlot, MouseEventsReachTheCallbacks) {
    auto plot = MakePlot();
    struct TEvent {
        char kind;
        Qt::MouseButton button;
        Qt::KeyboardModifiers modifiers;
        QPoint at;
    };
    std::vector<TEvent> events;
    plot->OnMouseDown = [&](Qt::MouseButton b, Qt::KeyboardModifiers m, int x, int y) {
        events.push_back({'d', b, m, {x, y}});
    };
    plot->OnMouseUp = [&](Qt::MouseButton b, Qt::KeyboardModifiers m, int x, int y) {
        events.push_back({'u', b, m, {x, y}});
    };
    plot->OnMouseMove = [&](Qt::KeyboardModifiers m, int x, int y) {
        events.push_back({'m', Qt::NoButton, m, {x, y}});
    };
    plot->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(plot.get()));

    QTest::mouseMove(plot.get(), QPoint(40, 50)); // no button held
    QTest::mouseClick(plot.get(), Qt::LeftButton, Qt::ShiftModifier, QPoint(60, 70));
    QTest::mouseClick(plot.get(), Qt::RightButton, Qt::NoModifier, QPoint(90, 80));

    std::vector<TEvent> presses;
    bool moved = false;
    for (const TEvent& e : events) {
        if (e.kind == 'm')
            moved = moved || e.at == QPoint(40, 50);
        else
            presses.push_back(e);
    }
    EXPECT_TRUE(moved);
    ASSERT_EQ(presses.size(), 4u);
    const TEvent expected[] = {{'d', Qt::LeftButton, Qt::ShiftModifier, {60, 70}},
                               {'u', Qt::LeftButton, Qt::ShiftModifier, {60, 70}},
                               {'d', Qt::RightButton, Qt::NoModifier, {90, 80}},
                               {'u', Qt::RightButton, Qt::NoModifier, {90, 80}}};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(presses[i].kind, expected[i].kind) << i;
        EXPECT_EQ(presses[i].button, expected[i].button) << i;
        EXPECT_EQ(presses[i].modifiers, expected[i].modifiers) << i;
        EXPECT_EQ(presses[i].at, expected[i].at) << i;
    }
}

} // namespace
