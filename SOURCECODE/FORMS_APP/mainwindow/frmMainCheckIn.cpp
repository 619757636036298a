// The details page's six buttons and the page's own validation of what was typed.
#include "frmMain.h"

#include "LimitedTextEdit.h"
#include "MsgBox.h"
#include "QVButton.h"
#include "StepTrap.h"
#include "core/Visitor.h"
#include "core/basCommon.h"
#include "ctlPellora.h"

#include <QComboBox>
#include <QLineEdit>
#include <QScopeGuard>

#include <functional>
#include <vector>

namespace {

struct PageRule {
    std::function<bool()> fails;
    const char* message;
    QWidget* focus; // nullptr: the focus stays where it is
};

// Shows the record's failure; a failure it gave no words to still says the visit was not stored.
void ShowSaveFailure(QWidget* parent, const Visitor& visitor, const char* fallback) {
    const QString message = visitor.ErrorMessage();
    MsgBox::Inform(parent, message.isEmpty() ? QString::fromLatin1(fallback) : message);
}

} // namespace

// The first failing rule is shown and moves the focus; the texts are judged as typed.
bool frmMain::ValidateVisitorDetails() {
    const QString name = txtName->text();
    const QString contact = txtMobileNo->text();
    const QString email = txtEmail->text();
    const QString type = ddVisitorType->currentText();
    const QString purpose = ddPurpose->currentText();
    const std::vector<PageRule> rules = {
        {[&] { return name.size() < 3; }, "Name must be atleast 3 character in length", txtName},
        {[&] { return name.size() > 100; }, "Name must be lesser than 100 character in length",
         txtName},
        {[&] { return !contact.isEmpty() && contact.size() < 5; },
         "Contact No. cannot be lesser than 5 character.", txtMobileNo},
        {[&] { return !Visitor::IsContactNoText(contact); },
         "Contact No. is invalid! Please type in only numbers.", txtMobileNo},
        {[&] { return contact.size() > Visitor::ContactNoMaxLength; },
         Visitor::ContactNoTooLongMessage, txtMobileNo},
        {[&] { return email.size() > 100; },
         "Email Address must be lesser than 100 character in length", txtEmail},
        {[&] { return !email.isEmpty() && !basCommon::IsValidEmail(email); }, "Invalid email id",
         txtEmail},
        {[&] { return type.isEmpty(); }, "Visitor Type cannot be empty", ddVisitorType},
        {[&] { return type.size() > 50; },
         "Visitor Type must be lesser than 50 characters in length", ddVisitorType},
        {[&] { return ddDepartment->currentText().size() > 50; },
         "Department must be lesser than 50 characters in length", ddDepartment},
        {[&] { return ddCompany->currentText().size() > 50; },
         "Company Name must be lesser than 50 characters in length", ddCompany},
        {[&] { return purpose.isEmpty(); }, "Purpose cannot be empty", ddPurpose},
        {[&] { return purpose.size() > 50; },
         "Purpose cannot be greater than 50 characters in length", nullptr},
        {[&] { return txtToMeet->text().size() < 3; },
         "Person to meet cannot be lesser than 3 character in length", txtToMeet},
        {[&] { return txtRemarks->Text().size() > 250; },
         "Remarks must be lesser than 250 character in length", txtRemarks},
    };
    for (const PageRule& rule : rules) {
        if (rule.fails()) {
            MsgBox::Inform(this, QString::fromLatin1(rule.message));
            if (rule.focus != nullptr) {
                FocusIgnoringFailure(rule.focus);
            }
            return false;
        }
    }
    return true;
}

void frmMain::FillVisitorFromForm(Visitor& visitor) const {
    visitor.SetPassNo(txtPassNo->text());
    visitor.SetAddress(txtAddress->Text().trimmed());
    visitor.SetCompany(ddCompany->currentText().trimmed());
    visitor.SetDepartment(ddDepartment->currentText().trimmed());
    visitor.SetEmail(txtEmail->text().trimmed());
    visitor.SetVisitorName(txtName->text().trimmed());
    visitor.SetContactNo(txtMobileNo->text().trimmed());
    visitor.SetPurpose(ddPurpose->currentText().trimmed());
    visitor.SetRemarks(txtRemarks->Text().trimmed());
    visitor.SetToMeet(txtToMeet->text().trimmed());
    visitor.SetVisitorType(ddVisitorType->currentText().trimmed());
}

