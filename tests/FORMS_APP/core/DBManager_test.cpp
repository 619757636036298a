#include "QtPrinters.h"
#include "TempProgramFolder.h"

#include "core/AppEnvironment.h"
#include "core/DBManager.h"
#include "core/DatabaseError.h"
#include "core/SqlCipherConnection.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

namespace {

const QString SettingsProbe = QStringLiteral("SELECT * FROM [Settings] WHERE 1=0");
const QString VisitsProbe = QStringLiteral("SELECT * FROM [VisitorRegister] WHERE 1=0");

class DBManagerTest : public ::testing::Test {
protected:
    TempProgramFolder folder;

    void SetUp() override {
        ASSERT_TRUE(folder.IsValid());
        AppEnvironment::SetClock([] { return QDateTime(QDate(2025, 6, 1), QTime(8, 0, 0)); });
    }

    static bool InsertVisit(const QString& passNo, const QString& name) {
        DBManager db;
        return db.ExecuteNonQuery(
            QStringLiteral("INSERT INTO [VisitorRegister] ([PassNo], [Name]) VALUES (?, ?)"),
            {passNo, name});
    }

    static int VisitCount() {
        DBManager db;
        const auto rows = db.GetRecordSet(QStringLiteral("SELECT count(*) FROM [VisitorRegister]"));
        return rows ? rows->Value(0, 0).toInt() : -1;
    }

    QString DataFile(const QString& name) const { return folder.DataFolder() + name; }

    void WriteDataFile(const QString& name, const QByteArray& content) const {
        folder.WriteFile(QStringLiteral("Data/") + name, content);
    }
};

TEST_F(DBManagerTest, FreshDatabaseIsValidAndHasOneSettingsRow) {
    DBManager db;
    EXPECT_TRUE(db.IsDatabaseValid());
    const std::optional<RecordSet> rows =
        db.GetRecordSet(QStringLiteral("SELECT * FROM [Settings]"));
    ASSERT_TRUE(rows.has_value());
    EXPECT_EQ(rows->RecordCount(), 1);
    EXPECT_EQ(rows->FieldNames(), (QStringList{QStringLiteral("CompanyName"), QStringLiteral("PWD"),
                                               QStringLiteral("Hint"), QStringLiteral("AdminPWD"),
                                               QStringLiteral("AdminHint")}));
    EXPECT_FALSE(rows->Field(0).toString().isEmpty());
    for (int column = 1; column < 5; ++column) {
        EXPECT_EQ(rows->Field(column).toString(), QString()) << column;
    }
    EXPECT_EQ(folder.LogText(), QString());
}

TEST_F(DBManagerTest, NameComesFromConfigurationThenDefault) {
    DBManager configured;
    EXPECT_EQ(configured.DatabaseName(), QString());
    ASSERT_TRUE(configured.GetRecordSet(SettingsProbe).has_value());
    EXPECT_EQ(configured.DatabaseName(), QStringLiteral("quorvane.sys.qvd"));

    folder.SetConfigValue(QStringLiteral("DATABASE"), QString());
    DBManager fallback;
    EXPECT_TRUE(fallback.IsDatabaseValid());
    EXPECT_EQ(fallback.DatabaseName(), QStringLiteral("quorvane.sys.qvd"));

    // The name stays with the object once it was filled.
    ASSERT_TRUE(QFile::copy(folder.DatabaseFile(), DataFile(QStringLiteral("second.qvd"))));
    folder.SetConfigValue(QStringLiteral("DATABASE"), QStringLiteral("second.qvd"));
    EXPECT_TRUE(fallback.IsDatabaseValid());
    EXPECT_EQ(fallback.DatabaseName(), QStringLiteral("quorvane.sys.qvd"));
    DBManager reread;
    EXPECT_TRUE(reread.IsDatabaseValid());
    EXPECT_EQ(reread.DatabaseName(), QStringLiteral("second.qvd"));
}

TEST_F(DBManagerTest, MissingDatabaseFailsWithItsLogLineAndIsNotCreated) {
    DBManager db;
    db.SetDatabaseName(QStringLiteral("missing.qvd"));
    EXPECT_FALSE(db.GetRecordSet(SettingsProbe).has_value());
    EXPECT_FALSE(db.ExecuteNonQuery(QStringLiteral("CREATE TABLE t (a)")));
    EXPECT_FALSE(db.IsDatabaseValid());
    EXPECT_FALSE(QFileInfo::exists(DataFile(QStringLiteral("missing.qvd"))));
    const QStringList lines = folder.LogLines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines.at(0).startsWith(QStringLiteral("08:00:00\tGetRecordSet\t")));
    EXPECT_TRUE(lines.at(0).endsWith(u'\t' + SettingsProbe));
    EXPECT_TRUE(lines.at(1).startsWith(QStringLiteral("08:00:00\tExecuteNonQuery\t")));
    EXPECT_TRUE(lines.at(1).endsWith(QStringLiteral("\tCREATE TABLE t (a)")));
    EXPECT_TRUE(lines.at(2).endsWith(u'\t' + SettingsProbe));
}

