// The help window's controls and where they stand. Positions are pixels (15 twips a pixel).
#include "frmHelp.h"

#include "mainwindow/LinkLabel.h"
#include "mainwindow/WindowLook.h"

#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QTextBrowser>

namespace {

// Row markers (&H000080FF).
const QColor kMarkerColour(0xFF, 0x80, 0x00);
constexpr int kRowTops[frmHelp::PageCount] = {39, 63, 87, 111, 136}; // 585 ... 2040
constexpr int kRowLeft = 2;                                          // 30
constexpr int kRowWidth = 147;                                       // 2205
constexpr int kRowHeight = 23;                                       // 345
constexpr int kMarkerLeft = 19;                                      // 285
constexpr int kLinkLeft = 40;                                        // 600

// A picture that answers a click, with the hand pointer.
LinkLabel* MakePictureLink(QWidget* parent, const QString& name, const QString& resource,
                           const QRect& place) {
    auto* picture = new LinkLabel(QString(), parent);
    picture->setObjectName(name);
    picture->setPixmap(QPixmap(resource));
    picture->setScaledContents(true);
    picture->setGeometry(place);
    picture->setCursor(Qt::PointingHandCursor);
    return picture;
}

} // namespace

void frmHelp::BuildWindow() {
    Q_INIT_RESOURCE(frmHelp);
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Quorvane Lite:: Help"));
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    WindowLook::Apply(this, QSize(ClientWidth, ClientHeight));
    setMouseTracking(true);

    BuildTopBar();
    BuildMenu();

    brsHelp = new QTextBrowser(this);
    brsHelp->setObjectName(QStringLiteral("brsHelp"));
    brsHelp->setGeometry(165, 54, 713, 535); // 2475, 810, 10695, 8025
    // Links to the web or to mail leave the help pages for the desktop's own programs.
    brsHelp->setOpenExternalLinks(true);

    BuildPictureLinks();
    imgfooter = WindowLook::MakePicture(this, QStringLiteral("imgfooter"),
                                        QStringLiteral(":/frmHelp/footer.png"),
                                        QRect(2, 593, 876, 64)); // 24, 8887, 13140, 960
    lblLinkClose->raise();

    WindowLook::KeepMouseMovesToBackground(this);
}

void frmHelp::BuildTopBar() {
    imgTopLogo = WindowLook::MakePicture(this, QStringLiteral("imgTopLogo"),
                                         QStringLiteral(":/frmHelp/logo.png"),
                                         QRect(2, 2, 164, 39)); // 30, 30, 2460, 585
    imgTopBanner = WindowLook::MakePicture(this, QStringLiteral("imgTopBanner"),
                                           QStringLiteral(":/frmHelp/banner.png"),
                                           QRect(166, 2, 728, 39)); // 2490, 30, 10920, 585

    lblLinkClose = new LinkLabel(QStringLiteral("Close"), this);
    lblLinkClose->setObjectName(QStringLiteral("lblLinkClose"));
    lblLinkClose->setCursor(Qt::PointingHandCursor);
    WindowLook::SetColour(lblLinkClose, QPalette::WindowText, Qt::white);
    lblLinkClose->move(840, 19); // 12600, 285
    lblLinkClose->adjustSize();
    connect(lblLinkClose, &LinkLabel::Click, this, &frmHelp::lblLinkClose_Click);
}

