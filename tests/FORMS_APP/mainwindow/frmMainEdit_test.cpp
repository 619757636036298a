#include "frmMainDetailsFixture.h"

#include "SkippedCase.h"
#include "UnchangeableFolder.h"

#include <QDir>
#include <QImage>

#include <optional>

namespace {

class frmMainEditTest : public frmMainDetailsTest {
protected:
    void SetUp() override {
        frmMainDetailsTest::SetUp();
        StoreVisit(QStringLiteral("0001"), QStringLiteral("Ann Lee"));
        StoreVisit(QStringLiteral("0002"), QStringLiteral("Ben Ode"));
    }

    // A stored photo as the webcam control writes it: a bitmap under the ".jpg" name.
    static void WriteBitmap(const QString& path) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(Qt::red);
        ASSERT_TRUE(image.save(path, "BMP"));
    }

    QString VisitorsFolder(const QString& base) const {
        return (base.isEmpty() ? folder.Path() : base) + QStringLiteral("/Images/Visitors/");
    }

    QStringList ListedNames(const char* list) const {
        QStringList names;
        for (const QStringList& row : Rows(list)) {
            names.append(row.value(1));
        }
        return names;
    }

    bool PhotoShown() const {
        const auto* image = Child<QLabel>(QStringLiteral("imgVImagePreview"));
        return !image->isHidden() && !image->pixmap().isNull();
    }
};

} // namespace

// Update, Check-Out and Delete return to the checked-in list, read afresh.
TEST_F(frmMainEditTest, ChangesReturnToTheCheckedInListRefreshed) {
    frmMain& main = OpenWindow();
    main.EnableCheckedInListMode();

    frmMainDetailsAccess::EditVisit(main, QStringLiteral("0001"), false);
    EXPECT_EQ(Edit("txtName")->text(), QStringLiteral("Ann Lee"));
    Edit("txtName")->setText(QStringLiteral("Ann Lee-Smith"));
    Click("btnUpdate");
    EXPECT_TRUE(Messages().isEmpty()) << Messages().join(u'|').toStdString();
    EXPECT_TRUE(Shown(QStringLiteral("fraCheckedInList")));
    EXPECT_EQ(ListedNames("lstCheckedInList"),
              (QStringList{QStringLiteral("Ann Lee-Smith"), QStringLiteral("Ben Ode")}));
    EXPECT_TRUE(Edit("txtPassNo")->text().isEmpty());

    frmMainDetailsAccess::EditVisit(main, QStringLiteral("0002"), false);
    Click("btnCheckOut");
    EXPECT_TRUE(Shown(QStringLiteral("fraCheckedInList")));
    EXPECT_EQ(ListedNames("lstCheckedInList"), QStringList{QStringLiteral("Ann Lee-Smith")});
    EXPECT_TRUE(Stored(QStringLiteral("0002")).IsVisitorCheckedOut());

    WriteBitmap(VisitorsFolder({}) + QStringLiteral("0001.jpg"));
    frmMainDetailsAccess::EditVisit(main, QStringLiteral("0001"), false);
    MsgBox::QueueAnswer(MsgBox::Result::Yes);
    Click("btnDelete");
    ASSERT_EQ(MsgBox::Recorded().size(), 1u);
    EXPECT_EQ(MsgBox::Recorded()[0].text,
              QStringLiteral("Are you sure to delete the selected entry!"));
    EXPECT_EQ(MsgBox::Recorded()[0].title, QStringLiteral("Confirm Delete"));
    EXPECT_EQ(MsgBox::Recorded()[0].buttons, MsgBox::Buttons::YesNo);
    EXPECT_EQ(MsgBox::Recorded()[0].icon, MsgBox::Icon::Question);
    EXPECT_FALSE(VisitStored(QStringLiteral("0001")));
    EXPECT_FALSE(QFile::exists(VisitorsFolder({}) + QStringLiteral("0001.jpg")));
    EXPECT_TRUE(Shown(QStringLiteral("fraCheckedInList")));
    EXPECT_TRUE(Rows("lstCheckedInList").isEmpty());
}

