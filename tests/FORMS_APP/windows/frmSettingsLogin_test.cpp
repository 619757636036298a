#include "frmSettingsFixture.h"

#include "core/CoreError.h"
#include "core/Login.h"
#include "core/Settings.h"
#include "mainwindow/LinkLabel.h"
#include "mainwindow/frmMain.h"
#include "windows/frmSettingsLogin.h"

#include <QTimer>

#include <functional>

namespace {

frmSettings* OpenSettingsWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* found = qobject_cast<frmSettings*>(widget);
            found != nullptr && found->isVisible()) {
            return found;
        }
    }
    return nullptr;
}

frmSettingsLogin* OpenLoginWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* found = qobject_cast<frmSettingsLogin*>(widget);
            found != nullptr && found->isVisible()) {
            return found;
        }
    }
    return nullptr;
}

void ClickOn(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
}

template <typename T>
T* ChildOf(QWidget* window, const char* name) {
    T* child = window != nullptr ? window->findChild<T*>(QString::fromUtf8(name)) : nullptr;
    EXPECT_NE(child, nullptr) << name;
    return child;
}

// Runs a step once the modal window that the next action opens has started.
void WhenModalOpens(std::function<void()> step) {
    QTimer::singleShot(0, qApp, std::move(step));
}

class frmSettingsLoginTest : public frmSettingsTest {
protected:
    void StoreAdminLogin(const QString& password, const QString& hint) const {
        StoreSettings(QStringLiteral("Acme"), QString(), QString(), password, hint);
    }

    void OpenLogin() {
        login = std::make_unique<frmSettingsLogin>();
        login->show();
        QApplication::setActiveWindow(login.get());
        Password()->setFocus();
        MsgBox::ClearRecorded();
    }

    QLineEdit* Password() const { return ChildOf<QLineEdit>(login.get(), "txtPassword"); }

    // Types the password and ends with Enter or the Login button; a settings window that opens
    // is looked at by inspect and closed by its Exit.
    void LogIn(const QString& password, bool byEnter, const std::function<void()>& inspect) {
        WhenModalOpens([inspect] {
            if (inspect) {
                inspect();
            }
            if (frmSettings* settings = OpenSettingsWindow()) {
                ClickOn(ChildOf<QVButton>(settings, "btnExit"));
            }
        });
        QTest::keyClicks(Password(), password);
        if (byEnter) {
            QTest::keyClick(Password(), Qt::Key_Return);
        } else {
            ClickOn(ChildOf<QVButton>(login.get(), "btnLogin"));
        }
        // When no window opened, the step runs now, so it cannot act on a later one.
        QApplication::processEvents();
    }

    void TearDown() override {
        login.reset();
        frmSettingsTest::TearDown();
    }

    std::unique_ptr<frmSettingsLogin> login;
};

TEST_F(frmSettingsLoginTest, ShowsItsTextsAndAMaskedLimitedPasswordBox) {
    StoreAdminLogin(QStringLiteral("Admin42"), QString());
    OpenLogin();
    EXPECT_EQ(login->windowTitle(), QStringLiteral("Quorvane Lite :: Login"));
    EXPECT_TRUE(login->isModal());
    EXPECT_EQ(ChildOf<QLabel>(login.get(), "lblLabels")->text(),
              QStringLiteral("This Application settings is password protected. Enter the "
                             "password below to view or modify settings."));
    EXPECT_EQ(ChildOf<QLabel>(login.get(), "lblQuorvaneVersionInfo")->text(),
              QStringLiteral("Version 1.0 (1006)"));
    EXPECT_EQ(ChildOf<LinkLabel>(login.get(), "lblLnkForgotPassword")->text(),
              QStringLiteral("Forgot Password!"));
    EXPECT_EQ(ChildOf<QVButton>(login.get(), "btnLogin")->Caption(), QStringLiteral("Login"));
    EXPECT_EQ(ChildOf<QVButton>(login.get(), "btnExit")->Caption(), QStringLiteral("Exit"));
    EXPECT_EQ(Password()->echoMode(), QLineEdit::Password);
    QTest::keyClicks(Password(), QString(40, u'x'));
    EXPECT_EQ(Password()->text().size(), 30);
}

