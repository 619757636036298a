#include "frmMainSearchFixture.h"

#include <QApplication>
#include <QTimer>

namespace {

const QString kTitle = QStringLiteral("Quorvane Lite");

void AddThreeVisits() {
    frmMainSearchTest::AddVisits({
        {"0001", "Ann Lee", "2024-03-04 09:00:00", "2024-03-04 11:30:00"},
        {"0002", "Bob Stone", "2024-03-05 10:00:00"},
        {"0003", "Cy Lee", "2024-03-06 23:59:59", "2024-03-07 00:10:00"},
    });
}

} // namespace

TEST_F(frmMainSearchTest, ListsElevenColumnsInTheirOrder) {
    AddVisits({{"0007", "Ann O'Neil", "2024-02-01 15:04:05", "2024-02-01 16:00:00",
                "ann@acme.example", "Acme", "Vendor"}});
    OpenSearchPage();
    Search();
    const QStringList headers = {QStringLiteral("Pass No."),    QStringLiteral("Visitor Name"),
                                 QStringLiteral("Contact No."), QStringLiteral("Email"),
                                 QStringLiteral("Company"),     QStringLiteral("Visitor Type"),
                                 QStringLiteral("Purpose"),     QStringLiteral("To Meet"),
                                 QStringLiteral("Department"),  QStringLiteral("Checked-In"),
                                 QStringLiteral("Checked-Out")};
    const QStringList cells = {QStringLiteral("0007"),
                               QStringLiteral("Ann O'Neil"),
                               QStringLiteral("555 0101"),
                               QStringLiteral("ann@acme.example"),
                               QStringLiteral("Acme"),
                               QStringLiteral("Vendor"),
                               QStringLiteral("Official"),
                               QStringLiteral("Bob Host"),
                               QStringLiteral("Sales"),
                               QStringLiteral("01-Feb-2024 03:04:05 PM"),
                               QStringLiteral("01-Feb-2024 04:00:00 PM")};
    ASSERT_EQ(Results()->columnCount(), 11);
    ASSERT_EQ(Results()->rowCount(), 1);
    for (int column = 0; column < 11; ++column) {
        EXPECT_EQ(Results()->headerData(column, Qt::Horizontal).toString(), headers.at(column));
        EXPECT_EQ(Results()->Text(0, column), cells.at(column));
        EXPECT_EQ(Results()->index(0, column).data().toString(), cells.at(column));
    }
    EXPECT_TRUE(MsgBox::Recorded().empty());
}

// The Checked-Out cell shows only a check-out later than the check-in; a Null e-mail is an empty
// cell and the visit is still listed.
TEST_F(frmMainSearchTest, CheckedOutCellAndNullCells) {
    AddVisits({
        {"0001", "Later", "2024-03-04 09:00:00", "2024-03-04 09:00:01", nullptr},
        {"0002", "Still in", "2024-03-04 09:00:00", nullptr, nullptr},
        {"0003", "Same time", "2024-03-04 09:00:00", "2024-03-04 09:00:00"},
        {"0004", "Earlier", "2024-03-04 09:00:00", "2024-03-03 18:00:00"},
        {"0005", "Not a date", "2024-03-04 09:00:00", "soon"},
    });
    OpenSearchPage();
    Search();
    ASSERT_EQ(ListedPassNumbers(),
              QStringList({QStringLiteral("0001"), QStringLiteral("0002"), QStringLiteral("0003"),
                           QStringLiteral("0004"), QStringLiteral("0005")}));
    EXPECT_EQ(Results()->Text(0, 10), QStringLiteral("04-Mar-2024 09:00:01 AM"));
    for (int row = 1; row < 5; ++row) {
        EXPECT_EQ(Results()->Text(row, 10), QString()) << row;
    }
    EXPECT_EQ(Results()->Text(0, 3), QString());
    EXPECT_EQ(Results()->Text(1, 3), QString());
    EXPECT_EQ(Results()->Text(1, 1), QStringLiteral("Still in"));
}

