// Backups taken as checked snapshots: while other processes write, after a crash left a hot
// journal, and when the copy cannot be made or is damaged. The purge, which deletes only what its
// safety copy holds: while other processes check in, and killed midway.
#include "SqlcipherShell.h"
#include "VisitorFixture.h"

#include "core/DatabaseSnapshot.h"
#include "core/Settings.h"
#include "core/SqlCipherConnection.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QSet>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

const QString FolderVariable = QStringLiteral("QUORVANE_SNAPSHOT_PROGRAM_FOLDER");
const QString WorkerVariable = QStringLiteral("QUORVANE_SNAPSHOT_WORKER");
const QString Key = QString::fromLatin1(DBManager::DatabasePassword);
// The purge below takes the first three months of AddVisitsOverDays.
const QString PurgeEndDate = QStringLiteral("31-03-2024");
const QString PurgeLastSecond = QStringLiteral("2024-03-31 23:59:59");

QString StopFile(const QString& folder) {
    return folder + QStringLiteral("/stop-workers");
}
QString AckFile(const QString& folder, const QString& worker) {
    return folder + QStringLiteral("/acknowledged-") + worker;
}

// Run only as a child of the tests below: checks visitors in until told to stop, and notes
// every pass number once its check-in has returned.
TEST(DatabaseSnapshotWorker, DISABLED_ChecksVisitorsInUntilStopped) {
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString folder = environment.value(FolderVariable);
    const QString worker = environment.value(WorkerVariable);
    ASSERT_FALSE(folder.isEmpty());
    AppEnvironment::SetProgramFolder(folder);
    QFile acknowledged(AckFile(folder, worker));
    ASSERT_TRUE(
        acknowledged.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered));
    for (int visit = 0; !QFile::exists(StopFile(folder)); ++visit) {
        Visitor visitor = VisitorFixture::ValidVisitor(worker + QStringLiteral(" visitor"));
        visitor.SetRemarks(QString(200, u'r') + QString::number(visit));
        ASSERT_TRUE(visitor.InsertVisitorRecord())
            << "visit " << visit << ": " << visitor.ErrorMessage().toStdString();
        acknowledged.write((visitor.PassNo() + u'\n').toUtf8());
    }
}

// Run only as a child: leaves a half-written transaction and a hot journal, as a workstation
// that loses power in the middle of a write.
TEST(DatabaseSnapshotCrash, DISABLED_DiesInTheMiddleOfAWrite) {
    const QString folder = QProcessEnvironment::systemEnvironment().value(FolderVariable);
    ASSERT_FALSE(folder.isEmpty());
    SqlCipherConnection connection(folder + QStringLiteral("/Data/quorvane.sys.qvd"), Key);
    // A tiny cache makes the engine write changed pages into the file before the commit.
    connection.ExecuteScript(QStringLiteral("PRAGMA cache_size=2; BEGIN; "
                                            "UPDATE [VisitorRegister] SET [Name]='uncommitted';"));
    std::_Exit(0);
}

// Run only as a child: backs up over and over until it is killed.
TEST(DatabaseSnapshotKilled, DISABLED_BacksUpUntilKilled) {
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString folder = environment.value(FolderVariable);
    ASSERT_FALSE(folder.isEmpty());
    AppEnvironment::SetProgramFolder(folder);
    const QString target = environment.value(WorkerVariable);
    for (;;) {
        ASSERT_EQ(DBManager().Backup(target), QString());
    }
}

// Run only as a child: one purge, unless it is killed first.
TEST(DatabaseSnapshotPurge, DISABLED_Purges) {
    const QString folder = QProcessEnvironment::systemEnvironment().value(FolderVariable);
    ASSERT_FALSE(folder.isEmpty());
    AppEnvironment::SetProgramFolder(folder);
    ASSERT_EQ(Settings().Purge(PurgeEndDate), QString());
}

