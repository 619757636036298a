#include "frmSettingsLogin.h"

#include "frmSettings.h"

#include "core/Settings.h"
#include "mainwindow/ApplicationError.h"
#include "mainwindow/KeyboardKeys.h"
#include "mainwindow/LinkLabel.h"
#include "mainwindow/MsgBox.h"
#include "mainwindow/QVButton.h"

#include <QLineEdit>

#include <exception>
#include <memory>

frmSettingsLogin::frmSettingsLogin(QWidget* parent)
    : QDialog(parent) {
    BuildWindow();
    Form_Load();
}

frmSettingsLogin::~frmSettingsLogin() = default;

void frmSettingsLogin::BuildWindow() {
    setObjectName(QStringLiteral("frmSettingsLogin"));
    setModal(true);
    KeyboardKeys::KeepOpenOnEscape(this);
    ui.Build(this, QStringLiteral("This Application settings is password protected. Enter the "
                                  "password below to view or modify settings."));
    connect(ui.txtPassword, &QLineEdit::returnPressed, this,
            &frmSettingsLogin::txtPassword_KeyPress);
    connect(ui.btnLogin, &QVButton::Click, this, &frmSettingsLogin::btnLogin_Click);
    connect(ui.btnExit, &QVButton::Click, this, &frmSettingsLogin::btnExit_Click);
    connect(ui.lblLnkForgotPassword, &LinkLabel::Click, this,
            &frmSettingsLogin::lblLnkForgotPassword_Click);
}

void frmSettingsLogin::Form_Load() {
    // A password that could not be read raises, so this window does not open on "".
    const Settings::TableRow stored = Settings().ReadTableRow();
    strAdminPassword = stored.AdminPassword;
    const QString& hint = stored.AdminHint;
    strAdminHint = hint.isEmpty() ? QStringLiteral("No Password hint has been set!")
                                  : QStringLiteral("Your password hint:\r\n\r\n") + hint;
    ui.lblQuorvaneVersionInfo->setText(QStringLiteral("Version 1.0 (1006)"));
}

void frmSettingsLogin::btnLogin_Click() {
    if (ui.txtPassword->text() != strAdminPassword) {
        MsgBox::Show(this, QStringLiteral("Password is incorrect!"), MsgBox::Buttons::OK,
                     MsgBox::Icon::Exclamation, QStringLiteral("Login Failed"));
        ui.txtPassword->clear();
        ui.txtPassword->setFocus();
        return;
    }
    hide();
    std::unique_ptr<frmSettings> settings;
    try {
        settings = std::make_unique<frmSettings>();
    } catch (const std::exception& error) {
        // Its values could not be read, so it does not open: said as the main window's links
        // say it, and the main window comes back.
        ApplicationError::Report(QString::fromUtf8(error.what()), QStringLiteral("btnLogin_Click"));
        reject();
        return;
    }
    settings->exec();
    settings.reset();
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
