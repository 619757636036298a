#include "frmMainFixture.h"

#include "WindowWait.h"
#include "mainwindow/LinkLabel.h"
#include "mainwindow/QVButton.h"
#include "mainwindow/VisitorListModel.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSet>
#include <QTest>
#include <QTreeView>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

const QRect kVisitorPlace(253, 194, 528, 235);  // 3795, 2910, 7920, 3525 twips
const QRect kEmployeePlace(236, 385, 528, 235); // 3540, 5780, 7920, 3525 twips

const QString kVisitorHint = QStringLiteral("Search for visitor from the previous list.");
const QString kEmployeeHint = QStringLiteral("Search for employee from previous list");
const QString kListedHint = QStringLiteral("Double click the item to select");

struct Visit {
    const char* name;
    const char* company;
    const char* toMeet;
    const char* department;
};

// Pairs repeat, and some have one or both values empty.
const Visit kVisits[] = {
    {"Ann Lee", "Acme", "Bob Smith", "Sales"},
    {"Ann Lee", "Acme", "Bob Smith", "Sales"},
    {"Ann Lee", "Globex", "Eve Novak", "HR"},
    {"Pat O'Neil", "O'Neil's Bakery", "Bob Smith", "Sales"},
    {"Jörg Ärzte", "Ärztekammer", "Bob Smith", "Sales"},
    {"Bob", "", "", "Facilities"},
    {"", "Initech", "Tara Singh", ""},
    {"", "", "", ""},
};

using Rows = std::vector<std::pair<std::string, std::string>>;

class frmMainQuickPickTest : public frmMainTest {
protected:
    static void AddVisits() {
        int passNo = 1;
        for (const Visit& visit : kVisits) {
            DBManager database;
            ASSERT_TRUE(database.ExecuteNonQuery(
                QStringLiteral("INSERT INTO [VisitorRegister] ([PassNo], [Name], [Company], "
                               "[ToMeet], [Department]) VALUES (?, ?, ?, ?, ?)"),
                {QString::number(passNo++).rightJustified(4, u'0'), QString::fromUtf8(visit.name),
                 QString::fromUtf8(visit.company), QString::fromUtf8(visit.toMeet),
                 QString::fromUtf8(visit.department)}));
        }
    }

