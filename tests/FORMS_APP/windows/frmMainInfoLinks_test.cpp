// The main window's Help and About links open the help and about windows.
#include "TempProgramFolder.h"

#include "core/DBManager.h"
#include "core/SqlCipherConnection.h"
#include "mainwindow/LinkLabel.h"
#include "mainwindow/MsgBox.h"
#include "mainwindow/frmMain.h"
#include "windows/frmAbout.h"
#include "windows/frmHelp.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>

namespace {

class frmMainInfoLinksTest : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("QUORVANE_TEST_CAMERA", "0");
        ASSERT_TRUE(folder.IsValid());
        MsgBox::StartRecording();
        MsgBox::ClearRecorded();
        window = std::make_unique<frmMain>();
        window->Load();
        window->show();
    }

    void TearDown() override {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (qobject_cast<frmHelp*>(widget) != nullptr) {
                delete widget;
            }
        }
        window.reset();
        MsgBox::StopRecording();
    }

    void ClickLink(const char* name) const {
        auto* link = window->findChild<LinkLabel*>(QString::fromLatin1(name));
        ASSERT_NE(link, nullptr) << name;
        QTest::mouseClick(link, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    }

    // Clicks the Settings link; true when a modal window opened (it is closed again at once).
    bool SettingsLinkOpensAWindow() const {
        bool opened = false;
        QTimer::singleShot(0, window.get(), [&opened] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                opened = true;
                modal->close();
            }
        });
        ClickLink("lblLnkSettings");
        QApplication::processEvents();
        return opened;
    }

    static QList<frmHelp*> HelpWindows() {
        QList<frmHelp*> found;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* help = qobject_cast<frmHelp*>(widget)) {
                found.append(help);
            }
        }
        return found;
    }

    TempProgramFolder folder;
    std::unique_ptr<frmMain> window;
};

} // namespace

TEST_F(frmMainInfoLinksTest, HelpOpensOneModelessWindowWithoutOwner) {
    ClickLink("lblLnkHelp");
    ASSERT_EQ(HelpWindows().size(), 1);
    QPointer<frmHelp> help = HelpWindows().front();
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->parentWidget(), nullptr);
    EXPECT_FALSE(help->isModal());
    EXPECT_TRUE(window->isEnabled());

    ClickLink("lblLnkHelp");
    EXPECT_EQ(HelpWindows().size(), 1);
    EXPECT_EQ(HelpWindows().front(), help.data());

    // It outlives the main window.
    window.reset();
    EXPECT_FALSE(help.isNull());
    EXPECT_TRUE(help->isVisible());
    EXPECT_TRUE(MsgBox::Recorded().empty());
}

