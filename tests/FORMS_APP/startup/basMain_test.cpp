#include "basMain.h"

#include "TempProgramFolder.h"

#include "core/AppEnvironment.h"
#include "core/DBManager.h"
#include "mainwindow/ApplicationError.h"
#include "mainwindow/MsgBox.h"
#include "mainwindow/frmMain.h"
#include "windows/frmLogin.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <QStandardPaths>

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <iostream>

namespace {

const QString kTitle = QStringLiteral("Quorvane Lite");

QString NotFound(const QString& name) {
    return QStringLiteral("The database named ") + name +
           QStringLiteral(" could not be found! The application cannot be launched!");
}

QString NotValid(const QString& name) {
    return QStringLiteral("The database named ") + name +
           QStringLiteral(" is not a valid Quorvane Lite database. The application cannot be "
                          "launched!");
}

template <typename Window>
QList<Window*> ShownWindows() {
    QList<Window*> found;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<Window*>(widget);
            window != nullptr && window->isVisible()) {
            found.append(window);
        }
    }
    return found;
}

void DeleteProgramWindows() {
    // A window may own other top-level widgets, so collect first and delete what still lives.
    QList<QPointer<QWidget>> windows;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<frmMain*>(widget) != nullptr ||
            qobject_cast<frmLogin*>(widget) != nullptr) {
            windows.append(widget);
        }
    }
    for (const QPointer<QWidget>& window : windows) {
        delete window.data();
    }
}

// The per-user runtime folder must be private, or the platform falls back to a shared one.
void MakeRuntimeFolderPrivate() {
    QFile::setPermissions(qEnvironmentVariable("XDG_RUNTIME_DIR"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

class basMainTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(program.IsValid());
        MakeRuntimeFolderPrivate();
        ASSERT_TRUE(
            basMain::InstanceLockPath().startsWith(qEnvironmentVariable("XDG_RUNTIME_DIR")));
        MsgBox::StartRecording();
    }

    void TearDown() override {
        DeleteProgramWindows();
        basMain::ReleaseInstance();
        MsgBox::StopRecording();
    }

    static void SetStoredPassword(const QString& password) {
        DBManager database;
        ASSERT_TRUE(
            database.ExecuteNonQuery(QStringLiteral("UPDATE [Settings] SET [PWD]=?"), {password}));
    }

    static void ExpectOneBox(const QString& text, MsgBox::Icon icon) {
        const auto& shown = MsgBox::Recorded();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, text);
        EXPECT_EQ(shown[0].title, kTitle);
        EXPECT_EQ(shown[0].icon, icon);
        EXPECT_EQ(shown[0].buttons, MsgBox::Buttons::OK);
    }

    TempProgramFolder program;
};

TEST_F(basMainTest, SecondInstanceIsRefusedWithoutTouchingTheDatabase) {
    const QPointer<QWidget> first = basMain::Main();
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(MsgBox::Recorded().empty());

    // The second start would now find no database: it must not get that far.
    ASSERT_TRUE(QFile::remove(program.DatabaseFile()));
    program.ClearLog();
    for (int attempt = 0; attempt < 2; ++attempt) {
        SCOPED_TRACE(attempt);
        MsgBox::ClearRecorded();
        EXPECT_EQ(basMain::Main(), nullptr);
        ExpectOneBox(QStringLiteral("Another instance of the application is already running!\r\n"
                                    "Cannot start more than one instance!"),
                     MsgBox::Icon::Information);
    }
    EXPECT_TRUE(program.LogLines().isEmpty());
    EXPECT_EQ(ShownWindows<frmMain>().size(), 1);

    // Once the first instance is gone a start gets past the check again.
    DeleteProgramWindows();
    basMain::ReleaseInstance();
    MsgBox::ClearRecorded();
    EXPECT_EQ(basMain::Main(), nullptr);
    ExpectOneBox(NotFound(QStringLiteral("quorvane.sys.qvd")), MsgBox::Icon::Critical);
}

