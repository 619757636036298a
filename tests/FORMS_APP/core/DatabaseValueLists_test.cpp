#include "SqlcipherShell.h"
#include "VisitorFixture.h"

#include "core/DatabaseIndexes.h"
#include "core/Settings.h"

namespace {

class DatabaseValueLists : public VisitorFixture {
protected:
    static void Execute(const QString& statement) {
        ASSERT_TRUE(DBManager().ExecuteNonQuery(statement)) << statement.toStdString();
    }

    static QStringList Rows(const QString& query) {
        const std::optional<RecordSet> rows = DBManager().GetRecordSet(query);
        EXPECT_TRUE(rows) << query.toStdString();
        QStringList lines;
        for (int r = 0; rows && r < rows->RecordCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < rows->FieldCount(); ++c) {
                cells.append(rows->Value(r, c).isNull() ? QStringLiteral("<null>")
                                                        : rows->Value(r, c).toString());
            }
            lines.append(cells.join(u'|'));
        }
        return lines;
    }

    // Each list as it stands, beside what counting the visits gives; the rows at 0 are values no
    // visit carries any more, which no reader takes.
    static void ExpectListsMatchTheVisits() {
        const struct {
            const char* list;
            const char* columns;
            const char* listed;
        } lists[] = {
            {"VisitorCompanies", "[Company]", "[Company] > ''"},
            {"VisitorPersonsToMeet", "[ToMeet]", "[ToMeet] > ''"},
            {"VisitorToMeetDepartments", "[ToMeet], [Department]",
             "[ToMeet] IS NOT NULL AND [Department] IS NOT NULL"},
        };
        for (const auto& list : lists) {
            SCOPED_TRACE(list.list);
            const QString columns = QString::fromLatin1(list.columns);
            EXPECT_EQ(Rows(QStringLiteral("SELECT ") + columns +
                           QStringLiteral(", [Visits] FROM [") + QString::fromLatin1(list.list) +
                           QStringLiteral("] WHERE [Visits] <> 0 ORDER BY ") + columns),
                      Rows(QStringLiteral("SELECT ") + columns +
                           QStringLiteral(", count(*) FROM [VisitorRegister] WHERE ") +
                           QString::fromLatin1(list.listed) + QStringLiteral(" GROUP BY ") +
                           columns + QStringLiteral(" ORDER BY ") + columns));
        }
    }

    QString Shell(const QString& script) const {
        return SqlcipherShell::Run(Folder().DatabaseFile(),
                                   QString::fromLatin1(DBManager::DatabasePassword), script);
    }

    static QStringList Values(const QString& column) {
        const std::optional<RecordSet> rows = Visitor().GetDDValues(column);
        EXPECT_TRUE(rows);
        QStringList values;
        for (int r = 0; rows && r < rows->RecordCount(); ++r) {
            values.append(rows->Value(r, 0).toString());
        }
        return values;
    }

    static QStringList Pairs() {
        const std::optional<RecordSet> rows =
            Visitor().FillSimpleSearch(QStringLiteral("ToMeet"), QStringLiteral("Department"),
                                       QStringLiteral("%"), QStringLiteral("%"), 100);
        EXPECT_TRUE(rows);
        QStringList pairs;
        for (int r = 0; rows && r < rows->RecordCount(); ++r) {
            pairs.append(rows->Value(r, 0).toString() + u'/' + rows->Value(r, 1).toString());
        }
        return pairs;
    }

    static void StoreVisits() {
        Execute(QStringLiteral(
            "INSERT INTO [VisitorRegister] ([PassNo], [Company], [ToMeet], [Department], "
            "[CheckedIn]) VALUES ('0001', 'Acme', 'Bob', 'Sales', '2022-03-01 09:00:00'), "
            "('0002', 'Acme', 'Bob', 'Sales', '2023-03-01 09:00:00'), "
            "('0003', '', '', '', '2022-04-01 09:00:00'), "
            "('0004', NULL, 'Eve', NULL, '2022-05-01 09:00:00'), "
            "('0005', 'Zeta', 'Eve', 'Legal', '2022-06-01 09:00:00'), "
            "('0006', 'O''Neil Ltd', 'Bob', 'Legal', '2023-07-01 09:00:00')"));
    }
};

