// Times a check-in on a register of 1,000,000 visits: from the click on Check-In to the page
// showing the next pass number with its lists refilled, the pass printed into a PDF file and its
// window closed at once. Beside it, the raw queries of the cycle, each next to the same SELECT run
// by the sqlcipher shell on the same file.
//
//   checkin_bench <program folder> [cycles] [--high-variety]
//
// The folder is made with the installation data tool when it holds no database yet, and the
// visit table is filled up to 1,000,000 rows when it holds fewer (the same folder serves
// visitor_bench). Missing indexes are added as start-up adds them, and that time is shown too.
// With --high-variety the register's companies and persons to meet are rewritten to 200,000 and
// 20,000 distinct values (once; give that register a folder of its own).
#include "BenchRegister.h"
#include "BenchTiming.h"
#include "BenchWindow.h"
#include "core/AppEnvironment.h"
#include "core/DBManager.h"
#include "core/DatabaseIndexes.h"
#include "core/Visitor.h"
#include "ctlPellora.h"
#include "mainwindow/LimitedTextEdit.h"
#include "mainwindow/MsgBox.h"
#include "mainwindow/QVButton.h"
#include "mainwindow/TahomaFont.h"
#include "mainwindow/WindowPrinter.h"
#include "mainwindow/frmMain.h"
#include "mainwindow/frmPassPreview.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QImage>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <stdexcept>
#include <utility>
#include <vector>