    // Distinct pairs, first column "pair" numbered so that order is easy to see, checked in one
    // a second from 9:00; the empty pair, when asked for, is the earliest visit of all. The times
    // are given, not taken from the clock: the look-up reads the pairs in check-in order.
    static void AddPairs(int count, bool withEmptyPair) {
        Execute(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                               "WHERE i < %1) INSERT INTO [VisitorRegister] ([PassNo], [Name], "
                               "[Company], [CheckedIn]) SELECT printf('%05d', i), "
                               "printf('Visitor %05d', i), 'Company', "
                               "datetime('2024-03-04 09:00:00', '+' || i || ' seconds') FROM n")
                    .arg(count));
        if (withEmptyPair) {
            Execute(QStringLiteral("INSERT INTO [VisitorRegister] ([PassNo], [Name], [Company], "
                                   "[CheckedIn]) VALUES ('99999', '', '', '2024-03-04 08:00:00')"));
        }
    }

    QGroupBox* Panel() const { return Child<QGroupBox>(QStringLiteral("fraSimpleSearch")); }
    QLineEdit* Box(const char* name) const { return Child<QLineEdit>(QString::fromLatin1(name)); }
    QTreeView* Grid() const { return Child<QTreeView>(QStringLiteral("lstQuickGrid")); }
    QAbstractItemModel* GridModel() const { return Grid()->model(); }

    void F2(const char* box) const { QTest::keyClick(Box(box), Qt::Key_F2); }
    void Press(const char* button) const { Child<QVButton>(QString::fromLatin1(button))->Click(); }
    void ClickIcon(const char* icon) const { Child<LinkLabel>(QString::fromLatin1(icon))->Click(); }
    void Search(const QString& first = {}, const QString& second = {}) const {
        Box("txtFraName")->setText(first);
        Box("txtFraCompany")->setText(second);
        Press("btnQuickSearch");
    }

    Rows GridRows() const {
        Rows rows;
        for (int row = 0; row < GridModel()->rowCount(); ++row) {
            rows.emplace_back(GridModel()->index(row, 0).data().toString().toStdString(),
                              GridModel()->index(row, 1).data().toString().toStdString());
        }
        return rows;
    }
    static Rows Sorted(Rows rows) {
        std::sort(rows.begin(), rows.end());
        return rows;
    }

    QStringList Headers() const {
        return {GridModel()->headerData(0, Qt::Horizontal).toString(),
                GridModel()->headerData(1, Qt::Horizontal).toString()};
    }
    QStringList Captions() const {
        return {Child<QLabel>(QStringLiteral("lblfraName"))->text(),
                Child<QLabel>(QStringLiteral("lblfraCompany"))->text()};
    }

    void DoubleClickRow(int row) const {
        const QModelIndex index = GridModel()->index(row, 0);
        Grid()->scrollTo(index);
        const QPoint at = Grid()->visualRect(index).center();
        // A double click is a press and release followed by a second press and release.
        QTest::mouseClick(Grid()->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseDClick(Grid()->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }
    int RowOf(const char* first) const {
        for (int row = 0; row < GridModel()->rowCount(); ++row) {
            if (GridModel()->index(row, 0).data().toString() == QString::fromUtf8(first)) {
                return row;
            }
        }
        ADD_FAILURE() << "no row " << first;
        return -1;
    }
    void ClickHeader(int column) const {
        QHeaderView* header = Grid()->header();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(header->sectionViewportPosition(column) + 10, 5));
    }
};

TEST_F(frmMainQuickPickTest, IconsBesideTheNameAndToMeetBoxes) {
    OpenWindow();
    EXPECT_TRUE(Panel()->isHidden());
    EXPECT_EQ(Panel()->title(), QStringLiteral("Quick Pick"));
    for (const auto& [icon, box] :
         {std::pair{"imgHelpVisitor", "txtName"}, std::pair{"imgHelpEmployee", "txtToMeet"}}) {
        SCOPED_TRACE(icon);
        const auto* picture = Child<LinkLabel>(QString::fromLatin1(icon));
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(picture->size(), QSize(18, 18));
        EXPECT_EQ(picture->pixmap().size(), QSize(18, 18));
        EXPECT_EQ(picture->toolTip(), QStringLiteral("Click to search database"));
        EXPECT_EQ(picture->cursor().shape(), Qt::PointingHandCursor);
        const QRect beside = Box(box)->geometry();
        EXPECT_EQ(picture->parentWidget(), Box(box)->parentWidget());
        EXPECT_GT(picture->x(), beside.right());
        EXPECT_LT(picture->x(), beside.right() + 8);
        EXPECT_TRUE(Child("fraMain")->rect().contains(picture->geometry()));
    }
}

