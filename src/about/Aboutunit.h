// The about box: product name, versions, company, comments, and the maker's mail and web
// links. The main window owns one box for its whole life.
//
// How the program uses it:
//   - Main window caption: AboutBox = CreateAboutBox(this) when the window is made, then
//     "Kelvane" + " Version " + AboutBox->ProductVersion() = "Kelvane Version 2.8".
//   - Help > About (miAboutClick): AboutBox->ShowModeless().
//   - Window icon: ApplicationIcon() (the same picture as the box's IconImage).
#pragma once

#include <QDialog>
#include <QIcon>
#include <QString>
#include <QUrl>
#include <functional>

class QLabel;
class QPushButton;

// The five texts of the program's version information. On this platform they come from the
// build (BuildVersionInfo); any of them may be empty.
struct TVersionInfo {
    QString FileVersion;
    QString ProductVersion;
    QString CompanyName;
    QString ProductName;
    QString Comments;
};

// Product name "Kelvane", versions from project() in CMakeLists.txt, company "Fernhollow" and
// the one-line comments, as generated into about/Versionunit.h.
TVersionInfo BuildVersionInfo();

// The application's icon (resource ":/kelvane.svg", drawn by Qt's SVG icon engine).
QIcon ApplicationIcon();

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    // owner may be null (a top-level box). The addresses are shown as the texts of lblWebSite
    // and lblAddress; info gives the version texts.
    TAboutBox(QWidget* owner, const QString& webAddress, const QString& mailAddress,
              const TVersionInfo& info = BuildVersionInfo());
    ~TAboutBox() override;

    QString FileVersion() const { return Info.FileVersion; }
    QString ProductVersion() const { return Info.ProductVersion; }
    QString CompanyName() const { return Info.CompanyName; }
    QString ProductName() const { return Info.ProductName; }
    QString Comments() const { return Info.Comments; }

    // Shows the box without blocking other windows and brings it to the front.
    void ShowModeless();

    // Handlers.
    void OKButtonClick();   // hides the box; it can be shown again
    void lblAddressClick(); // opens "mailto:<address>?subject=Kelvane"
    void lblWebSiteClick(); // opens "http://<web address>"

    // Opens a link in the user's mail program or browser; QDesktopServices::openUrl unless a
    // test puts in its own. Its result is ignored: a failing request shows nothing.
    std::function<bool(const QUrl&)> OpenUrl;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls();
    void CentreOnScreen();

    TVersionInfo Info;
    bool Centred = false;
    QLabel* IconImage = nullptr;
    QLabel* lblProductName = nullptr;
    QLabel* lblFileVersion = nullptr;
    QLabel* lblProductVersion = nullptr;
    QLabel* lblAuthor = nullptr;
    QLabel* lblAddress = nullptr;
    QLabel* lblWebSite = nullptr;
    QLabel* lblComments = nullptr;
    QPushButton* OKButton = nullptr;
};

// Creates an about box with the maker's web and mail addresses and the build's version
// information. With a null owner the caller owns it.
TAboutBox* CreateAboutBox(QWidget* owner = nullptr);
