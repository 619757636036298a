#include "PendingCopy.h"

#include "CoreError.h"
#include "PartialCopyFiles.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// How many names a copy tries before it gives up.
constexpr int MaxNewNames = 1000;

QString SystemError(const QString& what, int error) {
    return what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error));
}

// The name a copy that keeps existing files takes on its attempt: the wanted name first, then
// the wanted name with "-2", "-3", ...
QString Candidate(const QString& wanted, int attempt) {
    return attempt == 0 ? wanted : wanted + u'-' + QString::number(attempt + 1);
}

// Where the file system can neither rename without replacing nor link: our publishers in the
// folder take turns, so a name found free is still free at the rename, and no placeholder is
// ever left under it.
int RenameUnderPublishersLock(const QString& folder, const QByteArray& from, const QByteArray& to) {
    const int lock = PartialCopyFiles::LockPublishers(folder);
    if (lock < 0) {
        return errno;
    }
    struct stat existing {};
    int error = 0;
    if (::lstat(to.constData(), &existing) == 0) {
        error = EEXIST;
    } else if (errno != ENOENT) {
        error = errno;
    } else if (::rename(from.constData(), to.constData()) != 0) {
        error = errno;
    }
    ::close(lock);
    return error;
}

// Gives the file `from` the name `to` unless that name is taken, in one step that no other
// process can come between: 0, EEXIST when the name is taken, else the error number.
int RenameWithoutReplacing(const QString& folder, const QByteArray& from, const QByteArray& to) {
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
    return RenameUnderPublishersLock(folder, from, to);
}

} // namespace

PendingCopy::PendingCopy(const QString& folder, const QString& target)
    : m_folder(folder)
    , m_target(target) {
    if (!OpenNameless()) {
        OpenNamed();
    }
}

PendingCopy::~PendingCopy() {
    // The name goes before the lock, so no sweep can find the file unlocked.
    if (!m_named.isEmpty()) {
        ::unlink(QFile::encodeName(m_named).constData());
    }
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

bool PendingCopy::OpenNameless() {
    m_fd = ::open(QFile::encodeName(m_folder).constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0644);
    if (m_fd < 0) {
        return false;
    }
    // Locked before it can get a hidden name on publishing.
    if (const int error = PartialCopyFiles::LockForWriting(m_fd); error != 0) {
        throw CoreError(SystemError(QStringLiteral("Cannot write ") + m_target, error));
    }
    return true;
}

void PendingCopy::OpenNamed() {
    int error = EEXIST;
    for (int attempt = 0; attempt < MaxNewNames && error == EEXIST; ++attempt) {
        const QString named = PartialCopyFiles::NewName(m_folder);
        const int fd = ::open(QFile::encodeName(named).constData(),
                              O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0644);
        if (fd < 0) {
            error = errno;
            continue;
        }
        error = PartialCopyFiles::LockForWriting(fd);
        if (error == 0 && PartialCopyFiles::NameLeadsTo(named, fd)) {
            m_fd = fd;
            m_named = named;
            return;
        }
        ::close(fd);
        if (error == 0) {
            // A sweep took the file before it was locked: another name.
            error = EEXIST;
        } else {
            ::unlink(QFile::encodeName(named).constData());
        }
    }
    throw CoreError(SystemError(QStringLiteral("Permission denied: ") + m_target, error));
}

bool PendingCopy::Holds(const char* data, qint64 size, qint64 offset) {
    m_compare.resize(static_cast<qsizetype>(size));
    qint64 done = 0;
    while (done < size) {
        const ssize_t got = ::pread(m_fd, m_compare.data() + done, static_cast<size_t>(size - done),
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

void PendingCopy::WriteAt(const char* data, qint64 size, qint64 offset) {
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

void PendingCopy::Truncate(qint64 size) {
    if (::ftruncate(m_fd, static_cast<off_t>(size)) != 0) {
        throw CoreError(SystemError(QStringLiteral("Cannot write ") + m_target, errno));
    }
}

int PendingCopy::TrySync() const {
    return ::fsync(m_fd) == 0 ? 0 : errno;
}

QString PendingCopy::OpenPath() const {
    return m_named.isEmpty() ? FdPath() : m_named;
}

QString PendingCopy::Publish() {
    if (::rename(QFile::encodeName(Name()).constData(), QFile::encodeName(m_target).constData()) !=
        0) {
        throw CoreError(SystemError(QStringLiteral("Cannot write ") + m_target, errno));
    }
    m_named.clear();
    SyncFolder();
    return m_target;
}

QString PendingCopy::PublishUnderNewName() {
    int error = EEXIST;
    for (int attempt = 0; attempt < MaxNewNames && error == EEXIST; ++attempt) {
        const QString name = Candidate(m_target, attempt);
        error = m_named.isEmpty() ? LinkNameless(name)
                                  : RenameWithoutReplacing(m_folder, QFile::encodeName(m_named),
                                                           QFile::encodeName(name));
        if (error == 0) {
            m_named.clear();
            SyncFolder();
            return name;
        }
    }
    throw CoreError(SystemError(QStringLiteral("Cannot write ") + m_target, error));
}

QString PendingCopy::FdPath() const {
    return QStringLiteral("/proc/self/fd/") + QString::number(m_fd);
}

// Gives the nameless copy this name: 0, EEXIST when it is taken, else the error number.
int PendingCopy::LinkNameless(const QString& name) const {
    return ::linkat(AT_FDCWD, QFile::encodeName(FdPath()).constData(), AT_FDCWD,
                    QFile::encodeName(name).constData(), AT_SYMLINK_FOLLOW) == 0
               ? 0
               : errno;
}

// Gives a nameless copy a hidden name of its own, the one it is renamed from.
QString PendingCopy::Name() {
    int error = EEXIST;
    for (int attempt = 0; m_named.isEmpty() && attempt < MaxNewNames; ++attempt) {
        const QString named = PartialCopyFiles::NewName(m_folder);
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

void PendingCopy::SyncFolder() const {
    const int folder = ::open(QFile::encodeName(m_folder).constData(), O_RDONLY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}
