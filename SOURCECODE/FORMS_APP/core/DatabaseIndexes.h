#pragma once

#include <QString>
#include <QStringList>

// The indexes the program's queries need on a register of a million visits, in one place: the
// installation data tool creates them with the tables, and start-up adds those an older register
// lacks. Plain columns and expressions only, with no collation of our own, so the sqlcipher shell
// can still read and write the file.
namespace DatabaseIndexes {

// One "CREATE INDEX IF NOT EXISTS" statement an index.
QStringList Statements();

// Adds the missing indexes to the named database (the configured one when empty); false when
// one could not be made, which is logged.
bool AddMissing(const QString& databaseName = QString());

} // namespace DatabaseIndexes
