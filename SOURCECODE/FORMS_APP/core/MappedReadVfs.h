#pragma once

// A transaction that reads tens of thousands of pages reads each with a system call of its own,
// and another workstation's commit makes the next transaction read them all again. This file
// system layer reads a database file on a local disk through the default layer's memory map
// instead, one copy from memory a page. The map is made afresh under each lock and dropped when
// the last lock goes, so it covers the file as it is while no other process may change it; the
// engine never reads beyond the file's end, and a page beyond the map is read as before. Files
// on other file systems (network shares, whose page cache need not follow another computer's
// writes), journals and every other file go to the layer below unchanged: the buffered-journal
// one.
namespace MappedReadVfs {

// Registers the layer once (not as the default) and gives its name, for sqlite3_open_v2.
const char* Name();

} // namespace MappedReadVfs
