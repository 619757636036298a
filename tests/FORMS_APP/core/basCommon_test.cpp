#include "QtPrinters.h"
#include "TempProgramFolder.h"

#include "core/AppEnvironment.h"
#include "core/CoreError.h"
#include "core/basCommon.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

const QDateTime LogTime(QDate(2024, 3, 5), QTime(14, 3, 27));

class basCommonTest : public ::testing::Test {
protected:
    TempProgramFolder folder;

    void SetUp() override {
        ASSERT_TRUE(folder.IsValid());
        AppEnvironment::SetClock([] { return LogTime; });
    }

    QByteArray ReadFile(const QString& path) const {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

TEST_F(basCommonTest, WriteLogAppendsOneLinePerCallToTheDaysFile) {
    basCommon::WriteLog(QStringLiteral("no such table: X"), QStringLiteral("GetRecordSet"),
                        QStringLiteral("SELECT * FROM X"));
    basCommon::WriteLog(QStringLiteral("without detail"), QStringLiteral("Sub Main()"));
    basCommon::WriteLog(QStringLiteral("empty detail"), QStringLiteral("Src"), QString());
    EXPECT_EQ(ReadFile(folder.LogsFolder() + QStringLiteral("/2024-03-05.log")),
              QByteArray("14:03:27\tGetRecordSet\tno such table: X\tSELECT * FROM X\r\n"
                         "14:03:27\tSub Main()\twithout detail\r\n"
                         "14:03:27\tSrc\tempty detail\r\n"));
}

TEST_F(basCommonTest, WriteLogWithoutLogsFolderLosesTheLineQuietly) {
    ASSERT_TRUE(QDir(folder.LogsFolder()).removeRecursively());
    basCommon::WriteLog(QStringLiteral("lost"), QStringLiteral("Src"), QStringLiteral("detail"));
    EXPECT_FALSE(QFileInfo::exists(folder.LogsFolder()));
}

TEST_F(basCommonTest, WriteLogNeverTouchesTheBaseFolder) {
    QTemporaryDir shared;
    ASSERT_TRUE(QDir().mkpath(shared.path() + QStringLiteral("/Logs")));
    folder.SetEncipheredConfigValue(QStringLiteral("DISP"), shared.path());
    ASSERT_EQ(basCommon::GetBaseFolder(), shared.path());
    basCommon::WriteLog(QStringLiteral("m"), QStringLiteral("s"));
    EXPECT_TRUE(QFile::exists(folder.LogsFolder() + QStringLiteral("/2024-03-05.log")));
    EXPECT_TRUE(QDir(shared.path() + QStringLiteral("/Logs")).isEmpty());
}

TEST_F(basCommonTest, BaseFolderIsTheProgramFolderUnlessSharedFolderIsSet) {
    EXPECT_EQ(basCommon::GetBaseFolder(), folder.Path());
    EXPECT_EQ(basCommon::GetDataFolder(), folder.DataFolder());
    folder.SetEncipheredConfigValue(QStringLiteral("DISP"), QStringLiteral("/srv/register/"));
    EXPECT_EQ(basCommon::GetBaseFolder(), QStringLiteral("/srv/register"));
    EXPECT_EQ(basCommon::GetDataFolder(), QStringLiteral("/srv/register/Data/"));
}

TEST_F(basCommonTest, FileProcedures) {
    EXPECT_TRUE(basCommon::GetTempFolder().endsWith(u'/'));
    AppEnvironment::SetTempFolder(folder.Path() + QStringLiteral("/Images"));
    EXPECT_EQ(basCommon::GetTempFolder(), folder.Path() + QStringLiteral("/Images/"));

    EXPECT_TRUE(basCommon::FileExists(folder.DatabaseFile()));
    EXPECT_FALSE(basCommon::FileExists(folder.DataFolder()));
    EXPECT_FALSE(basCommon::FileExists(folder.DataFolder() + QStringLiteral("missing.qvd")));
}

TEST_F(basCommonTest, CopyFileOverwritesAndReportsFailures) {
    folder.WriteFile(QStringLiteral("a.txt"), "new content");
    folder.WriteFile(QStringLiteral("b.txt"), "old content that is longer");
    const QString a = folder.Path() + QStringLiteral("/a.txt");
    const QString b = folder.Path() + QStringLiteral("/b.txt");
    basCommon::CopyFile(a, b);
    EXPECT_EQ(ReadFile(b), QByteArray("new content"));

    EXPECT_THROW(basCommon::CopyFile(folder.Path() + QStringLiteral("/none.txt"), b), CoreError);
    EXPECT_EQ(ReadFile(b), QByteArray("new content"));
    const QString intoMissing = folder.Path() + QStringLiteral("/no/such/folder/c.txt");
    EXPECT_THROW(basCommon::CopyFile(a, intoMissing), CoreError);
    EXPECT_FALSE(QFileInfo::exists(folder.Path() + QStringLiteral("/no")));
    // A folder where the copy should go is not replaced.
    EXPECT_THROW(basCommon::CopyFile(a, folder.DataFolder()), CoreError);
    EXPECT_TRUE(QFileInfo(folder.DatabaseFile()).isFile());
}

TEST_F(basCommonTest, FindFileIgnoringCase) {
    const QString logo = folder.Path() + QStringLiteral("/Images/Logo");
    // None yet: the name as asked for.
    EXPECT_EQ(basCommon::FindFileIgnoringCase(logo, QStringLiteral("Logo.jpg")),
              logo + QStringLiteral("/Logo.jpg"));
    folder.WriteFile(QStringLiteral("Images/Logo/LOGO.JPG"), "picture");
    EXPECT_EQ(basCommon::FindFileIgnoringCase(logo, QStringLiteral("logo.jpg")),
              logo + QStringLiteral("/LOGO.JPG"));
    // An exact match wins over another spelling; a folder of that name is no file.
    folder.WriteFile(QStringLiteral("Images/Logo/logo.jpg"), "picture");
    EXPECT_EQ(basCommon::FindFileIgnoringCase(logo, QStringLiteral("logo.jpg")),
              logo + QStringLiteral("/logo.jpg"));
    QDir(logo).mkdir(QStringLiteral("Other.jpg"));
    EXPECT_EQ(basCommon::FindFileIgnoringCase(logo, QStringLiteral("other.JPG")),
              logo + QStringLiteral("/other.JPG"));
}

TEST(basCommonDates, PatternChecks) {
    struct Case {
        const char* text;
        bool ddmm;
        bool dm;
    };
    const Case cases[] = {
        {"", true, true},
        {"05-03-2024", true, false},
        {"5-3-2024", false, true},
        {"15-11-2024", true, true},
        {"15-3-2024", false, true},
        {"05-3-2024", false, false},
        {"5-03-2024", false, false},
        {"31-02-2025", false, false},
        {"31-2-2025", false, false},
        {"29-02-2024", true, false},
        {"29-02-2025", false, false},
        {"2024-03-05", false, false},
        {"05/03/2024", false, false},
        {"05-03-24", false, false},
        {"05-13-2024", false, false},
        {"5-3-2024 ", false, false},
        {"today", false, false},
        // The platform's dates start at year 100; a sign or another script's digits is no date.
        {"01-01-0100", true, false},
        {"1-1-0100", false, true},
        {"31-12-0099", false, false},
        {"1-1-0099", false, false},
        {"01-01-0000", false, false},
        {"29-11--2020", false, false},
        {"4-1--1010", false, false},
        {"31-1--1999", false, false},
        {"01-01-+2020", false, false},
        {"05-03-20245", false, false},
        {"31-12-9999", true, true},
    };
    for (const Case& c : cases) {
        const QString text = QString::fromLatin1(c.text);
        EXPECT_EQ(basCommon::IsValidDateDDMMYYYY(text), c.ddmm) << c.text;
        EXPECT_EQ(basCommon::IsValidDateDMYYYY(text), c.dm) << c.text;
        EXPECT_EQ(basCommon::IsValidDate(text), c.ddmm || c.dm) << c.text;
    }
}

TEST(basCommonDates, OnlyAsciiDigitsAreDigits) {
    // Arabic-Indic and full-width digits read as numbers to the date parser.
    const QString texts[] = {
        QStringLiteral("\u0660\u0665-03-2024"),
        QStringLiteral("05-03-\u0662\u0660\u0662\u0664"),
        QStringLiteral("\uFF15-3-2024"),
    };
    for (const QString& text : texts) {
        EXPECT_FALSE(basCommon::IsValidDateDDMMYYYY(text)) << text.toStdString();
        EXPECT_FALSE(basCommon::IsValidDateDMYYYY(text)) << text.toStdString();
        EXPECT_FALSE(basCommon::IsValidDate(text)) << text.toStdString();
    }
}

TEST(basCommonEmail, Rules) {
    struct Case {
        const char* address;
        bool valid;
    };
    const Case cases[] = {
        {"john.smith@example.in", true},
        {"JOHN_SMITH-01@mail.example.com", true},
        {"a@b.co", true},
        {"a@b.c", false},
        {"a@b.info", false},
        {"a@example", false},
        {".a@b.com", false},
        {"a.@b.com", false},
        {"a@.b.com", false},
        {"a@b.com.", false},
        {"a..b@c.com", false},
        {"a@b..com", false},
        {"a b@c.com", false},
        {"a@b@c.com", false},
        {"@b.com", false},
        {"a@", false},
        {"ab.com", false},
        {"", false},
        {"jos\xe9@b.com", false},
        {"a+b@c.com", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(basCommon::IsValidEmail(QString::fromLatin1(c.address)), c.valid) << c.address;
    }
}

TEST(basCommonEmail, CharactersAreCheckedBeforeAnyCaseChange) {
    // Each of these lower-cases to an allowed ASCII letter.
    const QString addresses[] = {
        QStringLiteral("\u212A@b.com"),        // KELVIN SIGN
        QStringLiteral("a@\u212Aelvin.com"),   // in the domain
        QStringLiteral("\u0130stanbul@b.com"), // LATIN CAPITAL LETTER I WITH DOT ABOVE
        QStringLiteral("\uFF21@b.com"),        // FULLWIDTH LATIN CAPITAL LETTER A
    };
    for (const QString& address : addresses) {
        EXPECT_FALSE(basCommon::IsValidEmail(address)) << address.toStdString();
    }
    EXPECT_TRUE(basCommon::IsValidEmail(QStringLiteral("Kelvin@B.Com")));
}

TEST_F(basCommonTest, SupportMailLink) {
    EXPECT_EQ(basCommon::GetSupportMailLink(),
              QStringLiteral("mailto:support@quorvane.example?subject=Help on Quorvane Lite"
                             "&body=%0D%0AQuorvane Lite  Version 1.0.0 (Build 1006)"
                             "%0D%0A%0D%0A<Enter your query here>"
                             "%0D%0A%0D%0AContact Information"
                             "%0D%0A%0D%0AContact Name: <Your Name>"
                             "%0D%0A%0D%0AEmail ID: <Your Email ID>"
                             "%0D%0A%0D%0AContact No.: <Your Contact No.>"
                             "%0D%0A%0D%0ARegards"));
    ASSERT_TRUE(folder.RemoveFile(QStringLiteral("system/sysdata.config")));
    EXPECT_THROW(basCommon::GetSupportMailLink(), CoreError);
}

} // namespace
