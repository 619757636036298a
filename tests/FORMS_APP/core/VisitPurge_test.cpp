// The purge as an administrator and the other workstations meet it: it says what it did when
// another workstation's read stops it midway, and its transactions lock and write the register
// alone, only reading its safety copy.
#include "QtPrinters.h"
#include "TempProgramFolder.h"

#include "core/AppEnvironment.h"
#include "core/DBManager.h"
#include "core/Settings.h"
#include "core/SqlCipherConnection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <sqlcipher/sqlite3.h>

#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <functional>
#include <memory>

namespace {

const QDateTime FixedNow(QDate(2025, 3, 14), QTime(9, 26, 53));
const QString Key = QString::fromLatin1(DBManager::DatabasePassword);
const QString PurgeEndDate = QStringLiteral("31-03-2024");
const QString PurgeLastSecond = QStringLiteral("2024-03-31 23:59:59");

// Every connection the process opens while a watch lives gets the engine's update and commit
// hooks, the purge's own too. So a test acts at a moment the purge's transactions define (while
// one deletes, just before one commits), as another workstation could, and no clock decides it.
class PurgeWatch final {
public:
    // Called at the first visit each of the purge's transactions deletes, with the number of
    // its transactions that reached their commit before.
    std::function<void(int commits)> whileDeleting;
    // Called just before each of the purge's transactions commits.
    std::function<void()> beforeCommit;

    PurgeWatch() {
        s_active = this;
        sqlite3_auto_extension(reinterpret_cast<void (*)()>(&PurgeWatch::Install));
    }
    ~PurgeWatch() {
        sqlite3_cancel_auto_extension(reinterpret_cast<void (*)()>(&PurgeWatch::Install));
        s_active = nullptr;
    }
    Q_DISABLE_COPY_MOVE(PurgeWatch)

private:
    static int Install(sqlite3* db, char**, const sqlite3_api_routines*) {
        sqlite3_update_hook(db, &PurgeWatch::OnUpdate, db);
        sqlite3_commit_hook(db, &PurgeWatch::OnCommit, db);
        return SQLITE_OK;
    }
    static void OnUpdate(void* db, int operation, const char* database, const char* table,
                         sqlite3_int64) {
        PurgeWatch* watch = s_active;
        if (watch == nullptr || operation != SQLITE_DELETE || qstrcmp(database, "main") != 0 ||
            qstrcmp(table, "VisitorRegister") != 0 || watch->m_deleting == db) {
            return;
        }
        watch->m_deleting = db;
        if (watch->whileDeleting) {
            watch->whileDeleting(watch->m_commits);
        }
    }
    static int OnCommit(void* db) {
        PurgeWatch* watch = s_active;
        if (watch != nullptr && watch->m_deleting == db) {
            watch->m_deleting = nullptr;
            ++watch->m_commits;
            if (watch->beforeCommit) {
                watch->beforeCommit();
            }
        }
        return 0;
    }

    static inline PurgeWatch* s_active = nullptr;
    void* m_deleting = nullptr;
    int m_commits = 0;
};

class VisitPurgeTest : public ::testing::Test {
protected:
    TempProgramFolder folder;

    void SetUp() override {
        ASSERT_TRUE(folder.IsValid());
        AppEnvironment::SetClock([] { return FixedNow; });
    }

    // Visits seven minutes apart from 1 January 2024 on, about 18,600 in the first three months.
    void AddVisits(int count) const {
        SqlCipherConnection connection(folder.DatabaseFile(), Key);
        connection.ExecuteScript(
            QStringLiteral(
                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i < %1) "
                "INSERT INTO [VisitorRegister]([PassNo],[Name],[Company],[ToMeet],[CheckedIn]) "
                "SELECT printf('%05d', i), 'Visitor ' || i, 'Company ' || ((i * 7919) % 5003), "
                "'Host ' || ((i * 104729) % 997), "
                "datetime('2024-01-01 08:00:00', '+' || (i * 7) || ' minutes') FROM n;")
                .arg(count));
    }

    // Every visit of the file by pass number: its row, check-in and name.
    static QMap<QString, QString> Visits(const QString& file) {
        SqlCipherConnection connection(file, Key);
        const RecordSet rows = connection.Query(
            QStringLiteral("SELECT [PassNo], rowid || '|' || [CheckedIn] || '|' || [Name] FROM "
                           "[VisitorRegister]"),
            {});
        QMap<QString, QString> visits;
        for (int row = 0; row < rows.RecordCount(); ++row) {
            visits.insert(rows.Value(row, 0).toString(), rows.Value(row, 1).toString());
        }
        return visits;
    }

