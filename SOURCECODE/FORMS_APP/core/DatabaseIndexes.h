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

// The index that covers the distinct pairs of the two columns, for a look-up to name, since the
// planner would otherwise read the table; "" when no index covers them.
QString CoveringPairs(const QString& column1, const QString& column2);

// Adds the missing indexes to the named database (the configured one when empty) and drops the
// ones an older version made that no query needs any more; false when one could not be made,
// which is logged.
bool AddMissing(const QString& databaseName = QString());

} // namespace DatabaseIndexes
