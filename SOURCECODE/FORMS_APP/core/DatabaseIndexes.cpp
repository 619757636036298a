#include "DatabaseIndexes.h"

#include "DBManager.h"
#include "Settings.h"
#include "SqlCipherConnection.h"
#include "basCommon.h"

#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <mutex>
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
constexpr const char* NoteReplacedOnInsert = "VisitorRegister_NoteReplacedOnInsert";
constexpr const char* NoteReplacedOnUpdate = "VisitorRegister_NoteReplacedOnUpdate";
constexpr const char* CountReplacedOnInsert = "VisitorRegister_CountReplacedOnInsert";
constexpr const char* CountReplacedOnUpdate = "VisitorRegister_CountReplacedOnUpdate";
const char* const Triggers[] = {OnInsert,
                                OnDelete,
                                OnUpdate,
                                NoteReplacedOnInsert,
                                NoteReplacedOnUpdate,
                                CountReplacedOnInsert,
                                CountReplacedOnUpdate};

// A REPLACE conflict (INSERT OR REPLACE, REPLACE INTO, UPDATE OR REPLACE of a pass number)
// removes the visit that holds the pass number without its delete trigger. A BEFORE trigger,
// which runs while that visit is still there, notes its values here; the AFTER trigger of the
// same row counts out those whose visit is gone. Where the conflict is resolved otherwise (OR
// IGNORE, OR FAIL) no AFTER trigger runs, and the next BEFORE trigger forgets the note.
constexpr const char* Replaced = "VisitorRegisterReplaced";

// The oldest indexes' stand-ins for the lists: a register whose migration has not got through
// still has them.
constexpr const char* OlderCompanies = "IX_VisitorRegister_Company";
constexpr const char* OlderToMeetDepartments = "IX_VisitorRegister_ToMeetDepartment";

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

QString CreateReplacedTable() {
    QStringList columns;
    for (const QString& column : ListedColumns()) {
        columns.append(Column({}, column));
    }
    return QStringLiteral("CREATE TABLE IF NOT EXISTS [") + QString::fromLatin1(Replaced) +
           QStringLiteral("] ([Row] INTEGER PRIMARY KEY, ") + columns.join(QStringLiteral(", ")) +
           u')';
}

// The notes of earlier rows go first. With a WHERE, so an empty table costs no page write.
QString ForgetReplaced() {
    return QStringLiteral(" DELETE FROM [") + QString::fromLatin1(Replaced) +
           QStringLiteral("] WHERE [Row] IS NOT NULL;");
}

// Notes the visits the row may replace: those that hold its pass number, and for an insert the
// one with its row number, if any.
QString NoteReplaced(const QString& which) {
    QStringList columns;
    for (const QString& column : ListedColumns()) {
        columns.append(Column({}, column));
    }
    return ForgetReplaced() + QStringLiteral(" INSERT INTO [") + QString::fromLatin1(Replaced) +
           QStringLiteral("] SELECT rowid, ") + columns.join(QStringLiteral(", ")) +
           QStringLiteral(" FROM [VisitorRegister] WHERE ") + which + u';';
}

// Counts out the noted visits that the row replaced: gone, or (an insert under a taken row
// number) the row itself.
QString CountReplaced(const QString& gone) {
    const QString replaced = u'[' + QString::fromLatin1(Replaced) + u']';
    const QString where = QStringLiteral(" WHERE ") + gone;
    QString steps;
    for (const List& list : Lists()) {
        const QString table = u'[' + QString::fromLatin1(list.table) + u']';
        QStringList same;
        QStringList within;
        for (const QString& column : list.columns) {
            same.append(QStringLiteral("[r].") + Column({}, column) + QStringLiteral(" = ") +
                        table + u'.' + Column({}, column));
            // Each key column among the noted values, so the list is read by its key.
            within.append(Column({}, column) + QStringLiteral(" IN (SELECT ") + Column({}, column) +
                          QStringLiteral(" FROM ") + replaced + QStringLiteral(" AS [r]") + where +
                          u')');
        }
        steps += QStringLiteral(" UPDATE ") + table +
                 QStringLiteral(" SET [Visits] = [Visits] - (SELECT count(*) FROM ") + replaced +
                 QStringLiteral(" AS [r]") + where + QStringLiteral(" AND ") +
                 same.join(QStringLiteral(" AND ")) + QStringLiteral(") WHERE ") +
                 within.join(QStringLiteral(" AND ")) + u';';
    }
    return steps + ForgetReplaced();
}

