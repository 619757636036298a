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
// planner would otherwise read the table; "" when no index covers them. The (to meet,
// department) pairs have a value list; their index is an older version's.
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

// What a reader may take from the named database (the configured one when empty): its value
// lists; none, so the indexes of an older version are its way (a register whose migration has
// not got through yet); or nothing, since its schema could not be read, and a reading without
// the lists could meet a register with no index behind it. A process that has seen the lists
// remembers them, so a reading costs no look-up of its own.
enum class ListsState { Present, Absent, Unknown };
ListsState ValueListsOf(const QString& databaseName = QString());
// The index an older version stepped through for the distinct values of a column that now has
// a value list, and for the other columns their own index; "" when none is known.
QString DistinctValuesIndex(const QString& column);

// The version of the schema this program makes and reads, kept in the register's
// user_version; a register of an earlier version has 0. Every desk on one register runs one
// version.
constexpr int SchemaVersion = 1;

enum class Migration {
    Current,    // the register was at this version already (another desk may have just done it)
    Migrated,   // brought to this version now
    Newer,      // made by a newer version: this program must not touch it; nothing changed
    Failed,     // could not be done now (logged); nothing changed, the next start tries again
    Unreadable, // the version could not be read (logged)
};

// Brings a register of an earlier version (the configured one when empty) to this one in one
// write transaction: adds the missing indexes and value lists, a value list filled from the
// visits with its triggers, and drops the indexes an older version made that no query needs
// any more; on a register of this version it adds only what is missing. The schema and version
// are read again under the write lock, so of two desks that start together one does the work.
// The changed pages stay in memory until the commit, so other desks read on meanwhile, and a
// reader that holds on past the busy timeout makes it fail.
Migration Migrate(const QString& databaseName = QString());

// Migrate for the tools: true when the register is at this version afterwards.
bool AddMissing(const QString& databaseName = QString());

} // namespace DatabaseIndexes
