#pragma once

#include <QString>

// A consistent copy of a database file that other workstations may be writing to. A draft of the
// file's bytes is made first; then, while a read transaction holds the database's shared lock (so
// no writer commits meanwhile and a hot journal left by a crash is rolled back first), the file
// is read again and whatever the draft got wrong is written over, so the copy holds the file as
// it stood under the lock. The copy is written without a name, checked (it opens with the key and
// passes "PRAGMA quick_check", which reads and authenticates every page) and only then given the
// target's name. The read transaction lasts only as long as that second reading; the check runs
// after it. On any failure nothing new is left under the target's name and an existing file there
// stays as it was.
class DatabaseSnapshot final {
public:
    DatabaseSnapshot() = delete;

    // Raises CoreError with a readable description on failure.
    static void Copy(const QString& source, const QString& target, const QString& key);
};
