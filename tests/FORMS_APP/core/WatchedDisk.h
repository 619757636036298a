#pragma once

#include "core/VfsLayer.h"

#include <sqlcipher/sqlite3.h>

#include <functional>
#include <mutex>

// A file system layer of the test's own over the engine's default one, made the default itself:
// every connection the process opens after Install goes through it, and so does every layer of
// the program that is first used after it. Every call goes on to the default layer unchanged; a
// test sees a write or a delete before it happens, and may fail a write or end the process at one.
namespace WatchedDisk {

enum class File { Database, Journal, Other };

struct Hooks {
    // Before a write reaches the file; a result other than SQLITE_OK fails it instead.
    std::function<int(File file, const char* name, sqlite3_int64 offset, int amount)> beforeWrite;
    // After a write has reached the file.
    std::function<void(File file, const char* name)> afterWrite;
    // Before a file is deleted, with the engine's request to sync its folder afterwards.
    std::function<void(const char* name, int syncDirectory)> beforeDelete;
};

// What the layer does now; empty hooks do nothing.
inline Hooks& Current() {
    static Hooks hooks;
    return hooks;
}

namespace Detail {

struct Handle {
    VfsLayer::LayerFile layer;
    File file;
    const char* name;
};

inline sqlite3_vfs& Layer() {
    static sqlite3_vfs layer;
    return layer;
}

inline Handle* Of(sqlite3_file* file) {
    return reinterpret_cast<Handle*>(file);
}

inline int Write(sqlite3_file* file, const void* data, int amount, sqlite3_int64 offset) {
    Handle* handle = Of(file);
    if (Current().beforeWrite) {
        const int rc = Current().beforeWrite(handle->file, handle->name, offset, amount);
        if (rc != SQLITE_OK) {
            return rc;
        }
    }
    sqlite3_file* below = handle->layer.below;
    const int rc = below->pMethods->xWrite(below, data, amount, offset);
    if (rc == SQLITE_OK && Current().afterWrite) {
        Current().afterWrite(handle->file, handle->name);
    }
    return rc;
}
// The default layer's files have every method of version 3.
inline const sqlite3_io_methods Methods = [] {
    sqlite3_io_methods methods = VfsLayer::PassThrough(3);
    methods.xWrite = &Write;
    return methods;
}();

inline int Open(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    Handle* handle = Of(file);
    handle->file = (flags & SQLITE_OPEN_MAIN_DB) != 0        ? File::Database
                   : (flags & SQLITE_OPEN_MAIN_JOURNAL) != 0 ? File::Journal
                                                             : File::Other;
    handle->name = name;
    const int rc = VfsLayer::OpenBelow(vfs, name, file, sizeof(Handle), flags, outFlags);
    if (rc == SQLITE_OK) {
        handle->layer.base.pMethods = &Methods;
    }
    return rc;
}

inline int Delete(sqlite3_vfs* vfs, const char* name, int syncDirectory) {
    if (Current().beforeDelete) {
        Current().beforeDelete(name, syncDirectory);
    }
    sqlite3_vfs* below = VfsLayer::Parent(vfs);
    return below->xDelete(below, name, syncDirectory);
}

} // namespace Detail

// Puts the layer in place once, as the default.
inline void Install() {
    static std::once_flag installed;
    std::call_once(installed, [] {
        sqlite3_vfs& layer = Detail::Layer();
        VfsLayer::Register(layer, sqlite3_vfs_find(nullptr), "quorvane-watched-disk",
                           static_cast<int>(sizeof(Detail::Handle)), &Detail::Open);
        layer.xDelete = &Detail::Delete;
        sqlite3_vfs_register(&layer, 1);
    });
}

// The layer itself, to check which layer another one sits on.
inline sqlite3_vfs* Layer() {
    return &Detail::Layer();
}

} // namespace WatchedDisk
