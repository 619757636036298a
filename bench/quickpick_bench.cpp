// Times the Quick Pick look-up on a register of 1,000,000 visits: the query alone and the whole
// look-up through the main window (query and grid), each beside the same SELECT run by the
// sqlcipher shell on the same file.
//
//   quickpick_bench <program folder> [--high-variety]
//
// The folder is made with the installation data tool when it holds no database yet, and the
// visit table is filled up to 1,000,000 rows when it holds fewer. With --high-variety the
// register's companies and persons to meet are rewritten to 200,000 and 20,000 distinct values
// (once; give that register a folder of its own).
#include "BenchRegister.h"
#include "BenchTiming.h"
#include "BenchWindow.h"
#include "core/AppEnvironment.h"
#include "core/DatabaseIndexes.h"
#include "core/Visitor.h"
#include "mainwindow/MsgBox.h"
#include "mainwindow/QVButton.h"
#include "mainwindow/frmMain.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTreeView>

#include <stdexcept>

namespace {

using namespace BenchRegister;
using namespace BenchTiming;
using BenchWindow::Find;

constexpr int Repeats = 5;
constexpr int WhatWidth = 52;

// Names of 24 first and 17 last names, 2000 companies, 300 employees in 8 departments: about
// 575,000 distinct (name, company) pairs and 2,400 (to meet, department) pairs.
void Fill(const QString& file) {
    FillVisits(file, [](const KeyedDatabase& db, int existing) {
        QRandomGenerator random(Seed);
        const Pools pools;
        const QStringList companies = Companies(random, pools.last);
        const QStringList employees = Employees(random, pools.first, pools.last, false);
        InsertVisits(db, existing,
                     "INSERT INTO VisitorRegister (PassNo, Name, Company, ToMeet, Department, "
                     "CheckedIn, CheckedOut) VALUES (?, ?, ?, ?, ?, ?, ?)",
                     [&](VisitRow& row, int n) {
                         const QDateTime in = FirstCheckIn().addSecs(static_cast<qint64>(n) * 94);
                         row.Text(1, QString::number(n + 1).rightJustified(4, u'0'));
                         row.Text(2, Pick(random, pools.first) + u' ' + Pick(random, pools.last));
                         row.Text(3, Pick(random, companies));
                         row.Text(4, Pick(random, employees));
                         row.Text(5, Pick(random, pools.departments));
                         row.Text(6, Stamp(in));
                         row.Text(7, Stamp(in.addSecs(3600)));
                     });
    });
}

// A folder laid out before the look-up's indexes existed gets them, as start-up adds them.
void Prepare(const QString& file) {
    Fill(file);
    if (!DatabaseIndexes::AddMissing()) {
        throw std::runtime_error("the indexes could not be added; see the folder's log");
    }
}

struct LookUp {
    const char* what;
    bool visitor;
    const char* first;
    const char* second;
};

const LookUp kLookUps[] = {
    {"visitor, empty filters", true, "", ""},
    {"visitor, name contains \"neil\"", true, "neil", ""},
    {"visitor, company contains \"99 Ltd\"", true, "", "99 Ltd"},
    {"employee, empty filters", false, "", ""},
    {"employee, department contains \"sal\"", false, "", "sal"},
};

QString Pattern(const char* text) {
    return *text == '\0' ? QStringLiteral("%") : u'%' + QString::fromUtf8(text) + u'%';
}

QString ShellSelect(const LookUp& lookUp) {
    const QString first = lookUp.visitor ? QStringLiteral("Name") : QStringLiteral("ToMeet");
    const QString second =
        lookUp.visitor ? QStringLiteral("Company") : QStringLiteral("Department");
    // The pairs that have a value list are read from it, as the program reads them.
    const QString pairs = DatabaseIndexes::PairList(first, second);
    const QString from =
        pairs.isEmpty() ? QStringLiteral("SELECT DISTINCT [%1],[%2] FROM [VisitorRegister] WHERE ")
                        : QStringLiteral("SELECT [%1],[%2] FROM [") + pairs +
                              QStringLiteral("] WHERE [Visits] > 0 AND ");
    return QString(from + QStringLiteral("[%1] LIKE '%3' AND [%2] LIKE '%4' LIMIT %5"))
        .arg(first, second, Pattern(lookUp.first), Pattern(lookUp.second))
        .arg(frmMain::QuickPickCap + 1);
}

void TimeQueries(const QString& file) {
    out() << "FillSimpleSearch (query only, at most " << frmMain::QuickPickCap + 1 << " pairs)"
          << Qt::endl;
    for (const LookUp& lookUp : kLookUps) {
        int rows = 0;
        const double ours = MedianMs(Repeats, [&] {
            const std::optional<RecordSet> records = Visitor().FillSimpleSearch(
                lookUp.visitor ? QStringLiteral("Name") : QStringLiteral("ToMeet"),
                lookUp.visitor ? QStringLiteral("Company") : QStringLiteral("Department"),
                Pattern(lookUp.first), Pattern(lookUp.second), frmMain::QuickPickCap + 1);
            if (!records) {
                throw std::runtime_error("the look-up failed; see the program folder's log");
            }
            rows = records->RecordCount();
        });
        PrintBesideShell(WhatWidth, QString::fromUtf8(lookUp.what), rows, ours,
                         ShellMs(file, ShellSelect(lookUp), Repeats));
    }
}

// Search in the Quick Pick panel of a loaded main window: the query and the filled grid.
void TimeWindow(const QString& file) {
    MsgBox::StartRecording();
    frmMain window;
    window.Load();
    auto* grid = Find<QTreeView>(window, "lstQuickGrid");
    auto* search = Find<QVButton>(window, "btnQuickSearch");
    auto* first = Find<QLineEdit>(window, "txtFraName");
    auto* second = Find<QLineEdit>(window, "txtFraCompany");
    auto* visitorIcon = Find<QLabel>(window, "imgHelpVisitor");
    auto* employeeIcon = Find<QLabel>(window, "imgHelpEmployee");
    auto* panel = Find<QWidget>(window, "fraSimpleSearch");
    out() << "Quick Pick search in the main window (query and grid)" << Qt::endl;
    for (const LookUp& lookUp : kLookUps) {
        // An icon click opens the panel in its mode; a second one on a hidden panel reopens it.
        QMetaObject::invokeMethod(lookUp.visitor ? visitorIcon : employeeIcon, "Click");
        if (panel->isHidden()) {
            QMetaObject::invokeMethod(lookUp.visitor ? visitorIcon : employeeIcon, "Click");
        }
        first->setText(QString::fromUtf8(lookUp.first));
        second->setText(QString::fromUtf8(lookUp.second));
        MsgBox::ClearRecorded();
        const double ms = MedianMs(Repeats, [&] { Q_EMIT search->Click(); });
        PrintBesideShell(WhatWidth,
                         QString::fromUtf8(lookUp.what) +
                             (MsgBox::Recorded().empty() ? QString() : QStringLiteral(" (capped)")),
                         grid->model()->rowCount(), ms,
                         ShellMs(file, ShellSelect(lookUp), Repeats));
    }
    MsgBox::StopRecording();
}

} // namespace

int main(int argc, char** argv) {
    BenchWindow::Headless();
    QApplication app(argc, argv);
    return RunOnFolder(
        "quickpick_bench", "[--high-variety]", [](const QString& folder, QStringList more) {
            const bool variety = TakeHighVarietyOption(more);
            if (!more.isEmpty()) {
                throw std::runtime_error("unknown argument " + more.at(0).toStdString());
            }
            MakeReady(
                DatabaseFile(folder),
                [variety](const QString& file) {
                    Prepare(file);
                    if (variety) {
                        MakeHighVariety(file);
                    }
                },
                QStringLiteral("; median of %1 runs each").arg(Repeats));
            PrintShellHeader(WhatWidth, QStringLiteral("look-up"));
            TimeQueries(DatabaseFile(folder));
            TimeWindow(DatabaseFile(folder));
        });
}
