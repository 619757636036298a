// Times a check-in on a register of 1,000,000 visits: from the click on Check-In to the page
// showing the next pass number with its lists refilled, the pass printed into a PDF file and its
// window closed at once. Beside it, the raw queries of the cycle, each next to the same SELECT run
// by the sqlcipher shell on the same file.
//
//   checkin_bench <program folder> [cycles]
//
// The folder is made with the installation data tool when it holds no database yet, and the
// visit table is filled up to 1,000,000 rows when it holds fewer (the same folder serves
// visitor_bench). Missing indexes are added as start-up adds them, and that time is shown too.
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
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

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

int ExistingVisits(sqlite3* db) {
    sqlite3_stmt* count = nullptr;
    Check(sqlite3_prepare_v2(db, "SELECT count(*) FROM VisitorRegister", -1, &count, nullptr), db);
    Check(sqlite3_step(count), db);
    const int rows = sqlite3_column_int(count, 0);
    sqlite3_finalize(count);
    return rows;
}

QString Pick(QRandomGenerator& random, const QStringList& pool) {
    return pool.at(static_cast<qsizetype>(random.bounded(static_cast<int>(pool.size()))));
}

// About 900 visits a working day over three years: 2,000 companies, 300 employees, a few types,
// purposes and departments, 15,000 visits still in.
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
    const QStringList first = {QStringLiteral("Ann"),   QStringLiteral("Bob"),
                               QStringLiteral("Chen"),  QStringLiteral("Dara"),
                               QStringLiteral("Eve"),   QStringLiteral("Farid"),
                               QStringLiteral("Grace"), QStringLiteral("Hugo")};
    const QStringList last = {QStringLiteral("Lee"),   QStringLiteral("O'Neil"),
                              QStringLiteral("Smith"), QStringLiteral("Garcia"),
                              QStringLiteral("Novak"), QStringLiteral("Okafor")};
    const QStringList types = {QStringLiteral("General"), QStringLiteral("Vendor"),
                               QStringLiteral("Others"), QStringLiteral("Contractor"),
                               QStringLiteral("Interview")};
    const QStringList purposes = {QStringLiteral("Official"), QStringLiteral("Personal"),
                                  QStringLiteral("Delivery"), QStringLiteral("Meeting"),
                                  QStringLiteral("Maintenance")};
    const QStringList departments = {QStringLiteral("Sales"),   QStringLiteral("HR"),
                                     QStringLiteral("Finance"), QStringLiteral("IT"),
                                     QStringLiteral("Legal"),   QStringLiteral("Research"),
                                     QStringLiteral("Support"), QStringLiteral("Facilities")};
    QStringList companies;
    for (int i = 0; i < 2000; ++i) {
        companies.append(Pick(random, last) + u' ' + QString::number(i) + QStringLiteral(" Ltd"));
    }
    QStringList employees;
    for (int i = 0; i < 300; ++i) {
        employees.append(Pick(random, first) + u' ' + Pick(random, last) + u' ' +
                         QString::number(i));
    }
    const QDateTime start(QDate(2022, 1, 3), QTime(8, 0));
    const qint64 span = start.secsTo(QDateTime(QDate(2025, 1, 3), QTime(8, 0)));
    for (int n = existing; n < Visits; ++n) {
        const QDateTime in = start.addSecs(span * n / Visits);
        const QString name = Pick(random, first) + u' ' + Pick(random, last);
        const QString values[] = {
            QString::number(n + 1).rightJustified(4, u'0'),
            name,
            QString::number(4915100000000LL + random.bounded(99999999)),
            QStringLiteral("visitor@example.com"),
            Pick(random, types),
            Pick(random, companies),
            QStringLiteral("1 Main Street"),
            Pick(random, purposes),
            Pick(random, employees),
            Pick(random, departments),
            QString(),
            in.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
        };
        for (int c = 0; c < 12; ++c) {
            const QByteArray utf8 = values[c].toUtf8();
            sqlite3_bind_text(insert, c + 1, utf8.constData(), static_cast<int>(utf8.size()),
                              SQLITE_TRANSIENT);
        }
        if (random.bounded(Visits) < 15'000) {
            sqlite3_bind_null(insert, 13);
        } else {
            const QByteArray out =
                in.addSecs(3600).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8();
            sqlite3_bind_text(insert, 13, out.constData(), static_cast<int>(out.size()),
                              SQLITE_TRANSIENT);
        }
        Check(sqlite3_step(insert), db);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    Check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
    sqlite3_close(db);
}

