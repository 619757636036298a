#include "frmMainSearchFixture.h"

#include "DatabaseWriteLock.h"
#include "SkippedCase.h"
#include "UnchangeableFolder.h"
#include "mainwindow/VisitorListModel.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QMenu>
#include <QTimer>

#include <functional>
#include <optional>
#include <string>

namespace {

class frmMainListsTest : public frmMainSearchTest {
protected:
    QTreeView* CheckedInView() const {
        return Child<QTreeView>(QStringLiteral("lstCheckedInList"));
    }
    VisitorListModel* CheckedIn() const {
        return qobject_cast<VisitorListModel*>(CheckedInView()->model());
    }

    static void ClickHeader(QTreeView* list, int column) {
        QHeaderView* header = list->header();
        QTest::mouseClick(
            header->viewport(), Qt::LeftButton, {},
            QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
    }

    static QPoint RowPoint(QTreeView* list, int row) {
        return list->visualRect(list->model()->index(row, 0)).center();
    }

    // Clicks a row with the button; answers the name of the menu that popped up ("" for none)
    // and closes it.
    static QString ClickRow(QTreeView* list, int row, Qt::MouseButton button) {
        QString popped;
        QTimer::singleShot(0, [&popped] {
            if (QWidget* popup = QApplication::activePopupWidget()) {
                popped = popup->objectName();
                popup->close();
            }
        });
        const QPoint point =
            row < 0 ? QPoint(5, list->viewport()->height() - 5) : RowPoint(list, row);
        QTest::mouseClick(list->viewport(), button, {}, point);
        QApplication::processEvents();
        return popped;
    }

    void Trigger(const char* entry) const { Child<QAction>(QString::fromLatin1(entry))->trigger(); }

    static QString CheckedOutOf(const char* passNo) {
        const auto rows = DBManager().GetRecordSet(
            QStringLiteral("SELECT [CheckedOut] FROM [VisitorRegister] WHERE [PassNo] = ?"),
            {QString::fromLatin1(passNo)});
        return rows && rows->RecordCount() == 1 ? rows->Text(0, 0) : QStringLiteral("<none>");
    }

    void SearchAll() {
        OpenSearchPage();
        Search();
    }
};

void AddSortableVisits() {
    frmMainSearchTest::AddVisits({
        {"9999", "bob", "2024-01-02 09:00:00", "2024-01-02 10:00:00"},
        {"10000", "Alice", "2024-02-01 09:00:00", nullptr},
        {"0002", "carol", "2024-02-01 20:00:00", "2024-02-02 08:00:00"},
    });
}

} // namespace

// The first header click on a column sorts it ascending, each further click turns the order; a
// click on the key column to begin with (the pass number) sorts it descending. Pass numbers sort
// by number and dates by date.
TEST_F(frmMainListsTest, HeaderClicksSortTheSearchList) {
    AddSortableVisits();
    SearchAll();
    const struct {
        int column;
        QStringList order;
    } clicks[] = {
        {0, {QStringLiteral("10000"), QStringLiteral("9999"), QStringLiteral("0002")}},
        {1, {QStringLiteral("10000"), QStringLiteral("9999"), QStringLiteral("0002")}},
        {1, {QStringLiteral("0002"), QStringLiteral("9999"), QStringLiteral("10000")}},
        {1, {QStringLiteral("10000"), QStringLiteral("9999"), QStringLiteral("0002")}},
        {0, {QStringLiteral("0002"), QStringLiteral("9999"), QStringLiteral("10000")}},
        {9, {QStringLiteral("9999"), QStringLiteral("10000"), QStringLiteral("0002")}},
        {9, {QStringLiteral("0002"), QStringLiteral("10000"), QStringLiteral("9999")}},
        // Empty Checked-Out cells come first.
        {10, {QStringLiteral("10000"), QStringLiteral("9999"), QStringLiteral("0002")}},
    };
    int step = 0;
    for (const auto& click : clicks) {
        SCOPED_TRACE(++step);
        ClickHeader(ResultsView(), click.column);
        EXPECT_EQ(ListedPassNumbers(), click.order);
        EXPECT_EQ(ResultsView()->header()->sortIndicatorSection(), click.column);
    }
    // The chosen sort stays for the next search.
    Search();
    EXPECT_EQ(ListedPassNumbers(), clicks[std::size(clicks) - 1].order);
}

TEST_F(frmMainListsTest, HeaderClicksSortTheCheckedInList) {
    AddSortableVisits();
    frmMain& main = OpenWindow();
    main.EnableCheckedInListMode();
    const auto order = [this] {
        QStringList passNumbers;
        for (int row = 0; row < CheckedIn()->rowCount(); ++row) {
            passNumbers.append(CheckedIn()->ItemText(row));
        }
        return passNumbers;
    };
    ASSERT_EQ(order(), QStringList({QStringLiteral("10000")}));
    Execute(QStringLiteral("UPDATE [VisitorRegister] SET [CheckedOut] = NULL"));
    main.EnableCheckedInListMode();
    ClickHeader(CheckedInView(), 5);
    EXPECT_EQ(order(), QStringList({QStringLiteral("9999"), QStringLiteral("10000"),
                                    QStringLiteral("0002")}));
    ClickHeader(CheckedInView(), 5);
    EXPECT_EQ(order(), QStringList({QStringLiteral("0002"), QStringLiteral("10000"),
                                    QStringLiteral("9999")}));
    ClickHeader(CheckedInView(), 0);
    EXPECT_EQ(order(), QStringList({QStringLiteral("0002"), QStringLiteral("9999"),
                                    QStringLiteral("10000")}));
}

// A left click on a row gives the hint, a right click the list's own menu; on an empty list
// neither happens.
TEST_F(frmMainListsTest, HintsAndMenus) {
    AddSortableVisits();
    frmMain& main = OpenSearchPage();
    const QString before = Panel(1);
    EXPECT_EQ(ClickRow(ResultsView(), -1, Qt::RightButton), QString());
    EXPECT_EQ(Panel(1), before);

    Search();
    EXPECT_EQ(ClickRow(ResultsView(), 1, Qt::LeftButton), QString());
    EXPECT_EQ(Panel(1), QStringLiteral("Double click to edit or Right click for more options"));
    EXPECT_EQ(ClickRow(ResultsView(), 0, Qt::RightButton), QStringLiteral("mnuSearchOptions"));
    EXPECT_EQ(Panel(1), QStringLiteral("Choose the option from the menu"));

    main.EnableCheckedInListMode();
    EXPECT_EQ(ClickRow(CheckedInView(), 0, Qt::RightButton), QStringLiteral("mnuOptions"));

    const struct {
        const char* menu;
        QStringList entries;
    } menus[] = {
        {"mnuOptions",
         {QStringLiteral("&Print Pass"), QStringLiteral("&Check Out"), QString(),
          QStringLiteral("&Edit"), QStringLiteral("&Delete")}},
        {"mnuSearchOptions",
         {QStringLiteral("&Print Pass"), QStringLiteral("Check-Out"), QString(),
          QStringLiteral("&Edit"), QStringLiteral("&Delete")}},
    };
    for (const auto& menu : menus) {
        QStringList captions;
        for (const QAction* action : Child<QMenu>(QString::fromLatin1(menu.menu))->actions()) {
            captions.append(action->isSeparator() ? QString() : action->text());
        }
        EXPECT_EQ(captions, menu.entries) << menu.menu;
    }
}

// Each confirmation answered No leaves the list and the record as they were.
TEST_F(frmMainListsTest, AnsweringNoChangesNothing) {
    AddVisits({{"0001", "Ann", "2024-03-04 09:00:00"}, {"0002", "Bob", "2024-03-04 10:00:00"}});
    const struct {
        const char* page;
        const char* entry;
        const char* question;
        const char* title;
    } cases[] = {
        {"search", "mnuSearchDelete", "Are you sure to delete the selected entry!",
         "Confirm Delete"},
        {"search", "mnuSearchCheckout", "Are you sure to check-out selected visitor!",
         "Confirm Checkout"},
        {"checked-in", "mnuDelete", "Are you sure to delete the selected entry!", "Confirm Delete"},
        {"checked-in", "mnuCheckout", "Are you sure to check-out the selected Visitor!",
         "Confirm Checkout"},
    };
    frmMain& main = OpenSearchPage();
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.entry);
        const bool search = QByteArray(entry.page) == "search";
        QTreeView* list = search ? ResultsView() : CheckedInView();
        if (search) {
            main.EnableSearchMode();
            Search();
        } else {
            main.EnableCheckedInListMode();
        }
        ClickRow(list, 1, Qt::LeftButton);
        MsgBox::ClearRecorded();
        MsgBox::QueueAnswer(MsgBox::Result::No);
        Trigger(entry.entry);
        ASSERT_EQ(MsgBox::Recorded().size(), 1U);
        EXPECT_EQ(MsgBox::Recorded().front().text, QString::fromLatin1(entry.question));
        EXPECT_EQ(MsgBox::Recorded().front().title, QString::fromLatin1(entry.title));
        EXPECT_EQ(MsgBox::Recorded().front().icon, MsgBox::Icon::Question);
        EXPECT_EQ(MsgBox::Recorded().front().buttons, MsgBox::Buttons::YesNo);
        EXPECT_EQ(list->model()->rowCount(), 2);
        EXPECT_EQ(CheckedOutOf("0002"), QString());
    }
}

