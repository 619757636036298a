#include "VisitPurge.h"

#include "DatabaseError.h"

#include <QElapsedTimer>
#include <QThread>

#include <sqlcipher/sqlite3.h>

#include <algorithm>

namespace {

// A workstation that wants to check in waits at most one transaction, so one lasts well under
// two seconds. Within that it is made as long as it can be: each transaction reads afresh and
// rewrites every page it touches (another workstation's commit empties the page cache), and the
// value lists of companies and persons to meet have most of their pages touched by every
// transaction, however many transactions before touched the same page.
constexpr qint64 TargetTransactionMs = 1500;
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

[[noreturn]] void Fail(sqlite3* db) {
    throw DatabaseError(QString::fromUtf8(sqlite3_errmsg(db)), sqlite3_extended_errcode(db));
}

void Run(sqlite3* db, sqlite3_stmt* statement) {
    const int rc = sqlite3_step(statement);
    sqlite3_reset(statement);
    if (rc != SQLITE_DONE) {
        Fail(db);
    }
}

// The batch's copy of the visits: its row number, then the columns in the register's order.
// Columns without a type keep every value exactly as the copy holds it.
QString BatchTable(int columns) {
    QString table = QStringLiteral("CREATE TEMP TABLE [PurgeBatch] ([Row] INTEGER PRIMARY KEY");
    for (int c = 0; c < columns; ++c) {
        table += QStringLiteral(", [c%1]").arg(c);
    }
    return table + u')';
}

} // namespace

void VisitPurge::Finalize::operator()(sqlite3_stmt* statement) const {
    sqlite3_finalize(statement);
}

VisitPurge::VisitPurge(SqlCipherConnection& connection, const QString& safetyCopy,
                       const QString& key)
    : m_connection(connection)
    , m_copy(safetyCopy, key, SqlCipherConnection::Mode::ReadOnly) {
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
    m_columns = static_cast<int>(names.size());
    m_delete = BuildDeleteStatement(names);
    m_failed = m_delete;

    QStringList quoted;
    for (const QString& name : names) {
        quoted.append(Quoted(name));
    }
    // The copy's visits up to the date, oldest first: the check-in again for the batch's end.
    m_copyRows = Prepare(m_copy.Handle(),
                         QStringLiteral("SELECT rowid, [CheckedIn], ") + quoted.join(u',') +
                             QStringLiteral(" FROM [VisitorRegister] WHERE [CheckedIn] <= ? "
                                            "ORDER BY [CheckedIn], rowid"));
    m_connection.ExecuteScript(BatchTable(m_columns) + u';');
    QString insert = QStringLiteral("INSERT INTO temp.[PurgeBatch] VALUES (?");
    for (int c = 0; c < m_columns; ++c) {
        insert += QStringLiteral(", ?");
    }
    m_insert = Prepare(m_connection.Handle(), insert + u')');
    m_deleteBatch = Prepare(m_connection.Handle(), m_delete);
    m_clear = Prepare(m_connection.Handle(), QStringLiteral("DELETE FROM temp.[PurgeBatch]"));
}

VisitPurge::~VisitPurge() {
    m_clear.reset();
    m_deleteBatch.reset();
    m_insert.reset();
    m_copyRows.reset();
    try {
        m_connection.ExecuteScript(QStringLiteral("DROP TABLE IF EXISTS temp.[PurgeBatch];"));
    } catch (const DatabaseError&) {
        // Closing the connection drops it as well.
    }
}

VisitPurge::Statement VisitPurge::Prepare(sqlite3* db, const QString& sql) const {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        Fail(db);
    }
    return Statement(statement);
}

QString VisitPurge::BuildDeleteStatement(const QStringList& columns) {
    // ?1: the last second to purge.
    QString statement = QStringLiteral(
        "DELETE FROM main.[VisitorRegister] WHERE [CheckedIn] <= ?1 AND rowid IN (SELECT [Row] "
        "FROM temp.[PurgeBatch]) AND EXISTS (SELECT 1 FROM temp.[PurgeBatch] AS [copy] WHERE "
        "[copy].[Row] = main.[VisitorRegister].rowid");
    for (int c = 0; c < columns.size(); ++c) {
        statement += QStringLiteral(" AND [copy].[c%1] IS main.[VisitorRegister].").arg(c) +
                     Quoted(columns.at(c));
    }
    return statement + u')';
}

