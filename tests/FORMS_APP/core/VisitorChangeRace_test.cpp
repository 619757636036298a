// A change on one workstation and a load or delete on another, met at the moments where they can
// cross: the update says whether its row changed, and a photo goes or stays with its row, whoever
// comes first.
#include "DatabaseWriteLock.h"
#include "StatementHook.h"
#include "VisitorFixture.h"

#include <functional>
#include <string>

namespace {

const QByteArray PhotoBytes = QByteArrayLiteral("BM stored still");
const QByteArray NewPhoto = QByteArrayLiteral("BM new still");
const QString Missing = QString::fromLatin1(Visitor::MissingVisitMessage) + QStringLiteral("\r\n");

using When = StatementHook::When;

// Visit 0007 with its photo; 0009 holds the highest number, so 0007 is never taken again.
class VisitorChangeRace : public VisitorFixture {
protected:
    void SetUp() override {
        VisitorFixture::SetUp();
        AddRow(QStringLiteral("0009"), QStringLiteral("Later"));
        StoreVisit();
    }

    void StoreVisit() const {
        Execute(QStringLiteral("DELETE FROM [VisitorRegister] WHERE [PassNo] = ?"), {PassNo});
        AddRow(PassNo, QStringLiteral("Ann Lee"));
        WriteBytes(PhotoPath(PassNo), PhotoBytes);
    }

    QStringList PhotoFolderEntries() const {
        return QDir(Folder().Path() + QStringLiteral("/Images/Visitors"))
            .entryList({PassNo + u'*'}, QDir::AllEntries | QDir::Hidden);
    }

    QString SetAside() const { return PhotoPath(PassNo) + QStringLiteral(".deleting"); }

    static Visitor Of(const QString& passNo) {
        Visitor visitor;
        visitor.SetPassNo(passNo);
        return visitor;
    }

    // The edit of the visit on this desk.
    Visitor Edited(bool newPhoto) const {
        Visitor visitor = ValidVisitor(QStringLiteral("Ann Lee-Smith"));
        visitor.SetPassNo(PassNo);
        if (newPhoto) {
            WriteBytes(TempPath(QStringLiteral("new.jpg")), NewPhoto);
            visitor.SetImageFile(QStringLiteral("new.jpg"));
        } else {
            visitor.SetImageCleared(true);
        }
        return visitor;
    }

    static bool Stored(const QString& passNo) {
        const std::optional<RecordSet> row = Row(passNo);
        return row && row->RecordCount() == 1;
    }