TEST_F(frmMainListsTest, DeleteFromTheSearchListRemovesOnlyThatRow) {
    AddVisits({{"0001", "Ann", "2024-03-04 09:00:00"},
               {"0002", "Bob", "2024-03-04 10:00:00"},
               {"0003", "Cy", "2024-03-04 11:00:00"}});
    SearchAll();
    ClickRow(ResultsView(), 1, Qt::LeftButton);
    Trigger("mnuSearchDelete");
    EXPECT_EQ(ListedPassNumbers(), QStringList({QStringLiteral("0001"), QStringLiteral("0003")}));
    EXPECT_EQ(CheckedOutOf("0002"), QStringLiteral("<none>"));
    EXPECT_EQ(CheckedOutOf("0003"), QString());
}

// Checking out from the search list asks first, then searches again with the same filters; a
// visit already checked out only gets the notice.
TEST_F(frmMainListsTest, CheckOutFromTheSearchList) {
    AddVisits({{"0001", "Ann", "2024-03-04 09:00:00", "2024-03-04 10:00:00"},
               {"0002", "Bob", "2024-03-04 10:00:00"}});
    SearchAll();
    ClickRow(ResultsView(), 0, Qt::LeftButton);
    Trigger("mnuSearchCheckout");
    ASSERT_EQ(MsgBox::Recorded().size(), 1U);
    EXPECT_EQ(MsgBox::Recorded().front().text, QStringLiteral("Visitor is already checked-out!"));
    EXPECT_EQ(MsgBox::Recorded().front().icon, MsgBox::Icon::Information);
    EXPECT_EQ(CheckedOutOf("0001"), QStringLiteral("2024-03-04 10:00:00"));

    SetText("txtSearchName", QStringLiteral("bob"));
    Search();
    ClickRow(ResultsView(), 0, Qt::LeftButton);
    MsgBox::ClearRecorded();
    Trigger("mnuSearchCheckout");
    ASSERT_EQ(MsgBox::Recorded().size(), 1U);
    EXPECT_EQ(MsgBox::Recorded().front().title, QStringLiteral("Confirm Checkout"));
    EXPECT_FALSE(CheckedOutOf("0002").isEmpty());
    ASSERT_EQ(ListedPassNumbers(), QStringList({QStringLiteral("0002")}));
    EXPECT_FALSE(Results()->Text(0, 10).isEmpty()) << "the list was searched again";
    EXPECT_EQ(UserValue("SVName"), QStringLiteral("bob"));
}

