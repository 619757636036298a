#include "StatementWatch.h"
#include "VisitorFixture.h"

#include "core/DatabaseIndexes.h"
#include "core/SqlCipherConnection.h"

#include <memory>

namespace {

class DatabaseMigration : public VisitorFixture {
protected:
    static QString Single(const QString& query, const QString& databaseName = {}) {
        DBManager database;
        database.SetDatabaseName(databaseName);
        const std::optional<RecordSet> rows = database.GetRecordSet(query);
        EXPECT_TRUE(rows) << query.toStdString();
        return rows && rows->RecordCount() > 0 ? rows->Value(0, 0).toString() : QString();
    }
    static int SchemaVersion(const QString& databaseName = {}) {
        return Single(QStringLiteral("PRAGMA schema_version"), databaseName).toInt();
    }
    static int UserVersion(const QString& databaseName = {}) {
        return Single(QStringLiteral("PRAGMA user_version"), databaseName).toInt();
    }
    // The companies as listed, beside a fresh count of the visits.
    static QString Listed() {
        return Single(
            QStringLiteral("SELECT group_concat([Company] || ':' || [Visits]) FROM (SELECT * FROM "
                           "[VisitorCompanies] WHERE [Visits] <> 0 ORDER BY [Company])"));
    }
    static QString Counted() {
        return Single(QStringLiteral(
            "SELECT group_concat([Company] || ':' || [n]) FROM (SELECT [Company], count(*) AS "
            "[n] FROM [VisitorRegister] WHERE [Company] > '' GROUP BY [Company] ORDER BY "
            "[Company])"));
    }

    // The register as the version before the value lists left it: no version, no lists, the
    // indexes that stood in for them.
    static void MakeOlder(const QString& databaseName = {}) {
        DBManager database;
        database.SetDatabaseName(databaseName);
        QStringList statements;
        for (const char* trigger :
             {"VisitorRegister_CountValuesOnInsert", "VisitorRegister_CountValuesOnDelete",
              "VisitorRegister_CountValuesOnUpdate", "VisitorRegister_NoteReplacedOnInsert",
              "VisitorRegister_NoteReplacedOnUpdate", "VisitorRegister_CountReplacedOnInsert",
              "VisitorRegister_CountReplacedOnUpdate"}) {
            statements.append(QStringLiteral("DROP TRIGGER IF EXISTS [") +
                              QString::fromLatin1(trigger) + u']');
        }
        for (const char* table : {"VisitorCompanies", "VisitorPersonsToMeet",
                                  "VisitorToMeetDepartments", "VisitorRegisterReplaced"}) {
            statements.append(QStringLiteral("DROP TABLE IF EXISTS [") +
                              QString::fromLatin1(table) + u']');
        }
        statements.append(QStringLiteral(
            "CREATE INDEX [IX_VisitorRegister_Company] ON [VisitorRegister] ([Company])"));
        statements.append(QStringLiteral("CREATE INDEX [IX_VisitorRegister_ToMeetDepartment] ON "
                                         "[VisitorRegister] ([ToMeet], [Department])"));
        ASSERT_TRUE(database.ExecuteInOneTransaction(statements));
        ASSERT_TRUE(database.ExecuteNonQuery(QStringLiteral("PRAGMA user_version = 0")));
    }

    // Visits enough that counting them into the lists changes more pages than a connection
    // keeps in memory by default.
    static void StoreManyVisits() {
        Execute(QStringLiteral(
            "INSERT INTO [VisitorRegister] ([PassNo], [Name], [Company], [ToMeet], "
            "[Department]) WITH RECURSIVE [n]([i]) AS (SELECT 1 UNION ALL SELECT [i] + 1 FROM "
            "[n] WHERE [i] < 40000) SELECT printf('%05d', [i]), 'Visitor ' || [i], 'Company "
            "number ' || [i] || ' of the register', 'Person to meet ' || [i], 'Department ' || "
            "([i] % 40) FROM [n]"));
    }

