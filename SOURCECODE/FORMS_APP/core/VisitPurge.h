#pragma once

#include "SqlCipherConnection.h"

#include <QString>
#include <QStringList>

#include <memory>

struct sqlite3_stmt;

// Deletes the visits up to a moment that a safety copy holds, while other workstations go on
// checking visitors in. Oldest visits go first, in short write transactions with a pause between
// them, so a waiting workstation gets its turn, and at every moment the register is the register
// purged up to an earlier moment. Only a visit that the copy holds exactly as it stands now is
// deleted: one checked in or changed after the copy stays, whatever its date.
//
// The copy is read through a connection of its own that cannot write, and each batch of its
// visits goes into a table in memory first, so the purge's transactions lock and commit the
// register alone.
class VisitPurge final {
public:
    // Opens the copy, keyed with the given password, and makes the table in memory on the
    // register's connection.
    VisitPurge(SqlCipherConnection& connection, const QString& safetyCopy, const QString& key);
    ~VisitPurge();
    Q_DISABLE_COPY_MOVE(VisitPurge)

    // Deletes every visit checked in at or before lastSecond ("yyyy-MM-dd HH:mm:ss") that the copy
    // holds unchanged. Raises DatabaseError when a step fails; the transactions before it stay
    // committed, and Deleted and LastCheckedIn tell what they did.
    void DeleteUpTo(const QString& lastSecond);

    // The statement of one batch, for the log.
    QString DeleteStatement() const { return m_delete; }
    // The statement whose failure stopped DeleteUpTo, for the log: the batch's, or the COMMIT.
    QString FailedStatement() const { return m_failed; }
    // The visits the committed transactions deleted.
    qint64 Deleted() const { return m_deleted; }
    // The check-in up to which the committed transactions went through the copy: every visit
    // before it that the copy holds unchanged is gone, and some within that same second may not
    // be. "" before the first commit.
    QString LastCheckedIn() const { return m_lastCheckedIn; }

private:
    struct Finalize {
        void operator()(sqlite3_stmt* statement) const;
    };
    using Statement = std::unique_ptr<sqlite3_stmt, Finalize>;

    Statement Prepare(sqlite3* db, const QString& sql) const;
    // Fills the table in memory with the copy's next visits; false when none is left.
    bool LoadBatch();
    // Deletes the loaded visits that the register holds unchanged.
    void DeleteBatch(const QString& lastSecond);
    // One write transaction: batches until deletingMs have passed or the copy has no more; the
    // share of the transaction spent deleting. maxBatches 0 sets no limit.
    double DeleteForAWhile(const QString& lastSecond, qint64 deletingMs, int maxBatches);
    static QString BuildDeleteStatement(const QStringList& columns);

    SqlCipherConnection& m_connection;
    SqlCipherConnection m_copy;
    int m_columns = 0;
    QString m_delete;
    QString m_failed;
    Statement m_copyRows;
    Statement m_insert;
    Statement m_deleteBatch;
    Statement m_clear;
    bool m_batchLoaded = false;
    bool m_copyDone = false;
    QString m_batchEnd;
    qint64 m_deleted = 0;
    QString m_lastCheckedIn;
};
