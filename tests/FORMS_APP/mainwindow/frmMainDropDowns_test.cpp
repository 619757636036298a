#include "frmMainDetailsFixture.h"

namespace {

const char* const kSearchLists[] = {"ddSearchVisitorType", "ddSearchCompany", "txtSearchToMeet",
                                    "ddSearchPurpose", "ddSearchDepartment"};

class frmMainDropDownsTest : public frmMainDetailsTest {
protected:
    // Visits numbered from `first`, one value of the column each.
    static void StoreValues(const char* column, const QStringList& values, int first = 1) {
        for (int i = 0; i < values.size(); ++i) {
            Execute(QStringLiteral("INSERT INTO [VisitorRegister] ([PassNo], [%1]) VALUES ('%2', "
                                   "'%3')")
                        .arg(QString::fromLatin1(column))
                        .arg(QString::number(first + i).rightJustified(4, u'0'))
                        .arg(values.at(i)));
        }
    }

    // `count` distinct values "<prefix>1" ... of the column in as many visits.
    static void StoreDistinctValues(const char* column, int count, const char* prefix) {
        Execute(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                               "WHERE i < %1) INSERT INTO [VisitorRegister] ([PassNo], [%2]) "
                               "SELECT printf('%04d', i), '%3' || i FROM n")
                    .arg(count)
                    .arg(QString::fromLatin1(column))
                    .arg(QString::fromLatin1(prefix)));
    }

    // 30,000 visits: "Firm 00001" ... "Firm 20000" then "FIRM 00001" ... "FIRM 10000" as the
    // company, "Type ..." and "TYPE ..." the same way as the visitor type; the spellings in
    // capitals come first in the column's order. Then the visitor types that the exclusion list
    // holds, in other spellings.
    static void StoreVariantsBeyondTheCap() {
        Execute(QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 30000) "
            "INSERT INTO [VisitorRegister] ([PassNo], [Company], [VisitorType]) SELECT "
            "substr('0000' || i, -5), CASE WHEN i <= 20000 THEN 'Firm ' || substr('0000' || i, "
            "-5) ELSE 'FIRM ' || substr('0000' || (i - 20000), -5) END, CASE WHEN i <= 20000 "
            "THEN 'Type ' || substr('0000' || i, -5) ELSE 'TYPE ' || substr('0000' || (i - "
            "20000), -5) END FROM n"));
        Execute(QStringLiteral("INSERT INTO [VisitorRegister] ([PassNo], [VisitorType]) VALUES "
                               "('g1', 'GENERAL'), ('g2', 'general'), ('o1', 'OTHERS'), "
                               "('v1', 'vendor'), ('v2', 'VENDOR')"));
    }

    // "<prefix>00001" ... "<prefix><last>", numbered from `first`.
    static QStringList Numbered(const char* prefix, int first, int last) {
        QStringList values;
        for (int i = first; i <= last; ++i) {
            values.append(QString::fromLatin1(prefix) + QString::number(i).rightJustified(5, u'0'));
        }
        return values;
    }
};

} // namespace

TEST_F(frmMainDropDownsTest, EmptyRegisterOffersOnlyTheFixedItems) {
    OpenWindow();
    EXPECT_EQ(Items("ddVisitorType"),
              (QStringList{QStringLiteral("General"), QStringLiteral("Vendor"),
                           QStringLiteral("Others")}));
    EXPECT_EQ(Items("ddPurpose"),
              (QStringList{QStringLiteral("Official"), QStringLiteral("Personal")}));
    for (const char* list : {"ddCompany", "ddDepartment"}) {
        EXPECT_TRUE(Items(list).isEmpty()) << list;
    }
    for (const char* list : kSearchLists) {
        EXPECT_TRUE(Items(list).isEmpty()) << list;
    }
    EXPECT_TRUE(Combo("ddVisitorType")->currentText().isEmpty());
    EXPECT_TRUE(Combo("ddPurpose")->currentText().isEmpty());
}

