#pragma once

// The engine writes each page it puts into a rollback journal as three small writes (its number,
// the page, a checksum), one system call each, and a large write transaction journals tens of
// thousands of pages. This file system layer over the default one gathers a journal's writes
// that follow one another into one buffer and hands them on in large writes. It is safe on its
// own, whatever the engine's sync setting: the buffer is written out before the database file of
// the journal is written, truncated or synced, and before the journal is synced, read,
// truncated, measured or closed, so the journal is on disk before any page of the database
// changes; its header goes out at once. A write that fails keeps the buffer, which the next one
// tries again. Every other file goes straight through.
namespace BufferedJournalVfs {

// Registers the layer once (not as the default) and gives its name, for sqlite3_open_v2.
const char* Name();

} // namespace BufferedJournalVfs
