// The page check of backups and of the purge's safety copy: the pages the engine never writes
// (never-written free pages, the lock-byte page) are no damage, while an all-zero page that a table
// reaches still refuses the copy.
#include "SqlcipherShell.h"
#include "VisitorFixture.h"

#include "core/Settings.h"
#include "core/SqlCipherConnection.h"

#include <QRegularExpression>
#include <QScopeGuard>

#include <sqlcipher/sqlite3.h>

#include <functional>

namespace {

const QString Key = QString::fromLatin1(DBManager::DatabasePassword);
// The purge takes the visits of January 2024 of AddVisits.
const QString PurgeEndDate = QStringLiteral("31-01-2024");
const QString PurgeLastSecond = QStringLiteral("2024-01-31 23:59:59");

class DatabaseSnapshotPagesTest : public VisitorFixture {
protected:
    // Visits an hour apart from 1 January 2024 on.
    static void AddVisits(int count) {
        Execute(QStringLiteral(
                    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i < %1) "
                    "INSERT INTO [VisitorRegister]([PassNo],[Name],[Remarks],[CheckedIn]) "
                    "SELECT printf('%05d', i), 'Earlier visitor ' || i, "
                    "substr(hex(randomblob(100)), 1, 150), "
                    "datetime('2024-01-01 08:00:00', '+' || i || ' hours') FROM n;")
                    .arg(count));
    }

    static qint64 Number(const QString& file, const QString& query) {
        SqlCipherConnection connection(file, Key);
        return connection.Query(query, {}).Value(0, 0).toLongLong();
    }

    // The numbers (from 1) of the file's all-zero pages up to its page count.
    static QList<qint64> ZeroPages(const QString& file) {
        const qint64 page = Number(file, QStringLiteral("PRAGMA cipher_page_size"));
        const qint64 count = Number(file, QStringLiteral("PRAGMA page_count"));
        const QByteArray bytes = ReadBytes(file);
        const QByteArray zeros(page, '\0');
        QList<qint64> pages;
        for (qint64 n = 1; n <= count && n * page <= bytes.size(); ++n) {
            if (bytes.mid((n - 1) * page, page) == zeros) {
                pages.append(n);
            }
        }
        return pages;
    }

