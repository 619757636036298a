#pragma once

#include <QString>

#include <memory>

class SqlCipherConnection;

// Another workstation in the middle of a write: a transaction on the database file that holds its
// write lock while the object lives. Reads go on; every change waits the busy timeout and fails.
class DatabaseWriteLock final {
public:
    explicit DatabaseWriteLock(const QString& databaseFile);
    ~DatabaseWriteLock();
    Q_DISABLE_COPY_MOVE(DatabaseWriteLock)

private:
    std::unique_ptr<SqlCipherConnection> m_connection;
};