TEST_F(frmMainListsTest, CheckOutFromTheCheckedInListRemovesTheRow) {
    AddVisits({{"0001", "Ann", "2024-03-04 09:00:00"}, {"0002", "Bob", "2024-03-04 10:00:00"}});
    frmMain& main = OpenWindow();
    main.EnableCheckedInListMode();
    ClickRow(CheckedInView(), 0, Qt::LeftButton);
    Trigger("mnuCheckout");
    EXPECT_EQ(CheckedIn()->rowCount(), 1);
    EXPECT_EQ(CheckedIn()->ItemText(0), QStringLiteral("0002"));
    EXPECT_FALSE(CheckedOutOf("0001").isEmpty());
}

// A check-out or delete that could not change the visit keeps its row, says what failed and
// writes the log line under the handler's name. The database held by another workstation costs
// the busy timeout once a case, so only two cases take it.
TEST_F(frmMainListsTest, FailedChangesKeepTheRowAndSayWhy) {
    enum class Failure { PhotoKept, DeletedElsewhere, DatabaseHeld };
    const QString photo = folder.Path() + QStringLiteral("/Images/Visitors/0002.jpg");
    const QString deleteFailed = QStringLiteral("An error occured while trying to delete!\r\n");
    const QString checkOutFailed =
        QStringLiteral("An error occured while trying to check-out!\r\n");
    const QString held = QStringLiteral("database is locked");
    const QString gone = QStringLiteral("Record does not exist. It might have been deleted!");
    const QString denied = QStringLiteral("Permission denied: ") + photo;
    const struct {
        bool search;
        const char* entry;
        Failure failure;
        QString message;
        const char* source;
    } cases[] = {
        {false, "mnuDelete", Failure::PhotoKept, deleteFailed + denied, "mnuDelete_Click"},
        {true, "mnuSearchDelete", Failure::PhotoKept, deleteFailed + denied,
         "mnuSearchDelete_Click"},
        {false, "mnuCheckout", Failure::DeletedElsewhere, checkOutFailed + gone,
         "mnuCheckout_Click"},
        {true, "mnuSearchCheckout", Failure::DeletedElsewhere, checkOutFailed + gone,
         "mnuSearchCheckout_Click"},
        {false, "mnuCheckout", Failure::DatabaseHeld, checkOutFailed + held, "mnuCheckout_Click"},
        {false, "mnuDelete", Failure::DatabaseHeld, deleteFailed + held, "mnuDelete_Click"},
    };
    frmMain& main = OpenWindow();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry + std::to_string(static_cast<int>(c.failure)));
        Execute(QStringLiteral("DELETE FROM [VisitorRegister]"));
        AddVisits({{"0001", "Ann", "2024-03-04 09:00:00"}, {"0002", "Bob", "2024-03-04 10:00:00"}});
        folder.WriteFile(QStringLiteral("Images/Visitors/0002.jpg"),
                         QByteArrayLiteral("BM stored still"));
        QTreeView* list = c.search ? ResultsView() : CheckedInView();
        if (c.search) {
            main.EnableSearchMode();
            Search();
        } else {
            main.EnableCheckedInListMode();
        }
        ClickRow(list, 1, Qt::LeftButton);
        ASSERT_EQ(list->model()->index(1, 0).data().toString(), QStringLiteral("0002"));

        std::optional<UnchangeableFolder> photos;
        std::optional<DatabaseWriteLock> lock;
        if (c.failure == Failure::PhotoKept) {
            photos.emplace(QFileInfo(photo).absolutePath());
            if (!photos->IsUnchangeable()) {
                SkipCase(c.entry, "this file system lets the photo folder change");
                continue;
            }
        } else if (c.failure == Failure::DeletedElsewhere) {
            Execute(QStringLiteral("DELETE FROM [VisitorRegister] WHERE [PassNo] = '0002'"));
        } else {
            lock.emplace(folder.DatabaseFile());
        }
        folder.ClearLog();
        MsgBox::ClearRecorded();
        Trigger(c.entry);
        lock.reset();
        photos.reset();

        ExpectChangeFailureShown(c.message, c.source);
        EXPECT_EQ(list->model()->rowCount(), 2);
        EXPECT_EQ(list->model()->index(1, 0).data().toString(), QStringLiteral("0002"));
        if (c.failure != Failure::DeletedElsewhere) {
            EXPECT_EQ(CheckedOutOf("0002"), QString());
            EXPECT_TRUE(QFile::exists(photo));
        }
    }
}

