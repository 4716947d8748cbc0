#include "settings/Formsettings.h"
#include "support/TestSettings.h"

#include <QSettings>
#include <gtest/gtest.h>
#include <limits>

TEST(TFormSettings, StoredValuesAndDefaults) {
    const struct {
        QVariant left, top, hints;
        int expectedLeft, expectedTop;
        bool expectedHints;
    } cases[] = {
        {QVariant(), QVariant(), QVariant(), 100, 100, true},
        {QVariant(250), QVariant("-40"), QVariant("0"), 250, -40, false},
        {QVariant(" 260 "), QVariant("12.5"), QVariant(7), 260, 100, true},
        {QVariant("abc"), QVariant(99999999999LL), QVariant("no"), 100, 100, true},
    };
    for (const auto& c : cases) {
        ClearTestSettings();
        {
            QSettings store("Fernhollow", "Kelvane");
            for (const auto& [name, value] :
                 {std::pair{"Form/Left", c.left}, std::pair{"Form/Top", c.top},
                  std::pair{"Form/Hints", c.hints}})
                if (value.isValid())
                    store.setValue(name, value);
        }
        const TFormSettings s = TFormSettings::Read();
        EXPECT_EQ(s.Left, c.expectedLeft) << c.left.toString().toStdString();
        EXPECT_EQ(s.Top, c.expectedTop) << c.top.toString().toStdString();
        EXPECT_EQ(s.Hints, c.expectedHints) << c.hints.toString().toStdString();
    }
}

TEST(TFormSettings, WrittenAsTheProgramReadsThem) {
    ClearTestSettings();
    TFormSettings s;
    s.Left = -1200;
    s.Top = 33;
    s.Hints = false;
    s.Write();
    QSettings store("Fernhollow", "Kelvane");
    EXPECT_EQ(store.value("Form/Hints").toString(), "0");
    EXPECT_EQ(store.value("Form/Left").toInt(), -1200);
    const TFormSettings back = TFormSettings::Read();
    EXPECT_EQ(back.Left, -1200);
    EXPECT_EQ(back.Top, 33);
    EXPECT_FALSE(back.Hints);
}

TEST(TFormSettings, SizeMaximisedAndRecentFilesGoAndComeBack) {
    ClearTestSettings();
    TFormSettings s;
    s.Width = 1300;
    s.Height = 900;
    s.Maximized = true;
    s.RecentFiles = {"/data/b b.dat", "/data/a,=;.dat"};
    s.Write();
    TFormSettings back = TFormSettings::Read();
    EXPECT_EQ(back.Width, 1300);
    EXPECT_EQ(back.Height, 900);
    EXPECT_TRUE(back.Maximized);
    EXPECT_EQ(back.RecentFiles, s.RecentFiles);
    // A shorter list leaves none of the longer one's names behind.
    s.RecentFiles = {"/data/c.dat"};
    s.Write();
    back = TFormSettings::Read();
    EXPECT_EQ(back.RecentFiles, QStringList{"/data/c.dat"});
}

