// Times the backup and the purge of a year on a register of 1,000,000 visits while two other
// desks check visitors in without a break, each beside its anchor in the same run: the backup
// beside the sqlcipher shell's ".backup" of the same file (and `cp` and the shell's
// "PRAGMA quick_check"), the purge beside the shell's DELETE of the same rows on a copy of the
// same register. The anchors run without the desks. For each, the check-ins at the two desks
// meanwhile: how many, how many failed and the slowest.
//
//   backup_purge_bench <program folder> [--high-variety]
//
// The folder is made and filled when it holds no register yet. With --high-variety the
// register's companies and persons to meet are rewritten to 200,000 and 20,000 distinct values
// (once; give that register a folder of its own). The purge deletes a third of the
// register, so every run works on a fresh copy of the folder ("<folder>-run"), removed at the
// end.
#include "BenchRegister.h"
#include "BenchTiming.h"
#include "core/AppEnvironment.h"
#include "core/DBManager.h"
#include "core/DatabaseIndexes.h"
#include "core/Settings.h"
#include "core/Visitor.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <vector>

#include <unistd.h>

namespace {

using namespace BenchRegister;
using namespace BenchTiming;

const QString DeskSwitch = QStringLiteral("--desk");
constexpr int Desks = 2;
constexpr int WhatWidth = 34;
// The purge takes the first of the three years.
const QString PurgeEndDate = QStringLiteral("31-12-2022");
const QString PurgeLastSecond = QStringLiteral("2022-12-31 23:59:59");

// About 900 visits a working day over three years, each a few hours long.
void Fill(const QString& file) {
    FillVisits(file, [](const KeyedDatabase& db, int existing) {
        QRandomGenerator random(Seed);
        StandardVisits visits(random);
        InsertVisits(db, existing, AllColumns, [&](VisitRow& row, int n) {
            const QDateTime in = visits.Write(row, n);
            row.Text(13, Stamp(in.addSecs(1800 + random.bounded(4 * 3600))));
        });
    });
}

// A desk: checks visitors in through the program until the stop file appears, one line a
// check-in: its start (ms since the epoch), its length in ms and 1 or 0 for success.
int RunDesk(const QStringList& arguments) {
    if (arguments.size() != 5) {
        return 2;
    }
    AppEnvironment::SetProgramFolder(arguments.at(2));
    QFile log(arguments.at(3));
    if (!log.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        return 1;
    }
    const QString stop = arguments.at(4);
    for (int n = 0; !QFile::exists(stop); ++n) {
        Visitor visitor;
        visitor.SetVisitorName(QStringLiteral("Desk visitor ") + QString::number(n));
        visitor.SetVisitorType(QStringLiteral("General"));
        visitor.SetPurpose(QStringLiteral("Official"));
        visitor.SetToMeet(QStringLiteral("Ann Lee"));
        const qint64 start = QDateTime::currentMSecsSinceEpoch();
        QElapsedTimer timer;
        timer.start();
        const bool stored = visitor.InsertVisitorRecord();
        const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        log.write(QStringLiteral("%1 %2 %3\n").arg(start).arg(ms).arg(stored ? 1 : 0).toUtf8());
    }
    return 0;
}

struct CheckIn {
    qint64 start;
    double ms;
    bool stored;
};

struct Phase {
    qint64 start = 0;
    qint64 end = 0;
    double ms = 0;
};

class DeskRun {
public:
    explicit DeskRun(const QString& folder)
        : m_folder(folder) {
        QFile::remove(StopFile());
        for (int d = 0; d < Desks; ++d) {
            auto desk = std::make_unique<QProcess>();
            desk->setProcessChannelMode(QProcess::ForwardedChannels);
            desk->start(QCoreApplication::applicationFilePath(),
                        {DeskSwitch, folder, LogFile(d), StopFile()});
            if (!desk->waitForStarted()) {
                throw std::runtime_error("a desk cannot be started");
            }
            m_desks.push_back(std::move(desk));
        }
    }
    ~DeskRun() { Stop(); }
    DeskRun(const DeskRun&) = delete;
    DeskRun& operator=(const DeskRun&) = delete;

    void Stop() {
        QFile stop(StopFile());
        if (stop.open(QIODevice::WriteOnly)) {
            stop.close();
        }
        for (const auto& desk : m_desks) {
            desk->waitForFinished(-1);
        }
    }