TEST_F(DBManagerTest, UnreadableFilesAreNotValid) {
    {
        SqlCipherConnection other(DataFile(QStringLiteral("otherkey.qvd")),
                                  QStringLiteral("another key"),
                                  SqlCipherConnection::Mode::CreateIfMissing);
        other.ExecuteScript(QStringLiteral("CREATE TABLE [Settings] (a); "
                                           "CREATE TABLE [VisitorRegister] (b);"));
    }
    WriteDataFile(QStringLiteral("text.qvd"), QByteArray("just some text, no database\n"));
    WriteDataFile(QStringLiteral("empty.qvd"), QByteArray());
    QFile original(folder.DatabaseFile());
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    QByteArray damaged = original.readAll();
    damaged.replace(0, 4096, QByteArray(4096, 'x'));
    WriteDataFile(QStringLiteral("damaged.qvd"), damaged);

    for (const char* name : {"otherkey.qvd", "text.qvd", "empty.qvd", "damaged.qvd"}) {
        folder.ClearLog();
        DBManager db;
        db.SetDatabaseName(QString::fromLatin1(name));
        EXPECT_FALSE(db.IsDatabaseValid()) << name;
        EXPECT_FALSE(db.GetRecordSet(QStringLiteral("SELECT 1")).has_value()) << name;
        const QStringList lines = folder.LogLines();
        ASSERT_FALSE(lines.isEmpty()) << name;
        EXPECT_TRUE(lines.at(0).contains(QStringLiteral("\tGetRecordSet\t"))) << name;
        EXPECT_TRUE(lines.at(0).endsWith(u'\t' + SettingsProbe)) << name;
    }
}

TEST_F(DBManagerTest, DatabaseWithoutVisitorRegisterIsNotValid) {
    DBManager db;
    ASSERT_TRUE(db.ExecuteNonQuery(QStringLiteral("DROP TABLE [VisitorRegister]")));
    EXPECT_FALSE(db.IsDatabaseValid());
    const QStringList lines = folder.LogLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines.at(0).startsWith(QStringLiteral("08:00:00\tGetRecordSet\tno such table")));
    EXPECT_TRUE(lines.at(0).endsWith(u'\t' + VisitsProbe));
}

TEST_F(DBManagerTest, RecordSetIsReadInFullAndOutlivesTheFile) {
    ASSERT_TRUE(InsertVisit(QStringLiteral("0001"), QStringLiteral("Ann")));
    ASSERT_TRUE(InsertVisit(QStringLiteral("0002"), QStringLiteral("Bob")));
    DBManager db;
    std::optional<RecordSet> rows = db.GetRecordSet(QStringLiteral(
        "SELECT [PassNo], [Name], [CheckedOut], length([Name]) AS L FROM [VisitorRegister] "
        "ORDER BY [PassNo]"));
    ASSERT_TRUE(rows.has_value());
    // Nothing holds the file any more: it can go, and the rows are still there.
    ASSERT_TRUE(QFile::remove(folder.DatabaseFile()));
    EXPECT_EQ(rows->RecordCount(), 2);
    EXPECT_EQ(rows->FieldCount(), 4);
    EXPECT_FALSE(rows->AtEnd());
    EXPECT_EQ(rows->Field(QStringLiteral("name")).toString(), QStringLiteral("Ann"));
    EXPECT_TRUE(rows->Field(2).isNull());
    EXPECT_EQ(rows->Field(3).toInt(), 3);
    rows->MoveNext();
    EXPECT_EQ(rows->Field(0).toString(), QStringLiteral("0002"));
    rows->MoveNext();
    EXPECT_TRUE(rows->AtEnd());
    EXPECT_TRUE(rows->Field(0).isNull());
    rows->MoveNext();
    EXPECT_TRUE(rows->AtEnd());
    rows->MoveFirst();
    EXPECT_EQ(rows->Field(1).toString(), QStringLiteral("Ann"));
    EXPECT_TRUE(rows->Value(5, 0).isNull());
    EXPECT_TRUE(rows->Field(QStringLiteral("NoSuchColumn")).isNull());
}