class DatabaseSnapshotTest : public VisitorFixture {
protected:
    std::unique_ptr<QProcess> StartChild(const QString& filter, const QString& worker = {}) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(FolderVariable, Folder().Path());
        environment.insert(WorkerVariable, worker);
        auto child = std::make_unique<QProcess>();
        child->setProcessEnvironment(environment);
        child->setProcessChannelMode(QProcess::MergedChannels);
        child->start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--gtest_also_run_disabled_tests"),
                      QStringLiteral("--gtest_filter=") + filter});
        return child;
    }

    // Starts one child a worker, each checking visitors in until the stop file appears.
    std::vector<std::unique_ptr<QProcess>> StartWorkers(const QStringList& workers) {
        std::vector<std::unique_ptr<QProcess>> children;
        for (const QString& worker : workers) {
            children.push_back(StartChild(QStringLiteral("DatabaseSnapshotWorker.*"), worker));
        }
        return children;
    }

    // Waits until the workers have acknowledged more than the given number of visits.
    void WaitForMoreThan(const QStringList& workers,
                         const std::vector<std::unique_ptr<QProcess>>& children, qsizetype count) {
        while (Acknowledged(workers).size() <= count) {
            for (const auto& child : children) {
                ASSERT_FALSE(child->waitForFinished(0))
                    << "a worker stopped: " << child->readAll().toStdString();
            }
            QThread::msleep(10);
        }
    }

    static void ExpectSucceeded(QProcess& child) {
        ASSERT_TRUE(child.waitForFinished(-1));
        EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(child.exitCode(), 0) << child.readAll().toStdString();
    }

    // Pass numbers whose check-in had returned by now.
    QSet<QString> Acknowledged(const QStringList& workers) const {
        QSet<QString> numbers;
        for (const QString& worker : workers) {
            const QByteArray text = ReadBytes(AckFile(Folder().Path(), worker));
            const QList<QByteArray> lines = text.left(text.lastIndexOf('\n') + 1).split('\n');
            for (const QByteArray& line : lines) {
                if (!line.isEmpty()) {
                    numbers.insert(QString::fromUtf8(line));
                }
            }
        }
        return numbers;
    }

    // Runs the sqlcipher shell on a file: the lines it prints for the statements after the key.
    static QStringList Shell(const QString& file, const QString& statements) {
        return SqlcipherShell::Lines(file, Key, statements);
    }

    static QStringList FolderEntries(const QString& folder) {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    // Visits seven minutes apart from 1 January 2024 on, with a few companies.
    static void AddVisitsOverDays(int count) {
        SqlCipherConnection connection(
            AppEnvironment::ProgramFolder() + QStringLiteral("/Data/quorvane.sys.qvd"), Key);
        connection.ExecuteScript(
            QStringLiteral(
                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i < %1) "
                "INSERT INTO [VisitorRegister]([PassNo],[Name],[Company],[Remarks],[CheckedIn]) "
                "SELECT printf('%05d', i), 'Earlier visitor ' || i, 'Company ' || (i % 97), "
                "substr(hex(randomblob(100)), 1, 150), "
                "datetime('2024-01-01 08:00:00', '+' || (i * 7) || ' minutes') FROM n;")
                .arg(count));
    }

    // Every visit of the file by pass number: its row, check-in, check-out and name.
    static QMap<QString, QString> Visits(const QString& file) {
        SqlCipherConnection connection(file, Key);
        const RecordSet rows = connection.Query(
            QStringLiteral("SELECT [PassNo], rowid || '|' || [CheckedIn] || '|' || "
                           "ifnull([CheckedOut], '-') || '|' || [Name] FROM [VisitorRegister]"),
            {});
        QMap<QString, QString> visits;
        for (int row = 0; row < rows.RecordCount(); ++row) {
            visits.insert(rows.Value(row, 0).toString(), rows.Value(row, 1).toString());
        }
        return visits;
    }

    static QString CheckedInOf(const QString& visit) { return visit.section(u'|', 1, 1); }

    QStringList PurgeCopies() const {
        return FolderEntries(Folder().DataFolder())
            .filter(QRegularExpression(QStringLiteral("^quorvane\\.purge\\.\\d{14}$")));
    }

    // The visits that are gone since `before`; every other one is there unchanged.
    static QMap<QString, QString> Deleted(const QMap<QString, QString>& before,
                                          const QMap<QString, QString>& after) {
        QMap<QString, QString> deleted;
        for (auto visit = before.begin(); visit != before.end(); ++visit) {
            if (!after.contains(visit.key())) {
                deleted.insert(visit.key(), visit.value());
            } else {
                EXPECT_EQ(after.value(visit.key()), visit.value()) << visit.key().toStdString();
            }
        }
        return deleted;
    }

    // A register large enough that a copy takes a while.
    static void AddRows(int count) {
        SqlCipherConnection connection(
            AppEnvironment::ProgramFolder() + QStringLiteral("/Data/quorvane.sys.qvd"), Key);
        connection.ExecuteScript(
            QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE "
                           "i < %1) INSERT INTO [VisitorRegister]([PassNo],[Name],[Remarks]) "
                           "SELECT printf('%04d', i), 'Earlier visitor ' || i, "
                           "substr(hex(randomblob(200)), 1, 300) FROM n;")
                .arg(count));
    }
};

TEST_F(DatabaseSnapshotTest, BackupsTakenWhileOthersCheckInAreWholeAndHoldEveryAcknowledgedVisit) {
    AddRows(20000);
    const QStringList workers = {QStringLiteral("w0"), QStringLiteral("w1")};
    const std::vector<std::unique_ptr<QProcess>> children = StartWorkers(workers);
    const auto waitForMoreThan = [&](qsizetype count) {
        WaitForMoreThan(workers, children, count);
    };
    waitForMoreThan(20);
    constexpr int Backups = 6;
    qsizetype before = 0;
    for (int i = 0; i < Backups; ++i) {
        SCOPED_TRACE(i);
        // The workers go on checking visitors in between the backups.
        waitForMoreThan(before);
        const QSet<QString> acknowledged = Acknowledged(workers);
        before = acknowledged.size();
        const QString target = Folder().Path() + QStringLiteral("/backup%1.qbk").arg(i);
        ASSERT_EQ(DBManager().Backup(target), QString());

        const QStringList lines = Shell(
            target,
            QStringLiteral("PRAGMA integrity_check;\nSELECT [PassNo] FROM [VisitorRegister];"));
        ASSERT_FALSE(lines.isEmpty());
        EXPECT_EQ(lines.first(), QStringLiteral("ok"));
        const QSet<QString> copied(lines.begin() + 1, lines.end());
        EXPECT_GE(copied.size(), 20000 + acknowledged.size());
        for (const QString& passNo : acknowledged) {
            EXPECT_TRUE(copied.contains(passNo)) << passNo.toStdString();
        }
    }
    WriteBytes(StopFile(Folder().Path()), "stop");
    for (const auto& child : children) {
        ExpectSucceeded(*child);
    }
    EXPECT_EQ(FolderEntries(Folder().Path()).filter(QStringLiteral("partial")), QStringList());
}

TEST_F(DatabaseSnapshotTest, AHotJournalIsRolledBackBeforeTheCopy) {
    AddRows(3000);
    const auto child = StartChild(QStringLiteral("DatabaseSnapshotCrash.*"));
    ExpectSucceeded(*child);
    ASSERT_TRUE(QFile::exists(Folder().DatabaseFile() + QStringLiteral("-journal")));

    const QString target = Folder().Path() + QStringLiteral("/backup.qbk");
    ASSERT_EQ(DBManager().Backup(target), QString());
    const QStringList lines =
        Shell(target, QStringLiteral("PRAGMA integrity_check;\nSELECT count(*) FROM "
                                     "[VisitorRegister] WHERE [Name]='uncommitted';"));
    EXPECT_EQ(lines, (QStringList{QStringLiteral("ok"), QStringLiteral("0")}));
}

