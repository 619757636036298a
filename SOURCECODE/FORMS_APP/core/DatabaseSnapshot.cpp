#include "DatabaseSnapshot.h"

#include "CoreError.h"
#include "SqlCipherConnection.h"
#include "SqlCipherKeyCache.h"
#include "basCommon.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QStringList>

#include <sqlcipher/sqlite3.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
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

// How many names a copy that keeps existing files tries before it gives up.
constexpr int MaxNewNames = 1000;

// The name a copy that keeps existing files takes on its attempt: the wanted name first, then
// the wanted name with "-2", "-3", ...
QString Candidate(const QString& wanted, int attempt) {
    return attempt == 0 ? wanted : wanted + u'-' + QString::number(attempt + 1);
}

// Gives the file `from` the name `to` unless that name is taken, in one step that no other
// process can come between: 0, EEXIST when the name is taken, else the error number.
int RenameWithoutReplacing(const QByteArray& from, const QByteArray& to) {
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
        return errno;
    }
    // This file system cannot rename without replacing; a hard link fails alike on a taken name.
    if (::link(from.constData(), to.constData()) == 0) {
        ::unlink(from.constData());
        return 0;
    }
    if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS) {
        return errno;
    }
    // Nor has it hard links: the name is claimed by an empty file that the copy then replaces.
    const int claim = ::open(to.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644);
    if (claim < 0) {
        return errno;
    }
    ::close(claim);
    if (::rename(from.constData(), to.constData()) != 0) {
        const int error = errno;
        ::unlink(to.constData());
        return error;
    }
    return 0;
}

