#include "windows/frmLogin.h"

#include "TempProgramFolder.h"

#include "core/DBManager.h"
#include "mainwindow/LinkLabel.h"
#include "mainwindow/MsgBox.h"
#include "mainwindow/QVButton.h"
#include "mainwindow/frmMain.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

QList<frmMain*> MainWindows() {
    QList<frmMain*> found;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<frmMain*>(widget); window != nullptr) {
            found.append(window);
        }
    }
    return found;
}

class frmLoginTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(program.IsValid());
        StoreLogin(QStringLiteral("Secret"), QString());
        MsgBox::StartRecording();
    }

    void TearDown() override {
        login.reset();
        qDeleteAll(MainWindows());
        MsgBox::StopRecording();
    }

    static void StoreLogin(const QString& password, const QString& hint) {
        DBManager database;
        ASSERT_TRUE(database.ExecuteNonQuery(
            QStringLiteral("UPDATE [Settings] SET [PWD]=?, [Hint]=?"), {password, hint}));
    }

    void Open() {
        login = std::make_unique<frmLogin>();
        login->show();
        QApplication::setActiveWindow(login.get());
        Password()->setFocus();
    }

    QLineEdit* Password() const {
        return login->findChild<QLineEdit*>(QStringLiteral("txtPassword"));
    }
    QVButton* Button(const char* name) const {
        return login->findChild<QVButton*>(QString::fromUtf8(name));
    }
    static void Click(QWidget* widget) {
        QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    }
    void Type(const QString& text, int finalKey = Qt::Key_Return) const {
        QTest::keyClicks(Password(), text);
        QTest::keyClick(Password(), static_cast<Qt::Key>(finalKey));
    }

    // Without the product address in the configuration the main window cannot load.
    void BreakMainWindowLoad() const {
        program.RemoveConfigValue(QStringLiteral("QVS"));
        program.ClearLog();
    }

    TempProgramFolder program;
    std::unique_ptr<frmLogin> login;
};

TEST_F(frmLoginTest, ShowsItsTextsAndAMaskedLimitedPasswordBox) {
    Open();
    EXPECT_EQ(login->windowTitle(), QStringLiteral("Quorvane Lite :: Login"));
    EXPECT_EQ(login->font().family(), QStringLiteral("Tahoma"));
    EXPECT_EQ(login->findChild<QLabel*>(QStringLiteral("lblLabels"))->text(),
              QStringLiteral("This Application is password protected. Enter the password below "
                             "to login to the Applicaiton."));
    EXPECT_EQ(login->findChild<QLabel*>(QStringLiteral("lblQuorvaneVersionInfo"))->text(),
              QStringLiteral("Version 1.0 (1006)"));
    EXPECT_EQ(login->findChild<LinkLabel*>(QStringLiteral("lblLnkForgotPassword"))->text(),
              QStringLiteral("Forgot Password!"));
    EXPECT_EQ(Button("btnLogin")->Caption(), QStringLiteral("Login"));
    EXPECT_EQ(Button("btnExit")->Caption(), QStringLiteral("Exit"));
    EXPECT_EQ(Password()->echoMode(), QLineEdit::Password);

    QTest::keyClicks(Password(), QString(40, u'x'));
    EXPECT_EQ(Password()->text().size(), 30);
}

TEST_F(frmLoginTest, RightPasswordOpensTheMainWindowByEnterOrByLogin) {
    for (const bool byEnter : {true, false}) {
        SCOPED_TRACE(byEnter ? "Enter" : "Login button");
        Open();
        if (byEnter) {
            Type(QStringLiteral("Secret"), Qt::Key_Return);
        } else {
            QTest::keyClicks(Password(), QStringLiteral("Secret"));
            Click(Button("btnLogin"));
        }
        EXPECT_TRUE(MsgBox::Recorded().empty());
        EXPECT_FALSE(login->isVisible());
        const QList<frmMain*> main = MainWindows();
        ASSERT_EQ(main.size(), 1);
        EXPECT_TRUE(main[0]->isVisible());
        EXPECT_EQ(main[0]->parentWidget(), nullptr);
        qDeleteAll(main);
    }
}

