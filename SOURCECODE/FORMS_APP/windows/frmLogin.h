#pragma once

#include "LoginLayout.h"

#include "core/Login.h"

#include <QWidget>

// Asks for the application password before the main window opens.
class frmLogin final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmLogin)

public:
    static constexpr int PasswordMaxLength = LoginLayout::PasswordMaxLength;

    explicit frmLogin(QWidget* parent = nullptr);
    ~frmLogin() override;

private Q_SLOTS:
    void btnLogin_Click();
    void txtPassword_KeyPress();
    void lblLnkForgotPassword_Click();
    void btnExit_Click();

private:
    void BuildWindow();
    void Form_Load();
    void OpenMainWindow();

    LoginLayout ui;
    Login objLogin;
};
