#include "QtPrinters.h"
#include "TempProgramFolder.h"
#include "UnchangeableFolder.h"

#include "core/AppEnvironment.h"
#include "core/CoreError.h"
#include "core/DBManager.h"
#include "core/Settings.h"
#include "core/SqlCipherConnection.h"
#include "core/basCommon.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>

namespace {

const QDateTime FixedNow(QDate(2025, 3, 14), QTime(9, 26, 53));

class SettingsTest : public ::testing::Test {
protected:
    TempProgramFolder folder;

    void SetUp() override {
        ASSERT_TRUE(folder.IsValid());
        AppEnvironment::SetClock([] { return FixedNow; });
    }

    // Every row of the Settings table, in the order stored.
    static QStringList SettingsRows() {
        QStringList rows;
        const auto records = DBManager().GetRecordSet(
            QStringLiteral("SELECT [CompanyName], [PWD], [Hint], [AdminPWD], [AdminHint] FROM "
                           "[Settings] ORDER BY rowid"));
        EXPECT_TRUE(records.has_value());
        for (int r = 0; records && r < records->RecordCount(); ++r) {
            QStringList values;
            for (int c = 0; c < 5; ++c) {
                values.append(records->Text(r, c));
            }
            rows.append(values.join(u'|'));
        }
        return rows;
    }