// Stored values follow the fixed items, each once whatever its letter case; empty and Null
// values never appear. The department list takes no exclusion list.
TEST_F(frmMainDropDownsTest, StoredValuesFollowTheFixedItemsOnce) {
    StoreValues("Purpose", {QStringLiteral("Official"), QStringLiteral("Meeting"),
                            QStringLiteral("official"), QStringLiteral("MEETING"), QString()});
    StoreValues("VisitorType", {QStringLiteral("Contractor"), QStringLiteral("vendor")}, 10);
    StoreValues("Department", {QStringLiteral("Personal"), QStringLiteral("Sales")}, 20);
    Execute(QStringLiteral("INSERT INTO [VisitorRegister] ([PassNo], [Company], [Purpose]) "
                           "VALUES ('0030', NULL, NULL)"));
    OpenWindow();
    EXPECT_EQ(Items("ddPurpose"),
              (QStringList{QStringLiteral("Official"), QStringLiteral("Personal"),
                           QStringLiteral("MEETING")}));
    EXPECT_EQ(Items("ddVisitorType"),
              (QStringList{QStringLiteral("General"), QStringLiteral("Vendor"),
                           QStringLiteral("Others"), QStringLiteral("Contractor")}));
    EXPECT_EQ(Items("ddDepartment"),
              (QStringList{QStringLiteral("Personal"), QStringLiteral("Sales")}));
    EXPECT_TRUE(Items("ddCompany").isEmpty());
    // The search lists hold only what visits stored, with no fixed items.
    EXPECT_EQ(Items("ddSearchPurpose"),
              (QStringList{QStringLiteral("MEETING"), QStringLiteral("Official")}));
    EXPECT_EQ(Items("ddSearchVisitorType"),
              (QStringList{QStringLiteral("Contractor"), QStringLiteral("vendor")}));
}

// At most 15000 items in a box, the fixed ones counted.
TEST_F(frmMainDropDownsTest, ListsStopAt15000Items) {
    StoreDistinctValues("VisitorType", 15001, "Type ");
    Execute(QStringLiteral("UPDATE [VisitorRegister] SET [Company] = 'Company ' || [PassNo]"));
    OpenWindow();
    const QStringList types = Items("ddVisitorType");
    ASSERT_EQ(types.size(), 15000);
    EXPECT_EQ(types.mid(0, 3), (QStringList{QStringLiteral("General"), QStringLiteral("Vendor"),
                                            QStringLiteral("Others")}));
    EXPECT_EQ(Items("ddCompany").size(), 15000);
    EXPECT_EQ(Items("ddSearchVisitorType").size(), 15000);
    EXPECT_EQ(Items("ddSearchCompany").size(), 15000);
}

// Beyond the cap the lists still hold 15000 items, each value once whatever its letter case even
// where merging spellings meant reading past the first 15000 values, the fixed items first and
// the excluded values in none of their spellings; a search filter survives the refill.
TEST_F(frmMainDropDownsTest, CappedListsMergeSpellingsReadBeyondTheCap) {
    StoreVariantsBeyondTheCap();
    frmMain& main = OpenWindow();
    Combo("ddSearchCompany")->setEditText(QStringLiteral("firm 123"));
    Combo("ddSearchVisitorType")->setEditText(QStringLiteral("Vendor"));
    main.EnableNewMode();
    const QStringList companies = Numbered("FIRM ", 1, 10000) + Numbered("Firm ", 10001, 15000);
    const struct {
        const char* list;
        QStringList items;
    } cases[] = {
        {"ddCompany", companies},
        {"ddSearchCompany", companies},
        {"ddVisitorType", QStringList{QStringLiteral("General"), QStringLiteral("Vendor"),
                                      QStringLiteral("Others")} +
                              Numbered("TYPE ", 1, 10000) + Numbered("Type ", 10001, 14997)},
        {"ddSearchVisitorType", QStringList{QStringLiteral("GENERAL"), QStringLiteral("OTHERS")} +
                                    Numbered("TYPE ", 1, 10000) + Numbered("Type ", 10001, 14998)},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.list);
        const QStringList items = Items(entry.list);
        EXPECT_EQ(items.size(), 15000);
        EXPECT_EQ(items, entry.items);
    }
    EXPECT_EQ(Combo("ddSearchCompany")->currentText(), QStringLiteral("firm 123"));
    EXPECT_EQ(Combo("ddSearchVisitorType")->currentText(), QStringLiteral("Vendor"));
}

