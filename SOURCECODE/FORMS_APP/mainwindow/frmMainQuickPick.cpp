// Quick Pick: fills the visitor's name and company, or the person to meet and the department,
// from the pairs stored with earlier visits.
#include "frmMain.h"

#include "MainStatusBar.h"
#include "MsgBox.h"
#include "QVButton.h"
#include "VisitorListModel.h"
#include "core/RecordSet.h"
#include "core/Visitor.h"
#include "core/basCommon.h"

#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTreeView>

#include <exception>
#include <optional>
#include <stdexcept>

namespace {

struct QuickPickMode {
    QRect place; // in the window, 15 twips a pixel
    const char* firstLabel;
    const char* secondLabel;
    const char* firstColumn;
    const char* secondColumn;
    const char* openingHint;
};

// Visitor: top 2910, left 3795; employee: top 5780, left 3540; both 7920 x 3525 twips.
const QuickPickMode kVisitorMode = {QRect(253, 194, 528, 235),
                                    "Visitor Name",
                                    "Company",
                                    "Name",
                                    "Company",
                                    "Search for visitor from the previous list."};
const QuickPickMode kEmployeeMode = {QRect(236, 385, 528, 235),
                                     "Employee Name",
                                     "Department",
                                     "ToMeet",
                                     "Department",
                                     "Search for employee from previous list"};

const QuickPickMode& ModeOf(bool visitor) {
    return visitor ? kVisitorMode : kEmployeeMode;
}

// A box's text wrapped for a contains-match; an empty box matches everything.
QString ContainsPattern(const QString& text) {
    return text.isEmpty() ? QStringLiteral("%") : u'%' + text + u'%';
}

QString FieldText(const QVariant& value) {
    return value.isNull() ? QString() : value.toString();
}

} // namespace

void frmMain::QuickPickEvent(QObject* watched, QEvent* event) {
    if (watched != txtName && watched != txtToMeet) {
        return;
    }
    const bool name = watched == txtName;
    switch (event->type()) {
    case QEvent::FocusIn:
        name ? txtName_GotFocus() : txtToMeet_GotFocus();
        break;
    case QEvent::FocusOut:
        name ? txtName_LostFocus() : txtToMeet_LostFocus();
        break;
    case QEvent::KeyRelease: {
        const auto* key = static_cast<QKeyEvent*>(event);
        // A held key repeats its release; the panel opens or closes once per press.
        if (key->key() == Qt::Key_F2 && !key->isAutoRepeat()) {
            name ? imgHelpVisitor_Click() : imgHelpEmployee_Click();
        }
        break;
    }
    default:
        break;
    }
}

void frmMain::txtName_GotFocus() {
    statusBar->SetPanelText(1, QStringLiteral("Press F2 key to search for Visitors."));
}

void frmMain::txtToMeet_GotFocus() {
    statusBar->SetPanelText(1, QStringLiteral("Press F2 key to search for Employees."));
}

void frmMain::txtName_LostFocus() {
    statusBar->SetPanelText(1, QStringLiteral("Add new visitor and print a pass."));
}

void frmMain::txtToMeet_LostFocus() {
    statusBar->SetPanelText(1, QStringLiteral("Add new visitor and print a pass."));
}

void frmMain::imgHelpVisitor_Click() {
    OpenQuickPick(true);
}

void frmMain::imgHelpEmployee_Click() {
    OpenQuickPick(false);
}

// Opens the panel in the mode, switches an open panel to it, or closes a panel already in it.
// Every opening starts with empty filters and an empty grid.
void frmMain::OpenQuickPick(bool visitor) {
    const QuickPickMode& mode = ModeOf(visitor);
    fraSimpleSearch->setGeometry(mode.place);
    txtFraCompany->clear();
    txtFraName->clear();
    const QString first = QString::fromLatin1(mode.firstLabel);
    const QString second = QString::fromLatin1(mode.secondLabel);
    lblfraName->setText(first);
    lblfraName->adjustSize();
    lblfraCompany->setText(second);
    lblfraCompany->adjustSize();
    mdlQuickGrid->setHeaderData(0, Qt::Horizontal, first);
    mdlQuickGrid->setHeaderData(1, Qt::Horizontal, second);
    mdlQuickGrid->Clear();
    if (fraSimpleSearch->isHidden()) {
        fraSimpleSearch->show();
        fraSimpleSearch->raise();
    } else if (blnQuickPickVisitor == visitor) {
        fraSimpleSearch->hide();
    }
    blnQuickPickVisitor = visitor;
    // The focus moves first, so the box just left does not overwrite the opening hint.
    FocusIgnoringFailure(txtFraName);
    statusBar->SetPanelText(1, QString::fromLatin1(mode.openingHint));
}

