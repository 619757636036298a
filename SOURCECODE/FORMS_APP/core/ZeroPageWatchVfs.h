#pragma once

struct sqlite3;

// The file system layer of the connection that checks a copy. The engine reads an all-zero page
// as a page never written and does not authenticate it, so a page that a disk lost shows as
// zeros and can still pass "PRAGMA quick_check" (the last page of an overflow chain reads as the
// chain's end). The check reads every page that a table, an index, an overflow chain or the free
// list's trunk reaches, and never the free list's leaves nor the lock-byte page, which the engine
// need never write; so this layer notes the first page it hands over all zeros, and exactly the
// pages read as data are tested. Paths are opened as they are given, so the engine can open a
// file without a name through "/proc/self/fd/N".
namespace ZeroPageWatchVfs {

// Registers the layer once (not as the default) and gives its name, for sqlite3_open_v2.
const char* Name();

// The number (from 1) of the first all-zero page the connection's main file read through the
// layer, 0 when none did, -1 when the connection's file is not one of the layer's.
long long FirstZeroPage(sqlite3* db);

} // namespace ZeroPageWatchVfs
