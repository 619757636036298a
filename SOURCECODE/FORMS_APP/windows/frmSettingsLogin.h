#pragma once

#include "LoginLayout.h"

#include <QDialog>
#include <QString>

// Guards the settings window with the settings password; shown modal by the main window.
class frmSettingsLogin final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmSettingsLogin)

public:
    static constexpr int PasswordMaxLength = LoginLayout::PasswordMaxLength;

    // Raises when the stored settings password cannot be read: nothing is to open then.
    explicit frmSettingsLogin(QWidget* parent = nullptr);
    ~frmSettingsLogin() override;

private Q_SLOTS:
    void btnLogin_Click();
    void txtPassword_KeyPress();
    void lblLnkForgotPassword_Click();
    void btnExit_Click();

private:
    void BuildWindow();
    void Form_Load();

    LoginLayout ui;

    QString strAdminPassword;
    QString strAdminHint;
};
