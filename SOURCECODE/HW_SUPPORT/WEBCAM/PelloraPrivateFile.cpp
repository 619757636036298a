#include "PelloraPrivateFile.h"

#include <QFile>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace {

std::runtime_error Failure(const QString& what, const QString& path, const QString& reason) {
    return std::runtime_error(QString(what + path + QStringLiteral(": ") + reason).toStdString());
}

} // namespace

void PelloraPrivateFile::Write(const QString& path, const QByteArray& bytes) {
    // A temporary file is made with mode 0600 under a name nobody else holds, and is removed again
    // unless it reaches its final name.
    QTemporaryFile file(path + QStringLiteral(".XXXXXX"));
    if (!file.open()) {
        throw Failure(QStringLiteral("The file could not be created beside "), path,
                      file.errorString());
    }
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        throw Failure(QStringLiteral("The file could not be written whole as "), path,
                      file.errorString());
    }
    file.close();
    // rename() replaces an older file of the final name in one step.
    if (std::rename(QFile::encodeName(file.fileName()).constData(),
                    QFile::encodeName(path).constData()) != 0) {
        const int error = errno;
        throw Failure(QStringLiteral("The file could not be named "), path,
                      QString::fromLocal8Bit(std::strerror(error)));
    }
    file.setAutoRemove(false);
}
