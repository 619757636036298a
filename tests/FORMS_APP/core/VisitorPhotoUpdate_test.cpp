// An update changes the stored photo only together with its row: a refused or failed update leaves
// the photo as it was, and a photo that cannot be changed keeps the row as it was.
#include "DatabaseWriteLock.h"
#include "UnchangeableFolder.h"
#include "VisitorFixture.h"

#include "core/SqlCipherConnection.h"

#include <string>

namespace {

const QByteArray OldPhoto = QByteArrayLiteral("BM stored still");
const QByteArray NewPhoto = QByteArrayLiteral("BM new still");
const QString UpdateFailed = QString::fromLatin1(Visitor::UpdateFailedMessage);

enum class PhotoEdit { Cleared, Replaced };

std::string NameOf(PhotoEdit edit) {
    return edit == PhotoEdit::Cleared ? "cleared" : "replaced";
}

// One stored visit with its photo, and an edit of it.
class VisitorPhotoUpdate : public VisitorFixture {
protected:
    void SetUp() override {
        VisitorFixture::SetUp();
        AddRow(PassNo, QStringLiteral("Ann Lee"));
        WriteBytes(PhotoPath(PassNo), OldPhoto);
    }

    // The visit renamed, its photo cleared or a new still captured.
    Visitor Edited(PhotoEdit edit) const {
        Visitor visitor = ValidVisitor(QStringLiteral("Ann Lee-Smith"));
        visitor.SetPassNo(PassNo);
        if (edit == PhotoEdit::Cleared) {
            visitor.SetImageCleared(true);
        } else {
            WriteBytes(TempPath(QStringLiteral("new.jpg")), NewPhoto);
            visitor.SetImageFile(QStringLiteral("new.jpg"));
        }
        return visitor;
    }

    QString StoredName() const { return Row(PassNo)->Field(QStringLiteral("Name")).toString(); }

    // The row and the photo as they were, nothing set aside, the captured still kept.
    void ExpectUnchanged(PhotoEdit edit) const {
        EXPECT_EQ(StoredName(), QStringLiteral("Ann Lee"));
        EXPECT_EQ(ReadBytes(PhotoPath(PassNo)), OldPhoto);
        EXPECT_EQ(PhotoFolderEntries(), QStringList{PassNo + QStringLiteral(".jpg")});
        if (edit == PhotoEdit::Replaced) {
            EXPECT_EQ(ReadBytes(TempPath(QStringLiteral("new.jpg"))), NewPhoto);
        }
    }

    QStringList PhotoFolderEntries() const {
        return QDir(PhotosFolder()).entryList({QStringLiteral("0*")}, QDir::AllEntries);
    }

    QString PhotosFolder() const { return Folder().Path() + QStringLiteral("/Images/Visitors"); }