    static QString CheckedInOf(const QString& visit) { return visit.section(u'|', 1, 1); }

    // The safety copies in the data folder, by their full paths.
    QStringList SafetyCopies() const {
        QStringList copies;
        for (const QString& entry :
             QDir(folder.DataFolder())
                 .entryList({QStringLiteral("quorvane.purge.*")}, QDir::Files)) {
            if (!entry.endsWith(QStringLiteral("-journal"))) {
                copies.append(folder.DataFolder() + entry);
            }
        }
        return copies;
    }

    // The log lines of the given source, without their time.
    QStringList LogOf(const QString& source) const {
        QStringList lines;
        for (const QString& line : folder.LogLines()) {
            if (line.section(u'\t', 1, 1) == source) {
                lines.append(line.section(u'\t', 2));
            }
        }
        return lines;
    }
};

// The modes this process has the file open with.
QList<int> OpenModes(const QString& file) {
    const QString target = QFileInfo(file).canonicalFilePath();
    QList<int> modes;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& fd :
         fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        if (QFileInfo(fds.filePath(fd)).symLinkTarget() != target) {
            continue;
        }
        QFile info(QStringLiteral("/proc/self/fdinfo/") + fd);
        if (!info.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QRegularExpressionMatch flags =
            QRegularExpression(QStringLiteral("flags:\\s*([0-7]+)"))
                .match(QString::fromLatin1(info.readAll()));
        if (flags.hasMatch()) {
            modes.append(flags.captured(1).toInt(nullptr, 8) & O_ACCMODE);
        }
    }
    return modes;
}

// The names of the files made in a folder while the object lives, from the kernel's own record.
class FilesMade final {
public:
    explicit FilesMade(const QString& folder)
        : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        EXPECT_GE(m_fd, 0);
        EXPECT_GE(inotify_add_watch(m_fd, folder.toLocal8Bit().constData(), IN_CREATE), 0);
    }
    ~FilesMade() { ::close(m_fd); }
    Q_DISABLE_COPY_MOVE(FilesMade)

    QStringList Names() {
        alignas(inotify_event) char buffer[16384];
        for (;;) {
            const ssize_t size = ::read(m_fd, buffer, sizeof buffer);
            if (size <= 0) {
                return m_names;
            }
            for (ssize_t at = 0; at < size;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->len > 0) {
                    m_names.append(QString::fromLocal8Bit(event->name));
                }
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    }

private:
    int m_fd;
    QStringList m_names;
};

