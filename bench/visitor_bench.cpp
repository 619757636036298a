// Times the visitor queries on a register of 1,000,000 visits, each beside the same SELECT run by
// the sqlcipher shell on the same file.
//
//   visitor_bench <program folder>
//
// The folder is made with the installation data tool when it holds no database yet, and the
// visit table is filled up to 1,000,000 rows when it holds fewer.
#include "core/AppEnvironment.h"
#include "core/DBManager.h"
#include "core/Visitor.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>

#include <sqlcipher/sqlite3.h>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

constexpr int Visits = 1'000'000;
constexpr int CheckedIn = 15'000;
constexpr int Repeats = 3;

QTextStream& out() {
    static QTextStream stream(stdout);
    return stream;
}

QString DatabaseFile(const QString& folder) {
    return folder + QStringLiteral("/Data/") + QString::fromLatin1(DBManager::DefaultDatabaseName);
}

bool Install(const QString& folder) {
    if (QFile::exists(DatabaseFile(folder))) {
        return true;
    }
    QProcess tool;
    tool.setProcessChannelMode(QProcess::ForwardedChannels);
    tool.start(QStringLiteral(QUORVANE_INSTALL_DATA_TOOL), {folder});
    if (!tool.waitForFinished(-1) || tool.exitCode() != 0) {
        return false;
    }
    const QString plugin = QStringLiteral(TESSVIK_PLUGIN_FILE);
    QDir().mkpath(folder + QStringLiteral("/components"));
    return QFile::copy(plugin,
                       folder + QStringLiteral("/components/") + QFileInfo(plugin).fileName());
}

// Pools drawn with a fixed seed, so every filled file looks the same.
struct Pools {
    QStringList first = {QStringLiteral("Ann"),   QStringLiteral("Bob"),   QStringLiteral("Chen"),
                         QStringLiteral("Dara"),  QStringLiteral("Eve"),   QStringLiteral("Farid"),
                         QStringLiteral("Grace"), QStringLiteral("Hugo"),  QStringLiteral("Ines"),
                         QStringLiteral("Jonas"), QStringLiteral("Kofi"),  QStringLiteral("Lena"),
                         QStringLiteral("Mateo"), QStringLiteral("Nina"),  QStringLiteral("Omar"),
                         QStringLiteral("Priya"), QStringLiteral("Quinn"), QStringLiteral("Rosa"),
                         QStringLiteral("Sven"),  QStringLiteral("Tara"),  QStringLiteral("Umar"),
                         QStringLiteral("Vera"),  QStringLiteral("Wei"),   QStringLiteral("Yara")};
    QStringList last = {
        QStringLiteral("Lee"),     QStringLiteral("O'Neil"),   QStringLiteral("Smith"),
        QStringLiteral("Garcia"),  QStringLiteral("Novak"),    QStringLiteral("Okafor"),
        QStringLiteral("Schmidt"), QStringLiteral("Rossi"),    QStringLiteral("Tanaka"),
        QStringLiteral("Dubois"),  QStringLiteral("Kowalski"), QStringLiteral("Haddad"),
        QStringLiteral("Jensen"),  QStringLiteral("Moreau"),   QStringLiteral("Singh"),
        QStringLiteral("Walsh"),   QStringLiteral("Young")};
    QStringList types = {QStringLiteral("General"), QStringLiteral("Vendor"),
                         QStringLiteral("Others"), QStringLiteral("Contractor"),
                         QStringLiteral("Interview")};
    QStringList purposes = {QStringLiteral("Official"), QStringLiteral("Personal"),
                            QStringLiteral("Delivery"), QStringLiteral("Meeting"),
                            QStringLiteral("Maintenance")};
    QStringList departments = {QStringLiteral("Sales"),      QStringLiteral("HR"),
                               QStringLiteral("Finance"),    QStringLiteral("IT"),
                               QStringLiteral("Facilities"), QStringLiteral("Legal"),
                               QStringLiteral("Research"),   QStringLiteral("Support")};
};

QString Pick(QRandomGenerator& random, const QStringList& pool) {
    return pool.at(static_cast<qsizetype>(random.bounded(static_cast<int>(pool.size()))));
}

void Check(int rc, sqlite3* db) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        throw std::runtime_error(sqlite3_errmsg(db));
    }
}

int ExistingVisits(sqlite3* db) {
    sqlite3_stmt* count = nullptr;
    Check(sqlite3_prepare_v2(db, "SELECT count(*) FROM VisitorRegister", -1, &count, nullptr), db);
    Check(sqlite3_step(count), db);
    const int rows = sqlite3_column_int(count, 0);
    sqlite3_finalize(count);
    return rows;
}

void BindText(sqlite3_stmt* statement, int index, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(statement, index, utf8.constData(), static_cast<int>(utf8.size()),
                      SQLITE_TRANSIENT);
}

