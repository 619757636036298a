#include "DatabaseIndexes.h"

#include "DBManager.h"

#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <optional>
#include <vector>

namespace DatabaseIndexes {

namespace {

constexpr const char* NamePairs = "IX_VisitorRegister_CheckedInNameCompany";

// Made by earlier versions; dropped at start when present. The company and (to meet,
// department) indexes gave way to value lists.
const QStringList& Obsolete() {
    static const QStringList names = {QStringLiteral("IX_VisitorRegister_NameCompany"),
                                      QStringLiteral("IX_VisitorRegister_Company"),
                                      QStringLiteral("IX_VisitorRegister_ToMeetDepartment")};
    return names;
}

struct List {
    const char* table;
    QStringList columns;
};

// A drop-down lists the non-empty values; the quick pick's LIKE filters match every value of a
// pair but a missing one.
const std::vector<List>& Lists() {
    static const std::vector<List> lists = {
        {"VisitorCompanies", {QStringLiteral("Company")}},
        {"VisitorPersonsToMeet", {QStringLiteral("ToMeet")}},
        {"VisitorToMeetDepartments", {QStringLiteral("ToMeet"), QStringLiteral("Department")}},
    };
    return lists;
}

constexpr const char* OnInsert = "VisitorRegister_CountValuesOnInsert";
constexpr const char* OnDelete = "VisitorRegister_CountValuesOnDelete";
constexpr const char* OnUpdate = "VisitorRegister_CountValuesOnUpdate";

QString Column(const QString& row, const QString& column) {
    return (row.isEmpty() ? QString() : row + u'.') + u'[' + column + u']';
}

// Whether the row's values belong in the list.
QString Listed(const List& list, const QString& row) {
    if (list.columns.size() == 1) {
        return Column(row, list.columns.at(0)) + QStringLiteral(" > ''");
    }
    QStringList present;
    for (const QString& column : list.columns) {
        present.append(Column(row, column) + QStringLiteral(" IS NOT NULL"));
    }
    return present.join(QStringLiteral(" AND "));
}

// The list's row of the given row's values.
QString SameValues(const List& list, const QString& row) {
    QStringList same;
    for (const QString& column : list.columns) {
        same.append(Column({}, column) + QStringLiteral(" = ") + Column(row, column));
    }
    return same.join(QStringLiteral(" AND "));
}

QString CreateTable(const List& list) {
    QStringList columns;
    QStringList key;
    for (const QString& column : list.columns) {
        columns.append(Column({}, column) + QStringLiteral(" TEXT NOT NULL"));
        key.append(Column({}, column));
    }
    return QStringLiteral("CREATE TABLE IF NOT EXISTS [") + QString::fromLatin1(list.table) +
           QStringLiteral("] (") + columns.join(QStringLiteral(", ")) +
           QStringLiteral(", [Visits] INTEGER NOT NULL, PRIMARY KEY (") +
           key.join(QStringLiteral(", ")) + QStringLiteral(")) WITHOUT ROWID");
}

QString Fill(const List& list) {
    QStringList columns;
    for (const QString& column : list.columns) {
        columns.append(Column({}, column));
    }
    return QStringLiteral("INSERT INTO [") + QString::fromLatin1(list.table) +
           QStringLiteral("] SELECT ") + columns.join(QStringLiteral(", ")) +
           QStringLiteral(", count(*) FROM [VisitorRegister] WHERE ") + Listed(list, {}) +
           QStringLiteral(" GROUP BY ") + columns.join(QStringLiteral(", "));
}

// The trigger steps that count the NEW row's values in. No step can meet a conflict, so a
// conflict clause on the statement that fired the trigger (the shell's INSERT OR REPLACE, say)
// changes none of them.
QString CountIn() {
    QString steps;
    for (const List& list : Lists()) {
        const QString table = u'[' + QString::fromLatin1(list.table) + u']';
        QStringList values;
        for (const QString& column : list.columns) {
            values.append(Column(QStringLiteral("NEW"), column));
        }
        const QString same = SameValues(list, QStringLiteral("NEW"));
        steps += QStringLiteral(" INSERT INTO ") + table + QStringLiteral(" SELECT ") +
                 values.join(QStringLiteral(", ")) + QStringLiteral(", 0 WHERE ") +
                 Listed(list, QStringLiteral("NEW")) +
                 QStringLiteral(" AND NOT EXISTS (SELECT 1 FROM ") + table +
                 QStringLiteral(" WHERE ") + same + QStringLiteral(");");
        steps += QStringLiteral(" UPDATE ") + table +
                 QStringLiteral(" SET [Visits] = [Visits] + 1 WHERE ") + same + u';';
    }
    return steps;
}

// The trigger steps that count the OLD row's values out. A row left at 0 is skipped by every
// reader: deleting it here would cost a purge, which deletes visits by the hundred thousand, one
// more statement a visit, so the purge removes such rows at its end instead.
QString CountOut() {
    QString steps;
    for (const List& list : Lists()) {
        steps += QStringLiteral(" UPDATE [") + QString::fromLatin1(list.table) +
                 QStringLiteral("] SET [Visits] = [Visits] - 1 WHERE ") +
                 SameValues(list, QStringLiteral("OLD")) + u';';
    }
    return steps;
}

QStringList ListedColumns() {
    QStringList columns;
    for (const List& list : Lists()) {
        for (const QString& column : list.columns) {
            if (!columns.contains(column)) {
                columns.append(column);
            }
        }
    }
    return columns;
}

QStringList CreateTriggers() {
    QStringList columns;
    for (const QString& column : ListedColumns()) {
        columns.append(Column({}, column));
    }
    const QString prefix = QStringLiteral("CREATE TRIGGER IF NOT EXISTS [");
    return {
        prefix + QString::fromLatin1(OnInsert) +
            QStringLiteral("] AFTER INSERT ON [VisitorRegister] BEGIN") + CountIn() +
            QStringLiteral(" END"),
        prefix + QString::fromLatin1(OnDelete) +
            QStringLiteral("] AFTER DELETE ON [VisitorRegister] BEGIN") + CountOut() +
            QStringLiteral(" END"),
        prefix + QString::fromLatin1(OnUpdate) + QStringLiteral("] AFTER UPDATE OF ") +
            columns.join(QStringLiteral(", ")) + QStringLiteral(" ON [VisitorRegister] BEGIN") +
            CountOut() + CountIn() + QStringLiteral(" END"),
    };
}

QStringList ValueListObjects() {
    QStringList names;
    for (const List& list : Lists()) {
        names.append(QString::fromLatin1(list.table));
    }
    for (const char* trigger : {OnInsert, OnDelete, OnUpdate}) {
        names.append(QString::fromLatin1(trigger));
    }
    return names;
}

QSet<QString> SchemaNames(const QString& databaseName, bool& read) {
    DBManager schema;
    schema.SetDatabaseName(databaseName);
    const std::optional<RecordSet> present = schema.GetRecordSet(QStringLiteral(
        "SELECT [name] FROM [sqlite_master] WHERE [type] IN ('index', 'table', 'trigger')"));
    read = present.has_value();
    QSet<QString> names;
    for (int row = 0; present && row < present->RecordCount(); ++row) {
        names.insert(present->Value(row, 0).toString());
    }
    return names;
}

// Makes the value lists anew, filled from the visits, in one transaction with their triggers:
// no visit stored meanwhile goes uncounted.
bool AddValueLists(const QString& databaseName) {
    QStringList statements;
    for (const char* trigger : {OnInsert, OnDelete, OnUpdate}) {
        statements.append(QStringLiteral("DROP TRIGGER IF EXISTS [") +
                          QString::fromLatin1(trigger) + u']');
    }
    for (const List& list : Lists()) {
        statements.append(QStringLiteral("DROP TABLE IF EXISTS [") +
                          QString::fromLatin1(list.table) + u']');
        statements.append(CreateTable(list));
        statements.append(Fill(list));
    }
    statements.append(CreateTriggers());
    DBManager database;
    database.SetDatabaseName(databaseName);
    return database.ExecuteInOneTransaction(statements);
}

} // namespace

QStringList Statements() {
    QStringList statements = {
        // Lists and searches run by check-in time; the checked-in list only needs open visits.
        QStringLiteral("CREATE INDEX IF NOT EXISTS [IX_VisitorRegister_CheckedIn] ON "
                       "[VisitorRegister] ([CheckedIn])"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS [IX_VisitorRegister_NotCheckedOut] ON "
                       "[VisitorRegister] ([CheckedIn]) WHERE [CheckedOut] IS NULL"),
        // The next pass number follows the numerically highest one.
        QStringLiteral("CREATE INDEX IF NOT EXISTS [IX_VisitorRegister_PassNoNumber] ON "
                       "[VisitorRegister] (CAST([PassNo] AS INTEGER))"),
    };
    // The quick pick reads distinct (name, company) pairs; this covers them, so a look-up reads a
    // small index instead of every visit. It leads with the check-in: a purge deletes the oldest
    // visits first, in many short transactions, and an index in name order would have most of
    // its pages rewritten by every one of them. The (to meet, department) pairs have a value list.
    statements.append(QStringLiteral("CREATE INDEX IF NOT EXISTS [") +
                      QString::fromLatin1(NamePairs) +
                      QStringLiteral("] ON [VisitorRegister] ([CheckedIn], [Name], [Company])"));
    // The drop-down lists step through each column's distinct values. These columns hold a few
    // values, so each value's visits stand in check-in order; companies and persons to meet
    // have value lists.
    for (const char* column : {"VisitorType", "Purpose", "Department"}) {
        const QString name = QString::fromLatin1(column);
        statements.append(QStringLiteral("CREATE INDEX IF NOT EXISTS [IX_VisitorRegister_") + name +
                          QStringLiteral("] ON [VisitorRegister] ([") + name +
                          QStringLiteral("])"));
    }
    return statements;
}

QString CoveringPairs(const QString& column1, const QString& column2) {
    const bool names = column1.compare(u"Name", Qt::CaseInsensitive) == 0 &&
                       column2.compare(u"Company", Qt::CaseInsensitive) == 0;
    return names ? QString::fromLatin1(NamePairs) : QString();
}

QStringList ValueListStatements() {
    QStringList statements;
    for (const List& list : Lists()) {
        statements.append(CreateTable(list));
    }
    return statements + CreateTriggers();
}

QString ValueList(const QString& column) {
    for (const List& list : Lists()) {
        if (list.columns.size() == 1 &&
            list.columns.at(0).compare(column, Qt::CaseInsensitive) == 0) {
            return QString::fromLatin1(list.table);
        }
    }
    return {};
}

QString PairList(const QString& column1, const QString& column2) {
    for (const List& list : Lists()) {
        if (list.columns.size() == 2 &&
            list.columns.at(0).compare(column1, Qt::CaseInsensitive) == 0 &&
            list.columns.at(1).compare(column2, Qt::CaseInsensitive) == 0) {
            return QString::fromLatin1(list.table);
        }
    }
    return {};
}

QStringList RemoveUnusedValues() {
    QStringList statements;
    for (const List& list : Lists()) {
        statements.append(QStringLiteral("DELETE FROM [") + QString::fromLatin1(list.table) +
                          QStringLiteral("] WHERE [Visits] <= 0"));
    }
    return statements;
}

bool HasValueLists(const QString& databaseName) {
    bool read = false;
    const QSet<QString> names = SchemaNames(databaseName, read);
    const QStringList objects = ValueListObjects();
    return read && std::all_of(objects.begin(), objects.end(),
                               [&names](const QString& name) { return names.contains(name); });
}

bool AddMissing(const QString& databaseName) {
    // Start-up runs this every time: one look at the schema, and a statement only for what is
    // not there (all of it when the schema could not be read).
    bool read = false;
    const QSet<QString> names = SchemaNames(databaseName, read);
    const QStringList objects = ValueListObjects();
    // Before the obsolete indexes go: the lists are counted faster in their order. Made anew
    // only when the schema shows one missing, since counting a million visits takes seconds.
    const bool lists =
        read && (std::all_of(objects.begin(), objects.end(),
                             [&names](const QString& name) { return names.contains(name); }) ||
                 AddValueLists(databaseName));
    bool all = lists;
    static const QRegularExpression indexName(QStringLiteral(R"(\[([^\]]+)\])"));
    for (const QString& statement : Statements()) {
        if (names.contains(indexName.match(statement).captured(1))) {
            continue;
        }
        DBManager database;
        database.SetDatabaseName(databaseName);
        all = database.ExecuteNonQuery(statement) && all;
    }
    for (const QString& name : Obsolete()) {
        // The indexes the lists replace stay until the lists are there.
        if (names.contains(name) && lists) {
            DBManager database;
            database.SetDatabaseName(databaseName);
            all =
                database.ExecuteNonQuery(QStringLiteral("DROP INDEX IF EXISTS [") + name + u']') &&
                all;
        }
    }
    return all;
}

} // namespace DatabaseIndexes
