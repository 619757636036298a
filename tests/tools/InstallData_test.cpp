#include "QtPrinters.h"
#include "TempProgramFolder.h"

#include "core/DBManager.h"
#include "core/Settings.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct ShellResult {
    int exitCode = -1;
    QString output;
};

// Runs the sqlcipher shell on the database with the given commands on its input.
ShellResult RunSqlcipher(const QString& database, const QString& commands) {
    QProcess shell;
    shell.setProcessChannelMode(QProcess::MergedChannels);
    shell.start(QStringLiteral(QUORVANE_SQLCIPHER_SHELL), {QStringLiteral("-batch"), database});
    shell.write(commands.toUtf8());
    shell.closeWriteChannel();
    if (!shell.waitForFinished(-1)) {
        return {};
    }
    return {shell.exitCode(), QString::fromUtf8(shell.readAll())};
}

QString KeyCommand() {
    return QStringLiteral("PRAGMA key = '") + QString::fromLatin1(DBManager::DatabasePassword) +
           QStringLiteral("';\n");
}

class InstallDataTest : public ::testing::Test {
protected:
    TempProgramFolder folder;

    void SetUp() override { ASSERT_TRUE(folder.IsValid()); }

    QByteArray Read(const QString& relative) const {
        QFile file(folder.Path() + u'/' + relative);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

TEST_F(InstallDataTest, ProgramFolderHoldsEveryFile) {
    const char* files[] = {
        "Data/quorvane.sys.qvd", "system/sysdata.config",
        "system/key.tokens.xml", "system/adrotlist.config",
        "system/EULA.txt",       "Images/Visitors/photo_unavailable.gif",
        "Help/NewVisitor.htm",   "Help/CheckedInList.htm",
        "Help/Search.htm",       "Help/Settings.htm",
        "Help/FAQ.htm",
    };
    for (const char* file : files) {
        EXPECT_GT(QFileInfo(folder.Path() + u'/' + QString::fromLatin1(file)).size(), 0) << file;
    }
    for (const char* empty : {"Images/Logo", "Logs"}) {
        const QDir dir(folder.Path() + u'/' + QString::fromLatin1(empty));
        EXPECT_TRUE(dir.exists()) << empty;
        EXPECT_TRUE(dir.isEmpty()) << empty;
    }
}

TEST_F(InstallDataTest, TextFilesAreWellFormed) {
    QDomDocument scrollTexts;
    ASSERT_TRUE(scrollTexts.setContent(Read(QStringLiteral("system/adrotlist.config"))));
    EXPECT_EQ(scrollTexts.documentElement().tagName(), QStringLiteral("SYSLIST"));
    const QDomNodeList texts =
        scrollTexts.documentElement().elementsByTagName(QStringLiteral("TEXT"));
    EXPECT_GE(texts.size(), 2);
    for (int i = 0; i < texts.size(); ++i) {
        EXPECT_FALSE(texts.at(i).toElement().text().trimmed().isEmpty());
    }
    for (const char* page : {"NewVisitor", "CheckedInList", "Search", "Settings", "FAQ"}) {
        const QByteArray html =
            Read(QStringLiteral("Help/") + QString::fromLatin1(page) + QStringLiteral(".htm"));
        EXPECT_TRUE(html.contains("<html>") && html.contains("</html>")) << page;
        EXPECT_TRUE(html.contains("<title>")) << page;
    }
    const QImage placeholder(folder.Path() +
                             QStringLiteral("/Images/Visitors/photo_unavailable.gif"));
    EXPECT_FALSE(placeholder.isNull());
    EXPECT_GT(placeholder.width(), 16);
}

TEST_F(InstallDataTest, ConfigurationHoldsThePlainDatabaseNameAndEncipheredValues) {
    QDomDocument config;
    ASSERT_TRUE(config.setContent(Read(QStringLiteral("system/sysdata.config"))));
    const QDomElement lc = config.documentElement().firstChildElement(QStringLiteral("LC"));
    EXPECT_EQ(lc.firstChildElement(QStringLiteral("DATABASE")).text(),
              QStringLiteral("quorvane.sys.qvd"));
    EXPECT_TRUE(lc.firstChildElement(QStringLiteral("DISP")).text().isEmpty());
    for (const char* key : {"ABE", "ARE", "SIT", "AWL", "QVS", "PFT", "SLN", "EML"}) {
        const QString value = lc.firstChildElement(QString::fromLatin1(key)).text();
        EXPECT_FALSE(value.isEmpty()) << key;
        EXPECT_EQ(value, value.toUpper()) << key;
        EXPECT_FALSE(value.contains(QStringLiteral("quorvane"), Qt::CaseInsensitive)) << key;
    }
    Settings settings;
    EXPECT_TRUE(settings.IsScrollTextEnabled());
    EXPECT_TRUE(settings.IsAdRotateEnabled());
    for (const QString& link : {settings.GetProductURL(), settings.GetAwardURL(),
                                settings.GetQuorvaneURL(), settings.GetProductSupportURL()}) {
        EXPECT_TRUE(link.startsWith(QStringLiteral("https://"))) << link.toStdString();
        EXPECT_TRUE(link.contains(QStringLiteral(".example"))) << link.toStdString();
    }
    EXPECT_TRUE(settings.GetSupportEmail().endsWith(QStringLiteral(".example")));
}

TEST_F(InstallDataTest, TokensIncludeDecoysAndAReversedPiece) {
    QDomDocument tokens;
    ASSERT_TRUE(tokens.setContent(Read(QStringLiteral("system/key.tokens.xml"))));
    const QDomNodeList list = tokens.elementsByTagName(QStringLiteral("token"));
    QStringList ids;
    bool reversed = false;
    for (int i = 0; i < list.size(); ++i) {
        const QDomElement token = list.at(i).toElement();
        const QString id = token.attribute(QStringLiteral("id"));
        ids.append(id);
        if (id == u"2" || id == u"4" || id == u"6") {
            reversed |= token.attribute(QStringLiteral("btype")).toLower() == u"true";
        }
    }
    EXPECT_TRUE(reversed);
    for (const char* id : {"2", "4", "6"}) {
        EXPECT_EQ(ids.count(QString::fromLatin1(id)), 1) << id;
    }
    EXPECT_GE(ids.size(), 6);
}

TEST_F(InstallDataTest, DatabaseOpensInTheShellOnlyWithThePassword) {
    // Written by the program, read by the shell: both key the file alike.
    DBManager db;
    ASSERT_TRUE(db.ExecuteNonQuery(QStringLiteral(
        "INSERT INTO [VisitorRegister] ([PassNo], [Name]) VALUES ('0042', 'Shell Reader')")));
    const ShellResult keyed =
        RunSqlcipher(folder.DatabaseFile(),
                     KeyCommand() + QStringLiteral(".tables\nSELECT * FROM Settings;\n"
                                                   "SELECT Name FROM VisitorRegister;\n"));
    EXPECT_EQ(keyed.exitCode, 0) << keyed.output.toStdString();
    EXPECT_TRUE(keyed.output.contains(QStringLiteral("Settings")));
    EXPECT_TRUE(keyed.output.contains(QStringLiteral("VisitorRegister")));
    EXPECT_TRUE(keyed.output.contains(QStringLiteral("Quorvane Demo Co.||||")))
        << keyed.output.toStdString();
    EXPECT_TRUE(keyed.output.contains(QStringLiteral("Shell Reader")));

    const ShellResult bare =
        RunSqlcipher(folder.DatabaseFile(), QStringLiteral(".tables\nSELECT * FROM Settings;\n"));
    EXPECT_NE(bare.exitCode, 0);
    EXPECT_TRUE(bare.output.contains(QStringLiteral("not a database")))
        << bare.output.toStdString();
    EXPECT_FALSE(bare.output.contains(QStringLiteral("VisitorRegister")));
    EXPECT_FALSE(bare.output.contains(QStringLiteral("Quorvane Demo Co.")));

    // Nothing of the contents shows in the file itself.
    const QByteArray raw = Read(QStringLiteral("Data/quorvane.sys.qvd"));
    EXPECT_FALSE(raw.startsWith("SQLite format 3"));
    EXPECT_FALSE(raw.contains("VisitorRegister"));
    EXPECT_FALSE(raw.contains("Quorvane Demo Co."));
    EXPECT_FALSE(raw.contains("Shell Reader"));
}

TEST_F(InstallDataTest, SchemaOfTheVisitTable) {
    const ShellResult info = RunSqlcipher(
        folder.DatabaseFile(),
        KeyCommand() + QStringLiteral(".mode list\nPRAGMA table_info(VisitorRegister);\n"
                                      "PRAGMA index_list(VisitorRegister);\n"
                                      "SELECT type, name FROM sqlite_master WHERE type IN "
                                      "('table', 'trigger') ORDER BY type, name;\n"));
    ASSERT_EQ(info.exitCode, 0) << info.output.toStdString();
    // cid|name|type|notnull|dflt_value|pk
    const QStringList expected = {
        QStringLiteral("0|PassNo|TEXT|1||0"),
        QStringLiteral("1|Name|TEXT|0|''|0"),
        QStringLiteral("2|Mobile|TEXT|0|''|0"),
        QStringLiteral("3|Email|TEXT|0|''|0"),
        QStringLiteral("4|VisitorType|TEXT|0|''|0"),
        QStringLiteral("5|Company|TEXT|0|''|0"),
        QStringLiteral("6|Address|TEXT|0|''|0"),
        QStringLiteral("7|Purpose|TEXT|0|''|0"),
        QStringLiteral("8|ToMeet|TEXT|0|''|0"),
        QStringLiteral("9|Department|TEXT|0|''|0"),
        QStringLiteral("10|Remarks|TEXT|0|''|0"),
        QStringLiteral("11|CheckedIn|TEXT|1|datetime('now','localtime')|0"),
        QStringLiteral("12|CheckedOut|TEXT|0|NULL|0"),
    };
    const QStringList lines = info.output.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), expected.size());
    EXPECT_EQ(lines.mid(0, expected.size()), expected);
    const QString indexes = lines.mid(expected.size()).join(u'\n');
    EXPECT_TRUE(indexes.contains(QStringLiteral("IX_VisitorRegister_CheckedIn")));
    EXPECT_TRUE(indexes.contains(QStringLiteral("IX_VisitorRegister_NotCheckedOut")));
    // The quick pick reads its pairs from these.
    EXPECT_TRUE(indexes.contains(QStringLiteral("IX_VisitorRegister_CheckedInNameCompany")));
    // The drop-downs of companies and persons to meet, and the quick pick's (to meet,
    // department) pairs, read value lists that triggers keep.
    for (const char* object :
         {"table|VisitorCompanies", "table|VisitorPersonsToMeet", "table|VisitorToMeetDepartments",
          "trigger|VisitorRegister_CountValuesOnInsert",
          "trigger|VisitorRegister_CountValuesOnDelete",
          "trigger|VisitorRegister_CountValuesOnUpdate"}) {
        EXPECT_TRUE(lines.contains(QString::fromLatin1(object))) << object;
    }
    EXPECT_TRUE(indexes.contains(QStringLiteral("autoindex"))) << "unique pass number";
}

