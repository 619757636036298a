#include "DBManager.h"

#include "BufferedJournalVfs.h"
#include "CoreError.h"
#include "DatabaseError.h"
#include "DatabaseIndexes.h"
#include "DatabaseSnapshot.h"
#include "Settings.h"
#include "SqlCipherConnection.h"
#include "VisitPurge.h"
#include "basCommon.h"

#include <QScopeGuard>

#include <sqlcipher/sqlite3.h>

#include <memory>

namespace {

QString DescriptionOf(const std::exception& error) {
    return QString::fromStdString(error.what());
}

// Opens a fresh connection for one data call; raises when the file cannot be opened or keyed.
std::unique_ptr<SqlCipherConnection> OpenConnection(QString& databaseName,
                                                    const char* vfs = nullptr) {
    const QString folder = basCommon::GetDataFolder();
    if (databaseName.isEmpty()) {
        // A name that cannot be read raises: the default one would be another register.
        databaseName = Settings().ReadDatabaseName();
        if (databaseName.isEmpty()) {
            databaseName = QString::fromLatin1(DBManager::DefaultDatabaseName);
        }
    }
    const QString path = folder + databaseName;
    return std::make_unique<SqlCipherConnection>(path,
                                                 QString::fromLatin1(DBManager::DatabasePassword),
                                                 SqlCipherConnection::Mode::ExistingOnly, vfs);
}

// "" on success, else the copy error's description.
QString BackupOfConfiguredDatabase(const QString& target, DatabaseSnapshot::Existing existing,
                                   QString& copyPath) {
    try {
        // The configured name as it stands: no default applies to the copy.
        const QString source = basCommon::GetDataFolder() + Settings().ReadDatabaseName();
        copyPath = DatabaseSnapshot::Copy(
            source, target, QString::fromLatin1(DBManager::DatabasePassword), existing);
        return {};
    } catch (const std::exception& error) {
        return DescriptionOf(error);
    }
}

} // namespace

void DBManager::SetDatabaseName(const QString& value) {
    strDatabaseName = value;
}

QString DBManager::DatabaseName() const {
    return strDatabaseName;
}

QString DBManager::LastError() const {
    return strLastError;
}

qint64 DBManager::ChangedRows() const {
    return lngChangedRows;
}

std::optional<RecordSet> DBManager::GetRecordSet(const QString& SQLCommandText) {
    return GetRecordSet(SQLCommandText, {});
}

std::optional<RecordSet> DBManager::GetRecordSet(const QString& SQLCommandText,
                                                 const QVariantList& parameters,
                                                 const RecordSet::FirstRows& firstRows) {
    try {
        const auto connection = OpenConnection(strDatabaseName);
        return connection->Query(SQLCommandText, parameters, firstRows);
    } catch (const std::exception& error) {
        strLastError = DescriptionOf(error);
        basCommon::WriteLog(strLastError, QStringLiteral("GetRecordSet"), SQLCommandText);
        return std::nullopt;
    }
}

bool DBManager::ExecuteNonQuery(const QString& SQLQuery) {
    return ExecuteNonQuery(SQLQuery, {});
}

bool DBManager::ExecuteNonQuery(const QString& SQLQuery, const QVariantList& parameters) {
    lngChangedRows = 0;
    try {
        const auto connection = OpenConnection(strDatabaseName);
        connection->Execute(SQLQuery, parameters);
        lngChangedRows = sqlite3_changes(connection->Handle());
        return true;
    } catch (const std::exception& error) {
        strLastError = DescriptionOf(error);
        basCommon::WriteLog(strLastError, QStringLiteral("ExecuteNonQuery"), SQLQuery);
        return false;
    }
}

