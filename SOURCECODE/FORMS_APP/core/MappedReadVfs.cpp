#include "MappedReadVfs.h"

#include "BufferedJournalVfs.h"

#include "VfsLayer.h"

#include <sqlcipher/sqlite3.h>

#include <sys/vfs.h>

#include <array>
#include <cstring>
#include <mutex>

namespace MappedReadVfs {

namespace {

constexpr const char* VfsName = "quorvane-mapped-read";
// The default layer maps at most what the engine was built for (2 GB); pages beyond it are read.
constexpr sqlite3_int64 MapLimit = sqlite3_int64{1} << 40;

// Local file systems, where every process sees one page cache: ext2 to ext4, XFS, Btrfs, tmpfs
// and F2FS.
constexpr std::array<unsigned long, 5> LocalFileSystems = {0xEF53UL, 0x58465342UL, 0x9123683EUL,
                                                           0x01021994UL, 0xF2F52010UL};

// A database file opened through the layer: its own methods, the lower layer's file right after.
struct Database {
    sqlite3_file base;
    sqlite3_file* real;
    int lock;
    bool mapped;
};

Database* Of(sqlite3_file* file) {
    return reinterpret_cast<Database*>(file);
}

const sqlite3_io_methods* Real(Database* db) {
    return db->real->pMethods;
}

bool OnLocalDisk(const char* name) {
    struct statfs info {};
    if (name == nullptr || statfs(name, &info) != 0) {
        return false;
    }
    const auto type = static_cast<unsigned long>(info.f_type);
    for (const unsigned long local : LocalFileSystems) {
        if (type == local) {
            return true;
        }
    }
    return false;
}

void Unmap(Database* db) {
    if (db->mapped) {
        Real(db)->xUnfetch(db->real, 0, nullptr);
    }
}

int Close(sqlite3_file* file) {
    Database* db = Of(file);
    return Real(db)->xClose(db->real);
}

int Read(sqlite3_file* file, void* data, int amount, sqlite3_int64 offset) {
    Database* db = Of(file);
    void* mapped = nullptr;
    if (db->mapped && db->lock != SQLITE_LOCK_NONE &&
        Real(db)->xFetch(db->real, offset, amount, &mapped) == SQLITE_OK && mapped != nullptr) {
        std::memcpy(data, mapped, static_cast<std::size_t>(amount));
        return Real(db)->xUnfetch(db->real, offset, mapped);
    }
    return Real(db)->xRead(db->real, data, amount, offset);
}

int Write(sqlite3_file* file, const void* data, int amount, sqlite3_int64 offset) {
    Database* db = Of(file);
    return Real(db)->xWrite(db->real, data, amount, offset);
}

int Truncate(sqlite3_file* file, sqlite3_int64 size) {
    Database* db = Of(file);
    return Real(db)->xTruncate(db->real, size);
}

int Sync(sqlite3_file* file, int flags) {
    Database* db = Of(file);
    return Real(db)->xSync(db->real, flags);
}

int FileSize(sqlite3_file* file, sqlite3_int64* size) {
    Database* db = Of(file);
    return Real(db)->xFileSize(db->real, size);
}

int Lock(sqlite3_file* file, int level) {
    Database* db = Of(file);
    const int rc = Real(db)->xLock(db->real, level);
    if (rc == SQLITE_OK) {
        if (db->lock == SQLITE_LOCK_NONE) {
            // The file may have grown since the last lock: the next read maps all of it.
            Unmap(db);
        }
        db->lock = level;
    }
    return rc;
}

int Unlock(sqlite3_file* file, int level) {
    Database* db = Of(file);
    if (level == SQLITE_LOCK_NONE) {
        // No map outlives the lock it was made under.
        Unmap(db);
    }
    const int rc = Real(db)->xUnlock(db->real, level);
    if (rc == SQLITE_OK) {
        db->lock = level;
    }
    return rc;
}

int CheckReservedLock(sqlite3_file* file, int* reserved) {
    Database* db = Of(file);
    return Real(db)->xCheckReservedLock(db->real, reserved);
}

int FileControl(sqlite3_file* file, int operation, void* argument) {
    Database* db = Of(file);
    return Real(db)->xFileControl(db->real, operation, argument);
}

int SectorSize(sqlite3_file* file) {
    Database* db = Of(file);
    return Real(db)->xSectorSize(db->real);
}

int DeviceCharacteristics(sqlite3_file* file) {
    Database* db = Of(file);
    return Real(db)->xDeviceCharacteristics(db->real);
}

const sqlite3_io_methods DatabaseMethods = {
    1, // the engine itself sees no shared memory and no map: it encrypts every page
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
    if ((flags & SQLITE_OPEN_MAIN_DB) == 0 || !OnLocalDisk(name)) {
        return parent->xOpen(parent, name, file, flags, outFlags);
    }
    Database* db = Of(file);
    db->base.pMethods = nullptr;
    db->real = reinterpret_cast<sqlite3_file*>(db + 1);
    db->lock = SQLITE_LOCK_NONE;
    db->mapped = false;
    const int rc = parent->xOpen(parent, name, db->real, flags, outFlags);
    if (rc != SQLITE_OK) {
        return rc;
    }
    // Where the lower layer cannot map, every page is read as before.
    sqlite3_int64 limit = MapLimit;
    db->mapped = Real(db)->iVersion >= 3 &&
                 Real(db)->xFileControl(db->real, SQLITE_FCNTL_MMAP_SIZE, &limit) == SQLITE_OK &&
                 limit > 0;
    db->base.pMethods = &DatabaseMethods;
    return SQLITE_OK;
}

} // namespace

const char* Name() {
    static sqlite3_vfs layer;
    static std::once_flag registered;
    std::call_once(registered, [] {
        VfsLayer::Register(layer, sqlite3_vfs_find(BufferedJournalVfs::Name()), VfsName,
                           static_cast<int>(sizeof(Database)), &Open);
    });
    return VfsName;
}

} // namespace MappedReadVfs
