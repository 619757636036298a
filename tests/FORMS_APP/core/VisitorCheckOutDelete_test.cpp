// Check-out and delete tell their caller whether the visit changed, and why not.
#include "DatabaseWriteLock.h"
#include "UnchangeableFolder.h"
#include "VisitorFixture.h"

namespace {

const QByteArray PhotoBytes = QByteArrayLiteral("BM stored still");
// The engine's own reason, as the receptionist is shown it.
const QString DatabaseLocked = QStringLiteral("database is locked");

// One visit still checked in, with its photo.
class VisitorChange : public VisitorFixture {
protected:
    void SetUp() override {
        VisitorFixture::SetUp();
        AddRow(PassNo, QStringLiteral("Ann Lee"));
        WriteBytes(PhotoPath(PassNo), PhotoBytes);
    }

    // The visit as it was stored: the row, not checked out, and its photo.
    void ExpectUnchanged() const {
        const std::optional<RecordSet> row = Row(PassNo);
        ASSERT_TRUE(row && row->RecordCount() == 1);
        EXPECT_TRUE(row->Field(QStringLiteral("CheckedOut")).isNull());
        EXPECT_EQ(ReadBytes(PhotoPath(PassNo)), PhotoBytes);
        EXPECT_EQ(PhotoFolderEntries(), QStringList{PassNo + QStringLiteral(".jpg")});
    }

    QStringList PhotoFolderEntries() const {
        return QDir(Folder().Path() + QStringLiteral("/Images/Visitors"))
            .entryList({QStringLiteral("0*")}, QDir::AllEntries | QDir::Hidden);
    }

    static Visitor Of(const QString& passNo) {
        Visitor visitor;
        visitor.SetPassNo(passNo);
        return visitor;
    }

    const QString PassNo = QStringLiteral("0007");
};

TEST_F(VisitorChange, SuccessReportsTrue) {
    Visitor out = Of(PassNo);
    EXPECT_TRUE(out.CheckOutVisitor());
    EXPECT_FALSE(Row(PassNo)->Field(QStringLiteral("CheckedOut")).isNull());

    Visitor deleted = Of(PassNo);
    EXPECT_TRUE(deleted.DeleteVisitor());
    EXPECT_TRUE(PassNumbers().isEmpty());
    EXPECT_TRUE(PhotoFolderEntries().isEmpty()) << "nothing is left beside the photos";
}

// Another workstation holds the database past the busy timeout: neither operation changes the
// visit, and each says so. The delete gives the photo back, since the row stays.
TEST_F(VisitorChange, DatabaseHeldByAnotherWorkstation) {
    DatabaseWriteLock lock(Folder().DatabaseFile());
    Visitor out = Of(PassNo);
    EXPECT_FALSE(out.CheckOutVisitor());
    EXPECT_EQ(out.ErrorMessage(), DatabaseLocked);
    Visitor deleted = Of(PassNo);
    EXPECT_FALSE(deleted.DeleteVisitor());
    EXPECT_EQ(deleted.ErrorMessage(), DatabaseLocked);
    ExpectUnchanged();
    EXPECT_EQ(Folder().LogText().count(QStringLiteral("\tExecuteNonQuery\tdatabase is locked")), 2);
}

TEST_F(VisitorChange, PhotoThatCannotBeRemovedKeepsTheVisit) {
    const UnchangeableFolder photos(Folder().Path() + QStringLiteral("/Images/Visitors"));
    if (!photos.IsUnchangeable()) {
        GTEST_SKIP() << "this file system lets the folder change";
    }
    Visitor deleted = Of(PassNo);
    EXPECT_FALSE(deleted.DeleteVisitor());
    EXPECT_EQ(deleted.ErrorMessage(), QStringLiteral("Permission denied: ") + PhotoPath(PassNo));
    ExpectUnchanged();
    EXPECT_TRUE(Folder().LogText().contains(QStringLiteral("\tDeleteVisitor\tPermission denied: ") +
                                            PhotoPath(PassNo)));
}

// Deleted meanwhile on another workstation: a check-out changed nothing and says so; a delete
// finds what it was asked for, a visit that is gone.
TEST_F(VisitorChange, VisitDeletedElsewhere) {
    ASSERT_TRUE(Of(PassNo).DeleteVisitor());
    Visitor out = Of(PassNo);
    EXPECT_FALSE(out.CheckOutVisitor());
    EXPECT_EQ(out.ErrorMessage(),
              QStringLiteral("Record does not exist. It might have been deleted!"));
    Visitor deleted = Of(PassNo);
    EXPECT_TRUE(deleted.DeleteVisitor());
    EXPECT_TRUE(PassNumbers().isEmpty());
}

// A deletion cut short before its end leaves the photo set aside; the next deletion of that
// number replaces it and removes both.
TEST_F(VisitorChange, PhotoLeftAsideEarlierDoesNotBlockADeletion) {
    WriteBytes(PhotoPath(PassNo) + QStringLiteral(".deleting"), QByteArrayLiteral("older"));
    EXPECT_TRUE(Of(PassNo).DeleteVisitor());
    EXPECT_TRUE(PassNumbers().isEmpty());
    EXPECT_TRUE(PhotoFolderEntries().isEmpty());
}

} // namespace
