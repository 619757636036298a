#include "UnchangeableFolder.h"

#include <QFile>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

UnchangeableFolder::UnchangeableFolder(const QString& path)
    : m_path(path)
    , m_permissions(QFile::permissions(path)) {
    QFile::setPermissions(m_path, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                      QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    if (::geteuid() == 0) {
        m_immutable = SetImmutable(true);
    }
    m_unchangeable = ProbeIsRefused();
}

UnchangeableFolder::~UnchangeableFolder() {
    if (m_immutable) {
        SetImmutable(false);
    }
    QFile::setPermissions(m_path, m_permissions);
}

bool UnchangeableFolder::SetImmutable(bool on) const {
    const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) {
        return false;
    }
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
}

bool UnchangeableFolder::ProbeIsRefused() const {
    QFile probe(m_path + QStringLiteral("/.probe"));
    if (!probe.open(QIODevice::WriteOnly)) {
        return true;
    }
    probe.remove();
    return false;
}
