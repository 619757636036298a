#pragma once

#include <sqlcipher/sqlite3.h>

#include <cstddef>

// What a file system layer over another one shares: every call but opening a file goes to the
// layer below, which the layer keeps in its pAppData.
namespace VfsLayer {

using OpenFile = int (*)(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags,
                         int* outFlags);

// How every file a layer opens begins: the engine's part, then the file of the layer below,
// which the layer keeps right after its own part.
struct LayerFile {
    sqlite3_file base;
    sqlite3_file* below;
};

// The layer below.
sqlite3_vfs* Parent(sqlite3_vfs* vfs);

// Makes `layer` a layer named `name` over `parent` whose files take `fileBytes` of their own
// before the parent's, opens them with `open` and registers it (not as the default).
void Register(sqlite3_vfs& layer, sqlite3_vfs* parent, const char* name, int fileBytes,
              OpenFile open);

// Opens the file below a file of the layer whose own part takes `ownBytes` (a LayerFile first):
// the file below goes right after it. The file has no methods until the layer sets them, which
// it does only when this answers SQLITE_OK.
int OpenBelow(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, std::size_t ownBytes,
              int flags, int* outFlags);

// The methods of a file that hand every call to its file below, of the methods' `version` (1
// to 3, as the file below has them): a layer takes them and replaces the calls it changes.
sqlite3_io_methods PassThrough(int version);

} // namespace VfsLayer