void frmHelp::BuildMenu() {
    frameAdvertisements = new QFrame(this);
    frameAdvertisements->setObjectName(QStringLiteral("frameAdvertisements"));
    frameAdvertisements->setAutoFillBackground(true);
    WindowLook::SetColour(frameAdvertisements, QPalette::Window, Qt::white);
    frameAdvertisements->setGeometry(8, 48, 152, 187); // 120, 720, 2280, 2805

    lblBannerShortcut = new QLabel(frameAdvertisements);
    lblBannerShortcut->setObjectName(QStringLiteral("lblBannerShortcut"));
    lblBannerShortcut->setAutoFillBackground(true);
    WindowLook::SetColour(lblBannerShortcut, QPalette::Window, Qt::black);
    lblBannerShortcut->setGeometry(2, 8, kRowWidth, kRowHeight); // 30, 120, 2205, 345

    lblHeaderShortcut = new QLabel(QStringLiteral("Help"), frameAdvertisements);
    lblHeaderShortcut->setObjectName(QStringLiteral("lblHeaderShortcut"));
    WindowLook::SetColour(lblHeaderShortcut, QPalette::WindowText, Qt::white);
    QFont bold = lblHeaderShortcut->font();
    bold.setBold(true);
    lblHeaderShortcut->setFont(bold);
    lblHeaderShortcut->move(8, 13); // 120, 195
    lblHeaderShortcut->adjustSize();

    const struct {
        const char* background;
        const char* marker;
        const char* link;
        const char* caption;
        void (frmHelp::*handler)();
    } rows[PageCount] = {
        {"lblBGCheckIn", "lblImgNew", "lblLinkNew", "Check-in a Visitor",
         &frmHelp::lblLinkNew_Click},
        {"lblBGCheckedinList", "lblImgCheckedInList", "lblLnkCheckedInList", "Check-out a Visitor",
         &frmHelp::lblLnkCheckedInList_Click},
        {"lblBGSearch", "lblImgSearch", "lblLnkSearch", "Search", &frmHelp::lblLnkSearch_Click},
        {"lblBGSettings", "lblImgSettings", "lblLnkSettings", "Settings",
         &frmHelp::lblLnkSettings_Click},
        {"lblBGFAQ", "lblImgFaq", "lblLnkFAQ", "FAQ", &frmHelp::lblLnkFAQ_Click},
    };
    for (int row = 0; row < PageCount; ++row) {
        auto* background = new QLabel(frameAdvertisements);
        background->setObjectName(QString::fromLatin1(rows[row].background));
        background->setAutoFillBackground(true);
        background->setGeometry(kRowLeft, kRowTops[row], kRowWidth, kRowHeight);
        // Only the row's background answers the mouse; its marker and text lie on it.
        background->setMouseTracking(true);
        background->installEventFilter(this);
        lblBG[row] = background;

        auto* marker = new QLabel(QStringLiteral(">>"), frameAdvertisements);
        marker->setObjectName(QString::fromLatin1(rows[row].marker));
        WindowLook::SetColour(marker, QPalette::WindowText, kMarkerColour);
        marker->move(kMarkerLeft, kRowTops[row] + 5);
        marker->adjustSize();
        lblImg[row] = marker;

        auto* link = new LinkLabel(QString::fromLatin1(rows[row].caption), frameAdvertisements);
        link->setObjectName(QString::fromLatin1(rows[row].link));
        link->setAutoFillBackground(true);
        link->setCursor(Qt::PointingHandCursor);
        link->move(kLinkLeft, kRowTops[row] + 5);
        link->adjustSize();
        connect(link, &LinkLabel::Click, this, rows[row].handler);
        lblLink[row] = link;
    }
    for (QObject* child : frameAdvertisements->children()) {
        if (auto* widget = qobject_cast<QWidget*>(child)) {
            widget->setAttribute(Qt::WA_NoMousePropagation);
        }
    }
}

void frmHelp::BuildPictureLinks() {
    Picture1 = WindowLook::MakePicture(this, QStringLiteral("Picture1"),
                                       QStringLiteral(":/frmHelp/picture1.png"),
                                       QRect(8, 455, 150, 43)); // 120, 6825, 2250, 645
    const QRect emailPlace(8, 498, 150, 33);                    // 120, 7470, 2250, 495
    imgLnkEmailUs = WindowLook::MakePicture(this, QStringLiteral("imgLnkEmailUs"),
                                            QStringLiteral(":/frmHelp/emailus.png"), emailPlace);
    imgLnkEmailUs_Focused =
        MakePictureLink(this, QStringLiteral("imgLnkEmailUs_Focused"),
                        QStringLiteral(":/frmHelp/emailus_focused.png"), emailPlace);
    const QRect sitePlace(8, 531, 150, 34); // 120, 7965, 2250, 510
    imgLnkSupportSite =
        WindowLook::MakePicture(this, QStringLiteral("imgLnkSupportSite"),
                                QStringLiteral(":/frmHelp/supportsite.png"), sitePlace);
    imgLnkSupportSite_Focused =
        MakePictureLink(this, QStringLiteral("imgLnkSupportSite_Focused"),
                        QStringLiteral(":/frmHelp/supportsite_focused.png"), sitePlace);
    Picture3 = WindowLook::MakePicture(this, QStringLiteral("Picture3"),
                                       QStringLiteral(":/frmHelp/picture3.png"),
                                       QRect(8, 565, 150, 20)); // 120, 8475, 2250, 300

    for (QLabel* plain : {Picture1, imgLnkEmailUs, imgLnkSupportSite, Picture3}) {
        plain->setMouseTracking(true);
        plain->installEventFilter(this);
    }
    for (QLabel* plain : {imgLnkEmailUs, imgLnkSupportSite}) {
        plain->setCursor(Qt::PointingHandCursor);
    }
    connect(imgLnkEmailUs_Focused, &LinkLabel::Click, this, &frmHelp::imgLnkEmailUs_Focused_Click);
    connect(imgLnkSupportSite_Focused, &LinkLabel::Click, this,
            &frmHelp::imgLnkSupportSite_Focused_Click);
}