// Every way a visit changes, by the program and by the sqlcipher shell, keeps the counts those of
// the visits: a value enters with its first visit and leaves with its last.
TEST_F(DatabaseValueLists, CountsFollowEveryWriter) {
    ExpectListsMatchTheVisits();
    const QStringList steps = {
        // Through the program: the visits above, an edit of every listed column, a check-out
        // that touches none, deletes.
        QStringLiteral("UPDATE [VisitorRegister] SET [Company] = 'Acme', [ToMeet] = 'Ann', "
                       "[Department] = 'Sales' WHERE [PassNo] = '0005'"),
        QStringLiteral("UPDATE [VisitorRegister] SET [CheckedOut] = '2023-07-01 10:00:00' WHERE "
                       "[PassNo] = '0006'"),
        QStringLiteral("UPDATE [VisitorRegister] SET [Department] = NULL WHERE [PassNo] = '0001'"),
        QStringLiteral("DELETE FROM [VisitorRegister] WHERE [PassNo] IN ('0002', '0003')"),
    };
    StoreVisits();
    ExpectListsMatchTheVisits();
    for (const QString& step : steps) {
        SCOPED_TRACE(step.toStdString());
        Execute(step);
        ExpectListsMatchTheVisits();
    }
    // A conflict clause of the shell's statement reaches the trigger's steps too.
    Shell(QStringLiteral("INSERT INTO VisitorRegister (PassNo, Company, ToMeet, Department) "
                         "VALUES ('0007', 'Shell Co', 'Bob', 'Sales');\n"
                         "INSERT OR REPLACE INTO VisitorRegister (PassNo, Company, ToMeet, "
                         "Department) VALUES ('0008', 'Acme', 'Bob', 'Legal');\n"
                         "UPDATE VisitorRegister SET Company = 'Acme' WHERE PassNo = '0006';\n"
                         "DELETE FROM VisitorRegister WHERE PassNo = '0004';\n"));
    ExpectListsMatchTheVisits();
    EXPECT_EQ(Values(QStringLiteral("Company")),
              (QStringList{QStringLiteral("Acme"), QStringLiteral("Shell Co")}));
    EXPECT_EQ(Values(QStringLiteral("ToMeet")),
              (QStringList{QStringLiteral("Ann"), QStringLiteral("Bob")}));
    EXPECT_EQ(Pairs(), (QStringList{QStringLiteral("Ann/Sales"), QStringLiteral("Bob/Legal"),
                                    QStringLiteral("Bob/Sales")}));
}