TEST_F(frmSettingsLoginTest, WrongPasswordKeepsTheWindowWithAnEmptyFocusedBox) {
    StoreAdminLogin(QStringLiteral("Admin42"), QString());
    struct Case {
        const char* typed;
        bool byEnter;
    };
    const Case cases[] = {{"admin42", true}, {"Admin42 ", false}, {"", true}};
    OpenLogin();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        MsgBox::ClearRecorded();
        bool settingsOpened = false;
        LogIn(QString::fromLatin1(c.typed), c.byEnter,
              [&settingsOpened] { settingsOpened = OpenSettingsWindow() != nullptr; });
        const MsgBox::Shown shown = OnlyMessage();
        EXPECT_EQ(shown.text, QStringLiteral("Password is incorrect!"));
        EXPECT_EQ(shown.title, QStringLiteral("Login Failed"));
        EXPECT_EQ(shown.icon, MsgBox::Icon::Exclamation);
        EXPECT_TRUE(Password()->text().isEmpty());
        EXPECT_EQ(QApplication::focusWidget(), Password());
        EXPECT_TRUE(login->isVisible());
        EXPECT_FALSE(settingsOpened);
    }
}

TEST_F(frmSettingsLoginTest, RightPasswordHidesTheLoginWhileTheSettingsWindowIsOpen) {
    StoreAdminLogin(QStringLiteral("Admin42"), QString());
    for (const bool byEnter : {true, false}) {
        SCOPED_TRACE(byEnter ? "Enter" : "Login button");
        OpenLogin();
        bool loginHidden = false;
        bool settingsShown = false;
        LogIn(QStringLiteral("Admin42"), byEnter, [&] {
            loginHidden = !login->isVisible();
            settingsShown = OpenSettingsWindow() != nullptr;
        });
        EXPECT_TRUE(loginHidden);
        EXPECT_TRUE(settingsShown);
        EXPECT_FALSE(login->isVisible());
        EXPECT_EQ(OpenSettingsWindow(), nullptr);
        EXPECT_TRUE(MsgBox::Recorded().empty());
    }
}

TEST_F(frmSettingsLoginTest, ForgotPasswordShowsTheSettingsHint) {
    struct Case {
        const char* hint;
        const char* expected;
    };
    const Case cases[] = {
        {"", "No Password hint has been set!"},
        {"The admin cupboard", "Your password hint:\r\n\r\nThe admin cupboard"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hint);
        StoreAdminLogin(QStringLiteral("Admin42"), QString::fromLatin1(c.hint));
        OpenLogin();
        ClickOn(ChildOf<LinkLabel>(login.get(), "lblLnkForgotPassword"));
        const MsgBox::Shown shown = OnlyMessage();
        EXPECT_EQ(shown.text, QString::fromLatin1(c.expected));
        EXPECT_EQ(shown.title, QStringLiteral("Password Hint"));
        EXPECT_EQ(shown.icon, MsgBox::Icon::Exclamation);
    }
}

TEST_F(frmSettingsLoginTest, ExitOpensNothing) {
    StoreAdminLogin(QStringLiteral("Admin42"), QString());
    OpenLogin();
    QTest::keyClicks(Password(), QStringLiteral("Admin42"));
    ClickOn(ChildOf<QVButton>(login.get(), "btnExit"));
    EXPECT_FALSE(login->isVisible());
    EXPECT_EQ(login->result(), QDialog::Rejected);
    EXPECT_EQ(OpenSettingsWindow(), nullptr);
}

// A settings password that could not be read is not an empty one: the window does not open.
TEST_F(frmSettingsLoginTest, UnreadablePasswordOpensNoLoginWindow) {
    StoreAdminLogin(QStringLiteral("Admin42"), QStringLiteral("The admin cupboard"));
    program.WriteFile(QStringLiteral("Data/quorvane.sys.qvd"), "no database");
    EXPECT_THROW(OpenLogin(), CoreError);
    EXPECT_EQ(login, nullptr);
    EXPECT_EQ(OpenLoginWindow(), nullptr);
    EXPECT_TRUE(MsgBox::Recorded().empty());
}

