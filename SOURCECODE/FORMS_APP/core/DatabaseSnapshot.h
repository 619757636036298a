#pragma once

#include <QString>

// A consistent copy of a database file that other workstations may be writing to. The file's
// bytes are read while a read transaction holds the database's shared lock (so no writer commits
// meanwhile and a hot journal left by a crash is rolled back first); the copy is written without
// a name, checked (it opens with the key and passes "PRAGMA integrity_check") and only then given
// the target's name. On any failure nothing new is left under the target's name and an existing
// file there stays as it was.
class DatabaseSnapshot final {
public:
    DatabaseSnapshot() = delete;

    // Raises CoreError with a readable description on failure.
    static void Copy(const QString& source, const QString& target, const QString& key);
};
