#include "DatabaseSnapshot.h"

#include "CoreError.h"
#include "PartialCopyFiles.h"
#include "PendingCopy.h"
#include "SqlCipherConnection.h"
#include "SqlCipherKeyCache.h"
#include "ZeroPageWatchVfs.h"
#include "basCommon.h"

#include <QFileInfo>
#include <QScopeGuard>
#include <QStringList>

#include <sqlcipher/sqlite3.h>

#include <cerrno>
#include <cstring>
#include <future>
#include <sys/stat.h>

namespace {

constexpr qint64 ChunkSize = 1 << 20;

QString SystemError(const QString& what, int error) {
    return what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error));
}

[[noreturn]] void FailFromEngine(int rc, const QString& what) {
    throw CoreError(what + QStringLiteral(": ") + QString::fromUtf8(sqlite3_errstr(rc)));
}

// The engine's own handle of the database file: a second handle of ours, once closed, would drop
// the process's locks on the file.
sqlite3_file* EngineFile(SqlCipherConnection& connection, const QString& source) {
    sqlite3_file* file = nullptr;
    const int rc =
        sqlite3_file_control(connection.Handle(), "main", SQLITE_FCNTL_FILE_POINTER, &file);
    if (rc != SQLITE_OK || file == nullptr || file->pMethods == nullptr) {
        FailFromEngine(rc == SQLITE_OK ? SQLITE_ERROR : rc,
                       QStringLiteral("Cannot read ") + source);
    }
    return file;
}

sqlite3_int64 FileSize(sqlite3_file* file, const QString& source) {
    sqlite3_int64 size = 0;
    if (const int rc = file->pMethods->xFileSize(file, &size); rc != SQLITE_OK) {
        FailFromEngine(rc, QStringLiteral("Cannot read ") + source);
    }
    return size;
}

// Calls `take` with each chunk of the file's bytes and its offset.
template <typename Take>
void ReadChunks(sqlite3_file* file, const QString& source, Take take) {
    const sqlite3_int64 size = FileSize(file, source);
    QByteArray chunk(static_cast<qsizetype>(ChunkSize), Qt::Uninitialized);
    for (sqlite3_int64 offset = 0; offset < size; offset += ChunkSize) {
        const int length = static_cast<int>(qMin<sqlite3_int64>(ChunkSize, size - offset));
        const int rc = file->pMethods->xRead(file, chunk.data(), length, offset);
        if (rc != SQLITE_OK && rc != SQLITE_IOERR_SHORT_READ) {
            FailFromEngine(rc, QStringLiteral("Cannot read ") + source);
        }
        take(chunk.constData(), length, offset);
    }
}

// A copy of the main file alone would miss what a register in WAL mode keeps in its -wal file.
void RefuseWriteAheadLog(SqlCipherConnection& connection, const QString& source) {
    const RecordSet mode = connection.Query(QStringLiteral("PRAGMA journal_mode"), {});
    if (!mode.AtEnd() && mode.Value(0, 0).toString().compare(u"wal", Qt::CaseInsensitive) == 0) {
        throw CoreError(QStringLiteral("The database is in WAL journal mode, so a copy of its file "
                                       "would miss its latest changes; set it back with "
                                       "\"PRAGMA journal_mode=DELETE\" first: ") +
                        source);
    }
}

// The copy is made in two passes, so that other workstations' commits wait only for the second:
// a draft of the bytes read without a lock, which their writes may tear, then, while the read
// transaction holds the shared lock, the file read again and only the chunks that differ from
// the draft written. The second pass reads from memory and writes little.
void CopyDatabaseBytes(SqlCipherConnection& connection, const QString& source, PendingCopy& copy) {
    RefuseWriteAheadLog(connection, source);
    sqlite3_file* file = EngineFile(connection, source);
    ReadChunks(file, source, [&copy](const char* data, qint64 length, qint64 offset) {
        copy.WriteAt(data, length, offset);
    });
    connection.ExecuteScript(QStringLiteral("BEGIN; SELECT count(*) FROM sqlite_master;"));
    RefuseWriteAheadLog(connection, source);
    ReadChunks(file, source, [&copy](const char* data, qint64 length, qint64 offset) {
        if (!copy.Holds(data, length, offset)) {
            copy.WriteAt(data, length, offset);
        }
    });
    copy.Truncate(FileSize(file, source));
    connection.ExecuteScript(QStringLiteral("COMMIT;"));
}

QString KeyPragma(const QString& key, const QString& path) {
    const QString raw = SqlCipherKeyCache::RawKeyPragma(key, SqlCipherKeyCache::ReadSalt(path));
    if (!raw.isEmpty()) {
        return raw;
    }
    QString quoted = key;
    quoted.replace(u'\'', QStringLiteral("''"));
    return QStringLiteral("PRAGMA key = '") + quoted + QStringLiteral("';");
}

