#include "LoginLayout.h"

#include "mainwindow/LinkLabel.h"
#include "mainwindow/QVButton.h"

#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

namespace {

constexpr int kWidth = 420;
constexpr int kHeight = 262;
constexpr int kLeft = 84;

QPixmap BannerPicture(int width) {
    QPixmap picture(width, 56);
    QPainter painter(&picture);
    QLinearGradient gradient(0, 0, width, 0);
    gradient.setColorAt(0, QColor(0x1F, 0x3B, 0x6E));
    gradient.setColorAt(1, QColor(0x5A, 0x8F, 0xD0));
    painter.fillRect(picture.rect(), gradient);
    painter.setPen(Qt::white);
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSize(16);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(picture.rect().adjusted(16, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
                     QStringLiteral("Quorvane Lite"));
    return picture;
}

// A padlock beside the password text.
QPixmap LockPicture() {
    QPixmap picture(48, 56);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x70, 0x70, 0x70), 5));
    painter.drawArc(QRect(10, 4, 28, 32), 0, 180 * 16);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xD4, 0xA0, 0x17));
    painter.drawRoundedRect(QRect(4, 22, 40, 30), 4, 4);
    painter.setBrush(QColor(0x55, 0x40, 0x0A));
    painter.drawEllipse(QRect(20, 30, 8, 8));
    return picture;
}

// A thin grey rule under the banner.
QPixmap RulePicture(int width) {
    QPixmap picture(width, 3);
    QPainter painter(&picture);
    QLinearGradient gradient(0, 0, width, 0);
    gradient.setColorAt(0, QColor(0xB0, 0xB0, 0xB0));
    gradient.setColorAt(1, Qt::white);
    painter.fillRect(picture.rect(), gradient);
    return picture;
}

QLabel* MakePicture(QWidget* parent, const QString& name, const QPixmap& picture,
                    const QPoint& at) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setPixmap(picture);
    label->setGeometry(QRect(at, picture.size()));
    return label;
}

QVButton* MakeButton(QWidget* parent, const QString& name, const QString& caption, int left) {
    auto* button = new QVButton(parent);
    button->setObjectName(name);
    button->SetCaption(caption);
    button->setGeometry(left, 156, QVButton::DefaultWidth, QVButton::DefaultHeight);
    return button;
}

} // namespace

void LoginLayout::Build(QWidget* window, const QString& prompt) {
    window->setWindowTitle(QStringLiteral("Quorvane Lite :: Login"));
    window->setFont(QFont(QStringLiteral("Tahoma")));
    window->setFixedSize(kWidth, kHeight);
    window->setAutoFillBackground(true);
    QPalette background = window->palette();
    background.setColor(QPalette::Window, Qt::white);
    window->setPalette(background);

    BuildPictures(window);
    BuildPassword(window, prompt);
    BuildLinks(window);

    QWidget::setTabOrder(txtPassword, btnLogin);
    QWidget::setTabOrder(btnLogin, btnExit);

    // Opens centred on the screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        window->move(screen->availableGeometry().center() - window->rect().center());
    }
}

void LoginLayout::BuildPictures(QWidget* window) {
    imgTopBanner =
        MakePicture(window, QStringLiteral("imgTopBanner"), BannerPicture(kWidth), QPoint(0, 0));
    Image2 = MakePicture(window, QStringLiteral("Image2"), RulePicture(kWidth), QPoint(0, 56));
    Image1 = MakePicture(window, QStringLiteral("Image1"), LockPicture(), QPoint(18, 76));
}

void LoginLayout::BuildPassword(QWidget* window, const QString& prompt) {
    lblLabels = new QLabel(prompt, window);
    lblLabels->setObjectName(QStringLiteral("lblLabels"));
    lblLabels->setWordWrap(true);
    lblLabels->setGeometry(kLeft, 72, 320, 40);

    txtPassword = new QLineEdit(window);
    txtPassword->setObjectName(QStringLiteral("txtPassword"));
    txtPassword->setEchoMode(QLineEdit::Password);
    txtPassword->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    txtPassword->setMaxLength(PasswordMaxLength);
    txtPassword->setGeometry(kLeft, 120, 222, 22);

    btnLogin = MakeButton(window, QStringLiteral("btnLogin"), QStringLiteral("Login"), kLeft);
    btnExit = MakeButton(window, QStringLiteral("btnExit"), QStringLiteral("Exit"), 203);
}

void LoginLayout::BuildLinks(QWidget* window) {
    lblLnkForgotPassword = new LinkLabel(QStringLiteral("Forgot Password!"), window);
    lblLnkForgotPassword->setObjectName(QStringLiteral("lblLnkForgotPassword"));
    lblLnkForgotPassword->setCursor(Qt::PointingHandCursor);
    QFont linkFont = lblLnkForgotPassword->font();
    linkFont.setUnderline(true);
    lblLnkForgotPassword->setFont(linkFont);
    lblLnkForgotPassword->setStyleSheet(QStringLiteral("color: #0000C0;"));
    lblLnkForgotPassword->move(kLeft, 196);
    lblLnkForgotPassword->adjustSize();

    lblQuorvaneVersionInfo = new QLabel(window);
    lblQuorvaneVersionInfo->setObjectName(QStringLiteral("lblQuorvaneVersionInfo"));
    lblQuorvaneVersionInfo->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblQuorvaneVersionInfo->setGeometry(kWidth - 216, kHeight - 26, 200, 18);
}