TEST_F(DatabaseSnapshotTest, AFailedBackupLeavesNothingUnderTheChosenName) {
    AddRows(3000);
    const QString database = Folder().DatabaseFile();
    const QString backups = Folder().Path() + QStringLiteral("/backups");
    ASSERT_TRUE(QDir().mkpath(backups));
    qsizetype page = 0;
    qsizetype indexPage = 0;
    {
        SqlCipherConnection connection(database, Key);
        page = connection.Query(QStringLiteral("PRAGMA page_size"), {}).Value(0, 0).toLongLong();
        indexPage = (connection
                         .Query(QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name = "
                                               "'IX_VisitorRegister_CheckedInNameCompany'"),
                                {})
                         .Value(0, 0)
                         .toLongLong() -
                     1) *
                    page;
    }
    ASSERT_GT(page, 0);
    ASSERT_GT(indexPage, 0);
    QFile file(database);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const QByteArray intact = file.readAll();
    // The database's bytes with a stretch overwritten: the copy of the file is damaged alike.
    const auto overwritten = [&intact](qsizetype at, const QByteArray& with) {
        return QByteArray(intact).replace(at, with.size(), with);
    };
    QByteArray flipped = intact.mid(intact.size() / 2, 64);
    for (char& byte : flipped) {
        byte = static_cast<char>(~byte);
    }
    const qsizetype middlePage = intact.size() / 2 / page * page;

    struct Case {
        const char* what;
        QString target;
        // The damaged bytes the database holds during the backup, none when empty; restored
        // afterwards.
        QByteArray damaged;
        const char* says;
    };
    const Case cases[] = {
        {"64 bytes flipped in the middle", backups + QStringLiteral("/flipped.qbk"),
         overwritten(intact.size() / 2, flipped), "is damaged"},
        {"a page in the middle zeroed", backups + QStringLiteral("/zeroed.qbk"),
         overwritten(middlePage, QByteArray(page, '\0')), "is damaged"},
        // The cross-check of indexes against the table is not run: the page's own code finds it.
        {"an index page zeroed", backups + QStringLiteral("/index.qbk"),
         overwritten(indexPage, QByteArray(page, '\0')), "is damaged"},
        // Whole, well-formed bytes at the wrong place.
        {"the last page replaced by another page", backups + QStringLiteral("/moved.qbk"),
         overwritten(intact.size() - page, intact.mid(2 * page, page)), "is damaged"},
        {"the database itself as target", database, {}, "the database itself"},
        {"a folder that does not exist",
         backups + QStringLiteral("/no/such/copy.qbk"),
         {},
         "Path not found"},
        {"a folder as target", backups, {}, "is a folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (!c.damaged.isEmpty()) {
            ASSERT_NE(c.damaged, intact);
            ASSERT_TRUE(file.seek(0));
            ASSERT_EQ(file.write(c.damaged), c.damaged.size());
            ASSERT_TRUE(file.flush());
        }
        const QString answer = DBManager().Backup(c.target);
        EXPECT_TRUE(answer.contains(QString::fromLatin1(c.says))) << answer.toStdString();
        EXPECT_EQ(FolderEntries(backups), QStringList());
        if (!c.damaged.isEmpty()) {
            ASSERT_TRUE(file.seek(0));
            ASSERT_EQ(file.write(intact), intact.size());
            ASSERT_TRUE(file.flush());
        }
        EXPECT_EQ(ReadBytes(database), intact);
    }
    EXPECT_EQ(Folder().LogText(), QString());
}

TEST_F(DatabaseSnapshotTest, ABackupKilledMidwayLeavesNoPartialFile) {
    AddRows(20000);
    const QString backups = Folder().Path() + QStringLiteral("/backups");
    ASSERT_TRUE(QDir().mkpath(backups));
    const QString target = backups + QStringLiteral("/backup.qbk");
    for (const int afterMs : {60, 170, 280, 390, 500}) {
        SCOPED_TRACE(afterMs);
        const auto child = StartChild(QStringLiteral("DatabaseSnapshotKilled.*"), target);
        ASSERT_TRUE(child->waitForStarted(-1));
        QThread::msleep(static_cast<unsigned long>(afterMs));
        child->kill();
        ASSERT_TRUE(child->waitForFinished(-1));
        ASSERT_EQ(child->exitStatus(), QProcess::CrashExit) << child->readAll().toStdString();
        // Only a finished backup may be there, and it is whole.
        const QStringList entries = FolderEntries(backups);
        EXPECT_TRUE(entries.isEmpty() || entries == QStringList{QStringLiteral("backup.qbk")})
            << entries.join(u' ').toStdString();
        if (!entries.isEmpty()) {
            EXPECT_EQ(Shell(target, QStringLiteral("PRAGMA integrity_check;")),
                      QStringList{QStringLiteral("ok")});
        }
    }
}

TEST_F(DatabaseSnapshotTest, AFailedBackupKeepsAnEarlierFileOfThatName) {
    const QString target = Folder().Path() + QStringLiteral("/backup.qbk");
    ASSERT_EQ(DBManager().Backup(target), QString());
    const QByteArray earlier = ReadBytes(target);
    // The configured database is gone.
    ASSERT_TRUE(QFile::rename(Folder().DatabaseFile(), Folder().DatabaseFile() + u'x'));
    EXPECT_FALSE(DBManager().Backup(target).isEmpty());
    EXPECT_EQ(ReadBytes(target), earlier);
    EXPECT_EQ(FolderEntries(Folder().Path()).filter(QStringLiteral("partial")), QStringList());
}

