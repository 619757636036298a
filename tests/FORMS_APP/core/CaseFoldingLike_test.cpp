#include "TempProgramFolder.h"

#include "core/DBManager.h"
#include "core/Visitor.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <optional>
#include <tuple>

namespace {

class CaseFoldingLikeTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder.IsValid()); }

    static QVariant Evaluate(const QString& expression, const QVariantList& values) {
        const std::optional<RecordSet> rows =
            DBManager().GetRecordSet(QStringLiteral("SELECT ") + expression, values);
        EXPECT_TRUE(rows.has_value()) << expression.toStdString();
        return rows ? rows->Value(0, 0) : QVariant();
    }

    TempProgramFolder folder;
};

} // namespace

// Letters match whatever their case, in every script; the wildcards count characters, not bytes.
TEST_F(CaseFoldingLikeTest, IgnoresLetterCaseForEveryLetter) {
    const struct {
        const char* text;
        const char* pattern;
        bool matches;
    } cases[] = {
        {"Élise Martin", "%élise%", true},
        {"ÉLISE", "élise", true},
        {"élise", "%ÉLI%", true},
        {"Elise", "%élise%", false},
        {"Øystein Ødegård", "%ødegÅrd", true},
        {"ΣΩΚΡΑΤΗΣ", "%σωκρατης%", true},
        {"Ann O'Neil", "%o'neil%", true},
        {"ACME Ltd", "acme%", true},
        {"ACME Ltd", "%acme", false},
        {"Zoë", "zo_", true},
        {"Zoë", "zo__", false},
        {"Zoë", "z%ë", true},
        {"abcabd", "%abd", true},
        {"abcab", "a%b%b", true},
        {"", "%", true},
        {"", "_", false},
        {"anything", "", false},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(std::string(entry.text) + " LIKE " + entry.pattern);
        EXPECT_EQ(Evaluate(QStringLiteral("? LIKE ?"),
                           {QString::fromUtf8(entry.text), QString::fromUtf8(entry.pattern)})
                      .toInt(),
                  entry.matches ? 1 : 0);
    }
}

TEST_F(CaseFoldingLikeTest, EscapeAndNullBehaveAsTheEngineSays) {
    EXPECT_EQ(Evaluate(QStringLiteral("'100%' LIKE '100!%' ESCAPE '!'"), {}).toInt(), 1);
    EXPECT_EQ(Evaluate(QStringLiteral("'1000' LIKE '100!%' ESCAPE '!'"), {}).toInt(), 0);
    EXPECT_EQ(Evaluate(QStringLiteral("'A_É' LIKE 'a!_é' ESCAPE '!'"), {}).toInt(), 1);
    EXPECT_TRUE(Evaluate(QStringLiteral("NULL LIKE 'a'"), {}).isNull());
    EXPECT_TRUE(Evaluate(QStringLiteral("'a' LIKE NULL"), {}).isNull());
    EXPECT_FALSE(
        DBManager().GetRecordSet(QStringLiteral("SELECT 'a' LIKE 'a' ESCAPE 'ab'")).has_value());
    EXPECT_FALSE(DBManager()
                     .GetRecordSet(QStringLiteral("SELECT 'a' LIKE ?"), {QString(60000, u'%')})
                     .has_value());
}

// The function lives in our connections only: the shell still opens, reads and writes the file.
TEST_F(CaseFoldingLikeTest, ShellStillReadsAndWritesTheDatabase) {
    ASSERT_TRUE(DBManager().ExecuteNonQuery(
        QStringLiteral("INSERT INTO [VisitorRegister] ([PassNo], [Name]) VALUES ('0001', ?)"),
        {QStringLiteral("Élise")}));
    QProcess shell;
    shell.start(QStringLiteral("sqlcipher"), {folder.DatabaseFile()});
    ASSERT_TRUE(shell.waitForStarted(-1));
    shell.write(QByteArrayLiteral("PRAGMA key = '") + DBManager::DatabasePassword +
                "';\nINSERT INTO VisitorRegister (PassNo, Name) VALUES ('0002', 'Bob');\n"
                "SELECT count(*) FROM VisitorRegister WHERE Name LIKE '%e%';\n");
    shell.closeWriteChannel();
    ASSERT_TRUE(shell.waitForFinished(-1));
    EXPECT_EQ(shell.exitCode(), 0) << shell.readAllStandardError().toStdString();
    EXPECT_TRUE(shell.readAllStandardOutput().trimmed().endsWith("1"));
    const std::optional<RecordSet> rows = DBManager().GetRecordSet(
        QStringLiteral("SELECT [PassNo] FROM [VisitorRegister] WHERE [Name] LIKE '%É%'"));
    ASSERT_TRUE(rows.has_value());
    ASSERT_EQ(rows->RecordCount(), 1);
    EXPECT_EQ(rows->Text(0, 0), QStringLiteral("0001"));
}

// The search and the quick pick both filter through LIKE, so both find every spelling.
TEST_F(CaseFoldingLikeTest, SearchAndQuickPickFindEverySpelling) {
    for (const auto& [passNo, name, company] :
         {std::tuple{"0001", "Élise Martin", "ACME"}, std::tuple{"0002", "ÉLISE ROY", "Acme"},
          std::tuple{"0003", "Elise Other", "Ørsted"}}) {
        ASSERT_TRUE(DBManager().ExecuteNonQuery(
            QStringLiteral("INSERT INTO [VisitorRegister] ([PassNo], [Name], [Company]) VALUES "
                           "(?, ?, ?)"),
            {QString::fromUtf8(passNo), QString::fromUtf8(name), QString::fromUtf8(company)}));
    }
    Visitor search;
    search.SetVisitorName(QStringLiteral("%élise%"));
    const std::optional<RecordSet> found = search.GetVisitorList();
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->RecordCount(), 2);

    const std::optional<RecordSet> picked =
        Visitor().FillSimpleSearch(QStringLiteral("Name"), QStringLiteral("Company"),
                                   QStringLiteral("élise%"), QStringLiteral("%acme%"));
    ASSERT_TRUE(picked.has_value());
    EXPECT_EQ(picked->RecordCount(), 2);
    const std::optional<RecordSet> other =
        Visitor().FillSimpleSearch(QStringLiteral("Name"), QStringLiteral("Company"),
                                   QStringLiteral("%"), QStringLiteral("øRSTED"));
    ASSERT_TRUE(other.has_value());
    ASSERT_EQ(other->RecordCount(), 1);
    EXPECT_EQ(other->Text(0, 0), QStringLiteral("Elise Other"));
}