// The password was read, but by the time it is typed the stored values cannot be read: the error
// is shown as the main window's links show theirs, and nothing opens to be saved over them.
TEST_F(frmSettingsLoginTest, SettingsThatCannotBeReadAfterTheLoginAreReportedAndNotOpened) {
    StoreSettings(QStringLiteral("Acme"), QStringLiteral("Open1234"),
                  QStringLiteral("the usual bakery word"), QStringLiteral("Admin42"),
                  QStringLiteral("The admin cupboard"));
    const QVariantList stored = StoredSettings();
    OpenLogin();
    program.SetConfigValue(QStringLiteral("DATABASE"), QStringLiteral("gone.qvd"));
    program.ClearLog();
    bool settingsShown = false;
    LogIn(QStringLiteral("Admin42"), true,
          [&settingsShown] { settingsShown = OpenSettingsWindow() != nullptr; });

    EXPECT_FALSE(settingsShown);
    EXPECT_FALSE(login->isVisible());
    EXPECT_EQ(login->result(), QDialog::Rejected);
    const QString description =
        QStringLiteral("The settings could not be read from the database named gone.qvd; see "
                       "the application log for the cause.");
    const MsgBox::Shown shown = OnlyMessage();
    EXPECT_EQ(shown.text,
              QStringLiteral("An error occured in the application.\r\n\r\nError Message:\r\n") +
                  description);
    EXPECT_EQ(shown.title, QStringLiteral("Quorvane Lite"));
    EXPECT_EQ(shown.icon, MsgBox::Icon::Critical);
    EXPECT_TRUE(
        program.LogLines().constLast().endsWith(QStringLiteral("\tbtnLogin_Click\t") + description))
        << program.LogText().toStdString();

    program.SetConfigValue(QStringLiteral("DATABASE"), QStringLiteral("quorvane.sys.qvd"));
    EXPECT_EQ(StoredSettings(), stored);
}

// The main window's Settings link, with and without a settings password.
class frmSettingsLinkTest : public frmSettingsLoginTest {
protected:
    void SetUp() override {
        qputenv("QUORVANE_TEST_CAMERA", "0");
        frmSettingsLoginTest::SetUp();
        main = std::make_unique<frmMain>();
        main->Load();
        main->show();
        MsgBox::ClearRecorded();
    }
    void TearDown() override {
        main.reset();
        frmSettingsLoginTest::TearDown();
    }

    // Clicks the link; steps run one after the other inside the modal windows it opens.
    void ClickSettingsLink(std::vector<std::function<void()>> steps) {
        auto remaining = std::make_shared<std::vector<std::function<void()>>>(std::move(steps));
        auto next = std::make_shared<std::function<void()>>();
        *next = [remaining, next] {
            if (remaining->empty()) {
                return;
            }
            const std::function<void()> step = remaining->front();
            remaining->erase(remaining->begin());
            WhenModalOpens(*next);
            step();
        };
        WhenModalOpens(*next);
        ClickOn(ChildOf<LinkLabel>(main.get(), "lblLnkSettings"));
    }

    std::unique_ptr<frmMain> main;
};

TEST_F(frmSettingsLinkTest, WithoutSettingsPasswordTheSettingsWindowOpensDirectly) {
    StoreAdminLogin(QString(), QString());
    bool mainHidden = false;
    bool settingsShown = false;
    bool loginShown = true;
    ClickSettingsLink({[&] {
        mainHidden = !main->isVisible();
        settingsShown = OpenSettingsWindow() != nullptr;
        loginShown = OpenLoginWindow() != nullptr;
        ClickOn(ChildOf<QVButton>(OpenSettingsWindow(), "btnExit"));
    }});
    EXPECT_TRUE(mainHidden);
    EXPECT_TRUE(settingsShown);
    EXPECT_FALSE(loginShown);
    EXPECT_TRUE(main->isVisible());
}

