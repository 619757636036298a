#include "DatabaseExclusiveLock.h"
#include "StatementWatch.h"
#include "VisitorFixture.h"

#include <memory>

namespace {

class VisitorValueListReading : public VisitorFixture {
protected:
    void TearDown() override { AppEnvironment::SetClock({}); }

    static void StoreCompanies() {
        Execute(QStringLiteral("INSERT INTO [VisitorRegister] ([PassNo], [Company], [ToMeet], "
                               "[Department]) VALUES ('0001', 'Acme', 'Bob', 'Sales'), "
                               "('0002', 'Zeta', 'Eve', 'Legal')"));
    }

    // A register of the version before the value lists, as one whose start could not yet bring
    // it to this one: no lists, and, when asked, none of the indexes that stood in for them.
    static void MakeOlder(bool withItsIndexes) {
        for (const char* trigger :
             {"VisitorRegister_CountValuesOnInsert", "VisitorRegister_CountValuesOnDelete",
              "VisitorRegister_CountValuesOnUpdate", "VisitorRegister_NoteReplacedOnInsert",
              "VisitorRegister_NoteReplacedOnUpdate", "VisitorRegister_CountReplacedOnInsert",
              "VisitorRegister_CountReplacedOnUpdate"}) {
            Execute(QStringLiteral("DROP TRIGGER IF EXISTS [") + QString::fromLatin1(trigger) +
                    u']');
        }
        for (const char* table : {"VisitorCompanies", "VisitorPersonsToMeet",
                                  "VisitorToMeetDepartments", "VisitorRegisterReplaced"}) {
            Execute(QStringLiteral("DROP TABLE IF EXISTS [") + QString::fromLatin1(table) + u']');
        }
        Execute(QStringLiteral("PRAGMA user_version = 0"));
        if (withItsIndexes) {
            Execute(QStringLiteral(
                "CREATE INDEX [IX_VisitorRegister_Company] ON [VisitorRegister] ([Company])"));
            Execute(QStringLiteral("CREATE INDEX [IX_VisitorRegister_ToMeetDepartment] ON "
                                   "[VisitorRegister] ([ToMeet], [Department])"));
        }
    }

    static std::optional<RecordSet> Companies() {
        return Visitor().GetDDValues(QStringLiteral("Company"));
    }
    static std::optional<RecordSet> Pairs() {
        return Visitor().FillSimpleSearch(QStringLiteral("ToMeet"), QStringLiteral("Department"),
                                          QStringLiteral("%"), QStringLiteral("%"), 100);
    }
};

} // namespace

// Another desk holds the register past the busy timeout and lets go the moment the reading's
// look-up of the schema has failed (its log line is the moment): the reading fails as any
// failed reading does, and nothing reads the visits without the lists or an index behind it.
TEST_F(VisitorValueListReading, ALookUpPastTheBusyTimeoutFailsTheReadingWithoutReadingTheVisits) {
    StoreCompanies();
    auto otherDesk = std::make_unique<DatabaseExclusiveLock>(Folder().DatabaseFile());
    AppEnvironment::SetClock([&otherDesk] {
        otherDesk.reset();
        return QDateTime(QDate(2024, 1, 10), QTime(8, 0, 0));
    });
    const StatementWatch watch;
    EXPECT_FALSE(Companies());
    EXPECT_FALSE(otherDesk);
    EXPECT_EQ(watch.Naming(QStringLiteral("VisitorRegister")), QStringList());
    EXPECT_TRUE(Folder().LogText().contains(QStringLiteral("GetDDValues")));
    // Once the register can be read the box gets its values again.
    EXPECT_EQ(Column(Companies(), 0), (QStringList{"Acme", "Zeta"}));
}

// Where the schema shows no lists, the readings take the index an older version made; where
// that is gone too they fail rather than read every visit at every step.
TEST_F(VisitorValueListReading, WithoutTheListsOnlyAnIndexIsRead) {
    struct Case {
        const char* name;
        bool withItsIndexes;
    };
    const Case cases[] = {{"older indexes", true}, {"no index", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Execute(QStringLiteral("DELETE FROM [VisitorRegister]"));
        Execute(QStringLiteral("DROP INDEX IF EXISTS [IX_VisitorRegister_Company]"));
        Execute(QStringLiteral("DROP INDEX IF EXISTS [IX_VisitorRegister_ToMeetDepartment]"));
        MakeOlder(c.withItsIndexes);
        StoreCompanies();
        const StatementWatch watch;
        const std::optional<RecordSet> companies = Companies();
        const std::optional<RecordSet> pairs = Pairs();
        if (c.withItsIndexes) {
            EXPECT_EQ(Column(companies, 0), (QStringList{"Acme", "Zeta"}));
            QStringList both;
            for (int r = 0; pairs && r < pairs->RecordCount(); ++r) {
                both.append(pairs->Text(r, 0) + u'/' + pairs->Text(r, 1));
            }
            both.sort();
            EXPECT_EQ(both, (QStringList{"Bob/Sales", "Eve/Legal"}));
        } else {
            EXPECT_FALSE(companies);
            EXPECT_FALSE(pairs);
        }
        for (const QString& statement : watch.Naming(QStringLiteral("VisitorRegister"))) {
            EXPECT_TRUE(statement.contains(QStringLiteral("INDEXED BY")))
                << statement.toStdString();
        }
    }
}