TEST_F(DatabaseSnapshotTest, APurgeKilledMidwayLeavesAWholeRegisterAndACompleteSafetyCopy) {
    AddVisitsOverDays(60000);
    const QString database = Folder().DatabaseFile();
    const QMap<QString, QString> original = Visits(database);
    qsizetype purged = 0;
    for (const QString& visit : original) {
        purged += CheckedInOf(visit) <= PurgeLastSecond ? 1 : 0;
    }
    ASSERT_GT(purged, 15000);
    const QByteArray intact = ReadBytes(database);
    const auto restore = [&] {
        QFile::remove(database + QStringLiteral("-journal"));
        for (const QString& entry : FolderEntries(Folder().DataFolder())) {
            if (entry != QFileInfo(database).fileName()) {
                ASSERT_TRUE(QFile::remove(Folder().DataFolder() + entry));
            }
        }
        WriteBytes(database, intact);
    };
    // How long a whole purge takes here, to kill the others at points along it.
    QElapsedTimer timer;
    timer.start();
    {
        const auto child = StartChild(QStringLiteral("DatabaseSnapshotPurge.*"));
        ExpectSucceeded(*child);
    }
    const qint64 whole = timer.elapsed();
    ASSERT_EQ(Deleted(original, Visits(database)).size(), purged);
    restore();

    // Kills the purge child, then checks what it left; the number of visits it had deleted in
    // *deleted.
    const auto killAndCheck = [&](QProcess& child, qsizetype* deletedCount) {
        child.kill();
        ASSERT_TRUE(child.waitForFinished(-1));

        // Opening the register rolls back what the killed purge left half done.
        const QMap<QString, QString> deleted = Deleted(original, Visits(database));
        *deletedCount = deleted.size();
        EXPECT_EQ(Shell(database, QStringLiteral("PRAGMA integrity_check;")),
                  QStringList{QStringLiteral("ok")});
        for (const QString& visit : deleted) {
            EXPECT_LE(CheckedInOf(visit), PurgeLastSecond) << visit.toStdString();
        }
        if (!deleted.isEmpty()) {
            const QStringList copies = PurgeCopies();
            ASSERT_EQ(copies.size(), 1);
            const QMap<QString, QString> copied = Visits(Folder().DataFolder() + copies.first());
            for (auto visit = deleted.begin(); visit != deleted.end(); ++visit) {
                EXPECT_EQ(copied.value(visit.key()), visit.value()) << visit.key().toStdString();
            }
        }
    };
    // Killed at points along a whole purge's time: in the safety copy, between and in the
    // deletes, at the end.
    for (const int percent : {10, 25, 40, 55, 70, 85, 100}) {
        SCOPED_TRACE(percent);
        const auto child = StartChild(QStringLiteral("DatabaseSnapshotPurge.*"));
        QThread::msleep(static_cast<unsigned long>(whole * percent / 100));
        qsizetype deleted = 0;
        killAndCheck(*child, &deleted);
        restore();
    }
    // Killed as soon as its first deletes are in the register, so in the middle of the deletes
    // however fast this machine runs the purge at the moment: the times above may all miss them.
    {
        SCOPED_TRACE("after the first deletes");
        const auto child = StartChild(QStringLiteral("DatabaseSnapshotPurge.*"));
        {
            SqlCipherConnection reader(database, Key);
            const auto left = [&reader] {
                return reader
                    .Query(QStringLiteral("SELECT count(*) FROM [VisitorRegister] WHERE "
                                          "[CheckedIn] <= ?"),
                           {PurgeLastSecond})
                    .Value(0, 0)
                    .toLongLong();
            };
            while (left() == purged) {
                ASSERT_FALSE(child->waitForFinished(0))
                    << "the purge ended unseen: " << child->readAll().toStdString();
                QThread::msleep(2);
            }
        }
        qsizetype deleted = 0;
        killAndCheck(*child, &deleted);
        EXPECT_GT(deleted, 0);
        EXPECT_LT(deleted, purged);
        restore();
    }
}

TEST_F(DatabaseSnapshotTest, BackupAndPurgeBesideTwoWorkstationsCheckingIn) {
    AddVisitsOverDays(30000);
    const QString database = Folder().DatabaseFile();
    const QMap<QString, QString> original = Visits(database);
    const QStringList workers = {QStringLiteral("w0"), QStringLiteral("w1")};
    const std::vector<std::unique_ptr<QProcess>> children = StartWorkers(workers);
    const auto waitForMoreThan = [&](qsizetype count) {
        WaitForMoreThan(workers, children, count);
    };
    waitForMoreThan(20);
    const QSet<QString> beforeBackup = Acknowledged(workers);
    const QString backup = Folder().Path() + QStringLiteral("/backup.qbk");
    ASSERT_EQ(DBManager().Backup(backup), QString());
    ASSERT_EQ(Settings().Purge(PurgeEndDate), QString());
    const qsizetype afterPurge = Acknowledged(workers).size();
    waitForMoreThan(afterPurge + 20);
    WriteBytes(StopFile(Folder().Path()), "stop");
    // Every check-in succeeded.
    for (const auto& child : children) {
        ExpectSucceeded(*child);
    }

    const QMap<QString, QString> now = Visits(database);
    for (const QString& passNo : Acknowledged(workers)) {
        EXPECT_TRUE(now.contains(passNo)) << passNo.toStdString();
    }
    const QMap<QString, QString> backedUp = Visits(backup);
    for (const QString& passNo : beforeBackup) {
        EXPECT_TRUE(backedUp.contains(passNo)) << passNo.toStdString();
    }
    // The visits up to the day are gone, those after it are there, and the safety copy holds
    // every one that went.
    const QStringList copies = PurgeCopies();
    ASSERT_EQ(copies.size(), 1);
    const QMap<QString, QString> copied = Visits(Folder().DataFolder() + copies.first());
    for (auto visit = original.begin(); visit != original.end(); ++visit) {
        const bool purged = CheckedInOf(visit.value()) <= PurgeLastSecond;
        EXPECT_EQ(now.contains(visit.key()), !purged) << visit.value().toStdString();
        EXPECT_EQ(copied.value(visit.key()), visit.value());
    }
    // Nothing but the purge's own account of its start and end.
    EXPECT_EQ(
        Folder().LogLines().filter(QRegularExpression(QStringLiteral("^[^\t]*\t(?!Purge\t)"))),
        QStringList());
}