TEST_F(frmLoginTest, WrongPasswordSaysLoginFailedAndLeavesAnEmptyFocusedBox) {
    struct Case {
        const char* typed;
        bool byEnter;
    };
    // Letter case counts; the keypad's Enter acts as Enter.
    const Case cases[] = {{"secret", true}, {"Wrong", false}, {"", true}, {"Secret ", false}};
    Open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        MsgBox::ClearRecorded();
        if (c.byEnter) {
            Type(QString::fromUtf8(c.typed), Qt::Key_Enter);
        } else {
            QTest::keyClicks(Password(), QString::fromUtf8(c.typed));
            Click(Button("btnLogin"));
        }
        const auto& shown = MsgBox::Recorded();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, QStringLiteral("Password is incorrect!"));
        EXPECT_EQ(shown[0].title, QStringLiteral("Login Failed"));
        EXPECT_EQ(shown[0].icon, MsgBox::Icon::Exclamation);
        EXPECT_EQ(shown[0].buttons, MsgBox::Buttons::OK);
        EXPECT_TRUE(Password()->text().isEmpty());
        EXPECT_EQ(QApplication::focusWidget(), Password());
        EXPECT_TRUE(login->isVisible());
        EXPECT_TRUE(MainWindows().isEmpty());
    }
}

TEST_F(frmLoginTest, ForgotPasswordShowsTheStoredHint) {
    struct Case {
        const char* hint;
        const char* expected;
    };
    const Case cases[] = {
        {"", "No Password hint has been set!"},
        {"The name of the cat", "Your password hint:\r\n\r\nThe name of the cat"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hint);
        StoreLogin(QStringLiteral("Secret"), QString::fromUtf8(c.hint));
        Open();
        MsgBox::ClearRecorded();
        Click(login->findChild<LinkLabel*>(QStringLiteral("lblLnkForgotPassword")));
        const auto& shown = MsgBox::Recorded();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, QString::fromUtf8(c.expected));
        EXPECT_EQ(shown[0].title, QStringLiteral("Password Hint"));
        EXPECT_EQ(shown[0].icon, MsgBox::Icon::Exclamation);
        EXPECT_TRUE(MainWindows().isEmpty());
    }
}

TEST_F(frmLoginTest, ExitClosesTheWindowAndOpensNothing) {
    Open();
    QTest::keyClicks(Password(), QStringLiteral("Secret"));
    Click(Button("btnExit"));
    EXPECT_FALSE(login->isVisible());
    EXPECT_TRUE(MainWindows().isEmpty());
    EXPECT_TRUE(MsgBox::Recorded().empty());
}

// In the running program: the handover to the main window must not end it, while Exit must.
TEST_F(frmLoginTest, ProgramRunsOnAfterTheHandoverAndEndsAfterExit) {
    for (const bool exit : {false, true}) {
        SCOPED_TRACE(exit ? "Exit" : "Login");
        Open();
        QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
        QTimer::singleShot(0, login.get(), [this, exit] {
            if (exit) {
                Click(Button("btnExit"));
            } else {
                Type(QStringLiteral("Secret"));
            }
            QTimer::singleShot(0, qApp, [] { QApplication::exit(0); });
        });
        QApplication::exec();
        EXPECT_EQ(lastClosed.count(), exit ? 1 : 0);
        EXPECT_EQ(MainWindows().size(), exit ? 0 : 1);
        qDeleteAll(MainWindows());
    }
}

TEST_F(frmLoginTest, MainWindowThatFailsToLoadIsLoggedAndShownAndLeavesNoWindow) {
    BreakMainWindowLoad();
    Open();
    Type(QStringLiteral("Secret"));

    EXPECT_FALSE(login->isVisible());
    EXPECT_TRUE(MainWindows().isEmpty());
    const QStringList lines = program.LogLines();
    ASSERT_EQ(lines.size(), 1) << program.LogText().toStdString();
    const QStringList fields = lines[0].split(u'\t');
    ASSERT_EQ(fields.size(), 3);
    EXPECT_EQ(fields[1], QStringLiteral("btnLogin_Click"));
    const auto& shown = MsgBox::Recorded();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text,
              QStringLiteral("An error occured in the application.\r\n\r\nError Message:\r\n") +
                  fields[2]);
    EXPECT_EQ(shown[0].title, QStringLiteral("Quorvane Lite"));
    EXPECT_EQ(shown[0].icon, MsgBox::Icon::Critical);
}

// The hidden login window must not keep a program alive whose main window could not load.
TEST_F(frmLoginTest, MainWindowThatFailsToLoadEndsTheRunningProgram) {
    BreakMainWindowLoad();
    Open();
    bool endedByItself = true;
    QTimer::singleShot(0, login.get(), [this, &endedByItself] {
        Type(QStringLiteral("Secret"));
        QTimer::singleShot(0, qApp, [&endedByItself] {
            endedByItself = false;
            QApplication::exit(1);
        });
    });
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_TRUE(endedByItself);
    EXPECT_TRUE(MainWindows().isEmpty());
    EXPECT_EQ(MsgBox::Recorded().size(), 1u);
}

} // namespace
