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
    VfsLayer::LayerFile file;
    sqlite3_int64 firstZeroPage;
};

Watched* Of(sqlite3_file* file) {
    return reinterpret_cast<Watched*>(file);
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

int Read(sqlite3_file* file, void* data, int amount, sqlite3_int64 offset) {
    Watched* watched = Of(file);
    sqlite3_file* below = watched->file.below;
    const int rc = below->pMethods->xRead(below, data, amount, offset);
    if (rc == SQLITE_OK && IsPageRead(amount, offset) && IsAllZeros(data, amount)) {
        const sqlite3_int64 page = offset / amount + 1;
        if (watched->firstZeroPage == 0 || page < watched->firstZeroPage) {
            watched->firstZeroPage = page;
        }
    }
    return rc;
}

// Version 1: no map and no shared memory, so every page the engine uses comes through Read.
const sqlite3_io_methods WatchedMethods = [] {
    sqlite3_io_methods methods = VfsLayer::PassThrough(1);
    methods.xRead = &Read;
    return methods;
}();

int Open(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    sqlite3_vfs* parent = VfsLayer::Parent(vfs);
    if ((flags & SQLITE_OPEN_MAIN_DB) == 0) {
        return parent->xOpen(parent, name, file, flags, outFlags);
    }
    Watched* watched = Of(file);
    watched->firstZeroPage = 0;
    const int rc = VfsLayer::OpenBelow(vfs, name, file, sizeof(Watched), flags, outFlags);
    if (rc != SQLITE_OK) {
        return rc;
    }
    watched->file.base.pMethods = &WatchedMethods;
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