const QString VisitsVariable = QStringLiteral("QUORVANE_SNAPSHOT_VISITS");
const QString NoRenameVariable = QStringLiteral("QUORVANE_NO_RENAME_NOREPLACE");
// Copies each child makes under one wanted name.
constexpr int CopiesEach = 4;

QString AnswerFile(const QString& folder) {
    return folder + QStringLiteral("/answer");
}

// Fails the test unless open() with O_TMPFILE is refused, as the shim makes it.
void ExpectNoTmpfile(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_TMPFILE | O_RDWR, 0644);
    const int error = errno;
    if (fd >= 0) {
        ::close(fd);
    }
    ASSERT_EQ(fd, -1);
    ASSERT_EQ(error, EOPNOTSUPP);
}

// What a child in a folder without O_TMPFILE works on, as its parent gave it: the program folder
// (now the program's) and the target.
struct ChildWork {
    QString folder;
    QString target;
};

void EnterChildWork(ChildWork& work) {
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    work.folder = environment.value(FolderVariable);
    ASSERT_FALSE(work.folder.isEmpty());
    AppEnvironment::SetProgramFolder(work.folder);
    work.target = environment.value(WorkerVariable);
    ASSERT_NO_FATAL_FAILURE(ExpectNoTmpfile(QFileInfo(work.target).absolutePath()));
}

// The copy's own check and its number of visits, read at once.
void ExpectWhole(const QString& file, qint64 visits) {
    SqlCipherConnection copy(file, Key);
    EXPECT_EQ(copy.Query(QStringLiteral("PRAGMA quick_check"), {}).Value(0, 0).toString(),
              QStringLiteral("ok"));
    EXPECT_EQ(copy.Query(QStringLiteral("SELECT count(*) FROM [VisitorRegister]"), {})
                  .Value(0, 0)
                  .toLongLong(),
              visits);
}

// Run only as a child, in a folder without O_TMPFILE: backs up to one name again and again and
// checks every copy that was reported made at once, while another process does the same.
TEST(DatabaseSnapshotShare, DISABLED_BacksUpAndChecksEachCopyAtOnce) {
    ChildWork work;
    ASSERT_NO_FATAL_FAILURE(EnterChildWork(work));
    const qint64 visits =
        QProcessEnvironment::systemEnvironment().value(VisitsVariable).toLongLong();
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(DBManager().Backup(work.target), QString());
        ExpectWhole(work.target, visits);
    }
}

// Run only as a child, in a folder without O_TMPFILE: one backup, whose answer it writes down.
TEST(DatabaseSnapshotShare, DISABLED_BacksUpOnce) {
    ChildWork work;
    ASSERT_NO_FATAL_FAILURE(EnterChildWork(work));
    VisitorFixture::WriteBytes(AnswerFile(work.folder), DBManager().Backup(work.target).toUtf8());
}

// Run only as a child, in a folder without O_TMPFILE: safety copies wanted under one name, while
// another process makes them too; each is checked at once under the name it took.
TEST(DatabaseSnapshotShare, DISABLED_MakesCopiesUnderOneWantedName) {
    ChildWork work;
    ASSERT_NO_FATAL_FAILURE(EnterChildWork(work));
    const QString& wanted = work.target;
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (environment.contains(NoRenameVariable)) {
        ASSERT_EQ(
            ::renameat2(AT_FDCWD, "/no-such-file", AT_FDCWD, "/no-such-name", RENAME_NOREPLACE),
            -1);
        ASSERT_EQ(errno, EINVAL);
    }
    const qint64 visits = environment.value(VisitsVariable).toLongLong();
    for (int i = 0; i < CopiesEach; ++i) {
        SCOPED_TRACE(i);
        QString taken;
        ASSERT_EQ(DBManager().BackupUnderNewName(wanted, taken), QString());
        ExpectWhole(taken, visits);
    }
}

// A child that the shim holds at a point of its work: the test learns through a pipe that it got
// there (or that it ended first), and may let it go on through another.
class HeldChild final {
public:
    explicit HeldChild(const char* point, bool releasable = false)
        : m_point(point) {
        EXPECT_EQ(::pipe2(m_signal, O_CLOEXEC), 0);
        if (releasable) {
            EXPECT_EQ(::pipe2(m_release, O_CLOEXEC), 0);
        }
    }
    ~HeldChild() {
        for (const int fd : {m_signal[0], m_signal[1], m_release[0], m_release[1]}) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }
    Q_DISABLE_COPY_MOVE(HeldChild)

    void Prepare(QProcessEnvironment& environment, QProcess& child) const {
        environment.insert(QStringLiteral("QUORVANE_HOLD_AT"), QString::fromLatin1(m_point));
        environment.insert(QStringLiteral("QUORVANE_HOLD_SIGNAL_FD"), QString::number(m_signal[1]));
        if (m_release[0] >= 0) {
            environment.insert(QStringLiteral("QUORVANE_HOLD_RELEASE_FD"),
                               QString::number(m_release[0]));
        }
        const int signal = m_signal[1];
        const int release = m_release[0];
        // Only this child keeps the two ends across its exec.
        child.setChildProcessModifier([signal, release] {
            ::fcntl(signal, F_SETFD, 0);
            if (release >= 0) {
                ::fcntl(release, F_SETFD, 0);
            }
        });
    }

    // Once the child runs: true when it reached the point, false when it ended before.
    bool WaitUntilHeld() {
        for (int* end : {&m_signal[1], &m_release[0]}) {
            if (*end >= 0) {
                ::close(*end);
                *end = -1;
            }
        }
        char byte = 0;
        ssize_t got = 0;
        do {
            got = ::read(m_signal[0], &byte, 1);
        } while (got < 0 && errno == EINTR);
        return got == 1;
    }

    void Release() {
        const char byte = 'g';
        EXPECT_EQ(::write(m_release[1], &byte, 1), 1);
    }

private:
    const char* m_point;
    int m_signal[2] = {-1, -1};
    int m_release[2] = {-1, -1};
};

