// The two result lists: sorting by header clicks, the status hints, the pop-up menus and
// double-click.
#include "frmMain.h"

#include "EventHook.h"
#include "MainStatusBar.h"
#include "MsgBox.h"
#include "SearchResultsModel.h"
#include "VisitorListModel.h"
#include "core/Visitor.h"
#include "core/basCommon.h"

#include <QAction>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMouseEvent>
#include <QTreeView>

namespace {

const QString kLeftHint = QStringLiteral("Double click to edit or Right click for more options");
const QString kRightHint = QStringLiteral("Choose the option from the menu");
const QString kCheckOutFailed = QStringLiteral("An error occured while trying to check-out!");

// A click on the column that is the sort key turns the order round; another column becomes the
// key, ascending.
template <typename Model>
void SortByHeader(Model* model, QTreeView* list, int Index) {
    const int column = Index - 1;
    Qt::SortOrder order = Qt::AscendingOrder;
    if (model->SortKey() == column) {
        order = model->SortOrder() == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    }
    model->sort(column, order);
    list->header()->setSortIndicatorShown(true);
    list->header()->setSortIndicator(column, order);
}

QAction* AddEntry(QMenu* menu, const QString& name, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    return action;
}

bool Confirmed(QWidget* parent, const QString& question, const QString& title) {
    return MsgBox::Show(parent, question, MsgBox::Buttons::YesNo, MsgBox::Icon::Question, title) ==
           MsgBox::Result::Yes;
}

// Handlers that end silently on any error.
template <typename Action>
void Silently(Action&& action) {
    try {
        action();
    } catch (...) {
    }
}

} // namespace

void frmMain::BuildListMenus() {
    mnuOptions = new QMenu(QStringLiteral("O&ptions"), this);
    mnuOptions->setObjectName(QStringLiteral("mnuOptions"));
    connect(AddEntry(mnuOptions, QStringLiteral("mnuPrintPass"), QStringLiteral("&Print Pass")),
            &QAction::triggered, this, &frmMain::mnuPrintPass_Click);
    connect(AddEntry(mnuOptions, QStringLiteral("mnuCheckout"), QStringLiteral("&Check Out")),
            &QAction::triggered, this, &frmMain::mnuCheckout_Click);
    mnuOptions->addSeparator()->setObjectName(QStringLiteral("mnuSeperator1"));
    connect(AddEntry(mnuOptions, QStringLiteral("mnuEdit"), QStringLiteral("&Edit")),
            &QAction::triggered, this, &frmMain::mnuEdit_Click);
    connect(AddEntry(mnuOptions, QStringLiteral("mnuDelete"), QStringLiteral("&Delete")),
            &QAction::triggered, this, &frmMain::mnuDelete_Click);

    mnuSearchOptions = new QMenu(QStringLiteral("Search Options"), this);
    mnuSearchOptions->setObjectName(QStringLiteral("mnuSearchOptions"));
    connect(
        AddEntry(mnuSearchOptions, QStringLiteral("mnuSearchPrint"), QStringLiteral("&Print Pass")),
        &QAction::triggered, this, &frmMain::mnuSearchPrint_Click);
    connect(AddEntry(mnuSearchOptions, QStringLiteral("mnuSearchCheckout"),
                     QStringLiteral("Check-Out")),
            &QAction::triggered, this, &frmMain::mnuSearchCheckout_Click);
    mnuSearchOptions->addSeparator()->setObjectName(QStringLiteral("mnuSeperator2"));
    connect(AddEntry(mnuSearchOptions, QStringLiteral("mnuSearchEdit"), QStringLiteral("&Edit")),
            &QAction::triggered, this, &frmMain::mnuSearchEdit_Click);
    connect(
        AddEntry(mnuSearchOptions, QStringLiteral("mnuSearchDelete"), QStringLiteral("&Delete")),
        &QAction::triggered, this, &frmMain::mnuSearchDelete_Click);
}