// Lists of one column share a reading within a refill, never across refills: a value stored
// since the last refill is in both lists after the next.
TEST_F(frmMainDropDownsTest, EachRefillReadsValuesStoredSinceTheLast) {
    StoreValues("Company", {QStringLiteral("Acme")});
    frmMain& main = OpenWindow();
    StoreValues("Company", {QStringLiteral("Globex")}, 2);
    StoreValues("Department", {QStringLiteral("Sales")}, 3);
    main.EnableNewMode();
    for (const char* list : {"ddCompany", "ddSearchCompany"}) {
        EXPECT_EQ(Items(list), (QStringList{QStringLiteral("Acme"), QStringLiteral("Globex")}))
            << list;
    }
    for (const char* list : {"ddDepartment", "ddSearchDepartment"}) {
        EXPECT_EQ(Items(list), QStringList{QStringLiteral("Sales")}) << list;
    }
}

// A filter on the search page survives the refill; the details page starts empty or preset.
TEST_F(frmMainDropDownsTest, RefillKeepsSearchTextAndPresetsRememberedDefaults) {
    StoreValues("Company", {QStringLiteral("Acme"), QStringLiteral("Globex")});
    frmMain& main = OpenWindow();
    Combo("ddSearchCompany")->setEditText(QStringLiteral("Glob"));
    Combo("txtSearchToMeet")->setEditText(QStringLiteral("Bob"));
    Combo("ddSearchVisitorType")->setEditText(QStringLiteral("Vendor"));
    Combo("ddCompany")->setEditText(QStringLiteral("Typed"));
    Remember("VType", QStringLiteral("Interview"));
    Remember("VPurpose", QStringLiteral("Official"));
    main.EnableNewMode();
    EXPECT_EQ(Combo("ddSearchCompany")->currentText(), QStringLiteral("Glob"));
    EXPECT_EQ(Combo("txtSearchToMeet")->currentText(), QStringLiteral("Bob"));
    EXPECT_EQ(Combo("ddSearchVisitorType")->currentText(), QStringLiteral("Vendor"));
    EXPECT_EQ(Items("ddSearchCompany"),
              (QStringList{QStringLiteral("Acme"), QStringLiteral("Globex")}));
    EXPECT_TRUE(Combo("ddCompany")->currentText().isEmpty());
    EXPECT_EQ(Combo("ddVisitorType")->currentText(), QStringLiteral("Interview"));
    EXPECT_EQ(Combo("ddPurpose")->currentText(), QStringLiteral("Official"));
    EXPECT_EQ(Combo("ddPurpose")->currentIndex(), -1);
}

// A database that cannot be read leaves the fixed items and one log line a list.
TEST_F(frmMainDropDownsTest, FailedQueryKeepsFixedItemsAndIsLogged) {
    frmMain& main = OpenWindow();
    QFile database(folder.DatabaseFile());
    ASSERT_TRUE(database.open(QIODevice::WriteOnly | QIODevice::Truncate));
    database.write(QByteArray(4096, 'x'));
    database.close();
    folder.ClearLog();
    Combo("ddSearchCompany")->setEditText(QStringLiteral("Acme"));
    try {
        frmMainDetailsAccess::ClearVisitorDetails(main, false);
    } catch (...) {
        ADD_FAILURE() << "emptying the page raised";
    }
    EXPECT_EQ(Items("ddVisitorType"),
              (QStringList{QStringLiteral("General"), QStringLiteral("Vendor"),
                           QStringLiteral("Others")}));
    EXPECT_EQ(Items("ddPurpose"),
              (QStringList{QStringLiteral("Official"), QStringLiteral("Personal")}));
    EXPECT_EQ(Combo("ddSearchCompany")->currentText(), QStringLiteral("Acme"));
    const QStringList lines = LogLinesFrom(QStringLiteral("FillDDValues"));
    EXPECT_EQ(lines.size(), 9) << folder.LogText().toStdString();
    EXPECT_TRUE(folder.LogText().contains(QStringLiteral("\r\nDD Name --> ddVisitorType")));
    EXPECT_TRUE(folder.LogText().contains(QStringLiteral("\r\nDD Name --> txtSearchToMeet")));
}