QStringList CreateTriggers() {
    QStringList columns;
    for (const QString& column : ListedColumns()) {
        columns.append(Column({}, column));
    }
    const QString prefix = QStringLiteral("CREATE TRIGGER IF NOT EXISTS [");
    const QString noted = QStringLiteral(" WHEN EXISTS (SELECT 1 FROM [") +
                          QString::fromLatin1(Replaced) + QStringLiteral("]) BEGIN");
    const QString gone =
        QStringLiteral("NOT EXISTS (SELECT 1 FROM [VisitorRegister] WHERE rowid = [r].[Row])");
    return {
        prefix + QString::fromLatin1(NoteReplacedOnInsert) +
            QStringLiteral("] BEFORE INSERT ON [VisitorRegister] BEGIN") +
            NoteReplaced(QStringLiteral("[PassNo] = NEW.[PassNo] OR rowid = NEW.rowid")) +
            QStringLiteral(" END"),
        prefix + QString::fromLatin1(NoteReplacedOnUpdate) +
            QStringLiteral("] BEFORE UPDATE OF [PassNo] ON [VisitorRegister] BEGIN") +
            NoteReplaced(QStringLiteral("[PassNo] = NEW.[PassNo] AND rowid <> OLD.rowid")) +
            QStringLiteral(" END"),
        prefix + QString::fromLatin1(CountReplacedOnInsert) +
            QStringLiteral("] AFTER INSERT ON [VisitorRegister]") + noted +
            CountReplaced(u'(' + gone + QStringLiteral(" OR [r].[Row] = NEW.rowid)")) +
            QStringLiteral(" END"),
        prefix + QString::fromLatin1(CountReplacedOnUpdate) +
            QStringLiteral("] AFTER UPDATE OF [PassNo] ON [VisitorRegister]") + noted +
            CountReplaced(gone) + QStringLiteral(" END"),
        prefix + QString::fromLatin1(OnInsert) +
            QStringLiteral("] AFTER INSERT ON [VisitorRegister] BEGIN") + CountIn() +
            QStringLiteral(" END"),
        // With recursive triggers on, a REPLACE runs this for the visit it removes, which then
        // needs no counting out by the note.
        prefix + QString::fromLatin1(OnDelete) +
            QStringLiteral("] AFTER DELETE ON [VisitorRegister] BEGIN") + CountOut() +
            QStringLiteral(" DELETE FROM [") + QString::fromLatin1(Replaced) +
            QStringLiteral("] WHERE [Row] = OLD.rowid; END"),
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
    names.append(QString::fromLatin1(Replaced));
    for (const char* trigger : Triggers) {
        names.append(QString::fromLatin1(trigger));
    }
    return names;
}

const QString& SchemaQuery() {
    static const QString query = QStringLiteral(
        "SELECT [name] FROM [sqlite_master] WHERE [type] IN ('index', 'table', 'trigger')");
    return query;
}

QSet<QString> NamesOf(const RecordSet& present) {
    QSet<QString> names;
    for (int row = 0; row < present.RecordCount(); ++row) {
        names.insert(present.Value(row, 0).toString());
    }
    return names;
}

QSet<QString> SchemaNames(const QString& databaseName, bool& read) {
    DBManager schema;
    schema.SetDatabaseName(databaseName);
    const std::optional<RecordSet> present = schema.GetRecordSet(SchemaQuery());
    read = present.has_value();
    return present ? NamesOf(*present) : QSet<QString>();
}

bool HoldsEveryList(const QSet<QString>& names) {
    const QStringList objects = ValueListObjects();
    return std::all_of(objects.begin(), objects.end(),
                       [&names](const QString& name) { return names.contains(name); });
}

// The value lists anew, filled from the visits, with their triggers: in one transaction, no
// visit stored meanwhile goes uncounted.
QStringList MakeValueLists() {
    QStringList statements;
    for (const char* trigger : Triggers) {
        statements.append(QStringLiteral("DROP TRIGGER IF EXISTS [") +
                          QString::fromLatin1(trigger) + u']');
    }
    statements.append(QStringLiteral("DROP TABLE IF EXISTS [") + QString::fromLatin1(Replaced) +
                      u']');
    statements.append(CreateReplacedTable());
    for (const List& list : Lists()) {
        statements.append(QStringLiteral("DROP TABLE IF EXISTS [") +
                          QString::fromLatin1(list.table) + u']');
        statements.append(CreateTable(list));
        statements.append(Fill(list));
    }
    return statements + CreateTriggers();
}

// The lists of the version before the schema version, kept by its three triggers.
bool HasEarlierLists(const QSet<QString>& names) {
    const auto has = [&names](const char* name) {
        return names.contains(QString::fromLatin1(name));
    };
    return std::all_of(Lists().begin(), Lists().end(),
                       [&has](const List& list) { return has(list.table); }) &&
           has(OnInsert) && has(OnDelete) && has(OnUpdate);
}

// Those lists gain the notes of replaced visits. They are not counted again: on a million
// visits that holds the write lock for many seconds, longer than other desks wait to check in,
// and only a REPLACE run in the shell can have left a count wrong.
QStringList AddReplacedNotes() {
    QStringList statements;
    for (const char* trigger : {OnDelete, NoteReplacedOnInsert, NoteReplacedOnUpdate,
                                CountReplacedOnInsert, CountReplacedOnUpdate}) {
        statements.append(QStringLiteral("DROP TRIGGER IF EXISTS [") +
                          QString::fromLatin1(trigger) + u']');
    }
    statements.append(QStringLiteral("DROP TABLE IF EXISTS [") + QString::fromLatin1(Replaced) +
                      u']');
    statements.append(CreateReplacedTable());
    return statements + CreateTriggers();
}

QStringList MissingIndexes(const QSet<QString>& names) {
    static const QRegularExpression indexName(QStringLiteral(R"(\[([^\]]+)\])"));
    QStringList statements;
    for (const QString& statement : Statements()) {
        if (!names.contains(indexName.match(statement).captured(1))) {
            statements.append(statement);
        }
    }
    return statements;
}

// What brings a register with these schema objects to this version: from an earlier one, all
// of it; at this version, only what is missing (an index or list dropped in the shell). The
// indexes an older version made stay on a register of this version: a desk not yet updated may
// have made them again and reads through them.
QStringList MigrationStatements(const QSet<QString>& names, int version) {
    QStringList statements;
    if (version < SchemaVersion || !HoldsEveryList(names)) {
        statements = HasEarlierLists(names) ? AddReplacedNotes() : MakeValueLists();
    }
    // Before the obsolete indexes go: the lists are counted faster in their order.
    statements += MissingIndexes(names);
    for (const QString& name : Obsolete()) {
        if (version < SchemaVersion && names.contains(name)) {
            statements.append(QStringLiteral("DROP INDEX IF EXISTS [") + name + u']');
        }
    }
    return statements;
}

// The registers this process has seen with their lists, by file.
class SeenLists final {
public:
    static bool Contains(const QString& file) {
        const std::lock_guard lock(s_mutex);
        return Files().contains(file);
    }
    static void Insert(const QString& file) {
        const std::lock_guard lock(s_mutex);
        Files().insert(file);
    }

private:
    static QSet<QString>& Files() {
        static QSet<QString> files;
        return files;
    }
    static inline std::mutex s_mutex;
};

// The file a DBManager of that name opens.
QString DatabaseFile(const QString& databaseName) {
    QString name = databaseName.isEmpty() ? Settings().GetDatabaseName() : databaseName;
    if (name.isEmpty()) {
        name = QString::fromLatin1(DBManager::DefaultDatabaseName);
    }
    return basCommon::GetDataFolder() + name;
}

int UserVersion(SqlCipherConnection& connection) {
    return connection.Query(QStringLiteral("PRAGMA user_version"), {}).Field(0).toInt();
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
    const auto is = [](const QString& column, const char16_t* name) {
        return column.compare(name, Qt::CaseInsensitive) == 0;
    };
    if (is(column1, u"Name") && is(column2, u"Company")) {
        return QString::fromLatin1(NamePairs);
    }
    if (is(column1, u"ToMeet") && is(column2, u"Department")) {
        return QString::fromLatin1(OlderToMeetDepartments);
    }
    return {};
}

QString DistinctValuesIndex(const QString& column) {
    const auto is = [&column](const char16_t* name) {
        return column.compare(name, Qt::CaseInsensitive) == 0;
    };
    if (is(u"Company")) {
        return QString::fromLatin1(OlderCompanies);
    }
    if (is(u"ToMeet")) {
        return QString::fromLatin1(OlderToMeetDepartments);
    }
    for (const char16_t* own : {u"VisitorType", u"Purpose", u"Department"}) {
        if (is(own)) {
            return QStringLiteral("IX_VisitorRegister_") + QString::fromUtf16(own);
        }
    }
    return {};
}

QStringList ValueListStatements() {
    QStringList statements{CreateReplacedTable()};
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
    return read && HoldsEveryList(names);
}

ListsState ValueListsOf(const QString& databaseName) {
    const QString file = DatabaseFile(databaseName);
    if (SeenLists::Contains(file)) {
        return ListsState::Present;
    }
    bool read = false;
    const QSet<QString> names = SchemaNames(databaseName, read);
    if (!read) {
        return ListsState::Unknown;
    }
    if (!HoldsEveryList(names)) {
        return ListsState::Absent;
    }
    SeenLists::Insert(file);
    return ListsState::Present;
}

Migration Migrate(const QString& databaseName) {
    // Start-up runs this every time: one look at the version and the schema, and the write lock
    // only when something is to be done.
    DBManager reader;
    reader.SetDatabaseName(databaseName);
    const std::optional<RecordSet> version =
        reader.GetRecordSet(QStringLiteral("PRAGMA user_version"));
    if (!version) {
        return Migration::Unreadable;
    }
    const int found = version->Field(0).toInt();
    if (found > SchemaVersion) {
        return Migration::Newer;
    }
    bool read = false;
    const QSet<QString> names = SchemaNames(databaseName, read);
    if (!read) {
        return Migration::Unreadable;
    }
    Migration outcome = Migration::Current;
    if (!MigrationStatements(names, found).isEmpty()) {
        DBManager writer;
        writer.SetDatabaseName(databaseName);
        const bool done = writer.ExecuteInWriteTransaction(
            [&outcome](SqlCipherConnection& connection, QString& failing) {
                // Another desk may have done it while this one waited for the lock.
                failing = QStringLiteral("PRAGMA user_version");
                const int now = UserVersion(connection);
                if (now > SchemaVersion) {
                    outcome = Migration::Newer;
                    return;
                }
                failing = SchemaQuery();
                const QStringList statements =
                    MigrationStatements(NamesOf(connection.Query(SchemaQuery(), {})), now);
                if (statements.isEmpty()) {
                    return;
                }
                for (const QString& statement : statements) {
                    failing = statement;
                    connection.Execute(statement, {});
                }
                failing = QStringLiteral("PRAGMA user_version = %1").arg(SchemaVersion);
                connection.ExecuteScript(failing + u';');
                outcome = Migration::Migrated;
            });
        if (!done) {
            return Migration::Failed;
        }
    }
    if (outcome != Migration::Newer) {
        SeenLists::Insert(DatabaseFile(databaseName));
    }
    return outcome;
}

bool AddMissing(const QString& databaseName) {
    const Migration outcome = Migrate(databaseName);
    return outcome == Migration::Current || outcome == Migration::Migrated;
}

} // namespace DatabaseIndexes