TEST_F(frmMainQuickPickTest, PanelControlsStandWhereTheyAreDrawn) {
    OpenWindow();
    const struct {
        const char* name;
        QRect place; // in the panel
        const char* caption;
    } controls[] = {
        {"Label10", {2, 9, 524, 30}, nullptr},
        {"btnHide", {502, 13, 21, 22}, "X"},
        {"txtFraName", {7, 42, 255, 21}, nullptr},
        {"txtFraCompany", {266, 42, 255, 21}, nullptr},
        {"btnQuickSearch", {336, 64, 91, 26}, "Search"},
        {"btnQuickSearchClear", {431, 64, 91, 26}, "Clear"},
        {"lstQuickGrid", {8, 92, 512, 136}, nullptr},
    };
    for (const auto& control : controls) {
        SCOPED_TRACE(control.name);
        QWidget* widget = Child(QString::fromLatin1(control.name));
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->parentWidget(), Panel());
        EXPECT_EQ(widget->geometry(), control.place);
        if (control.caption != nullptr) {
            EXPECT_EQ(qobject_cast<QVButton*>(widget)->Caption(),
                      QString::fromLatin1(control.caption));
        }
    }
    const QColor panel = Panel()->palette().color(QPalette::Window);
    EXPECT_EQ(panel, QColor(0xE0, 0xE0, 0xE0));
    EXPECT_EQ(Child<QLabel>(QStringLiteral("Label10"))->palette().color(QPalette::Window),
              QColor(Qt::black));
    const auto* caption = Child<QLabel>(QStringLiteral("lblfraName"));
    EXPECT_TRUE(caption->font().bold());
    EXPECT_EQ(caption->font().pointSize(), 9);
    EXPECT_EQ(caption->pos(), QPoint(7, 18));
    EXPECT_EQ(Child<QLabel>(QStringLiteral("lblfraCompany"))->pos(), QPoint(265, 18));
    // Tab order inside the panel.
    const char* order[] = {"txtFraName",          "txtFraCompany", "btnQuickSearch",
                           "btnQuickSearchClear", "lstQuickGrid",  "btnHide"};
    for (std::size_t index = 1; index < std::size(order); ++index) {
        QWidget* next = Child(QString::fromLatin1(order[index - 1]))->nextInFocusChain();
        while (next != nullptr && next->focusPolicy() == Qt::NoFocus) {
            next = next->nextInFocusChain();
        }
        EXPECT_EQ(next, Child(QString::fromLatin1(order[index]))) << order[index - 1];
    }
}

TEST_F(frmMainQuickPickTest, OpensSwitchesAndClosesByBoxAndIcon) {
    OpenWindow();
    const struct {
        const char* what;
        std::function<void()> act;
        bool shown;
        QRect place;
        QStringList labels;
        QString hint;
    } steps[] = {
        {"F2 in the name box opens the visitor mode",
         [this] { F2("txtName"); },
         true,
         kVisitorPlace,
         {"Visitor Name", "Company"},
         kVisitorHint},
        {"F2 again in the same box closes it",
         [this] { F2("txtName"); },
         false,
         kVisitorPlace,
         {"Visitor Name", "Company"},
         kVisitorHint},
        {"F2 with a shift state opens it",
         [this] { QTest::keyClick(Box("txtName"), Qt::Key_F2, Qt::ShiftModifier); },
         true,
         kVisitorPlace,
         {"Visitor Name", "Company"},
         kVisitorHint},
        {"F2 in the to-meet box switches mode and place",
         [this] { F2("txtToMeet"); },
         true,
         kEmployeePlace,
         {"Employee Name", "Department"},
         kEmployeeHint},
        {"the employee icon closes the employee mode",
         [this] { ClickIcon("imgHelpEmployee"); },
         false,
         kEmployeePlace,
         {"Employee Name", "Department"},
         kEmployeeHint},
        {"the visitor icon opens the visitor mode",
         [this] { ClickIcon("imgHelpVisitor"); },
         true,
         kVisitorPlace,
         {"Visitor Name", "Company"},
         kVisitorHint},
        {"the employee icon switches an open panel",
         [this] { ClickIcon("imgHelpEmployee"); },
         true,
         kEmployeePlace,
         {"Employee Name", "Department"},
         kEmployeeHint},
        {"X closes it on the new-visitor screen",
         [this] { Press("btnHide"); },
         false,
         kEmployeePlace,
         {"Employee Name", "Department"},
         QStringLiteral("Click Check-In to check-in a visitor")},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        EXPECT_EQ(!Panel()->isHidden(), step.shown);
        EXPECT_EQ(Panel()->geometry(), step.place);
        EXPECT_EQ(Captions(), step.labels);
        EXPECT_EQ(Headers(), step.labels);
        EXPECT_EQ(frmMainTest::Panel(1), step.hint);
    }
}

