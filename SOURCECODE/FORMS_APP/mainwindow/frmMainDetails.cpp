// The details page: loading a visit for editing, printing a pass, emptying the page.
#include "frmMain.h"

#include "LimitedTextEdit.h"
#include "MsgBox.h"
#include "PictureFile.h"
#include "QVButton.h"
#include "StepTrap.h"
#include "core/AppEnvironment.h"
#include "core/Visitor.h"
#include "core/basCommon.h"
#include "ctlPellora.h"
#include "frmPassPreview.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>

#include <functional>

namespace {

const QString kMissingVisit = QStringLiteral("Record does not exist. It might have been deleted!");

QString VisitorsFolder() {
    return basCommon::GetBaseFolder() + QStringLiteral("/Images/Visitors/");
}

} // namespace

bool frmMain::LoadVisitForPage(Visitor& visitor, const QString& PassNo, const QString& source) {
    visitor.SetPassNo(PassNo);
    Visitor::LoadResult loaded = Visitor::LoadResult::Unreadable;
    SkippingErrors([&] { loaded = visitor.ReadVisitor(); });
    if (loaded == Visitor::LoadResult::NoSuchVisit) {
        MsgBox::Show(this, kMissingVisit, MsgBox::Buttons::OK, MsgBox::Icon::Information,
                     QStringLiteral("Invalid Data"));
    } else if (loaded == Visitor::LoadResult::Unreadable) {
        // Not a missing visit: the database could not be read, and an empty record is no visit.
        const QString reason = visitor.ErrorMessage();
        ReportFailure(QStringLiteral("An error occured while trying to read the visit!"),
                      reason.isEmpty() ? QStringLiteral("Unknown error") : reason, source);
    }
    return loaded == Visitor::LoadResult::Loaded;
}

void frmMain::LoadVisitorForEdit(const QString& PassNo) {
    Visitor visitor;
    if (!LoadVisitForPage(visitor, PassNo, QStringLiteral("LoadVisitorForEdit"))) {
        if (blnEditFromSearch) {
            EnableSearchMode();
        } else {
            EnableCheckedInListMode();
        }
        return;
    }
    txtPassNo->setText(visitor.PassNo());
    txtName->setText(visitor.VisitorName());
    txtMobileNo->setText(visitor.ContactNo());
    txtEmail->setText(visitor.Email());
    ddVisitorType->setEditText(visitor.VisitorType());
    ddCompany->setEditText(visitor.Company());
    txtAddress->SetText(visitor.Address());
    ddPurpose->setEditText(visitor.Purpose());
    ddDepartment->setEditText(visitor.Department());
    txtToMeet->setText(visitor.ToMeet());
    txtRemarks->SetText(visitor.Remarks());
    SkippingErrors([&] { ShowVisitPhoto(visitor.PassNo()); });
    ShowButtonsForVisit(visitor.IsVisitorCheckedOut());
}

// The stored photo, else the placeholder, else the live webcam area in the photo's place.
void frmMain::ShowVisitPhoto(const QString& PassNo) {
    const QString folder = VisitorsFolder();
    const QStringList names = {PassNo + QStringLiteral(".jpg"),
                               QStringLiteral("photo_unavailable.gif")};
    for (const QString& name : names) {
        const QString path = folder + name;
        if (basCommon::FileExists(path)) {
            imgVImagePreview->setPixmap(PictureFile::Load(path));
            imgVImagePreview->show();
            fraWebCamControlContainer->hide();
            return;
        }
    }
    imgVImagePreview->hide();
    fraWebCamControlContainer->show();
}

// A checked-out visit keeps only Delete and Cancel, Delete taking Check-Out's place.
void frmMain::ShowButtonsForVisit(bool checkedOut) {
    if (checkedOut) {
        btnUpdate->hide();
        btnCheckOut->hide();
        btnDelete->move(btnCheckOut->x(), btnDelete->y());
    } else {
        btnDelete->move(intDeleteLeft, btnDelete->y());
        btnUpdate->show();
        btnCheckOut->show();
    }
}

void frmMain::PrintPass(const QString& PassNo) {
    Visitor visitor;
    if (!LoadVisitForPage(visitor, PassNo, QStringLiteral("PrintPass"))) {
        return;
    }
    if (visitor.IsVisitorCheckedOut()) {
        MsgBox::Inform(
            this, QStringLiteral("This Visitor is already checked-out. Pass cannot be printed!"));
        return;
    }
    SkippingErrors([&] {
        frmPassPreview pass(this);
        pass.PassVisitor = visitor;
        pass.ShowModal();
    });
}

// No trap of its own: an error reaches the caller.
void frmMain::ClearVisitorDetails(bool NewPassNo) {
    txtPassNo->setText(NewPassNo ? Visitor().GetNextPassNo() : QString());
    txtName->clear();
    txtMobileNo->clear();
    txtEmail->clear();
    ddCompany->setEditText(QString());
    ddDepartment->setEditText(QString());
    ddPurpose->setEditText(RememberedDefault("VPurpose"));
    ddVisitorType->setEditText(RememberedDefault("VType"));
    txtAddress->SetText(QString());
    txtToMeet->clear();
    txtRemarks->SetText(QString());
    ctlWebcam->ClearImage();
    ctlWebcam->SetSaveImageFileName(QString());
    blnImageCleared = false;
    FillDropDowns();
}

// "VType" and "VPurpose" of the per-user settings; empty when absent.
QString frmMain::RememberedDefault(const char* key) {
    const auto settings = AppEnvironment::UserSettings();
    settings->beginGroup(QStringLiteral("Others"));
    return settings->value(QString::fromLatin1(key)).toString();
}

void frmMain::RememberDefaults() {
    const auto settings = AppEnvironment::UserSettings();
    settings->beginGroup(QStringLiteral("Others"));
    settings->setValue(QStringLiteral("VType"), ddVisitorType->currentText());
    settings->setValue(QStringLiteral("VPurpose"), ddPurpose->currentText());
}
