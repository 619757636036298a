#pragma once

#include "core/Login.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class LinkLabel;
class QVButton;

// Asks for the application password before the main window opens.
class frmLogin final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmLogin)

public:
    static constexpr int PasswordMaxLength = 30;

    explicit frmLogin(QWidget* parent = nullptr);
    ~frmLogin() override;

private Q_SLOTS:
    void btnLogin_Click();
    void txtPassword_KeyPress();
    void lblLnkForgotPassword_Click();
    void btnExit_Click();

private:
    void BuildWindow();
    void BuildPictures();
    void Form_Load();
    void OpenMainWindow();

    QLabel* imgTopBanner = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Image2 = nullptr;
    QLabel* lblLabels = nullptr;
    QLineEdit* txtPassword = nullptr;
    QVButton* btnLogin = nullptr;
    QVButton* btnExit = nullptr;
    LinkLabel* lblLnkForgotPassword = nullptr;
    QLabel* lblQuorvaneVersionInfo = nullptr;

    Login objLogin;
};