TEST_F(frmMainQuickPickTest, EveryOpeningStartsEmptyAndXKeepsTheRows) {
    AddVisits();
    OpenWindow();
    ClickIcon("imgHelpVisitor");
    Search(QStringLiteral("Ann"));
    const Rows listed = GridRows();
    ASSERT_EQ(listed.size(), 2U);

    // Switching mode clears filters and grid.
    Box("txtFraCompany")->setText(QStringLiteral("Acme"));
    F2("txtToMeet");
    EXPECT_TRUE(Box("txtFraName")->text().isEmpty());
    EXPECT_TRUE(Box("txtFraCompany")->text().isEmpty());
    EXPECT_EQ(GridModel()->rowCount(), 0);

    Search();
    const Rows employees = GridRows();
    ASSERT_FALSE(employees.empty());
    Box("txtFraName")->setText(QStringLiteral("typed"));
    Press("btnHide");
    EXPECT_TRUE(Panel()->isHidden());
    EXPECT_TRUE(Box("txtFraName")->text().isEmpty());
    EXPECT_EQ(GridRows(), employees) << "X keeps the rows";

    ClickIcon("imgHelpEmployee");
    EXPECT_FALSE(Panel()->isHidden());
    EXPECT_EQ(GridModel()->rowCount(), 0) << "the next opening clears them";

    // Clear empties both filters and the grid, and the panel stays.
    Search(QStringLiteral("Bob"), QStringLiteral("Sal"));
    ASSERT_EQ(GridModel()->rowCount(), 1);
    Press("btnQuickSearchClear");
    EXPECT_FALSE(Panel()->isHidden());
    EXPECT_TRUE(Box("txtFraName")->text().isEmpty());
    EXPECT_TRUE(Box("txtFraCompany")->text().isEmpty());
    EXPECT_EQ(GridModel()->rowCount(), 0);
}

