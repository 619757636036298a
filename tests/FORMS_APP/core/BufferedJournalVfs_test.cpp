// The purge's journal layer gathers the journal's writes, and is safe on its own: the journal is
// on disk before any page of the register changes, whatever the engine's sync setting, and a
// write that fails keeps what it held. A layer under it fails a write or ends the process at the
// register's Nth write, so every case happens at the same point each run.
#include "QtPrinters.h"
#include "TempProgramFolder.h"
#include "WatchedDisk.h"

#include "core/BufferedJournalVfs.h"
#include "core/DBManager.h"
#include "core/DatabaseError.h"
#include "core/SqlCipherConnection.h"
#include "core/VisitPurge.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <set>

namespace {

const QString Key = QString::fromLatin1(DBManager::DatabasePassword);
const QString PurgeLastSecond = QStringLiteral("2024-03-31 23:59:59");
const QString RegisterVariable = QStringLiteral("QUORVANE_JOURNAL_TEST_REGISTER");
const QString CopyVariable = QStringLiteral("QUORVANE_JOURNAL_TEST_COPY");
const QString KillAtVariable = QStringLiteral("QUORVANE_JOURNAL_TEST_KILL_AT");
const QString ReportVariable = QStringLiteral("QUORVANE_JOURNAL_TEST_REPORT");

bool IsFileOf(const char* name, const QString& path) {
    return name != nullptr &&
           QFileInfo(QString::fromUtf8(name)).fileName() == QFileInfo(path).fileName();
}

// The layer under test sits on the test's own one.
void InstallUnderTheJournalLayer() {
    WatchedDisk::Install();
    ASSERT_EQ(VfsLayer::Parent(sqlite3_vfs_find(BufferedJournalVfs::Name())), WatchedDisk::Layer());
}

// Run only as a child of the test below: the purge at synchronous=OFF, ended by a kill at the
// register's Nth write (none at 0). Each commit's count of the register's writes so far goes to
// the report as it happens.
TEST(BufferedJournalPurge, DISABLED_PurgesUntilKilled) {
    InstallUnderTheJournalLayer();
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString path = environment.value(RegisterVariable);
    const int killAt = environment.value(KillAtVariable).toInt();
    QFile report(environment.value(ReportVariable));
    ASSERT_TRUE(report.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered));
    int writes = 0;
    WatchedDisk::Current().afterWrite = [&](WatchedDisk::File file, const char* name) {
        if (file == WatchedDisk::File::Database && IsFileOf(name, path) && ++writes == killAt) {
            ::kill(::getpid(), SIGKILL);
        }
    };
    WatchedDisk::Current().beforeDelete = [&](const char* name, int) {
        if (IsFileOf(name, path + QStringLiteral("-journal"))) {
            report.write(QByteArray::number(writes) + '\n');
        }
    };
    SqlCipherConnection connection(path, Key, SqlCipherConnection::Mode::ExistingOnly,
                                   BufferedJournalVfs::Name());
    // Nothing in the program lowers it; here it takes away the engine's own ordering of the
    // journal before the register.
    connection.ExecuteScript(QStringLiteral("PRAGMA synchronous = OFF;"));
    VisitPurge purge(connection, environment.value(CopyVariable), Key);
    purge.DeleteUpTo(PurgeLastSecond);
}

class BufferedJournalTest : public ::testing::Test {
protected:
    void SetUp() override { InstallUnderTheJournalLayer(); }
    void TearDown() override { WatchedDisk::Current() = {}; }
};

// "ok" when the file opens (rolling back what a killed writer left) and passes the full check,
// else what went wrong.
QString IntegrityOf(const QString& path) {
    try {
        SqlCipherConnection connection(path, Key);
        const RecordSet verdict = connection.Query(QStringLiteral("PRAGMA integrity_check"), {});
        QStringList lines;
        for (int row = 0; row < verdict.RecordCount(); ++row) {
            lines.append(verdict.Value(row, 0).toString());
        }
        return lines.join(u'\n');
    } catch (const DatabaseError& error) {
        return QString::fromStdString(error.what());
    }
}

