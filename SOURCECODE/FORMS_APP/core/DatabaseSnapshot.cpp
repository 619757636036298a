#include "DatabaseSnapshot.h"

#include "CoreError.h"
#include "SqlCipherConnection.h"
#include "basCommon.h"

#include <QDir>
#include <QFileInfo>

#include <sqlcipher/sqlite3.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 ChunkSize = 1 << 20;

QString SystemError(const QString& what, int error) {
    return what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error));
}

// The copy being written: a file without a name in the target's folder while its bytes are
// written (where the file system allows it), so a process killed midway leaves nothing behind;
// a hidden name beside the target for the check; removed on failure.
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

    void Write(const char* data, qint64 size) {
        while (size > 0) {
            const ssize_t written = ::write(m_fd, data, static_cast<size_t>(size));
            if (written < 0 && errno == EINTR) {
                continue;
            }
            if (written <= 0) {
                throw CoreError(SystemError(QStringLiteral("Cannot write ") + m_target,
                                            written < 0 ? errno : ENOSPC));
            }
            data += written;
            size -= written;
        }
    }

    void Sync() {
        if (::fsync(m_fd) != 0) {
            throw CoreError(SystemError(QStringLiteral("Cannot write ") + m_target, errno));
        }
    }

    // Gives a nameless copy its hidden name, under which the engine can open it (the engine
    // resolves "/proc/self/fd/" links to the vanished name). A hidden copy that a killed backup
    // left under that name is replaced.
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
};

[[noreturn]] void FailFromEngine(int rc, const QString& what) {
    throw CoreError(what + QStringLiteral(": ") + QString::fromUtf8(sqlite3_errstr(rc)));
}

// Copies the database file's bytes through the engine's own handle of it, while the caller's
// read transaction holds the shared lock (a second handle of ours, once closed, would drop the
// process's locks on the file).
void CopyLockedFile(SqlCipherConnection& connection, const QString& source, PendingCopy& copy) {
    sqlite3_file* file = nullptr;
    const int rc =
        sqlite3_file_control(connection.Handle(), "main", SQLITE_FCNTL_FILE_POINTER, &file);
    if (rc != SQLITE_OK || file == nullptr || file->pMethods == nullptr) {
        FailFromEngine(rc == SQLITE_OK ? SQLITE_ERROR : rc,
                       QStringLiteral("Cannot read ") + source);
    }
    sqlite3_int64 size = 0;
    if (const int sizeRc = file->pMethods->xFileSize(file, &size); sizeRc != SQLITE_OK) {
        FailFromEngine(sizeRc, QStringLiteral("Cannot read ") + source);
    }
    QByteArray chunk(static_cast<qsizetype>(ChunkSize), Qt::Uninitialized);
    for (sqlite3_int64 offset = 0; offset < size; offset += ChunkSize) {
        const int length = static_cast<int>(qMin<sqlite3_int64>(ChunkSize, size - offset));
        if (const int readRc = file->pMethods->xRead(file, chunk.data(), length, offset);
            readRc != SQLITE_OK) {
            FailFromEngine(readRc, QStringLiteral("Cannot read ") + source);
        }
        copy.Write(chunk.constData(), length);
    }
}

void CheckCopy(const QString& path, const QString& key, const QString& target) {
    try {
        SqlCipherConnection connection(path, key);
        const RecordSet result =
            connection.Query(QStringLiteral("PRAGMA integrity_check"), QVariantList());
        const QString verdict =
            result.RecordCount() > 0 ? result.Value(0, 0).toString() : QString();
        if (result.RecordCount() != 1 || verdict != u"ok") {
            throw CoreError(verdict);
        }
    } catch (const CoreError& error) {
        throw CoreError(QStringLiteral("The copy of the database is damaged and was not kept (") +
                        error.Description() + QStringLiteral("): ") + target);
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
        connection.ExecuteScript(QStringLiteral("BEGIN; SELECT count(*) FROM sqlite_master;"));
        CopyLockedFile(connection, source, copy);
        connection.ExecuteScript(QStringLiteral("COMMIT;"));
    }
    copy.Sync();
    CheckCopy(copy.Name(), key, target);
    copy.Publish();
}