TEST_F(DBManagerTest, EmptyResultKeepsItsColumns) {
    DBManager db;
    const auto rows = db.GetRecordSet(VisitsProbe);
    ASSERT_TRUE(rows.has_value());
    EXPECT_EQ(rows->RecordCount(), 0);
    EXPECT_TRUE(rows->AtEnd());
    EXPECT_EQ(rows->FieldNames(),
              (QStringList{
                  QStringLiteral("PassNo"), QStringLiteral("Name"), QStringLiteral("Mobile"),
                  QStringLiteral("Email"), QStringLiteral("VisitorType"), QStringLiteral("Company"),
                  QStringLiteral("Address"), QStringLiteral("Purpose"), QStringLiteral("ToMeet"),
                  QStringLiteral("Department"), QStringLiteral("Remarks"),
                  QStringLiteral("CheckedIn"), QStringLiteral("CheckedOut")}));
}

TEST_F(DBManagerTest, ExecuteNonQuery) {
    DBManager db;
    EXPECT_TRUE(db.ExecuteNonQuery(
        QStringLiteral("UPDATE [VisitorRegister] SET [Name] = 'x' WHERE [PassNo] = '9999'")));
    EXPECT_TRUE(db.ExecuteNonQuery(QStringLiteral("UPDATE [Settings] SET [Hint] = ?"),
                                   {QStringLiteral("it's O'Neil's")}));
    const auto hint = db.GetRecordSet(QStringLiteral("SELECT [Hint] FROM [Settings] WHERE "
                                                     "[Hint] = ?"),
                                      {QStringLiteral("it's O'Neil's")});
    ASSERT_TRUE(hint.has_value());
    EXPECT_EQ(hint->RecordCount(), 1);
    EXPECT_EQ(folder.LogText(), QString());

    const QString wrong = QStringLiteral("UPDATE [Nowhere] SET a = 1");
    EXPECT_FALSE(db.ExecuteNonQuery(wrong));
    EXPECT_FALSE(db.ExecuteNonQuery(QStringLiteral("UPDATE [Settings] SET [Hint] = ?"), {}));
    const QStringList lines = folder.LogLines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines.at(0),
              QStringLiteral("08:00:00\tExecuteNonQuery\tno such table: Nowhere\t") + wrong);
}

// The installation's schema goes through a script on one connection: a failing statement leaves
// the script's transaction open, and closing the connection undoes what ran before it.
TEST_F(DBManagerTest, ScriptRunsAsOneTransactionOnOneConnection) {
    const QString insert = QStringLiteral("INSERT INTO [VisitorRegister] ([PassNo]) VALUES ");
    {
        SqlCipherConnection connection(folder.DatabaseFile(),
                                       QString::fromLatin1(DBManager::DatabasePassword));
        connection.ExecuteScript(QStringLiteral("BEGIN IMMEDIATE;") + insert +
                                 QStringLiteral("('0001');") + insert +
                                 QStringLiteral("('0002'); COMMIT;"));
    }
    EXPECT_EQ(VisitCount(), 2);
    {
        SqlCipherConnection connection(folder.DatabaseFile(),
                                       QString::fromLatin1(DBManager::DatabasePassword));
        // The second insert breaks the unique pass number.
        EXPECT_THROW(connection.ExecuteScript(QStringLiteral("BEGIN IMMEDIATE;") + insert +
                                              QStringLiteral("('0003');") + insert +
                                              QStringLiteral("('0001'); COMMIT;")),
                     DatabaseError);
    }
    EXPECT_EQ(VisitCount(), 2);
}

