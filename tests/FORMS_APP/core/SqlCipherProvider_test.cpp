#include "QtPrinters.h"
#include "SqlcipherShell.h"

#include "core/SqlCipherConnection.h"
#include "core/SqlCipherProvider.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sqlcipher/sqlite3.h>

#include <sys/wait.h>
#include <unistd.h>

#include <set>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

constexpr int PageSize = 1024;
// Each page ends with its IV (16 bytes) and authentication code.
constexpr int ReserveSize = 48;
constexpr int IvSize = 16;
constexpr int Rows = 3000;

// Runs statements in the sqlcipher shell, a process with the engine's own provider.
QStringList Shell(const QString& file, const QString& key, const QString& statements) {
    return SqlcipherShell::Lines(file, key, statements);
}

// Rows of every size: many pages, and values that run over into overflow pages.
void Fill(SqlCipherConnection& db, int rows) {
    db.ExecuteScript(QStringLiteral("CREATE TABLE IF NOT EXISTS [t] ([n] INTEGER, [v] TEXT);"
                                    "CREATE INDEX IF NOT EXISTS [t_v] ON [t] (substr([v], 1, 40));"
                                    "BEGIN;"));
    for (int n = 0; n < rows; ++n) {
        db.Execute(QStringLiteral("INSERT INTO [t] VALUES (?, ?)"),
                   {n, QString(n % 97 == 0 ? 3000 : 20 + n % 300, QChar(u'a' + n % 26))});
    }
    db.ExecuteScript(QStringLiteral("COMMIT;"));
}

// What both sides must agree on: the check of every page, the rows and their lengths.
const QString Summary =
    QStringLiteral("PRAGMA quick_check; SELECT count(*), sum([n]), sum(length([v])) FROM [t];");

QStringList SummaryOf(SqlCipherConnection& db) {
    const RecordSet check = db.Query(QStringLiteral("PRAGMA quick_check"), {});
    const RecordSet sums =
        db.Query(QStringLiteral("SELECT count(*), sum([n]), sum(length([v])) FROM [t]"), {});
    return {check.Value(0, 0).toString(), sums.Value(0, 0).toString() + u'|' +
                                              sums.Value(0, 1).toString() + u'|' +
                                              sums.Value(0, 2).toString()};
}

// The IVs of a file's pages.
std::vector<QByteArray> IvsOf(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    const QByteArray bytes = file.readAll();
    std::vector<QByteArray> ivs;
    for (qsizetype page = 0; page + PageSize <= bytes.size(); page += PageSize) {
        ivs.push_back(bytes.mid(page + PageSize - ReserveSize, IvSize));
    }
    return ivs;
}

class SqlCipherProviderTest : public ::testing::Test {
protected:
    QTemporaryDir dir;

    QString File(const QString& name) const { return dir.filePath(name); }
};

TEST_F(SqlCipherProviderTest, IsInstalledOnTheEngineTheProgramShipsWith) {
    ASSERT_TRUE(dir.isValid());
    SqlCipherConnection db(File(QStringLiteral("a.db")), QStringLiteral("pw"),
                           SqlCipherConnection::Mode::CreateIfMissing);
    EXPECT_TRUE(SqlCipherProvider::Installed());
}

