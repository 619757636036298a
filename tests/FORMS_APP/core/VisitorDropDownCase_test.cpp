#include "SqlcipherShell.h"
#include "VisitorFixture.h"

#include "core/DatabaseIndexes.h"

namespace {

using VisitorDropDownCase = VisitorFixture;

QStringList Values(const QString& column, const QString& filter = QString(), int cap = 0) {
    const std::optional<RecordSet> rows = Visitor().GetDDValues(column, filter, cap);
    EXPECT_TRUE(rows) << column.toStdString();
    QStringList values;
    if (rows) {
        for (int r = 0; r < rows->RecordCount(); ++r) {
            values.append(rows->Value(r, 0).toString());
        }
    }
    return values;
}

QStringList IndexNames() {
    const std::optional<RecordSet> rows = DBManager().GetRecordSet(
        QStringLiteral("SELECT [name] FROM sqlite_master WHERE [type] = 'index' AND [name] LIKE "
                       "'IX_%' ORDER BY [name]"));
    QStringList names;
    for (int r = 0; rows && r < rows->RecordCount(); ++r) {
        names.append(rows->Value(r, 0).toString());
    }
    return names;
}

// Runs a script through the sqlcipher shell on the register's file; its output.
QString Shell(const QString& file, const QString& script) {
    return SqlcipherShell::Run(file, QString::fromLatin1(DBManager::DatabasePassword), script);
}

// "<prefix>00001" ... "<prefix><last>", numbered from `first`.
QStringList Numbered(const char* prefix, int first, int last) {
    QStringList values;
    for (int i = first; i <= last; ++i) {
        values.append(QString::fromLatin1(prefix) + QString::number(i).rightJustified(5, u'0'));
    }
    return values;
}

// One visit a number from `first` to `last`, the column holding "<prefix>" and the number as five
// digits; one statement, so one transaction.
QString StoreNumbered(const char* column, const char* prefix, int first, int last) {
    return QStringLiteral("WITH RECURSIVE n(i) AS (SELECT %1 UNION ALL SELECT i + 1 FROM n WHERE "
                          "i < %2) INSERT INTO [VisitorRegister] ([PassNo], [%3]) SELECT '%4' || "
                          "i, '%5' || substr('0000' || i, -5) FROM n")
        .arg(first)
        .arg(last)
        .arg(QString::fromLatin1(column), QString::fromLatin1(column) + QString::fromLatin1(prefix),
             QString::fromLatin1(prefix));
}

} // namespace

// One entry a value whatever its letter case, for every letter; the spelling first in the
// column's order stands for the others.
TEST_F(VisitorDropDownCase, ValuesDifferingOnlyInLetterCaseComeOnce) {
    Execute(QStringLiteral(
        "INSERT INTO [VisitorRegister]([PassNo],[Company]) VALUES ('0001','Acme'),"
        "('0002','ACME'),('0003','acme'),('0004','École Nord'),('0005','ÉCOLE NORD'),"
        "('0006','école nord'),('0007','Ωmega'),('0008','ωMEGA'),('0009','Acme Ltd'),"
        "('0010', 42)"));
    const QStringList values = Values(QStringLiteral("Company"));
    EXPECT_EQ(values,
              (QStringList{QStringLiteral("42"), QStringLiteral("ACME"), QStringLiteral("Acme Ltd"),
                           QStringLiteral("ÉCOLE NORD"), QStringLiteral("Ωmega")}));
}

// An exclusion list keeps its values out in every spelling.
TEST_F(VisitorDropDownCase, ExclusionListIgnoresLetterCase) {
    Execute(QStringLiteral("INSERT INTO [VisitorRegister]([PassNo],[VisitorType],[Purpose]) "
                           "VALUES ('0001','general','ÉTUDE'),('0002','GENERAL','étude'),"
                           "('0003','Vendor','Official'),('0004','Contractor','OFFICIAL'),"
                           "('0005','contractor','Meeting')"));
    const struct {
        const char* column;
        QString filter;
        QStringList values;
    } cases[] = {
        {"VisitorType",
         QStringLiteral("('General', 'Vendor', 'Others')"),
         {QStringLiteral("Contractor")}},
        {"Purpose",
         QStringLiteral("('Official', 'Personal')"),
         {QStringLiteral("Meeting"), QStringLiteral("ÉTUDE")}},
        {"Purpose",
         QStringLiteral("('étude')"),
         {QStringLiteral("Meeting"), QStringLiteral("OFFICIAL")}},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.filter.toStdString());
        EXPECT_EQ(Values(QString::fromLatin1(entry.column), entry.filter), entry.values);
    }
}

