#include "BufferedJournalVfs.h"

#include "VfsLayer.h"

#include <sqlcipher/sqlite3.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

namespace BufferedJournalVfs {

namespace {

constexpr const char* VfsName = "quorvane-buffered-journal";
// Large enough to make the writes few; the default layer takes no write of 128 KB or more.
constexpr std::size_t BufferBytes = 64 * 1024;
// The engine names a database's rollback journal after it.
constexpr const char* JournalSuffix = "-journal";

// A journal opened for writing through the layer: its own methods, the default layer's file
// right after it.
struct Journal {
    VfsLayer::LayerFile file;
    // The engine keeps the name until the file is closed.
    const char* name;
    std::vector<char>* pending;
    sqlite3_int64 pendingAt;
};

// A database file opened through the layer: every change to it writes its journal out first.
struct Database {
    VfsLayer::LayerFile file;
    const char* name;
};

Journal* JournalOf(sqlite3_file* file) {
    return reinterpret_cast<Journal*>(file);
}

Database* DatabaseOf(sqlite3_file* file) {
    return reinterpret_cast<Database*>(file);
}

// The journals open for writing. A journal is written only under the database's write lock,
// which one connection holds at a time, so a database file has at most one.
std::mutex& JournalsLock() {
    static std::mutex lock;
    return lock;
}

std::vector<Journal*>& OpenJournals() {
    static std::vector<Journal*> journals;
    return journals;
}

// A failed write keeps the buffer: the engine counts its records as journalled, and the next
// write out tries them again.
int Flush(Journal* journal) {
    if (journal->pending->empty()) {
        return SQLITE_OK;
    }
    const int rc = journal->file.below->pMethods->xWrite(
        journal->file.below, journal->pending->data(), static_cast<int>(journal->pending->size()),
        journal->pendingAt);
    if (rc == SQLITE_OK) {
        journal->pending->clear();
    }
    return rc;
}

bool IsJournalOf(const Journal* journal, const Database* database) {
    const std::size_t length = std::strlen(database->name);
    return std::strncmp(journal->name, database->name, length) == 0 &&
           std::strcmp(journal->name + length, JournalSuffix) == 0;
}

// Puts the database's journal on disk before the database file changes.
int FlushJournalOf(const Database* database) {
    const std::lock_guard<std::mutex> guard(JournalsLock());
    for (Journal* journal : OpenJournals()) {
        if (IsJournalOf(journal, database)) {
            if (const int rc = Flush(journal); rc != SQLITE_OK) {
                return rc;
            }
        }
    }
    return SQLITE_OK;
}

int JournalClose(sqlite3_file* file) {
    Journal* journal = JournalOf(file);
    int flushed = SQLITE_OK;
    {
        const std::lock_guard<std::mutex> guard(JournalsLock());
        flushed = Flush(journal);
        auto& journals = OpenJournals();
        journals.erase(std::remove(journals.begin(), journals.end(), journal), journals.end());
    }
    const int closed = journal->file.below->pMethods->xClose(journal->file.below);
    delete journal->pending;
    journal->pending = nullptr;
    return flushed != SQLITE_OK ? flushed : closed;
}

int JournalRead(sqlite3_file* file, void* data, int amount, sqlite3_int64 offset) {
    Journal* journal = JournalOf(file);
    const int rc = Flush(journal);
    return rc != SQLITE_OK
               ? rc
               : journal->file.below->pMethods->xRead(journal->file.below, data, amount, offset);
}

int JournalWrite(sqlite3_file* file, const void* data, int amount, sqlite3_int64 offset) {
    Journal* journal = JournalOf(file);
    std::vector<char>& pending = *journal->pending;
    const auto size = static_cast<std::size_t>(amount);
    const bool follows = !pending.empty() &&
                         offset == journal->pendingAt + static_cast<sqlite3_int64>(pending.size());
    if (!follows || pending.size() + size > BufferBytes) {
        const int rc = Flush(journal);
        if (rc != SQLITE_OK) {
            return rc;
        }
        // The header goes straight out: zeroing it is the commit in the persistent journal mode.
        if (size >= BufferBytes || offset == 0) {
            return journal->file.below->pMethods->xWrite(journal->file.below, data, amount, offset);
        }
        journal->pendingAt = offset;
    }
    const auto* bytes = static_cast<const char*>(data);
    pending.insert(pending.end(), bytes, bytes + size);
    return SQLITE_OK;
}

int JournalTruncate(sqlite3_file* file, sqlite3_int64 size) {
    Journal* journal = JournalOf(file);
    const int rc = Flush(journal);
    return rc != SQLITE_OK ? rc
                           : journal->file.below->pMethods->xTruncate(journal->file.below, size);
}

int JournalSync(sqlite3_file* file, int flags) {
    Journal* journal = JournalOf(file);
    const int rc = Flush(journal);
    return rc != SQLITE_OK ? rc : journal->file.below->pMethods->xSync(journal->file.below, flags);
}

int JournalFileSize(sqlite3_file* file, sqlite3_int64* size) {
    Journal* journal = JournalOf(file);
    const int rc = Flush(journal);
    return rc != SQLITE_OK ? rc
                           : journal->file.below->pMethods->xFileSize(journal->file.below, size);
}

int JournalFileControl(sqlite3_file* file, int operation, void* argument) {
    Journal* journal = JournalOf(file);
    const int rc = Flush(journal);
    return rc != SQLITE_OK ? rc
                           : journal->file.below->pMethods->xFileControl(journal->file.below,
                                                                         operation, argument);
}

// A rollback journal needs no shared memory and no memory mapping.
const sqlite3_io_methods JournalMethods = [] {
    sqlite3_io_methods methods = VfsLayer::PassThrough(1);
    methods.xClose = &JournalClose;
    methods.xRead = &JournalRead;
    methods.xWrite = &JournalWrite;
    methods.xTruncate = &JournalTruncate;
    methods.xSync = &JournalSync;
    methods.xFileSize = &JournalFileSize;
    methods.xFileControl = &JournalFileControl;
    return methods;
}();

const sqlite3_io_methods* Below(sqlite3_file* file) {
    return DatabaseOf(file)->file.below->pMethods;
}

sqlite3_file* Real(sqlite3_file* file) {
    return DatabaseOf(file)->file.below;
}

int DatabaseWrite(sqlite3_file* file, const void* data, int amount, sqlite3_int64 offset) {
    const int rc = FlushJournalOf(DatabaseOf(file));
    return rc != SQLITE_OK ? rc : Below(file)->xWrite(Real(file), data, amount, offset);
}

int DatabaseTruncate(sqlite3_file* file, sqlite3_int64 size) {
    const int rc = FlushJournalOf(DatabaseOf(file));
    return rc != SQLITE_OK ? rc : Below(file)->xTruncate(Real(file), size);
}

int DatabaseSync(sqlite3_file* file, int flags) {
    const int rc = FlushJournalOf(DatabaseOf(file));
    return rc != SQLITE_OK ? rc : Below(file)->xSync(Real(file), flags);
}

// The methods of a database file whose file below has those of `version`.
sqlite3_io_methods DatabaseMethodsOf(int version) {
    sqlite3_io_methods methods = VfsLayer::PassThrough(version);
    methods.xWrite = &DatabaseWrite;
    methods.xTruncate = &DatabaseTruncate;
    methods.xSync = &DatabaseSync;
    return methods;
}

const sqlite3_io_methods DatabaseMethods[] = {DatabaseMethodsOf(1), DatabaseMethodsOf(2),
                                              DatabaseMethodsOf(3)};

int OpenDatabase(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    Database* database = DatabaseOf(file);
    database->name = name;
    const int rc = VfsLayer::OpenBelow(vfs, name, file, sizeof(Database), flags, outFlags);
    if (rc != SQLITE_OK) {
        return rc;
    }
    const int version = std::clamp(database->file.below->pMethods->iVersion, 1, 3);
    database->file.base.pMethods = &DatabaseMethods[version - 1];
    return SQLITE_OK;
}

int OpenJournal(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    Journal* journal = JournalOf(file);
    journal->name = name;
    const int rc = VfsLayer::OpenBelow(vfs, name, file, sizeof(Journal), flags, outFlags);
    if (rc != SQLITE_OK) {
        return rc;
    }
    journal->pending = new (std::nothrow) std::vector<char>();
    if (journal->pending == nullptr) {
        journal->file.below->pMethods->xClose(journal->file.below);
        return SQLITE_NOMEM;
    }
    journal->pending->reserve(BufferBytes);
    journal->pendingAt = 0;
    try {
        const std::lock_guard<std::mutex> guard(JournalsLock());
        OpenJournals().push_back(journal);
    } catch (const std::bad_alloc&) {
        delete journal->pending;
        journal->file.below->pMethods->xClose(journal->file.below);
        return SQLITE_NOMEM;
    }
    journal->file.base.pMethods = &JournalMethods;
    return SQLITE_OK;
}

int Open(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    sqlite3_vfs* parent = VfsLayer::Parent(vfs);
    if (name != nullptr && (flags & SQLITE_OPEN_MAIN_DB) != 0) {
        return OpenDatabase(vfs, name, file, flags, outFlags);
    }
    if (name != nullptr && (flags & SQLITE_OPEN_MAIN_JOURNAL) != 0 &&
        (flags & SQLITE_OPEN_READWRITE) != 0) {
        return OpenJournal(vfs, name, file, flags, outFlags);
    }
    // Every other file is the default layer's own, in place.
    return parent->xOpen(parent, name, file, flags, outFlags);
}

} // namespace

const char* Name() {
    static sqlite3_vfs layer;
    static std::once_flag registered;
    std::call_once(registered, [] {
        VfsLayer::Register(layer, sqlite3_vfs_find(nullptr), VfsName,
                           static_cast<int>(std::max(sizeof(Journal), sizeof(Database))), &Open);
    });
    return VfsName;
}

} // namespace BufferedJournalVfs
