#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class LinkLabel;
class QVButton;

// Guards the settings window with the settings password; shown modal by the main window.
class frmSettingsLogin final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmSettingsLogin)

public:
    static constexpr int PasswordMaxLength = 30;

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

    QLabel* imgTopBanner = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Image2 = nullptr;
    QLabel* lblLabels = nullptr;
    QLineEdit* txtPassword = nullptr;
    QVButton* btnLogin = nullptr;
    QVButton* btnExit = nullptr;
    LinkLabel* lblLnkForgotPassword = nullptr;
    QLabel* lblQuorvaneVersionInfo = nullptr;

    QString strAdminPassword;
    QString strAdminHint;
};