// The record set names its column as the column, as a plain DISTINCT query would.
TEST_F(VisitorDropDownCase, RecordSetCarriesTheColumnName) {
    Execute(QStringLiteral("INSERT INTO [VisitorRegister]([PassNo],[ToMeet]) VALUES "
                           "('0001','Bob'),('0002','Bob'),('0003','Eve')"));
    const std::optional<RecordSet> rows = Visitor().GetDDValues(QStringLiteral("tomeet"));
    ASSERT_TRUE(rows);
    EXPECT_EQ(rows->FieldNames(), QStringList{QStringLiteral("ToMeet")});
    EXPECT_EQ(rows->RecordCount(), 2);
    EXPECT_EQ(rows->Field(QStringLiteral("ToMeet")).toString(), QStringLiteral("Bob"));
}

// A register made before these indexes existed gains them; adding them again changes nothing.
TEST_F(VisitorDropDownCase, MissingIndexesAreAddedToAnOlderRegister) {
    const QStringList installed = IndexNames();
    ASSERT_EQ(installed.size(), DatabaseIndexes::Statements().size());
    for (const QString& name : installed) {
        Execute(QStringLiteral("DROP INDEX [") + name + u']');
    }
    ASSERT_TRUE(IndexNames().isEmpty());
    EXPECT_TRUE(DatabaseIndexes::AddMissing());
    EXPECT_EQ(IndexNames(), installed);
    EXPECT_TRUE(DatabaseIndexes::AddMissing());
    EXPECT_EQ(IndexNames(), installed);
    EXPECT_TRUE(installed.contains(QStringLiteral("IX_VisitorRegister_Department")));
}

// The shell still reads and writes the register with its indexes.
TEST_F(VisitorDropDownCase, SqlcipherShellStillWritesTheRegister) {
    EXPECT_TRUE(DatabaseIndexes::AddMissing());
    Shell(Folder().DatabaseFile(),
          QStringLiteral("INSERT INTO VisitorRegister(PassNo, Company) VALUES ('0001', "
                         "'Shell Co');\n"));
    EXPECT_EQ(Values(QStringLiteral("Company")), QStringList{QStringLiteral("Shell Co")});
    EXPECT_EQ(Shell(Folder().DatabaseFile(), QStringLiteral("PRAGMA integrity_check;\n")).trimmed(),
              QStringLiteral("ok"));
}

// With a cap the values stop there, yet still each once whatever its letter case: spellings in
// capitals come first in the column's order, so merging their later variants forces reading past
// the first rows, and the exclusion list keeps its values out in any spelling however far it reads.
TEST_F(VisitorDropDownCase, CapKeepsDistinctValuesBeyondMergedVariants) {
    Execute(StoreNumbered("Company", "Firm ", 1, 20000));
    Execute(StoreNumbered("Company", "FIRM ", 1, 10000));
    Execute(StoreNumbered("VisitorType", "Type ", 1, 20000));
    Execute(StoreNumbered("VisitorType", "TYPE ", 1, 10000));
    Execute(QStringLiteral("INSERT INTO [VisitorRegister] ([PassNo], [VisitorType]) VALUES "
                           "('g1', 'GENERAL'), ('g2', 'general'), ('o1', 'OTHERS'), "
                           "('v1', 'vendor'), ('v2', 'VENDOR')"));
    const QString defaults = QStringLiteral("('General', 'Vendor', 'Others')");
    const struct {
        const char* column;
        QString filter;
        int cap;
        QStringList values;
    } cases[] = {
        {"Company", {}, 15000, Numbered("FIRM ", 1, 10000) + Numbered("Firm ", 10001, 15000)},
        {"Company", {}, 10001, Numbered("FIRM ", 1, 10000) + Numbered("Firm ", 10001, 10001)},
        {"Company", {}, 5, Numbered("FIRM ", 1, 5)},
        {"Company", {}, 0, Numbered("FIRM ", 1, 10000) + Numbered("Firm ", 10001, 20000)},
        {"Company", {}, 25000, Numbered("FIRM ", 1, 10000) + Numbered("Firm ", 10001, 20000)},
        {"VisitorType", defaults, 14997,
         Numbered("TYPE ", 1, 10000) + Numbered("Type ", 10001, 14997)},
        {"VisitorType",
         {},
         3,
         {QStringLiteral("GENERAL"), QStringLiteral("OTHERS"), QStringLiteral("TYPE 00001")}},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(std::string(entry.column) + " at most " + std::to_string(entry.cap));
        const QStringList values =
            Values(QString::fromLatin1(entry.column), entry.filter, entry.cap);
        EXPECT_EQ(values.size(), entry.values.size());
        EXPECT_EQ(values, entry.values);
    }
}