// The register's visits, oldest first: check-in and pass number.
QStringList Visits(const QString& path) {
    SqlCipherConnection connection(path, Key);
    const RecordSet rows = connection.Query(
        QStringLiteral("SELECT [CheckedIn] || ' ' || [PassNo] FROM [VisitorRegister] ORDER BY "
                       "[CheckedIn], rowid"),
        {});
    QStringList visits;
    for (int row = 0; row < rows.RecordCount(); ++row) {
        visits.append(rows.Value(row, 0).toString());
    }
    return visits;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST_F(BufferedJournalTest, AFailedJournalWriteKeepsItsRecordsAndSaysSo) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("pages.db"));
    {
        // A row a page, so each changed row journals a page of its own.
        SqlCipherConnection db(path, Key, SqlCipherConnection::Mode::CreateIfMissing);
        db.ExecuteScript(QStringLiteral(
            "CREATE TABLE [t] ([id] INTEGER PRIMARY KEY, [v] TEXT NOT NULL); "
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 200) "
            "INSERT INTO [t] SELECT i, printf('%0700d', i) FROM n;"));
    }
    SqlCipherConnection db(path, Key, SqlCipherConnection::Mode::ExistingOnly,
                           BufferedJournalVfs::Name());
    // The first gathered write of journalled pages fails, as on a full disk; the next ones go
    // through.
    int journalWrites = 0;
    bool failed = false;
    WatchedDisk::Current().beforeWrite = [&](WatchedDisk::File file, const char*, sqlite3_int64,
                                             int amount) {
        if (file != WatchedDisk::File::Journal) {
            return SQLITE_OK;
        }
        ++journalWrites;
        if (amount > 4096 && !failed) {
            failed = true;
            return SQLITE_FULL;
        }
        return SQLITE_OK;
    };
    db.ExecuteScript(
        QStringLiteral("BEGIN; UPDATE [t] SET [v] = printf('%0700d', -[id]) WHERE [id] <= 20;"));
    // The second statement's pages fill the buffer, whose write fails: the statement fails and
    // is undone from the journal, the transaction goes on.
    try {
        db.ExecuteScript(
            QStringLiteral("UPDATE [t] SET [v] = printf('%0700d', -[id]) WHERE [id] > 100;"));
        ADD_FAILURE() << "the failed write went unreported";
    } catch (const DatabaseError& error) {
        EXPECT_EQ(error.Code(), SQLITE_FULL) << error.what();
    }
    ASSERT_TRUE(failed);
    db.ExecuteScript(QStringLiteral("COMMIT;"));
    WatchedDisk::Current() = {};

    // The first statement's rows changed, the failed one's did not, and every page is whole.
    EXPECT_EQ(IntegrityOf(path), QStringLiteral("ok"));
    const RecordSet rows = db.Query(
        QStringLiteral("SELECT sum([v] = printf('%0700d', -[id])), sum([v] = printf('%0700d', "
                       "[id])) FROM [t]"),
        {});
    EXPECT_EQ(rows.Value(0, 0).toInt(), 20);
    EXPECT_EQ(rows.Value(0, 1).toInt(), 180);
    // About 400 journal writes of the engine went out in a few large ones.
    EXPECT_LT(journalWrites, 12);
}

TEST_F(BufferedJournalTest, APurgeKilledAtAnyWriteWithoutSyncsLeavesAnIntactRegister) {
    TempProgramFolder folder;
    ASSERT_TRUE(folder.IsValid());
    const QString path = folder.DatabaseFile();
    {
        // Visits twenty minutes apart from 1 January 2024 on, about 6,500 up to the end of March.
        SqlCipherConnection connection(path, Key);
        connection.ExecuteScript(QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i < 8000) "
            "INSERT INTO [VisitorRegister]([PassNo],[Name],[Company],[ToMeet],[CheckedIn]) "
            "SELECT printf('%05d', i), 'Visitor ' || i, 'Company ' || ((i * 7919) % 1009), "
            "'Host ' || ((i * 104729) % 97), "
            "datetime('2024-01-01 08:00:00', '+' || (i * 20) || ' minutes') FROM n;"));
    }
    const QString copy = folder.DataFolder() + QStringLiteral("purge-copy.qvd");
    ASSERT_TRUE(QFile::copy(path, copy));
    const QByteArray intact = ReadAll(path);
    const QStringList original = Visits(path);
    const auto purgeable = std::count_if(original.begin(), original.end(), [](const QString& v) {
        return v.left(19) <= PurgeLastSecond;
    });
    ASSERT_GT(purgeable, 6000);
    const QString report = folder.Path() + QStringLiteral("/commits");

    // One purge child, killed at the register's killAt-th write (0: never); the counts of writes
    // at which its commits went through.
    const auto purge = [&](int killAt, bool* killed) {
        QFile::remove(report);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(RegisterVariable, path);
        environment.insert(CopyVariable, copy);
        environment.insert(KillAtVariable, QString::number(killAt));
        environment.insert(ReportVariable, report);
        QProcess child;
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_also_run_disabled_tests"),
                     QStringLiteral("--gtest_filter=BufferedJournalPurge.*")});
        EXPECT_TRUE(child.waitForFinished(-1));
        *killed = child.exitStatus() == QProcess::CrashExit;
        if (!*killed) {
            EXPECT_EQ(child.exitCode(), 0) << child.readAll().toStdString();
        }
        std::vector<int> commits;
        for (const QByteArray& line : ReadAll(report).split('\n')) {
            if (!line.isEmpty()) {
                commits.push_back(line.toInt());
            }
        }
        return commits;
    };
    const auto restore = [&] {
        QFile::remove(path + QStringLiteral("-journal"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(intact), intact.size());
    };

    // A whole purge first, to place the kills along it.
    bool killed = false;
    const std::vector<int> commits = purge(0, &killed);
    ASSERT_FALSE(killed);
    ASSERT_GE(commits.size(), 2U);
    ASSERT_EQ(Visits(path), original.mid(purgeable));
    restore();

    // The first and the middle write of the first commit (its journal then partly in memory);
    // its last; the first of the next; the middle of the next; the last write of all.
    const int first = commits.front();
    const std::set<int> killPoints = {
        1, first / 2, first, first + 1, (first + commits[1]) / 2, commits.back()};
    for (const int killAt : killPoints) {
        SCOPED_TRACE(killAt);
        const std::vector<int> done = purge(killAt, &killed);
        EXPECT_EQ(IntegrityOf(path), QStringLiteral("ok"));
        // The oldest visits are gone up to a committed transaction's end; the rest are there.
        const QStringList now = Visits(path);
        const qsizetype gone = original.size() - now.size();
        EXPECT_EQ(now, original.mid(gone));
        if (done.empty()) {
            EXPECT_EQ(gone, 0);
        } else {
            EXPECT_GT(gone, 0);
        }
        if (killed) {
            EXPECT_LE(gone, purgeable);
        } else {
            // Later transactions may group the batches otherwise and write less than the whole
            // purge above; the first one always deletes one batch.
            EXPECT_GT(killAt, first);
            EXPECT_EQ(gone, purgeable);
        }
        restore();
    }
}

} // namespace