// The shell's REPLACE removes the visit that holds the pass number (or row number) without its
// delete trigger; its values leave the lists all the same. Where the conflict is ignored
// instead, the visit and its values stay.
TEST_F(DatabaseValueLists, AVisitReplacedThroughItsPassNumberTakesItsValuesAlong) {
    struct Case {
        const char* name;
        const char* script;
    };
    const Case cases[] = {
        {"insert or replace",
         "INSERT OR REPLACE INTO VisitorRegister (PassNo, Company, ToMeet, Department) VALUES "
         "('0005', 'New Co', 'Ann', 'HR');"},
        {"replace into",
         "REPLACE INTO VisitorRegister (PassNo, Company, ToMeet, Department) VALUES ('0005', "
         "'New Co', 'Ann', 'HR');"},
        {"update or replace",
         "UPDATE OR REPLACE VisitorRegister SET PassNo = '0005' WHERE PassNo = '0006';"},
        {"update or replace of the values too",
         "UPDATE OR REPLACE VisitorRegister SET PassNo = '0005', Company = 'New Co' WHERE PassNo "
         "= '0001';"},
        {"row number taken",
         "INSERT OR REPLACE INTO VisitorRegister (rowid, PassNo, Company) SELECT rowid, '0099', "
         "'New Co' FROM VisitorRegister WHERE PassNo = '0005';"},
        {"every visit at once",
         "INSERT OR REPLACE INTO VisitorRegister (PassNo, Company, ToMeet, Department) SELECT "
         "PassNo, 'New Co', ToMeet, 'HR' FROM VisitorRegister;"},
        {"recursive triggers on",
         "PRAGMA recursive_triggers = ON;\nREPLACE INTO VisitorRegister (PassNo, Company) VALUES "
         "('0005', 'New Co');"},
        {"ignored, then deleted",
         "INSERT OR IGNORE INTO VisitorRegister (PassNo, Company) VALUES ('0005', 'New Co');\n"
         "DELETE FROM VisitorRegister WHERE PassNo = '0005';\n"
         "INSERT INTO VisitorRegister (PassNo, Company) VALUES ('0009', 'Acme');"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Execute(QStringLiteral("DELETE FROM [VisitorRegister]"));
        StoreVisits();
        Shell(QString::fromLatin1(c.script) + u'\n');
        ExpectListsMatchTheVisits();
    }
    // The one that stayed counted shows, and the replaced visit's company is gone.
    Execute(QStringLiteral("DELETE FROM [VisitorRegister]"));
    StoreVisits();
    Shell(QStringLiteral("INSERT OR IGNORE INTO VisitorRegister (PassNo, Company) VALUES ('0001', "
                         "'Ignored Co');\nREPLACE INTO VisitorRegister (PassNo, Company) VALUES "
                         "('0005', 'New Co');\n"));
    EXPECT_EQ(Values(QStringLiteral("Company")),
              (QStringList{QStringLiteral("Acme"), QStringLiteral("New Co"),
                           QStringLiteral("O'Neil Ltd")}));
}

// A register of the version before the schema version has the lists and their three triggers:
// the start keeps the counts as they stand (a recount would drop the row at 0) and adds what
// counts out a replaced visit.
TEST_F(DatabaseValueLists, TheListsOfTheVersionBeforeGainWhatCountsOutAReplacedVisit) {
    StoreVisits();
    Execute(QStringLiteral("DELETE FROM [VisitorRegister] WHERE [PassNo] = '0005'"));
    const QString onDelete =
        Rows(QStringLiteral("SELECT [sql] FROM sqlite_master WHERE [name] = "
                            "'VisitorRegister_CountValuesOnDelete'"))
            .value(0)
            .replace(QStringLiteral(" DELETE FROM [VisitorRegisterReplaced] WHERE [Row] = "
                                    "OLD.rowid;"),
                     QString());
    for (const char* trigger :
         {"VisitorRegister_CountValuesOnDelete", "VisitorRegister_NoteReplacedOnInsert",
          "VisitorRegister_NoteReplacedOnUpdate", "VisitorRegister_CountReplacedOnInsert",
          "VisitorRegister_CountReplacedOnUpdate"}) {
        Execute(QStringLiteral("DROP TRIGGER IF EXISTS [") + QString::fromLatin1(trigger) + u']');
    }
    Execute(QStringLiteral("DROP TABLE IF EXISTS [VisitorRegisterReplaced]"));
    Execute(onDelete);
    Execute(QStringLiteral("PRAGMA user_version = 0"));
    const QStringList before = Rows(QStringLiteral("SELECT * FROM [VisitorCompanies]"));
    ASSERT_TRUE(before.contains(QStringLiteral("Zeta|0")));

    EXPECT_TRUE(DatabaseIndexes::AddMissing());
    EXPECT_EQ(Rows(QStringLiteral("SELECT * FROM [VisitorCompanies]")), before);
    Shell(QStringLiteral("REPLACE INTO VisitorRegister (PassNo, Company) VALUES ('0006', 'New "
                         "Co');\nDELETE FROM VisitorRegister WHERE PassNo = '0001';\n"));
    ExpectListsMatchTheVisits();
}

// A register of an earlier version has indexes in value order and no lists: the start adds the
// lists, counted from the visits, drops those indexes, and the lists go on following the visits.
TEST_F(DatabaseValueLists, AnOlderRegisterGainsCountedListsAndLosesTheIndexesTheyReplace) {
    StoreVisits();
    for (const char* trigger :
         {"VisitorRegister_CountValuesOnInsert", "VisitorRegister_CountValuesOnDelete",
          "VisitorRegister_CountValuesOnUpdate", "VisitorRegister_NoteReplacedOnInsert",
          "VisitorRegister_NoteReplacedOnUpdate", "VisitorRegister_CountReplacedOnInsert",
          "VisitorRegister_CountReplacedOnUpdate"}) {
        Execute(QStringLiteral("DROP TRIGGER IF EXISTS [") + QString::fromLatin1(trigger) + u']');
    }
    for (const char* table : {"VisitorCompanies", "VisitorPersonsToMeet",
                              "VisitorToMeetDepartments", "VisitorRegisterReplaced"}) {
        Execute(QStringLiteral("DROP TABLE IF EXISTS [") + QString::fromLatin1(table) + u']');
    }
    Execute(QStringLiteral(
        "CREATE INDEX [IX_VisitorRegister_Company] ON [VisitorRegister] ([Company])"));
    Execute(QStringLiteral("CREATE INDEX [IX_VisitorRegister_ToMeetDepartment] ON "
                           "[VisitorRegister] ([ToMeet], [Department])"));
    Execute(QStringLiteral("PRAGMA user_version = 0"));
    ASSERT_FALSE(DatabaseIndexes::HasValueLists());
    // Until then the drop-down reads the register itself.
    EXPECT_EQ(Values(QStringLiteral("Company")),
              (QStringList{QStringLiteral("Acme"), QStringLiteral("O'Neil Ltd"),
                           QStringLiteral("Zeta")}));
    Execute(QStringLiteral("INSERT INTO [VisitorRegister] ([PassNo], [Company]) VALUES ('0008', "
                           "'Before the lists')"));

    EXPECT_TRUE(DatabaseIndexes::AddMissing());
    EXPECT_TRUE(DatabaseIndexes::HasValueLists());
    ExpectListsMatchTheVisits();
    EXPECT_EQ(Rows(QStringLiteral("SELECT [name] FROM sqlite_master WHERE [name] IN "
                                  "('IX_VisitorRegister_Company', "
                                  "'IX_VisitorRegister_ToMeetDepartment')")),
              QStringList());
    Execute(QStringLiteral("DELETE FROM [VisitorRegister] WHERE [PassNo] = '0005'"));
    ExpectListsMatchTheVisits();
    EXPECT_EQ(Values(QStringLiteral("Company")),
              (QStringList{QStringLiteral("Acme"), QStringLiteral("Before the lists"),
                           QStringLiteral("O'Neil Ltd")}));
    // Once there, they are not counted again.
    const QStringList before = Rows(QStringLiteral("SELECT * FROM [VisitorCompanies]"));
    EXPECT_TRUE(DatabaseIndexes::AddMissing());
    EXPECT_EQ(Rows(QStringLiteral("SELECT * FROM [VisitorCompanies]")), before);
}

// After a purge the lists hold only the values the remaining visits carry: no row of a value
// that only purged visits had.
TEST_F(DatabaseValueLists, APurgeLeavesOnlyTheValuesOfTheVisitsLeft) {
    AppEnvironment::SetClock([] { return QDateTime(QDate(2024, 1, 10), QTime(8, 0, 0)); });
    StoreVisits();
    ASSERT_EQ(Settings().Purge(QStringLiteral("31-12-2022")), QString());
    ASSERT_EQ(Rows(QStringLiteral("SELECT count(*) FROM [VisitorRegister]")),
              QStringList{QStringLiteral("2")});
    ExpectListsMatchTheVisits();
    for (const char* table :
         {"VisitorCompanies", "VisitorPersonsToMeet", "VisitorToMeetDepartments"}) {
        EXPECT_EQ(Rows(QStringLiteral("SELECT count(*) FROM [") + QString::fromLatin1(table) +
                       QStringLiteral("] WHERE [Visits] <= 0")),
                  QStringList{QStringLiteral("0")})
            << table;
    }
    EXPECT_EQ(Values(QStringLiteral("ToMeet")), QStringList{QStringLiteral("Bob")});
    EXPECT_EQ(Pairs(), (QStringList{QStringLiteral("Bob/Legal"), QStringLiteral("Bob/Sales")}));
}

} // namespace
