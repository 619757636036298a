#include "BufferedJournalVfs.h"

#include "VfsLayer.h"

#include <sqlcipher/sqlite3.h>

#include <cstring>
#include <mutex>
#include <new>
#include <vector>

namespace BufferedJournalVfs {

namespace {

constexpr const char* VfsName = "quorvane-buffered-journal";
// Large enough to make the writes few; the default layer takes no write of 128 KB or more.
constexpr std::size_t BufferBytes = 64 * 1024;

// A journal opened through the layer: its own methods, the default layer's file right after it.
struct Journal {
    sqlite3_file base;
    sqlite3_file* real;
    std::vector<char>* pending;
    sqlite3_int64 pendingAt;
};

Journal* Of(sqlite3_file* file) {
    return reinterpret_cast<Journal*>(file);
}

int Flush(Journal* journal) {
    if (journal->pending->empty()) {
        return SQLITE_OK;
    }
    const int rc = journal->real->pMethods->xWrite(journal->real, journal->pending->data(),
                                                   static_cast<int>(journal->pending->size()),
                                                   journal->pendingAt);
    journal->pending->clear();
    return rc;
}

int Close(sqlite3_file* file) {
    Journal* journal = Of(file);
    const int flushed = Flush(journal);
    const int closed = journal->real->pMethods->xClose(journal->real);
    delete journal->pending;
    journal->pending = nullptr;
    return flushed != SQLITE_OK ? flushed : closed;
}

int Read(sqlite3_file* file, void* data, int amount, sqlite3_int64 offset) {
    Journal* journal = Of(file);
    const int rc = Flush(journal);
    return rc != SQLITE_OK ? rc
                           : journal->real->pMethods->xRead(journal->real, data, amount, offset);
}

int Write(sqlite3_file* file, const void* data, int amount, sqlite3_int64 offset) {
    Journal* journal = Of(file);
    std::vector<char>& pending = *journal->pending;
    const auto size = static_cast<std::size_t>(amount);
    const bool follows = !pending.empty() &&
                         offset == journal->pendingAt + static_cast<sqlite3_int64>(pending.size());
    if (!follows || pending.size() + size > BufferBytes) {
        const int rc = Flush(journal);
        if (rc != SQLITE_OK) {
            return rc;
        }
        if (size >= BufferBytes) {
            return journal->real->pMethods->xWrite(journal->real, data, amount, offset);
        }
        journal->pendingAt = offset;
    }
    const auto* bytes = static_cast<const char*>(data);
    pending.insert(pending.end(), bytes, bytes + size);
    return SQLITE_OK;
}

int Truncate(sqlite3_file* file, sqlite3_int64 size) {
    Journal* journal = Of(file);
    const int rc = Flush(journal);
    return rc != SQLITE_OK ? rc : journal->real->pMethods->xTruncate(journal->real, size);
}

int Sync(sqlite3_file* file, int flags) {
    Journal* journal = Of(file);
    const int rc = Flush(journal);
    return rc != SQLITE_OK ? rc : journal->real->pMethods->xSync(journal->real, flags);
}

int FileSize(sqlite3_file* file, sqlite3_int64* size) {
    Journal* journal = Of(file);
    const int rc = Flush(journal);
    return rc != SQLITE_OK ? rc : journal->real->pMethods->xFileSize(journal->real, size);
}

int Lock(sqlite3_file* file, int level) {
    Journal* journal = Of(file);
    return journal->real->pMethods->xLock(journal->real, level);
}

int Unlock(sqlite3_file* file, int level) {
    Journal* journal = Of(file);
    return journal->real->pMethods->xUnlock(journal->real, level);
}

int CheckReservedLock(sqlite3_file* file, int* reserved) {
    Journal* journal = Of(file);
    return journal->real->pMethods->xCheckReservedLock(journal->real, reserved);
}

int FileControl(sqlite3_file* file, int operation, void* argument) {
    Journal* journal = Of(file);
    const int rc = Flush(journal);
    return rc != SQLITE_OK
               ? rc
               : journal->real->pMethods->xFileControl(journal->real, operation, argument);
}

int SectorSize(sqlite3_file* file) {
    Journal* journal = Of(file);
    return journal->real->pMethods->xSectorSize(journal->real);
}

int DeviceCharacteristics(sqlite3_file* file) {
    Journal* journal = Of(file);
    return journal->real->pMethods->xDeviceCharacteristics(journal->real);
}

const sqlite3_io_methods JournalMethods = {
    1, // a rollback journal needs no shared memory and no memory mapping
    &Close,
    &Read,
    &Write,
    &Truncate,
    &Sync,
    &FileSize,
    &Lock,
    &Unlock,
    &CheckReservedLock,
    &FileControl,
    &SectorSize,
    &DeviceCharacteristics,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

int Open(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    sqlite3_vfs* parent = VfsLayer::Parent(vfs);
    if ((flags & SQLITE_OPEN_MAIN_JOURNAL) == 0) {
        // Every other file is the default layer's own, in place.
        return parent->xOpen(parent, name, file, flags, outFlags);
    }
    Journal* journal = Of(file);
    journal->base.pMethods = nullptr;
    journal->real = reinterpret_cast<sqlite3_file*>(journal + 1);
    const int rc = parent->xOpen(parent, name, journal->real, flags, outFlags);
    if (rc != SQLITE_OK) {
        return rc;
    }
    journal->pending = new (std::nothrow) std::vector<char>();
    if (journal->pending == nullptr) {
        journal->real->pMethods->xClose(journal->real);
        return SQLITE_NOMEM;
    }
    journal->pending->reserve(BufferBytes);
    journal->pendingAt = 0;
    journal->base.pMethods = &JournalMethods;
    return SQLITE_OK;
}

} // namespace

const char* Name() {
    static sqlite3_vfs layer;
    static std::once_flag registered;
    std::call_once(registered, [] {
        VfsLayer::Register(layer, sqlite3_vfs_find(nullptr), VfsName,
                           static_cast<int>(sizeof(Journal)), &Open);
    });
    return VfsName;
}

} // namespace BufferedJournalVfs
