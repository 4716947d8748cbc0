// The about box: product name, versions, company, comments, and the maker's mail and web
// links. One box exists for the whole run.
//
// How the program uses it:
//   - At start-up, after the station settings were read and before the main window exists:
//         std::unique_ptr<TAboutBox> about(CreateAboutBox());   // sets AboutBox
//     (an unowned box; the unique_ptr in main() ends it with the run).
//   - Main window caption: GetAboutBox(this) (creates one owned by the window only if start-up
//     did not), then "Kelvane" + " Version " + box->ProductVersion() = "Kelvane Version 2.8".
//   - Help > About (miAboutClick): GetAboutBox(this)->ShowModeless().
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

// The program's about box; null until one is created. A box clears it when it is destroyed.
extern TAboutBox* AboutBox;

// Creates an about box with the maker's web and mail addresses and the build's version
// information, stores it in AboutBox and returns it. With a null owner the caller owns it.
TAboutBox* CreateAboutBox(QWidget* owner = nullptr);

// AboutBox, or, when there is none yet, CreateAboutBox(owner).
TAboutBox* GetAboutBox(QWidget* owner);