    QStringList Entries(const QString& folder) const {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    static QString Integrity(const QString& file) {
        SqlCipherConnection connection(file, Key);
        return connection.Query(QStringLiteral("PRAGMA integrity_check"), {})
            .Value(0, 0)
            .toString();
    }

    static qint64 VisitsUpTo(const QString& file, const QString& lastSecond) {
        SqlCipherConnection connection(file, Key);
        return connection
            .Query(QStringLiteral("SELECT count(*) FROM [VisitorRegister] WHERE [CheckedIn] <= ?"),
                   {lastSecond})
            .Value(0, 0)
            .toLongLong();
    }

    // Backs the register up and purges it; both succeed, the copies are whole and the purge
    // deleted what it was asked to.
    void ExpectBackedUpAndPurged() {
        const QString database = Folder().DatabaseFile();
        const QString backup = Folder().Path() + QStringLiteral("/backup.qbk");
        ASSERT_EQ(DBManager().Backup(backup), QString());
        EXPECT_EQ(Integrity(backup), QStringLiteral("ok"));

        const qint64 purged = VisitsUpTo(database, PurgeLastSecond);
        ASSERT_GT(purged, 0);
        ASSERT_EQ(Settings().Purge(PurgeEndDate), QString());
        EXPECT_EQ(VisitsUpTo(database, PurgeLastSecond), 0);
        const QStringList copies =
            Entries(Folder().DataFolder())
                .filter(QRegularExpression(QStringLiteral("^quorvane\\.purge\\.\\d{14}$")));
        ASSERT_EQ(copies.size(), 1);
        const QString copy = Folder().DataFolder() + copies.first();
        EXPECT_EQ(Integrity(copy), QStringLiteral("ok"));
        EXPECT_EQ(VisitsUpTo(copy, PurgeLastSecond), purged);
        EXPECT_EQ(Integrity(database), QStringLiteral("ok"));
    }
};

TEST_F(DatabaseSnapshotPagesTest, FreePagesNeverWrittenAreNoDamage) {
    AddVisits(2000);
    // Pages taken and given back in one transaction without secure delete stay holes of zeros on
    // the free list.
    const QString database = Folder().DatabaseFile();
    // (A table of its own, emptied whole: a statement that fires triggers or deletes row by row
    // writes every page it frees.)
    SqlcipherShell::Run(database, Key,
                        QStringLiteral("PRAGMA secure_delete=OFF;\nBEGIN;\n"
                                       "CREATE TABLE [Scratch]([Bytes]);\n"
                                       "INSERT INTO [Scratch] VALUES (zeroblob(400000));\n"
                                       "DELETE FROM [Scratch];\n"
                                       "DROP TABLE [Scratch];\nCOMMIT;"));
    const QList<qint64> zeroPages = ZeroPages(database);
    ASSERT_GT(zeroPages.size(), 100);
    ASSERT_GE(Number(database, QStringLiteral("PRAGMA freelist_count")), zeroPages.size());
    ASSERT_EQ(SqlcipherShell::Lines(database, Key, QStringLiteral("PRAGMA integrity_check;")),
              QStringList{QStringLiteral("ok")});

    ExpectBackedUpAndPurged();
}

// The engine never writes the page that holds its lock bytes, at 1 GiB; its own tests move them
// to reach that page without a file of that size, as this test does within this process alone.
TEST_F(DatabaseSnapshotPagesTest, TheLockBytePageIsNoDamage) {
    const QString database = Folder().DatabaseFile();
    const qint64 page = Number(database, QStringLiteral("PRAGMA cipher_page_size"));
    const qint64 pages = Number(database, QStringLiteral("PRAGMA page_count"));
    ASSERT_GT(page, 0);
    // Beyond every page the register has now, so no page in use becomes the lock-byte page.
    const int lockBytes = static_cast<int>((pages + 3) * page);
    const int standard = sqlite3_test_control(SQLITE_TESTCTRL_PENDING_BYTE, lockBytes);
    const auto restore =
        qScopeGuard([standard] { sqlite3_test_control(SQLITE_TESTCTRL_PENDING_BYTE, standard); });
    ASSERT_EQ(standard, 0x40000000);

    AddVisits(2000);
    const qint64 lockBytePage = lockBytes / page + 1;
    ASSERT_GT(Number(database, QStringLiteral("PRAGMA page_count")), lockBytePage + 100);
    ASSERT_EQ(ZeroPages(database), QList<qint64>{lockBytePage});
    ASSERT_EQ(Integrity(database), QStringLiteral("ok"));

    ExpectBackedUpAndPurged();
}

TEST_F(DatabaseSnapshotPagesTest, AZeroPageATableReachesStillRefusesTheBackupAndThePurge) {
    const QString database = Folder().DatabaseFile();
    const qint64 page = Number(database, QStringLiteral("PRAGMA cipher_page_size"));
    const qint64 before = QFileInfo(database).size();
    Execute(QStringLiteral("INSERT INTO [VisitorRegister]([PassNo],[Name],[Remarks]) "
                           "VALUES ('99999', 'Long remarks', ?)"),
            {QString(3061, u'r')});
    const qint64 after = QFileInfo(database).size();
    AddVisits(2000);
    // The pages the long remarks added at the end are their overflow pages; the last is zeroed, as
    // a disk that lost a write leaves it. The engine's own check reads it as the chain's end.
    ASSERT_GE((after - before) / page, 2);
    {
        QFile file(database);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.seek(after - page));
        ASSERT_EQ(file.write(QByteArray(page, '\0')), page);
    }
    {
        SqlCipherConnection connection(database, Key);
        ASSERT_EQ(connection.Query(QStringLiteral("PRAGMA quick_check"), {}).Value(0, 0).toString(),
                  QStringLiteral("ok"));
    }
    const QByteArray damaged = ReadBytes(database);

    const QString backup = Folder().Path() + QStringLiteral("/backup.qbk");
    const QString answer = DBManager().Backup(backup);
    EXPECT_TRUE(answer.contains(QStringLiteral("page %1 is all zeros").arg(after / page)))
        << answer.toStdString();
    EXPECT_FALSE(QFile::exists(backup));

    const QString purge = Settings().Purge(PurgeEndDate);
    EXPECT_TRUE(purge.contains(QStringLiteral("Nothing was purged"))) << purge.toStdString();
    EXPECT_TRUE(purge.contains(QStringLiteral("all zeros"))) << purge.toStdString();
    EXPECT_EQ(Entries(Folder().DataFolder()), QStringList{QFileInfo(database).fileName()});
    EXPECT_EQ(ReadBytes(database), damaged);
}

} // namespace
