#include "DatabaseSchema.h"

namespace DatabaseSchema {

QString CreateScript() {
    return QStringLiteral(
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
        // Lists and searches run by check-in time; the checked-in list only needs open visits.
        "CREATE INDEX [IX_VisitorRegister_CheckedIn] ON [VisitorRegister] ([CheckedIn]);"
        "CREATE INDEX [IX_VisitorRegister_NotCheckedOut] ON [VisitorRegister] ([CheckedIn])"
        " WHERE [CheckedOut] IS NULL;"
        // The next pass number follows the numerically highest one.
        "CREATE INDEX [IX_VisitorRegister_PassNoNumber] ON [VisitorRegister]"
        " (CAST([PassNo] AS INTEGER));"
        // The quick pick reads distinct (name, company) and (to meet, department) pairs; these
        // cover them, so a look-up reads a small index instead of every visit.
        "CREATE INDEX [IX_VisitorRegister_NameCompany] ON [VisitorRegister] ([Name], [Company]);"
        "CREATE INDEX [IX_VisitorRegister_ToMeetDepartment] ON [VisitorRegister]"
        " ([ToMeet], [Department]);"
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
}

QString InsertSettingsRow() {
    return QStringLiteral("INSERT INTO [Settings] ([CompanyName], [PWD], [Hint], [AdminPWD], "
                          "[AdminHint]) VALUES (?, '', '', '', '')");
}

} // namespace DatabaseSchema