void frmMain::btnQuickSearch_Click() {
    LoadHelpSearch();
    statusBar->SetPanelText(1, QStringLiteral("Double click the item to select"));
}

void frmMain::btnQuickSearchClear_Click() {
    txtFraName->clear();
    txtFraCompany->clear();
    mdlQuickGrid->Clear();
}

void frmMain::btnHide_Click() {
    fraSimpleSearch->hide();
    txtFraCompany->clear();
    txtFraName->clear();
    SetQuickPickClosedHint(false);
}

void frmMain::SetQuickPickClosedHint(bool picked) {
    if (!btnUpdate->isHidden()) {
        statusBar->SetPanelText(1, QStringLiteral("Click update to update the visitor record"));
    } else if (picked) {
        statusBar->SetPanelText(1, QStringLiteral("Click Check-In to checkin a visitor"));
    } else {
        statusBar->SetPanelText(1, QStringLiteral("Click Check-In to check-in a visitor"));
    }
}

// Every click flips the order, whichever column it is on; the grid then stays sorted, also for
// later look-ups.
void frmMain::lstQuickGrid_ColumnClick(int column) {
    const Qt::SortOrder order =
        mdlQuickGrid->SortOrder() == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    mdlQuickGrid->sort(column, order);
    lstQuickGrid->header()->setSortIndicatorShown(true);
    lstQuickGrid->header()->setSortIndicator(column, order);
}

void frmMain::lstQuickGrid_DblClick() {
    const QModelIndex current = lstQuickGrid->currentIndex();
    if (!current.isValid()) {
        return;
    }
    const QString first = mdlQuickGrid->Text(current.row(), 0);
    if (first.isEmpty()) {
        return;
    }
    const QString second = mdlQuickGrid->Text(current.row(), 1);
    if (blnQuickPickVisitor) {
        txtName->setText(first);
        ddCompany->setCurrentText(second);
    } else {
        txtToMeet->setText(first);
        ddDepartment->setCurrentText(second);
    }
    fraSimpleSearch->hide();
    SetQuickPickClosedHint(true);
}

// Errors are logged, never shown; the rows listed before one stay.
void frmMain::LoadHelpSearch() {
    mdlQuickGrid->Clear();
    try {
        const QuickPickMode& mode = ModeOf(blnQuickPickVisitor);
        // One record beyond the cap tells whether more were left unread.
        std::optional<RecordSet> records = Visitor().FillSimpleSearch(
            QString::fromLatin1(mode.firstColumn), QString::fromLatin1(mode.secondColumn),
            ContainsPattern(txtFraName->text()), ContainsPattern(txtFraCompany->text()),
            QuickPickCap + 1);
        if (!records) {
            throw std::runtime_error("The earlier entries could not be read.");
        }
        ListQuickPickRecords(*records);
    } catch (const std::exception& error) {
        basCommon::WriteLog(QString::fromUtf8(error.what()), QStringLiteral("LoadHelpSearch"));
    }
}

// Records with both values empty are skipped but count toward the cap.
void frmMain::ListQuickPickRecords(const RecordSet& records) {
    const int count = qMin(records.RecordCount(), QuickPickCap);
    QList<QStringList> rows;
    rows.reserve(count);
    for (int record = 0; record < count; ++record) {
        const QString first = FieldText(records.Value(record, 0));
        const QString second = FieldText(records.Value(record, 1));
        if (!first.isEmpty() || !second.isEmpty()) {
            rows.append({first, second});
        }
    }
    mdlQuickGrid->AppendRows(rows);
    if (records.RecordCount() > QuickPickCap) {
        MsgBox::Show(this,
                     QStringLiteral("Your search returned more than 15000 entries! Only the first "
                                    "15000 entries are listed!"),
                     MsgBox::Buttons::OK, MsgBox::Icon::Information,
                     QStringLiteral("Quorvane Lite"));
    }
}
