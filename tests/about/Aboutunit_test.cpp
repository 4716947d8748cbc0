#include "about/Aboutunit.h"

#include <QApplication>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

class About : public ::testing::Test {
protected:
    void SetUp() override {
        Box.reset(CreateAboutBox());
        Box->OpenUrl = [this](const QUrl& url) {
            Opened << url.toString();
            return Answer;
        };
    }
    template <class T> T* Control(const char* name) {
        auto* control = Box->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    QString Text(const char* name) { return Control<QLabel>(name)->text(); }

    std::unique_ptr<TAboutBox> Box;
    QStringList Opened;
    bool Answer = true;
};

} // namespace

// The texts of the build: project(Kelvane VERSION 2.8), company Fernhollow, the maker's
// addresses.
TEST_F(About, TextsFromTheBuild) {
    EXPECT_EQ(Box->windowTitle(), "About Kelvane");
    EXPECT_EQ(Box->ProductVersion(), "2.8");
    const struct {
        const char* name;
        QString text;
    } labels[] = {
        {"lblProductName", "Kelvane"},
        {"lblFileVersion", "File Version 2.8"},
        {"lblProductVersion", "Product Version 2.8"},
        {"lblAuthor", QString::fromUtf8("\u00a9 Fernhollow")},
        {"lblAddress", "kelvane@fernhollow.example"},
        {"lblWebSite", "www.fernhollow.example"},
    };
    for (const auto& label : labels)
        EXPECT_EQ(Text(label.name), label.text) << label.name;
    EXPECT_FALSE(Text("lblComments").isEmpty());
    EXPECT_NE(Text("lblComments"), "lblComments");
    EXPECT_EQ(Control<QPushButton>("OKButton")->text(), "OK");
    EXPECT_TRUE(Control<QPushButton>("OKButton")->isDefault());
}

TEST_F(About, MissingVersionInformationLeavesTheDesignTexts) {
    TAboutBox box(nullptr, "web", "mail", TVersionInfo());
    EXPECT_EQ(box.windowTitle(), "About ");
    const struct {
        const char* name;
        QString text;
    } labels[] = {
        {"lblProductName", ""},
        {"lblFileVersion", "File Version "},
        {"lblProductVersion", "Product Version "},
        {"lblAuthor", QString::fromUtf8("\u00a9 ")},
        {"lblAddress", "mail"},
        {"lblWebSite", "web"},
        {"lblComments", ""},
    };
    for (const auto& label : labels)
        EXPECT_EQ(box.findChild<QLabel*>(label.name)->text(), label.text) << label.name;
}

TEST_F(About, ControlsOneBelowTheOther) {
    Box->ShowModeless();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Box.get()));
    const char* order[] = {"lblProductName", "lblFileVersion", "lblProductVersion", "lblAuthor",
                           "lblAddress",     "lblWebSite",     "lblComments"};
    auto* panel = Control<QWidget>("Panel1");
    int previousBottom = -1;
    for (const char* name : order) {
        auto* label = Control<QLabel>(name);
        EXPECT_EQ(label->parentWidget(), panel) << name;
        EXPECT_GT(label->geometry().top(), previousBottom) << name;
        previousBottom = label->geometry().bottom();
    }
    auto* icon = Control<QLabel>("IconImage");
    EXPECT_EQ(icon->size(), QSize(33, 33));
    EXPECT_FALSE(icon->pixmap().isNull());
    // The OK button stands below the panel.
    EXPECT_GT(Control<QPushButton>("OKButton")->geometry().top(), panel->geometry().bottom());
}

TEST_F(About, FixedSizeCentredModeless) {
    Box->ShowModeless();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Box.get()));
    EXPECT_FALSE(Box->isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(Box->minimumSize(), Box->maximumSize());
    const QPoint screenCentre = Box->screen()->availableGeometry().center();
    EXPECT_LE((Box->frameGeometry().center() - screenCentre).manhattanLength(), 2);
    // An open box does not keep the program running after the main window closed.
    EXPECT_FALSE(Box->testAttribute(Qt::WA_QuitOnClose));
}

