#include "TempProgramFolder.h"

#include "core/DBManager.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

class DBManagerTest : public ::testing::Test {
protected:
    TempProgramFolder folder;

    void InsertVisit(const QString& passNo, const QString& checkedIn) {
        DBManager db;
        ASSERT_TRUE(db.ExecuteNonQuery(
            QStringLiteral("INSERT INTO [VisitorRegister] ([PassNo], [Name], [CheckedIn]) "
                           "VALUES (?, ?, ?)"),
            {passNo, QString(QStringLiteral("Visitor ") + passNo), checkedIn}));
    }
};

TEST_F(DBManagerTest, FreshDatabaseIsValidAndHasOneSettingsRow) {
    ASSERT_TRUE(folder.IsValid());
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

} // namespace
