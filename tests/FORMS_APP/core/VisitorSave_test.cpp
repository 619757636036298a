// Saving visits: pass numbers, photos moved in from the temporary folder, update, delete.
#include "VisitorFixture.h"

namespace {

const QByteArray PhotoBytes = QByteArrayLiteral("BM captured still");
const QByteArray OldPhotoBytes = QByteArrayLiteral("BM older still");

using VisitorInsert = VisitorFixture;

TEST_F(VisitorInsert, EmptyTableStartsAtOneAndReplacesTheCallersNumber) {
    Visitor visitor = ValidVisitor();
    visitor.SetPassNo(QStringLiteral("0042"));
    ASSERT_TRUE(visitor.InsertVisitorRecord());
    EXPECT_EQ(visitor.PassNo(), QStringLiteral("0001"));
    EXPECT_EQ(PassNumbers(), QStringList{QStringLiteral("0001")});
}

TEST_F(VisitorInsert, WithoutPhotoRemovesAPhotoLeftUnderTheNewNumber) {
    for (const QString& imageFile : {QString(), QStringLiteral("x")}) {
        const QString next = Visitor().GetNextPassNo();
        WriteBytes(PhotoPath(next), OldPhotoBytes);
        Visitor visitor = ValidVisitor();
        visitor.SetImageFile(imageFile);
        ASSERT_TRUE(visitor.InsertVisitorRecord()) << imageFile.toStdString();
        EXPECT_EQ(visitor.PassNo(), next);
        EXPECT_FALSE(QFile::exists(PhotoPath(next)));
        EXPECT_EQ(visitor.ImageFile(), imageFile);
    }
    EXPECT_EQ(PassNumbers().size(), 2);
}

TEST_F(VisitorInsert, MovesTheCapturedPhotoUnderThePassNumber) {
    AddRow(QStringLiteral("0041"), QStringLiteral("Earlier Visitor"));
    WriteBytes(TempPath(QStringLiteral("Ann Lee_0041.jpg")), PhotoBytes);
    Visitor visitor = ValidVisitor();
    visitor.SetImageFile(QStringLiteral("Ann Lee_0041.jpg"));

    ASSERT_TRUE(visitor.InsertVisitorRecord());
    EXPECT_EQ(visitor.PassNo(), QStringLiteral("0042"));
    EXPECT_FALSE(QFile::exists(TempPath(QStringLiteral("Ann Lee_0041.jpg"))));
    EXPECT_EQ(ReadBytes(PhotoPath(QStringLiteral("0042"))), PhotoBytes);
    EXPECT_EQ(visitor.ImageFile(), PhotoPath(QStringLiteral("0042")));
}

TEST_F(VisitorInsert, FailedValidationTouchesNothing) {
    WriteBytes(TempPath(QStringLiteral("Al_0009.jpg")), PhotoBytes);
    Visitor visitor = ValidVisitor(QStringLiteral("Al"));
    visitor.SetPassNo(QStringLiteral("0009"));
    visitor.SetImageFile(QStringLiteral("Al_0009.jpg"));

    EXPECT_FALSE(visitor.InsertVisitorRecord());
    EXPECT_EQ(visitor.PassNo(), QStringLiteral("0009"));
    EXPECT_EQ(visitor.ImageFile(), QStringLiteral("Al_0009.jpg"));
    EXPECT_EQ(ReadBytes(TempPath(QStringLiteral("Al_0009.jpg"))), PhotoBytes);
    EXPECT_TRUE(PassNumbers().isEmpty());
}

TEST_F(VisitorInsert, FailedPhotoMoveLeavesNoRow) {
    struct Case {
        const char* name;
        bool writeTempPhoto;
        bool removePhotoFolder;
    };
    const Case cases[] = {{"photo missing from temporary folder", false, false},
                          {"photo folder missing", true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.writeTempPhoto) {
            WriteBytes(TempPath(QStringLiteral("Ann_0001.jpg")), PhotoBytes);
        }
        if (c.removePhotoFolder) {
            ASSERT_TRUE(
                QDir(Folder().Path() + QStringLiteral("/Images/Visitors")).removeRecursively());
        }
        Folder().ClearLog();
        Visitor visitor = ValidVisitor();
        visitor.SetImageFile(QStringLiteral("Ann_0001.jpg"));

        EXPECT_FALSE(visitor.InsertVisitorRecord());
        EXPECT_TRUE(PassNumbers().isEmpty());
        EXPECT_EQ(QFile::exists(TempPath(QStringLiteral("Ann_0001.jpg"))), c.writeTempPhoto);
        EXPECT_TRUE(Folder().LogText().contains(QStringLiteral("\tInsertVisitorRecord\t")))
            << Folder().LogText().toStdString();
    }
    // The number is still free for the next visitor.
    ASSERT_TRUE(QDir().mkpath(Folder().Path() + QStringLiteral("/Images/Visitors")));
    Visitor next = ValidVisitor();
    ASSERT_TRUE(next.InsertVisitorRecord());
    EXPECT_EQ(next.PassNo(), QStringLiteral("0001"));
}

TEST_F(VisitorInsert, DatabaseFailureGivesTheTwoLineMessage) {
    ASSERT_TRUE(QFile::remove(Folder().DatabaseFile()));
    Visitor visitor = ValidVisitor();
    EXPECT_FALSE(visitor.InsertVisitorRecord());
    EXPECT_EQ(visitor.ErrorMessage(),
              QStringLiteral("An error occured while inserting a new record.\r\n"
                             "Restarting the application may solve the issue."));
}

TEST_F(VisitorInsert, ApostrophesAreStoredAsTyped) {
    Visitor visitor = ValidVisitor(QStringLiteral("Pat O'Neil"));
    visitor.SetCompany(QStringLiteral("O'Neil's"));
    ASSERT_TRUE(visitor.InsertVisitorRecord());

    Visitor loaded;
    loaded.SetPassNo(visitor.PassNo());
    ASSERT_TRUE(loaded.LoadVisitor());
    EXPECT_EQ(loaded.VisitorName(), QStringLiteral("Pat O'Neil"));
    EXPECT_EQ(loaded.Company(), QStringLiteral("O'Neil's"));

    Visitor search;
    search.SetVisitorName(QStringLiteral("%Neil%"));
    EXPECT_EQ(Column(search.GetVisitorList(), 0), QStringList{visitor.PassNo()});
    const std::optional<RecordSet> picked =
        Visitor().FillSimpleSearch(QStringLiteral("Name"), QStringLiteral("Company"),
                                   QStringLiteral("%O'Neil%"), QStringLiteral("%O'Neil's%"));
    ASSERT_TRUE(picked);
    EXPECT_EQ(Column(picked, 1), QStringList{QStringLiteral("O'Neil's")});
}

TEST_F(VisitorInsert, PhotoGoesToTheSharedFolderWhenOneIsSet) {
    QTemporaryDir shared;
    ASSERT_TRUE(shared.isValid());
    ASSERT_TRUE(QDir().mkpath(shared.path() + QStringLiteral("/Data")));
    ASSERT_TRUE(QDir().mkpath(shared.path() + QStringLiteral("/Images/Visitors")));
    ASSERT_TRUE(QFile::copy(Folder().DatabaseFile(),
                            shared.path() + QStringLiteral("/Data/quorvane.sys.qvd")));
    Folder().SetEncipheredConfigValue(QStringLiteral("DISP"), shared.path());
    WriteBytes(TempPath(QStringLiteral("Ann_0001.jpg")), PhotoBytes);

    Visitor visitor = ValidVisitor();
    visitor.SetImageFile(QStringLiteral("Ann_0001.jpg"));
    ASSERT_TRUE(visitor.InsertVisitorRecord());
    const QString expected = shared.path() + QStringLiteral("/Images/Visitors/0001.jpg");
    EXPECT_EQ(visitor.ImageFile(), expected);
    EXPECT_EQ(ReadBytes(expected), PhotoBytes);
    EXPECT_FALSE(QFile::exists(PhotoPath(QStringLiteral("0001"))));
}

using VisitorPassNo = VisitorFixture;

TEST_F(VisitorPassNo, FollowsTheNumericallyHighest) {
    struct Case {
        QStringList stored;
        const char* next;
    };
    const Case cases[] = {
        {{}, "0001"},
        {{QStringLiteral("0041")}, "0042"},
        {{QStringLiteral("0005"), QStringLiteral("0041"), QStringLiteral("0007")}, "0042"},
        {{QStringLiteral("9999")}, "10000"},
        {{QStringLiteral("9999"), QStringLiteral("10000")}, "10001"},
        {{QStringLiteral("9998"), QStringLiteral("123456"), QStringLiteral("99999")}, "123457"},
    };
    for (const Case& c : cases) {
        Execute(QStringLiteral("DELETE FROM [VisitorRegister]"));
        for (const QString& passNo : c.stored) {
            AddRow(passNo, QStringLiteral("Someone"));
        }
        EXPECT_EQ(Visitor().GetNextPassNo().toStdString(), c.next)
            << c.stored.join(u',').toStdString();
    }
}

TEST_F(VisitorPassNo, InsertsPastFourDigitsWithoutRepeatingANumber) {
    AddRow(QStringLiteral("9999"), QStringLiteral("Someone"));
    for (const char* expected : {"10000", "10001"}) {
        Visitor visitor = ValidVisitor();
        ASSERT_TRUE(visitor.InsertVisitorRecord());
        EXPECT_EQ(visitor.PassNo().toStdString(), expected);
    }
    EXPECT_EQ(PassNumbers().size(), 3);
}

TEST_F(VisitorPassNo, StoredTextThatIsNoNumberIsLoggedAndGivesNothing) {
    AddRow(QStringLiteral("A-17"), QStringLiteral("Someone"));
    EXPECT_EQ(Visitor().GetNextPassNo(), QString());
    EXPECT_TRUE(Folder().LogText().contains(QStringLiteral("\tGetNextPassNo\t")));

    Visitor visitor = ValidVisitor();
    EXPECT_FALSE(visitor.InsertVisitorRecord());
    EXPECT_EQ(PassNumbers(), QStringList{QStringLiteral("A-17")});
}

TEST_F(VisitorPassNo, LargestStoredNumberHasNoSuccessor) {
    AddRow(QStringLiteral("9223372036854775807"), QStringLiteral("Someone"));
    EXPECT_EQ(Visitor().GetNextPassNo(), QString());
    EXPECT_TRUE(Folder().LogText().contains(QStringLiteral("\tGetNextPassNo\t")));

    Visitor visitor = ValidVisitor();
    EXPECT_FALSE(visitor.InsertVisitorRecord());
    EXPECT_EQ(PassNumbers(), QStringList{QStringLiteral("9223372036854775807")});
}

class StoredVisitor : public VisitorFixture {
protected:
    void SetUp() override {
        VisitorFixture::SetUp();
        Visitor visitor = ValidVisitor();
        visitor.SetCompany(QStringLiteral("Acme"));
        ASSERT_TRUE(visitor.InsertVisitorRecord());
        m_passNo = visitor.PassNo();
        WriteBytes(PhotoPath(m_passNo), OldPhotoBytes);
    }

