#include "ZeroPageWatchVfs.h"

#include "VfsLayer.h"

#include <sqlcipher/sqlite3.h>

#include <cstring>
#include <mutex>

namespace ZeroPageWatchVfs {

namespace {

constexpr const char* VfsName = "quorvane-zero-page-watch";
// The engine's page sizes.
constexpr int MinPageSize = 512;
constexpr int MaxPageSize = 65536;

// A main database file opened through the layer: its own methods, the lower layer's file right
// after.
struct Watched {
    sqlite3_file base;
    sqlite3_file* real;
    sqlite3_int64 firstZeroPage;
};

Watched* Of(sqlite3_file* file) {
    return reinterpret_cast<Watched*>(file);
}

const sqlite3_io_methods* Real(Watched* watched) {
    return watched->real->pMethods;
}

// The pager reads a page whole, at a multiple of its size; the header alone is read in 100 bytes.
bool IsPageRead(int amount, sqlite3_int64 offset) {
    return amount >= MinPageSize && amount <= MaxPageSize && (amount & (amount - 1)) == 0 &&
           offset % amount == 0;
}

bool IsAllZeros(const void* data, int amount) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    return bytes[0] == 0 &&
           std::memcmp(bytes, bytes + 1, static_cast<std::size_t>(amount) - 1) == 0;
}

int Close(sqlite3_file* file) {
    Watched* watched = Of(file);
    return Real(watched)->xClose(watched->real);
}

int Read(sqlite3_file* file, void* data, int amount, sqlite3_int64 offset) {
    Watched* watched = Of(file);
    const int rc = Real(watched)->xRead(watched->real, data, amount, offset);
    if (rc == SQLITE_OK && IsPageRead(amount, offset) && IsAllZeros(data, amount)) {
        const sqlite3_int64 page = offset / amount + 1;
        if (watched->firstZeroPage == 0 || page < watched->firstZeroPage) {
            watched->firstZeroPage = page;
        }
    }
    return rc;
}

int Write(sqlite3_file* file, const void* data, int amount, sqlite3_int64 offset) {
    Watched* watched = Of(file);
    return Real(watched)->xWrite(watched->real, data, amount, offset);
}

int Truncate(sqlite3_file* file, sqlite3_int64 size) {
    Watched* watched = Of(file);
    return Real(watched)->xTruncate(watched->real, size);
}

int Sync(sqlite3_file* file, int flags) {
    Watched* watched = Of(file);
    return Real(watched)->xSync(watched->real, flags);
}

int FileSize(sqlite3_file* file, sqlite3_int64* size) {
    Watched* watched = Of(file);
    return Real(watched)->xFileSize(watched->real, size);
}

int Lock(sqlite3_file* file, int level) {
    Watched* watched = Of(file);
    return Real(watched)->xLock(watched->real, level);
}

int Unlock(sqlite3_file* file, int level) {
    Watched* watched = Of(file);
    return Real(watched)->xUnlock(watched->real, level);
}

int CheckReservedLock(sqlite3_file* file, int* reserved) {
    Watched* watched = Of(file);
    return Real(watched)->xCheckReservedLock(watched->real, reserved);
}

int FileControl(sqlite3_file* file, int operation, void* argument) {
    Watched* watched = Of(file);
    return Real(watched)->xFileControl(watched->real, operation, argument);
}

int SectorSize(sqlite3_file* file) {
    Watched* watched = Of(file);
    return Real(watched)->xSectorSize(watched->real);
}

int DeviceCharacteristics(sqlite3_file* file) {
    Watched* watched = Of(file);
    return Real(watched)->xDeviceCharacteristics(watched->real);
}

const sqlite3_io_methods WatchedMethods = {
    1, // no map and no shared memory: every page the engine uses comes through Read
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
    if ((flags & SQLITE_OPEN_MAIN_DB) == 0) {
        return parent->xOpen(parent, name, file, flags, outFlags);
    }
    Watched* watched = Of(file);
    watched->base.pMethods = nullptr;
    watched->real = reinterpret_cast<sqlite3_file*>(watched + 1);
    watched->firstZeroPage = 0;
    const int rc = parent->xOpen(parent, name, watched->real, flags, outFlags);
    if (rc != SQLITE_OK) {
        return rc;
    }
    watched->base.pMethods = &WatchedMethods;
    return SQLITE_OK;
}

// The engine would resolve "/proc/self/fd/N" of a file without a name to a name that does not
// exist.
int VerbatimFullPathname(sqlite3_vfs* /*vfs*/, const char* name, int size, char* out) {
    const std::size_t length = std::strlen(name);
    if (name[0] != '/' || length >= static_cast<std::size_t>(size)) {
        return SQLITE_CANTOPEN;
    }
    std::memcpy(out, name, length + 1);
    return SQLITE_OK;
}

} // namespace

const char* Name() {
    static sqlite3_vfs layer;
    static std::once_flag registered;
    std::call_once(registered, [] {
        VfsLayer::Register(layer, sqlite3_vfs_find(nullptr), VfsName,
                           static_cast<int>(sizeof(Watched)), &Open);
        // Before any connection can use the layer.
        layer.xFullPathname = &VerbatimFullPathname;
    });
    return VfsName;
}

long long FirstZeroPage(sqlite3* db) {
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK ||
        file == nullptr || file->pMethods != &WatchedMethods) {
        return -1;
    }
    return Of(file)->firstZeroPage;
}

} // namespace ZeroPageWatchVfs