void frmMain::ConnectListEvents() {
    for (QTreeView* list : {lstCheckedInList, lstSearchResults}) {
        list->header()->setSectionsClickable(true);
    }
    connect(lstCheckedInList->header(), &QHeaderView::sectionClicked, this,
            [this](int section) { lstCheckedInList_ColumnClick(section + 1); });
    connect(lstSearchResults->header(), &QHeaderView::sectionClicked, this,
            [this](int section) { lstSearchResults_ColumnClick(section + 1); });
    const auto mouseUp = [this](void (frmMain::*handler)(Qt::MouseButton, const QPoint&)) {
        return [this, handler](QEvent* event) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            (this->*handler)(mouse->button(), mouse->position().toPoint());
            return false;
        };
    };
    EventHook::Install(lstCheckedInList->viewport(), QEvent::MouseButtonRelease,
                       mouseUp(&frmMain::lstCheckedInList_MouseUp));
    EventHook::Install(lstSearchResults->viewport(), QEvent::MouseButtonRelease,
                       mouseUp(&frmMain::lstSearchResults_MouseUp));
    connect(lstCheckedInList, &QAbstractItemView::doubleClicked, this,
            &frmMain::lstCheckedInList_DblClick);
    connect(lstSearchResults, &QAbstractItemView::doubleClicked, this,
            &frmMain::lstSearchResults_DblClick);
}

void frmMain::lstCheckedInList_ColumnClick(int Index) {
    SortByHeader(mdlCheckedInList, lstCheckedInList, Index);
}

void frmMain::lstSearchResults_ColumnClick(int Index) {
    SortByHeader(mdlSearchResults, lstSearchResults, Index);
}

// The selected row's pass number, or "" when no row with a pass number is selected.
QString frmMain::SelectedPassNo(const QTreeView* list) const {
    const QModelIndexList selected = list->selectionModel()->selectedRows();
    if (selected.isEmpty()) {
        return {};
    }
    return list->model()->index(selected.first().row(), 0).data().toString();
}

void frmMain::RemoveSelectedRow(QTreeView* list) {
    const QModelIndexList selected = list->selectionModel()->selectedRows();
    if (selected.isEmpty()) {
        return;
    }
    const int row = selected.first().row();
    if (list == lstSearchResults) {
        mdlSearchResults->RemoveItem(row);
    } else {
        mdlCheckedInList->RemoveItem(row);
    }
}

void frmMain::lstCheckedInList_MouseUp(Qt::MouseButton Button, const QPoint& position) {
    ListMouseUp(lstCheckedInList, mnuOptions, Button, position);
}

void frmMain::lstSearchResults_MouseUp(Qt::MouseButton Button, const QPoint& position) {
    ListMouseUp(lstSearchResults, mnuSearchOptions, Button, position);
}

void frmMain::ListMouseUp(QTreeView* list, QMenu* menu, Qt::MouseButton Button,
                          const QPoint& position) {
    Silently([&] {
        if (SelectedPassNo(list).isEmpty()) {
            return;
        }
        if (Button == Qt::LeftButton) {
            statusBar->SetPanelText(1, kLeftHint);
        } else if (Button == Qt::RightButton) {
            statusBar->SetPanelText(1, kRightHint);
            menu->exec(list->viewport()->mapToGlobal(position));
        }
    });
}

// The checked-in list's hint offers editing, so its double-click edits as the search list's does.
void frmMain::lstCheckedInList_DblClick() {
    mnuEdit_Click();
}

void frmMain::lstSearchResults_DblClick() {
    mnuSearchEdit_Click();
}

void frmMain::mnuPrintPass_Click() {
    PrintSelected(lstCheckedInList);
}

void frmMain::mnuSearchPrint_Click() {
    PrintSelected(lstSearchResults);
}

void frmMain::mnuEdit_Click() {
    EditSelected(lstCheckedInList, false);
}

void frmMain::mnuSearchEdit_Click() {
    EditSelected(lstSearchResults, true);
}

void frmMain::mnuDelete_Click() {
    DeleteSelected(lstCheckedInList, QStringLiteral("mnuDelete_Click"));
}

void frmMain::mnuSearchDelete_Click() {
    DeleteSelected(lstSearchResults, QStringLiteral("mnuSearchDelete_Click"));
}

void frmMain::PrintSelected(const QTreeView* list) {
    Silently([&] {
        const QString passNo = SelectedPassNo(list);
        if (!passNo.isEmpty()) {
            PrintPass(passNo);
        }
    });
}

void frmMain::EditSelected(const QTreeView* list, bool fromSearch) {
    Silently([&] {
        const QString passNo = SelectedPassNo(list);
        if (passNo.isEmpty()) {
            return;
        }
        blnEditFromSearch = fromSearch;
        EnableEditMode();
        LoadVisitorForEdit(passNo);
    });
}

