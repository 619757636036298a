#include "DatabaseSchema.h"

#include "core/DatabaseIndexes.h"

namespace DatabaseSchema {

QString CreateScript() {
    const QString tables = QStringLiteral(
        "CREATE TABLE [VisitorRegister] ("
        " [PassNo] TEXT NOT NULL UNIQUE,"
        " [Name] TEXT DEFAULT '',"
        " [Mobile] TEXT DEFAULT '',"
        " [Email] TEXT DEFAULT '',"
        " [VisitorType] TEXT DEFAULT '',"
        " [Company] TEXT DEFAULT '',"
        " [Address] TEXT DEFAULT '',"
        " [Purpose] TEXT DEFAULT '',"
        " [ToMeet] TEXT DEFAULT '',"
        " [Department] TEXT DEFAULT '',"
        " [Remarks] TEXT DEFAULT '',"
        " [CheckedIn] TEXT NOT NULL DEFAULT (datetime('now','localtime')),"
        " [CheckedOut] TEXT DEFAULT NULL);"
        "CREATE TABLE [Settings] ("
        " [CompanyName] TEXT DEFAULT '',"
        " [PWD] TEXT DEFAULT '',"
        " [Hint] TEXT DEFAULT '',"
        " [AdminPWD] TEXT DEFAULT '',"
        " [AdminHint] TEXT DEFAULT '');"
        // The settings are one row: every reader takes the first and SaveSettings updates all.
        "CREATE TRIGGER [Settings_OneRowOnInsert] BEFORE INSERT ON [Settings]"
        " WHEN (SELECT count(*) FROM [Settings]) >= 1"
        " BEGIN SELECT RAISE(ABORT, 'The Settings table holds exactly one row'); END;"
        "CREATE TRIGGER [Settings_OneRowOnDelete] BEFORE DELETE ON [Settings]"
        " BEGIN SELECT RAISE(ABORT, 'The Settings table holds exactly one row'); END;");
    return tables +
           (DatabaseIndexes::Statements() + DatabaseIndexes::ValueListStatements()).join(u';') +
           QStringLiteral(";PRAGMA user_version = %1;").arg(DatabaseIndexes::SchemaVersion);
}

QString InsertSettingsRow() {
    return QStringLiteral("INSERT INTO [Settings] ([CompanyName], [PWD], [Hint], [AdminPWD], "
                          "[AdminHint]) VALUES (?, '', '', '', '')");
}

} // namespace DatabaseSchema