TEST_F(InstallDataTest, RunningAgainKeepsTheDatabaseAndTheConfiguration) {
    DBManager db;
    ASSERT_TRUE(db.ExecuteNonQuery(
        QStringLiteral("INSERT INTO [VisitorRegister] ([PassNo], [Name]) VALUES ('0001', 'Ann')")));
    ASSERT_TRUE(Settings().SaveSettings(QStringLiteral("Kept Co"), QString(), QString(), QString(),
                                        QString(), QStringLiteral("quorvane.sys.qvd")));
    folder.SetConfigValue(QStringLiteral("DATABASE"), QStringLiteral("quorvane.sys.qvd"));
    const QByteArray config = Read(QStringLiteral("system/sysdata.config"));
    ASSERT_TRUE(QFile::remove(folder.Path() + QStringLiteral("/Help/FAQ.htm")));

    QString output;
    ASSERT_EQ(TempProgramFolder::RunInstallDataTool(folder.Path(), &output), 0)
        << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("kept the existing database")));
    EXPECT_EQ(Read(QStringLiteral("system/sysdata.config")), config);
    EXPECT_TRUE(QFile::exists(folder.Path() + QStringLiteral("/Help/FAQ.htm")));
    const auto rows = db.GetRecordSet(QStringLiteral("SELECT [Name] FROM [VisitorRegister]"));
    ASSERT_TRUE(rows.has_value());
    EXPECT_EQ(rows->RecordCount(), 1);
    EXPECT_EQ(Settings().GetCompanyName(), QStringLiteral("Kept Co"));
    // Still deciphers after the token file was written anew.
    EXPECT_EQ(Settings().GetSupportEmail(), QStringLiteral("support@quorvane.example"));
}

TEST(InstallDataTool, RefusesBadArgumentsAndUnwritableFolders) {
    QProcess noArgument;
    noArgument.start(QStringLiteral(QUORVANE_INSTALL_DATA_TOOL), {});
    ASSERT_TRUE(noArgument.waitForFinished(-1));
    EXPECT_EQ(noArgument.exitCode(), 2);
    EXPECT_TRUE(noArgument.readAllStandardError().contains("usage"));
    QTemporaryDir dir;
    QFile blocker(dir.path() + QStringLiteral("/file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QString output;
    EXPECT_EQ(TempProgramFolder::RunInstallDataTool(blocker.fileName() + QStringLiteral("/program"),
                                                    &output),
              1);
    EXPECT_TRUE(output.contains(QStringLiteral("Cannot create"))) << output.toStdString();
}

} // namespace
