#include "VisitorFixture.h"

#include "core/Settings.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

const QDateTime FixedNow(QDate(2025, 3, 14), QTime(9, 26, 53));

// With the shared folder DISP or the register's name DATABASE unreadable, no data call may reach
// a register: the program folder's own one, or the one of the default name, is not the register
// the desk works on.
class UnreadableSharedFolder : public VisitorFixture {
protected:
    void SetUp() override {
        VisitorFixture::SetUp();
        AppEnvironment::SetClock([] { return FixedNow; });
    }

    // Every way in to the register, each expected to fail; the log says why.
    void ExpectNoDataCallGetsThrough(const QString& key = QStringLiteral("DISP")) {
        const TempProgramFolder& program = Folder();
        program.ClearLog();
        DBManager reader;
        EXPECT_FALSE(reader.GetRecordSet(QStringLiteral("SELECT [PassNo] FROM [VisitorRegister]")));
        EXPECT_TRUE(reader.LastError().startsWith(QStringLiteral("The configuration value "
                                                                 "SYSDATA/LC/") +
                                                  key + u' '))
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

// The desk works on a register of its own name beside one of the default name. Its name cannot
// be read while the program runs: nothing reaches either register. An empty name, read as such,
// keeps its meaning: the default register.
TEST_F(UnreadableSharedFolder, UnreadableDatabaseNameSendsNoDataCallToTheDefaultRegister) {
    const QString deskRegister = Folder().DataFolder() + QStringLiteral("desk.qvd");
    ASSERT_TRUE(QFile::copy(Folder().DatabaseFile(), deskRegister));
    Folder().SetConfigValue(QStringLiteral("DATABASE"), QStringLiteral("desk.qvd"));
    AddRow(QStringLiteral("0001"), QStringLiteral("Kept"), QStringLiteral("2024-03-05 10:00:00"));
    const QByteArray defaultRegister = ReadBytes(Folder().DatabaseFile());
    const QString company = Settings().ReadTableRow().CompanyName;

    Folder().RemoveConfigValue(QStringLiteral("DATABASE"));
    ExpectNoDataCallGetsThrough(QStringLiteral("DATABASE"));
    EXPECT_EQ(ReadBytes(Folder().DatabaseFile()), defaultRegister);
    EXPECT_EQ(QDir(Folder().DataFolder()).entryList(QDir::Files),
              (QStringList{QStringLiteral("desk.qvd"), QStringLiteral("quorvane.sys.qvd")}));

    Folder().SetConfigValue(QStringLiteral("DATABASE"), QStringLiteral("desk.qvd"));
    EXPECT_EQ(PassNumbers(), QStringList{QStringLiteral("0001")});
    EXPECT_EQ(Settings().ReadTableRow().CompanyName, company);

    Folder().SetConfigValue(QStringLiteral("DATABASE"), QString());
    EXPECT_EQ(PassNumbers(), QStringList());
    DBManager reader;
    EXPECT_TRUE(reader.GetRecordSet(QStringLiteral("SELECT [PassNo] FROM [VisitorRegister]")));
    EXPECT_EQ(reader.DatabaseName(), QString::fromLatin1(DBManager::DefaultDatabaseName));
}

} // namespace
