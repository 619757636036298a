#include "frmMainFixture.h"

#include "mainwindow/VisitorListModel.h"

#include <QLocale>
#include <QTreeView>

namespace {

class frmMainCheckedInListTest : public frmMainTest {
protected:
    VisitorListModel* List() const {
        return qobject_cast<VisitorListModel*>(
            Child<QTreeView>(QStringLiteral("lstCheckedInList"))->model());
    }
};

} // namespace

TEST_F(frmMainCheckedInListTest, ColumnsAreTheListedOnes) {
    OpenWindow();
    const QStringList headers = {QStringLiteral("Pass No."),   QStringLiteral("Visitor Name"),
                                 QStringLiteral("Company"),    QStringLiteral("To Meet"),
                                 QStringLiteral("Department"), QStringLiteral("Checked-In")};
    ASSERT_EQ(List()->columnCount(), headers.size());
    for (int column = 0; column < headers.size(); ++column) {
        EXPECT_EQ(List()->headerData(column, Qt::Horizontal).toString(), headers.at(column));
    }
}

TEST_F(frmMainCheckedInListTest, NoVisitorGivesAnEmptyList) {
    frmMain& main = OpenWindow();
    main.EnableCheckedInListMode();
    EXPECT_TRUE(Shown(QStringLiteral("fraCheckedInList")));
    EXPECT_EQ(List()->rowCount(), 0);
    EXPECT_EQ(Panel(1), QStringLiteral("View the list of all checked-in visitors"));
    EXPECT_TRUE(MsgBox::Recorded().empty());
}

// Only visits without a check-out are listed, with their cells in the list's column order and the
// check-in time in English whatever the locale.
TEST_F(frmMainCheckedInListTest, ListsOpenVisitsWithEnglishDates) {
    Execute(QStringLiteral(
        "INSERT INTO [VisitorRegister] ([PassNo], [Name], [Mobile], [Email], [VisitorType], "
        "[Company], [Address], [Purpose], [ToMeet], [Department], [Remarks], [CheckedIn], "
        "[CheckedOut]) VALUES "
        "('0001', 'Ann O''Neil', '555', 'a@b.example', 'General', 'Acme', 'Street', 'Official', "
        "'Bob', 'Sales', 'none', '2024-02-01 15:04:05', NULL), "
        "('0002', 'Gone', '', '', 'General', 'X', '', 'Personal', 'Y', 'Z', '', "
        "'2024-02-01 09:00:00', '2024-02-01 10:00:00'), "
        "('0003', 'Early', '', '', 'Vendor', 'Co', '', 'Official', 'Cy', 'IT', '', "
        "'2024-03-07 00:30:00', NULL)"));
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    frmMain& main = OpenWindow();
    main.EnableCheckedInListMode();
    QLocale::setDefault(previous);

    ASSERT_EQ(List()->rowCount(), 2);
    const QStringList first = {QStringLiteral("0001"),  QStringLiteral("Ann O'Neil"),
                               QStringLiteral("Acme"),  QStringLiteral("Bob"),
                               QStringLiteral("Sales"), QStringLiteral("01-Feb-2024 03:04:05 PM")};
    const QStringList second = {QStringLiteral("0003"), QStringLiteral("Early"),
                                QStringLiteral("Co"),   QStringLiteral("Cy"),
                                QStringLiteral("IT"),   QStringLiteral("07-Mar-2024 12:30:00 AM")};
    for (int column = 0; column < 6; ++column) {
        EXPECT_EQ(List()->Text(0, column), first.at(column));
        EXPECT_EQ(List()->Text(1, column), second.at(column));
    }
}

TEST_F(frmMainCheckedInListTest, ListsAtMostFifteenThousandRowsSilently) {
    CheckInVisitors(15001, QStringLiteral("2024-02-01 15:04:05"));
    frmMain& main = OpenWindow();
    main.EnableCheckedInListMode();
    EXPECT_EQ(List()->rowCount(), 15000);
    EXPECT_TRUE(MsgBox::Recorded().empty());
    EXPECT_TRUE(LogLinesFrom(QStringLiteral("EnableCheckedInListMode")).isEmpty());
}

