#include "about/Aboutunit.h"

#include "about/Versionunit.h"

#include <QApplication>
#include <QDesktopServices>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

TVersionInfo BuildVersionInfo() {
    TVersionInfo info;
    info.FileVersion = QString::fromUtf8(KelvaneVersion::FileVersion);
    info.ProductVersion = QString::fromUtf8(KelvaneVersion::ProductVersion);
    info.CompanyName = QString::fromUtf8(KelvaneVersion::CompanyName);
    info.ProductName = QString::fromUtf8(KelvaneVersion::ProductName);
    info.Comments = QString::fromUtf8(KelvaneVersion::Comments);
    return info;
}

QIcon ApplicationIcon() {
    // The resource lives in a static library: without this call the linker may leave it out.
    static const bool registered = [] {
        Q_INIT_RESOURCE(kelvane);
        return true;
    }();
    (void)registered;
    return QIcon(QStringLiteral(":/kelvane.svg"));
}

namespace {

constexpr int IconSize = 33;

QLabel* AddLabel(QWidget* parent, QLayout* layout, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    layout->addWidget(label);
    return label;
}

void MakeLink(QLabel* label, const QString& hint) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::Link));
    label->setPalette(palette);
    QFont font = label->font();
    font.setUnderline(true);
    label->setFont(font);
    label->setCursor(Qt::PointingHandCursor);
    label->setToolTip(hint);
}

} // namespace

TAboutBox::TAboutBox(QWidget* owner, const QString& webAddress, const QString& mailAddress,
                     const TVersionInfo& info)
    : QDialog(owner), Info(info) {
    OpenUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    CreateControls();
    lblAddress->setText(mailAddress);
    lblWebSite->setText(webAddress);
    IconImage->setPixmap(ApplicationIcon().pixmap(IconSize, IconSize));
    lblFileVersion->setText(lblFileVersion->text() + Info.FileVersion);
    lblProductVersion->setText(lblProductVersion->text() + Info.ProductVersion);
    lblAuthor->setText(lblAuthor->text() + QStringLiteral(" ") + Info.CompanyName);
    lblProductName->setText(Info.ProductName);
    setWindowTitle(QStringLiteral("About ") + lblProductName->text());
    lblComments->setText(Info.Comments);
}

TAboutBox::~TAboutBox() = default;

void TAboutBox::CreateControls() {
    setModal(false);
    setWindowIcon(ApplicationIcon());
    // An open about box must not keep the program running once the main window is closed.
    setAttribute(Qt::WA_QuitOnClose, false);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);

    IconImage = new QLabel(panel);
    IconImage->setObjectName(QStringLiteral("IconImage"));
    IconImage->setFixedSize(IconSize, IconSize);
    IconImage->setScaledContents(true);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(4);
    lblProductName = AddLabel(panel, texts, "lblProductName", QStringLiteral("Product Name"));
    QFont title = lblProductName->font();
    title.setBold(true);
    title.setPointSizeF(title.pointSizeF() * 1.25);
    lblProductName->setFont(title);
    lblFileVersion = AddLabel(panel, texts, "lblFileVersion", QStringLiteral("File Version "));
    lblProductVersion =
        AddLabel(panel, texts, "lblProductVersion", QStringLiteral("Product Version "));
    lblAuthor = AddLabel(panel, texts, "lblAuthor", QStringLiteral("\u00a9"));
    lblAddress = AddLabel(panel, texts, "lblAddress", QString());
    MakeLink(lblAddress, QStringLiteral("Send mail to author"));
    lblWebSite = AddLabel(panel, texts, "lblWebSite", QString());
    MakeLink(lblWebSite, QStringLiteral("Author's website"));
    lblComments = AddLabel(panel, texts, "lblComments", QStringLiteral("lblComments"));
    lblComments->setWordWrap(true);
    lblComments->setFixedWidth(300);
    lblAddress->installEventFilter(this);
    lblWebSite->installEventFilter(this);

    auto* panelLayout = new QHBoxLayout(panel);
    panelLayout->setContentsMargins(12, 12, 16, 12);
    panelLayout->setSpacing(14);
    panelLayout->addWidget(IconImage, 0, Qt::AlignTop);
    panelLayout->addLayout(texts);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, [this] { OKButtonClick(); });

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(panel);
    layout->addWidget(OKButton, 0, Qt::AlignHCenter);
}

void TAboutBox::ShowModeless() {
    show();
    raise();
    activateWindow();
}

void TAboutBox::OKButtonClick() {
    hide();
}

void TAboutBox::lblAddressClick() {
    // The subject is the program's title.
    OpenUrl(QUrl(QStringLiteral("mailto:") + lblAddress->text() + QStringLiteral("?subject=") +
                 QString::fromUtf8(KelvaneVersion::ProductName)));
}

void TAboutBox::lblWebSiteClick() {
    OpenUrl(QUrl(QStringLiteral("http://") + lblWebSite->text()));
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const auto* label = static_cast<QWidget*>(watched);
        // A press dragged off the link and released elsewhere is no click.
        if (mouse->button() == Qt::LeftButton &&
            label->rect().contains(mouse->position().toPoint())) {
            if (watched == lblAddress)
                lblAddressClick();
            else if (watched == lblWebSite)
                lblWebSiteClick();
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TAboutBox::showEvent(QShowEvent* event) {
    // Centred on first showing; later the box comes back where the user left it.
    if (!Centred) {
        CentreOnScreen();
        Centred = true;
    }
    QDialog::showEvent(event);
}

void TAboutBox::CentreOnScreen() {
    adjustSize();
    const QWidget* active = QApplication::activeWindow();
    const QScreen* screen = active ? active->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

TAboutBox* CreateAboutBox(QWidget* owner) {
    return new TAboutBox(owner, QString::fromUtf8(KelvaneVersion::WebAddress),
                         QString::fromUtf8(KelvaneVersion::MailAddress));
}