TEST_F(frmMainQuickPickTest, ListsDistinctPairsMatchingBothFilters) {
    AddVisits();
    OpenWindow();
    const struct {
        const char* opener;
        const char* first;
        const char* second;
        Rows rows;
    } cases[] = {
        // Every pair but the one with both values empty.
        {"imgHelpVisitor",
         "",
         "",
         {{"", "Initech"},
          {"Ann Lee", "Acme"},
          {"Ann Lee", "Globex"},
          {"Bob", ""},
          {"Jörg Ärzte", "Ärztekammer"},
          {"Pat O'Neil", "O'Neil's Bakery"}}},
        {"imgHelpVisitor", "O'Neil", "", {{"Pat O'Neil", "O'Neil's Bakery"}}},
        {"imgHelpVisitor", "o'neil", "'s bak", {{"Pat O'Neil", "O'Neil's Bakery"}}},
        {"imgHelpVisitor", "lee", "", {{"Ann Lee", "Acme"}, {"Ann Lee", "Globex"}}},
        {"imgHelpVisitor", "n L", "OBE", {{"Ann Lee", "Globex"}}},
        // Letter case is ignored beyond ASCII too, in either filter.
        {"imgHelpVisitor", "ärz", "", {{"Jörg Ärzte", "Ärztekammer"}}},
        {"imgHelpVisitor", "JÖRG", "ÄRZTE", {{"Jörg Ärzte", "Ärztekammer"}}},
        {"imgHelpVisitor", "", "ärz", {{"Jörg Ärzte", "Ärztekammer"}}},
        // Both filters must match.
        {"imgHelpVisitor", "Bob", "Acme", {}},
        // The text as typed, spaces included.
        {"imgHelpVisitor", " Lee", "", {{"Ann Lee", "Acme"}, {"Ann Lee", "Globex"}}},
        {"imgHelpVisitor", "Lee ", "", {}},
        // An empty value matches only an empty filter.
        {"imgHelpVisitor", "", "init", {{"", "Initech"}}},
        {"imgHelpEmployee",
         "",
         "",
         {{"", "Facilities"}, {"Bob Smith", "Sales"}, {"Eve Novak", "HR"}, {"Tara Singh", ""}}},
        {"imgHelpEmployee", "", "a", {{"", "Facilities"}, {"Bob Smith", "Sales"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.opener) + " '" + c.first + "' '" + c.second + "'");
        if (Panel()->isHidden() || (c.opener == std::string("imgHelpVisitor")) !=
                                       (Captions().at(0) == QStringLiteral("Visitor Name"))) {
            ClickIcon(c.opener);
        }
        Search(QString::fromUtf8(c.first), QString::fromUtf8(c.second));
        EXPECT_EQ(Sorted(GridRows()), Sorted(c.rows));
        EXPECT_EQ(frmMainTest::Panel(1), kListedHint);
    }
    EXPECT_TRUE(MsgBox::Recorded().empty());
    EXPECT_TRUE(LogLinesFrom(QStringLiteral("LoadHelpSearch")).isEmpty());
}

TEST_F(frmMainQuickPickTest, ListsAtMost15000RecordsAndSaysSoOnce) {
    const struct {
        int pairs;
        bool emptyPair;
        int rows;
        bool message;
    } cases[] = {
        {15000, false, 15000, false},
        {15001, false, 15000, true},
        // The skipped pair counts: it is read first, as the earliest visit.
        {14999, true, 14999, false},
        {15000, true, 14999, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.pairs) + (c.emptyPair ? " and an empty pair" : ""));
        Execute(QStringLiteral("DELETE FROM [VisitorRegister]"));
        AddPairs(c.pairs, c.emptyPair);
        MsgBox::ClearRecorded();
        OpenWindow();
        ClickIcon("imgHelpVisitor");
        Search();
        EXPECT_EQ(GridModel()->rowCount(), c.rows);
        ASSERT_EQ(MsgBox::Recorded().size(), c.message ? 1U : 0U);
        if (c.message) {
            const MsgBox::Shown& box = MsgBox::Recorded().front();
            EXPECT_EQ(box.text, QStringLiteral("Your search returned more than 15000 entries! "
                                               "Only the first 15000 entries are listed!"));
            EXPECT_EQ(box.title, QStringLiteral("Quorvane Lite"));
            EXPECT_EQ(box.icon, MsgBox::Icon::Information);
            EXPECT_EQ(box.buttons, MsgBox::Buttons::OK);
        }
        EXPECT_EQ(frmMainTest::Panel(1), kListedHint);
        window->close();
    }
}

// A pair stored in several letter cases is one pair: listed once, and counted once toward the
// 15000, so spellings cannot crowd other pairs out of the list or bring the message early.
TEST_F(frmMainQuickPickTest, SpellingsOfAPairAreListedAndCountedOnce) {
    const struct {
        int pairs;
        int rows;
        bool message;
    } cases[] = {
        {3, 3, false},
        {15000, 15000, false},
        {15001, 15000, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pairs);
        Execute(QStringLiteral("DELETE FROM [VisitorRegister]"));
        Execute(QStringLiteral(
                    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                    "INSERT INTO [VisitorRegister] ([PassNo], [Name], [Company]) SELECT "
                    "printf('%06d', i), printf('Visitor %05d', i), 'Company' FROM n UNION ALL "
                    "SELECT printf('%06d', i + 500000), printf('VISITOR %05d', i), 'COMPANY' FROM "
                    "n")
                    .arg(c.pairs - 1));
        Execute(QStringLiteral("INSERT INTO [VisitorRegister] ([PassNo], [Name], [Company]) "
                               "VALUES ('999998', 'Jörg Öztürk', 'ÄRGER GMBH'), "
                               "('999999', 'JÖRG ÖZTÜRK', 'ärger gmbh')"));
        MsgBox::ClearRecorded();
        OpenWindow();
        ClickIcon("imgHelpVisitor");
        Search();
        EXPECT_EQ(GridModel()->rowCount(), c.rows);
        EXPECT_EQ(MsgBox::Recorded().size(), c.message ? 1U : 0U);
        QSet<QString> listed;
        for (const auto& [name, company] : GridRows()) {
            const QString pair = QString::fromStdString(name + '/' + company).toCaseFolded();
            EXPECT_FALSE(listed.contains(pair)) << pair.toStdString();
            listed.insert(pair);
        }
        if (!c.message) {
            EXPECT_TRUE(listed.contains(QStringLiteral("jörg öztürk/ärger gmbh")));
        }
        window->close();
    }
}