// "ok" when the copy opens with the key, every page reads back whole and no page it reads as data
// is all zeros, else what went wrong. Each page carries its own authentication code, so reading
// them all finds a torn or damaged page without the slow cross-check of every index against its
// table; an all-zero page is the one the engine does not authenticate (see ZeroPageWatchVfs).
QString IntegrityOf(const QString& path, const QString& key) {
    sqlite3* db = nullptr;
    const auto close = qScopeGuard([&db] { sqlite3_close_v2(db); });
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY,
                        ZeroPageWatchVfs::Name()) != SQLITE_OK) {
        return db != nullptr ? QString::fromUtf8(sqlite3_errmsg(db))
                             : QStringLiteral("out of memory");
    }
    if (sqlite3_exec(db, KeyPragma(key, path).toUtf8().constData(), nullptr, nullptr, nullptr) !=
        SQLITE_OK) {
        return QString::fromUtf8(sqlite3_errmsg(db));
    }
    sqlite3_stmt* stmt = nullptr;
    const auto finalize = qScopeGuard([&stmt] { sqlite3_finalize(stmt); });
    if (sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &stmt, nullptr) != SQLITE_OK) {
        return QString::fromUtf8(sqlite3_errmsg(db));
    }
    QStringList verdict;
    for (int rc = sqlite3_step(stmt); rc != SQLITE_DONE; rc = sqlite3_step(stmt)) {
        if (rc != SQLITE_ROW) {
            return QString::fromUtf8(sqlite3_errmsg(db));
        }
        verdict.append(
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))));
    }
    if (verdict != QStringList{QStringLiteral("ok")}) {
        return verdict.join(QStringLiteral("; "));
    }
    const long long zeroPage = ZeroPageWatchVfs::FirstZeroPage(db);
    if (zeroPage < 0) {
        return QStringLiteral("its pages could not be watched");
    }
    return zeroPage == 0 ? QStringLiteral("ok")
                         : QStringLiteral("page %1 is all zeros").arg(zeroPage);
}

void CheckCopy(const PendingCopy& copy, const QString& key, const QString& target) {
    const QString verdict = IntegrityOf(copy.OpenPath(), key);
    if (verdict != u"ok") {
        throw CoreError(QStringLiteral("The copy of the database is damaged and was not kept (") +
                        verdict + QStringLiteral("): ") + target);
    }
}

bool SameFile(const QString& a, const QString& b) {
    struct stat first {};
    struct stat second {};
    return ::stat(QFile::encodeName(a).constData(), &first) == 0 &&
           ::stat(QFile::encodeName(b).constData(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

// The file a backup writes: the target, or the file that a symbolic link there points to, so the
// link stays and leads to the new copy.
QString ThroughLinks(const QString& target) {
    constexpr int MaxLinks = 40;
    QString path = QFileInfo(target).absoluteFilePath();
    for (int followed = 0; QFileInfo(path).isSymLink(); ++followed) {
        if (followed == MaxLinks) {
            throw CoreError(SystemError(QStringLiteral("Cannot write ") + target, ELOOP));
        }
        path = QFileInfo(path).symLinkTarget();
    }
    return path;
}

} // namespace

QString DatabaseSnapshot::Copy(const QString& source, const QString& target, const QString& key,
                               Existing existing) {
    if (!basCommon::FileExists(source)) {
        throw CoreError(QStringLiteral("File not found: ") + source);
    }
    const QString path =
        existing == Existing::Replace ? ThroughLinks(target) : QFileInfo(target).absoluteFilePath();
    const QString folder = QFileInfo(path).absolutePath();
    if (target.isEmpty() || !QFileInfo(folder).isDir()) {
        throw CoreError(QStringLiteral("Path not found: ") + folder);
    }
    if (QFileInfo(path).isDir()) {
        throw CoreError(QStringLiteral("Permission denied: ") + target +
                        QStringLiteral(" is a folder"));
    }
    if (SameFile(source, path)) {
        // Replacing the file under the open connections of other workstations would lose their
        // writes.
        throw CoreError(QStringLiteral("The backup cannot replace the database itself: ") + target);
    }
    // Copies in progress that killed runs left here go first.
    PartialCopyFiles::RemoveAbandoned(folder);
    PendingCopy copy(folder, path);
    {
        SqlCipherConnection connection(source, key);
        CopyDatabaseBytes(connection, source, copy);
    }
    // The disk writes the copy while the check reads it back.
    std::future<int> synced = std::async(std::launch::async, [&copy] { return copy.TrySync(); });
    CheckCopy(copy, key, target);
    if (const int error = synced.get(); error != 0) {
        throw CoreError(SystemError(QStringLiteral("Cannot write ") + target, error));
    }
    return existing == Existing::Replace ? copy.Publish() : copy.PublishUnderNewName();
}