// Backups in a folder that has no O_TMPFILE, as CIFS and NFS shares and vfat sticks: the children
// run with the shim that takes it away.
class DatabaseSnapshotShareTest : public DatabaseSnapshotTest {
protected:
    // Without renameNoReplace, renameat2() cannot keep from replacing either, as on NFS; without
    // hardLinks, link() fails too, as on vfat. A held child waits where the shim holds it.
    std::unique_ptr<QProcess> StartWithoutTmpfile(const QString& filter, const QString& target,
                                                  qint64 visits = 0, bool renameNoReplace = true,
                                                  const HeldChild* held = nullptr,
                                                  bool hardLinks = true) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (!renameNoReplace) {
            environment.insert(NoRenameVariable, QStringLiteral("1"));
        }
        if (!hardLinks) {
            environment.insert(QStringLiteral("QUORVANE_NO_HARD_LINKS"), QStringLiteral("1"));
        }
        environment.insert(FolderVariable, Folder().Path());
        environment.insert(WorkerVariable, target);
        environment.insert(VisitsVariable, QString::number(visits));
        environment.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(QUORVANE_NO_TMPFILE_SHIM));
        // The sanitizers' runtime is not the first library when the shim is preloaded.
        environment.insert(QStringLiteral("ASAN_OPTIONS"),
                           environment.value(QStringLiteral("ASAN_OPTIONS")) +
                               QStringLiteral(":verify_asan_link_order=0"));
        auto child = std::make_unique<QProcess>();
        if (held != nullptr) {
            held->Prepare(environment, *child);
        }
        child->setProcessEnvironment(environment);
        child->setProcessChannelMode(QProcess::MergedChannels);
        child->start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--gtest_also_run_disabled_tests"),
                      QStringLiteral("--gtest_filter=") + filter});
        EXPECT_TRUE(child->waitForStarted(-1));
        return child;
    }

    // The answer of a backup to the target, taken here, or with tmpfile false by a child in a
    // folder without O_TMPFILE.
    QString BackUp(const QString& target, bool tmpfile) {
        if (tmpfile) {
            return DBManager().Backup(target);
        }
        const auto child = StartWithoutTmpfile(
            QStringLiteral("DatabaseSnapshotShare.DISABLED_BacksUpOnce"), target);
        ExpectSucceeded(*child);
        return QString::fromUtf8(ReadBytes(AnswerFile(Folder().Path())));
    }

    // Starts the child and waits until the shim holds it.
    std::unique_ptr<QProcess> StartHeld(HeldChild& held, const QString& filter,
                                        const QString& target, bool hardLinks = true) {
        auto child = StartWithoutTmpfile(filter, target, 0, hardLinks, &held, hardLinks);
        EXPECT_TRUE(held.WaitUntilHeld()) << child->readAll().toStdString();
        return child;
    }

    static void Kill(QProcess& child) {
        child.kill();
        ASSERT_TRUE(child.waitForFinished(-1));
        ASSERT_EQ(child.exitStatus(), QProcess::CrashExit) << child.readAll().toStdString();
    }

    // Runs the child until it writes its copy, and kills it there.
    void KillInItsCopy(const QString& filter, const QString& target) {
        HeldChild held("partial-write");
        const auto child = StartHeld(held, filter, target);
        Kill(*child);
    }

    static QStringList Partials(const QString& folder) {
        return FolderEntries(folder).filter(QRegularExpression(QStringLiteral("\\.partial$")));
    }

    QString MakeBackupsFolder() const {
        const QString backups = Folder().Path() + QStringLiteral("/backups");
        EXPECT_TRUE(QDir().mkpath(backups));
        return backups;
    }
};

TEST_F(DatabaseSnapshotShareTest, TwoProcessesBackingUpToOneNameEachMakeAWholeCopy) {
    AddRows(20000);
    const QString backups = MakeBackupsFolder();
    const QString target = backups + QStringLiteral("/backup.qbk");
    std::vector<std::unique_ptr<QProcess>> children;
    for (int i = 0; i < 2; ++i) {
        children.push_back(StartWithoutTmpfile(
            QStringLiteral("DatabaseSnapshotShare.DISABLED_BacksUpAndChecksEachCopyAtOnce"), target,
            20000));
    }
    for (const auto& child : children) {
        ExpectSucceeded(*child);
    }
    // No copy in progress is left behind.
    EXPECT_EQ(FolderEntries(backups), QStringList{QStringLiteral("backup.qbk")});
    ExpectWhole(target, 20000);
}