// The text form runs exactly one statement, as the original engine did: nothing of a text with a
// second statement runs, so a value can never end its statement and start another.
TEST_F(DBManagerTest, TextFormRunsExactlyOneStatement) {
    const QString second = QStringLiteral(
        "Only one statement may run at a time; a second statement follows the \";\"");
    struct Case {
        const char* what;
        QString text;
        bool runs;
        QString error; // the logged description when it does not run
    };
    const QString insert =
        QStringLiteral("INSERT INTO [VisitorRegister] ([PassNo]) VALUES ('0001')");
    const Case cases[] = {
        {"one statement", insert, true, {}},
        {"one statement and its \";\"", insert + QStringLiteral(";"), true, {}},
        {"trailing blanks, comments and empty statements",
         insert + QStringLiteral("; ; -- done\n /* end */ ;\n"),
         true,
         {}},
        {"a second statement", insert + QStringLiteral("; UPDATE [Settings] SET [Hint] = 'hacked'"),
         false, second},
        {"a script", QStringLiteral("BEGIN IMMEDIATE; ") + insert + QStringLiteral("; COMMIT"),
         false, second},
        {"a value that closes its literal",
         QStringLiteral("UPDATE [Settings] SET [Hint] = 'x'; DROP TABLE [VisitorRegister]; --'"),
         false, second},
        {"empty", QString(), false, QStringLiteral("The statement is empty")},
        {"only blanks and a comment", QStringLiteral("  -- nothing\n"), false,
         QStringLiteral("The statement is empty")},
        {"a NUL character",
         insert + QChar(u'\0') + QStringLiteral("; UPDATE [Settings] SET [Hint] = 'hacked'"), false,
         QStringLiteral("The statement holds a NUL character")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DBManager db;
        ASSERT_TRUE(db.ExecuteNonQuery(QStringLiteral("DELETE FROM [VisitorRegister]")));
        folder.ClearLog();
        EXPECT_EQ(db.ExecuteNonQuery(c.text), c.runs);
        EXPECT_EQ(VisitCount(), c.runs ? 1 : 0);
        const QStringList lines = folder.LogLines();
        if (c.runs) {
            EXPECT_TRUE(lines.isEmpty());
        } else {
            ASSERT_EQ(lines.size(), 1);
            QString expected = QStringLiteral("08:00:00\tExecuteNonQuery\t") + c.error;
            if (!c.text.isEmpty()) {
                expected += u'\t' + c.text;
            }
            EXPECT_EQ(lines.at(0), expected);
        }
    }
    // Nothing of the refused texts ran.
    DBManager db;
    const auto hint = db.GetRecordSet(QStringLiteral("SELECT [Hint] FROM [Settings]"));
    ASSERT_TRUE(hint.has_value());
    EXPECT_EQ(hint->Value(0, 0).toString(), QString());
    EXPECT_TRUE(db.IsDatabaseValid());
}

// The key is read and the row stored in one go; what the caller makes of the key decides.
TEST_F(DBManagerTest, InsertStoresTheStatementMadeFromTheKey) {
    const QString highest = QStringLiteral("SELECT max([PassNo]) FROM [VisitorRegister]");
    const QString missingColumn =
        QStringLiteral("INSERT INTO [VisitorRegister] ([PassNo], [Nope]) VALUES ('0002', 'x')");
    const QString taken =
        QStringLiteral("INSERT INTO [VisitorRegister] ([PassNo], [Name]) VALUES ('0001', 'Bo')");
    const struct {
        const char* what;
        QString keyQuery;
        QString statement;
        bool stored;
        QString logLine; // after the time; "" for none
    } cases[] = {
        {"stored", highest,
         QStringLiteral("INSERT INTO [VisitorRegister] ([PassNo], [Name]) VALUES ('0002', 'Cy')"),
         true, QString()},
        {"nothing to store", highest, QString(), false, QString()},
        {"statement fails", highest, missingColumn, false,
         QStringLiteral("ExecuteNonQuery\ttable VisitorRegister has no column named Nope\t") +
             missingColumn},
        {"key taken is an error now", highest, taken, false,
         QStringLiteral("ExecuteNonQuery\tUNIQUE constraint failed: VisitorRegister.PassNo\t") +
             taken},
        {"key query fails", QStringLiteral("SELECT [Nope] FROM [VisitorRegister]"),
         QStringLiteral("INSERT INTO [VisitorRegister] ([PassNo]) VALUES ('0003')"), false,
         QStringLiteral("ExecuteNonQuery\tno such column: Nope\tSELECT [Nope] FROM "
                        "[VisitorRegister]")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(DBManager().ExecuteNonQuery(QStringLiteral("DELETE FROM [VisitorRegister]")));
        ASSERT_TRUE(InsertVisit(QStringLiteral("0001"), QStringLiteral("Ann")));
        folder.ClearLog();
        QVariant key;
        DBManager db;
        EXPECT_EQ(db.ExecuteInsert(c.keyQuery,
                                   [&](const RecordSet& keyRows) {
                                       key = keyRows.Field(0);
                                       return c.statement;
                                   }),
                  c.stored);
        if (c.keyQuery == highest) {
            EXPECT_EQ(key, QVariant(QStringLiteral("0001")));
        }
        EXPECT_EQ(VisitCount(), c.stored ? 2 : 1);
        const QStringList lines = folder.LogLines();
        if (c.logLine.isEmpty()) {
            EXPECT_TRUE(lines.isEmpty()) << lines.join(u'\n').toStdString();
        } else {
            ASSERT_EQ(lines.size(), 1);
            EXPECT_EQ(lines.at(0), QStringLiteral("08:00:00\t") + c.logLine);
        }
    }
}

// Another workstation in the middle of storing a key: the insert waits for it and reads the key
// it stored, instead of reading the old highest and colliding with it.
TEST_F(DBManagerTest, InsertReadsTheKeyAfterAnotherWorkstationsWrite) {
    SqlCipherConnection other(folder.DatabaseFile(),
                              QString::fromLatin1(DBManager::DatabasePassword));
    other.ExecuteScript(QStringLiteral("BEGIN IMMEDIATE;"));
    other.Execute(QStringLiteral("INSERT INTO [VisitorRegister] ([PassNo]) VALUES ('0001')"), {});
    std::thread commit([&other] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        other.ExecuteScript(QStringLiteral("COMMIT;"));
    });
    QVariant key;
    const bool stored = DBManager().ExecuteInsert(
        QStringLiteral("SELECT max([PassNo]) FROM [VisitorRegister]"), [&](const RecordSet& rows) {
            key = rows.Field(0);
            return QStringLiteral("INSERT INTO [VisitorRegister] ([PassNo]) VALUES ('0002')");
        });
    commit.join();
    EXPECT_TRUE(stored);
    EXPECT_EQ(key, QVariant(QStringLiteral("0001")));
    EXPECT_EQ(VisitCount(), 2);
    EXPECT_EQ(folder.LogText(), QString());
}

TEST_F(DBManagerTest, NewVisitGetsDefaults) {
    ASSERT_TRUE(InsertVisit(QStringLiteral("0001"), QStringLiteral("Ann")));
    EXPECT_FALSE(InsertVisit(QStringLiteral("0001"), QStringLiteral("Again")));
    DBManager db;
    const auto rows = db.GetRecordSet(QStringLiteral("SELECT * FROM [VisitorRegister]"));
    ASSERT_TRUE(rows.has_value());
    ASSERT_EQ(rows->RecordCount(), 1);
    EXPECT_EQ(rows->Field(QStringLiteral("Mobile")), QVariant(QString()));
    EXPECT_EQ(rows->Field(QStringLiteral("Remarks")), QVariant(QString()));
    EXPECT_TRUE(rows->Field(QStringLiteral("CheckedOut")).isNull());
    const QString checkedIn = rows->Field(QStringLiteral("CheckedIn")).toString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$"))
                    .match(checkedIn)
                    .hasMatch())
        << checkedIn.toStdString();
    const QDateTime stored =
        QDateTime::fromString(checkedIn, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    EXPECT_LE(std::abs(stored.secsTo(QDateTime::currentDateTime())), 120);
    // A pass number may not be missing.
    EXPECT_FALSE(db.ExecuteNonQuery(QStringLiteral("INSERT INTO [VisitorRegister] ([Name]) "
                                                   "VALUES ('x')")));
}

TEST_F(DBManagerTest, SettingsTableKeepsExactlyOneRow) {
    DBManager db;
    EXPECT_FALSE(db.ExecuteNonQuery(QStringLiteral("INSERT INTO [Settings] DEFAULT VALUES")));
    EXPECT_FALSE(db.ExecuteNonQuery(QStringLiteral("DELETE FROM [Settings]")));
    const auto rows = db.GetRecordSet(QStringLiteral("SELECT count(*) FROM [Settings]"));
    ASSERT_TRUE(rows.has_value());
    EXPECT_EQ(rows->Value(0, 0).toInt(), 1);
}

TEST_F(DBManagerTest, SharedFolderReplacesTheProgramFolder) {
    QTemporaryDir shared;
    ASSERT_TRUE(QDir().mkpath(shared.path() + QStringLiteral("/Data")));
    ASSERT_TRUE(QFile::rename(folder.DatabaseFile(),
                              shared.path() + QStringLiteral("/Data/quorvane.sys.qvd")));
    folder.SetEncipheredConfigValue(QStringLiteral("DISP"), shared.path());
    DBManager db;
    EXPECT_TRUE(db.IsDatabaseValid());
    EXPECT_EQ(db.Backup(folder.Path() + QStringLiteral("/copy.qbk")), QString());
    EXPECT_TRUE(QFile::exists(folder.Path() + QStringLiteral("/copy.qbk")));
    EXPECT_FALSE(QFile::exists(folder.DatabaseFile()));
}

TEST_F(DBManagerTest, Backup) {
    ASSERT_TRUE(InsertVisit(QStringLiteral("0001"), QStringLiteral("Ann")));
    DBManager db;
    const QString target = folder.Path() + QStringLiteral("/backup.qbk");
    folder.WriteFile(QStringLiteral("backup.qbk"), "an older backup");
    EXPECT_EQ(db.Backup(target), QString());
    QFile copy(target);
    QFile original(folder.DatabaseFile());
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), original.readAll());

    const QString missing = folder.Path() + QStringLiteral("/no/such/folder/backup.qbk");
    EXPECT_FALSE(db.Backup(missing).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(missing));
    EXPECT_EQ(folder.LogText(), QString());
}

