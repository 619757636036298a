// The search page: its filters, the search itself, the remembered filters and Clear.
#include "frmMain.h"

#include "EventHook.h"
#include "KeyboardKeys.h"
#include "MsgBox.h"
#include "QVButton.h"
#include "SearchResultsModel.h"
#include "core/AppEnvironment.h"
#include "core/CoreError.h"
#include "core/RecordSet.h"
#include "core/Visitor.h"
#include "core/basCommon.h"
#include "ctlPellora.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QSettings>
#include <QTreeView>

#include <memory>
#include <optional>
#include <vector>

namespace {

const QString kSource = QStringLiteral("btnSearch_Click");

// More rows than this make a failure while listing a sign of a search that is too wide.
constexpr int kLargeSearchRows = 15000;

// The ten boxes and their per-user keys, in the order the filters are saved.
struct FilterBox {
    const char* key;
    QLineEdit* frmMain::*line;
    QComboBox* frmMain::*combo;
};

QDate ReadDate(const QString& text) {
    return basCommon::IsValidDateDDMMYYYY(text)
               ? QDate::fromString(text, QStringLiteral("dd-MM-yyyy"))
               : QDate::fromString(text, QStringLiteral("d-M-yyyy"));
}

// "%" + the trimmed text + "%", or "" when nothing is left to match.
QString ContainsPattern(const QString& text) {
    const QString pattern = u'%' + text.trimmed() + u'%';
    return pattern.size() == 2 ? QString() : pattern;
}

bool IsDateCharacter(QChar c) {
    return (c >= u'0' && c <= u'9') || c == u'-';
}

// Typed characters other than digits and "-" are dropped; Backspace and the other control keys
// pass, so editing and pasting work as in any box.
bool DropsDateKey(QEvent* event) {
    const QString text = KeyboardKeys::TypedText(static_cast<QKeyEvent*>(event));
    return text.size() == 1 && text.at(0).category() != QChar::Other_Control &&
           !IsDateCharacter(text.at(0));
}

void Inform(QWidget* parent, const QString& text) {
    MsgBox::Show(parent, text, MsgBox::Buttons::OK, MsgBox::Icon::Information,
                 QStringLiteral("Quorvane Lite"));
}

} // namespace

void frmMain::LoadSearchFilters() {
    const std::unique_ptr<QSettings> settings = AppEnvironment::UserSettings();
    settings->beginGroup(QStringLiteral("Others"));
    const auto value = [&settings](const char* key) {
        return settings->value(QString::fromLatin1(key), QString()).toString();
    };
    txtSearchPassNo->setText(value("SVPassNo"));
    ddSearchCompany->setEditText(value("SVCompany"));
    txtSearchName->setText(value("SVName"));
    txtSearchEmail->setText(value("SVEmail"));
    ddSearchVisitorType->setEditText(value("SVType"));
    ddSearchPurpose->setEditText(value("SVPurpose"));
    ddSearchDepartment->setEditText(value("SVDept"));
    txtSearchToMeet->setEditText(value("SVToMeet"));
    txtSearchDateFrom->setText(value("SVDtFrom"));
    txtSearchDateTo->setText(value("SVDtTo"));
}

void frmMain::SaveSearchFilters() {
    const std::unique_ptr<QSettings> settings = AppEnvironment::UserSettings();
    settings->beginGroup(QStringLiteral("Others"));
    const std::pair<const char*, QString> values[] = {
        {"SVPassNo", txtSearchPassNo->text()},
        {"SVCompany", ddSearchCompany->currentText()},
        {"SVName", txtSearchName->text()},
        {"SVEmail", txtSearchEmail->text()},
        {"SVType", ddSearchVisitorType->currentText()},
        {"SVPurpose", ddSearchPurpose->currentText()},
        {"SVDept", ddSearchDepartment->currentText()},
        {"SVToMeet", txtSearchToMeet->currentText()},
        {"SVDtFrom", txtSearchDateFrom->text()},
        {"SVDtTo", txtSearchDateTo->text()},
    };
    for (const auto& [key, text] : values) {
        settings->setValue(QString::fromLatin1(key), text);
    }
    settings->sync();
    if (settings->status() != QSettings::NoError) {
        throw CoreError(QStringLiteral("The search filters could not be saved."));
    }
}

// The three date checks; each failure tells the user and puts the caret where the fault is.
bool frmMain::SearchDatesAreValid() {
    const QString from = txtSearchDateFrom->text();
    const QString to = txtSearchDateTo->text();
    if (!basCommon::IsValidDate(from)) {
        Inform(this, QStringLiteral("Please enter a valid date in the Date From field!"));
        FocusIgnoringFailure(txtSearchDateFrom);
        return false;
    }
    if (!basCommon::IsValidDate(to)) {
        Inform(this, QStringLiteral("Please enter a valid date in the Date To field!"));
        FocusIgnoringFailure(txtSearchDateTo);
        return false;
    }
    if (!from.isEmpty() && !to.isEmpty() && ReadDate(from) > ReadDate(to)) {
        Inform(this, QStringLiteral("Invalid date range!"));
        FocusIgnoringFailure(txtSearchDateTo);
        return false;
    }
    return true;
}