TEST_F(About, LinksAreBlueWithHints) {
    for (const char* name : {"lblAddress", "lblWebSite"}) {
        const QColor colour = Control<QLabel>(name)->palette().color(QPalette::WindowText);
        EXPECT_GT(colour.blue(), 2 * std::max(colour.red(), colour.green())) << name;
    }
    EXPECT_EQ(Control<QLabel>("lblAddress")->toolTip(), "Send mail to author");
    EXPECT_EQ(Control<QLabel>("lblWebSite")->toolTip(), "Author's website");
}

TEST_F(About, ClickedLinksOpenMailAndWeb) {
    Box->ShowModeless();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Box.get()));
    QTest::mouseClick(Control<QLabel>("lblAddress"), Qt::LeftButton);
    QTest::mouseClick(Control<QLabel>("lblWebSite"), Qt::LeftButton);
    EXPECT_EQ(Opened, (QStringList{"mailto:kelvane@fernhollow.example?subject=Kelvane",
                                   "http://www.fernhollow.example"}));
}

TEST_F(About, NoOpeningWithoutAClick) {
    Box->ShowModeless();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Box.get()));
    auto* address = Control<QLabel>("lblAddress");
    // Pressed on the link, released off it; a right click.
    QTest::mousePress(address, Qt::LeftButton);
    QTest::mouseRelease(address, Qt::LeftButton, {}, QPoint(address->width() + 20, -20));
    QTest::mouseClick(address, Qt::RightButton);
    QTest::mouseClick(Control<QLabel>("lblProductName"), Qt::LeftButton);
    EXPECT_TRUE(Opened.isEmpty()) << Opened.join(", ").toStdString();
}

TEST_F(About, FailingRequestShowsNothing) {
    Answer = false;
    Box->ShowModeless();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Box.get()));
    QTest::mouseClick(Control<QLabel>("lblWebSite"), Qt::LeftButton);
    EXPECT_EQ(Opened, QStringList{"http://www.fernhollow.example"});
    QCoreApplication::processEvents();
    int visible = 0;
    for (const QWidget* window : QApplication::topLevelWidgets())
        visible += window->isVisible();
    EXPECT_EQ(visible, 1); // the about box alone, no message
    EXPECT_TRUE(Box->isVisible());
}

TEST_F(About, OkHidesAndShowingAgainIsTheSameBox) {
    Box->ShowModeless();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Box.get()));
    const QPoint moved = Box->pos() + QPoint(30, 20);
    Box->move(moved);
    QTest::mouseClick(Control<QPushButton>("OKButton"), Qt::LeftButton);
    EXPECT_FALSE(Box->isVisible());

    Box->ShowModeless();
    EXPECT_TRUE(Box->isVisible());
    EXPECT_EQ(Box->windowTitle(), "About Kelvane");
    EXPECT_EQ(Text("lblFileVersion"), "File Version 2.8");
    EXPECT_EQ(Box->pos(), moved); // back where the user left it
}

TEST_F(About, OwnedByItsOwner) {
    EXPECT_EQ(Box->parent(), nullptr);
    QWidget window;
    TAboutBox* box = CreateAboutBox(&window);
    EXPECT_EQ(box->parent(), &window);
    EXPECT_EQ(box->ProductVersion(), "2.8");
}

// Points of the icon's own drawing (a 128-unit square): the top of the yellow spectrum peak at
// (68, 24) and the blue plot background at (24, 60).
TEST(ApplicationIcon, RendersFromTheResource) {
    const QIcon icon = ApplicationIcon();
    ASSERT_FALSE(icon.isNull());
    const QImage image = icon.pixmap(128, 128).toImage();
    ASSERT_EQ(image.size(), QSize(128, 128)) << "Qt's SVG icon engine is missing";
    const QColor peak = image.pixelColor(68, 24), background = image.pixelColor(24, 60);
    EXPECT_GT(peak.red(), 200);
    EXPECT_GT(peak.green(), 180);
    EXPECT_LT(peak.blue(), 160);
    EXPECT_GT(background.blue(), background.red() + 60);
    EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0); // rounded corner, transparent
}
