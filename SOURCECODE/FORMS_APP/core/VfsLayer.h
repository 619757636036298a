#pragma once

struct sqlite3_vfs;
struct sqlite3_file;

// What a file system layer over another one shares: every call but opening a file goes to the
// layer below, which the layer keeps in its pAppData.
namespace VfsLayer {

using OpenFile = int (*)(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags,
                         int* outFlags);

// The layer below.
sqlite3_vfs* Parent(sqlite3_vfs* vfs);

// Makes `layer` a layer named `name` over `parent` whose files take `fileBytes` of their own
// before the parent's, opens them with `open` and registers it (not as the default).
void Register(sqlite3_vfs& layer, sqlite3_vfs* parent, const char* name, int fileBytes,
              OpenFile open);

} // namespace VfsLayer
