#include "basMain.h"

#include "TempProgramFolder.h"

#include "core/DBManager.h"
#include "core/DatabaseIndexes.h"
#include "core/Visitor.h"
#include "mainwindow/MsgBox.h"

#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

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

} // namespace

// A program folder for one start, with message boxes recorded.
class basMainIndexesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(program.IsValid());
        QFile::setPermissions(qEnvironmentVariable("XDG_RUNTIME_DIR"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        MsgBox::StartRecording();
    }

    void TearDown() override {
        delete first.data();
        basMain::ReleaseInstance();
        MsgBox::StopRecording();
    }

    // Starts the program; the first window must open without a message.
    void Start() {
        first = basMain::Main();
        EXPECT_NE(first, nullptr);
        EXPECT_TRUE(MsgBox::Recorded().empty());
    }

    TempProgramFolder program;
    QPointer<QWidget> first;
};

// A register installed by an earlier version has none of the drop-down indexes: the start adds
// them before the first window opens.
TEST_F(basMainIndexesTest, StartAddsTheIndexesAnOlderRegisterLacks) {
    const QStringList installed = IndexNames();
    ASSERT_EQ(installed.size(), DatabaseIndexes::Statements().size());
    for (const QString& name : installed) {
        ASSERT_TRUE(DBManager().ExecuteNonQuery(QStringLiteral("DROP INDEX [") + name + u']'));
    }
    Start();
    EXPECT_EQ(IndexNames(), installed);
}

// A register of the version that kept the (name, company) pairs in name order: the start drops
// that index, which every transaction of a purge would rewrite, and the look-up reads its
// replacement.
TEST_F(basMainIndexesTest, StartReplacesTheNameOrderedPairIndex) {
    const QStringList installed = IndexNames();
    ASSERT_TRUE(DBManager().ExecuteNonQuery(
        QStringLiteral("DROP INDEX [IX_VisitorRegister_CheckedInNameCompany]")));
    ASSERT_TRUE(DBManager().ExecuteNonQuery(
        QStringLiteral("CREATE INDEX [IX_VisitorRegister_NameCompany] ON [VisitorRegister] "
                       "([Name], [Company])")));
    ASSERT_TRUE(DBManager().ExecuteNonQuery(
        QStringLiteral("INSERT INTO [VisitorRegister] ([PassNo], [Name], [Company], [ToMeet]) "
                       "VALUES ('0001', 'Ann Lee', 'Acme', 'Bob Ray')")));
    ASSERT_TRUE(DBManager().ExecuteNonQuery(QStringLiteral("PRAGMA user_version = 0")));

    Start();
    EXPECT_EQ(IndexNames(), installed);
    const std::optional<RecordSet> pairs =
        Visitor().FillSimpleSearch(QStringLiteral("Name"), QStringLiteral("Company"),
                                   QStringLiteral("%"), QStringLiteral("%"), 15000);
    ASSERT_TRUE(pairs);
    ASSERT_EQ(pairs->RecordCount(), 1);
    EXPECT_EQ(pairs->Text(0, 0), QStringLiteral("Ann Lee"));
    EXPECT_EQ(pairs->Text(0, 1), QStringLiteral("Acme"));
}

// A register that a newer version of the program has made its own: the start refuses with a
// message that says to update this workstation, and leaves the register as it was.
TEST_F(basMainIndexesTest, StartRefusesARegisterOfANewerVersionAndLeavesItAlone) {
    ASSERT_TRUE(
        DBManager().ExecuteNonQuery(QStringLiteral("DROP INDEX [IX_VisitorRegister_CheckedIn]")));
    ASSERT_TRUE(DBManager().ExecuteNonQuery(QStringLiteral("PRAGMA user_version = 1000")));
    QFile file(program.DatabaseFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    first = basMain::Main();
    EXPECT_EQ(first, nullptr);
    ASSERT_EQ(MsgBox::Recorded().size(), 1U);
    const MsgBox::Shown& shown = MsgBox::Recorded().front();
    EXPECT_EQ(shown.text,
              QStringLiteral("The database named quorvane.sys.qvd belongs to a newer version of "
                             "Quorvane Lite than the one on this workstation. Please update "
                             "Quorvane Lite on this workstation. The application cannot be "
                             "launched!"));
    EXPECT_EQ(shown.icon, MsgBox::Icon::Critical);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
}
