#include "basMain.h"

#include "core/CoreError.h"
#include "core/DBManager.h"
#include "core/DatabaseIndexes.h"
#include "core/Login.h"
#include "core/Settings.h"
#include "core/basCommon.h"
#include "mainwindow/ApplicationError.h"
#include "mainwindow/MsgBox.h"
#include "mainwindow/TahomaFont.h"
#include "mainwindow/frmMain.h"
#include "windows/MainWindowLauncher.h"
#include "windows/frmLogin.h"

#include "core/AppEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <QString>
#include <QWidget>

#include <sys/stat.h>
#include <unistd.h>

#include <exception>
#include <memory>

namespace {

const QString kTitle = QStringLiteral("Quorvane Lite");

std::unique_ptr<QLockFile>& InstanceLock() {
    static std::unique_ptr<QLockFile> lock;
    return lock;
}

enum class LockOutcome { Taken, HeldByRunningInstance, CannotCreate };

// A private folder of this user under the temporary folder, for when the platform finds no
// usable runtime folder; "" when it cannot be made or is not ours alone.
QString FallbackLockFolder() {
    const uint uid = ::geteuid();
    const QString folder =
        QDir::tempPath() + QStringLiteral("/quorvane-lite-") + QString::number(uid);
    ::mkdir(QFile::encodeName(folder).constData(), 0700);
    const QFileInfo info(folder);
    if (info.isSymLink() || !info.isDir() || info.ownerId() != uid ||
        !QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) {
        return {};
    }
    return folder;
}

QString LockFolder() {
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    const QFileInfo info(runtime);
    if (!runtime.isEmpty() && info.isDir() && info.isWritable()) {
        return runtime;
    }
    return FallbackLockFolder();
}

// Only a lock that a live process of this program holds means another instance; a lock left by
// a process that is gone is taken over.
LockOutcome TakeInstanceLock(QString& description) {
    const QString path = basMain::InstanceLockPath();
    if (path.isEmpty()) {
        description = QStringLiteral("No folder for the instance lock can be used: neither the "
                                     "runtime folder nor a private folder in ") +
                      QDir::tempPath();
        return LockOutcome::CannotCreate;
    }
    auto lock = std::make_unique<QLockFile>(path);
    // A running instance's lock never goes stale by age, only when its process is gone.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        InstanceLock() = std::move(lock);
        return LockOutcome::Taken;
    }
    if (lock->error() == QLockFile::LockFailedError) {
        return LockOutcome::HeldByRunningInstance;
    }
    description = QStringLiteral("The instance lock ") + path +
                  (lock->error() == QLockFile::PermissionError
                       ? QStringLiteral(" cannot be created: permission denied")
                       : QStringLiteral(" cannot be created"));
    return LockOutcome::CannotCreate;
}

void Refuse(const QString& text, MsgBox::Icon icon) {
    MsgBox::Show(nullptr, text, MsgBox::Buttons::OK, icon, kTitle);
}

// Steps after the instance check; nullptr when start-up refuses to go on.
QWidget* CheckDatabaseAndShowFirstWindow() {
    QString strDatabaseName;
    QString strBaseFolder;
    {
        Settings settings;
        // A name or shared folder that cannot be read raises here: taken for "none", the desk
        // would work on another register than the configured one.
        strDatabaseName = settings.ReadDatabaseName();
        strBaseFolder = settings.ReadDistributedPath();
    }
    // No default name: an empty name points at the Data folder itself, which is no file.
    const QString folder =
        strBaseFolder.isEmpty() ? AppEnvironment::ProgramFolder() : strBaseFolder;
    const QString strDatabasePath = folder + QStringLiteral("/Data/") + strDatabaseName;

    if (!basCommon::FileExists(strDatabasePath)) {
        Refuse(QStringLiteral("The database named ") + strDatabaseName +
                   QStringLiteral(" could not be found! The application cannot be launched!"),
               MsgBox::Icon::Critical);
        return nullptr;
    }
    {
        DBManager database;
        database.SetDatabaseName(strDatabaseName);
        if (!database.IsDatabaseValid()) {
            Refuse(QStringLiteral("The database named ") + strDatabaseName +
                       QStringLiteral(" is not a valid Quorvane Lite database. The application "
                                      "cannot be launched!"),
                   MsgBox::Icon::Critical);
            return nullptr;
        }
    }
    // A register made by an earlier version is brought to this one; when that cannot be done now
    // (logged), the desk works with the register as it is and the next start tries again. A
    // register of a newer version is left as it is: this program does not know its schema.
    switch (DatabaseIndexes::Migrate(strDatabaseName)) {
    case DatabaseIndexes::Migration::Newer:
        Refuse(QStringLiteral("The database named ") + strDatabaseName +
                   QStringLiteral(" belongs to a newer version of Quorvane Lite than the one on "
                                  "this workstation. Please update Quorvane Lite on this "
                                  "workstation. The application cannot be launched!"),
               MsgBox::Icon::Critical);
        return nullptr;
    case DatabaseIndexes::Migration::Unreadable:
        throw CoreError(QStringLiteral("The schema version of the database named ") +
                        strDatabaseName + QStringLiteral(" could not be read."));
    case DatabaseIndexes::Migration::Current:
    case DatabaseIndexes::Migration::Migrated:
    case DatabaseIndexes::Migration::Failed:
        break;
    }
    QString strStartForm;
    {
        // A password that cannot be read raises here: start-up reports it and ends rather than
        // open the main window as if no password were set.
        Login login;
        login.Initialize();
        strStartForm =
            login.Authenticate(QString()) ? QStringLiteral("frmMain") : QStringLiteral("frmLogin");
    }
    if (strStartForm == QStringLiteral("frmMain")) {
        return MainWindowLauncher::Show();
    }
    auto* login = new frmLogin();
    login->setAttribute(Qt::WA_DeleteOnClose);
    login->show();
    return login;
}

} // namespace

QWidget* basMain::Main() {
    QWidget* first = nullptr;
    bool blnLockTaken = false;
    TahomaFont::Register();
    try {
        QString description;
        switch (TakeInstanceLock(description)) {
        case LockOutcome::HeldByRunningInstance:
            Refuse(QStringLiteral("Another instance of the application is already running!\r\n"
                                  "Cannot start more than one instance!"),
                   MsgBox::Icon::Information);
            return nullptr;
        case LockOutcome::CannotCreate:
            // No instance runs; start-up cannot go on and says why.
            ApplicationError::Report(description, QStringLiteral("Sub Main()"));
            return nullptr;
        case LockOutcome::Taken:
            blnLockTaken = true;
            break;
        }
        first = CheckDatabaseAndShowFirstWindow();
    } catch (const std::exception& error) {
        ApplicationError::Report(QString::fromUtf8(error.what()), QStringLiteral("Sub Main()"));
    } catch (...) {
        ApplicationError::Report(QStringLiteral("Unknown error"), QStringLiteral("Sub Main()"));
    }
    // A start-up that shows no window ends the program, so it keeps no lock.
    if (first == nullptr && blnLockTaken) {
        ReleaseInstance();
    }
    return first;
}

void basMain::ReleaseInstance() {
    InstanceLock().reset();
}

QString basMain::InstanceLockPath() {
    const QString folder = LockFolder();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/quorvane-lite.lock");
}
