#include "frmSettingsLogin.h"

#include "LoginPictures.h"
#include "frmSettings.h"

#include "core/Settings.h"
#include "mainwindow/LinkLabel.h"
#include "mainwindow/MsgBox.h"
#include "mainwindow/QVButton.h"

#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>

namespace {

constexpr int kWidth = 420;
constexpr int kHeight = 262;

} // namespace

frmSettingsLogin::frmSettingsLogin(QWidget* parent)
    : QDialog(parent) {
    BuildWindow();
    Form_Load();
}

frmSettingsLogin::~frmSettingsLogin() = default;

void frmSettingsLogin::BuildWindow() {
    setObjectName(QStringLiteral("frmSettingsLogin"));
    setWindowTitle(QStringLiteral("Quorvane Lite :: Login"));
    setModal(true);
    setFont(QFont(QStringLiteral("Tahoma")));
    setFixedSize(kWidth, kHeight);
    setAutoFillBackground(true);
    QPalette background = palette();
    background.setColor(QPalette::Window, Qt::white);
    setPalette(background);
    LoginPictures::Place(this, kWidth, &imgTopBanner, &Image1, &Image2);

    lblLabels = new QLabel(
        QStringLiteral("This Application settings is password protected. Enter the password "
                       "below to view or modify settings."),
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
    connect(txtPassword, &QLineEdit::returnPressed, this, &frmSettingsLogin::txtPassword_KeyPress);

    btnLogin = new QVButton(this);
    btnLogin->setObjectName(QStringLiteral("btnLogin"));
    btnLogin->SetCaption(QStringLiteral("Login"));
    btnLogin->setGeometry(84, 156, QVButton::DefaultWidth, QVButton::DefaultHeight);
    connect(btnLogin, &QVButton::Click, this, &frmSettingsLogin::btnLogin_Click);

    btnExit = new QVButton(this);
    btnExit->setObjectName(QStringLiteral("btnExit"));
    btnExit->SetCaption(QStringLiteral("Exit"));
    btnExit->setGeometry(203, 156, QVButton::DefaultWidth, QVButton::DefaultHeight);
    connect(btnExit, &QVButton::Click, this, &frmSettingsLogin::btnExit_Click);

    lblLnkForgotPassword = new LinkLabel(QStringLiteral("Forgot Password!"), this);
    lblLnkForgotPassword->setObjectName(QStringLiteral("lblLnkForgotPassword"));
    lblLnkForgotPassword->setCursor(Qt::PointingHandCursor);
    QFont linkFont = lblLnkForgotPassword->font();
    linkFont.setUnderline(true);
    lblLnkForgotPassword->setFont(linkFont);
    lblLnkForgotPassword->setStyleSheet(QStringLiteral("color: #0000C0;"));
    lblLnkForgotPassword->move(84, 196);
    lblLnkForgotPassword->adjustSize();
    connect(lblLnkForgotPassword, &LinkLabel::Click, this,
            &frmSettingsLogin::lblLnkForgotPassword_Click);

    lblQuorvaneVersionInfo = new QLabel(this);
    lblQuorvaneVersionInfo->setObjectName(QStringLiteral("lblQuorvaneVersionInfo"));
    lblQuorvaneVersionInfo->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblQuorvaneVersionInfo->setGeometry(kWidth - 216, kHeight - 26, 200, 18);

    setTabOrder(txtPassword, btnLogin);
    setTabOrder(btnLogin, btnExit);

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

void frmSettingsLogin::Form_Load() {
    Settings settings;
    strAdminPassword = settings.GetSettingsPassword();
    const QString hint = settings.GetSettingsPasswordHint();
    strAdminHint = hint.isEmpty() ? QStringLiteral("No Password hint has been set!")
                                  : QStringLiteral("Your password hint:\r\n\r\n") + hint;
    lblQuorvaneVersionInfo->setText(QStringLiteral("Version 1.0 (1006)"));
}

void frmSettingsLogin::btnLogin_Click() {
    if (txtPassword->text() != strAdminPassword) {
        MsgBox::Show(this, QStringLiteral("Password is incorrect!"), MsgBox::Buttons::OK,
                     MsgBox::Icon::Exclamation, QStringLiteral("Login Failed"));
        txtPassword->clear();
        txtPassword->setFocus();
        return;
    }
    hide();
    {
        frmSettings settings;
        settings.exec();
    }
    accept();
}

void frmSettingsLogin::txtPassword_KeyPress() {
    btnLogin_Click();
}

void frmSettingsLogin::lblLnkForgotPassword_Click() {
    MsgBox::Show(this, strAdminHint, MsgBox::Buttons::OK, MsgBox::Icon::Exclamation,
                 QStringLiteral("Password Hint"));
}

void frmSettingsLogin::btnExit_Click() {
    reject();
}