TEST_F(DatabaseSnapshotShareTest, TwoProcessesWantingOneNameForTheirCopiesNeverReplaceOne) {
    AddRows(5000);
    const QString backups = MakeBackupsFolder();
    const QString wanted = backups + QStringLiteral("/quorvane.purge.20250314092653");
    struct Case {
        const char* what;
        bool renameNoReplace;
        bool hardLinks;
    };
    const Case cases[] = {
        {"renameat2 keeps names", true, true},
        {"only hard links keep names", false, true},
        {"neither: the publishers take turns", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::unique_ptr<QProcess>> children;
        for (int i = 0; i < 2; ++i) {
            children.push_back(StartWithoutTmpfile(
                QStringLiteral("DatabaseSnapshotShare.DISABLED_MakesCopiesUnderOneWantedName"),
                wanted, 5000, c.renameNoReplace, nullptr, c.hardLinks));
        }
        for (const auto& child : children) {
            ExpectSucceeded(*child);
        }
        // Every copy kept its own name, and nothing else is left but the turns' lock file.
        QStringList expected{QFileInfo(wanted).fileName()};
        if (!c.hardLinks) {
            expected.append(QStringLiteral(".quorvane-publish.lock"));
        }
        for (int n = 2; n <= 2 * CopiesEach; ++n) {
            expected.append(QFileInfo(wanted).fileName() + u'-' + QString::number(n));
        }
        QStringList entries = FolderEntries(backups);
        std::sort(entries.begin(), entries.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(entries, expected);
        for (const QString& entry : entries) {
            ASSERT_TRUE(QFile::remove(backups + u'/' + entry));
        }
    }
}

TEST_F(DatabaseSnapshotShareTest, ARegisterInWalModeIsCopiedWithItsLogOrRefused) {
    AddRows(3000);
    // The program never sets WAL mode, but the sqlcipher shell can, and it stays. The writer
    // stays open, so its rows stay in the -wal file.
    SqlCipherConnection writer(Folder().DatabaseFile(), Key);
    ASSERT_EQ(writer.Query(QStringLiteral("PRAGMA journal_mode=WAL"), {}).Value(0, 0).toString(),
              QStringLiteral("wal"));
    writer.ExecuteScript(
        QStringLiteral("PRAGMA wal_autocheckpoint=0; "
                       "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE "
                       "i < 100) INSERT INTO [VisitorRegister]([PassNo],[Name]) "
                       "SELECT printf('w%04d', i), 'Logged visitor ' || i FROM n;"));
    ASSERT_GT(QFileInfo(Folder().DatabaseFile() + QStringLiteral("-wal")).size(), 0);
    const qint64 committed = 3100;

    const QString backups = MakeBackupsFolder();
    const QString target = backups + QStringLiteral("/backup.qbk");
    for (const bool tmpfile : {true, false}) {
        SCOPED_TRACE(tmpfile ? "with O_TMPFILE" : "without O_TMPFILE");
        const QString answer = BackUp(target, tmpfile);
        if (answer.isEmpty()) {
            ExpectWhole(target, committed);
            EXPECT_EQ(FolderEntries(backups), QStringList{QStringLiteral("backup.qbk")});
        } else {
            EXPECT_TRUE(answer.contains(QStringLiteral("WAL"))) << answer.toStdString();
            EXPECT_EQ(FolderEntries(backups), QStringList());
        }
        QFile::remove(target);
    }
}

TEST_F(DatabaseSnapshotTest, ACopyWithAnAllZeroPageIsRefusedAndAnEarlierBackupKept) {
    const QString backups = Folder().Path() + QStringLiteral("/backups");
    ASSERT_TRUE(QDir().mkpath(backups));
    const QString target = backups + QStringLiteral("/backup.qbk");
    ASSERT_EQ(DBManager().Backup(target), QString());
    const QByteArray earlier = ReadBytes(target);

    const QString database = Folder().DatabaseFile();
    const qint64 before = QFileInfo(database).size();
    qint64 page = 0;
    {
        SqlCipherConnection connection(database, Key);
        page = connection.Query(QStringLiteral("PRAGMA cipher_page_size"), {})
                   .Value(0, 0)
                   .toLongLong();
        connection.Execute(QStringLiteral("INSERT INTO [VisitorRegister]([PassNo],[Name],"
                                          "[Remarks]) VALUES ('0001', 'Long remarks', ?)"),
                           {QString(3061, u'r')});
    }
    const qint64 after = QFileInfo(database).size();
    // The new pages at the end of the file are the long remarks' overflow pages; the last of
    // them is zeroed, as a disk that lost a write leaves it.
    ASSERT_GT(page, 0);
    ASSERT_GE((after - before) / page, 2);
    QFile file(database);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.seek(after - page));
    ASSERT_EQ(file.write(QByteArray(page, '\0')), page);
    file.close();
    {
        // The engine's own check passes it: it reads the page as the end of the file.
        SqlCipherConnection connection(database, Key);
        EXPECT_EQ(connection.Query(QStringLiteral("PRAGMA quick_check"), {}).Value(0, 0).toString(),
                  QStringLiteral("ok"));
    }

    const QString answer = DBManager().Backup(target);
    EXPECT_TRUE(answer.contains(QStringLiteral("is damaged"))) << answer.toStdString();
    EXPECT_TRUE(answer.contains(QStringLiteral("all zeros"))) << answer.toStdString();
    EXPECT_EQ(FolderEntries(backups), QStringList{QStringLiteral("backup.qbk")});
    EXPECT_EQ(ReadBytes(target), earlier);
}

TEST_F(DatabaseSnapshotTest, ABackupToASymbolicLinkWritesTheFileItPointsTo) {
    const QString backups = Folder().Path() + QStringLiteral("/backups");
    ASSERT_TRUE(QDir().mkpath(backups + QStringLiteral("/old")));
    const QString kept = backups + QStringLiteral("/old/kept.qbk");
    ASSERT_EQ(DBManager().Backup(kept), QString());
    AddRows(10);
    struct Case {
        const char* what;
        QString link;
        // Where the link points, relative to its folder.
        QString pointsTo;
        QString file;
    };
    const Case cases[] = {
        {"a link to an earlier backup", backups + QStringLiteral("/latest.qbk"),
         QStringLiteral("old/kept.qbk"), kept},
        {"a link to a file not made yet", backups + QStringLiteral("/next.qbk"),
         QStringLiteral("old/new.qbk"), backups + QStringLiteral("/old/new.qbk")},
        {"a link to a link", backups + QStringLiteral("/chain.qbk"), QStringLiteral("latest.qbk"),
         kept},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(QFile::link(c.pointsTo, c.link));
        EXPECT_EQ(DBManager().Backup(c.link), QString());
        EXPECT_EQ(
            QFileInfo(c.link).symLinkTarget(),
            QFileInfo(QFileInfo(c.link).absolutePath() + u'/' + c.pointsTo).absoluteFilePath());
        ExpectWhole(c.file, 10);
    }
    EXPECT_EQ(FolderEntries(backups),
              (QStringList{QStringLiteral("chain.qbk"), QStringLiteral("latest.qbk"),
                           QStringLiteral("next.qbk")}));
    EXPECT_EQ(FolderEntries(backups + QStringLiteral("/old")),
              (QStringList{QStringLiteral("kept.qbk"), QStringLiteral("new.qbk")}));
}

// The number of visits of a register, read at once.
qint64 VisitCount(const QString& file) {
    SqlCipherConnection connection(file, Key);
    return connection.Query(QStringLiteral("SELECT count(*) FROM [VisitorRegister]"), {})
        .Value(0, 0)
        .toLongLong();
}

TEST_F(DatabaseSnapshotShareTest, CopiesInProgressOfKilledRunsGoWithTheNextCopyButALivingOneStays) {
    AddVisitsOverDays(3000);
    const qint64 visits = VisitCount(Folder().DatabaseFile());
    const QString backups = MakeBackupsFolder();
    const QString target = backups + QStringLiteral("/backup.qbk");
    const QString backupOnce = QStringLiteral("DatabaseSnapshotShare.DISABLED_BacksUpOnce");
    // Killed inside their copies: each leaves its file, and the next copy removes it.
    QStringList left;
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        ASSERT_NO_FATAL_FAILURE(KillInItsCopy(backupOnce, target));
        const QStringList partials = Partials(backups);
        ASSERT_EQ(partials.size(), 1);
        EXPECT_NE(partials, left);
        left = partials;
    }
    // One is writing its copy: the copies beside it leave its file, and take only the dead one's.
    HeldChild living("partial-write");
    const auto writer = StartHeld(living, backupOnce, target);
    const QStringList writing = Partials(backups);
    ASSERT_EQ(writing.size(), 1);
    ASSERT_NE(writing, left);
    ASSERT_NO_FATAL_FAILURE(KillInItsCopy(backupOnce, target));
    ASSERT_EQ(Partials(backups).size(), 2);
    ASSERT_EQ(DBManager().Backup(target), QString());
    EXPECT_EQ(Partials(backups), writing);
    ASSERT_NO_FATAL_FAILURE(Kill(*writer));

    // The next backup there, on the share itself, leaves only its file.
    const auto last = StartWithoutTmpfile(backupOnce, target);
    ExpectSucceeded(*last);
    EXPECT_EQ(ReadBytes(AnswerFile(Folder().Path())), QByteArray());
    EXPECT_EQ(FolderEntries(backups), QStringList{QStringLiteral("backup.qbk")});
    ExpectWhole(target, visits);

    // The purge's safety copy alike, in the register's folder.
    ASSERT_NO_FATAL_FAILURE(KillInItsCopy(QStringLiteral("DatabaseSnapshotPurge.*"), target));
    ASSERT_EQ(Partials(Folder().DataFolder()).size(), 1);
    ASSERT_EQ(Settings().Purge(PurgeEndDate), QString());
    EXPECT_EQ(Partials(Folder().DataFolder()), QStringList());
    EXPECT_EQ(PurgeCopies().size(), 1);
}