// From and To must each be a date that prints back as typed; the range may not be reversed. A
// refused search keeps the earlier rows and the remembered filters.
TEST_F(frmMainSearchTest, DateChecks) {
    AddThreeVisits();
    const struct {
        const char* from;
        const char* to;
        const char* message; // nullptr: the search runs
        const char* focus;
        int rows;
    } cases[] = {
        {"", "", nullptr, nullptr, 3},
        {"5-03-2024", "", "Please enter a valid date in the Date From field!", "txtSearchDateFrom",
         0},
        {"05-3-2024", "", "Please enter a valid date in the Date From field!", "txtSearchDateFrom",
         0},
        {"31-02-2024", "", "Please enter a valid date in the Date From field!", "txtSearchDateFrom",
         0},
        {"", "5-03-2024", "Please enter a valid date in the Date To field!", "txtSearchDateTo", 0},
        {"05-03-2024", "", nullptr, nullptr, 2},
        {"5-3-2024", "5-3-2024", nullptr, nullptr, 1},
        {"", "05-03-2024", nullptr, nullptr, 2},
        {"06-03-2024", "05-03-2024", "Invalid date range!", "txtSearchDateTo", 0},
        {"6-3-2024", "05-03-2024", "Invalid date range!", "txtSearchDateTo", 0},
        {"06-03-2024", "6-3-2024", nullptr, nullptr, 1},
    };
    frmMain& main = OpenSearchPage();
    QApplication::setActiveWindow(&main);
    for (const auto& entry : cases) {
        SCOPED_TRACE(std::string(entry.from) + " .. " + entry.to);
        // Start from a search that lists every visit.
        SetText("txtSearchDateFrom", QString());
        SetText("txtSearchDateTo", QString());
        Search();
        ASSERT_EQ(Results()->rowCount(), 3);
        MsgBox::ClearRecorded();

        SetText("txtSearchDateFrom", QString::fromLatin1(entry.from));
        SetText("txtSearchDateTo", QString::fromLatin1(entry.to));
        Search();
        if (entry.message == nullptr) {
            EXPECT_TRUE(MsgBox::Recorded().empty());
            EXPECT_EQ(Results()->rowCount(), entry.rows);
            EXPECT_EQ(UserValue("SVDtFrom"), QString::fromLatin1(entry.from));
            EXPECT_EQ(UserValue("SVDtTo"), QString::fromLatin1(entry.to));
            continue;
        }
        ASSERT_EQ(MsgBox::Recorded().size(), 1U);
        const MsgBox::Shown& shown = MsgBox::Recorded().front();
        EXPECT_EQ(shown.text, QString::fromLatin1(entry.message));
        EXPECT_EQ(shown.title, kTitle);
        EXPECT_EQ(shown.icon, MsgBox::Icon::Information);
        EXPECT_EQ(shown.buttons, MsgBox::Buttons::OK);
        EXPECT_EQ(Results()->rowCount(), 3) << "the earlier results stay";
        EXPECT_EQ(UserValue("SVDtFrom"), QString()) << "the filters are not saved";
        EXPECT_EQ(QApplication::focusWidget(), Child(QString::fromLatin1(entry.focus)));
    }
}

// Only digits and "-" stay in a date box, whether typed, pasted or set; the caret stays where the
// user put the text in.
TEST_F(frmMainSearchTest, DateBoxesKeepDigitsAndDashes) {
    OpenSearchPage();
    auto* box = Child<QLineEdit>(QStringLiteral("txtSearchDateFrom"));
    box->setText(QStringLiteral("12"));
    box->insert(QStringLiteral("a-0b3"));
    EXPECT_EQ(box->text(), QStringLiteral("12-03"));
    EXPECT_EQ(box->cursorPosition(), 5);

    box->setText(QStringLiteral("1203"));
    box->setCursorPosition(2);
    box->insert(QStringLiteral("x-"));
    EXPECT_EQ(box->text(), QStringLiteral("12-03"));
    EXPECT_EQ(box->cursorPosition(), 3);

    auto* to = Child<QLineEdit>(QStringLiteral("txtSearchDateTo"));
    to->setText(QStringLiteral("01/02 2024"));
    EXPECT_EQ(to->text(), QStringLiteral("01022024"));
    to->clear();
    QTest::keyClicks(to, QStringLiteral("0a5-b0 3-2024!"));
    EXPECT_EQ(to->text(), QStringLiteral("05-03-2024"));
    QTest::keyClick(to, Qt::Key_Backspace);
    EXPECT_EQ(to->text(), QStringLiteral("05-03-202"));
}