    Visitor Edited() const {
        Visitor visitor = ValidVisitor(QStringLiteral("Ann Lee-Smith"));
        visitor.SetPassNo(m_passNo);
        visitor.SetCompany(QStringLiteral("O'Neil"));
        return visitor;
    }

    QString StoredName() const { return Row(m_passNo)->Field(QStringLiteral("Name")).toString(); }

    QString m_passNo;
};

TEST_F(StoredVisitor, UpdateChangesTheRowAndReplacesThePhoto) {
    const QString checkedIn = Row(m_passNo)->Field(QStringLiteral("CheckedIn")).toString();
    WriteBytes(TempPath(QStringLiteral("new.jpg")), PhotoBytes);
    Visitor visitor = Edited();
    visitor.SetImageFile(QStringLiteral("new.jpg"));

    ASSERT_TRUE(visitor.UpdateVisitorRecord());
    EXPECT_EQ(StoredName(), QStringLiteral("Ann Lee-Smith"));
    EXPECT_EQ(Row(m_passNo)->Field(QStringLiteral("Company")).toString(), QStringLiteral("O'Neil"));
    EXPECT_EQ(Row(m_passNo)->Field(QStringLiteral("CheckedIn")).toString(), checkedIn);
    EXPECT_EQ(ReadBytes(PhotoPath(m_passNo)), PhotoBytes);
    EXPECT_FALSE(QFile::exists(TempPath(QStringLiteral("new.jpg"))));
    EXPECT_EQ(visitor.ImageFile(), PhotoPath(m_passNo));
    EXPECT_TRUE(visitor.ErrorMessage().isEmpty());
}

TEST_F(StoredVisitor, UpdateWithoutNewPhotoKeepsTheStoredOne) {
    Visitor visitor = Edited();
    ASSERT_TRUE(visitor.UpdateVisitorRecord());
    EXPECT_EQ(ReadBytes(PhotoPath(m_passNo)), OldPhotoBytes);
}

// The row is not changed, so the photo is not either; the captured one stays for the next try.
TEST_F(StoredVisitor, UpdateWithPhotoAndBrokenRuleChangesNothing) {
    WriteBytes(TempPath(QStringLiteral("new.jpg")), PhotoBytes);
    Visitor visitor = Edited();
    visitor.SetPurpose({});
    visitor.SetImageFile(QStringLiteral("new.jpg"));

    EXPECT_FALSE(visitor.UpdateVisitorRecord());
    EXPECT_EQ(visitor.ErrorMessage(), QStringLiteral("Purpose cannot be empty\r\n"));
    EXPECT_EQ(ReadBytes(PhotoPath(m_passNo)), OldPhotoBytes);
    EXPECT_EQ(ReadBytes(TempPath(QStringLiteral("new.jpg"))), PhotoBytes);
    EXPECT_EQ(StoredName(), QStringLiteral("Ann Lee"));
}

TEST_F(StoredVisitor, UpdateWithMissingPhotoIsLoggedAndChangesNothing) {
    Visitor visitor = Edited();
    visitor.SetImageFile(QStringLiteral("gone.jpg"));
    EXPECT_FALSE(visitor.UpdateVisitorRecord());
    EXPECT_EQ(StoredName(), QStringLiteral("Ann Lee"));
    EXPECT_TRUE(Folder().LogText().contains(QStringLiteral("\tUpdateVisitorRecord\t")));
}

// Another workstation deleted the visit while it was open for editing: the update says so and
// stores no photo for a visit that is gone.
TEST_F(StoredVisitor, UpdateOfADeletedVisitFailsAndStoresNothing) {
    ASSERT_TRUE(DBManager().ExecuteNonQuery(
        QStringLiteral("DELETE FROM [VisitorRegister] WHERE [PassNo] = ?"), {m_passNo}));
    ASSERT_TRUE(QFile::remove(PhotoPath(m_passNo)));
    WriteBytes(TempPath(QStringLiteral("new.jpg")), PhotoBytes);
    Visitor visitor = Edited();
    visitor.SetImageFile(QStringLiteral("new.jpg"));

    EXPECT_FALSE(visitor.UpdateVisitorRecord());
    EXPECT_EQ(visitor.ErrorMessage(),
              QStringLiteral("Record does not exist. It might have been deleted!\r\n"));
    EXPECT_FALSE(QFile::exists(PhotoPath(m_passNo)));
    EXPECT_FALSE(Row(m_passNo).has_value() && Row(m_passNo)->RecordCount() > 0);
}

TEST_F(StoredVisitor, UpdateDatabaseFailureGivesTheTwoLineMessage) {
    ASSERT_TRUE(QFile::remove(Folder().DatabaseFile()));
    Visitor visitor = Edited();
    EXPECT_FALSE(visitor.UpdateVisitorRecord());
    EXPECT_EQ(visitor.ErrorMessage(),
              QStringLiteral("An error occured while updating the record.\r\n"
                             "Restarting the application may solve the issue."));
}

TEST_F(StoredVisitor, DeleteRemovesPhotoAndRow) {
    Visitor visitor;
    visitor.SetPassNo(m_passNo);
    EXPECT_TRUE(visitor.DeleteVisitor());
    EXPECT_TRUE(PassNumbers().isEmpty());
    EXPECT_FALSE(QFile::exists(PhotoPath(m_passNo)));
}

TEST_F(StoredVisitor, DeleteImageOnlyRemovesThePhoto) {
    Visitor visitor;
    visitor.SetPassNo(m_passNo);
    visitor.DeleteVisitorImage();
    EXPECT_FALSE(QFile::exists(PhotoPath(m_passNo)));
    EXPECT_EQ(PassNumbers(), QStringList{m_passNo});
    visitor.DeleteVisitorImage(); // nothing there: no error
}

// ImageFile and PassNo name files; neither may reach outside its folder.
using VisitorFileNames = VisitorFixture;

TEST_F(VisitorFileNames, PhotoNameWithPathPartsReadsAndDeletesNothingOutside) {
    // Beside the temporary folder, where "../outside.jpg" would lead.
    const QString outside = QDir::cleanPath(TempPath(QStringLiteral("../outside.jpg")));
    const QString names[] = {QStringLiteral("../outside.jpg"), outside,
                             QStringLiteral("sub/photo.jpg"), QStringLiteral(".."),
                             QStringLiteral("..\\outside.jpg")};
    WriteBytes(TempPath(QStringLiteral("sub/photo.jpg")), PhotoBytes);
    WriteBytes(outside, PhotoBytes);
    AddRow(QStringLiteral("0005"), QStringLiteral("Stored"));
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        // The user is told why, not left with an empty message.
        const QString refused = QStringLiteral("The photo cannot be saved: its file name \"") +
                                name + QStringLiteral("\" must be a plain name without a folder.");
        Visitor inserted = ValidVisitor();
        inserted.SetImageFile(name);
        EXPECT_FALSE(inserted.InsertVisitorRecord());
        EXPECT_EQ(inserted.ErrorMessage(), refused);
        EXPECT_EQ(PassNumbers(), QStringList{QStringLiteral("0005")});

        Visitor updated = ValidVisitor();
        updated.SetPassNo(QStringLiteral("0005"));
        updated.SetImageFile(name);
        EXPECT_FALSE(updated.UpdateVisitorRecord());
        EXPECT_EQ(updated.ErrorMessage(), refused);
        EXPECT_FALSE(QFile::exists(PhotoPath(QStringLiteral("0005"))));

        EXPECT_EQ(ReadBytes(outside), PhotoBytes);
        EXPECT_TRUE(QFile::exists(TempPath(QStringLiteral("sub/photo.jpg"))));
    }
    QFile::remove(outside);
}

TEST_F(VisitorFileNames, PassNumberWithPathPartsDeletesNothingOutside) {
    const QString outside = Folder().Path() + QStringLiteral("/Images/secret.jpg");
    WriteBytes(outside, PhotoBytes);
    AddRow(QStringLiteral("../secret"), QStringLiteral("Odd"));

    Visitor visitor;
    visitor.SetPassNo(QStringLiteral("../secret"));
    EXPECT_FALSE(visitor.DeleteVisitor());
    EXPECT_EQ(ReadBytes(outside), PhotoBytes);
    // The photo step failed, so the row stays.
    EXPECT_EQ(PassNumbers(), QStringList{QStringLiteral("../secret")});
    EXPECT_TRUE(Folder().LogText().contains(QStringLiteral("\tDeleteVisitor\t")));
}

} // namespace
