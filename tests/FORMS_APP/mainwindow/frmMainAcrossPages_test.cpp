#include "frmMainDetailsFixture.h"

#include <QDir>
#include <QHeaderView>
#include <QImage>
#include <QTreeView>

#include <algorithm>

namespace {

// The two lists' pop-up menus and double-clicks, and where the details page leads back to.
class frmMainAcrossPagesTest : public frmMainDetailsTest {
protected:
    // 0001 and 0002 still in, 0003 checked out; 0002 has a photo.
    void StoreVisits() {
        StoreVisit(QStringLiteral("0001"), QStringLiteral("Ann Lee"));
        StoreVisit(QStringLiteral("0002"), QStringLiteral("Ann Ode"));
        StoreVisit(QStringLiteral("0003"), QStringLiteral("Bob Stone"),
                   QStringLiteral("2024-03-03 14:05:00"), QStringLiteral("2024-03-03 16:00:00"));
        WriteBitmap(folder.Path() + QStringLiteral("/Images/Visitors/0002.jpg"));
    }

    static void WriteBitmap(const QString& path) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(Qt::red);
        ASSERT_TRUE(image.save(path, "BMP"));
    }

    // The page with the list on it, listing what it lists now.
    QTreeView* ShowList(bool search, const QString& nameFilter = {}) {
        if (search) {
            window->EnableSearchMode();
            Edit("txtSearchName")->setText(nameFilter);
            Click("btnSearch");
        } else {
            window->EnableCheckedInListMode();
        }
        return Child<QTreeView>(search ? QStringLiteral("lstSearchResults")
                                       : QStringLiteral("lstCheckedInList"));
    }

    static int RowOf(const QTreeView* list, const QString& passNo) {
        const QAbstractItemModel* model = list->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            if (model->index(row, 0).data().toString() == passNo) {
                return row;
            }
        }
        ADD_FAILURE() << "no row " << passNo.toStdString();
        return 0;
    }

    static QPoint RowPoint(const QTreeView* list, const QString& passNo) {
        return list->visualRect(list->model()->index(RowOf(list, passNo), 0)).center();
    }

    // Right-clicks the visit's row and picks a menu entry by its underlined letter, as the
    // receptionist does; answers the name of the menu that popped up.
    static QString ChooseFromMenu(QTreeView* list, const QString& passNo, Qt::Key letter) {
        QString popped;
        QTimer::singleShot(0, [&popped, letter] {
            if (QWidget* popup = QApplication::activePopupWidget()) {
                popped = popup->objectName();
                QTest::keyClick(popup, letter);
            }
        });
        QTest::mouseClick(list->viewport(), Qt::RightButton, {}, RowPoint(list, passNo));
        QApplication::processEvents();
        return popped;
    }

    static void DoubleClick(QTreeView* list, const QString& passNo) {
        const QPoint point = RowPoint(list, passNo);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, point);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, point);
    }

    // Opens the visit for editing from the list, by its menu or by a double-click.
    void OpenForEdit(bool search, bool byMenu, const QString& passNo,
                     const QString& nameFilter = {}) {
        QTreeView* list = ShowList(search, nameFilter);
        if (byMenu) {
            EXPECT_EQ(ChooseFromMenu(list, passNo, Qt::Key_E),
                      search ? QStringLiteral("mnuSearchOptions") : QStringLiteral("mnuOptions"));
        } else {
            DoubleClick(list, passNo);
        }
    }

    bool PhotoShown() const {
        const auto* image = Child<QLabel>(QStringLiteral("imgVImagePreview"));
        return !image->isHidden() && !image->pixmap().isNull() &&
               image->pixmap().toImage().pixelColor(1, 1) == QColor(Qt::red);
    }

    // The listed pass numbers in order, with the given column of each.
    QList<QStringList> Listed(const char* list, int column) const {
        QList<QStringList> listed;
        for (const QStringList& row : Rows(list)) {
            listed.append({row.value(0), row.value(column)});
        }
        std::sort(listed.begin(), listed.end());
        return listed;
    }
};

const char* ListName(bool search) {
    return search ? "lstSearchResults" : "lstCheckedInList";
}

} // namespace