// About 900 visits a working day over three years, each a few hours long; the checked-in ones
// are scattered (forgotten check-outs) rather than all of today.
void Fill(const QString& file) {
    sqlite3* db = nullptr;
    Check(sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr), db);
    const QByteArray key = QByteArrayLiteral("PRAGMA key = '") + DBManager::DatabasePassword + "';";
    Check(sqlite3_exec(db, key.constData(), nullptr, nullptr, nullptr), db);
    const int existing = ExistingVisits(db);
    if (existing >= Visits) {
        sqlite3_close(db);
        return;
    }
    out() << "filling " << (Visits - existing) << " visits ..." << Qt::endl;
    Check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db);
    sqlite3_stmt* insert = nullptr;
    Check(sqlite3_prepare_v2(db, "INSERT INTO VisitorRegister VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?)",
                             -1, &insert, nullptr),
          db);
    QRandomGenerator random(20240305);
    Pools pools;
    QStringList companies;
    for (int i = 0; i < 2000; ++i) {
        companies.append(Pick(random, pools.last) + QStringLiteral(" ") + QString::number(i) +
                         QStringLiteral(" Ltd"));
    }
    QStringList employees;
    for (int i = 0; i < 300; ++i) {
        employees.append(Pick(random, pools.first) + u' ' + Pick(random, pools.last));
    }
    const QDateTime start(QDate(2022, 1, 3), QTime(8, 0));
    const qint64 span = start.secsTo(QDateTime(QDate(2025, 1, 3), QTime(8, 0)));
    std::vector<int> open(static_cast<std::size_t>(Visits), 0);
    for (int marked = 0; marked < CheckedIn;) {
        int& visit = open[static_cast<std::size_t>(random.bounded(Visits))];
        marked += visit == 0 ? 1 : 0;
        visit = 1;
    }
    for (int n = existing; n < Visits; ++n) {
        const qint64 offset = span * n / Visits;
        const QDateTime in = start.addSecs(offset);
        const QString name = Pick(random, pools.first) + u' ' + Pick(random, pools.last);
        const QString values[] = {
            QString::number(n + 1).rightJustified(4, u'0'),
            name,
            QString::number(4915100000000LL + random.bounded(99999999)),
            name.toLower().remove(u' ').remove(u'\'') + QStringLiteral("@example.com"),
            Pick(random, pools.types),
            Pick(random, companies),
            QString::number(random.bounded(1, 200)) + QStringLiteral(" Main Street"),
            Pick(random, pools.purposes),
            Pick(random, employees),
            Pick(random, pools.departments),
            random.bounded(10) == 0 ? QStringLiteral("Laptop registered") : QString(),
            in.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
        };
        for (int c = 0; c < 12; ++c) {
            BindText(insert, c + 1, values[c]);
        }
        if (open[static_cast<std::size_t>(n)] != 0) {
            sqlite3_bind_null(insert, 13);
        } else {
            BindText(insert, 13,
                     in.addSecs(1800 + random.bounded(4 * 3600))
                         .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        }
        Check(sqlite3_step(insert), db);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    Check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
    sqlite3_close(db);
}

double MedianMs(int repeats, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The shell keys the file, runs the statement and writes its rows away, as a user would.
double ShellMs(const QString& file, const QString& select) {
    const QByteArray script = QByteArrayLiteral("PRAGMA key = '") + DBManager::DatabasePassword +
                              "';\n.output /dev/null\n" + select.toUtf8() + ";\n";
    return MedianMs(Repeats, [&] {
        QProcess shell;
        shell.start(QStringLiteral("sqlcipher"), {file});
        shell.write(script);
        shell.closeWriteChannel();
        shell.waitForFinished(-1);
        if (shell.exitCode() != 0) {
            throw std::runtime_error(shell.readAllStandardError().toStdString());
        }
    });
}

void Report(const QString& what, int rows, double ours, double shell) {
    out() << qSetFieldWidth(44) << Qt::left << what << qSetFieldWidth(9) << Qt::right << rows
          << qSetFieldWidth(12) << QString::number(ours, 'f', 1) << qSetFieldWidth(12)
          << (shell > 0 ? QString::number(shell, 'f', 1) : QStringLiteral("-")) << qSetFieldWidth(8)
          << (shell > 0 ? QString::number(ours / shell, 'f', 2) : QStringLiteral("-"))
          << qSetFieldWidth(0) << Qt::endl;
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
    out() << qSetFieldWidth(44) << Qt::left << "operation" << qSetFieldWidth(9) << Qt::right
          << "rows" << qSetFieldWidth(12) << "ours ms" << qSetFieldWidth(12) << "shell ms"
          << qSetFieldWidth(8) << "ratio" << qSetFieldWidth(0) << Qt::endl;
    for (const Query& query : queries) {
        int rows = 0;
        const double ours = MedianMs(Repeats, [&] { rows = RowsOf(query.run()); });
        Report(query.what, rows, ours, ShellMs(file, query.shellSelect));
    }
    QString next;
    const double ours = MedianMs(Repeats, [&] { next = Visitor().GetNextPassNo(); });
    Report(QStringLiteral("GetNextPassNo -> ") + next, 1, ours,
           ShellMs(file, QStringLiteral("SELECT [PassNo] FROM [VisitorRegister] ORDER BY "
                                        "CAST([PassNo] AS INTEGER) DESC LIMIT 1")));
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
    Report(QStringLiteral("InsertVisitorRecord with photo -> ") + visitor.PassNo(), 1, ms, 0);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 2) {
        QTextStream(stderr) << "usage: visitor_bench <program folder>\n";
        return 2;
    }
    const QString folder = QDir(arguments.at(1)).absolutePath();
    try {
        if (!Install(folder)) {
            throw std::runtime_error("cannot lay out the program folder");
        }
        AppEnvironment::SetProgramFolder(folder);
        QElapsedTimer fill;
        fill.start();
        Fill(DatabaseFile(folder));
        out() << "database " << DatabaseFile(folder) << " ready after " << fill.elapsed()
              << " ms; median of " << Repeats << " runs each" << Qt::endl;
        TimeQueries(DatabaseFile(folder));
        TimeInsert();
    } catch (const std::exception& error) {
        QTextStream(stderr) << "visitor_bench: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
