#include "frmLogin.h"

#include "MainWindowLauncher.h"

#include "mainwindow/ApplicationError.h"
#include "mainwindow/LinkLabel.h"
#include "mainwindow/MsgBox.h"
#include "mainwindow/QVButton.h"

#include <QCoreApplication>
#include <QLineEdit>

#include <exception>

frmLogin::frmLogin(QWidget* parent)
    : QWidget(parent) {
    BuildWindow();
    Form_Load();
}

frmLogin::~frmLogin() = default;

void frmLogin::BuildWindow() {
    setObjectName(QStringLiteral("frmLogin"));
    ui.Build(this, QStringLiteral("This Application is password protected. Enter the password "
                                  "below to login to the Applicaiton."));
    connect(ui.txtPassword, &QLineEdit::returnPressed, this, &frmLogin::txtPassword_KeyPress);
    connect(ui.btnLogin, &QVButton::Click, this, &frmLogin::btnLogin_Click);
    connect(ui.btnExit, &QVButton::Click, this, &frmLogin::btnExit_Click);
    connect(ui.lblLnkForgotPassword, &LinkLabel::Click, this,
            &frmLogin::lblLnkForgotPassword_Click);
}

void frmLogin::Form_Load() {
    objLogin.Initialize();
    ui.lblQuorvaneVersionInfo->setText(QStringLiteral("Version 1.0 (1006)"));
}

void frmLogin::btnLogin_Click() {
    if (objLogin.Authenticate(ui.txtPassword->text())) {
        OpenMainWindow();
        return;
    }
    MsgBox::Show(this, QStringLiteral("Password is incorrect!"), MsgBox::Buttons::OK,
                 MsgBox::Icon::Exclamation, QStringLiteral("Login Failed"));
    ui.txtPassword->clear();
    ui.txtPassword->setFocus();
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
