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

} // namespace VfsLayer
