#include "frmMainDetailsFixture.h"

#include "ctlPellora.h"

#include <QDir>
#include <QImageReader>

namespace {

class frmMainCheckInTest : public frmMainDetailsTest {
protected:
    QString PhotoPath(const QString& passNo) const {
        return folder.Path() + QStringLiteral("/Images/Visitors/") + passNo +
               QStringLiteral(".jpg");
    }
    static QString TempPath(const QString& name) { return QDir::tempPath() + u'/' + name; }
};

} // namespace

// The main road: preview, capture, check-in; the photo is stored under the pass number, the pass
// is printed from the stored visit and the page is ready for the next visitor.
TEST_F(frmMainCheckInTest, CheckInWithPhotoStoresThePhotoPrintsThePassAndShowsTheNextNumber) {
    qputenv("QUORVANE_TEST_CAMERA", "1");
    OpenWindow();
    EXPECT_EQ(Edit("txtPassNo")->text(), QStringLiteral("0001"));
    TypeValidVisitor();
    Click("imgCamStartPreview");
    Click("imgCamCaptureSnap");
    const QString capture = TempPath(QStringLiteral("Ann Lee_0001.jpg"));
    ASSERT_TRUE(QFile::exists(capture));

    ClosePassWindows();
    Click("btnCheckIn");

    EXPECT_TRUE(Messages().isEmpty()) << Messages().join(u'|').toStdString();
    EXPECT_FALSE(QFile::exists(capture));
    QImageReader photo(PhotoPath(QStringLiteral("0001")));
    photo.setDecideFormatFromContent(true);
    EXPECT_FALSE(photo.read().isNull());
    EXPECT_EQ(passWindowsShown, 1);
    EXPECT_EQ(passNumbersShown, QStringList{QStringLiteral("0001")});

    const Visitor stored = Stored(QStringLiteral("0001"));
    EXPECT_EQ(stored.VisitorName(), QStringLiteral("Ann Lee"));
    const QString pdf = PdfText();
    for (const QString& expected :
         {QStringLiteral("Ann Lee"), QStringLiteral("Acme"), QStringLiteral("Bob Smith"),
          QStringLiteral("Sales"), frmPassPreview::GetFormatedDate(stored.CheckedIn()),
          QStringLiteral("0001"), QStringLiteral("Visitor Name:"), QStringLiteral("Time In:")}) {
        EXPECT_TRUE(pdf.contains(expected)) << expected.toStdString() << " in\n"
                                            << pdf.toStdString();
    }
    EXPECT_FALSE(pdf.contains(QStringLiteral("Vendor"))) << "the visitor type never shows";

    EXPECT_EQ(Edit("txtPassNo")->text(), QStringLiteral("0002"));
    EXPECT_EQ(Combo("ddVisitorType")->currentText(), QStringLiteral("Vendor"));
    EXPECT_EQ(Combo("ddPurpose")->currentText(), QStringLiteral("Delivery"));
    EXPECT_EQ(Remembered("VType"), QStringLiteral("Vendor"));
    EXPECT_EQ(Remembered("VPurpose"), QStringLiteral("Delivery"));
    EXPECT_TRUE(Edit("txtName")->text().isEmpty());
    EXPECT_TRUE(Combo("ddCompany")->currentText().isEmpty());
    EXPECT_TRUE(Edit("txtToMeet")->text().isEmpty());
    EXPECT_TRUE(Child<ctlPellora>(QStringLiteral("ctlWebcam"))->SaveImageFileName().isEmpty());
    // The lists offer what the check-in stored.
    EXPECT_TRUE(Items("ddCompany").contains(QStringLiteral("Acme")));
    EXPECT_TRUE(Items("ddSearchCompany").contains(QStringLiteral("Acme")));
    EXPECT_EQ(Items("ddPurpose"),
              (QStringList{QStringLiteral("Official"), QStringLiteral("Personal"),
                           QStringLiteral("Delivery")}));
    EXPECT_TRUE(Shown(QStringLiteral("fraMain")));
    EXPECT_TRUE(Shown(QStringLiteral("btnCheckIn")));
}

// Another workstation took the number the page showed: the pass shows the number the visit was
// stored under.
TEST_F(frmMainCheckInTest, PassShowsTheNumberTheVisitWasStoredUnder) {
    OpenWindow();
    ASSERT_EQ(Edit("txtPassNo")->text(), QStringLiteral("0001"));
    StoreVisit(QStringLiteral("0001"), QStringLiteral("Other Desk"));
    TypeValidVisitor();
    ClosePassWindows();
    Click("btnCheckIn");
    EXPECT_EQ(passNumbersShown, QStringList{QStringLiteral("0002")});
    EXPECT_EQ(Stored(QStringLiteral("0002")).VisitorName(), QStringLiteral("Ann Lee"));
    EXPECT_TRUE(PdfText().contains(QStringLiteral("0002")));
    EXPECT_EQ(Edit("txtPassNo")->text(), QStringLiteral("0003"));
}