void frmMain::DeleteSelected(QTreeView* list, const QString& source) {
    Silently([&] {
        const QString passNo = SelectedPassNo(list);
        if (passNo.isEmpty() ||
            !Confirmed(this, QStringLiteral("Are you sure to delete the selected entry!"),
                       QStringLiteral("Confirm Delete"))) {
            return;
        }
        Visitor visitor;
        visitor.SetPassNo(passNo);
        if (DeleteVisit(visitor, source)) {
            RemoveSelectedRow(list);
        }
    });
}

// A check-out, delete or load that failed: the box says what failed, the log keeps it.
void frmMain::ReportFailure(const QString& failure, const QString& description,
                            const QString& source) {
    MsgBox::Show(this, failure + QStringLiteral("\r\n") + description, MsgBox::Buttons::OK,
                 MsgBox::Icon::Critical, QStringLiteral("Quorvane Lite"));
    basCommon::WriteLog(description, source);
}

bool frmMain::CheckOutVisit(Visitor& visitor, const QString& source) {
    QString description;
    try {
        if (visitor.CheckOutVisitor()) {
            return true;
        }
        description = visitor.ErrorMessage();
    } catch (const std::exception& error) {
        description = QString::fromUtf8(error.what());
    }
    ReportFailure(kCheckOutFailed, description, source);
    return false;
}

bool frmMain::DeleteVisit(Visitor& visitor, const QString& source) {
    if (visitor.DeleteVisitor()) {
        return true;
    }
    ReportFailure(QStringLiteral("An error occured while trying to delete!"),
                  visitor.ErrorMessage(), source);
    return false;
}

void frmMain::mnuCheckout_Click() {
    try {
        if (mdlCheckedInList->rowCount() == 0) {
            return;
        }
        const QString passNo = SelectedPassNo(lstCheckedInList);
        if (passNo.isEmpty() ||
            !Confirmed(this, QStringLiteral("Are you sure to check-out the selected Visitor!"),
                       QStringLiteral("Confirm Checkout"))) {
            return;
        }
        Visitor visitor;
        visitor.SetPassNo(passNo);
        if (CheckOutVisit(visitor, QStringLiteral("mnuCheckout_Click"))) {
            RemoveSelectedRow(lstCheckedInList);
        }
    } catch (const std::exception& error) {
        ReportFailure(kCheckOutFailed, QString::fromUtf8(error.what()),
                      QStringLiteral("mnuCheckout_Click"));
    }
}

void frmMain::mnuSearchCheckout_Click() {
    try {
        if (mdlSearchResults->rowCount() == 0) {
            return;
        }
        const QString passNo = SelectedPassNo(lstSearchResults);
        if (passNo.isEmpty()) {
            return;
        }
        Visitor visitor;
        visitor.SetPassNo(passNo);
        // A visit that could not be read would count as still in, and its check-out time would
        // be overwritten: nothing is offered then.
        const Visitor::LoadResult loaded = visitor.ReadVisitor();
        if (loaded != Visitor::LoadResult::Loaded) {
            ReportFailure(kCheckOutFailed,
                          loaded == Visitor::LoadResult::NoSuchVisit
                              ? QString::fromLatin1(Visitor::MissingVisitMessage)
                              : visitor.ErrorMessage(),
                          QStringLiteral("mnuSearchCheckout_Click"));
            return;
        }
        if (visitor.IsVisitorCheckedOut()) {
            MsgBox::Show(this, QStringLiteral("Visitor is already checked-out!"),
                         MsgBox::Buttons::OK, MsgBox::Icon::Information,
                         QStringLiteral("Quorvane Lite"));
            return;
        }
        if (Confirmed(this, QStringLiteral("Are you sure to check-out selected visitor!"),
                      QStringLiteral("Confirm Checkout"))) {
            if (CheckOutVisit(visitor, QStringLiteral("mnuSearchCheckout_Click"))) {
                btnSearch_Click();
            }
        }
    } catch (const std::exception& error) {
        ReportFailure(kCheckOutFailed, QString::fromUtf8(error.what()),
                      QStringLiteral("mnuSearchCheckout_Click"));
    }
}