TEST_F(frmMainCheckedInListTest, EachEntryReadsTheListAfresh) {
    frmMain& main = OpenWindow();
    CheckInVisitors(3, QStringLiteral("2024-02-01 15:04:05"));
    main.EnableCheckedInListMode();
    EXPECT_EQ(List()->rowCount(), 3);
    Execute(QStringLiteral("UPDATE [VisitorRegister] SET [CheckedOut] = '2024-02-01 16:00:00' "
                           "WHERE [PassNo] = '0002'"));
    main.EnableNewMode();
    main.EnableCheckedInListMode();
    ASSERT_EQ(List()->rowCount(), 2);
    EXPECT_EQ(List()->ItemText(0), QStringLiteral("0001"));
    EXPECT_EQ(List()->ItemText(1), QStringLiteral("0003"));
}

// A failing query keeps the page that was shown, writes one line and shows nothing.
TEST_F(frmMainCheckedInListTest, DatabaseErrorKeepsThePreviousPage) {
    frmMain& main = OpenWindow();
    main.EnableSearchMode();
    Execute(QStringLiteral("DROP TABLE [VisitorRegister]"));
    folder.ClearLog();

    main.EnableCheckedInListMode();

    EXPECT_TRUE(Shown(QStringLiteral("fraSearch")));
    EXPECT_FALSE(Shown(QStringLiteral("fraCheckedInList")));
    EXPECT_EQ(Panel(1), QStringLiteral("Search for Visitors with available filters"));
    EXPECT_TRUE(MsgBox::Recorded().empty());
    const QStringList lines = LogLinesFrom(QStringLiteral("EnableCheckedInListMode"));
    ASSERT_EQ(lines.size(), 1);
    EXPECT_FALSE(lines.first().section(u'\t', 2, 2).isEmpty());
    EXPECT_TRUE(lines.first().section(u'\t', 3).isEmpty());
}

// A failure while the rows are added keeps the rows added so far; here the table lacks the
// check-in column, so the first row gets its cells up to that column and then the reading stops.
TEST_F(frmMainCheckedInListTest, FailureWhileAddingKeepsTheRowsAddedSoFar) {
    frmMain& main = OpenWindow();
    main.EnableSearchMode();
    Execute(QStringLiteral("DROP TABLE [VisitorRegister]"));
    Execute(QStringLiteral("CREATE TABLE [VisitorRegister] ([PassNo], [Name], [Mobile], [Email], "
                           "[VisitorType], [Company], [Address], [Purpose], [ToMeet], "
                           "[Department], [CheckedOut])"));
    Execute(QStringLiteral("INSERT INTO [VisitorRegister] ([PassNo], [Name], [Company], [ToMeet], "
                           "[Department]) VALUES ('0007', 'Ann', 'Acme', 'Bob', 'Sales'), "
                           "('0008', 'Cy', 'Co', 'Di', 'IT')"));
    folder.ClearLog();

    main.EnableCheckedInListMode();

    ASSERT_EQ(List()->rowCount(), 1);
    const QStringList cells = {QStringLiteral("0007"),  QStringLiteral("Ann"),
                               QStringLiteral("Acme"),  QStringLiteral("Bob"),
                               QStringLiteral("Sales"), QString()};
    for (int column = 0; column < 6; ++column) {
        EXPECT_EQ(List()->Text(0, column), cells.at(column)) << column;
    }
    EXPECT_TRUE(Shown(QStringLiteral("fraSearch")));
    EXPECT_TRUE(MsgBox::Recorded().empty());
    EXPECT_EQ(LogLinesFrom(QStringLiteral("EnableCheckedInListMode")).size(), 1);
}