TEST_F(frmMainInfoLinksTest, AboutOpensModalOverTheMainWindowAndCloses) {
    bool seen = false;
    QTimer::singleShot(0, window.get(), [&] {
        QWidget* modal = QApplication::activeModalWidget();
        auto* about = qobject_cast<frmAbout*>(modal);
        if (about == nullptr) {
            ADD_FAILURE() << "no about window";
            if (modal != nullptr) {
                modal->close();
            }
            return;
        }
        seen = true;
        EXPECT_EQ(about->parentWidget(), window.get());
        EXPECT_TRUE(about->isModal());
        EXPECT_EQ(about->findChild<QLabel*>(QStringLiteral("lblQVLiteVersionInfo"))->text(),
                  QStringLiteral("Version 1.0 (1006)"));
        QTest::mouseClick(about->findChild<LinkLabel*>(QStringLiteral("lblLinkClose")),
                          Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    });
    ClickLink("lblLnkAbout");
    EXPECT_TRUE(seen);
    EXPECT_EQ(window->findChild<frmAbout*>(), nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(MsgBox::Recorded().empty());
}

// A settings password that could not be read is not an empty one: the Settings link reports the
// error as the links report theirs, opens neither the settings login nor the settings window, and
// the main window comes back.
TEST_F(frmMainInfoLinksTest, SettingsLinkWithAnUnreadablePasswordReportsAndOpensNothing) {
    ASSERT_TRUE(DBManager().ExecuteNonQuery(QStringLiteral("UPDATE [Settings] SET [AdminPWD]=?"),
                                            {QStringLiteral("Admin42")}));
    QFile file(folder.DatabaseFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray database = file.readAll();
    file.close();
    struct Case {
        const char* what;
        const char* configuredName;
        const char* fileContent;
    };
    const Case cases[] = {
        {"database named in the configuration is missing", "gone.qvd", nullptr},
        {"database file overwritten", "quorvane.sys.qvd", "no database"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        folder.SetConfigValue(QStringLiteral("DATABASE"), QString::fromLatin1(c.configuredName));
        if (c.fileContent != nullptr) {
            folder.WriteFile(QStringLiteral("Data/quorvane.sys.qvd"), c.fileContent);
        }
        folder.ClearLog();
        MsgBox::ClearRecorded();
        const bool opened = SettingsLinkOpensAWindow();

        EXPECT_FALSE(opened);
        EXPECT_TRUE(window->isVisible());
        const QString description =
            QStringLiteral("The settings could not be read from the database named ") +
            QString::fromLatin1(c.configuredName) +
            QStringLiteral("; see the application log for the cause.");
        const auto& shown = MsgBox::Recorded();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, QStringLiteral("An error occured in the application.\r\n\r\nError "
                                                "Message:\r\n") +
                                     description);
        EXPECT_EQ(shown[0].title, QStringLiteral("Quorvane Lite"));
        EXPECT_EQ(shown[0].icon, MsgBox::Icon::Critical);
        const QStringList lines = folder.LogLines();
        ASSERT_FALSE(lines.isEmpty());
        EXPECT_TRUE(
            lines.constLast().endsWith(QStringLiteral("\tlblLnkSettings_Click\t") + description))
            << folder.LogText().toStdString();

        folder.SetConfigValue(QStringLiteral("DATABASE"), QStringLiteral("quorvane.sys.qvd"));
        folder.WriteFile(QStringLiteral("Data/quorvane.sys.qvd"), database);
    }
}

// Another workstation holds the database past the busy timeout while the link reads the settings
// password, and lets go at once after: the settings window, which could now be read, must not
// open without the password that was never checked.
TEST_F(frmMainInfoLinksTest, SettingsLinkOpensNothingAfterThePasswordWasHeldByAnotherWorkstation) {
    ASSERT_TRUE(DBManager().ExecuteNonQuery(QStringLiteral("UPDATE [Settings] SET [AdminPWD]=?"),
                                            {QStringLiteral("Admin42")}));
    folder.ClearLog();
    std::promise<void> locked;
    std::atomic<bool> released{false};
    // The other workstation: holds the lock until the link's read has failed (its log line),
    // and never longer than a bounded wait.
    std::thread other([&] {
        SqlCipherConnection connection(folder.DatabaseFile(),
                                       QString::fromLatin1(DBManager::DatabasePassword));
        connection.ExecuteScript(QStringLiteral("BEGIN EXCLUSIVE"));
        locked.set_value();
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < giveUp) {
            if (folder.LogText().contains(QStringLiteral("\tGetRecordSet\t"))) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        connection.ExecuteScript(QStringLiteral("ROLLBACK"));
        released = true;
    });
    locked.get_future().wait();
    MsgBox::ClearRecorded();
    const bool opened = SettingsLinkOpensAWindow();
    other.join();

    EXPECT_TRUE(released);
    EXPECT_FALSE(opened);
    EXPECT_TRUE(window->isVisible());
    const auto& shown = MsgBox::Recorded();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].text.startsWith(QStringLiteral(
        "An error occured in the application.\r\n\r\nError Message:\r\nThe settings could not "
        "be read")))
        << shown[0].text.toStdString();
}