TEST_F(basMainTest, UnusableDatabaseEndsStartUpWithItsMessage) {
    struct Case {
        const char* what;
        const char* configuredName; // nullptr: keep the installed name
        const char* dropTable;      // nullptr: keep both tables
        bool garbageFile;
        bool expectNotFound;
        const char* shownName;
    };
    const Case cases[] = {
        {"missing file", "absent.qvd", nullptr, false, true, "absent.qvd"},
        {"empty DATABASE value", "", nullptr, false, true, ""},
        {"only the Settings table", nullptr, "VisitorRegister", false, false, "quorvane.sys.qvd"},
        {"only the VisitorRegister table", nullptr, "Settings", false, false, "quorvane.sys.qvd"},
        {"not a database at all", nullptr, nullptr, true, false, "quorvane.sys.qvd"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempProgramFolder fresh;
        ASSERT_TRUE(fresh.IsValid());
        if (c.configuredName != nullptr) {
            fresh.SetConfigValue(QStringLiteral("DATABASE"), QString::fromUtf8(c.configuredName));
        }
        if (c.dropTable != nullptr) {
            DBManager database;
            ASSERT_TRUE(database.ExecuteNonQuery(QStringLiteral("DROP TABLE [") +
                                                 QString::fromUtf8(c.dropTable) + u']'));
        }
        if (c.garbageFile) {
            fresh.WriteFile(QStringLiteral("Data/quorvane.sys.qvd"),
                            QByteArray("this is no database", 19));
        }
        MsgBox::ClearRecorded();

        EXPECT_EQ(basMain::Main(), nullptr);
        const QString name = QString::fromUtf8(c.shownName);
        ExpectOneBox(c.expectNotFound ? NotFound(name) : NotValid(name), MsgBox::Icon::Critical);
        EXPECT_TRUE(ShownWindows<frmMain>().isEmpty());
        EXPECT_TRUE(ShownWindows<frmLogin>().isEmpty());

        // A refused start ends the program, so it leaves no instance lock behind.
        QLockFile lock(basMain::InstanceLockPath());
        EXPECT_TRUE(lock.tryLock(0));
    }
}

TEST_F(basMainTest, StoredPasswordChoosesTheFirstWindow) {
    struct Case {
        const char* password;
        bool expectLogin;
    };
    const Case cases[] = {{"", false}, {"Secret", true}, {" ", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.password);
        SetStoredPassword(QString::fromUtf8(c.password));
        MsgBox::ClearRecorded();

        QWidget* first = basMain::Main();
        ASSERT_NE(first, nullptr);
        EXPECT_TRUE(MsgBox::Recorded().empty());
        EXPECT_TRUE(first->isVisible());
        EXPECT_EQ(first->parentWidget(), nullptr);
        EXPECT_EQ(ShownWindows<frmLogin>().size(), c.expectLogin ? 1 : 0);
        EXPECT_EQ(ShownWindows<frmMain>().size(), c.expectLogin ? 0 : 1);
        EXPECT_EQ(qobject_cast<frmLogin*>(first) != nullptr, c.expectLogin);

        DeleteProgramWindows();
        basMain::ReleaseInstance();
    }
}

// The Settings table's first page overwritten on disk, as a failing disk or share leaves it: the
// schema still reads, so the database passes start-up's check, but the row cannot be read.
void DamageSettingsPage(const QString& file) {
    DBManager database;
    const auto root = database.GetRecordSet(
        QStringLiteral("SELECT [rootpage] FROM [sqlite_master] WHERE [name]='Settings'"));
    const auto size = database.GetRecordSet(QStringLiteral("PRAGMA page_size"));
    ASSERT_TRUE(root && !root->AtEnd() && size && !size->AtEnd());
    const qint64 pageSize = size->Value(0, 0).toLongLong();
    QFile data(file);
    ASSERT_TRUE(data.open(QIODevice::ReadWrite));
    ASSERT_TRUE(data.seek((root->Value(0, 0).toLongLong() - 1) * pageSize + pageSize / 4));
    ASSERT_EQ(data.write(QByteArray(pageSize / 2, '\xA5')), pageSize / 2);
}

// A database whose Settings table lost its password column (edited by another tool).
void DropPasswordColumn(const QString&) {
    DBManager database;
    for (const char* statement :
         {"DROP TABLE [Settings]",
          "CREATE TABLE [Settings] ([CompanyName] TEXT, [Hint] TEXT, [AdminPWD] TEXT, "
          "[AdminHint] TEXT)",
          "INSERT INTO [Settings] VALUES ('Acme', 'a hint', '', '')"}) {
        ASSERT_TRUE(database.ExecuteNonQuery(QString::fromLatin1(statement))) << statement;
    }
}

// A password that cannot be read is not an empty one: start-up reports the error as it reports
// its others and ends, with neither the main window nor a login that could not check anything.
TEST_F(basMainTest, UnreadablePasswordEndsStartUpWithoutTheMainWindow) {
    struct Case {
        const char* what;
        void (*breakIt)(const QString& databaseFile);
    };
    const Case cases[] = {{"damaged Settings page", DamageSettingsPage},
                          {"no password column", DropPasswordColumn}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempProgramFolder fresh;
        ASSERT_TRUE(fresh.IsValid());
        SetStoredPassword(QStringLiteral("Secret"));
        c.breakIt(fresh.DatabaseFile());
        MsgBox::ClearRecorded();

        EXPECT_EQ(basMain::Main(), nullptr);
        EXPECT_TRUE(ShownWindows<frmMain>().isEmpty());
        EXPECT_TRUE(ShownWindows<frmLogin>().isEmpty());
        const QString description =
            QStringLiteral("The settings could not be read from the database named "
                           "quorvane.sys.qvd; see the application log for the cause.");
        ExpectOneBox(QStringLiteral("An error occured in the application.\r\n\r\nError "
                                    "Message:\r\n") +
                         description,
                     MsgBox::Icon::Critical);
        const QStringList lines = fresh.LogLines();
        ASSERT_GE(lines.size(), 2) << fresh.LogText().toStdString();
        EXPECT_TRUE(lines.at(lines.size() - 2).contains(QStringLiteral("\tGetRecordSet\t")));
        EXPECT_TRUE(lines.constLast().endsWith(QStringLiteral("\tSub Main()\t") + description))
            << lines.constLast().toStdString();

        // Start-up ended, so it keeps no instance lock.
        QLockFile lock(basMain::InstanceLockPath());
        EXPECT_TRUE(lock.tryLock(0));
    }
}

TEST_F(basMainTest, ConfiguredBaseFolderReplacesTheProgramFolderForTheDatabase) {
    QTemporaryDir base;
    ASSERT_TRUE(base.isValid());
    program.SetEncipheredConfigValue(QStringLiteral("DISP"), base.path());

    // The program folder's database is there, but the base folder's Data folder is empty.
    EXPECT_EQ(basMain::Main(), nullptr);
    ExpectOneBox(NotFound(QStringLiteral("quorvane.sys.qvd")), MsgBox::Icon::Critical);

    // With the database moved to the base folder the program folder's copy is not needed.
    ASSERT_TRUE(QDir().mkpath(base.path() + QStringLiteral("/Data")));
    ASSERT_TRUE(QFile::rename(program.DatabaseFile(),
                              base.path() + QStringLiteral("/Data/quorvane.sys.qvd")));
    MsgBox::ClearRecorded();
    EXPECT_NE(basMain::Main(), nullptr);
    EXPECT_TRUE(MsgBox::Recorded().empty());
    EXPECT_EQ(ShownWindows<frmMain>().size(), 1);
}

// A register whose one-row triggers were dropped may lose the Settings row; its passwords are then
// unknown, not empty.
TEST_F(basMainTest, SettingsTableWithoutItsRowEndsStartUpWithoutTheMainWindow) {
    AppEnvironment::SetClock([] { return QDateTime(QDate(2025, 3, 14), QTime(9, 26, 53)); });
    DBManager database;
    ASSERT_TRUE(database.ExecuteNonQuery(QStringLiteral("DROP TRIGGER [Settings_OneRowOnDelete]")));
    ASSERT_TRUE(database.ExecuteNonQuery(QStringLiteral("DELETE FROM [Settings]")));
    program.ClearLog();

    EXPECT_EQ(basMain::Main(), nullptr);
    EXPECT_TRUE(ShownWindows<frmMain>().isEmpty());
    EXPECT_TRUE(ShownWindows<frmLogin>().isEmpty());
    const QString description = QStringLiteral("The Settings table of the database named "
                                               "quorvane.sys.qvd holds no row.");
    ExpectOneBox(ApplicationError::MessageText(description), MsgBox::Icon::Critical);
    EXPECT_EQ(program.LogLines(),
              QStringList{QStringLiteral("09:26:53\tSub Main()\t") + description});
    QLockFile lock(basMain::InstanceLockPath());
    EXPECT_TRUE(lock.tryLock(0));
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A shared folder that cannot be read is not "no shared folder": start-up ends with the error
// before any window, and leaves the program folder's own register alone. An empty one still
// means the program folder.
TEST_F(basMainTest, UnreadableSharedFolderEndsStartUpAndEmptyMeansTheProgramFolder) {
    struct Case {
        const char* what;
        std::function<void(const TempProgramFolder&)> setIt;
        std::function<QString(const TempProgramFolder&)> description; // nullptr: starts
    };
    const Case cases[] = {
        {"element missing",
         [](const TempProgramFolder& fresh) { fresh.RemoveConfigValue(QStringLiteral("DISP")); },
         [](const TempProgramFolder& fresh) -> QString {
             return QStringLiteral("The configuration value SYSDATA/LC/DISP cannot be read from ") +
                    fresh.ConfigFile();
         }},
        {"text that cannot be deciphered",
         [](const TempProgramFolder& fresh) {
             ASSERT_TRUE(fresh.RemoveFile(QStringLiteral("system/key.tokens.xml")));
         },
         [](const TempProgramFolder&) -> QString {
             return QStringLiteral("The configuration value SYSDATA/LC/DISP cannot be "
                                   "deciphered: ERROR: INVALID PASSWORD!");
         }},
        {"database name missing",
         [](const TempProgramFolder& fresh) {
             fresh.RemoveConfigValue(QStringLiteral("DATABASE"));
         },
         [](const TempProgramFolder& fresh) -> QString {
             return QStringLiteral("The configuration value SYSDATA/LC/DATABASE cannot be read "
                                   "from ") +
                    fresh.ConfigFile();
         }},
        {"empty",
         [](const TempProgramFolder& fresh) {
             fresh.SetEncipheredConfigValue(QStringLiteral("DISP"), QString());
         },
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempProgramFolder fresh;
        ASSERT_TRUE(fresh.IsValid());
        AppEnvironment::SetClock([] { return QDateTime(QDate(2025, 3, 14), QTime(9, 26, 53)); });
        // An index start-up would add to the register it opens.
        ASSERT_TRUE(DBManager().ExecuteNonQuery(QStringLiteral("DROP INDEX IF EXISTS "
                                                               "[IX_VisitorRegister_CheckedIn]")));
        c.setIt(fresh);
        fresh.ClearLog();
        MsgBox::ClearRecorded();
        const QByteArray storedRegister = FileBytes(fresh.DatabaseFile());

        QWidget* first = basMain::Main();
        if (!c.description) {
            EXPECT_NE(first, nullptr);
            EXPECT_TRUE(MsgBox::Recorded().empty());
            EXPECT_EQ(ShownWindows<frmMain>().size(), 1);
            DeleteProgramWindows();
            basMain::ReleaseInstance();
            continue;
        }
        EXPECT_EQ(first, nullptr);
        EXPECT_TRUE(ShownWindows<frmMain>().isEmpty());
        EXPECT_TRUE(ShownWindows<frmLogin>().isEmpty());
        const QString description = c.description(fresh);
        ExpectOneBox(ApplicationError::MessageText(description), MsgBox::Icon::Critical);
        const QStringList lines = fresh.LogLines();
        ASSERT_FALSE(lines.isEmpty());
        EXPECT_EQ(lines.constLast(), QStringLiteral("09:26:53\tSub Main()\t") + description);
        EXPECT_EQ(FileBytes(fresh.DatabaseFile()), storedRegister);
        QLockFile lock(basMain::InstanceLockPath());
        EXPECT_TRUE(lock.tryLock(0));
    }
}

TEST_F(basMainTest, FailureWhileTheFirstWindowLoadsIsLoggedAndShown) {
    // The main window reads the product address while loading; without it the load fails.
    program.RemoveConfigValue(QStringLiteral("QVS"));
    program.ClearLog();

    EXPECT_EQ(basMain::Main(), nullptr);
    EXPECT_TRUE(ShownWindows<frmMain>().isEmpty());

    const QStringList lines = program.LogLines();
    ASSERT_EQ(lines.size(), 1) << program.LogText().toStdString();
    const QStringList fields = lines[0].split(u'\t');
    ASSERT_EQ(fields.size(), 3) << lines[0].toStdString();
    EXPECT_EQ(fields[1], QStringLiteral("Sub Main()"));
    EXPECT_FALSE(fields[2].isEmpty());
    ExpectOneBox(QStringLiteral("An error occured in the application.\r\n\r\nError Message:\r\n") +
                     fields[2],
                 MsgBox::Icon::Critical);
}

// Run only as a child of the test below: takes the instance lock and dies without letting go.
TEST(basMainCrashedInstance, DISABLED_TakesTheLockAndDies) {
    QLockFile lock(basMain::InstanceLockPath());
    lock.setStaleLockTime(0);
    ASSERT_TRUE(lock.tryLock(0));
    std::_Exit(0);
}

TEST_F(basMainTest, LockLeftByACrashedInstanceDoesNotRefuseTheNextStart) {
    QProcess crashed;
    crashed.start(QCoreApplication::applicationFilePath(),
                  {QStringLiteral("--gtest_also_run_disabled_tests"),
                   QStringLiteral("--gtest_filter=basMainCrashedInstance.*")});
    ASSERT_TRUE(crashed.waitForFinished(-1));
    ASSERT_EQ(crashed.exitCode(), 0) << crashed.readAll().toStdString();
    ASSERT_TRUE(QFile::exists(basMain::InstanceLockPath()));

    EXPECT_NE(basMain::Main(), nullptr);
    EXPECT_TRUE(MsgBox::Recorded().empty());
    EXPECT_EQ(ShownWindows<frmMain>().size(), 1);
}

// Run only as a child of the tests below: a second start of the program in a process of its own,
// which prints the boxes it showed.
TEST(basMainSecondStart, DISABLED_StartsAndPrintsItsBoxes) {
    MsgBox::StartRecording();
    QWidget* first = basMain::Main();
    std::cout << "WINDOW:" << (first != nullptr ? "shown" : "none") << '\n';
    for (const auto& box : MsgBox::Recorded()) {
        std::cout
            << "BOX:"
            << QString(box.text).replace(QStringLiteral("\r\n"), QStringLiteral(" ")).toStdString()
            << '\n';
    }
    delete first;
    basMain::ReleaseInstance();
}

// The folders the platform and start-up would use for the lock, made unusable one by one: a
// regular file stands where each folder would be, so no folder can be made there.
class basMainLockFolderTest : public basMainTest {
protected:
    void SetUp() override {
        basMainTest::SetUp();
        savedRuntime = qgetenv("XDG_RUNTIME_DIR");
        savedTemp = qgetenv("TMPDIR");
        ASSERT_TRUE(blocker.isValid());
        // A temporary folder of this test alone, so the blocking files stand where nothing is.
        qputenv("TMPDIR", QFile::encodeName(blocker.path()));
        const QString notAFolder = blocker.filePath(QStringLiteral("not-a-folder"));
        BlockWithFile(notAFolder);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(notAFolder + QStringLiteral("/runtime")));
        // The platform's own fallback in the temporary folder.
        const passwd* user = ::getpwuid(::geteuid());
        ASSERT_NE(user, nullptr);
        BlockWithFile(QDir::tempPath() + QStringLiteral("/runtime-") +
                      QString::fromLocal8Bit(user->pw_name));
        ASSERT_TRUE(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation).isEmpty());
    }

    void TearDown() override {
        basMainTest::TearDown();
        qputenv("XDG_RUNTIME_DIR", savedRuntime);
        qputenv("TMPDIR", savedTemp);
    }

    void BlockWithFile(const QString& path) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    }

    static QString StartSecondProcess() {
        QProcess second;
        second.setProcessChannelMode(QProcess::MergedChannels);
        second.start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--gtest_also_run_disabled_tests"),
                      QStringLiteral("--gtest_filter=basMainSecondStart.*")});
        EXPECT_TRUE(second.waitForFinished(-1));
        return QString::fromUtf8(second.readAll());
    }

    QTemporaryDir blocker;
    QByteArray savedRuntime;
    QByteArray savedTemp;
};