TEST_F(DBManagerTest, BackupUsesTheConfiguredNameWithoutDefault) {
    folder.SetConfigValue(QStringLiteral("DATABASE"), QString());
    DBManager db;
    ASSERT_TRUE(db.IsDatabaseValid());
    EXPECT_FALSE(db.Backup(folder.Path() + QStringLiteral("/backup.qbk")).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(folder.Path() + QStringLiteral("/backup.qbk")));
}

TEST_F(DBManagerTest, PurgeVisitsDeletesOnlyWhatTheSafetyCopyHoldsUnchanged) {
    const auto insert = [](const QString& passNo, const QString& checkedIn) {
        ASSERT_TRUE(DBManager().ExecuteNonQuery(
            QStringLiteral("INSERT INTO [VisitorRegister] ([PassNo], [Name], [CheckedIn]) "
                           "VALUES (?, 'V', ?)"),
            {passNo, checkedIn}));
    };
    insert(QStringLiteral("0001"), QStringLiteral("2025-01-01 09:00:00"));
    insert(QStringLiteral("0002"), QStringLiteral("2025-01-02 09:00:00"));
    insert(QStringLiteral("0003"), QStringLiteral("2025-01-03 09:00:00"));
    insert(QStringLiteral("0004"), QStringLiteral("2025-02-01 09:00:00"));
    const QString copy = DataFile(QStringLiteral("quorvane.purge.copy"));
    ASSERT_EQ(DBManager().Backup(copy), QString());

    // Between the copy and the delete, other workstations go on working.
    DBManager db;
    ASSERT_TRUE(
        db.ExecuteNonQuery(QStringLiteral("UPDATE [VisitorRegister] SET [CheckedOut] = "
                                          "'2025-01-02 10:00:00' WHERE [PassNo] = '0002'")));
    // The newest visit goes, so the next one takes its row number again.
    ASSERT_TRUE(db.ExecuteNonQuery(
        QStringLiteral("DELETE FROM [VisitorRegister] WHERE [PassNo] = '0004'")));
    insert(QStringLiteral("0006"), QStringLiteral("2025-01-04 09:00:00"));
    insert(QStringLiteral("0005"), QStringLiteral("2025-01-05 09:00:00"));
    const auto reused = db.GetRecordSet(
        QStringLiteral("SELECT rowid FROM [VisitorRegister] WHERE [PassNo] = '0006'"));
    ASSERT_TRUE(reused && reused->RecordCount() == 1);
    ASSERT_EQ(reused->Value(0, 0).toInt(), 4);

    EXPECT_TRUE(db.PurgeVisits(copy, QStringLiteral("2025-01-31 23:59:59")));
    const auto rows =
        db.GetRecordSet(QStringLiteral("SELECT [PassNo] FROM [VisitorRegister] ORDER BY [PassNo]"));
    ASSERT_TRUE(rows.has_value());
    QStringList kept;
    for (int row = 0; row < rows->RecordCount(); ++row) {
        kept.append(rows->Value(row, 0).toString());
    }
    // Only the visits the copy holds as they are now are gone.
    EXPECT_EQ(kept, (QStringList{QStringLiteral("0002"), QStringLiteral("0005"),
                                 QStringLiteral("0006")}));
    EXPECT_EQ(folder.LogText(), QString());
}

} // namespace