// A filter is a contains-pattern of the trimmed text; a box of spaces sets no condition, inner
// spaces stay in the pattern, letter case is ignored for every letter.
TEST_F(frmMainSearchTest, TextFiltersAreContainsPatterns) {
    AddVisits({
        {"0001", "Ann Lee", "2024-03-04 09:00:00"},
        {"0002", "AnnLee", "2024-03-04 09:00:00"},
        {"0003", "Élise Martin", "2024-03-04 09:00:00", nullptr, "", "ACME Ltd", "Vendor"},
        {"0004", "O'Neil", "2024-03-04 09:00:00", nullptr, "", "Ørsted", "Vendor"},
    });
    const struct {
        const char* box;
        const char* text;
        QStringList listed;
    } cases[] = {
        {"txtSearchName",
         "   ",
         {QStringLiteral("0001"), QStringLiteral("0002"), QStringLiteral("0003"),
          QStringLiteral("0004")}},
        {"txtSearchName", "  n l ", {QStringLiteral("0001")}},
        {"txtSearchName", "élise", {QStringLiteral("0003")}},
        {"txtSearchName", "ÉLISE", {QStringLiteral("0003")}},
        {"txtSearchName", "o'neil", {QStringLiteral("0004")}},
        {"txtSearchPassNo", "03", {QStringLiteral("0003")}},
        {"ddSearchCompany",
         "acme",
         {QStringLiteral("0001"), QStringLiteral("0002"), QStringLiteral("0003")}},
        {"ddSearchCompany", "ØRSTED", {QStringLiteral("0004")}},
        {"ddSearchVisitorType", " vendor ", {QStringLiteral("0003"), QStringLiteral("0004")}},
        {"txtSearchToMeet",
         "host",
         {QStringLiteral("0001"), QStringLiteral("0002"), QStringLiteral("0003"),
          QStringLiteral("0004")}},
        {"ddSearchDepartment", "nobody", {}},
    };
    OpenSearchPage();
    for (const auto& entry : cases) {
        SCOPED_TRACE(std::string(entry.box) + " = '" + entry.text + "'");
        Click("btnCancelSearch");
        SetText(entry.box, QString::fromUtf8(entry.text));
        Search();
        EXPECT_EQ(ListedPassNumbers(), entry.listed);
        EXPECT_TRUE(MsgBox::Recorded().empty());
    }
}