TEST_F(frmMainQuickPickTest, PickFillsTheDetailsPageAndClosesThePanel) {
    AddVisits();
    const struct {
        const char* what;
        bool edit;
        const char* opener;
        const char* row;
        const char* firstBox;
        const char* secondBox;
        const char* second;
        const char* hint;
    } cases[] = {
        {"visitor on the new-visitor screen", false, "imgHelpVisitor", "Pat O'Neil", "txtName",
         "ddCompany", "O'Neil's Bakery", "Click Check-In to checkin a visitor"},
        {"employee on the new-visitor screen", false, "imgHelpEmployee", "Eve Novak", "txtToMeet",
         "ddDepartment", "HR", "Click Check-In to checkin a visitor"},
        {"visitor on the edit screen", true, "imgHelpVisitor", "Bob", "txtName", "ddCompany", "",
         "Click update to update the visitor record"},
        {"employee on the edit screen", true, "imgHelpEmployee", "Tara Singh", "txtToMeet",
         "ddDepartment", "", "Click update to update the visitor record"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        OpenWindow();
        if (c.edit) {
            window->EnableEditMode();
        }
        Child<QComboBox>(QString::fromLatin1(c.secondBox))->setCurrentText(QStringLiteral("old"));
        ClickIcon(c.opener);
        Search();
        const Rows listed = GridRows();
        DoubleClickRow(RowOf(c.row));
        EXPECT_EQ(Box(c.firstBox)->text(), QString::fromUtf8(c.row));
        EXPECT_EQ(Child<QComboBox>(QString::fromLatin1(c.secondBox))->currentText(),
                  QString::fromUtf8(c.second));
        EXPECT_TRUE(Panel()->isHidden());
        EXPECT_EQ(frmMainTest::Panel(1), QString::fromLatin1(c.hint));
        EXPECT_EQ(GridRows(), listed) << "the grid keeps its rows";
        window->close();
    }
}

TEST_F(frmMainQuickPickTest, RowWithoutTextPicksNothing) {
    AddVisits();
    OpenWindow();
    Box("txtName")->setText(QStringLiteral("typed"));
    ClickIcon("imgHelpVisitor");
    Search(QString(), QStringLiteral("Initech"));
    ASSERT_EQ(GridModel()->rowCount(), 1);
    DoubleClickRow(0);
    EXPECT_EQ(Box("txtName")->text(), QStringLiteral("typed"));
    EXPECT_NE(Child<QComboBox>(QStringLiteral("ddCompany"))->currentText(),
              QStringLiteral("Initech"));
    EXPECT_FALSE(Panel()->isHidden());
}

TEST_F(frmMainQuickPickTest, XOnTheEditScreenLeavesTheUpdateHint) {
    OpenWindow();
    window->EnableEditMode();
    F2("txtToMeet");
    Press("btnHide");
    EXPECT_EQ(frmMainTest::Panel(1), QStringLiteral("Click update to update the visitor record"));
}

TEST_F(frmMainQuickPickTest, EveryHeaderClickFlipsTheOrderWhichStaysForLaterLookUps) {
    AddVisits();
    OpenWindow();
    ClickIcon("imgHelpVisitor");
    Search();
    const Rows byName = Sorted(GridRows());
    Rows byNameDown = byName;
    std::reverse(byNameDown.begin(), byNameDown.end());
    const auto firstColumn = [](const Rows& rows) {
        std::vector<std::string> values;
        for (const auto& row : rows) {
            values.push_back(row.first);
        }
        return values;
    };
    const auto secondColumn = [](const Rows& rows) {
        std::vector<std::string> values;
        for (const auto& row : rows) {
            values.push_back(row.second);
        }
        return values;
    };

    ClickHeader(0);
    const std::vector<std::string> namesDown = firstColumn(GridRows());
    EXPECT_TRUE(std::is_sorted(namesDown.rbegin(), namesDown.rend())) << "first click: descending";
    ClickHeader(0);
    const std::vector<std::string> namesUp = firstColumn(GridRows());
    EXPECT_TRUE(std::is_sorted(namesUp.begin(), namesUp.end())) << "second click: ascending";
    ClickHeader(1);
    const std::vector<std::string> companiesDown = secondColumn(GridRows());
    EXPECT_TRUE(std::is_sorted(companiesDown.rbegin(), companiesDown.rend()))
        << "another column flips the order again";

    // A later look-up and another opening keep the sort.
    ClickIcon("imgHelpVisitor");
    ClickIcon("imgHelpVisitor");
    Search();
    const std::vector<std::string> again = secondColumn(GridRows());
    EXPECT_EQ(again.size(), byName.size());
    EXPECT_TRUE(std::is_sorted(again.rbegin(), again.rend()));
}

TEST_F(frmMainQuickPickTest, PanelStaysOnTopAcrossModeChanges) {
    OpenWindow();
    F2("txtName");
    window->EnableSearchMode();
    EXPECT_FALSE(Panel()->isHidden());
    window->EnableCheckedInListMode();
    EXPECT_FALSE(Panel()->isHidden());
    const QPoint inside = Panel()->geometry().center();
    QWidget* top = window->childAt(inside);
    ASSERT_NE(top, nullptr);
    EXPECT_TRUE(top == Panel() || Panel()->isAncestorOf(top));
}

TEST_F(frmMainQuickPickTest, FailingLookUpIsLoggedNotShown) {
    OpenWindow();
    ClickIcon("imgHelpVisitor");
    Execute(QStringLiteral("ALTER TABLE [VisitorRegister] RENAME TO [Elsewhere]"));
    Search(QStringLiteral("Ann"));
    EXPECT_EQ(LogLinesFrom(QStringLiteral("LoadHelpSearch")).size(), 1);
    EXPECT_TRUE(MsgBox::Recorded().empty());
    EXPECT_EQ(GridModel()->rowCount(), 0);
    EXPECT_EQ(frmMainTest::Panel(1), kListedHint);
}

} // namespace

namespace {

TEST_F(frmMainQuickPickTest, NameAndToMeetBoxesHintAtF2WhileTheyHaveTheFocus) {
    OpenWindow();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get(), WindowWaitMs));
    const struct {
        const char* focus;
        QString hint;
    } steps[] = {
        {"txtName", QStringLiteral("Press F2 key to search for Visitors.")},
        {"txtMobileNo", QStringLiteral("Add new visitor and print a pass.")},
        {"txtToMeet", QStringLiteral("Press F2 key to search for Employees.")},
        {"txtRemarks", QStringLiteral("Add new visitor and print a pass.")},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.focus);
        Child(QString::fromLatin1(step.focus))->setFocus(Qt::TabFocusReason);
        EXPECT_EQ(frmMainTest::Panel(1), step.hint);
    }
    // Opening from the box moves the focus into the panel and keeps the opening hint.
    Box("txtName")->setFocus(Qt::TabFocusReason);
    F2("txtName");
    EXPECT_EQ(QApplication::focusWidget(), Box("txtFraName"));
    EXPECT_EQ(frmMainTest::Panel(1), kVisitorHint);
}

} // namespace
