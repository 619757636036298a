#include "DatabaseSnapshot.h"

#include "CoreError.h"
#include "SqlCipherConnection.h"
#include "SqlCipherKeyCache.h"
#include "basCommon.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStringList>

#include <sqlcipher/sqlite3.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 ChunkSize = 1 << 20;

QString SystemError(const QString& what, int error) {
    return what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error));
}

// The copy being written: a file without a name in the target's folder until it has been checked
// (where the file system allows it), so a process killed midway leaves nothing behind; else a
// hidden name beside the target, removed on failure.
class PendingCopy final {
public:
    PendingCopy(const QString& folder, const QString& target)
        : m_folder(folder)
        , m_target(target) {
        m_fd = ::open(QFile::encodeName(folder).constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0644);
        if (m_fd >= 0) {
            return;
        }
        m_named = HiddenName();
        m_fd = ::open(QFile::encodeName(m_named).constData(),
                      O_CREAT | O_TRUNC | O_RDWR | O_CLOEXEC, 0644);
        if (m_fd < 0) {
            const int error = errno;
            m_named.clear();
            throw CoreError(SystemError(QStringLiteral("Permission denied: ") + target, error));
        }
    }
    ~PendingCopy() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        if (!m_named.isEmpty()) {
            ::unlink(QFile::encodeName(m_named).constData());
        }
    }
    Q_DISABLE_COPY_MOVE(PendingCopy)

    // True when the copy holds exactly these bytes at the offset.
    bool Holds(const char* data, qint64 size, qint64 offset) {
        m_compare.resize(static_cast<qsizetype>(size));
        qint64 done = 0;
        while (done < size) {
            const ssize_t got =
                ::pread(m_fd, m_compare.data() + done, static_cast<size_t>(size - done),
                        static_cast<off_t>(offset + done));
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                return false;
            }
            done += got;
        }
        return std::memcmp(m_compare.constData(), data, static_cast<size_t>(size)) == 0;
    }

    void WriteAt(const char* data, qint64 size, qint64 offset) {
        while (size > 0) {
            const ssize_t written =
                ::pwrite(m_fd, data, static_cast<size_t>(size), static_cast<off_t>(offset));
            if (written < 0 && errno == EINTR) {
                continue;
            }
            if (written <= 0) {
                throw CoreError(SystemError(QStringLiteral("Cannot write ") + m_target,
                                            written < 0 ? errno : ENOSPC));
            }
            data += written;
            size -= written;
            offset += written;
        }
    }

    void Truncate(qint64 size) {
        if (::ftruncate(m_fd, static_cast<off_t>(size)) != 0) {
            throw CoreError(SystemError(QStringLiteral("Cannot write ") + m_target, errno));
        }
    }

    // 0 once the copy is on the disk, else the error number; safe beside the check's reads.
    int TrySync() const { return ::fsync(m_fd) == 0 ? 0 : errno; }

    // A path under which the engine can open the copy as it is: its own handle while it has no
    // name (see VerbatimVfs), else its hidden name.
    QString OpenPath() const {
        return m_named.isEmpty() ? QStringLiteral("/proc/self/fd/") + QString::number(m_fd)
                                 : m_named;
    }
    bool IsNameless() const { return m_named.isEmpty(); }

    // Gives a nameless copy the hidden name that it is renamed from; one that a killed backup
    // left there is replaced.
    QString Name() {
        if (m_named.isEmpty()) {
            const QString named = HiddenName();
            const QByteArray fdPath =
                QByteArrayLiteral("/proc/self/fd/") + QByteArray::number(m_fd);
            ::unlink(QFile::encodeName(named).constData());
            if (::linkat(AT_FDCWD, fdPath.constData(), AT_FDCWD,
                         QFile::encodeName(named).constData(), AT_SYMLINK_FOLLOW) != 0) {
                throw CoreError(SystemError(QStringLiteral("Cannot write ") + m_target, errno));
            }
            m_named = named;
        }
        return m_named;
    }

    // Gives the checked copy the target's name, replacing an existing file.
    void Publish() {
        if (::rename(QFile::encodeName(Name()).constData(),
                     QFile::encodeName(m_target).constData()) != 0) {
            throw CoreError(SystemError(QStringLiteral("Cannot write ") + m_target, errno));
        }
        m_named.clear();
        const int folder = ::open(QFile::encodeName(m_folder).constData(), O_RDONLY | O_CLOEXEC);
        if (folder >= 0) {
            ::fsync(folder);
            ::close(folder);
        }
    }

