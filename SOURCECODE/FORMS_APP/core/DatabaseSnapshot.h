#pragma once

#include <QString>

// A consistent copy of a database file that other workstations may be writing to. A draft of the
// file's bytes is made first; then, while a read transaction holds the database's shared lock (so
// no writer commits meanwhile and a hot journal left by a crash is rolled back first), the file
// is read again and whatever the draft got wrong is written over, so the copy holds the file as
// it stood under the lock. The copy is written without a name (or, where the file system cannot
// make a file without one, under a hidden name of its own, so copies to one name side by side
// never share a file), checked (it opens with the key and passes "PRAGMA quick_check", which
// reads and authenticates every page a table or an index reaches, and none of those is all zeros)
// and only then given the target's name; copies in progress that killed runs left in the folder
// are removed first. The read transaction lasts only as long as that second reading; the check runs
// after it. On any failure nothing new is left under the target's name and an existing file there
// stays as it was. A register in WAL mode is refused: its file alone misses what its -wal file
// holds.
class DatabaseSnapshot final {
public:
    DatabaseSnapshot() = delete;

    enum class Existing {
        // A file under the target's name is replaced; a symbolic link there is written through.
        Replace,
        // No file is ever replaced: the copy takes the target's name, or that name followed by
        // "-2", "-3", ... when it is taken, in one step that no other process can come between.
        // A folder under the target's name is refused, as with Replace.
        Keep,
    };

    // The path the copy took. Raises CoreError with a readable description on failure.
    static QString Copy(const QString& source, const QString& target, const QString& key,
                        Existing existing = Existing::Replace);
};
