#include "DatabaseIndexes.h"

#include "DBManager.h"

#include <QRegularExpression>
#include <QSet>

#include <optional>

namespace DatabaseIndexes {

namespace {

constexpr const char* NamePairs = "IX_VisitorRegister_CheckedInNameCompany";

// Made by earlier versions; dropped at start when present.
const QStringList& Obsolete() {
    static const QStringList names = {QStringLiteral("IX_VisitorRegister_NameCompany")};
    return names;
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
    // The quick pick reads distinct (name, company) and (to meet, department) pairs; these cover
    // them, so a look-up reads a small index instead of every visit. The first one leads with the
    // check-in: a purge deletes the oldest visits first, in many short transactions, and an index
    // in name order would have most of its pages rewritten by every one of them. The second one
    // also serves the to-meet drop-down.
    statements.append(QStringLiteral("CREATE INDEX IF NOT EXISTS [") +
                      QString::fromLatin1(NamePairs) +
                      QStringLiteral("] ON [VisitorRegister] ([CheckedIn], [Name], [Company])"));
    statements.append(
        QStringLiteral("CREATE INDEX IF NOT EXISTS [IX_VisitorRegister_ToMeetDepartment] ON "
                       "[VisitorRegister] ([ToMeet], [Department])"));
    // The drop-down lists step through each column's distinct values.
    for (const char* column : {"VisitorType", "Company", "Purpose", "Department"}) {
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

bool AddMissing(const QString& databaseName) {
    // Start-up runs this every time: one look at the schema, and a statement only for an index
    // that is not there (all of them when the schema could not be read).
    DBManager schema;
    schema.SetDatabaseName(databaseName);
    const std::optional<RecordSet> present = schema.GetRecordSet(
        QStringLiteral("SELECT [name] FROM [sqlite_master] WHERE [type] = 'index'"));
    QSet<QString> names;
    for (int row = 0; present && row < present->RecordCount(); ++row) {
        names.insert(present->Value(row, 0).toString());
    }
    static const QRegularExpression indexName(QStringLiteral(R"(\[([^\]]+)\])"));
    bool all = true;
    for (const QString& statement : Statements()) {
        if (names.contains(indexName.match(statement).captured(1))) {
            continue;
        }
        DBManager database;
        database.SetDatabaseName(databaseName);
        all = database.ExecuteNonQuery(statement) && all;
    }
    for (const QString& name : Obsolete()) {
        if (names.contains(name)) {
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
