// Changes answered as done survive a power cut: in the journal's DELETE mode a commit is the
// journal's deletion, which lasts only once its folder is synced. A layer under the engine sees
// every deletion of the register's journal and whether the engine asked for that sync.
#include "VisitorFixture.h"
#include "WatchedDisk.h"

#include "core/Settings.h"
#include "core/SqlCipherConnection.h"

#include <QDateTime>

#include <functional>
#include <vector>

namespace {

const QString Key = QString::fromLatin1(DBManager::DatabasePassword);

class CommitDurability : public VisitorFixture {
protected:
    void SetUp() override {
        WatchedDisk::Install();
        VisitorFixture::SetUp();
        AppEnvironment::SetClock([] { return QDateTime(QDate(2025, 3, 14), QTime(9, 26, 53)); });
        WatchedDisk::Current().beforeDelete = [this](const char* name, int syncDirectory) {
            if (QFileInfo(QString::fromUtf8(name)).fileName() ==
                QFileInfo(Folder().DatabaseFile()).fileName() + QStringLiteral("-journal")) {
                m_journalDeletes.push_back(syncDirectory);
            }
        };
    }
    void TearDown() override {
        WatchedDisk::Current() = {};
        AppEnvironment::Reset();
    }

    // The engine's requests to sync the folder, one for each deletion of the journal since the
    // last call.
    std::vector<int> TakeJournalDeletes() { return std::exchange(m_journalDeletes, {}); }

private:
    std::vector<int> m_journalDeletes;
};

TEST_F(CommitDurability, EveryWriteOfTheProgramSyncsTheFolderAfterItsJournalGoes) {
    Visitor visit = ValidVisitor();
    struct Case {
        const char* name;
        std::function<bool()> change;
    };
    const Case cases[] = {
        {"check-in", [&] { return visit.InsertVisitorRecord(); }},
        {"check-out", [&] { return visit.CheckOutVisitor(); }},
        {"statement",
         [] {
             return DBManager().ExecuteNonQuery(
                 QStringLiteral("UPDATE [Settings] SET [CompanyName] = 'Durable Ltd'"));
         }},
        {"purge",
         [] {
             AddRow(QStringLiteral("0100"), QStringLiteral("Old Visitor"),
                    QStringLiteral("2024-01-05 10:00:00"));
             return Settings().Purge(QStringLiteral("31-12-2024")).isEmpty();
         }},
        {"delete", [&] { return visit.DeleteVisitor(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TakeJournalDeletes();
        ASSERT_TRUE(c.change());
        const std::vector<int> deletes = TakeJournalDeletes();
        ASSERT_FALSE(deletes.empty()) << "no commit went through the journal";
        for (const int syncDirectory : deletes) {
            EXPECT_EQ(syncDirectory, 1);
        }
    }
    // The check-in was stored once and is gone again with its delete; the old visit is purged.
    EXPECT_TRUE(PassNumbers().isEmpty());
}

TEST_F(CommitDurability, EveryConnectionThatCanWriteAsksForTheFolderSync) {
    const QString created = Folder().DataFolder() + QStringLiteral("new.qvd");
    struct Case {
        const char* name;
        QString file;
        SqlCipherConnection::Mode mode;
        int synchronous;
    };
    // EXTRA is 3; a connection that cannot write commits nothing, so it keeps the default.
    const Case cases[] = {
        {"new file", created, SqlCipherConnection::Mode::CreateIfMissing, 3},
        {"register", Folder().DatabaseFile(), SqlCipherConnection::Mode::ExistingOnly, 3},
        {"read only", Folder().DatabaseFile(), SqlCipherConnection::Mode::ReadOnly, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SqlCipherConnection connection(c.file, Key, c.mode);
        EXPECT_EQ(connection.Query(QStringLiteral("PRAGMA synchronous"), {}).Value(0, 0).toInt(),
                  c.synchronous);
    }
}

} // namespace
