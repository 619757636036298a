#pragma once

#include "RecordSet.h"

#include <QString>
#include <QVariantList>

#include <chrono>

struct sqlite3;

// One open, keyed connection to an SQLCipher database file; closed when the object goes.
// Every failure raises DatabaseError with SQLite's description.
class SqlCipherConnection final {
public:
    // ReadOnly opens an existing file without write access, so nothing this connection does
    // can change it.
    enum class Mode { ExistingOnly, CreateIfMissing, ReadOnly };

    // Waits this long for another workstation's lock before failing.
    static constexpr int BusyTimeoutMs = 10000;
    // How often a waiting connection looks whether the lock is free.
    static constexpr std::chrono::milliseconds BusyPoll{2};

    // vfs names the engine's file system layer; none is the default one.
    SqlCipherConnection(const QString& path, const QString& key, Mode mode = Mode::ExistingOnly,
                        const char* vfs = nullptr);
    ~SqlCipherConnection();
    Q_DISABLE_COPY_MOVE(SqlCipherConnection)

    // Runs a script of one or more statements separated by ";": for the schema scripts of the
    // installation, the key and transactions, never for a text that holds values.
    void ExecuteScript(const QString& script);
    // Runs exactly one statement with values bound to its "?" placeholders; a second statement
    // after ";", an empty text or a NUL character is refused.
    void Execute(const QString& statement, const QVariantList& parameters);
    // Reads the whole result, so it outlives the connection. One statement, as Execute.
    RecordSet Query(const QString& statement, const QVariantList& parameters,
                    const RecordSet::FirstRows& firstRows = {});

    // The engine's handle, for the few calls that have no wrapper here.
    sqlite3* Handle() const { return m_db; }

private:
    // False when the key does not open the file; raises on any other failure.
    bool TryKey(const QString& path, int flags, const QString& keyPragma);
    void Close();
    [[noreturn]] void Fail() const;
    // The engine's busy handler: true (go on waiting) until the timeout has passed.
    static int WaitWhileBusy(void* connection, int tries);

    sqlite3* m_db = nullptr;
    const char* m_vfs = nullptr;
    std::chrono::steady_clock::time_point m_busySince;
};