// The copy being written: a file without a name in the target's folder until it has been checked
// (where the file system allows it), so a process killed midway leaves nothing behind; else a
// hidden name beside the target that no other process can have, removed on failure.
class PendingCopy final {
public:
    PendingCopy(const QString& folder, const QString& target)
        : m_folder(folder)
        , m_target(target) {
        m_fd = ::open(QFile::encodeName(folder).constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0644);
        if (m_fd >= 0) {
            return;
        }
        int error = EEXIST;
        for (int attempt = 0; attempt < MaxNewNames && error == EEXIST; ++attempt) {
            const QString named = HiddenName();
            m_fd = ::open(QFile::encodeName(named).constData(),
                          O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0644);
            if (m_fd >= 0) {
                m_named = named;
                return;
            }
            error = errno;
        }
        throw CoreError(SystemError(QStringLiteral("Permission denied: ") + target, error));
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
    QString OpenPath() const { return m_named.isEmpty() ? FdPath() : m_named; }
    bool IsNameless() const { return m_named.isEmpty(); }

    // Gives the checked copy the target's name, replacing an existing file; answers that name.
    QString Publish() {
        if (::rename(QFile::encodeName(Name()).constData(),
                     QFile::encodeName(m_target).constData()) != 0) {
            throw CoreError(SystemError(QStringLiteral("Cannot write ") + m_target, errno));
        }
        m_named.clear();
        SyncFolder();
        return m_target;
    }

    // Gives the checked copy the target's name, or the first of its numbered names that no file
    // has; never replaces a file. Answers the name it took.
    QString PublishUnderNewName() {
        int error = EEXIST;
        for (int attempt = 0; attempt < MaxNewNames && error == EEXIST; ++attempt) {
            const QString name = Candidate(m_target, attempt);
            error = m_named.isEmpty() ? LinkNameless(name)
                                      : RenameWithoutReplacing(QFile::encodeName(m_named),
                                                               QFile::encodeName(name));
            if (error == 0) {
                m_named.clear();
                SyncFolder();
                return name;
            }
        }
        throw CoreError(SystemError(QStringLiteral("Cannot write ") + m_target, error));
    }

private:
    QString FdPath() const { return QStringLiteral("/proc/self/fd/") + QString::number(m_fd); }

    // Gives the nameless copy this name: 0, EEXIST when it is taken, else the error number.
    int LinkNameless(const QString& name) const {
        return ::linkat(AT_FDCWD, QFile::encodeName(FdPath()).constData(), AT_FDCWD,
                        QFile::encodeName(name).constData(), AT_SYMLINK_FOLLOW) == 0
                   ? 0
                   : errno;
    }

    // Gives a nameless copy a hidden name of its own, the one it is renamed from.
    QString Name() {
        int error = EEXIST;
        for (int attempt = 0; m_named.isEmpty() && attempt < MaxNewNames; ++attempt) {
            const QString named = HiddenName();
            error = LinkNameless(named);
            if (error == 0) {
                m_named = named;
            } else if (error != EEXIST) {
                break;
            }
        }
        if (m_named.isEmpty()) {
            throw CoreError(SystemError(QStringLiteral("Cannot write ") + m_target, error));
        }
        return m_named;
    }

    void SyncFolder() const {
        const int folder = ::open(QFile::encodeName(m_folder).constData(), O_RDONLY | O_CLOEXEC);
        if (folder >= 0) {
            ::fsync(folder);
            ::close(folder);
        }
    }

    // A fresh random name beside the target, so two backups to one name never share a file.
    QString HiddenName() const {
        return m_folder + QStringLiteral("/.") + QFileInfo(m_target).fileName() + u'.' +
               QString::number(QRandomGenerator::global()->generate64(), 36) +
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

qint64 PragmaNumber(SqlCipherConnection& connection, const QString& pragma) {
    const RecordSet value = connection.Query(pragma, {});
    return value.AtEnd() ? 0 : value.Value(0, 0).toLongLong();
}

// The engine reads an all-zero page as if the file ended there, and the check never reads the
// pages on the free list, so such a page would pass it; an encrypted page is never all zeros.
class ZeroPageScan final {
public:
    ZeroPageScan(qint64 pageSize, qint64 pageCount)
        : m_pageSize(pageSize > 0 && (pageSize & (pageSize - 1)) == 0 ? pageSize : 0)
        , m_pageCount(pageCount) {}

    // The number (from 1) of the first all-zero page of the database in the chunk, 0 when none.
    qint64 FirstIn(const char* data, qint64 length, qint64 offset) const {
        if (m_pageSize == 0) {
            return 0;
        }
        for (qint64 at = 0; at + m_pageSize <= length; at += m_pageSize) {
            const qint64 page = (offset + at) / m_pageSize + 1;
            if (page > m_pageCount) {
                break;
            }
            const char* bytes = data + at;
            if (bytes[0] == 0 &&
                std::memcmp(bytes, bytes + 1, static_cast<size_t>(m_pageSize - 1)) == 0) {
                return page;
            }
        }
        return 0;
    }

private:
    qint64 m_pageSize;
    qint64 m_pageCount;
};

// The copy is made in two passes, so that other workstations' commits wait only for the second:
// a draft of the bytes read without a lock, which their writes may tear, then, while the read
// transaction holds the shared lock, the file read again and only the chunks that differ from
// the draft written. The second pass reads from memory and writes little.
void CopyDatabaseBytes(SqlCipherConnection& connection, const QString& source,
                       const QString& target, PendingCopy& copy) {
    RefuseWriteAheadLog(connection, source);
    sqlite3_file* file = EngineFile(connection, source);
    ReadChunks(file, source, [&copy](const char* data, qint64 length, qint64 offset) {
        copy.WriteAt(data, length, offset);
    });
    connection.ExecuteScript(QStringLiteral("BEGIN; SELECT count(*) FROM sqlite_master;"));
    RefuseWriteAheadLog(connection, source);
    const ZeroPageScan zeroPages(
        PragmaNumber(connection, QStringLiteral("PRAGMA cipher_page_size")),
        PragmaNumber(connection, QStringLiteral("PRAGMA page_count")));
    ReadChunks(file, source, [&](const char* data, qint64 length, qint64 offset) {
        if (const qint64 page = zeroPages.FirstIn(data, length, offset); page != 0) {
            throw CoreError(QStringLiteral("The copy of the database is damaged and was not kept "
                                           "(page %1 is all zeros): ")
                                .arg(page) +
                            target);
        }
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
    PendingCopy copy(folder, path);
    {
        SqlCipherConnection connection(source, key);
        CopyDatabaseBytes(connection, source, target, copy);
    }
    // The disk writes the copy while the check reads it back.
    std::future<int> synced = std::async(std::launch::async, [&copy] { return copy.TrySync(); });
    CheckCopy(copy, key, target);
    if (const int error = synced.get(); error != 0) {
        throw CoreError(SystemError(QStringLiteral("Cannot write ") + target, error));
    }
    return existing == Existing::Replace ? copy.Publish() : copy.PublishUnderNewName();
}
