#pragma once

#include <QString>
#include <QStringList>

// The sqlcipher shell, a process of its own with the engine's own crypto, on a database file.
namespace SqlcipherShell {

// Keys the file with `key` (quotes doubled already) and runs the script; what it printed. A shell
// that cannot start, fails or writes to its error output fails the test.
QString Run(const QString& file, const QString& key, const QString& script);

// As Run: the lines it printed, blank ones left out.
QStringList Lines(const QString& file, const QString& key, const QString& script);

} // namespace SqlcipherShell