namespace {

using namespace BenchRegister;
using namespace BenchTiming;
using BenchWindow::Find;

constexpr int Repeats = 5;
// The shell runs each statement this many times in one start.
constexpr int ShellRuns = 10;

// About 900 visits a working day over three years: 2,000 companies, 300 employees, a few types,
// purposes and departments, 15,000 visits still in.
void Fill(const QString& file) {
    FillVisits(file, [](const KeyedDatabase& db, int existing) {
        QRandomGenerator random(Seed);
        Pools pools;
        pools.first = pools.first.mid(0, 8);
        pools.last = pools.last.mid(0, 6);
        pools.departments.move(4, 7); // Facilities last
        const QStringList companies = Companies(random, pools.last);
        const QStringList employees = Employees(random, pools.first, pools.last, true);
        InsertVisits(db, existing, AllColumns, [&](VisitRow& row, int n) {
            const QDateTime in = SpreadCheckIn(n);
            const QString name = Pick(random, pools.first) + u' ' + Pick(random, pools.last);
            const QString values[] = {
                QString::number(n + 1).rightJustified(4, u'0'),
                name,
                Phone(random),
                QStringLiteral("visitor@example.com"),
                Pick(random, pools.types),
                Pick(random, companies),
                QStringLiteral("1 Main Street"),
                Pick(random, pools.purposes),
                Pick(random, employees),
                Pick(random, pools.departments),
                QString(),
                Stamp(in),
            };
            for (int c = 0; c < 12; ++c) {
                row.Text(c + 1, values[c]);
            }
            if (random.bounded(Visits) < 15'000) {
                row.Null(13);
            } else {
                row.Text(13, Stamp(in.addSecs(3600)));
            }
        });
    });
}

double ShellMs(const QString& file, const QString& select) {
    return ShellEachMs(file, select, ShellRuns, Repeats);
}

void Row(const QString& what, int rows, double ours, double shell) {
    PrintLine({{46, what},
               {8, QString::number(rows)},
               {11, Ms(ours)},
               {11, shell >= 0 ? Ms(shell) : QStringLiteral("-")}});
}

// What a combo box shows at most.
constexpr int ListCap = 15000;

// The drop-downs' reading as the shell would run it, stopped at the cap: the column's value list
// where it has one, else the distinct values by a skip-scan over the column's index.
QString DropDownReading(const QString& column) {
    const QString c = u'[' + column + u']';
    const QString list = DatabaseIndexes::ValueList(column);
    if (!list.isEmpty()) {
        return QStringLiteral("SELECT ") + c + QStringLiteral(" FROM [") + list +
               QStringLiteral("] WHERE ") + c + QStringLiteral(" > '' AND [Visits] > 0 ORDER BY ") +
               c + QStringLiteral(" LIMIT %1").arg(ListCap);
    }
    return QStringLiteral("WITH RECURSIVE [Step]([Value]) AS (SELECT MIN(") + c +
           QStringLiteral(") FROM [VisitorRegister] WHERE ") + c +
           QStringLiteral(" > '' UNION ALL SELECT (SELECT MIN(") + c +
           QStringLiteral(") FROM [VisitorRegister] WHERE ") + c +
           QStringLiteral(" > [Step].[Value]) FROM [Step] WHERE [Step].[Value] IS NOT NULL "
                          "LIMIT %1) SELECT [Value] FROM [Step] WHERE [Value] IS NOT NULL")
               .arg(ListCap);
}

QString PlainDistinct(const QString& column) {
    const QString c = u'[' + column + u']';
    return QStringLiteral("SELECT DISTINCT ") + c +
           QStringLiteral(" FROM [VisitorRegister] WHERE length(") + c + QStringLiteral(") > 0");
}

// The shell's time for the SELECTs that a refill of the nine lists and the next pass number run
// (anchor of the window's load), and those plus the pass's own reading (anchor of the cycle).
struct Anchors {
    double load = 0;
    double cycle = 0;
};

Anchors TimeQueries(const QString& file) {
    out() << Qt::endl;
    PrintLine({{46, QStringLiteral("query of the cycle")},
               {8, QStringLiteral("rows")},
               {11, QStringLiteral("ours ms")},
               {11, QStringLiteral("shell ms")}});
    Anchors anchors;
    // How many of the nine lists read each column.
    const std::pair<const char*, int> columns[] = {
        {"VisitorType", 2}, {"Company", 2}, {"Purpose", 2}, {"Department", 2}, {"ToMeet", 1}};
    for (const auto& [name, lists] : columns) {
        const QString column = QString::fromLatin1(name);
        int rows = 0;
        const double ours = MedianMs(Repeats, [&] {
            rows = Visitor().GetDDValues(column, QString(), ListCap)->RecordCount();
        });
        const double shell = ShellMs(file, DropDownReading(column));
        anchors.load += lists * shell;
        Row(QStringLiteral("GetDDValues ") + column + QStringLiteral(", at most %1").arg(ListCap),
            rows, ours, shell);
    }
    {
        // What the drop-downs cost before: a full scan of the encrypted table a column.
        int rows = 0;
        const QString plain = PlainDistinct(QStringLiteral("Company"));
        // The median of three runs: a single one would pay alone for reading the table from disk,
        // which the shell's repeated runs do not.
        const double ours =
            MedianMs(3, [&] { rows = DBManager().GetRecordSet(plain)->RecordCount(); });
        Row(QStringLiteral("(plain SELECT DISTINCT Company)"), rows, ours, ShellMs(file, plain));
    }
    QString next;
    const double nextMs = MedianMs(Repeats, [&] { next = Visitor().GetNextPassNo(); });
    const double nextShell = ShellMs(file, QString::fromLatin1(NextPassNoSelect));
    anchors.load += nextShell;
    Row(QStringLiteral("GetNextPassNo -> ") + next, 1, nextMs, nextShell);
    const double loadMs = MedianMs(Repeats, [] {
        Visitor visitor;
        visitor.SetPassNo(QStringLiteral("500000"));
        visitor.LoadVisitor();
    });
    const double loadShell =
        ShellMs(file, QStringLiteral("SELECT * FROM [VisitorRegister] where [PassNo]='500000'"));
    anchors.cycle = anchors.load + loadShell;
    Row(QStringLiteral("LoadVisitor 500000"), 1, loadMs, loadShell);
    return anchors;
}

// Pass windows close as soon as they have printed.
class PassCloser final : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            if (auto* pass = qobject_cast<frmPassPreview*>(watched)) {
                QTimer::singleShot(0, pass, &QDialog::reject);
            }
        }
        return false;
    }
};

// The targets a receptionist should not wait beyond, whatever the register's variety.
constexpr double LoadTargetMs = 300;
constexpr double CycleTargetMs = 150;

