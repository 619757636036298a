// Times the Quick Pick look-up on a register of 1,000,000 visits: the query alone and the whole
// look-up through the main window (query and grid), each beside the same SELECT run by the
// sqlcipher shell on the same file.
//
//   quickpick_bench <program folder>
//
// The folder is made with the installation data tool when it holds no database yet, and the
// visit table is filled up to 1,000,000 rows when it holds fewer.
#include "core/AppEnvironment.h"
#include "core/DBManager.h"
#include "core/Visitor.h"
#include "mainwindow/MsgBox.h"
#include "mainwindow/QVButton.h"
#include "mainwindow/frmMain.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QRandomGenerator>
#include <QTextStream>
#include <QTreeView>

#include <sqlcipher/sqlite3.h>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <vector>

namespace {

constexpr int Visits = 1'000'000;
constexpr int Repeats = 5;

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

void Check(int rc, sqlite3* db) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        throw std::runtime_error(sqlite3_errmsg(db));
    }
}

int CountOf(sqlite3* db, const char* select) {
    sqlite3_stmt* statement = nullptr;
    Check(sqlite3_prepare_v2(db, select, -1, &statement, nullptr), db);
    Check(sqlite3_step(statement), db);
    const int value = sqlite3_column_int(statement, 0);
    sqlite3_finalize(statement);
    return value;
}

void BindText(sqlite3_stmt* statement, int index, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(statement, index, utf8.constData(), static_cast<int>(utf8.size()),
                      SQLITE_TRANSIENT);
}

QString Pick(QRandomGenerator& random, const QStringList& pool) {
    return pool.at(static_cast<qsizetype>(random.bounded(static_cast<int>(pool.size()))));
}

// Names of 24 first and 17 last names, 2000 companies, 300 employees in 8 departments: about
// 575,000 distinct (name, company) pairs and 2,400 (to meet, department) pairs.
void Fill(sqlite3* db) {
    const int existing = CountOf(db, "SELECT count(*) FROM VisitorRegister");
    if (existing >= Visits) {
        return;
    }
    out() << "filling " << (Visits - existing) << " visits ..." << Qt::endl;
    const QStringList first = {"Ann",   "Bob",   "Chen", "Dara", "Eve",   "Farid", "Grace", "Hugo",
                               "Ines",  "Jonas", "Kofi", "Lena", "Mateo", "Nina",  "Omar",  "Priya",
                               "Quinn", "Rosa",  "Sven", "Tara", "Umar",  "Vera",  "Wei",   "Yara"};
    const QStringList last = {"Lee",     "O'Neil", "Smith",  "Garcia", "Novak",    "Okafor",
                              "Schmidt", "Rossi",  "Tanaka", "Dubois", "Kowalski", "Haddad",
                              "Jensen",  "Moreau", "Singh",  "Walsh",  "Young"};
    const QStringList departments = {"Sales",      "HR",    "Finance",  "IT",
                                     "Facilities", "Legal", "Research", "Support"};
    QRandomGenerator random(20240305);
    QStringList companies;
    for (int i = 0; i < 2000; ++i) {
        companies.append(Pick(random, last) + u' ' + QString::number(i) + QStringLiteral(" Ltd"));
    }
    QStringList employees;
    for (int i = 0; i < 300; ++i) {
        employees.append(Pick(random, first) + u' ' + Pick(random, last));
    }
    Check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db);
    sqlite3_stmt* insert = nullptr;
    Check(sqlite3_prepare_v2(db,
                             "INSERT INTO VisitorRegister (PassNo, Name, Company, ToMeet, "
                             "Department, CheckedIn, CheckedOut) VALUES (?, ?, ?, ?, ?, ?, ?)",
                             -1, &insert, nullptr),
          db);
    const QDateTime start(QDate(2022, 1, 3), QTime(8, 0));
    for (int n = existing; n < Visits; ++n) {
        const QDateTime in = start.addSecs(static_cast<qint64>(n) * 94);
        BindText(insert, 1, QString::number(n + 1).rightJustified(4, u'0'));
        BindText(insert, 2, Pick(random, first) + u' ' + Pick(random, last));
        BindText(insert, 3, Pick(random, companies));
        BindText(insert, 4, Pick(random, employees));
        BindText(insert, 5, Pick(random, departments));
        BindText(insert, 6, in.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        BindText(insert, 7, in.addSecs(3600).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        Check(sqlite3_step(insert), db);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    Check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
}

// A folder laid out before the look-up's indexes existed gets them, as the program adds missing
// indexes at start.
void Prepare(const QString& file) {
    sqlite3* db = nullptr;
    Check(sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr), db);
    const QByteArray key = QByteArrayLiteral("PRAGMA key = '") + DBManager::DatabasePassword + "';";
    Check(sqlite3_exec(db, key.constData(), nullptr, nullptr, nullptr), db);
    Fill(db);
    const int missing =
        2 - CountOf(db,
                    "SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name IN "
                    "('IX_VisitorRegister_NameCompany', 'IX_VisitorRegister_ToMeetDepartment')");
    if (missing > 0) {
        out() << "adding the look-up's " << missing << " missing index(es) ..." << Qt::endl;
        Check(sqlite3_exec(db,
                           "CREATE INDEX IF NOT EXISTS [IX_VisitorRegister_NameCompany] ON "
                           "[VisitorRegister] ([Name], [Company]);"
                           "CREATE INDEX IF NOT EXISTS [IX_VisitorRegister_ToMeetDepartment] ON "
                           "[VisitorRegister] ([ToMeet], [Department]);",
                           nullptr, nullptr, nullptr),
              db);
    }
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
    out() << qSetFieldWidth(52) << Qt::left << what << qSetFieldWidth(9) << Qt::right << rows
          << qSetFieldWidth(12) << QString::number(ours, 'f', 1) << qSetFieldWidth(12)
          << (shell > 0 ? QString::number(shell, 'f', 1) : QStringLiteral("-")) << qSetFieldWidth(8)
          << (shell > 0 ? QString::number(ours / shell, 'f', 2) : QStringLiteral("-"))
          << qSetFieldWidth(0) << Qt::endl;
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
    return QStringLiteral("SELECT DISTINCT [%1],[%2] FROM [VisitorRegister] WHERE [%1] LIKE '%3' "
                          "AND [%2] LIKE '%4' LIMIT %5")
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
        Report(QString::fromUtf8(lookUp.what), rows, ours, ShellMs(file, ShellSelect(lookUp)));
    }
}

