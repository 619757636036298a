#include "BenchRegister.h"

#include "BenchTiming.h"
#include "core/AppEnvironment.h"
#include "core/DBManager.h"

#include <QCoreApplication>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTextStream>

#include <stdexcept>

namespace BenchRegister {

QString DatabaseFile(const QString& folder) {
    return folder + QStringLiteral("/Data/") + QString::fromLatin1(DBManager::DefaultDatabaseName);
}

namespace {

bool Install(const QString& folder) {
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

} // namespace

void LayOut(const QString& folder) {
    if (!QFile::exists(DatabaseFile(folder)) && !Install(folder)) {
        throw std::runtime_error("cannot lay out the program folder");
    }
}

int RunOnFolder(const char* name, const char* optional,
                const std::function<void(const QString& folder, const QStringList& more)>& run,
                int most) {
    const QStringList arguments = QCoreApplication::arguments();
    const bool takesMore = optional != nullptr;
    if (arguments.size() < 2 || arguments.size() > 2 + (takesMore ? most : 0)) {
        QTextStream(stderr) << "usage: " << name << " <program folder>"
                            << (takesMore ? QStringLiteral(" ") + QString::fromLatin1(optional)
                                          : QString())
                            << '\n';
        return 2;
    }
    const QString folder = QDir(arguments.at(1)).absolutePath();
    try {
        LayOut(folder);
        AppEnvironment::SetProgramFolder(folder);
        run(folder, arguments.mid(2));
    } catch (const std::exception& error) {
        QTextStream(stderr) << name << ": " << error.what() << '\n';
        return 1;
    }
    return 0;
}

bool TakeHighVarietyOption(QStringList& more) {
    return more.removeAll(QString::fromLatin1(HighVarietyOption)) > 0;
}

namespace {

// The visit's company and person to meet follow its row number through a step prime to both
// counts, so every value turns up and neighbouring visits differ; the name and suffix depend on
// the number alone, so the counts are exact.
QByteArray VarietyCompany() {
    const QByteArray k = "(([rowid] * 7919) % 200000)";
    return "rtrim(substr('Adler Brandt Chen  Dumas Egger Fabre Gupta Hahn  Ibsen Jovic ', (" + k +
           " % 10) * 6 + 1, 6)) || ' ' || " + k + " || CASE " + k +
           " % 3 WHEN 0 THEN ' Ltd' WHEN 1 THEN ' GmbH' ELSE ' & Co' END";
}

QByteArray VarietyPerson() {
    const QByteArray k = "(([rowid] * 104729) % 20000)";
    return "rtrim(substr('Ann  Bob  Chen Dara Eve  Hugo Ines Omar ', (" + k +
           " % 8) * 5 + 1, 5)) || ' ' || rtrim(substr('Lee    Novak  Rossi  Singh  Walsh  ', ((" +
           k + " / 8) % 5) * 7 + 1, 7)) || ' ' || " + k;
}

} // namespace

void MakeHighVariety(const QString& file) {
    static_assert(VarietyCompanies == 200'000 && VarietyPersons == 20'000,
                  "the rewrite spells out both counts");
    const KeyedDatabase db(file);
    const QByteArray done = QByteArrayLiteral("SELECT count(*) FROM [VisitorRegister] WHERE "
                                              "[rowid] = 1 AND [Company] = ") +
                            VarietyCompany();
    if (db.Number(done.constData()) == 1) {
        return;
    }
    BenchTiming::out() << "rewriting companies and persons to meet to " << VarietyCompanies
                       << " and " << VarietyPersons << " distinct values ..." << Qt::endl;
    const QByteArray rewrite = QByteArrayLiteral("UPDATE [VisitorRegister] SET [Company] = ") +
                               VarietyCompany() + ", [ToMeet] = " + VarietyPerson();
    db.Execute("BEGIN");
    db.Execute(rewrite.constData());
    db.Execute("COMMIT");
}

void Check(int rc, sqlite3* db) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        throw std::runtime_error(sqlite3_errmsg(db));
    }
}

KeyedDatabase::KeyedDatabase(const QString& file) {
    const int rc = sqlite3_open_v2(file.toUtf8().constData(), &db_, SQLITE_OPEN_READWRITE, nullptr);
    try {
        Check(rc, db_);
        const QByteArray key =
            QByteArrayLiteral("PRAGMA key = '") + DBManager::DatabasePassword + "';";
        Execute(key.constData());
    } catch (...) {
        sqlite3_close(db_);
        throw;
    }
}

KeyedDatabase::~KeyedDatabase() {
    sqlite3_close(db_);
}