    static QByteArray FileBytes(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static void InsertVisit(const QString& passNo, const QString& checkedIn) {
        DBManager db;
        ASSERT_TRUE(db.ExecuteNonQuery(QStringLiteral("INSERT INTO [VisitorRegister] ([PassNo], "
                                                      "[Name], [CheckedIn]) VALUES (?, 'V', ?)"),
                                       {passNo, checkedIn}));
    }

    static QStringList PassNumbers() {
        DBManager db;
        const auto rows = db.GetRecordSet(
            QStringLiteral("SELECT [PassNo] FROM [VisitorRegister] ORDER BY [PassNo]"));
        QStringList result;
        for (int row = 0; rows && row < rows->RecordCount(); ++row) {
            result.append(rows->Value(row, 0).toString());
        }
        return result;
    }

    static QString ConfigDatabase() {
        QFile file(Settings::ConfigFilePath());
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        const QRegularExpressionMatch match =
            QRegularExpression(QStringLiteral("<DATABASE>([^<]*)</DATABASE>")).match(text);
        return match.captured(1);
    }
};

TEST_F(SettingsTest, InstalledConfigurationReadsBackDeciphered) {
    Settings settings;
    EXPECT_EQ(settings.GetDatabaseName(), QStringLiteral("quorvane.sys.qvd"));
    EXPECT_EQ(settings.GetDistributedPath(), QString());
    EXPECT_EQ(settings.GetProductURL(),
              QStringLiteral("https://www.quorvane.example/products/lite"));
    EXPECT_EQ(settings.GetAwardURL(), QStringLiteral("https://www.quorvane.example/awards"));
    EXPECT_EQ(settings.GetQuorvaneURL(), QStringLiteral("https://quorvane.example"));
    EXPECT_EQ(settings.GetProductSupportURL(), QStringLiteral("https://support.quorvane.example"));
    EXPECT_EQ(settings.GetSupportEmail(), QStringLiteral("support@quorvane.example"));
    EXPECT_FALSE(settings.GetPassFooterText().isEmpty());
    EXPECT_TRUE(settings.IsScrollTextEnabled());
    EXPECT_TRUE(settings.IsAdRotateEnabled());
    EXPECT_EQ(folder.LogText(), QString());
}

TEST_F(SettingsTest, MissingConfigurationFile) {
    ASSERT_TRUE(folder.RemoveFile(QStringLiteral("system/sysdata.config")));
    Settings settings;
    EXPECT_EQ(settings.GetDatabaseName(), QString());
    EXPECT_EQ(settings.GetDistributedPath(), QString());
    const QStringList lines = folder.LogLines();
    ASSERT_EQ(lines.size(), 2) << folder.LogText().toStdString();
    EXPECT_TRUE(lines.at(0).startsWith(QStringLiteral("09:26:53\tGetDatabaseName\t")));
    EXPECT_TRUE(lines.at(1).startsWith(QStringLiteral("09:26:53\tGetDistributedPath\t")));
    EXPECT_TRUE(settings.IsScrollTextEnabled());
    EXPECT_TRUE(settings.IsAdRotateEnabled());
    EXPECT_THROW(settings.GetProductURL(), CoreError);
    EXPECT_THROW(settings.GetSupportEmail(), CoreError);
}

TEST_F(SettingsTest, MissingKeyRaisesOnlyForLinkGetters) {
    folder.WriteFile(QStringLiteral("system/sysdata.config"),
                     "<SYSDATA><LC><DATABASE>quorvane.sys.qvd</DATABASE></LC></SYSDATA>");
    Settings settings;
    EXPECT_EQ(settings.GetDatabaseName(), QStringLiteral("quorvane.sys.qvd"));
    EXPECT_EQ(settings.GetDistributedPath(), QString());
    EXPECT_THROW(settings.GetPassFooterText(), CoreError);
    EXPECT_TRUE(settings.IsAdRotateEnabled());
}

// A key is looked up in every LC element; the first in document order wins, and SaveSettings
// writes the one that is read.
TEST_F(SettingsTest, KeyMayStandInAnyLcElement) {
    folder.WriteFile(QStringLiteral("system/sysdata.config"),
                     "<SYSDATA><OTHER><LC><DATABASE>nested.qvd</DATABASE></LC></OTHER>"
                     "<LC><PFT>x</PFT><DISP></DISP></LC>"
                     "<LC><DATABASE>quorvane.sys.qvd</DATABASE></LC>"
                     "<LC><DATABASE>third.qvd</DATABASE><DATABASE>fourth.qvd</DATABASE></LC>"
                     "</SYSDATA>");
    EXPECT_EQ(Settings().GetDatabaseName(), QStringLiteral("quorvane.sys.qvd"));
    ASSERT_TRUE(Settings().SaveSettings(QStringLiteral("Co"), QString(), QString(), QString(),
                                        QString(), QStringLiteral("saved.qvd")));
    EXPECT_EQ(Settings().GetDatabaseName(), QStringLiteral("saved.qvd"));
    QFile file(Settings::ConfigFilePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    for (const char* kept : {"nested.qvd", "third.qvd", "fourth.qvd"}) {
        EXPECT_TRUE(text.contains(QString::fromLatin1(kept))) << kept;
    }
}

// The installed configuration is about 2 KB; a huge file is unreadable and is not parsed.
TEST_F(SettingsTest, OversizedConfigurationIsUnreadable) {
    const QByteArray head = "<SYSDATA><LC><DATABASE>quorvane.sys.qvd</DATABASE></LC>";
    const QByteArray tail = "</SYSDATA>";
    const qsizetype limit = 1024 * 1024;
    for (const qsizetype size : {limit, limit + 1}) {
        const QByteArray comment =
            "<!--" + QByteArray(size - head.size() - tail.size() - 7, 'x') + "-->";
        ASSERT_EQ((head + comment + tail).size(), size);
        folder.WriteFile(QStringLiteral("system/sysdata.config"), head + comment + tail);
        folder.ClearLog();
        const bool withinLimit = size <= limit;
        EXPECT_EQ(Settings().GetDatabaseName(),
                  withinLimit ? QStringLiteral("quorvane.sys.qvd") : QString())
            << size;
        EXPECT_EQ(folder.LogLines().size(), withinLimit ? 0 : 1) << size;
        EXPECT_TRUE(Settings().IsAdRotateEnabled());
        EXPECT_THROW(Settings().GetQuorvaneURL(), CoreError);
    }
    // Nested deeper than any configuration of ours: refused before a tree is built of it.
    for (const int depth : {60, 140000}) {
        QByteArray nested = "<SYSDATA><LC><DATABASE>quorvane.sys.qvd</DATABASE>";
        nested += QByteArray("<a>").repeated(depth) + QByteArray("</a>").repeated(depth);
        nested += "</LC></SYSDATA>";
        folder.WriteFile(QStringLiteral("system/sysdata.config"), nested);
        EXPECT_EQ(Settings().GetDatabaseName(),
                  depth == 60 ? QStringLiteral("quorvane.sys.qvd") : QString())
            << depth;
    }
    // Nothing is written over a file that could not be read.
    const QByteArray before = [&] {
        QFile file(Settings::ConfigFilePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    EXPECT_FALSE(Settings().SaveSettings(QStringLiteral("Co"), QString(), QString(), QString(),
                                         QString(), QStringLiteral("other.qvd")));
    QFile file(Settings::ConfigFilePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
}

TEST_F(SettingsTest, FeatureSwitches) {
    struct Case {
        const char* value;
        bool enabled;
    };
    const Case cases[] = {
        {"Scroll|KEY_0", false}, {"Scroll|KEY_1", true}, {"Scroll|KEY_2", true},  {"KEY_0", true},
        {"Scroll|key_0", true},  {"|KEY_0|more", false}, {"Scroll|KEY_0x", true}, {"", true},
    };
    for (const Case& c : cases) {
        for (const QString& key : {QStringLiteral("ABE"), QStringLiteral("ARE")}) {
            QString value = QString::fromLatin1(c.value);
            value.replace(QStringLiteral("KEY"), key);
            folder.SetEncipheredConfigValue(key, value);
        }
        Settings settings;
        EXPECT_EQ(settings.IsScrollTextEnabled(), c.enabled) << c.value;
        EXPECT_EQ(settings.IsAdRotateEnabled(), c.enabled) << c.value;
    }
}

TEST_F(SettingsTest, UndecipherableValueIsTheComponentsErrorText) {
    folder.SetConfigValue(QStringLiteral("SIT"), QStringLiteral("https://plain.example"));
    ASSERT_TRUE(folder.RemoveFile(QStringLiteral("system/key.tokens.xml")));
    Settings settings;
    EXPECT_EQ(settings.GetQuorvaneURL(), QStringLiteral("ERROR: INVALID PASSWORD!"));
    EXPECT_TRUE(settings.IsScrollTextEnabled());
}

TEST_F(SettingsTest, TableGetters) {
    Settings settings;
    ASSERT_TRUE(settings.SaveSettings(
        QStringLiteral("Acme"), QStringLiteral("pw"), QStringLiteral("hint"),
        QStringLiteral("admin"), QStringLiteral("admin hint"), QStringLiteral("quorvane.sys.qvd")));
    EXPECT_EQ(settings.GetCompanyName(), QStringLiteral("Acme"));
    EXPECT_EQ(settings.GetApplicationPassword(), QStringLiteral("pw"));
    EXPECT_EQ(settings.GetPasswordHint(), QStringLiteral("hint"));
    EXPECT_EQ(settings.GetSettingsPassword(), QStringLiteral("admin"));
    EXPECT_EQ(settings.GetSettingsPasswordHint(), QStringLiteral("admin hint"));
}

TEST_F(SettingsTest, TableGettersGiveEmptyTextWithoutDatabase) {
    ASSERT_TRUE(QFile::remove(folder.DatabaseFile()));
    Settings settings;
    EXPECT_EQ(settings.GetCompanyName(), QString());
    EXPECT_EQ(settings.GetApplicationPassword(), QString());
    EXPECT_EQ(settings.GetSettingsPassword(), QString());
    EXPECT_EQ(settings.GetPasswordHint(), QString());
    EXPECT_EQ(settings.GetSettingsPasswordHint(), QString());
    EXPECT_FALSE(QFile::exists(folder.DatabaseFile()));
    EXPECT_EQ(folder.LogLines().size(), 5);
}

TEST_F(SettingsTest, NullColumnGivesEmptyText) {
    DBManager db;
    ASSERT_TRUE(db.ExecuteNonQuery(QStringLiteral("UPDATE [Settings] SET [Hint] = NULL")));
    EXPECT_EQ(Settings().GetPasswordHint(), QString());
}

TEST_F(SettingsTest, TableRowReadsWhatIsStoredAndEmptyAsEmpty) {
    struct Case {
        const char* what;
        const char* update;
        Settings::TableRow expected;
    };
    const Case cases[] = {
        {"all set",
         "UPDATE [Settings] SET [CompanyName]='Acme', [PWD]='pw', [Hint]='a hint', "
         "[AdminPWD]='admin', [AdminHint]='admin hint'",
         {QStringLiteral("Acme"), QStringLiteral("pw"), QStringLiteral("a hint"),
          QStringLiteral("admin"), QStringLiteral("admin hint")}},
        {"really empty",
         "UPDATE [Settings] SET [CompanyName]='', [PWD]='', [Hint]='', [AdminPWD]='', "
         "[AdminHint]=''",
         {}},
        {"Null columns",
         "UPDATE [Settings] SET [CompanyName]=NULL, [PWD]=NULL, [Hint]=NULL, [AdminPWD]=NULL, "
         "[AdminHint]=NULL",
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(DBManager().ExecuteNonQuery(QString::fromLatin1(c.update)));
        Settings::TableRow row;
        ASSERT_NO_THROW(row = Settings().ReadTableRow());
        EXPECT_EQ(row.CompanyName, c.expected.CompanyName);
        EXPECT_EQ(row.Password, c.expected.Password);
        EXPECT_EQ(row.Hint, c.expected.Hint);
        EXPECT_EQ(row.AdminPassword, c.expected.AdminPassword);
        EXPECT_EQ(row.AdminHint, c.expected.AdminHint);
    }
    EXPECT_TRUE(folder.LogLines().isEmpty()) << folder.LogText().toStdString();
}

// A database that cannot be read is not one without passwords: the row raises, while the getters
// keep their neutral "" for the callers that want it.
TEST_F(SettingsTest, UnreadableTableRowRaisesInsteadOfReadingEmpty) {
    struct Case {
        const char* what;
        std::function<void(const TempProgramFolder&)> breakIt;
        const char* shownName;
    };
    const Case cases[] = {
        {"database named in the configuration is missing",
         [](const TempProgramFolder& program) {
             program.SetConfigValue(QStringLiteral("DATABASE"), QStringLiteral("gone.qvd"));
         },
         "gone.qvd"},
        {"database file overwritten",
         [](const TempProgramFolder& program) {
             program.WriteFile(QStringLiteral("Data/quorvane.sys.qvd"), "no database");
         },
         "quorvane.sys.qvd"},
        {"Settings table without its password column",
         [](const TempProgramFolder&) {
             DBManager db;
             ASSERT_TRUE(db.ExecuteNonQuery(QStringLiteral("DROP TABLE [Settings]")));
             ASSERT_TRUE(db.ExecuteNonQuery(
                 QStringLiteral("CREATE TABLE [Settings] ([CompanyName] TEXT, [Hint] TEXT, "
                                "[AdminPWD] TEXT, [AdminHint] TEXT)")));
             ASSERT_TRUE(db.ExecuteNonQuery(
                 QStringLiteral("INSERT INTO [Settings] VALUES ('Acme', 'h', 'admin', 'ah')")));
         },
         "quorvane.sys.qvd"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempProgramFolder program;
        ASSERT_TRUE(program.IsValid());
        ASSERT_TRUE(Settings().SaveSettings(QStringLiteral("Acme"), QStringLiteral("pw"),
                                            QStringLiteral("a hint"), QStringLiteral("admin"),
                                            QStringLiteral("admin hint"),
                                            QStringLiteral("quorvane.sys.qvd")));
        c.breakIt(program);
        program.ClearLog();

        try {
            Settings().ReadTableRow();
            ADD_FAILURE() << "read an unreadable row";
        } catch (const CoreError& error) {
            EXPECT_EQ(error.Description(),
                      QStringLiteral("The settings could not be read from the database named ") +
                          QString::fromLatin1(c.shownName) +
                          QStringLiteral("; see the application log for the cause."));
        }
        // The cause is in the log, from the failed query.
        const QStringList lines = program.LogLines();
        ASSERT_EQ(lines.size(), 1) << program.LogText().toStdString();
        EXPECT_TRUE(lines.at(0).contains(QStringLiteral("\tGetRecordSet\t")));

        EXPECT_EQ(Settings().GetApplicationPassword(), QString());
        EXPECT_FALSE(QFile::exists(program.DataFolder() + QStringLiteral("gone.qvd")));
    }
}

TEST_F(SettingsTest, SaveSettingsStoresApostrophesAndTheDatabaseName) {
    Settings settings;
    const QString company = QStringLiteral("O'Neil & Sons' Ltd");
    const QString hint = QStringLiteral("my dog's name");
    ASSERT_TRUE(settings.SaveSettings(company, QStringLiteral("it's"), hint, QString(), QString(),
                                      QStringLiteral("other.qvd")));
    EXPECT_EQ(ConfigDatabase(), QStringLiteral("other.qvd"));
    EXPECT_EQ(settings.GetDatabaseName(), QStringLiteral("other.qvd"));
    // The enciphered values survive the rewrite of the file.
    EXPECT_EQ(settings.GetSupportEmail(), QStringLiteral("support@quorvane.example"));
    // Read through the installed database, since the name now points elsewhere.
    DBManager db;
    db.SetDatabaseName(QStringLiteral("quorvane.sys.qvd"));
    const auto rows = db.GetRecordSet(QStringLiteral("SELECT * FROM [Settings]"));
    ASSERT_TRUE(rows.has_value());
    ASSERT_EQ(rows->RecordCount(), 1);
    EXPECT_EQ(rows->Field(QStringLiteral("CompanyName")).toString(), company);
    EXPECT_EQ(rows->Field(QStringLiteral("PWD")).toString(), QStringLiteral("it's"));
    EXPECT_EQ(rows->Field(QStringLiteral("Hint")).toString(), hint);
    EXPECT_EQ(rows->Field(QStringLiteral("AdminPWD")).toString(), QString());
}

TEST_F(SettingsTest, SaveSettingsWithoutConfigurationFile) {
    QFile config(Settings::ConfigFilePath());
    ASSERT_TRUE(config.open(QIODevice::ReadOnly));
    const QByteArray content = config.readAll();
    config.close();
    const QString company = Settings().GetCompanyName();
    ASSERT_TRUE(folder.RemoveFile(QStringLiteral("system/sysdata.config")));
    Settings settings;
    EXPECT_FALSE(settings.SaveSettings(QStringLiteral("New Co"), QString(), QString(), QString(),
                                       QString(), QStringLiteral("quorvane.sys.qvd")));
    // Without the file the shared folder cannot be read, so the update reaches no register.
    const QStringList lines = folder.LogLines();
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines.constLast().startsWith(QStringLiteral("09:26:53\tExecuteNonQuery\t"
                                                            "The configuration value "
                                                            "SYSDATA/LC/DISP cannot be read")))
        << lines.constLast().toStdString();
    EXPECT_FALSE(QFile::exists(Settings::ConfigFilePath()));
    folder.WriteFile(QStringLiteral("system/sysdata.config"), content);
    EXPECT_EQ(settings.GetCompanyName(), company);
}

// A save stores the row and the configuration together or neither: a table that does not hold its
// one row, a COMMIT that another workstation's read holds off, or a configuration that cannot be
// written leave the table and the file as they were.
TEST_F(SettingsTest, SaveSettingsStoresTheRowAndTheConfigurationOrNeither) {
    struct Case {
        const char* what;
        std::function<std::shared_ptr<void>(const TempProgramFolder&)> breakIt;
    };
    const Case cases[] = {
        {"table with two rows",
         [](const TempProgramFolder&) -> std::shared_ptr<void> {
             DBManager db;
             EXPECT_TRUE(
                 db.ExecuteNonQuery(QStringLiteral("DROP TRIGGER [Settings_OneRowOnInsert]")));
             EXPECT_TRUE(db.ExecuteNonQuery(QStringLiteral(
                 "INSERT INTO [Settings] VALUES ('Second', 'pw2', 'h2', 'a2', 'ah2')")));
             return std::make_shared<int>(0);
         }},
        {"commit held off by a long read",
         [](const TempProgramFolder& program) -> std::shared_ptr<void> {
             auto reader = std::make_shared<SqlCipherConnection>(
                 program.DatabaseFile(), QString::fromLatin1(DBManager::DatabasePassword));
             reader->ExecuteScript(QStringLiteral("BEGIN; SELECT count(*) FROM [Settings];"));
             return reader;
         }},
        // Last, since a file system that lets the folder change skips the rest.
        {"configuration folder cannot change",
         [](const TempProgramFolder& program) -> std::shared_ptr<void> {
             auto folder = std::make_shared<UnchangeableFolder>(program.SystemFolder());
             return folder->IsUnchangeable() ? folder : nullptr;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempProgramFolder program;
        ASSERT_TRUE(program.IsValid());
        ASSERT_TRUE(Settings().SaveSettings(QStringLiteral("Acme"), QStringLiteral("old pw"),
                                            QString(), QString(), QString(),
                                            QStringLiteral("quorvane.sys.qvd")));
        const std::shared_ptr<void> broken = c.breakIt(program);
        if (!broken) {
            GTEST_SKIP() << "this file system lets the configuration folder change";
        }
        const QStringList rows = SettingsRows();
        const QByteArray config = FileBytes(program.ConfigFile());

        EXPECT_FALSE(Settings().SaveSettings(QStringLiteral("New Co"), QStringLiteral("new pw"),
                                             QStringLiteral("a new hint"), QString(), QString(),
                                             QStringLiteral("other.qvd")));
        EXPECT_EQ(SettingsRows(), rows);
        EXPECT_EQ(FileBytes(program.ConfigFile()), config);
    }
}

TEST_F(SettingsTest, SaveSettingsIsFalseWhenTheUpdateFails) {
    DBManager db;
    ASSERT_TRUE(db.ExecuteNonQuery(QStringLiteral("DROP TABLE [Settings]")));
    Settings settings;
    EXPECT_FALSE(settings.SaveSettings(QStringLiteral("Co"), QString(), QString(), QString(),
                                       QString(), QStringLiteral("changed.qvd")));
    EXPECT_EQ(ConfigDatabase(), QStringLiteral("quorvane.sys.qvd"));
    const QStringList lines = folder.LogLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines.at(0).contains(QStringLiteral("\tExecuteNonQuery\t")));
    EXPECT_TRUE(lines.at(0).contains(QStringLiteral("no such table")));
}

TEST_F(SettingsTest, PurgeDeletesVisitsUpToTheEndOfTheDay) {
    struct Case {
        const char* endDate;
        QStringList kept;
    };
    const Case cases[] = {
        // Day-first texts sort the other way ("31-01-2025" > "01-02-2025"); dates do not.
        {"31-01-2025", {"0004", "0005", "0006"}},
        {"01-02-2025", {"0006"}},
        {"1-2-2025", {"0006"}},
        {"30-01-2025", {"0002", "0003", "0004", "0005", "0006"}},
        {"01-01-2020", {"0001", "0002", "0003", "0004", "0005", "0006"}},
        {"31-12-2099", {}},
    };
    for (const Case& c : cases) {
        DBManager db;
        ASSERT_TRUE(db.ExecuteNonQuery(QStringLiteral("DELETE FROM [VisitorRegister]")));
        InsertVisit(QStringLiteral("0001"), QStringLiteral("2024-12-31 10:00:00"));
        InsertVisit(QStringLiteral("0002"), QStringLiteral("2025-01-31 00:00:00"));
        InsertVisit(QStringLiteral("0003"), QStringLiteral("2025-01-31 23:59:59"));
        InsertVisit(QStringLiteral("0004"), QStringLiteral("2025-02-01 00:00:00"));
        InsertVisit(QStringLiteral("0005"), QStringLiteral("2025-02-01 23:59:59"));
        InsertVisit(QStringLiteral("0006"), QStringLiteral("2025-02-02 00:00:00"));
        EXPECT_EQ(Settings().Purge(QString::fromLatin1(c.endDate)), QString()) << c.endDate;
        EXPECT_EQ(PassNumbers(), c.kept) << c.endDate;
    }
}

TEST_F(SettingsTest, PurgeLeavesASafetyCopyFirst) {
    InsertVisit(QStringLiteral("0001"), QStringLiteral("2025-01-10 08:00:00"));
    EXPECT_EQ(Settings().Purge(QStringLiteral("10-01-2025")), QString());
    const QString copy = folder.DataFolder() + QStringLiteral("quorvane.purge.20250314092653");
    ASSERT_TRUE(QFile::exists(copy));
    EXPECT_EQ(PassNumbers(), QStringList());
    // The copy is the database before the delete.
    DBManager fromCopy;
    fromCopy.SetDatabaseName(QStringLiteral("quorvane.purge.20250314092653"));
    const auto rows =
        fromCopy.GetRecordSet(QStringLiteral("SELECT [PassNo] FROM [VisitorRegister]"));
    ASSERT_TRUE(rows.has_value());
    EXPECT_EQ(rows->RecordCount(), 1);
}

TEST_F(SettingsTest, PurgeDeletesNothingWithoutItsSafetyCopy) {
    InsertVisit(QStringLiteral("0001"), QStringLiteral("2025-01-10 08:00:00"));
    // A folder in the way of the copy.
    ASSERT_TRUE(
        QDir().mkpath(folder.DataFolder() + QStringLiteral("quorvane.purge.20250314092653")));
    const QString answer = Settings().Purge(QStringLiteral("10-01-2025"));
    EXPECT_TRUE(answer.contains(QStringLiteral("safety copy"))) << answer.toStdString();
    EXPECT_EQ(PassNumbers(), QStringList{QStringLiteral("0001")});
    // The reason is in the day's log, as for a failed backup.
    const QStringList lines = folder.LogLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines.at(0).section(u'\t', 1), QStringLiteral("Purge\t") + answer);
}

TEST_F(SettingsTest, PurgeReportsAFailedDelete) {
    DBManager db;
    ASSERT_TRUE(db.ExecuteNonQuery(QStringLiteral("DROP TABLE [VisitorRegister]")));
    // The message comes first; what the purge did follows it.
    const QString answer = Settings().Purge(QStringLiteral("10-01-2025"));
    EXPECT_TRUE(answer.startsWith(QString::fromLatin1(Settings::PurgeFailedMessage) + u' '))
        << answer.toStdString();
    EXPECT_TRUE(
        QFile::exists(folder.DataFolder() + QStringLiteral("quorvane.purge.20250314092653")));
    const QStringList lines = folder.LogLines().filter(QStringLiteral("\tExecuteNonQuery\t"));
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines.at(0).contains(QStringLiteral("\tExecuteNonQuery\t")));
    EXPECT_TRUE(lines.at(0).contains(QStringLiteral("no such table"))) << lines.at(0).toStdString();
}

TEST_F(SettingsTest, PurgeRefusesATextThatIsNoDate) {
    InsertVisit(QStringLiteral("0001"), QStringLiteral("2025-01-10 08:00:00"));
    for (const char* text :
         {"", "2025-01-10", "31-02-2025", "05-1-2025", "tomorrow", "29-11--2020", "01-01-0099"}) {
        EXPECT_FALSE(Settings().Purge(QString::fromLatin1(text)).isEmpty()) << text;
    }
    EXPECT_EQ(PassNumbers(), QStringList{QStringLiteral("0001")});
}

TEST_F(SettingsTest, PurgeStartDate) {
    EXPECT_EQ(Settings().GetPurgeStartDate(), FixedNow);
    InsertVisit(QStringLiteral("0002"), QStringLiteral("2025-02-01 00:00:00"));
    InsertVisit(QStringLiteral("0001"), QStringLiteral("2024-12-31 17:45:10"));
    EXPECT_EQ(Settings().GetPurgeStartDate(), QDateTime(QDate(2024, 12, 31), QTime(17, 45, 10)));
    ASSERT_TRUE(QFile::remove(folder.DatabaseFile()));
    EXPECT_EQ(Settings().GetPurgeStartDate(), FixedNow);
}

TEST_F(SettingsTest, TwoPurgesInOneSecondEachKeepTheirOwnSafetyCopy) {
    // Both purges see the clock at the same second; each deletes a visit the other's copy lacks.
    InsertVisit(QStringLiteral("0001"), QStringLiteral("2025-01-10 08:00:00"));
    ASSERT_EQ(Settings().Purge(QStringLiteral("10-01-2025")), QString());
    InsertVisit(QStringLiteral("0002"), QStringLiteral("2025-01-10 09:00:00"));
    ASSERT_EQ(Settings().Purge(QStringLiteral("10-01-2025")), QString());
    EXPECT_EQ(PassNumbers(), QStringList());

    const QStringList copies =
        QDir(folder.DataFolder())
            .entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name)
            .filter(QStringLiteral("quorvane.purge."));
    ASSERT_EQ(copies, (QStringList{QStringLiteral("quorvane.purge.20250314092653"),
                                   QStringLiteral("quorvane.purge.20250314092653-2")}));
    const QStringList held[] = {{QStringLiteral("0001")}, {QStringLiteral("0002")}};
    for (qsizetype i = 0; i < copies.size(); ++i) {
        SCOPED_TRACE(copies.at(i).toStdString());
        SqlCipherConnection copy(folder.DataFolder() + copies.at(i),
                                 QString::fromLatin1(DBManager::DatabasePassword));
        EXPECT_EQ(copy.Query(QStringLiteral("PRAGMA quick_check"), {}).Value(0, 0).toString(),
                  QStringLiteral("ok"));
        const RecordSet rows = copy.Query(
            QStringLiteral("SELECT [PassNo] FROM [VisitorRegister] ORDER BY [PassNo]"), {});
        QStringList passNumbers;
        for (int row = 0; row < rows.RecordCount(); ++row) {
            passNumbers.append(rows.Value(row, 0).toString());
        }
        EXPECT_EQ(passNumbers, held[i]);
    }
}

} // namespace

namespace {

// Ways the shared folder DISP cannot be read; none of them may read as "no shared folder".
struct UnreadableDisp {
    const char* what;
    std::function<void(const TempProgramFolder&)> breakIt;
    const char* reason;
};

const UnreadableDisp UnreadableDispCases[] = {
    {"element missing",
     [](const TempProgramFolder& program) { program.RemoveConfigValue(QStringLiteral("DISP")); },
     "cannot be read from"},
    {"configuration file missing",
     [](const TempProgramFolder& program) {
         ASSERT_TRUE(program.RemoveFile(QStringLiteral("system/sysdata.config")));
     },
     "cannot be read from"},
    {"token file missing",
     [](const TempProgramFolder& program) {
         ASSERT_TRUE(program.RemoveFile(QStringLiteral("system/key.tokens.xml")));
     },
     "cannot be deciphered: ERROR: INVALID PASSWORD!"},
    {"odd number of hex digits",
     [](const TempProgramFolder& program) {
         program.SetConfigValue(QStringLiteral("DISP"), QStringLiteral("4F2"));
     },
     "cannot be deciphered"},
    {"plain text instead of a ciphertext",
     [](const TempProgramFolder& program) {
         program.SetConfigValue(QStringLiteral("DISP"), QStringLiteral("/srv/register"));
     },
     "cannot be deciphered"},
};

} // namespace

TEST_F(SettingsTest, SharedFolderThatCannotBeReadRaisesAndIsNoBaseFolder) {
    for (const UnreadableDisp& c : UnreadableDispCases) {
        SCOPED_TRACE(c.what);
        TempProgramFolder program;
        ASSERT_TRUE(program.IsValid());
        AppEnvironment::SetClock([] { return FixedNow; });
        c.breakIt(program);
        program.ClearLog();
        try {
            Settings().ReadDistributedPath();
            ADD_FAILURE() << "read an unreadable shared folder";
        } catch (const CoreError& error) {
            EXPECT_TRUE(error.Description().startsWith(
                QStringLiteral("The configuration value SYSDATA/LC/DISP ")))
                << error.Description().toStdString();
            EXPECT_TRUE(error.Description().contains(QString::fromLatin1(c.reason)))
                << error.Description().toStdString();
        }
        EXPECT_THROW(basCommon::GetBaseFolder(), CoreError);
        EXPECT_THROW(basCommon::GetDataFolder(), CoreError);
        // For callers that only show it, still a logged "".
        program.ClearLog();
        EXPECT_EQ(Settings().GetDistributedPath(), QString());
        EXPECT_EQ(program.LogLines().filter(QStringLiteral("\tGetDistributedPath\t")).size(), 1)
            << program.LogText().toStdString();
    }
}

TEST_F(SettingsTest, EmptySharedFolderMeansTheProgramFolder) {
    struct Case {
        const char* what;
        std::optional<QString> enciphered; // nullopt: the installed empty element
        QString base;
    };
    const QString shared = QStringLiteral("/srv/register");
    const Case cases[] = {
        {"installed", std::nullopt, folder.Path()},
        {"enciphered empty text", QString(), folder.Path()},
        {"a shared folder", shared + u'/', shared},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.enciphered) {
            folder.SetEncipheredConfigValue(QStringLiteral("DISP"), *c.enciphered);
        }
        EXPECT_EQ(basCommon::GetBaseFolder(), c.base);
        EXPECT_EQ(basCommon::GetDataFolder(), c.base + QStringLiteral("/Data/"));
    }
    EXPECT_EQ(folder.LogText(), QString());
}

TEST_F(SettingsTest, SettingsTableWithoutItsRow) {
    DBManager db;
    ASSERT_TRUE(db.ExecuteNonQuery(QStringLiteral("DROP TRIGGER [Settings_OneRowOnDelete]")));
    ASSERT_TRUE(db.ExecuteNonQuery(QStringLiteral("DELETE FROM [Settings]")));
    folder.ClearLog();

    try {
        Settings().ReadTableRow();
        ADD_FAILURE() << "read a missing row as empty values";
    } catch (const CoreError& error) {
        EXPECT_EQ(error.Description(),
                  QStringLiteral("The Settings table of the database named quorvane.sys.qvd "
                                 "holds no row."));
    }

    EXPECT_FALSE(Settings().SaveSettings(QStringLiteral("Acme"), QStringLiteral("pw"),
                                         QStringLiteral("a long hint"), QString(), QString(),
                                         QStringLiteral("changed.qvd")));
    EXPECT_EQ(folder.LogLines(),
              QStringList{QStringLiteral("09:26:53\tSaveSettings\tThe settings were not stored as "
                                         "one row: the Settings table of the database named "
                                         "quorvane.sys.qvd holds 0 rows.")});
    // Nothing of the failed save is written.
    EXPECT_EQ(ConfigDatabase(), QStringLiteral("quorvane.sys.qvd"));
    const auto rows = db.GetRecordSet(QStringLiteral("SELECT count(*) FROM [Settings]"));
    ASSERT_TRUE(rows.has_value());
    EXPECT_EQ(rows->Value(0, 0).toInt(), 0);
}

TEST_F(SettingsTest, SaveSettingsIsFalseUnlessExactlyOneRowChanged) {
    DBManager db;
    for (const char* trigger : {"Settings_OneRowOnInsert", "Settings_OneRowOnDelete"}) {
        ASSERT_TRUE(db.ExecuteNonQuery(QStringLiteral("DROP TRIGGER [") +
                                       QString::fromLatin1(trigger) + u']'));
    }
    ASSERT_TRUE(db.ExecuteNonQuery(QStringLiteral("INSERT INTO [Settings] DEFAULT VALUES")));
    folder.ClearLog();
    EXPECT_FALSE(Settings().SaveSettings(QStringLiteral("Acme"), QString(), QString(), QString(),
                                         QString(), QStringLiteral("changed.qvd")));
    EXPECT_EQ(folder.LogLines(),
              QStringList{QStringLiteral("09:26:53\tSaveSettings\tThe settings were not stored as "
                                         "one row: the Settings table of the database named "
                                         "quorvane.sys.qvd holds 2 rows.")});
    EXPECT_EQ(ConfigDatabase(), QStringLiteral("quorvane.sys.qvd"));

    // One row again: stored.
    ASSERT_TRUE(db.ExecuteNonQuery(QStringLiteral("DELETE FROM [Settings] WHERE rowid > "
                                                  "(SELECT min(rowid) FROM [Settings])")));
    folder.ClearLog();
    EXPECT_TRUE(Settings().SaveSettings(QStringLiteral("Acme"), QString(), QString(), QString(),
                                        QString(), QStringLiteral("quorvane.sys.qvd")));
    EXPECT_EQ(folder.LogText(), QString());
}
