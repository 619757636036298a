#include "QtPrinters.h"

#include "core/MappedReadVfs.h"
#include "core/SqlCipherConnection.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString Key = QStringLiteral("pw");

// What a connection sees of the table: its rows, the sum of their numbers and of their lengths.
QString SummaryOf(SqlCipherConnection& db) {
    const RecordSet rows =
        db.Query(QStringLiteral("SELECT count(*), sum([n]), sum(length([v])) FROM [t]"), {});
    return rows.Value(0, 0).toString() + u'|' + rows.Value(0, 1).toString() + u'|' +
           rows.Value(0, 2).toString();
}

// The rows from `from` to `to`, inside the connection's transaction.
void InsertRows(SqlCipherConnection& db, int from, int to) {
    for (int n = from; n < to; ++n) {
        db.Execute(QStringLiteral("INSERT INTO [t] VALUES (?, ?)"),
                   {n, QString(50 + n % 400, QChar(u'a' + n % 26))});
    }
}

void Insert(SqlCipherConnection& db, int from, int to) {
    db.ExecuteScript(QStringLiteral("BEGIN;"));
    InsertRows(db, from, to);
    db.ExecuteScript(QStringLiteral("COMMIT;"));
}

qint64 SizeOf(const QString& path) {
    return QFileInfo(path).size();
}

// A connection reading through the map and one writing the file as another workstation does:
// between the reader's transactions the file shrinks to a fraction and grows far beyond its old
// size, and the reader always sees exactly what the writer committed, the pages beyond its
// earlier map too.
TEST(MappedReadVfs, ReadsWhatAnotherConnectionCommittedWhileTheFileShrinksAndGrows) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("register.db"));
    SqlCipherConnection writer(path, Key, SqlCipherConnection::Mode::CreateIfMissing);
    writer.ExecuteScript(QStringLiteral("CREATE TABLE [t] ([n] INTEGER, [v] TEXT);"));
    Insert(writer, 0, 4000);

    SqlCipherConnection reader(path, Key, SqlCipherConnection::Mode::ExistingOnly,
                               MappedReadVfs::Name());
    EXPECT_EQ(SummaryOf(reader), SummaryOf(writer));

    const qint64 full = SizeOf(path);
    writer.ExecuteScript(QStringLiteral("DELETE FROM [t] WHERE [n] >= 200; VACUUM;"));
    ASSERT_LT(SizeOf(path) * 5, full);
    EXPECT_EQ(SummaryOf(reader), SummaryOf(writer));

    Insert(writer, 4000, 12000);
    ASSERT_GT(SizeOf(path), full * 2);
    EXPECT_EQ(SummaryOf(reader), SummaryOf(writer));
    EXPECT_EQ(reader.Query(QStringLiteral("PRAGMA quick_check"), {}).Value(0, 0).toString(),
              QStringLiteral("ok"));
}

// The reader's own writes, beyond the end of the map made when its transaction began, read back
// within that transaction and reach the other connection.
TEST(MappedReadVfs, ReadsItsOwnWritesBeyondTheMap) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("register.db"));
    {
        SqlCipherConnection db(path, Key, SqlCipherConnection::Mode::CreateIfMissing);
        db.ExecuteScript(QStringLiteral("CREATE TABLE [t] ([n] INTEGER, [v] TEXT);"));
        Insert(db, 0, 100);
    }
    SqlCipherConnection mapped(path, Key, SqlCipherConnection::Mode::ExistingOnly,
                               MappedReadVfs::Name());
    const qint64 before = SizeOf(path);
    mapped.ExecuteScript(QStringLiteral("BEGIN IMMEDIATE;"));
    EXPECT_EQ(SummaryOf(mapped).section(u'|', 0, 0), QStringLiteral("100"));
    InsertRows(mapped, 100, 6000);
    // A cache this small sends the new pages to the file before the commit.
    mapped.ExecuteScript(QStringLiteral("PRAGMA cache_size = 10;"));
    const QString inside = SummaryOf(mapped);
    EXPECT_EQ(inside.section(u'|', 0, 0), QStringLiteral("6000"));
    mapped.ExecuteScript(QStringLiteral("COMMIT;"));
    ASSERT_GT(SizeOf(path), before * 10);
    EXPECT_EQ(SummaryOf(mapped), inside);

    SqlCipherConnection other(path, Key);
    EXPECT_EQ(SummaryOf(other), inside);
}

} // namespace