    // The check-ins of every desk that ran during the phase.
    std::vector<CheckIn> During(const Phase& phase) const {
        std::vector<CheckIn> during;
        for (int d = 0; d < Desks; ++d) {
            QFile log(LogFile(d));
            if (!log.open(QIODevice::ReadOnly)) {
                continue;
            }
            while (!log.atEnd()) {
                const QList<QByteArray> parts = log.readLine().trimmed().split(' ');
                if (parts.size() != 3) {
                    continue;
                }
                const CheckIn checkIn{parts[0].toLongLong(), parts[1].toDouble(), parts[2] == "1"};
                const qint64 end = checkIn.start + static_cast<qint64>(checkIn.ms);
                if (end >= phase.start && checkIn.start <= phase.end) {
                    during.push_back(checkIn);
                }
            }
        }
        return during;
    }

private:
    QString LogFile(int desk) const { return m_folder + QStringLiteral("/desk%1.log").arg(desk); }
    QString StopFile() const { return m_folder + QStringLiteral("/stop-desks"); }

    QString m_folder;
    std::vector<std::unique_ptr<QProcess>> m_desks;
};

Phase Time(const std::function<void()>& work) {
    // Each phase starts with nothing left to write from the ones before (the copies of the
    // register), so no phase waits for another's writes in its own sync.
    ::sync();
    Phase phase;
    phase.start = QDateTime::currentMSecsSinceEpoch();
    QElapsedTimer timer;
    timer.start();
    work();
    phase.ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    phase.end = QDateTime::currentMSecsSinceEpoch();
    return phase;
}

void Run(const QStringList& program, const QByteArray& input = {}) {
    QProcess process;
    process.start(program.first(), program.mid(1));
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(-1);
    const QByteArray errors = process.readAllStandardError();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0 ||
        !errors.isEmpty()) {
        throw std::runtime_error(program.join(u' ').toStdString() + ": " + errors.toStdString());
    }
}

void Shell(const QString& file, const QByteArray& script) {
    Run({QStringLiteral("sqlcipher"), file}, QByteArrayLiteral(".timeout 10000\nPRAGMA key = '") +
                                                 DBManager::DatabasePassword + "';\n" + script);
}

int VisitsUpTo(const QString& file, const QString& lastSecond) {
    const KeyedDatabase db(file);
    return db.Number((QStringLiteral("SELECT count(*) FROM VisitorRegister WHERE CheckedIn <= '") +
                      lastSecond + u'\'')
                         .toUtf8()
                         .constData());
}

void PrintHeader() {
    PrintLine({{WhatWidth, QStringLiteral("operation")},
               {11, QStringLiteral("ms")},
               {11, QStringLiteral("check-ins")},
               {8, QStringLiteral("failed")},
               {13, QStringLiteral("slowest ms")},
               {13, QStringLiteral("started at s")}});
}

void PrintPhase(const QString& what, const Phase& phase, const DeskRun* desks) {
    if (desks == nullptr) {
        PrintLine({{WhatWidth, what},
                   {11, Ms(phase.ms)},
                   {11, QStringLiteral("-")},
                   {8, QStringLiteral("-")},
                   {13, QStringLiteral("-")},
                   {13, QStringLiteral("-")}});
        return;
    }
    const std::vector<CheckIn> during = desks->During(phase);
    const auto failed = std::count_if(during.begin(), during.end(),
                                      [](const CheckIn& checkIn) { return !checkIn.stored; });
    double slowest = 0;
    qint64 slowestStart = phase.start;
    for (const CheckIn& checkIn : during) {
        if (checkIn.ms > slowest) {
            slowest = checkIn.ms;
            slowestStart = checkIn.start;
        }
    }
    PrintLine({{WhatWidth, what},
               {11, Ms(phase.ms)},
               {11, QString::number(during.size())},
               {8, QString::number(failed)},
               {13, Ms(slowest)},
               {13, Ms(static_cast<double>(slowestStart - phase.start) / 1000.0)}});
}