struct Timing {
    double median = 0;
    double low = 0;
    double high = 0;
};

Timing Measure(int repeats, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.front(), times.back()};
}

// The shell keys the file and runs the statement ShellRuns times, writing its rows away; the
// same run with a statement that only opens the file is taken off, and the rest shared out.
constexpr int ShellRuns = 10;

double ShellMs(const QString& file, const QString& select) {
    const auto run = [&](const QString& statement) {
        QByteArray script = QByteArrayLiteral("PRAGMA key = '") + DBManager::DatabasePassword +
                            "';\n.output /dev/null\nSELECT count(*) FROM sqlite_master;\n";
        for (int i = 0; i < ShellRuns; ++i) {
            script += statement.toUtf8() + ";\n";
        }
        return Measure(Repeats,
                       [&] {
                           QProcess shell;
                           shell.start(QStringLiteral("sqlcipher"), {file});
                           shell.write(script);
                           shell.closeWriteChannel();
                           shell.waitForFinished(-1);
                           if (shell.exitCode() != 0) {
                               throw std::runtime_error(shell.readAllStandardError().toStdString());
                           }
                       })
            .median;
    };
    return std::max(0.0, run(select) - run(QStringLiteral("SELECT 1"))) / ShellRuns;
}

void Row(const QString& what, int rows, double ours, double shell) {
    out() << qSetFieldWidth(46) << Qt::left << what << qSetFieldWidth(8) << Qt::right << rows
          << qSetFieldWidth(11) << QString::number(ours, 'f', 1) << qSetFieldWidth(11)
          << (shell >= 0 ? QString::number(shell, 'f', 1) : QStringLiteral("-"))
          << qSetFieldWidth(0) << Qt::endl;
}

QString SkipScan(const QString& column) {
    const QString c = u'[' + column + u']';
    return QStringLiteral("WITH RECURSIVE [Step]([Value]) AS (SELECT MIN(") + c +
           QStringLiteral(") FROM [VisitorRegister] WHERE ") + c +
           QStringLiteral(" > '' UNION ALL SELECT (SELECT MIN(") + c +
           QStringLiteral(") FROM [VisitorRegister] WHERE ") + c +
           QStringLiteral(" > [Step].[Value]) FROM [Step] WHERE [Step].[Value] IS NOT NULL) "
                          "SELECT [Value] FROM [Step] WHERE [Value] IS NOT NULL");
}

QString PlainDistinct(const QString& column) {
    const QString c = u'[' + column + u']';
    return QStringLiteral("SELECT DISTINCT ") + c +
           QStringLiteral(" FROM [VisitorRegister] WHERE length(") + c + QStringLiteral(") > 0");
}