bool VisitPurge::LoadBatch() {
    if (m_copyDone) {
        // Stepping on would start the copy's visits over.
        return false;
    }
    sqlite3* db = m_connection.Handle();
    // Inside the purge's transaction this nests in it; outside it keeps the many inserts into
    // the table in memory to one transaction, which locks nothing in the register.
    m_connection.ExecuteScript(QStringLiteral("SAVEPOINT [load];"));
    try {
        Run(db, m_clear.get());
        int rows = 0;
        while (rows < BatchVisits) {
            const int rc = sqlite3_step(m_copyRows.get());
            if (rc == SQLITE_DONE) {
                m_copyDone = true;
                break;
            }
            if (rc != SQLITE_ROW) {
                Fail(m_copy.Handle());
            }
            // The values go over as the engine holds them, with their types.
            sqlite3_bind_value(m_insert.get(), 1, sqlite3_column_value(m_copyRows.get(), 0));
            for (int c = 0; c < m_columns; ++c) {
                sqlite3_bind_value(m_insert.get(), c + 2,
                                   sqlite3_column_value(m_copyRows.get(), c + 2));
            }
            Run(db, m_insert.get());
            m_batchEnd = QString::fromUtf8(
                reinterpret_cast<const char*>(sqlite3_column_text(m_copyRows.get(), 1)));
            ++rows;
        }
        m_connection.ExecuteScript(QStringLiteral("RELEASE [load];"));
        m_batchLoaded = rows > 0;
        return m_batchLoaded;
    } catch (const DatabaseError&) {
        sqlite3_exec(db, "ROLLBACK TO [load]; RELEASE [load];", nullptr, nullptr, nullptr);
        throw;
    }
}

void VisitPurge::DeleteBatch(const QString& lastSecond) {
    const QByteArray last = lastSecond.toUtf8();
    sqlite3_bind_text(m_deleteBatch.get(), 1, last.constData(), static_cast<int>(last.size()),
                      SQLITE_TRANSIENT);
    Run(m_connection.Handle(), m_deleteBatch.get());
    m_batchLoaded = false;
}

double VisitPurge::DeleteForAWhile(const QString& lastSecond, qint64 deletingMs, int maxBatches) {
    sqlite3* db = m_connection.Handle();
    m_connection.ExecuteScript(QStringLiteral("BEGIN IMMEDIATE;"));
    QElapsedTimer timer;
    timer.start();
    try {
        qint64 deleted = 0;
        QString end;
        int batches = 0;
        // The clock, not a batch size guessed beforehand, ends the deleting: a page cache gone
        // cold or a busy disk only makes the transaction delete fewer visits. A batch starts only
        // when one as long as the last still fits, so the transaction does not overrun.
        qint64 lastBatchMs = 0;
        do {
            const qint64 batchStart = timer.elapsed();
            end = m_batchEnd;
            DeleteBatch(lastSecond);
            deleted += sqlite3_changes(db);
            ++batches;
            lastBatchMs = timer.elapsed() - batchStart;
        } while ((maxBatches == 0 || batches < maxBatches) &&
                 timer.elapsed() + lastBatchMs <= deletingMs && LoadBatch());
        const qint64 deleting = std::max<qint64>(timer.elapsed(), 1);
        m_failed = QStringLiteral("COMMIT");
        m_connection.ExecuteScript(QStringLiteral("COMMIT;"));
        m_failed = m_delete;
        m_deleted += deleted;
        m_lastCheckedIn = end;
        return static_cast<double>(deleting) /
               static_cast<double>(std::max<qint64>(timer.elapsed(), deleting));
    } catch (const DatabaseError&) {
        if (sqlite3_get_autocommit(db) == 0) {
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        }
        throw;
    }
}

void VisitPurge::DeleteUpTo(const QString& lastSecond) {
    const QByteArray last = lastSecond.toUtf8();
    sqlite3_reset(m_copyRows.get());
    sqlite3_bind_text(m_copyRows.get(), 1, last.constData(), static_cast<int>(last.size()),
                      SQLITE_TRANSIENT);
    m_batchLoaded = false;
    m_copyDone = false;
    // The share of a transaction spent deleting, the rest being its commit, which writes every
    // page changed. Each transaction takes the last one's; the first one deletes one batch,
    // since nothing tells yet how long a commit takes here (on a network file system it can take
    // longer than the deleting).
    double deletingShare = 0.1;
    try {
        for (bool first = true; m_batchLoaded || LoadBatch(); first = false) {
            if (!first) {
                QThread::msleep(PauseMs);
            }
            deletingShare = DeleteForAWhile(
                lastSecond,
                static_cast<qint64>(static_cast<double>(TargetTransactionMs) * deletingShare),
                first ? 1 : 0);
        }
    } catch (const DatabaseError&) {
        sqlite3_reset(m_copyRows.get());
        throw;
    }
    sqlite3_reset(m_copyRows.get());
}
