#include "VisitPurge.h"

#include "DatabaseError.h"
#include "SqlCipherConnection.h"

#include <QElapsedTimer>
#include <QThread>

#include <sqlcipher/sqlite3.h>

#include <algorithm>
#include <limits>

namespace {

// A workstation that wants to check in waits at most one transaction, so one lasts well under
// two seconds. Within that it is made as long as it can be: each transaction rewrites every page
// it touches, and visits in check-in order touch nearly one page of the index by name and company
// each, however many transactions before touched the same page.
constexpr qint64 TargetTransactionMs = 1200;
// The pause after each transaction lets the workstations that waited for it check in: one
// check-in holds the lock for milliseconds, and a waiting one looks every two.
constexpr unsigned long PauseMs = 50;
// The visits one statement deletes: small enough that the clock ends a transaction close to its
// target.
constexpr int BatchVisits = 2000;
// The pages one batch changes stay in memory until its commit: spilling them earlier would
// lock other workstations out of reading.
constexpr const char* CacheSize = "PRAGMA main.cache_size = -131072;";

QString Quoted(const QString& name) {
    QString quoted = name;
    quoted.replace(u']', QStringLiteral("]]"));
    return u'[' + quoted + u']';
}

} // namespace

VisitPurge::VisitPurge(SqlCipherConnection& connection, const QString& safetyCopy,
                       const QString& key)
    : m_connection(connection)
    , m_afterCheckedIn(QStringLiteral(""))
    , m_afterRow(std::numeric_limits<qint64>::min()) {
    m_connection.Execute(QStringLiteral("ATTACH DATABASE ? AS [safety] KEY ?"), {safetyCopy, key});
    m_connection.ExecuteScript(QString::fromLatin1(CacheSize));
    const RecordSet columns =
        m_connection.Query(QStringLiteral("PRAGMA main.table_info([VisitorRegister])"), {});
    QStringList names;
    for (int row = 0; row < columns.RecordCount(); ++row) {
        names.append(columns.Value(row, 1).toString());
    }
    if (names.isEmpty()) {
        throw DatabaseError(QStringLiteral("no such table: VisitorRegister"));
    }
    m_delete = BuildDeleteStatement(names);
}

VisitPurge::~VisitPurge() {
    try {
        m_connection.ExecuteScript(QStringLiteral("DETACH DATABASE [safety];"));
    } catch (const DatabaseError&) {
        // Closing the connection detaches it as well.
    }
}

QString VisitPurge::BuildDeleteStatement(const QStringList& columns) {
    // ?1, ?2: the last visit of the batch before (check-in, row); ?3, ?4: the last of this one;
    // ?5: the last second to purge.
    QString statement = QStringLiteral(
        "DELETE FROM main.[VisitorRegister] WHERE [CheckedIn] <= ?5 AND rowid IN ("
        "SELECT rowid FROM [safety].[VisitorRegister] WHERE [CheckedIn] >= ?1 AND "
        "[CheckedIn] <= ?3 AND NOT ([CheckedIn] = ?1 AND rowid <= ?2) AND "
        "NOT ([CheckedIn] = ?3 AND rowid > ?4)) AND EXISTS (SELECT 1 FROM "
        "[safety].[VisitorRegister] AS [copy] WHERE [copy].rowid = main.[VisitorRegister].rowid");
    for (const QString& column : columns) {
        statement += QStringLiteral(" AND [copy].") + Quoted(column) +
                     QStringLiteral(" IS main.[VisitorRegister].") + Quoted(column);
    }
    return statement + u')';
}

bool VisitPurge::NextBatchEnd(const QString& lastSecond, QString& checkedIn, qint64& row) const {
    const QString remaining = QStringLiteral(
        "SELECT [CheckedIn], rowid FROM [safety].[VisitorRegister] WHERE [CheckedIn] <= ? AND "
        "[CheckedIn] >= ? AND NOT ([CheckedIn] = ? AND rowid <= ?) ");
    const QVariantList after = {lastSecond, m_afterCheckedIn, m_afterCheckedIn, m_afterRow};
    RecordSet end = m_connection.Query(
        remaining + QStringLiteral("ORDER BY [CheckedIn], rowid LIMIT 1 OFFSET ?"),
        after + QVariantList{BatchVisits - 1});
    if (end.RecordCount() == 0) {
        // Fewer than a batch are left: the last of them ends it.
        end = m_connection.Query(
            remaining + QStringLiteral("ORDER BY [CheckedIn] DESC, rowid DESC LIMIT 1"), after);
    }
    if (end.RecordCount() == 0) {
        return false;
    }
    checkedIn = end.Value(0, 0).toString();
    row = end.Value(0, 1).toLongLong();
    return true;
}

void VisitPurge::DeleteBatch(const QString& lastSecond, const QString& endCheckedIn,
                             qint64 endRow) {
    m_connection.Execute(m_delete,
                         {m_afterCheckedIn, m_afterRow, endCheckedIn, endRow, lastSecond});
    m_afterCheckedIn = endCheckedIn;
    m_afterRow = endRow;
}

double VisitPurge::DeleteForAWhile(const QString& lastSecond, QString endCheckedIn, qint64 endRow,
                                   qint64 deletingMs) {
    m_connection.ExecuteScript(QStringLiteral("BEGIN IMMEDIATE;"));
    QElapsedTimer timer;
    timer.start();
    try {
        // The clock, not a batch size guessed beforehand, ends the deleting: a page cache gone
        // cold or a busy disk only makes the transaction delete fewer visits.
        do {
            DeleteBatch(lastSecond, endCheckedIn, endRow);
        } while (timer.elapsed() < deletingMs && NextBatchEnd(lastSecond, endCheckedIn, endRow));
        const qint64 deleting = std::max<qint64>(timer.elapsed(), 1);
        m_connection.ExecuteScript(QStringLiteral("COMMIT;"));
        return static_cast<double>(deleting) /
               static_cast<double>(std::max<qint64>(timer.elapsed(), deleting));
    } catch (const DatabaseError&) {
        if (sqlite3_get_autocommit(m_connection.Handle()) == 0) {
            sqlite3_exec(m_connection.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
        }
        throw;
    }
}

void VisitPurge::DeleteUpTo(const QString& lastSecond) {
    QString endCheckedIn;
    qint64 endRow = 0;
    // The share of a transaction spent deleting, the rest being its commit, which writes every
    // page changed. Each transaction takes the last one's; the first one is kept short, since
    // nothing tells yet how long a commit takes here (on a network file system it can take
    // longer than the deleting).
    double deletingShare = 0.1;
    for (bool first = true; NextBatchEnd(lastSecond, endCheckedIn, endRow); first = false) {
        if (!first) {
            QThread::msleep(PauseMs);
        }
        deletingShare = DeleteForAWhile(
            lastSecond, endCheckedIn, endRow,
            static_cast<qint64>(static_cast<double>(TargetTransactionMs) * deletingShare));
    }
}
