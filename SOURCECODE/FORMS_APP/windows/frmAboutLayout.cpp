// The about window's controls and where they stand, in pixels.
#include "frmAbout.h"

#include "mainwindow/LinkLabel.h"
#include "mainwindow/QVButton.h"
#include "mainwindow/WindowLook.h"

#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QTimer>

namespace {

const QColor kLinkColour(0x00, 0x00, 0xC0);
const QColor kScrollBackground(0xF3, 0xF6, 0xFA);
const QColor kRuleColour(0xB4, 0xB4, 0xB4);
constexpr int kLeft = 16;

QLabel* MakeText(QWidget* parent, const QString& name, const QString& text, const QRect& place) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(place);
    return label;
}

} // namespace

void frmAbout::BuildWindow() {
    Q_INIT_RESOURCE(frmAbout);
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Quorvane Lite"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    WindowLook::Apply(this, QSize(ClientWidth, ClientHeight));
    setMouseTracking(true);

    imgTopBanner = new QLabel(this);
    imgTopBanner->setObjectName(QStringLiteral("imgTopBanner"));
    imgTopBanner->setPixmap(QPixmap(QStringLiteral(":/frmAbout/banner.png")));
    imgTopBanner->setGeometry(0, 0, ClientWidth, 64);

    BuildInformation();
    BuildLinks();
    BuildScrollText();

    tmrScroller = new QTimer(this);
    tmrScroller->setObjectName(QStringLiteral("tmrScroller"));
    tmrScroller->setInterval(ScrollInterval);
    // Each text gets its full four seconds.
    tmrScroller->setTimerType(Qt::PreciseTimer);
    connect(tmrScroller, &QTimer::timeout, this, &frmAbout::tmrScroller_Timer);

    WindowLook::KeepMouseMovesToBackground(this);
}

void frmAbout::BuildInformation() {
    QLabel* name = MakeText(this, QStringLiteral("lblProductName"), QStringLiteral("Quorvane Lite"),
                            QRect(kLeft, 76, 300, 22));
    QFont bold = name->font();
    bold.setBold(true);
    bold.setPointSizeF(12);
    name->setFont(bold);

    lblQVLiteVersionInfo = MakeText(this, QStringLiteral("lblQVLiteVersionInfo"),
                                    QStringLiteral("Ver. 1.0 (1006)"), QRect(kLeft, 100, 300, 16));
    MakeText(this, QStringLiteral("lblDescription"),
             QStringLiteral("Visitor register for the reception desk."),
             QRect(kLeft, 118, 300, 16));

    imgAward = new LinkLabel(QString(), this);
    imgAward->setObjectName(QStringLiteral("imgAward"));
    imgAward->setPixmap(QPixmap(QStringLiteral(":/frmAbout/award.png")));
    imgAward->setGeometry(345, 76, 96, 112);
    imgAward->setCursor(Qt::PointingHandCursor);
    connect(imgAward, &LinkLabel::Click, this, &frmAbout::imgAward_Click);

    btnEmailSupport = new QVButton(this);
    btnEmailSupport->setObjectName(QStringLiteral("btnEmailSupport"));
    btnEmailSupport->SetCaption(QStringLiteral("Email Support"));
    btnEmailSupport->setGeometry(kLeft, 196, QVButton::DefaultWidth, QVButton::DefaultHeight);
    connect(btnEmailSupport, &QVButton::Click, this, &frmAbout::btnEmailSupport_Click);

    btnWebSupport = new QVButton(this);
    btnWebSupport->setObjectName(QStringLiteral("btnWebSupport"));
    btnWebSupport->SetCaption(QStringLiteral("Go to Web Support"));
    btnWebSupport->setGeometry(kLeft + QVButton::DefaultWidth + 12, 196, 124,
                               QVButton::DefaultHeight);
    connect(btnWebSupport, &QVButton::Click, this, &frmAbout::btnWebSupport_Click);
    setTabOrder(btnEmailSupport, btnWebSupport);
}

LinkLabel* frmAbout::MakeLink(const QString& name, const QString& caption, const QPoint& at) {
    auto* link = new LinkLabel(caption, this);
    link->setObjectName(name);
    link->setCursor(Qt::PointingHandCursor);
    QFont underlined = link->font();
    underlined.setUnderline(true);
    link->setFont(underlined);
    WindowLook::SetColour(link, QPalette::WindowText, kLinkColour);
    link->move(at);
    link->adjustSize();
    return link;
}

void frmAbout::BuildLinks() {
    lblLnkQuorvaneSite = MakeLink(QStringLiteral("lblLnkQuorvaneSite"), QString(), {kLeft, 146});
    connect(lblLnkQuorvaneSite, &LinkLabel::Click, this, &frmAbout::lblLnkQuorvaneSite_Click);
    lblLinkWebSite = MakeLink(QStringLiteral("lblLinkWebSite"), QString(), {kLeft, 166});
    connect(lblLinkWebSite, &LinkLabel::Click, this, &frmAbout::lblLinkWebSite_Click);

    auto* rule = new QFrame(this);
    rule->setObjectName(QStringLiteral("lnBottom"));
    rule->setFrameShape(QFrame::HLine);
    WindowLook::SetColour(rule, QPalette::WindowText, kRuleColour);
    rule->setGeometry(kLeft, 292, ClientWidth - 2 * kLeft, 1);

    lblEula = MakeLink(QStringLiteral("lblEula"), QStringLiteral("EULA"), {kLeft, 304});
    connect(lblEula, &LinkLabel::Click, this, &frmAbout::lblEula_Click);
    lblLinkClose = MakeLink(QStringLiteral("lblLinkClose"), QStringLiteral("Close"), {0, 304});
    lblLinkClose->move(ClientWidth - kLeft - lblLinkClose->width(), 304);
    connect(lblLinkClose, &LinkLabel::Click, this, &frmAbout::lblLinkClose_Click);
}

void frmAbout::BuildScrollText() {
    lblScrollText =
        MakeText(this, QStringLiteral("lblScrollText"), QStringLiteral("Ad text will appear here"),
                 QRect(kLeft, 236, ClientWidth - 2 * kLeft, 44));
    lblScrollText->setWordWrap(true);
    lblScrollText->setAlignment(Qt::AlignCenter);
    lblScrollText->setAutoFillBackground(true);
    WindowLook::SetColour(lblScrollText, QPalette::Window, kScrollBackground);
    WindowLook::SetColour(lblScrollText, QPalette::WindowText, Qt::black);
    lblScrollText->setMouseTracking(true);
    lblScrollText->installEventFilter(this);
}