// The ten boxes are saved as shown after each search that ran, and come back when the window
// loads; Clear empties them but keeps the rows, and changes nothing remembered.
TEST_F(frmMainSearchTest, FiltersAreSavedAndRestored) {
    AddThreeVisits();
    const std::pair<const char*, const char*> boxes[] = {
        {"txtSearchPassNo", "SVPassNo"},   {"txtSearchName", "SVName"},
        {"txtSearchEmail", "SVEmail"},     {"ddSearchVisitorType", "SVType"},
        {"ddSearchCompany", "SVCompany"},  {"ddSearchPurpose", "SVPurpose"},
        {"ddSearchDepartment", "SVDept"},  {"txtSearchToMeet", "SVToMeet"},
        {"txtSearchDateFrom", "SVDtFrom"}, {"txtSearchDateTo", "SVDtTo"},
    };
    OpenSearchPage();
    for (const auto& [box, key] : boxes) {
        EXPECT_EQ(BoxText(box), QString()) << box;
    }
    int n = 0;
    for (const auto& [box, key] : boxes) {
        SetText(box, QStringLiteral(" %1 ").arg(++n));
    }
    SetText("txtSearchDateFrom", QStringLiteral("01-01-2020"));
    SetText("txtSearchDateTo", QStringLiteral("1-1-2030"));
    for (const auto& [box, key] : boxes) {
        EXPECT_EQ(UserValue(key), QStringLiteral("<absent>")) << "nothing saved before a search";
    }
    Search();
    EXPECT_EQ(Results()->rowCount(), 0);
    n = 0;
    for (const auto& [box, key] : boxes) {
        const QString expected = QString::fromLatin1(key).startsWith(QStringLiteral("SVDt"))
                                     ? BoxText(box)
                                     : QStringLiteral(" %1 ").arg(++n);
        EXPECT_EQ(UserValue(key), expected) << key;
    }

    window.reset();
    OpenSearchPage();
    for (const auto& [box, key] : boxes) {
        EXPECT_EQ(BoxText(box), UserValue(key)) << box;
    }

    Click("btnCancelSearch");
    Search();
    ASSERT_EQ(Results()->rowCount(), 3);
    SetText("txtSearchName", QStringLiteral("Ann"));
    Click("btnCancelSearch");
    for (const auto& [box, key] : boxes) {
        EXPECT_EQ(BoxText(box), QString()) << box;
        EXPECT_EQ(UserValue(key), QString()) << key;
    }
    EXPECT_EQ(Results()->rowCount(), 3) << "Clear keeps the listed rows";
}

TEST_F(frmMainSearchTest, NoMatchListsNothingAndSavesTheFilters) {
    AddThreeVisits();
    OpenSearchPage();
    Search();
    ASSERT_EQ(Results()->rowCount(), 3);
    SetText("txtSearchName", QStringLiteral("nobody"));
    Search();
    EXPECT_EQ(Results()->rowCount(), 0);
    EXPECT_TRUE(MsgBox::Recorded().empty());
    EXPECT_EQ(UserValue("SVName"), QStringLiteral("nobody"));
}

// A failing query lists nothing, shows nothing and leaves one line from the search.
TEST_F(frmMainSearchTest, DatabaseErrorIsLoggedOnly) {
    AddThreeVisits();
    OpenSearchPage();
    Search();
    ASSERT_EQ(Results()->rowCount(), 3);
    Execute(QStringLiteral("DROP TABLE [VisitorRegister]"));
    folder.ClearLog();
    SetText("txtSearchName", QStringLiteral("Ann"));
    Search();
    EXPECT_EQ(Results()->rowCount(), 0);
    EXPECT_TRUE(MsgBox::Recorded().empty());
    EXPECT_EQ(LogLinesFrom(QStringLiteral("btnSearch_Click")).size(), 1);
    EXPECT_EQ(LogLinesFrom(QStringLiteral("GetRecordSet")).size(), 1);
    EXPECT_EQ(UserValue("SVName"), QString());
}

namespace {

// A register whose file was written without the pass number rule, holding the given count of
// good visits and then one without a pass number.
void Run(const QString& statement) {
    ASSERT_TRUE(DBManager().ExecuteNonQuery(statement)) << statement.toStdString();
}

void RegisterWithNullPassNoAfter(int goodRows) {
    Run(QStringLiteral("DROP TABLE [VisitorRegister]"));
    Run(QStringLiteral(
        "CREATE TABLE [VisitorRegister] ([PassNo] TEXT, [Name] TEXT, [Mobile] TEXT, [Email] "
        "TEXT, [VisitorType] TEXT, [Company] TEXT, [Address] TEXT, [Purpose] TEXT, [ToMeet] "
        "TEXT, [Department] TEXT, [Remarks] TEXT, [CheckedIn] TEXT, [CheckedOut] TEXT)"));
    Run(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < "
                       "%1) INSERT INTO [VisitorRegister] ([PassNo], [Name], [CheckedIn]) SELECT "
                       "printf('%04d', i), 'Visitor ' || i, '2024-03-04 09:00:00' FROM n")
            .arg(goodRows));
    Run(QStringLiteral("INSERT INTO [VisitorRegister] ([PassNo], [Name]) VALUES "
                       "(NULL, 'No pass'), ('9999', 'After')"));
}

} // namespace