    const QString PassNo = QStringLiteral("0007");
};

// Another desk deletes the visit just before this desk's update writes: the edits are in no row,
// so the update is false and says so, and no photo is left for a visit that does not exist.
TEST_F(VisitorChangeRace, UpdateOfAVisitDeletedBeforeItWritesSaysSoAndStoresNoPhoto) {
    for (const bool newPhoto : {false, true}) {
        SCOPED_TRACE(newPhoto ? "new photo" : "photo cleared");
        StoreVisit();
        Visitor visitor = Edited(newPhoto);
        bool deleted = false;
        {
            const StatementHook otherDesk(
                When::Starts, {QStringLiteral("BEGIN IMMEDIATE"), QStringLiteral("UPDATE ")},
                [&] { deleted = Of(PassNo).DeleteVisitor(); });
            EXPECT_FALSE(visitor.UpdateVisitorRecord());
            ASSERT_TRUE(StatementHook::Fired());
        }
        EXPECT_TRUE(deleted);
        EXPECT_EQ(visitor.ErrorMessage(), Missing);
        EXPECT_FALSE(Stored(PassNo));
        EXPECT_EQ(PhotoFolderEntries(), QStringList());
        if (newPhoto) {
            // The still stays for the receptionist, as with any update that did not go through.
            EXPECT_EQ(ReadBytes(TempPath(QStringLiteral("new.jpg"))), NewPhoto);
        }
    }
}

// Another desk loads the visit while this desk deletes it or clears its photo: as the change
// waits for the write lock, as it commits, and once it has committed. The photo goes with the
// change every time; nothing is set aside or put back behind it.
TEST_F(VisitorChangeRace, PhotoGoneWithItsChangeWhateverALoadElsewhereDoes) {
    struct Moment {
        const char* what;
        When when;
        const char* prefix; // nullptr: the change's first statement that writes
    };
    const Moment moments[] = {{"waiting for the lock", When::Starts, nullptr},
                              {"as it commits", When::Starts, "COMMIT"},
                              {"just after the commit", When::Finished, "COMMIT"}};
    struct Change {
        const char* what;
        const char* firstWrite;
        bool rowStays;
        std::function<bool(Visitor&)> run;
    };
    const Change changes[] = {
        {"delete", "DELETE FROM ", false, [](Visitor& v) { return v.DeleteVisitor(); }},
        {"update clearing the photo", "UPDATE ", true,
         [](Visitor& v) { return v.UpdateVisitorRecord(); }},
    };
    for (const Change& change : changes) {
        for (const Moment& moment : moments) {
            SCOPED_TRACE(std::string(change.what) + ", load " + moment.what);
            StoreVisit();
            Folder().ClearLog();
            Visitor visitor = Edited(false);
            bool done = false;
            {
                const QStringList prefixes =
                    moment.prefix != nullptr ? QStringList{QString::fromLatin1(moment.prefix)}
                                             : QStringList{QStringLiteral("BEGIN IMMEDIATE"),
                                                           QString::fromLatin1(change.firstWrite)};
                const StatementHook otherDesk(moment.when, prefixes,
                                              [&] { Of(PassNo).ReadVisitor(); });
                done = change.run(visitor);
                ASSERT_TRUE(StatementHook::Fired());
            }
            EXPECT_TRUE(done) << visitor.ErrorMessage().toStdString();
            EXPECT_EQ(visitor.ErrorMessage(), QString());
            EXPECT_EQ(PhotoFolderEntries(), QStringList());
            EXPECT_EQ(Stored(PassNo), change.rowStays);
            EXPECT_FALSE(Folder().LogText().contains(QStringLiteral("Permission denied")))
                << Folder().LogText().toStdString();
        }
    }
}

// A photo that a change cut short left set aside goes back only when no other desk holds the
// write lock, which a change of that visit would, and only while the visit is still stored.
TEST_F(VisitorChangeRace, SetAsidePhotoGoesBackOnlyUnderTheLockWithItsRow) {
    // Another desk is in the middle of a change: the load reads the visit but leaves its photo.
    ASSERT_TRUE(QFile::rename(PhotoPath(PassNo), SetAside()));
    {
        const DatabaseWriteLock otherDesk(Folder().DatabaseFile());
        EXPECT_EQ(Of(PassNo).ReadVisitor(), Visitor::LoadResult::Loaded);
        EXPECT_EQ(PhotoFolderEntries(), QStringList{PassNo + QStringLiteral(".jpg.deleting")});
    }
    // Once the lock is free, the next load puts it back.
    EXPECT_EQ(Of(PassNo).ReadVisitor(), Visitor::LoadResult::Loaded);
    EXPECT_EQ(ReadBytes(PhotoPath(PassNo)), PhotoBytes);
    EXPECT_EQ(PhotoFolderEntries(), QStringList{PassNo + QStringLiteral(".jpg")});

    // Deleted by another desk between the load's read and its lock: the photo goes with the row.
    ASSERT_TRUE(QFile::rename(PhotoPath(PassNo), SetAside()));
    {
        const StatementHook otherDesk(When::Starts, {QStringLiteral("BEGIN IMMEDIATE")}, [&] {
            Execute(QStringLiteral("DELETE FROM [VisitorRegister] WHERE [PassNo] = ?"), {PassNo});
        });
        EXPECT_EQ(Of(PassNo).ReadVisitor(), Visitor::LoadResult::Loaded);
        ASSERT_TRUE(StatementHook::Fired());
    }
    EXPECT_FALSE(Stored(PassNo));
    EXPECT_EQ(PhotoFolderEntries(), QStringList());
}

} // namespace
