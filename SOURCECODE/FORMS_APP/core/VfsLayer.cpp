#include "VfsLayer.h"

#include <sqlcipher/sqlite3.h>

namespace VfsLayer {

namespace {

int Delete(sqlite3_vfs* vfs, const char* name, int syncDirectory) {
    return Parent(vfs)->xDelete(Parent(vfs), name, syncDirectory);
}
int Access(sqlite3_vfs* vfs, const char* name, int flags, int* result) {
    return Parent(vfs)->xAccess(Parent(vfs), name, flags, result);
}
int FullPathname(sqlite3_vfs* vfs, const char* name, int size, char* out) {
    return Parent(vfs)->xFullPathname(Parent(vfs), name, size, out);
}
void* DlOpen(sqlite3_vfs* vfs, const char* name) {
    return Parent(vfs)->xDlOpen(Parent(vfs), name);
}
void DlError(sqlite3_vfs* vfs, int size, char* out) {
    Parent(vfs)->xDlError(Parent(vfs), size, out);
}
void (*DlSym(sqlite3_vfs* vfs, void* library, const char* symbol))(void) {
    return Parent(vfs)->xDlSym(Parent(vfs), library, symbol);
}
void DlClose(sqlite3_vfs* vfs, void* library) {
    Parent(vfs)->xDlClose(Parent(vfs), library);
}
int Randomness(sqlite3_vfs* vfs, int size, char* out) {
    return Parent(vfs)->xRandomness(Parent(vfs), size, out);
}
int Sleep(sqlite3_vfs* vfs, int microseconds) {
    return Parent(vfs)->xSleep(Parent(vfs), microseconds);
}
int CurrentTime(sqlite3_vfs* vfs, double* now) {
    return Parent(vfs)->xCurrentTime(Parent(vfs), now);
}
int GetLastError(sqlite3_vfs* vfs, int size, char* out) {
    return Parent(vfs)->xGetLastError(Parent(vfs), size, out);
}
int CurrentTimeInt64(sqlite3_vfs* vfs, sqlite3_int64* now) {
    return Parent(vfs)->xCurrentTimeInt64(Parent(vfs), now);
}

sqlite3_file* Below(sqlite3_file* file) {
    return reinterpret_cast<LayerFile*>(file)->below;
}
const sqlite3_io_methods* MethodsBelow(sqlite3_file* file) {
    return Below(file)->pMethods;
}

int Close(sqlite3_file* file) {
    return MethodsBelow(file)->xClose(Below(file));
}
int Read(sqlite3_file* file, void* data, int amount, sqlite3_int64 offset) {
    return MethodsBelow(file)->xRead(Below(file), data, amount, offset);
}
int Write(sqlite3_file* file, const void* data, int amount, sqlite3_int64 offset) {
    return MethodsBelow(file)->xWrite(Below(file), data, amount, offset);
}
int Truncate(sqlite3_file* file, sqlite3_int64 size) {
    return MethodsBelow(file)->xTruncate(Below(file), size);
}
int Sync(sqlite3_file* file, int flags) {
    return MethodsBelow(file)->xSync(Below(file), flags);
}
int FileSize(sqlite3_file* file, sqlite3_int64* size) {
    return MethodsBelow(file)->xFileSize(Below(file), size);
}
int Lock(sqlite3_file* file, int level) {
    return MethodsBelow(file)->xLock(Below(file), level);
}
int Unlock(sqlite3_file* file, int level) {
    return MethodsBelow(file)->xUnlock(Below(file), level);
}
int CheckReservedLock(sqlite3_file* file, int* reserved) {
    return MethodsBelow(file)->xCheckReservedLock(Below(file), reserved);
}
int FileControl(sqlite3_file* file, int operation, void* argument) {
    return MethodsBelow(file)->xFileControl(Below(file), operation, argument);
}
int SectorSize(sqlite3_file* file) {
    return MethodsBelow(file)->xSectorSize(Below(file));
}
int DeviceCharacteristics(sqlite3_file* file) {
    return MethodsBelow(file)->xDeviceCharacteristics(Below(file));
}
int ShmMap(sqlite3_file* file, int region, int size, int extend, void volatile** memory) {
    return MethodsBelow(file)->xShmMap(Below(file), region, size, extend, memory);
}
int ShmLock(sqlite3_file* file, int offset, int count, int flags) {
    return MethodsBelow(file)->xShmLock(Below(file), offset, count, flags);
}
void ShmBarrier(sqlite3_file* file) {
    MethodsBelow(file)->xShmBarrier(Below(file));
}
int ShmUnmap(sqlite3_file* file, int deleteFlag) {
    return MethodsBelow(file)->xShmUnmap(Below(file), deleteFlag);
}
int Fetch(sqlite3_file* file, sqlite3_int64 offset, int amount, void** memory) {
    return MethodsBelow(file)->xFetch(Below(file), offset, amount, memory);
}
int Unfetch(sqlite3_file* file, sqlite3_int64 offset, void* memory) {
    return MethodsBelow(file)->xUnfetch(Below(file), offset, memory);
}

} // namespace

sqlite3_vfs* Parent(sqlite3_vfs* vfs) {
    return static_cast<sqlite3_vfs*>(vfs->pAppData);
}

void Register(sqlite3_vfs& layer, sqlite3_vfs* parent, const char* name, int fileBytes,
              OpenFile open) {
    layer.iVersion = 2;
    layer.szOsFile = fileBytes + parent->szOsFile;
    layer.mxPathname = parent->mxPathname;
    layer.zName = name;
    layer.pAppData = parent;
    layer.xOpen = open;
    layer.xDelete = &Delete;
    layer.xAccess = &Access;
    layer.xFullPathname = &FullPathname;
    layer.xDlOpen = &DlOpen;
    layer.xDlError = &DlError;
    layer.xDlSym = &DlSym;
    layer.xDlClose = &DlClose;
    layer.xRandomness = &Randomness;
    layer.xSleep = &Sleep;
    layer.xCurrentTime = &CurrentTime;
    layer.xGetLastError = &GetLastError;
    layer.xCurrentTimeInt64 = &CurrentTimeInt64;
    sqlite3_vfs_register(&layer, 0);
}

int OpenBelow(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, std::size_t ownBytes,
              int flags, int* outFlags) {
    auto* layerFile = reinterpret_cast<LayerFile*>(file);
    layerFile->base.pMethods = nullptr;
    layerFile->below = reinterpret_cast<sqlite3_file*>(reinterpret_cast<char*>(file) + ownBytes);
    sqlite3_vfs* parent = Parent(vfs);
    return parent->xOpen(parent, name, layerFile->below, flags, outFlags);
}

sqlite3_io_methods PassThrough(int version) {
    const bool shared = version >= 2;
    const bool mapped = version >= 3;
    return {
        mapped   ? 3
        : shared ? 2
                 : 1,
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
        shared ? &ShmMap : nullptr,
        shared ? &ShmLock : nullptr,
        shared ? &ShmBarrier : nullptr,
        shared ? &ShmUnmap : nullptr,
        mapped ? &Fetch : nullptr,
        mapped ? &Unfetch : nullptr,
    };
}

} // namespace VfsLayer
