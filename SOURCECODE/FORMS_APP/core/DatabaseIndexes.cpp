#include "DatabaseIndexes.h"

#include "DBManager.h"

namespace DatabaseIndexes {

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
    // The drop-down lists step through each column's distinct values.
    for (const char* column : {"VisitorType", "Company", "Purpose", "ToMeet", "Department"}) {
        const QString name = QString::fromLatin1(column);
        statements.append(QStringLiteral("CREATE INDEX IF NOT EXISTS [IX_VisitorRegister_") + name +
                          QStringLiteral("] ON [VisitorRegister] ([") + name +
                          QStringLiteral("])"));
    }
    return statements;
}

bool AddMissing(const QString& databaseName) {
    bool all = true;
    for (const QString& statement : Statements()) {
        DBManager database;
        database.SetDatabaseName(databaseName);
        all = database.ExecuteNonQuery(statement) && all;
    }
    return all;
}

} // namespace DatabaseIndexes