void TimeCheckIns(int cycles, const Anchors& anchors) {
    QTemporaryDir temp;
    AppEnvironment::SetTempFolder(temp.path());
    WindowPrinter::PrintToPdfFile(temp.filePath(QStringLiteral("pass.pdf")));
    MsgBox::StartRecording();
    PassCloser closer;
    qApp->installEventFilter(&closer);

    frmMain window;
    QElapsedTimer loading;
    loading.start();
    window.Load();
    window.show();
    const double loaded = static_cast<double>(loading.nsecsElapsed()) / 1e6;
    out() << Qt::endl
          << "main window loaded in " << Ms(loaded) << " ms (target < " << Ms(LoadTargetMs)
          << " ms; the shell runs its SELECTs in " << Ms(anchors.load) << " ms)" << Qt::endl;

    QImage still(640, 480, QImage::Format_RGB32);
    still.fill(Qt::darkCyan);
    std::vector<double> times;
    for (int cycle = 0; cycle < cycles; ++cycle) {
        const QString before = Find<QLineEdit>(window, "txtPassNo")->text();
        const QString name = QStringLiteral("Bench Visitor %1").arg(cycle);
        Find<QLineEdit>(window, "txtName")->setText(name);
        Find<QComboBox>(window, "ddVisitorType")->setEditText(QStringLiteral("Vendor"));
        Find<QComboBox>(window, "ddCompany")->setEditText(QStringLiteral("Lee 7 Ltd"));
        Find<QComboBox>(window, "ddPurpose")->setEditText(QStringLiteral("Delivery"));
        Find<QComboBox>(window, "ddDepartment")->setEditText(QStringLiteral("Sales"));
        Find<QLineEdit>(window, "txtToMeet")->setText(QStringLiteral("Ann Lee 1"));
        // The still the webcam control would have written.
        const QString file = name + u'_' + before + QStringLiteral(".jpg");
        still.save(temp.filePath(file), "BMP");
        Find<ctlPellora>(window, "ctlWebcam")->SetSaveImageFileName(file);

        QVButton* checkIn = Find<QVButton>(window, "btnCheckIn");
        QElapsedTimer timer;
        timer.start();
        Q_EMIT checkIn->Click();
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);

        if (!MsgBox::Recorded().empty()) {
            throw std::runtime_error("check-in refused: " +
                                     MsgBox::Recorded().front().text.toStdString());
        }
        const QString after = Find<QLineEdit>(window, "txtPassNo")->text();
        if (after.toLongLong() != before.toLongLong() + 1) {
            throw std::runtime_error("the page shows " + after.toStdString() + " after " +
                                     before.toStdString());
        }
    }
    const Timing cycle = Summary(times);
    out() << "check-in cycle (click to next pass number, lists refilled, pass printed to PDF), "
          << cycles << " cycles: median " << Ms(cycle.median) << " ms (target < "
          << Ms(CycleTargetMs) << " ms; the shell runs its SELECTs in " << Ms(anchors.cycle)
          << " ms), min " << Ms(cycle.low) << " ms, max " << Ms(cycle.high) << " ms" << Qt::endl;
    out() << "  first cycle " << Ms(times.front())
          << " ms; lists: " << Find<QComboBox>(window, "ddCompany")->count() << " companies, "
          << Find<QComboBox>(window, "txtSearchToMeet")->count() << " persons to meet" << Qt::endl;
    qApp->removeEventFilter(&closer);
    MsgBox::StopRecording();
    window.hide();
}

} // namespace

int main(int argc, char** argv) {
    BenchWindow::Headless();
    QApplication app(argc, argv);
    return RunOnFolder(
        "checkin_bench", "[cycles] [--high-variety]",
        [](const QString& folder, QStringList more) {
            const bool variety = TakeHighVarietyOption(more);
            const int cycles = more.isEmpty() ? 15 : std::max(1, more.at(0).toInt());
            TahomaFont::Register();
            MakeReady(DatabaseFile(folder), [variety](const QString& file) {
                Fill(file);
                if (variety) {
                    MakeHighVariety(file);
                }
            });
            QElapsedTimer step;
            step.start();
            if (!DatabaseIndexes::AddMissing()) {
                throw std::runtime_error("the indexes could not be added; see the folder's log");
            }
            out() << "indexes present after " << step.elapsed()
                  << " ms (the first run on an older register builds them)" << Qt::endl;
            TimeCheckIns(cycles, TimeQueries(DatabaseFile(folder)));
        },
        2);
}
