#include "PartialCopyFiles.h"

#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString Prefix = QStringLiteral(".quorvane-");
const QString Suffix = QStringLiteral(".partial");
const QString PublishLockName = QStringLiteral(".quorvane-publish.lock");
constexpr int RandomDigits = 16;

// The writer's lock covers the first byte; the engine locks bytes near 1 GiB only.
struct flock FirstByte(short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 1;
    return lock;
}

int SetLock(int fd, int command) {
    struct flock lock = FirstByte(F_WRLCK);
    int rc = 0;
    do {
        rc = ::fcntl(fd, command, &lock);
    } while (rc != 0 && errno == EINTR);
    return rc == 0 ? 0 : errno;
}

bool KeepsNoLocks(int error) {
    return error == ENOLCK || error == EINVAL || error == EOPNOTSUPP || error == ENOSYS;
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

void RemoveIfAbandoned(int folder, const char* name) {
    const int fd = ::openat(folder, name, O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    struct stat opened {};
    struct stat named {};
    // Only while it holds the lock may the name be taken away: no writer can then hold it.
    if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && SetLock(fd, F_OFD_SETLK) == 0 &&
        ::fstatat(folder, name, &named, AT_SYMLINK_NOFOLLOW) == 0 && SameFile(opened, named)) {
        ::unlinkat(folder, name, 0);
    }
    ::close(fd);
}

} // namespace

QString PartialCopyFiles::NewName(const QString& folder) {
    const QString digits = QString::number(QRandomGenerator::global()->generate64(), 16)
                               .rightJustified(RandomDigits, u'0');
    return folder + u'/' + Prefix + digits + Suffix;
}

bool PartialCopyFiles::IsPartialName(const QString& fileName) {
    static const QRegularExpression shape(QRegularExpression::anchoredPattern(
        QRegularExpression::escape(Prefix) + QStringLiteral("[0-9a-f]{%1}").arg(RandomDigits) +
        QRegularExpression::escape(Suffix)));
    return shape.match(fileName).hasMatch();
}

int PartialCopyFiles::LockForWriting(int fd) {
    const int error = SetLock(fd, F_OFD_SETLKW);
    return KeepsNoLocks(error) ? 0 : error;
}

bool PartialCopyFiles::NameLeadsTo(const QString& path, int fd) {
    struct stat opened {};
    struct stat named {};
    return ::fstat(fd, &opened) == 0 && ::lstat(QFile::encodeName(path).constData(), &named) == 0 &&
           SameFile(opened, named);
}

void PartialCopyFiles::RemoveAbandoned(const QString& folder) {
    DIR* entries = ::opendir(QFile::encodeName(folder).constData());
    if (entries == nullptr) {
        return;
    }
    const int fd = ::dirfd(entries);
    while (const dirent* entry = ::readdir(entries)) {
        if (IsPartialName(QFile::decodeName(entry->d_name))) {
            RemoveIfAbandoned(fd, entry->d_name);
        }
    }
    ::closedir(entries);
}

int PartialCopyFiles::LockPublishers(const QString& folder) {
    const QByteArray path = QFile::encodeName(folder + u'/' + PublishLockName);
    const int fd = ::open(path.constData(), O_CREAT | O_RDWR | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        return -1;
    }
    if (const int error = LockForWriting(fd); error != 0) {
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}