TEST_F(basMainLockFolderTest, WithoutARuntimeFolderTheFirstStartsAndASecondIsRefused) {
    const QPointer<QWidget> first = basMain::Main();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(MsgBox::Recorded().empty());
    EXPECT_TRUE(basMain::InstanceLockPath().startsWith(QDir::tempPath() + u'/'));
    EXPECT_TRUE(QFile::exists(basMain::InstanceLockPath()));

    // Another process, as a second start of the program would be.
    const QString output = StartSecondProcess();
    EXPECT_TRUE(output.contains(QStringLiteral("WINDOW:none"))) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("BOX:Another instance of the application is "
                                               "already running! Cannot start more than one "
                                               "instance!")))
        << output.toStdString();
    EXPECT_EQ(output.count(QStringLiteral("BOX:")), 1) << output.toStdString();

    // Once the first has ended, the next start gets past the check again.
    DeleteProgramWindows();
    basMain::ReleaseInstance();
    const QString after = StartSecondProcess();
    EXPECT_FALSE(after.contains(QStringLiteral("Another instance"))) << after.toStdString();
}

TEST_F(basMainLockFolderTest, LockThatCannotBeCreatedIsReportedNotTakenForAnInstance) {
    BlockWithFile(QDir::tempPath() + QStringLiteral("/quorvane-lite-") +
                  QString::number(::geteuid()));
    ASSERT_TRUE(basMain::InstanceLockPath().isEmpty());
    program.ClearLog();

    EXPECT_EQ(basMain::Main(), nullptr);
    EXPECT_TRUE(ShownWindows<frmMain>().isEmpty());
    const QStringList lines = program.LogLines();
    ASSERT_EQ(lines.size(), 1) << program.LogText().toStdString();
    const QStringList fields = lines[0].split(u'\t');
    ASSERT_EQ(fields.size(), 3) << lines[0].toStdString();
    EXPECT_EQ(fields[1], QStringLiteral("Sub Main()"));
    EXPECT_TRUE(fields[2].startsWith(QStringLiteral("No folder for the instance lock can be used")))
        << fields[2].toStdString();
    ExpectOneBox(QStringLiteral("An error occured in the application.\r\n\r\nError Message:\r\n") +
                     fields[2],
                 MsgBox::Icon::Critical);
}

} // namespace