private:
    QString HiddenName() const {
        return m_folder + QStringLiteral("/.") + QFileInfo(m_target).fileName() +
               QStringLiteral(".partial");
    }

    QString m_folder;
    QString m_target;
    QString m_named;
    int m_fd = -1;
    QByteArray m_compare;
};

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

// The copy is made in two passes, so that other workstations' commits wait only for the second:
// a draft of the bytes read without a lock, which their writes may tear, then, while the read
// transaction holds the shared lock, the file read again and only the chunks that differ from
// the draft written. The second pass reads from memory and writes little.
void CopyDatabaseBytes(SqlCipherConnection& connection, const QString& source, PendingCopy& copy) {
    sqlite3_file* file = EngineFile(connection, source);
    ReadChunks(file, source, [&copy](const char* data, qint64 length, qint64 offset) {
        copy.WriteAt(data, length, offset);
    });
    connection.ExecuteScript(QStringLiteral("BEGIN; SELECT count(*) FROM sqlite_master;"));
    ReadChunks(file, source, [&copy](const char* data, qint64 length, qint64 offset) {
        if (!copy.Holds(data, length, offset)) {
            copy.WriteAt(data, length, offset);
        }
    });
    copy.Truncate(FileSize(file, source));
    connection.ExecuteScript(QStringLiteral("COMMIT;"));
}

int VerbatimFullPathname(sqlite3_vfs* /*vfs*/, const char* name, int size, char* out) {
    const std::size_t length = std::strlen(name);
    if (name[0] != '/' || length >= static_cast<std::size_t>(size)) {
        return SQLITE_CANTOPEN;
    }
    std::memcpy(out, name, length + 1);
    return SQLITE_OK;
}

// The engine's own file system, except that a path is opened as it is given: the engine would
// resolve "/proc/self/fd/N" of a file without a name to a name that does not exist.
const char* VerbatimVfs() {
    static sqlite3_vfs vfs = [] {
        sqlite3_vfs copy = *sqlite3_vfs_find(nullptr);
        copy.zName = "quorvane-verbatim";
        copy.pNext = nullptr;
        copy.xFullPathname = VerbatimFullPathname;
        return copy;
    }();
    static const int registered = sqlite3_vfs_register(&vfs, 0);
    return registered == SQLITE_OK ? vfs.zName : nullptr;
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

// "ok" when the copy opens with the key and every page reads back whole, else what went wrong.
// Each page carries its own authentication code, so reading them all finds a torn or damaged
// page without the slow cross-check of every index against its table.
QString IntegrityOf(const QString& path, const char* vfs, const QString& key) {
    sqlite3* db = nullptr;
    const auto close = qScopeGuard([&db] { sqlite3_close_v2(db); });
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, vfs) != SQLITE_OK) {
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
    return verdict.join(QStringLiteral("; "));
}

void CheckCopy(const PendingCopy& copy, const QString& key, const QString& target) {
    const QString verdict =
        IntegrityOf(copy.OpenPath(), copy.IsNameless() ? VerbatimVfs() : nullptr, key);
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

} // namespace

void DatabaseSnapshot::Copy(const QString& source, const QString& target, const QString& key) {
    if (!basCommon::FileExists(source)) {
        throw CoreError(QStringLiteral("File not found: ") + source);
    }
    const QString folder = QFileInfo(target).absolutePath();
    if (target.isEmpty() || !QFileInfo(folder).isDir()) {
        throw CoreError(QStringLiteral("Path not found: ") + folder);
    }
    if (QFileInfo(target).isDir()) {
        throw CoreError(QStringLiteral("Permission denied: ") + target +
                        QStringLiteral(" is a folder"));
    }
    if (SameFile(source, target)) {
        // Replacing the file under the open connections of other workstations would lose their
        // writes.
        throw CoreError(QStringLiteral("The backup cannot replace the database itself: ") + target);
    }
    PendingCopy copy(folder, QFileInfo(target).absoluteFilePath());
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
    copy.Publish();
}