// The record refuses what the page let through: every typed value stays, nothing is remembered.
TEST_F(frmMainCheckInTest, FailedCheckInKeepsEveryTypedValueAndRemembersNothing) {
    OpenWindow();
    TypeValidVisitor();
    Edit("txtName")->setText(QStringLiteral(" Al "));
    ClosePassWindows();
    Click("btnCheckIn");
    ASSERT_EQ(MsgBox::Recorded().size(), 1u);
    EXPECT_EQ(MsgBox::Recorded()[0].text,
              QStringLiteral("Name must be atleast 3 character in length\r\n"));
    EXPECT_EQ(MsgBox::Recorded()[0].title, QStringLiteral("Quorvane Lite"));
    EXPECT_EQ(MsgBox::Recorded()[0].icon, MsgBox::Icon::Information);
    EXPECT_EQ(passWindowsShown, 0);
    EXPECT_FALSE(VisitStored(QStringLiteral("0001")));
    EXPECT_EQ(Edit("txtPassNo")->text(), QStringLiteral("0001"));
    EXPECT_EQ(Edit("txtName")->text(), QStringLiteral(" Al "));
    EXPECT_EQ(Edit("txtMobileNo")->text(), QStringLiteral("+49 151-2345"));
    EXPECT_EQ(Edit("txtEmail")->text(), QStringLiteral("ann@acme.com"));
    EXPECT_EQ(Combo("ddVisitorType")->currentText(), QStringLiteral("Vendor"));
    EXPECT_EQ(Combo("ddCompany")->currentText(), QStringLiteral("Acme"));
    EXPECT_EQ(Memo("txtAddress")->Text(), QStringLiteral("1 Main Street"));
    EXPECT_EQ(Combo("ddPurpose")->currentText(), QStringLiteral("Delivery"));
    EXPECT_EQ(Combo("ddDepartment")->currentText(), QStringLiteral("Sales"));
    EXPECT_EQ(Edit("txtToMeet")->text(), QStringLiteral("Bob Smith"));
    EXPECT_EQ(Memo("txtRemarks")->Text(), QStringLiteral("Laptop"));
    EXPECT_EQ(Remembered("VType"), QStringLiteral("<absent>"));
    EXPECT_EQ(Remembered("VPurpose"), QStringLiteral("<absent>"));
}

// The values are stored trimmed, the pass number as the insert chose it.
TEST_F(frmMainCheckInTest, StoredValuesAreTrimmed) {
    OpenWindow();
    TypeValidVisitor();
    Edit("txtName")->setText(QStringLiteral("  Ann Lee  "));
    Combo("ddCompany")->setEditText(QStringLiteral(" Acme "));
    Edit("txtToMeet")->setText(QStringLiteral(" Bob Smith"));
    ClosePassWindows();
    Click("btnCheckIn");
    const Visitor stored = Stored(QStringLiteral("0001"));
    EXPECT_EQ(stored.VisitorName(), QStringLiteral("Ann Lee"));
    EXPECT_EQ(stored.Company(), QStringLiteral("Acme"));
    EXPECT_EQ(stored.ToMeet(), QStringLiteral("Bob Smith"));
    EXPECT_EQ(stored.VisitorType(), QStringLiteral("Vendor"));
}

// After the page was emptied no still belongs to it: the next check-in stores no photo.
TEST_F(frmMainCheckInTest, CheckInAfterClearStoresNoPhoto) {
    qputenv("QUORVANE_TEST_CAMERA", "1");
    OpenWindow();
    TypeValidVisitor();
    Click("imgCamStartPreview");
    Click("imgCamCaptureSnap");
    ASSERT_FALSE(Child<ctlPellora>(QStringLiteral("ctlWebcam"))->SaveImageFileName().isEmpty());
    Click("btnClear");
    EXPECT_TRUE(Child<ctlPellora>(QStringLiteral("ctlWebcam"))->SaveImageFileName().isEmpty());
    TypeValidVisitor();
    ClosePassWindows();
    Click("btnCheckIn");
    EXPECT_TRUE(VisitStored(QStringLiteral("0001")));
    EXPECT_FALSE(QFile::exists(PhotoPath(QStringLiteral("0001"))));
}
