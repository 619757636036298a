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

// Value lists. Where most visitors bring a value of their own (hundreds of thousands of
// companies, tens of thousands of persons to meet), an index in value order over every visit
// has most of its pages rewritten by every short transaction of a purge. These tables hold each
// value once, with the number of visits that carry it, kept by triggers on the register for
// every writer (the sqlcipher shell too); a value whose count fell to 0 is no longer in the
// register, and the purge removes such rows.
//
// The tables and triggers, for a new register ("IF NOT EXISTS").
QStringList ValueListStatements();
// The list of a column's distinct values: [<table>] with the column and [Visits]; "" when the
// column has none.
QString ValueList(const QString& column);
// The list of the distinct pairs of two columns, as ValueList; "" when the pair has none.
QString PairList(const QString& column1, const QString& column2);
// The statements that remove the rows of values no visit carries any more.
QStringList RemoveUnusedValues();
// True when the named database (the configured one when empty) holds every value list.
bool HasValueLists(const QString& databaseName = QString());

// Adds the missing indexes and value lists to the named database (the configured one when
// empty), a value list filled from the visits in the same transaction that makes its triggers,
// and drops the indexes an older version made that no query needs any more; false when one could
// not be made, which is logged.
bool AddMissing(const QString& databaseName = QString());

} // namespace DatabaseIndexes