// A check-out or delete that could not change the visit keeps the page as it was, says what
// failed and writes the log line under the button's handler.
TEST_F(frmMainEditTest, FailedChangesKeepThePage) {
    const QString photo = VisitorsFolder({}) + QStringLiteral("0001.jpg");
    const struct {
        const char* button;
        bool photoKept; // else the visit was deleted on another workstation
        QString message;
        const char* source;
    } cases[] = {
        {"btnDelete", true,
         QStringLiteral("An error occured while trying to delete!\r\nPermission denied: ") + photo,
         "btnDelete_Click"},
        {"btnCheckOut", false,
         QStringLiteral("An error occured while trying to check-out!\r\n"
                        "Record does not exist. It might have been deleted!"),
         "btnCheckOut_Click"},
    };
    frmMain& main = OpenWindow();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        main.EnableCheckedInListMode();
        WriteBitmap(photo);
        frmMainDetailsAccess::EditVisit(main, QStringLiteral("0001"), false);
        Edit("txtName")->setText(QStringLiteral("Typed Name"));
        std::optional<UnchangeableFolder> photos;
        if (c.photoKept) {
            photos.emplace(VisitorsFolder({}));
            if (!photos->IsUnchangeable()) {
                SkipCase(c.button, "this file system lets the photo folder change");
                continue;
            }
        } else {
            Execute(QStringLiteral("DELETE FROM [VisitorRegister] WHERE [PassNo] = '0001'"));
        }
        folder.ClearLog();
        MsgBox::ClearRecorded();
        Click(c.button);
        photos.reset();

        ExpectChangeFailureShown(c.message, c.source);
        EXPECT_TRUE(Shown(QStringLiteral("fraMain")));
        EXPECT_TRUE(Shown(QStringLiteral("btnUpdate")));
        EXPECT_EQ(Edit("txtPassNo")->text(), QStringLiteral("0001"));
        EXPECT_EQ(Edit("txtName")->text(), QStringLiteral("Typed Name"));
        if (c.photoKept) {
            EXPECT_TRUE(VisitStored(QStringLiteral("0001")));
            EXPECT_TRUE(QFile::exists(photo));
        }
    }
}

TEST_F(frmMainEditTest, DeleteAnsweredNoChangesNothing) {
    frmMain& main = OpenWindow();
    frmMainDetailsAccess::EditVisit(main, QStringLiteral("0001"), false);
    Edit("txtName")->setText(QStringLiteral("Typed Name"));
    MsgBox::QueueAnswer(MsgBox::Result::No);
    Click("btnDelete");
    EXPECT_TRUE(VisitStored(QStringLiteral("0001")));
    EXPECT_TRUE(Shown(QStringLiteral("fraMain")));
    EXPECT_TRUE(Shown(QStringLiteral("btnUpdate")));
    EXPECT_EQ(Edit("txtPassNo")->text(), QStringLiteral("0001"));
    EXPECT_EQ(Edit("txtName")->text(), QStringLiteral("Typed Name"));
}

// From the search results every change and Cancel lead back to the search page.
TEST_F(frmMainEditTest, EditsOpenedFromTheSearchReturnToTheSearchPage) {
    frmMain& main = OpenWindow();
    const struct {
        const char* button;
        const char* passNo;
    } cases[] = {{"btnUpdate", "0001"}, {"btnCheckOut", "0002"}, {"btnCancel", "0001"}};
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.button);
        main.EnableCheckedInListMode();
        frmMainDetailsAccess::EditVisit(main, QString::fromLatin1(entry.passNo), true);
        Click(entry.button);
        EXPECT_TRUE(Shown(QStringLiteral("fraSearch")));
        EXPECT_FALSE(Shown(QStringLiteral("fraMain")));
        EXPECT_FALSE(Shown(QStringLiteral("fraCheckedInList")));
    }
    EXPECT_TRUE(Stored(QStringLiteral("0002")).IsVisitorCheckedOut());
}

TEST_F(frmMainEditTest, CancelFromTheCheckedInListKeepsTheVisitAndReturns) {
    frmMain& main = OpenWindow();
    frmMainDetailsAccess::EditVisit(main, QStringLiteral("0001"), false);
    Edit("txtName")->setText(QStringLiteral("Not Saved"));
    Click("btnCancel");
    EXPECT_TRUE(Shown(QStringLiteral("fraCheckedInList")));
    EXPECT_EQ(Stored(QStringLiteral("0001")).VisitorName(), QStringLiteral("Ann Lee"));
    EXPECT_TRUE(Edit("txtName")->text().isEmpty());
}