TEST_F(SqlCipherProviderTest, PagesReadAndWrittenAgreeWithTheEnginesOwnProvider) {
    ASSERT_TRUE(dir.isValid());
    const QString path = File(QStringLiteral("register.db"));
    const QString key = QStringLiteral("pa'ss");
    QStringList ours;
    {
        SqlCipherConnection db(path, key, SqlCipherConnection::Mode::CreateIfMissing);
        Fill(db, Rows);
        ours = SummaryOf(db);
    }
    ASSERT_TRUE(SqlCipherProvider::Installed());
    EXPECT_EQ(ours.at(0), QStringLiteral("ok"));
    QString quoted = key;
    quoted.replace(u'\'', QStringLiteral("''"));
    // The shell reads what this process wrote, then changes most pages itself.
    EXPECT_EQ(Shell(path, quoted, Summary), ours);
    const QStringList changed =
        Shell(path, quoted,
              QStringLiteral("UPDATE [t] SET [v] = [v] || 'x' WHERE [n] % 2 = 0; ") + Summary);
    ASSERT_EQ(changed.size(), 2);
    EXPECT_EQ(changed.at(0), QStringLiteral("ok"));
    EXPECT_NE(changed.at(1), ours.at(1));
    // And this process reads what the shell wrote.
    SqlCipherConnection db(path, key);
    EXPECT_EQ(SummaryOf(db), changed);
}

TEST_F(SqlCipherProviderTest, ThreadsWorkingWithMoreKeysThanAThreadKeepsStayReadable) {
    ASSERT_TRUE(dir.isValid());
    constexpr int Threads = 3;
    constexpr int Files = 6;
    std::vector<std::thread> threads;
    for (int t = 0; t < Threads; ++t) {
        threads.emplace_back([this, t] {
            // Each round writes to every file in turn, so each thread keeps changing keys.
            for (int round = 0; round < 3; ++round) {
                for (int f = 0; f < Files; ++f) {
                    SqlCipherConnection db(File(QStringLiteral("t%1-%2.db").arg(t).arg(f)),
                                           QStringLiteral("key %1").arg(f),
                                           SqlCipherConnection::Mode::CreateIfMissing);
                    Fill(db, 200);
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    // Three rounds of the rows 0 to 199 in every file.
    int length = 0;
    for (int n = 0; n < 200; ++n) {
        length += n % 97 == 0 ? 3000 : 20 + n % 300;
    }
    const QStringList expected = {QStringLiteral("ok"),
                                  QStringLiteral("600|%1|%2").arg(3 * 19900).arg(3 * length)};
    for (int t = 0; t < Threads; ++t) {
        for (int f = 0; f < Files; ++f) {
            const QString path = File(QStringLiteral("t%1-%2.db").arg(t).arg(f));
            SCOPED_TRACE(path.toStdString());
            EXPECT_EQ(Shell(path, QStringLiteral("key %1").arg(f), Summary), expected);
        }
    }
}

TEST_F(SqlCipherProviderTest, AForkedChildNeverReusesTheIvsOfItsParent) {
    ASSERT_TRUE(dir.isValid());
    // The parent has drawn random bytes before the fork, so it holds some in reserve.
    {
        SqlCipherConnection db(File(QStringLiteral("before.db")), QStringLiteral("pw"),
                               SqlCipherConnection::Mode::CreateIfMissing);
        Fill(db, 10);
    }
    const QString child = File(QStringLiteral("child.db"));
    const QString parent = File(QStringLiteral("parent.db"));
    const pid_t pid = fork();
    ASSERT_NE(pid, -1);
    if (pid == 0) {
        int code = 0;
        try {
            SqlCipherConnection db(child, QStringLiteral("pw"),
                                   SqlCipherConnection::Mode::CreateIfMissing);
            Fill(db, 10);
        } catch (...) {
            code = 1;
        }
        _exit(code);
    }
    {
        SqlCipherConnection db(parent, QStringLiteral("pw"),
                               SqlCipherConnection::Mode::CreateIfMissing);
        Fill(db, 10);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    const std::vector<QByteArray> childIvs = IvsOf(child);
    const std::vector<QByteArray> parentIvs = IvsOf(parent);
    ASSERT_FALSE(childIvs.empty());
    ASSERT_FALSE(parentIvs.empty());
    std::set<QByteArray> all(childIvs.begin(), childIvs.end());
    all.insert(parentIvs.begin(), parentIvs.end());
    EXPECT_EQ(all.size(), childIvs.size() + parentIvs.size());
}

} // namespace