// Without a selected row no entry does anything.
TEST_F(frmMainListsTest, EntriesNeedASelectedRow) {
    AddVisits({{"0001", "Ann", "2024-03-04 09:00:00"}});
    SearchAll();
    for (const char* entry : {"mnuSearchDelete", "mnuSearchCheckout", "mnuSearchEdit",
                              "mnuSearchPrint", "mnuDelete", "mnuCheckout", "mnuEdit"}) {
        Trigger(entry);
        EXPECT_TRUE(MsgBox::Recorded().empty()) << entry;
    }
    EXPECT_EQ(Results()->rowCount(), 1);
    EXPECT_TRUE(Shown(QStringLiteral("fraSearch")));
    EXPECT_EQ(CheckedOutOf("0001"), QString());
}

// A double-click on either list opens the visit for editing.
TEST_F(frmMainListsTest, DoubleClickEdits) {
    AddVisits({{"0001", "Ann", "2024-03-04 09:00:00"}});
    frmMain& main = OpenWindow();
    for (const bool search : {true, false}) {
        SCOPED_TRACE(search);
        QTreeView* list = search ? ResultsView() : CheckedInView();
        if (search) {
            main.EnableSearchMode();
            Search();
        } else {
            main.EnableCheckedInListMode();
        }
        const QPoint point = RowPoint(list, 0);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, point);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, point);
        EXPECT_TRUE(Shown(QStringLiteral("fraMain")));
        EXPECT_TRUE(Shown(QStringLiteral("btnUpdate")));
        EXPECT_EQ(Panel(1), QStringLiteral("Edit checked in visitor"));
        EXPECT_TRUE(MsgBox::Recorded().empty());
    }
}

// Text columns sort ignoring letter case for every letter; equal texts keep their order.
TEST_F(frmMainListsTest, TextSortIgnoresLetterCase) {
    AddVisits({{"0001", "bob", "2024-03-04 09:00:00"},
               {"0002", "ÉMILE", "2024-03-04 09:00:00"},
               {"0003", "ALICE", "2024-03-04 09:00:00"},
               {"0004", "émile", "2024-03-04 09:00:00"},
               {"0005", "alice", "2024-03-04 09:00:00"}});
    SearchAll();
    ClickHeader(ResultsView(), 1);
    EXPECT_EQ(ListedPassNumbers(),
              QStringList({QStringLiteral("0003"), QStringLiteral("0005"), QStringLiteral("0001"),
                           QStringLiteral("0002"), QStringLiteral("0004")}));
    ClickHeader(ResultsView(), 1);
    EXPECT_EQ(ListedPassNumbers(),
              QStringList({QStringLiteral("0002"), QStringLiteral("0004"), QStringLiteral("0001"),
                           QStringLiteral("0003"), QStringLiteral("0005")}));
}
