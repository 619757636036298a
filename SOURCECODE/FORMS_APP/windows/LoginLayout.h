#pragma once

class LinkLabel;
class QLabel;
class QLineEdit;
class QString;
class QVButton;
class QWidget;

// The controls both password windows share, built on the window given: the banner across the top
// (imgTopBanner), the rule under it (Image2), the padlock beside the text (Image1), the text, the
// masked password box, Login and Exit, the "Forgot Password!" link and the version line. Each
// window keeps its own texts, slots and checks; the window owns the controls.
class LoginLayout final {
public:
    static constexpr int PasswordMaxLength = 30;

    // Titles, sizes and centres the window and places the controls; prompt is the text above the
    // password box.
    void Build(QWidget* window, const QString& prompt);

    QLabel* imgTopBanner = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Image2 = nullptr;
    QLabel* lblLabels = nullptr;
    QLineEdit* txtPassword = nullptr;
    QVButton* btnLogin = nullptr;
    QVButton* btnExit = nullptr;
    LinkLabel* lblLnkForgotPassword = nullptr;
    QLabel* lblQuorvaneVersionInfo = nullptr;

private:
    void BuildPictures(QWidget* window);
    void BuildPassword(QWidget* window, const QString& prompt);
    void BuildLinks(QWidget* window);
};
