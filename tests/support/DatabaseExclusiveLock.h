#pragma once

#include <QString>

#include <memory>

class SqlCipherConnection;

// Another workstation holding the database file exclusively (a write that is committing) while the
// object lives: reads as well as changes wait the busy timeout and fail.
class DatabaseExclusiveLock final {
public:
    explicit DatabaseExclusiveLock(const QString& databaseFile);
    ~DatabaseExclusiveLock();
    Q_DISABLE_COPY_MOVE(DatabaseExclusiveLock)

private:
    std::unique_ptr<SqlCipherConnection> m_connection;
};