int KeyedDatabase::Number(const char* select) const {
    sqlite3_stmt* statement = nullptr;
    Check(sqlite3_prepare_v2(db_, select, -1, &statement, nullptr), db_);
    const int rc = sqlite3_step(statement);
    const int value = sqlite3_column_int(statement, 0);
    sqlite3_finalize(statement);
    Check(rc, db_);
    return value;
}

void KeyedDatabase::Execute(const char* sql) const {
    Check(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr), db_);
}

void VisitRow::Text(int parameter, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(insert_, parameter, utf8.constData(), static_cast<int>(utf8.size()),
                      SQLITE_TRANSIENT);
}

void VisitRow::Null(int parameter) {
    sqlite3_bind_null(insert_, parameter);
}

void FillVisits(const QString& file,
                const std::function<void(const KeyedDatabase&, int existing)>& add) {
    const KeyedDatabase db(file);
    const int existing = db.Number("SELECT count(*) FROM VisitorRegister");
    if (existing >= Visits) {
        return;
    }
    BenchTiming::out() << "filling " << (Visits - existing) << " visits ..." << Qt::endl;
    add(db, existing);
}

void MakeReady(const QString& file, const std::function<void(const QString& file)>& fill,
               const QString& note) {
    QElapsedTimer timer;
    timer.start();
    fill(file);
    BenchTiming::out() << "database " << file << " ready after " << timer.elapsed() << " ms" << note
                       << Qt::endl;
}

void InsertVisits(const KeyedDatabase& db, int existing, const char* insert,
                  const std::function<void(VisitRow&, int n)>& write) {
    sqlite3* handle = db.Handle();
    db.Execute("BEGIN");
    sqlite3_stmt* statement = nullptr;
    Check(sqlite3_prepare_v2(handle, insert, -1, &statement, nullptr), handle);
    VisitRow row(statement);
    try {
        for (int n = existing; n < Visits; ++n) {
            write(row, n);
            Check(sqlite3_step(statement), handle);
            sqlite3_reset(statement);
        }
    } catch (...) {
        sqlite3_finalize(statement);
        throw;
    }
    sqlite3_finalize(statement);
    db.Execute("COMMIT");
}

QString Pick(QRandomGenerator& random, const QStringList& pool) {
    return pool.at(static_cast<qsizetype>(random.bounded(static_cast<int>(pool.size()))));
}

QStringList Companies(QRandomGenerator& random, const QStringList& last) {
    QStringList companies;
    for (int i = 0; i < 2000; ++i) {
        companies.append(Pick(random, last) + u' ' + QString::number(i) + QStringLiteral(" Ltd"));
    }
    return companies;
}

QStringList Employees(QRandomGenerator& random, const QStringList& first, const QStringList& last,
                      bool numbered) {
    QStringList employees;
    for (int i = 0; i < 300; ++i) {
        QString name = Pick(random, first) + u' ' + Pick(random, last);
        if (numbered) {
            name += u' ' + QString::number(i);
        }
        employees.append(name);
    }
    return employees;
}

QString Phone(QRandomGenerator& random) {
    return QString::number(4915100000000LL + random.bounded(99999999));
}

QDateTime FirstCheckIn() {
    return {QDate(2022, 1, 3), QTime(8, 0)};
}

QDateTime SpreadCheckIn(int n) {
    const QDateTime start = FirstCheckIn();
    const qint64 span = start.secsTo(QDateTime(QDate(2025, 1, 3), QTime(8, 0)));
    return start.addSecs(span * n / Visits);
}

QString Stamp(const QDateTime& time) {
    return time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

StandardVisits::StandardVisits(QRandomGenerator& random)
    : random_(random)
    , companies_(Companies(random, pools_.last))
    , employees_(Employees(random, pools_.first, pools_.last, false)) {}

QDateTime StandardVisits::Write(VisitRow& row, int n) {
    const QDateTime in = SpreadCheckIn(n);
    const QString name = Pick(random_, pools_.first) + u' ' + Pick(random_, pools_.last);
    // A braced list is evaluated in order, so the draws come in column order.
    const QString values[] = {
        QString::number(n + 1).rightJustified(4, u'0'),
        name,
        Phone(random_),
        name.toLower().remove(u' ').remove(u'\'') + QStringLiteral("@example.com"),
        Pick(random_, pools_.types),
        Pick(random_, companies_),
        QString::number(random_.bounded(1, 200)) + QStringLiteral(" Main Street"),
        Pick(random_, pools_.purposes),
        Pick(random_, employees_),
        Pick(random_, pools_.departments),
        random_.bounded(10) == 0 ? QStringLiteral("Laptop registered") : QString(),
        Stamp(in),
    };
    for (int c = 0; c < 12; ++c) {
        row.Text(c + 1, values[c]);
    }
    return in;
}

} // namespace BenchRegister
