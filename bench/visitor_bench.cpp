// Times the visitor queries on a register of 1,000,000 visits, each beside the same SELECT run by
// the sqlcipher shell on the same file.
//
//   visitor_bench <program folder>
//
// The folder is made with the installation data tool when it holds no database yet, and the
// visit table is filled up to 1,000,000 rows when it holds fewer.
#include "BenchRegister.h"
#include "BenchTiming.h"
#include "core/AppEnvironment.h"
#include "core/Visitor.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <functional>
#include <stdexcept>
#include <vector>

namespace {

using namespace BenchRegister;
using namespace BenchTiming;

constexpr int CheckedIn = 15'000;
constexpr int Repeats = 3;
constexpr int WhatWidth = 44;

// The visits still in, scattered (forgotten check-outs) rather than all of today.
std::vector<int> ScatterOpen(QRandomGenerator& random) {
    std::vector<int> open(static_cast<std::size_t>(Visits), 0);
    for (int marked = 0; marked < CheckedIn;) {
        int& visit = open[static_cast<std::size_t>(random.bounded(Visits))];
        marked += visit == 0 ? 1 : 0;
        visit = 1;
    }
    return open;
}

// About 900 visits a working day over three years, each a few hours long, 15,000 still in.
void Fill(const QString& file) {
    FillVisits(file, [](const KeyedDatabase& db, int existing) {
        QRandomGenerator random(Seed);
        StandardVisits visits(random);
        const std::vector<int> open = ScatterOpen(random);
        InsertVisits(db, existing, AllColumns, [&](VisitRow& row, int n) {
            const QDateTime in = visits.Write(row, n);
            if (open[static_cast<std::size_t>(n)] != 0) {
                row.Null(13);
            } else {
                row.Text(13, Stamp(in.addSecs(1800 + random.bounded(4 * 3600))));
            }
        });
    });
}

struct Query {
    QString what;
    std::function<std::optional<RecordSet>()> run;
    QString shellSelect;
};

int RowsOf(const std::optional<RecordSet>& rows) {
    if (!rows) {
        throw std::runtime_error("the query failed; see the program folder's log");
    }
    return rows->RecordCount();
}

void TimeQueries(const QString& file) {
    const Query queries[] = {
        {QStringLiteral("GetVisitorList name contains \"neil\""),
         [] {
             Visitor query;
             query.SetVisitorName(QStringLiteral("%neil%"));
             return query.GetVisitorList();
         },
         QStringLiteral("SELECT * FROM [VisitorRegister] where 1=1  AND [Name] like '%neil%'")},
        {QStringLiteral("GetVisitorList one week"),
         [] {
             Visitor query;
             query.SetSearchDateFrom(QStringLiteral("01-03-2024"));
             query.SetSearchDateTo(QStringLiteral("07-03-2024"));
             return query.GetVisitorList();
         },
         QStringLiteral("SELECT * FROM [VisitorRegister] where 1=1  AND [CheckedIn] >= "
                        "'2024-03-01 00:00:00' AND [CheckedIn] <= '2024-03-07 23:59:59'")},
        {QStringLiteral("GetVisitorList no filter"), [] { return Visitor().GetVisitorList(); },
         QStringLiteral("SELECT * FROM [VisitorRegister] where 1=1 ")},
        {QStringLiteral("GetCheckedInVisitorList"),
         [] { return Visitor().GetCheckedInVisitorList(); },
         QStringLiteral("SELECT * FROM [VisitorRegister] WHERE [CheckedOut] IS NULL")},
    };
    PrintShellHeader(WhatWidth, QStringLiteral("operation"));
    for (const Query& query : queries) {
        int rows = 0;
        const double ours = MedianMs(Repeats, [&] { rows = RowsOf(query.run()); });
        PrintBesideShell(WhatWidth, query.what, rows, ours,
                         ShellMs(file, query.shellSelect, Repeats));
    }
    QString next;
    const double ours = MedianMs(Repeats, [&] { next = Visitor().GetNextPassNo(); });
    PrintBesideShell(WhatWidth, QStringLiteral("GetNextPassNo -> ") + next, 1, ours,
                     ShellMs(file, QString::fromLatin1(NextPassNoSelect), Repeats));
}

void TimeInsert() {
    QTemporaryDir temp;
    AppEnvironment::SetTempFolder(temp.path());
    QFile photo(temp.path() + QStringLiteral("/Bench Visitor_0000.jpg"));
    photo.open(QIODevice::WriteOnly);
    photo.write(QByteArray(64 * 1024, 'x'));
    photo.close();
    Visitor visitor;
    visitor.SetVisitorName(QStringLiteral("Bench Visitor"));
    visitor.SetVisitorType(QStringLiteral("General"));
    visitor.SetPurpose(QStringLiteral("Official"));
    visitor.SetToMeet(QStringLiteral("Bob Smith"));
    visitor.SetImageFile(QStringLiteral("Bench Visitor_0000.jpg"));
    bool stored = false;
    const double ms = MedianMs(1, [&] { stored = visitor.InsertVisitorRecord(); });
    if (!stored) {
        throw std::runtime_error("InsertVisitorRecord failed: " +
                                 visitor.ErrorMessage().toStdString());
    }
    PrintBesideShell(WhatWidth,
                     QStringLiteral("InsertVisitorRecord with photo -> ") + visitor.PassNo(), 1, ms,
                     0);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    return RunOnFolder("visitor_bench", nullptr, [](const QString& folder, const QStringList&) {
        MakeReady(DatabaseFile(folder), Fill,
                  QStringLiteral("; median of %1 runs each").arg(Repeats));
        TimeQueries(DatabaseFile(folder));
        TimeInsert();
    });
}