// A failed update shows the record's lines and keeps the page.
TEST_F(frmMainEditTest, RefusedUpdateKeepsThePage) {
    frmMain& main = OpenWindow();
    frmMainDetailsAccess::EditVisit(main, QStringLiteral("0001"), false);
    Edit("txtName")->setText(QStringLiteral(" Al "));
    Click("btnUpdate");
    EXPECT_EQ(Messages(),
              QStringList{QStringLiteral("Name must be atleast 3 character in length\r\n")});
    EXPECT_TRUE(Shown(QStringLiteral("fraMain")));
    EXPECT_EQ(Edit("txtName")->text(), QStringLiteral(" Al "));
    EXPECT_EQ(Stored(QStringLiteral("0001")).VisitorName(), QStringLiteral("Ann Lee"));
}

// Clearing the photo before an update deletes the stored one.
TEST_F(frmMainEditTest, UpdateAfterClearingThePhotoDeletesIt) {
    frmMain& main = OpenWindow();
    const QString photo = VisitorsFolder({}) + QStringLiteral("0001.jpg");
    WriteBitmap(photo);
    frmMainDetailsAccess::EditVisit(main, QStringLiteral("0001"), false);
    EXPECT_TRUE(PhotoShown());
    Click("imgCamClearSnap");
    EXPECT_TRUE(frmMainDetailsAccess::ImageCleared(main));
    Click("btnUpdate");
    EXPECT_FALSE(QFile::exists(photo));
    EXPECT_FALSE(frmMainDetailsAccess::ImageCleared(main));
    // An update without clearing leaves a photo alone.
    WriteBitmap(photo);
    frmMainDetailsAccess::EditVisit(main, QStringLiteral("0001"), false);
    Click("btnUpdate");
    EXPECT_TRUE(QFile::exists(photo));
}

// A checked-out visit keeps only Delete and Cancel, Delete in Check-Out's place; the next visit
// still in gets all four back. Equal times count as still in.
TEST_F(frmMainEditTest, CheckedOutVisitShowsOnlyDeleteAndCancel) {
    StoreVisit(QStringLiteral("0003"), QStringLiteral("Out Visitor"),
               QStringLiteral("2024-03-03 14:05:00"), QStringLiteral("2024-03-03 16:00:00"));
    StoreVisit(QStringLiteral("0004"), QStringLiteral("Same Time"),
               QStringLiteral("2024-03-03 14:05:00"), QStringLiteral("2024-03-03 14:05:00"));
    frmMain& main = OpenWindow();
    const int designLeft = frmMainDetailsAccess::DeleteLeft(main);
    const int checkOutLeft = Child(QStringLiteral("btnCheckOut"))->x();
    ASSERT_NE(designLeft, checkOutLeft);
    const struct {
        const char* passNo;
        bool checkedOut;
    } cases[] = {{"0003", true}, {"0001", false}, {"0003", true}, {"0004", false}};
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.passNo);
        frmMainDetailsAccess::EditVisit(main, QString::fromLatin1(entry.passNo), false);
        EXPECT_EQ(Shown(QStringLiteral("btnUpdate")), !entry.checkedOut);
        EXPECT_EQ(Shown(QStringLiteral("btnCheckOut")), !entry.checkedOut);
        EXPECT_TRUE(Shown(QStringLiteral("btnDelete")));
        EXPECT_TRUE(Shown(QStringLiteral("btnCancel")));
        EXPECT_EQ(Child(QStringLiteral("btnDelete"))->x(),
                  entry.checkedOut ? checkOutLeft : designLeft);
    }
}