void frmMain::btnCheckIn_Click() {
    if (!ValidateVisitorDetails()) {
        return;
    }
    Visitor visitor;
    SkippingErrors([&] { FillVisitorFromForm(visitor); });
    SkippingErrors([&] { visitor.SetImageFile(ctlWebcam->SaveImageFileName()); });
    bool stored = false;
    SkippingErrors([&] { stored = visitor.InsertVisitorRecord(); });
    if (!stored) {
        ShowSaveFailure(this, visitor, Visitor::InsertFailedMessage);
        return;
    }
    // The lists' readings, which include the new visit, run while the pass is printed; any the
    // refill below does not take are dropped with the handler.
    StartDropDownReadings();
    const auto unused = qScopeGuard([this] { ddPending.reset(); });
    // The number the visit was stored under, which another workstation may have moved on from
    // the one the page showed.
    SkippingErrors([&] { PrintPass(visitor.PassNo()); });
    SkippingErrors([&] { RememberDefaults(); });
    SkippingErrors([&] { ClearVisitorDetails(true); });
}

void frmMain::btnUpdate_Click() {
    if (!ValidateVisitorDetails()) {
        return;
    }
    Visitor visitor;
    SkippingErrors([&] { FillVisitorFromForm(visitor); });
    // The record removes a cleared photo with the row's change, so a refused update keeps it.
    visitor.SetImageCleared(blnImageCleared);
    SkippingErrors([&] { visitor.SetImageFile(ctlWebcam->SaveImageFileName()); });
    bool stored = false;
    SkippingErrors([&] { stored = visitor.UpdateVisitorRecord(); });
    if (!stored) {
        // The page keeps the cleared photo too, for the next try.
        ShowSaveFailure(this, visitor, Visitor::UpdateFailedMessage);
        return;
    }
    blnImageCleared = false;
    // The row changed, but the photo could not follow it.
    if (!visitor.ErrorMessage().isEmpty()) {
        MsgBox::Inform(this, visitor.ErrorMessage());
    }
    SkippingErrors([&] { ClearVisitorDetails(false); });
    SkippingErrors([&] { ReturnToOriginatingPage(); });
}

void frmMain::btnDelete_Click() {
    if (MsgBox::Show(this, QStringLiteral("Are you sure to delete the selected entry!"),
                     MsgBox::Buttons::YesNo, MsgBox::Icon::Question,
                     QStringLiteral("Confirm Delete")) != MsgBox::Result::Yes) {
        return;
    }
    ReportingErrors(QStringLiteral("btnDelete_Click"), [this] {
        Visitor visitor;
        visitor.SetPassNo(txtPassNo->text());
        if (!DeleteVisit(visitor, QStringLiteral("btnDelete_Click"))) {
            return;
        }
        ClearVisitorDetails(false);
        ReturnToOriginatingPage();
    });
}

void frmMain::btnCheckOut_Click() {
    ReportingErrors(QStringLiteral("btnCheckOut_Click"), [this] {
        Visitor visitor;
        visitor.SetPassNo(txtPassNo->text());
        if (CheckOutVisit(visitor, QStringLiteral("btnCheckOut_Click"))) {
            ReturnToOriginatingPage();
        }
    });
}

// The search is not run again: the result list keeps what it showed.
void frmMain::btnCancel_Click() {
    ReportingErrors(QStringLiteral("btnCancel_Click"), [this] {
        ClearVisitorDetails(false);
        if (blnEditFromSearch) {
            EnableSearchMode();
        } else {
            EnableCheckedInListMode();
        }
    });
}

void frmMain::btnClear_Click() {
    ReportingErrors(QStringLiteral("btnClear_Click"), [this] { EnableNewMode(); });
}

// Back to the list the visit was opened from, showing the changed data.
void frmMain::ReturnToOriginatingPage() {
    if (blnEditFromSearch) {
        EnableSearchMode();
        btnSearch_Click();
    } else {
        EnableCheckedInListMode();
    }
}

void frmMain::ConnectDetailsButtons() {
    connect(btnCheckIn, &QVButton::Click, this, &frmMain::btnCheckIn_Click);
    connect(btnUpdate, &QVButton::Click, this, &frmMain::btnUpdate_Click);
    connect(btnDelete, &QVButton::Click, this, &frmMain::btnDelete_Click);
    connect(btnCheckOut, &QVButton::Click, this, &frmMain::btnCheckOut_Click);
    connect(btnCancel, &QVButton::Click, this, &frmMain::btnCancel_Click);
    connect(btnClear, &QVButton::Click, this, &frmMain::btnClear_Click);
}
