// A load tells a missing visit from a database it could not read, and gives a visit back the
// photo that a change cut short left set aside; a delete or a new visit under the same number
// never leaves that file behind.
#include "DatabaseWriteLock.h"
#include "UnchangeableFolder.h"
#include "VisitorFixture.h"

namespace {

const QByteArray PhotoBytes = QByteArrayLiteral("BM stored still");

class VisitorLoad : public VisitorFixture {
protected:
    void SetUp() override {
        VisitorFixture::SetUp();
        AddRow(PassNo, QStringLiteral("Ann Lee"), QStringLiteral("2024-03-04 09:00:00"));
        WriteBytes(PhotoPath(PassNo), PhotoBytes);
    }

    // What a delete or update that the program ended midway leaves: the photo set aside.
    void LeavePhotoAside() const { ASSERT_TRUE(QFile::rename(PhotoPath(PassNo), SetAside())); }

    QString SetAside() const { return PhotoPath(PassNo) + QStringLiteral(".deleting"); }

    QStringList PhotoFolderEntries() const {
        return QDir(PhotosFolder()).entryList({QStringLiteral("0*")}, QDir::AllEntries);
    }

    QString PhotosFolder() const { return Folder().Path() + QStringLiteral("/Images/Visitors"); }

    static Visitor Of(const QString& passNo) {
        Visitor visitor;
        visitor.SetPassNo(passNo);
        return visitor;
    }

    const QString PassNo = QStringLiteral("0007");
};

TEST_F(VisitorLoad, TellsAMissingVisitFromAnUnreadableDatabase) {
    Visitor found = Of(PassNo);
    EXPECT_EQ(found.ReadVisitor(), Visitor::LoadResult::Loaded);
    EXPECT_EQ(found.VisitorName(), QStringLiteral("Ann Lee"));

    Visitor missing = Of(QStringLiteral("0008"));
    EXPECT_EQ(missing.ReadVisitor(), Visitor::LoadResult::NoSuchVisit);
    EXPECT_TRUE(missing.VisitorName().isEmpty());
    EXPECT_FALSE(missing.IsVisitorCheckedOut());

    // A file that is no database: the reason is the engine's, and LoadVisitor is false as for a
    // missing visit.
    WriteBytes(Folder().DatabaseFile(), QByteArray(8192, 'x'));
    Visitor unreadable = Of(PassNo);
    EXPECT_EQ(unreadable.ReadVisitor(), Visitor::LoadResult::Unreadable);
    EXPECT_EQ(unreadable.ErrorMessage(), QStringLiteral("file is encrypted or is not a database"));
    EXPECT_TRUE(unreadable.VisitorName().isEmpty());
    EXPECT_FALSE(Of(PassNo).LoadVisitor());
}

// Beside a photo in place, a set-aside file may still be needed by a change under way on another
// workstation: a load leaves both.
TEST_F(VisitorLoad, PhotoLeftAsideGoesBackWhenItsVisitIsLoaded) {
    LeavePhotoAside();
    ASSERT_TRUE(Of(PassNo).LoadVisitor());
    EXPECT_EQ(ReadBytes(PhotoPath(PassNo)), PhotoBytes);
    EXPECT_EQ(PhotoFolderEntries(), QStringList{PassNo + QStringLiteral(".jpg")});

    WriteBytes(SetAside(), QByteArrayLiteral("older"));
    ASSERT_TRUE(Of(PassNo).LoadVisitor());
    EXPECT_EQ(ReadBytes(PhotoPath(PassNo)), PhotoBytes);
    EXPECT_EQ(ReadBytes(SetAside()), QByteArrayLiteral("older"));
}

TEST_F(VisitorLoad, DeleteRemovesAPhotoLeftAside) {
    LeavePhotoAside();
    EXPECT_TRUE(Of(PassNo).DeleteVisitor());
    EXPECT_TRUE(PassNumbers().isEmpty());
    EXPECT_TRUE(PhotoFolderEntries().isEmpty());
}

// The highest visit's delete ended after its row went: the number is free again, and the next
// check-in takes it without the photo left behind.
TEST_F(VisitorLoad, NewVisitUnderTheNumberNeverTakesAPhotoLeftAside) {
    AddRow(QStringLiteral("0006"), QStringLiteral("Earlier"));
    LeavePhotoAside();
    Execute(QStringLiteral("DELETE FROM [VisitorRegister] WHERE [PassNo] = ?"), {PassNo});

    Visitor inserted = ValidVisitor(QStringLiteral("Cy Newman"));
    ASSERT_TRUE(inserted.InsertVisitorRecord()) << inserted.ErrorMessage().toStdString();
    ASSERT_EQ(inserted.PassNo(), PassNo);
    Visitor loaded = Of(PassNo);
    ASSERT_TRUE(loaded.LoadVisitor());
    EXPECT_EQ(loaded.VisitorName(), QStringLiteral("Cy Newman"));
    EXPECT_TRUE(PhotoFolderEntries().isEmpty());
}

// The database refuses a delete of a visit whose photo a change cut short left aside: the delete
// leaves the photo as it found it. The photo folder cannot be changed, so the load cannot put it
// back and says so. Once the folder can change again, the next load puts it back.
TEST_F(VisitorLoad, PhotoThatCannotGoBackIsReported) {
    LeavePhotoAside();
    {
        const UnchangeableFolder photos(PhotosFolder());
        if (!photos.IsUnchangeable()) {
            GTEST_SKIP() << "this file system lets the photo folder change";
        }
        {
            const DatabaseWriteLock lock(Folder().DatabaseFile());
            Visitor deleted = Of(PassNo);
            EXPECT_FALSE(deleted.DeleteVisitor());
            EXPECT_EQ(deleted.ErrorMessage(), QStringLiteral("database is locked"));
        }
        EXPECT_EQ(ReadBytes(SetAside()), PhotoBytes);

        EXPECT_TRUE(Of(PassNo).LoadVisitor());
        EXPECT_TRUE(Folder().LogText().contains(
            QStringLiteral("\tLoadVisitor\tThe set-aside photo could not be put back: ") +
            SetAside()))
            << Folder().LogText().toStdString();
    }
    EXPECT_EQ(PassNumbers(), QStringList{PassNo});
    EXPECT_EQ(ReadBytes(SetAside()), PhotoBytes);
    ASSERT_TRUE(Of(PassNo).LoadVisitor());
    EXPECT_EQ(ReadBytes(PhotoPath(PassNo)), PhotoBytes);
}

} // namespace