// Edit in either menu and a double-click on either list load the visit into the details page in
// edit mode, with its photo; Cancel then leads back to the list it came from.
TEST_F(frmMainAcrossPagesTest, EditAndDoubleClickLoadTheVisitIntoTheDetailsPage) {
    StoreVisits();
    OpenWindow();
    const struct {
        bool search;
        bool byMenu;
    } cases[] = {{false, true}, {true, true}, {false, false}, {true, false}};
    for (const auto& entry : cases) {
        SCOPED_TRACE(std::string(ListName(entry.search)) + (entry.byMenu ? " menu" : " dbl"));
        MsgBox::ClearRecorded();
        OpenForEdit(entry.search, entry.byMenu, QStringLiteral("0002"));
        EXPECT_TRUE(Messages().isEmpty()) << Messages().join(u'|').toStdString();
        EXPECT_TRUE(Shown(QStringLiteral("fraMain")));
        EXPECT_FALSE(Shown(QStringLiteral("fraSearch")));
        EXPECT_FALSE(Shown(QStringLiteral("fraCheckedInList")));
        EXPECT_EQ(Panel(1), QStringLiteral("Edit checked in visitor"));
        for (const char* button : {"btnUpdate", "btnCheckOut", "btnDelete", "btnCancel"}) {
            EXPECT_TRUE(Shown(QString::fromLatin1(button))) << button;
        }
        EXPECT_FALSE(Shown(QStringLiteral("btnCheckIn")));
        EXPECT_EQ(Edit("txtPassNo")->text(), QStringLiteral("0002"));
        EXPECT_EQ(Edit("txtName")->text(), QStringLiteral("Ann Ode"));
        EXPECT_EQ(Edit("txtMobileNo")->text(), QStringLiteral("12345"));
        EXPECT_EQ(Combo("ddCompany")->currentText(), QStringLiteral("Acme"));
        EXPECT_EQ(Memo("txtAddress")->Text(), QStringLiteral("Street 1"));
        EXPECT_EQ(Edit("txtToMeet")->text(), QStringLiteral("Bob Smith"));
        EXPECT_EQ(Memo("txtRemarks")->Text(), QStringLiteral("None"));
        EXPECT_TRUE(PhotoShown());
        EXPECT_FALSE(Shown(QStringLiteral("fraWebCamControlContainer")));

        Click("btnCancel");
        EXPECT_EQ(Shown(QStringLiteral("fraSearch")), entry.search);
        EXPECT_EQ(Shown(QStringLiteral("fraCheckedInList")), !entry.search);
    }
}

// A visit without a photo, opened after one with, shows no stale photo; a checked-out visit from
// the search list opens with only Delete and Cancel.
TEST_F(frmMainAcrossPagesTest, EachEditShowsItsOwnVisit) {
    StoreVisits();
    OpenWindow();
    const struct {
        const char* passNo;
        const char* name;
        bool photo;
        bool checkedOut;
    } cases[] = {{"0002", "Ann Ode", true, false},
                 {"0001", "Ann Lee", false, false},
                 {"0003", "Bob Stone", false, true}};
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.passNo);
        OpenForEdit(true, true, QString::fromLatin1(entry.passNo));
        EXPECT_EQ(Edit("txtPassNo")->text(), QString::fromLatin1(entry.passNo));
        EXPECT_EQ(Edit("txtName")->text(), QString::fromLatin1(entry.name));
        EXPECT_EQ(PhotoShown(), entry.photo);
        EXPECT_EQ(Shown(QStringLiteral("btnUpdate")), !entry.checkedOut);
        EXPECT_EQ(Shown(QStringLiteral("btnCheckOut")), !entry.checkedOut);
        EXPECT_TRUE(Shown(QStringLiteral("btnDelete")));
    }
}

// Print Pass in either menu prints the pass of the row clicked, not of another; a checked-out
// visit from the search list is refused.
TEST_F(frmMainAcrossPagesTest, PrintPassPrintsThatVisitsPass) {
    StoreVisits();
    OpenWindow();
    ClosePassWindows();
    const struct {
        bool search;
        const char* passNo;
        const char* printed; // nullptr: refused
        const char* notPrinted;
    } cases[] = {
        {false, "0002", "Ann Ode", "Ann Lee"}, {false, "0001", "Ann Lee", "Ann Ode"},
        {true, "0002", "Ann Ode", "Ann Lee"},  {true, "0001", "Ann Lee", "Ann Ode"},
        {true, "0003", nullptr, nullptr},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(std::string(ListName(entry.search)) + ' ' + entry.passNo);
        MsgBox::ClearRecorded();
        QFile::remove(PdfPath());
        passNumbersShown.clear();
        QTreeView* list = ShowList(entry.search);
        ChooseFromMenu(list, QString::fromLatin1(entry.passNo), Qt::Key_P);
        if (entry.printed == nullptr) {
            EXPECT_EQ(Messages(),
                      QStringList{QStringLiteral(
                          "This Visitor is already checked-out. Pass cannot be printed!")});
            EXPECT_FALSE(QFile::exists(PdfPath()));
            EXPECT_TRUE(passNumbersShown.isEmpty());
            continue;
        }
        EXPECT_TRUE(Messages().isEmpty()) << Messages().join(u'|').toStdString();
        EXPECT_EQ(passNumbersShown, QStringList{QString::fromLatin1(entry.passNo)});
        const QString pdf = PdfText();
        EXPECT_TRUE(pdf.contains(QString::fromLatin1(entry.printed))) << pdf.toStdString();
        EXPECT_TRUE(pdf.contains(QString::fromLatin1(entry.passNo))) << pdf.toStdString();
        EXPECT_FALSE(pdf.contains(QString::fromLatin1(entry.notPrinted))) << pdf.toStdString();
        // The list stays where it was.
        EXPECT_EQ(Shown(QStringLiteral("fraSearch")), entry.search);
        EXPECT_EQ(Shown(QStringLiteral("fraCheckedInList")), !entry.search);
    }
}