// Every field comes back from the stored visit.
TEST_F(frmMainEditTest, LoadFillsThePage) {
    frmMain& main = OpenWindow();
    frmMainDetailsAccess::EditVisit(main, QStringLiteral("0002"), false);
    EXPECT_EQ(Edit("txtPassNo")->text(), QStringLiteral("0002"));
    EXPECT_EQ(Edit("txtName")->text(), QStringLiteral("Ben Ode"));
    EXPECT_EQ(Edit("txtMobileNo")->text(), QStringLiteral("12345"));
    EXPECT_EQ(Edit("txtEmail")->text(), QStringLiteral("ann@acme.com"));
    EXPECT_EQ(Combo("ddVisitorType")->currentText(), QStringLiteral("General"));
    EXPECT_EQ(Combo("ddCompany")->currentText(), QStringLiteral("Acme"));
    EXPECT_EQ(Memo("txtAddress")->Text(), QStringLiteral("Street 1"));
    EXPECT_EQ(Combo("ddPurpose")->currentText(), QStringLiteral("Official"));
    EXPECT_EQ(Combo("ddDepartment")->currentText(), QStringLiteral("Sales"));
    EXPECT_EQ(Edit("txtToMeet")->text(), QStringLiteral("Bob Smith"));
    EXPECT_EQ(Memo("txtRemarks")->Text(), QStringLiteral("None"));
    EXPECT_EQ(Panel(1), QStringLiteral("Edit checked in visitor"));
}

// The stored photo, else the placeholder, else the webcam frame in the photo's place; with a
// shared folder both are looked up there.
TEST_F(frmMainEditTest, PhotoAreaShowsPhotoPlaceholderOrWebcam) {
    QTemporaryDir shared;
    ASSERT_TRUE(shared.isValid());
    const struct {
        const char* what;
        bool sharedFolder;
        bool photo;
        bool placeholder;
        bool imageShown;
    } cases[] = {
        {"photo", false, true, true, true},
        {"placeholder", false, false, true, true},
        {"neither", false, false, false, false},
        {"shared photo", true, true, false, true},
        {"shared placeholder", true, false, true, true},
        {"shared neither", true, false, false, false},
    };
    QFile installed(VisitorsFolder({}) + QStringLiteral("photo_unavailable.gif"));
    ASSERT_TRUE(installed.open(QIODevice::ReadOnly));
    const QByteArray placeholderBytes = installed.readAll();
    installed.close();
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.what);
        const QString base = entry.sharedFolder ? shared.path() : QString();
        const QString visitors = VisitorsFolder(base);
        if (entry.sharedFolder) {
            QDir().mkpath(shared.path() + QStringLiteral("/Data"));
            QFile::remove(shared.path() + QStringLiteral("/Data/quorvane.sys.qvd"));
            ASSERT_TRUE(QFile::copy(folder.DatabaseFile(),
                                    shared.path() + QStringLiteral("/Data/quorvane.sys.qvd")));
            folder.SetEncipheredConfigValue(QStringLiteral("DISP"), shared.path());
            // The program's own folder holds both; they must not be taken.
            WriteBitmap(VisitorsFolder({}) + QStringLiteral("0001.jpg"));
            QFile own(VisitorsFolder({}) + QStringLiteral("photo_unavailable.gif"));
            ASSERT_TRUE(own.open(QIODevice::WriteOnly));
            own.write(placeholderBytes);
        }
        QDir().mkpath(visitors);
        QFile::remove(visitors + QStringLiteral("0001.jpg"));
        if (entry.photo) {
            WriteBitmap(visitors + QStringLiteral("0001.jpg"));
        }
        const QString placeholder = visitors + QStringLiteral("photo_unavailable.gif");
        QFile::remove(placeholder);
        if (entry.placeholder) {
            QFile file(placeholder);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(placeholderBytes);
        }
        frmMain& main = OpenWindow();
        frmMainDetailsAccess::EditVisit(main, QStringLiteral("0001"), false);
        EXPECT_EQ(PhotoShown(), entry.imageShown);
        EXPECT_EQ(Shown(QStringLiteral("fraWebCamControlContainer")), !entry.imageShown);
        if (entry.photo) {
            // The red bitmap, not the placeholder.
            EXPECT_EQ(Child<QLabel>(QStringLiteral("imgVImagePreview"))
                          ->pixmap()
                          .toImage()
                          .pixelColor(1, 1),
                      QColor(Qt::red));
        }
        // The next new visitor has the webcam frame again.
        main.EnableNewMode();
        EXPECT_FALSE(Shown(QStringLiteral("imgVImagePreview")));
        EXPECT_TRUE(Shown(QStringLiteral("fraWebCamControlContainer")));
    }
}

