#include "PelloraLog.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <dlfcn.h>

namespace {

QString LibraryFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&PelloraLog::FilePath), &info) == 0 ||
        info.dli_fname == nullptr) {
        // linked into the program itself: its folder is the library's
        return QCoreApplication::applicationDirPath();
    }
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).canonicalPath();
}

} // namespace

QString PelloraLog::FileName() {
    QString date = QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
    date.replace(u'/', u'-').replace(u'\\', u'-');
    return u"PLR_" % date % u".log";
}

QString PelloraLog::FilePath() {
    return LibraryFolder() % u'/' % FileName();
}

void PelloraLog::LogMessage(const QString& message) {
    try {
        const QDateTime now = QDateTime::currentDateTime();
        const QString line = QLocale::system().toString(now.date(), QLocale::ShortFormat) % u' ' %
                             now.time().toString(u"HH:mm:ss") % u": " % message % u'\n';
        QFile file(FilePath());
        if (file.open(QIODevice::WriteOnly | QIODevice::Append)) {
            file.write(line.toUtf8());
        }
    } catch (...) {
        // logging never disturbs the caller
    }
}