TEST_F(DatabaseSnapshotShareTest, ACopyWhoseFileIsTakenBeforeItsLockMakesItUnderAnotherName) {
    AddRows(1000);
    const QString backups = MakeBackupsFolder();
    const QString target = backups + QStringLiteral("/backup.qbk");
    HeldChild held("partial-lock", true);
    const auto child =
        StartHeld(held, QStringLiteral("DatabaseSnapshotShare.DISABLED_BacksUpOnce"), target);
    // Its file is made but not locked yet, so it looks abandoned: a backup beside it removes it.
    ASSERT_EQ(Partials(backups).size(), 1);
    const QString other = backups + QStringLiteral("/other.qbk");
    ASSERT_EQ(DBManager().Backup(other), QString());
    EXPECT_EQ(Partials(backups), QStringList());
    held.Release();
    ExpectSucceeded(*child);
    EXPECT_EQ(ReadBytes(AnswerFile(Folder().Path())), QByteArray());
    ExpectWhole(target, 1000);
    ExpectWhole(other, 1000);
    EXPECT_EQ(FolderEntries(backups),
              (QStringList{QStringLiteral("backup.qbk"), QStringLiteral("other.qbk")}));
}

TEST_F(DatabaseSnapshotShareTest, ATargetNameAsLongAsTheFileSystemTakesIsBackedUp) {
    AddRows(100);
    const QString backups = MakeBackupsFolder();
    const long longest = ::pathconf(QFile::encodeName(backups).constData(), _PC_NAME_MAX);
    ASSERT_GE(longest, 244);
    for (const long length : {244L, longest}) {
        const QString name =
            QString(static_cast<qsizetype>(length) - 4, u'b') + QStringLiteral(".qbk");
        const QString target = backups + u'/' + name;
        for (const bool tmpfile : {true, false}) {
            SCOPED_TRACE(tmpfile ? "with O_TMPFILE" : "without O_TMPFILE");
            SCOPED_TRACE(length);
            EXPECT_EQ(BackUp(target, tmpfile), QString());
            ExpectWhole(target, 100);
            EXPECT_EQ(FolderEntries(backups), QStringList{name});
            QFile::remove(target);
        }
    }
}

TEST_F(DatabaseSnapshotShareTest, WithoutHardLinksACopyKilledAtItsRenameLeavesNothingUnderTheName) {
    AddRows(1000);
    const QString backups = MakeBackupsFolder();
    const QString wanted = backups + QStringLiteral("/quorvane.purge.20250314092653");
    HeldChild held("rename");
    const auto child = StartHeld(
        held, QStringLiteral("DatabaseSnapshotShare.DISABLED_MakesCopiesUnderOneWantedName"),
        wanted, false);
    // Held as it gives its checked copy the name, and killed there: the name is still free.
    EXPECT_FALSE(QFileInfo::exists(wanted));
    ASSERT_NO_FATAL_FAILURE(Kill(*child));
    EXPECT_FALSE(QFileInfo::exists(wanted));
    // So the next copy takes it, and what the killed one left goes.
    QString taken;
    ASSERT_EQ(DBManager().BackupUnderNewName(wanted, taken), QString());
    EXPECT_EQ(taken, wanted);
    EXPECT_EQ(Partials(backups), QStringList());
    ExpectWhole(wanted, 1000);
}

} // namespace