bool DBManager::ExecuteInOneTransaction(const QStringList& statements) {
    lngChangedRows = 0;
    QString failing = QStringLiteral("BEGIN IMMEDIATE");
    try {
        // Closing the connection without the COMMIT rolls everything back.
        const auto connection = OpenConnection(strDatabaseName);
        connection->ExecuteScript(QStringLiteral("BEGIN IMMEDIATE;"));
        for (const QString& statement : statements) {
            failing = statement;
            connection->Execute(statement, {});
        }
        failing = QStringLiteral("COMMIT");
        connection->ExecuteScript(QStringLiteral("COMMIT;"));
        return true;
    } catch (const std::exception& error) {
        strLastError = DescriptionOf(error);
        basCommon::WriteLog(strLastError, QStringLiteral("ExecuteNonQuery"), failing);
        return false;
    }
}

bool DBManager::ExecuteInWriteTransaction(
    const std::function<void(SqlCipherConnection& connection, QString& failing)>& work) {
    lngChangedRows = 0;
    QString failing = QStringLiteral("BEGIN IMMEDIATE");
    try {
        const auto connection = OpenConnection(strDatabaseName);
        // A spill would take the lock that shuts out new readers and wait for the old ones,
        // once for every spill.
        connection->ExecuteScript(QStringLiteral("PRAGMA cache_spill = OFF; BEGIN IMMEDIATE;"));
        work(*connection, failing);
        failing = QStringLiteral("COMMIT");
        connection->ExecuteScript(QStringLiteral("COMMIT;"));
        return true;
    } catch (const std::exception& error) {
        strLastError = DescriptionOf(error);
        basCommon::WriteLog(strLastError, QStringLiteral("ExecuteNonQuery"), failing);
        return false;
    }
}

bool DBManager::ExecuteWhileLocked(const QString& SQLQuery, const QVariantList& parameters,
                                   const std::function<bool(qint64 changedRows)>& whileLocked) {
    lngChangedRows = 0;
    QString failing = QStringLiteral("BEGIN IMMEDIATE");
    std::unique_ptr<SqlCipherConnection> connection;
    qint64 changed = 0;
    try {
        // Closing the connection without the COMMIT rolls everything back.
        connection = OpenConnection(strDatabaseName);
        connection->ExecuteScript(QStringLiteral("BEGIN IMMEDIATE;"));
        failing = SQLQuery;
        connection->Execute(SQLQuery, parameters);
        changed = sqlite3_changes(connection->Handle());
    } catch (const std::exception& error) {
        strLastError = DescriptionOf(error);
        basCommon::WriteLog(strLastError, QStringLiteral("ExecuteNonQuery"), failing);
        return false;
    }
    if (!whileLocked(changed)) {
        return false;
    }
    try {
        connection->ExecuteScript(QStringLiteral("COMMIT;"));
        lngChangedRows = changed;
        return true;
    } catch (const std::exception& error) {
        strLastError = DescriptionOf(error);
        basCommon::WriteLog(strLastError, QStringLiteral("ExecuteNonQuery"),
                            QStringLiteral("COMMIT"));
        return false;
    }
}

bool DBManager::WhenNotLocked(const QString& SQLCommandText, const QVariantList& parameters,
                              const std::function<void(const RecordSet& rows)>& whileLocked) {
    std::unique_ptr<SqlCipherConnection> connection;
    std::optional<RecordSet> rows;
    try {
        connection = OpenConnection(strDatabaseName);
        sqlite3_busy_handler(connection->Handle(), nullptr, nullptr);
        connection->ExecuteScript(QStringLiteral("BEGIN IMMEDIATE;"));
        rows = connection->Query(SQLCommandText, parameters);
    } catch (const DatabaseError& error) {
        if ((error.Code() & 0xFF) == SQLITE_BUSY) {
            return false;
        }
        strLastError = DescriptionOf(error);
        basCommon::WriteLog(strLastError, QStringLiteral("GetRecordSet"), SQLCommandText);
        return false;
    } catch (const std::exception& error) {
        strLastError = DescriptionOf(error);
        basCommon::WriteLog(strLastError, QStringLiteral("GetRecordSet"), SQLCommandText);
        return false;
    }
    whileLocked(*rows);
    // Nothing was written, so ending the transaction only gives the lock back.
    return true;
}

