#include "frmLogin.h"

#include "LoginPictures.h"
#include "MainWindowLauncher.h"
#include "mainwindow/ApplicationError.h"

#include "mainwindow/LinkLabel.h"
#include "mainwindow/MsgBox.h"
#include "mainwindow/QVButton.h"

#include <QCoreApplication>
#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

#include <exception>

namespace {

constexpr int kWidth = 420;
constexpr int kHeight = 262;

} // namespace

frmLogin::frmLogin(QWidget* parent)
    : QWidget(parent) {
    BuildWindow();
    Form_Load();
}

frmLogin::~frmLogin() = default;

void frmLogin::BuildWindow() {
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(QStringLiteral("Quorvane Lite :: Login"));
    setFont(QFont(QStringLiteral("Tahoma")));
    setFixedSize(kWidth, kHeight);
    setAutoFillBackground(true);
    QPalette background = palette();
    background.setColor(QPalette::Window, Qt::white);
    setPalette(background);
    BuildPictures();

    lblLabels = new QLabel(
        QStringLiteral("This Application is password protected. Enter the password below to "
                       "login to the Applicaiton."),
        this);
    lblLabels->setObjectName(QStringLiteral("lblLabels"));
    lblLabels->setWordWrap(true);
    lblLabels->setGeometry(84, 72, 320, 40);

    txtPassword = new QLineEdit(this);
    txtPassword->setObjectName(QStringLiteral("txtPassword"));
    txtPassword->setEchoMode(QLineEdit::Password);
    txtPassword->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    txtPassword->setMaxLength(PasswordMaxLength);
    txtPassword->setGeometry(84, 120, 222, 22);
    connect(txtPassword, &QLineEdit::returnPressed, this, &frmLogin::txtPassword_KeyPress);

    btnLogin = new QVButton(this);
    btnLogin->setObjectName(QStringLiteral("btnLogin"));
    btnLogin->SetCaption(QStringLiteral("Login"));
    btnLogin->setGeometry(84, 156, QVButton::DefaultWidth, QVButton::DefaultHeight);
    connect(btnLogin, &QVButton::Click, this, &frmLogin::btnLogin_Click);

    btnExit = new QVButton(this);
    btnExit->setObjectName(QStringLiteral("btnExit"));
    btnExit->SetCaption(QStringLiteral("Exit"));
    btnExit->setGeometry(203, 156, QVButton::DefaultWidth, QVButton::DefaultHeight);
    connect(btnExit, &QVButton::Click, this, &frmLogin::btnExit_Click);

    lblLnkForgotPassword = new LinkLabel(QStringLiteral("Forgot Password!"), this);
    lblLnkForgotPassword->setObjectName(QStringLiteral("lblLnkForgotPassword"));
    lblLnkForgotPassword->setCursor(Qt::PointingHandCursor);
    QFont linkFont = lblLnkForgotPassword->font();
    linkFont.setUnderline(true);
    lblLnkForgotPassword->setFont(linkFont);
    lblLnkForgotPassword->setStyleSheet(QStringLiteral("color: #0000C0;"));
    lblLnkForgotPassword->move(84, 196);
    lblLnkForgotPassword->adjustSize();
    connect(lblLnkForgotPassword, &LinkLabel::Click, this, &frmLogin::lblLnkForgotPassword_Click);

    lblQuorvaneVersionInfo = new QLabel(this);
    lblQuorvaneVersionInfo->setObjectName(QStringLiteral("lblQuorvaneVersionInfo"));
    lblQuorvaneVersionInfo->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblQuorvaneVersionInfo->setGeometry(kWidth - 216, kHeight - 26, 200, 18);

    setTabOrder(txtPassword, btnLogin);
    setTabOrder(btnLogin, btnExit);

    // Opens centred on the screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

void frmLogin::BuildPictures() {
    LoginPictures::Place(this, kWidth, &imgTopBanner, &Image1, &Image2);
}

void frmLogin::Form_Load() {
    objLogin.Initialize();
    lblQuorvaneVersionInfo->setText(QStringLiteral("Version 1.0 (1006)"));
}

void frmLogin::btnLogin_Click() {
    if (objLogin.Authenticate(txtPassword->text())) {
        OpenMainWindow();
        return;
    }
    MsgBox::Show(this, QStringLiteral("Password is incorrect!"), MsgBox::Buttons::OK,
                 MsgBox::Icon::Exclamation, QStringLiteral("Login Failed"));
    txtPassword->clear();
    txtPassword->setFocus();
}

void frmLogin::txtPassword_KeyPress() {
    btnLogin_Click();
}

void frmLogin::lblLnkForgotPassword_Click() {
    MsgBox::Show(this, objLogin.GetPasswordHint(), MsgBox::Buttons::OK, MsgBox::Icon::Exclamation,
                 QStringLiteral("Password Hint"));
}

void frmLogin::btnExit_Click() {
    close();
}

void frmLogin::OpenMainWindow() {
    // The main window is shown before this one closes, so the program never runs out of windows
    // in between; a main window that fails to load is reported as start-up reports its errors.
    hide();
    try {
        MainWindowLauncher::Show();
    } catch (const std::exception& error) {
        ApplicationError::Report(QString::fromUtf8(error.what()), QStringLiteral("btnLogin_Click"));
        // Closing a hidden window does not end the program, and no window is left to close.
        QCoreApplication::quit();
    }
    close();
}