void frmMain::btnSearch_Click() {
    std::optional<RecordSet> records;
    try {
        if (!SearchDatesAreValid()) {
            return;
        }
        mdlSearchResults->Clear();
        Visitor query;
        query.SetPassNo(ContainsPattern(txtSearchPassNo->text()));
        query.SetVisitorType(ContainsPattern(ddSearchVisitorType->currentText()));
        query.SetVisitorName(ContainsPattern(txtSearchName->text()));
        query.SetToMeet(ContainsPattern(txtSearchToMeet->currentText()));
        query.SetCompany(ContainsPattern(ddSearchCompany->currentText()));
        query.SetEmail(ContainsPattern(txtSearchEmail->text()));
        query.SetPurpose(ContainsPattern(ddSearchPurpose->currentText()));
        query.SetDepartment(ContainsPattern(ddSearchDepartment->currentText()));
        query.SetSearchDateFrom(txtSearchDateFrom->text());
        query.SetSearchDateTo(txtSearchDateTo->text());
        records = query.GetVisitorList([this](const RecordSet& first) { ShowFirstRows(first); });
        if (!records) {
            throw CoreError(QStringLiteral("The search could not be read from the database."));
        }
    } catch (const std::exception& error) {
        // First rows shown by a query that then failed are no result.
        mdlSearchResults->Clear();
        basCommon::WriteLog(QString::fromUtf8(error.what()), kSource);
        return;
    }
    ListSearchResults(std::move(*records));
}

// A long search shows its first rows while the rest is read; the full list replaces them. Only
// painting is let through meanwhile, so nothing the user does can come between.
void frmMain::ShowFirstRows(const RecordSet& first) {
    const auto preview = std::make_shared<const RecordSet>(first);
    int listed = 0;
    while (listed < preview->RecordCount() && !preview->IsNull(listed, 0)) {
        ++listed;
    }
    mdlSearchResults->AppendRecords(preview, 0, listed);
    const QScopedValueRollback listing(blnListingSearch, true);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

// Lists every row of the search. A row without a pass number cannot be listed: the rows before it
// stay, and the user is told (the filters are then not saved).
void frmMain::ListSearchResults(RecordSet&& found) {
    const auto records = std::make_shared<const RecordSet>(std::move(found));
    mdlSearchResults->Clear();
    int intRowCount = 0;
    while (intRowCount < records->RecordCount() && !records->IsNull(intRowCount, 0)) {
        ++intRowCount;
    }
    QString failure;
    if (intRowCount < records->RecordCount()) {
        failure = QStringLiteral("Invalid use of Null: a visit without a pass number");
    }
    try {
        mdlSearchResults->AppendRecords(records, 0, intRowCount);
    } catch (const std::exception& error) {
        mdlSearchResults->Clear();
        intRowCount = 0;
        failure = QString::fromUtf8(error.what());
    }
    if (!failure.isEmpty()) {
        ReportRowFailure(failure, intRowCount);
        return;
    }
    try {
        SaveSearchFilters();
    } catch (const std::exception& error) {
        if (intRowCount == 0) {
            basCommon::WriteLog(QString::fromUtf8(error.what()), kSource);
        }
    }
}

// The rows listed so far stay; a long list suggests the search was too wide for the list.
void frmMain::ReportRowFailure(const QString& description, int intRowCount) {
    basCommon::WriteLog(description, kSource);
    if (intRowCount > kLargeSearchRows) {
        MsgBox::Show(
            this,
            QStringLiteral("Your search returned large number of records and only the first ") +
                QString::number(intRowCount) +
                QStringLiteral(
                    " records are displayed! Please use filters to narrow down your search!"),
            MsgBox::Buttons::OK, MsgBox::Icon::Exclamation, QStringLiteral("Quorvane Lite"));
    } else {
        MsgBox::Show(this,
                     QStringLiteral("An unknown error occured in the application. Try restarting "
                                    "the application!"),
                     MsgBox::Buttons::OK, MsgBox::Icon::Critical, QStringLiteral("Quorvane Lite"));
    }
}

void frmMain::btnCancelSearch_Click() {
    txtSearchName->setText(QString());
    txtSearchPassNo->setText(QString());
    txtSearchToMeet->setEditText(QString());
    txtSearchEmail->setText(QString());
    txtSearchDateFrom->setText(QString());
    txtSearchDateTo->setText(QString());
    ddSearchVisitorType->setEditText(QString());
    ddSearchCompany->setEditText(QString());
    ddSearchPurpose->setEditText(QString());
    ddSearchDepartment->setEditText(QString());
    ctlWebcam->ClearImage();
    ctlWebcam->SetSaveImageFileName(QString());
}

// Keeps only digits and "-" of whatever arrived (typed, pasted or set); the caret stays after the
// last character the user put in.
void frmMain::SearchDateBox_Change(QLineEdit* box) {
    const QString text = box->text();
    QString kept;
    kept.reserve(text.size());
    int caret = box->cursorPosition();
    for (qsizetype index = 0; index < text.size(); ++index) {
        if (IsDateCharacter(text.at(index))) {
            kept.append(text.at(index));
        } else if (index < box->cursorPosition()) {
            --caret;
        }
    }
    if (kept != text) {
        box->setText(kept);
        box->setCursorPosition(caret);
    }
}

void frmMain::ConnectSearchPage() {
    connect(btnSearch, &QVButton::Click, this, &frmMain::btnSearch_Click);
    connect(btnCancelSearch, &QVButton::Click, this, &frmMain::btnCancelSearch_Click);
    connect(QVReport, &QVButton::Click, this, &frmMain::QVReport_Click);
    for (QLineEdit* box : {txtSearchDateFrom, txtSearchDateTo}) {
        EventHook::Install(box, QEvent::KeyPress, &DropsDateKey);
        connect(box, &QLineEdit::textChanged, this, [this, box] { SearchDateBox_Change(box); });
    }
}