TEST_F(frmSettingsLinkTest, WithSettingsPasswordTheLoginComesFirstAndTheMainWindowComesBack) {
    StoreAdminLogin(QStringLiteral("Admin42"), QString());
    struct Case {
        const char* what;
        const char* typed;
        bool opensSettings;
    };
    const Case cases[] = {
        {"right password", "Admin42", true},
        {"wrong password, then Exit", "nope", false},
        {"Exit at once", nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        bool mainHidden = false;
        bool settingsShown = false;
        std::vector<std::function<void()>> steps;
        steps.emplace_back([&] {
            mainHidden = !main->isVisible();
            frmSettingsLogin* shown = OpenLoginWindow();
            ASSERT_NE(shown, nullptr);
            if (c.typed == nullptr) {
                ClickOn(ChildOf<QVButton>(shown, "btnExit"));
                return;
            }
            QLineEdit* box = ChildOf<QLineEdit>(shown, "txtPassword");
            QTest::keyClicks(box, QString::fromLatin1(c.typed));
            QTest::keyClick(box, Qt::Key_Return);
        });
        steps.emplace_back([&] {
            settingsShown = OpenSettingsWindow() != nullptr;
            if (frmSettings* settings = OpenSettingsWindow()) {
                ClickOn(ChildOf<QVButton>(settings, "btnExit"));
            } else if (frmSettingsLogin* shown = OpenLoginWindow()) {
                ClickOn(ChildOf<QVButton>(shown, "btnExit"));
            }
        });
        ClickSettingsLink(std::move(steps));
        EXPECT_TRUE(mainHidden);
        EXPECT_EQ(settingsShown, c.opensSettings);
        EXPECT_TRUE(main->isVisible());
        EXPECT_EQ(OpenLoginWindow(), nullptr);
        EXPECT_EQ(OpenSettingsWindow(), nullptr);
    }
}

// In the running program, closing the settings windows while the main window is hidden must not
// end it.
TEST_F(frmSettingsLinkTest, TheProgramRunsOnAfterTheSettingsWindowsClose) {
    for (const bool withPassword : {false, true}) {
        SCOPED_TRACE(withPassword ? "through the login" : "directly");
        StoreAdminLogin(withPassword ? QStringLiteral("Admin42") : QString(), QString());
        bool endedByItself = true;
        QTimer::singleShot(0, qApp, [&] {
            std::vector<std::function<void()>> steps;
            if (withPassword) {
                steps.emplace_back([] {
                    QLineEdit* box = ChildOf<QLineEdit>(OpenLoginWindow(), "txtPassword");
                    QTest::keyClicks(box, QStringLiteral("Admin42"));
                    QTest::keyClick(box, Qt::Key_Return);
                });
            }
            steps.emplace_back([] { ClickOn(ChildOf<QVButton>(OpenSettingsWindow(), "btnExit")); });
            ClickSettingsLink(std::move(steps));
            QTimer::singleShot(50, qApp, [&endedByItself] {
                endedByItself = false;
                QApplication::exit(7);
            });
        });
        EXPECT_EQ(QApplication::exec(), 7);
        EXPECT_FALSE(endedByItself);
        EXPECT_TRUE(main->isVisible());
    }
}

TEST_F(frmSettingsLoginTest, ASettingsRoundTripIsReadBackAndGuardsTheNextLogin) {
    Open();
    Set("txtCompanyName", QStringLiteral("O'Neil's Bakery"));
    Set("txtPassword", QStringLiteral("Open1234"));
    Set("txtConfPassword", QStringLiteral("Open1234"));
    Set("txtHint", QStringLiteral("the usual bakery word"));
    Set("txtSettingsPassword", QStringLiteral("Adm1n!"));
    Set("txtSettingsRetypePassword", QStringLiteral("Adm1n!"));
    Set("txtSettingsPasswordHint", QStringLiteral("admin cupboard note"));
    Click(Button("btnSave"));
    ASSERT_FALSE(window->isVisible());
    EXPECT_TRUE(MsgBox::Recorded().empty());

    // A second database holding the same settings, then chosen by name.
    ASSERT_EQ(DBManager().Backup(program.DataFolder() + QStringLiteral("second.qvd")), QString());
    Open();
    Set("txtDatabaseName", QStringLiteral("second.qvd"));
    Click(Button("btnSave"));
    ASSERT_FALSE(window->isVisible());
    EXPECT_EQ(Settings().GetDatabaseName(), QStringLiteral("second.qvd"));

    // The next start reads everything back.
    Open();
    EXPECT_EQ(Box("txtCompanyName")->text(), QStringLiteral("O'Neil's Bakery"));
    EXPECT_EQ(Box("txtPassword")->text(), QStringLiteral("Open1234"));
    EXPECT_EQ(Box("txtHint")->text(), QStringLiteral("the usual bakery word"));
    EXPECT_EQ(Box("txtSettingsPassword")->text(), QStringLiteral("Adm1n!"));
    EXPECT_EQ(Box("txtSettingsPasswordHint")->text(), QStringLiteral("admin cupboard note"));
    EXPECT_EQ(Box("txtDatabaseName")->text(), QStringLiteral("second.qvd"));
    Click(Button("btnExit"));
    Login application;
    application.Initialize();
    EXPECT_TRUE(application.Authenticate(QStringLiteral("Open1234")));

    OpenLogin();
    LogIn(QString(), true, {});
    EXPECT_EQ(OnlyMessage().text, QStringLiteral("Password is incorrect!"));
    MsgBox::ClearRecorded();
    ClickOn(ChildOf<LinkLabel>(login.get(), "lblLnkForgotPassword"));
    EXPECT_EQ(OnlyMessage().text, QStringLiteral("Your password hint:\r\n\r\nadmin cupboard note"));
    MsgBox::ClearRecorded();
    bool settingsShown = false;
    LogIn(QStringLiteral("Adm1n!"), false,
          [&settingsShown] { settingsShown = OpenSettingsWindow() != nullptr; });
    EXPECT_TRUE(settingsShown);
    EXPECT_TRUE(MsgBox::Recorded().empty());
}

} // namespace
