#pragma once

#include "RecordSet.h"

#include <QString>
#include <QVariantList>

struct sqlite3;

// One open, keyed connection to an SQLCipher database file; closed when the object goes.
// Every failure raises DatabaseError with SQLite's description.
class SqlCipherConnection final {
public:
    enum class Mode { ExistingOnly, CreateIfMissing };

    // Waits this long for another workstation's lock before failing.
    static constexpr int BusyTimeoutMs = 10000;

    SqlCipherConnection(const QString& path, const QString& key, Mode mode = Mode::ExistingOnly);
    ~SqlCipherConnection();
    Q_DISABLE_COPY_MOVE(SqlCipherConnection)

    // Runs a script of one or more statements separated by ";".
    void ExecuteScript(const QString& script);
    // Runs one statement with values bound to its "?" placeholders.
    void Execute(const QString& statement, const QVariantList& parameters);
    // Reads the whole result, so it outlives the connection.
    RecordSet Query(const QString& statement, const QVariantList& parameters,
                    const RecordSet::FirstRows& firstRows = {});

private:
    // False when the key does not open the file; raises on any other failure.
    bool TryKey(const QString& path, int flags, const QString& keyPragma);
    void Close();
    [[noreturn]] void Fail() const;

    sqlite3* m_db = nullptr;
};
