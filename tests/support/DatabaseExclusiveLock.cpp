#include "DatabaseExclusiveLock.h"

#include "core/DBManager.h"
#include "core/SqlCipherConnection.h"

DatabaseExclusiveLock::DatabaseExclusiveLock(const QString& databaseFile)
    : m_connection(std::make_unique<SqlCipherConnection>(
          databaseFile, QString::fromLatin1(DBManager::DatabasePassword))) {
    m_connection->ExecuteScript(QStringLiteral("BEGIN EXCLUSIVE;"));
}

DatabaseExclusiveLock::~DatabaseExclusiveLock() {
    try {
        m_connection->ExecuteScript(QStringLiteral("ROLLBACK;"));
    } catch (...) {
        // Closing the connection ends the transaction as well.
    }
}
