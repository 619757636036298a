#include "ShellOpen.h"

#include <QDesktopServices>
#include <QDir>
#include <QUrl>

void ShellOpen::Open(const QString& target) {
    const QUrl url = QDir::isAbsolutePath(target) && !target.isEmpty()
                         ? QUrl::fromLocalFile(target)
                         : QUrl(target, QUrl::TolerantMode);
    QDesktopServices::openUrl(url);
}
