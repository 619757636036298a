#include "VisitorFixture.h"

#include "core/Settings.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

const QDateTime FixedNow(QDate(2025, 3, 14), QTime(9, 26, 53));

// With the shared folder DISP unreadable, no data call may reach a register: the program
// folder's own one is not the shared register the desk works on.
class UnreadableSharedFolder : public VisitorFixture {
protected:
    void SetUp() override {
        VisitorFixture::SetUp();
        AppEnvironment::SetClock([] { return FixedNow; });
    }

    // Every way in to the register, each expected to fail; the log says why.
    void ExpectNoDataCallGetsThrough() {
        const TempProgramFolder& program = Folder();
        program.ClearLog();
        DBManager reader;
        EXPECT_FALSE(reader.GetRecordSet(QStringLiteral("SELECT [PassNo] FROM [VisitorRegister]")));
        EXPECT_TRUE(reader.LastError().startsWith(
            QStringLiteral("The configuration value SYSDATA/LC/DISP ")))
            << reader.LastError().toStdString();
        EXPECT_EQ(program.LogLines().filter(QStringLiteral("\tGetRecordSet\t")).size(), 1)
            << program.LogText().toStdString();

        EXPECT_FALSE(DBManager().ExecuteNonQuery(
            QStringLiteral("INSERT INTO [VisitorRegister]([PassNo],[Name]) VALUES('0500', 'X')")));
        Visitor visitor = ValidVisitor();
        EXPECT_FALSE(visitor.InsertVisitorRecord());
        EXPECT_FALSE(Visitor().GetCheckedInVisitorList());

        const QString copy = program.Path() + QStringLiteral("/copy.qbk");
        EXPECT_FALSE(DBManager().Backup(copy).isEmpty());
        EXPECT_FALSE(QFile::exists(copy));
        EXPECT_FALSE(Settings().Purge(QStringLiteral("31-12-2030")).isEmpty());
        EXPECT_EQ(QDir(program.DataFolder()).entryList({QStringLiteral("quorvane.purge.*")}),
                  QStringList());
        EXPECT_FALSE(Settings().SaveSettings(QStringLiteral("Never"), QString(), QString(),
                                             QString(), QString(),
                                             QStringLiteral("quorvane.sys.qvd")));
    }
};

TEST_F(UnreadableSharedFolder, SendsNoDataCallToTheProgramFoldersRegister) {
    struct Case {
        const char* what;
        std::function<void(const TempProgramFolder&)> breakIt;
        std::function<void(const TempProgramFolder&)> mendIt;
    };
    const QByteArray tokens = ReadBytes(Folder().TokenFile());
    const Case cases[] = {
        {"element missing",
         [](const TempProgramFolder& program) {
             program.RemoveConfigValue(QStringLiteral("DISP"));
         },
         [](const TempProgramFolder& program) {
             program.SetEncipheredConfigValue(QStringLiteral("DISP"), QString());
         }},
        {"text that cannot be deciphered",
         [](const TempProgramFolder& program) {
             ASSERT_TRUE(program.RemoveFile(QStringLiteral("system/key.tokens.xml")));
         },
         [&tokens](const TempProgramFolder& program) {
             program.WriteFile(QStringLiteral("system/key.tokens.xml"), tokens);
         }},
    };
    AddRow(QStringLiteral("0001"), QStringLiteral("Kept"), QStringLiteral("2024-03-05 10:00:00"));
    const QString company = Settings().ReadTableRow().CompanyName;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.breakIt(Folder());
        ExpectNoDataCallGetsThrough();
        c.mendIt(Folder());
        // The program folder's register saw none of it.
        EXPECT_EQ(PassNumbers(), QStringList{QStringLiteral("0001")});
        EXPECT_EQ(Settings().ReadTableRow().CompanyName, company);
    }
}

} // namespace