    const QString PassNo = QStringLiteral("0007");
};

TEST_F(VisitorPhotoUpdate, UpdateThatSucceedsChangesThePhotoWithTheRow) {
    for (const PhotoEdit edit : {PhotoEdit::Cleared, PhotoEdit::Replaced}) {
        SCOPED_TRACE(NameOf(edit));
        WriteBytes(PhotoPath(PassNo), OldPhoto);
        Visitor visitor = Edited(edit);
        ASSERT_TRUE(visitor.UpdateVisitorRecord()) << visitor.ErrorMessage().toStdString();
        EXPECT_TRUE(visitor.ErrorMessage().isEmpty());
        EXPECT_EQ(StoredName(), QStringLiteral("Ann Lee-Smith"));
        if (edit == PhotoEdit::Cleared) {
            EXPECT_TRUE(PhotoFolderEntries().isEmpty());
        } else {
            EXPECT_EQ(ReadBytes(PhotoPath(PassNo)), NewPhoto);
            EXPECT_EQ(PhotoFolderEntries(), QStringList{PassNo + QStringLiteral(".jpg")});
            EXPECT_FALSE(QFile::exists(TempPath(QStringLiteral("new.jpg"))));
        }
        Execute(QStringLiteral("UPDATE [VisitorRegister] SET [Name] = 'Ann Lee'"));
    }
}

// Another workstation holds the database past the busy timeout, so the UPDATE fails.
TEST_F(VisitorPhotoUpdate, UpdateThatFailsKeepsTheStoredPhoto) {
    for (const PhotoEdit edit : {PhotoEdit::Cleared, PhotoEdit::Replaced}) {
        SCOPED_TRACE(NameOf(edit));
        Visitor visitor = Edited(edit);
        {
            const DatabaseWriteLock lock(Folder().DatabaseFile());
            EXPECT_FALSE(visitor.UpdateVisitorRecord());
        }
        EXPECT_EQ(visitor.ErrorMessage(), UpdateFailed);
        ExpectUnchanged(edit);
    }
}

// A visit that breaks a rule is not stored, so its photo is not changed either.
TEST_F(VisitorPhotoUpdate, RefusedUpdateKeepsTheStoredPhoto) {
    for (const PhotoEdit edit : {PhotoEdit::Cleared, PhotoEdit::Replaced}) {
        SCOPED_TRACE(NameOf(edit));
        Visitor visitor = Edited(edit);
        visitor.SetPurpose({});
        EXPECT_FALSE(visitor.UpdateVisitorRecord());
        EXPECT_EQ(visitor.ErrorMessage(), QStringLiteral("Purpose cannot be empty\r\n"));
        ExpectUnchanged(edit);
    }
}

// The photo folder cannot be changed: the row stays as it was, and the message and the log say
// why.
TEST_F(VisitorPhotoUpdate, PhotoThatCannotChangeKeepsTheRow) {
    const QString denied = QStringLiteral("Permission denied: ") + PhotoPath(PassNo);
    const UnchangeableFolder photos(PhotosFolder());
    if (!photos.IsUnchangeable()) {
        GTEST_SKIP() << "this file system lets the photo folder change";
    }
    for (const PhotoEdit edit : {PhotoEdit::Cleared, PhotoEdit::Replaced}) {
        SCOPED_TRACE(NameOf(edit));
        Folder().ClearLog();
        Visitor visitor = Edited(edit);
        EXPECT_FALSE(visitor.UpdateVisitorRecord());
        EXPECT_EQ(visitor.ErrorMessage(), UpdateFailed + QStringLiteral("\r\n") + denied);
        EXPECT_TRUE(Folder().LogText().contains(QStringLiteral("\tUpdateVisitorRecord\t") + denied))
            << Folder().LogText().toStdString();
        ExpectUnchanged(edit);
    }
}

// A set-aside photo of a change cut short, without one in its place, is the visit's photo. An
// update that cannot take the write lock leaves it, since the desk holding the lock may be
// changing that visit; the next load puts it back.
TEST_F(VisitorPhotoUpdate, UpdateThatFailsLeavesAPhotoLeftAsideForTheNextLoad) {
    ASSERT_TRUE(QFile::rename(PhotoPath(PassNo), PhotoPath(PassNo) + QStringLiteral(".deleting")));
    Visitor visitor = Edited(PhotoEdit::Replaced);
    {
        const DatabaseWriteLock lock(Folder().DatabaseFile());
        EXPECT_FALSE(visitor.UpdateVisitorRecord());
    }
    EXPECT_EQ(ReadBytes(PhotoPath(PassNo) + QStringLiteral(".deleting")), OldPhoto);
    Visitor loaded;
    loaded.SetPassNo(PassNo);
    ASSERT_TRUE(loaded.LoadVisitor());
    ExpectUnchanged(PhotoEdit::Replaced);
}

// The row and the photo are changed, and then another workstation's long read holds the COMMIT
// off past the busy timeout: the row stays as it was, and so does the photo.
TEST_F(VisitorPhotoUpdate, UpdateWhoseCommitFailsPutsThePhotoBack) {
    for (const PhotoEdit edit : {PhotoEdit::Cleared, PhotoEdit::Replaced}) {
        SCOPED_TRACE(NameOf(edit));
        Folder().ClearLog();
        Visitor visitor = Edited(edit);
        {
            SqlCipherConnection reader(Folder().DatabaseFile(),
                                       QString::fromLatin1(DBManager::DatabasePassword));
            reader.ExecuteScript(QStringLiteral("BEGIN; SELECT count(*) FROM [VisitorRegister];"));
            EXPECT_FALSE(visitor.UpdateVisitorRecord());
        }
        EXPECT_EQ(visitor.ErrorMessage(), UpdateFailed);
        EXPECT_TRUE(Folder().LogText().contains(QStringLiteral("\tExecuteNonQuery\tdatabase is "
                                                               "locked\tCOMMIT")))
            << Folder().LogText().toStdString();
        ExpectUnchanged(edit);
    }
}

} // namespace