// Update, Check-Out and Delete of a visit opened from a list lead back to that list read afresh:
// the search list by the filters in its boxes, so a visit another workstation added meanwhile
// shows up and one that no longer matches drops out.
TEST_F(frmMainAcrossPagesTest, ChangesLeadBackToTheirListRefreshed) {
    const struct {
        bool search;
        const char* button;
        const char* passNo;
        const char* newName; // nullptr: the name is kept
        QList<QStringList> listed;
    } cases[] = {
        {true,
         "btnUpdate",
         "0001",
         "Ann Lee-Smith",
         {{"0001", "Ann Lee-Smith"}, {"0002", "Ann Ode"}, {"0009", "Anna New"}}},
        {true, "btnUpdate", "0002", "Zed Ode", {{"0001", "Ann Lee"}, {"0009", "Anna New"}}},
        {true,
         "btnCheckOut",
         "0002",
         nullptr,
         {{"0001", "Ann Lee"}, {"0002", "Ann Ode"}, {"0009", "Anna New"}}},
        {true, "btnDelete", "0001", nullptr, {{"0002", "Ann Ode"}, {"0009", "Anna New"}}},
        {false,
         "btnUpdate",
         "0001",
         "Ann Lee-Smith",
         {{"0001", "Ann Lee-Smith"}, {"0002", "Ann Ode"}, {"0009", "Anna New"}}},
        {false, "btnCheckOut", "0002", nullptr, {{"0001", "Ann Lee"}, {"0009", "Anna New"}}},
        {false, "btnDelete", "0001", nullptr, {{"0002", "Ann Ode"}, {"0009", "Anna New"}}},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(std::string(ListName(entry.search)) + ' ' + entry.button + ' ' + entry.passNo);
        Execute(QStringLiteral("DELETE FROM [VisitorRegister]"));
        StoreVisits();
        OpenWindow();
        MsgBox::ClearRecorded();
        OpenForEdit(entry.search, true, QString::fromLatin1(entry.passNo), QStringLiteral("ann"));
        ASSERT_TRUE(Shown(QStringLiteral("fraMain")));
        StoreVisit(QStringLiteral("0009"), QStringLiteral("Anna New"));
        if (entry.newName != nullptr) {
            Edit("txtName")->setText(QString::fromLatin1(entry.newName));
        }
        if (QByteArray(entry.button) == "btnDelete") {
            MsgBox::QueueAnswer(MsgBox::Result::Yes);
        }
        Click(entry.button);

        EXPECT_EQ(Shown(QStringLiteral("fraSearch")), entry.search);
        EXPECT_EQ(Shown(QStringLiteral("fraCheckedInList")), !entry.search);
        EXPECT_FALSE(Shown(QStringLiteral("fraMain")));
        EXPECT_EQ(Listed(ListName(entry.search), 1), entry.listed);
        if (entry.search) {
            EXPECT_EQ(Edit("txtSearchName")->text(), QStringLiteral("ann"));
            const bool checkOut = QByteArray(entry.button) == "btnCheckOut";
            for (const QStringList& row : Listed("lstSearchResults", 10)) {
                EXPECT_EQ(row.at(1).isEmpty(),
                          !(checkOut && row.at(0) == QString::fromLatin1(entry.passNo)))
                    << row.at(0).toStdString() << " checked out " << row.at(1).toStdString();
            }
        }
        EXPECT_EQ(VisitStored(QString::fromLatin1(entry.passNo)),
                  QByteArray(entry.button) != "btnDelete");
        window.reset();
    }
}

// After a header click has turned a list's order, the menus still act on the row clicked.
TEST_F(frmMainAcrossPagesTest, SortedListsActOnTheRowClicked) {
    StoreVisits();
    OpenWindow();
    ClosePassWindows();
    for (const bool search : {true, false}) {
        SCOPED_TRACE(ListName(search));
        QTreeView* list = ShowList(search);
        // The first click on the pass number sorts it descending.
        QHeaderView* header = list->header();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(0) + 5, header->height() / 2));
        ASSERT_EQ(list->model()->index(0, 0).data().toString(),
                  search ? QStringLiteral("0003") : QStringLiteral("0002"));

        passNumbersShown.clear();
        ChooseFromMenu(list, QStringLiteral("0001"), Qt::Key_P);
        EXPECT_EQ(passNumbersShown, QStringList{QStringLiteral("0001")});
        EXPECT_TRUE(PdfText().contains(QStringLiteral("Ann Lee")));

        ChooseFromMenu(list, QStringLiteral("0001"), Qt::Key_E);
        EXPECT_EQ(Edit("txtPassNo")->text(), QStringLiteral("0001"));
        EXPECT_EQ(Edit("txtName")->text(), QStringLiteral("Ann Lee"));
        Click("btnCancel");
    }
}
