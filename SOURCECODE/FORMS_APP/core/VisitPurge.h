#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

class SqlCipherConnection;

// Deletes the visits up to a moment that a safety copy holds, while other workstations go on
// checking visitors in. Oldest visits go first, in short write transactions with a pause between
// them, so a waiting workstation gets its turn, and at every moment the register is the register
// purged up to an earlier moment. Only a visit that the copy holds exactly as it stands now is
// deleted: one checked in or changed after the copy stays, whatever its date.
class VisitPurge final {
public:
    // Attaches the copy to the connection, keyed with the given password.
    VisitPurge(SqlCipherConnection& connection, const QString& safetyCopy, const QString& key);
    ~VisitPurge();
    Q_DISABLE_COPY_MOVE(VisitPurge)

    // Deletes every visit checked in at or before lastSecond ("yyyy-MM-dd HH:mm:ss") that the copy
    // holds unchanged. Raises DatabaseError when a step fails; the batches before it stay deleted.
    void DeleteUpTo(const QString& lastSecond);

    // The statement of one batch, for the log.
    QString DeleteStatement() const { return m_delete; }

private:
    // The check-in and row of the last visit of the next batch in the copy; false when none is
    // left.
    bool NextBatchEnd(const QString& lastSecond, QString& checkedIn, qint64& row) const;
    // Deletes the visits after the last one deleted up to the given one.
    void DeleteBatch(const QString& lastSecond, const QString& endCheckedIn, qint64 endRow);
    // One write transaction: batches from the given one on until deletingMs have passed; the
    // share of the transaction spent deleting.
    double DeleteForAWhile(const QString& lastSecond, QString endCheckedIn, qint64 endRow,
                           qint64 deletingMs);
    static QString BuildDeleteStatement(const QStringList& columns);

    SqlCipherConnection& m_connection;
    QString m_delete;
    QString m_afterCheckedIn;
    qint64 m_afterRow = 0;
};