    QString CopyOfTheRegister(const QString& name) const {
        const QString copy = Folder().DataFolder() + u'/' + name;
        EXPECT_TRUE(QFile::copy(Folder().DatabaseFile(), copy));
        return name;
    }
};

} // namespace

// Two desks start together on an older register: the second finds, under the write lock, that
// the first has done it, so the lists are counted once and the schema changes as for one start.
TEST_F(DatabaseMigration, TwoDesksStartingTogetherMigrateOnce) {
    Execute(QStringLiteral("INSERT INTO [VisitorRegister] ([PassNo], [Company]) VALUES ('0001', "
                           "'Acme'), ('0002', 'Acme'), ('0003', 'Zeta')"));
    MakeOlder();
    const QString alone = CopyOfTheRegister(QStringLiteral("alone.qvd"));
    const int before = SchemaVersion();
    ASSERT_TRUE(DatabaseIndexes::AddMissing(alone));
    const int oneStart = SchemaVersion(alone) - before;

    // The other desk runs its whole start the moment this desk asks for the write lock.
    bool armed = true;
    const StatementWatch watch([&armed](const QString& statement) {
        if (armed && statement.startsWith(QStringLiteral("BEGIN IMMEDIATE"))) {
            armed = false;
            EXPECT_TRUE(DatabaseIndexes::AddMissing());
        }
    });
    EXPECT_TRUE(DatabaseIndexes::AddMissing());
    EXPECT_FALSE(armed);
    EXPECT_EQ(SchemaVersion() - before, oneStart);
    EXPECT_EQ(UserVersion(), UserVersion(alone));
    EXPECT_GT(UserVersion(), 0);
    EXPECT_EQ(Listed(), QStringLiteral("Acme:2,Zeta:1"));
}

// A register of a newer version is not touched, not even to the last byte.
TEST_F(DatabaseMigration, ANewerRegisterIsLeftAsItIs) {
    // Older indexes a newer version might well have left, and no lists.
    MakeOlder();
    Execute(QStringLiteral("PRAGMA user_version = 1000"));
    const QByteArray before = ReadBytes(Folder().DatabaseFile());
    EXPECT_FALSE(DatabaseIndexes::AddMissing());
    EXPECT_EQ(ReadBytes(Folder().DatabaseFile()), before);
}

// Another desk reads on while the start counts the lists: a desk that starts a reading then
// gets through, the start fails once the other reading has outlasted the busy timeout at its
// commit, changing nothing, and the next start does it.
TEST_F(DatabaseMigration, ALongReadingBesideTheStartLetsOtherDesksReadAndTheNextStartMigrates) {
    StoreManyVisits();
    MakeOlder();
    const QString counted = Counted();
    const int before = SchemaVersion();
    auto longReading = std::make_unique<SqlCipherConnection>(
        Folder().DatabaseFile(), QString::fromLatin1(DBManager::DatabasePassword));
    longReading->ExecuteScript(
        QStringLiteral("BEGIN; SELECT count(*) FROM [VisitorRegister] WHERE [Name] > '';"));

    bool armed = true;
    std::optional<RecordSet> otherDesk;
    const StatementWatch watch([&](const QString& statement) {
        if (armed && statement.startsWith(QStringLiteral("COMMIT"))) {
            armed = false;
            otherDesk =
                DBManager().GetRecordSet(QStringLiteral("SELECT count(*) FROM [VisitorRegister]"));
        }
    });
    EXPECT_FALSE(DatabaseIndexes::AddMissing());
    EXPECT_FALSE(armed);
    ASSERT_TRUE(otherDesk);
    EXPECT_EQ(otherDesk->Field(0).toInt(), 40000);
    EXPECT_EQ(SchemaVersion(), before);
    EXPECT_EQ(UserVersion(), 0);
    EXPECT_FALSE(DatabaseIndexes::HasValueLists());

    longReading.reset();
    EXPECT_TRUE(DatabaseIndexes::AddMissing());
    EXPECT_GT(UserVersion(), 0);
    EXPECT_EQ(Listed(), counted);
}