// A visit deleted meanwhile: the message, and back to the list it was opened from.
TEST_F(frmMainEditTest, MissingVisitIsReportedAndTheListShownAgain) {
    frmMain& main = OpenWindow();
    for (const bool fromSearch : {false, true}) {
        SCOPED_TRACE(fromSearch);
        MsgBox::ClearRecorded();
        frmMainDetailsAccess::EditVisit(main, QStringLiteral("0042"), fromSearch);
        ASSERT_EQ(MsgBox::Recorded().size(), 1u);
        EXPECT_EQ(MsgBox::Recorded()[0].text,
                  QStringLiteral("Record does not exist. It might have been deleted!"));
        EXPECT_EQ(MsgBox::Recorded()[0].title, QStringLiteral("Invalid Data"));
        EXPECT_EQ(MsgBox::Recorded()[0].icon, MsgBox::Icon::Information);
        EXPECT_EQ(Shown(QStringLiteral("fraSearch")), fromSearch);
        EXPECT_EQ(Shown(QStringLiteral("fraCheckedInList")), !fromSearch);
    }
}

// Print Pass refuses a missing and a checked-out visit; a visit still in is printed.
TEST_F(frmMainEditTest, PrintPassRefusesMissingAndCheckedOutVisits) {
    StoreVisit(QStringLiteral("0003"), QStringLiteral("Out Visitor"),
               QStringLiteral("2024-03-03 14:05:00"), QStringLiteral("2024-03-03 16:00:00"));
    frmMain& main = OpenWindow();
    ClosePassWindows();
    const struct {
        const char* passNo;
        const char* message;
        const char* title;
    } cases[] = {
        {"0042", "Record does not exist. It might have been deleted!", "Invalid Data"},
        {"0003", "This Visitor is already checked-out. Pass cannot be printed!", "Quorvane Lite"},
        {"0002", nullptr, nullptr},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.passNo);
        MsgBox::ClearRecorded();
        QFile::remove(PdfPath());
        passNumbersShown.clear();
        frmMainDetailsAccess::PrintPass(main, QString::fromLatin1(entry.passNo));
        if (entry.message != nullptr) {
            ASSERT_EQ(MsgBox::Recorded().size(), 1u);
            EXPECT_EQ(MsgBox::Recorded()[0].text, QString::fromLatin1(entry.message));
            EXPECT_EQ(MsgBox::Recorded()[0].title, QString::fromLatin1(entry.title));
            EXPECT_FALSE(QFile::exists(PdfPath()));
            EXPECT_TRUE(passNumbersShown.isEmpty());
        } else {
            EXPECT_TRUE(MsgBox::Recorded().empty());
            EXPECT_EQ(passNumbersShown, QStringList{QStringLiteral("0002")});
            EXPECT_TRUE(PdfText().contains(QStringLiteral("Ben Ode")));
        }
    }
}

// Emptying with and without a new number; remembered defaults preset, else empty.
TEST_F(frmMainEditTest, ClearVisitorDetailsWithAndWithoutNumber) {
    frmMain& main = OpenWindow();
    EXPECT_TRUE(Combo("ddVisitorType")->currentText().isEmpty());
    EXPECT_TRUE(Combo("ddPurpose")->currentText().isEmpty());
    Remember("VType", QStringLiteral("Interview"));
    Remember("VPurpose", QStringLiteral("Meeting"));
    frmMainDetailsAccess::ClearVisitorDetails(main, false);
    EXPECT_TRUE(Edit("txtPassNo")->text().isEmpty());
    EXPECT_EQ(Combo("ddVisitorType")->currentText(), QStringLiteral("Interview"));
    EXPECT_EQ(Combo("ddPurpose")->currentText(), QStringLiteral("Meeting"));
    frmMainDetailsAccess::ClearVisitorDetails(main, true);
    EXPECT_EQ(Edit("txtPassNo")->text(), QStringLiteral("0003"));
}
