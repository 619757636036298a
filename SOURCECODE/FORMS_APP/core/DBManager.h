#pragma once

#include "RecordSet.h"

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>
#include <optional>

class SqlCipherConnection;

// The program's only way into its database. Every call opens its own connection, does its one
// piece of work and closes it before returning.
class DBManager final {
public:
    // Compiled-in key of the database file.
    static constexpr const char* DatabasePassword = "mT7x-Rq2!Lz9*Wk4+Nc6";
    static constexpr const char* DefaultDatabaseName = "quorvane.sys.qvd";

    void SetDatabaseName(const QString& value);
    QString DatabaseName() const;
    // The description of the last failure of GetRecordSet, ExecuteNonQuery or PurgeVisits, ""
    // when none failed.
    QString LastError() const;

    // Nothing (nullopt) after an error, which is logged with source "GetRecordSet".
    std::optional<RecordSet> GetRecordSet(const QString& SQLCommandText);
    // Values bound to the statement's "?" placeholders in order.
    std::optional<RecordSet> GetRecordSet(const QString& SQLCommandText,
                                          const QVariantList& parameters,
                                          const RecordSet::FirstRows& firstRows = {});

    // True when the statement ran; an error is logged with source "ExecuteNonQuery". The text is
    // exactly one statement: an empty text, or a second statement after ";", is refused.
    bool ExecuteNonQuery(const QString& SQLQuery);
    bool ExecuteNonQuery(const QString& SQLQuery, const QVariantList& parameters);
    // Runs the statements, each exactly one, in one write transaction: all of them or none. An
    // error is logged with source "ExecuteNonQuery" and the statement that failed.
    bool ExecuteInOneTransaction(const QStringList& statements);
    // Runs work on one connection in one write transaction, BEGIN IMMEDIATE to COMMIT: all of it
    // or nothing. The pages it changes stay in memory until the COMMIT, so other workstations
    // read on while it works and only the commit waits for their readings, at most the busy
    // timeout. work sets failing to the statement it runs. False on a failure, which is logged
    // with source "ExecuteNonQuery" and that statement.
    bool ExecuteInWriteTransaction(
        const std::function<void(SqlCipherConnection& connection, QString& failing)>& work);
    // The rows the last ExecuteNonQuery inserted, changed or deleted itself (not through
    // triggers); 0 after a failure.
    qint64 ChangedRows() const;
    // Runs the statement in one write transaction and, with the lock still held, hands the rows
    // it changed itself to whileLocked, which answers false to roll everything back; what it
    // raises rolls back too and reaches the caller. Then the COMMIT. True when it was committed;
    // a failure of the database is logged with source "ExecuteNonQuery" and the statement that
    // failed.
    bool ExecuteWhileLocked(const QString& SQLQuery, const QVariantList& parameters,
                            const std::function<bool(qint64 changedRows)>& whileLocked);
    // Runs whileLocked with the rows of the query, read under the write lock, only when no other
    // workstation holds that lock now: it never waits, since the holder may be changing what
    // whileLocked would. False when the lock was held, or the database failed (logged with
    // source "GetRecordSet"); what whileLocked raises reaches the caller.
    bool WhenNotLocked(const QString& SQLCommandText, const QVariantList& parameters,
                       const std::function<void(const RecordSet& rows)>& whileLocked);
    // Makes the statement that stores a row under a new key and runs it, in one write
    // transaction: KeyQuery is read and statementFor turns its result into the statement while
    // other workstations wait (up to the busy timeout), so no one takes the key in between.
    // statementFor answers "" to store nothing. beforeCommit, when given, runs after the
    // statement and before the COMMIT: what it raises reaches the caller, and the row is never
    // committed. False when nothing was stored; a failure of the database is logged with source
    // "ExecuteNonQuery" and the statement that failed.
    bool ExecuteInsert(const QString& KeyQuery,
                       const std::function<QString(const RecordSet& keyRows)>& statementFor,
                       const std::function<void()>& beforeCommit = {});

    // "" on success, else the copy error's description; logs nothing. The copy is a checked
    // snapshot, even while other workstations write.
    QString Backup(const QString& TargetPath);
    // As Backup, but no file is ever replaced: the copy takes TargetPath, or TargetPath followed
    // by "-2", "-3", ... when that name is taken; CopyPath is set to the path it took.
    QString BackupUnderNewName(const QString& TargetPath, QString& CopyPath);

    bool IsDatabaseValid();

    // What a purge's committed transactions did.
    struct PurgeProgress {
        qint64 deleted = 0;
        // The check-in of the last visit the committed transactions took from the copy: every
        // visit checked in before it that the copy holds unchanged is gone, while some checked in
        // within that same second may remain; "" when nothing was committed.
        QString lastCheckedIn;
    };

    // Deletes the visits checked in up to lastSecond ("yyyy-MM-dd HH:mm:ss") that the safety copy
    // (a Backup of this database) holds unchanged, oldest first, in short transactions, so other
    // workstations go on checking in. True when it got through; else the error is logged with
    // source "ExecuteNonQuery" and the statement, LastError gives it, and the visits before it
    // stay deleted. progress, when given, gets what was done either way.
    bool PurgeVisits(const QString& safetyCopy, const QString& lastSecond,
                     PurgeProgress* progress = nullptr);

private:
    QString strDatabaseName;
    QString strLastError;
    qint64 lngChangedRows = 0;
};