void TimeQueries(const QString& file) {
    out() << Qt::endl
          << qSetFieldWidth(46) << Qt::left << "query of the cycle" << qSetFieldWidth(8)
          << Qt::right << "rows" << qSetFieldWidth(11) << "ours ms" << qSetFieldWidth(11)
          << "shell ms" << qSetFieldWidth(0) << Qt::endl;
    for (const char* name : {"VisitorType", "Company", "Purpose", "Department", "ToMeet"}) {
        const QString column = QString::fromLatin1(name);
        int rows = 0;
        const double ours =
            Measure(Repeats, [&] { rows = Visitor().GetDDValues(column)->RecordCount(); }).median;
        Row(QStringLiteral("GetDDValues ") + column, rows, ours, ShellMs(file, SkipScan(column)));
    }
    {
        // What the drop-downs cost before: a full scan of the encrypted table a column.
        int rows = 0;
        const QString plain = PlainDistinct(QStringLiteral("Company"));
        const double ours =
            Measure(1, [&] { rows = DBManager().GetRecordSet(plain)->RecordCount(); }).median;
        Row(QStringLiteral("(plain SELECT DISTINCT Company)"), rows, ours, ShellMs(file, plain));
    }
    QString next;
    const double nextMs = Measure(Repeats, [&] { next = Visitor().GetNextPassNo(); }).median;
    Row(QStringLiteral("GetNextPassNo -> ") + next, 1, nextMs,
        ShellMs(file, QStringLiteral("SELECT [PassNo] FROM [VisitorRegister] ORDER BY "
                                     "CAST([PassNo] AS INTEGER) DESC LIMIT 1")));
    const double loadMs = Measure(Repeats, [] {
                              Visitor visitor;
                              visitor.SetPassNo(QStringLiteral("500000"));
                              visitor.LoadVisitor();
                          }).median;
    Row(QStringLiteral("LoadVisitor 500000"), 1, loadMs,
        ShellMs(file, QStringLiteral("SELECT * FROM [VisitorRegister] where [PassNo]='500000'")));
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

template <typename T>
T* Find(QWidget& window, const char* name) {
    T* child = window.findChild<T*>(QString::fromLatin1(name));
    if (child == nullptr) {
        throw std::runtime_error(std::string("no control ") + name);
    }
    return child;
}

void TimeCheckIns(int cycles) {
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
    out() << Qt::endl << "main window loaded in " << loading.elapsed() << " ms" << Qt::endl;

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
    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    out() << "check-in cycle (click to next pass number, lists refilled, pass printed to PDF), "
          << cycles << " cycles: median " << QString::number(sorted[sorted.size() / 2], 'f', 1)
          << " ms, min " << QString::number(sorted.front(), 'f', 1) << " ms, max "
          << QString::number(sorted.back(), 'f', 1) << " ms" << Qt::endl;
    out() << "  first cycle " << QString::number(times.front(), 'f', 1)
          << " ms; lists: " << Find<QComboBox>(window, "ddCompany")->count() << " companies, "
          << Find<QComboBox>(window, "txtSearchToMeet")->count() << " persons to meet" << Qt::endl;
    qApp->removeEventFilter(&closer);
    MsgBox::StopRecording();
    window.hide();
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                    : qgetenv("QT_QPA_PLATFORM"));
    qputenv("QUORVANE_TEST_CAMERA", "0");
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 2 || arguments.size() > 3) {
        QTextStream(stderr) << "usage: checkin_bench <program folder> [cycles]\n";
        return 2;
    }
    const QString folder = QDir(arguments.at(1)).absolutePath();
    const int cycles = arguments.size() == 3 ? std::max(1, arguments.at(2).toInt()) : 15;
    try {
        TahomaFont::Register();
        if (!Install(folder)) {
            throw std::runtime_error("cannot lay out the program folder");
        }
        AppEnvironment::SetProgramFolder(folder);
        QElapsedTimer step;
        step.start();
        Fill(DatabaseFile(folder));
        out() << "database " << DatabaseFile(folder) << " ready after " << step.elapsed() << " ms"
              << Qt::endl;
        step.restart();
        if (!DatabaseIndexes::AddMissing()) {
            throw std::runtime_error("the indexes could not be added; see the folder's log");
        }
        out() << "indexes present after " << step.elapsed()
              << " ms (the first run on an older register builds them)" << Qt::endl;
        TimeQueries(DatabaseFile(folder));
        TimeCheckIns(cycles);
    } catch (const std::exception& error) {
        QTextStream(stderr) << "checkin_bench: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