bool DBManager::ExecuteInsert(const QString& KeyQuery,
                              const std::function<QString(const RecordSet& keyRows)>& statementFor,
                              const std::function<void()>& beforeCommit) {
    QString failing = KeyQuery;
    std::unique_ptr<SqlCipherConnection> connection;
    try {
        connection = OpenConnection(strDatabaseName);
        // Takes the write lock before the key is read; closing the connection without the
        // COMMIT rolls everything back.
        connection->ExecuteScript(QStringLiteral("BEGIN IMMEDIATE;"));
        const QString statement = statementFor(connection->Query(KeyQuery, {}));
        if (statement.isEmpty()) {
            return false;
        }
        failing = statement;
        connection->Execute(statement, {});
    } catch (const std::exception& error) {
        strLastError = DescriptionOf(error);
        basCommon::WriteLog(strLastError, QStringLiteral("ExecuteNonQuery"), failing);
        return false;
    }
    if (beforeCommit) {
        // Raises past the open transaction, which the connection rolls back as it closes.
        beforeCommit();
    }
    try {
        connection->ExecuteScript(QStringLiteral("COMMIT;"));
        return true;
    } catch (const std::exception& error) {
        strLastError = DescriptionOf(error);
        basCommon::WriteLog(strLastError, QStringLiteral("ExecuteNonQuery"),
                            QStringLiteral("COMMIT"));
        return false;
    }
}

QString DBManager::Backup(const QString& TargetPath) {
    QString copyPath;
    return BackupOfConfiguredDatabase(TargetPath, DatabaseSnapshot::Existing::Replace, copyPath);
}

QString DBManager::BackupUnderNewName(const QString& TargetPath, QString& CopyPath) {
    return BackupOfConfiguredDatabase(TargetPath, DatabaseSnapshot::Existing::Keep, CopyPath);
}

bool DBManager::IsDatabaseValid() {
    const std::optional<RecordSet> settings =
        GetRecordSet(QStringLiteral("SELECT * FROM [Settings] WHERE 1=0"));
    if (!settings || settings->FieldCount() == 0) {
        return false;
    }
    const std::optional<RecordSet> visits =
        GetRecordSet(QStringLiteral("SELECT * FROM [VisitorRegister] WHERE 1=0"));
    return visits && visits->FieldCount() != 0;
}

bool DBManager::PurgeVisits(const QString& safetyCopy, const QString& lastSecond,
                            PurgeProgress* progress) {
    QString statement = QStringLiteral("DELETE FROM [VisitorRegister] WHERE [CheckedIn] <= ?");
    try {
        // A purge's transactions journal tens of thousands of pages each, which this layer
        // writes out in large writes.
        const auto connection = OpenConnection(strDatabaseName, BufferedJournalVfs::Name());
        VisitPurge purge(*connection, safetyCopy, QString::fromLatin1(DatabasePassword));
        statement = purge.DeleteStatement();
        // However the purge ends, its caller learns what the committed transactions did.
        const auto tell = qScopeGuard([&] {
            if (progress != nullptr) {
                progress->deleted = purge.Deleted();
                progress->lastCheckedIn = purge.LastCheckedIn();
            }
        });
        try {
            purge.DeleteUpTo(lastSecond);
        } catch (const std::exception&) {
            statement = purge.FailedStatement();
            throw;
        }
    } catch (const std::exception& error) {
        strLastError = DescriptionOf(error);
        basCommon::WriteLog(strLastError, QStringLiteral("ExecuteNonQuery"), statement);
        return false;
    }
    // Values only the purged visits carried leave the lists. Readers skip them anyway, so a
    // failure here is logged and the purge still done.
    if (DatabaseIndexes::HasValueLists(strDatabaseName)) {
        DBManager cleanup;
        cleanup.SetDatabaseName(strDatabaseName);
        cleanup.ExecuteInOneTransaction(DatabaseIndexes::RemoveUnusedValues());
    }
    return true;
}