TEST(WithRecentFile, LatestFirstNoTwiceAtMostTen) {
    QStringList ten;
    for (int i = 0; i < 10; ++i)
        ten << QString("f%1").arg(i);
    const struct {
        const char* name;
        QStringList recent;
        QString path;
        QStringList expected;
    } cases[] = {
        {"first file", {}, "a", {"a"}},
        {"new at the front", {"a", "b"}, "c", {"c", "a", "b"}},
        {"again: moved to the front", {"a", "b", "c"}, "c", {"c", "a", "b"}},
        {"the oldest drops out",
         ten,
         "x",
         {"x", "f0", "f1", "f2", "f3", "f4", "f5", "f6", "f7", "f8"}},
        {"an empty path changes nothing", {"a"}, "", {"a"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WithRecentFile(c.recent, c.path), c.expected) << c.name;
}

TEST(SizeOnScreens, WithinTheLargestScreenNeverBelowTheSmallest) {
    const QSize smallest(846, 724);
    const QRect hd(0, 0, 1920, 1050), small(1920, 0, 1024, 738);
    const struct {
        const char* name;
        QSize stored;
        QList<QRect> screens;
        QSize expected;
    } cases[] = {
        {"fits", {1300, 900}, {hd}, {1300, 900}},
        {"stored on a larger monitor", {2560, 1400}, {hd}, {1920, 1050}},
        {"the larger of two screens counts", {1500, 1000}, {small, hd}, {1500, 1000}},
        {"below the smallest", {300, 200}, {hd}, smallest},
        {"a low screen", {1000, 800}, {small}, {1000, 738}},
        {"a screen smaller than the smallest size", {1000, 800}, {QRect(0, 0, 800, 600)}, smallest},
        {"no screen known", {1300, 900}, {}, {1300, 900}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SizeOnScreens(c.stored, smallest, c.screens), c.expected) << c.name;
}

TEST(PlaceOnScreen, ReachableWindowsStayOrMoveWhollyOntoTheirScreen) {
    const QRect primary(0, 0, 1920, 1040);
    const QRect left(-1280, 0, 1280, 1024); // a second monitor left of the primary one
    const QSize frame(846, 724);
    const struct {
        const char* name;
        QPoint stored;
        QList<QRect> screens;
        QPoint placed;
    } cases[] = {
        {"on the primary screen", {100, 100}, {primary}, {100, 100}},
        {"partly off the right edge: moved in", {1800, 200}, {primary}, {1920 - 846, 200}},
        {"the default place on a 1024 x 768 screen",
         {100, 100},
         {QRect(0, 0, 1024, 738)},
         {100, 738 - 724}},
        {"below the second monitor's bottom", {-1000, 900}, {primary, left}, {-1000, 1024 - 724}},
        {"on the second monitor", {-1000, 50}, {primary, left}, {-1000, 50}},
        {"the second monitor is gone", {-1000, 50}, {primary}, {100, 100}},
        {"title bar above the screen", {100, -30}, {primary}, {100, 100}},
        {"only 50 pixels of title bar left", {1870, 100}, {primary}, {100, 100}},
        {"far away", {40000, 40000}, {primary}, {100, 100}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PlaceOnScreen(c.stored, frame, c.screens, primary), c.placed) << c.name;
    // A primary screen too small for the default offset gets its own corner.
    EXPECT_EQ(PlaceOnScreen({5000, 5000}, frame, {QRect(0, 0, 800, 600)}, QRect(0, 0, 800, 600)),
              QPoint(0, 0));
}

// Values a damaged or hand-edited settings file may hold: placing them must not overflow
// (UBSan caught it for a stored Left of 2147483600, which landed the window at x = -48), and
// the window's corner comes out on the screen.
TEST(PlaceOnScreen, ExtremeStoredValuesLandOnTheScreen) {
    constexpr int Max = std::numeric_limits<int>::max();
    constexpr int Min = std::numeric_limits<int>::min();
    const QRect primary(0, 0, 1920, 1040);
    const struct {
        QPoint stored;
        QSize frame;
    } cases[] = {
        {{2147483600, 100}, {846, 724}}, {{Max, Max}, {846, 724}}, {{Min, Min}, {846, 724}},
        {{100, Max}, {846, 724}},        {{Min, 100}, {846, 724}}, {{Max, Min}, {846, 724}},
        {{100, 100}, {Max, Max}},        {{Max, Max}, {Max, Max}},
    };
    for (const auto& c : cases) {
        const QPoint placed = PlaceOnScreen(c.stored, c.frame, {primary}, primary);
        EXPECT_TRUE(primary.contains(placed))
            << "stored " << c.stored.x() << ", " << c.stored.y() << ", frame " << c.frame.width()
            << " x " << c.frame.height() << ": placed at " << placed.x() << ", " << placed.y();
    }
}