// Search in the Quick Pick panel of a loaded main window: the query and the filled grid.
void TimeWindow(const QString& file) {
    MsgBox::StartRecording();
    frmMain window;
    window.Load();
    auto* grid = window.findChild<QTreeView*>(QStringLiteral("lstQuickGrid"));
    auto* search = window.findChild<QVButton*>(QStringLiteral("btnQuickSearch"));
    auto* first = window.findChild<QLineEdit*>(QStringLiteral("txtFraName"));
    auto* second = window.findChild<QLineEdit*>(QStringLiteral("txtFraCompany"));
    auto* visitorIcon = window.findChild<QLabel*>(QStringLiteral("imgHelpVisitor"));
    auto* employeeIcon = window.findChild<QLabel*>(QStringLiteral("imgHelpEmployee"));
    if (grid == nullptr || search == nullptr || first == nullptr || second == nullptr ||
        visitorIcon == nullptr || employeeIcon == nullptr) {
        throw std::runtime_error("the Quick Pick panel is missing");
    }
    out() << "Quick Pick search in the main window (query and grid)" << Qt::endl;
    for (const LookUp& lookUp : kLookUps) {
        // An icon click opens the panel in its mode; a second one on a hidden panel reopens it.
        QMetaObject::invokeMethod(lookUp.visitor ? visitorIcon : employeeIcon, "Click");
        if (window.findChild<QWidget*>(QStringLiteral("fraSimpleSearch"))->isHidden()) {
            QMetaObject::invokeMethod(lookUp.visitor ? visitorIcon : employeeIcon, "Click");
        }
        first->setText(QString::fromUtf8(lookUp.first));
        second->setText(QString::fromUtf8(lookUp.second));
        MsgBox::ClearRecorded();
        const double ms = MedianMs(Repeats, [&] { Q_EMIT search->Click(); });
        Report(QString::fromUtf8(lookUp.what) +
                   (MsgBox::Recorded().empty() ? QString() : QStringLiteral(" (capped)")),
               grid->model()->rowCount(), ms, ShellMs(file, ShellSelect(lookUp)));
    }
    MsgBox::StopRecording();
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QUORVANE_TEST_CAMERA", "0");
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 2) {
        QTextStream(stderr) << "usage: quickpick_bench <program folder>\n";
        return 2;
    }
    const QString folder = QDir(arguments.at(1)).absolutePath();
    try {
        if (!Install(folder)) {
            throw std::runtime_error("cannot lay out the program folder");
        }
        AppEnvironment::SetProgramFolder(folder);
        QElapsedTimer ready;
        ready.start();
        Prepare(DatabaseFile(folder));
        out() << "database " << DatabaseFile(folder) << " ready after " << ready.elapsed()
              << " ms; median of " << Repeats << " runs each" << Qt::endl;
        out() << qSetFieldWidth(52) << Qt::left << "look-up" << qSetFieldWidth(9) << Qt::right
              << "rows" << qSetFieldWidth(12) << "ours ms" << qSetFieldWidth(12) << "shell ms"
              << qSetFieldWidth(8) << "ratio" << qSetFieldWidth(0) << Qt::endl;
        TimeQueries(DatabaseFile(folder));
        TimeWindow(DatabaseFile(folder));
    } catch (const std::exception& error) {
        QTextStream(stderr) << "quickpick_bench: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