void Bench(const QString& folder, bool variety) {
    const QString source = DatabaseFile(folder);
    MakeReady(source, [variety](const QString& file) {
        Fill(file);
        if (variety) {
            MakeHighVariety(file);
        }
    });
    // As start-up does: a register made by an older version gains the indexes of this one.
    if (!DatabaseIndexes::AddMissing()) {
        throw std::runtime_error("the indexes could not be added; see the folder's log");
    }
    const int purged = VisitsUpTo(source, PurgeLastSecond);
    const QString work = folder + QStringLiteral("-run");
    QDir(work).removeRecursively();
    Run({QStringLiteral("cp"), QStringLiteral("-a"), folder, work});
    const QString file = DatabaseFile(work);
    AppEnvironment::SetProgramFolder(work);

    // The anchors run alone: the shell's backup starts over whenever another connection writes,
    // so beside the desks it would not end.
    const QString target = work + QStringLiteral("/backup.qbk");
    const Phase cp = Time([&] { Run({QStringLiteral("cp"), file, target}); });
    const Phase shellCheck =
        Time([&] { Shell(target, ".output /dev/null\nPRAGMA quick_check;\n"); });
    // The shell writes its backup unencrypted.
    const QString shellTarget = work + QStringLiteral("/shell-backup.db");
    const Phase shellBackup =
        Time([&] { Shell(file, ".backup '" + shellTarget.toUtf8() + "'\n"); });
    QFile::remove(shellTarget);
    QFile::remove(target);

    // Ours alone too, as the shell's ran.
    const Phase backupAlone = Time([&] {
        const QString error = DBManager().Backup(target);
        if (!error.isEmpty()) {
            throw std::runtime_error("backup: " + error.toStdString());
        }
    });

    DeskRun desks(work);
    // The desks get going first; then how they fare with nothing else running.
    QThread::sleep(1);
    const Phase alone = Time([] { QThread::sleep(3); });
    const Phase backup = Time([&] {
        const QString error = DBManager().Backup(target);
        if (!error.isEmpty()) {
            throw std::runtime_error("backup: " + error.toStdString());
        }
    });
    const Phase purge = Time([&] {
        const QString error = Settings().Purge(PurgeEndDate);
        if (!error.isEmpty()) {
            throw std::runtime_error("purge: " + error.toStdString());
        }
    });
    desks.Stop();
    const int left = VisitsUpTo(file, PurgeLastSecond);

    // The anchors of the purge: the shell deletes the same rows from a copy of the register, in
    // one statement, with its default page cache and with a 256 MB one.
    const QString anchor = work + QStringLiteral("/anchor.qvd");
    const auto shellDelete = [&](const QByteArray& cache) {
        Run({QStringLiteral("cp"), source, anchor});
        return Time([&] {
            Shell(anchor, cache + "DELETE FROM VisitorRegister WHERE CheckedIn <= '" +
                              PurgeLastSecond.toUtf8() + "';\n");
        });
    };
    const Phase shellDeleteDefault = shellDelete({});
    const Phase shellDeleteCache = shellDelete("PRAGMA cache_size = -262144;\n");

    out() << "register " << source << ": purge up to " << PurgeEndDate << ", " << purged
          << " visits; " << left << " of them left after ours; " << Desks
          << " desks checking in beside ours" << Qt::endl;
    PrintHeader();
    PrintPhase(QStringLiteral("cp of the file"), cp, nullptr);
    PrintPhase(QStringLiteral("shell .backup"), shellBackup, nullptr);
    PrintPhase(QStringLiteral("shell quick_check of the cp"), shellCheck, nullptr);
    PrintPhase(QStringLiteral("DBManager::Backup, desks idle"), backupAlone, nullptr);
    PrintPhase(QStringLiteral("desks alone, 3 s"), alone, &desks);
    PrintPhase(QStringLiteral("DBManager::Backup"), backup, &desks);
    PrintPhase(QStringLiteral("Settings::Purge"), purge, &desks);
    PrintPhase(QStringLiteral("shell DELETE, default cache"), shellDeleteDefault, nullptr);
    PrintPhase(QStringLiteral("shell DELETE, 256 MB cache"), shellDeleteCache, nullptr);
    out() << "backup (desks idle) / shell .backup " << Ms(backupAlone.ms / shellBackup.ms)
          << "; purge / shell DELETE with 256 MB cache " << Ms(purge.ms / shellDeleteCache.ms)
          << Qt::endl;
    QDir(work).removeRecursively();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() > 1 && arguments.at(1) == DeskSwitch) {
        return RunDesk(arguments);
    }
    return RunOnFolder(
        "backup_purge_bench", "[--high-variety]", [](const QString& folder, QStringList more) {
            const bool variety = TakeHighVarietyOption(more);
            if (!more.isEmpty()) {
                throw std::runtime_error("unknown argument " + more.at(0).toStdString());
            }
            Bench(folder, variety);
        });
}