// A row that cannot be listed ends the listing: the rows before it stay, the filters are not
// saved, and the message depends on how many rows were listed.
TEST_F(frmMainSearchTest, RowErrorMessages) {
    const struct {
        int goodRows;
        const char* message;
        MsgBox::Icon icon;
    } cases[] = {
        {2, "An unknown error occured in the application. Try restarting the application!",
         MsgBox::Icon::Critical},
        {15000, "An unknown error occured in the application. Try restarting the application!",
         MsgBox::Icon::Critical},
        {15001,
         "Your search returned large number of records and only the first 15001 records are "
         "displayed! Please use filters to narrow down your search!",
         MsgBox::Icon::Exclamation},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.goodRows);
        RegisterWithNullPassNoAfter(entry.goodRows);
        OpenSearchPage();
        folder.ClearLog();
        MsgBox::ClearRecorded();
        SetText("txtSearchName", QStringLiteral(" "));
        Search();
        EXPECT_EQ(Results()->rowCount(), entry.goodRows);
        EXPECT_EQ(Results()->ItemText(entry.goodRows - 1),
                  QStringLiteral("%1").arg(entry.goodRows, 4, 10, QLatin1Char('0')));
        ASSERT_EQ(MsgBox::Recorded().size(), 1U);
        EXPECT_EQ(MsgBox::Recorded().front().text, QString::fromLatin1(entry.message));
        EXPECT_EQ(MsgBox::Recorded().front().icon, entry.icon);
        EXPECT_EQ(MsgBox::Recorded().front().title, kTitle);
        EXPECT_EQ(LogLinesFrom(QStringLiteral("btnSearch_Click")).size(), 1);
        EXPECT_EQ(UserValue("SVName"), QStringLiteral("<absent>"));
        window.reset();
    }
}

// A long search shows its first rows before the whole list replaces them.
TEST_F(frmMainSearchTest, LongSearchShowsItsFirstRowsFirst) {
    Execute(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE "
                           "i < 250) INSERT INTO [VisitorRegister] ([PassNo], [Name], [CheckedIn]) "
                           "SELECT printf('%04d', i), 'Visitor ' || i, '2024-03-04 09:00:00' FROM "
                           "n"));
    OpenSearchPage();
    std::vector<int> shown;
    QObject::connect(Results(), &QAbstractItemModel::rowsInserted, Results(),
                     [this, &shown] { shown.push_back(Results()->rowCount()); });
    Search();
    EXPECT_EQ(shown, std::vector<int>({100, 250}));
    EXPECT_EQ(Results()->ItemText(249), QStringLiteral("0250"));
    EXPECT_EQ(UserValue("SVName"), QString());
}

// A close of the window (its close box, the desktop's log-off) that arrives while a long search
// shows its first rows is refused without a question; the search lists every row.
TEST_F(frmMainSearchTest, CloseDuringALongSearchIsRefused) {
    Execute(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE "
                           "i < 250) INSERT INTO [VisitorRegister] ([PassNo], [Name], [CheckedIn]) "
                           "SELECT printf('%04d', i), 'Visitor ' || i, '2024-03-04 09:00:00' FROM "
                           "n"));
    OpenSearchPage();
    bool closed = true;
    QTimer::singleShot(0, window.get(), [this, &closed] { closed = window->close(); });
    Search();
    EXPECT_FALSE(closed);
    EXPECT_TRUE(MsgBox::Recorded().empty());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(Results()->rowCount(), 250);
    // Afterwards the window closes as usual, with its question.
    EXPECT_TRUE(window->close());
    ASSERT_EQ(MsgBox::Recorded().size(), 1U);
    EXPECT_EQ(MsgBox::Recorded().front().text, QStringLiteral("Are you sure to exit!"));
}