TEST_F(VisitPurgeTest, APurgeStoppedByAnotherWorkstationsReadSaysWhatItDeleted) {
    AddVisits(30000);
    const QMap<QString, QString> original = Visits(folder.DatabaseFile());
    qsizetype purgeable = 0;
    for (const QString& visit : original) {
        purgeable += CheckedInOf(visit) <= PurgeLastSecond ? 1 : 0;
    }
    ASSERT_GT(purgeable, 10000);

    // Once the purge has committed a transaction, another workstation starts a long read (a
    // report, a backup) while the next one deletes, and holds it past the busy timeout, so that
    // commit cannot go through.
    std::unique_ptr<SqlCipherConnection> reader;
    PurgeWatch watch;
    watch.whileDeleting = [&](int commits) {
        if (commits > 0 && !reader) {
            reader = std::make_unique<SqlCipherConnection>(folder.DatabaseFile(), Key);
            reader->ExecuteScript(QStringLiteral("BEGIN; SELECT count(*) FROM [VisitorRegister];"));
        }
    };
    const QString answer = Settings().Purge(PurgeEndDate);
    ASSERT_TRUE(reader != nullptr) << "the purge ended in one transaction";
    reader.reset();

    // Every visit that went is in the safety copy as it was, none after the date went, and some
    // before it are still there.
    const QMap<QString, QString> now = Visits(folder.DatabaseFile());
    const QStringList copies = SafetyCopies();
    ASSERT_EQ(copies.size(), 1);
    const QMap<QString, QString> copied = Visits(copies.first());
    QString lastDeleted;
    qsizetype deleted = 0;
    for (auto visit = original.begin(); visit != original.end(); ++visit) {
        if (now.contains(visit.key())) {
            EXPECT_EQ(now.value(visit.key()), visit.value());
            continue;
        }
        ++deleted;
        EXPECT_LE(CheckedInOf(visit.value()), PurgeLastSecond) << visit.value().toStdString();
        EXPECT_EQ(copied.value(visit.key()), visit.value());
        lastDeleted = std::max(lastDeleted, CheckedInOf(visit.value()));
    }
    ASSERT_GT(deleted, 0);
    ASSERT_LT(deleted, purgeable);

    // The answer keeps the window's first sentence and says how many went, up to which check-in,
    // where they are kept, and why it stopped.
    const QString said = QStringLiteral(" The purge stopped after deleting %1 visits checked in up "
                                        "to %2 (database is locked); each of them is in the "
                                        "safety copy %3.")
                             .arg(deleted)
                             .arg(lastDeleted, copies.first());
    EXPECT_EQ(answer, QString::fromLatin1(Settings::PurgeFailedMessage) + said);
    // The log has the start with the date and the copy, the engine's error with the statement,
    // and the same account.
    EXPECT_EQ(LogOf(QStringLiteral("Purge")),
              (QStringList{QStringLiteral("Purging the visits checked in up to ") +
                               PurgeLastSecond + QStringLiteral("; safety copy: ") + copies.first(),
                           said.mid(1)}));
    const QStringList engine = LogOf(QStringLiteral("ExecuteNonQuery"));
    ASSERT_EQ(engine.size(), 1);
    // The read held the COMMIT off, so the COMMIT is the statement named.
    EXPECT_EQ(engine.first(), QStringLiteral("database is locked\tCOMMIT"))
        << engine.first().toStdString();
}

TEST_F(VisitPurgeTest, ThePurgesTransactionsWriteTheRegisterAloneAndOnlyReadTheSafetyCopy) {
    AddVisits(25000);
    const QMap<QString, QString> original = Visits(folder.DatabaseFile());
    FilesMade made(folder.DataFolder());
    QString copy;
    QByteArray copyBytes;
    QDateTime copyModified;
    int commits = 0;
    PurgeWatch watch;
    watch.whileDeleting = [&](int) {
        if (copy.isEmpty() && SafetyCopies().size() == 1) {
            copy = SafetyCopies().first();
            QFile file(copy);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            copyBytes = file.readAll();
            copyModified = QFileInfo(copy).lastModified();
        }
    };
    // Each commit locks the register alone: the copy is open, and only for reading.
    watch.beforeCommit = [&] {
        ++commits;
        ASSERT_FALSE(copy.isEmpty());
        const QList<int> modes = OpenModes(copy);
        EXPECT_FALSE(modes.isEmpty());
        for (const int mode : modes) {
            EXPECT_EQ(mode, O_RDONLY);
        }
    };
    ASSERT_EQ(Settings().Purge(PurgeEndDate), QString());
    EXPECT_GT(commits, 1);

    // No transaction spanned two files: no super-journal was made, nor a journal of the copy.
    const QStringList names = made.Names();
    EXPECT_EQ(names.filter(QStringLiteral("-mj")), QStringList()) << names.join(u' ').toStdString();
    EXPECT_EQ(names.filter(QRegularExpression(QStringLiteral("^quorvane\\.purge\\..*-"))),
              QStringList());
    QFile file(copy);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), copyBytes);
    EXPECT_EQ(QFileInfo(copy).lastModified(), copyModified);

    // The purge went through all the same, and says so at its start and end.
    const QMap<QString, QString> now = Visits(folder.DatabaseFile());
    qsizetype purged = 0;
    for (auto visit = original.begin(); visit != original.end(); ++visit) {
        const bool gone = CheckedInOf(visit.value()) <= PurgeLastSecond;
        EXPECT_EQ(now.contains(visit.key()), !gone) << visit.value().toStdString();
        purged += gone ? 1 : 0;
    }
    EXPECT_EQ(LogOf(QStringLiteral("Purge")),
              (QStringList{QStringLiteral("Purging the visits checked in up to ") +
                               PurgeLastSecond + QStringLiteral("; safety copy: ") + copy,
                           QStringLiteral("Purged %1 visits checked in up to ").arg(purged) +
                               PurgeLastSecond + QStringLiteral("; safety copy: ") + copy}));
}

} // namespace
