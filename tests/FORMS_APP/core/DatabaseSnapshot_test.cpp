// Backups taken as checked snapshots: while other processes write, after a crash left a hot
// journal, and when the copy cannot be made or is damaged.
#include "VisitorFixture.h"

#include "core/DatabaseSnapshot.h"
#include "core/SqlCipherConnection.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSet>
#include <QThread>

#include <cstdlib>

namespace {

const QString FolderVariable = QStringLiteral("QUORVANE_SNAPSHOT_PROGRAM_FOLDER");
const QString WorkerVariable = QStringLiteral("QUORVANE_SNAPSHOT_WORKER");
const QString Key = QString::fromLatin1(DBManager::DatabasePassword);

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
        QProcess shell;
        shell.start(QStringLiteral("sqlcipher"), {file});
        if (!shell.waitForStarted()) {
            ADD_FAILURE() << "the sqlcipher shell cannot be started";
            return {};
        }
        shell.write(
            (QStringLiteral("PRAGMA key = '") + Key + QStringLiteral("';\n") + statements + u'\n')
                .toUtf8());
        shell.closeWriteChannel();
        shell.waitForFinished(-1);
        const QString errors = QString::fromUtf8(shell.readAllStandardError());
        EXPECT_TRUE(errors.isEmpty()) << errors.toStdString();
        return QString::fromUtf8(shell.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    }

    static QStringList FolderEntries(const QString& folder) {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
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
    std::vector<std::unique_ptr<QProcess>> children;
    for (const QString& worker : workers) {
        children.push_back(StartChild(QStringLiteral("DatabaseSnapshotWorker.*"), worker));
    }
    // Waits until the workers have acknowledged more than the given number of visits.
    const auto waitForMoreThan = [&](qsizetype count) {
        while (Acknowledged(workers).size() <= count) {
            for (const auto& child : children) {
                ASSERT_FALSE(child->waitForFinished(0))
                    << "a worker stopped: " << child->readAll().toStdString();
            }
            QThread::msleep(10);
        }
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
    QFile file(database);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const QByteArray intact = file.readAll();

    struct Case {
        const char* what;
        QString target;
        // Damages the database in the middle of its file; restored afterwards.
        bool damage;
        const char* says;
    };
    const Case cases[] = {
        {"a damaged database", backups + QStringLiteral("/damaged.qbk"), true, "is damaged"},
        {"the database itself as target", database, false, "the database itself"},
        {"a folder that does not exist", backups + QStringLiteral("/no/such/copy.qbk"), false,
         "Path not found"},
        {"a folder as target", backups, false, "is a folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.damage) {
            QByteArray damaged = intact;
            for (qsizetype i = damaged.size() / 2; i < damaged.size() / 2 + 64; ++i) {
                damaged[i] = static_cast<char>(~damaged[i]);
            }
            ASSERT_TRUE(file.seek(0));
            ASSERT_EQ(file.write(damaged), damaged.size());
            ASSERT_TRUE(file.flush());
        }
        const QString answer = DBManager().Backup(c.target);
        EXPECT_TRUE(answer.contains(QString::fromLatin1(c.says))) << answer.toStdString();
        EXPECT_EQ(FolderEntries(backups), QStringList());
        if (c.damage) {
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
        ASSERT_TRUE(child->waitForStarted());
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

} // namespace
