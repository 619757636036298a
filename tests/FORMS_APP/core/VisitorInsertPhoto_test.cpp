#include "DatabaseWriteLock.h"
#include "VisitorFixture.h"

#include "core/SqlCipherConnection.h"

#include <sqlcipher/sqlite3.h>

#include <cstring>
#include <memory>

namespace {

const QByteArray PhotoBytes = QByteArrayLiteral("BM captured still");
const QString TempPhoto = QStringLiteral("Ann_0001.jpg");

// Another desk that takes the write lock the moment a transaction of this process commits, before
// the committing code goes on: whatever that code still wants to change in the database then
// waits the busy timeout and fails.
class LockAfterCommit final {
public:
    explicit LockAfterCommit(const QString& databaseFile) {
        s_databaseFile = databaseFile;
        s_armed = true;
        sqlite3_auto_extension(reinterpret_cast<void (*)()>(&LockAfterCommit::Watch));
    }
    ~LockAfterCommit() {
        sqlite3_cancel_auto_extension(reinterpret_cast<void (*)()>(&LockAfterCommit::Watch));
        s_armed = false;
        s_lock.reset();
    }
    Q_DISABLE_COPY_MOVE(LockAfterCommit)

    static bool Taken() { return s_lock != nullptr; }

private:
    static int Watch(sqlite3* db, char** /*error*/, const void* /*api*/) {
        sqlite3_trace_v2(db, SQLITE_TRACE_PROFILE, &LockAfterCommit::Finished, nullptr);
        return SQLITE_OK;
    }
    // Runs when a statement has finished, its locks released.
    static int Finished(unsigned /*type*/, void* /*context*/, void* statement, void* /*time*/) {
        const char* sql = sqlite3_sql(static_cast<sqlite3_stmt*>(statement));
        if (s_armed && sql != nullptr && std::strncmp(sql, "COMMIT", 6) == 0) {
            s_armed = false;
            s_lock = std::make_unique<DatabaseWriteLock>(s_databaseFile);
        }
        return 0;
    }

    static inline QString s_databaseFile;
    static inline bool s_armed = false;
    static inline std::unique_ptr<DatabaseWriteLock> s_lock;
};

class VisitorInsertPhoto : public VisitorFixture {
protected:
    int VisitCount() const {
        const std::optional<RecordSet> rows =
            DBManager().GetRecordSet(QStringLiteral("SELECT count(*) FROM [VisitorRegister]"));
        return rows ? rows->Field(0).toInt() : -1;
    }
    QString PhotoFolder() const { return Folder().Path() + QStringLiteral("/Images/Visitors"); }
};

} // namespace

// A check-in is stored exactly when it says so, also when another desk takes the write lock the
// moment the check-in's transaction ends: nothing after the COMMIT may need a lock of its own.
TEST_F(VisitorInsertPhoto, StoredExactlyWhenItSaysSoWhileAnotherDeskTakesTheLock) {
    struct Case {
        const char* name;
        bool photoFolderMissing;
        bool stored;
    };
    const Case cases[] = {{"photo placed", false, true}, {"photo folder missing", true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Execute(QStringLiteral("DELETE FROM [VisitorRegister]"));
        ASSERT_TRUE(QDir().mkpath(PhotoFolder()));
        if (c.photoFolderMissing) {
            ASSERT_TRUE(QDir(PhotoFolder()).removeRecursively());
        }
        WriteBytes(TempPath(TempPhoto), PhotoBytes);
        Folder().ClearLog();
        Visitor visitor = ValidVisitor();
        visitor.SetImageFile(TempPhoto);
        bool answered = false;
        {
            const LockAfterCommit otherDesk(Folder().DatabaseFile());
            answered = visitor.InsertVisitorRecord();
        }
        EXPECT_EQ(answered, c.stored);
        EXPECT_EQ(VisitCount(), c.stored ? 1 : 0);
        EXPECT_EQ(QFile::exists(PhotoPath(QStringLiteral("0001"))), c.stored);
        // The still is gone from the temporary folder only with a stored check-in.
        EXPECT_EQ(QFile::exists(TempPath(TempPhoto)), !c.stored);
        EXPECT_EQ(QDir(TempPath(QString())).entryList(QDir::Files),
                  c.stored ? QStringList() : QStringList{TempPhoto});
        if (!c.stored) {
            EXPECT_TRUE(visitor.ErrorMessage().contains(PhotoFolder()))
                << visitor.ErrorMessage().toStdString();
            EXPECT_TRUE(Folder().LogText().contains(QStringLiteral("\tInsertVisitorRecord\t")))
                << Folder().LogText().toStdString();
        }
    }
}

// A row whose COMMIT fails (another desk reads past the busy timeout) takes its photo back: the
// photo folder holds nothing under the number, and the still is back in the temporary folder for
// the next try.
TEST_F(VisitorInsertPhoto, FailedCommitGivesThePhotoBack) {
    WriteBytes(TempPath(TempPhoto), PhotoBytes);
    SqlCipherConnection reader(Folder().DatabaseFile(),
                               QString::fromLatin1(DBManager::DatabasePassword));
    reader.ExecuteScript(QStringLiteral("BEGIN; SELECT count(*) FROM [VisitorRegister];"));
    Visitor visitor = ValidVisitor();
    visitor.SetImageFile(TempPhoto);

    EXPECT_FALSE(visitor.InsertVisitorRecord());
    reader.ExecuteScript(QStringLiteral("COMMIT;"));

    EXPECT_EQ(visitor.ErrorMessage(), QString::fromLatin1(Visitor::InsertFailedMessage));
    EXPECT_EQ(VisitCount(), 0);
    EXPECT_FALSE(QFile::exists(PhotoPath(QStringLiteral("0001"))));
    EXPECT_EQ(ReadBytes(TempPath(TempPhoto)), PhotoBytes);
    EXPECT_EQ(QDir(TempPath(QString())).entryList(QDir::Files), QStringList{TempPhoto});
    EXPECT_TRUE(Folder().LogText().contains(QStringLiteral("\tExecuteNonQuery\t")))
        << Folder().LogText().toStdString();
}
