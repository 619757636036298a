#pragma once

// The program folder and the register of visits the benchmarks run on.

#include <QDateTime>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>

#include <sqlcipher/sqlite3.h>

#include <functional>

namespace BenchRegister {

// A real register's size.
constexpr int Visits = 1'000'000;

// Every fill draws from this seed, so every filled file looks the same.
constexpr quint32 Seed = 20240305;

QString DatabaseFile(const QString& folder);

// Lays the folder out with the installation data tool and the crypto plugin when it holds no
// database yet; throws when it cannot.
void LayOut(const QString& folder);

// A benchmark's main, run as `<name> <program folder>` and, when `optional` names them, up to
// `most` optional arguments: the folder is laid out and made the program's before `run` gets it
// and the optional arguments. 2 with the usage when the arguments do not fit, 1 with the error
// when something throws, else 0.
int RunOnFolder(const char* name, const char* optional,
                const std::function<void(const QString& folder, const QStringList& more)>& run,
                int most = 1);

// The register of a desk kept for years, where most visitors bring a company of their own: the
// filled register with its companies and persons to meet rewritten to this many distinct values.
constexpr int VarietyCompanies = 200'000;
constexpr int VarietyPersons = 20'000;
inline constexpr const char* HighVarietyOption = "--high-variety";

// Takes the option out of the arguments; true when it was there.
bool TakeHighVarietyOption(QStringList& more);

// Rewrites the companies and persons to meet of the filled file's visits to VarietyCompanies and
// VarietyPersons distinct values, unless that was done before. The file keeps its variety, so it
// is best kept in a folder of its own.
void MakeHighVariety(const QString& file);

// Throws with the engine's message when rc is an error.
void Check(int rc, sqlite3* db);

// The register's file, opened and keyed; closed with this.
class KeyedDatabase {
public:
    explicit KeyedDatabase(const QString& file);
    ~KeyedDatabase();
    KeyedDatabase(const KeyedDatabase&) = delete;
    KeyedDatabase& operator=(const KeyedDatabase&) = delete;

    sqlite3* Handle() const { return db_; }
    // The first column of the first row of the select, as a number.
    int Number(const char* select) const;
    void Execute(const char* sql) const;

private:
    sqlite3* db_ = nullptr;
};

// Binds one visit's values to the parameters of the insert, numbered from 1.
class VisitRow {
public:
    explicit VisitRow(sqlite3_stmt* insert)
        : insert_(insert) {}
    void Text(int parameter, const QString& text);
    void Null(int parameter);

private:
    sqlite3_stmt* insert_;
};

// Brings the visit table of the file up to Visits rows when it holds fewer, saying how many it
// adds: `add` gets the keyed file and the number of visits already in it.
void FillVisits(const QString& file,
                const std::function<void(const KeyedDatabase&, int existing)>& add);

// Gets the register of the file ready with `fill` and says how long that took, followed by the
// note.
void MakeReady(const QString& file, const std::function<void(const QString& file)>& fill,
               const QString& note = QString());

// Every column of the visit table, in order.
inline constexpr const char* AllColumns =
    "INSERT INTO VisitorRegister VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?)";

// Inserts the visits from `existing` up to Visits in one transaction through the insert
// statement; `write` binds the values of visit n (counted from 0).
void InsertVisits(const KeyedDatabase& db, int existing, const char* insert,
                  const std::function<void(VisitRow&, int n)>& write);

// What the shell runs beside the next pass number.
inline constexpr const char* NextPassNoSelect =
    "SELECT [PassNo] FROM [VisitorRegister] ORDER BY CAST([PassNo] AS INTEGER) DESC LIMIT 1";

// The names the fills draw from.
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

QString Pick(QRandomGenerator& random, const QStringList& pool);

// 2,000 companies, "<last name> <i> Ltd".
QStringList Companies(QRandomGenerator& random, const QStringList& last);

// 300 employees, "<first> <last>", followed by " <i>" when numbered.
QStringList Employees(QRandomGenerator& random, const QStringList& first, const QStringList& last,
                      bool numbered);

QString Phone(QRandomGenerator& random);

// The first visit's check-in, 3 January 2022 at 8:00.
QDateTime FirstCheckIn();

// The check-in of visit n when the visits are spread evenly over three years from the first.
QDateTime SpreadCheckIn(int n);

// How the register writes a time.
QString Stamp(const QDateTime& time);

// The visits of the standard register: about 900 a working day over three years, names from the
// pools, 2,000 companies and 300 employees, all drawn in turn from one generator, so every fill
// looks the same.
class StandardVisits {
public:
    // Draws the companies and the employees.
    explicit StandardVisits(QRandomGenerator& random);
    // Binds visit n's values from the pass number to the check-in (parameters 1 to 12) and gives
    // its check-in; the check-out is the caller's.
    QDateTime Write(VisitRow& row, int n);

private:
    QRandomGenerator& random_;
    Pools pools_;
    QStringList companies_;
    QStringList employees_;
};

} // namespace BenchRegister
